#include "Langdef.h"

#include "Zvcharset.h"
#include "platform/FileLoad.h"
#include "platform/LittleEndian.h"
#include "platform/ResourceStream.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// ---- LangdefBlockReader ----

LangdefBlockReader::LangdefBlockReader(TRawMemoryStream &stream)
    : stream_(stream),
      block_(static_cast<const char *>(stream.Memory())),
      blockSize_(uint32_t(std::clamp<int64_t>(stream.Size(), 0, INT32_MAX)))
{
    stream_.SetPosition(0);
    if (block_ == nullptr || !stream_.ReadU32(poolOffset_))
        done_ = true;
}

bool LangdefBlockReader::Next(LangdefRecord &record)
{
    if (done_)
        return false;
    record = LangdefRecord{};
    uint32_t value = 0;
    if (!stream_.ReadU32(record.id)) {
        done_ = true;
        return false;
    }
    if (record.id == EndMarker) {
        done_ = complete_ = true;
        return false;
    }
    if (!stream_.ReadU32(record.kind)) {
        done_ = true;
        return false;
    }
    if (!record.IsGroup()) {
        if (!stream_.ReadU32(value)) {
            done_ = true;
            return false;
        }
        record.offsets.push_back(value);
        return true;
    }
    for (;;) {
        if (!stream_.ReadU32(value)) {
            done_ = true;  // a group cut off by the end of the block is left out
            return false;
        }
        if (value == EndMarker)
            return true;
        record.offsets.push_back(value);
    }
}

QByteArray LangdefBlockReader::RawString(uint32_t offset) const
{
    if (poolOffset_ >= blockSize_ || offset >= blockSize_ - poolOffset_)
        return {};
    const char *start = block_ + poolOffset_ + offset;
    const std::size_t left = blockSize_ - poolOffset_ - offset;
    const void *nul = std::memchr(start, 0, left);
    return QByteArray(start, nul ? qsizetype(static_cast<const char *>(nul) - start) : qsizetype(left));
}

QString LangdefBlockReader::String(uint32_t offset) const { return GameToUnicode(RawString(offset), true); }

QStringList LangdefBlockReader::Strings(const LangdefRecord &record) const
{
    QStringList out;
    out.reserve(qsizetype(record.offsets.size()));
    for (uint32_t offset : record.offsets)
        out.append(String(offset));
    return out;
}

// ---- Langdef ----

namespace {

LangdefEntry EntryAt(const QByteArray &bytes, uint32_t index)
{
    const char *at = bytes.constData() + kLangdefEntriesOffset + std::size_t(index) * kLangdefEntrySize;
    LangdefEntry e;
    e.languageId = LoadU16(at + offsetof(LangdefEntry, languageId));
    e.defaultFlag = LoadU16(at + offsetof(LangdefEntry, defaultFlag));
    e.blockOffset = LoadU32(at + offsetof(LangdefEntry, blockOffset));
    e.blockSize = LoadU32(at + offsetof(LangdefEntry, blockSize));
    e.reserved = LoadU32(at + offsetof(LangdefEntry, reserved));
    for (std::size_t i = 0; i < std::size(e.name); ++i)
        e.name[i] = char16_t(LoadU16(at + offsetof(LangdefEntry, name) + 2 * i));
    return e;
}

} // namespace

Langdef::Langdef(QByteArray bytes, const QString &file) : bytes_(std::move(bytes))
{
    const auto damaged = [&file](const QString &reason) { return ELangdefDamaged(reason, file); };
    const uint64_t size = uint64_t(bytes_.size());
    if (size < kLangdefVersionSize)
        throw damaged(QStringLiteral("it is shorter than its version"));
    for (std::size_t i = 0; i < stockVersion_.size(); ++i)
        stockVersion_[i] = LoadU16(bytes_.constData() + 2 * i);

    // The entry list, up to its terminator (only its languageId needs to be there).
    uint32_t count = 0;
    for (;; ++count) {
        const uint64_t at = kLangdefEntriesOffset + uint64_t(count) * kLangdefEntrySize;
        if (at + sizeof(uint16_t) > size)
            throw damaged(QStringLiteral("its language list has no end"));
        if (LoadU16(bytes_.constData() + at) == kLangdefTerminatorId)
            break;
        if (at + kLangdefEntrySize > size)
            throw damaged(QStringLiteral("its language list has no end"));
    }
    // Every block inside the table.
    for (uint32_t i = 0; i < count; ++i) {
        const LangdefEntry e = EntryAt(bytes_, i);
        if (uint64_t(e.blockOffset) + e.blockSize > size || e.blockSize > uint32_t(INT32_MAX))
            throw damaged(QStringLiteral("the strings of language %1 lie outside the table").arg(i));
        if (e.defaultFlag != 0)
            defaultBaseIndex_ = int(i);
    }
    if (count == 0)
        throw damaged(QStringLiteral("it lists no language"));
    entryCount_ = count;
}

Langdef Langdef::FromBytes(QByteArray bytes) { return Langdef(std::move(bytes), QString()); }

Langdef Langdef::Load(const QString &programFolder)
{
    const QString path = QDir(programFolder).filePath(QLatin1String(kLangdefFileName));
    const QFileInfo file(path);
    // A folder of that name is no file, as for the system's own file test; anything else
    // there is read, and what is not a regular file is refused by the loader.
    if (file.exists() && !file.isDir())
        return Langdef(LoadBytesFromFile(path), file.absoluteFilePath());
    return Langdef(ResourceStream(QLatin1String(kLangdefResourceName)).bytes(), QString());
}

LangdefEntry Langdef::Entry(int index) const
{
    if (index < 0 || uint32_t(index) >= entryCount_)
        return LangdefEntry{kLangdefTerminatorId, 0, 0, 0, 0, {}};
    return EntryAt(bytes_, uint32_t(index));
}

QString Langdef::EntryName(int index) const
{
    const LangdefEntry e = Entry(index);
    std::size_t n = 0;
    while (n < std::size(e.name) && e.name[n] != 0)
        ++n;
    return QString::fromUtf16(e.name, qsizetype(n));
}

QStringList Langdef::EntryNames() const
{
    QStringList names;
    for (int i = 0; i < EntryCount(); ++i)
        names.append(EntryName(i));
    return names;
}

int Langdef::FindLangIndex(uint32_t languageId) const
{
    for (uint32_t i = 0; i < entryCount_; ++i)
        if (uint32_t(EntryAt(bytes_, i).languageId) == languageId)
            return int(i);
    return -1;
}

void Langdef::AttachBaseLangdefBlock(TRawMemoryStream &stream, int baseIndex) const
{
    if (baseIndex < 0 || uint32_t(baseIndex) >= entryCount_) {
        stream.SetPointer(nullptr, 0);
        return;
    }
    const LangdefEntry e = EntryAt(bytes_, uint32_t(baseIndex));
    stream.SetPointer(bytes_.constData() + e.blockOffset, e.blockSize);
}

QString Langdef::LookupStockText(int baseIndex, uint32_t id) const
{
    TRawMemoryStream stream;
    AttachBaseLangdefBlock(stream, baseIndex);
    LangdefBlockReader reader(stream);
    LangdefRecord record;
    while (reader.Next(record)) {
        if (record.id != id)
            continue;
        return record.offsets.empty() ? QString() : reader.String(record.offsets.front());
    }
    return {};
}

bool Langdef::ForEachRecord(int baseIndex,
                            const std::function<bool(const LangdefRecord &, const QStringList &)> &visit) const
{
    TRawMemoryStream stream;
    AttachBaseLangdefBlock(stream, baseIndex);
    LangdefBlockReader reader(stream);
    LangdefRecord record;
    while (reader.Next(record))
        if (!visit(record, reader.Strings(record)))
            return false;
    return reader.Complete();
}
