// Native stand-ins for what the game and the DLL's assembler provide, so that the portable
// core links and runs in unit tests, benchmarks and fuzzing.
#include "GameState.h"
#include "LanguageTable.h"

volatile uint16_t NativeGameLanguageCode;
volatile uint32_t NativeGameCurrentIndex;

const void* const LangpackMethodTable[200] = {};
