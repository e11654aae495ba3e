// A strict reader of a whole stock-string table for the tests: it takes every field,
// record and string apart and throws std::runtime_error at the first byte that is not
// where the table's layout puts it (an offset outside its block, a block outside the
// table, a string without its NUL inside the pool).
#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

struct ParsedRecord
{
    std::uint32_t id = 0;
    std::uint32_t kind = 0;
    std::vector<std::uint32_t> offsets; // pool offsets, in index order
    std::vector<std::string> strings;   // the strings they point at, without NUL
};

struct ParsedBlock
{
    std::uint32_t poolOffset = 0;
    std::uint32_t indexEnd = 0; // block position after the index's end marker
    std::uint32_t poolSize = 0;
    std::vector<ParsedRecord> records;

    const ParsedRecord *Find(std::uint32_t id) const;
};

struct ParsedEntry
{
    std::uint16_t languageId = 0;
    std::uint16_t defaultFlag = 0;
    std::uint32_t blockOffset = 0;
    std::uint32_t blockSize = 0;
    std::uint32_t reserved = 0;
    std::u16string name;
    bool nameTailZero = false; // every byte of the name field after its NUL is 0
};

struct ParsedLangdef
{
    std::uint16_t gameVersion[4] = {};
    std::vector<ParsedEntry> entries;    // without the terminator
    bool terminatorAllZero = false;      // all of the terminator but languageId is 0
    std::vector<ParsedBlock> blocks;     // one per entry
};

ParsedLangdef ParseLangdef(const QByteArray &table);

// The 206 slot ids of every stock language, ascending: slots 0 to 192 without 14, and
// the sub-lists 1 to 14 of slot 14.
std::vector<std::uint32_t> StockSlotIds();
