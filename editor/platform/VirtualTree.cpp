// The node tree of `TVirtualStringTree`: the node store, inserting and deleting, updates,
// sorting, walks, focus and selection.
#include "platform/VirtualTreeView.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr std::align_val_t kDataAlign{alignof(std::max_align_t)};
}

// ---- node store --------------------------------------------------------------------------------

int TVirtualStringTree::NodeDataSize()
{
    if (FDataSize < 0) {
        int size = 0;
        if (OnGetNodeDataSize)
            OnGetNodeDataSize(this, size);
        FDataSize = std::max(0, size);
    }
    return FDataSize;
}

void *TVirtualStringTree::GetNodeData(PVirtualNode node)
{
    if (!node || node == FRoot)
        return nullptr;
    return node->Data;
}

PVirtualNode TVirtualStringTree::NewNode()
{
    auto *node = new TVirtualNode;
    node->NodeHeight = FDefaultNodeHeight;
    const int size = NodeDataSize();
    if (size > 0) {
        node->Data = ::operator new(size_t(size), kDataAlign);
        std::memset(node->Data, 0, size_t(size));
    }
    ++FTotalCount;
    return node;
}

void TVirtualStringTree::FreeNode(PVirtualNode node)
{
    if (node->DataDestructor)
        node->DataDestructor(node->Data);
    if (node->Data)
        ::operator delete(node->Data, kDataAlign);
    delete node;
    --FTotalCount;
}

void TVirtualStringTree::Link(PVirtualNode node, PVirtualNode parent, PVirtualNode before)
{
    node->Parent = parent;
    node->NextSibling = before;
    node->PrevSibling = before ? before->PrevSibling : parent->LastChild;
    if (node->PrevSibling)
        node->PrevSibling->NextSibling = node;
    else
        parent->FirstChild = node;
    if (before)
        before->PrevSibling = node;
    else
        parent->LastChild = node;
    ++parent->ChildCount;
    if (!before && parent->ChildIndexValid) {
        node->Index = unsigned(parent->ChildVector.size());
        parent->ChildVector.push_back(node);
    } else {
        parent->ChildIndexValid = false;
    }
}

void TVirtualStringTree::Unlink(PVirtualNode node)
{
    PVirtualNode parent = node->Parent;
    if (node->PrevSibling)
        node->PrevSibling->NextSibling = node->NextSibling;
    else
        parent->FirstChild = node->NextSibling;
    if (node->NextSibling)
        node->NextSibling->PrevSibling = node->PrevSibling;
    else
        parent->LastChild = node->PrevSibling;
    --parent->ChildCount;
    if (parent->ChildIndexValid && !node->NextSibling)
        parent->ChildVector.pop_back();
    else
        parent->ChildIndexValid = false;
    node->Parent = node->PrevSibling = node->NextSibling = nullptr;
}

void TVirtualStringTree::EnsureChildIndex(PVirtualNode parent) const
{
    if (parent->ChildIndexValid)
        return;
    parent->ChildVector.clear();
    parent->ChildVector.reserve(parent->ChildCount);
    unsigned i = 0;
    for (PVirtualNode c = parent->FirstChild; c; c = c->NextSibling) {
        c->Index = i++;
        parent->ChildVector.push_back(c);
    }
    parent->ChildIndexValid = true;
}

int TVirtualStringTree::RowOf(PVirtualNode node) const
{
    EnsureChildIndex(node->Parent);
    return int(node->Index);
}

PVirtualNode TVirtualStringTree::ChildAt(PVirtualNode parent, int row) const
{
    EnsureChildIndex(parent);
    return parent->ChildVector[size_t(row)];
}

bool TVirtualStringTree::ViewLive() const
{
    return FView && FUpdateCount == 0 && FSignalBlock == 0;
}

PVirtualNode TVirtualStringTree::AddChild(PVirtualNode parent)
{
    return InsertNode(parent ? parent : FRoot, amAddChildLast);
}

PVirtualNode TVirtualStringTree::InsertNode(PVirtualNode node, TVTNodeAttachMode mode)
{
    PVirtualNode parent = nullptr;
    PVirtualNode before = nullptr;
    switch (mode) {
    case amInsertBefore:
    case amInsertAfter:
        if (!node || node == FRoot)
            return nullptr;
        parent = node->Parent;
        before = mode == amInsertAfter ? node->NextSibling : node;
        break;
    case amAddChildFirst:
        parent = node ? node : FRoot;
        before = parent->FirstChild;
        break;
    case amAddChildLast:
        parent = node ? node : FRoot;
        break;
    default:
        return nullptr;
    }
    PVirtualNode n = NewNode();
    const bool live = ViewLive();
    if (live) {
        const int row = before ? RowOf(before) : int(parent->ChildCount);
        FModel->BeginInsert(FModel->IndexOf(parent, 0), row, row);
    }
    Link(n, parent, before);
    if (live)
        FModel->EndInsert();
    return n;
}

void TVirtualStringTree::DeleteSubtree(PVirtualNode node)
{
    while (node->LastChild)
        DeleteSubtree(node->LastChild);
    if (node == FFocusedNode) {
        // Giving up the focus of a node that goes cannot be refused.
        bool allowed = true;
        if (OnFocusChanging)
            OnFocusChanging(this, node, nullptr, FFocusedColumn, FFocusedColumn, allowed);
        FFocusedNode = nullptr;
    }
    if (node == FSelectedNode)
        FSelectedNode = nullptr;
    if (node == FCheckPressNode)
        FCheckPressNode = nullptr;
    if (OnFreeNode)
        OnFreeNode(this, node);
    Unlink(node);
    FreeNode(node);
}

void TVirtualStringTree::DeleteChildren(PVirtualNode node)
{
    if (!node)
        node = FRoot;
    if (!node->FirstChild)
        return;
    const bool live = ViewLive();
    if (live)
        FModel->BeginRemove(FModel->IndexOf(node, 0), 0, int(node->ChildCount) - 1);
    ++FSignalBlock;
    while (node->LastChild)
        DeleteSubtree(node->LastChild);
    --FSignalBlock;
    if (live) {
        FModel->EndRemove();
        AfterChange();
    }
}

void TVirtualStringTree::DeleteNode(PVirtualNode node)
{
    if (!node)
        return;
    if (node == FRoot) {
        DeleteChildren(FRoot);
        return;
    }
    const bool live = ViewLive();
    if (live) {
        const int row = RowOf(node);
        FModel->BeginRemove(FModel->IndexOf(node->Parent, 0), row, row);
    }
    ++FSignalBlock;
    DeleteSubtree(node);
    --FSignalBlock;
    if (live) {
        FModel->EndRemove();
        AfterChange();
    }
}

void TVirtualStringTree::AfterChange()
{
    FView->viewport()->update();
}

void TVirtualStringTree::BeginUpdate()
{
    if (FUpdateCount++ == 0 && FView && FSignalBlock == 0) {
        FView->setUpdatesEnabled(false);
        FModel->BeginReset();
        FResetOpen = true;
    }
}

void TVirtualStringTree::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount > 0)
        return;
    if (FResetOpen) {
        FResetOpen = false;
        FModel->EndReset();
        SyncViewState();
        FView->setUpdatesEnabled(true);
    }
}

void TVirtualStringTree::SyncViewState()
{
    // The reset forgot which nodes were open.
    for (PVirtualNode n = GetFirst(); n; n = GetNext(n))
        if (n->Expanded && n->FirstChild)
            FView->setExpanded(FModel->IndexOf(n, 0), true);
    if (FFocusedNode && FPendingScroll)
        ScrollIntoView(FFocusedNode);
    FPendingScroll = false;
}

void TVirtualStringTree::RepaintNode(PVirtualNode node)
{
    // The whole client area: finding one row's place would measure every row between
    // it and the rows shown, and only the rows shown are painted anyway.
    if (node && node != FRoot && FView && FUpdateCount == 0)
        FView->viewport()->update();
}

void TVirtualStringTree::InvalidateNode(PVirtualNode node)
{
    if (!node || node == FRoot)
        return;
    node->HeightMeasured = false;
    if (ViewLive())
        FModel->RowChanged(node);   // the view drops its cached row height
    else if (FView && FUpdateCount == 0)
        FView->Relayout();
}

void TVirtualStringTree::SetCheckState(PVirtualNode node, TCheckState state)
{
    if (!node || node == FRoot || node->CheckState == state)
        return;
    node->CheckState = state;
    RepaintNode(node);
}

void TVirtualStringTree::UserToggleCheck(PVirtualNode node)
{
    const bool checked = node->CheckState == csCheckedNormal || node->CheckState == csCheckedPressed;
    node->CheckState = checked ? csUncheckedNormal : csCheckedNormal;
    RepaintNode(node);
    if (OnChecked)
        OnChecked(this, node);
}

void TVirtualStringTree::SetExpanded(PVirtualNode node, bool expanded)
{
    if (!node || node == FRoot || node->Expanded == expanded)
        return;
    node->Expanded = expanded;
    if (ViewLive())
        FView->setExpanded(FModel->IndexOf(node, 0), expanded);
}

void TVirtualStringTree::FullExpand(PVirtualNode node)
{
    PVirtualNode top = node ? node : FRoot;
    SetExpanded(node, true);
    for (PVirtualNode n = top->FirstChild; n && IsInSubtree(n, top); n = GetNext(n))
        SetExpanded(n, true);
}

bool TVirtualStringTree::IsInSubtree(PVirtualNode node, PVirtualNode top) const
{
    for (PVirtualNode p = node; p; p = p->Parent)
        if (p == top)
            return true;
    return false;
}

// ---- sorting -------------------------------------------------------------------------------

void TVirtualStringTree::SortChildren(PVirtualNode node, TColumnIndex column, TSortDirection direction,
                                      bool recurse)
{
    if (node->ChildCount > 1 && OnCompareNodes) {
        std::vector<PVirtualNode> children;
        children.reserve(node->ChildCount);
        for (PVirtualNode c = node->FirstChild; c; c = c->NextSibling)
            children.push_back(c);
        std::stable_sort(children.begin(), children.end(), [&](PVirtualNode a, PVirtualNode b) {
            int result = 0;
            OnCompareNodes(this, a, b, column, result);
            return direction == sdAscending ? result < 0 : result > 0;
        });
        PVirtualNode prev = nullptr;
        for (size_t i = 0; i < children.size(); ++i) {
            PVirtualNode c = children[i];
            c->PrevSibling = prev;
            c->NextSibling = i + 1 < children.size() ? children[i + 1] : nullptr;
            c->Index = unsigned(i);
            prev = c;
        }
        node->FirstChild = children.front();
        node->LastChild = children.back();
        node->ChildVector = std::move(children);
        node->ChildIndexValid = true;
    }
    if (recurse)
        for (PVirtualNode c = node->FirstChild; c; c = c->NextSibling)
            if (c->FirstChild)
                SortChildren(c, column, direction, true);
}

void TVirtualStringTree::SortTree(TColumnIndex column, TSortDirection direction)
{
    SortLevel(FRoot, column, direction, true);
}

void TVirtualStringTree::Sort(PVirtualNode node, TColumnIndex column, TSortDirection direction)
{
    SortLevel(node ? node : FRoot, column, direction, false);
}

void TVirtualStringTree::SortLevel(PVirtualNode node, TColumnIndex column, TSortDirection direction,
                                   bool recurse)
{
    if (!ViewLive()) {
        SortChildren(node, column, direction, recurse);
        return;
    }
    std::vector<PVirtualNode> persistent;
    FModel->BeginLayout(persistent);
    SortChildren(node, column, direction, recurse);
    FModel->EndLayout(persistent);
}

// ---- walks -----------------------------------------------------------------------------------

PVirtualNode TVirtualStringTree::GetLast() const
{
    PVirtualNode n = FRoot->LastChild;
    while (n && n->LastChild)
        n = n->LastChild;
    return n;
}

PVirtualNode TVirtualStringTree::GetNext(PVirtualNode node) const
{
    if (!node || node == FRoot)
        return GetFirst();
    if (node->FirstChild)
        return node->FirstChild;
    for (PVirtualNode n = node; n && n != FRoot; n = n->Parent)
        if (n->NextSibling)
            return n->NextSibling;
    return nullptr;
}

PVirtualNode TVirtualStringTree::GetPrevious(PVirtualNode node) const
{
    if (!node || node == FRoot)
        return nullptr;
    if (PVirtualNode p = node->PrevSibling) {
        while (p->LastChild)
            p = p->LastChild;
        return p;
    }
    return node->Parent == FRoot ? nullptr : node->Parent;
}

PVirtualNode TVirtualStringTree::GetNextLeaf(PVirtualNode node) const
{
    PVirtualNode n = GetNext(node);
    while (n && n->FirstChild)
        n = n->FirstChild;   // the next node in order after a parent is its first child
    return n;
}

PVirtualNode TVirtualStringTree::GetPreviousLeaf(PVirtualNode node) const
{
    if (!node || node == FRoot)
        return GetLast();
    PVirtualNode n = GetPrevious(node);
    while (n && n->FirstChild)
        n = GetPrevious(n);
    return n;
}

PVirtualNode TVirtualStringTree::GetFirstVisibleChild(PVirtualNode node) const
{
    return (node ? node : FRoot)->FirstChild;
}

bool TVirtualStringTree::FullyVisible(PVirtualNode node) const
{
    if (!node || node == FRoot)
        return false;
    for (PVirtualNode p = node->Parent; p != FRoot; p = p->Parent)
        if (!p->Expanded)
            return false;
    return true;
}

PVirtualNode TVirtualStringTree::GetNextVisible(PVirtualNode node) const
{
    if (!node || node == FRoot)
        return nullptr;
    // Inside a collapsed subtree: go on after the outermost collapsed ancestor.
    for (PVirtualNode p = node->Parent; p != FRoot; p = p->Parent)
        if (!p->Expanded)
            node = p;
    if (node->FirstChild && node->Expanded && FullyVisible(node))
        return node->FirstChild;
    for (PVirtualNode n = node; n != FRoot; n = n->Parent)
        if (n->NextSibling)
            return n->NextSibling;
    return nullptr;
}

PVirtualNode TVirtualStringTree::GetPreviousVisible(PVirtualNode node) const
{
    if (!node || node == FRoot)
        return nullptr;
    for (PVirtualNode p = node->Parent; p != FRoot; p = p->Parent)
        if (!p->Expanded)
            node = p;
    if (PVirtualNode p = node->PrevSibling) {
        while (p->Expanded && p->LastChild)
            p = p->LastChild;
        return p;
    }
    return node->Parent == FRoot ? nullptr : node->Parent;
}

PVirtualNode TVirtualStringTree::GetLastVisible() const
{
    PVirtualNode n = FRoot->LastChild;
    while (n && n->Expanded && n->LastChild)
        n = n->LastChild;
    return n;
}

int TVirtualStringTree::GetNodeLevel(PVirtualNode node) const
{
    int level = -1;
    for (PVirtualNode p = node; p && p != FRoot; p = p->Parent)
        ++level;
    return level;
}

// ---- focus and selection -------------------------------------------------------------------

bool TVirtualStringTree::ChangeFocus(PVirtualNode node, TColumnIndex column)
{
    if (node == FRoot)
        node = nullptr;
    if (ColumnCount() > 0)
        column = std::clamp(column, 0, ColumnCount() - 1);
    else
        column = 0;
    if (node == FFocusedNode && column == FFocusedColumn)
        return true;
    bool allowed = true;
    if (OnFocusChanging)
        OnFocusChanging(this, FFocusedNode, node, FFocusedColumn, column, allowed);
    if (!allowed)
        return false;
    PVirtualNode old = FFocusedNode;
    FFocusedNode = node;
    FFocusedColumn = column;
    if (node)
        ScrollIntoView(node);
    RepaintNode(node ? node : old);
    return true;
}

bool TVirtualStringTree::SetFocusedNode(PVirtualNode node)
{
    return ChangeFocus(node, FFocusedColumn);
}

bool TVirtualStringTree::SetFocusedColumn(TColumnIndex column)
{
    return ChangeFocus(FFocusedNode, column);
}

bool TVirtualStringTree::SetFocus(PVirtualNode node, TColumnIndex column)
{
    return ChangeFocus(node, column);
}

void TVirtualStringTree::SetSelected(PVirtualNode node, bool selected)
{
    if (!node || node == FRoot || node->Selected == selected)
        return;
    PVirtualNode old = FSelectedNode;
    if (selected) {
        if (old)
            old->Selected = false;
        node->Selected = true;
        FSelectedNode = node;
    } else {
        node->Selected = false;
        FSelectedNode = nullptr;
    }
    RepaintNode(node);
}

void TVirtualStringTree::ScrollIntoView(PVirtualNode node, bool center)
{
    if (!node || node == FRoot)
        return;
    for (PVirtualNode p = node->Parent; p != FRoot; p = p->Parent)
        SetExpanded(p, true);
    if (!ViewLive()) {
        FPendingScroll = true;
        return;
    }
    const TColumnIndex column = node == FFocusedNode ? FFocusedColumn : 0;
    const QModelIndex index = FModel->IndexOf(node, column);
    FView->scrollTo(index, center ? QAbstractItemView::PositionAtCenter : QAbstractItemView::EnsureVisible);
    // The view counts a row among the rows shown by the number of rows that the last page
    // holds; with rows of other heights above it, a row cut off at the bottom passes for
    // shown. It is brought in whole (a row taller than the view shows its top).
    if (!center) {
        const QRect row = FView->visualRect(index);
        if (row.top() > 0 && row.bottom() >= FView->viewport()->height())
            FView->scrollTo(index, QAbstractItemView::PositionAtBottom);
    }
}
