// Byte layout of a langpack file (.ZVlang) as the module reads it.
#pragma once

#include <stdint.h>

namespace langpack {

enum : uint32_t {
  HeaderSize = 60,
  MagicWord0 = 0x414C565A,  // "ZVLA"
  MagicWord1 = 0x0000474E,  // "NG", 0, 0
  GameVersionOffset = 8,    // four u16: major, minor, build, revision
  LanguageIdOffset = 16,
  BaseLanguageOffset = 20,
  NameOffset = 24,
  NameSize = 32,
  PoolOffsetOffset = 56,
  EndMarker = 0xFFFFFFFF,
  KindGroup = 1,
  ResourceStringType = 1,
  SlotStringType = 2,
};

inline uint32_t ReadU32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t ReadU16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

// 5..15 and 184..192: the slots that hold string lists (slot 14 as sub-lists).
inline bool IsListSlot(uint32_t slot) {
  return (slot >= 5 && slot <= 15) || (slot >= 184 && slot <= 192);
}

}  // namespace langpack
