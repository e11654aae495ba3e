// Win32 side of the hooking library: reading, patching and restoring code pages.
#include "hooking/HookCode.h"

#include <windows.h>

#include <cstring>

#include "hooking/HookDecoder.h"

namespace {

using hooking::kPatchSize;

constexpr std::size_t kBlockSize = 8192;  // per hook: trampoline and gate, then a page of slots
constexpr std::size_t kMaxHooks = 64;
constexpr std::size_t kMaxPlaces = 32;
constexpr std::size_t kReadAhead = 32;    // enough for the instructions under a patch

struct Hook {
  std::uint8_t* code;
  std::uint8_t original[kPatchSize];
  std::uint8_t* block;
};

Hook g_hooks[kMaxHooks];
std::size_t g_hookCount = 0;
void* g_places[kMaxPlaces];
std::size_t g_placeCount = 0;
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

// Writes bytes over code with the page made writable for the time; false if the protection
// could not be changed (nothing written then).
bool WriteCode(std::uint8_t* code, const std::uint8_t* bytes, std::size_t n) {
  DWORD old = 0;
  if (!VirtualProtect(code, n, PAGE_EXECUTE_READWRITE, &old)) return false;
  std::memcpy(code, bytes, n);
  DWORD ignored = 0;
  VirtualProtect(code, n, old, &ignored);
  FlushInstructionCache(GetCurrentProcess(), code, n);
  return true;
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
  std::uint8_t snapshot[kReadAhead];
  const std::size_t avail = ReadableBytes(target, kReadAhead);
  if (avail < kPatchSize) return 0;
  std::memcpy(snapshot, target, avail);

  auto* block = static_cast<std::uint8_t*>(
      VirtualAlloc(nullptr, kBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
  if (block == nullptr) return 0;
  auto fail = [&] {
    VirtualFree(block, 0, MEM_RELEASE);
    return 0;
  };

  hooking::Relocation rel;
  if (hooking::RelocateInstructions(snapshot, avail, Addr(target), kPatchSize, Addr(block), rel) !=
      hooking::RelocateStatus::Ok) {
    return fail();
  }
  if (OverlapsOtherPatch(target, rel.covered)) return fail();
  std::memcpy(block, rel.code, rel.size);

  std::uint32_t jumpTo = Addr(callback);
  if (IsPlace(code)) {
    hooking::PlaceLayout layout;
    if (!hooking::BuildPlaceGate(block, kBlockSize, Addr(block), rel.size, Addr(callback),
                                 Addr(block), hooking::kPlaceSlots, layout)) {
      return fail();
    }
    jumpTo = layout.gate;
  }
  FlushInstructionCache(GetCurrentProcess(), block, kBlockSize);

  Hook& hook = g_hooks[g_hookCount];
  hook.code = target;
  hook.block = block;
  std::memcpy(hook.original, snapshot, kPatchSize);

  // The entry through which the unpatched code runs must be in place before the patch can
  // be reached; it is put back if the patch cannot be written.
  void* previousNext = nextHook ? *nextHook : nullptr;
  if (nextHook) *nextHook = block;
  std::uint8_t patch[kPatchSize];
  hooking::EncodeJmp(patch, Addr(target), jumpTo);
  if (!WriteCode(target, patch, kPatchSize)) {
    if (nextHook) *nextHook = previousNext;
    return fail();
  }
  ++g_hookCount;
  return 1;
}

extern "C" int __stdcall AutoUnhook(std::uint32_t) {
  Guard guard;
  bool all = true;
  while (g_hookCount > 0) {
    Hook& hook = g_hooks[--g_hookCount];
    if (WriteCode(hook.code, hook.original, kPatchSize)) {
      VirtualFree(hook.block, 0, MEM_RELEASE);
    } else {
      all = false;  // the patch still leads into the block: keep it
    }
  }
  g_placeCount = 0;
  return all ? 1 : 0;
}
