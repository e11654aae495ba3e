#include "platform/VirtualTree.h"

#include "platform/Memo.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {
constexpr std::align_val_t kDataAlign{alignof(std::max_align_t)};

// CR LF, LF and lone CR all end a line when a cell is drawn or measured. The item
// delegate hands texts over with every LF made a line separator, so CR followed by a line
// separator is one line break as well.
QString DisplayText(const QString &text)
{
    if (!text.contains(u'\r') && !text.contains(QChar::LineSeparator))
        return text;
    QString s = text;
    s.replace(QChar::LineSeparator, u'\n');
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

int TextFlags(PVirtualNode node)
{
    return Qt::AlignLeft | Qt::AlignVCenter |
           (node->MultiLine ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine));
}
}

namespace vtdetail {

// ---- model: asks the tree for everything, stores nothing ------------------------------
class TreeModel : public QAbstractItemModel {
public:
    explicit TreeModel(TVirtualStringTree *tree) : QAbstractItemModel(tree), T(tree) {}

    PVirtualNode NodeOf(const QModelIndex &index) const
    {
        return index.isValid() ? static_cast<PVirtualNode>(index.internalPointer()) : T->FRoot;
    }
    QModelIndex IndexOf(PVirtualNode node, int column) const
    {
        if (!node || node == T->FRoot)
            return QModelIndex();
        return createIndex(T->RowOf(node), column, node);
    }

    QModelIndex index(int row, int column, const QModelIndex &parent) const override
    {
        PVirtualNode p = NodeOf(parent);
        if (row < 0 || unsigned(row) >= p->ChildCount || column < 0 || column >= T->ColumnCount())
            return QModelIndex();
        return createIndex(row, column, T->ChildAt(p, row));
    }
    QModelIndex parent(const QModelIndex &child) const override
    {
        if (!child.isValid())
            return QModelIndex();
        return IndexOf(NodeOf(child)->Parent, 0);
    }
    int rowCount(const QModelIndex &parent) const override
    {
        if (parent.column() > 0)
            return 0;
        return int(NodeOf(parent)->ChildCount);
    }
    int columnCount(const QModelIndex &) const override { return T->ColumnCount(); }
    bool hasChildren(const QModelIndex &parent) const override
    {
        if (parent.column() > 0)
            return false;
        return NodeOf(parent)->FirstChild != nullptr;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return QVariant();
        PVirtualNode node = NodeOf(index);
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return T->CellText(node, index.column());
        case Qt::CheckStateRole:
            if (index.column() == 0 && node->CheckType == ctCheckBox)
                return (node->CheckState == csCheckedNormal || node->CheckState == csCheckedPressed)
                           ? Qt::Checked
                           : Qt::Unchecked;
            return QVariant();
        default:
            return QVariant();
        }
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
        if (index.column() == 0 && NodeOf(index)->CheckType == ctCheckBox)
            f |= Qt::ItemIsUserCheckable;
        return f;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < T->ColumnCount())
            return T->FColumns[size_t(section)].caption;
        return QVariant();
    }

    // The notifications, for the tree.
    void BeginInsert(const QModelIndex &p, int first, int last) { beginInsertRows(p, first, last); }
    void EndInsert() { endInsertRows(); }
    void BeginRemove(const QModelIndex &p, int first, int last) { beginRemoveRows(p, first, last); }
    void EndRemove() { endRemoveRows(); }
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    void BeginColumn(int c) { beginInsertColumns(QModelIndex(), c, c); }
    void EndColumn() { endInsertColumns(); }
    void RowChanged(PVirtualNode node)
    {
        const int last = T->ColumnCount() - 1;
        if (last >= 0)
            emit dataChanged(IndexOf(node, 0), IndexOf(node, last));
    }
    // Re-points the view's persistent indexes after the rows have been reordered.
    void BeginLayout(std::vector<PVirtualNode> &nodes)
    {
        emit layoutAboutToBeChanged();
        FOld = persistentIndexList();
        nodes.clear();
        for (const QModelIndex &i : FOld)
            nodes.push_back(NodeOf(i));
    }
    void EndLayout(const std::vector<PVirtualNode> &nodes)
    {
        QModelIndexList now;
        for (qsizetype i = 0; i < FOld.size(); ++i)
            now.push_back(IndexOf(nodes[size_t(i)], FOld[i].column()));
        changePersistentIndexList(FOld, now);
        FOld.clear();
        emit layoutChanged();
    }

private:
    TVirtualStringTree *T;
    QModelIndexList FOld;
};

// ---- the in-place editor ----------------------------------------------------------------
// Enter accepts, Escape drops, Shift+Enter or Ctrl+Enter starts a new line in a multi-line
// node; leaving the editor accepts.
class CellEditor : public QPlainTextEdit {
public:
    CellEditor(QWidget *parent, bool multiLine) : QPlainTextEdit(parent), FMultiLine(multiLine)
    {
        setLineWrapMode(multiLine ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        setTabChangesFocus(true);
        setFrameShape(QFrame::Box);
    }
    std::function<void(bool accept)> Finish;

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            if (FMultiLine && (e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
                insertPlainText(QStringLiteral("\n"));
                return;
            }
            if (Finish)
                Finish(true);
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }

private:
    bool FMultiLine;
};

// ---- delegate: heights from the tree, texts drawn as measured ----------------------------
class TreeDelegate : public QStyledItemDelegate {
public:
    explicit TreeDelegate(TVirtualStringTree *tree) : QStyledItemDelegate(tree), T(tree) {}

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        PVirtualNode node = T->FModel->NodeOf(index);
        T->EnsureMeasured(node);
        return QSize(T->ColumnWidth(index.column()), node->NodeHeight);
    }

    // The area a cell's text is drawn in, inside the cell's rectangle.
    static QRect TextArea(const QStyleOptionViewItem &opt, const QWidget *widget)
    {
        QStyle *style = widget ? widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        return style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget)
            .adjusted(margin, 0, -margin, 0);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        PVirtualNode node = T->FModel->NodeOf(index);
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = DisplayText(opt.text);
        opt.text.clear();
        opt.state &= ~QStyle::State_HasFocus;   // no focus rectangle
        const bool focusedCell = node == T->FFocusedNode && index.column() == T->FFocusedColumn;
        if (node->Selected) {
            opt.state |= QStyle::State_Selected;
            if (!focusedCell) {
                // The rest of the selected row in a paler tone, so the focused cell shows.
                const QColor hi = opt.palette.color(QPalette::Highlight);
                const QColor base = opt.palette.color(QPalette::Base);
                const QColor mix((hi.red() + base.red() * 2) / 3, (hi.green() + base.green() * 2) / 3,
                                 (hi.blue() + base.blue() * 2) / 3);
                opt.palette.setColor(QPalette::Highlight, mix);
                opt.palette.setColor(QPalette::HighlightedText, opt.palette.color(QPalette::Text));
            }
        } else {
            opt.state &= ~QStyle::State_Selected;
        }
        const QWidget *widget = opt.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(node->Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(TextArea(opt, widget), TextFlags(node), text);
        // Horizontal and vertical grid lines.
        painter->setPen(opt.palette.color(QPalette::Mid).lighter(140));
        const QRect r = option.rect;
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &index) const override
    {
        auto *editor = new CellEditor(parent, T->FModel->NodeOf(index)->MultiLine);
        editor->Finish = [this, editor](bool accept) { FinishEditor(editor, accept); };
        FEditor = editor;
        return editor;
    }
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        if (FEditor == editor)
            FEditor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *e = static_cast<CellEditor *>(editor);
        QString text = T->CellText(T->FModel->NodeOf(index), index.column());
        e->setPlainText(DisplayText(text));
        e->selectAll();
    }
    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        QString text = EditPlainText(static_cast<CellEditor *>(editor));
        text.replace(u'\n', QStringLiteral("\r\n"));
        PVirtualNode node = T->FModel->NodeOf(index);
        if (T->OnNewText)
            T->OnNewText(T, node, index.column(), text);
        T->InvalidateNode(node);
    }
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &) const override
    {
        QRect r = option.rect;
        r.setHeight(std::max(r.height(), editor->fontMetrics().height() * 2 + 8));
        editor->setGeometry(r);
    }

    void FinishEditor(QWidget *editor, bool accept) const
    {
        auto *self = const_cast<TreeDelegate *>(this);
        if (accept)
            emit self->commitData(editor);
        emit self->closeEditor(editor, accept ? QAbstractItemDelegate::NoHint
                                              : QAbstractItemDelegate::RevertModelCache);
    }

    void InitOption(QStyleOptionViewItem *opt, const QModelIndex &index) const
    {
        initStyleOption(opt, index);
    }

    mutable QPointer<QWidget> FEditor;

private:
    TVirtualStringTree *T;
};

// ---- header with a fixed height ----------------------------------------------------------
class HeaderView : public QHeaderView {
public:
    explicit HeaderView(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}
    QSize sizeHint() const override
    {
        QSize s = QHeaderView::sizeHint();
        if (FixedHeight > 0)
            s.setHeight(FixedHeight);
        return s;
    }
    int FixedHeight = 0;
};

// ---- view: every key and click goes to the tree -------------------------------------------
class TreeView : public QTreeView {
public:
    TreeView(TVirtualStringTree *tree) : QTreeView(tree), T(tree) {}

    bool OpenEditor(const QModelIndex &index) { return edit(index, AllEditTriggers, nullptr); }
    void Relayout() { scheduleDelayedItemsLayout(); }
    void UpdateGeometries() { updateGeometries(); }

    // Where the expand button and the check box of a node's main cell are.
    QRect ButtonArea(const QModelIndex &index0) const
    {
        const QRect r = visualRect(index0);
        return QRect(r.left() - indentation(), r.top(), indentation(), r.height());
    }
    QRect CheckArea(const QModelIndex &index0) const
    {
        QStyleOptionViewItem opt;
        initViewItemOption(&opt);
        opt.rect = visualRect(index0);
        T->FDelegate->InitOption(&opt, index0);
        return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, this);
    }
    void InitOption(QStyleOptionViewItem *opt) const { initViewItemOption(opt); }

protected:
    bool event(QEvent *e) override
    {
        // Tab and Shift+Tab are keys of the tree, not focus moves.
        if (e->type() == QEvent::KeyPress) {
            auto *ke = static_cast<QKeyEvent *>(e);
            if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
                keyPressEvent(ke);
                return ke->isAccepted();
            }
        }
        return QTreeView::event(e);
    }
    void keyPressEvent(QKeyEvent *e) override
    {
        if (state() == EditingState) {   // a key the editor left: not the tree's
            e->ignore();
            return;
        }
        int vk = VirtualKeyFromQtKey(e->key());
        TShiftState shift = ShiftStateFromModifiers(e->modifiers());
        if (e->key() == Qt::Key_Backtab)
            shift |= ssShift;
        if (vk != 0 && T->HandleKey(vk, shift))
            e->accept();
        else
            e->ignore();
    }
    void keyReleaseEvent(QKeyEvent *e) override { e->ignore(); }

    void mousePressEvent(QMouseEvent *e) override { Press(e, false); }
    void mouseDoubleClickEvent(QMouseEvent *e) override { Press(e, true); }
    void mouseMoveEvent(QMouseEvent *e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        e->accept();
        PVirtualNode node = T->FCheckPressNode;
        if (!node)
            return;
        T->FCheckPressNode = nullptr;
        node->CheckState = TCheckState(node->CheckState & csCheckedNormal);
        const QModelIndex index = indexAt(e->position().toPoint());
        if (index.isValid() && index.column() == 0 && T->FModel->NodeOf(index) == node &&
            CheckArea(index).contains(e->position().toPoint()))
            T->UserToggleCheck(node);
        else
            T->RepaintNode(node);
    }

    void resizeEvent(QResizeEvent *e) override
    {
        QTreeView::resizeEvent(e);
        if (T->OnResize)
            T->OnResize(T);
    }

    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override
    {
        // The selection is the tree's, not the selection model's: the row's indentation
        // is highlighted here.
        if (T->FModel->NodeOf(index)->Selected)
            painter->fillRect(rect, palette().color(QPalette::Highlight));
        QTreeView::drawBranches(painter, rect, index);
    }

    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        // Never walk on to edit another cell: editing starts only with F2.
        if (hint != QAbstractItemDelegate::RevertModelCache)
            hint = QAbstractItemDelegate::NoHint;
        QTreeView::closeEditor(editor, hint);
    }

private:
    void Press(QMouseEvent *e, bool doubleClick)
    {
        e->accept();
        if (e->button() != Qt::LeftButton)
            return;
        const QPoint pos = e->position().toPoint();
        const QModelIndex index = indexAt(pos);
        PVirtualNode node = index.isValid() ? T->FModel->NodeOf(index) : nullptr;
        if (node) {
            const QModelIndex index0 = index.sibling(index.row(), 0);
            if (index.column() == 0 && ButtonArea(index0).contains(pos)) {
                if (node->FirstChild)
                    T->ToggleNode(node);
                return;
            }
            if (index.column() == 0 && node->CheckType == ctCheckBox && CheckArea(index0).contains(pos)) {
                T->FCheckPressNode = node;
                node->CheckState = TCheckState((node->CheckState & csCheckedNormal) | 1);
                T->RepaintNode(node);
                return;
            }
            if (T->ChangeFocus(node, index.column()))
                T->SetSelected(node, true);
        }
        if (doubleClick) {
            if (node && node->FirstChild)
                T->ToggleNode(node);
            if (T->OnDblClick)
                T->OnDblClick(T);
        }
    }

    TVirtualStringTree *T;
};

}   // namespace vtdetail

using vtdetail::TreeDelegate;
using vtdetail::TreeModel;
using vtdetail::TreeView;

// ==== the tree ==================================================================================

TVirtualStringTree::TVirtualStringTree(QWidget *parent) : QWidget(parent), FRoot(new TVirtualNode)
{
    FRoot->Expanded = true;
    FRoot->ChildIndexValid = true;

    FModel = new TreeModel(this);
    FDelegate = new TreeDelegate(this);
    FView = new TreeView(this);
    FHeader = new vtdetail::HeaderView(FView);
    FView->setHeader(FHeader);
    FView->setModel(FModel);
    FView->setItemDelegate(FDelegate);
    FView->setUniformRowHeights(false);
    FView->setWordWrap(true);
    FView->setRootIsDecorated(true);
    FView->setIndentation(12);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setDragEnabled(false);
    FView->setDragDropMode(QAbstractItemView::NoDragDrop);
    FView->setAutoScroll(false);
    FView->setSortingEnabled(false);
    FView->setTabKeyNavigation(true);
    FView->setAllColumnsShowFocus(true);
    FView->setItemsExpandable(false);   // expansion is the tree's, through SetExpanded
    FView->setExpandsOnDoubleClick(false);
    FView->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    FHeader->setSectionsMovable(true);
    FHeader->setSectionsClickable(false);
    FHeader->setSortIndicatorShown(false);
    FHeader->setStretchLastSection(false);
    FHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(FHeader, &QHeaderView::sectionResized, this,
            [this](int logical, int oldSize, int newSize) { ColumnResized(logical, oldSize, newSize); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FView);
    setFocusProxy(FView);
    setFocusPolicy(Qt::StrongFocus);
}

TVirtualStringTree::~TVirtualStringTree()
{
    // The window that owns the handlers may be half gone: free quietly.
    OnFocusChanging = nullptr;
    OnFreeNode = nullptr;
    delete FView;
    FView = nullptr;
    FUpdateCount = 1;
    while (FRoot->LastChild) {
        PVirtualNode n = FRoot->LastChild;
        DeleteSubtree(n);
    }
    delete FRoot;
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

// ---- editing -----------------------------------------------------------------------------------

bool TVirtualStringTree::EditNode(PVirtualNode node, TColumnIndex column)
{
    if (!node || node == FRoot || column < 0 || column >= ColumnCount() || !ViewLive())
        return false;
    if (IsEditing())
        EndEditNode();
    bool allowed = true;
    if (OnEditing)
        OnEditing(this, node, column, allowed);
    if (!allowed)
        return false;
    ScrollIntoView(node);
    return FView->OpenEditor(FModel->IndexOf(node, column));
}

bool TVirtualStringTree::IsEditing() const
{
    return FDelegate->FEditor != nullptr;
}

QWidget *TVirtualStringTree::EditorWidget() const
{
    return FDelegate->FEditor;
}

void TVirtualStringTree::EndEditNode()
{
    if (QWidget *editor = FDelegate->FEditor)
        FDelegate->FinishEditor(editor, true);
}

void TVirtualStringTree::CancelEditNode()
{
    if (QWidget *editor = FDelegate->FEditor)
        FDelegate->FinishEditor(editor, false);
}

// ---- keys ------------------------------------------------------------------------------------

void TVirtualStringTree::SendKey(int vk, TShiftState shift)
{
    const int key = QtKeyFromVirtualKey(vk);
    const Qt::KeyboardModifiers modifiers = ModifiersFromShiftState(shift);
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(FView, &press);
    QCoreApplication::sendEvent(FView, &release);
}

bool TVirtualStringTree::HasInputFocus() const
{
    return FView->hasFocus();
}

TColumnIndex TVirtualStringTree::NextColumn(TColumnIndex column, int direction) const
{
    const int pos = ColumnPosition(column) + direction;
    if (pos < 0 || pos >= ColumnCount())
        return NoColumn;
    return ColumnAtPosition(pos);
}

// Rows of about one page above or below `node` in display order.
PVirtualNode TVirtualStringTree::PageFrom(PVirtualNode node, int direction) const
{
    int room = std::max(ClientHeight(), FDefaultNodeHeight);
    PVirtualNode n = node;
    while (true) {
        PVirtualNode next = direction > 0 ? GetNextVisible(n) : GetPreviousVisible(n);
        if (!next)
            break;
        room -= std::max(1, next->NodeHeight);
        if (room < 0)
            break;
        n = next;
    }
    return n;
}

bool TVirtualStringTree::HandleKey(int vk, TShiftState shift)
{
    bool doDefault = true;
    if (OnKeyAction)
        OnKeyAction(this, vk, shift, doDefault);
    if (!doDefault || vk == 0)
        return true;

    const bool ctrl = shift & ssCtrl;
    PVirtualNode f = FFocusedNode;
    PVirtualNode target = nullptr;
    TColumnIndex column = FFocusedColumn;

    switch (vk) {
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
        if (ctrl) {
            QScrollBar *v = FView->verticalScrollBar();
            QScrollBar *h = FView->horizontalScrollBar();
            switch (vk) {
            case VK_UP: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
            case VK_DOWN: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
            case VK_HOME: v->triggerAction(QAbstractSlider::SliderToMinimum); break;
            case VK_END: v->triggerAction(QAbstractSlider::SliderToMaximum); break;
            case VK_PRIOR: v->triggerAction(QAbstractSlider::SliderPageStepSub); break;
            case VK_NEXT: v->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
            case VK_LEFT: h->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
            default: h->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
            }
            return true;
        }
        switch (vk) {
        case VK_UP: target = f ? GetPreviousVisible(f) : GetFirstVisible(); break;
        case VK_DOWN: target = f ? GetNextVisible(f) : GetFirstVisible(); break;
        case VK_HOME: target = GetFirstVisible(); break;
        case VK_END: target = GetLastVisible(); break;
        case VK_PRIOR: target = f ? PageFrom(f, -1) : GetFirstVisible(); break;
        case VK_NEXT: target = f ? PageFrom(f, 1) : GetFirstVisible(); break;
        case VK_LEFT:
            if (TColumnIndex c = NextColumn(column, -1); c != NoColumn) {
                target = f;
                column = c;
            } else if (f && f->Expanded && f->FirstChild) {
                SetExpanded(f, false);
            } else if (f && f->Parent != FRoot) {
                target = f->Parent;
            }
            break;
        default:   // VK_RIGHT
            if (TColumnIndex c = NextColumn(column, 1); c != NoColumn) {
                target = f;
                column = c;
            } else if (f && f->FirstChild && !f->Expanded) {
                SetExpanded(f, true);
            }
            break;
        }
        break;
    case VK_TAB: {
        if (ctrl)
            return false;
        const int direction = (shift & ssShift) ? -1 : 1;
        if (!f) {
            target = GetFirstVisible();
            column = ColumnAtPosition(0);
        } else if (TColumnIndex c = NextColumn(column, direction); c != NoColumn) {
            target = f;
            column = c;
        } else if (PVirtualNode n = direction > 0 ? GetNextVisible(f) : GetPreviousVisible(f)) {
            target = n;
            column = ColumnAtPosition(direction > 0 ? 0 : ColumnCount() - 1);
        }
        break;
    }
    case VK_SPACE:
        if (f && f->CheckType == ctCheckBox)
            UserToggleCheck(f);
        return true;
    case VK_F2:
        if (f && !(shift & (ssShift | ssAlt)))
            EditNode(f, column);
        return true;
    default:
        return false;
    }

    if (target && ChangeFocus(target, column))
        SetSelected(target, true);
    return true;
}

// ---- columns ----------------------------------------------------------------------------------

TColumnIndex TVirtualStringTree::AddColumn(const QString &caption, int width, int maxWidth)
{
    const int c = ColumnCount();
    FModel->BeginColumn(c);
    FColumns.push_back({caption, width, maxWidth});
    FModel->EndColumn();
    FHeader->setSectionResizeMode(c, c == FAutoSizeIndex ? QHeaderView::Stretch : QHeaderView::Interactive);
    SetColumnWidth(c, width);
    return c;
}

QString TVirtualStringTree::ColumnCaption(TColumnIndex column) const
{
    if (column < 0 || column >= ColumnCount())
        return QString();
    return FColumns[size_t(column)].caption;
}

int TVirtualStringTree::ColumnWidth(TColumnIndex column) const
{
    if (column < 0 || column >= ColumnCount())
        return 0;
    return FHeader->sectionSize(column);
}

void TVirtualStringTree::SetColumnWidth(TColumnIndex column, int width)
{
    if (column < 0 || column >= ColumnCount())
        return;
    const int max = FColumns[size_t(column)].maxWidth;
    if (max > 0 && width > max)
        width = max;
    FColumns[size_t(column)].width = width;
    FHeader->resizeSection(column, width);
}

int TVirtualStringTree::ColumnMaxWidth(TColumnIndex column) const
{
    if (column < 0 || column >= ColumnCount())
        return 0;
    return FColumns[size_t(column)].maxWidth;
}

void TVirtualStringTree::SetColumnMaxWidth(TColumnIndex column, int maxWidth)
{
    if (column < 0 || column >= ColumnCount())
        return;
    FColumns[size_t(column)].maxWidth = maxWidth;
    SetColumnWidth(column, ColumnWidth(column));
}

void TVirtualStringTree::ColumnResized(int logical, int, int newSize)
{
    if (logical < 0 || logical >= ColumnCount())
        return;
    const int max = FColumns[size_t(logical)].maxWidth;
    if (max > 0 && newSize > max) {
        FHeader->resizeSection(logical, max);   // comes back here with the limit
        return;
    }
    // Wrapped texts take another height at another width.
    for (PVirtualNode n = GetFirst(); n; n = GetNext(n))
        n->HeightMeasured = false;
    if (ViewLive())
        FView->Relayout();
}

int TVirtualStringTree::ColumnPosition(TColumnIndex column) const
{
    return FHeader->visualIndex(column);
}

TColumnIndex TVirtualStringTree::ColumnAtPosition(int position) const
{
    return FHeader->logicalIndex(position);
}

void TVirtualStringTree::MoveColumn(TColumnIndex column, int position)
{
    FHeader->moveSection(FHeader->visualIndex(column), position);
}

void TVirtualStringTree::SetAutoSizeIndex(TColumnIndex column)
{
    FAutoSizeIndex = column;
    for (int c = 0; c < ColumnCount(); ++c)
        FHeader->setSectionResizeMode(c, c == column ? QHeaderView::Stretch : QHeaderView::Interactive);
}

int TVirtualStringTree::HeaderHeight() const
{
    return FHeader->sizeHint().height();
}

void TVirtualStringTree::SetHeaderHeight(int height)
{
    FHeader->FixedHeight = height;
    FHeader->updateGeometry();
    FView->UpdateGeometries();
}

int TVirtualStringTree::ClientWidth() const
{
    return FView->viewport()->width();
}

int TVirtualStringTree::ClientHeight() const
{
    return FView->viewport()->height();
}

void TVirtualStringTree::SetDefaultNodeHeight(int height)
{
    FDefaultNodeHeight = std::max(1, height);
    for (PVirtualNode n = GetFirst(); n; n = GetNext(n))
        n->HeightMeasured = false;
    if (ViewLive())
        FView->Relayout();
}

void TVirtualStringTree::SetDefaultText(const QString &text)
{
    FDefaultText = text;
    FView->viewport()->update();
}

int TVirtualStringTree::Indent() const
{
    return FView->indentation();
}

void TVirtualStringTree::SetIndent(int indent)
{
    FView->setIndentation(indent);
}

// ---- measuring ---------------------------------------------------------------------------------

QString TVirtualStringTree::CellText(PVirtualNode node, TColumnIndex column)
{
    QString text = FDefaultText;
    if (OnGetText && node && node != FRoot)
        OnGetText(this, node, column, ttNormal, text);
    return text;
}

void TVirtualStringTree::EnsureMeasured(PVirtualNode node)
{
    if (node->HeightMeasured)
        return;
    int height = FDefaultNodeHeight;
    if (OnMeasureItem) {
        TCanvas canvas{FView->font()};
        OnMeasureItem(this, &canvas, node, height);
    }
    node->NodeHeight = std::max(1, height);
    node->HeightMeasured = true;
}

int TVirtualStringTree::ComputeNodeHeight(TCanvas *canvas, PVirtualNode node, TColumnIndex column,
                                          const QString &text)
{
    if (!node || node == FRoot || column < 0 || column >= ColumnCount())
        return 0;
    const QFont font = canvas ? canvas->Font : FView->font();
    const QString shown = DisplayText(text.isEmpty() ? CellText(node, column) : text);

    // The cell's text area as the delegate lays it out.
    QStyleOptionViewItem opt;
    FView->InitOption(&opt);
    opt.font = font;
    opt.fontMetrics = QFontMetrics(font);
    int width = ColumnWidth(column);
    if (column == 0)
        width -= FView->indentation() * (GetNodeLevel(node) + (FView->rootIsDecorated() ? 1 : 0));
    opt.rect = QRect(0, 0, std::max(width, 1), 10000);
    opt.features |= QStyleOptionViewItem::HasDisplay;
    if (node->MultiLine)
        opt.features |= QStyleOptionViewItem::WrapText;
    if (column == 0 && node->CheckType == ctCheckBox)
        opt.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect area = TreeDelegate::TextArea(opt, FView);
    const QRect bounds = opt.fontMetrics.boundingRect(QRect(0, 0, std::max(area.width(), 1), 100000),
                                                      TextFlags(node) & ~Qt::AlignVCenter, shown);
    return bounds.height();
}

// ---- geometry for tests ------------------------------------------------------------------------

QRect TVirtualStringTree::CellRect(PVirtualNode node, TColumnIndex column) const
{
    if (!node || node == FRoot || !ViewLive() || column < 0 || column >= ColumnCount())
        return QRect();
    return FView->visualRect(FModel->IndexOf(node, column));
}

QRect TVirtualStringTree::CheckBoxRect(PVirtualNode node) const
{
    if (!node || node == FRoot || !ViewLive() || node->CheckType != ctCheckBox || ColumnCount() == 0)
        return QRect();
    return FView->CheckArea(FModel->IndexOf(node, 0));
}

QRect TVirtualStringTree::ExpandButtonRect(PVirtualNode node) const
{
    if (!node || node == FRoot || !ViewLive() || ColumnCount() == 0)
        return QRect();
    return FView->ButtonArea(FModel->IndexOf(node, 0));
}

QWidget *TVirtualStringTree::ClientWidget() const
{
    return FView->viewport();
}

QHeaderView *TVirtualStringTree::HeaderWidget() const
{
    return FHeader;
}

void TVirtualStringTree::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
}
