#include "PeImage.h"

#include "LittleEndian.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

// Offsets of the file format that this layer reads.
constexpr std::uint32_t DosHeaderSize = 0x40;
constexpr std::uint32_t DosNewHeaderField = 0x3C;   // e_lfanew
constexpr std::uint32_t CoffHeaderSize = 20;         // after the 4-byte signature
constexpr std::uint16_t OptionalMagicPe32 = 0x10B;
constexpr std::uint32_t OptSizeOfImage = 56;
constexpr std::uint32_t OptSizeOfHeaders = 60;
constexpr std::uint32_t OptNumberOfRvaAndSizes = 92;
constexpr std::uint32_t OptDataDirectories = 96;
constexpr std::uint32_t ResourceDirectoryIndex = 2;
constexpr std::uint32_t SectionHeaderSize = 40;
constexpr std::uint32_t ResourceTableHeaderSize = 16;
constexpr std::uint32_t ResourceEntrySize = 8;
constexpr std::uint32_t ResourceDataEntrySize = 16;
constexpr std::uint32_t HighBit = 0x80000000u;

// Little-endian reads inside `bytes`; false when [offset, offset + n) is not inside.
bool Inside(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t n)
{
    return offset <= bytes.size() && n <= bytes.size() - offset;
}

std::optional<std::uint16_t> U16(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    if (!Inside(bytes, offset, 2))
        return std::nullopt;
    return LoadU16(bytes.data() + offset);
}

std::optional<std::uint32_t> U32(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    if (!Inside(bytes, offset, 4))
        return std::nullopt;
    return LoadU32(bytes.data() + offset);
}

} // namespace

std::optional<PeImage> PeImage::LoadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return FromFileBytes(std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size())));
}

std::optional<PeImage> PeImage::FromFileBytes(std::span<const std::uint8_t> file)
{
    if (!Inside(file, 0, DosHeaderSize) || file[0] != 'M' || file[1] != 'Z')
        return std::nullopt;
    const std::uint64_t peHeader = *U32(file, DosNewHeaderField);
    if (!Inside(file, peHeader, 4 + CoffHeaderSize)
        || std::memcmp(file.data() + peHeader, "PE\0\0", 4) != 0)
        return std::nullopt;
    const std::uint64_t coff = peHeader + 4;
    const std::uint16_t sectionCount = *U16(file, coff + 2);
    const std::uint16_t optionalSize = *U16(file, coff + 16);
    const std::uint64_t opt = coff + CoffHeaderSize;
    if (optionalSize < OptDataDirectories || !Inside(file, opt, optionalSize)
        || *U16(file, opt) != OptionalMagicPe32)
        return std::nullopt;

    const std::uint32_t imageSize = *U32(file, opt + OptSizeOfImage);
    const std::uint32_t headersSize = *U32(file, opt + OptSizeOfHeaders);
    if (imageSize == 0 || imageSize > MaxImageSize)
        return std::nullopt;

    // The resource directory, when the header has room for its data-directory slot.
    const std::uint32_t directoryCount = *U32(file, opt + OptNumberOfRvaAndSizes);
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
    const std::uint64_t resourceSlot = opt + OptDataDirectories + 8 * ResourceDirectoryIndex;
    if (directoryCount > ResourceDirectoryIndex && resourceSlot + 8 <= opt + optionalSize) {
        resourceRva = *U32(file, resourceSlot);
        resourceSize = *U32(file, resourceSlot + 4);
    }

    PeImage image;
    image.image_.assign(imageSize, 0);
    const std::span<std::uint8_t> mapped(image.image_);

    // The headers come first, as far as the file and the image hold them.
    const std::uint64_t headerCopy = std::min<std::uint64_t>({headersSize, file.size(), imageSize});
    std::memcpy(mapped.data(), file.data(), headerCopy);

    const std::uint64_t sections = opt + optionalSize;
    if (!Inside(file, sections, std::uint64_t(sectionCount) * SectionHeaderSize))
        return std::nullopt;
    for (std::uint32_t s = 0; s < sectionCount; ++s) {
        const std::uint64_t header = sections + std::uint64_t(s) * SectionHeaderSize;
        const std::uint32_t virtualSize = *U32(file, header + 8);
        const std::uint32_t virtualAddress = *U32(file, header + 12);
        const std::uint32_t rawSize = *U32(file, header + 16);
        const std::uint32_t rawPointer = *U32(file, header + 20);
        const std::uint64_t extent = virtualSize != 0 ? virtualSize : rawSize;
        const std::uint64_t copy = std::min<std::uint64_t>(rawSize, extent);
        if (!Inside(mapped, virtualAddress, extent))
            return std::nullopt;
        if (copy != 0) {
            if (!Inside(file, rawPointer, copy))
                return std::nullopt;
            std::memcpy(mapped.data() + virtualAddress, file.data() + rawPointer, copy);
        }
    }

    if (resourceRva != 0 && resourceSize != 0 && Inside(mapped, resourceRva, ResourceTableHeaderSize))
        image.resourceRva_ = resourceRva;
    return image;
}

std::optional<std::uint32_t> PeImage::ReadU32(std::uint64_t rva) const
{
    return U32(image_, rva);
}

std::optional<std::string_view> PeImage::ReadCString(std::uint64_t rva) const
{
    if (rva >= image_.size())
        return std::nullopt;
    const auto begin = image_.begin() + static_cast<std::ptrdiff_t>(rva);
    const auto nul = std::find(begin, image_.end(), std::uint8_t(0));
    if (nul == image_.end())
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char *>(&*begin),
                            static_cast<std::size_t>(nul - begin));
}

std::vector<PeImage::DirEntry> PeImage::DirectoryEntries(std::uint32_t offset) const
{
    std::vector<DirEntry> entries;
    if (resourceRva_ == 0)
        return entries;
    const std::uint64_t table = std::uint64_t(resourceRva_) + offset;
    if (!Inside(image_, table, ResourceTableHeaderSize))
        return entries;
    const std::uint32_t count = std::uint32_t(*U16(image_, table + 12)) + *U16(image_, table + 14);
    const std::uint64_t first = table + ResourceTableHeaderSize;
    if (!Inside(image_, first, std::uint64_t(count) * ResourceEntrySize))
        return entries;
    entries.reserve(count);
    for (std::uint32_t e = 0; e < count; ++e) {
        const std::uint64_t at = first + std::uint64_t(e) * ResourceEntrySize;
        entries.push_back({*U32(image_, at), *U32(image_, at + 4)});
    }
    return entries;
}

std::optional<std::uint32_t> PeImage::SubdirectoryOf(std::uint32_t offset, std::uint32_t id) const
{
    for (const DirEntry &entry : DirectoryEntries(offset))
        if (entry.name == id && (entry.target & HighBit) != 0)
            return entry.target & ~HighBit;
    return std::nullopt;
}

std::vector<std::uint16_t> PeImage::ResourceNames(std::uint16_t type) const
{
    std::vector<std::uint16_t> names;
    const std::optional<std::uint32_t> typeDir = SubdirectoryOf(0, type);
    if (!typeDir)
        return names;
    for (const DirEntry &entry : DirectoryEntries(*typeDir))
        if (entry.name <= 0xFFFF && (entry.target & HighBit) != 0)
            names.push_back(static_cast<std::uint16_t>(entry.name));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::optional<std::span<const std::uint8_t>> PeImage::FindResource(std::uint16_t type,
                                                                   std::uint16_t name,
                                                                   std::uint16_t language) const
{
    const std::optional<std::uint32_t> typeDir = SubdirectoryOf(0, type);
    if (!typeDir)
        return std::nullopt;
    const std::optional<std::uint32_t> nameDir = SubdirectoryOf(*typeDir, name);
    if (!nameDir)
        return std::nullopt;
    for (const DirEntry &entry : DirectoryEntries(*nameDir)) {
        if (entry.name != language || (entry.target & HighBit) != 0)
            continue;
        const std::uint64_t dataEntry = std::uint64_t(resourceRva_) + entry.target;
        if (!Inside(image_, dataEntry, ResourceDataEntrySize))
            return std::nullopt;
        const std::uint32_t dataRva = *U32(image_, dataEntry);
        const std::uint32_t dataSize = *U32(image_, dataEntry + 4);
        if (!Inside(image_, dataRva, dataSize))
            return std::nullopt;
        return std::span<const std::uint8_t>(image_).subspan(dataRva, dataSize);
    }
    return std::nullopt;
}
