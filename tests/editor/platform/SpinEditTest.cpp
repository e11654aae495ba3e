// The spin edit: hexadecimal ids up to 0xFFFFFFFF, ranges, steps with their events,
// typed text, colours and the parent's font.
#include "platform/SpinEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

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

TEST_F(SpinEditTest, ColoursAndTheParentFont)
{
    window->setPalette(QPalette(Qt::black, Qt::white));
    spin->SetColor(0xFF0000);   // blue, as Windows packs it
    EXPECT_EQ(spin->palette().color(QPalette::Base), QColor(0, 0, 255));
    EXPECT_EQ(spin->Color(), 0xFF0000u);

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
    EXPECT_EQ(spin->palette().color(QPalette::Base), QColor(0, 0, 255));
}

}   // namespace
