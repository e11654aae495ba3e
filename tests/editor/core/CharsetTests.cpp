#include "Zvcharset.h"
#include "platform/ResourceStream.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

std::string Hex(unsigned v) { return QString::number(v, 16).toStdString(); }

// The code units with an explicit single mapping, as ranges.
const std::vector<std::pair<char16_t, char16_t>> kExplicitRanges = {
    {0x0100, 0x0107}, {0x010A, 0x010F}, {0x0111, 0x0113}, {0x0116, 0x0125}, {0x012E, 0x012F},
    {0x0131, 0x0137}, {0x0139, 0x013E}, {0x0141, 0x0142}, {0x0144, 0x0147}, {0x014A, 0x014B},
    {0x0150, 0x0155}, {0x0158, 0x0165}, {0x016A, 0x016B}, {0x016D, 0x016E}, {0x0170, 0x0177},
    {0x0179, 0x017F}, {0x01A0, 0x01A1}, {0x01AF, 0x01B0}, {0x01B5, 0x01B6}, {0x0401, 0x040C},
    {0x040E, 0x040F}, {0x0451, 0x045F}, {0x048A, 0x0493}, {0x0496, 0x04A7}, {0x04AA, 0x04B2},
    {0x04B4, 0x04BF}, {0x04C1, 0x04C7}, {0x04C9, 0x04CB}, {0x04CD, 0x04CE}, {0x04D6, 0x04D9},
    {0x04DC, 0x04F5}, {0x04F8, 0x04F9}, {0x2019, 0x2019}, {0x263A, 0x263B}};

std::set<char16_t> ExplicitUnits()
{
    std::set<char16_t> units;
    for (const auto &[a, b] : kExplicitRanges)
        for (unsigned u = a; u <= b; ++u)
            units.insert(char16_t(u));
    return units;
}

TEST(Zvcharset, UnicodeToGameCharFollowsItsRules)
{
    struct Case {
        char16_t unit;
        uint8_t byte;
    } cases[] = {
        {0x0000, 0x00}, {0x0001, 0x01}, {0x000A, 0x0A}, {0x0041, 0x41}, {0x007F, 0x7F},  // ASCII
        {0x0080, 0x7F}, {0x009F, 0x7F}, {0x00A0, 0xA0}, {0x00A1, 0xA1}, {0x00A2, 0x7F},
        {0x00A3, 0xA3}, {0x00A4, 0x7F}, {0x00BE, 0x7F}, {0x00BF, 0xBF}, {0x00E9, 0xE9},
        {0x00FF, 0xFF},
        {0x0100, 'A'}, {0x010D, 'c'}, {0x0142, 'l'}, {0x017E, 'z'},  // closest letters
        {0x0150, 0xD6}, {0x0151, 0xF6}, {0x0170, 0xDC}, {0x0171, 0xFC},  // Ő ő Ű ű
        {0x0156, 0x7F}, {0x016C, 0x7F}, {0x0143, 0x7F}, {0x0180, 0x7F},  // no mapping
        {0x0400, 0x7F}, {0x040D, 0x7F}, {0x0450, 0x7F}, {0x0460, 0x7F},
        {0x0410, 'A'}, {0x0411, 0x80}, {0x042F, 0x94}, {0x0430, 'a'}, {0x0431, 0xA4}, {0x044F, 0xBD},
        {0x0401, 0x95}, {0x0451, 0x9A}, {0x0406, 'I'}, {0x0456, 'i'}, {0x049A, 'K'},
        {0x2018, 0x7F}, {0x2019, '\''}, {0x263A, 0x01}, {0x263B, 0x02},
        {0xD83D, 0x7F}, {0xDE00, 0x7F}, {0xFFFD, 0x7F}, {0xFFFF, 0x7F},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UnicodeToGameChar(c.unit), c.byte) << "U+" << Hex(c.unit);
}

TEST(Zvcharset, ExactlyTheListedUnitsHaveExplicitMappings)
{
    const std::set<char16_t> listed = ExplicitUnits();
    ASSERT_EQ(int(listed.size()), kExplicitMappingCount);
    for (char16_t u : listed) {
        const uint8_t b = UnicodeToGameChar(u);
        EXPECT_NE(b, 0) << "U+" << Hex(u);
        EXPECT_NE(b, kGameDefaultChar) << "U+" << Hex(u);
    }
    // Outside the list, Latin Extended and Cyrillic beyond U+0410-U+044F give the default.
    for (unsigned u = 0x0100; u <= 0x04FF; ++u) {
        if (listed.count(char16_t(u)) || (u >= 0x0410 && u <= 0x044F))
            continue;
        EXPECT_EQ(UnicodeToGameChar(char16_t(u)), kGameDefaultChar) << "U+" << Hex(u);
    }
}

TEST(Zvcharset, EveryByteComesBackAsItself)
{
    // The three unused bytes deliberately show U+FFFD, which converts to 0x7F.
    const std::set<int> unused = {0x9F, 0xA2, 0xBE};
    for (int b = 0; b < 256; ++b) {
        const char16_t u = GameCharToUnicode(uint8_t(b));
        if (unused.count(b)) {
            EXPECT_EQ(u, 0xFFFD) << "byte " << Hex(b);
            continue;
        }
        EXPECT_EQ(UnicodeToGameChar(u), b) << "byte " << Hex(b) << " shows U+" << Hex(u);
    }
}

TEST(Zvcharset, TablesKeepTheRulesTheConversionsNeed)
{
    EXPECT_EQ(GameCharToUnicode(0), 0);
    for (int b = 1; b < 256; ++b)
        EXPECT_NE(GameCharToUnicode(uint8_t(b)), 0) << "byte " << Hex(b);
    for (unsigned u = 0x0410; u <= 0x044F; ++u)
        EXPECT_NE(UnicodeToGameChar(char16_t(u)), 0) << "U+" << Hex(u);
    EXPECT_EQ(GameCharToUnicode(0x01), 0x263A);
    EXPECT_EQ(GameCharToUnicode(0x02), 0x263B);
    EXPECT_EQ(GameCharToUnicode(0x80), 0x0411);
    EXPECT_EQ(GameCharToUnicode(0xE9), 0x00E9);
    // UNIZV is read at (unit + 0xB0) mod 256: U+0410 at 0xC0, U+044F at 0xFF.
    const QByteArray uniZv = ResourceStream(QStringLiteral("UNIZV")).bytes();
    ASSERT_EQ(uniZv.size(), 512);
    EXPECT_EQ(uint8_t(uniZv[0xC0]), UnicodeToGameChar(0x0410));
    EXPECT_EQ(uint8_t(uniZv[0xFF]), UnicodeToGameChar(0x044F));
}

TEST(Zvcharset, UpperCase)
{
    struct Case {
        uint8_t in;
        uint8_t out;
    } cases[] = {
        {'a', 'A'}, {'z', 'Z'}, {'A', 'A'}, {'1', '1'}, {0x00, 0x00}, {0x01, 0x01},
        {0xE9, 0xC9}, {0xE0, 0xC0}, {0xFE, 0xDE}, {0xF7, 0xF7}, {0xDF, 0xDF}, {0xFF, 0xFF},
        {0xA4, 0x80},                                     // б -> Б
        {UnicodeToGameChar(0x0432), 'B'},                 // в -> В, written as B
        {UnicodeToGameChar(0x044F), UnicodeToGameChar(0x042F)},  // я -> Я
        {UnicodeToGameChar(0x0451), UnicodeToGameChar(0x0401)},  // ё -> Ё
        {UnicodeToGameChar(0x0491), UnicodeToGameChar(0x0490)},  // ґ -> Ґ
    };
    for (const Case &c : cases)
        EXPECT_EQ(GameUpperChar(c.in), c.out) << "byte " << Hex(c.in);
    // Upper-casing twice changes nothing more, so case-blind comparisons agree.
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(GameUpperChar(GameUpperChar(uint8_t(b))), GameUpperChar(uint8_t(b))) << Hex(b);

    const QByteArray text("ab\0c\xE9", 5);
    EXPECT_EQ(GameUpperCase(text), QByteArray("AB\0C\xC9", 5));
    EXPECT_EQ(GameUpperCase(QByteArray()), QByteArray());
}

TEST(Zvcharset, GameToUnicode)
{
    struct Case {
        QByteArray in;
        bool lineBreaks;
        QString out;
    } cases[] = {
        {QByteArray(), true, QString()},
        {QByteArray(), false, QString()},
        {"abc", true, u"abc"_qs},
        {"a\nb", true, u"a\r\nb"_qs},
        {"a\r\nb", true, u"a\r\r\nb"_qs},
        {"a\rb", true, u"a\rb"_qs},
        {"a\nb", false, u"a\nb"_qs},
        {"\n\n", true, u"\r\n\r\n"_qs},
        {QByteArray("ab\0cd", 5), true, u"ab"_qs},
        {"\x01 \x02", false, u"\u263A \u263B"_qs},
        {"\x80\xA4\xE9", false, u"\u0411\u0431\u00E9"_qs},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GameToUnicode(c.in, c.lineBreaks), c.out) << c.in.toStdString();
}

TEST(Zvcharset, UnicodeToGame)
{
    struct Case {
        QString in;
        bool lineBreaks;
        QByteArray out;
    } cases[] = {
        {QString(), true, QByteArray()},
        {u"abc"_qs, true, "abc"},
        {u"a\r\nb"_qs, true, "a\nb"},
        {u"a\r\r\nb"_qs, true, "a\r\nb"},
        {u"a\rb\nc"_qs, true, "a\rb\nc"},
        {u"a\r\nb"_qs, false, "a\r\nb"},
        {QString::fromUtf16(u"ab\0cd", 5), true, "ab"},
        {u"\U0001F600"_qs, false, "\x7F\x7F"},
        {u"\u0416\u2019\u263A"_qs, false, "\x83'\x01"},
        {u"\u00A2\u00A3"_qs, false, "\x7F\xA3"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UnicodeToGame(c.in, c.lineBreaks), c.out) << c.in.toStdString();
}

TEST(Zvcharset, ReplaceAll)
{
    struct Case {
        QString source, find, replacement, out;
    } cases[] = {
        {u"a\nb\n"_qs, u"\n"_qs, u"\r\n"_qs, u"a\r\nb\r\n"_qs},
        {u"aXa"_qs, u"a"_qs, u"aa"_qs, u"aaXaa"_qs},  // inserted text is not searched again
        {u"aaa"_qs, u"aa"_qs, u"b"_qs, u"ba"_qs},     // left to right, no overlap
        {u"abc"_qs, QString(), u"x"_qs, u"abc"_qs},   // an empty find is never found
        {u"abc"_qs, u"x"_qs, u"y"_qs, u"abc"_qs},
        {u"abc"_qs, u"abc"_qs, QString(), QString()},
        {QString(), u"a"_qs, u"b"_qs, QString()},
        {u"C:\\x\\y"_qs, u"\\"_qs, u"\\\\"_qs, u"C:\\\\x\\\\y"_qs},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ReplaceAll(c.source, c.find, c.replacement), c.out) << c.source.toStdString();
}

TEST(Zvcharset, RoundTripOfTextThroughTheFileForm)
{
    const QString text = u"Шлюз! Ёжик, Ґудзик?\r\nÉté ☺ killed ☻ times"_qs;
    EXPECT_EQ(GameToUnicode(UnicodeToGame(text, true), true), text);
}

} // namespace
