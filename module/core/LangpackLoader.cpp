#include "LangpackLoader.h"

#include <stdlib.h>
#include <string.h>

#include "CoreHeap.h"
#include "GameState.h"
#include "LangpackFormat.h"
#include "LanguageTable.h"

using namespace langpack;

char* LoadedPool;
uint32_t LoadedPoolSize;
char** StringPages[StringPageCount];
void* SlotOverrides[SlotCount];
char** Slot14SubLists[Slot14SubListCount];

namespace {

// Slots from 193 on (the cells and 197..199) are never loaded.
constexpr uint32_t FirstUnloadedSlot = 193;

char** NewPointerBlock(uint32_t count) {
  return static_cast<char**>(CoreCalloc(count, sizeof(char*)));
}

class RecordWalk {
 public:
  explicit RecordWalk(FILE* file) : file_(file) {}

  void Run() {
    uint32_t id;
    while (Next(id) && id != EndMarker) {
      uint32_t kind, first;
      if (!Next(kind) || !Next(first)) return;
      // Only a group whose first value is a string carries further values.
      const bool more = kind == KindGroup && first != EndMarker;
      const uint32_t type = id >> 24;
      const uint32_t number = (id >> 8) & 0xFFFF;
      if (type == ResourceStringType) {
        StoreResource(number, first);
      } else if (type == SlotStringType && IsListSlot(number)) {
        if (!FillList(number, id & 0xFF, first, more)) return;
        continue;
      } else if (type == SlotStringType && number < FirstUnloadedSlot) {
        if (IsString(first)) SlotOverrides[number] = LoadedPool + first;
      }
      if (more && !SkipGroup()) return;
    }
  }

 private:
  bool Next(uint32_t& value) {
    unsigned char bytes[4];
    if (fread(bytes, 1, 4, file_) != 4) return false;  // the end of the file ends the walk
    value = ReadU32(bytes);
    return true;
  }

  bool SkipGroup() {
    uint32_t value;
    while (Next(value))
      if (value == EndMarker) return true;
    return false;
  }

  // A value names a string when it lies inside the pool; the NUL after the pool ends a
  // last string that has none of its own.
  static bool IsString(uint32_t offset) { return offset < LoadedPoolSize; }

  void StoreResource(uint32_t number, uint32_t offset) {
    if (!IsString(offset)) return;
    char**& page = StringPages[number >> 8];
    if (page == nullptr) page = NewPointerBlock(StringPageSize);
    if (page != nullptr) page[number & 0xFF] = LoadedPool + offset;
  }

  // Appends the record's strings to its list; false when the file ended inside the group.
  bool FillList(uint32_t slot, uint32_t subIndex, uint32_t first, bool more) {
    char** list = nullptr;
    uint16_t* count = nullptr;
    if (slot != 14) {
      list = EnsureList(reinterpret_cast<char**&>(SlotOverrides[slot]));
      count = &slotCounts_[slot];
    } else if (subIndex < Slot14SubListCount) {
      list = EnsureList(Slot14SubLists[subIndex]);
      count = &subListCounts_[subIndex];
    }  // a sub-index above 14 names no list: the record is read over
    Append(list, count, first);
    if (!more) return true;
    uint32_t value;
    while (Next(value)) {
      if (value == EndMarker) return true;
      Append(list, count, value);
    }
    return false;
  }

  static char** EnsureList(char**& list) {
    if (list == nullptr) list = NewPointerBlock(StringListSize);
    return list;
  }

  static void Append(char** list, uint16_t* count, uint32_t offset) {
    // Lines beyond 255 are dropped so that the list keeps its closing NULL.
    if (list == nullptr || !IsString(offset) || *count >= StringListSize - 1) return;
    list[(*count)++] = LoadedPool + offset;
  }

  FILE* file_;
  uint16_t slotCounts_[SlotCount] = {};
  uint16_t subListCounts_[Slot14SubListCount] = {};
};

}  // namespace

// Game threads read the tables without a lock while a load rebuilds them. So every entry is
// taken out of its table before any block is freed: a lookup finds a live string or list, or
// NULL (the base language answers), never a block that is already given back. Pointers that
// the game holds from before the load are the game's affair, as with its own languages.
void FreeLoadedStrings() {
  char* pool = LoadedPool;
  char** subLists[Slot14SubListCount];
  void* lists[SlotCount];
  char** pages[StringPageCount];
  LoadedPool = nullptr;
  LoadedPoolSize = 0;
  for (uint32_t k = 0; k < Slot14SubListCount; ++k) {
    subLists[k] = Slot14SubLists[k];
    Slot14SubLists[k] = nullptr;
  }
  for (uint32_t slot = 0; slot < SlotCount; ++slot) {
    lists[slot] = IsListSlot(slot) ? SlotOverrides[slot] : nullptr;
    SlotOverrides[slot] = nullptr;
  }
  for (uint32_t page = 0; page < StringPageCount; ++page) {
    pages[page] = StringPages[page];
    StringPages[page] = nullptr;
  }
  CoreFree(pool);
  for (char** list : subLists) CoreFree(list);
  for (void* list : lists) CoreFree(list);
  for (char** page : pages) CoreFree(page);
}

void LoadLangpackStream(FILE* file) {
  unsigned char header[HeaderSize];
  if (fseek(file, 0, SEEK_SET) != 0 || fread(header, 1, HeaderSize, file) != HeaderSize) return;
  const uint32_t poolOffset = ReadU32(header + PoolOffsetOffset);
  if (fseek(file, 0, SEEK_END) != 0) return;
  const long fileSize = ftell(file);
  if (fileSize < 0 || poolOffset < HeaderSize || static_cast<unsigned long>(poolOffset) > static_cast<unsigned long>(fileSize)) return;

  const uint32_t poolSize = uint32_t(fileSize) - poolOffset;
  auto* pool = static_cast<char*>(CoreCalloc(size_t(poolSize) + 1, 1));
  if (pool == nullptr) return;
  if (fseek(file, long(poolOffset), SEEK_SET) != 0 || fread(pool, 1, poolSize, file) != poolSize ||
      fseek(file, HeaderSize, SEEK_SET) != 0) {
    CoreFree(pool);
    return;
  }
  pool[poolSize] = '\0';
  LoadedPool = pool;
  LoadedPoolSize = poolSize;
  RecordWalk(file).Run();
}

void LoadCurrentLangpack() {
  FreeLoadedStrings();
  const LanguageRecord* record = CurrentLanguageOrFallback();
  *GameLanguageCodeWord() = uint16_t(record->languageCode);
  if (record->path == nullptr) return;
  // A file removed or locked since the scan leaves the tables empty: the base language serves.
  FILE* file = fopen(record->path, "rb");
  if (file == nullptr) return;
  LoadLangpackStream(file);
  fclose(file);
}

const char* LoadedResourceString(uint32_t id) {
  if (id > 0xFFFF) return nullptr;
  char** page = StringPages[id >> 8];
  return page ? page[id & 0xFF] : nullptr;
}
