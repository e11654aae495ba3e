// The two words of the game that the portable core reads and writes: the 16-bit language-code
// word and the current language index of the game's language manager. Inside the game they
// live at fixed addresses; natively they are ordinary variables that the tests set.
#pragma once

#include <stdint.h>

#if defined(_WIN32)
inline volatile uint16_t* GameLanguageCodeWord() {
  return reinterpret_cast<volatile uint16_t*>(0x6391F8);
}
inline volatile uint32_t* GameCurrentLanguageIndex() {
  return reinterpret_cast<volatile uint32_t*>(0x8BBB0C);
}
#else
extern volatile uint16_t NativeGameLanguageCode;
extern volatile uint32_t NativeGameCurrentIndex;
inline volatile uint16_t* GameLanguageCodeWord() { return &NativeGameLanguageCode; }
inline volatile uint32_t* GameCurrentLanguageIndex() { return &NativeGameCurrentIndex; }
#endif
