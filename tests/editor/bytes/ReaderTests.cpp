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
            s += (i ? "|" : "") + (r.values[i] ? std::string(*r.values[i]) : std::string("-"));
        s += "]";
    }
    return s;
}

// The damage as one line of text, each kind found in the order of the file: "id",
// "name", "pool in header", "pool", "end-marker singles N", "outside N", "unterminated N",
// "cut after N"; empty for a sound file.
std::string Damage(const LangpackContent &c)
{
    const LangpackDamage &d = c.damage;
    std::vector<std::string> parts;
    if (d.languageIdOutOfRange)
        parts.push_back("id");
    if (d.nameUnterminated)
        parts.push_back("name");
    if (d.poolInHeader)
        parts.push_back("pool in header");
    if (d.poolPastEnd)
        parts.push_back("pool");
    if (d.singlesWithEndMarker)
        parts.push_back("end-marker singles " + std::to_string(d.singlesWithEndMarker));
    if (d.valuesOutside)
        parts.push_back("outside " + std::to_string(d.valuesOutside));
    if (d.valuesUnterminated)
        parts.push_back("unterminated " + std::to_string(d.valuesUnterminated));
    if (d.indexCut)
        parts.push_back("cut after " + std::to_string(d.recordsBeforeCut));
    else if (d.recordsBeforeCut)
        parts.push_back("records counted without a cut");
    std::string s;
    for (const std::string &part : parts)
        s += (s.empty() ? "" : ", ") + part;
    EXPECT_EQ(d.any(), !s.empty());
    return s;
}

struct Case {
    const char *what;
    std::string bytes;
    bool recognised;
    std::string records;  // Summary: "-" for a value that names no string
    std::string damage;   // Damage
};

std::vector<Case> Cases()
{
    const std::string abc("abc\0", 4);
    const std::string ab("a\0b\0", 4);
    return {
        {"only the EndMarker", Fixture::Make({E}, "").bytes, true, "", ""},
        {"a single", Fixture::Make({0x01000000, 0, 0, E}, abc).bytes, true, "01000000:0[abc]", ""},
        {"a group of two lines", Fixture::Make({0x02000500, 1, 0, 2, E, E}, ab).bytes, true, "02000500:1[a|b]", ""},
        {"byte 6 not 0", Fixture::Make({E}, "").set(6, 1).bytes, false, "", ""},
        {"byte 7 not 0", Fixture::Make({E}, "").set(7, 1).bytes, false, "", ""},
        {"first word not ZVLA", Fixture::Make({E}, "").set(0, 'z').bytes, false, "", ""},
        {"any game version", Fixture::Make({E}, "").set(8, 9).set(12, 1).bytes, true, "", ""},
        {"shorter than the header", Fixture::Make({E}, "").cut(59).bytes, false, "", ""},
        {"header alone", Fixture::Make({E}, "").cut(60).bytes, true, "", "pool, cut after 0"},
        {"kind 2 is a group", Fixture::Make({0x02000600, 2, 0, 2, E, E}, ab).bytes, true, "02000600:2[a|b]", ""},
        {"a group without lines", Fixture::Make({0x02000500, 1, E, 0x01000000, 0, 0, E}, abc).bytes, true,
         "02000500:1[] 01000000:0[abc]", ""},
        {"the same id twice", Fixture::Make({0x01000100, 0, 0, 0x01000100, 0, 2, E}, ab).bytes, true,
         "01000100:0[a] 01000100:0[b]", ""},
        {"descending ids kept in file order", Fixture::Make({0x02001000, 0, 0, 0x01000000, 0, 2, E}, ab).bytes, true,
         "02001000:0[a] 01000000:0[b]", ""},
        {"a value inside a string is its tail, the empty string at a NUL is one",
         Fixture::Make({0x02000500, 1, 1, 3, E, E}, abc).bytes, true, "02000500:1[bc|]", ""},
        {"LF kept as stored", Fixture::Make({0x01000000, 0, 0, E}, std::string("x\ny\0", 4)).bytes, true,
         "01000000:0[x\ny]", ""},
        {"a single naming no string is left out",
         Fixture::Make({0x01000000, 0, E, 0x01000200, 0, E, 0x01000100, 0, 0, E}, abc).bytes, true,
         "01000100:0[abc]", "end-marker singles 2"},
        {"singles with offsets outside the pool are left out",
         Fixture::Make({0x01000000, 0, 4, 0x01000100, 0, 1000, 0x01000200, 0, 0, E}, abc).bytes, true,
         "01000200:0[abc]", "outside 2"},
        {"a group keeps its values outside the pool in their places",
         Fixture::Make({0x02000500, 1, 0, 100, 2, 4, E, E}, ab).bytes, true, "02000500:1[a|-|b|-]", "outside 2"},
        {"a group whose every value lies outside the pool is left out",
         Fixture::Make({0x02000500, 1, 100, 200, E, 0x01000000, 0, 0, E}, ab).bytes, true, "01000000:0[a]",
         "outside 2"},
        {"strings without their 0 end at the end of the file",
         Fixture::Make({0x01000000, 0, 1, 0x02000500, 1, 0, 2, E, E}, "abc").bytes, true,
         "01000000:0[bc] 02000500:1[abc|c]", "unterminated 3"},
        {"pool offset beyond the file: no value names a string, not even an empty group is kept",
         Fixture::Make({0x01000000, 0, 0, 0x02000500, 1, 0, E, 0x02000600, 1, E, E}, abc, "L", 5000).bytes, true,
         "", "pool, outside 2"},
        {"pool offset at the end of the file is an empty pool", Fixture::Make({E}, "").bytes, true, "", ""},
        {"pool offset and string offset overflow 32 bits",
         Fixture::Make({0x01000000, 0, 0xFFFFFFF0, E}, abc, "L", 0x7FFFFFFF).bytes, true, "", "pool, outside 1"},
        {"pool offset inside the header: no strings, no records",
         Fixture::Make({0x01000000, 0, 0, 0x02000500, 1, E, E}, "", "L", 0).bytes, true, "",
         "pool in header, outside 1"},
        {"pool offset 59 is inside the header", Fixture::Make({0x01000000, 0, 0, E}, "", "L", 59).bytes, true, "",
         "pool in header, outside 1"},
        {"pool offset 60 is the first byte behind the header",
         Fixture::Make({0x01000000, 0, 0, E}, "", "L", 60).bytes, true, "01000000:0[]", ""},
        {"language id 255 is beyond the game's ids", Fixture::Make({E}, "").set(16, char(255)).bytes, true, "",
         "id"},
        {"language id 254 is the last", Fixture::Make({E}, "").set(16, char(254)).bytes, true, "", ""},
        {"language id 1000", Fixture::Make({E}, "").set(16, char(0xE8)).set(17, 3).bytes, true, "", "id"},
        {"index ends inside an id (and before the pool)",
         Fixture::Make({0x01000000, 0, 0, 0x01000100}, "").cut(60 + 14).bytes, true, "",
         "pool, outside 1, cut after 1"},
        {"index ends before a kind", Fixture::Make({0x01000000, 0, 0, 0x01000100}, "").bytes, true, "",
         "outside 1, cut after 1"},
        {"index ends before a single's value", Fixture::Make({0x01000000, 0, 0, 0x01000100, 0}, "").bytes, true, "",
         "outside 1, cut after 1"},
        {"index ends inside a group's list: its values are not counted",
         Fixture::Make({0x01000000, 0, 0, 0x02000500, 1, 0, 0}, "").bytes, true, "", "outside 1, cut after 1"},
        {"index ends behind the pool it names",
         Fixture::Make({0x01000000, 0, 0, 0x01000100, 0, 0, 0x01000200}, "", "L", 60).bytes, true,
         "01000000:0[] 01000100:0[]", "cut after 2"},
        {"records behind the EndMarker are not read", Fixture::Make({E, 0x01000000, 0, 0}, "").bytes, true, "", ""},
    };
}

TEST(LangpackReader, FixtureTable)
{
    for (const Case &c : Cases()) {
        SCOPED_TRACE(c.what);
        const LangpackContent got = ParseLangpack(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(got.recognised, c.recognised);
        EXPECT_EQ(Summary(got), c.records);
        EXPECT_EQ(Damage(got), c.damage);
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
    EXPECT_EQ(Damage(c), "name");

    const std::string longest = Fixture::Make({E}, "", std::string(31, 'N')).bytes;
    EXPECT_EQ(Damage(ParseLangpack(longest.data(), longest.size())), "") << "31 characters and the 0";
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
        std::size_t records;
        std::string damage;
    } seeds[] = {
        {"empty.ZVlang", true, 0, ""},
        {"single.ZVlang", true, 1, ""},
        {"group.ZVlang", true, 1, ""},
        {"mixed.ZVlang", true, 6, "name, end-marker singles 1"},
        {"truncated.ZVlang", true, 0, "pool, cut after 0"},
        {"badmagic.ZVlang", false, 0, ""},
    };
    for (const auto &s : seeds) {
        SCOPED_TRACE(s.file);
        std::ifstream in(std::string(GLOSSMITH_LANGPACK_FIXTURES) + "/" + s.file, std::ios::binary);
        ASSERT_TRUE(in);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const LangpackContent c = ParseLangpack(bytes.data(), bytes.size());
        EXPECT_EQ(c.recognised, s.recognised);
        EXPECT_EQ(c.records.size(), s.records);
        EXPECT_EQ(Damage(c), s.damage);
    }
}

} // namespace
