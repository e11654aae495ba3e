#include "ParsedLangdef.h"

#include "LangpackFormat.h"

#include <stdexcept>

namespace {

constexpr std::uint32_t EndMarker = 0xFFFFFFFFu;

class Reader
{
public:
    Reader(const QByteArray &bytes, std::uint64_t begin, std::uint64_t end, const char *what)
        : bytes_(bytes), begin_(begin), end_(end), what_(what)
    {
        if (begin > end || end > std::uint64_t(bytes.size()))
            Fail("lies outside the table");
    }

    std::uint32_t U32(std::uint64_t at) const { return Read(at, 4); }
    std::uint16_t U16(std::uint64_t at) const { return static_cast<std::uint16_t>(Read(at, 2)); }
    std::uint8_t Byte(std::uint64_t at) const { return static_cast<std::uint8_t>(Read(at, 1)); }
    std::uint64_t Size() const { return end_ - begin_; }

    [[noreturn]] void Fail(const std::string &problem) const
    {
        throw std::runtime_error(std::string(what_) + ": " + problem);
    }

private:
    std::uint32_t Read(std::uint64_t at, int n) const
    {
        if (at > Size() || Size() - at < std::uint64_t(n))
            Fail("read at " + std::to_string(at) + " past its end " + std::to_string(Size()));
        std::uint32_t value = 0;
        for (int i = 0; i < n; ++i)
            value |= std::uint32_t(std::uint8_t(bytes_[qsizetype(begin_ + at + i)])) << (8 * i);
        return value;
    }

    const QByteArray &bytes_;
    std::uint64_t begin_;
    std::uint64_t end_;
    const char *what_;
};

ParsedBlock ParseBlock(const QByteArray &table, std::uint32_t offset, std::uint32_t size)
{
    const Reader block(table, offset, std::uint64_t(offset) + size, "block");
    ParsedBlock parsed;
    parsed.poolOffset = block.U32(0);
    if (parsed.poolOffset > size)
        block.Fail("poolOffset beyond the block");
    const Reader pool(table, std::uint64_t(offset) + parsed.poolOffset, std::uint64_t(offset) + size, "pool");
    parsed.poolSize = std::uint32_t(pool.Size());

    std::uint64_t at = 4;
    const auto next = [&] {
        if (at + 4 > parsed.poolOffset)
            block.Fail("record index runs into the pool");
        const std::uint32_t value = block.U32(at);
        at += 4;
        return value;
    };
    const auto text = [&](std::uint32_t poolAt) {
        std::string s;
        for (std::uint64_t i = poolAt;; ++i) {
            const std::uint8_t c = pool.Byte(i);
            if (c == 0)
                return s;
            s.push_back(static_cast<char>(c));
        }
    };
    for (;;) {
        ParsedRecord record;
        record.id = next();
        if (record.id == EndMarker)
            break;
        record.kind = next();
        if (record.kind == 0) {
            record.offsets.push_back(next());
        } else {
            for (std::uint32_t o = next(); o != EndMarker; o = next())
                record.offsets.push_back(o);
        }
        for (std::uint32_t o : record.offsets)
            record.strings.push_back(text(o));
        parsed.records.push_back(std::move(record));
    }
    parsed.indexEnd = std::uint32_t(at);
    return parsed;
}

} // namespace

const ParsedRecord *ParsedBlock::Find(std::uint32_t id) const
{
    for (const ParsedRecord &r : records)
        if (r.id == id)
            return &r;
    return nullptr;
}

ParsedLangdef ParseLangdef(const QByteArray &table)
{
    const Reader all(table, 0, std::uint64_t(table.size()), "table");
    ParsedLangdef parsed;
    for (int i = 0; i < 4; ++i)
        parsed.gameVersion[i] = all.U16(2 * i);
    for (std::uint64_t entry = 8;; entry += 80) {
        const std::uint16_t id = all.U16(entry);
        all.U32(entry + 76); // the whole entry lies inside the table
        if (id == 0xFFFF) {
            parsed.terminatorAllZero = true;
            for (int b = 2; b < 80; ++b)
                parsed.terminatorAllZero = parsed.terminatorAllZero && all.Byte(entry + b) == 0;
            break;
        }
        ParsedEntry e;
        e.languageId = id;
        e.defaultFlag = all.U16(entry + 2);
        e.blockOffset = all.U32(entry + 4);
        e.blockSize = all.U32(entry + 8);
        e.reserved = all.U32(entry + 12);
        int c = 0;
        for (; c < 32 && all.U16(entry + 16 + 2 * c) != 0; ++c)
            e.name.push_back(static_cast<char16_t>(all.U16(entry + 16 + 2 * c)));
        if (c == 32)
            all.Fail("entry name without NUL");
        e.nameTailZero = true;
        for (int b = 16 + 2 * c; b < 80; ++b)
            e.nameTailZero = e.nameTailZero && all.Byte(entry + b) == 0;
        parsed.entries.push_back(e);
    }
    for (const ParsedEntry &e : parsed.entries)
        parsed.blocks.push_back(ParseBlock(table, e.blockOffset, e.blockSize));
    return parsed;
}

std::vector<std::uint32_t> StockSlotIds()
{
    std::vector<std::uint32_t> ids;
    for (std::uint32_t n = 0; n <= kLastStringSlot; ++n) {
        if (n != Slot14) {
            ids.push_back(MakeSlotStringId(n));
            continue;
        }
        for (std::uint32_t k = kSlot14FirstStockSubList; k <= kSlot14LastSubList; ++k)
            ids.push_back(Slot14SubList(k));
    }
    return ids;
}
