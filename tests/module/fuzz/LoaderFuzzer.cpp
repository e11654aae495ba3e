// Feeds arbitrary bytes to the langpack loader as the file of the current language and then
// reads every loaded string, so that any read outside the pool or the tables shows up.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "LangpackLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  FreeLoadedStrings();
  LoadLangpackStream(file);
  fclose(file);

  size_t total = 0;
  for (auto* page : StringPages)
    if (page)
      for (uint32_t i = 0; i < StringPageSize; ++i)
        if (page[i]) total += strlen(page[i]);
  for (uint32_t slot = 0; slot < SlotCount; ++slot) {
    void* entry = SlotOverrides[slot];
    if (entry == nullptr) continue;
    if ((slot >= 5 && slot <= 15) || (slot >= 184 && slot <= 192)) {
      char** list = static_cast<char**>(entry);
      uint32_t n = 0;
      while (list[n]) total += strlen(list[n++]);
      if (n >= StringListSize) __builtin_trap();
    } else {
      total += strlen(static_cast<char*>(entry));
    }
  }
  for (auto* list : Slot14SubLists)
    if (list)
      for (uint32_t n = 0; list[n]; ++n) total += strlen(list[n]);
  FreeLoadedStrings();
  return total == size_t(-1);
}
