// Win32 side of the hooking library: reading, patching and restoring code pages.
#include "hooking/HookCode.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include "hooking/HookDecoder.h"
#include "hooking/HookPatch.h"
#include "hooking/HookScan.h"

namespace {

using hooking::kPatchSize;

constexpr std::size_t kBlockSize = 8192;  // per hook: trampoline and gate, then a page of slots
constexpr std::size_t kMaxHooks = 64;
constexpr std::size_t kMaxPlaces = 32;
constexpr std::size_t kMaxThreads = 1024;

struct Hook {
  std::uint8_t* code;
  std::uint8_t original[kPatchSize];
  std::uint8_t patch[kPatchSize];  // our jump, as written over code
  std::uint8_t* block;
  hooking::Relocation relocation;  // where the trampoline at the start of block came from
  bool place;
  bool nextHandedOut;              // the trampoline went out as next: the block is never freed
  hooking::PlaceLayout layout;     // of a place's gate and slots in block
};

Hook g_hooks[kMaxHooks];
std::size_t g_hookCount = 0;
void* g_places[kMaxPlaces];
std::size_t g_placeCount = 0;
std::uint8_t g_code[hooking::kScanLimit];  // a target's bytes, read by HookCode under g_lock
volatile LONG g_lock = 0;

struct Guard {
  Guard() {
    while (InterlockedExchange(&g_lock, 1) != 0) Sleep(0);
  }
  ~Guard() { InterlockedExchange(&g_lock, 0); }
};

std::uint32_t Addr(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }

bool Readable(DWORD protect) {
  if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
  return (protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                     PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

// How many bytes from p on (at most max) lie in committed, readable memory.
std::size_t ReadableBytes(const std::uint8_t* p, std::size_t max) {
  std::size_t have = 0;
  while (have < max) {
    MEMORY_BASIC_INFORMATION mbi;
    if (VirtualQuery(p + have, &mbi, sizeof mbi) == 0) break;
    if (mbi.State != MEM_COMMIT || !Readable(mbi.Protect)) break;
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
    have = end - reinterpret_cast<std::uintptr_t>(p);
  }
  return have < max ? have : max;
}

bool IsPlace(void* code) {
  for (std::size_t k = 0; k < g_placeCount; ++k) {
    if (g_places[k] == code) return true;
  }
  return false;
}

// A patch that starts inside another one would decode the middle of its jmp.
bool OverlapsOtherPatch(const std::uint8_t* code, std::size_t length) {
  for (std::size_t k = 0; k < g_hookCount; ++k) {
    const std::uint8_t* other = g_hooks[k].code;
    if (other == code) continue;  // stacked hooks on one address chain through the jmp
    if (code < other + kPatchSize && other < code + length) return true;
  }
  return false;
}

// True when the thread belongs to this process. A thread id is free again once its thread has
// ended, so an id from the snapshot may by now name a thread of another process. The function
// is looked up rather than imported, so that the library still loads where kernel32 lacks it
// (before Windows Vista); there the thread is taken as ours, as the snapshot says.
bool OfThisProcess(HANDLE thread, DWORD process) {
  using ProcessIdOfThread = decltype(&GetProcessIdOfThread);
  static ProcessIdOfThread query = nullptr;  // the global lock guards these two
  static bool looked = false;
  if (!looked) {
    looked = true;
    if (HMODULE kernel = GetModuleHandleA("kernel32.dll")) {
      query = reinterpret_cast<ProcessIdOfThread>(
          reinterpret_cast<void (*)()>(GetProcAddress(kernel, "GetProcessIdOfThread")));
    }
  }
  return query == nullptr || query(thread) == process;
}

// Every other thread of the process, suspended while the object lives. The threads come
// from one snapshot taken before any is suspended: taking another while threads are held
// could wait for a lock that one of them holds (the snapshot takes the process heap's lock
// under Wine). For the same reason every handle is opened before the first thread is
// suspended (a hook on OpenThread could wait for a lock). A thread started after the snapshot
// is not held; from DllMain none can run yet, since a new thread first waits for the loader
// lock.
class OtherThreads {
 public:
  OtherThreads() = default;
  OtherThreads(const OtherThreads&) = delete;
  OtherThreads& operator=(const OtherThreads&) = delete;
  ~OtherThreads() {
    for (std::size_t k = 0; k < count_; ++k) {
      ResumeThread(handles_[k]);
      CloseHandle(handles_[k]);
    }
  }

  // False when the threads cannot be listed, are too many, or one that still runs cannot be
  // suspended; none is held then.
  bool Hold() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    const DWORD process = GetCurrentProcessId();
    const DWORD self = GetCurrentThreadId();
    std::size_t listed = 0;
    bool tooMany = false;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
      if (entry.th32OwnerProcessID != process || entry.th32ThreadID == self) continue;
      if (listed == kMaxThreads) {
        tooMany = true;
        break;
      }
      ids_[listed++] = entry.th32ThreadID;
    }
    CloseHandle(snapshot);
    if (tooMany) return false;
    // A thread that has ended since the snapshot can be neither opened nor suspended.
    std::size_t opened = 0;
    for (std::size_t k = 0; k < listed; ++k) {
      HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_SET_CONTEXT |
                                     THREAD_QUERY_INFORMATION | SYNCHRONIZE,
                                 FALSE, ids_[k]);
      if (thread == nullptr) continue;
      if (!OfThisProcess(thread, process)) {
        CloseHandle(thread);
        continue;
      }
      handles_[opened++] = thread;
    }
    // One that has ended meanwhile runs nothing any more; one that runs on and cannot be
    // suspended (its suspend count at the maximum, say) could run into the bytes being written.
    for (std::size_t k = 0; k < opened; ++k) {
      if (SuspendThread(handles_[k]) == static_cast<DWORD>(-1)) {
        const bool ended = WaitForSingleObject(handles_[k], 0) == WAIT_OBJECT_0;
        CloseHandle(handles_[k]);
        if (ended) continue;
        for (std::size_t j = k + 1; j < opened; ++j) CloseHandle(handles_[j]);
        return false;  // the destructor lets the held ones go
      }
      handles_[count_++] = handles_[k];
    }
    return true;
  }

  std::size_t Count() const { return count_; }
  HANDLE Handle(std::size_t k) const { return handles_[k]; }

 private:
  static DWORD ids_[kMaxThreads];
  static HANDLE handles_[kMaxThreads];  // the global lock keeps these to one user
  std::size_t count_ = 0;
};
DWORD OtherThreads::ids_[kMaxThreads];
HANDLE OtherThreads::handles_[kMaxThreads];

bool ReadEip(HANDLE thread, DWORD& eip) {
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  if (!GetThreadContext(thread, &context)) return false;
  eip = context.Eip;
  return true;
}

bool WriteEip(HANDLE thread, DWORD eip) {
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  if (!GetThreadContext(thread, &context)) return false;
  context.Eip = eip;
  return SetThreadContext(thread, &context) != 0;
}

enum class Patching { Install, Removal };

using hooking::PatchOutcome;
using hooking::PatchWrite;

// Decides where each held thread goes, then moves those that must go. Installing, false
// when a thread stands where it cannot be placed or cannot be moved; removing, such a thread
// only keeps the block in use.
bool MoveThreads(const OtherThreads& threads, const Hook& hook, Patching patching,
                 PatchOutcome& outcome) {
  static DWORD moveTo[kMaxThreads];  // 0: the thread stays; the global lock guards this
  const bool installing = patching == Patching::Install;
  const std::uint32_t code = Addr(hook.code);
  const std::uint32_t block = Addr(hook.block);
  for (std::size_t k = 0; k < threads.Count(); ++k) {
    moveTo[k] = 0;
    DWORD eip = 0;
    std::uint32_t to = 0;
    hooking::ThreadMove move = hooking::ThreadMove::NoPlace;  // where it stands is unknown
    if (ReadEip(threads.Handle(k), eip)) {
      move = installing ? hooking::MoveOnInstall(hook.relocation, code, block, eip, to)
                        : hooking::MoveOnRemoval(hook.relocation, code, block, kBlockSize, eip, to);
    }
    if (move == hooking::ThreadMove::Move) {
      moveTo[k] = to;
    } else if (move == hooking::ThreadMove::NoPlace) {
      if (installing) return false;
      outcome.blockInUse = true;
    }
  }
  for (std::size_t k = 0; k < threads.Count(); ++k) {
    if (moveTo[k] == 0) continue;
    if (installing) outcome.blockInUse = true;  // from here on a thread may be in the trampoline
    if (!WriteEip(threads.Handle(k), moveTo[k])) {
      if (installing) return false;
      outcome.blockInUse = true;
    }
  }
  return true;
}

// Makes the pages under a patch writable, each keeping its own protection to be put back when
// the object ends: one call over both pages would give the second the first one's.
class WritablePages {
 public:
  explicit WritablePages(std::uint8_t* code) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::uint32_t pages[hooking::kMaxPatchPages];
    const std::size_t count = hooking::PatchPages(Addr(code), kPatchSize, system.dwPageSize, pages);
    for (std::size_t k = 0; k < count; ++k) {
      void* page = reinterpret_cast<void*>(static_cast<std::uintptr_t>(pages[k]));
      if (!VirtualProtect(page, 1, PAGE_EXECUTE_READWRITE, &old_[k])) return;
      pages_[count_++] = page;
    }
    writable_ = count != 0;
  }
  WritablePages(const WritablePages&) = delete;
  WritablePages& operator=(const WritablePages&) = delete;
  ~WritablePages() {
    for (std::size_t k = count_; k-- > 0;) {
      DWORD ignored = 0;
      VirtualProtect(pages_[k], 1, old_[k], &ignored);
    }
  }

  bool Writable() const { return writable_; }

 private:
  void* pages_[hooking::kMaxPatchPages] = {};
  DWORD old_[hooking::kMaxPatchPages] = {};
  std::size_t count_ = 0;
  bool writable_ = false;
};

// Writes kPatchSize bytes over hook.code while every other thread is held, provided the
// `expectedSize` bytes there are still `expected`: installing, a held thread inside the
// overwritten instructions goes on at the same instruction in the trampoline; removing, a held
// thread in the trampoline goes back to the original code, and a place's slots are looked at
// before any thread runs again. The bytes are written with one atomic exchange where they fit
// one aligned qword, so that even a thread the snapshot missed sees the old bytes or the new,
// never a mix. Nothing is written when the page protection cannot be changed, the threads
// cannot be held, the bytes have changed, or (installing) a thread cannot be placed.
PatchOutcome WritePatch(const Hook& hook, const std::uint8_t* expected, std::size_t expectedSize,
                        const std::uint8_t* bytes, Patching patching) {
  PatchOutcome outcome;
  WritablePages pages(hook.code);
  if (!pages.Writable()) return outcome;
  OtherThreads threads;
  if (!threads.Hold()) return outcome;
  if (std::memcmp(hook.code, expected, expectedSize) != 0) {
    outcome.write = PatchWrite::BytesChanged;
    return outcome;
  }
  if (!MoveThreads(threads, hook, patching, outcome)) return outcome;
  if (!hooking::WriteInOneQword(hook.code, bytes, kPatchSize)) {
    std::memcpy(hook.code, bytes, kPatchSize);
  }
  FlushInstructionCache(GetCurrentProcess(), hook.code, kPatchSize);
  outcome.write = PatchWrite::Written;
  if (patching == Patching::Removal && hook.place) {
    outcome.placeInUse = hooking::PlaceInUse(hook.block, Addr(hook.block), hook.layout);
  }
  return outcome;
}

using RaiseRecord = void(WINAPI*)(EXCEPTION_RECORD*);

// The waiter of every place gate: a round of the wait for a return slot, and once every slot
// has stayed held for the limit, the report. A slot was not given back, or the place was entered
// again from its own callback more than 32 deep. The gate cannot return failure to the code at
// the place, and waiting on would hang every later entry of the place: the thread ends in an
// exception that names the place. A handler may not continue it; one that does gets
// STATUS_NONCONTINUABLE_EXCEPTION (which holds the first as its cause), as Windows answers a
// continued non-continuable exception; should that be continued too, the process ends.
void __stdcall WaitForReturnSlot(hooking::SlotWait* wait, std::uint32_t place) {
  if (!hooking::SlotWaitExpired(*wait, GetTickCount())) {
    Sleep(1);
    return;
  }
  static_assert(hooking::kSlotWaitLimitMs == 10000 && hooking::kPlaceSlots == 32,
                "the message names the limit and the slots");
  OutputDebugStringA("hooking: every return slot of a hooked place has stayed held for 10 s: one "
                     "was not given back, or the place was entered again from its own callback "
                     "more than 32 deep\n");
  // Raised as records of our own, so that the second can hold the first as it was raised.
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const auto raise = reinterpret_cast<RaiseRecord>(
      reinterpret_cast<void (*)()>(ntdll ? GetProcAddress(ntdll, "RtlRaiseException") : nullptr));
  if (raise != nullptr) {
    EXCEPTION_RECORD exhausted{};
    exhausted.ExceptionCode = hooking::kReturnSlotsExhausted;
    exhausted.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    exhausted.NumberParameters = 2;
    exhausted.ExceptionInformation[0] = place;
    exhausted.ExceptionInformation[1] = hooking::kSlotWaitLimitMs;
    raise(&exhausted);
    // A handler continued it.
    EXCEPTION_RECORD continued{};
    continued.ExceptionCode = STATUS_NONCONTINUABLE_EXCEPTION;
    continued.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    continued.ExceptionRecord = &exhausted;
    raise(&continued);
  }
  TerminateProcess(GetCurrentProcess(), STATUS_NONCONTINUABLE_EXCEPTION);
}

}  // namespace

extern "C" int __stdcall DeclareCodePlace(void* code) {
  if (code == nullptr) return 0;
  Guard guard;
  if (IsPlace(code)) return 1;
  if (g_placeCount == kMaxPlaces) return 0;
  g_places[g_placeCount++] = code;
  return 1;
}

extern "C" int __stdcall HookCode(void* code, void* callback, void** nextHook, std::uint32_t) {
  if (code == nullptr || callback == nullptr) return 0;
  Guard guard;
  if (g_hookCount == kMaxHooks) return 0;

  auto* target = static_cast<std::uint8_t*>(code);
  std::uint8_t* snapshot = g_code;
  const std::size_t avail = ReadableBytes(target, hooking::kScanLimit);
  if (avail < kPatchSize) return 0;
  std::memcpy(snapshot, target, avail);

  auto* block = static_cast<std::uint8_t*>(
      VirtualAlloc(nullptr, kBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
  if (block == nullptr) return 0;
  auto fail = [&] {
    VirtualFree(block, 0, MEM_RELEASE);
    return 0;
  };

  Hook& hook = g_hooks[g_hookCount];
  hooking::Relocation& rel = hook.relocation;
  if (hooking::RelocateInstructions(snapshot, avail, Addr(target), kPatchSize, Addr(block), rel) !=
      hooking::RelocateStatus::Ok) {
    return fail();
  }
  if (OverlapsOtherPatch(target, rel.covered)) return fail();
  // A branch from the code after the patch back into its bytes would run the middle of the jump.
  if (hooking::BranchIntoPatch(snapshot, avail, Addr(target))) return fail();
  std::memcpy(block, rel.code, rel.size);

  std::uint32_t jumpTo = Addr(callback);
  hook.place = IsPlace(code);
  hook.layout = hooking::PlaceLayout{};
  if (hook.place) {
    if (!hooking::BuildPlaceGate(block, kBlockSize, Addr(block), rel.size, Addr(callback),
                                 Addr(block), Addr(reinterpret_cast<void*>(&WaitForReturnSlot)),
                                 Addr(target), hooking::kPlaceSlots, hook.layout)) {
      return fail();
    }
    jumpTo = hook.layout.gate;
  }
  FlushInstructionCache(GetCurrentProcess(), block, kBlockSize);

  hook.code = target;
  hook.block = block;
  hook.nextHandedOut = nextHook != nullptr;
  std::memcpy(hook.original, snapshot, kPatchSize);
  hooking::EncodeJmp(hook.patch, Addr(target), jumpTo);

  // The entry through which the unpatched code runs must be in place before the patch can
  // be reached; it is put back if the patch cannot be written. The patch is written only
  // over the bytes that were relocated.
  void* previousNext = nextHook ? *nextHook : nullptr;
  if (nextHook) *nextHook = block;
  const PatchOutcome outcome = WritePatch(hook, snapshot, rel.covered, hook.patch, Patching::Install);
  if (outcome.write != PatchWrite::Written) {
    if (nextHook) *nextHook = previousNext;
    return outcome.blockInUse ? 0 : fail();
  }
  ++g_hookCount;
  return 1;
}

extern "C" int __stdcall AutoUnhook(std::uint32_t) {
  Guard guard;
  // Newest first: a hook on the same address as an older one holds the older one's jump in
  // its trampoline, and puts it back. A hook that stays finds its place again, in order.
  bool stays[kMaxHooks];
  for (std::size_t k = g_hookCount; k-- > 0;) {
    const Hook& hook = g_hooks[k];
    const PatchOutcome outcome =
        WritePatch(hook, hook.patch, kPatchSize, hook.original, Patching::Removal);
    const hooking::RemovalDecision decision =
        hooking::DecideRemoval(hook.relocation, hook.nextHandedOut, outcome);
    stays[k] = decision.stays;
    if (decision.freeBlock) VirtualFree(hook.block, 0, MEM_RELEASE);
  }
  std::size_t kept = 0;
  for (std::size_t k = 0; k < g_hookCount; ++k) {
    if (stays[k]) g_hooks[kept++] = g_hooks[k];
  }
  g_hookCount = kept;
  g_placeCount = 0;
  return kept == 0 ? 1 : 0;
}
