// Alt+Numpad in the text fields of the program's windows: keys typed through the real
// fields of a main window and its search window, with NumLock on and off, inside the
// editor's own application object (which alone installs the keys' filter).
#include "WindowFixture.h"

#include "LangpackFormat.h"
#include "Searchx.h"
#include "platform/Memo.h"
#include "platform/SpinEdit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <vector>

namespace {

enum class NumLock { On, Off };

// The key a keypad digit sends: its digit key with NumLock on, the navigation key printed
// beneath it with NumLock off.
Qt::Key KeypadKey(int digit, NumLock numLock)
{
    static const Qt::Key kNavigation[10] = {Qt::Key_Insert, Qt::Key_End,   Qt::Key_Down,     Qt::Key_PageDown,
                                            Qt::Key_Left,   Qt::Key_Clear, Qt::Key_Right,    Qt::Key_Home,
                                            Qt::Key_Up,     Qt::Key_PageUp};
    return numLock == NumLock::On ? Qt::Key(Qt::Key_0 + digit) : kNavigation[digit];
}

// One keypad key pressed and released while Alt is held, as the keyboard sends it.
void KeypadDigit(QWidget *field, int digit, NumLock numLock)
{
    const QString text = numLock == NumLock::On ? QString::number(digit) : QString();
    const Qt::KeyboardModifiers modifiers = Qt::AltModifier | Qt::KeypadModifier;
    QTest::simulateEvent(field, true, KeypadKey(digit, numLock), modifiers, text, false);
    QTest::simulateEvent(field, false, KeypadKey(digit, numLock), modifiers, text, false);
}

// Alt pressed, the digits typed on the keypad, Alt released: all into `field`.
void AltCode(QWidget *field, const QString &digits, NumLock numLock = NumLock::On)
{
    QTest::keyPress(field, Qt::Key_Alt);
    for (QChar d : digits)
        KeypadDigit(field, d.digitValue(), numLock);
    QTest::simulateEvent(field, false, Qt::Key_Alt, Qt::AltModifier, QString(), false);
}

// The key events that reach a widget past the application's filters.
class KeyLog : public QObject {
public:
    explicit KeyLog(QWidget *widget) { widget->installEventFilter(this); }
    std::vector<std::pair<QEvent::Type, int>> keys;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            keys.emplace_back(event->type(), static_cast<QKeyEvent *>(event)->key());
        return false;
    }
};

class AltNumpadTest : public WindowAndSearchTest {
protected:
    // Focuses a single string and puts the input focus into New, emptied.
    void FocusNew()
    {
        frm->Tree->SetFocusedNode(FirstSingle());
        frm->New->setFocus();
        frm->New->clear();
    }
};

} // namespace

TEST_F(AltNumpadTest, CodesGiveTheirCharactersWithNumLockOnAndOff)
{
    struct Case {
        const char *digits;
        const char16_t *typed;
    };
    const Case cases[] = {
        // Code page 437, with its glyphs for the control codes.
        {"1", u"\u263A"}, {"2", u"\u263B"}, {"3", u"\u2665"}, {"13", u"\u266A"}, {"31", u"\u25BC"},
        {"65", u"A"}, {"127", u"\u2302"}, {"130", u"\u00E9"}, {"176", u"\u2591"}, {"255", u"\u00A0"},
        // Windows-1252 after a leading 0.
        {"0233", u"\u00E9"}, {"065", u"A"}, {"0000065", u"A"}, {"0128", u"\u20AC"}, {"0130", u"\u201A"},
        {"0159", u"\u0178"}, {"0160", u"\u00A0"}, {"0255", u"\u00FF"},
        // Modulo 256.
        {"257", u"\u263A"}, {"1000", u"\u03A6"}, {"0489", u"\u00E9"},
        // Nothing: code 0, the control codes and the unassigned codes of Windows-1252.
        {"0", u""}, {"00", u""}, {"256", u""}, {"01", u""}, {"09", u""}, {"013", u""}, {"0127", u""},
        {"0129", u""}, {"0141", u""}, {"0143", u""}, {"0144", u""}, {"0157", u""},
    };
    // Typed into the translation field, which takes a tab as well.
    FocusNew();
    QPlainTextEdit *field = frm->New;
    for (NumLock numLock : {NumLock::On, NumLock::Off})
        for (const Case &c : cases) {
            field->clear();
            AltCode(field, QString::fromLatin1(c.digits), numLock);
            EXPECT_EQ(EditPlainText(field), QString::fromUtf16(c.typed))
                << "Alt+" << c.digits << (numLock == NumLock::On ? " NumLock on" : " NumLock off");
        }
}

TEST_F(AltNumpadTest, EveryTextFieldOfTheWindowsTakesTheCharacterAsTyped)
{
    // The translation field: typed at the cursor, with NumLock on and off, and committed
    // as any typing is.
    FocusNew();
    PVirtualNode node = frm->Tree->FocusedNode();
    QTest::keyClicks(frm->New, QStringLiteral("ab"));
    QTest::keyClick(frm->New, Qt::Key_Left);
    AltCode(frm->New, QStringLiteral("1"));
    AltCode(frm->New, QStringLiteral("2"), NumLock::Off);
    EXPECT_EQ(frm->New->toPlainText(), QStringLiteral("a\u263A\u263Bb"));
    frm->Nameed->setFocus();
    EXPECT_EQ(Rec(node)->newText, QStringLiteral("a\u263A\u263Bb"));
    EXPECT_EQ(node->CheckState, csCheckedNormal);
    EXPECT_TRUE(frm->ChangedCb->isChecked());

    // The template field is read-only: nothing, and no digits either.
    frm->Old->setFocus();
    const QString templateText = frm->Old->toPlainText();
    AltCode(frm->Old, QStringLiteral("1"));
    AltCode(frm->Old, QStringLiteral("65"), NumLock::Off);
    EXPECT_EQ(frm->Old->toPlainText(), templateText);

    // The name field, up to its 31 characters.
    frm->Nameed->setFocus();
    frm->Nameed->setText(QString(30, QLatin1Char('n')));
    AltCode(frm->Nameed, QStringLiteral("2"));
    AltCode(frm->Nameed, QStringLiteral("1"));
    EXPECT_EQ(frm->Nameed->text(), QString(30, QLatin1Char('n')) + QChar(0x263B));

    // The id field, a spin field: its digits are typed as characters of their codes.
    frm->IDed->setFocus();
    QTest::keyClick(frm->IDed, Qt::Key_A, Qt::ControlModifier);
    AltCode(frm->IDed, QStringLiteral("052"));
    AltCode(frm->IDed, QStringLiteral("50"), NumLock::Off);
    EXPECT_EQ(frm->IDed->text(), QStringLiteral("42"));

    // The tree's in-place editor, made when the edit begins.
    TVirtualStringTree *tree = frm->Tree;
    tree->setFocus();
    tree->SetFocus(node, 2);
    tree->SendKey(VK_F2);
    ASSERT_TRUE(tree->IsEditing());
    QWidget *editor = tree->EditorWidget();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    AltCode(editor, QStringLiteral("2"), NumLock::Off);
    AltCode(editor, QStringLiteral("0233"));
    tree->EndEditNode();
    EXPECT_EQ(Rec(node)->newText, QStringLiteral("\u263B\u00E9"));

    // The search field of the search window.
    search->show();
    search->activateWindow();
    search->FindEd->setFocus();
    QApplication::processEvents();
    AltCode(search->FindEd, QStringLiteral("1"));
    AltCode(search->FindEd, QStringLiteral("130"), NumLock::Off);
    EXPECT_EQ(search->FindEd->text(), QStringLiteral("\u263A\u00E9"));

    // A field made long after start-up, in no window of the program.
    QLineEdit later;
    later.show();
    later.activateWindow();
    later.setFocus();
    AltCode(&later, QStringLiteral("3"));
    EXPECT_EQ(later.text(), QStringLiteral("\u2665"));
}

TEST_F(AltNumpadTest, AltWithoutKeypadDigitsIsLeftAsItWas)
{
    QLineEdit *field = frm->Nameed;
    field->setFocus();
    field->setText(QStringLiteral("ab"));
    KeyLog log(field);

    // Alt alone reaches the field, press and release, and changes nothing.
    QTest::keyPress(field, Qt::Key_Alt);
    QTest::simulateEvent(field, false, Qt::Key_Alt, Qt::AltModifier, QString(), false);
    EXPECT_EQ(field->text(), QStringLiteral("ab"));
    const std::vector<std::pair<QEvent::Type, int>> altAlone = {{QEvent::KeyPress, Qt::Key_Alt},
                                                                  {QEvent::KeyRelease, Qt::Key_Alt}};
    EXPECT_EQ(log.keys, altAlone);

    // After a code only its digits are taken: Alt's own press and release go on, and the
    // character comes as a key of its own.
    log.keys.clear();
    AltCode(field, QStringLiteral("1"));
    EXPECT_EQ(field->text(), QStringLiteral("ab\u263A"));
    const std::vector<std::pair<QEvent::Type, int>> code = {{QEvent::KeyPress, Qt::Key_Alt},
                                                              {QEvent::KeyPress, Qt::Key_unknown},
                                                              {QEvent::KeyRelease, Qt::Key_unknown},
                                                              {QEvent::KeyRelease, Qt::Key_Alt}};
    EXPECT_EQ(log.keys, code);

    // Alt with the underlined letter still clicks the button, also after keypad digits,
    // which the letter drops.
    QSignalSpy newClicked(frm->NewBtn, &QPushButton::clicked);
    field->setText(QStringLiteral("Mine"));
    QTest::keyClick(field, Qt::Key_N, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return newClicked.count() == 1; }, 3000));
    EXPECT_EQ(field->text(), QStringLiteral("Lang1"));
    field->setFocus();
    QTest::keyPress(field, Qt::Key_Alt);
    KeypadDigit(field, 1, NumLock::On);
    QTest::simulateEvent(field, true, Qt::Key_N, Qt::AltModifier, QStringLiteral("n"), false);
    QTest::simulateEvent(field, false, Qt::Key_N, Qt::AltModifier, QStringLiteral("n"), false);
    QTest::simulateEvent(field, false, Qt::Key_Alt, Qt::AltModifier, QString(), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return newClicked.count() == 2; }, 3000));
    EXPECT_EQ(field->text(), QStringLiteral("Lang1"));

    // Any other key drops the digits typed before it; a held keypad key counts once.
    field->setFocus();
    QTest::keyPress(field, Qt::Key_Alt);
    KeypadDigit(field, 6, NumLock::On);
    QTest::simulateEvent(field, true, Qt::Key_Shift, Qt::AltModifier, QString(), false);
    QTest::simulateEvent(field, false, Qt::Key_Shift, Qt::AltModifier | Qt::ShiftModifier, QString(), false);
    const Qt::KeyboardModifiers keypad = Qt::AltModifier | Qt::KeypadModifier;
    for (bool repeat : {false, true, true})
        QTest::simulateEvent(field, true, KeypadKey(1, NumLock::Off), keypad, QString(), repeat);
    QTest::simulateEvent(field, false, KeypadKey(1, NumLock::Off), keypad, QString(), false);
    QTest::simulateEvent(field, false, Qt::Key_Alt, Qt::AltModifier, QString(), false);
    EXPECT_EQ(field->text(), QStringLiteral("Lang1\u263A"));

    // NumLock switched in the middle of a code drops nothing.
    QTest::keyPress(field, Qt::Key_Alt);
    KeypadDigit(field, 1, NumLock::On);
    QTest::keyClick(field, Qt::Key_NumLock);
    KeypadDigit(field, 3, NumLock::Off);
    KeypadDigit(field, 0, NumLock::Off);
    QTest::simulateEvent(field, false, Qt::Key_Alt, Qt::AltModifier, QString(), false);
    EXPECT_EQ(field->text(), QStringLiteral("Lang1\u263A\u00E9"));

    // The digit row is not the keypad: Alt with its 1 types what it typed before.
    QTest::keyClick(field, Qt::Key_1, Qt::AltModifier);
    EXPECT_EQ(field->text(), QStringLiteral("Lang1\u263A\u00E91"));

    // Keypad keys without Alt type and move as before.
    field->setText(QStringLiteral("ab"));
    field->setCursorPosition(0);
    QTest::keyClick(field, Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(field->text(), QStringLiteral("1ab"));
    QTest::keyClick(field, Qt::Key_End, Qt::KeypadModifier);
    EXPECT_EQ(field->cursorPosition(), 3);
}

TEST_F(AltNumpadTest, KeypadDigitsWithAltInATextFieldAreNoShortcut)
{
    QShortcut shortcut(QKeySequence(Qt::ALT | Qt::Key_1), frm.get());
    QSignalSpy fired(&shortcut, &QShortcut::activated);
    frm->Nameed->setFocus();
    frm->Nameed->clear();
    AltCode(frm->Nameed, QStringLiteral("1"));
    EXPECT_EQ(frm->Nameed->text(), QStringLiteral("\u263A"));
    EXPECT_EQ(fired.count(), 0);
    // Outside the text fields the keys are what they were.
    frm->Tree->setFocus();
    AltCode(frm->Tree, QStringLiteral("1"));
    EXPECT_EQ(fired.count(), 1);
}

// The key of a shortcut pressed while Alt is held ends a code like any other key, whatever
// takes it before the field could see it (the shortcut map, the window's key preview): the
// shortcut acts, and no character follows when Alt is released.
TEST_F(AltNumpadTest, AShortcutEndsACode)
{
    QShortcut shortcut(QKeySequence(Qt::ALT | Qt::Key_X), frm.get());
    QSignalSpy shortcutFired(&shortcut, &QShortcut::activated);
    QSignalSpy saveClicked(frm->SaveBtn, &QPushButton::clicked);
    QSignalSpy aboutClicked(frm->AboutBtn, &QPushButton::clicked);
    struct Case {
        const char *what;
        Qt::Key key;
        std::function<bool()> acted;
    };
    const Case cases[] = {
        {"a shortcut of the window", Qt::Key_X, [&] { return shortcutFired.count() == 1; }},
        {"Save's letter", Qt::Key_S, [&] { return saveClicked.count() == 1 && boxes.calls.size() == 1; }},
        {"About's letter", Qt::Key_A, [&] { return aboutClicked.count() == 1; }},
        {"F3, which the window previews", Qt::Key_F3, [&] { return search->isVisible(); }},
    };
    QLineEdit *field = frm->Nameed;
    for (const Case &c : cases) {
        frm->activateWindow();
        field->setFocus();
        field->setText(QStringLiteral("ab"));
        QTest::keyPress(field, Qt::Key_Alt);
        KeypadDigit(field, 1, NumLock::On);
        QTest::simulateEvent(field, true, c.key, Qt::AltModifier, QString(), false);
        QTest::simulateEvent(field, false, c.key, Qt::AltModifier, QString(), false);
        QTest::simulateEvent(field, false, Qt::Key_Alt, Qt::AltModifier, QString(), false);
        EXPECT_TRUE(QTest::qWaitFor(c.acted, 3000)) << c.what;
        EXPECT_EQ(field->text(), QStringLiteral("ab")) << c.what;
    }
}
