// The main window's document operations on the built-in stock table, and the program's
// start-up up to its first shown window (offscreen).
#include "Main.h"
#include "ProgramFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kEnglish = 1;
constexpr int kSpanish = 2;

// One shown window on the built-in table (the program folder is an empty scratch folder).
TZvLngFrm &Window()
{
    static QTemporaryDir folder;
    static std::unique_ptr<TZvLngFrm> window = [] {
        SetProgramFolder(folder.path());
        auto w = std::make_unique<TZvLngFrm>();
        w->Timer->stop();
        w->show();
        QApplication::processEvents();
        return w;
    }();
    return *window;
}

void BM_FillTreeFromBaseEnglish(benchmark::State &state)
{
    TZvLngFrm &w = Window();
    w.BaseLangCb->setCurrentIndex(kEnglish);
    for (auto _ : state) {
        state.PauseTiming();
        w.ClearTree();
        state.ResumeTiming();
        w.FillTreeFromBase();
    }
    state.counters["nodes"] = w.Tree->TotalCount();
}
BENCHMARK(BM_FillTreeFromBaseEnglish)->Unit(benchmark::kMillisecond);

void BM_ReloadTemplatesEnglishSpanishAndBack(benchmark::State &state)
{
    TZvLngFrm &w = Window();
    w.BaseLangCb->setCurrentIndex(kEnglish);
    w.ClearTree();
    w.FillTreeFromBase();
    for (auto _ : state) {
        w.BaseLangCb->setCurrentIndex(kSpanish);
        w.ReloadTemplates();
        w.BaseLangCb->setCurrentIndex(kEnglish);
        w.ReloadTemplates();
    }
    state.counters["nodes"] = w.Tree->TotalCount();
}
BENCHMARK(BM_ReloadTemplatesEnglishSpanishAndBack)->Unit(benchmark::kMillisecond);

// The program started with the request to end once its main window is shown.
void BM_ProgramStartToFirstWindow(benchmark::State &state)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("GLOSSMITH_QUIT_AFTER_SHOW"), QStringLiteral("1"));
    for (auto _ : state) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(GLOSSMITH_PROGRAM), {});
        if (!program.waitForFinished(30000) || program.exitCode() != 0) {
            state.SkipWithError("the program did not end with 0");
            break;
        }
    }
}
BENCHMARK(BM_ProgramStartToFirstWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
