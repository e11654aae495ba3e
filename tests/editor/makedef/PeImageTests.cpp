// The PE image layer on fixture files: mapping, resource lookup, and the refusal of
// every header, section and resource that lies outside the file or the image.
#include "FixtureGame.h"

#include "Makedef_3_6_31_0.h"
#include "platform/PeImage.h"
#include "platform/LittleEndian.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::optional<PeImage> Map(const QByteArray &file)
{
    return PeImage::FromFileBytes(std::span(reinterpret_cast<const std::uint8_t *>(file.constData()),
                                            static_cast<std::size_t>(file.size())));
}

std::uint32_t Get32(const QByteArray &bytes, qsizetype at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t(std::uint8_t(bytes[at + i])) << (8 * i);
    return value;
}

constexpr qsizetype Opt = FixtureGame::OptionalHeaderOffset;
constexpr qsizetype Sections = FixtureGame::SectionTableOffset;

} // namespace

TEST(PeImage, MapsSectionsAtTheirRelativeAddresses)
{
    FixtureGame game;
    const std::uint32_t text = game.AddString("mapped");
    const std::optional<PeImage> image = Map(game.Build());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Bytes()[0], 'M');
    EXPECT_EQ(image->ReadCString(text - GameImageBase), "mapped");
    const std::uint32_t table = MakeDefsLanguages[1].methodTable;
    EXPECT_EQ(image->ReadU32(table + 4 * 3 - GameImageBase), game.Entry(1, 3));
}

TEST(PeImage, ReadersStopAtTheEndOfTheImage)
{
    FixtureGame game;
    const std::optional<PeImage> image = Map(game.Build());
    ASSERT_TRUE(image);
    const std::uint32_t size = image->Size();
    EXPECT_TRUE(image->ReadU32(size - 4));
    EXPECT_FALSE(image->ReadU32(size - 3));
    EXPECT_FALSE(image->ReadU32(0xFFFFFFFFull + 8));
    EXPECT_FALSE(image->ReadCString(size));
}

TEST(PeImage, StringWithoutNulBeforeTheImageEndIsRefused)
{
    FixtureGame game;
    for (int row = 0; row < MakeDefsLanguageCount; ++row)
        game.RemoveStringBlocks(MakeDefsLanguages[row].languageCode); // image ends with the data
    game.PutU32(FixtureGame::DataEnd - 4, 0x41414141);
    const std::optional<PeImage> image = Map(game.Build());
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Size(), FixtureGame::DataEnd - GameImageBase);
    EXPECT_FALSE(image->ReadCString(image->Size() - 4));
}

TEST(PeImage, FindsStringBlocksInExactlyOneLanguage)
{
    FixtureGame game;
    for (int row = 0; row < MakeDefsLanguageCount; ++row)
        game.RemoveStringBlocks(MakeDefsLanguages[row].languageCode);
    game.SetStringBlock(0x0409, 7, {u"a"});
    game.SetStringBlock(0x0809, 3, {u"b"});
    game.SetStringBlock(0x0409, 3, {u"c"});
    const std::optional<PeImage> image = Map(game.Build());
    ASSERT_TRUE(image);

    EXPECT_EQ(image->ResourceNames(PeResourceTypeString), (std::vector<std::uint16_t>{3, 7}));
    EXPECT_TRUE(image->ResourceNames(16).empty());

    const auto found = image->FindResource(PeResourceTypeString, 3, 0x0809);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 2u + 2u + 15u * 2u);
    EXPECT_EQ((*found)[2], 'b');
    EXPECT_FALSE(image->FindResource(PeResourceTypeString, 7, 0x0809)); // only in 0x0409
    EXPECT_FALSE(image->FindResource(PeResourceTypeString, 7, 0x0000)); // no neutral fall-back
    EXPECT_FALSE(image->FindResource(PeResourceTypeString, 4, 0x0409));
    EXPECT_FALSE(image->FindResource(16, 3, 0x0409));
}

TEST(PeImage, RefusesResourcesThatLieOutsideTheImage)
{
    FixtureGame game;
    for (int row = 0; row < MakeDefsLanguageCount; ++row)
        game.RemoveStringBlocks(MakeDefsLanguages[row].languageCode);
    game.SetStringBlock(0x0409, 1, {u"x"});
    const QByteArray good = game.Build();
    const std::uint32_t resourceRaw = Get32(good, Sections + 40 + 20);
    // Root (16 + 8), type table (16 + 8), name table (16 + 8), then the data entry.
    const qsizetype typeCount = resourceRaw + 16 + 8 + 14;
    const qsizetype dataEntry = resourceRaw + 72;

    QByteArray farData = good;
    PutU32(farData, dataEntry, 0x7FFFFFF0);
    QByteArray longData = good;
    PutU32(longData, dataEntry + 4, 0x10000000);
    QByteArray manyNames = good;
    manyNames[typeCount] = char(0xFF);
    manyNames[typeCount + 1] = char(0xFF);

    for (const QByteArray *file : {&farData, &longData}) {
        const std::optional<PeImage> image = Map(*file);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->ResourceNames(PeResourceTypeString), (std::vector<std::uint16_t>{1}));
        EXPECT_FALSE(image->FindResource(PeResourceTypeString, 1, 0x0409));
    }
    const std::optional<PeImage> image = Map(manyNames);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->ResourceNames(PeResourceTypeString).empty());
    EXPECT_FALSE(image->FindResource(PeResourceTypeString, 1, 0x0409));
}

TEST(PeImage, RefusesFilesThatAreNoWellFormedPe32)
{
    const QByteArray good = FixtureGame().Build();
    ASSERT_TRUE(Map(good));
    const std::uint32_t dataRaw = Get32(good, Sections + 20);

    const struct
    {
        const char *what;
        std::function<void(QByteArray &)> damage;
    } cases[] = {
        {"empty", [](QByteArray &f) { f.clear(); }},
        {"shorter than the DOS header", [](QByteArray &f) { f.truncate(0x30); }},
        {"no MZ", [](QByteArray &f) { f[0] = 'X'; }},
        {"PE header beyond the file", [](QByteArray &f) { PutU32(f, 0x3C, 0xFFFFFFF0); }},
        {"PE header at the file's end", [](QByteArray &f) { PutU32(f, 0x3C, std::uint32_t(f.size() - 8)); }},
        {"no PE signature", [](QByteArray &f) { f[FixtureGame::PeHeaderOffset + 2] = 'X'; }},
        {"PE32+ magic", [](QByteArray &f) { f[Opt + 1] = 0x02; }},
        {"optional header too short", [](QByteArray &f) { f[FixtureGame::PeHeaderOffset + 20] = 64; }},
        {"no image size", [](QByteArray &f) { PutU32(f, Opt + 56, 0); }},
        {"image size beyond the limit", [](QByteArray &f) { PutU32(f, Opt + 56, PeImage::MaxImageSize + 0x1000); }},
        {"section table beyond the file", [](QByteArray &f) {
             f[FixtureGame::PeHeaderOffset + 6] = char(0xFF);
             f[FixtureGame::PeHeaderOffset + 7] = char(0xFF);
         }},
        {"section data beyond the file", [](QByteArray &f) { PutU32(f, Sections + 20, std::uint32_t(f.size() - 0x200)); }},
        {"section raw pointer wraps", [](QByteArray &f) { PutU32(f, Sections + 20, 0xFFFFFF00); }},
        {"section beyond the image", [](QByteArray &f) { PutU32(f, Sections + 12, 0x7FFFF000); }},
        {"section size beyond the image", [](QByteArray &f) { PutU32(f, Sections + 8, 0xFFFFF000); }},
        {"file cut inside a section", [dataRaw](QByteArray &f) { f.truncate(dataRaw + 0x1000); }},
    };
    for (const auto &c : cases) {
        QByteArray file = good;
        c.damage(file);
        EXPECT_FALSE(Map(file)) << c.what;
    }
}

TEST(PeImage, LoadFileFailsForMissingFiles)
{
    EXPECT_FALSE(PeImage::LoadFile(QStringLiteral("/nonexistent/folder/ZV.exe")));
}
