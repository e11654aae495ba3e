// A Windows executable mapped as an image for reading its resources and data: the
// sections lie at their relative virtual addresses in one buffer, the way the system
// loader maps a file as an image resource (no code of it runs, nothing is relocated).
//
// Every reader of the file's bytes and of the mapped image is bounds-checked: a header,
// section, directory entry or resource that lies outside the file or the image makes
// the load fail or the lookup come back empty; nothing reads beyond the buffer.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// Resource type of string-table blocks (16 strings per block, named by block number).
inline constexpr std::uint16_t PeResourceTypeString = 6;

class PeImage
{
public:
    // Largest image this layer maps (SizeOfImage); larger ones are refused.
    static constexpr std::uint32_t MaxImageSize = 512u * 1024u * 1024u;

    // Reads the file and maps it; nullopt when it cannot be read or is no PE32 image.
    static std::optional<PeImage> LoadFile(const QString &path);

    // Maps the bytes of a PE32 file; nullopt when they are no well-formed PE32 image.
    static std::optional<PeImage> FromFileBytes(std::span<const std::uint8_t> file);

    // The whole mapped image: offset = relative virtual address.
    std::span<const std::uint8_t> Bytes() const { return image_; }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(image_.size()); }

    // The u32 (little-endian) at `rva`; nullopt when any of its bytes lies outside.
    std::optional<std::uint32_t> ReadU32(std::uint64_t rva) const;

    // The NUL-terminated byte string at `rva`, without its NUL; nullopt when `rva` lies
    // outside or the image ends before the NUL.
    std::optional<std::string_view> ReadCString(std::uint64_t rva) const;

    // The integer names of resource type `type`, ascending, each once (names that are
    // strings are left out). Empty when the image holds no resource of that type.
    std::vector<std::uint16_t> ResourceNames(std::uint16_t type) const;

    // The bytes of resource (type, name) in exactly `language`; no other language is
    // tried. nullopt when there is none or its data lies outside the image.
    std::optional<std::span<const std::uint8_t>> FindResource(std::uint16_t type,
                                                              std::uint16_t name,
                                                              std::uint16_t language) const;

private:
    struct DirEntry
    {
        std::uint32_t name;   // integer id, or a string name with the top bit set
        std::uint32_t target; // data entry offset, or a subdirectory with the top bit set
    };

    PeImage() = default;

    // The entries of the resource directory table at `offset` (from the resource root);
    // empty when the table does not lie wholly inside the image.
    std::vector<DirEntry> DirectoryEntries(std::uint32_t offset) const;

    // The subdirectory offset of the entry with integer id `id` in the table at
    // `offset`; nullopt when there is none.
    std::optional<std::uint32_t> SubdirectoryOf(std::uint32_t offset, std::uint32_t id) const;

    std::vector<std::uint8_t> image_;
    std::uint32_t resourceRva_ = 0; // 0: no resource directory
};
