#include "LangpackWriter.h"

#include "LangpackFormat.h"
#include "Zvcharset.h"
#include "platform/FileSave.h"
#include "platform/LittleEndian.h"

#include <cmath>
#include <map>

namespace {

constexpr int kMaxListLines = 255;

QString IdText(uint32_t id) { return QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0')).toUpper(); }

QString RecordWord(const LangpackSaveRecord &r) { return r.group ? QStringLiteral("Group") : QStringLiteral("String"); }

// The list in the game that a record's lines go to, or -1 when they go to none. Outside
// slot 14 the game ignores the sub-index, so ids that differ only there share a list.
int64_t GameListOf(uint32_t id)
{
    if (!IsSlotStringId(id) || !InListSlots(IdNumber(id)))
        return -1;
    return IdNumber(id) == Slot14 ? int64_t(Slot14) << 8 | IdSubIndex(id) : int64_t(IdNumber(id)) << 8;
}

QString CheckRecords(const std::vector<LangpackSaveRecord> &records)
{
    std::map<int64_t, int> linesPerList;
    for (const LangpackSaveRecord &r : records) {
        if (r.id == EndMarker)
            return QStringLiteral("%1 %2 cannot be saved: that id marks the end of the record index.")
                .arg(RecordWord(r), IdText(r.id));
        if (IsSlotStringId(r.id) && IdNumber(r.id) == Slot14 && IdSubIndex(r.id) > kSlot14LastSubList)
            return QStringLiteral("%1 %2 has sub-index %3; slot 14 holds only the sub-lists 0 to %4.")
                .arg(RecordWord(r), IdText(r.id))
                .arg(IdSubIndex(r.id))
                .arg(kSlot14LastSubList);
        const int lines = r.group ? int(r.lines.size()) : 1;
        if (r.group && lines > kMaxListLines)
            return QStringLiteral("Group %1 has %2 checked lines; a group can hold at most %3.")
                .arg(IdText(r.id))
                .arg(lines)
                .arg(kMaxListLines);
        const int64_t list = GameListOf(r.id);
        if (list < 0)
            continue;
        int &total = linesPerList[list];
        total += lines;
        if (total > kMaxListLines)
            return QStringLiteral("%1 %2 brings the list of slot %3 to %4 lines in the game; a list can hold at most %5.")
                .arg(RecordWord(r), IdText(r.id))
                .arg(IdNumber(r.id))
                .arg(total)
                .arg(kMaxListLines);
    }
    return {};
}

void AppendString(QByteArray &index, QByteArray &pool, const QString &text)
{
    AppendU32(index, uint32_t(pool.size()));
    pool.append(UnicodeToGame(text, true));
    pool.append('\0');
}

} // namespace

uint32_t TruncatedLanguageId(double value)
{
    if (!std::isfinite(value))
        return 0;
    return uint32_t(int64_t(std::trunc(value)));
}

LangpackBuildResult BuildLangpack(const LangpackSaveHeader &header,
                                  const std::vector<LangpackSaveRecord> &records)
{
    LangpackBuildResult result;
    result.error = CheckRecords(records);
    if (!result.error.isEmpty())
        return result;

    QByteArray file(int(kLangpackHeaderSize), '\0');
    PutU32(file, 0, kLangpackMagic0);
    PutU32(file, 4, kLangpackMagic1);
    for (int i = 0; i < 4; ++i) {
        file[8 + 2 * i] = char(kLangpackGameVersion[i] & 0xFF);
        file[9 + 2 * i] = char(kLangpackGameVersion[i] >> 8);
    }
    PutU32(file, kLangpackLanguageIdOffset, header.languageId);
    PutU32(file, kLangpackBaseLanguageOffset, header.baseLanguage);
    // One byte per code unit, with the line-break rule of the texts (CR LF is written as
    // LF), which the open reverses: a name that holds a line break reads back as it was
    // saved. The field keeps its last byte for the 0, so a longer name is cut to 31 bytes.
    // The field is already zero, which also ends an empty name.
    const QByteArray name = UnicodeToGame(header.name, true);
    const int nameBytes = std::min<int>(int(name.size()), int(kLangpackNameSize) - 1);
    for (int i = 0; i < nameBytes; ++i) {
        if (name[i] == 0)
            break;
        file[int(kLangpackNameOffset) + i] = name[i];
    }

    QByteArray pool;
    for (const LangpackSaveRecord &r : records) {
        AppendU32(file, r.id);
        if (!r.group) {
            AppendU32(file, KindSingle);
            AppendString(file, pool, r.text);
            continue;
        }
        AppendU32(file, KindGroup);
        for (const QString &line : r.lines)
            AppendString(file, pool, line);
        AppendU32(file, EndMarker);
    }
    AppendU32(file, EndMarker);
    PutU32(file, kLangpackPoolOffsetOffset, uint32_t(file.size()));
    file.append(pool);

    result.ok = true;
    result.bytes = std::move(file);
    return result;
}

void SaveLangpackFile(const QString &fileName, const QByteArray &bytes)
{
    SaveBytesToFile(fileName, bytes);
}
