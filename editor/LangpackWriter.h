// Langpack writer: the bytes of a .ZVlang file from the header fields and the checked
// records of the document, and the safe write of those bytes to disk.
//
// BuildLangpack keeps every rule the module's reader depends on, refusing instead of
// writing a file it would misread:
//  - a group with more than 255 lines is refused;
//  - records whose lines the game files into one list (at a list slot, ids that differ
//    only in the sub-index, or a single there, which counts as one line) may hold at most
//    255 lines together;
//  - a slot-14 id (0x02000Exx) with a sub-index above 14 is refused;
//  - an id equal to the EndMarker (0xFFFFFFFF) is refused: it would end the index.
// The refusal text names the record; nothing is built. A name longer than 31 code units
// is cut to its first 31 so that its 0 byte stays inside the 32-byte field.
//
// SaveLangpackFile does not destroy the file it replaces: the bytes go to a temporary file
// beside the target, which takes the target's place only once it is complete; only where
// the folder does not let the user create that file is the target written in place
// (SaveBytesToFile). On failure it throws Exception with "Cannot create file "<path>".
// <reason>" or "Stream write error".
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct LangpackSaveHeader {
    uint32_t languageId = 0;    // the ID field's value truncated toward zero (TruncatedLanguageId)
    uint32_t baseLanguage = 0;  // languageId of the selected LangdefEntry, zero-extended
    QString name;               // the name field's text, UTF-16 code units
};

// One checked top-level record, in tree order.
struct LangpackSaveRecord {
    uint32_t id = 0;
    bool group = false;
    QString text;       // single: its translation (newText)
    QStringList lines;  // group: the translations of its checked lines, in order
};

struct LangpackBuildResult {
    bool ok = false;
    QByteArray bytes;  // the whole file when ok
    QString error;     // why the save was refused when !ok
};

// The ID field's value as the header stores it: truncated toward zero, low 32 bits.
uint32_t TruncatedLanguageId(double value);

LangpackBuildResult BuildLangpack(const LangpackSaveHeader &header,
                                  const std::vector<LangpackSaveRecord> &records);

// Writes `bytes` to `fileName` through a temporary file that replaces it when complete, or
// in place where no temporary file can be made. Throws Exception on failure (see above).
void SaveLangpackFile(const QString &fileName, const QByteArray &bytes);
