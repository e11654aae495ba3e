// Opens arbitrary bytes as a langpack in a shown main window on the built-in stock table,
// under Qt's offscreen platform: the window's own loading code lays the parsed records over
// its tree, and the tree measures and paints the rows it shows. The sanitizers catch reads
// outside the file and undefined behaviour; the checks below catch a load that leaves the
// top level out of id order or the window out of step with its document, and a message
// other than the one a refused or a damaged file brings. Message boxes are answered at
// once and never shown.
#include "LangpackReader.h"
#include "Main.h"
#include "ProgramFolder.h"
#include "platform/Memo.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Box {
    QWidget *owner;
    QString caption;
    unsigned flags;
};

struct Fixture {
    int argc = 1;
    char *argv[2];
    std::unique_ptr<QApplication> application;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<TZvLngFrm> window;
    QString path;
    std::vector<Box> boxes;   // of the current input
};

// Made once and kept to the end of the process: Qt's own globals go before the destructors
// of static objects would run.
Fixture &Shared()
{
    static Fixture *fixture = new Fixture;
    return *fixture;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Fixture &f = Shared();
    f.argv[0] = (*argv)[0];
    f.argv[1] = nullptr;
    f.application = std::make_unique<QApplication>(f.argc, f.argv);
    f.folder = std::make_unique<QTemporaryDir>();   // no "Langdef.df": the built-in table
    SetProgramFolder(f.folder->path());
    SetMessageBoxResponder([](QWidget *owner, const QString &, const QString &caption, unsigned flags) {
        Shared().boxes.push_back({owner, caption, flags});
        return IDOK;
    });
    f.window = std::make_unique<TZvLngFrm>();
    f.window->Timer->stop();
    f.window->show();
    QApplication::processEvents();
    f.path = QDir(f.folder->path()).filePath(QStringLiteral("fuzz.ZVlang"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    Fixture &f = Shared();
    TZvLngFrm &w = *f.window;
    {
        QFile file(f.path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }
    w.ChangedCb->setChecked(true);
    f.boxes.clear();
    w.LoadLangpack(f.path);
    QApplication::processEvents();   // the rows shown are measured and painted

    // A refused file leaves the changed flag set, a loaded one clears it. The refusal is
    // an error; a damaged file brings one warning, a sound one nothing.
    const bool loaded = !w.ChangedCb->isChecked();
    const bool damaged =
        loaded && ParseLangpack(reinterpret_cast<const char *>(data), size).damage.any();
    Check(f.boxes.size() == (loaded && !damaged ? 0u : 1u));
    if (!f.boxes.empty()) {
        const Box &box = f.boxes.front();
        Check(box.owner == nullptr);
        Check(box.caption == (loaded ? QStringLiteral("Warning") : QStringLiteral("Error detected.")));
        Check(box.flags == (loaded ? MB_OK | MB_ICONWARNING : MB_OK | MB_ICONERROR));
    }
    if (loaded) {
        uint32_t previous = 0;
        for (PVirtualNode n = w.Tree->GetFirst(); n; n = n->NextSibling) {
            const RecData *record = w.NodeRecord(n);
            Check(record && record->id >= previous);
            previous = record->id;
        }
        const RecData *focused = w.NodeRecord(w.Tree->FocusedNode());
        if (focused && focused->kind == KindSingle)
            Check(MemoText(w.New) == focused->newText);   // the next commit stores nothing
    }
    return 0;
}
