// The spin edit: hexadecimal ids up to 0xFFFFFFFF, ranges, steps with their events,
// typed text, colours and the parent's font.
#include "platform/SpinEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

class SpinEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        other = new QLineEdit(window.get());
        spin = new TJvSpinEdit(window.get());
        layout->addWidget(other);
        layout->addWidget(spin);
        spin->OnChange = [this](TJvSpinEdit *s) { events.push_back("change " + s->Text().toStdString()); };
        spin->OnTopClick = [this](TJvSpinEdit *) { events.push_back("top"); };
        spin->OnBottomClick = [this](TJvSpinEdit *) { events.push_back("bottom"); };
        spin->OnEnter = [this](TJvSpinEdit *) { events.push_back("enter"); };
        spin->OnExit = [this](TJvSpinEdit *s) { events.push_back("exit " + s->Text().toStdString()); };
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void FocusSpin()
    {
        spin->setFocus();
        QApplication::processEvents();
    }
    // Where the up / down arrow is drawn (the right edge, upper / lower half).
    QPoint Arrow(bool up) const
    {
        return QPoint(spin->width() - 6, up ? spin->height() / 4 : spin->height() * 3 / 4);
    }

    std::unique_ptr<QWidget> window;
    QLineEdit *other = nullptr;
    TJvSpinEdit *spin = nullptr;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

TEST_F(SpinEditTest, HexFieldHoldsEveryThirtyTwoBitIdInUpperCase)
{
    spin->SetHexadecimal(true);
    spin->SetValue(4294967295.0);
    EXPECT_EQ(spin->Text(), "FFFFFFFF");
    EXPECT_EQ(spin->AsInteger(), 0xFFFFFFFFll);
    spin->SetValue(5e9);   // beyond 32 bits: clamped
    EXPECT_EQ(spin->Value(), 4294967295.0);
    spin->SetValue(-3);
    EXPECT_EQ(spin->Value(), 0);
    spin->SetValue(0x80000001u);
    EXPECT_EQ(spin->Text(), "80000001");

    FocusSpin();
    spin->findChild<QLineEdit *>()->selectAll();
    QTest::keyClicks(spin, "ab1g");   // g is not a digit: refused
    EXPECT_EQ(spin->Text(), "AB1");
    EXPECT_EQ(spin->Value(), double(0xAB1));
}

TEST_F(SpinEditTest, StepsChangeTheValueThenRaiseTheirEvents)
{
    spin->SetHexadecimal(true);
    spin->SetValue(0x02000100);
    // The handlers widen a step as the id field does: to the next string number.
    spin->OnTopClick = [this](TJvSpinEdit *s) {
        events.push_back("top");
        s->SetValue(s->Value() + 255);
    };
    spin->OnBottomClick = [this](TJvSpinEdit *s) {
        events.push_back("bottom");
        s->SetValue(s->Value() - 255);
    };
    events.clear();
    FocusSpin();
    events.clear();
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->Value(), double(0x02000200));
    EXPECT_EQ(events, (Events{"change 2000101", "top", "change 2000200"}));
    events.clear();
    QTest::mouseClick(spin, Qt::LeftButton, {}, Arrow(false));
    EXPECT_EQ(spin->Value(), double(0x02000100));
    EXPECT_EQ(events, (Events{"change 20001FF", "bottom", "change 2000100"}));
}

TEST_F(SpinEditTest, RangeClampsSteppedTypedAndSetValues)
{
    spin->SetMinValue(-1);
    spin->SetMaxValue(254);
    spin->SetValue(-1);
    EXPECT_EQ(spin->Text(), "-1");
    spin->SetValue(300);
    EXPECT_EQ(spin->Value(), 254);
    spin->SetValue(-1);
    FocusSpin();
    events.clear();
    QTest::keyClick(spin, Qt::Key_Down);   // at the minimum: no step, no event
    EXPECT_TRUE(events.empty());
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->Value(), 0);

    spin->findChild<QLineEdit *>()->selectAll();
    QTest::keyClicks(spin, "300");
    events.clear();
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(spin->Value(), 254);
    EXPECT_EQ(events, (Events{"change 254", "exit 254"}));   // the exit handler sees the final value
}

TEST_F(SpinEditTest, ChangeOnlyWhenTheTextChangesAndEnterExitAroundTheFocus)
{
    spin->SetValue(7);
    events.clear();
    spin->SetValue(7);
    EXPECT_TRUE(events.empty());
    FocusSpin();
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(events, (Events{"enter", "exit 7"}));

    // A half-typed number keeps the last value; leaving puts its text back.
    FocusSpin();
    spin->findChild<QLineEdit *>()->selectAll();
    QTest::keyClick(spin, Qt::Key_Minus);
    EXPECT_EQ(spin->Text(), "-");
    EXPECT_EQ(spin->Value(), 7);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(spin->Text(), "7");
}

// A field that shows the style's options of its drawing.
class StyledSpinEdit : public TJvSpinEdit {
public:
    using TJvSpinEdit::TJvSpinEdit;
    using TJvSpinEdit::initStyleOption;
};

// The field as it draws itself (the text field inside it left out) over the window's
// background, and as the style draws it with `base` as the palette's base colour.
QImage DrawnField(StyledSpinEdit *spin, const QColor *base = nullptr)
{
    QImage image(spin->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(spin->window()->palette().color(QPalette::Window));
    if (!base) {
        spin->render(&image, QPoint(), QRegion(), {});
        return image;
    }
    QStyleOptionSpinBox option;
    spin->initStyleOption(&option);
    option.palette.setColor(QPalette::Base, *base);
    QPainter painter(&image);
    spin->style()->drawComplexControl(QStyle::CC_SpinBox, &option, &painter, spin);
    return image;
}

// The largest difference of a colour byte between two drawings of one size.
int LargestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

// Paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(SpinEditTest, TheBackgroundColourIsDrawnAsTheStyleDrawsItsBase)
{
    auto *field = new StyledSpinEdit(window.get());
    window->layout()->addWidget(field);
    window->setPalette(QPalette(Qt::black, Qt::white));
    QApplication::processEvents();

    for (const QColor &color : {QColor(0, 0, 255), QColor(255, 0, 255), QColor(12, 200, 7)}) {
        field->SetColor(FromQColor(color));
        EXPECT_EQ(field->Color(), FromQColor(color));
        const QImage drawn = DrawnField(field);
        EXPECT_LE(LargestDifference(drawn, DrawnField(field, &color)), 16) << color.name().toStdString();
        const QColor white(Qt::white);
        EXPECT_GT(LargestDifference(drawn, DrawnField(field, &white)), 200) << color.name().toStdString();
    }
    // A new colour changes nothing that the style or the children would take up again.
    const qint64 palette = field->palette().cacheKey();
    field->SetColor(0xFF123456);
    EXPECT_EQ(field->palette().cacheKey(), palette);
    EXPECT_EQ(field->Color(), 0x123456u) << "the top byte is dropped";
}

TEST_F(SpinEditTest, AWalkingColourIsRedrawnEveryFewSteps)
{
    PaintCounter counter(spin);
    spin->SetColor(0x00FF0000);
    QApplication::processEvents();
    ASSERT_GE(counter.paints, 1);

    // One step at a time: a redraw once the colour is kColorRedrawStep away from the one
    // drawn.
    for (int round = 0; round < 3; ++round) {
        counter.paints = 0;
        const TColor start = spin->Color();
        for (int step = 1; step < TJvSpinEdit::kColorRedrawStep; ++step) {
            spin->SetColor(start + TColor(step));
            QApplication::processEvents();
        }
        EXPECT_EQ(counter.paints, 0) << round;
        spin->SetColor(start + TColor(TJvSpinEdit::kColorRedrawStep));
        QApplication::processEvents();
        EXPECT_EQ(counter.paints, 1) << round;
    }
    // Any other change shows at once.
    counter.paints = 0;
    spin->SetColor(0x0000FF00);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
}

TEST_F(SpinEditTest, FontColourAndTheParentFont)
{
    window->setPalette(QPalette(Qt::black, Qt::white));
    spin->SetColor(0xFF0000);   // blue, as Windows packs it
    QFont bold = spin->font();
    bold.setBold(true);
    spin->setFont(bold);
    EXPECT_FALSE(spin->ParentFont());
    spin->SetFontColor(255);   // red
    EXPECT_EQ(spin->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(spin->FontColor(), 255u);

    spin->SetParentFont(true);
    EXPECT_FALSE(spin->font().bold());
    EXPECT_EQ(spin->palette().color(QPalette::Text), window->palette().color(QPalette::Text));
    EXPECT_EQ(spin->Color(), 0xFF0000u);   // the background is not the font's
}

}   // namespace
