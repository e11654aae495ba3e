#include "LangpackReader.h"

#include "LangpackFormat.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace {

// A cursor over the file bytes that only hands out whole, in-range 32-bit words.
class WordReader {
public:
    WordReader(const unsigned char *data, std::size_t size, std::size_t pos)
        : data_(data), size_(size), pos_(pos) {}

    bool read(uint32_t &out)
    {
        if (pos_ > size_ || size_ - pos_ < 4)
            return false;
        out = LoadU32(data_ + pos_);
        pos_ += 4;
        return true;
    }

private:
    const unsigned char *data_;
    std::size_t size_;
    std::size_t pos_;
};

std::string_view UpToNul(const char *p, std::size_t n)
{
    const void *nul = std::memchr(p, 0, n);
    return std::string_view(p, nul ? std::size_t(static_cast<const char *>(nul) - p) : n);
}

} // namespace

LangpackContent ParseLangpack(const char *data, std::size_t size)
{
    LangpackContent out;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    if (data == nullptr || size < kLangpackHeaderSize)
        return out;
    if (LoadU32(bytes + 0) != kLangpackMagic0 || LoadU32(bytes + 4) != kLangpackMagic1)
        return out;
    out.recognised = true;

    LangpackHeaderView &h = out.header;
    LangpackDamage &damage = out.damage;
    h.languageId = LoadU32(bytes + kLangpackLanguageIdOffset);
    h.baseLanguage = LoadU32(bytes + kLangpackBaseLanguageOffset);
    h.name = UpToNul(data + kLangpackNameOffset, kLangpackNameSize);
    damage.nameUnterminated = h.name.size() == kLangpackNameSize;
    h.poolOffset = LoadU32(bytes + kLangpackPoolOffsetOffset);
    damage.languageIdOutOfRange = h.languageId > kLastLanguageId;
    damage.poolInHeader = h.poolOffset < kLangpackHeaderSize;
    damage.poolPastEnd = h.poolOffset > size;
    // A pool outside its place holds no strings, and no record is taken from such a file.
    const bool poolInPlace = !damage.poolOutOfPlace();

    // The string at pool offset v: from the pool base up to the next 0 byte, cut at the
    // end of the file; none when it would start outside the file.
    const char *const end = data + size;
    auto stringAt = [&](uint32_t v) -> LangpackValueView {
        const uint64_t start = uint64_t(h.poolOffset) + v;
        if (!poolInPlace || start >= size)
            return std::nullopt;
        return UpToNul(data + start, size - std::size_t(start));
    };
    // The damage of a record read to its end; a string that reaches the end of the file
    // found no 0 byte before it.
    auto count = [&](const LangpackRecordView &rec) {
        for (const LangpackValueView &value : rec.values) {
            if (!value)
                ++damage.valuesOutside;
            else if (value->data() + value->size() == end)
                ++damage.valuesUnterminated;
        }
    };

    WordReader in(bytes, size, kLangpackHeaderSize);
    std::size_t complete = 0;   // records read to their end, kept or not
    for (;;) {
        LangpackRecordView rec;
        if (!in.read(rec.id))
            break;
        if (rec.id == EndMarker)
            return out;
        if (!in.read(rec.kind))
            break;
        uint32_t v = 0;
        if (rec.isSingle()) {
            if (!in.read(v))
                break;
            if (v == EndMarker)
                ++damage.singlesWithEndMarker;
            else
                rec.values.push_back(stringAt(v));
        } else {
            bool ended = false;
            while (in.read(v)) {
                if (v == EndMarker) {
                    ended = true;
                    break;
                }
                rec.values.push_back(stringAt(v));
            }
            if (!ended)
                break;
        }
        ++complete;
        count(rec);
        // A record that names no string leaves the base language's in place; a group
        // without values is an empty list.
        const bool namesAString = std::any_of(rec.values.begin(), rec.values.end(),
                                              [](const LangpackValueView &value) { return value.has_value(); });
        if (poolInPlace && (namesAString || (!rec.isSingle() && rec.values.empty())))
            out.records.push_back(std::move(rec));
    }
    damage.indexCut = true;
    damage.recordsBeforeCut = complete;
    return out;
}
