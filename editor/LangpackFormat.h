// The langpack file (.ZVlang) and the record grammar that the stock-string table's blocks
// share with it.
//
//   offset 0           LangpackHeader (60 bytes)
//   offset 60          RecordIndex: StringRecords, ended by an EndMarker in the id place
//   offset poolOffset  StringPool: NUL-terminated game strings up to the end of the file
//
// Every integer is little-endian and unsigned. A StringRecord is its id, its kind and its
// pool offsets (counted from the start of the pool): one for KindSingle, zero or more and
// an EndMarker for KindGroup.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// ---- header ----

// The header's layout. Never read or written as a whole: the reader and the writer go
// through the offsets below, which the asserts hold to this layout.
struct LangpackHeader {
    char magic[8];              // "ZVLANG", 0, 0
    uint16_t gameVersion[4];    // 3, 6, 31, 0
    uint32_t languageId;        // 0 to 254; 0 to 8 take the place of a built-in language
    uint32_t baseLanguage;      // built-in language (0 to 8) for every string left out
    char name[32];              // game charset, NUL-terminated inside the field
    uint32_t poolOffset;        // file offset of the string pool
};

inline constexpr uint32_t kLangpackHeaderSize = 60;
inline constexpr uint32_t kLangpackMagicOffset = 0;
inline constexpr uint32_t kLangpackGameVersionOffset = 8;
inline constexpr uint32_t kLangpackLanguageIdOffset = 16;
inline constexpr uint32_t kLangpackBaseLanguageOffset = 20;
inline constexpr uint32_t kLangpackNameOffset = 24;
inline constexpr uint32_t kLangpackNameSize = 32;
inline constexpr uint32_t kLangpackPoolOffsetOffset = 56;

// The highest language id that the game can use.
inline constexpr uint32_t kLastLanguageId = 254;

static_assert(sizeof(LangpackHeader) == kLangpackHeaderSize);
static_assert(offsetof(LangpackHeader, magic) == kLangpackMagicOffset);
static_assert(offsetof(LangpackHeader, gameVersion) == kLangpackGameVersionOffset);
static_assert(offsetof(LangpackHeader, languageId) == kLangpackLanguageIdOffset);
static_assert(offsetof(LangpackHeader, baseLanguage) == kLangpackBaseLanguageOffset);
static_assert(offsetof(LangpackHeader, name) == kLangpackNameOffset);
static_assert(sizeof(LangpackHeader::name) == kLangpackNameSize);
static_assert(offsetof(LangpackHeader, poolOffset) == kLangpackPoolOffsetOffset);

// The magic read as two little-endian words: "ZVLA", then 'N', 'G', 0, 0.
inline constexpr uint32_t kLangpackMagic0 = 0x414C565A;
inline constexpr uint32_t kLangpackMagic1 = 0x0000474E;

// The game version whose string ids every langpack of this editor uses.
inline constexpr std::array<uint16_t, 4> kLangpackGameVersion = {3, 6, 31, 0};

// ---- records ----

enum RecordKind : uint32_t {
    KindSingle = 0,  // one pool offset
    KindGroup = 1,   // a string list: pool offsets, then an EndMarker
};

// Ends the offsets of a group and, in the place of an id, the record index.
inline constexpr uint32_t EndMarker = 0xFFFFFFFF;

// ---- string ids ----
//
//   bits 24..31  id type: 1 resource string, 2 slot of the language method table
//   bits  8..23  the resource string id or the slot number
//   bits  0..7   sub-index: the sub-list of slot 14, 0 everywhere else

using StringId = uint32_t;

enum StringIdType : uint32_t {
    ResourceStringId = 1,
    SlotStringId = 2,
};

inline constexpr uint32_t IdType(StringId id) { return id >> 24; }
inline constexpr uint32_t IdNumber(StringId id) { return id >> 8 & 0xFFFF; }
inline constexpr uint32_t IdSubIndex(StringId id) { return id & 0xFF; }

inline constexpr StringId MakeResourceStringId(uint32_t resourceId)
{
    return ResourceStringId << 24 | (resourceId & 0xFFFF) << 8;
}
inline constexpr StringId MakeSlotStringId(uint32_t slot, uint32_t subIndex = 0)
{
    return SlotStringId << 24 | (slot & 0xFFFF) << 8 | (subIndex & 0xFF);
}

inline constexpr bool IsResourceStringId(StringId id) { return IdType(id) == ResourceStringId; }
inline constexpr bool IsSlotStringId(StringId id) { return IdType(id) == SlotStringId; }

// The resource string id r of string i (0 to 15) of string-table block b.
inline constexpr uint32_t StringTableResourceId(uint32_t block, uint32_t index)
{
    return (block - 1) * 16 + index;
}

// ---- slots of the language method table ----
//
// The table has 200 slots. Slots 0 to 192 hold the strings and lists that a language
// carries; 193 to 196 return 32-bit cells of the language and 197 to 199 always come from
// the base language: the module reads over records for slots of 193 and more.

inline constexpr uint32_t kLastStringSlot = 192;

// The slot that is split into numbered sub-lists (0 to 14). The stock table holds
// sub-lists 1 to 14.
inline constexpr uint32_t Slot14 = 14;
inline constexpr uint32_t kSlot14FirstStockSubList = 1;
inline constexpr uint32_t kSlot14LastSubList = 14;

inline constexpr StringId Slot14SubList(uint32_t subIndex) { return MakeSlotStringId(Slot14, subIndex); }

// Slots that give the game a string list: 5 to 15 (14 among them) and 184 to 192.
struct SlotRange {
    uint32_t first;
    uint32_t last;
};
inline constexpr std::array<SlotRange, 2> ListSlots = {{{5, 15}, {184, 192}}};

inline constexpr bool InListSlots(uint32_t slot)
{
    for (const SlotRange &r : ListSlots)
        if (slot >= r.first && slot <= r.last)
            return true;
    return false;
}

// The kind that a record with this id has in the stock table: a group at the list slots,
// a single everywhere else.
inline constexpr RecordKind StockKindOf(StringId id)
{
    return IsSlotStringId(id) && InListSlots(IdNumber(id)) ? KindGroup : KindSingle;
}
