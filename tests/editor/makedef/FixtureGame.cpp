#include "FixtureGame.h"

#include "Makedef_3_6_31_0.h"
#include "platform/LittleEndian.h"

#include <QFile>

#include <stdexcept>

namespace {

constexpr std::uint32_t DataStart = GameImageBase + FixtureGame::DataRva;
constexpr std::uint32_t SectionAlignment = 0x1000;
constexpr std::uint32_t FileAlignment = 0x200;
constexpr std::uint32_t HeadersSize = 0x400;

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

void PutSectionHeader(QByteArray &file, qsizetype at, const char *name, std::uint32_t virtualSize,
                      std::uint32_t rva, std::uint32_t rawSize, std::uint32_t rawPointer)
{
    for (int i = 0; name[i] != '\0' && i < 8; ++i)
        file[at + i] = name[i];
    PutU32(file, at + 8, virtualSize);
    PutU32(file, at + 12, rva);
    PutU32(file, at + 16, rawSize);
    PutU32(file, at + 20, rawPointer);
    PutU32(file, at + 36, 0xC0000040); // initialised data, read, write
}

// The resource section of string-table blocks: root -> type 6 -> block -> language.
QByteArray ResourceSection(const std::map<std::uint16_t, std::map<std::uint16_t, QByteArray>> &byBlock,
                           std::uint32_t rva)
{
    std::size_t languageCount = 0;
    for (const auto &[block, languages] : byBlock)
        languageCount += languages.size();

    const std::uint32_t typeDir = 16 + 8;
    const std::uint32_t nameDirs = typeDir + 16 + 8 * std::uint32_t(byBlock.size());
    const std::uint32_t dataEntries = nameDirs + 16 * std::uint32_t(byBlock.size()) + 8 * std::uint32_t(languageCount);
    std::uint32_t dataAt = dataEntries + 16 * std::uint32_t(languageCount);

    QByteArray section(dataAt, '\0');
    PutU16(section, 14, 1);
    PutU32(section, 16, PeResourceTypeString);
    PutU32(section, 20, 0x80000000u | typeDir);
    PutU16(section, typeDir + 14, static_cast<std::uint16_t>(byBlock.size()));

    std::uint32_t nameDir = nameDirs;
    std::uint32_t dataEntry = dataEntries;
    int nameIndex = 0;
    for (const auto &[block, languages] : byBlock) {
        const std::uint32_t typeEntry = typeDir + 16 + 8 * nameIndex++;
        PutU32(section, typeEntry, block);
        PutU32(section, typeEntry + 4, 0x80000000u | nameDir);
        PutU16(section, nameDir + 14, static_cast<std::uint16_t>(languages.size()));
        int languageIndex = 0;
        for (const auto &[language, bytes] : languages) {
            const std::uint32_t languageEntry = nameDir + 16 + 8 * languageIndex++;
            PutU32(section, languageEntry, language);
            PutU32(section, languageEntry + 4, dataEntry);
            dataAt = AlignUp(std::uint32_t(section.size()), 4);
            section.resize(dataAt);
            section.append(bytes);
            PutU32(section, dataEntry, rva + dataAt);
            PutU32(section, dataEntry + 4, std::uint32_t(bytes.size()));
            dataEntry += 16;
        }
        nameDir += 16 + 8 * std::uint32_t(languages.size());
    }
    return section;
}

std::string Line(int row, char kind, int n)
{
    return std::to_string(row) + ":" + kind + std::to_string(n);
}

std::u16string Utf16(const std::string &ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace

FixtureGame::FixtureGame() : data_(DataEnd - DataStart, 0), next_(DataStart)
{
    for (int row = 0; row < MakeDefsLanguageCount; ++row) {
        for (int slot = 0; slot <= 192; ++slot) {
            if (slot == 14) {
                std::vector<std::uint32_t> subLists(14, 0);
                subLists[0] = OutsideAddress; // item 0 is never a sub-list
                for (int k = 1; k <= 13; ++k) {
                    std::vector<std::string> lines;
                    for (int j = 1; j <= k; ++j)
                        lines.push_back(Line(row, 'k', k) + "." + std::to_string(j));
                    subLists[k] = AddStringList(lines);
                }
                std::vector<std::string> lines14;
                for (int j = 1; j <= 14; ++j)
                    lines14.push_back(Line(row, 'k', 14) + "." + std::to_string(j));
                SetEntry(row, 14, AddSlot14Method(AddList(subLists), AddStringList(lines14)));
            } else if ((slot >= 5 && slot <= 15) || slot >= 184) {
                SetSlotResult(row, slot,
                              AddStringList({Line(row, 'l', slot) + ".1", Line(row, 'l', slot) + ".2"}));
            } else {
                SetSlotResult(row, slot, AddString(Line(row, 's', slot)));
            }
        }
    }
    // The cell slots and the two entries behind them, written last: the English table's
    // slots 198 and 199 are the French table's slots 0 and 1 and stay as they are.
    for (int row = 0; row < MakeDefsLanguageCount; ++row)
        for (int slot = 193; slot < 200; ++slot)
            if (!(MakeDefsLanguages[row].methodTable == 0x6062D8 && slot >= 198))
                SetEntry(row, slot, OutsideAddress);
    for (int row = 0; row < MakeDefsLanguageCount; ++row) {
        std::array<std::u16string, 16> strings;
        strings[0] = Utf16(Line(row, 'r', 0));
        strings[1] = Utf16(Line(row, 'r', 1));
        SetStringBlock(MakeDefsLanguages[row].languageCode, 1, strings);
    }
}

std::uint32_t FixtureGame::Allocate(std::uint32_t size)
{
    const std::uint32_t at = next_;
    next_ = AlignUp(next_ + size, 4);
    if (next_ > 0x606000)
        throw std::logic_error("fixture game: data area full");
    return at;
}

void FixtureGame::PutU32(std::uint32_t address, std::uint32_t value)
{
    const std::uint32_t at = address - DataStart;
    for (int i = 0; i < 4; ++i)
        data_.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t FixtureGame::U32(std::uint32_t address) const
{
    const std::uint32_t at = address - DataStart;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t(data_.at(at + i)) << (8 * i);
    return value;
}

std::uint32_t FixtureGame::AddString(const std::string &bytes)
{
    const std::uint32_t at = Allocate(std::uint32_t(bytes.size()) + 1);
    std::copy(bytes.begin(), bytes.end(), data_.begin() + (at - DataStart));
    return at;
}

std::uint32_t FixtureGame::AddList(const std::vector<std::uint32_t> &items)
{
    const std::uint32_t at = Allocate(4 * std::uint32_t(items.size() + 1));
    for (std::size_t i = 0; i < items.size(); ++i)
        PutU32(at + 4 * std::uint32_t(i), items[i]);
    return at;
}

std::uint32_t FixtureGame::AddStringList(const std::vector<std::string> &lines)
{
    std::vector<std::uint32_t> items;
    for (const std::string &line : lines)
        items.push_back(AddString(line));
    return AddList(items);
}

std::uint32_t FixtureGame::AddValueMethod(std::uint32_t result)
{
    const std::uint32_t at = Allocate(6);
    data_.at(at - DataStart) = 0xB8; // mov eax, imm32
    PutU32(at + 1, result);
    data_.at(at + 5 - DataStart) = 0xC3; // ret
    return at;
}

std::uint32_t FixtureGame::AddSlot14Method(std::uint32_t subListArray, std::uint32_t subList14)
{
    // mov eax,[esp+4]; cmp eax,14; jae L; mov eax,[eax*4+array]; ret 4; L: mov eax,sub14; ret 4
    static const std::uint8_t code[] = {0x8B, 0x44, 0x24, 0x04, 0x83, 0xF8, 0x0E, 0x73, 0x0A,
                                        0x8B, 0x04, 0x85, 0, 0, 0, 0, 0xC2, 0x04, 0x00,
                                        0xB8, 0, 0, 0, 0, 0xC2, 0x04, 0x00};
    const std::uint32_t at = Allocate(sizeof code);
    std::copy(std::begin(code), std::end(code), data_.begin() + (at - DataStart));
    PutU32(at + 12, subListArray);
    PutU32(at + 20, subList14);
    return at;
}

void FixtureGame::SetEntry(int row, int slot, std::uint32_t method)
{
    PutU32(MakeDefsLanguages[row].methodTable + 4 * std::uint32_t(slot), method);
}

std::uint32_t FixtureGame::Entry(int row, int slot) const
{
    return U32(MakeDefsLanguages[row].methodTable + 4 * std::uint32_t(slot));
}

void FixtureGame::SetSlotResult(int row, int slot, std::uint32_t result)
{
    SetEntry(row, slot, AddValueMethod(result));
}

void FixtureGame::SetStringBlock(std::uint16_t language, std::uint16_t block,
                                 const std::array<std::u16string, 16> &strings)
{
    QByteArray bytes;
    for (const std::u16string &s : strings) {
        const qsizetype at = bytes.size();
        bytes.resize(at + 2 + 2 * qsizetype(s.size()));
        PutU16(bytes, at, static_cast<std::uint16_t>(s.size()));
        for (std::size_t i = 0; i < s.size(); ++i)
            PutU16(bytes, at + 2 + 2 * qsizetype(i), s[i]);
    }
    SetRawStringBlock(language, block, bytes);
}

void FixtureGame::SetRawStringBlock(std::uint16_t language, std::uint16_t block, const QByteArray &bytes)
{
    stringBlocks_[language][block] = bytes;
}

void FixtureGame::RemoveStringBlocks(std::uint16_t language)
{
    stringBlocks_.erase(language);
}

QByteArray FixtureGame::Build() const
{
    std::map<std::uint16_t, std::map<std::uint16_t, QByteArray>> byBlock;
    for (const auto &[language, blocks] : stringBlocks_)
        for (const auto &[block, bytes] : blocks)
            byBlock[block][language] = bytes;

    // Without string blocks the file has no resource section: the image ends with the data.
    const bool withResources = !byBlock.empty();
    const std::uint32_t dataSize = std::uint32_t(data_.size());
    const std::uint32_t resourceRva = AlignUp(DataRva + dataSize, SectionAlignment);
    const QByteArray resources = withResources ? ResourceSection(byBlock, resourceRva) : QByteArray();
    const std::uint32_t resourceSize = std::uint32_t(resources.size());
    const std::uint32_t dataRaw = HeadersSize;
    const std::uint32_t resourceRaw = dataRaw + AlignUp(dataSize, FileAlignment);
    const std::uint32_t imageSize = AlignUp(resourceRva + resourceSize, SectionAlignment);

    QByteArray file(resourceRaw + AlignUp(resourceSize, FileAlignment), '\0');
    file[0] = 'M';
    file[1] = 'Z';
    ::PutU32(file, 0x3C, PeHeaderOffset);
    file.replace(PeHeaderOffset, 4, QByteArray("PE\0\0", 4));
    const qsizetype coff = PeHeaderOffset + 4;
    PutU16(file, coff, 0x14C);     // i386
    PutU16(file, coff + 2, withResources ? 2 : 1);
    PutU16(file, coff + 16, 224);  // optional header size
    PutU16(file, coff + 18, 0x0102);
    const qsizetype opt = OptionalHeaderOffset;
    PutU16(file, opt, 0x10B);
    ::PutU32(file, opt + 28, GameImageBase);
    ::PutU32(file, opt + 32, SectionAlignment);
    ::PutU32(file, opt + 36, FileAlignment);
    PutU16(file, opt + 48, 4);     // subsystem version
    ::PutU32(file, opt + 56, imageSize);
    ::PutU32(file, opt + 60, HeadersSize);
    PutU16(file, opt + 68, 2);     // GUI
    ::PutU32(file, opt + 92, 16);
    PutSectionHeader(file, SectionTableOffset, ".data", dataSize, DataRva,
                     AlignUp(dataSize, FileAlignment), dataRaw);
    if (withResources) {
        ::PutU32(file, opt + 96 + 8 * 2, resourceRva);
        ::PutU32(file, opt + 96 + 8 * 2 + 4, resourceSize);
        PutSectionHeader(file, SectionTableOffset + 40, ".rsrc", resourceSize, resourceRva,
                         AlignUp(resourceSize, FileAlignment), resourceRaw);
        file.replace(resourceRaw, resourceSize, resources);
    }
    file.replace(dataRaw, dataSize, QByteArray(reinterpret_cast<const char *>(data_.data()), dataSize));
    return file;
}

void FixtureGame::WriteTo(const QString &path) const
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(Build()) < 0)
        throw std::runtime_error("fixture game: cannot write " + path.toStdString());
}
