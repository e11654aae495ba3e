// The small layers: message boxes and their test responder, key state, shell, beep,
// random generator, key codes and the exception display of the application object.
#include "platform/Application.h"
#include "platform/Beep.h"
#include "platform/Color.h"
#include "platform/KeyState.h"
#include "platform/Keys.h"
#include "platform/MessageBox.h"
#include "platform/Random.h"
#include "platform/SharedText.h"
#include "platform/Shell.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace {

TEST(MessageBoxTest, RecorderAnswersInTurnAndRestoresThePreviousResponder)
{
    {
        MessageBoxRecorder outer(IDNO);
        {
            MessageBoxRecorder boxes(IDCANCEL);
            boxes.Answer(IDYES);
            EXPECT_EQ(MessageBoxW(nullptr, "File was changed. Do you want to save it?", "Caution", 0x23), IDYES);
            EXPECT_EQ(MessageBoxW(nullptr, "second", "Warning", 0x34), IDCANCEL);
            ASSERT_EQ(boxes.calls.size(), 2u);
            EXPECT_EQ(boxes.calls[0].caption, "Caution");
            EXPECT_EQ(boxes.calls[0].text, "File was changed. Do you want to save it?");
            EXPECT_EQ(boxes.calls[0].flags, 0x23u);
            EXPECT_EQ(boxes.calls[1].flags, 0x34u);
        }
        EXPECT_EQ(MessageBoxW(nullptr, "x", "y", 0), IDNO);
        EXPECT_EQ(outer.calls.size(), 1u);
    }
}

// The real box: the flags' buttons and icon, and the pressed button as the answer.
TEST(MessageBoxTest, RealBoxShowsTheFlagsButtonsAndIcon)
{
    struct Case {
        unsigned flags;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton press;
        int answer;
    };
    const Case cases[] = {
        {0x23, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question,
         QMessageBox::Cancel, IDCANCEL},
        {0x24, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes, IDYES},
        {0x34, QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, QMessageBox::No, IDNO},
        {0x10, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, IDOK},
    };
    for (const Case &c : cases) {
        QMessageBox::StandardButtons seenButtons;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        QString seenCaption;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seenButtons = box->standardButtons();
            seenIcon = box->icon();
            seenCaption = box->windowTitle();
            box->button(c.press)->click();
        });
        EXPECT_EQ(MessageBoxW(nullptr, "text", "caption", c.flags), c.answer) << c.flags;
        EXPECT_EQ(seenButtons, c.buttons) << c.flags;
        EXPECT_EQ(seenIcon, c.icon) << c.flags;
        EXPECT_EQ(seenCaption, "caption");
    }
}

// Escape and a request to close the box (its title bar's close button, the window menu)
// answer a box that has Cancel or a lone OK; a Yes/No box has no close button, and both
// leave it open: only Yes or No answers it.
TEST(MessageBoxTest, RealBoxEscapeAndCloseAnswerOnlyWithCancelOrOk)
{
    enum Way { EscapeKey, CloseRequest };
    struct Case {
        unsigned flags;
        Way way;
        bool staysOpen;   // then the test clicks Yes
        int answer;
    };
    const Case cases[] = {
        {MB_YESNO | MB_ICONQUESTION, EscapeKey, true, IDYES},
        {MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, CloseRequest, true, IDYES},
        {MB_YESNOCANCEL | MB_ICONQUESTION, EscapeKey, false, IDCANCEL},
        {MB_YESNOCANCEL | MB_ICONQUESTION, CloseRequest, false, IDCANCEL},
        {MB_OK | MB_ICONERROR, EscapeKey, false, IDOK},
        {MB_OK | MB_ICONERROR, CloseRequest, false, IDOK},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << (c.way == EscapeKey ? ", Escape" : ", close"));
        bool openAfter = false;
        bool closeButton = false;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            closeButton = box->windowFlags().testFlag(Qt::WindowCloseButtonHint);
            if (c.way == EscapeKey)
                QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Escape);
            else
                box->windowHandle()->close();   // as the window system asks it
            QApplication::processEvents();
            openAfter = box->isVisible();
            if (openAfter)
                box->button(QMessageBox::Yes)->click();
        });
        EXPECT_EQ(MessageBoxW(nullptr, "text", "caption", c.flags), c.answer);
        EXPECT_EQ(openAfter, c.staysOpen);
        EXPECT_EQ(closeButton, !c.staysOpen);
    }
}

// What the box offers the window manager, as the window system is given it (on X11 the
// Motif hints): a title and a close function where closing answers the box, no close
// function on a Yes/No box, and no minimise or maximise on any.
TEST(MessageBoxTest, RealBoxOffersCloseOnlyWhereClosingAnswers)
{
    const struct {
        unsigned flags;
        bool close;
    } cases[] = {
        {MB_OK | MB_ICONERROR, true},
        {MB_OKCANCEL | MB_ICONINFORMATION, true},
        {MB_YESNOCANCEL | MB_ICONQUESTION, true},
        {MB_YESNO | MB_ICONQUESTION, false},
        {MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, false},
    };
    for (const auto &c : cases) {
        Qt::WindowFlags seen;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            ASSERT_NE(box->windowHandle(), nullptr);
            seen = box->windowHandle()->flags();
            EXPECT_EQ(box->windowFlags(), seen);
            box->buttons().first()->click();
        });
        MessageBoxW(nullptr, "text", "caption", c.flags);
        SCOPED_TRACE(testing::Message() << "flags " << c.flags);
        EXPECT_EQ(seen & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_TRUE(seen.testFlag(Qt::WindowTitleHint));
        EXPECT_EQ(seen.testFlag(Qt::WindowCloseButtonHint), c.close);
        // Without this hint Qt gives every dialog a close button of its own accord.
        EXPECT_TRUE(c.close || seen.testFlag(Qt::CustomizeWindowHint));
        EXPECT_FALSE(seen & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    }
}

TEST(ApplicationTest, ExceptionsAreShownWithTheirMessage)
{
    MessageBoxRecorder boxes;
    try {
        throw std::runtime_error("Cannot open file \"x\".");
    } catch (...) {
        ShowCurrentException();
    }
    try {
        throw 42;
    } catch (...) {
        ShowCurrentException();
    }
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].text, "Cannot open file \"x\".");
    EXPECT_EQ(boxes.calls[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes.calls[1].text, "");
}

TEST(KeyStateTest, HighBitWhileTheKeyIsDown)
{
    std::set<int> down{VK_SHIFT};
    KeyStateProvider previous = SetKeyStateProvider([&](int vk) { return down.count(vk) > 0; });
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
    down = {VK_CONTROL};
    EXPECT_TRUE(GetKeyState(VK_CONTROL) & 0x8000);
    EXPECT_EQ(GetKeyState('A'), 0);
    SetKeyStateProvider(previous);
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);   // nothing is held on the offscreen keyboard
}

TEST(ShellTest, HandlerReceivesTheAddress)
{
    QString opened;
    ShellOpenHandler previous = SetShellOpenHandler([&](QWidget *, const QString &url) {
        opened = url;
        return true;
    });
    EXPECT_TRUE(ShellExecuteOpen(nullptr, "https://example.org/"));
    EXPECT_EQ(opened, "https://example.org/");
    SetShellOpenHandler(previous);
}

TEST(BeepTest, EveryBeepIsCounted)
{
    ResetBeepCount();
    MessageBeep(0);
    MessageBeep(0);
    EXPECT_EQ(BeepCount(), 2);
    ResetBeepCount();
    EXPECT_EQ(BeepCount(), 0);
}

TEST(RandomTest, SeededSequencesRepeatAndStayInRange)
{
    RandSeed(1234);
    std::vector<int> first;
    for (int i = 0; i < 500; ++i)
        first.push_back(Random(203));
    Randomize();   // a fixed seed: the same sequence again
    std::vector<int> second;
    for (int i = 0; i < 500; ++i)
        second.push_back(Random(203));
    EXPECT_EQ(first, second);
    EXPECT_EQ(*std::min_element(first.begin(), first.end()), 0);
    EXPECT_EQ(*std::max_element(first.begin(), first.end()), 202);
    EXPECT_EQ(Random(0), 0);
    ClearRandSeed();
}

TEST(KeysTest, QtKeysAndVirtualKeysMapBothWays)
{
    struct Case {
        int qt;
        int vk;
    };
    const Case cases[] = {{Qt::Key_Down, VK_DOWN}, {Qt::Key_Tab, VK_TAB}, {Qt::Key_F3, VK_F3},
                          {Qt::Key_Return, VK_RETURN}, {Qt::Key_S, 'S'}, {Qt::Key_5, '5'},
                          {Qt::Key_PageDown, VK_NEXT}};
    for (const Case &c : cases) {
        EXPECT_EQ(VirtualKeyFromQtKey(c.qt), c.vk);
        EXPECT_EQ(QtKeyFromVirtualKey(c.vk), c.qt);
    }
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Enter), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Backtab), VK_TAB);
    EXPECT_EQ(ShiftStateFromModifiers(Qt::ControlModifier | Qt::KeypadModifier), TShiftState(ssCtrl));
    EXPECT_EQ(ModifiersFromShiftState(ssShift | ssAlt), Qt::ShiftModifier | Qt::AltModifier);
}

TEST(ColorTest, WindowsByteOrder)
{
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0xFF123456u), QColor(0x56, 0x34, 0x12));   // the top byte is dropped
    EXPECT_EQ(FromQColor(QColor(0, 0, 255)), 0xFF0000u);
}

}   // namespace

TEST(SharedTextTest, TailsShareTheTextUntilEitherChanges)
{
    QString whole = QString::fromUtf8("line\r\ntail");   // characters of its own
    const QString tail = SharedTail(whole, 6);
    EXPECT_EQ(tail, QStringLiteral("tail"));
    EXPECT_EQ(tail.constData(), whole.constData() + 6);
    EXPECT_EQ(tail.utf16()[tail.size()], u'\0') << "terminated";
    EXPECT_EQ(SharedTail(whole, 0).constData(), whole.constData());
    EXPECT_TRUE(SharedTail(whole, whole.size()).isEmpty());

    QString changed = tail;
    changed[0] = u'T';
    EXPECT_EQ(changed, QStringLiteral("Tail"));
    EXPECT_EQ(whole, QStringLiteral("line\r\ntail")) << "a change copies first";
    whole.append(u'!');
    EXPECT_EQ(tail, QStringLiteral("tail"));
    whole = QString();
    EXPECT_EQ(tail, QStringLiteral("tail")) << "the storage lives on with its tail";

    static const QChar raw[] = {u'a', u'b', u'c'};
    EXPECT_EQ(SharedTail(QString::fromRawData(raw, 3), 1), QStringLiteral("bc"));
}
