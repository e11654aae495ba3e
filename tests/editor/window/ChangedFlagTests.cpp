// The changed flag on the built-in table: every change that a save would write marks the
// document, so that closing the window asks first; a change that a save would not write
// (an unchecked line or record added or removed, an id refused) asks nothing.
#include "WindowFixture.h"

#include "FileDialog.h"
#include "platform/SpinEdit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

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

    void EditInPlace(PVirtualNode node, const QString &text)
    {
        tree->setFocus();
        tree->SetFocus(node, 2);
        tree->SendKey(VK_F2);
        ASSERT_TRUE(tree->IsEditing());
        QTest::keyClick(tree->EditorWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(tree->EditorWidget(), text);
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
         [&] { TypeInto(frm->IDed, QStringLiteral("42")); }, {}, true},
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
        {"a built-in language's id typed, not yet answered",
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
        EXPECT_EQ(frm->ChangedCb->isChecked(), c.asks);

        boxes.calls.clear();
        boxes.answers = {IDCANCEL};
        EXPECT_EQ(frm->close(), !c.asks);
        const bool asked = !boxes.calls.empty() && boxes.calls[0].text == kQuestion;
        EXPECT_EQ(asked, c.asks);
    }
}

// A translation typed into New is work as well, before the input focus has left the field:
// the commands that would drop it (closing, and New and Open by their keys, which leave the
// input focus where it is) store it first and ask.
TEST_F(ChangedFlagTest, ATranslationStillBeingTypedIsAskedAboutBeforeItIsDropped)
{
    struct Case {
        const char *what;
        std::function<void()> command;
        int answer;
    };
    // Where the question does not come, Open goes on to its dialog: cancelled at once.
    TFileDialog::SetResponder([](const TFileDialog &) { return std::optional<QString>(); });
    const std::shared_ptr<void> noResponder(nullptr, [](void *) { TFileDialog::SetResponder({}); });
    const Case cases[] = {
        {"closing", [&] { EXPECT_FALSE(frm->close()); }, IDCANCEL},
        {"Ctrl+N", [&] { QTest::keyClick(frm->New, Qt::Key_N, Qt::ControlModifier); }, IDNO},
        {"Ctrl+O", [&] { QTest::keyClick(frm->New, Qt::Key_O, Qt::ControlModifier); }, IDCANCEL},
        {"Alt+O",
         [&] {
             QTest::keyClick(frm->New, Qt::Key_O, Qt::AltModifier);   // a delayed click
             QTest::qWaitFor([&] { return !boxes.calls.empty(); }, 3000);
         },
         IDCANCEL},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        ShowAndActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
        tree = frm->Tree;
        PVirtualNode first = tree->GetFirst();
        ASSERT_EQ(tree->FocusedNode(), first);
        TypeInto(frm->New, QStringLiteral("Hola"));
        ASSERT_FALSE(frm->ChangedCb->isChecked());

        boxes.calls.clear();
        boxes.answers = {c.answer};
        c.command();
        EXPECT_TRUE(!boxes.calls.empty() && boxes.calls[0].text == kQuestion);
        if (c.answer == IDCANCEL) {   // the document stays, with the text in its node
            EXPECT_EQ(Rec(first)->newText, QStringLiteral("Hola"));
            EXPECT_EQ(first->CheckState, csCheckedNormal);
            EXPECT_TRUE(frm->ChangedCb->isChecked());
        }
    }
}
