#include "platform/SpinEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double kHexMax = 4294967295.0;   // 0xFFFFFFFF

bool IsHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
}

TJvSpinEdit::TJvSpinEdit(QWidget *parent) : QAbstractSpinBox(parent)
{
    // The value and the text are kept here, not by the base class.
    setKeyboardTracking(false);
    FColor = FromQColor(palette().color(QPalette::Base));
    connect(lineEdit(), &QLineEdit::textChanged, this,
            [this](const QString &text) { EditorTextChanged(text); });
    ShowValue();
}

void TJvSpinEdit::SetValue(double value)
{
    FValue = Clamp(value);
    ShowValue();
}

qint64 TJvSpinEdit::AsInteger() const
{
    return qint64(std::trunc(FValue));
}

void TJvSpinEdit::SetMinValue(double value)
{
    FMinValue = value;
    SetValue(FValue);
}

void TJvSpinEdit::SetMaxValue(double value)
{
    FMaxValue = value;
    SetValue(FValue);
}

void TJvSpinEdit::SetHexadecimal(bool hex)
{
    FHexadecimal = hex;
    SetValue(FValue);
}

void TJvSpinEdit::SetDecimals(int decimals)
{
    FDecimals = decimals < 0 ? 0 : decimals;
    ShowValue();
}

QString TJvSpinEdit::Text() const
{
    return lineEdit()->text();
}

double TJvSpinEdit::Clamp(double value) const
{
    if (std::isnan(value))
        value = 0;
    if (FMinValue != 0 || FMaxValue != 0) {
        if (value < FMinValue)
            value = FMinValue;
        if (value > FMaxValue)
            value = FMaxValue;
    }
    if (FHexadecimal) {
        if (value < 0)
            value = 0;
        if (value > kHexMax)
            value = kHexMax;
    }
    return value;
}

QString TJvSpinEdit::TextFromValue(double value) const
{
    if (FHexadecimal)
        return QString::number(quint64(std::trunc(value)), 16).toUpper();
    return QString::number(value, 'f', FDecimals);
}

bool TJvSpinEdit::ValueFromText(const QString &text, double &value) const
{
    if (FHexadecimal) {
        if (text.isEmpty() || text.size() > 8)
            return false;
        bool ok = false;
        const quint64 v = text.toULongLong(&ok, 16);
        if (ok)
            value = double(v);
        return ok;
    }
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (ok)
        value = v;
    return ok;
}

void TJvSpinEdit::ShowValue()
{
    const QString text = TextFromValue(FValue);
    if (text == lineEdit()->text())
        return;
    FSettingText = true;
    lineEdit()->setText(text);
    FSettingText = false;
}

void TJvSpinEdit::EditorTextChanged(const QString &text)
{
    if (!FSettingText) {
        double v;
        if (ValueFromText(text, v))
            FValue = Clamp(v);
    }
    if (OnChange)
        OnChange(this);
}

QValidator::State TJvSpinEdit::validate(QString &input, int &) const
{
    if (FHexadecimal) {
        if (input.size() > 8)
            return QValidator::Invalid;
        for (QChar c : input)
            if (!IsHexDigit(c))
                return QValidator::Invalid;
        input = input.toUpper();
        return input.isEmpty() ? QValidator::Intermediate : QValidator::Acceptable;
    }
    bool point = false;
    bool digit = false;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        if (c == u'-' && i == 0)
            continue;
        if (c == u'.' && FDecimals > 0 && !point) {
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return QValidator::Invalid;
        digit = true;
    }
    return digit ? QValidator::Acceptable : QValidator::Intermediate;
}

void TJvSpinEdit::fixup(QString &input) const
{
    input = TextFromValue(FValue);
}

void TJvSpinEdit::stepBy(int steps)
{
    if (steps == 0)
        return;
    SetValue(FValue + steps * FIncrement);
    if (steps > 0) {
        if (OnTopClick)
            OnTopClick(this);
    } else if (OnBottomClick) {
        OnBottomClick(this);
    }
}

QAbstractSpinBox::StepEnabled TJvSpinEdit::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    double low = -HUGE_VAL;
    double high = HUGE_VAL;
    if (FMinValue != 0 || FMaxValue != 0) {
        low = FMinValue;
        high = FMaxValue;
    }
    if (FHexadecimal) {
        low = std::max(low, 0.0);
        high = std::min(high, kHexMax);
    }
    StepEnabled enabled = StepNone;
    if (FValue < high)
        enabled |= StepUpEnabled;
    if (FValue > low)
        enabled |= StepDownEnabled;
    return enabled;
}

namespace {
// A focus change that only comes from another window becoming active, or a popup.
bool ActivationOnly(const QFocusEvent *event)
{
    return event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
}
} // namespace

void TJvSpinEdit::focusInEvent(QFocusEvent *event)
{
    QAbstractSpinBox::focusInEvent(event);
    // Only a move of the input focus between the window's controls enters or leaves the
    // field: switching windows or opening a popup does not.
    if (OnEnter && !ActivationOnly(event))
        OnEnter(this);
}

void TJvSpinEdit::focusOutEvent(QFocusEvent *event)
{
    ShowValue();
    QAbstractSpinBox::focusOutEvent(event);
    if (OnExit && !ActivationOnly(event))
        OnExit(this);
}

void TJvSpinEdit::changeEvent(QEvent *event)
{
    QAbstractSpinBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FParentFont = !testAttribute(Qt::WA_SetFont);
}

void TJvSpinEdit::SetColor(TColor color)
{
    color &= 0xFFFFFF;
    if (!FColorSet) {
        FColorSet = true;
        FColor = color;
        ApplyColors();
        update();
        return;
    }
    if (color == FColor)
        return;
    FColor = color;
    const auto distance = [](TColor a, TColor b, int shift) {
        return std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    };
    if (std::max({distance(color, FDrawnColor, 0), distance(color, FDrawnColor, 8),
                  distance(color, FDrawnColor, 16)}) >= kColorRedrawStep)
        update();
}

TColor TJvSpinEdit::FontColor() const
{
    if (FFontColorSet)
        return FFontColor;
    return FromQColor(palette().color(QPalette::Text));
}

void TJvSpinEdit::SetFontColor(TColor color)
{
    FFontColorSet = true;
    FFontColor = color & 0xFFFFFF;
    FParentFont = false;
    ApplyColors();
}

void TJvSpinEdit::SetParentFont(bool parentFont)
{
    if (parentFont) {
        setFont(QFont());
        FFontColorSet = false;
        ApplyColors();
    }
    FParentFont = parentFont;
}

void TJvSpinEdit::ApplyColors()
{
    // Only the roles set here are the field's own; the rest follows the parent. A field
    // with a colour of its own has a clear base, which paintEvent fills: the style then
    // draws the frame and the buttons over it, and so does the text field inside with
    // the styles that give it a panel of its own.
    QPalette colors;
    if (FColorSet)
        colors.setColor(QPalette::Base, Qt::transparent);
    if (FFontColorSet)
        colors.setColor(QPalette::Text, ToQColor(FFontColor));
    setPalette(colors);
}

void TJvSpinEdit::paintEvent(QPaintEvent *event)
{
    if (FColorSet) {
        // The base as the style draws it inside its frame: a rounded rectangle that keeps
        // one pixel free above and below.
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ToQColor(FColor));
        painter.drawRoundedRect(QRectF(0.5, 1.5, width() - 1, height() - 3), 2, 2);
        FDrawnColor = FColor;
    }
    QAbstractSpinBox::paintEvent(event);
}
