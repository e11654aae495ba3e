// Patching test of the hooking library, run under Wine: hooks functions and places of this
// program, whose bytes are fixed by the assembly below, and prints one PASS or FAIL line per
// check. Exit code 0 when every check passed. The word "threads" on the standard input adds
// the checks with threads running at once, which Wine under user-mode emulation does not run
// reliably (a program of plain threads crashes there too).
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "hooking/HookCode.h"
#include "hooking/HookDecoder.h"
#include "hooktest.h"

// ---- targets, with known instruction bytes ----
extern "C" {
int target_add(int a, int b) __asm__("hk_target_add");
int __fastcall target_sign(int x) __asm__("hk_target_sign");
int target_call() __asm__("hk_target_call");
int target_place(int word) __asm__("hk_target_place");
int target_place2(int word) __asm__("hk_target_place2");
int target_place3(int word) __asm__("hk_target_place3");
extern unsigned char place3_here[] __asm__("hk_place3_here");
int target_place4(int word) __asm__("hk_target_place4");
extern unsigned char place4_here[] __asm__("hk_place4_here");
int target_place5(int word) __asm__("hk_target_place5");
extern unsigned char place5_here[] __asm__("hk_place5_here");
void place_waiting_callback() __asm__("hk_place_waiting_callback");
void leaking_stub() __asm__("hk_leaking_stub");
extern std::uint32_t leak_last_r __asm__("hk_leak_last_r");
void nesting_stub() __asm__("hk_nesting_stub");
void NestingWork(std::uint32_t r, int word) __asm__("hk_nesting_work");
void bad_loop() __asm__("hk_bad_loop");
void bad_ud2() __asm__("hk_bad_ud2");
void bad_ret() __asm__("hk_bad_ret");
void bad_short_jcc16() __asm__("hk_bad_short_jcc16");
void bad_loop_head() __asm__("hk_bad_loop_head");
int loop_after_patch(int n) __asm__("hk_loop_after_patch");
extern unsigned char place_here[] __asm__("hk_place_here");
extern unsigned char place2_here[] __asm__("hk_place2_here");
void place_stub() __asm__("hk_place_stub");
void place_returning_callback() __asm__("hk_place_returning_callback");
extern std::uint32_t stub_last_r __asm__("hk_stub_last_r");
extern std::uint32_t stub_last_word __asm__("hk_stub_last_word");
extern volatile LONG stub_calls __asm__("hk_stub_calls");
extern volatile LONG returning_calls __asm__("hk_returning_calls");
}

__asm__(R"(
  .intel_syntax noprefix
  .text
  .p2align 4

# int target_add(int a, int b): a plain frame prologue.
hk_target_add:
  push ebp
  mov ebp, esp
  mov eax, [ebp+8]
  add eax, [ebp+12]
  pop ebp
  ret

# int __fastcall target_sign(int x): a short jcc among the overwritten bytes.
  .p2align 4
hk_target_sign:
  .byte 0x85, 0xC9                    # test ecx, ecx
  .byte 0x78, 0x06                    # js negative (offset 10)
  .byte 0xB8, 0x01, 0x00, 0x00, 0x00  # mov eax, 1
  ret
  .byte 0xB8, 0xFF, 0xFF, 0xFF, 0xFF  # negative: mov eax, -1
  ret

# int target_call(): a relative call at the entry.
  .p2align 4
hk_target_call:
  call hk_call_helper
  add eax, 1
  ret
hk_call_helper:
  mov eax, 41
  ret

# int name(int word): puts word on top of the stack, then reaches the place `here`.
# Unhooked it returns 7 + 2 * word + 0x103; the continuation `cont` returns 0xDEAD0000 if
# the word on the stack is no longer the argument.
  .macro PLACE_FUNCTION name, here, cont
  .p2align 4
\name:
  push ebx
  mov eax, [esp+8]
  push eax
  mov ebx, 7
\here:
  .byte 0x8D, 0x1C, 0x43                    # lea ebx, [ebx+eax*2]
  .byte 0x81, 0xC3, 0x00, 0x01, 0x00, 0x00  # add ebx, 0x100
  .byte 0x83, 0xC3, 0x03                    # add ebx, 3
\cont:
  pop eax
  cmp eax, [esp+8]
  jne 1f
  mov eax, ebx
  pop ebx
  ret
1:
  mov eax, 0xDEAD0000
  pop ebx
  ret
  .endm

  PLACE_FUNCTION hk_target_place, hk_place_here, hk_place_cont
  PLACE_FUNCTION hk_target_place2, hk_place2_here, hk_place2_cont
  PLACE_FUNCTION hk_target_place3, hk_place3_here, hk_place3_cont
  PLACE_FUNCTION hk_target_place4, hk_place4_here, hk_place4_cont
  PLACE_FUNCTION hk_target_place5, hk_place5_here, hk_place5_cont

# The exit sequence of a stub, with [esp] = R: save EAX and EBX, copy [R+1] back into the
# stack word that held R, give the slot back with a locked AND (unless give_back is 0),
# restore, and jump on to the continuation with ESP as at the place.
  .macro STUB_EXIT cont, give_back=1
  push eax
  push ebx
  mov ebx, [esp+8]
  mov eax, [ebx+1]
  mov [esp+8], eax
  .if \give_back
  lock and dword ptr [ebx+1], 0
  .endif
  pop ebx
  pop eax
  jmp \cont
  .endm

# The stub of a place: records R and the word at R + 1, sets EBX := EAX + 1, then exits.
  .p2align 4
hk_place_stub:
  lea ebx, [eax+1]
  push ecx
  mov ecx, [esp+4]
  mov [hk_stub_last_r], ecx
  mov ecx, [ecx+1]
  mov [hk_stub_last_word], ecx
  lock inc dword ptr [hk_stub_calls]
  pop ecx
  STUB_EXIT hk_place_cont

# A stub that reaches its own place again from inside (through hk_nesting_work) while it
# still holds its slot, so several slots are held at once.
  .p2align 4
hk_nesting_stub:
  pushad
  push eax
  push dword ptr [esp+36]
  call hk_nesting_work
  add esp, 8
  popad
  lea ebx, [eax+1]
  STUB_EXIT hk_place3_cont

# A place callback that simply returns through its slot.
  .p2align 4
hk_place_returning_callback:
  lock inc dword ptr [hk_returning_calls]
  ret

# A place callback that waits at the rendezvous, then returns through its slot.
  .p2align 4
hk_place_waiting_callback:
  pushfd
  pushad
  call hk_rendezvous_arrive
  popad
  popfd
  ret

# A stub that never gives its slot back: records R, sets EBX := EAX + 1 and exits, keeping
# the slot.
  .p2align 4
hk_leaking_stub:
  push dword ptr [esp]
  pop dword ptr [hk_leak_last_r]
  lea ebx, [eax+1]
  STUB_EXIT hk_place5_cont, 0

# Targets that must be refused.
  .p2align 4
hk_bad_loop:
  .byte 0x31, 0xC0        # xor eax, eax
  .byte 0x40              # inc eax
  .byte 0x75, 0xFD        # jnz back into the overwritten bytes
  ret
  .p2align 4
hk_bad_ud2:
  .byte 0x0F, 0x0B, 0x90, 0x90, 0x90, 0xC3
  .p2align 4
hk_bad_ret:
  ret
  .byte 0x55, 0x89, 0xE5, 0x90, 0x90, 0xC3
  .p2align 4
hk_bad_short_jcc16:
  .byte 0x66, 0x74, 0x03  # jz short with the operand-size prefix: a 16-bit jump
  .byte 0x90, 0x90, 0x90, 0xC3
  .p2align 4
hk_bad_loop_head:
  .byte 0x8B, 0x4C, 0x24, 0x04  # mov ecx, [esp+4]
  .byte 0x40                    # inc eax    the loop's head, at +4 inside the patch
  .byte 0x49                    # dec ecx
  .byte 0x75, 0xFC              # jnz back to +4, from after the patch
  ret

# int loop_after_patch(int n): n (n > 0), counted by a loop whose head (+6) follows the
# relocated instructions.
  .p2align 4
hk_loop_after_patch:
  .byte 0x31, 0xC0              # xor eax, eax
  .byte 0x8B, 0x4C, 0x24, 0x04  # mov ecx, [esp+4]
  .byte 0x40                    # inc eax
  .byte 0x49                    # dec ecx
  .byte 0x75, 0xFC              # jnz back to +6
  ret

  .data
  .p2align 2
hk_stub_last_r: .long 0
hk_stub_last_word: .long 0
hk_stub_calls: .long 0
hk_returning_calls: .long 0
hk_leak_last_r: .long 0
  .text
  .att_syntax
)");

int g_failures = 0;

void Check(bool ok, const char* name, const char* detailFormat, ...) {
  if (ok) {
    std::printf("PASS %s\n", name);
  } else {
    char detail[256];
    va_list args;
    va_start(args, detailFormat);
    std::vsnprintf(detail, sizeof detail, detailFormat, args);
    va_end(args);
    std::printf("FAIL %s %s\n", name, detail);
    ++g_failures;
  }
  std::fflush(stdout);
}

DWORD Protection(const void* p) {
  MEMORY_BASIC_INFORMATION mbi{};
  VirtualQuery(p, &mbi, sizeof mbi);
  return mbi.Protect;
}

bool BlockCommitted(const void* block) {
  MEMORY_BASIC_INFORMATION mbi{};
  return VirtualQuery(block, &mbi, sizeof mbi) != 0 && mbi.State == MEM_COMMIT;
}

int ExitCodeWithin(HANDLE thread, DWORD ms) {
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(thread, ms) != WAIT_OBJECT_0) return -1;
  GetExitCodeThread(thread, &code);
  return static_cast<int>(code);
}

namespace {

HANDLE g_arrived = CreateEventA(nullptr, FALSE, FALSE, nullptr);
HANDLE g_go = CreateEventA(nullptr, FALSE, FALSE, nullptr);

}  // namespace

extern "C" void RendezvousArrive() {
  SetEvent(g_arrived);
  WaitForSingleObject(g_go, INFINITE);
}

bool RendezvousReached() { return WaitForSingleObject(g_arrived, 10000) == WAIT_OBJECT_0; }
void RendezvousRelease() { SetEvent(g_go); }

int WaitingCallee() {
  RendezvousArrive();
  return 41;
}

namespace {

void* g_nextAdd = nullptr;
void* g_nextAdd2 = nullptr;
void* g_nextSign = nullptr;
void* g_nextCall = nullptr;
void* g_nextPlace = nullptr;
void* g_nextPlace2 = nullptr;
void* g_nextPlace3 = nullptr;
void* g_nextLoop = nullptr;

constexpr int kNesting = 4;
std::uint32_t g_nestSlots[kNesting];
int g_nestDepth = 0;
int g_nestCalls = 0;
bool g_nestOk = true;

}  // namespace

// Called by hk_nesting_stub with the slot R and the word; enters the place again until
// kNesting slots are held.
extern "C" void NestingWork(std::uint32_t r, int word) {
  const int depth = g_nestDepth++;
  ++g_nestCalls;
  if (depth < kNesting) g_nestSlots[depth] = r;
  if (*reinterpret_cast<std::uint32_t*>(r + 1) != static_cast<std::uint32_t>(word)) g_nestOk = false;
  if (depth + 1 < kNesting && target_place3(word + 1) != word + 2) g_nestOk = false;
  --g_nestDepth;
}

namespace {

int CallbackAdd(int a, int b) { return reinterpret_cast<int (*)(int, int)>(g_nextAdd)(a, b) + 1000; }
int CallbackAdd2(int a, int b) { return reinterpret_cast<int (*)(int, int)>(g_nextAdd2)(a, b) + 20000; }
int __fastcall CallbackSign(int x) { return reinterpret_cast<int(__fastcall*)(int)>(g_nextSign)(x) * 10; }
int CallbackCall() { return reinterpret_cast<int (*)()>(g_nextCall)() + 100; }
int CallbackLoop(int n) { return reinterpret_cast<int (*)(int)>(g_nextLoop)(n) + 1000; }
void Dummy() {}

int Unhooked(int word) { return 7 + 2 * word + 0x103; }

struct WorkerArgs {
  int (*place)(int);
  bool returning;  // the callback returns through its slot
  int base;
};

DWORD WINAPI PlaceWorker(void* param) {
  const WorkerArgs& args = *static_cast<const WorkerArgs*>(param);
  for (int i = 0; i < 2000; ++i) {
    const int word = args.base + i;
    const int expected = args.returning ? Unhooked(word) : word + 1;
    if (args.place(word) != expected) return 1;
  }
  return 0;
}

// Several threads through one place at once: each must find its own word again.
bool RunThreads(int (*place)(int), bool returning) {
  constexpr int kThreads = 4;
  HANDLE threads[kThreads];
  WorkerArgs args[kThreads];
  for (int t = 0; t < kThreads; ++t) {
    args[t] = {place, returning, (t + 1) * 0x100000};
    threads[t] = CreateThread(nullptr, 0, PlaceWorker, &args[t], 0, nullptr);
  }
  WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
  bool ok = true;
  for (HANDLE h : threads) {
    DWORD code = 1;
    GetExitCodeThread(h, &code);
    ok = ok && code == 0;
    CloseHandle(h);
  }
  return ok;
}

void TestRefusals() {
  struct Case {
    const char* name;
    void* code;
    void* callback;
  } cases[] = {
      {"refuse_branch_into_patch", reinterpret_cast<void*>(&bad_loop), reinterpret_cast<void*>(&Dummy)},
      {"refuse_ud2", reinterpret_cast<void*>(&bad_ud2), reinterpret_cast<void*>(&Dummy)},
      {"refuse_ret_before_five_bytes", reinterpret_cast<void*>(&bad_ret), reinterpret_cast<void*>(&Dummy)},
      {"refuse_operand_size_short_jcc", reinterpret_cast<void*>(&bad_short_jcc16),
       reinterpret_cast<void*>(&Dummy)},
      {"refuse_branch_from_after_the_patch_into_it", reinterpret_cast<void*>(&bad_loop_head),
       reinterpret_cast<void*>(&Dummy)},
      {"refuse_null_callback", reinterpret_cast<void*>(&target_add), nullptr},
  };
  for (const Case& c : cases) {
    Snapshot before;
    before.Take(c.code);
    void* next = reinterpret_cast<void*>(0x1234);
    const int result = HookCode(c.code, c.callback, &next, 0);
    Check(result == 0 && before.Same() && next == reinterpret_cast<void*>(0x1234), c.name,
          "result %d, bytes %s, next %p", result, before.Same() ? "kept" : "changed", next);
  }
  void* next = reinterpret_cast<void*>(0x1234);
  const int result = HookCode(reinterpret_cast<void*>(0x10), reinterpret_cast<void*>(&Dummy), &next, 0);
  Check(result == 0 && next == reinterpret_cast<void*>(0x1234), "refuse_unmapped_address", "result %d", result);
}

void* g_nextPlace4 = nullptr;

// The block of a place hook, found from the jump at the place to its gate: the gate lies in
// the first page of the block, which starts on a page.
const void* PlaceBlock(const void* place) {
  const auto* p = static_cast<const unsigned char*>(place);
  std::int32_t rel = 0;
  std::memcpy(&rel, p + 1, 4);
  const std::uintptr_t gate = reinterpret_cast<std::uintptr_t>(p) + 5 + static_cast<std::uint32_t>(rel);
  return reinterpret_cast<const void*>(gate & ~std::uintptr_t{0xFFF});
}

DWORD WINAPI RunPlace4(void* word) {
  return static_cast<DWORD>(target_place4(static_cast<int>(reinterpret_cast<INT_PTR>(word))));
}
DWORD WINAPI RunPlace5(void* word) {
  return static_cast<DWORD>(target_place5(static_cast<int>(reinterpret_cast<INT_PTR>(word))));
}

// A place callback that returns is still running when its hook comes off: the slot it holds
// keeps the block (the zero slot too, whose holders cannot be told, once it has been handed
// out), and the thread then returns through it into the unhooked code. Once every slot is
// back, the block goes, unless its trampoline was handed out as next.
void TestPlaceBlockKeptForItsSlots() {
  const struct {
    const char* name;
    int word;
    bool waits;  // the callback is still running at the removal
    bool next;   // the trampoline is handed out
    bool kept;
  } cases[] = {
      {"removal_keeps_place_block_while_a_slot_is_held", 5, true, false, true},
      {"removal_keeps_place_block_while_the_zero_slot_is_held", 0, true, false, true},
      {"removal_frees_place_block_once_its_slots_are_back", 5, false, false, false},
      {"removal_keeps_place_block_once_the_zero_slot_was_handed_out", 0, false, false, true},
      {"removal_keeps_place_block_whose_trampoline_was_handed_out", 5, false, true, true},
  };
  Snapshot place;
  place.Take(place4_here);
  for (const auto& c : cases) {
    void* callback = reinterpret_cast<void*>(c.waits ? &place_waiting_callback : &place_returning_callback);
    bool ok = DeclareCodePlace(place4_here) != 0 &&
              HookCode(place4_here, callback, c.next ? &g_nextPlace4 : nullptr, 0) != 0;
    const void* block = ok ? PlaceBlock(place4_here) : nullptr;
    HANDLE thread = nullptr;
    int result = -1;
    if (c.waits) {
      thread = CreateThread(nullptr, 0, RunPlace4, reinterpret_cast<void*>(static_cast<INT_PTR>(c.word)), 0,
                            nullptr);
      ok = ok && RendezvousReached();
    } else {
      result = target_place4(c.word);
    }
    const bool unhooked = AutoUnhook(0) != 0;
    const bool kept = BlockCommitted(block);
    if (thread) {
      RendezvousRelease();
      result = ExitCodeWithin(thread, 10000);
      CloseHandle(thread);
    }
    Check(ok && unhooked && place.Same() && kept == c.kept && result == Unhooked(c.word), c.name,
          "ok %d unhooked %d bytes %s kept %d result %#x", ok, unhooked, place.Same() ? "kept" : "changed",
          kept, result);
  }
}

constexpr DWORD kEndedByFault = 0xFA17;
constexpr DWORD kRaisedAgain = 0xA6A1;
volatile LONG g_faults = 0;
EXCEPTION_RECORD g_fault;
EXCEPTION_RECORD g_continued;
EXCEPTION_RECORD g_cause;  // the record that g_continued names as its cause

// Continues the exception of a wait for a slot that gave up, as a careless handler might, and
// ends the thread at what comes then, as an unhandled exception would end a game: the answer
// to the continued exception, or the same exception raised again.
LONG CALLBACK ContinueSlotsExhausted(EXCEPTION_POINTERS* e) {
  const EXCEPTION_RECORD& record = *e->ExceptionRecord;
  if (record.ExceptionCode == hooking::kReturnSlotsExhausted) {
    if (InterlockedIncrement(&g_faults) > 1) ExitThread(kRaisedAgain);
    g_fault = record;
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  if (record.ExceptionCode == STATUS_NONCONTINUABLE_EXCEPTION) {
    g_continued = record;
    if (record.ExceptionRecord != nullptr) g_cause = *record.ExceptionRecord;
    ExitThread(kEndedByFault);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// A stub that never gives its slot back holds all 32 after 32 entries. The next entry waits:
// it goes on once a slot comes back, and when none does for the wait's limit, its thread raises
// the exception that names the place; a handler that continues it gets the non-continuable
// exception whose cause it is, never the same again. The removal keeps the block of the held
// slots.
void TestLeakedSlots() {
  Snapshot place;
  place.Take(place5_here);
  const bool hooked = DeclareCodePlace(place5_here) != 0 &&
                      HookCode(place5_here, reinterpret_cast<void*>(&leaking_stub), nullptr, 0) != 0;
  std::uint32_t held[hooking::kPlaceSlots] = {};
  bool each = true, distinct = true;
  for (unsigned k = 0; hooked && k < hooking::kPlaceSlots; ++k) {
    each = each && target_place5(static_cast<int>(k) + 1) == static_cast<int>(k) + 2;
    held[k] = leak_last_r;
    for (unsigned j = 0; j < k; ++j) distinct = distinct && held[j] != held[k];
  }
  Check(hooked && each && distinct, "leaking_stub_holds_every_slot");
  if (!hooked) return;

  HANDLE waiter = CreateThread(nullptr, 0, RunPlace5, reinterpret_cast<void*>(100), 0, nullptr);
  const bool waited = WaitForSingleObject(waiter, 500) == WAIT_TIMEOUT;
  InterlockedExchange(reinterpret_cast<volatile LONG*>(held[7] + 1), 0);
  const int result = ExitCodeWithin(waiter, 10000);
  CloseHandle(waiter);
  Check(waited && result == 101 && leak_last_r == held[7], "gate_waits_for_a_slot_to_come_back",
        "waited %d result %#x slot %#x of %#x", waited, result, leak_last_r, held[7]);

  PVOID handler = AddVectoredExceptionHandler(1, ContinueSlotsExhausted);
  const DWORD start = GetTickCount();
  HANDLE faulting = CreateThread(nullptr, 0, RunPlace5, reinterpret_cast<void*>(200), 0, nullptr);
  const int code = ExitCodeWithin(faulting, 3 * hooking::kSlotWaitLimitMs);
  const DWORD took = GetTickCount() - start;
  if (code == -1) TerminateThread(faulting, 0);
  CloseHandle(faulting);
  RemoveVectoredExceptionHandler(handler);
  Check(code == static_cast<int>(kEndedByFault) && g_faults == 1 &&
            (g_fault.ExceptionFlags & EXCEPTION_NONCONTINUABLE) != 0 && g_fault.NumberParameters == 2 &&
            g_fault.ExceptionInformation[0] == reinterpret_cast<ULONG_PTR>(place5_here) &&
            g_fault.ExceptionInformation[1] == hooking::kSlotWaitLimitMs &&
            took + 100 >= hooking::kSlotWaitLimitMs,
        "leaked_slots_end_the_waiting_thread_in_an_exception",
        "exit %#x faults %ld flags %#lx place %#lx limit %lu after %lu ms", code, g_faults,
        g_fault.ExceptionFlags, static_cast<unsigned long>(g_fault.ExceptionInformation[0]),
        static_cast<unsigned long>(g_fault.ExceptionInformation[1]), took);
  Check(code == static_cast<int>(kEndedByFault) && (g_continued.ExceptionFlags & EXCEPTION_NONCONTINUABLE) != 0 &&
            g_continued.ExceptionRecord != nullptr && g_cause.ExceptionCode == hooking::kReturnSlotsExhausted &&
            g_cause.NumberParameters == 2 &&
            g_cause.ExceptionInformation[0] == reinterpret_cast<ULONG_PTR>(place5_here),
        "continued_slots_exception_is_answered_as_noncontinuable",
        "exit %#x (raised again: %#x) flags %#lx cause %#lx", code, static_cast<unsigned>(kRaisedAgain), g_continued.ExceptionFlags,
        g_cause.ExceptionCode);

  const void* block = PlaceBlock(place5_here);
  Check(AutoUnhook(0) != 0 && place.Same() && BlockCommitted(block) && target_place5(3) == Unhooked(3),
        "removal_keeps_place_block_of_leaked_slots");
}

// A crash on any thread fails the run: Wine's own report would end the program with exit
// code 0 and no line of ours.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* e) {
  std::printf("FAIL crash %#lx at %p\n", e->ExceptionRecord->ExceptionCode,
              e->ExceptionRecord->ExceptionAddress);
  std::fflush(stdout);
  ExitProcess(3);
}

// True when the standard input holds the word "threads"; a console is not read.
bool ThreadsAskedFor() {
  if (GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_CHAR) return false;
  char word[32];
  while (std::scanf("%31s", word) == 1) {
    if (std::strcmp(word, "threads") == 0) return true;
  }
  return false;
}

}  // namespace

int main() {
  SetUnhandledExceptionFilter(ReportCrash);
  const bool threads = ThreadsAskedFor();
  Snapshot add, sign, call, loop, place, place2;
  add.Take(reinterpret_cast<void*>(&target_add));
  loop.Take(reinterpret_cast<void*>(&loop_after_patch));
  sign.Take(reinterpret_cast<void*>(&target_sign));
  call.Take(reinterpret_cast<void*>(&target_call));
  place.Take(place_here);
  place2.Take(place2_here);
  Snapshot place3;
  place3.Take(place3_here);
  const DWORD protectBefore = Protection(add.at);

  Check(target_add(2, 3) == 5 && target_sign(-4) == -1 && target_call() == 42 &&
            target_place(5) == Unhooked(5),
        "targets_unhooked");

  TestRefusals();

  // Function entries.
  Check(HookCode(reinterpret_cast<void*>(&target_add), reinterpret_cast<void*>(&CallbackAdd), &g_nextAdd, 0) != 0,
        "hook_prologue");
  Check(Protection(add.at) == protectBefore, "protection_restored", "%lx -> %lx",
        static_cast<unsigned long>(protectBefore), static_cast<unsigned long>(Protection(add.at)));
  Check(target_add(2, 3) == 1005, "prologue_calls_through", "got %d", target_add(2, 3));
  Check(HookCode(reinterpret_cast<void*>(&target_add), reinterpret_cast<void*>(&CallbackAdd2), &g_nextAdd2, 0) != 0 &&
            target_add(2, 3) == 21005,
        "second_hook_on_one_entry", "got %d", target_add(2, 3));
  Check(HookCode(reinterpret_cast<void*>(&target_sign), reinterpret_cast<void*>(&CallbackSign), &g_nextSign, 0) != 0,
        "hook_short_jcc");
  Check(target_sign(5) == 10 && target_sign(-5) == -10, "short_jcc_both_ways", "got %d %d",
        target_sign(5), target_sign(-5));
  Check(HookCode(reinterpret_cast<void*>(&target_call), reinterpret_cast<void*>(&CallbackCall), &g_nextCall, 0) != 0 &&
            target_call() == 142,
        "relative_call_relocated", "got %d", target_call());
  Check(HookCode(reinterpret_cast<void*>(&loop_after_patch), reinterpret_cast<void*>(&CallbackLoop), &g_nextLoop, 0) != 0 &&
            loop_after_patch(5) == 1005,
        "hook_loop_whose_head_follows_the_patch", "got %d", loop_after_patch(5));

  // Places inside a function.
  Check(DeclareCodePlace(place_here) != 0 && DeclareCodePlace(place2_here) != 0, "declare_places");
  Check(HookCode(place_here, reinterpret_cast<void*>(&place_stub), &g_nextPlace, 0) != 0 &&
            HookCode(place2_here, reinterpret_cast<void*>(&place_returning_callback), &g_nextPlace2, 0) != 0,
        "hook_places");
  int got = target_place(5);
  const std::uint32_t slotOfFive = stub_last_r;
  Check(got == 6 && stub_last_word == 5 && stub_calls == 1, "place_stub_gets_word_and_continues",
        "got %#x word %u calls %ld", got, stub_last_word, stub_calls);
  Check(*reinterpret_cast<unsigned char*>(slotOfFive) == 0x68, "return_slot_is_push",
        "byte %02x", *reinterpret_cast<unsigned char*>(slotOfFive));
  Check(*reinterpret_cast<std::uint32_t*>(slotOfFive + 1) == 0, "slot_free_after_locked_and");
  got = target_place(0);
  Check(got == 1 && stub_last_word == 0 && stub_last_r != slotOfFive, "zero_word_uses_zero_slot",
        "got %#x word %u", got, stub_last_word);
  got = target_place(77);
  Check(got == 78 && stub_last_r == slotOfFive, "freed_slot_claimed_again", "got %#x", got);
  got = target_place2(9);
  Check(got == Unhooked(9) && returning_calls == 1, "returning_callback_continues_at_place",
        "got %#x calls %ld", got, returning_calls);
  got = target_place2(11);
  Check(got == Unhooked(11) && returning_calls == 2, "returning_callback_frees_its_slot",
        "got %#x calls %ld", got, returning_calls);

  // A place entered again while its slot is held gets another slot each time.
  Check(DeclareCodePlace(place3_here) != 0 &&
            HookCode(place3_here, reinterpret_cast<void*>(&nesting_stub), &g_nextPlace3, 0) != 0,
        "hook_nesting_place");
  got = target_place3(50);
  bool distinct = true, freed = true;
  for (int i = 0; i < kNesting; ++i) {
    freed = freed && *reinterpret_cast<std::uint32_t*>(g_nestSlots[i] + 1) == 0;
    for (int j = 0; j < i; ++j) distinct = distinct && g_nestSlots[i] != g_nestSlots[j];
  }
  Check(got == 51 && g_nestOk && g_nestCalls == kNesting && distinct && freed,
        "nested_places_hold_distinct_slots", "got %#x ok %d calls %d distinct %d freed %d", got,
        g_nestOk, g_nestCalls, distinct, freed);

  if (threads) {
    Check(RunThreads(&target_place, false), "place_stub_from_four_threads");
    Check(RunThreads(&target_place2, true), "returning_callback_from_four_threads");
  }

  // Everything off again, byte for byte.
  Check(AutoUnhook(0xFFFFFFFF) != 0, "autounhook_result");
  Check(add.Same() && sign.Same() && call.Same() && loop.Same() && place.Same() && place2.Same() &&
            place3.Same(),
        "autounhook_restores_bytes");
  Check(target_add(2, 3) == 5 && target_sign(-4) == -1 && target_call() == 42 && loop_after_patch(5) == 5 &&
            target_place(5) == Unhooked(5) && target_place2(5) == Unhooked(5) &&
            target_place3(5) == Unhooked(5),
        "targets_unhooked_again");
  Check(Protection(add.at) == protectBefore, "protection_after_unhook");
  // Places are forgotten with the hooks: hooking the place again is an entry hook.
  void* next = nullptr;
  Check(HookCode(place_here, reinterpret_cast<void*>(&Dummy), &next, 0) != 0 && AutoUnhook(0) != 0 && place.Same(),
        "rehook_and_unhook");

  TestPlaceBlockKeptForItsSlots();
  TestLeakedSlots();

  TestPatchAlignments();
  TestPatchAcrossTwoPages();
  TestJumpWrittenOver();
  TestParkedThreads();
  TestCallReturningIntoPatch();
  TestCallInTrampoline();
  TestNextCalledAfterRemoval();
  TestThreadThatCannotBeSuspended();
  if (threads) TestThreadRunningThroughTarget();

  std::printf("%s %d failures\n", g_failures == 0 ? "ALL PASSED" : "SOME FAILED", g_failures);
  return g_failures == 0 ? 0 : 1;
}
