// The strings of the current langpack, read from its file at every change of language and
// every reload, and used in place by the method table and the resource-string hook.
//
// No lock guards the tables: the language methods must stay frame-less reads with a tail
// jump, and what they return escapes to the game, which keeps the pointer beyond any lock we
// could take. Instead every entry is a single aligned 32-bit word that a load writes only
// once its target is usable (lists are zeroed first, so they always end with a NULL) and
// clears before the block behind it is freed: a reader on another game thread sees either a
// live string or list or NULL, which sends it to the base language.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include "ModuleExport.h"

enum : uint32_t {
  StringPageCount = 256,
  StringPageSize = 256,
  SlotCount = 200,
  Slot14SubListCount = 15,
  StringListSize = 256,  // at most 255 strings and the NULL that ends the list
};

VERBATRIX_C_BEGIN
// The whole string pool of the loaded file, followed by one NUL of our own; NULL when empty.
extern char* LoadedPool;
// Loaded resource strings: StringPages[r >> 8][r & 0xFF] for the resource string id r.
extern char** StringPages[StringPageCount];
// Per slot: a string (string slots) or a NULL-ended list of StringListSize pointers (list slots).
extern void* SlotOverrides[SlotCount];
// The sub-lists of slot 14.
extern char** Slot14SubLists[Slot14SubListCount];
VERBATRIX_C_END

// Size of the pool in LoadedPool, without the closing NUL of our own.
extern uint32_t LoadedPoolSize;

VERBATRIX_C_BEGIN
void FreeLoadedStrings();

// Frees what was loaded, puts the current language's code into the game's language-code word
// and, for a langpack language, loads its file.
void LoadCurrentLangpack();
VERBATRIX_C_END

// The file part of the load: header, pool and record walk from an open stream positioned
// anywhere. What the file breaks is left out, as the editor leaves it out: nothing from a file
// whose pool offset lies inside the header or past the end, no record that the end of the
// file cuts off, no line whose value names no string, no list for a record that names none.
// Nothing outside the tables and pool is touched.
void LoadLangpackStream(FILE* file);

// The loaded resource string for id, or NULL.
const char* LoadedResourceString(uint32_t id);
