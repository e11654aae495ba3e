// Writes the langpack of the end-to-end scenario with the editor itself: a main window on the
// built-in stock table, German as base language, a few records translated through the
// commit rule as a user types them, one typed but left unchecked, one group checked with no
// lines, then the editor's own save.
//   module_editor_langpack <scenario> <folder>      (the scenario is "editor")
// Runs on Qt's offscreen platform; any message box the editor shows fails the run.
#include "Main.h"
#include "ProgramFolder.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/SpinEdit.h"

#include <QComboBox>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t ResourceId(uint32_t r) { return 0x01000000u | (r << 8); }
constexpr uint32_t SlotId(uint32_t slot, uint32_t sub = 0) { return 0x02000000u | (slot << 8) | sub; }
constexpr int32_t German = 1;

bool failed = false;

void Fail(const char *what, uint32_t id)
{
    std::fprintf(stderr, "module_editor_langpack: %s 0x%08X\n", what, id);
    failed = true;
}

PVirtualNode FindRecord(TZvLngFrm &frm, uint32_t id)
{
    for (PVirtualNode node = frm.Tree->RootNode()->FirstChild; node; node = node->NextSibling)
        if (frm.NodeRecord(node)->id == id)
            return node;
    Fail("no record", id);
    return nullptr;
}

PVirtualNode Line(TZvLngFrm &frm, uint32_t id, int index)
{
    PVirtualNode group = FindRecord(frm, id);
    PVirtualNode line = group ? group->FirstChild : nullptr;
    for (int k = 0; line && k < index; ++k)
        line = line->NextSibling;
    if (group && !line)
        Fail("group too short", id);
    return line;
}

// As a user does it: focus the node, type into the translation field, move on.
void Type(TZvLngFrm &frm, PVirtualNode node, const QString &text)
{
    if (!node)
        return;
    frm.Tree->SetFocusedNode(node);
    frm.New->setPlainText(text);
    frm.CommitEdit();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || std::strcmp(argv[1], "editor") != 0) {
        std::fprintf(stderr, "usage: module_editor_langpack editor <folder>\n");
        return 2;
    }
    const QString target = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("Editor.ZVlang"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    QTemporaryDir programFolder;  // no Langdef.df in it: the built-in stock table
    SetProgramFolder(programFolder.path());
    MessageBoxRecorder boxes{IDOK};
    {
        TZvLngFrm frm;
        frm.Timer->stop();
        const int base = frm.FindLangIndex(German);
        if (base < 0) {
            Fail("no stock language", German);
            return 1;
        }
        frm.BaseLangCb->setCurrentIndex(base);
        emit frm.BaseLangCb->activated(base);

        frm.IDed->SetValue(42);
        frm.Nameed->setText(QStringLiteral("Editorisch"));

        Type(frm, FindRecord(frm, SlotId(20)), QStringLiteral("Gr\u00FC\u00DFe\nzwei Zeilen"));
        Type(frm, Line(frm, SlotId(5), 0), QStringLiteral("erste Zeile"));
        Type(frm, Line(frm, SlotId(5), 2), QStringLiteral("dritte Zeile"));
        Type(frm, Line(frm, SlotId(14, 1), 0), QStringLiteral("Unterliste eins"));
        Type(frm, FindRecord(frm, ResourceId(1)), QStringLiteral("Eigene Ressource"));
        frm.Tree->SetFocusedNode(nullptr);
        // A translation that is not part of the langpack, and a group checked with no lines.
        if (PVirtualNode node = FindRecord(frm, SlotId(21)))
            frm.NodeRecord(node)->newText = QStringLiteral("nicht gew\u00E4hlt");
        if (PVirtualNode node = FindRecord(frm, SlotId(6)))
            frm.Tree->SetCheckState(node, csCheckedNormal);

        frm.SaveLangpack(target);
        if (frm.ChangedCb->isChecked())
            Fail("save not completed", 0);
    }
    for (const auto &call : boxes.calls) {
        std::fprintf(stderr, "module_editor_langpack: message box %s: %s\n",
                     qPrintable(call.caption), qPrintable(call.text));
        failed = true;
    }
    if (!QFileInfo(target).isFile())
        Fail("no file written", 0);
    return failed ? 1 : 0;
}
