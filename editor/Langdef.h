// The stock-string table: the strings of each of the game's own languages, with the
// language's id and display name.
//
//   offset 0     gameVersion: 4 x u16
//   offset 8     LangdefEntry list, 80 bytes each, ended by an entry with languageId 0xFFFF
//   behind it    one LangdefBlock per entry, where the entry's blockOffset says
//
// A LangdefBlock is a u32 poolOffset (from the block start), a RecordIndex by the
// langpack grammar and a StringPool up to the end of the block.
//
// The table is used in place: the Langdef object owns its bytes and nothing is parsed
// or copied at start beyond the entry list.
//
// A damaged table. At load the entry list is checked: a table shorter than its version,
// a list without its terminator inside the table, a list without any entry before the
// terminator, or an entry whose block does not lie inside the table refuses the whole
// table with ELangdefDamaged (the editor then cannot start). The blocks are read as far
// as they are sound: the walk over a block never reads outside blockSize; a record that
// does not fit in the block ends the walk (the complete records before it count); a
// string offset outside the pool gives an empty string; a string without its NUL ends
// at the end of the pool.
#pragma once

#include "LangpackFormat.h"
#include "Rawmemorystream.h"
#include "platform/Exception.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// ---- layout ----

struct LangdefEntry {
    uint16_t languageId;  // game language id (0 to 8); 0xFFFF ends the list
    uint16_t defaultFlag; // not 0: the base language selected at start and after New
    uint32_t blockOffset; // from the start of the table
    uint32_t blockSize;
    uint32_t reserved;
    char16_t name[32];    // UTF-16LE, NUL-terminated
};
static_assert(sizeof(LangdefEntry) == 80);
static_assert(offsetof(LangdefEntry, languageId) == 0);
static_assert(offsetof(LangdefEntry, defaultFlag) == 2);
static_assert(offsetof(LangdefEntry, blockOffset) == 4);
static_assert(offsetof(LangdefEntry, blockSize) == 8);
static_assert(offsetof(LangdefEntry, reserved) == 12);
static_assert(offsetof(LangdefEntry, name) == 16);

inline constexpr uint32_t kLangdefVersionSize = 8;
inline constexpr uint32_t kLangdefEntriesOffset = 8;
inline constexpr uint32_t kLangdefEntrySize = sizeof(LangdefEntry);
inline constexpr uint32_t kLangdefEntryNameSize = 64;
inline constexpr uint16_t kLangdefTerminatorId = 0xFFFF;

// The file that replaces the built-in table when it lies beside the program, and the
// name of the built-in table.
inline constexpr char kLangdefFileName[] = "Langdef.df";
inline constexpr char kLangdefResourceName[] = "Langdef";

// `file`: the "Langdef.df" that the table was read from, named so that the user knows
// what to remove; empty for the built-in table and for a table from memory.
class ELangdefDamaged : public Exception {
public:
    explicit ELangdefDamaged(const QString &reason, const QString &file = QString())
        : Exception(file.isEmpty()
                        ? QStringLiteral("The stock-string table is damaged: %1.").arg(reason)
                        : QStringLiteral("The stock-string table \"%1\" is damaged: %2.").arg(file, reason)) {}
};

// ---- reading one block ----

struct LangdefRecord {
    uint32_t id = 0;
    uint32_t kind = 0;               // as stored; 0 is a single, every other kind a group
    std::vector<uint32_t> offsets;   // pool offsets, the group's EndMarker left out

    bool IsGroup() const { return kind != KindSingle; }
};

// Walks the block that a stream views, record by record, from the stream's start. Reads
// through the stream only, so it never goes beyond the viewed size.
class LangdefBlockReader {
public:
    explicit LangdefBlockReader(TRawMemoryStream &stream);

    // The next record; false at the EndMarker or where the block stops being sound.
    bool Next(LangdefRecord &record);

    // True once Next has met the EndMarker (false when the block ended before it).
    bool Complete() const { return complete_; }

    // The string at a pool offset, bytes up to its NUL; empty outside the pool.
    QByteArray RawString(uint32_t offset) const;
    // The same, converted with GameToUnicode (LF becomes CR LF).
    QString String(uint32_t offset) const;
    // Every string of a record, in order.
    QStringList Strings(const LangdefRecord &record) const;

private:
    TRawMemoryStream &stream_;
    const char *block_;
    uint32_t blockSize_;
    uint32_t poolOffset_ = 0;
    bool done_ = false;
    bool complete_ = false;
};

// ---- the table ----

class Langdef {
public:
    // Reads "Langdef.df" in programFolder when it exists and is not a folder (a file that
    // cannot be read, or a pipe or device of that name, raises Exception "Cannot open
    // file ..."), else the
    // built-in table (EResNotFound when missing). Throws ELangdefDamaged for a table whose
    // entry list is unsound, naming the file's full path when the table came from
    // "Langdef.df".
    static Langdef Load(const QString &programFolder);
    // A table from bytes held in memory; throws ELangdefDamaged as Load does.
    static Langdef FromBytes(QByteArray bytes);

    const QByteArray &Bytes() const { return bytes_; }

    // gameVersion, for the window caption.
    const std::array<uint16_t, 4> &StockVersion() const { return stockVersion_; }

    // The entries before the terminator, at least one.
    int EntryCount() const { return int(entryCount_); }
    LangdefEntry Entry(int index) const;
    QString EntryName(int index) const;
    QStringList EntryNames() const;

    // Index of the last entry whose defaultFlag is set; 0 when none is.
    int DefaultBaseIndex() const { return defaultBaseIndex_; }

    // Index of the first entry with that languageId (compared in 32 bits), or -1.
    int FindLangIndex(uint32_t languageId) const;

    // Points the stream at the block of entry baseIndex; an index outside the list gives
    // an empty view.
    void AttachBaseLangdefBlock(TRawMemoryStream &stream, int baseIndex) const;

    // The stock text of id in the language of entry baseIndex: a single's string, a
    // group's first line, "" for an empty group or an id the block does not hold.
    QString LookupStockText(int baseIndex, uint32_t id) const;

    // Calls visit with every sound record of the block of entry baseIndex and its strings
    // (converted, CR LF line breaks); visit returns false to stop early. Returns true
    // when the block was read to its EndMarker.
    bool ForEachRecord(int baseIndex,
                       const std::function<bool(const LangdefRecord &, const QStringList &)> &visit) const;

private:
    // `file`: where the bytes were read from, for ELangdefDamaged; empty otherwise.
    Langdef(QByteArray bytes, const QString &file);

    QByteArray bytes_;
    std::array<uint16_t, 4> stockVersion_{};
    uint32_t entryCount_ = 0;
    int defaultBaseIndex_ = 0;
};
