// A numeric field with up/down buttons: `TJvSpinEdit`.
//
// The value is a double, so a field can hold every integer from -1 to 254 and every 32-bit
// id up to 0xFFFFFFFF alike. With `SetHexadecimal(true)` the value is shown and typed in
// upper-case hexadecimal digits without prefix; a hexadecimal field only holds 0 to
// 0xFFFFFFFF (values outside are clamped), since it has no sign. A decimal field shows the
// value rounded to `Decimals` places (0 unless set).
//
// Range: MinValue and MaxValue both 0 means no range; otherwise every value set, typed or
// stepped is clamped into [MinValue, MaxValue].
//
// Steps: the up button, the Up key and Page Up (10 steps) add Increment, the down button,
// the Down key and Page Down take it away; the wheel steps as well. After the step has
// changed the value (and raised OnChange), OnTopClick follows an up step and OnBottomClick
// a down step, so a handler may correct the value further.
//
// OnChange is raised at every change of the text, typed, stepped or set from code
// (SetValue with the value already shown raises nothing). A typed text that is not a
// complete number (empty, a lone "-") leaves the value as it was; leaving the field puts
// the text of the value back.
//
// Colours are Windows colours (0x00BBGGRR, see Color.h): Color is the background,
// FontColor the text colour. SetParentFont(true) gives the field its parent's font and
// text colour again (the background stays).
//
// A background set with SetColor is painted by the field itself, under the frame and the
// buttons the style draws: a new colour changes no palette (which would be handed on to the
// text field inside and would make the style draw its frame afresh) and repaints the field
// alone. Each repaint of a window on a display server costs a round trip to the server
// whatever it draws, so the field is redrawn once its colour has moved by kColorRedrawStep
// or more in one of the three bytes from the colour last drawn: a colour that walks one
// step at a time shows every kColorRedrawStep steps (a change of 6 % in one byte), any
// other change at once.
//
// OnEnter / OnExit are raised when the field gains / loses the input focus; on leaving, the
// text is normalised before OnExit runs, so the handler reads the final value.
#pragma once

#include "platform/Color.h"

#include <QAbstractSpinBox>

#include <functional>

class TJvSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    static constexpr int kColorRedrawStep = 16;

    explicit TJvSpinEdit(QWidget *parent = nullptr);

    using TNotifyEvent = std::function<void(TJvSpinEdit *Sender)>;

    double Value() const { return FValue; }
    void SetValue(double value);
    // Value as a 64-bit integer (truncated toward zero).
    qint64 AsInteger() const;

    double MinValue() const { return FMinValue; }
    double MaxValue() const { return FMaxValue; }
    void SetMinValue(double value);
    void SetMaxValue(double value);

    double Increment() const { return FIncrement; }
    void SetIncrement(double value) { FIncrement = value; }

    bool Hexadecimal() const { return FHexadecimal; }
    void SetHexadecimal(bool hex);

    int Decimals() const { return FDecimals; }
    void SetDecimals(int decimals);

    QString Text() const;

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TColor FontColor() const;
    void SetFontColor(TColor color);
    // Bold and the other font settings go through QWidget::setFont.
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool parentFont);

    TNotifyEvent OnChange;
    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // QAbstractSpinBox
    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

protected:
    StepEnabled stepEnabled() const override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString TextFromValue(double value) const;
    bool ValueFromText(const QString &text, double &value) const;
    double Clamp(double value) const;
    void ShowValue();
    void EditorTextChanged(const QString &text);
    void ApplyColors();

    double FValue = 0;
    double FMinValue = 0;
    double FMaxValue = 0;
    double FIncrement = 1;
    bool FHexadecimal = false;
    int FDecimals = 0;
    TColor FColor;
    bool FColorSet = false;    // the field paints FColor itself
    TColor FDrawnColor = 0;    // the background of the last paint
    bool FFontColorSet = false;
    TColor FFontColor = 0;
    bool FParentFont = true;
    bool FSettingText = false;
};
