// LoadCurrentLangpack on a langpack that translates every record of a built-in language's
// table: about 1,518 resource strings and 206 slot records (173 singles, 19 lists, 14
// sub-lists of slot 14) with string lengths like the game's. Goal: under 2 ms per load.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "GameState.h"
#include "LangpackLoader.h"
#include "LanguageTable.h"
#include "TestLangpack.h"

using namespace testlangpack;

namespace {

// Deterministic text of a length between 4 and 4 + spread characters.
std::string Text(uint32_t& seed, uint32_t spread) {
  seed = seed * 1103515245u + 12345u;
  std::string text(4 + (seed >> 16) % spread, 'a');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char('a' + (seed + i * 7) % 26);
  return text;
}

TestLangpack FullTranslation() {
  TestLangpack pack(20, 7, "Full");
  uint32_t seed = 1;
  for (uint32_t r = 0; r < 1518; ++r) pack.Single(ResourceId(r * 39 % 60000), Text(seed, 90));
  for (uint32_t slot = 0; slot < 193; ++slot) {
    if (slot == 14) {
      for (uint32_t k = 1; k <= 14; ++k) {
        std::vector<std::string> lines(8 + k % 5);
        for (auto& line : lines) line = Text(seed, 30);
        pack.Group(SlotId(14, k), lines);
      }
    } else if ((slot >= 5 && slot <= 15) || slot >= 184) {
      std::vector<std::string> lines(5 + slot % 40);
      for (auto& line : lines) line = Text(seed, 40);
      pack.Group(SlotId(slot), lines);
    } else {
      pack.Single(SlotId(slot), Text(seed, 60));
    }
  }
  return pack;
}

void BM_LoadCurrentLangpack(benchmark::State& state) {
  char dirPattern[] = "/tmp/verbatrix-bench-XXXXXX";
  if (mkdtemp(dirPattern) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = std::string(dirPattern) + "/full.ZVlang";
  FullTranslation().WriteTo(path);
  char name[32] = "Full";
  char pathBuffer[260] = {};
  path.copy(pathBuffer, sizeof pathBuffer - 1);
  LanguageRecord record{name, 20, LangpackMethodTable, CustomLanguageCode, pathBuffer, 7};
  ResetLanguageTable();
  LanguageTable[20] = &record;
  NativeGameCurrentIndex = 20;

  for (auto _ : state) {
    LoadCurrentLangpack();
    benchmark::DoNotOptimize(SlotOverrides[20]);
  }
  state.counters["file_bytes"] = double(std::filesystem::file_size(path));

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
