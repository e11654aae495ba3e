// The file commands New and Open, the close query with its save question, and the
// association command.
#include "Main.h"

#include "Association.h"
#include "FileDialog.h"
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

void TZvLngFrm::OpenBtnClick(QObject *)
{
    CommitTypedText();   // Ctrl+O and Alt+O leave the input focus in New
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
    CommitTypedText();
    // Whatever the answer and whatever the save's outcome, the document is replaced.
    if (ChangedCb->isChecked() && AskToSave(MB_YESNO) == IDYES)
        SaveBtnClick(nullptr);

    IDed->SetValue(-1);
    Nameed->setText(QStringLiteral("Lang1"));
    BaseLangCb->setCurrentIndex(DefaultBaseIndex);   // from code: no template reload
    ClearTree();
    FillTreeFromBase();
    // Cleared once the old document is gone: resetting its fields and deleting its nodes
    // runs their change handlers (the id field's, when it has the input focus), which would
    // mark the new document changed.
    ChangedCb->setChecked(false);
    // FiName stays: a later Save proposes the file last opened or saved.
}

void TZvLngFrm::FormCloseQuery(QObject *, bool &CanClose)
{
    CommitTypedText();   // closing moves no input focus
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
