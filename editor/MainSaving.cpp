// The Save command and the writing of the checked records as a langpack.
//
// A save never leaves a damaged file behind: the bytes are built in memory first, a
// document that would break a rule of the format (a list of more than 255 lines, a
// slot-14 sub-index above 14) is refused with a message naming the record, and the file
// is written beside its target and takes its place only once it is complete.
#include "Main.h"

#include "FileDialog.h"
#include "LangpackFormat.h"
#include "LangpackWriter.h"
#include "platform/MessageBox.h"
#include "platform/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <vector>

namespace {

// The checked part of the document in tree order: every top-level node whose check state
// is not 0, and of a group the lines whose check state is exactly csCheckedNormal (a
// pressed state lasts only while the box is held down).
std::vector<LangpackSaveRecord> CheckedRecords(const TZvLngFrm &frm)
{
    std::vector<LangpackSaveRecord> records;
    for (PVirtualNode node = frm.Tree->RootNode()->FirstChild; node; node = node->NextSibling) {
        if (node->CheckState == csUncheckedNormal)
            continue;
        const RecData *data = frm.NodeRecord(node);
        if (!data)
            continue;
        LangpackSaveRecord record;
        record.id = data->id;
        record.group = data->kind != KindSingle;
        if (!record.group) {
            record.text = data->newText;
        } else {
            for (PVirtualNode line = node->FirstChild; line; line = line->NextSibling) {
                const RecData *lineData = frm.NodeRecord(line);
                if (line->CheckState == csCheckedNormal && lineData)
                    record.lines.append(lineData->newText);
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

LangpackBuildResult BuildDocument(const TZvLngFrm &frm)
{
    LangpackSaveHeader header;
    header.languageId = TruncatedLanguageId(frm.IDed->Value());
    header.baseLanguage = frm.LangdefStream->Entry(frm.BaseLangCb->currentIndex()).languageId;
    header.name = frm.Nameed->text();
    return BuildLangpack(header, CheckedRecords(frm));
}

// A document that breaks a rule of the format is not saved; the message names the record.
void ShowRefusal(const QString &reason)
{
    MessageBoxW(nullptr, reason + QStringLiteral("\nThe langpack was not saved."),
                QStringLiteral("Error!"), MB_OK | MB_ICONWARNING);
}

// The folder part of a path, up to and including its last separator, and the rest.
qsizetype LastSeparator(const QString &path)
{
    qsizetype at = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    at = std::max({at, path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char(':'))});
#endif
    return at;
}

} // namespace

void TZvLngFrm::SaveBtnClick(QObject *)
{
    // An id still being typed is written only once it stands (Ctrl+S and Alt+S leave the
    // input focus in the field). A translation still being typed into New is not written.
    SettleIdField();
    if (IDed->Value() < 0) {
        MessageBoxW(nullptr, QStringLiteral("Please ender valid ID or use (R)andom button!!"),
                    QStringLiteral("Error!"), MB_OK | MB_ICONWARNING);
        IDed->setFocus();
        return;
    }
    // Refused before the dialog, so that nobody picks a file for a save that cannot be made.
    const LangpackBuildResult check = BuildDocument(*this);
    if (!check.ok) {
        ShowRefusal(check.error);
        return;
    }

    const QString path = FiName->text();
    const qsizetype split = LastSeparator(path);
    SaveDialog->InitialDir = path.left(split + 1);
    SaveDialog->FileName = path.mid(split + 1);
    if (!SaveDialog->Execute(this))
        return;
    SaveLangpack(SaveDialog->FileName);
}

void TZvLngFrm::SaveLangpack(const QString &fileName)
{
    FiName->setText(fileName);
    const LangpackBuildResult built = BuildDocument(*this);
    if (!built.ok) {
        ShowRefusal(built.error);
        return;
    }
    SaveLangpackFile(fileName, built.bytes);
    MarkUnchanged();
}
