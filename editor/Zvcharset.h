// The game character set: the game keeps every text as an 8-bit string in a code table
// of its own; the editor works in UTF-16. These are the only conversions between the two.
//
// The mapping data is three embedded tables, each loaded on first use and kept until the
// program ends (a missing table raises EResNotFound at that use and is tried again at the
// next), and the explicit single mappings compiled into UnicodeToGameChar. Every
// conversion works on single bytes and single 16-bit code units; a character outside
// the Basic Multilingual Plane is two code units and becomes two bytes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

// source with every occurrence of find replaced, left to right, without overlap; the
// inserted text is never searched again. An empty find is never found.
QString ReplaceAll(const QString &source, const QString &find, const QString &replacement);

// The text read through ZVUNI up to its first 0 byte. With convertLineBreaks every LF of
// the converted text becomes CR LF (also one that follows a CR).
QString GameToUnicode(QByteArrayView text, bool convertLineBreaks);

// With convertLineBreaks every CR LF first becomes LF (a lone CR or LF stays); then one
// byte per code unit through UnicodeToGameChar, up to the first U+0000.
QByteArray UnicodeToGame(const QString &text, bool convertLineBreaks);

// The text with every byte replaced by its upper-case form; the length stays, 0 bytes
// included.
QByteArray GameUpperCase(QByteArrayView text);

uint8_t GameUpperChar(uint8_t b);
char16_t GameCharToUnicode(uint8_t b);

// The game byte for one code unit; 0x7F for every unit the set cannot show.
uint8_t UnicodeToGameChar(char16_t u);

// The byte the set uses for every character it cannot show.
inline constexpr uint8_t kGameDefaultChar = 0x7F;

// Number of code units with an explicit single mapping.
inline constexpr int kExplicitMappingCount = 226;
