// LoadCurrentLangpack on a langpack that translates every record of the built-in English
// table (the stock table built from the game double: 1,724 records, 309 list lines), saved
// with the editor's own langpack writer. Goal: under 2 ms per load.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "GameState.h"
#include "LangpackLoader.h"
#include "LangpackWriter.h"
#include "Langdef.h"
#include "LanguageTable.h"
#include "platform/ResourceStream.h"

namespace {

constexpr uint32_t EnglishId = 7;

// Every record of the English block, with its stock text as the translation.
bool WriteFullEnglish(const std::string& path, std::string& why, size_t& count) {
  const Langdef table = Langdef::FromBytes(ResourceStream(QStringLiteral("Langdef")).bytes());
  const int english = table.FindLangIndex(EnglishId);
  if (english < 0) {
    why = "no English block";
    return false;
  }
  std::vector<LangpackSaveRecord> records;
  table.ForEachRecord(english, [&](const LangdefRecord& stock, const QStringList& strings) {
    LangpackSaveRecord record;
    record.id = stock.id;
    record.group = stock.IsGroup();
    if (record.group)
      record.lines = strings;
    else
      record.text = strings.value(0);
    records.push_back(std::move(record));
    return true;
  });
  LangpackSaveHeader header;
  header.languageId = 20;
  header.baseLanguage = EnglishId;
  header.name = QStringLiteral("Full English");
  const LangpackBuildResult built = BuildLangpack(header, records);
  if (!built.ok) {
    why = built.error.toStdString();
    return false;
  }
  SaveLangpackFile(QString::fromStdString(path), built.bytes);
  count = records.size();
  return true;
}

void BM_LoadCurrentLangpack(benchmark::State& state) {
  char dirPattern[] = "/tmp/verbatrix-bench-XXXXXX";
  if (mkdtemp(dirPattern) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = std::string(dirPattern) + "/full.ZVlang";
  std::string why;
  size_t records = 0;
  if (!WriteFullEnglish(path, why, records)) {
    state.SkipWithError(why.c_str());
    return;
  }
  char name[32] = "Full";
  char pathBuffer[260] = {};
  path.copy(pathBuffer, sizeof pathBuffer - 1);
  LanguageRecord record{name, 20, LangpackMethodTable, CustomLanguageCode, pathBuffer, 7};
  ResetLanguageTable();
  LanguageTable[20] = &record;
  NativeGameCurrentIndex = 20;
  LoadCurrentLangpack();
  if (SlotOverrides[20] == nullptr || LoadedResourceString(1) == nullptr) {
    state.SkipWithError("the langpack did not load");
    return;
  }

  for (auto _ : state) {
    LoadCurrentLangpack();
    benchmark::DoNotOptimize(SlotOverrides[20]);
  }
  state.counters["file_bytes"] = double(std::filesystem::file_size(path));
  state.counters["records"] = double(records);

  FreeLoadedStrings();
  LanguageTable[20] = nullptr;
  std::filesystem::remove_all(dirPattern);
}
BENCHMARK(BM_LoadCurrentLangpack)->Unit(benchmark::kMicrosecond);

// The same with glibc keeping freed heap memory instead of giving it back to the kernel after
// every load: the cost of the load itself, without the page faults of a heap that shrinks
// and grows again (the Windows heap of the game process does not shrink like that).
void BM_LoadCurrentLangpack_HeapKept(benchmark::State& state) {
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  BM_LoadCurrentLangpack(state);
  mallopt(M_TRIM_THRESHOLD, 128 << 10);
}
BENCHMARK(BM_LoadCurrentLangpack_HeapKept)->Unit(benchmark::kMicrosecond);

}  // namespace
