// The stock-table builder: writes the stock-string table "Langdef.df" from a copy of
// the game executable of version 3.6.31.0, for each of the game's nine languages the
// strings of its string-table resources and of its language method table (slots 0 to
// 192; slot 14 as its sub-lists 1 to 14).
//
// Game addresses are those of version 3.6.31.0. Every address the builder follows is
// translated into the mapped image and must lie inside it; one that does not ends the
// build with an Exception naming the address, and nothing is written.
#pragma once

#include "Langdef.h"
#include "platform/PeImage.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

struct MakeDefsLanguage
{
    const char16_t *name;      // display name of the language's entry
    std::uint32_t languageId;  // game language id (0 to 8)
    std::uint32_t methodTable; // game address of the language's method table
    std::uint32_t languageCode; // LANGID of the language's string-table blocks
};

inline constexpr int MakeDefsLanguageCount = 9;

// The game's nine languages, in the order of the table's entries and blocks.
extern const MakeDefsLanguage MakeDefsLanguages[MakeDefsLanguageCount];

// Where the game expects to be mapped: game address A lies at A - GameImageBase.
inline constexpr std::uint32_t GameImageBase = 0x400000;

// The game version whose strings the table holds.
inline constexpr std::uint16_t MakeDefsGameVersion[4] = {3, 6, 31, 0};

// The context of the string-table enumeration of one language.
struct StringTableContext
{
    QByteArray *block;          // the block being built (record index so far)
    QByteArray *pool;           // its string pool so far
    std::uint16_t languageCode; // the one language whose blocks are taken
};

// Builds the table from the game executable at `path` (relative to the current folder)
// and writes it to `outputPath` (by default "Langdef.df" in the current folder).
// Throws Exception "Can't load ZV.exe." when the file cannot be loaded as an image, an
// Exception naming the address when a game address lies outside the image, and the file
// layer's Exception when the output cannot be written; on any of them nothing is written.
void MakeDefs(const QString &path, const QString &outputPath = QString::fromLatin1(kLangdefFileName));

// Appends one complete LangdefBlock of language `row` to `block` (empty at the call).
void BuildLangdefBlock(const PeImage &image, QByteArray &block, int row);

// The enumeration callback for string-table block `name`: appends one single-string
// record per non-empty string of the block in the context's language, or nothing when
// the block has no resource in that language. Always answers true (go on).
bool EnumStringTableBlock(const PeImage &module, std::uint16_t type, std::uint16_t name,
                          StringTableContext &context);
