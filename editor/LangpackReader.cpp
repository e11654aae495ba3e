#include "LangpackReader.h"

#include "LangpackFormat.h"
#include "platform/LittleEndian.h"

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
    h.languageId = LoadU32(bytes + kLangpackLanguageIdOffset);
    h.baseLanguage = LoadU32(bytes + kLangpackBaseLanguageOffset);
    h.name = UpToNul(data + kLangpackNameOffset, kLangpackNameSize);
    h.poolOffset = LoadU32(bytes + kLangpackPoolOffsetOffset);

    // The string at pool offset v: from the pool base up to the next 0 byte, cut at the
    // end of the file; empty when it starts outside the file.
    auto stringAt = [&](uint32_t v) -> std::string_view {
        const uint64_t start = uint64_t(h.poolOffset) + v;
        if (start >= size)
            return {};
        return UpToNul(data + start, size - std::size_t(start));
    };

    WordReader in(bytes, size, kLangpackHeaderSize);
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
                continue;  // names no string: the base language's string stays
            rec.values.push_back(stringAt(v));
        } else {
            bool complete = false;
            while (in.read(v)) {
                if (v == EndMarker) {
                    complete = true;
                    break;
                }
                rec.values.push_back(stringAt(v));
            }
            if (!complete)
                break;
        }
        out.records.push_back(std::move(rec));
    }
    out.truncated = true;
    return out;
}
