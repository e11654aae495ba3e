// Pastes and drops with no text to paste, in the real text fields of a main window, its
// tree's in-place editor and its search window, and in fields made later in no window,
// inside the editor's own application object (which alone holds the rule). Qt's offscreen
// clipboard holds nothing until data is put on it; data with no format put there is what an
// empty X11 clipboard gives, and what made a paste end the program. The X11 clipboard
// itself is tried on a virtual X screen (the CTest editor_paste_on_x11).
#include "WindowFixture.h"

#include "Searchx.h"
#include "platform/Memo.h"
#include "platform/SpinEdit.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

// What the clipboard holds when nothing is there to paste.
struct EmptyClipboard {
    const char *what;
    std::function<QMimeData *()> data;   // null: nothing on the clipboard at all
};

const std::vector<EmptyClipboard> &EmptyClipboards()
{
    static const std::vector<EmptyClipboard> cases = {
        {"no data", nullptr},
        {"data with no format (the empty X11 clipboard)", [] { return new QMimeData; }},
        {"an image only",
         [] {
             auto *data = new QMimeData;
             data->setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
             return data;
         }},
        {"an empty text", [] {
             auto *data = new QMimeData;
             data->setText(QString());
             return data;
         }},
    };
    return cases;
}

QMimeData *TextData(const QString &text)
{
    auto *data = new QMimeData;
    data->setText(text);
    return data;
}

void PutOnClipboard(const EmptyClipboard &clipboard)
{
    if (clipboard.data)
        QGuiApplication::clipboard()->setMimeData(clipboard.data());
    else
        QGuiApplication::clipboard()->clear();
}

// A text field as the test sees it: its text and its selection.
struct FieldState {
    QString text;
    int selectionStart = 0;
    int selectionEnd = 0;
    bool operator==(const FieldState &) const = default;
};

std::string Describe(const FieldState &state)
{
    return "\"" + state.text.toStdString() + "\" selected " + std::to_string(state.selectionStart) + ".." +
           std::to_string(state.selectionEnd);
}

void PrintTo(const FieldState &state, std::ostream *out)
{
    *out << Describe(state);
}

FieldState StateOf(QWidget *field)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(field)) {
        const QTextCursor cursor = plain->textCursor();
        return {EditPlainText(plain), cursor.selectionStart(), cursor.selectionEnd()};
    }
    if (auto *rich = qobject_cast<QTextEdit *>(field)) {
        const QTextCursor cursor = rich->textCursor();
        return {rich->toPlainText(), cursor.selectionStart(), cursor.selectionEnd()};
    }
    QLineEdit *line = qobject_cast<QLineEdit *>(field);
    if (!line)
        line = field->findChild<QLineEdit *>();   // a spin field's
    const int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
    return {line->text(), start, line->hasSelectedText() ? line->selectionEnd() : start};
}

// Where a field takes its mouse and drop events: a multi-line edit's viewport, a spin
// field's line edit.
QWidget *MouseTarget(QWidget *field)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(field))
        return plain->viewport();
    if (auto *rich = qobject_cast<QTextEdit *>(field))
        return rich->viewport();
    if (qobject_cast<QAbstractSpinBox *>(field))
        return field->findChild<QLineEdit *>();
    return field;
}

// A drag of `data` entering the field and dropped at once: true when the field took it.
bool Drop(QWidget *field, QMimeData *data)
{
    QWidget *target = MouseTarget(field);
    const QPoint at(4, 4);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!enter.isAccepted() || !move.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

class PasteTest : public WindowAndSearchTest {
protected:
    void TearDown() override
    {
        QGuiApplication::clipboard()->clear();
        WindowAndSearchTest::TearDown();
    }

    // The input focus in `field`, which holds "123" with "2" selected (digits, which the id
    // field takes too).
    void Prepare(QWidget *field)
    {
        field->window()->activateWindow();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, QStringLiteral("123"));
        QTest::keyClick(field, Qt::Key_Left);
        QTest::keyClick(field, Qt::Key_Left, Qt::ShiftModifier);
    }

    // Every editable text field of the windows, the in-place editor made for `node`, and
    // fields made later in no window.
    void ForEachField(const std::function<void(QWidget *field, const std::string &name)> &check)
    {
        PVirtualNode node = FirstSingle();
        frm->Tree->SetFocusedNode(node);
        check(frm->New, "the translation memo New");
        check(frm->Nameed, "the name field");
        check(frm->IDed, "the id field");

        TVirtualStringTree *tree = frm->Tree;
        tree->setFocus();
        tree->SetFocus(node, 2);
        tree->SendKey(VK_F2);
        ASSERT_TRUE(tree->IsEditing());
        check(tree->EditorWidget(), "the in-place editor");
        tree->CancelEditNode();

        search->show();
        check(search->FindEd, "the search field");
        search->hide();

        QPlainTextEdit plain;
        QTextEdit rich;
        QLineEdit line;
        for (QWidget *later : std::initializer_list<QWidget *>{&plain, &rich, &line}) {
            later->show();
            check(later, std::string("a ") + later->metaObject()->className() + " made later");
            later->hide();
        }
    }
};

} // namespace

TEST_F(PasteTest, APasteWithNoTextChangesNoField)
{
    const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> pasteKeys = {
        {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ShiftModifier}, {Qt::Key_Paste, Qt::NoModifier}};
    ForEachField([&](QWidget *field, const std::string &name) {
        SCOPED_TRACE(name);
        Prepare(field);
        const FieldState before = StateOf(field);
        ASSERT_EQ(before, (FieldState{QStringLiteral("123"), 1, 2}));
        for (const EmptyClipboard &clipboard : EmptyClipboards()) {
            PutOnClipboard(clipboard);
            for (const auto &[key, modifiers] : pasteKeys) {
                QTest::simulateEvent(field, true, key, modifiers, QString(), false);
                QTest::simulateEvent(field, false, key, modifiers, QString(), false);
                const FieldState after = StateOf(field);
                EXPECT_EQ(after, before) << clipboard.what << ", key "
                                         << QKeySequence(key | modifiers).toString().toStdString();
            }
        }
        // Text on the clipboard is pasted over the selection as before.
        QGuiApplication::clipboard()->setMimeData(TextData(QStringLiteral("7")));
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(StateOf(field), (FieldState{QStringLiteral("173"), 2, 2}));
    });
}

TEST_F(PasteTest, ADropWithNoTextIsRefused)
{
    ForEachField([&](QWidget *field, const std::string &name) {
        SCOPED_TRACE(name);
        Prepare(field);
        const FieldState before = StateOf(field);
        for (const EmptyClipboard &clipboard : EmptyClipboards()) {
            if (!clipboard.data)
                continue;
            std::unique_ptr<QMimeData> data(clipboard.data());
            EXPECT_FALSE(Drop(field, data.get())) << clipboard.what;
            EXPECT_EQ(StateOf(field), before) << clipboard.what;
        }
        // A drop of text is taken as before.
        std::unique_ptr<QMimeData> text(TextData(QStringLiteral("7")));
        if (field == frm->IDed)
            return;   // the id field takes no drops at all
        EXPECT_TRUE(Drop(field, text.get()));
        EXPECT_TRUE(StateOf(field).text.contains(QLatin1Char('7'))) << Describe(StateOf(field));
    });
}

// The clipboard empties while a multi-line field's context menu is open (the program that
// copied has ended): its Paste entry then pastes nothing.
TEST_F(PasteTest, TheContextMenusPasteAfterTheClipboardEmptied)
{
    QTextEdit later;
    later.show();
    for (QWidget *field : std::initializer_list<QWidget *>{frm->New, &later}) {
        SCOPED_TRACE(field->metaObject()->className());
        Prepare(field);
        const FieldState before = StateOf(field);
        QGuiApplication::clipboard()->setMimeData(TextData(QStringLiteral("7")));
        const QPoint at(4, 4);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, MouseTarget(field)->mapToGlobal(at));
        QApplication::sendEvent(MouseTarget(field), &event);
        QPointer<QMenu> menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        QAction *paste = menu->findChild<QAction *>(QStringLiteral("edit-paste"));
        ASSERT_TRUE(paste);
        EXPECT_TRUE(paste->isEnabled()) << "offered while the clipboard held text";
        QGuiApplication::clipboard()->setMimeData(new QMimeData);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(paste).center());
        if (menu && menu->isVisible())
            QTest::keyClick(menu, Qt::Key_Escape);
        EXPECT_EQ(StateOf(field), before);
    }
}

// On a real X server nobody owns the clipboard or the selection at first: Qt then offers data
// with no format for both. Pasting it with the keys or the middle button pastes nothing.
// Runs on the xcb platform only (CTest's editor_paste_on_x11, on a virtual X screen).
TEST_F(PasteTest, TheEmptyX11ClipboardAndSelectionPasteNothing)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server (the xcb platform)";
    QClipboard *clipboard = QGuiApplication::clipboard();
    ASSERT_TRUE(clipboard->supportsSelection());
    for (QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection}) {
        const QMimeData *data = clipboard->mimeData(mode);
        ASSERT_TRUE(data) << "mode " << int(mode);
        EXPECT_TRUE(data->formats().isEmpty()) << "mode " << int(mode) << ": someone owns it";
    }
    ForEachField([&](QWidget *field, const std::string &name) {
        SCOPED_TRACE(name);
        Prepare(field);
        // Selecting took the selection: it is given up again, so that nobody owns it.
        clipboard->clear(QClipboard::Selection);
        ASSERT_TRUE(clipboard->mimeData(QClipboard::Selection)->formats().isEmpty());
        const FieldState before = StateOf(field);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(StateOf(field), before) << "Ctrl+V";
        QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(StateOf(field), before) << "Shift+Insert";
        QTest::mouseClick(MouseTarget(field), Qt::MiddleButton, {}, QPoint(4, 4));
        EXPECT_EQ(StateOf(field).text, before.text) << "the middle button";
    });
}
