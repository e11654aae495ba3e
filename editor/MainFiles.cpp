// The file commands New and Open, the close query with its save question, and the
// association command.
#include "Main.h"

#include "Association.h"
#include "FileDialog.h"
#include "platform/Memo.h"
#include "platform/MessageBox.h"
#include "platform/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

namespace {

// The question asked before unsaved changes would be lost; `buttons` is MB_YESNOCANCEL or
// MB_YESNO. No owner window.
int AskToSave(unsigned buttons)
{
    return MessageBoxW(nullptr, QStringLiteral("File was changed. Do you want to save it?"),
                       QStringLiteral("Caution"), buttons | MB_ICONQUESTION);
}

} // namespace

void TZvLngFrm::SettleOpenEdits()
{
    // Given by key or by closing the window, a command leaves the input focus where it is:
    // an edit open there ends here as leaving its field would end it.
    if (Tree->IsEditing())
        Tree->EndEditNode();
    SettleIdField();
    // New shows the focused node's translation; it differs only by what was typed (or
    // copied) since. The fields stay as they are (no refill: the cursor keeps its place).
    CommitText(Tree->FocusedNode(), MemoText(New));
}

void TZvLngFrm::OpenBtnClick(QObject *)
{
    SettleOpenEdits();
    if (ChangedCb->isChecked()) {
        const int answer = AskToSave(MB_YESNOCANCEL);
        if (answer == IDYES) {
            SaveBtnClick(nullptr);
            if (ChangedCb->isChecked())   // refused or cancelled: nothing was written
                return;
        } else if (answer != IDNO) {
            return;
        }
    }
    if (OpenDialog->Execute(this))
        LoadLangpack(OpenDialog->FileName);
}

void TZvLngFrm::NewBtnClick(QObject *)
{
    SettleOpenEdits();
    if (ChangedCb->isChecked() && AskToSave(MB_YESNO) == IDYES) {
        SaveBtnClick(nullptr);
        if (ChangedCb->isChecked())   // refused or cancelled: the document stays as it is
            return;
    }

    MarkUnchanged();
    SetLanguageId(-1);
    Nameed->setText(QStringLiteral("Lang1"));
    BaseLangCb->setCurrentIndex(DefaultBaseIndex);   // from code: no template reload
    ClearTree();
    FillTreeFromBase();
    // FiName stays: a later Save proposes the file last opened or saved.
}

void TZvLngFrm::FormCloseQuery(QObject *, bool &CanClose)
{
    SettleOpenEdits();
    if (!ChangedCb->isChecked())
        return;
    const int answer = AskToSave(MB_YESNOCANCEL);
    if (answer == IDYES) {
        SaveBtnClick(nullptr);
        if (ChangedCb->isChecked())
            CanClose = false;
    } else if (answer != IDNO) {
        CanClose = false;
    }
}

void TZvLngFrm::AssocBtnClick(QObject *)
{
    // The program's own absolute path (argument 0 of the command line may be relative).
    const QString refusal = RunAssociation(QCoreApplication::applicationFilePath());
    if (!refusal.isEmpty())
        MessageBoxW(nullptr, refusal, QStringLiteral("Error detected."), MB_OK | MB_ICONERROR);
}
