// Verbatrix.dll as a file: its version resource and manifest, that it exports nothing and
// imports only DLLs that come with Windows. Read with the editor's PE image layer.
#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <cctype>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/PeImage.h"

namespace {

constexpr std::uint16_t ResourceTypeVersion = 16;
constexpr std::uint16_t ResourceTypeManifest = 24;

const PeImage& Dll() {
  static const std::optional<PeImage> image = PeImage::LoadFile(QStringLiteral(VERBATRIX_DLL));
  if (!image) {
    ADD_FAILURE() << "cannot map " << VERBATRIX_DLL;
    std::abort();
  }
  return *image;
}

// The resource in whichever language the resource compiler gave it.
std::span<const std::uint8_t> Resource(std::uint16_t type, std::uint16_t name) {
  for (std::uint16_t language : {0x0419, 0x0409, 0x0000})
    if (auto bytes = Dll().FindResource(type, name, language)) return *bytes;
  return {};
}

std::u16string Utf16(std::span<const std::uint8_t> bytes, size_t at) {
  std::u16string text;
  for (; at + 1 < bytes.size(); at += 2) {
    const char16_t c = char16_t(bytes[at] | bytes[at + 1] << 8);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

// The offset of the UTF-16 text key with its NUL, or npos.
size_t FindKey(std::span<const std::uint8_t> bytes, const std::u16string& key) {
  std::vector<std::uint8_t> pattern;
  for (char16_t c : key + u'\0') pattern.insert(pattern.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
  auto it = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
  return it == bytes.end() ? std::u16string::npos : size_t(it - bytes.begin());
}

// The value of a String entry of the version information: behind its key, 32-bit aligned.
std::u16string StringValue(std::span<const std::uint8_t> bytes, const std::u16string& key) {
  const size_t at = FindKey(bytes, key);
  if (at == std::u16string::npos) return u"<missing>";
  return Utf16(bytes, (at + 2 * (key.size() + 1) + 3) & ~size_t(3));
}

std::uint32_t U32(std::span<const std::uint8_t> bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

TEST(DllImage, VersionResource) {
  const auto info = Resource(ResourceTypeVersion, 1);
  ASSERT_FALSE(info.empty());
  size_t fixed = 0;
  while (fixed + 24 <= info.size() && U32(info, fixed) != 0xFEEF04BD) fixed += 4;
  ASSERT_LE(fixed + 24, info.size()) << "no fixed file information";
  EXPECT_EQ(U32(info, fixed + 8), 0x00010000u);   // file version 1.0.0.2
  EXPECT_EQ(U32(info, fixed + 12), 0x00000002u);
  EXPECT_EQ(U32(info, fixed + 16), 0x00030006u);  // product version 3.6.31.0
  EXPECT_EQ(U32(info, fixed + 20), 0x001F0000u);

  EXPECT_NE(FindKey(info, u"041904b0"), std::u16string::npos);
  const struct {
    const char16_t* key;
    const char16_t* value;
  } strings[] = {
      {u"FileVersion", u"1, 0, 0, 2"},      {u"ProductVersion", u"3, 6, 31, 0"},
      {u"FileDescription", u"Verbatrix"},   {u"InternalName", u"Verbatrix"},
      {u"ProductName", u"Verbatrix"},       {u"OriginalFilename", u"Verbatrix.dll"},
  };
  for (const auto& s : strings) {
    const std::u16string got = StringValue(info, s.key);
    EXPECT_TRUE(got == s.value) << std::string(got.begin(), got.end());
  }
  const size_t translation = FindKey(info, u"Translation");
  ASSERT_NE(translation, std::u16string::npos);
  const size_t value = (translation + 2 * 12 + 3) & ~size_t(3);
  EXPECT_EQ(U32(info, value), 0x04B00419u);  // language 0x0419, code page 1200
}

TEST(DllImage, ManifestRunsAsInvoker) {
  const auto manifest = Resource(ResourceTypeManifest, 2);
  ASSERT_FALSE(manifest.empty());
  const std::string text(manifest.begin(), manifest.end());
  EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos) << text;
}

TEST(DllImage, ExportsNothingAndImportsOnlyWindowsDlls) {
  const PeImage& dll = Dll();
  const std::uint32_t pe = dll.ReadU32(0x3C).value_or(0);
  ASSERT_EQ(dll.ReadU32(pe).value_or(0), 0x00004550u);
  const std::uint32_t directories = pe + 24 + 96;  // PE32 optional header
  const std::uint32_t exports = dll.ReadU32(directories).value_or(0);
  if (exports != 0) {
    EXPECT_EQ(dll.ReadU32(exports + 20).value_or(1), 0u) << "functions exported";
    EXPECT_EQ(dll.ReadU32(exports + 24).value_or(1), 0u) << "names exported";
  }
  const std::uint32_t imports = dll.ReadU32(directories + 8).value_or(0);
  ASSERT_NE(imports, 0u);
  std::vector<std::string> names;
  for (std::uint32_t d = imports; dll.ReadU32(d + 12).value_or(0) != 0; d += 20) {
    std::string name(dll.ReadCString(dll.ReadU32(d + 12).value()).value_or("?"));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    names.push_back(name);
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end());
  std::sort(names.begin(), names.end());
  const std::vector<std::string> windows = {"kernel32.dll", "msvcrt.dll", "user32.dll", "version.dll"};
  for (const auto& name : names)
    EXPECT_TRUE(std::binary_search(windows.begin(), windows.end(), name)) << name;
}

}  // namespace
