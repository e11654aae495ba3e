// The document of the main window: the records of the tree, their fill from the stock
// table and the tree's data callbacks.
#include "Main.h"

#include "LangpackFormat.h"
#include "TopLevelIndex.h"
#include "platform/Memo.h"

#include <QCheckBox>
#include <QComboBox>

#include <algorithm>

namespace {

QString GroupTemplate(const QStringList &lines)
{
    QString text = QString::fromUtf16(kGroupTemplatePrefix);
    if (!lines.isEmpty())
        text += lines.constFirst();
    return text;
}

} // namespace

RecData *TZvLngFrm::NodeRecord(PVirtualNode node) const
{
    if (!node || node == Tree->RootNode())
        return nullptr;
    return Tree->GetNodeData<RecData>(node);
}

// ---- adding nodes ----

PVirtualNode TZvLngFrm::AddRecordNode(PVirtualNode parent, const RecData &record)
{
    PVirtualNode node = Tree->AddChild(parent);
    node->MultiLine = true;
    node->CheckType = ctCheckBox;
    *NodeRecord(node) = record;
    return node;
}

PVirtualNode TZvLngFrm::InsertRecordNode(PVirtualNode reference, TVTNodeAttachMode mode,
                                         const RecData &record)
{
    PVirtualNode node = Tree->InsertNode(reference, mode);
    if (!node)
        return nullptr;
    node->MultiLine = true;
    node->CheckType = ctCheckBox;
    *NodeRecord(node) = record;
    return node;
}

void TZvLngFrm::ClearTree()
{
    // The document goes as a whole: a text in New that was not stored goes with it, and the
    // focus leaving its node as the node is deleted stores nothing.
    ShowFocusedNode();
    Tree->DeleteChildren(Tree->RootNode());
}

// ---- the changed flag ----

void TZvLngFrm::MarkChanged()
{
    ChangedCb->setChecked(true);
}

void TZvLngFrm::MarkUnchanged()
{
    ChangedCb->setChecked(false);
}

// ---- the stock table ----

void TZvLngFrm::AttachBaseLangdefBlock(TRawMemoryStream &stream) const
{
    LangdefStream->AttachBaseLangdefBlock(stream, BaseLangCb->currentIndex());
}

QString TZvLngFrm::LookupStockText(uint32_t id) const
{
    return LangdefStream->LookupStockText(BaseLangCb->currentIndex(), id);
}

int TZvLngFrm::FindLangIndex(int32_t languageId) const
{
    return LangdefStream->FindLangIndex(uint32_t(languageId));
}

// ---- building the tree from the stock table ----

void TZvLngFrm::WalkBaseBlock(const BaseRecordVisitor &visit)
{
    TRawMemoryStream stream;
    AttachBaseLangdefBlock(stream);
    LangdefBlockReader reader(stream);
    Tree->BeginUpdate();
    LangdefRecord record;
    while (reader.Next(record)) {
        // A single string has one text, a group its lines; texts have CR LF line breaks.
        const QStringList strings = record.IsGroup()
            ? reader.Strings(record)
            : QStringList{record.offsets.empty() ? QString() : reader.String(record.offsets[0])};
        visit(record, strings);
    }
    ShowFirstRecordSorted();
    Tree->EndUpdate();
}

void TZvLngFrm::FillTreeFromBase()
{
    PVirtualNode root = Tree->RootNode();
    WalkBaseBlock([&](const LangdefRecord &record, const QStringList &strings) {
        if (!record.IsGroup()) {
            AddRecordNode(root, RecData{record.id, KindSingle, strings[0], QString()});
            return;
        }
        PVirtualNode group =
            AddRecordNode(root, RecData{record.id, record.kind, GroupTemplate(strings), QString()});
        for (const QString &line : strings)
            AddRecordNode(group, RecData{record.id, KindSingle, line, QString()});
    });
}

void TZvLngFrm::ReloadTemplates()
{
    TopLevelIndex topLevel(*this);
    WalkBaseBlock([&](const LangdefRecord &record, const QStringList &strings) {
        // The record's place: the first top-level node whose id is not below the record's.
        const TopLevelIndex::Place place = topLevel.Find(record.id);
        PVirtualNode node = place.node;
        RecData *match = NodeRecord(node);

        if (!record.IsGroup()) {
            if (match) {
                match->templateText = strings[0];
                match->kind = KindSingle;
                Tree->DeleteChildren(node);
                Tree->InvalidateNode(node);
            } else {
                topLevel.Insert(place, RecData{record.id, KindSingle, strings[0], QString()});
            }
            return;
        }

        const QString groupText = GroupTemplate(strings);
        if (match) {
            match->templateText = groupText;
            match->kind = record.kind;
            Tree->InvalidateNode(node);
        } else {
            node = topLevel.Insert(place, RecData{record.id, record.kind, groupText, QString()});
        }
        PVirtualNode line = node->FirstChild;
        for (const QString &text : strings) {
            if (line) {
                if (RecData *lineData = NodeRecord(line))
                    lineData->templateText = text;
                Tree->InvalidateNode(line);
                line = line->NextSibling;
            } else {
                InsertRecordNode(node, amAddChildLast, RecData{record.id, KindSingle, text, QString()});
            }
        }
    });
}

// Runs inside the update bracket of the fill or reload: the focus handler sees both moves,
// while the view is rebuilt and scrolled once, to the first record, when the bracket
// closes (scrolling to the last record first would lay out every row above it).
void TZvLngFrm::ShowFirstRecordSorted()
{
    PVirtualNode root = Tree->RootNode();
    // Setting the focus also scrolls the node into view.
    Tree->SetFocusedNode(root->LastChild);
    Tree->SetFocusedNode(root->FirstChild);
    Tree->SortTree(0, sdAscending);
}

void TZvLngFrm::BaseLangCbChange(QObject *)
{
    ReloadTemplates();
    // A save names the base language: the user's choice is a change of the document.
    MarkChanged();
}

// ---- tree callbacks ----

void TZvLngFrm::TreeGetNodeDataSize(TVirtualStringTree *, int &NodeDataSize)
{
    NodeDataSize = int(sizeof(RecData));
}

void TZvLngFrm::TreeGetText(TVirtualStringTree *, PVirtualNode Node, TColumnIndex Column,
                            TVSTTextType, QString &CellText)
{
    const RecData *data = NodeRecord(Node);
    if (!data)
        return;
    switch (Column) {
    case 0:
        CellText = QString::asprintf("%08X%s", unsigned(data->id), data->kind != KindSingle ? "*" : "");
        break;
    case 1:
        CellText = data->templateText;
        break;
    case 2:
        CellText = data->newText;
        break;
    default:
        break;
    }
}

void TZvLngFrm::TreeNewText(TVirtualStringTree *, PVirtualNode Node, TColumnIndex Column,
                            const QString &NewText)
{
    // An edited translation is committed as a typed one is; the translation field shows the
    // focused node's translation, so it follows the edit.
    if (Column == 2 && CommitText(Node, NewText) && Node == Tree->FocusedNode())
        SetMemoText(New, NewText);
}

void TZvLngFrm::TreeEditing(TVirtualStringTree *, PVirtualNode Node, TColumnIndex Column, bool &Allowed)
{
    // A group has no translation of its own: only its lines are edited.
    const RecData *data = NodeRecord(Node);
    Allowed = Column == 2 && data && data->kind == KindSingle;
}

void TZvLngFrm::TreeMeasureItem(TVirtualStringTree *Sender, TCanvas *TargetCanvas,
                                PVirtualNode Node, int &NodeHeight)
{
    const int h1 = Sender->ComputeNodeHeight(TargetCanvas, Node, 1);
    const int h2 = Sender->ComputeNodeHeight(TargetCanvas, Node, 2);
    NodeHeight = std::max(std::max(h1 + 2, Sender->DefaultNodeHeight()), h2 + 2);
}

void TZvLngFrm::TreeCompareNodes(TVirtualStringTree *, PVirtualNode Node1, PVirtualNode Node2,
                                 TColumnIndex Column, int &Result)
{
    if (Column != 0)
        return;
    const RecData *a = NodeRecord(Node1);
    const RecData *b = NodeRecord(Node2);
    if (!a || !b)
        return;
    Result = a->id < b->id ? -1 : (a->id > b->id ? 1 : 0);
}
