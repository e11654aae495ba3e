// Langpack reader: turns the bytes of a .ZVlang file into its header fields and its
// records, without touching the document tree. The main window lays the result over
// its tree; the parser on its own is what the fuzz target exercises.
//
// The parser trusts nothing in the file. It never reads outside the buffer it is given,
// and its walk over the record index consumes at least four bytes per step, so it always
// ends. What it does with a damaged file, each kind of damage counted in `damage`:
//
//  - fewer than 60 bytes, or a magic other than "ZVLA" + 0x0000474E (bytes 4..7 exactly
//    'N', 'G', 0, 0): not recognised. `recognised` is false, nothing else is filled in;
//    the caller refuses the file with "Unknown file structure." as for any bad magic.
//  - a language id above 254: passed on as found (the game cannot use such a langpack).
//  - the 32-byte name field without a 0 byte: the name is all 32 bytes of the field.
//  - poolOffset inside the header (below 60) or beyond the end of the file: the game loads
//    nothing from such a file, so the pool holds no strings and no record is kept, not
//    even a group without values. The index is still walked for the damage counts.
//  - a value whose string would start outside the pool (poolOffset + value at or past the
//    end of the file): the value names no string (an empty optional).
//  - a string whose 0 byte is missing: the string runs to the end of the file.
//  - a single record whose value is the EndMarker, or names no string: the game uses the
//    base language's string (or list, at a list slot), so the record is left out of the
//    result and its node stays as the stock strings made it (unchecked). The same goes
//    for a group none of whose values (it has at least one) names a string. A group with
//    some values that name no string keeps them in their places, so that its lines stay
//    where they are on screen; the game leaves such lines out, and so does a save, which
//    writes only the lines that were checked.
//  - the index reaches the end of the file before its EndMarker (also inside a record or
//    inside a group's list of values): the walk stops; the result holds every record
//    that was complete. A record cut off part-way is left out, as the game leaves it out.
//  - any other kind than 0 is a group (kind 0 is a single); the kind is kept as found.
//  - the same id twice, ids in any order, groups without values, values that begin inside
//    a string, a pool that overlaps the index: passed on as found, and not counted as
//    damage.
//
// Strings are returned as views into the caller's buffer (game bytes, not converted),
// so the buffer has to outlive the result. No string is copied, which keeps a hostile
// index that points many values at one long string cheap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct LangpackHeaderView {
    std::string_view name;    // game bytes before the first 0 byte of the name field
    uint32_t languageId = 0;
    uint32_t baseLanguage = 0;
    uint32_t poolOffset = 0;
};

// A value of a record: the string it names, or none when it names no string of the pool.
using LangpackValueView = std::optional<std::string_view>;

struct LangpackRecordView {
    uint32_t id = 0;
    uint32_t kind = 0;  // as stored; 0 is a single, anything else a group
    // A single has exactly one value, naming a string; a group zero or more, at least one
    // of them naming a string.
    std::vector<LangpackValueView> values;

    bool isSingle() const { return kind == 0; }
};

// What a recognised file breaks of the format, kind by kind; all zero for a sound file.
struct LangpackDamage {
    std::size_t valuesOutside = 0;        // values that name no string of the pool
    std::size_t valuesUnterminated = 0;   // values whose string has no 0 byte before the end
    std::size_t singlesWithEndMarker = 0; // single records whose value is the EndMarker
    bool indexCut = false;                // the index ran off the end of the file
    std::size_t recordsBeforeCut = 0;     // with indexCut: the complete records read
    bool languageIdOutOfRange = false;    // the language id lies above 254
    bool nameUnterminated = false;        // the name field holds no 0 byte
    bool poolInHeader = false;            // poolOffset lies inside the 60-byte header
    bool poolPastEnd = false;             // poolOffset lies beyond the end of the file

    // The pool lies inside the header or past the end: no string, no record is taken.
    bool poolOutOfPlace() const { return poolInHeader || poolPastEnd; }

    bool any() const
    {
        return valuesOutside || valuesUnterminated || singlesWithEndMarker || indexCut || languageIdOutOfRange ||
               nameUnterminated || poolInHeader || poolPastEnd;
    }
};

struct LangpackContent {
    bool recognised = false;  // false: too short or wrong magic ("Unknown file structure.")
    LangpackHeaderView header;
    std::vector<LangpackRecordView> records;  // in file order
    LangpackDamage damage;
};

// Parses `size` bytes at `data`. Never throws; never reads outside [data, data + size).
LangpackContent ParseLangpack(const char *data, std::size_t size);
