// The langpack parser over well-formed and damaged files.
#include "LangpackReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t E = 0xFFFFFFFF;

// A langpack put together word by word: the 60-byte header, then index words, then pool.
struct Fixture {
    std::string bytes;

    static Fixture Make(std::initializer_list<uint32_t> index, const std::string &pool,
                        const std::string &name = "Lang1", int64_t poolOffset = -1)
    {
        Fixture f;
        f.bytes = std::string("ZVLANG\0\0", 8) + std::string("\3\0\6\0\37\0\0\0", 8);
        f.word(100).word(7);
        std::string field = name;
        field.resize(32, '\0');
        f.bytes += field;
        f.word(poolOffset >= 0 ? uint32_t(poolOffset) : uint32_t(60 + 4 * index.size()));
        for (uint32_t w : index)
            f.word(w);
        f.bytes += pool;
        return f;
    }

    Fixture &word(uint32_t w)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(char(w >> (8 * i) & 0xFF));
        return *this;
    }
    Fixture &set(std::size_t at, char c)
    {
        bytes[at] = c;
        return *this;
    }
    Fixture &cut(std::size_t size)
    {
        bytes.resize(size);
        return *this;
    }
};

// The records as one line of text: "id:kind[value|value]" separated by blanks.
std::string Summary(const LangpackContent &c)
{
    std::string s;
    char id[32];
    for (const LangpackRecordView &r : c.records) {
        std::snprintf(id, sizeof id, "%08X:%u[", r.id, r.kind);
        s += (s.empty() ? "" : " ") + std::string(id);
        for (std::size_t i = 0; i < r.values.size(); ++i)
            s += (i ? "|" : "") + std::string(r.values[i]);
        s += "]";
    }
    return s;
}

struct Case {
    const char *what;
    std::string bytes;
    bool recognised;
    bool truncated;
    std::string records;
};

std::vector<Case> Cases()
{
    const std::string abc("abc\0", 4);
    const std::string ab("a\0b\0", 4);
    return {
        {"only the EndMarker", Fixture::Make({E}, "").bytes, true, false, ""},
        {"a single", Fixture::Make({0x01000000, 0, 0, E}, abc).bytes, true, false, "01000000:0[abc]"},
        {"a group of two lines", Fixture::Make({0x02000500, 1, 0, 2, E, E}, ab).bytes, true, false,
         "02000500:1[a|b]"},
        {"byte 6 not 0", Fixture::Make({E}, "").set(6, 1).bytes, false, false, ""},
        {"byte 7 not 0", Fixture::Make({E}, "").set(7, 1).bytes, false, false, ""},
        {"first word not ZVLA", Fixture::Make({E}, "").set(0, 'z').bytes, false, false, ""},
        {"any game version", Fixture::Make({E}, "").set(8, 9).set(12, 1).bytes, true, false, ""},
        {"shorter than the header", Fixture::Make({E}, "").cut(59).bytes, false, false, ""},
        {"header alone", Fixture::Make({E}, "").cut(60).bytes, true, true, ""},
        {"kind 2 is a group", Fixture::Make({0x02000600, 2, 0, 2, E, E}, ab).bytes, true, false, "02000600:2[a|b]"},
        {"a group without lines", Fixture::Make({0x02000500, 1, E, 0x01000000, 0, 0, E}, abc).bytes, true, false,
         "02000500:1[] 01000000:0[abc]"},
        {"the same id twice", Fixture::Make({0x01000100, 0, 0, 0x01000100, 0, 2, E}, ab).bytes, true, false,
         "01000100:0[a] 01000100:0[b]"},
        {"descending ids kept in file order", Fixture::Make({0x02001000, 0, 0, 0x01000000, 0, 2, E}, ab).bytes, true,
         false, "02001000:0[a] 01000000:0[b]"},
        {"a single naming no string is left out",
         Fixture::Make({0x01000000, 0, E, 0x01000100, 0, 0, E}, abc).bytes, true, false, "01000100:0[abc]"},
        {"LF kept as stored", Fixture::Make({0x01000000, 0, 0, E}, std::string("x\ny\0", 4)).bytes, true, false,
         "01000000:0[x\ny]"},
        {"offset outside the pool is empty", Fixture::Make({0x01000000, 0, 4, 0x01000100, 0, 1000, E}, abc).bytes,
         true, false, "01000000:0[] 01000100:0[]"},
        {"string without its 0 ends at the end of the file",
         Fixture::Make({0x01000000, 0, 1, E}, "abc").bytes, true, false, "01000000:0[bc]"},
        {"pool offset beyond the file", Fixture::Make({0x01000000, 0, 0, E}, abc, "L", 5000).bytes, true, false,
         "01000000:0[]"},
        {"pool offset and string offset overflow 32 bits",
         Fixture::Make({0x01000000, 0, 0xFFFFFFF0, E}, abc, "L", 0x7FFFFFFF).bytes, true, false, "01000000:0[]"},
        {"pool offset inside the header", Fixture::Make({0x01000000, 0, 0, E}, "", "L", 0).bytes, true, false,
         "01000000:0[ZVLANG]"},
        {"index ends inside an id", Fixture::Make({0x01000000, 0, 0, 0x01000100}, "").cut(60 + 14).bytes, true, true,
         "01000000:0[]"},
        {"index ends before a kind", Fixture::Make({0x01000000, 0, 0, 0x01000100}, "").bytes, true, true,
         "01000000:0[]"},
        {"index ends before a single's value", Fixture::Make({0x01000000, 0, 0, 0x01000100, 0}, "").bytes, true, true,
         "01000000:0[]"},
        {"index ends inside a group's list", Fixture::Make({0x01000000, 0, 0, 0x02000500, 1, 0, 0}, "").bytes, true,
         true, "01000000:0[]"},
        {"records behind the EndMarker are not read", Fixture::Make({E, 0x01000000, 0, 0}, "").bytes, true, false,
         ""},
    };
}

TEST(LangpackReader, FixtureTable)
{
    for (const Case &c : Cases()) {
        SCOPED_TRACE(c.what);
        const LangpackContent got = ParseLangpack(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(got.recognised, c.recognised);
        EXPECT_EQ(got.truncated, c.truncated);
        EXPECT_EQ(Summary(got), c.records);
    }
}

TEST(LangpackReader, HeaderFields)
{
    const std::string bytes = Fixture::Make({E}, "", "Lang1").bytes;
    const LangpackContent c = ParseLangpack(bytes.data(), bytes.size());
    ASSERT_TRUE(c.recognised);
    EXPECT_EQ(c.header.languageId, 100u);
    EXPECT_EQ(c.header.baseLanguage, 7u);
    EXPECT_EQ(c.header.poolOffset, 64u);
    EXPECT_EQ(c.header.name, "Lang1");
}

TEST(LangpackReader, NameWithoutNulIsTheWholeField)
{
    const std::string full(32, 'N');
    const std::string bytes = Fixture::Make({E}, "", full).bytes;
    const LangpackContent c = ParseLangpack(bytes.data(), bytes.size());
    EXPECT_EQ(c.header.name, full);
}

TEST(LangpackReader, NothingAtAll)
{
    EXPECT_FALSE(ParseLangpack(nullptr, 0).recognised);
}

// The seed corpus of the fuzz target: each file stays what its name says.
TEST(LangpackReader, SeedCorpus)
{
    const struct {
        const char *file;
        bool recognised;
        bool truncated;
        std::size_t records;
    } seeds[] = {
        {"empty.ZVlang", true, false, 0},   {"single.ZVlang", true, false, 1}, {"group.ZVlang", true, false, 1},
        {"mixed.ZVlang", true, false, 6},   {"truncated.ZVlang", true, true, 0},
        {"badmagic.ZVlang", false, false, 0},
    };
    for (const auto &s : seeds) {
        SCOPED_TRACE(s.file);
        std::ifstream in(std::string(GLOSSMITH_LANGPACK_FIXTURES) + "/" + s.file, std::ios::binary);
        ASSERT_TRUE(in);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const LangpackContent c = ParseLangpack(bytes.data(), bytes.size());
        EXPECT_EQ(c.recognised, s.recognised);
        EXPECT_EQ(c.truncated, s.truncated);
        EXPECT_EQ(c.records.size(), s.records);
    }
}

} // namespace
