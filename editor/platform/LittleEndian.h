// Writing little-endian integers into byte arrays (the byte order of every file the
// editor reads and writes).
#pragma once

#include <QByteArray>

#include <cstdint>

// Overwrites the bytes at `at` (which must lie inside `bytes`).
inline void PutU16(QByteArray &bytes, qsizetype at, std::uint16_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

inline void PutU32(QByteArray &bytes, qsizetype at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

inline void AppendU32(QByteArray &bytes, std::uint32_t value)
{
    const qsizetype at = bytes.size();
    bytes.resize(at + 4);
    PutU32(bytes, at, value);
}
