// IA-32 instruction-length decoder and code relocation for the hooking library.
//
// Pure C++ over bytes and 32-bit addresses: no Windows call, so it builds and is tested
// natively. HookCode.cpp uses it to copy the instructions that a patch overwrites into a
// trampoline, and to lay out the gate and return slots of a place hook.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hooking {

// Relative control transfers the relocator has to rewrite.
enum class BranchKind : std::uint8_t {
  None,
  Jcc8,    // 70..7F rel8
  Jmp8,    // EB rel8
  Loop8,   // E0..E3 (loopnz, loopz, loop, jecxz) rel8: no near form exists
  Jcc32,   // 0F 80..8F rel32
  Jmp32,   // E9 rel32
  Call32,  // E8 rel32
};

enum class DecodeStatus : std::uint8_t {
  Ok,
  Truncated,  // the bytes end inside the instruction
  Unknown,    // undefined, reserved or deliberately unsupported opcode (ud0/ud1/ud2, VEX, 3DNow!)
  TooLong,    // more than 15 bytes
};

struct Instruction {
  std::uint8_t length = 0;        // total bytes, prefixes included
  std::uint8_t prefixCount = 0;   // legacy prefixes before the opcode
  std::uint8_t opcodeLength = 0;  // 1, 2 (0F xx) or 3 (0F 38 xx / 0F 3A xx)
  std::uint8_t opcode = 0;        // last opcode byte
  bool twoByteMap = false;        // opcode came after 0F
  bool hasModRM = false;
  std::uint8_t modrm = 0;
  bool hasSIB = false;
  std::uint8_t dispSize = 0;      // 0, 1, 2 or 4
  std::uint8_t immSize = 0;       // immediate bytes (a relative branch's offset counts here)
  bool operandSize16 = false;     // 66 prefix seen
  bool addressSize16 = false;     // 67 prefix seen
  BranchKind branch = BranchKind::None;
  std::uint8_t relOffset = 0;     // where the branch offset starts inside the instruction
  std::uint8_t relSize = 0;       // 1, 2 or 4
  std::int32_t rel = 0;           // the branch offset, sign-extended
  bool endsFlow = false;          // execution never falls through (ret, jmp, iret, hlt, int3)
  bool call = false;              // pushes the address after it (call near or far, any operand)
};

// Decodes the instruction at p (avail bytes readable) as 32-bit protected-mode code.
DecodeStatus DecodeInstruction(const std::uint8_t* p, std::size_t avail, Instruction& out);

enum class RelocateStatus : std::uint8_t {
  Ok,
  DecodeFailed,     // an instruction could not be decoded
  BranchIntoPatch,  // a relative branch lands inside the overwritten bytes
  FlowEndsEarly,    // ret/jmp before enough bytes are covered: the patch would hit foreign code
  Rel16Branch,      // 66-prefixed relative branch of any offset size: it cuts EIP to 16 bits
  CallsItself,      // call to the next instruction (reads its own address)
  OutOfSpace,       // the output would exceed the trampoline buffer
  ReturnIntoPatch,  // a call whose return address lies inside the overwritten bytes: a thread
                    // in its callee would return into the middle of the patch
};

// Room for the relocated instructions and the jump back: at most five instructions cover the
// five bytes of a patch, each grows at most to its prefixes plus nine bytes.
inline constexpr std::size_t kMaxTrampoline = 96;

inline constexpr std::size_t kMaxRelocated = 6;

struct Relocation {
  std::uint8_t code[kMaxTrampoline] = {};
  std::size_t size = 0;     // bytes of code, the jump back included
  std::size_t covered = 0;  // source bytes taken (whole instructions, >= minBytes)
  std::size_t count = 0;    // instructions taken
  bool holdsCall = false;   // a call among them: its copy leaves return addresses into code
  // Where instruction k starts in the source and where its copy starts in code.
  std::uint8_t sourceStart[kMaxRelocated] = {};
  std::uint8_t copyStart[kMaxRelocated] = {};
};

// Copies whole instructions from src (living at srcAddr) until at least minBytes are covered,
// rewritten to run at dstAddr, followed by a jmp back to srcAddr + covered. The first minBytes
// are the ones a patch overwrites.
RelocateStatus RelocateInstructions(const std::uint8_t* src, std::size_t avail,
                                    std::uint32_t srcAddr, std::size_t minBytes,
                                    std::uint32_t dstAddr, Relocation& out);

// The five-byte "jmp rel32" written over a target.
inline constexpr std::size_t kPatchSize = 5;
void EncodeJmp(std::uint8_t* at, std::uint32_t atAddr, std::uint32_t target);

// Place hooks. The patch at the place jumps to a gate; the gate claims a return slot R,
// writes the game's top stack word into R + 1, replaces that word by R and jumps to the
// callback with every register and flag as at the place. A slot is
//     R+0   68 imm32              push <word>
//     R+5   9C                    pushfd
//     R+6   F0 83 25 <R+1> 00     lock and dword [R+1], 0
//     R+14  9D                    popfd
//     R+15  E9 rel32              jmp <relocated instructions of the place>
// so a callback that returns normally continues the game's code as if never hooked and gives
// the slot back on the way. A slot is free while its word at R + 1 is 0 and is claimed with
// lock cmpxchg 0 -> word. A zero word cannot mark a slot busy, so a game word of 0 goes to
// the shared zero slot instead, whose word is 0 forever: every user of it reads back 0 and its
// locked AND changes nothing, so any number of threads can hold it at once. The gate marks the
// zero slot taken the first time it hands it out (its holders cannot be counted, since a
// callback that leaves by its own jump never passes the slot again).
//
// When every slot is held the gate calls `waiter`, a __stdcall function of two arguments
// (the SlotWait on the gate's stack, and `place`), which waits one round and returns, and then
// scans again; around the call it counts itself in the place's waiting word, because while
// it waits its return address lies in the gate.
inline constexpr std::size_t kSlotSize = 20;
inline constexpr std::uint32_t kSlotPage = 4096;  // slots start on a page of their own
inline constexpr unsigned kPlaceSlots = 32;

struct PlaceLayout {
  std::uint32_t gate = 0;       // where the patch jumps
  std::uint32_t zeroSlot = 0;   // R of the shared zero slot
  std::uint32_t firstSlot = 0;  // R of slot 0; slot k is at firstSlot + k * kSlotSize
  unsigned slotCount = 0;
  std::uint32_t zeroTaken = 0;  // byte: 1 once the zero slot has been handed out
  std::uint32_t waiting = 0;    // 32-bit count of threads in the gate's wait for a slot
  std::size_t size = 0;         // bytes used from the start of the buffer
};

// Builds the gate into buf (living at bufAddr, 4-byte aligned) after `offset` bytes already
// used (the trampoline), and the slots and the two state words from the next page boundary on.
// Returns false when cap is too small.
bool BuildPlaceGate(std::uint8_t* buf, std::size_t cap, std::uint32_t bufAddr, std::size_t offset,
                    std::uint32_t callback, std::uint32_t trampoline, std::uint32_t waiter,
                    std::uint32_t place, unsigned slotCount, PlaceLayout& out);

// The wait of one thread that found every slot of a place held, kept on the gate's stack
// (zero before its first round). It counts the time between rounds, each gap at most
// kSlotWaitGapMs, so that a process stopped meanwhile (by a debugger, or a machine asleep)
// does not use up the wait.
struct SlotWait {
  std::uint32_t last;    // tick count of the round before
  std::uint32_t waited;  // milliseconds waited so far
};
inline constexpr std::uint32_t kSlotWaitLimitMs = 10000;
inline constexpr std::uint32_t kSlotWaitGapMs = 100;

// Counts one round at tick count `now`; true once the wait has lasted kSlotWaitLimitMs.
bool SlotWaitExpired(SlotWait& wait, std::uint32_t now);

}  // namespace hooking
