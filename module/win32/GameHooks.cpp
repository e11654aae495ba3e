#include "GameHooks.h"

#include <string.h>

#include "GameState.h"
#include "LangpackLoader.h"
#include "LanguageTable.h"

void* NextReloadTrigger;
void* NextLoadResString;
void* NextFillLanguageList;
void* NextCreateLanguageObject;
void* NextSetLanguage;
void* NextApplyChosenLanguage;

namespace {

// The game's language list control, as far as the module touches it.
constexpr uint32_t ListItemCountOffset = 0x3D4;
constexpr uint32_t ListFirstLinkOffset = 0x3CC;
constexpr uint32_t LinkItemOffset = 8;
constexpr uint32_t ItemTagOffset = 4;
constexpr int32_t ListItemArgument = 1000;

// The game's language list shows the built-in languages' places in this order.
constexpr uint8_t ListOrder[BuiltinLanguageCount] = {1, 7, 3, 6, 2, 4, 0, 8, 5};

template <typename T>
T& At(void* base, uint32_t offset) {
  return *reinterpret_cast<T*>(static_cast<char*>(base) + offset);
}

void AddToList(void* control, const LanguageRecord* record) {
  if (record == nullptr) return;
  const int32_t index = GameAddListItem(record->name, control, ListItemArgument);
  if (index < 0 || index >= At<int32_t>(control, ListItemCountOffset)) return;
  void* link = At<void*>(control, ListFirstLinkOffset);
  for (int32_t step = 0; link != nullptr && step < index; ++step) link = At<void*>(link, 0);
  if (link == nullptr) return;
  void* item = At<void*>(link, LinkItemOffset);
  if (item != nullptr) At<uint32_t>(item, ItemTagOffset) = record->languageId;
}

}  // namespace

void FillLanguageList(void* control) {
  for (uint8_t id : ListOrder) AddToList(control, LanguageTable[id]);
  for (uint32_t id = BuiltinLanguageCount; id < LanguageTableSize; ++id)
    AddToList(control, LanguageTable[id]);
}

void* __stdcall NewLanguageObject(uint32_t n) {
  if (n > 255) return nullptr;
  auto* object = static_cast<const void**>(GameAllocate(4));
  if (object == nullptr) return nullptr;
  *object = CurrentLanguageOrFallback()->methodTable;
  return object;
}

uint32_t __stdcall HookedSetLanguage(void* manager, uint32_t index) {
  uint32_t& current = At<uint32_t>(manager, 4);
  if (current == index) return 0;
  current = index;
  LoadCurrentLangpack();
  return 1;
}

// Only entered while the language-code word holds CustomLanguageCode.
uint32_t __stdcall ServeResourceString(void* destination, uint32_t id) {
  if (const char* text = LoadedResourceString(id)) {
    const uint32_t length = uint32_t(strlen(text));
    char* buffer = GameStringBuffer(destination, length);
    if (buffer != nullptr) memcpy(buffer, text, length + 1);
    return 1;
  }
  *GameLanguageCodeWord() = uint16_t(CurrentBaseLanguage()->languageCode);
  const uint32_t result = CallNextLoadResString(destination, id);
  *GameLanguageCodeWord() = CustomLanguageCode;
  return result;
}
