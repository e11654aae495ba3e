// The Qt side of `TVirtualStringTree`: the model that asks the tree for everything, the
// in-place editor, the delegate that draws and measures cells, the header and the view that
// hands every key and click to the tree. Private to the tree's own files.
#pragma once

#include "platform/Memo.h"
#include "platform/VirtualTree.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <functional>
#include <vector>

namespace vtdetail {

// CR LF, LF and lone CR all end a line when a cell is drawn or measured. The item
// delegate hands texts over with every LF made a line separator, so CR followed by a line
// separator is one line break as well.
inline QString DisplayText(const QString &text)
{
    if (!text.contains(u'\r') && !text.contains(QChar::LineSeparator))
        return text;
    QString s = text;
    s.replace(QChar::LineSeparator, u'\n');
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

inline int TextFlags(PVirtualNode node)
{
    return Qt::AlignLeft | Qt::AlignVCenter |
           (node->MultiLine ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine));
}

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
