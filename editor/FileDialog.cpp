#include "FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {
TFileDialog::Responder &CurrentResponder()
{
    static TFileDialog::Responder responder;
    return responder;
}
} // namespace

void TFileDialog::SetResponder(Responder responder)
{
    CurrentResponder() = std::move(responder);
}

QString WithDefaultExt(const QString &name, const QString &defaultExt)
{
    if (name.isEmpty() || defaultExt.isEmpty())
        return name;
    if (QFileInfo(name).fileName().contains(QLatin1Char('.')))
        return name;
    return name + QLatin1Char('.') + defaultExt;
}

bool TFileDialog::Execute(QWidget *owner)
{
    std::optional<QString> chosen;
    if (CurrentResponder()) {
        chosen = CurrentResponder()(*this);
    } else {
        QFileDialog dialog(owner);
        dialog.setAcceptMode(kind_ == Kind::Open ? QFileDialog::AcceptOpen
                                                 : QFileDialog::AcceptSave);
        dialog.setFileMode(kind_ == Kind::Open ? QFileDialog::ExistingFile
                                               : QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!InitialDir.isEmpty())
            dialog.setDirectory(InitialDir);
        if (!Filter.isEmpty())
            dialog.setNameFilter(Filter);
        dialog.setDefaultSuffix(DefaultExt);
        if (!FileName.isEmpty())
            dialog.selectFile(FileName);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen || chosen->isEmpty())
        return false;
    FileName = WithDefaultExt(*chosen, DefaultExt);
    return true;
}
