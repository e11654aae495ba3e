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
//     for good, so it is never busy and its locked AND changes nothing. When all 32 are held
//     at once the gate waits for one to come back.
//     Returns nonzero on success; 0 when anything fails, and then nothing has been written:
//     an unreadable target, instructions that cannot be relocated (among them a call whose
//     return address lies inside the five patched bytes: a thread in its callee would return
//     into the middle of the jump), no memory, page protection. flags is ignored.
//
//   AutoUnhook(flags)
//     Removes every hook installed since the last call, newest first, putting every patched
//     byte back exactly and freeing trampolines and slots; forgets the declared places. Every
//     value of flags (the module passes 0xFFFFFFFF) removes all hooks. Returns nonzero when
//     every hook came off.
//
//   DeclareCodePlace(code)
//     Marks code as a place inside a function for the next HookCode on it. Returns nonzero
//     on success (0 for NULL or when the registry of 32 places is full).
//
// All three are __stdcall with 32-bit arguments and may be called from DllMain.
#pragma once

#include <cstdint>

extern "C" {
int __stdcall HookCode(void* code, void* callback, void** nextHook, std::uint32_t flags);
int __stdcall AutoUnhook(std::uint32_t flags);
int __stdcall DeclareCodePlace(void* code);
}
