// The stock-table builder on small fixture games: the table's layout, the records of the
// string tables and of the method tables, and what it does with files and addresses it
// cannot use.
#include "FixtureGame.h"
#include "ParsedLangdef.h"

#include "LangpackFormat.h"
#include "Makedef_3_6_31_0.h"
#include "Zvcharset.h"
#include "platform/Exception.h"
#include "platform/FileLoad.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int English = 1;
constexpr int French = 3;

class MakedefTest : public ::testing::Test
{
protected:
    QString Path(const char *name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // Builds the table from `game` and parses it.
    ParsedLangdef Build(const FixtureGame &game)
    {
        game.WriteTo(Path("ZV.exe"));
        MakeDefs(Path("ZV.exe"), Path("Langdef.df"));
        return ParseLangdef(LoadBytesFromFile(Path("Langdef.df")));
    }

    // The message of the Exception that building from `game` raises ("" when none).
    QString BuildError(const FixtureGame &game)
    {
        game.WriteTo(Path("ZV.exe"));
        try {
            MakeDefs(Path("ZV.exe"), Path("Langdef.df"));
        } catch (const Exception &e) {
            return e.message();
        }
        return QString();
    }

    QTemporaryDir dir_;
};

std::vector<std::uint32_t> Ids(const ParsedBlock &block)
{
    std::vector<std::uint32_t> ids;
    for (const ParsedRecord &r : block.records)
        ids.push_back(r.id);
    return ids;
}

std::vector<std::uint32_t> SlotIdsOf(const ParsedBlock &block)
{
    std::vector<std::uint32_t> ids;
    for (const ParsedRecord &r : block.records)
        if (IsSlotStringId(r.id))
            ids.push_back(r.id);
    return ids;
}

std::string Prefix(int row)
{
    return std::to_string(row) + ":";
}

std::array<std::u16string, 16> Strings(std::initializer_list<std::pair<int, std::u16string>> set)
{
    std::array<std::u16string, 16> strings;
    for (const auto &[i, s] : set)
        strings[i] = s;
    return strings;
}

} // namespace

TEST_F(MakedefTest, WritesEntriesAndBlocksBackToBack)
{
    const ParsedLangdef table = Build(FixtureGame());
    const QByteArray bytes = LoadBytesFromFile(Path("Langdef.df"));

    EXPECT_EQ(std::vector<std::uint16_t>(table.gameVersion, table.gameVersion + 4),
              (std::vector<std::uint16_t>{3, 6, 31, 0}));
    ASSERT_EQ(table.entries.size(), 9u);
    EXPECT_TRUE(table.terminatorAllZero);
    std::uint32_t expectedOffset = 808; // blockOffset counts from the start of the file
    for (int row = 0; row < 9; ++row) {
        const ParsedEntry &e = table.entries[row];
        EXPECT_EQ(e.languageId, MakeDefsLanguages[row].languageId) << row;
        EXPECT_EQ(e.name, std::u16string(MakeDefsLanguages[row].name)) << row;
        EXPECT_EQ(e.defaultFlag, row == English ? 1 : 0) << row;
        EXPECT_EQ(e.reserved, 0u);
        EXPECT_TRUE(e.nameTailZero) << row;
        EXPECT_EQ(e.blockOffset, expectedOffset) << row;
        expectedOffset += e.blockSize;

        // poolOffset counts from the block's start: right behind the index's end marker.
        const ParsedBlock &b = table.blocks[row];
        EXPECT_EQ(b.poolOffset, b.indexEnd) << row;
        EXPECT_EQ(b.poolOffset + b.poolSize, e.blockSize) << row;
        EXPECT_EQ(b.records.front().strings.front(), Prefix(row) + "r0") << row;
    }
    EXPECT_EQ(expectedOffset, std::uint32_t(bytes.size()));
}

TEST_F(MakedefTest, RecordsOfEveryLanguageInAscendingIdOrder)
{
    const ParsedLangdef table = Build(FixtureGame());
    for (int row = 0; row < 9; ++row) {
        const ParsedBlock &b = table.blocks[row];
        const std::vector<std::uint32_t> expected = [&] {
            std::vector<std::uint32_t> ids{MakeResourceStringId(0), MakeResourceStringId(1)};
            for (std::uint32_t id : StockSlotIds())
                ids.push_back(id);
            return ids;
        }();
        ASSERT_EQ(Ids(b), expected) << row;
        for (const ParsedRecord &r : b.records)
            EXPECT_EQ(r.kind, StockKindOf(r.id)) << std::hex << r.id;

        EXPECT_EQ(b.Find(MakeSlotStringId(0))->strings, (std::vector<std::string>{Prefix(row) + "s0"}));
        EXPECT_EQ(b.Find(MakeSlotStringId(192))->strings,
                  (std::vector<std::string>{Prefix(row) + "l192.1", Prefix(row) + "l192.2"}));
        // Sub-list k of slot 14 holds k lines; sub-list 14 comes from its own address.
        for (std::uint32_t k = 1; k <= 14; ++k) {
            const ParsedRecord *sub = b.Find(Slot14SubList(k));
            ASSERT_NE(sub, nullptr);
            ASSERT_EQ(sub->strings.size(), k);
            EXPECT_EQ(sub->strings.back(), Prefix(row) + "k" + std::to_string(k) + "." + std::to_string(k));
        }
    }
}

TEST_F(MakedefTest, EnglishAndFrenchTablesOverlapWithoutHarm)
{
    // English slots 198 and 199 are French slots 0 and 1; the builder reads neither as
    // English, and French reads them as its own.
    FixtureGame game;
    ASSERT_EQ(MakeDefsLanguages[English].methodTable + 198 * 4, MakeDefsLanguages[French].methodTable);
    const ParsedLangdef table = Build(game);
    EXPECT_EQ(table.blocks[French].Find(MakeSlotStringId(0))->strings.front(), Prefix(French) + "s0");
    EXPECT_EQ(table.blocks[French].Find(MakeSlotStringId(1))->strings.front(), Prefix(French) + "s1");
}

TEST_F(MakedefTest, LanguageWithoutStringTablesGetsSlotRecordsOnly)
{
    FixtureGame game;
    game.RemoveStringBlocks(MakeDefsLanguages[0].languageCode);
    // A block that only English has is not lent to the others.
    game.SetStringBlock(MakeDefsLanguages[English].languageCode, 3, Strings({{5, u"only english"}}));
    const ParsedLangdef table = Build(game);

    EXPECT_EQ(Ids(table.blocks[0]), StockSlotIds());
    const ParsedRecord *english = table.blocks[English].Find(MakeResourceStringId(37));
    ASSERT_NE(english, nullptr);
    EXPECT_EQ(english->strings.front(), "only english");
    for (int row = 0; row < 9; ++row) {
        if (row != English)
            EXPECT_EQ(table.blocks[row].Find(MakeResourceStringId(37)), nullptr) << row;
    }
}

TEST_F(MakedefTest, ResourceStringsOfLengthZeroAndWithNulInside)
{
    FixtureGame game;
    const std::uint16_t german = MakeDefsLanguages[0].languageCode;
    game.SetStringBlock(german, 1,
                        Strings({{0, u"first"},
                                 {1, std::u16string(u"ab\0cd", 5)},
                                 {2, std::u16string(u"\0x", 2)},
                                 {4, u"caf\u00E9 \u2018q\u2019"},
                                 {15, u"last"}}));
    game.SetStringBlock(german, 4096, Strings({{15, u"top"}}));
    const ParsedLangdef table = Build(game);
    const ParsedBlock &b = table.blocks[0];

    std::vector<std::uint32_t> resourceIds;
    for (std::uint32_t id : Ids(b))
        if (IsResourceStringId(id))
            resourceIds.push_back(id);
    // String 3 and strings 5 to 14 have length 0: no record.
    EXPECT_EQ(resourceIds, (std::vector<std::uint32_t>{MakeResourceStringId(0), MakeResourceStringId(1),
                                                       MakeResourceStringId(2), MakeResourceStringId(4),
                                                       MakeResourceStringId(15), MakeResourceStringId(65535)}));
    EXPECT_EQ(b.Find(MakeResourceStringId(1))->strings.front(), "ab");
    EXPECT_EQ(b.Find(MakeResourceStringId(2))->strings.front(), "");
    EXPECT_EQ(b.Find(MakeResourceStringId(4))->strings.front(), "caf\xE9 \x7Fq" + std::string(1, char(UnicodeToGameChar(u'\u2019'))));
    EXPECT_EQ(b.Find(MakeResourceStringId(65535))->strings.front(), "top");
    // The pool holds "ab" and its NUL, nothing of "cd".
    const ParsedRecord *after = b.Find(MakeResourceStringId(2));
    EXPECT_EQ(after->offsets.front(), b.Find(MakeResourceStringId(1))->offsets.front() + 3);
}

TEST_F(MakedefTest, StringBlocksThatNameNoSixteenBitIdAreSkipped)
{
    FixtureGame game;
    const std::uint16_t german = MakeDefsLanguages[0].languageCode;
    game.RemoveStringBlocks(german);
    game.SetStringBlock(german, 0, Strings({{0, u"zero"}}));
    game.SetStringBlock(german, 4097, Strings({{0, u"beyond"}}));
    const ParsedLangdef table = Build(game);
    EXPECT_EQ(Ids(table.blocks[0]), StockSlotIds());
}

TEST_F(MakedefTest, MethodStringsAreCopiedAsTheyAre)
{
    FixtureGame game;
    const std::string bytes = "\x80\xA2\xFF\n line";
    game.SetSlotResult(2, 3, game.AddString(bytes));
    const ParsedLangdef table = Build(game);
    EXPECT_EQ(table.blocks[2].Find(MakeSlotStringId(3))->strings.front(), bytes);
}

TEST_F(MakedefTest, EmptyListsGiveGroupsWithoutLines)
{
    FixtureGame game;
    const std::uint32_t empty = game.AddList({});
    game.SetSlotResult(2, 5, empty);
    // Sub-list 3 and sub-list 14 of slot 14 empty as well.
    const std::uint32_t method = game.Entry(2, 14);
    game.PutU32(game.U32(method + 12) + 4 * 3, empty);
    game.PutU32(method + 20, empty);
    const ParsedLangdef table = Build(game);
    const ParsedBlock &b = table.blocks[2];

    for (std::uint32_t id : {MakeSlotStringId(5), Slot14SubList(3), Slot14SubList(14)}) {
        const ParsedRecord *r = b.Find(id);
        ASSERT_NE(r, nullptr) << std::hex << id;
        EXPECT_EQ(r->kind, KindGroup);
        EXPECT_TRUE(r->offsets.empty()) << std::hex << id;
    }
    EXPECT_EQ(Ids(b).size(), 2u + 206u);
}

TEST_F(MakedefTest, DefaultOutputIsLangdefDfInTheCurrentFolder)
{
    FixtureGame().WriteTo(Path("game.exe"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    try {
        MakeDefs(QStringLiteral("game.exe")); // relative to the current folder as well
    } catch (...) {
        QDir::setCurrent(previous);
        throw;
    }
    QDir::setCurrent(previous);
    EXPECT_EQ(ParseLangdef(LoadBytesFromFile(Path("Langdef.df"))).entries.size(), 9u);
}

TEST_F(MakedefTest, FileThatCannotBeLoadedWritesNothing)
{
    QFile text(Path("text.exe"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("MZ, but nothing behind it");
    text.close();
    QByteArray cut = FixtureGame().Build();
    cut.truncate(0x800);
    QFile truncated(Path("cut.exe"));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(cut);
    truncated.close();

    for (const QString &path : {Path("missing.exe"), Path("text.exe"), Path("cut.exe"), dir_.path()}) {
        try {
            MakeDefs(path, Path("Langdef.df"));
            ADD_FAILURE() << "no exception for " << path.toStdString();
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Can't load ZV.exe.")) << path.toStdString();
        }
        EXPECT_FALSE(QFile::exists(Path("Langdef.df")));
    }
}

TEST_F(MakedefTest, OutputThatCannotBeCreatedRaisesTheFileError)
{
    FixtureGame().WriteTo(Path("ZV.exe"));
    EXPECT_THROW(MakeDefs(Path("ZV.exe"), Path("no-such-folder/Langdef.df")), Exception);
}

TEST_F(MakedefTest, AddressOutsideTheImageFailsTheBuildAndNamesIt)
{
    const std::uint32_t below = 0x1000;
    const std::uint32_t beyond = 0x00A00000;
    const struct
    {
        const char *what;
        std::function<void(FixtureGame &)> damage;
        QString message;
    } cases[] = {
        {"method below the image base", [&](FixtureGame &g) { g.SetEntry(French, 20, below); },
         QStringLiteral("Game address 0x00001001 (Fran\u00E7ais (6), slot 20) lies outside the loaded image.")},
        {"string beyond the image", [&](FixtureGame &g) { g.SetSlotResult(0, 0, beyond); },
         QStringLiteral("Game address 0x00A00000 (Deutsch (1), slot 0) lies outside the loaded image.")},
        {"list beyond the image", [&](FixtureGame &g) { g.SetSlotResult(0, 186, beyond); },
         QStringLiteral("Game address 0x00A00000 (Deutsch (1), slot 186) lies outside the loaded image.")},
        {"list item beyond the image",
         [&](FixtureGame &g) { g.SetSlotResult(8, 9, g.AddList({g.AddString("fine"), beyond})); },
         QStringLiteral("Game address 0x00A00000 (Svenska (5), slot 9) lies outside the loaded image.")},
        {"slot 14 array wraps around",
         [&](FixtureGame &g) { g.PutU32(g.Entry(1, 14) + 12, 0xFFFFFFFC); },
         QStringLiteral("Game address 0x100000000 (English (7), slot 14) lies outside the loaded image.")},
        {"sub-list 14 beyond the image", [&](FixtureGame &g) { g.PutU32(g.Entry(1, 14) + 20, beyond); },
         QStringLiteral("Game address 0x00A00000 (English (7), slot 14) lies outside the loaded image.")},
    };
    for (const auto &c : cases) {
        FixtureGame game;
        c.damage(game);
        EXPECT_EQ(BuildError(game), c.message) << c.what;
        EXPECT_FALSE(QFile::exists(Path("Langdef.df"))) << c.what;
    }
}

TEST_F(MakedefTest, StringRunningPastTheImageEndFailsTheBuild)
{
    FixtureGame game;
    for (int row = 0; row < MakeDefsLanguageCount; ++row)
        game.RemoveStringBlocks(MakeDefsLanguages[row].languageCode);
    game.PutU32(FixtureGame::DataEnd - 4, 0x41414141);
    game.SetSlotResult(4, 2, FixtureGame::DataEnd - 4);
    EXPECT_EQ(BuildError(game),
              QStringLiteral("Game address 0x00607FFC (Italiano (2), slot 2) holds a string that runs past "
                             "the end of the loaded image."));
}

TEST_F(MakedefTest, TruncatedStringBlockFailsTheBuild)
{
    FixtureGame game;
    QByteArray bytes(2 * 15, '\0');
    bytes.append("\x05\x00" "a\0", 4); // string 15 claims 5 units and has 1
    game.SetRawStringBlock(MakeDefsLanguages[6].languageCode, 2, bytes);
    EXPECT_EQ(BuildError(game), QStringLiteral("String-table block 2 of language 0x0416 is truncated."));
    EXPECT_FALSE(QFile::exists(Path("Langdef.df")));
}
