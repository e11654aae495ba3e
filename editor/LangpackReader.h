// Langpack reader: turns the bytes of a .ZVlang file into its header fields and its
// records, without touching the document tree. The main window lays the result over
// its tree; the parser on its own is what the fuzz target exercises.
//
// The parser trusts nothing in the file. It never reads outside the buffer it is given,
// and its walk over the record index consumes at least four bytes per step, so it always
// ends. What it does with a damaged file:
//
//  - fewer than 60 bytes, or a magic other than "ZVLA" + 0x0000474E (bytes 4..7 exactly
//    'N', 'G', 0, 0): not recognised. `recognised` is false, nothing else is filled in;
//    the caller refuses the file with "Unknown file structure." as for any bad magic.
//  - the 32-byte name field without a 0 byte: the name is all 32 bytes of the field.
//  - poolOffset beyond the end of the file: the pool is empty, so every string is empty.
//  - a string offset that lies outside the pool (poolOffset + offset at or past the end
//    of the file): the string is empty.
//  - a string whose 0 byte is missing: the string runs to the end of the file.
//  - a single record whose value is the EndMarker: the record names no string. The game
//    then uses the base language's string, so the record is left out of the result:
//    its node stays as the stock strings made it (unchecked).
//  - the index reaches the end of the file before its EndMarker (also inside a record or
//    inside a group's list of values): the walk stops; the result holds every record
//    that was complete, and `truncated` is true. A record cut off part-way is left out.
//  - any other kind than 0 is a group (kind 0 is a single); the kind is kept as found.
//  - the same id twice, ids in any order, groups without values: passed on as found.
//
// Strings are returned as views into the caller's buffer (game bytes, not converted),
// so the buffer has to outlive the result. No string is copied, which keeps a hostile
// index that points many values at one long string cheap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct LangpackHeaderView {
    std::string_view name;    // game bytes before the first 0 byte of the name field
    uint32_t languageId = 0;
    uint32_t baseLanguage = 0;
    uint32_t poolOffset = 0;
};

struct LangpackRecordView {
    uint32_t id = 0;
    uint32_t kind = 0;                    // as stored; 0 is a single, anything else a group
    std::vector<std::string_view> values; // a single has exactly one, a group zero or more

    bool isSingle() const { return kind == 0; }
};

struct LangpackContent {
    bool recognised = false;  // false: too short or wrong magic ("Unknown file structure.")
    bool truncated = false;   // the index ran off the end of the file
    LangpackHeaderView header;
    std::vector<LangpackRecordView> records;  // in file order
};

// Parses `size` bytes at `data`. Never throws; never reads outside [data, data + size).
LangpackContent ParseLangpack(const char *data, std::size_t size);
