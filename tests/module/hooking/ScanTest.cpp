// The scan of the code after a patch: which branches back into the patched bytes it finds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hooking/HookDecoder.h"
#include "hooking/HookScan.h"

namespace {

using namespace hooking;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kCode = 0x00401000;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Nops(std::size_t n) { return Bytes(n, 0x90); }

// A relative branch of the given kind placed at offset `at` of the code, landing on offset `to`.
Bytes BranchTo(BranchKind kind, std::size_t at, std::size_t to) {
  Bytes b;
  switch (kind) {
    case BranchKind::Jcc8: b = {0x75, 0}; break;
    case BranchKind::Jmp8: b = {0xEB, 0}; break;
    case BranchKind::Loop8: b = {0xE2, 0}; break;
    case BranchKind::Jcc32: b = {0x0F, 0x85, 0, 0, 0, 0}; break;
    case BranchKind::Jmp32: b = {0xE9, 0, 0, 0, 0}; break;
    case BranchKind::Call32: b = {0xE8, 0, 0, 0, 0}; break;
    case BranchKind::None: break;
  }
  const std::uint32_t rel = static_cast<std::uint32_t>(to) - static_cast<std::uint32_t>(at + b.size());
  const std::size_t field = b.size() == 2 ? 1 : b.size() - 4;
  std::memcpy(b.data() + field, &rel, b.size() - field);  // little-endian, cut to the field
  return b;
}

struct ScanCase {
  std::string what;
  Bytes code;
  bool refused;
};

std::vector<ScanCase> ScanCases() {
  std::vector<ScanCase> cases;
  // Every kind of branch, from behind the patch onto each of the first seven bytes: onto 1 to 4
  // it would run the middle of the jump; onto 0 it reaches the hook, from 5 on the original bytes.
  const struct {
    const char* name;
    BranchKind kind;
  } kinds[] = {{"jnz short", BranchKind::Jcc8},  {"jmp short", BranchKind::Jmp8},
               {"loop", BranchKind::Loop8},      {"jnz near", BranchKind::Jcc32},
               {"jmp near", BranchKind::Jmp32},  {"call", BranchKind::Call32}};
  for (const auto& k : kinds) {
    for (std::size_t to = 0; to <= 6; ++to) {
      cases.push_back({std::string(k.name) + " from offset 7 onto byte " + std::to_string(to),
                       Cat({Nops(7), BranchTo(k.kind, 7, to), {0xC3}}), to >= 1 && to <= 4});
    }
  }
  // A jnz placed at `offset` back onto byte 2.
  auto at = [](std::size_t offset) { return BranchTo(BranchKind::Jcc8, offset, 2); };
  cases.push_back({"a loop whose head is at offset 4: mov ecx,[esp+4]; inc eax | dec ecx; jnz",
                   {0x8B, 0x4C, 0x24, 0x04, 0x40, 0x49, 0x75, 0xFC, 0xC3}, true});
  cases.push_back({"a loop whose head lies before the target (a place in its loop)",
                   Cat({Nops(7), {0x75, 0xEF}, {0xC3}}), false});
  cases.push_back({"past the ret that ends the function", Cat({Nops(5), {0xC3}, at(6), {0xC3}}), false});
  cases.push_back({"past a ret that an earlier jump leads over",
                   Cat({Nops(5), {0x74, 0x01}, {0xC3}, at(8), {0xC3}}), true});
  cases.push_back({"past int3 padding up to an earlier jump's target",
                   Cat({Nops(5), {0xEB, 0x03}, {0xCC, 0xCC, 0xCC}, at(10), {0xC3}}), true});
  cases.push_back({"past a ret, at the target of an earlier call: another function",
                   Cat({Nops(5), BranchTo(BranchKind::Call32, 5, 16), {0xC3}, Bytes(5, 0xCC), at(16),
                        {0xC3}}),
                   false});
  cases.push_back({"a 16-bit jump: lands below 64 KiB whatever its offset",
                   Cat({Nops(7), {0x66, 0xE9, 0xF7, 0xFF}, {0xC3}}), false});
  cases.push_back({"a near jump ending at the scan's limit",
                   Cat({Nops(kScanLimit - 5), BranchTo(BranchKind::Jmp32, kScanLimit - 5, 2)}), true});
  cases.push_back({"a near jump starting at the scan's limit",
                   Cat({Nops(kScanLimit), BranchTo(BranchKind::Jmp32, kScanLimit, 2)}), false});
  return cases;
}

TEST(HookScan, BranchesIntoThePatchedBytes) {
  for (const ScanCase& c : ScanCases()) {
    EXPECT_EQ(BranchIntoPatch(c.code.data(), c.code.size(), kCode), c.refused) << c.what;
  }
}

// The scan reads no byte past what it is given: a branch into the patch cut off by the end of
// the readable bytes is not seen, the same one whole is.
TEST(HookScan, StopsWhereTheReadableBytesEnd) {
  const Bytes code = Cat({Nops(7), BranchTo(BranchKind::Jcc32, 7, 3)});
  EXPECT_TRUE(BranchIntoPatch(code.data(), code.size(), kCode));
  EXPECT_FALSE(BranchIntoPatch(code.data(), code.size() - 1, kCode));
}

}  // namespace
