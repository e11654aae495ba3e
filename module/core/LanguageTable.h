// The module's registry of languages: the records of the game's nine own languages and of
// every langpack found at start-up, indexed by language id.
#pragma once

#include <stdint.h>

#include "ModuleExport.h"

// One registered language. The field order is fixed: the method bodies written in assembler
// read methodTable (offset 8) and baseLanguage (offset 20) of the 32-bit layout.
struct LanguageRecord {
  char* name;                // NUL-terminated game-charset text shown in the language list
  uint32_t languageId;       // index in LanguageTable
  const void* methodTable;   // the language's 200-method table
  uint32_t languageCode;     // low 16 bits: the LANGID put into the game's language-code word
  char* path;                // langpack file path (heap), NULL for a built-in language
  uint32_t baseLanguage;     // id (0..8) of the built-in language that fills the gaps
};

enum : uint32_t {
  LanguageTableSize = 256,
  BuiltinLanguageCount = 9,
  // The language code of every langpack language.
  CustomLanguageCode = 0x5A4B,
  // Served in place of a current language that names no registered record, and as base
  // of a record whose baseLanguage lies outside 0..8: the built-in English (United Kingdom).
  FallbackLanguageId = 7,
};

VERBATRIX_C_BEGIN
extern LanguageRecord* LanguageTable[LanguageTableSize];
// The nine static records in the order of the game's language list (ids 1, 7, 3, 6, 2, 4, 0, 8, 5).
extern LanguageRecord BuiltinLanguages[BuiltinLanguageCount];
// The same nine records by language id.
extern LanguageRecord* const BuiltinLanguagesById[BuiltinLanguageCount];
// The one method table of every langpack language (assembler in the DLL, a dummy natively).
extern const void* const LangpackMethodTable[200];
VERBATRIX_C_END

// Sets every entry to NULL and places the nine built-in records at their ids.
void ResetLanguageTable();

// LanguageTable[current language index], or NULL when the index names no record.
LanguageRecord* CurrentLanguageRecord();

// The built-in record whose method table and language code serve everything the current
// language leaves out; never NULL (falls back to FallbackLanguageId).
const LanguageRecord* CurrentBaseLanguage();

// The record that the game's current language index stands for: the current record, or the
// fallback built-in language when the index names none. Never NULL.
const LanguageRecord* CurrentLanguageOrFallback();

// Frees name, path and record of every langpack entry; entries stay as they are.
void ReleaseLangpackRecords();
