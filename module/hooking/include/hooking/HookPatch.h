// Writing a patch while other threads may run through it: the atomic write of the jump, where
// each held thread has to go so that it never runs a half-written or vanished instruction, the
// pages whose protection changes, and what a removal keeps.
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

// The pages under the n bytes from `at` (n >= 1, pageSize a power of two), at most
// kMaxPatchPages: their starts go to pages and their count is returned, 0 when there are more.
// Each keeps a protection of its own while a patch is written.
inline constexpr std::size_t kMaxPatchPages = 2;
std::size_t PatchPages(std::uint32_t at, std::size_t n, std::uint32_t pageSize,
                       std::uint32_t (&pages)[kMaxPatchPages]);

enum class PatchWrite : std::uint8_t {
  Written,       // the new bytes are in place
  BytesChanged,  // the bytes there were not the ones the write expects (the code relocated,
                 // or our jump): left as they are
  NotWritten,    // the protection could not be changed, the threads not held, or (installing)
                 // a thread not placed
};

// What one write of a patch found, with every other thread held.
struct PatchOutcome {
  PatchWrite write = PatchWrite::NotWritten;
  bool blockInUse = false;  // a held thread stands in the block where it could not be moved out
                            // (installing: one was moved into the trampoline)
  bool placeInUse = false;  // removing a place hook: PlaceInUse
};

// True while a place's block may still be needed by a thread that the patch no longer leads
// there: a slot's word is nonzero (the slot is held), the zero slot has ever been handed out,
// or a thread waits in the gate for a slot. buf holds the block (living at bufAddr) that
// BuildPlaceGate laid out as layout.
bool PlaceInUse(const std::uint8_t* buf, std::uint32_t bufAddr, const PlaceLayout& layout);

struct RemovalDecision {
  bool stays;      // the hook stays registered, so that a later AutoUnhook tries again
  bool freeBlock;  // nothing can reach the block any more
};

// After a removal of the hook whose trampoline holds r: a patch not written, or bytes that are
// no longer our jump, leave the hook registered and its block kept (the bytes there may still
// lead into it). Once the original bytes are back, the block is freed unless something may
// still come into it: its trampoline was handed out as next (nextHandedOut: a callback may call
// next at any later time, one that entered before the removal too, and no thread shows that
// beforehand), a thread stands in it, a place's slots or wait are in use, or the trampoline holds
// a call (a thread in its callee returns into the block, and no held thread's instruction
// pointer shows that).
RemovalDecision DecideRemoval(const Relocation& r, bool nextHandedOut,
                              const PatchOutcome& outcome);

}  // namespace hooking
