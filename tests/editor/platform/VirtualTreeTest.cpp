// The tree grid: node store, walks, sorting, focus path, keys, editing, check boxes,
// lazy measuring and the header, driven through real clicks and key presses.
#include "platform/VirtualTree.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Rec {
    uint32_t id = 0;
    QString text;
    QString extra;
    static inline int alive = 0;
    Rec() { ++alive; }
    ~Rec() { --alive; }
};

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        edit = new QLineEdit(window.get());
        tree = new TVirtualStringTree(window.get());
        layout->addWidget(edit);
        layout->addWidget(tree);
        window->resize(640, 420);
        tree->AddColumn(QStringLiteral("ID"), 120, 200);
        tree->AddColumn(QStringLiteral("Template string"), 200);
        tree->AddColumn(QStringLiteral("New string"), 200);
        tree->SetAutoSizeIndex(2);
        tree->OnGetNodeDataSize = [](TVirtualStringTree *, int &size) { size = sizeof(Rec); };
        tree->OnGetText = [this](TVirtualStringTree *, PVirtualNode node, TColumnIndex column,
                                 TVSTTextType, QString &text) {
            Rec *r = tree->GetNodeData<Rec>(node);
            if (!r || r->text == QLatin1String("nodata"))
                return;
            text = column == 0 ? QString::number(r->id) : column == 1 ? r->text : r->extra;
        };
        tree->OnFocusChanging = [this](TVirtualStringTree *, PVirtualNode o, PVirtualNode n,
                                       TColumnIndex oc, TColumnIndex nc, bool &allowed) {
            log.push_back("focus " + Name(o) + "->" + Name(n) + " " + std::to_string(oc) + "->" +
                          std::to_string(nc));
            if (onFocus)
                onFocus(o, n);
            allowed = allowFocus;
        };
        tree->OnChecked = [this](TVirtualStringTree *, PVirtualNode n) {
            log.push_back("checked " + Name(n) + " " + std::to_string(n->CheckState));
        };
    }
    void TearDown() override
    {
        window.reset();
        EXPECT_EQ(Rec::alive, 0);
    }

    std::string Name(PVirtualNode node)
    {
        Rec *r = tree->GetNodeData<Rec>(node);
        return r ? r->text.toStdString() : "-";
    }
    PVirtualNode Add(PVirtualNode parent, const char *name, uint32_t id = 0)
    {
        PVirtualNode n = tree->AddChild(parent);
        Rec *r = tree->GetNodeData<Rec>(n);
        r->id = id;
        r->text = QString::fromLatin1(name);
        n->CheckType = ctCheckBox;
        return n;
    }
    // A, B(b1, b2), C(c1(cc1)), D
    void Build()
    {
        A = Add(nullptr, "A", 1);
        B = Add(nullptr, "B", 2);
        b1 = Add(B, "b1", 2);
        b2 = Add(B, "b2", 2);
        C = Add(nullptr, "C", 3);
        c1 = Add(C, "c1", 3);
        cc1 = Add(c1, "cc1", 3);
        D = Add(nullptr, "D", 4);
    }
    std::vector<std::string> Children(PVirtualNode parent)
    {
        std::vector<std::string> names;
        for (PVirtualNode n = (parent ? parent : tree->RootNode())->FirstChild; n; n = n->NextSibling)
            names.push_back(Name(n));
        return names;
    }
    void Show()
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QApplication::processEvents();
    }
    QTreeView *View() { return qobject_cast<QTreeView *>(tree->ClientWidget()->parentWidget()); }
    QString Shown(PVirtualNode node, int column)
    {
        QTreeView *view = View();
        QModelIndex index;
        std::vector<int> rows;
        for (PVirtualNode n = node; n != tree->RootNode(); n = n->Parent) {
            int row = 0;
            for (PVirtualNode s = n->PrevSibling; s; s = s->PrevSibling)
                ++row;
            rows.insert(rows.begin(), row);
        }
        for (size_t i = 0; i < rows.size(); ++i)
            index = view->model()->index(rows[i], i + 1 == rows.size() ? column : 0, index);
        return index.data().toString();
    }
    void Click(PVirtualNode node, int column)
    {
        QTest::mouseClick(tree->ClientWidget(), Qt::LeftButton, {}, tree->CellRect(node, column).center());
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(View(), key, mods); }

    std::unique_ptr<QWidget> window;
    QLineEdit *edit = nullptr;
    TVirtualStringTree *tree = nullptr;
    std::vector<std::string> log;
    bool allowFocus = true;
    std::function<void(PVirtualNode, PVirtualNode)> onFocus;
    PVirtualNode A = nullptr, B = nullptr, b1 = nullptr, b2 = nullptr, C = nullptr, c1 = nullptr,
                 cc1 = nullptr, D = nullptr;
};

using Names = std::vector<std::string>;

// ---- node store -------------------------------------------------------------------------------

// The same edits, with the view told of each step and inside one update bracket; the model
// tester checks every notification the view receives.
class TreeStructureTest : public TreeTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TreeStructureTest, InsertAndDeleteKeepLinksAndModelInStep)
{
    const bool inUpdate = GetParam();
    Show();
    QAbstractItemModelTester tester(View()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    if (inUpdate)
        tree->BeginUpdate();
    Build();
    tree->SetExpanded(B, true);
    auto insert = [&](PVirtualNode node, TVTNodeAttachMode mode, const char *name) {
        PVirtualNode n = tree->InsertNode(node, mode);
        tree->GetNodeData<Rec>(n)->text = QString::fromLatin1(name);
        return n;
    };
    PVirtualNode x = insert(A, amInsertAfter, "x");
    PVirtualNode first = insert(nullptr, amAddChildFirst, "first");
    PVirtualNode last = insert(D, amInsertAfter, "last");
    insert(B, amAddChildFirst, "b0");
    PVirtualNode b3 = insert(B, amAddChildLast, "b3");
    insert(b1, amInsertBefore, "before");
    EXPECT_EQ(tree->InsertNode(tree->RootNode(), amInsertAfter), nullptr);

    EXPECT_EQ(Children(nullptr), (Names{"first", "A", "x", "B", "C", "D", "last"}));
    EXPECT_EQ(Children(B), (Names{"b0", "before", "b1", "b2", "b3"}));
    EXPECT_EQ(B->ChildCount, 5u);
    EXPECT_EQ(tree->RootNode()->LastChild, last);
    EXPECT_EQ(b3->Parent, B);
    EXPECT_EQ(b3->PrevSibling, b2);
    EXPECT_EQ(tree->TotalCount(), 14);

    tree->DeleteNode(x);
    tree->DeleteNode(b3);
    tree->DeleteNode(first);
    tree->DeleteChildren(c1);
    EXPECT_EQ(Children(nullptr), (Names{"A", "B", "C", "D", "last"}));
    EXPECT_EQ(Children(B), (Names{"b0", "before", "b1", "b2"}));
    EXPECT_EQ(B->LastChild, b2);
    EXPECT_EQ(b2->NextSibling, nullptr);
    EXPECT_EQ(c1->FirstChild, nullptr);
    EXPECT_EQ(c1->ChildCount, 0u);
    EXPECT_EQ(tree->TotalCount(), 10);
    if (inUpdate)
        tree->EndUpdate();
    QApplication::processEvents();

    EXPECT_EQ(View()->model()->rowCount(), 5);
    EXPECT_EQ(Shown(b1, 1), "b1");
    EXPECT_EQ(Shown(last, 1), "last");
    EXPECT_TRUE(View()->isExpanded(View()->model()->index(1, 0)));   // B stays open
    tree->DeleteChildren(nullptr);
    EXPECT_EQ(tree->TotalCount(), 0);
    EXPECT_EQ(tree->GetFirst(), nullptr);
    EXPECT_EQ(View()->model()->rowCount(), 0);
    tree->DeleteChildren(nullptr);   // an empty tree: nothing happens
}

INSTANTIATE_TEST_SUITE_P(LiveAndInUpdate, TreeStructureTest, ::testing::Bool());

TEST_F(TreeTest, NodeDataIsConstructedOnceAndDestroyedWithItsNode)
{
    Build();
    EXPECT_EQ(tree->GetNodeData(tree->RootNode()), nullptr);
    EXPECT_EQ(tree->GetNodeData(nullptr), nullptr);
    EXPECT_EQ(tree->GetNodeData<Rec>(tree->RootNode()), nullptr);
    EXPECT_EQ(Rec::alive, 8);
    tree->GetNodeData<Rec>(A)->extra = QString(1000, u'x');   // a heap string to free
    EXPECT_EQ(tree->GetNodeData<Rec>(A)->extra.size(), 1000);   // second access: same object
    std::vector<std::string> freed;
    tree->OnFreeNode = [&](TVirtualStringTree *, PVirtualNode n) { freed.push_back(Name(n)); };
    tree->DeleteNode(C);
    EXPECT_EQ(freed, (Names{"cc1", "c1", "C"}));
    EXPECT_EQ(Rec::alive, 5);
    tree->DeleteChildren(B);
    EXPECT_EQ(Rec::alive, 3);
    // The rest goes with the tree (checked in TearDown).
}

TEST(TreeDataSize, NoDataWhenTheSizeIsZero)
{
    TVirtualStringTree tree;
    PVirtualNode n = tree.AddChild(nullptr);
    EXPECT_EQ(tree.GetNodeData(n), nullptr);
    EXPECT_EQ(tree.GetNodeData<Rec>(n), nullptr);
}

// ---- walks --------------------------------------------------------------------------------------

TEST_F(TreeTest, LeafWalksInBothDirections)
{
    Build();
    Names forward, backward;
    for (PVirtualNode n = tree->GetNextLeaf(nullptr); n; n = tree->GetNextLeaf(n))
        forward.push_back(Name(n));
    for (PVirtualNode n = tree->GetPreviousLeaf(nullptr); n; n = tree->GetPreviousLeaf(n))
        backward.push_back(Name(n));
    EXPECT_EQ(forward, (Names{"A", "b1", "b2", "cc1", "D"}));
    EXPECT_EQ(backward, (Names{"D", "cc1", "b2", "b1", "A"}));
    // From a node with children.
    EXPECT_EQ(tree->GetNextLeaf(B), b1);
    EXPECT_EQ(tree->GetPreviousLeaf(C), b2);
    EXPECT_EQ(tree->GetPreviousLeaf(B), A);

    EXPECT_EQ(tree->GetFirst(), A);
    EXPECT_EQ(tree->GetLast(), D);
    tree->DeleteNode(D);
    EXPECT_EQ(tree->GetLast(), cc1);   // descends into the last node's children
}

TEST_F(TreeTest, VisibleWalkSkipsCollapsedChildren)
{
    Build();
    auto walk = [&] {
        Names names;
        for (PVirtualNode n = tree->GetFirstVisible(); n; n = tree->GetNextVisible(n))
            names.push_back(Name(n));
        return names;
    };
    EXPECT_EQ(walk(), (Names{"A", "B", "C", "D"}));
    tree->SetExpanded(B, true);
    tree->SetExpanded(C, true);
    EXPECT_EQ(walk(), (Names{"A", "B", "b1", "b2", "C", "c1", "D"}));
    tree->SetExpanded(B, false);
    EXPECT_EQ(tree->GetNextVisible(b1), C);   // from inside a collapsed group: after it
    EXPECT_EQ(tree->GetFirstVisibleChild(nullptr), A);
    EXPECT_EQ(tree->GetFirstVisibleChild(B), b1);   // children count as visible
    EXPECT_EQ(tree->GetFirstVisibleChild(A), nullptr);
    EXPECT_EQ(tree->GetPreviousVisible(C), B);
    EXPECT_EQ(tree->GetNextVisible(D), nullptr);
}

// ---- sorting --------------------------------------------------------------------------------------

TEST_F(TreeTest, SortIsStableAtEveryLevelWithUnsignedOrder)
{
    Show();
    int compares = 0;
    tree->OnCompareNodes = [&](TVirtualStringTree *, PVirtualNode a, PVirtualNode b, TColumnIndex column,
                               int &result) {
        ++compares;
        if (column != 0)
            return;
        const uint32_t x = tree->GetNodeData<Rec>(a)->id, y = tree->GetNodeData<Rec>(b)->id;
        result = x < y ? -1 : x > y ? 1 : 0;
    };
    Add(nullptr, "high", 0x80000001u);
    PVirtualNode g = Add(nullptr, "group", 0x01000000u);
    for (const char *line : {"l1", "l2", "l3", "l4"})
        Add(g, line, 0x01000000u);
    Add(nullptr, "mid", 0x02000000u);
    Add(nullptr, "twin1", 0x03000000u);
    Add(nullptr, "twin2", 0x03000000u);
    tree->SetExpanded(g, true);
    tree->SetFocusedNode(g->FirstChild->NextSibling);
    tree->SetSelected(g->FirstChild->NextSibling, true);

    tree->SortTree(0, sdAscending);
    EXPECT_EQ(Children(nullptr), (Names{"group", "mid", "twin1", "twin2", "high"}));
    EXPECT_EQ(Children(g), (Names{"l1", "l2", "l3", "l4"}));
    EXPECT_EQ(Name(tree->FocusedNode()), "l2");
    QApplication::processEvents();
    EXPECT_EQ(Shown(g->FirstChild, 1), "l1");
    EXPECT_TRUE(View()->isExpanded(View()->model()->index(0, 0)));

    tree->SortTree(0, sdDescending);
    EXPECT_EQ(Children(nullptr), (Names{"high", "twin1", "twin2", "mid", "group"}));
    EXPECT_EQ(Children(g), (Names{"l1", "l2", "l3", "l4"}));

    // Another column compares equal: nothing moves.
    tree->SortTree(1, sdAscending);
    EXPECT_EQ(Children(nullptr), (Names{"high", "twin1", "twin2", "mid", "group"}));

    // A header click never sorts.
    compares = 0;
    QHeaderView *header = tree->HeaderWidget();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
    EXPECT_EQ(compares, 0);
}

// ---- focus ------------------------------------------------------------------------------------------

TEST_F(TreeTest, FocusChangesAreAnnouncedFirstAndCanBeRefused)
{
    Build();
    Show();
    tree->SetFocusedNode(A);
    tree->SetFocusedColumn(2);          // column only
    tree->SetFocusedColumn(2);          // no change: no event
    tree->SetFocus(B, 1);               // both at once: one event
    allowFocus = false;
    EXPECT_FALSE(tree->SetFocusedNode(C));
    EXPECT_EQ(tree->FocusedNode(), B);
    allowFocus = true;
    tree->SetFocusedNode(b2);           // opens B to show b2
    EXPECT_TRUE(B->Expanded);
    EXPECT_EQ(log, (Names{"focus -->A 0->0", "focus A->A 0->2", "focus A->B 2->1", "focus B->C 1->1",
                          "focus B->b2 1->1"}));
    EXPECT_EQ(tree->GetFirstSelected(), nullptr);   // focusing from code does not select
}

TEST_F(TreeTest, DeletingTheFocusedNodeGivesUpTheFocusAfterItsChildrenBeforeUnlinking)
{
    Build();
    Show();
    tree->SetFocusedNode(B);
    log.clear();
    bool childrenGone = false, stillLinked = false, dataThere = false;
    onFocus = [&](PVirtualNode o, PVirtualNode n) {
        if (o == B && !n) {
            childrenGone = B->FirstChild == nullptr && B->ChildCount == 0;
            stillLinked = A->NextSibling == B && B->Parent == tree->RootNode();
            dataThere = Name(B) == "B";
        }
    };
    tree->DeleteNode(B);
    EXPECT_EQ(log, (Names{"focus B->- 0->0"}));
    EXPECT_TRUE(childrenGone);
    EXPECT_TRUE(stillLinked);
    EXPECT_TRUE(dataThere);
    EXPECT_EQ(tree->FocusedNode(), nullptr);

    // A focused child of a deleted node gives up the focus as well, and cannot refuse.
    tree->SetFocusedNode(cc1);
    log.clear();
    allowFocus = false;
    tree->DeleteNode(C);
    EXPECT_EQ(log, (Names{"focus cc1->- 0->0"}));
    EXPECT_EQ(tree->FocusedNode(), nullptr);
}

TEST_F(TreeTest, ClicksFocusTheCellAndSelectTheNode)
{
    Build();
    Show();
    Click(A, 1);
    Click(A, 2);   // the same node: column only
    Click(C, 0);
    EXPECT_EQ(log, (Names{"focus -->A 0->1", "focus A->A 1->2", "focus A->C 2->0"}));
    EXPECT_EQ(tree->GetFirstSelected(), C);
    EXPECT_FALSE(tree->Selected(A));

    // After the user moves a column the handlers still get its index.
    tree->MoveColumn(2, 0);
    EXPECT_EQ(tree->ColumnPosition(2), 0);
    EXPECT_EQ(tree->ColumnAtPosition(1), 0);
    QApplication::processEvents();
    log.clear();
    Click(D, 2);
    EXPECT_EQ(log, (Names{"focus C->D 0->2"}));

    allowFocus = false;
    Click(A, 1);
    EXPECT_EQ(tree->FocusedNode(), D);
    EXPECT_EQ(tree->GetFirstSelected(), D);   // a refused click selects nothing
}

TEST_F(TreeTest, NavigationKeysMoveTheFocusAndCtrlOnlyScrolls)
{
    Build();
    Show();
    tree->SetFocus(A, 1);
    View()->setFocus();
    log.clear();
    Key(Qt::Key_Down);
    EXPECT_EQ(tree->FocusedNode(), B);
    EXPECT_EQ(tree->GetFirstSelected(), B);
    Key(Qt::Key_Right);                       // column 1 -> 2
    Key(Qt::Key_Right);                       // last column: opens B
    EXPECT_TRUE(B->Expanded);
    Key(Qt::Key_Down);
    EXPECT_EQ(tree->FocusedNode(), b1);
    Key(Qt::Key_Tab);                         // past the last column: next node, first column
    EXPECT_EQ(tree->FocusedNode(), b2);
    EXPECT_EQ(tree->FocusedColumn(), 0);
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(tree->FocusedNode(), b1);
    EXPECT_EQ(tree->FocusedColumn(), 2);
    Key(Qt::Key_End);
    EXPECT_EQ(tree->FocusedNode(), D);
    Key(Qt::Key_Down, Qt::ControlModifier);   // Ctrl: the focus stays
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(tree->FocusedNode(), D);
    Key(Qt::Key_Home);
    EXPECT_EQ(tree->FocusedNode(), A);
    EXPECT_EQ(log.front(), "focus A->B 1->1");
    EXPECT_EQ(log[1], "focus B->B 1->2");

    // A key handler that removes Ctrl makes Ctrl+Down act as Down.
    std::vector<int> seen;
    tree->OnKeyAction = [&](TVirtualStringTree *, int &key, TShiftState &shift, bool &) {
        seen.push_back(key);
        shift &= ~ssCtrl;
    };
    Key(Qt::Key_Down, Qt::ControlModifier);   // QTest presses Ctrl itself first
    EXPECT_EQ(tree->FocusedNode(), B);
    EXPECT_EQ(seen, (std::vector<int>{VK_CONTROL, VK_DOWN}));

    // A handler can take the key away from the tree.
    tree->OnKeyAction = [&](TVirtualStringTree *, int &, TShiftState &, bool &doDefault) { doDefault = false; };
    Key(Qt::Key_Down);
    EXPECT_EQ(tree->FocusedNode(), B);
}

TEST_F(TreeTest, SentKeysTakeTheKeyPathWhileTheInputFocusStaysElsewhere)
{
    Build();
    Show();
    edit->setFocus();
    QApplication::processEvents();
    tree->SetFocusedNode(A);
    std::vector<std::pair<int, TShiftState>> seen;
    tree->OnKeyAction = [&](TVirtualStringTree *, int &key, TShiftState &shift, bool &) {
        seen.push_back({key, shift});
        shift &= ~ssCtrl;
    };
    tree->SendKey(VK_DOWN, ssCtrl);
    tree->SendKey(VK_DOWN, ssCtrl);
    EXPECT_EQ(tree->FocusedNode(), C);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (std::pair<int, TShiftState>{VK_DOWN, ssCtrl}));
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_FALSE(tree->HasInputFocus());
    View()->setFocus();
    EXPECT_TRUE(tree->HasInputFocus());
}

// ---- editing ---------------------------------------------------------------------------------------

TEST_F(TreeTest, F2EditsOnlyTheFocusedCellOfAnAllowedColumn)
{
    Build();
    Show();
    std::vector<std::string> texts;
    tree->OnEditing = [](TVirtualStringTree *, PVirtualNode, TColumnIndex column, bool &allowed) {
        allowed = column == 2;
    };
    tree->OnNewText = [&](TVirtualStringTree *, PVirtualNode node, TColumnIndex column, const QString &text) {
        texts.push_back(Name(node) + ":" + std::to_string(column) + ":" + text.toStdString());
        tree->GetNodeData<Rec>(node)->extra = text;
    };
    A->MultiLine = true;
    Click(A, 1);
    Key(Qt::Key_F2);
    EXPECT_FALSE(tree->IsEditing());
    Click(A, 2);
    Key(Qt::Key_F2, Qt::ShiftModifier);
    Key(Qt::Key_F2, Qt::AltModifier);
    EXPECT_FALSE(tree->IsEditing());
    // A double click toggles and reports, but never edits.
    int doubleClicks = 0;
    tree->OnDblClick = [&](TVirtualStringTree *) { ++doubleClicks; };
    QTest::mouseDClick(tree->ClientWidget(), Qt::LeftButton, {}, tree->CellRect(A, 2).center());
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(doubleClicks, 1);

    Key(Qt::Key_F2);
    ASSERT_TRUE(tree->IsEditing());
    QWidget *editor = tree->EditorWidget();
    QTest::keyClicks(editor, "one");
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);   // a new line
    QTest::keyClicks(editor, "two");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(texts, (Names{"A:2:one\r\ntwo"}));

    // Escape drops the edit; Ctrl+F2 still edits.
    Key(Qt::Key_F2, Qt::ControlModifier);
    ASSERT_TRUE(tree->IsEditing());
    QTest::keyClicks(tree->EditorWidget(), "zzz");
    QTest::keyClick(tree->EditorWidget(), Qt::Key_Escape);
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(texts.size(), 1u);
    // Tab in the editor accepts and opens no other editor.
    Key(Qt::Key_F2);
    ASSERT_TRUE(tree->IsEditing());
    QTest::keyClick(tree->EditorWidget(), Qt::Key_Tab);
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(texts.size(), 2u);
}

// ---- check boxes ----------------------------------------------------------------------------------

TEST_F(TreeTest, OnlyTheUserTogglingACheckBoxRaisesOnChecked)
{
    Build();
    Show();
    tree->SetFocusedNode(A);
    log.clear();
    const QPoint box = tree->CheckBoxRect(C).center();
    ASSERT_FALSE(tree->CheckBoxRect(C).isEmpty());
    QTest::mouseClick(tree->ClientWidget(), Qt::LeftButton, {}, box);
    EXPECT_EQ(C->CheckState, csCheckedNormal);
    QTest::mouseClick(tree->ClientWidget(), Qt::LeftButton, {}, box);
    EXPECT_EQ(C->CheckState, csUncheckedNormal);
    EXPECT_EQ(tree->FocusedNode(), A);   // a check-box click leaves the focus alone

    // Held down: pressed; released elsewhere: nothing.
    QTest::mousePress(tree->ClientWidget(), Qt::LeftButton, {}, box);
    EXPECT_EQ(C->CheckState, csUncheckedPressed);
    QTest::mouseRelease(tree->ClientWidget(), Qt::LeftButton, {}, tree->CellRect(D, 2).center());
    EXPECT_EQ(C->CheckState, csUncheckedNormal);

    View()->setFocus();
    Key(Qt::Key_Space);
    EXPECT_EQ(A->CheckState, csCheckedNormal);
    tree->SetCheckState(B, csCheckedNormal);
    D->CheckState = csCheckedNormal;
    tree->RepaintNode(D);
    EXPECT_EQ(log, (Names{"checked C 2", "checked C 0", "checked A 2"}));
    EXPECT_EQ(View()->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
}

// ---- heights -----------------------------------------------------------------------------------

TEST_F(TreeTest, HeightsAreMeasuredLazilyAndAgainAfterInvalidateNode)
{
    std::map<std::string, int> measured;
    std::map<std::string, int> height;
    tree->OnMeasureItem = [&](TVirtualStringTree *, TCanvas *, PVirtualNode node, int &h) {
        ++measured[Name(node)];
        if (height.count(Name(node)))
            h = height[Name(node)];
    };
    Build();
    Show();
    EXPECT_EQ(measured["A"], 1);
    EXPECT_EQ(measured["b1"], 0);   // inside a collapsed group: not shown, not measured
    EXPECT_EQ(tree->CellRect(A, 1).height(), 18);
    tree->ClientWidget()->repaint();
    EXPECT_EQ(measured["A"], 1);    // painting again does not measure again

    height["A"] = 40;
    tree->InvalidateNode(A);
    tree->ClientWidget()->repaint();
    EXPECT_EQ(measured["A"], 2);
    EXPECT_EQ(tree->CellRect(A, 1).height(), 40);
    EXPECT_EQ(A->NodeHeight, 40);

    // Inside an update nothing is measured until the tree is shown again.
    tree->BeginUpdate();
    height["C"] = 30;
    tree->InvalidateNode(C);
    EXPECT_EQ(measured["C"], 1);
    tree->EndUpdate();
    tree->ClientWidget()->repaint();
    EXPECT_EQ(measured["C"], 2);
    EXPECT_EQ(tree->CellRect(C, 0).height(), 30);

    tree->SetExpanded(B, true);
    tree->ClientWidget()->repaint();
    EXPECT_EQ(measured["b1"], 1);
}

// Setting the focus brings the node's row into view whole, also where tall rows above
// short ones would let a row cut off at the bottom pass for shown; a row taller than the
// view shows its top.
TEST_F(TreeTest, FocusScrollsTheWholeRowIntoView)
{
    // r0 to r5 are 100 pixels high, r6 is taller than the view, the rest keep 18.
    std::vector<PVirtualNode> rows;
    for (int i = 0; i < 40; ++i)
        rows.push_back(Add(nullptr, QByteArray("r" + QByteArray::number(i)).constData(), uint32_t(i)));
    tree->OnMeasureItem = [&](TVirtualStringTree *, TCanvas *, PVirtualNode node, int &h) {
        const uint32_t i = tree->GetNodeData<Rec>(node)->id;
        h = i < 6 ? 100 : i == 6 ? 1000 : 18;
    };
    Show();
    const int view = tree->ClientHeight();
    ASSERT_GT(view, 200);
    ASSERT_LT(view, 400);

    struct Case {
        int row;
        bool topShown;   // taller than the view: its top at the top
    };
    for (const Case c : {Case{0, false}, Case{3, false}, Case{6, true}, Case{5, false}, Case{2, false}}) {
        SCOPED_TRACE(c.row);
        tree->SetFocusedNode(rows[size_t(c.row)]);
        const QRect cell = tree->CellRect(rows[size_t(c.row)], 1);
        if (c.topShown) {
            EXPECT_EQ(cell.top(), 0);
        } else {
            EXPECT_GE(cell.top(), 0);
            EXPECT_LT(cell.bottom(), view);
        }
    }
}

TEST_F(TreeTest, ComputeNodeHeightWrapsWithinTheColumn)
{
    Build();
    Show();
    Rec *r = tree->GetNodeData<Rec>(A);
    A->MultiLine = true;
    r->text = QStringLiteral("line");
    const int one = tree->ComputeNodeHeight(nullptr, A, 1);
    r->text = QStringLiteral("line\r\nline\r\nline");
    EXPECT_EQ(tree->ComputeNodeHeight(nullptr, A, 1), 3 * one);
    const QString words = QString(QStringLiteral("word ")).repeated(40);
    EXPECT_GT(tree->ComputeNodeHeight(nullptr, A, 1, words), 2 * one);
    tree->SetColumnWidth(1, 1000);
    const int wide = tree->ComputeNodeHeight(nullptr, A, 1, words);
    tree->SetColumnWidth(1, 100);
    EXPECT_GT(tree->ComputeNodeHeight(nullptr, A, 1, words), wide);
    A->MultiLine = false;
    EXPECT_EQ(tree->ComputeNodeHeight(nullptr, A, 1), one);
}

// ---- header ---------------------------------------------------------------------------------------

TEST_F(TreeTest, HeaderCapsTheMainColumnAndFillsWithTheAutoSizeColumn)
{
    Build();
    Show();
    EXPECT_EQ(tree->ColumnCaption(1), "Template string");
    tree->SetColumnWidth(0, 300);
    EXPECT_EQ(tree->ColumnWidth(0), 200);
    tree->HeaderWidget()->resizeSection(0, 260);   // as a drag of the user would
    EXPECT_EQ(tree->ColumnWidth(0), 200);
    tree->SetColumnWidth(1, 150);
    QApplication::processEvents();
    EXPECT_EQ(tree->ColumnWidth(0) + tree->ColumnWidth(1) + tree->ColumnWidth(2), tree->ClientWidth());

    int resizes = 0;
    tree->OnResize = [&](TVirtualStringTree *) { ++resizes; };
    window->resize(700, 420);
    QApplication::processEvents();
    EXPECT_GE(resizes, 1);
    EXPECT_EQ(tree->ColumnWidth(0) + tree->ColumnWidth(1) + tree->ColumnWidth(2), tree->ClientWidth());

    tree->SetHeaderHeight(17);
    QApplication::processEvents();
    EXPECT_EQ(tree->HeaderWidget()->height(), 17);
}

TEST_F(TreeTest, CellsWhoseTextIsLeftUnsetShowTheDefaultText)
{
    Build();
    Show();
    tree->GetNodeData<Rec>(B)->text = "nodata";
    EXPECT_EQ(Shown(B, 1), "<void>");
    EXPECT_EQ(Shown(A, 1), "A");
}

}   // namespace
