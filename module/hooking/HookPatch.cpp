// The atomic write of a patch and the moves of threads that stand in patched code.
#include "hooking/HookPatch.h"

#include <cstring>

namespace hooking {

bool FitsOneQword(std::uintptr_t at, std::size_t n) { return n > 0 && (at & 7) + n <= 8; }

bool WriteInOneQword(std::uint8_t* at, const std::uint8_t* bytes, std::size_t n) {
  const auto address = reinterpret_cast<std::uintptr_t>(at);
  if (!FitsOneQword(address, n)) return false;
  auto* block = reinterpret_cast<std::uint64_t*>(address & ~std::uintptr_t{7});
  const std::size_t offset = address & 7;
  // A plain read is only the first guess: a failed exchange hands back the block as it is.
  std::uint64_t expected;
  std::memcpy(&expected, block, 8);
  std::uint64_t desired;
  do {
    desired = expected;
    std::memcpy(reinterpret_cast<std::uint8_t*>(&desired) + offset, bytes, n);
  } while (!__atomic_compare_exchange_n(block, &expected, desired, false, __ATOMIC_SEQ_CST,
                                        __ATOMIC_SEQ_CST));
  return true;
}

ThreadMove MoveOnInstall(const Relocation& r, std::uint32_t code, std::uint32_t trampoline,
                         std::uint32_t eip, std::uint32_t& to) {
  const std::uint32_t offset = eip - code;
  if (offset == 0 || offset >= kPatchSize) return ThreadMove::Stay;
  for (std::size_t k = 0; k < r.count; ++k) {
    if (r.sourceStart[k] == offset) {
      to = trampoline + r.copyStart[k];
      return ThreadMove::Move;
    }
  }
  return ThreadMove::NoPlace;
}

ThreadMove MoveOnRemoval(const Relocation& r, std::uint32_t code, std::uint32_t block,
                         std::size_t blockSize, std::uint32_t eip, std::uint32_t& to) {
  const std::uint32_t offset = eip - block;
  if (offset >= blockSize) return ThreadMove::Stay;
  for (std::size_t k = 0; k < r.count; ++k) {
    if (r.copyStart[k] == offset) {
      to = code + r.sourceStart[k];
      return ThreadMove::Move;
    }
  }
  if (offset == r.size - kPatchSize) {
    to = code + static_cast<std::uint32_t>(r.covered);
    return ThreadMove::Move;
  }
  return ThreadMove::NoPlace;
}

std::size_t PatchPages(std::uint32_t at, std::size_t n, std::uint32_t pageSize,
                       std::uint32_t (&pages)[kMaxPatchPages]) {
  const std::uint64_t mask = ~std::uint64_t{pageSize - 1};
  const std::uint64_t first = at & mask;
  const std::uint64_t last = (std::uint64_t{at} + n - 1) & mask;
  const std::uint64_t count = (last - first) / pageSize + 1;
  if (count > kMaxPatchPages) return 0;
  for (std::uint64_t k = 0; k < count; ++k) {
    pages[k] = static_cast<std::uint32_t>(first + k * pageSize);
  }
  return static_cast<std::size_t>(count);
}

bool PlaceInUse(const std::uint8_t* buf, std::uint32_t bufAddr, const PlaceLayout& layout) {
  auto word = [&](std::uint32_t addr) {
    std::uint32_t v;
    std::memcpy(&v, buf + (addr - bufAddr), 4);
    return v;
  };
  for (unsigned k = 0; k < layout.slotCount; ++k) {
    if (word(layout.firstSlot + k * static_cast<std::uint32_t>(kSlotSize) + 1) != 0) return true;
  }
  return buf[layout.zeroTaken - bufAddr] != 0 || word(layout.waiting) != 0;
}

RemovalDecision DecideRemoval(const Relocation& r, bool nextHandedOut,
                              const PatchOutcome& outcome) {
  if (outcome.write != PatchWrite::Written) return {true, false};
  return {false, !nextHandedOut && !outcome.blockInUse && !outcome.placeInUse && !r.holdsCall};
}

}  // namespace hooking
