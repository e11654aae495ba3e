// The game double ZV.exe's headers: a PE32 image that must be mapped at 0x400000 (its code
// and data sit at the game's fixed addresses; the Wine tests run them), file version
// 3.6.31.0.
#include "Makedef_3_6_31_0.h"
#include "platform/PeImage.h"

#include <QString>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

namespace {

constexpr std::uint16_t ResourceTypeVersion = 16;
constexpr std::uint32_t FixedFileInfoSignature = 0xFEEF04BD;

const PeImage &Game()
{
    static const std::optional<PeImage> image = PeImage::LoadFile(QStringLiteral(ZV_EXE_PATH));
    if (!image)
        throw std::runtime_error("cannot map " ZV_EXE_PATH);
    return *image;
}

std::uint32_t At(std::uint64_t rva)
{
    const std::optional<std::uint32_t> value = Game().ReadU32(rva);
    if (!value)
        throw std::runtime_error("read outside the image");
    return *value;
}

} // namespace

TEST(GameDouble, Pe32ImageThatStaysAtItsBase)
{
    const std::uint32_t pe = At(0x3C);
    ASSERT_EQ(At(pe), 0x00004550u); // "PE\0\0"
    EXPECT_EQ(At(pe + 4) & 0xFFFF, 0x014Cu);            // i386
    const std::uint32_t characteristics = At(pe + 4 + 18) & 0xFFFF;
    EXPECT_NE(characteristics & 0x0001, 0u);             // relocations stripped
    const std::uint32_t opt = pe + 24;
    EXPECT_EQ(At(opt) & 0xFFFF, 0x010Bu);                // PE32
    EXPECT_EQ(At(opt + 28), GameImageBase);              // image base
    EXPECT_EQ((At(opt + 70) & 0xFFFF) & 0x0040, 0u);     // no dynamic base
    EXPECT_GT(Game().Size(), 0x8BBB10u - GameImageBase); // reaches past the language manager
}

TEST(GameDouble, FileVersionIs3_6_31_0)
{
    const std::optional<std::span<const std::uint8_t>> version =
        Game().FindResource(ResourceTypeVersion, 1, 0x0409);
    ASSERT_TRUE(version);
    const std::uint64_t start = std::uint64_t(version->data() - Game().Bytes().data());
    // The fixed part of the version information starts with its signature, 32-bit aligned.
    std::uint64_t fixed = start;
    while (fixed + 16 <= start + version->size() && At(fixed) != FixedFileInfoSignature)
        fixed += 4;
    ASSERT_LE(fixed + 16, start + version->size());
    EXPECT_EQ(At(fixed + 8), (3u << 16) | 6u); // file version: major, minor
    EXPECT_EQ(At(fixed + 12), 31u << 16);      // build, revision
}
