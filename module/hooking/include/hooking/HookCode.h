// Our hooking library: patches code of the process so that it reaches a replacement.
//
//   HookCode(code, callback, &next, 0)
//     Function entry (the default): the entry jumps to callback; next receives a trampoline
//     that runs the overwritten instructions, relocated, and continues after them, so calling
//     next runs the unpatched function.
//     Place inside a function (an address given to DeclareCodePlace beforehand): the callback
//     is entered with every register and flag as at the place, except that the top stack word
//     is replaced by the address R of a return slot; the game's word is the 32-bit value at
//     R + 1. The slot is free again once a locked AND has set R + 1 to 0. A callback that
//     simply returns continues the code at the place as if it were not hooked (and frees the
//     slot). next receives the relocated instructions of the place, which expect the game's
//     word on top of the stack. Each place has 32 slots, claimed atomically (a slot is busy
//     while its word is nonzero); a game word of 0 goes to one shared slot whose word stays 0
//     for good, so it is never busy and its locked AND changes nothing.
//     When all 32 are held at once the gate waits for one to come back, sleeping a millisecond
//     a round, for at most 10 s of the process's running time (a stop of the process, under a
//     debugger say, counts at most 0.1 s). A place whose slots stay held that long has leaked
//     one: the gate cannot hand failure to the code at the place, and waiting on would hang
//     every later entry, so the thread raises the non-continuable exception
//     kReturnSlotsExhausted with two arguments, the place and the limit in milliseconds (after
//     a line to the debugger). The wait calls Sleep and GetTickCount, and the report
//     OutputDebugStringA and RaiseException: a place inside one of these must not be hooked.
//     Returns nonzero on success; 0 when anything fails, and then nothing has been written:
//     an unreadable target, instructions that cannot be relocated (among them a call whose
//     return address lies inside the five patched bytes: a thread in its callee would return
//     into the middle of the jump), bytes that change while the patch is being written, no
//     memory, page protection. flags is ignored.
//
//   AutoUnhook(flags)
//     Removes every hook installed since the last call, newest first, putting every patched
//     byte back exactly and freeing trampolines and slots; forgets the declared places. Every
//     value of flags (the module passes 0xFFFFFFFF) removes all hooks. Returns nonzero when
//     every hook came off.
//     A hook whose bytes cannot be put back (page protection, threads that cannot be held)
//     stays registered, with its block, and the next call tries again; so does one whose bytes
//     are no longer our jump (written over since): they are left as they are. Returns 0 then.
//     A block that a thread may still return into is kept for good, never freed, although its
//     hook came off: one that a held thread stands in, a trampoline that holds a call (its
//     callee returns into the block, whenever that is), a place with a slot held, with a thread
//     waiting for a slot, or whose zero slot has ever been handed out (its holders cannot be
//     told).
//
//   DeclareCodePlace(code)
//     Marks code as a place inside a function for the next HookCode on it. Returns nonzero
//     on success (0 for NULL or when the registry of 32 places is full).
//
// All three are __stdcall with 32-bit arguments and may be called from DllMain. While a
// patch is written every other thread of the process is suspended.
#pragma once

#include <cstdint>

extern "C" {
int __stdcall HookCode(void* code, void* callback, void** nextHook, std::uint32_t flags);
int __stdcall AutoUnhook(std::uint32_t flags);
int __stdcall DeclareCodePlace(void* code);
}

namespace hooking {
// The exception of a place whose return slots have all stayed held for the wait's limit.
inline constexpr std::uint32_t kReturnSlotsExhausted = 0xE0480001;
}  // namespace hooking
