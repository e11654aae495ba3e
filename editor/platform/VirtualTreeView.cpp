// The widget side of `TVirtualStringTree`: building the view, the in-place editor, columns
// and measures, and the geometry tests click at.
#include "platform/VirtualTreeView.h"

#include <QVBoxLayout>

#include <algorithm>

using vtdetail::DisplayText;
using vtdetail::TextFlags;
using vtdetail::TreeDelegate;
using vtdetail::TreeModel;
using vtdetail::TreeView;

// ---- the widget and its view ------------------------------------------------------------------

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
