// The atomic write of a patch and where threads standing in patched code are moved.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "hooking/HookPatch.h"

namespace {

using namespace hooking;
using Bytes = std::vector<std::uint8_t>;

TEST(HookPatch, WriteInOneQwordAtEveryOffset) {
  const std::uint8_t bytes[8] = {0xE9, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
  for (std::size_t n : {1, 5, 8}) {
    for (std::size_t k = 0; k < 8; ++k) {
      SCOPED_TRACE(testing::Message() << n << " bytes at offset " << k);
      alignas(8) std::uint8_t buffer[24];
      std::memset(buffer, 0xCC, sizeof buffer);
      Bytes expected(buffer, buffer + sizeof buffer);
      const bool fits = k + n <= 8;
      if (fits) std::memcpy(expected.data() + 8 + k, bytes, n);
      EXPECT_EQ(FitsOneQword(reinterpret_cast<std::uintptr_t>(buffer + 8 + k), n), fits);
      EXPECT_EQ(WriteInOneQword(buffer + 8 + k, bytes, n), fits);
      EXPECT_EQ(Bytes(buffer, buffer + sizeof buffer), expected);
    }
  }
  EXPECT_FALSE(FitsOneQword(0x1000, 0));
}

// A reader of the qword sees the old patch or the new one, never a mix, however the two
// writes interleave with its reads.
TEST(HookPatch, QwordWriteIsNeverSeenHalfDone) {
  alignas(8) std::uint8_t code[8] = {0x55, 0x89, 0xE5, 0x8B, 0x45, 0x08, 0x03, 0x45};
  const Bytes original(code + 1, code + 6);
  const std::uint8_t jump[5] = {0xE9, 0x78, 0x56, 0x34, 0x12};
  std::atomic<bool> started{false}, done{false};
  std::atomic<long> mixed{0};
  std::thread reader([&] {
    const auto* word = reinterpret_cast<const std::uint64_t*>(code);
    started = true;
    while (!done.load()) {
      const std::uint64_t now = __atomic_load_n(word, __ATOMIC_SEQ_CST);
      const Bytes seen(reinterpret_cast<const std::uint8_t*>(&now) + 1,
                       reinterpret_cast<const std::uint8_t*>(&now) + 6);
      if (seen != original && seen != Bytes(jump, jump + 5)) ++mixed;
    }
  });
  while (!started.load()) std::this_thread::yield();
  for (int round = 0; round < 1000000; ++round) {
    WriteInOneQword(code + 1, jump, 5);
    WriteInOneQword(code + 1, original.data(), 5);
  }
  done = true;
  reader.join();
  EXPECT_EQ(mixed.load(), 0);
  EXPECT_EQ(code[0], 0x55);
  EXPECT_EQ(Bytes(code + 6, code + 8), Bytes({0x03, 0x45}));
}

constexpr std::uint32_t kCode = 0x00401000;
constexpr std::uint32_t kBlock = 0x10000000;
constexpr std::size_t kBlockSize = 8192;

// Two relocations: a short jcc that grows into a near one (instructions at 0, 2, 4 copied to
// 0, 2, 8; jump back at 13 to +9) and a loop rewritten into three instructions (0, 2, 3, 4
// copied to 0, 9, 10, 11; jump back at 12 to +5).
Relocation Relocated(const Bytes& source) {
  Relocation r;
  EXPECT_EQ(RelocateInstructions(source.data(), source.size(), kCode, kPatchSize, kBlock, r),
            RelocateStatus::Ok);
  return r;
}

TEST(HookPatch, ThreadMoves) {
  const Relocation jcc = Relocated({0x85, 0xC9, 0x78, 0x06, 0xB8, 1, 0, 0, 0, 0xC3, 0xC3, 0xC3});
  const Relocation loop = Relocated({0xE2, 0x10, 0x90, 0x90, 0x90});
  ASSERT_EQ(jcc.size, 18u);
  ASSERT_EQ(loop.size, 17u);
  const struct {
    const char* what;
    const Relocation& r;
    bool removing;
    std::uint32_t eip;
    ThreadMove move;
    std::uint32_t to;
  } cases[] = {
      {"at the patched entry: takes the new jump", jcc, false, kCode, ThreadMove::Stay, 0},
      {"after the first instruction", jcc, false, kCode + 2, ThreadMove::Move, kBlock + 2},
      {"after the grown jcc", jcc, false, kCode + 4, ThreadMove::Move, kBlock + 8},
      {"inside the first instruction", jcc, false, kCode + 1, ThreadMove::NoPlace, 0},
      {"inside the jcc", jcc, false, kCode + 3, ThreadMove::NoPlace, 0},
      {"past the five bytes, inside the last copied instruction", jcc, false, kCode + 5,
       ThreadMove::Stay, 0},
      {"before the target", jcc, false, kCode - 1, ThreadMove::Stay, 0},
      {"elsewhere", jcc, false, kCode + 0x1000, ThreadMove::Stay, 0},
      {"after a loop", loop, false, kCode + 2, ThreadMove::Move, kBlock + 9},
      {"before the last nop behind a loop", loop, false, kCode + 4, ThreadMove::Move, kBlock + 11},

      {"trampoline start", jcc, true, kBlock, ThreadMove::Move, kCode},
      {"second copied instruction", jcc, true, kBlock + 2, ThreadMove::Move, kCode + 2},
      {"after the grown jcc, back to its source", jcc, true, kBlock + 8, ThreadMove::Move, kCode + 4},
      {"at the jump back", jcc, true, kBlock + 13, ThreadMove::Move, kCode + 9},
      {"inside a copied instruction", jcc, true, kBlock + 1, ThreadMove::NoPlace, 0},
      {"inside the jump back", jcc, true, kBlock + 14, ThreadMove::NoPlace, 0},
      {"in a gate or slot", jcc, true, kBlock + 0x1003, ThreadMove::NoPlace, 0},
      {"last byte of the block", jcc, true, kBlock + kBlockSize - 1, ThreadMove::NoPlace, 0},
      {"past the block", jcc, true, kBlock + kBlockSize, ThreadMove::Stay, 0},
      {"before the block", jcc, true, kBlock - 1, ThreadMove::Stay, 0},
      {"in the target, whose bytes come back", jcc, true, kCode + 2, ThreadMove::Stay, 0},
      {"between the pieces of a loop: short jump", loop, true, kBlock + 2, ThreadMove::NoPlace, 0},
      {"between the pieces of a loop: near jump", loop, true, kBlock + 4, ThreadMove::NoPlace, 0},
      {"after the loop's pieces", loop, true, kBlock + 9, ThreadMove::Move, kCode + 2},
      {"at the jump back behind a loop", loop, true, kBlock + 12, ThreadMove::Move, kCode + 5},
  };
  for (const auto& c : cases) {
    std::uint32_t to = 0;
    const ThreadMove move = c.removing ? MoveOnRemoval(c.r, kCode, kBlock, kBlockSize, c.eip, to)
                                       : MoveOnInstall(c.r, kCode, kBlock, c.eip, to);
    EXPECT_EQ(static_cast<int>(move), static_cast<int>(c.move))
        << (c.removing ? "removing, " : "installing, ") << c.what;
    if (move == ThreadMove::Move && c.move == ThreadMove::Move) {
      EXPECT_EQ(to, c.to) << c.what;
    }
  }
}

// The pages under a patch, each of which keeps its own protection.
TEST(HookPatch, PatchPages) {
  const struct {
    std::uint32_t at;
    std::size_t n;
    std::uint32_t pageSize;
    std::vector<std::uint32_t> pages;
  } cases[] = {
      {0x00401000, 5, 0x1000, {0x00401000}},
      {0x00401FFB, 5, 0x1000, {0x00401000}},
      {0x00401FFC, 5, 0x1000, {0x00401000, 0x00402000}},
      {0x00401FFE, 5, 0x1000, {0x00401000, 0x00402000}},
      {0x00401FFF, 5, 0x1000, {0x00401000, 0x00402000}},
      {0x00402000, 5, 0x1000, {0x00402000}},
      {0x00401FFF, 1, 0x1000, {0x00401000}},
      {0x0040FFFE, 5, 0x10000, {0x00400000, 0x00410000}},
      {0x00401FFE, 0x1002, 0x1000, {0x00401000, 0x00402000}},
      {0x00401FFF, 0x1002, 0x1000, {}},  // three pages
      {0xFFFFFFFB, 5, 0x1000, {0xFFFFF000}},
  };
  for (const auto& c : cases) {
    std::uint32_t pages[kMaxPatchPages] = {};
    const std::size_t count = PatchPages(c.at, c.n, c.pageSize, pages);
    EXPECT_EQ(std::vector<std::uint32_t>(pages, pages + count), c.pages)
        << std::hex << c.n << " bytes at " << c.at << ", pages of " << c.pageSize;
  }
}

// A place's block is in use while a slot is held, a thread waits in its gate, or its zero slot
// has ever been handed out; nothing else in the block counts.
TEST(HookPatch, PlaceInUse) {
  const PlaceLayout probe = [] {
    std::vector<std::uint8_t> block(kBlockSize);
    PlaceLayout layout;
    EXPECT_TRUE(BuildPlaceGate(block.data(), block.size(), kBlock, 16, 0x00402000, kBlock,
                               0x00403000, kCode, kPlaceSlots, layout));
    return layout;
  }();
  const struct {
    const char* what;
    std::uint32_t at;  // where the byte is set
    bool inUse;
  } cases[] = {
      {"nothing held", 0, false},
      {"slot 0 held", probe.firstSlot + 1, true},
      {"the last slot held, its word's high byte", probe.firstSlot + 31 * std::uint32_t{kSlotSize} + 4,
       true},
      {"the zero slot handed out", probe.zeroTaken, true},
      {"a thread waits", probe.waiting, true},
      {"a thread waits, the count's high byte", probe.waiting + 3, true},
      {"a slot's own code", probe.firstSlot + 9, false},
      {"the gate", probe.gate + 1, false},
      {"past the state words", probe.waiting + 4, false},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> block(kBlockSize);
    PlaceLayout layout;
    ASSERT_TRUE(BuildPlaceGate(block.data(), block.size(), kBlock, 16, 0x00402000, kBlock,
                               0x00403000, kCode, kPlaceSlots, layout));
    if (c.at != 0) block[c.at - kBlock] ^= 0x01;
    EXPECT_EQ(PlaceInUse(block.data(), kBlock, layout), c.inUse) << c.what;
  }
}

// What comes of a hook and its block after one removal attempt. A trampoline handed out as
// next is never freed: a callback may call it whenever it likes, also after the removal.
TEST(HookPatch, RemovalKeepsWhatMayStillBeReached) {
  const Relocation plain = Relocated({0x55, 0x89, 0xE5, 0x8B, 0x45, 0x08});
  const Relocation call = Relocated({0x8B, 0x44, 0x24, 0x04, 0xFF, 0xD0, 0xC3});
  ASSERT_FALSE(plain.holdsCall);
  ASSERT_TRUE(call.holdsCall);
  const struct {
    const char* what;
    const Relocation& r;
    bool nextHandedOut;
    PatchWrite write;
    bool blockInUse;
    bool placeInUse;
    bool stays;
    bool freeBlock;
  } cases[] = {
      {"bytes back, nothing in the block, no next", plain, false, PatchWrite::Written, false, false,
       false, true},
      {"bytes back, nothing in the block, next handed out", plain, true, PatchWrite::Written, false,
       false, false, false},
      {"bytes back, a thread in the block", plain, false, PatchWrite::Written, true, false, false, false},
      {"bytes back, a place's slot held", plain, false, PatchWrite::Written, false, true, false, false},
      {"bytes back, the trampoline holds a call", call, false, PatchWrite::Written, false, false, false,
       false},
      {"not written: tried again later", plain, false, PatchWrite::NotWritten, false, false, true, false},
      {"not written, the trampoline holds a call", call, false, PatchWrite::NotWritten, false, false,
       true, false},
      {"not written, next handed out", plain, true, PatchWrite::NotWritten, false, false, true, false},
      {"our jump written over: left, tried again later", plain, false, PatchWrite::BytesChanged, false,
       false, true, false},
  };
  for (const auto& c : cases) {
    PatchOutcome outcome;
    outcome.write = c.write;
    outcome.blockInUse = c.blockInUse;
    outcome.placeInUse = c.placeInUse;
    const RemovalDecision d = DecideRemoval(c.r, c.nextHandedOut, outcome);
    EXPECT_EQ(d.stays, c.stays) << c.what;
    EXPECT_EQ(d.freeBlock, c.freeBlock) << c.what;
  }
}

}  // namespace
