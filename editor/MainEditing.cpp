// The editing commands of the main window: the commit of the translation field into the
// node the tree's focus leaves, the display of the node it reaches, the lines of a group,
// the records added and removed with the special functions, and the id field.
#include "Main.h"

#include "LangpackFormat.h"
#include "platform/KeyState.h"
#include "platform/Memo.h"
#include "platform/SpinEdit.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cmath>
#include <initializer_list>

namespace {

// The font colour of StIDed while it holds an id that cannot be added (red, 0x00BBGGRR).
constexpr TColor kRefusedIdColor = 255;

// A plain step of StIDed moves a whole string number (0x100); its own step is 1.
constexpr double kStringStep = 255;

bool IsGroup(const RecData *record)
{
    return record && record->kind != KindSingle;
}

} // namespace

// ---- commit and display ----

bool TZvLngFrm::CommitText(PVirtualNode node, const QString &text)
{
    // A translation becomes the node's, and the node (with its group) part of the langpack.
    // Check states are written straight into the nodes (no OnChecked).
    RecData *record = NodeRecord(node);
    if (!record || record->kind != KindSingle || record->newText == text)
        return false;
    record->newText = text;
    Tree->SetCheckState(node, csCheckedNormal);
    MarkChanged();
    PVirtualNode parent = node->Parent;
    if (parent && parent != Tree->RootNode()) {
        Tree->SetCheckState(parent, csCheckedNormal);
        Tree->RepaintNode(parent);
    }
    // The node's height follows its texts: measure it again.
    Tree->InvalidateNode(node);
    return true;
}

void TZvLngFrm::TreeFocusChanging(TVirtualStringTree *, PVirtualNode OldNode, PVirtualNode NewNode,
                                  TColumnIndex, TColumnIndex, bool &)
{
    // Commit: the translation field into the node it showed.
    if (RecData *old = NodeRecord(OldNode); old && old->kind == KindSingle) {
        if (!CommitText(OldNode, MemoText(New)))
            Tree->RepaintNode(OldNode);
    }

    // Reset.
    AddBtn->setEnabled(false);
    DelBtn->setEnabled(false);
    SetMemoText(Old, QString());
    SetMemoText(New, QString());
    New->setReadOnly(true);

    // Display.
    if (const RecData *shown = NodeRecord(NewNode)) {
        SetMemoText(Old, shown->templateText);
        StIDed->SetValue(double(shown->id));
        if (IsGroup(shown)) {
            AddBtn->setEnabled(true);
            DelBtn->setEnabled(true);
        } else {
            New->setReadOnly(false);
            SetMemoText(New, shown->newText);
            if (IsGroup(NodeRecord(NewNode->Parent))) {
                AddBtn->setEnabled(true);
                DelBtn->setEnabled(true);
            }
        }
    }

    if (NewNode)
        Tree->SetSelected(NewNode, true);
}

void TZvLngFrm::ShowFocusedNode()
{
    bool allowed = true;
    TreeFocusChanging(Tree, nullptr, Tree->FocusedNode(), Tree->FocusedColumn(), Tree->FocusedColumn(),
                      allowed);
}

void TZvLngFrm::CommitEdit()
{
    PVirtualNode focused = Tree->FocusedNode();
    const TColumnIndex column = Tree->FocusedColumn();
    bool allowed = true;
    TreeFocusChanging(Tree, focused, focused, column, column, allowed);
}

void TZvLngFrm::NewExit(QObject *)
{
    // The window's own controls lose the input focus while it is taken apart.
    if (destroyed_)
        return;
    CommitEdit();
}

void TZvLngFrm::NewKeyPress(QObject *, QChar &Key)
{
    // Ctrl+Enter types LF: it never breaks a line (Enter, CR, still does).
    if (Key == QChar(10))
        Key = QChar(0);
}

void TZvLngFrm::TreeChecked(TVirtualStringTree *, PVirtualNode)
{
    MarkChanged();
}

void TZvLngFrm::TreeDblClick(TVirtualStringTree *)
{
    New->setFocus(Qt::OtherFocusReason);
}

void TZvLngFrm::CpyBtnClick(QObject *)
{
    // Stored at the next commit, like a typed text.
    SetMemoText(New, MemoText(Old));
}

// ---- the lines of a group ----

void TZvLngFrm::AddBtnClick(QObject *)
{
    PVirtualNode focused = Tree->FocusedNode();
    const RecData *record = NodeRecord(focused);
    if (!record)
        return;
    PVirtualNode line = nullptr;
    if (IsGroup(record)) {
        line = AddRecordNode(focused, RecData{record->id, KindSingle, QString(), QString()});
    } else {
        const RecData *group = NodeRecord(focused->Parent);
        if (!IsGroup(group))
            return;
        line = InsertRecordNode(focused, amInsertAfter,
                                RecData{group->id, KindSingle, QString(), QString()});
    }
    Tree->SetFocusedNode(line);
    Tree->SetSelected(line, true);
}

void TZvLngFrm::DelBtnClick(QObject *)
{
    PVirtualNode line = Tree->FocusedNode();
    const RecData *record = NodeRecord(line);
    if (!record || record->kind != KindSingle || !IsGroup(NodeRecord(line->Parent)))
        return;
    PVirtualNode next = line->NextSibling ? line->NextSibling
                      : line->PrevSibling ? line->PrevSibling
                                          : line->Parent;
    Tree->SetFocusedNode(next);
    Tree->SetSelected(next, true);
    // Read after the move, whose commit may have checked the line.
    const bool saved = line->CheckState == csCheckedNormal;
    Tree->DeleteNode(line);
    if (saved)
        MarkChanged();
}

// ---- records (the special functions) ----

void TZvLngFrm::AddStrBtnClick(QObject *Sender)
{
    const uint32_t kind = Sender == AddGrBtn ? KindGroup : KindSingle;

    // Only a 32-bit id other than the EndMarker can be a record's id: any other value is
    // refused as an id that is taken.
    const double value = StIDed->Value();
    if (!(value >= 0 && value < double(EndMarker))) {
        StIDed->SetFontColor(kRefusedIdColor);
        return;
    }
    const uint32_t id = uint32_t(std::trunc(value));

    PVirtualNode before = nullptr;
    for (PVirtualNode node = Tree->RootNode()->FirstChild; node; node = node->NextSibling) {
        const RecData *record = NodeRecord(node);
        if (!record)
            continue;
        if (record->id > id)
            break;
        if (record->id == id) {
            StIDed->SetFontColor(kRefusedIdColor);
            return;
        }
        before = node;
    }

    const QString stock = LookupStockText(id);
    const RecData record{id, kind,
                         kind == KindGroup ? QString::fromUtf16(kGroupTemplatePrefix) + stock : stock,
                         QString()};
    PVirtualNode added = before ? InsertRecordNode(before, amInsertAfter, record)
                                : InsertRecordNode(Tree->RootNode(), amAddChildFirst, record);
    Tree->SetFocusedNode(added);
}

void TZvLngFrm::DelGrClick(QObject *)
{
    PVirtualNode doomed = Tree->FocusedNode();
    if (!NodeRecord(doomed))
        return;
    // Without a sibling the focus stays: the deletion itself takes it away.
    if (PVirtualNode next = doomed->NextSibling ? doomed->NextSibling : doomed->PrevSibling) {
        Tree->SetFocusedNode(next);
        Tree->SetSelected(next, true);
    }
    // An unchecked record or line was never part of the langpack: removing it changes
    // nothing that a save writes. (A commit while the node is left marks the document.)
    const bool saved = doomed->CheckState == csCheckedNormal;
    Tree->DeleteNode(doomed);
    if (saved)
        MarkChanged();
}

// ---- the id field ----

void TZvLngFrm::StIDedTopClick(QObject *)
{
    if (GetKeyState(VK_SHIFT) >= 0)
        StIDed->SetValue(StIDed->Value() + kStringStep);
}

void TZvLngFrm::StIDedBottomClick(QObject *)
{
    if (GetKeyState(VK_SHIFT) >= 0)
        StIDed->SetValue(StIDed->Value() - kStringStep);
}

void TZvLngFrm::StIDedChange(QObject *)
{
    // Takes back the red of a refused id.
    StIDed->SetParentFont(true);
}

void TZvLngFrm::UlnlckClick(QObject *)
{
    const bool unlocked = Ulnlck->isChecked();
    for (QWidget *control : std::initializer_list<QWidget *>{StIDed, AddStrBtn, AddGrBtn, DelGr})
        control->setEnabled(unlocked);
}
