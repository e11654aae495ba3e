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
//     debugger say, counts at most 0.1 s). Slots held that long mean one was never given back,
//     or the place was entered again from its own callback more than 32 deep. The gate cannot
//     hand failure to the code at the place, and waiting on would hang every later entry, so
//     after a line to the debugger that names both causes the thread raises the
//     non-continuable exception kReturnSlotsExhausted with two arguments, the place and the
//     limit in milliseconds. A handler that continues it gets STATUS_NONCONTINUABLE_EXCEPTION,
//     non-continuable too, whose ExceptionRecord is the first, as Windows answers such a
//     handler; if that one is continued as well, the process ends with that status. The
//     exception is never raised again. The wait calls Sleep and GetTickCount, the report
//     OutputDebugStringA, GetModuleHandleA, GetProcAddress, RtlRaiseException and
//     TerminateProcess: a place inside one of these must not be hooked.
//     Returns nonzero on success; 0 when anything fails, and then nothing has been written:
//     an unreadable target, instructions that cannot be relocated (among them a call whose
//     return address lies inside the five patched bytes: a thread in its callee would return
//     into the middle of the jump), a relative branch in the code after the patch that lands
//     on bytes 1 to 4 of it (below), bytes that change while the patch is being written, a
//     thread that cannot be held, no memory, page protection. flags is ignored.
//     The code after the patch is decoded from the target on, within its function as far as
//     a linear decode can follow it: past a ret or jmp only where an earlier jump leads on,
//     else it stops (padding or another function follows), and at most 4096 bytes from the
//     target (hooking/HookScan.h). What no such scan sees goes unchecked: a branch from code
//     before the target (a place inside a function), from code reached only through an
//     indirect jump or a jump table, from code past where the scan stopped, from another
//     function, and any indirect jump into the patch.
//
//   AutoUnhook(flags)
//     Removes every hook installed since the last call, newest first, putting every patched
//     byte back exactly and freeing the blocks that nothing can reach any more (below);
//     forgets the declared places. Every value of flags (the module passes 0xFFFFFFFF) removes
//     all hooks. Returns nonzero when every hook came off.
//     A hook whose bytes cannot be put back (page protection, threads that cannot be held)
//     stays registered, with its block, and the next call tries again; so does one whose bytes
//     are no longer our jump (written over since): they are left as they are. Returns 0 then.
//     A block that a thread may still come into is kept for good, never freed, although its
//     hook came off. Every trampoline handed out through nextHook is such a block: a callback
//     may call next at any later time (one that entered before the removal and is still
//     running, say), and nothing shows that beforehand. Since the bytes are back, no new call
//     reaches the block: it costs its memory only (8 KiB). A hook installed without nextHook
//     keeps its block when a held thread stands in it, when its trampoline holds a call (its
//     callee returns into the block, whenever that is), and for a place when a slot is held, a
//     thread waits for a slot, or its zero slot has ever been handed out (its holders cannot
//     be told).
//
//   DeclareCodePlace(code)
//     Marks code as a place inside a function for the next HookCode on it. Returns nonzero
//     on success (0 for NULL or when the registry of 32 places is full).
//
// All three are __stdcall with 32-bit arguments and may be called from DllMain. While a
// patch is written every other thread of the process is suspended; when one that still runs
// cannot be suspended, nothing is written.
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
