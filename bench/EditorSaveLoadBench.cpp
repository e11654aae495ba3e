// Saving and opening a langpack that translates every record of the built-in English
// table (every single and every line of every group checked), in a shown window; and
// opening two well-formed but hostile langpacks: many records in random id order, and many
// records that all name one long string (its start, or places inside it).
//
// The files go to a scratch folder in the temporary folder (TMPDIR). A save waits until
// its file is on the disk before it replaces the old one, so its real time depends on the
// disk; with TMPDIR on a memory file system it shows the editor's own part.
#include "LangpackFormat.h"
#include "Main.h"
#include "ProgramFolder.h"
#include "platform/LittleEndian.h"
#include "platform/SpinEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

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
    w.SetLanguageId(100);   // a sound header: the open then shows no warning to wait on
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

// Opens `file` in a shown window again and again.
void LoadRepeatedly(benchmark::State &state, const QString &file)
{
    auto w = ShownWindow();
    for (auto _ : state) {
        w->LoadLangpack(file);
        // The repaint that follows the load in the program belongs to it.
        QApplication::processEvents();
    }
    state.counters["nodes"] = w->Tree->TotalCount();
    state.counters["bytes"] = double(QFileInfo(file).size());
}

void BM_LoadLangpackEveryEnglishRecord(benchmark::State &state)
{
    LoadRepeatedly(state, EverythingFile());
}
BENCHMARK(BM_LoadLangpackEveryEnglishRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- hostile langpacks ----

// A langpack of single records with English as its base language: record k has the id
// ids[k] and its string at pool offset offsets[k].
QByteArray SinglesLangpack(const std::vector<uint32_t> &ids, const std::vector<uint32_t> &offsets,
                           const QByteArray &pool)
{
    QByteArray bytes(kLangpackHeaderSize, '\0');
    PutU32(bytes, kLangpackMagicOffset, kLangpackMagic0);
    PutU32(bytes, kLangpackMagicOffset + 4, kLangpackMagic1);
    for (int i = 0; i < 4; ++i)
        PutU16(bytes, kLangpackGameVersionOffset + 2 * i, kLangpackGameVersion[size_t(i)]);
    PutU32(bytes, kLangpackLanguageIdOffset, 100);
    PutU32(bytes, kLangpackBaseLanguageOffset, ShownWindow()->LangdefStream->Entry(kEnglish).languageId);
    std::memcpy(bytes.data() + kLangpackNameOffset, "Hostile", 8);
    for (size_t k = 0; k < ids.size(); ++k) {
        AppendU32(bytes, ids[k]);
        AppendU32(bytes, KindSingle);
        AppendU32(bytes, offsets[k]);
    }
    AppendU32(bytes, EndMarker);
    PutU32(bytes, kLangpackPoolOffsetOffset, uint32_t(bytes.size()));
    return bytes + pool;
}

QString WriteScratchFile(const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(Folder().path()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// `count` distinct ids: every top-level id of the English stock strings, the rest ids that
// the stock table lacks (each then gets a node of its own), in a fixed random order.
std::vector<uint32_t> ShuffledIds(size_t count)
{
    std::vector<uint32_t> ids;
    auto w = ShownWindow();
    w->BaseLangCb->setCurrentIndex(kEnglish);
    w->ClearTree();
    w->FillTreeFromBase();
    for (PVirtualNode n = w->Tree->RootNode()->FirstChild; n && ids.size() < count; n = n->NextSibling)
        ids.push_back(w->NodeRecord(n)->id);
    for (uint32_t k = 0; ids.size() < count; ++k)
        ids.push_back(0x10000000u + k * 0xD000u);
    std::shuffle(ids.begin(), ids.end(), std::mt19937(42));
    return ids;
}

// 70,000 single records in random id order, each with a string of its own (about 2 MB).
QString RandomOrderFile()
{
    static const QString path = [] {
        constexpr size_t kRecords = 70000;
        const std::vector<uint32_t> ids = ShuffledIds(kRecords);
        std::vector<uint32_t> offsets;
        QByteArray pool;
        for (size_t k = 0; k < kRecords; ++k) {
            offsets.push_back(uint32_t(pool.size()));
            pool += QByteArray("Record ") + QByteArray::number(qulonglong(k)).rightJustified(10, '0');
            pool += '\0';
        }
        return WriteScratchFile(QStringLiteral("random-order.ZVlang"), SinglesLangpack(ids, offsets, pool));
    }();
    return path;
}

void BM_LoadLangpackRandomOrder(benchmark::State &state)
{
    LoadRepeatedly(state, RandomOrderFile());
}
BENCHMARK(BM_LoadLangpackRandomOrder)->Unit(benchmark::kMillisecond)->UseRealTime();

// `records` single records whose values all name one string of 65,535 characters (text in
// lines of 64 bytes): about 640 KB for 48,000 records. Each value names the string's first
// byte, or with `inside` a place of its own inside it (the first `records` bytes).
QString SharedStringFile(size_t records, bool inside)
{
    const QByteArray line = QByteArray("shared ").repeated(9).left(63) + '\n';
    const QByteArray text = line.repeated(1024).left(65535);
    const std::vector<uint32_t> ids = ShuffledIds(records);
    std::vector<uint32_t> offsets(records, 0);
    if (inside)
        std::iota(offsets.begin(), offsets.end(), uint32_t(0));
    return WriteScratchFile(QStringLiteral("shared-%1-%2.ZVlang").arg(records).arg(inside),
                            SinglesLangpack(ids, offsets, text + '\0'));
}

// The peak resident memory of the program itself (offscreen) that opens `file` given as
// its argument and ends once its window is shown, from the kernel's account of the
// finished process; 0 when it could not be run or did not end with 0. Its address space is
// held to 4 GiB, so that a runaway open fails instead of taking the machine's memory.
double ProgramPeakMegabytes(const QString &file)
{
    const QByteArray program = GLOSSMITH_PROGRAM;
    const QByteArray argument = QFile::encodeName(file);
    char *argv[] = {const_cast<char *>(program.constData()), const_cast<char *>(argument.constData()), nullptr};
    std::vector<char *> environment{const_cast<char *>("QT_QPA_PLATFORM=offscreen"),
                                    const_cast<char *>("GLOSSMITH_QUIT_AFTER_SHOW=1")};
    for (char **e = environ; *e; ++e)
        environment.push_back(*e);
    environment.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{rlim_t(4) << 30, rlim_t(4) << 30};
        setrlimit(RLIMIT_AS, &limit);
        execve(argv[0], argv, environment.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 0;
    return double(usage.ru_maxrss) / 1024.0;   // ru_maxrss counts KiB
}

// The open's time and peak memory in the program, beside the peak of the same program
// opening a langpack without records.
void BM_ProgramOpensSharedLongString(benchmark::State &state)
{
    const QString file = SharedStringFile(size_t(state.range(0)), state.range(1) != 0);
    const QString empty = WriteScratchFile(QStringLiteral("no-records.ZVlang"), SinglesLangpack({}, {}, QByteArray()));
    double peak = 0;
    for (auto _ : state) {
        peak = ProgramPeakMegabytes(file);
        if (peak == 0) {
            state.SkipWithError("the program did not end with 0");
            return;
        }
    }
    state.counters["peak_MB"] = peak;
    state.counters["peak_without_records_MB"] = ProgramPeakMegabytes(empty);
    state.counters["bytes"] = double(QFileInfo(file).size());
}
// Arguments: the number of records; 0 where every value names the string's start, 1 where
// each names a place of its own inside it.
BENCHMARK(BM_ProgramOpensSharedLongString)->Args({4800, 0})->Args({48000, 0})->Args({48000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()->Iterations(3);

} // namespace
