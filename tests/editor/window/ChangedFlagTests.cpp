// The changed flag on the built-in table: every change that a save would write marks the
// document, so that closing the window asks first; a change that a save would not write
// (an unchecked line or record added or removed, an id refused) asks nothing.
#include "WindowFixture.h"

#include "FileDialog.h"
#include "platform/Memo.h"
#include "platform/SpinEdit.h"

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace {

const QString kQuestion = QStringLiteral("File was changed. Do you want to save it?");

class ChangedFlagTest : public WindowTest {
protected:
    PVirtualNode FirstGroup()
    {
        for (PVirtualNode n : TopLevel(tree))
            if (Rec(n)->kind != KindSingle && n->FirstChild)
                return n;
        return nullptr;
    }

    // Gives the control the input focus as a click would, then types.
    void TypeInto(QWidget *control, const QString &text)
    {
        control->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        ASSERT_TRUE(control->hasFocus());
        QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(control, text);
    }

    // Focuses the node with the check state given (written straight into it: no flag).
    PVirtualNode Focus(PVirtualNode node, TCheckState state)
    {
        tree->SetFocusedNode(node);
        node->CheckState = state;
        return node;
    }

    void Unlock()
    {
        QTest::mouseClick(frm->Ulnlck, Qt::LeftButton);
        ASSERT_TRUE(frm->Ulnlck->isChecked());
    }

    // F2 on the node's "New string" cell, then the text typed over the cell's text.
    void TypeInPlace(PVirtualNode node, const QString &text)
    {
        tree->setFocus();
        tree->SetFocus(node, 2);
        tree->SendKey(VK_F2);
        ASSERT_TRUE(tree->IsEditing());
        QTest::keyClick(tree->EditorWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(tree->EditorWidget(), text);
        ASSERT_TRUE(tree->IsEditing());
    }

    void EditInPlace(PVirtualNode node, const QString &text)
    {
        TypeInPlace(node, text);
        QTest::keyClick(tree->EditorWidget(), Qt::Key_Return);
        ASSERT_FALSE(tree->IsEditing());
    }

    TVirtualStringTree *tree = nullptr;
};

} // namespace

TEST_F(ChangedFlagTest, EveryChangeThatASaveWritesMakesClosingAsk)
{
    struct Case {
        const char *what;
        std::function<void()> act;
        std::vector<int> answers;   // to the boxes the action brings
        bool asks;
        // An edit that its field still holds: the document is marked when the field is
        // left, or when closing settles the field before it asks.
        bool held = false;
    };
    const Case cases[] = {
        {"nothing done", [] {}, {}, false},
        {"name typed", [&] { TypeInto(frm->Nameed, QStringLiteral("Mine")); }, {}, true},
        {"name typed and put back",
         [&] {
             TypeInto(frm->Nameed, QStringLiteral("Lang12"));
             QTest::keyClick(frm->Nameed, Qt::Key_Backspace);
             ASSERT_EQ(frm->Nameed->text(), QStringLiteral("Lang1"));
         },
         {}, true},
        {"id typed, the field left",
         [&] {
             TypeInto(frm->IDed, QStringLiteral("42"));
             QTest::keyClick(frm->IDed, Qt::Key_Tab);
             ASSERT_FALSE(frm->IDed->hasFocus());
         },
         {}, true},
        {"id typed, the input focus still in the field",
         [&] { TypeInto(frm->IDed, QStringLiteral("42")); }, {}, true, true},
        {"a built-in language's id, yes to the warning",
         [&] {
             TypeInto(frm->IDed, QStringLiteral("5"));
             QTest::keyClick(frm->IDed, Qt::Key_Tab);
             ASSERT_EQ(frm->IDed->Value(), 5);
         },
         {IDYES}, true},
        {"a built-in language's id, no to the warning: the old id is back",
         [&] {
             TypeInto(frm->IDed, QStringLiteral("5"));
             QTest::keyClick(frm->IDed, Qt::Key_Tab);
             ASSERT_EQ(frm->IDed->Value(), -1);
         },
         {IDNO}, false},
        {"a built-in language's id typed, not yet answered: closing warns, and Cancel takes it back",
         [&] { TypeInto(frm->IDed, QStringLiteral("5")); }, {}, false},
        {"id stepped up and down again",
         [&] {
             frm->IDed->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(frm->IDed, Qt::Key_Up);
             QTest::keyClick(frm->IDed, Qt::Key_Down);
             QTest::keyClick(frm->IDed, Qt::Key_Tab);
             ASSERT_EQ(frm->IDed->Value(), -1);
         },
         {}, false},
        {"random id", [&] { QTest::mouseClick(frm->RandGen, Qt::LeftButton); }, {}, true},
        {"another base language",
         [&] {
             frm->BaseLangCb->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(frm->BaseLangCb, Qt::Key_Down);
             ASSERT_EQ(frm->BaseLangCb->currentIndex(), kEnglish + 1);
         },
         {}, true},
        {"\"-\" on a checked line",
         [&] {
             Focus(FirstGroup()->FirstChild, csCheckedNormal);
             QTest::mouseClick(frm->DelBtn, Qt::LeftButton);
         },
         {}, true},
        {"\"-\" on an unchecked line",
         [&] {
             PVirtualNode group = FirstGroup();
             const int lines = int(Children(group).size());
             Focus(group->FirstChild, csUncheckedNormal);
             QTest::mouseClick(frm->DelBtn, Qt::LeftButton);
             ASSERT_EQ(int(Children(group).size()), lines - 1);
         },
         {}, false},
        {"\"-X\" on a checked record",
         [&] {
             Unlock();
             Focus(tree->GetFirst(), csCheckedNormal);
             QTest::mouseClick(frm->DelGr, Qt::LeftButton);
         },
         {}, true},
        {"\"-X\" on an unchecked record",
         [&] {
             Unlock();
             Focus(tree->GetFirst(), csUncheckedNormal);
             QTest::mouseClick(frm->DelGr, Qt::LeftButton);
             ASSERT_EQ(int(TopLevel(tree).size()), 1723);
         },
         {}, false},
        {"\"+\" adds an unchecked line",
         [&] {
             PVirtualNode group = Focus(FirstGroup(), csCheckedNormal);
             const int lines = int(Children(group).size());
             QTest::mouseClick(frm->AddBtn, Qt::LeftButton);
             ASSERT_EQ(int(Children(group).size()), lines + 1);
         },
         {}, false},
        {"\"+S\" adds an unchecked record",
         [&] {
             Unlock();
             frm->StIDed->SetValue(0x7F000100);
             QTest::mouseClick(frm->AddStrBtn, Qt::LeftButton);
             ASSERT_EQ(int(TopLevel(tree).size()), 1725);
         },
         {}, false},
        {"in-place edit", [&] { EditInPlace(tree->GetFirst(), QStringLiteral("Hola")); }, {}, true},
        {"in-place edit to the same text",
         [&] { EditInPlace(tree->GetFirst(), QString()); }, {}, false},
        {"in-place edit, Enter not yet pressed",
         [&] { TypeInPlace(tree->GetFirst(), QStringLiteral("Hola")); }, {}, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        ShowAndActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
        tree = frm->Tree;
        boxes.calls.clear();
        boxes.answers.assign(c.answers.begin(), c.answers.end());
        c.act();
        QApplication::processEvents();
        EXPECT_EQ(frm->ChangedCb->isChecked(), c.asks && !c.held);

        boxes.calls.clear();
        boxes.answers = {IDCANCEL};
        EXPECT_EQ(frm->close(), !c.asks);
        const bool asked = !boxes.calls.empty() && boxes.calls[0].text == kQuestion;
        EXPECT_EQ(asked, c.asks);
    }
}

// An edit still open is work as well, before its field has been left: a translation typed
// into New, or into the tree's in-place editor with Enter not yet pressed. The commands that
// would drop it (closing, and New and Open by their keys, which leave the input focus where
// it is) end it first, as leaving the field or Enter would: the text is stored, the
// document marked, and then they ask.
TEST_F(ChangedFlagTest, AnEditStillOpenIsStoredBeforeACommandAsksAboutUnsavedChanges)
{
    struct Field {
        const char *what;
        std::function<void(PVirtualNode)> type;
    };
    struct Case {
        const char *what;
        std::function<void(QWidget *)> command;   // given to the control with the input focus
        int answer;
    };
    // Where the question does not come, Open goes on to its dialog: cancelled at once.
    TFileDialog::SetResponder([](const TFileDialog &) { return std::optional<QString>(); });
    const std::shared_ptr<void> noResponder(nullptr, [](void *) { TFileDialog::SetResponder({}); });
    const Field fields[] = {
        {"the lower field", [&](PVirtualNode) { TypeInto(frm->New, QStringLiteral("Hola")); }},
        {"the in-place editor", [&](PVirtualNode node) { TypeInPlace(node, QStringLiteral("Hola")); }},
    };
    // A shortcut of a button clicks it a moment later.
    const auto delayedClick = [&](QWidget *target, Qt::Key key) {
        QTest::keyClick(target, key, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !boxes.calls.empty(); }, 3000));
    };
    const Case cases[] = {
        {"closing", [&](QWidget *) { EXPECT_FALSE(frm->close()); }, IDCANCEL},
        {"Ctrl+N", [&](QWidget *target) { QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier); }, IDNO},
        {"Alt+N", [&](QWidget *target) { delayedClick(target, Qt::Key_N); }, IDNO},
        {"Ctrl+O", [&](QWidget *target) { QTest::keyClick(target, Qt::Key_O, Qt::ControlModifier); }, IDCANCEL},
        {"Alt+O", [&](QWidget *target) { delayedClick(target, Qt::Key_O); }, IDCANCEL},
    };
    for (const Field &f : fields) {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << c.what << " in " << f.what);
            Open();
            ShowAndActivate();
            ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
            tree = frm->Tree;
            PVirtualNode first = tree->GetFirst();
            ASSERT_EQ(tree->FocusedNode(), first);
            f.type(first);
            ASSERT_FALSE(frm->ChangedCb->isChecked());

            boxes.calls.clear();
            boxes.answers = {c.answer};
            c.command(QApplication::focusWidget());
            EXPECT_TRUE(!boxes.calls.empty() && boxes.calls[0].text == kQuestion);
            EXPECT_FALSE(tree->IsEditing());
            if (c.answer == IDCANCEL) {   // the document stays, with the text in its node
                EXPECT_EQ(Rec(first)->newText, QStringLiteral("Hola"));
                EXPECT_EQ(first->CheckState, csCheckedNormal);
                EXPECT_TRUE(frm->ChangedCb->isChecked());
                EXPECT_EQ(MemoText(frm->New), QStringLiteral("Hola"));
            } else {                      // a new document, without unsaved changes
                EXPECT_EQ(Rec(tree->GetFirst())->newText, QString());
                EXPECT_FALSE(frm->ChangedCb->isChecked());
            }
        }
    }
}

// A built-in language's id typed or stepped into the id field, with the input focus still
// there: every command that asks about unsaved changes, and Save, settle the field first as
// leaving it does. The warning comes first; Yes keeps the id and marks the document, so the
// question follows (answered Yes: the save dialog, cancelled, and the document stays); No
// puts the old id back, and the document has no change to ask about (Save then refuses
// the id).
TEST_F(ChangedFlagTest, ABuiltInIdStillBeingEditedIsSettledBeforeACommandAsksOrSaves)
{
    struct Entry {
        const char *what;
        std::function<void()> enter;
        double id;   // what the field then shows
    };
    struct Command {
        const char *what;
        std::function<void()> give;
        bool asks;   // about unsaved changes; otherwise it is Save
    };
    int saveDialogs = 0;
    TFileDialog::SetResponder([&](const TFileDialog &dialog) {
        saveDialogs += dialog.kind() == TFileDialog::Kind::Save;
        return std::optional<QString>();
    });
    const std::shared_ptr<void> noResponder(nullptr, [](void *) { TFileDialog::SetResponder({}); });
    const Entry entries[] = {
        {"typed", [&] { TypeInto(frm->IDed, QStringLiteral("5")); }, 5},
        {"stepped",
         [&] {
             frm->IDed->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(frm->IDed, Qt::Key_Up);
         },
         0},
    };
    const auto key = [&](Qt::Key k, Qt::KeyboardModifier modifier) {
        return [&, k, modifier] {
            QTest::keyClick(frm->IDed, k, modifier);
            if (modifier == Qt::AltModifier)   // a shortcut of a button clicks it a moment later
                EXPECT_TRUE(QTest::qWaitFor([&] { return !boxes.calls.empty(); }, 3000));
        };
    };
    const Command commands[] = {
        {"closing", [&] { frm->close(); }, true},
        {"Ctrl+N", key(Qt::Key_N, Qt::ControlModifier), true},
        {"Alt+N", key(Qt::Key_N, Qt::AltModifier), true},
        {"Ctrl+O", key(Qt::Key_O, Qt::ControlModifier), true},
        {"Alt+O", key(Qt::Key_O, Qt::AltModifier), true},
        {"Ctrl+S", key(Qt::Key_S, Qt::ControlModifier), false},
        {"Alt+S", key(Qt::Key_S, Qt::AltModifier), false},
    };
    for (const Entry &e : entries) {
        for (const Command &c : commands) {
            for (int answer : {IDYES, IDNO}) {
                SCOPED_TRACE(testing::Message() << c.what << ", id " << e.what << ", "
                                                << (answer == IDYES ? "Yes" : "No"));
                Open();
                ShowAndActivate();
                ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
                tree = frm->Tree;
                e.enter();
                ASSERT_EQ(frm->IDed->Value(), e.id);
                ASSERT_TRUE(boxes.calls.empty());
                boxes.answers = {answer, IDYES};   // the warning, then the question
                saveDialogs = 0;
                c.give();
                QApplication::processEvents();

                ASSERT_FALSE(boxes.calls.empty());
                EXPECT_EQ(boxes.calls[0].caption, QStringLiteral("Warning"));
                EXPECT_TRUE(boxes.calls[0].text.contains(QStringLiteral("already taken by a built-in language")));
                const bool asked = boxes.calls.size() > 1 && boxes.calls[1].text == kQuestion;
                if (answer == IDYES) {
                    EXPECT_EQ(frm->IDed->Value(), e.id);
                    EXPECT_TRUE(frm->ChangedCb->isChecked());
                    EXPECT_EQ(asked, c.asks);
                    EXPECT_EQ(saveDialogs, 1);
                    EXPECT_EQ(boxes.calls.size(), c.asks ? 2u : 1u);
                } else {
                    EXPECT_EQ(frm->IDed->Value(), -1);
                    EXPECT_FALSE(frm->ChangedCb->isChecked());
                    EXPECT_EQ(saveDialogs, 0);
                    if (c.asks) {
                        EXPECT_EQ(boxes.calls.size(), 1u) << "nothing to ask about";
                    } else {
                        ASSERT_EQ(boxes.calls.size(), 2u);
                        EXPECT_TRUE(boxes.calls[1].text.startsWith(QStringLiteral("Please ender valid ID")));
                    }
                }
                boxes.calls.clear();
            }
        }
    }
}

// An id changed and stepped back to the one the field held asks nothing: neither the
// warning (for a built-in language's id) nor the question, whether the field is left,
// the window closed or the document saved with the input focus still in the field.
TEST_F(ChangedFlagTest, AnIdSteppedBackToItsValueAsksNothing)
{
    TFileDialog::SetResponder([](const TFileDialog &) { return std::optional<QString>(); });
    const std::shared_ptr<void> noResponder(nullptr, [](void *) { TFileDialog::SetResponder({}); });
    for (double id : {42.0, 5.0}) {
        for (const char *how : {"left", "closed", "saved"}) {
            SCOPED_TRACE(testing::Message() << id << ", " << how);
            Open();
            ShowAndActivate();
            ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
            frm->IDed->SetValue(id);   // as a langpack opened with this id shows it
            frm->IDed->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(frm->IDed, Qt::Key_Up);
            QTest::keyClick(frm->IDed, Qt::Key_Down);
            ASSERT_EQ(frm->IDed->Value(), id);
            boxes.calls.clear();
            if (how == std::string_view("left"))
                QTest::keyClick(frm->IDed, Qt::Key_Tab);
            else if (how == std::string_view("saved"))
                QTest::keyClick(frm->IDed, Qt::Key_S, Qt::ControlModifier);
            EXPECT_FALSE(frm->ChangedCb->isChecked());
            EXPECT_TRUE(frm->close());
            EXPECT_TRUE(boxes.calls.empty()) << boxes.calls.front().text.toStdString();
            EXPECT_EQ(frm->IDed->Value(), id);
        }
    }
}

// New and a load set the id from code while the input focus may still be in the id field:
// leaving the field afterwards has nothing to settle, neither a warning for a loaded
// built-in language's id nor a change of the document.
TEST_F(ChangedFlagTest, AnIdSetByNewOrALoadLeavesTheFieldNothingToSettle)
{
    const QString path = QDir(folder.path()).filePath(QStringLiteral("five.ZVlang"));
    Open();
    frm->IDed->SetValue(5);
    frm->SaveLangpack(path);
    TFileDialog::SetResponder([&](const TFileDialog &) { return std::optional<QString>(path); });
    const std::shared_ptr<void> noResponder(nullptr, [](void *) { TFileDialog::SetResponder({}); });
    const struct {
        Qt::Key key;
        double id;
    } cases[] = {{Qt::Key_N, -1}, {Qt::Key_O, 5}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key == Qt::Key_N ? "Ctrl+N" : "Ctrl+O");
        Open();
        ShowAndActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
        TypeInto(frm->IDed, QStringLiteral("42"));
        boxes.calls.clear();
        boxes.answers = {IDNO};   // to the question about the id typed
        QTest::keyClick(frm->IDed, c.key, Qt::ControlModifier);
        ASSERT_EQ(boxes.calls.size(), 1u);
        EXPECT_EQ(boxes.calls[0].text, kQuestion);
        ASSERT_TRUE(frm->IDed->hasFocus());
        EXPECT_EQ(frm->IDed->Value(), c.id);
        EXPECT_FALSE(frm->ChangedCb->isChecked());

        boxes.calls.clear();
        QTest::keyClick(frm->IDed, Qt::Key_Tab);
        EXPECT_TRUE(boxes.calls.empty()) << boxes.calls.front().text.toStdString();
        EXPECT_EQ(frm->IDed->Value(), c.id);
        EXPECT_FALSE(frm->ChangedCb->isChecked());
    }
}
