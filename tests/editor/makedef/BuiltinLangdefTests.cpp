// The editor's built-in stock table, as the build makes it from the game double with
// the makedef tool: its layout, and the statistics of the stock content per language.
#include "ParsedLangdef.h"

#include "LangpackFormat.h"
#include "Zvcharset.h"
#include "platform/ResourceStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

struct StockLanguage
{
    std::uint16_t languageId;
    const char16_t *name;
    std::size_t records;
    std::size_t groupLines;
};

const StockLanguage Stock[9] = {
    {1, u"Deutsch (1)", 1711, 333},      {7, u"English (7)", 1724, 309},
    {3, u"Espa\u00F1ol (3)", 1699, 323}, {6, u"Fran\u00E7ais (6)", 1649, 329},
    {2, u"Italiano (2)", 1626, 313},     {4, u"Nederlands (4)", 1628, 332},
    {0, u"Portuguese (0)", 1627, 333},   {8, u"\u0420\u0443\u0441\u0441\u043A\u0438\u0439 (8)", 1722, 309},
    {5, u"Svenska (5)", 1627, 331},
};
constexpr int English = 1;
constexpr int Spanish = 2;

const QByteArray &Table()
{
    static const QByteArray bytes = ResourceStream(QStringLiteral("Langdef")).bytes();
    return bytes;
}

const ParsedLangdef &Parsed()
{
    static const ParsedLangdef parsed = ParseLangdef(Table());
    return parsed;
}

class BuiltinLangdef : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NO_THROW(Parsed());
        ASSERT_EQ(Parsed().entries.size(), 9u);
    }
};

std::map<std::uint32_t, const ParsedRecord *> ById(const ParsedBlock &block)
{
    std::map<std::uint32_t, const ParsedRecord *> ids;
    for (const ParsedRecord &r : block.records)
        ids[r.id] = &r;
    return ids;
}

} // namespace

TEST_F(BuiltinLangdef, EntriesInStockOrder)
{
    const ParsedLangdef &t = Parsed();
    EXPECT_EQ(std::vector<std::uint16_t>(t.gameVersion, t.gameVersion + 4),
              (std::vector<std::uint16_t>{3, 6, 31, 0}));
    for (int i = 0; i < 9; ++i) {
        const ParsedEntry &e = t.entries[i];
        EXPECT_EQ(e.languageId, Stock[i].languageId) << i;
        EXPECT_EQ(e.name, std::u16string(Stock[i].name)) << i;
        EXPECT_EQ(e.defaultFlag, i == English ? 1 : 0) << i;
        EXPECT_EQ(e.reserved, 0u) << i;
        EXPECT_TRUE(e.nameTailZero) << i;
    }
    EXPECT_TRUE(t.terminatorAllZero);
}

TEST_F(BuiltinLangdef, BlocksBackToBackFrom808ToTheEnd)
{
    std::uint32_t expected = 8 + 80 * 10;
    for (const ParsedEntry &e : Parsed().entries) {
        EXPECT_EQ(e.blockOffset, expected) << e.languageId;
        expected += e.blockSize;
    }
    EXPECT_EQ(expected, std::uint32_t(Table().size()));
}

TEST_F(BuiltinLangdef, EveryBlockIsOrderedAndItsPoolEndsWithTheBlock)
{
    for (int i = 0; i < 9; ++i) {
        const ParsedBlock &b = Parsed().blocks[i];
        EXPECT_EQ(b.poolOffset, b.indexEnd) << i;
        EXPECT_EQ(b.poolOffset + b.poolSize, Parsed().entries[i].blockSize) << i;
        // One string per offset, in index order, the last one ending at the pool's end.
        std::uint32_t next = 0;
        for (const ParsedRecord &r : b.records)
            for (std::size_t k = 0; k < r.offsets.size(); ++k) {
                ASSERT_EQ(r.offsets[k], next) << i << " " << std::hex << r.id;
                next += std::uint32_t(r.strings[k].size()) + 1;
            }
        EXPECT_EQ(next, b.poolSize) << i;
        for (std::size_t k = 1; k < b.records.size(); ++k)
            ASSERT_LT(b.records[k - 1].id, b.records[k].id) << i << " at " << k;
    }
}

TEST_F(BuiltinLangdef, RecordsGroupsAndLinesPerLanguage)
{
    for (int i = 0; i < 9; ++i) {
        const ParsedBlock &b = Parsed().blocks[i];
        std::size_t groups = 0, lines = 0, resources = 0;
        std::vector<std::uint32_t> slotIds;
        for (const ParsedRecord &r : b.records) {
            EXPECT_EQ(r.kind, StockKindOf(r.id)) << i << " " << std::hex << r.id;
            if (IsResourceStringId(r.id)) {
                ++resources;
                EXPECT_EQ(IdSubIndex(r.id), 0u) << i << " " << std::hex << r.id;
                EXPECT_LE(IdNumber(r.id), 60000u) << i;
            } else {
                EXPECT_TRUE(IsSlotStringId(r.id)) << i << " " << std::hex << r.id;
                slotIds.push_back(r.id);
            }
            if (r.kind != KindSingle) {
                ++groups;
                lines += r.offsets.size();
                EXPECT_FALSE(r.offsets.empty()) << i << " empty group " << std::hex << r.id;
            }
        }
        EXPECT_EQ(b.records.size(), Stock[i].records) << i;
        EXPECT_EQ(groups, 33u) << i;
        EXPECT_EQ(lines, Stock[i].groupLines) << i;
        EXPECT_GE(resources, 1420u) << i;
        EXPECT_LE(resources, 1518u) << i;
        EXPECT_EQ(slotIds, StockSlotIds()) << i;
        EXPECT_NE(b.Find(MakeResourceStringId(0)), nullptr) << i;
        EXPECT_NE(b.Find(MakeResourceStringId(1)), nullptr) << i;
    }
}

TEST_F(BuiltinLangdef, EnglishHoldsEveryIdOfTheOthers)
{
    const auto english = ById(Parsed().blocks[English]);
    for (int i = 0; i < 9; ++i) {
        if (i == English)
            continue;
        std::size_t held = 0;
        for (const ParsedRecord &r : Parsed().blocks[i].records) {
            const auto e = english.find(r.id);
            ASSERT_NE(e, english.end()) << i << " has " << std::hex << r.id;
            EXPECT_EQ(e->second->kind, r.kind) << i << " " << std::hex << r.id;
            ++held;
        }
        const std::size_t lacking = english.size() - held;
        EXPECT_GE(lacking, 2u) << i;
        EXPECT_LE(lacking, 98u) << i;
    }
}

TEST_F(BuiltinLangdef, SpanishAgainstEnglish)
{
    const auto english = ById(Parsed().blocks[English]);
    const auto spanish = ById(Parsed().blocks[Spanish]);
    EXPECT_EQ(english.size() - spanish.size(), 25u);
    int more = 0, fewer = 0;
    for (const auto &[id, s] : spanish) {
        if (s->kind == KindSingle)
            continue;
        const std::size_t e = english.at(id)->offsets.size();
        more += s->offsets.size() > e;
        fewer += s->offsets.size() < e;
    }
    EXPECT_EQ(more, 8);
    EXPECT_EQ(fewer, 4);
}

TEST_F(BuiltinLangdef, StringsAreNonEmptyWithoutCrAndAtMost725Bytes)
{
    std::size_t longest = 0;
    for (int i = 0; i < 9; ++i) {
        std::size_t multiLine = 0;
        for (const ParsedRecord &r : Parsed().blocks[i].records)
            for (const std::string &s : r.strings) {
                EXPECT_FALSE(s.empty()) << i << " " << std::hex << r.id;
                EXPECT_EQ(s.find('\r'), std::string::npos) << i << " " << std::hex << r.id;
                EXPECT_LE(s.size(), 725u) << i << " " << std::hex << r.id;
                longest = std::max(longest, s.size());
                multiLine += s.find('\n') != std::string::npos;
            }
        EXPECT_GT(multiLine, 0u) << i;
    }
    EXPECT_GE(longest, 700u); // one text close to the longest the editor meets
}

TEST_F(BuiltinLangdef, TextsAreWrittenInTheirLanguagesLetters)
{
    // Every byte is one the game's character set shows: none stands for a character the
    // set lacks (0x7F) or is unused (U+FFFD). Russian texts hold Cyrillic letters, the
    // other languages except English accented Latin ones.
    constexpr int Russian = 7;
    for (int i = 0; i < 9; ++i) {
        std::size_t accented = 0, cyrillic = 0, texts = 0, cyrillicTexts = 0;
        for (const ParsedRecord &r : Parsed().blocks[i].records)
            for (const std::string &s : r.strings) {
                ASSERT_EQ(s.find(char(kGameDefaultChar)), std::string::npos) << i << " " << std::hex << r.id;
                const QString text = GameToUnicode(QByteArrayView(s.data(), qsizetype(s.size())), false);
                ASSERT_FALSE(text.contains(QChar(0xFFFD))) << i << " " << std::hex << r.id;
                std::size_t inText = 0;
                for (const QChar c : text) {
                    accented += c.unicode() >= 0xC0 && c.unicode() <= 0xFF;
                    inText += c.unicode() >= 0x0400 && c.unicode() <= 0x04FF;
                }
                cyrillic += inText;
                cyrillicTexts += inText != 0;
                ++texts;
            }
        if (i == Russian) {
            EXPECT_EQ(cyrillicTexts, texts);
        } else {
            EXPECT_EQ(cyrillic, 0u) << i;
            if (i == English)
                EXPECT_EQ(accented, 0u);
            else
                EXPECT_GT(accented, 0u) << i;
        }
    }
}
