// Little-endian integers (the byte order of every file the editor reads and writes): read
// at a pointer, written into a byte array. Needs nothing but the standard library, so that
// the langpack reader builds on its own for its fuzz target.
#pragma once

#include <cstdint>

// The word at `p`; every byte of it must be there to read.
inline std::uint16_t LoadU16(const void *p)
{
    const auto *b = static_cast<const unsigned char *>(p);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

inline std::uint32_t LoadU32(const void *p)
{
    const auto *b = static_cast<const unsigned char *>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

// Overwrites the bytes at `at` of a byte array (QByteArray or a standard container of
// char); they must lie inside it.
template <class Bytes>
void PutU16(Bytes &bytes, typename Bytes::size_type at, std::uint16_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

template <class Bytes>
void PutU32(Bytes &bytes, typename Bytes::size_type at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

template <class Bytes>
void AppendU32(Bytes &bytes, std::uint32_t value)
{
    const typename Bytes::size_type at = bytes.size();
    bytes.resize(at + 4);
    PutU32(bytes, at, value);
}
