// The code that follows a patch, looked at before the patch is written: a relative branch there
// that lands on bytes 1 to 4 of the five patched bytes would run the middle of the jump.
//
// Pure C++ over bytes and 32-bit addresses, tested natively; HookCode.cpp refuses a target for
// which it answers true.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hooking {

// How far the scan decodes at most, counted from the target.
inline constexpr std::size_t kScanLimit = 4096;

// True when a relative branch (jcc, jmp, loop, call) in the code at `code` (living at codeAddr,
// avail bytes readable) lands on bytes 1 to 4 from codeAddr. Onto byte 0 is the hooked entry
// itself, and from byte 5 on the bytes stay as they are.
//
// The code is decoded linearly from codeAddr on, as far as it can be followed within its
// function: past an instruction that ends the flow (ret, jmp, int3) only while a jump seen so far
// leads on to there or further (calls do not count: they lead into other functions); else
// padding or another function begins and the scan stops. It stops too at an instruction it
// cannot decode, where the readable bytes end, and at kScanLimit. So it cannot see a branch in
// code before codeAddr (a place inside a function), in code reached only through an indirect
// jump or a jump table, in code past where it stopped, nor in another function.
bool BranchIntoPatch(const std::uint8_t* code, std::size_t avail, std::uint32_t codeAddr);

}  // namespace hooking
