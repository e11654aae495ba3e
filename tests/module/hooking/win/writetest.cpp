// How the hooking library writes and removes its patches, under Wine: a patch at every
// alignment and across two pages, threads stopped inside the patched code or waiting in the
// callee of a call there, and a thread running through a target while it is hooked and
// unhooked over and over.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "hooking/HookCode.h"
#include "hooktest.h"

extern "C" {
int park_target(int x) __asm__("hk_park_target");
void ParkDone(int result) __asm__("hk_park_done");
extern unsigned char park_exit[] __asm__("hk_park_exit");
extern unsigned char align_sled[] __asm__("hk_align_sled");
int call_at_entry(int (*callee)()) __asm__("hk_call_at_entry");
int call_in_copy(int (*callee)()) __asm__("hk_call_in_copy");
}

__asm__(R"(
  .intel_syntax noprefix
  .text

# int park_target(int x): x + 100, behind a prologue of short instructions, so that a thread
# can stand at an instruction inside the five bytes a patch overwrites (+1, +3, +4).
  .p2align 4
hk_park_target:
  push ebp                # +0
  mov ebp, esp            # +1
  push ebx                # +3
  pop ebx                 # +4
  mov eax, [ebp+8]        # +5
  add eax, 100
  pop ebp
  ret

# The return address of a parked thread: ends the thread with EAX as its exit code.
hk_park_exit:
  and esp, -16
  sub esp, 12
  push eax
  call hk_park_done

# align_sled + k, k = 0..7: the rest of seven nops, then mov eax, 0x5A; ret. The five bytes
# of a patch there start at k mod 8.
  .p2align 4
hk_align_sled:
  .byte 0x90, 0x90, 0x90, 0x90, 0x90, 0x90, 0x90
  mov eax, 0x5A
  ret

# int call_at_entry(int (*callee)()): callee() + 1, through a call whose return address (+4)
# lies inside the five bytes a patch overwrites.
  .p2align 4
hk_call_at_entry:
  call dword ptr [esp+4]
  add eax, 1
  ret

# int call_in_copy(int (*callee)()): callee() + 1, through a call among the instructions a
# patch relocates; it returns past the patch (+6), and its copy into the trampoline.
  .p2align 4
hk_call_in_copy:
  mov eax, [esp+4]
  call eax
  add eax, 1
  ret

  .att_syntax
)");

extern "C" void ParkDone(int result) { ExitThread(static_cast<DWORD>(result)); }

namespace {

constexpr int kHooked = 1000;  // the callback's answer: x + kHooked; unhooked x + 100

int CallbackPark(int x) { return x + kHooked; }
int CallbackSled() { return 0xA5; }

std::uint32_t Addr(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }
std::uint8_t* ParkCode() { return reinterpret_cast<std::uint8_t*>(&park_target); }

// Runs until it is moved elsewhere.
DWORD WINAPI Idle(void* started) {
  InterlockedExchange(static_cast<volatile LONG*>(started), 1);
  for (;;) YieldProcessor();
}

// A suspended thread stopped at eip as if it ran park_target(x) and had done the prologue up
// to `done` bytes (of the original code; the trampoline's copy has the same offsets). It is
// stopped while it runs, as a game thread would be, and then set there.
class ParkedThread {
 public:
  bool Park(std::uint32_t eip, unsigned done, int x) {
    volatile LONG started = 0;
    handle_ = CreateThread(nullptr, 0, Idle, const_cast<LONG*>(&started), 0, nullptr);
    if (handle_ == nullptr) return false;
    while (started == 0) SwitchToThread();
    if (SuspendThread(handle_) == static_cast<DWORD>(-1)) return false;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_FULL;
    if (!GetThreadContext(handle_, &context)) return false;
    // The frame, on the thread's own stack over what Idle leaves behind: x, the return
    // address, the pushed EBP; after +3 also EBP = ESP, and at +4 EBX pushed on top.
    auto* frame = reinterpret_cast<std::uint32_t*>(((context.Esp + 15) & ~15u) + 16);
    frame[2] = static_cast<std::uint32_t>(x);
    frame[1] = Addr(park_exit);
    frame[0] = 0x0BADF00D;
    context.Eip = eip;
    context.Esp = Addr(done == 4 ? frame - 1 : frame);
    if (done >= 3) context.Ebp = Addr(frame);
    return SetThreadContext(handle_, &context) != 0;
  }

  std::uint32_t Eip() const {
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    return GetThreadContext(handle_, &context) ? context.Eip : 0;
  }

  // Lets it run to its end; its exit code, or -1 when it does not end in time.
  int Finish() {
    ResumeThread(handle_);
    return ExitCodeWithin(handle_, 10000);
  }

  ~ParkedThread() {
    if (handle_ == nullptr) return;
    if (WaitForSingleObject(handle_, 0) != WAIT_OBJECT_0) TerminateThread(handle_, 0);
    CloseHandle(handle_);
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace

// A patch at each of the eight offsets of an aligned qword: the first four fit inside it and
// are written with one atomic exchange, the others are not. Each comes off byte for byte.
void TestPatchAlignments() {
  for (int k = 0; k < 8; ++k) {
    auto* target = align_sled + k;
    auto call = reinterpret_cast<int (*)()>(target);
    Snapshot before;
    before.Take(target);
    void* next = nullptr;
    const bool hooked = HookCode(target, reinterpret_cast<void*>(&CallbackSled), &next, 0) != 0;
    const int whileHooked = call();
    const int throughNext = next ? reinterpret_cast<int (*)()>(next)() : 0;
    const bool unhooked = AutoUnhook(0) != 0;
    char name[64];
    std::snprintf(name, sizeof name, "patch_at_qword_offset_%d", k);
    Check(hooked && whileHooked == 0xA5 && throughNext == 0x5A && unhooked && before.Same() &&
              call() == 0x5A,
          name, "hooked %d got %#x next %#x unhooked %d bytes %s", hooked, whileHooked, throughNext,
          unhooked, before.Same() ? "kept" : "changed");
  }
}

// A patch whose five bytes end two bytes into the next page, the two pages with protections of
// their own: each page has its own again after the hook and after its removal.
void TestPatchAcrossTwoPages() {
  const struct {
    const char* name;
    DWORD first;
    DWORD second;
  } cases[] = {
      {"patch_across_pages_keeps_each_protection_rx_rwx", PAGE_EXECUTE_READ, PAGE_EXECUTE_READWRITE},
      {"patch_across_pages_keeps_each_protection_rwx_rx", PAGE_EXECUTE_READWRITE, PAGE_EXECUTE_READ},
  };
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const DWORD page = system.dwPageSize;
  for (const auto& c : cases) {
    auto* pages = static_cast<std::uint8_t*>(
        VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    std::uint8_t* target = pages + page - 2;
    const std::uint8_t code[] = {0xB8, 0x5A, 0x00, 0x00, 0x00, 0xC3};  // mov eax, 0x5A; ret
    std::memcpy(target, code, sizeof code);
    DWORD old = 0;
    const bool prepared = VirtualProtect(pages, 1, c.first, &old) &&
                          VirtualProtect(pages + page, 1, c.second, &old);
    FlushInstructionCache(GetCurrentProcess(), target, sizeof code);
    auto call = reinterpret_cast<int (*)()>(target);
    Snapshot before;
    before.Take(target);
    void* next = nullptr;
    const bool hooked = prepared && HookCode(target, reinterpret_cast<void*>(&CallbackSled), &next, 0) != 0;
    const DWORD firstHooked = Protection(pages), secondHooked = Protection(pages + page);
    const int whileHooked = hooked ? call() : 0;
    const bool unhooked = AutoUnhook(0) != 0;
    const DWORD firstAfter = Protection(pages), secondAfter = Protection(pages + page);
    Check(hooked && whileHooked == 0xA5 && unhooked && before.Same() && call() == 0x5A &&
              firstHooked == c.first && secondHooked == c.second && firstAfter == c.first &&
              secondAfter == c.second,
          c.name, "hooked %d got %#x unhooked %d bytes %s; hooked %lx %lx, after %lx %lx", hooked,
          whileHooked, unhooked, before.Same() ? "kept" : "changed", firstHooked, secondHooked,
          firstAfter, secondAfter);
    VirtualFree(pages, 0, MEM_RELEASE);
  }
}

// Another writer puts its own bytes over our jump: the removal leaves them, keeps the block
// and the hook, and fails; once our jump is back, the next removal puts the original bytes back
// (and keeps the block, whose trampoline was handed out as next).
void TestJumpWrittenOver() {
  std::uint8_t* target = align_sled;
  auto call = reinterpret_cast<int (*)()>(target);
  Snapshot before;
  before.Take(target);
  void* next = nullptr;
  const bool hooked = HookCode(target, reinterpret_cast<void*>(&CallbackSled), &next, 0) != 0;
  std::uint8_t ours[5];
  std::memcpy(ours, target, sizeof ours);
  const std::uint8_t theirs[5] = {0xB8, 0x77, 0x00, 0x00, 0x00};  // mov eax, 0x77 (then the sled)
  DWORD old = 0;
  VirtualProtect(target, sizeof theirs, PAGE_EXECUTE_READWRITE, &old);
  std::memcpy(target, theirs, sizeof theirs);
  FlushInstructionCache(GetCurrentProcess(), target, sizeof theirs);
  const bool first = AutoUnhook(0) != 0;
  const bool left = std::memcmp(target, theirs, sizeof theirs) == 0;
  const bool kept = BlockCommitted(next);
  std::memcpy(target, ours, sizeof ours);
  FlushInstructionCache(GetCurrentProcess(), target, sizeof ours);
  VirtualProtect(target, sizeof ours, old, &old);
  const int whileHooked = call();
  const bool second = AutoUnhook(0) != 0;
  Check(hooked && !first && left && kept && whileHooked == 0xA5 && second && before.Same() &&
            call() == 0x5A && BlockCommitted(next),
        "removal_leaves_bytes_no_longer_our_jump_and_tries_again",
        "hooked %d first %d left %d kept %d got %#x second %d bytes %s", hooked, first, left, kept,
        whileHooked, second, before.Same() ? "kept" : "changed");
}

// A thread stopped inside the patched code is moved to the same instruction: into the
// trampoline when the patch is written, back into the target when it comes off. One stopped
// inside an instruction has no such place: the patch is refused, and at removal it stays
// where it is (the block, handed out as next, stays in any case).
void TestParkedThreads() {
  const struct {
    const char* name;
    bool removing;   // parked in the trampoline while the hook comes off, else in the target
    unsigned at;     // offset where the thread stands
    int movedTo;     // offset on the other side where it must stand then; -1: it stays
  } cases[] = {
      {"install_moves_thread_after_first_instruction", false, 1, 1},
      {"install_moves_thread_after_two_instructions", false, 3, 3},
      {"install_moves_thread_before_last_instruction", false, 4, 4},
      {"install_refused_for_thread_inside_an_instruction", false, 2, -1},
      {"removal_moves_thread_back_to_target", true, 3, 3},
      {"removal_moves_thread_at_the_jump_back", true, 5, 5},
      {"removal_keeps_block_of_thread_inside_an_instruction", true, 2, -1},
  };
  std::uint8_t* code = ParkCode();
  Snapshot original;
  original.Take(code);
  for (const auto& c : cases) {
    constexpr int x = 7;
    void* next = nullptr;
    bool ok = true;
    ParkedThread thread;
    std::uint32_t eip = 0;
    if (c.removing) {
      ok = HookCode(code, reinterpret_cast<void*>(&CallbackPark), &next, 0) != 0 &&
           thread.Park(Addr(next) + c.at, c.at, x);
      ok = ok && AutoUnhook(0) != 0 && original.Same();
      eip = thread.Eip();
      const std::uint32_t expected =
          c.movedTo >= 0 ? Addr(code) + static_cast<std::uint32_t>(c.movedTo) : Addr(next) + c.at;
      ok = ok && eip == expected && BlockCommitted(next);
    } else {
      ok = thread.Park(Addr(code) + c.at, c.at, x);
      const bool hooked = ok && HookCode(code, reinterpret_cast<void*>(&CallbackPark), &next, 0) != 0;
      eip = thread.Eip();
      if (c.movedTo >= 0) {
        ok = ok && hooked && eip == Addr(next) + static_cast<std::uint32_t>(c.movedTo) &&
             park_target(x) == x + kHooked;
      } else {
        ok = ok && !hooked && original.Same() && eip == Addr(code) + c.at;
      }
    }
    // A moved thread goes on as if nothing had happened: the unhooked result.
    const int result = ok && c.movedTo >= 0 ? thread.Finish() : 0;
    Check(ok && (c.movedTo < 0 || result == x + 100), c.name, "eip %#x code %p next %p result %d",
          eip, code, next, result);
    AutoUnhook(0);
  }
}

namespace {

void* g_nextInCopy = nullptr;

int Seven() { return 7; }
int CallbackCallAt(int (*)()) { return 0; }
int CallbackInCopy(int (*callee)()) {
  return reinterpret_cast<int (*)(int (*)())>(g_nextInCopy)(callee) + kHooked;
}
DWORD WINAPI RunCallAtEntry(void*) { return static_cast<DWORD>(call_at_entry(&WaitingCallee)); }
DWORD WINAPI RunCallInCopy(void*) { return static_cast<DWORD>(call_in_copy(&WaitingCallee)); }

}  // namespace

// A thread waits in the callee of a call whose return address lies inside the five bytes a
// patch would overwrite: the hook is refused with nothing written, and the thread comes back
// as if nothing had happened.
void TestCallReturningIntoPatch() {
  auto* code = reinterpret_cast<std::uint8_t*>(&call_at_entry);
  Snapshot before;
  before.Take(code);
  HANDLE thread = CreateThread(nullptr, 0, RunCallAtEntry, nullptr, 0, nullptr);
  const bool waiting = RendezvousReached();
  void* next = reinterpret_cast<void*>(0x1234);
  const int hooked = HookCode(code, reinterpret_cast<void*>(&CallbackCallAt), &next, 0);
  const bool same = before.Same();
  RendezvousRelease();
  const int result = ExitCodeWithin(thread, 10000);
  CloseHandle(thread);
  if (hooked != 0) AutoUnhook(0);
  Check(waiting && hooked == 0 && same && next == reinterpret_cast<void*>(0x1234) && result == 42,
        "refuse_call_returning_into_patch", "waiting %d hooked %d bytes %s next %p result %d", waiting,
        hooked, same ? "kept" : "changed", next, result);
}

// A thread waits in the callee of a call relocated into the trampoline when the hook comes off:
// the block stays, and the thread returns through it into the original code.
void TestCallInTrampoline() {
  auto* code = reinterpret_cast<std::uint8_t*>(&call_in_copy);
  Snapshot before;
  before.Take(code);
  const bool hooked = HookCode(code, reinterpret_cast<void*>(&CallbackInCopy), &g_nextInCopy, 0) != 0;
  HANDLE thread = hooked ? CreateThread(nullptr, 0, RunCallInCopy, nullptr, 0, nullptr) : nullptr;
  const bool waiting = hooked && RendezvousReached();
  const bool unhooked = AutoUnhook(0) != 0;
  const bool kept = BlockCommitted(g_nextInCopy);
  RendezvousRelease();
  const int result = thread ? ExitCodeWithin(thread, 10000) : 0;
  if (thread) CloseHandle(thread);
  Check(hooked && waiting && unhooked && before.Same() && kept && result == 42 + kHooked &&
            call_in_copy(&Seven) == 8,
        "removal_keeps_trampoline_holding_a_call", "hooked %d waiting %d unhooked %d bytes %s kept %d result %d",
        hooked, waiting, unhooked, before.Same() ? "kept" : "changed", kept, result);
}

namespace {

void* g_nextLater = nullptr;

// Waits at the rendezvous, then calls the unpatched function.
int CallbackNextLater(int x) {
  RendezvousArrive();
  return reinterpret_cast<int (*)(int)>(g_nextLater)(x) + kHooked;
}
DWORD WINAPI RunParkTarget(void*) { return static_cast<DWORD>(park_target(7)); }
DWORD WINAPI ReturnFive(void*) { return 5; }

}  // namespace

// An entry callback waits while its hook comes off and only then calls next: the trampoline
// is still there, and runs the unpatched function.
void TestNextCalledAfterRemoval() {
  std::uint8_t* code = ParkCode();
  Snapshot before;
  before.Take(code);
  const bool hooked = HookCode(code, reinterpret_cast<void*>(&CallbackNextLater), &g_nextLater, 0) != 0;
  HANDLE thread = hooked ? CreateThread(nullptr, 0, RunParkTarget, nullptr, 0, nullptr) : nullptr;
  const bool waiting = hooked && RendezvousReached();
  const bool unhooked = AutoUnhook(0) != 0;
  const bool kept = BlockCommitted(g_nextLater);
  RendezvousRelease();
  const int result = thread ? ExitCodeWithin(thread, 10000) : 0;
  if (thread) CloseHandle(thread);
  Check(hooked && waiting && unhooked && before.Same() && kept && result == 7 + 100 + kHooked &&
            park_target(7) == 107,
        "removal_keeps_trampoline_that_a_waiting_callback_calls_later",
        "hooked %d waiting %d unhooked %d bytes %s kept %d result %d", hooked, waiting, unhooked,
        before.Same() ? "kept" : "changed", kept, result);
}

// A thread whose suspend count is at the maximum cannot be suspended once more, so it is not
// held: neither a hook nor a removal writes anything while it is there. It never runs meanwhile
// (created suspended), so the test needs no second running thread.
void TestThreadThatCannotBeSuspended() {
  std::uint8_t* code = ParkCode();
  Snapshot before;
  before.Take(code);
  void* next = nullptr;
  const bool hooked = HookCode(code, reinterpret_cast<void*>(&CallbackPark), &next, 0) != 0;
  Snapshot jump;
  jump.Take(code);
  HANDLE thread = CreateThread(nullptr, 0, ReturnFive, nullptr, CREATE_SUSPENDED, nullptr);
  int suspends = 1;
  while (suspends < 1000 && SuspendThread(thread) != static_cast<DWORD>(-1)) ++suspends;
  const bool atMaximum = suspends < 1000;

  const bool removalRefused = AutoUnhook(0) == 0 && jump.Same() && park_target(7) == 7 + kHooked;
  Snapshot sled;
  sled.Take(align_sled);
  void* sledNext = reinterpret_cast<void*>(0x1234);
  const bool hookRefused = HookCode(align_sled, reinterpret_cast<void*>(&CallbackSled), &sledNext, 0) == 0 &&
                           sled.Same() && sledNext == reinterpret_cast<void*>(0x1234);

  for (int k = 0; k < suspends; ++k) ResumeThread(thread);
  const int result = ExitCodeWithin(thread, 10000);
  CloseHandle(thread);
  const bool unhooked = AutoUnhook(0) != 0 && before.Same();
  Check(hooked && atMaximum && removalRefused && hookRefused && result == 5 && unhooked,
        "thread_that_cannot_be_suspended_stops_every_write",
        "hooked %d suspends %d removal refused %d hook refused %d result %d unhooked %d", hooked,
        suspends, removalRefused, hookRefused, result, unhooked);
}

namespace {

volatile LONG g_spinStop = 0;
volatile LONG g_spinCalls = 0;  // written by the spinner only
volatile LONG g_spinHooked = 0;
volatile LONG g_spinUnhooked = 0;
volatile LONG g_spinWrong = 0;

DWORD WINAPI Spinner(void*) {
  for (int i = 0; !g_spinStop; ++i) {
    const int got = park_target(i);
    if (got == i + kHooked) g_spinHooked = g_spinHooked + 1;
    else if (got == i + 100) g_spinUnhooked = g_spinUnhooked + 1;
    else g_spinWrong = g_spinWrong + 1;
    g_spinCalls = g_spinCalls + 1;
    if (i % 64 == 0) std::free(std::malloc(32));  // the heap's lock now and then, as in a game
  }
  return 0;
}

}  // namespace

// A thread calls the target without pause while it is hooked and unhooked many times: every
// call gives the hooked or the unhooked result, never a crash or a third value.
void TestThreadRunningThroughTarget() {
  constexpr int kRounds = 500;
  Snapshot original;
  original.Take(ParkCode());
  HANDLE spinner = CreateThread(nullptr, 0, Spinner, nullptr, 0, nullptr);
  while (g_spinCalls == 0) SwitchToThread();
  int installed = 0;
  for (int round = 0; round < kRounds; ++round) {
    void* next = nullptr;
    if (HookCode(ParkCode(), reinterpret_cast<void*>(&CallbackPark), &next, 0) != 0) ++installed;
    const LONG seen = g_spinCalls;
    for (int spins = 0; g_spinCalls == seen && spins < 1000; ++spins) SwitchToThread();
    AutoUnhook(0);
  }
  g_spinStop = 1;
  const bool ended = WaitForSingleObject(spinner, 10000) == WAIT_OBJECT_0;
  CloseHandle(spinner);
  Check(ended && installed == kRounds && g_spinWrong == 0 && g_spinHooked > 0 && g_spinUnhooked > 0 &&
            original.Same(),
        "thread_through_target_while_hooked_and_unhooked",
        "ended %d installed %d hooked %ld unhooked %ld wrong %ld bytes %s", ended, installed,
        g_spinHooked, g_spinUnhooked, g_spinWrong, original.Same() ? "kept" : "changed");
}
