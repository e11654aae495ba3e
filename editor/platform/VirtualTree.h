// A virtual tree grid: `TVirtualStringTree`.
//
// The tree keeps its own nodes (`TVirtualNode`, linked through Parent, FirstChild,
// LastChild, NextSibling and PrevSibling under an invisible root) and never stores the
// texts it shows: every cell asks OnGetText when it is drawn. Each node carries a block
// of data of the size OnGetNodeDataSize gives (asked once, before the first node is
// made); the root has none. Drawing goes through Qt's model/view, but callers see only
// the nodes, the operations and the events below.
//
// Node data of a C++ type: `GetNodeData<T>(node)` constructs a T in the node's block on
// first access (value-initialised) and the tree destroys it with the node, after
// OnFreeNode. One tree uses one data type; sizeof(T) must not exceed the data size.
// The untyped `GetNodeData(node)` gives the raw, zero-filled block.
//
// Focus: one node (or none) is focused, and one column of it (extended focus). Every
// change of either goes through one path that raises OnFocusChanging(old node, new node,
// old column, new column, allowed) first; a refused change does not happen. The path
// serves FocusedNode/FocusedColumn set from code, clicks and keys alike. Setting
// FocusedNode expands the node's ancestors and scrolls it into view; it does not select.
// Deleting the focused node raises OnFocusChanging(node, none) after its children are
// deleted and before it is unlinked (this change cannot be refused); the tree then has no
// focused node.
//
// Selection: at most one node is selected. Clicks and navigation keys select the node they
// focus (when the focus change was allowed).
//
// Keys (typed into the tree, or sent with SendKey): OnKeyAction(key, shift, doDefault)
// runs first and may change the key and its shift state or cancel the default. Then:
//   Up / Down           previous / next visible node
//   Home / End          first / last visible node
//   Page Up / Page Down a page of rows up / down
//   Left                column to the left (display order); in the first column: collapse
//                       an expanded node, else go to its parent
//   Right               column to the right; in the last column: expand a collapsed node
//   Tab / Shift+Tab     next / previous column; past the last (first) column on to the
//                       first (last) column of the next (previous) visible node
//   Space               toggles the focused node's check box (raises OnChecked)
//   F2                  edits the focused cell, when neither Shift nor Alt is held and
//                       OnEditing allows it (the only way to open the in-place editor)
// With Ctrl held, the navigation keys scroll the view without moving the focus (Ctrl+Up/
// Down one row, Ctrl+Home/End to the top/bottom, Ctrl+Page Up/Down a page, Ctrl+Left/
// Right sideways); Ctrl+Tab is not taken. Keys the tree does not take go on to its parent.
//
// Mouse: a click on a cell focuses that node and column and selects the node; a click on
// a node's check box toggles it (raises OnChecked) without moving the focus; a click on
// the expand button (left of column 0's cell) toggles the node. A double click toggles a
// node that has children and then raises OnDblClick.
//
// Node heights: a node gets its height from OnMeasureItem the first time it is needed for
// display (painting it or laying out the rows around it), again after InvalidateNode, and
// after a column width has changed; without a handler the height is DefaultNodeHeight
// (18). Texts are drawn word-wrapped in multi-line nodes (on one line otherwise); CR LF,
// LF and lone CR all break lines.
//
// In-place editor: Enter accepts (raises OnNewText, then InvalidateNode), Escape drops,
// Shift+Enter or Ctrl+Enter starts a new line in a multi-line node, leaving the editor
// accepts. Line breaks come back as CR LF.
//
// Updates: between BeginUpdate and EndUpdate (nestable) the tree neither paints nor
// measures nor tells the view of single changes; the outermost EndUpdate rebuilds the
// view once and scrolls the focused node into view.
//
// Columns: the header holds the columns added with AddColumn; handlers always get the
// column's index (its logical number), whatever position the user has dragged it to.
// Column 0 is the main column: it holds the tree lines and the check boxes. The
// auto-size column takes the width the others leave. Header clicks never sort.
#pragma once

#include "platform/Keys.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <new>
#include <type_traits>
#include <vector>

class QPainter;
class QHeaderView;

namespace vtdetail {
class TreeView;
class TreeModel;
class TreeDelegate;
class HeaderView;
}

using TColumnIndex = int;
constexpr TColumnIndex NoColumn = -1;

enum TCheckState : unsigned char {
    csUncheckedNormal = 0,
    csUncheckedPressed = 1,   // while the mouse holds an unchecked box down
    csCheckedNormal = 2,
    csCheckedPressed = 3,     // while the mouse holds a checked box down
};

enum TCheckType : unsigned char {
    ctNone = 0,       // no check box
    ctCheckBox = 1,   // a two-state check box in the main column
};

enum TVTNodeAttachMode {
    amNoWhere = 0,
    amInsertBefore = 1,
    amInsertAfter = 2,
    amAddChildFirst = 3,
    amAddChildLast = 4,
};

enum TSortDirection { sdAscending = 0, sdDescending = 1 };

enum TVSTTextType { ttNormal = 0, ttStatic = 1 };

struct TVirtualNode {
    // Links; read freely, changed only by the tree.
    TVirtualNode *Parent = nullptr;
    TVirtualNode *PrevSibling = nullptr;
    TVirtualNode *NextSibling = nullptr;
    TVirtualNode *FirstChild = nullptr;
    TVirtualNode *LastChild = nullptr;
    unsigned ChildCount = 0;

    // Set directly on a new node, or later followed by RepaintNode. Writing CheckState
    // here (or through SetCheckState) never raises OnChecked.
    TCheckType CheckType = ctNone;
    TCheckState CheckState = csUncheckedNormal;
    bool MultiLine = false;

    // Read only: change through SetExpanded.
    bool Expanded = false;
    // Read only: the last measured height (DefaultNodeHeight until measured).
    int NodeHeight = 0;

    // The tree's own bookkeeping.
    bool HeightMeasured = false;
    bool Selected = false;
    bool ChildIndexValid = false;      // ChildVector/Index of the children are current
    unsigned Index = 0;                // position among the siblings, when valid
    std::vector<TVirtualNode *> ChildVector;
    void *Data = nullptr;
    void (*DataDestructor)(void *) = nullptr;
};
using PVirtualNode = TVirtualNode *;

// What OnMeasureItem measures with: the font the tree draws its texts in.
struct TCanvas {
    QFont Font;
};

class TVirtualStringTree : public QWidget {
    Q_OBJECT
public:
    explicit TVirtualStringTree(QWidget *parent = nullptr);
    ~TVirtualStringTree() override;

    // ---- events ---------------------------------------------------------------------
    using Sender = TVirtualStringTree *;
    std::function<void(Sender, int &NodeDataSize)> OnGetNodeDataSize;
    // CellText comes in as DefaultText ("<void>"); what the handler leaves is shown.
    std::function<void(Sender, PVirtualNode Node, TColumnIndex Column, TVSTTextType TextType,
                       QString &CellText)> OnGetText;
    // An in-place edit was accepted (line breaks as CR LF).
    std::function<void(Sender, PVirtualNode Node, TColumnIndex Column, const QString &NewText)>
        OnNewText;
    // Allowed comes in as true.
    std::function<void(Sender, PVirtualNode Node, TColumnIndex Column, bool &Allowed)> OnEditing;
    // NodeHeight comes in as the node's current height.
    std::function<void(Sender, TCanvas *TargetCanvas, PVirtualNode Node, int &NodeHeight)>
        OnMeasureItem;
    // Result comes in as 0 (equal); negative when Node1 goes first.
    std::function<void(Sender, PVirtualNode Node1, PVirtualNode Node2, TColumnIndex Column,
                       int &Result)> OnCompareNodes;
    // The user toggled the node's check box (click or Space).
    std::function<void(Sender, PVirtualNode Node)> OnChecked;
    // Allowed comes in as true; false refuses the change.
    std::function<void(Sender, PVirtualNode OldNode, PVirtualNode NewNode, TColumnIndex OldColumn,
                       TColumnIndex NewColumn, bool &Allowed)> OnFocusChanging;
    std::function<void(Sender)> OnDblClick;
    // CharCode: virtual-key code (0 drops the key); Shift: the shift state the tree acts
    // with; DoDefault false: the tree does nothing with the key.
    std::function<void(Sender, int &CharCode, TShiftState &Shift, bool &DoDefault)> OnKeyAction;
    // The tree's client area has changed size.
    std::function<void(Sender)> OnResize;
    // A node is about to be freed; its data is still there.
    std::function<void(Sender, PVirtualNode Node)> OnFreeNode;

    // ---- nodes ----------------------------------------------------------------------
    PVirtualNode RootNode() const { return FRoot; }
    // A new last child of `parent` (the root when null).
    PVirtualNode AddChild(PVirtualNode parent);
    // A new node placed relative to `node` (the root when null, for the child modes):
    // amInsertBefore / amInsertAfter as its previous / next sibling, amAddChildFirst /
    // amAddChildLast as its first / last child. Null for amNoWhere or a sibling of the root.
    PVirtualNode InsertNode(PVirtualNode node, TVTNodeAttachMode mode);
    // Deletes every child of `node` (the root when null), with their data.
    void DeleteChildren(PVirtualNode node);
    // Deletes `node` with its children and data. The root cannot be deleted (its children
    // are deleted instead).
    void DeleteNode(PVirtualNode node);
    void Clear() { DeleteChildren(FRoot); }

    void BeginUpdate();
    void EndUpdate();
    bool IsUpdating() const { return FUpdateCount > 0; }

    // Repaints the node's row.
    void RepaintNode(PVirtualNode node);
    // Forgets the node's height (measured again when next shown) and repaints it.
    void InvalidateNode(PVirtualNode node);

    // The check state set from code: repaints, raises no OnChecked.
    void SetCheckState(PVirtualNode node, TCheckState state);

    void SetExpanded(PVirtualNode node, bool expanded);
    void ToggleNode(PVirtualNode node) { SetExpanded(node, node && !node->Expanded); }
    void FullExpand(PVirtualNode node = nullptr);   // the whole subtree (all when null)

    // Sorts the children of every node, level by level, by OnCompareNodes on `column`.
    // Stable: nodes that compare equal keep their order (also descending).
    void SortTree(TColumnIndex column, TSortDirection direction);
    // Sorts the children of `node` only (the root when null).
    void Sort(PVirtualNode node, TColumnIndex column, TSortDirection direction);

    // Node data (see the top of this file). Null for the root, for no node, and when the
    // data size is 0.
    void *GetNodeData(PVirtualNode node);
    template <class T>
    T *GetNodeData(PVirtualNode node);
    int NodeDataSize();

    // ---- walks ----------------------------------------------------------------------
    PVirtualNode GetFirst() const { return FRoot->FirstChild; }
    // The very last node: the last top-level node's last descendant.
    PVirtualNode GetLast() const;
    // Pre-order (display order with every node expanded).
    PVirtualNode GetNext(PVirtualNode node) const;
    PVirtualNode GetPrevious(PVirtualNode node) const;
    // The next / previous node without children in pre-order. From no node: the first /
    // the last leaf of the tree.
    PVirtualNode GetNextLeaf(PVirtualNode node) const;
    PVirtualNode GetPreviousLeaf(PVirtualNode node) const;
    // The first child of `node` (of the root when null): every node of this tree is
    // visible, whether or not its parent is expanded.
    PVirtualNode GetFirstVisibleChild(PVirtualNode node) const;
    // The next / previous node in display order (children of collapsed nodes are skipped;
    // from a node inside a collapsed subtree the walk goes on after that subtree).
    PVirtualNode GetNextVisible(PVirtualNode node) const;
    PVirtualNode GetPreviousVisible(PVirtualNode node) const;
    // The first / last node in display order.
    PVirtualNode GetFirstVisible() const { return GetFirst(); }
    PVirtualNode GetLastVisible() const;
    // Whether every ancestor of `node` is expanded.
    bool FullyVisible(PVirtualNode node) const;
    // 0 for a top-level node.
    int GetNodeLevel(PVirtualNode node) const;
    // Every node except the root.
    int TotalCount() const { return FTotalCount; }

    // ---- focus and selection --------------------------------------------------------
    PVirtualNode FocusedNode() const { return FFocusedNode; }
    // Raises OnFocusChanging; returns whether the focus is now `node`.
    bool SetFocusedNode(PVirtualNode node);
    TColumnIndex FocusedColumn() const { return FFocusedColumn; }
    bool SetFocusedColumn(TColumnIndex column);
    // Both at once, with one OnFocusChanging.
    bool SetFocus(PVirtualNode node, TColumnIndex column);

    bool Selected(PVirtualNode node) const { return node && node->Selected; }
    // Selecting a node deselects the one selected before.
    void SetSelected(PVirtualNode node, bool selected);
    PVirtualNode GetFirstSelected() const { return FSelectedNode; }
    void ClearSelection() { SetSelected(FSelectedNode, false); }

    void ScrollIntoView(PVirtualNode node, bool center = false);

    // ---- editing ----------------------------------------------------------------------
    // Opens the in-place editor on the cell when OnEditing allows; what F2 does.
    bool EditNode(PVirtualNode node, TColumnIndex column);
    bool IsEditing() const;
    // Accepts (raises OnNewText) / drops the open edit.
    void EndEditNode();
    void CancelEditNode();
    // The in-place editor while one is open (for tests).
    QWidget *EditorWidget() const;

    // ---- keys and input focus --------------------------------------------------------
    // Delivers a key press and release to the tree at once, as if typed with `shift`
    // held, through the same key path (OnKeyAction first). The input focus stays where it
    // is.
    void SendKey(int vk, TShiftState shift = 0);
    bool HasInputFocus() const;

    // ---- columns and measures ---------------------------------------------------------
    // Appends a column; returns its index. maxWidth 0: no limit.
    TColumnIndex AddColumn(const QString &caption, int width, int maxWidth = 0);
    int ColumnCount() const { return int(FColumns.size()); }
    QString ColumnCaption(TColumnIndex column) const;
    int ColumnWidth(TColumnIndex column) const;
    void SetColumnWidth(TColumnIndex column, int width);
    int ColumnMaxWidth(TColumnIndex column) const;
    void SetColumnMaxWidth(TColumnIndex column, int maxWidth);
    // Display position of a column / the column at a display position.
    int ColumnPosition(TColumnIndex column) const;
    TColumnIndex ColumnAtPosition(int position) const;
    // Moves a column to a display position (what the user does by dragging a header).
    void MoveColumn(TColumnIndex column, int position);
    // The column that takes the remaining width (NoColumn: none).
    TColumnIndex AutoSizeIndex() const { return FAutoSizeIndex; }
    void SetAutoSizeIndex(TColumnIndex column);
    int HeaderHeight() const;
    void SetHeaderHeight(int height);

    // Width and height of the area the rows are drawn in.
    int ClientWidth() const;
    int ClientHeight() const;

    int DefaultNodeHeight() const { return FDefaultNodeHeight; }
    void SetDefaultNodeHeight(int height);
    QString DefaultText() const { return FDefaultText; }
    void SetDefaultText(const QString &text);
    int Indent() const;
    void SetIndent(int indent);

    // Height of the node's cell text in `column` laid out as the tree draws it (word-
    // wrapped for a multi-line node within the column's text area), in the canvas's font
    // (the tree's when null). `text` empty: the cell's own text from OnGetText.
    int ComputeNodeHeight(TCanvas *canvas, PVirtualNode node, TColumnIndex column,
                          const QString &text = QString());

    // Where a cell / a node's check box is, in the coordinates of ClientWidget (empty when
    // the node is not laid out). For tests that click.
    QRect CellRect(PVirtualNode node, TColumnIndex column) const;
    QRect CheckBoxRect(PVirtualNode node) const;
    QRect ExpandButtonRect(PVirtualNode node) const;
    QWidget *ClientWidget() const;
    QHeaderView *HeaderWidget() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class vtdetail::TreeView;
    friend class vtdetail::TreeModel;
    friend class vtdetail::TreeDelegate;

    PVirtualNode NewNode();
    void FreeNode(PVirtualNode node);
    void DeleteSubtree(PVirtualNode node);
    void Link(PVirtualNode node, PVirtualNode parent, PVirtualNode before);
    void Unlink(PVirtualNode node);
    void EnsureChildIndex(PVirtualNode parent) const;
    int RowOf(PVirtualNode node) const;
    PVirtualNode ChildAt(PVirtualNode parent, int row) const;
    void SortChildren(PVirtualNode node, TColumnIndex column, TSortDirection direction,
                      bool recurse);
    void SortLevel(PVirtualNode node, TColumnIndex column, TSortDirection direction,
                   bool recurse);
    bool ChangeFocus(PVirtualNode node, TColumnIndex column);
    void UserToggleCheck(PVirtualNode node);
    bool IsInSubtree(PVirtualNode node, PVirtualNode top) const;
    PVirtualNode PageFrom(PVirtualNode node, int direction) const;
    void AfterChange();
    void SyncViewState();
    bool ViewLive() const;
    void EnsureMeasured(PVirtualNode node);
    QString CellText(PVirtualNode node, TColumnIndex column);
    bool HandleKey(int vk, TShiftState shift);
    void ColumnResized(int logical, int oldSize, int newSize);
    TColumnIndex NextColumn(TColumnIndex column, int direction) const;

    struct Column {
        QString caption;
        int width;
        int maxWidth;
    };

    vtdetail::TreeView *FView;
    vtdetail::TreeModel *FModel;
    vtdetail::TreeDelegate *FDelegate;
    vtdetail::HeaderView *FHeader;
    PVirtualNode FRoot;
    PVirtualNode FCheckPressNode = nullptr;   // the check box held down by the mouse
    bool FResetOpen = false;
    PVirtualNode FFocusedNode = nullptr;
    TColumnIndex FFocusedColumn = 0;
    PVirtualNode FSelectedNode = nullptr;
    std::vector<Column> FColumns;
    TColumnIndex FAutoSizeIndex = NoColumn;
    int FDataSize = -1;   // -1: not asked yet
    int FUpdateCount = 0;
    int FSignalBlock = 0;
    bool FPendingScroll = false;
    int FTotalCount = 0;
    int FDefaultNodeHeight = 18;
    QString FDefaultText = QStringLiteral("<void>");
};

template <class T>
T *TVirtualStringTree::GetNodeData(PVirtualNode node)
{
    static_assert(alignof(T) <= alignof(std::max_align_t), "node data over-aligned");
    void *raw = GetNodeData(node);
    if (!raw)
        return nullptr;
    Q_ASSERT(sizeof(T) <= size_t(NodeDataSize()));
    if (sizeof(T) > size_t(NodeDataSize()))
        return nullptr;
    if (!node->DataDestructor) {
        ::new (raw) T();
        node->DataDestructor = [](void *p) { static_cast<T *>(p)->~T(); };
    }
    return std::launder(static_cast<T *>(raw));
}
