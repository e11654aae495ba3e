// The editing commands of the main window through real clicks and key presses: the commit
// of the translation field, what the focused node shows, the lines of a group, the records
// added and removed with the special functions, the id field and the in-place editor;
// and the memo layer's typed characters.
//
// The main window works on a small stock table beside the program:
//   01000100 "Hello"   01000200 "World"   02000500* "Green" "Red" "Blue"   03000100 "Last"
#include "Main.h"
#include "LangpackFormat.h"
#include "search/StockFolder.h"
#include "platform/KeyState.h"
#include "platform/Memo.h"
#include "platform/MessageBox.h"
#include "platform/SpinEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr uint32_t kHello = 0x01000100;
constexpr uint32_t kWorld = 0x01000200;
constexpr uint32_t kGroup = 0x02000500;
constexpr uint32_t kLast = 0x03000100;

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LangdefBuilder table;
        table.AddLanguage(7, QStringLiteral("English (7)"), true)
            .Single(kHello, "Hello")
            .Single(kWorld, "World")
            .Group(kGroup, {"Green", "Red", "Blue"})
            .Single(kLast, "Last");
        folder = std::make_unique<StockFolder>(table);
        Reopen();
    }

    void TearDown() override
    {
        frm.reset();
        folder.reset();
    }

    // A fresh window, shown and active, with every group expanded.
    void Reopen()
    {
        frm.reset();
        frm = std::make_unique<TZvLngFrm>();
        frm->Timer->stop();
        frm->show();
        frm->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
        tree = frm->Tree;
        tree->FullExpand();
        QApplication::processEvents();
    }

    RecData *Rec(PVirtualNode node) { return frm->NodeRecord(node); }

    std::vector<PVirtualNode> Nodes(PVirtualNode parent = nullptr)
    {
        std::vector<PVirtualNode> nodes;
        for (PVirtualNode n = (parent ? parent : tree->RootNode())->FirstChild; n; n = n->NextSibling)
            nodes.push_back(n);
        return nodes;
    }
    std::vector<uint32_t> TopIds()
    {
        std::vector<uint32_t> ids;
        for (PVirtualNode n : Nodes())
            ids.push_back(Rec(n)->id);
        return ids;
    }
    PVirtualNode Top(uint32_t id)
    {
        for (PVirtualNode n : Nodes())
            if (Rec(n)->id == id)
                return n;
        return nullptr;
    }
    PVirtualNode Line(int index) { return Nodes(Top(kGroup)).at(size_t(index)); }

    // A click on a node's template cell (or another column's).
    void Click(PVirtualNode node, int column = 1)
    {
        QApplication::processEvents();
        const QRect cell = tree->CellRect(node, column);
        ASSERT_FALSE(cell.isEmpty());
        QTest::mouseClick(tree->ClientWidget(), Qt::LeftButton, {}, cell.center());
    }
    void Click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    // A click into the translation field, which takes the input focus.
    void ClickNew()
    {
        QTest::mouseClick(frm->New->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_TRUE(frm->New->hasFocus());
        frm->New->moveCursor(QTextCursor::End);
    }

    // Writes translations and check states while no node is focused, so that no commit
    // stores the translation field over them.
    void Preset(PVirtualNode node, const QString &text, TCheckState state = csUncheckedNormal)
    {
        tree->SetFocusedNode(nullptr);
        Rec(node)->newText = text;
        node->CheckState = state;
    }

    // Types the id into StIDed as the user does (the text first selected).
    void TypeId(const QString &hex)
    {
        QTest::keyClick(frm->StIDed, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(frm->StIDed, hex);
    }

    void Unlock()
    {
        Click(frm->Ulnlck);
        ASSERT_TRUE(frm->Ulnlck->isChecked());
    }

    bool Refused() { return frm->StIDed->FontColor() == 255; }

    MessageBoxRecorder boxes{IDNO};
    std::unique_ptr<StockFolder> folder;
    std::unique_ptr<TZvLngFrm> frm;
    TVirtualStringTree *tree = nullptr;
};

// ---- the commit rule ----

TEST_F(EditingTest, CommitRuleWhenTheFocusMovesOn)
{
    using Edit = std::function<void(QPlainTextEdit *)>;
    const auto type = [](const char *text) {
        return [text](QPlainTextEdit *memo) { QTest::keyClicks(memo, QString::fromUtf8(text)); };
    };
    struct Case {
        const char *what;
        int line;               // -1: the single string "Hello", else a line of the group
        QString preset;         // newText before (the node unchecked)
        Edit edit;              // with the input focus in New
        QString stored;
        bool checked;           // the node (and, for a line, its group)
    };
    const Case cases[] = {
        {"moving on without typing", -1, QString(), {}, QString(), false},
        {"typing and moving on", -1, QString(), type("Bonjour"), QStringLiteral("Bonjour"), true},
        {"typing back the stored text", -1, QStringLiteral("abc"),
         [](QPlainTextEdit *memo) {
             QTest::keyClicks(memo, QStringLiteral("d"));
             QTest::keyClick(memo, Qt::Key_Backspace);
         },
         QStringLiteral("abc"), false},
        {"emptying a translation", -1, QStringLiteral("abc"),
         [](QPlainTextEdit *memo) {
             QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
             QTest::keyClick(memo, Qt::Key_Delete);
         },
         QString(), true},
        {"a commit checks an unchecked node again", -1, QStringLiteral("abc"), type("d"),
         QStringLiteral("abcd"), true},
        {"Enter breaks the line with CR LF", -1, QString(),
         [](QPlainTextEdit *memo) {
             QTest::keyClicks(memo, QStringLiteral("x"));
             QTest::keyClick(memo, Qt::Key_Return);
             QTest::keyClicks(memo, QStringLiteral("y"));
         },
         QStringLiteral("x\r\ny"), true},
        {"Ctrl+Enter breaks no line", -1, QString(),
         [](QPlainTextEdit *memo) {
             QTest::keyClicks(memo, QStringLiteral("ab"));
             QTest::keyClick(memo, Qt::Key_Return, Qt::ControlModifier);
             QTest::keyClick(memo, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
         },
         QStringLiteral("ab"), true},
        {"a stored text keeps its own line breaks", -1, QStringLiteral("one\ntwo\r\rthree\r\n"), {},
         QStringLiteral("one\ntwo\r\rthree\r\n"), false},
        {"a commit on a line checks its group", 1, QString(), type("Rot"), QStringLiteral("Rot"), true},
        {"a line left without typing checks nothing", 1, QStringLiteral("Rot"), {}, QStringLiteral("Rot"),
         false},
    };
    // Moving on by a click on another node (the translation field loses the input focus
    // first) and by a key that moves the tree's focus while the field keeps the input focus.
    enum Move { ClickOther, TreeKeyDown };
    for (Move move : {ClickOther, TreeKeyDown}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.what) + (move == ClickOther ? " (click)" : " (key)"));
            Reopen();
            PVirtualNode node = c.line < 0 ? Top(kHello) : Line(c.line);
            Preset(node, c.preset);
            Click(node);
            ASSERT_EQ(MemoText(frm->New), c.preset);
            ClickNew();
            if (c.edit)
                c.edit(frm->New);
            if (move == ClickOther)
                Click(Top(kLast));
            else
                tree->SendKey(VK_DOWN);

            EXPECT_EQ(Rec(node)->newText, c.stored);
            const TCheckState expected = c.checked ? csCheckedNormal : csUncheckedNormal;
            EXPECT_EQ(node->CheckState, expected);
            EXPECT_EQ(frm->ChangedCb->isChecked(), c.checked);
            if (c.line >= 0) {
                EXPECT_EQ(Top(kGroup)->CheckState, expected);
                for (int other : {0, 2})
                    EXPECT_EQ(Line(other)->CheckState, csUncheckedNormal) << "line " << other;
            } else {
                EXPECT_EQ(Top(kGroup)->CheckState, csUncheckedNormal);
            }
            EXPECT_NE(tree->FocusedNode(), node);
        }
    }
}

// Leaving the field to another control commits at once, into the node that stays focused.
TEST_F(EditingTest, LeavingTheTranslationFieldCommits)
{
    PVirtualNode hello = Top(kHello);
    Click(hello);
    ClickNew();
    QTest::keyClicks(frm->New, QStringLiteral("Salut"));
    Click(frm->Nameed);
    EXPECT_EQ(tree->FocusedNode(), hello);
    EXPECT_EQ(Rec(hello)->newText, QStringLiteral("Salut"));
    EXPECT_EQ(hello->CheckState, csCheckedNormal);
    EXPECT_TRUE(frm->ChangedCb->isChecked());
    EXPECT_EQ(MemoText(frm->New), QStringLiteral("Salut"));
}

TEST_F(EditingTest, GroupIsNeverCommitted)
{
    PVirtualNode group = Top(kGroup);
    Click(group);
    EXPECT_TRUE(frm->New->isReadOnly());
    QTest::mouseClick(frm->New->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClicks(frm->New, QStringLiteral("typed"));
    EXPECT_EQ(MemoText(frm->New), QString());
    Click(frm->CpyBtn);   // shows the template in the read-only field
    EXPECT_EQ(MemoText(frm->New), QStringLiteral("<<GROUP>> Green"));
    Click(Top(kLast));
    EXPECT_EQ(Rec(group)->newText, QString());
    EXPECT_EQ(group->CheckState, csUncheckedNormal);
    EXPECT_FALSE(frm->ChangedCb->isChecked());
}

TEST_F(EditingTest, CopyButtonStoresTheTemplateAtTheNextCommit)
{
    PVirtualNode hello = Top(kHello), world = Top(kWorld);
    Preset(world, QStringLiteral("World"));
    for (PVirtualNode node : {hello, world}) {
        Click(node);
        Click(frm->CpyBtn);
        EXPECT_EQ(MemoText(frm->New), Rec(node)->templateText);
        EXPECT_EQ(node->CheckState, csUncheckedNormal) << "nothing is stored yet";
        Click(Top(kLast));
    }
    EXPECT_EQ(Rec(hello)->newText, QStringLiteral("Hello"));
    EXPECT_EQ(hello->CheckState, csCheckedNormal);
    EXPECT_EQ(world->CheckState, csUncheckedNormal) << "the template equals the translation";
}

TEST_F(EditingTest, CheckBoxSetsTheChangedFlagAndDoubleClickGoesToTheTranslation)
{
    PVirtualNode world = Top(kWorld);
    QApplication::processEvents();
    QTest::mouseClick(tree->ClientWidget(), Qt::LeftButton, {}, tree->CheckBoxRect(world).center());
    EXPECT_EQ(world->CheckState, csCheckedNormal);
    EXPECT_TRUE(frm->ChangedCb->isChecked());

    tree->setFocus();
    QTest::mouseDClick(tree->ClientWidget(), Qt::LeftButton, {}, tree->CellRect(world, 1).center());
    EXPECT_TRUE(frm->New->hasFocus());
    EXPECT_EQ(tree->FocusedNode(), world);
}

// ---- what the focused node shows ----

TEST_F(EditingTest, FocusedNodeSetsTheFieldsAndButtons)
{
    struct Row {
        const char *what;
        std::function<PVirtualNode()> node;
        QString old;
        QString shown;
        bool readOnly;
        bool lineButtons;
        double id;          // StIDed; NaN: as before
    };
    Preset(Line(1), QStringLiteral("Rot"));
    Preset(Top(kHello), QStringLiteral("Salut"));
    const Row rows[] = {
        {"single string", [&] { return Top(kHello); }, QStringLiteral("Hello"), QStringLiteral("Salut"), false,
         false, double(kHello)},
        {"group", [&] { return Top(kGroup); }, QStringLiteral("<<GROUP>> Green"), QString(), true, true,
         double(kGroup)},
        {"line of a group", [&] { return Line(1); }, QStringLiteral("Red"), QStringLiteral("Rot"), false, true,
         double(kGroup)},
        {"no node", [] { return PVirtualNode(nullptr); }, QString(), QString(), true, false, double(kGroup)},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        if (PVirtualNode node = r.node()) {
            Click(node);
            EXPECT_TRUE(tree->Selected(node));
        } else {
            tree->SetFocusedNode(nullptr);
        }
        EXPECT_EQ(MemoText(frm->Old), r.old);
        EXPECT_EQ(MemoText(frm->New), r.shown);
        EXPECT_EQ(frm->New->isReadOnly(), r.readOnly);
        EXPECT_EQ(frm->AddBtn->isEnabled(), r.lineButtons);
        EXPECT_EQ(frm->DelBtn->isEnabled(), r.lineButtons);
        EXPECT_EQ(frm->StIDed->Value(), r.id);
    }
    EXPECT_FALSE(frm->ChangedCb->isChecked()) << "showing nodes stores nothing";
}

// ---- the lines of a group ----

TEST_F(EditingTest, PlusAddsALineAfterTheFocusedLineOrLast)
{
    struct Case {
        const char *what;
        int focusedLine;     // -1: the group itself
        int newIndex;
    };
    const Case cases[] = {
        {"second of three lines", 1, 2},
        {"last line", 2, 3},
        {"the group", -1, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Reopen();
        Click(c.focusedLine < 0 ? Top(kGroup) : Line(c.focusedLine));
        Click(frm->AddBtn);
        const auto lines = Nodes(Top(kGroup));
        ASSERT_EQ(lines.size(), 4u);
        PVirtualNode added = lines[size_t(c.newIndex)];
        EXPECT_EQ(tree->FocusedNode(), added);
        EXPECT_TRUE(tree->Selected(added));
        EXPECT_EQ(Rec(added)->id, kGroup);
        EXPECT_EQ(Rec(added)->kind, uint32_t(KindSingle));
        EXPECT_EQ(Rec(added)->templateText, QString());
        EXPECT_EQ(Rec(added)->newText, QString());
        EXPECT_EQ(added->CheckState, csUncheckedNormal);
        EXPECT_EQ(added->CheckType, ctCheckBox);
        EXPECT_FALSE(frm->New->isReadOnly());
        EXPECT_FALSE(frm->ChangedCb->isChecked());
        std::vector<QString> templates;
        for (PVirtualNode line : lines)
            if (line != added)
                templates.push_back(Rec(line)->templateText);
        EXPECT_EQ(templates, (std::vector<QString>{QStringLiteral("Green"), QStringLiteral("Red"),
                                                   QStringLiteral("Blue")}));
    }

    // A top-level single string: the button is off, and the command itself adds nothing.
    Reopen();
    Click(Top(kHello));
    EXPECT_FALSE(frm->AddBtn->isEnabled());
    const int total = tree->TotalCount();
    frm->AddBtnClick(nullptr);
    EXPECT_EQ(tree->TotalCount(), total);
    EXPECT_EQ(tree->FocusedNode(), Top(kHello));
}

TEST_F(EditingTest, MinusRemovesTheFocusedLineAndMovesOn)
{
    // Each step removes the focused line; the focus goes to the next line, else the
    // previous one, else the group.
    Click(Line(0));   // Green
    Click(frm->DelBtn);
    ASSERT_EQ(Nodes(Top(kGroup)).size(), 2u);
    EXPECT_EQ(Rec(tree->FocusedNode())->templateText, QStringLiteral("Red"));

    Click(Line(1));   // Blue, the last
    Click(frm->DelBtn);
    ASSERT_EQ(Nodes(Top(kGroup)).size(), 1u);
    EXPECT_EQ(Rec(tree->FocusedNode())->templateText, QStringLiteral("Red"));
    EXPECT_TRUE(tree->Selected(tree->FocusedNode()));

    // The only line: the commit runs for it, then the group is focused.
    ClickNew();
    QTest::keyClicks(frm->New, QStringLiteral("Rot"));
    Click(frm->DelBtn);
    EXPECT_EQ(Top(kGroup)->ChildCount, 0u);
    EXPECT_EQ(tree->FocusedNode(), Top(kGroup));
    EXPECT_TRUE(tree->Selected(Top(kGroup)));
    EXPECT_EQ(Top(kGroup)->CheckState, csCheckedNormal) << "the commit on the line checked its group";

    // "-" with the group focused is enabled and does nothing.
    ASSERT_TRUE(frm->DelBtn->isEnabled());
    const int total = tree->TotalCount();
    Click(frm->DelBtn);
    EXPECT_EQ(tree->TotalCount(), total);
    EXPECT_EQ(tree->FocusedNode(), Top(kGroup));
}

// ---- records: the special functions ----

TEST_F(EditingTest, UnlockEnablesTheRecordControlsAndLockDisablesThem)
{
    const std::vector<QWidget *> controls = {frm->StIDed, frm->AddStrBtn, frm->AddGrBtn, frm->DelGr};
    for (QWidget *w : controls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    Unlock();
    for (QWidget *w : controls)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    TypeId(QStringLiteral("1000300"));
    Click(frm->Ulnlck);
    for (QWidget *w : controls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(frm->StIDed->Value(), double(0x01000300)) << "StIDed keeps its value";
}

TEST_F(EditingTest, AddRecordAtItsPlaceOrRefuseTheId)
{
    struct Case {
        const char *what;
        bool group;
        QString id;
        int place;           // index among the top-level nodes; -1: refused
        QString templateText;
    };
    const Case cases[] = {
        {"single before every id", false, QStringLiteral("100"), 0, QString()},
        {"single after every id", false, QStringLiteral("FFFFFFFE"), 4, QString()},
        {"group the base lacks", true, QStringLiteral("1000300"), 2, QStringLiteral("<<GROUP>> ")},
        {"single at an existing id", false, QStringLiteral("1000100"), -1, QString()},
        {"group at an existing id", true, QStringLiteral("2000500"), -1, QString()},
        {"single at the EndMarker", false, QStringLiteral("FFFFFFFF"), -1, QString()},
        {"group at the EndMarker", true, QStringLiteral("FFFFFFFF"), -1, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Reopen();
        Unlock();
        TypeId(c.id);
        const std::vector<uint32_t> before = TopIds();
        const int total = tree->TotalCount();
        Click(c.group ? frm->AddGrBtn : frm->AddStrBtn);
        if (c.place < 0) {
            EXPECT_TRUE(Refused());
            EXPECT_EQ(TopIds(), before);
            EXPECT_EQ(tree->TotalCount(), total);
            // The next step of the field takes the red back.
            QTest::keyClick(frm->StIDed, Qt::Key_Down);
            EXPECT_FALSE(Refused());
            EXPECT_TRUE(frm->StIDed->ParentFont());
            continue;
        }
        EXPECT_FALSE(Refused());
        const auto top = Nodes();
        ASSERT_EQ(top.size(), before.size() + 1);
        PVirtualNode added = top[size_t(c.place)];
        const RecData *record = Rec(added);
        EXPECT_EQ(record->id, c.id.toUInt(nullptr, 16));
        EXPECT_EQ(record->kind, uint32_t(c.group ? KindGroup : KindSingle));
        EXPECT_EQ(record->templateText, c.templateText);
        EXPECT_EQ(record->newText, QString());
        EXPECT_EQ(added->ChildCount, 0u);
        EXPECT_EQ(added->CheckState, csUncheckedNormal);
        EXPECT_EQ(tree->FocusedNode(), added);
        EXPECT_TRUE(tree->Selected(added));
        EXPECT_EQ(MemoText(frm->Old), c.templateText);
        EXPECT_FALSE(frm->ChangedCb->isChecked());
        std::vector<uint32_t> ids = TopIds();
        EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    }
}

// An id field stepped up to the EndMarker refuses it too, whichever button.
TEST_F(EditingTest, SteppingToTheEndMarkerIsRefused)
{
    Unlock();
    TypeId(QStringLiteral("FFFFFF80"));
    QTest::keyClick(frm->StIDed, Qt::Key_Up);
    ASSERT_EQ(frm->StIDed->Value(), double(EndMarker));
    const int total = tree->TotalCount();
    Click(frm->AddGrBtn);
    EXPECT_TRUE(Refused());
    EXPECT_EQ(tree->TotalCount(), total);
}

TEST_F(EditingTest, RemoveRecordsAndLines)
{
    Unlock();
    // A line: only the line goes; the focus moves to the next line.
    Click(Line(1));
    Click(frm->DelGr);
    ASSERT_EQ(Nodes(Top(kGroup)).size(), 2u);
    EXPECT_EQ(Rec(tree->FocusedNode())->templateText, QStringLiteral("Blue"));

    // A group with its lines; the focus moves to the next record.
    Click(Top(kGroup));
    const int total = tree->TotalCount();
    Click(frm->DelGr);
    EXPECT_EQ(tree->TotalCount(), total - 3);
    EXPECT_EQ(TopIds(), (std::vector<uint32_t>{kHello, kWorld, kLast}));
    EXPECT_EQ(tree->FocusedNode(), Top(kLast));

    // The last record: the focus moves to the one before.
    Click(frm->DelGr);
    EXPECT_EQ(TopIds(), (std::vector<uint32_t>{kHello, kWorld}));
    EXPECT_EQ(tree->FocusedNode(), Top(kWorld));

    // The stock group again: its template is the base language's first line, without lines.
    TypeId(QStringLiteral("2000500"));
    Click(frm->AddGrBtn);
    EXPECT_EQ(TopIds(), (std::vector<uint32_t>{kHello, kWorld, kGroup}));
    EXPECT_EQ(Rec(Top(kGroup))->templateText, QStringLiteral("<<GROUP>> Green"));
    EXPECT_EQ(Top(kGroup)->ChildCount, 0u);
    EXPECT_FALSE(frm->ChangedCb->isChecked()) << "adding and deleting leave the flag";

    // The only line of a group: no fall-back to the group, the tree is left without focus.
    Click(frm->AddBtn);
    ASSERT_EQ(Top(kGroup)->ChildCount, 1u);
    ClickNew();
    QTest::keyClicks(frm->New, QStringLiteral("x"));
    frm->DelGrClick(nullptr);   // as the keyboard would: the input focus stays in New
    EXPECT_EQ(Top(kGroup)->ChildCount, 0u);
    EXPECT_EQ(tree->FocusedNode(), nullptr);
    EXPECT_EQ(MemoText(frm->Old), QString());
    EXPECT_EQ(MemoText(frm->New), QString());
    EXPECT_TRUE(frm->New->isReadOnly());
    EXPECT_FALSE(frm->AddBtn->isEnabled());
    EXPECT_FALSE(frm->DelBtn->isEnabled());
    EXPECT_EQ(Top(kGroup)->CheckState, csCheckedNormal) << "the last commit ran on the line";
}

// ---- the id field ----

TEST_F(EditingTest, IdFieldStepsWholeStringsOrSinglesWithShift)
{
    Unlock();
    bool shift = false;
    SetKeyStateProvider([&](int vk) { return vk == VK_SHIFT && shift; });
    struct Case {
        bool shift;
        Qt::Key key;
        double expected;
    };
    const Case cases[] = {
        {false, Qt::Key_Up, 0x02000200},
        {false, Qt::Key_Down, 0x02000000},
        {true, Qt::Key_Up, 0x02000101},
        {true, Qt::Key_Down, 0x020000FF},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.shift ? "Shift+" : "") << (c.key == Qt::Key_Up ? "Up" : "Down"));
        TypeId(QStringLiteral("2000100"));
        shift = c.shift;
        QTest::keyClick(frm->StIDed, c.key, c.shift ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_EQ(frm->StIDed->Value(), c.expected);
        shift = false;
    }
    SetKeyStateProvider({});
}

// ---- the in-place editor ----

// An accepted in-place edit is committed as a typed translation is: the node (and a line's
// group) checked, the document changed, the translation field showing the text. An edit
// that changes nothing stores nothing, nor does one dropped with Escape. A click on another
// node ends the edit into the node that was edited.
TEST_F(EditingTest, InPlaceEditIsACommit)
{
    enum End { Enter, Escape, ClickElsewhere };
    struct Case {
        const char *what;
        int line;         // the line of the group edited; -1: the single string "Hello"
        QString stored;   // the translation before
        End end;
        bool commits;
    };
    const Case cases[] = {
        {"single string", -1, QString(), Enter, true},
        {"line of a group", 1, QStringLiteral("Rot"), Enter, true},
        {"the same text", -1, QStringLiteral("Hola"), Enter, false},
        {"dropped", 1, QString(), Escape, false},
        {"ended by a click on another node", -1, QString(), ClickElsewhere, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Reopen();
        PVirtualNode node = c.line < 0 ? Top(kHello) : Line(c.line);
        Preset(node, c.stored);
        Click(node, 2);
        ASSERT_EQ(tree->FocusedColumn(), 2);
        tree->SendKey(VK_F2);
        ASSERT_TRUE(tree->IsEditing());
        QTest::keyClicks(tree->EditorWidget(), QStringLiteral("Hola"));
        if (c.end == ClickElsewhere)
            Click(Top(kWorld), 2);
        else
            QTest::keyClick(tree->EditorWidget(), c.end == Enter ? Qt::Key_Return : Qt::Key_Escape);
        ASSERT_FALSE(tree->IsEditing());

        const TCheckState expected = c.commits ? csCheckedNormal : csUncheckedNormal;
        EXPECT_EQ(Rec(node)->newText, c.commits ? QStringLiteral("Hola") : c.stored);
        EXPECT_EQ(node->CheckState, expected);
        EXPECT_EQ(Top(kGroup)->CheckState, c.line < 0 ? csUncheckedNormal : expected);
        EXPECT_EQ(frm->ChangedCb->isChecked(), c.commits);
        EXPECT_EQ(MemoText(frm->New), Rec(tree->FocusedNode())->newText);
        if (c.end == ClickElsewhere) {
            EXPECT_EQ(tree->FocusedNode(), Top(kWorld));
            EXPECT_EQ(Rec(Top(kWorld))->newText, QString());
            EXPECT_EQ(Top(kWorld)->CheckState, csUncheckedNormal);
        }
    }

    // The translation field goes on from the edit; the commit of the field into the node
    // finds nothing new and the edit stays.
    PVirtualNode hello = Top(kHello);
    Click(hello);
    ClickNew();
    QTest::keyClicks(frm->New, QStringLiteral("!"));
    Click(Top(kWorld));
    EXPECT_EQ(Rec(hello)->newText, QStringLiteral("Hola!"));

    // A group has no translation of its own: its cell opens no editor.
    Click(Top(kGroup), 2);
    ASSERT_EQ(tree->FocusedColumn(), 2);
    tree->SendKey(VK_F2);
    EXPECT_FALSE(tree->IsEditing());
}

// A non-breaking space is a character of the game's set like any other: an edited text
// keeps it, typed into the translation field or into the tree's in-place editor.
TEST_F(EditingTest, EditingKeepsNonBreakingSpaces)
{
    const QString nbsp(QChar(0x00A0));
    PVirtualNode hello = Top(kHello);
    Preset(hello, QStringLiteral("Bon") + nbsp + QStringLiteral("jour"));
    Click(hello);
    ClickNew();
    QTest::keyClicks(frm->New, nbsp + QStringLiteral("!"));
    Click(Top(kWorld));
    EXPECT_EQ(Rec(hello)->newText, QStringLiteral("Bon") + nbsp + QStringLiteral("jour") + nbsp + QStringLiteral("!"));

    PVirtualNode world = Top(kWorld);
    Click(world, 2);
    tree->SendKey(VK_F2);
    ASSERT_TRUE(tree->IsEditing());
    QTest::keyClicks(tree->EditorWidget(), QStringLiteral("Le") + nbsp + QStringLiteral("monde"));
    QTest::keyClick(tree->EditorWidget(), Qt::Key_Return);
    ASSERT_FALSE(tree->IsEditing());
    EXPECT_EQ(Rec(world)->newText, QStringLiteral("Le") + nbsp + QStringLiteral("monde"));
}

// Tab and Shift+Tab move the input focus on from the translation field, which commits; they
// never type a tab character into the translation.
TEST_F(EditingTest, TabLeavesTheTranslationField)
{
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        SCOPED_TRACE(testing::Message() << "key " << key);
        PVirtualNode hello = Top(kHello);
        Preset(hello, QString());
        Click(hello);
        ClickNew();
        QTest::keyClicks(frm->New, QStringLiteral("Hola"));
        QTest::keyClick(frm->New, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_FALSE(frm->New->hasFocus());
        EXPECT_EQ(Rec(hello)->newText, QStringLiteral("Hola"));
        EXPECT_EQ(hello->CheckState, csCheckedNormal);
    }
}

// ---- the memo layer ----

// What a memo reports as typed, and that a dropped character never reaches the memo.
TEST(MemoEvents, ReportsTypedCharactersAndDropsWhatTheHandlerClears)
{
    QPlainTextEdit memo;
    auto *events = new TMemoEvents(&memo);
    std::vector<ushort> typed;
    QChar drop;
    events->OnKeyPress = [&](QObject *sender, QChar &key) {
        EXPECT_EQ(sender, &memo);
        typed.push_back(key.unicode());
        if (key == drop)
            key = QChar(0);
    };
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        ushort reported;
        QString textWhenPassed;
    };
    const Case cases[] = {
        {Qt::Key_X, Qt::NoModifier, u'x', QStringLiteral("x")},
        {Qt::Key_Return, Qt::NoModifier, 13, QStringLiteral("\r\n")},
        {Qt::Key_Enter, Qt::KeypadModifier, 13, QStringLiteral("\r\n")},
        {Qt::Key_Return, Qt::ControlModifier, 10, QString()},
    };
    for (const Case &c : cases) {
        for (bool dropped : {false, true}) {
            SCOPED_TRACE(testing::Message() << "key " << c.key << (dropped ? " dropped" : ""));
            SetMemoText(&memo, QString());
            typed.clear();
            drop = dropped ? QChar(c.reported) : QChar(0xFFFF);
            QTest::keyClick(&memo, c.key, c.modifiers);
            EXPECT_EQ(typed, std::vector<ushort>{c.reported});
            EXPECT_EQ(MemoText(&memo), dropped ? QString() : c.textWhenPassed);
        }
    }
}

} // namespace
