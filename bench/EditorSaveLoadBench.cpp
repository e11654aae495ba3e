// Saving and opening a langpack that translates every record of the built-in English
// table (every single and every line of every group checked), in a shown window.
//
// The files go to a scratch folder in the temporary folder (TMPDIR). A save waits until
// its file is on the disk before it replaces the old one, so its real time depends on the
// disk; with TMPDIR on a memory file system it shows the editor's own part.
#include "Main.h"
#include "ProgramFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kEnglish = 1;

QTemporaryDir &Folder()
{
    static QTemporaryDir folder;
    return folder;
}

std::unique_ptr<TZvLngFrm> ShownWindow()
{
    SetProgramFolder(Folder().path());
    auto w = std::make_unique<TZvLngFrm>();
    w->Timer->stop();
    w->show();
    QApplication::processEvents();
    return w;
}

// Checks every record and line of the English document and gives each a translation.
void TranslateEverything(TZvLngFrm &w)
{
    w.BaseLangCb->setCurrentIndex(kEnglish);
    w.ClearTree();
    w.FillTreeFromBase();
    w.Nameed->setText(QStringLiteral("Everything"));
    for (PVirtualNode n = w.Tree->RootNode()->FirstChild; n; n = n->NextSibling) {
        n->CheckState = csCheckedNormal;
        RecData *r = w.NodeRecord(n);
        if (r->kind == 0)
            r->newText = QStringLiteral("Translation of %1\r\nsecond line").arg(r->id, 8, 16);
        for (PVirtualNode line = n->FirstChild; line; line = line->NextSibling) {
            line->CheckState = csCheckedNormal;
            w.NodeRecord(line)->newText = QStringLiteral("Line of %1").arg(r->id, 8, 16);
        }
    }
}

QString EverythingFile()
{
    static const QString path = [] {
        const QString file = QDir(Folder().path()).filePath(QStringLiteral("everything.ZVlang"));
        auto w = ShownWindow();
        TranslateEverything(*w);
        w->SaveLangpack(file);
        return file;
    }();
    return path;
}

void BM_SaveLangpackEveryEnglishRecord(benchmark::State &state)
{
    auto w = ShownWindow();
    TranslateEverything(*w);
    const QString file = QDir(Folder().path()).filePath(QStringLiteral("saved.ZVlang"));
    for (auto _ : state)
        w->SaveLangpack(file);
    state.counters["bytes"] = double(QFileInfo(file).size());
}
BENCHMARK(BM_SaveLangpackEveryEnglishRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadLangpackEveryEnglishRecord(benchmark::State &state)
{
    const QString file = EverythingFile();
    auto w = ShownWindow();
    for (auto _ : state) {
        w->LoadLangpack(file);
        // The repaint that follows the load in the program belongs to it.
        QApplication::processEvents();
    }
    state.counters["nodes"] = w->Tree->TotalCount();
    state.counters["bytes"] = double(QFileInfo(file).size());
}
BENCHMARK(BM_LoadLangpackEveryEnglishRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
