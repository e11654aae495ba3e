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

// Walks the record index. A record counts only once the file has held all of it: a record
// that the end of the file cuts off is dropped whole, and the walk ends there. A value that
// names no string of the pool is no line: the lines after it move up. A record that names no
// string at all stores nothing, not even its list, so that the base language answers; only a
// group without values (its first value the EndMarker) makes an empty list.
class RecordWalk {
 public:
  explicit RecordWalk(FILE* file) : file_(file) {}

  void Run() {
    uint32_t id;
    while (Next(id) && id != EndMarker) {
      uint32_t kind, first;
      if (!Next(kind) || !Next(first)) return;
      // Only a group whose first value is not the EndMarker carries further values.
      const bool more = kind == KindGroup && first != EndMarker;
      const uint32_t type = id >> 24;
      const uint32_t number = (id >> 8) & 0xFFFF;
      if (type == SlotStringType && IsListSlot(number)) {
        if (!FillList(number, id & 0xFF, kind, first, more)) return;
        continue;
      }
      uint32_t offset;
      if (!FirstString(first, more, offset)) return;
      if (offset == EndMarker) continue;
      if (type == ResourceStringType)
        StoreResource(number, offset);
      else if (type == SlotStringType && number < FirstUnloadedSlot)
        SlotOverrides[number] = LoadedPool + offset;
    }
  }

 private:
  bool Next(uint32_t& value) {
    unsigned char bytes[4];
    if (fread(bytes, 1, 4, file_) != 4) return false;  // the end of the file ends the walk
    value = ReadU32(bytes);
    return true;
  }

  // A value names a string when it lies inside the pool; the NUL after the pool ends a
  // last string that has none of its own.
  static bool IsString(uint32_t offset) { return offset < LoadedPoolSize; }

  // The first value of the record that names a string into offset (EndMarker when none
  // does), the record read to its end: a single string counts with the first line of a
  // group. False when the file ends inside the group.
  bool FirstString(uint32_t first, bool more, uint32_t& offset) {
    offset = IsString(first) ? first : EndMarker;
    if (!more) return true;
    uint32_t value;
    while (Next(value)) {
      if (value == EndMarker) return true;
      if (offset == EndMarker && IsString(value)) offset = value;
    }
    return false;
  }

  void StoreResource(uint32_t number, uint32_t offset) {
    char**& page = StringPages[number >> 8];
    if (page == nullptr) page = NewPointerBlock(StringPageSize);
    if (page != nullptr) page[number & 0xFF] = LoadedPool + offset;
  }

  // Appends the record's strings to its list, which is made at the record's first string
  // (or for a group without values). False when the file ends inside the group: what the
  // record appended is taken out again.
  bool FillList(uint32_t slot, uint32_t subIndex, uint32_t kind, uint32_t first, bool more) {
    char*** entry = nullptr;
    uint16_t* count = nullptr;
    if (slot != 14) {
      entry = reinterpret_cast<char***>(&SlotOverrides[slot]);
      count = &slotCounts_[slot];
    } else if (subIndex < Slot14SubListCount) {
      entry = &Slot14SubLists[subIndex];
      count = &subListCounts_[subIndex];
    } else {  // a sub-index above 14 names no list: the record is read over
      uint32_t unused;
      return FirstString(first, more, unused);
    }
    char** const listBefore = *entry;
    const uint16_t countBefore = *count;
    bool listTried = listBefore != nullptr;  // one try at the allocation per record
    auto append = [&](uint32_t offset) {
      if (!listTried) {
        listTried = true;
        EnsureList(*entry);
      }
      // Lines beyond 255 are dropped so that the list keeps its closing NULL.
      if (*entry != nullptr && *count < StringListSize - 1) (*entry)[(*count)++] = LoadedPool + offset;
    };
    // Any kind but a single stands for a group here, as the editor reads it.
    if (kind != 0 && first == EndMarker) EnsureList(*entry);
    if (IsString(first)) append(first);
    if (!more) return true;
    uint32_t value;
    while (Next(value)) {
      if (value == EndMarker) return true;
      if (IsString(value)) append(value);
    }
    Withdraw(*entry, listBefore, *count, countBefore);
    return false;
  }

  static void EnsureList(char**& list) {
    if (list == nullptr) list = NewPointerBlock(StringListSize);
  }

  // Takes the lines of a cut-off record out of its list again, and the list itself when the
  // record made it. The table entry goes first, as in FreeLoadedStrings.
  static void Withdraw(char**& list, char** listBefore, uint16_t& count, uint16_t countBefore) {
    if (listBefore == nullptr) {
      char** made = list;
      list = nullptr;
      count = 0;
      CoreFree(made);
      return;
    }
    for (; count > countBefore; --count) list[count - 1] = nullptr;
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
