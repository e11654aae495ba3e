// Writing a patch while other threads may run through it: the atomic write of the jump and
// where each held thread has to go so that it never runs a half-written or vanished
// instruction.
//
// Pure C++ over bytes and 32-bit addresses, so it is tested natively; HookCode.cpp holds the
// threads, reads their instruction pointers and applies what these functions decide.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hooking/HookDecoder.h"

namespace hooking {

// True when the n bytes from address `at` lie inside one 8-byte aligned block.
bool FitsOneQword(std::uintptr_t at, std::size_t n);

// Writes n bytes at `at` with one atomic compare-exchange of the aligned 8 bytes that hold
// them (lock cmpxchg8b on IA-32), so a reader sees all of the old bytes or all of the new;
// the other bytes of the block stay as they are. Returns false, writing nothing, when the
// bytes do not fit one block (FitsOneQword).
bool WriteInOneQword(std::uint8_t* at, const std::uint8_t* bytes, std::size_t n);

enum class ThreadMove : std::uint8_t {
  Stay,     // the write does not concern the thread
  Move,     // the thread goes on at `to`
  NoPlace,  // the thread stands where nothing equivalent exists
};

// Installing: the jump is written over [code, code + kPatchSize) and `trampoline` holds the
// relocation r of the instructions there. A thread stopped at the start of an overwritten
// instruction other than the first goes on at the same instruction in the trampoline (one at
// the first simply takes the new jump). A thread stopped elsewhere inside the overwritten
// bytes is not at any instruction the relocation knows: NoPlace.
ThreadMove MoveOnInstall(const Relocation& r, std::uint32_t code, std::uint32_t trampoline,
                         std::uint32_t eip, std::uint32_t& to);

// Removing: the original bytes come back over code and the block [block, block + blockSize),
// whose trampoline holds r at its start, is to be freed. A thread at the start of a relocated
// instruction, or at the trampoline's jump back, goes on at the same place in the original
// code. A thread anywhere else in the block (inside a rewritten loop, a gate or a return
// slot) has no such place: NoPlace, and the block must stay.
ThreadMove MoveOnRemoval(const Relocation& r, std::uint32_t code, std::uint32_t block,
                         std::size_t blockSize, std::uint32_t eip, std::uint32_t& to);

}  // namespace hooking
