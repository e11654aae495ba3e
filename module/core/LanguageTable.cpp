#include "LanguageTable.h"

#include <stddef.h>
#include <stdlib.h>

#include "CoreHeap.h"
#include "GameState.h"

#if defined(_WIN32)
static_assert(offsetof(LanguageRecord, methodTable) == 8, "method bodies read offset 8");
static_assert(offsetof(LanguageRecord, baseLanguage) == 20, "method bodies read offset 20");
static_assert(sizeof(LanguageRecord) == 24, "32-bit record layout");
#endif

namespace {
// A text or method table inside the game executable 3.6.31.0.
template <typename T>
T* GameAddress(uintptr_t address) {
  return reinterpret_cast<T*>(address);
}
}  // namespace

LanguageRecord* LanguageTable[LanguageTableSize];

LanguageRecord BuiltinLanguages[BuiltinLanguageCount] = {
    {GameAddress<char>(0x5E1BCC), 1, GameAddress<const void>(0x606910), 0x407, nullptr, 1},
    {GameAddress<char>(0x5DCD3C), 7, GameAddress<const void>(0x6062D8), 0x809, nullptr, 7},
    {GameAddress<char>(0x5E1BD4), 3, GameAddress<const void>(0x607270), 0xC0A, nullptr, 3},
    {GameAddress<char>(0x5E1BDC), 6, GameAddress<const void>(0x6065F0), 0x40C, nullptr, 6},
    {GameAddress<char>(0x5E1BE8), 2, GameAddress<const void>(0x607590), 0x410, nullptr, 2},
    {GameAddress<char>(0x5E1BF4), 4, GameAddress<const void>(0x606F50), 0x413, nullptr, 4},
    {GameAddress<char>(0x5DCD7C), 0, GameAddress<const void>(0x606C30), 0x416, nullptr, 0},
    {GameAddress<char>(0x5E1C00), 8, GameAddress<const void>(0x607BD0), 0x419, nullptr, 8},
    {GameAddress<char>(0x5E1C08), 5, GameAddress<const void>(0x6078B0), 0x41D, nullptr, 5},
};

LanguageRecord* const BuiltinLanguagesById[BuiltinLanguageCount] = {
    &BuiltinLanguages[6], &BuiltinLanguages[0], &BuiltinLanguages[4],
    &BuiltinLanguages[2], &BuiltinLanguages[5], &BuiltinLanguages[8],
    &BuiltinLanguages[3], &BuiltinLanguages[1], &BuiltinLanguages[7],
};

void ResetLanguageTable() {
  for (auto& entry : LanguageTable) entry = nullptr;
  for (uint32_t id = 0; id < BuiltinLanguageCount; ++id) LanguageTable[id] = BuiltinLanguagesById[id];
}

LanguageRecord* CurrentLanguageRecord() {
  const uint32_t index = *GameCurrentLanguageIndex();
  return index < LanguageTableSize ? LanguageTable[index] : nullptr;
}

const LanguageRecord* CurrentLanguageOrFallback() {
  const LanguageRecord* record = CurrentLanguageRecord();
  return record ? record : BuiltinLanguagesById[FallbackLanguageId];
}

const LanguageRecord* CurrentBaseLanguage() {
  const uint32_t base = CurrentLanguageOrFallback()->baseLanguage;
  return BuiltinLanguagesById[base < BuiltinLanguageCount ? base : FallbackLanguageId];
}

void ReleaseLangpackRecords() {
  for (LanguageRecord* record : LanguageTable) {
    if (record == nullptr || record->path == nullptr) continue;
    CoreFree(record->name);
    CoreFree(record->path);
    CoreFree(record);
  }
}
