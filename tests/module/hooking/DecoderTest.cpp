// Instruction lengths, relocation of overwritten instructions and the place gate layout.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hooking/HookDecoder.h"

namespace {

using namespace hooking;
using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Bytes& b) {
  std::string s;
  char buf[4];
  for (std::uint8_t x : b) {
    std::snprintf(buf, sizeof buf, "%02X ", x);
    s += buf;
  }
  return s;
}

Bytes Le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::uint32_t Read32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

struct LengthCase {
  const char* what;
  Bytes bytes;
  DecodeStatus status;
  int length;  // when Ok
};

const LengthCase kLengths[] = {
    {"nop", {0x90}, DecodeStatus::Ok, 1},
    {"push ebp", {0x55}, DecodeStatus::Ok, 1},
    {"mov ebp,esp", {0x89, 0xE5}, DecodeStatus::Ok, 2},
    {"mov eax,[ebp+8]", {0x8B, 0x45, 0x08}, DecodeStatus::Ok, 3},
    {"mov eax,[esp+4] (SIB)", {0x8B, 0x44, 0x24, 0x04}, DecodeStatus::Ok, 4},
    {"SIB without base: disp32", {0x8B, 0x04, 0x25, 0x78, 0x56, 0x34, 0x12}, DecodeStatus::Ok, 7},
    {"SIB with disp32", {0x8B, 0x84, 0x24, 0x00, 0x01, 0x00, 0x00}, DecodeStatus::Ok, 7},
    {"absolute disp32", {0x8B, 0x05, 0x78, 0x56, 0x34, 0x12}, DecodeStatus::Ok, 6},
    {"mod 2 disp32", {0x8B, 0x80, 0x00, 0x01, 0x00, 0x00}, DecodeStatus::Ok, 6},
    {"lea eax,[eax+eax*2]", {0x8D, 0x04, 0x40}, DecodeStatus::Ok, 3},
    {"66 mov ax,[ebp+8]", {0x66, 0x8B, 0x45, 0x08}, DecodeStatus::Ok, 4},
    {"67 [bp+8]: no SIB", {0x67, 0x8B, 0x46, 0x08}, DecodeStatus::Ok, 4},
    {"67 mod0 rm6: disp16", {0x67, 0x8B, 0x06, 0x34, 0x12}, DecodeStatus::Ok, 5},
    {"67 rm4 is [si], no SIB", {0x67, 0x8B, 0x04}, DecodeStatus::Ok, 3},
    {"67 mod2: disp16", {0x67, 0x8B, 0x80, 0x34, 0x12}, DecodeStatus::Ok, 5},
    {"sub esp,imm32", {0x81, 0xEC, 0x00, 0x01, 0x00, 0x00}, DecodeStatus::Ok, 6},
    {"66 sub sp,imm16", {0x66, 0x81, 0xEC, 0x00, 0x01}, DecodeStatus::Ok, 5},
    {"sub esp,imm8", {0x83, 0xEC, 0x10}, DecodeStatus::Ok, 3},
    {"mov dword [ebp-8],imm32", {0xC7, 0x45, 0xF8, 1, 0, 0, 0}, DecodeStatus::Ok, 7},
    {"66 mov word [ebp-8],imm16", {0x66, 0xC7, 0x45, 0xF8, 1, 0}, DecodeStatus::Ok, 6},
    {"SIB disp32 imm32", {0xC7, 0x84, 0x24, 0, 1, 0, 0, 0x78, 0x56, 0x34, 0x12}, DecodeStatus::Ok, 11},
    {"push imm32", {0x68, 0x78, 0x56, 0x34, 0x12}, DecodeStatus::Ok, 5},
    {"66 push imm16", {0x66, 0x68, 0x34, 0x12}, DecodeStatus::Ok, 4},
    {"push imm8", {0x6A, 0x01}, DecodeStatus::Ok, 2},
    {"imul r,r/m,imm32", {0x69, 0xC0, 0x10, 0x27, 0, 0}, DecodeStatus::Ok, 6},
    {"imul r,r/m,imm8", {0x6B, 0xC0, 0x0A}, DecodeStatus::Ok, 3},
    {"mov eax,moffs32", {0xA1, 0x78, 0x56, 0x34, 0x12}, DecodeStatus::Ok, 5},
    {"67 mov eax,moffs16", {0x67, 0xA1, 0x34, 0x12}, DecodeStatus::Ok, 4},
    {"mov eax,imm32", {0xB8, 1, 0, 0, 0}, DecodeStatus::Ok, 5},
    {"66 mov ax,imm16", {0x66, 0xB8, 1, 0}, DecodeStatus::Ok, 4},
    {"mov al,imm8", {0xB0, 0x01}, DecodeStatus::Ok, 2},
    {"ret imm16", {0xC2, 0x08, 0x00}, DecodeStatus::Ok, 3},
    {"enter", {0xC8, 0x10, 0x00, 0x01}, DecodeStatus::Ok, 4},
    {"test byte [ebp+8],imm8", {0xF6, 0x45, 0x08, 0x01}, DecodeStatus::Ok, 4},
    {"neg byte [ebp+8]: no imm", {0xF6, 0x5D, 0x08}, DecodeStatus::Ok, 3},
    {"test ecx,imm32", {0xF7, 0xC1, 0x78, 0x56, 0x34, 0x12}, DecodeStatus::Ok, 6},
    {"66 test cx,imm16", {0x66, 0xF7, 0xC1, 0x34, 0x12}, DecodeStatus::Ok, 5},
    {"neg eax", {0xF7, 0xD8}, DecodeStatus::Ok, 2},
    {"call far ptr16:32", {0x9A, 0x78, 0x56, 0x34, 0x12, 0x08, 0x00}, DecodeStatus::Ok, 7},
    {"66 jmp far ptr16:16", {0x66, 0xEA, 0x34, 0x12, 0x08, 0x00}, DecodeStatus::Ok, 6},
    {"loop", {0xE2, 0xFE}, DecodeStatus::Ok, 2},
    {"jcc rel32", {0x0F, 0x84, 1, 0, 0, 0}, DecodeStatus::Ok, 6},
    {"movzx eax,byte [ebp+8]", {0x0F, 0xB6, 0x45, 0x08}, DecodeStatus::Ok, 4},
    {"imul eax,ecx", {0x0F, 0xAF, 0xC1}, DecodeStatus::Ok, 3},
    {"cpuid", {0x0F, 0xA2}, DecodeStatus::Ok, 2},
    {"rdtsc", {0x0F, 0x31}, DecodeStatus::Ok, 2},
    {"bswap eax", {0x0F, 0xC8}, DecodeStatus::Ok, 2},
    {"bt eax,imm8", {0x0F, 0xBA, 0xE0, 0x03}, DecodeStatus::Ok, 4},
    {"shld edx,eax,imm8", {0x0F, 0xA4, 0xC2, 0x04}, DecodeStatus::Ok, 4},
    {"nop dword [eax+eax]", {0x0F, 0x1F, 0x44, 0x00, 0x00}, DecodeStatus::Ok, 5},
    {"66 nop word", {0x66, 0x0F, 0x1F, 0x44, 0x00, 0x00}, DecodeStatus::Ok, 6},
    {"movss xmm0,[ebp+8]", {0xF3, 0x0F, 0x10, 0x45, 0x08}, DecodeStatus::Ok, 5},
    {"movdqa xmm0,[esp]", {0x66, 0x0F, 0x6F, 0x04, 0x24}, DecodeStatus::Ok, 5},
    {"pshufd: imm8", {0x66, 0x0F, 0x70, 0xC1, 0x1B}, DecodeStatus::Ok, 5},
    {"0F 3A palignr: imm8", {0x66, 0x0F, 0x3A, 0x0F, 0xC1, 0x08}, DecodeStatus::Ok, 6},
    {"0F 38 pshufb", {0x66, 0x0F, 0x38, 0x00, 0xC1}, DecodeStatus::Ok, 5},
    {"lock cmpxchg [ecx],edx", {0xF0, 0x0F, 0xB1, 0x11}, DecodeStatus::Ok, 4},
    {"lock and dword [abs],0", {0xF0, 0x83, 0x25, 0x78, 0x56, 0x34, 0x12, 0x00}, DecodeStatus::Ok, 8},
    {"fs: mov eax,[18h]", {0x64, 0xA1, 0x18, 0, 0, 0}, DecodeStatus::Ok, 6},
    {"rep movsd", {0xF3, 0xA5}, DecodeStatus::Ok, 2},
    {"cs: mov eax,[eax]", {0x2E, 0x8B, 0x00}, DecodeStatus::Ok, 3},
    {"fld dword [ebp+8]", {0xD9, 0x45, 0x08}, DecodeStatus::Ok, 3},
    {"fstp qword [esp]", {0xDD, 0x1C, 0x24}, DecodeStatus::Ok, 3},
    {"call [abs]", {0xFF, 0x15, 0x78, 0x56, 0x34, 0x12}, DecodeStatus::Ok, 6},
    {"jmp eax", {0xFF, 0xE0}, DecodeStatus::Ok, 2},
    {"fourteen prefixes: 15 bytes", Cat({Bytes(14, 0x66), {0x90}}), DecodeStatus::Ok, 15},
    // 0F 78 is vmread without a prefix, and with 66 or F2 an SSE4a op with two imm8.
    {"vmread eax,ecx", {0x0F, 0x78, 0xC8}, DecodeStatus::Ok, 3},
    {"vmread [eax+8],ecx", {0x0F, 0x78, 0x48, 0x08}, DecodeStatus::Ok, 4},
    {"extrq xmm0,imm8,imm8", {0x66, 0x0F, 0x78, 0xC0, 0x04, 0x08}, DecodeStatus::Ok, 6},
    {"insertq xmm1,xmm2,imm8,imm8", {0xF2, 0x0F, 0x78, 0xCA, 0x04, 0x08}, DecodeStatus::Ok, 6},
    {"insertq behind 66", {0x66, 0xF2, 0x0F, 0x78, 0xCA, 0x04, 0x08}, DecodeStatus::Ok, 7},
    {"insertq: F2 last of F3 F2", {0xF3, 0xF2, 0x0F, 0x78, 0xCA, 0x04, 0x08}, DecodeStatus::Ok, 7},
    {"extrq xmm,xmm: no imm", {0x66, 0x0F, 0x79, 0xC1}, DecodeStatus::Ok, 4},
    {"insertq xmm,xmm: no imm", {0xF2, 0x0F, 0x79, 0xC1}, DecodeStatus::Ok, 4},
    {"extrq with a memory operand", {0x66, 0x0F, 0x78, 0x00, 0x04, 0x08}, DecodeStatus::Unknown, 0},
    {"extrq /1", {0x66, 0x0F, 0x78, 0xC8, 0x04, 0x08}, DecodeStatus::Unknown, 0},
    {"insertq with a memory operand", {0xF2, 0x0F, 0x78, 0x40, 0x08, 0x04, 0x08},
     DecodeStatus::Unknown, 0},
    // mov to and from control and debug registers: a register operand whatever mod says.
    {"mov eax,cr0", {0x0F, 0x20, 0xC0}, DecodeStatus::Ok, 3},
    {"mov eax,cr0 with mod 2: no disp32", {0x0F, 0x20, 0x80}, DecodeStatus::Ok, 3},
    {"mov eax,dr7 with mod 0 rm 4: no SIB", {0x0F, 0x21, 0x38}, DecodeStatus::Ok, 3},
    {"mov cr3,ebp with mod 0 rm 5: no disp32", {0x0F, 0x22, 0x1D}, DecodeStatus::Ok, 3},
    {"mov dr0,eax with mod 1: no disp8", {0x0F, 0x23, 0x40}, DecodeStatus::Ok, 3},
    {"67 mov eax,cr0 with mod 0 rm 6: no disp16", {0x67, 0x0F, 0x20, 0x06}, DecodeStatus::Ok, 4},
    {"ud2", {0x0F, 0x0B}, DecodeStatus::Unknown, 0},
    {"ud1", {0x0F, 0xB9, 0xC0}, DecodeStatus::Unknown, 0},
    {"ud0", {0x0F, 0xFF, 0xC0}, DecodeStatus::Unknown, 0},
    {"salc", {0xD6}, DecodeStatus::Unknown, 0},
    {"icebp", {0xF1}, DecodeStatus::Unknown, 0},
    {"VEX (C4 with register form)", {0xC4, 0xE2, 0x79, 0x18, 0xC0}, DecodeStatus::Unknown, 0},
    {"lea with a register operand", {0x8D, 0xC0}, DecodeStatus::Unknown, 0},
    {"FF /7", {0xFF, 0xF8}, DecodeStatus::Unknown, 0},
    {"FE /2", {0xFE, 0xD0}, DecodeStatus::Unknown, 0},
    {"3DNow!", {0x0F, 0x0F, 0xC1, 0x9E}, DecodeStatus::Unknown, 0},
    {"cut in the ModRM", {0x8B}, DecodeStatus::Truncated, 0},
    {"cut in the SIB", {0x8B, 0x44}, DecodeStatus::Truncated, 0},
    {"cut in the displacement", {0x8B, 0x44, 0x24}, DecodeStatus::Truncated, 0},
    {"cut in the rel32", {0xE8, 0x00, 0x00}, DecodeStatus::Truncated, 0},
    {"lone escape", {0x0F}, DecodeStatus::Truncated, 0},
    {"only prefixes", {0x66, 0xF3}, DecodeStatus::Truncated, 0},
    {"fifteen prefixes: 16 bytes", Cat({Bytes(15, 0x66), {0x90}}), DecodeStatus::TooLong, 0},
    {"long immediate past 15", Cat({Bytes(10, 0x3E), {0xC7, 0x05, 1, 2, 3, 4, 5, 6, 7, 8}}),
     DecodeStatus::TooLong, 0},
};

TEST(HookDecoder, InstructionLengths) {
  for (const LengthCase& c : kLengths) {
    Instruction in;
    const DecodeStatus s = DecodeInstruction(c.bytes.data(), c.bytes.size(), in);
    EXPECT_EQ(static_cast<int>(s), static_cast<int>(c.status)) << c.what << ": " << Hex(c.bytes);
    if (s == DecodeStatus::Ok && c.status == DecodeStatus::Ok) {
      EXPECT_EQ(in.length, c.length) << c.what << ": " << Hex(c.bytes);
    }
  }
}

TEST(HookDecoder, LengthIgnoresFollowingBytes) {
  // The same instructions with plenty of bytes behind them decode to the same length.
  for (const LengthCase& c : kLengths) {
    if (c.status != DecodeStatus::Ok) continue;
    Bytes padded = Cat({c.bytes, Bytes(16, 0xCC)});
    Instruction in;
    ASSERT_EQ(DecodeInstruction(padded.data(), padded.size(), in), DecodeStatus::Ok) << c.what;
    EXPECT_EQ(in.length, c.length) << c.what;
  }
}

struct BranchCase {
  const char* what;
  Bytes bytes;
  BranchKind kind;
  std::int32_t rel;
  bool endsFlow;
  bool call;
};

const BranchCase kBranches[] = {
    {"jz short back", {0x74, 0xFE}, BranchKind::Jcc8, -2, false, false},
    {"jmp short", {0xEB, 0x10}, BranchKind::Jmp8, 16, true, false},
    {"jecxz", {0xE3, 0x05}, BranchKind::Loop8, 5, false, false},
    {"call rel32", {0xE8, 0x00, 0x10, 0x00, 0x00}, BranchKind::Call32, 0x1000, false, true},
    {"jmp rel32 back", {0xE9, 0xFB, 0xFF, 0xFF, 0xFF}, BranchKind::Jmp32, -5, true, false},
    {"jg rel32", {0x0F, 0x8F, 0x20, 0, 0, 0}, BranchKind::Jcc32, 0x20, false, false},
    {"ret", {0xC3}, BranchKind::None, 0, true, false},
    {"ret imm16", {0xC2, 4, 0}, BranchKind::None, 0, true, false},
    {"int3", {0xCC}, BranchKind::None, 0, true, false},
    {"jmp [eax]", {0xFF, 0x20}, BranchKind::None, 0, true, false},
    {"jmp far [eax]", {0xFF, 0x28}, BranchKind::None, 0, true, false},
    {"call [eax]", {0xFF, 0x10}, BranchKind::None, 0, false, true},
    {"call eax", {0xFF, 0xD0}, BranchKind::None, 0, false, true},
    {"call far [eax]", {0xFF, 0x18}, BranchKind::None, 0, false, true},
    {"call far ptr16:32", {0x9A, 0x78, 0x56, 0x34, 0x12, 0x08, 0x00}, BranchKind::None, 0, false, true},
    {"push [eax]", {0xFF, 0x30}, BranchKind::None, 0, false, false},
    {"int 2Eh", {0xCD, 0x2E}, BranchKind::None, 0, false, false},
};

TEST(HookDecoder, BranchesFlowEndsAndCalls) {
  for (const BranchCase& c : kBranches) {
    Instruction in;
    ASSERT_EQ(DecodeInstruction(c.bytes.data(), c.bytes.size(), in), DecodeStatus::Ok) << c.what;
    EXPECT_EQ(static_cast<int>(in.branch), static_cast<int>(c.kind)) << c.what;
    EXPECT_EQ(in.rel, c.rel) << c.what;
    EXPECT_EQ(in.endsFlow, c.endsFlow) << c.what;
    EXPECT_EQ(in.call, c.call) << c.what;
  }
}

constexpr std::uint32_t kSrc = 0x00401000;
constexpr std::uint32_t kDst = 0x10000000;

// rel32 field for a branch whose field ends at offset `end` of the trampoline.
Bytes RelFrom(std::size_t end, std::uint32_t target) {
  return Le32(target - (kDst + static_cast<std::uint32_t>(end)));
}

struct RelocCase {
  const char* what;
  Bytes src;
  RelocateStatus status;
  std::size_t covered;
  Bytes code;  // expected trampoline, the jump back included
};

const std::vector<RelocCase>& RelocCases() {
  static const std::vector<RelocCase> cases = {
      {"plain prologue",
       {0x55, 0x89, 0xE5, 0x8B, 0x45, 0x08, 0x03, 0x45, 0x0C, 0x5D, 0xC3},
       RelocateStatus::Ok, 6,
       Cat({{0x55, 0x89, 0xE5, 0x8B, 0x45, 0x08, 0xE9}, RelFrom(11, kSrc + 6)})},
      {"short jcc becomes near",
       {0x85, 0xC9, 0x78, 0x06, 0xB8, 1, 0, 0, 0, 0xC3, 0xB8, 0xFF, 0xFF, 0xFF, 0xFF, 0xC3},
       RelocateStatus::Ok, 9,
       Cat({{0x85, 0xC9, 0x0F, 0x88}, RelFrom(8, kSrc + 10), {0xB8, 1, 0, 0, 0, 0xE9},
            RelFrom(18, kSrc + 9)})},
      {"jcc prefix kept",
       {0x3E, 0x74, 0x05, 0x90, 0x90, 0x90},
       RelocateStatus::Ok, 5,
       Cat({{0x3E, 0x0F, 0x84}, RelFrom(7, kSrc + 8), {0x90, 0x90, 0xE9}, RelFrom(14, kSrc + 5)})},
      {"near jcc backwards, before the patch",
       {0x90, 0x0F, 0x8C, 0xF0, 0xFF, 0xFF, 0xFF},
       RelocateStatus::Ok, 7,
       Cat({{0x90, 0x0F, 0x8C}, RelFrom(7, kSrc + 7 - 16), {0xE9}, RelFrom(12, kSrc + 7)})},
      {"call rel32",
       Cat({{0xE8}, Le32(0x100), {0x83, 0xC0, 0x01, 0xC3}}),
       RelocateStatus::Ok, 5,
       Cat({{0xE8}, RelFrom(5, kSrc + 5 + 0x100), {0xE9}, RelFrom(10, kSrc + 5)})},
      {"jmp rel32 at the entry (an earlier hook)",
       Cat({{0xE9}, Le32(0x2000)}),
       RelocateStatus::Ok, 5,
       Cat({{0xE9}, RelFrom(5, kSrc + 5 + 0x2000), {0xE9}, RelFrom(10, kSrc + 5)})},
      {"short jmp last: becomes near",
       {0x90, 0x90, 0x90, 0xEB, 0x10},
       RelocateStatus::Ok, 5,
       Cat({{0x90, 0x90, 0x90, 0xE9}, RelFrom(8, kSrc + 5 + 0x10), {0xE9}, RelFrom(13, kSrc + 5)})},
      {"jcc to the first byte after the patch",
       {0x74, 0x03, 0x90, 0x90, 0x90, 0xC3},
       RelocateStatus::Ok, 5,
       Cat({{0x0F, 0x84}, RelFrom(6, kSrc + 5), {0x90, 0x90, 0x90, 0xE9}, RelFrom(14, kSrc + 5)})},
      {"loop keeps its short form around a near jmp",
       {0xE2, 0x10, 0x90, 0x90, 0x90},
       RelocateStatus::Ok, 5,
       Cat({{0xE2, 0x02, 0xEB, 0x05, 0xE9}, RelFrom(9, kSrc + 2 + 0x10), {0x90, 0x90, 0x90, 0xE9},
            RelFrom(17, kSrc + 5)})},
      {"branch into the overwritten bytes", {0x31, 0xC0, 0x40, 0x75, 0xFD, 0xC3},
       RelocateStatus::BranchIntoPatch, 0, {}},
      {"branch to the patched entry itself", {0x90, 0x90, 0x90, 0x74, 0xFB, 0xC3},
       RelocateStatus::BranchIntoPatch, 0, {}},
      {"ret before five bytes", {0xC3, 0x55, 0x89, 0xE5, 0x90, 0x90},
       RelocateStatus::FlowEndsEarly, 0, {}},
      {"short jmp at the entry", {0xEB, 0x10, 0x90, 0x90, 0x90, 0x90},
       RelocateStatus::FlowEndsEarly, 0, {}},
      {"16-bit relative call", {0x90, 0x66, 0xE8, 0x00, 0x01, 0x90},
       RelocateStatus::Rel16Branch, 0, {}},
      {"address-size loop counts in CX and keeps its prefix",
       {0x67, 0xE2, 0x10, 0x90, 0x90},
       RelocateStatus::Ok, 5,
       Cat({{0x67, 0xE2, 0x02, 0xEB, 0x05, 0xE9}, RelFrom(10, kSrc + 3 + 0x10), {0x90, 0x90, 0xE9},
            RelFrom(17, kSrc + 5)})},
      {"call to the next instruction", {0xE8, 0, 0, 0, 0, 0x58}, RelocateStatus::CallsItself, 0, {}},
      {"ud2 at the entry", {0x0F, 0x0B, 0x90, 0x90, 0x90}, RelocateStatus::DecodeFailed, 0, {}},
      {"unknown opcode after the first", {0x90, 0xD6, 0x90, 0x90, 0x90}, RelocateStatus::DecodeFailed,
       0, {}},
      {"bytes end too early", {0x90, 0x90, 0x90}, RelocateStatus::DecodeFailed, 0, {}},
  };
  return cases;
}

TEST(HookDecoder, Relocation) {
  for (const RelocCase& c : RelocCases()) {
    Relocation r;
    const RelocateStatus s = RelocateInstructions(c.src.data(), c.src.size(), kSrc, kPatchSize, kDst, r);
    EXPECT_EQ(static_cast<int>(s), static_cast<int>(c.status)) << c.what;
    if (s != RelocateStatus::Ok || c.status != RelocateStatus::Ok) continue;
    EXPECT_EQ(r.covered, c.covered) << c.what;
    EXPECT_EQ(Hex(Bytes(r.code, r.code + r.size)), Hex(c.code)) << c.what;
  }
}

// A call among the overwritten bytes leaves a return address: inside the patch it is refused
// (a thread in the callee would come back into the middle of the jump); after it, the copy in
// the trampoline returns into the trampoline, which the relocation says.
TEST(HookDecoder, CallsAmongTheOverwrittenBytes) {
  const struct {
    const char* what;
    Bytes src;
    RelocateStatus status;
    bool holdsCall;
  } cases[] = {
      {"call [esp+4] at the entry returns to +4", {0xFF, 0x54, 0x24, 0x04, 0x83, 0xC0, 0x01, 0xC3},
       RelocateStatus::ReturnIntoPatch, false},
      {"call eax after a nop returns to +3", {0x90, 0xFF, 0xD0, 0x90, 0x90, 0x90},
       RelocateStatus::ReturnIntoPatch, false},
      {"call far [eax] returns to +2", {0xFF, 0x18, 0x90, 0x90, 0x90}, RelocateStatus::ReturnIntoPatch,
       false},
      {"ds: call [eax] returns to +3", {0x3E, 0xFF, 0x10, 0x90, 0x90, 0x90},
       RelocateStatus::ReturnIntoPatch, false},
      {"call eax ending at the fifth byte returns past the patch", {0x90, 0x90, 0x90, 0xFF, 0xD0, 0xC3},
       RelocateStatus::Ok, true},
      {"mov eax,[esp+4]; call eax", {0x8B, 0x44, 0x24, 0x04, 0xFF, 0xD0, 0x83, 0xC0, 0x01, 0xC3},
       RelocateStatus::Ok, true},
      {"call rel32 at the entry", Cat({{0xE8}, Le32(0x100)}), RelocateStatus::Ok, true},
      {"call [abs]", {0xFF, 0x15, 0x78, 0x56, 0x34, 0x12}, RelocateStatus::Ok, true},
      {"far call ptr16:32", {0x9A, 0x78, 0x56, 0x34, 0x12, 0x08, 0x00}, RelocateStatus::Ok, true},
      {"plain prologue", {0x55, 0x89, 0xE5, 0x8B, 0x45, 0x08}, RelocateStatus::Ok, false},
      {"a call after the relocated instructions", {0xB8, 1, 0, 0, 0, 0xFF, 0xD0}, RelocateStatus::Ok,
       false},
  };
  for (const auto& c : cases) {
    Relocation r;
    const RelocateStatus s = RelocateInstructions(c.src.data(), c.src.size(), kSrc, kPatchSize, kDst, r);
    EXPECT_EQ(static_cast<int>(s), static_cast<int>(c.status)) << c.what << ": " << Hex(c.src);
    if (s == RelocateStatus::Ok) {
      EXPECT_EQ(r.holdsCall, c.holdsCall) << c.what;
    }
  }
}

// With the operand-size prefix a relative branch cuts EIP to 16 bits, short forms included:
// no copy of it reaches the same place, so the relocation refuses every one.
TEST(HookDecoder, OperandSizeBranchesRefused) {
  const struct {
    const char* what;
    Bytes src;
  } cases[] = {
      {"jcc rel8", {0x66, 0x74, 0x10, 0x90, 0x90, 0x90}},
      {"jmp rel8 as the last instruction", {0x90, 0x90, 0x90, 0x66, 0xEB, 0x10}},
      {"loopne", {0x66, 0xE0, 0x10, 0x90, 0x90, 0x90}},
      {"loope", {0x66, 0xE1, 0x10, 0x90, 0x90, 0x90}},
      {"loop", {0x66, 0xE2, 0x10, 0x90, 0x90, 0x90}},
      {"jcxz", {0x66, 0xE3, 0x10, 0x90, 0x90, 0x90}},
      {"jcc rel16", {0x66, 0x0F, 0x84, 0x00, 0x01, 0x90}},
      {"jmp rel16 as the last instruction", {0x90, 0x66, 0xE9, 0x00, 0x01, 0x90}},
      {"behind a segment prefix", {0x3E, 0x66, 0x75, 0x10, 0x90, 0x90}},
      {"after a plain instruction", {0x90, 0x66, 0x7C, 0x10, 0x90, 0x90}},
  };
  for (const auto& c : cases) {
    Relocation r;
    EXPECT_EQ(static_cast<int>(RelocateInstructions(c.src.data(), c.src.size(), kSrc, kPatchSize, kDst, r)),
              static_cast<int>(RelocateStatus::Rel16Branch))
        << c.what << ": " << Hex(c.src);
  }
}

TEST(HookDecoder, RelocationAcrossTheAddressWrap) {
  // A branch far behind a trampoline high in memory: offsets are taken modulo 2^32.
  const Bytes src = Cat({{0xE8}, Le32(0x10)});
  Relocation r;
  ASSERT_EQ(RelocateInstructions(src.data(), src.size(), 0x1000, kPatchSize, 0xFFFFF000u, r),
            RelocateStatus::Ok);
  EXPECT_EQ(0xFFFFF005u + Read32(r.code + 1), 0x1015u);
  EXPECT_EQ(0xFFFFF00Au + Read32(r.code + 6), 0x1005u);
}

TEST(HookDecoder, PlaceGateLayout) {
  constexpr std::uint32_t kBlock = 0x20000000;
  constexpr std::uint32_t kCallback = 0x00402000;
  constexpr std::uint32_t kWaiter = 0x00403000;
  constexpr std::uint32_t kPlace = 0x00404321;
  std::vector<std::uint8_t> block(8192, 0xAA);
  PlaceLayout layout;
  ASSERT_TRUE(BuildPlaceGate(block.data(), block.size(), kBlock, 23, kCallback, kBlock, kWaiter,
                             kPlace, kPlaceSlots, layout));
  EXPECT_GE(layout.gate, kBlock + 23);
  EXPECT_EQ(layout.slotCount, kPlaceSlots);
  EXPECT_LE(layout.size, block.size());
  EXPECT_EQ(layout.zeroSlot & ~0xFFFu, kBlock + 0x1000) << "slots on a page of their own";
  EXPECT_EQ((layout.firstSlot + kPlaceSlots * kSlotSize - 1) & ~0xFFFu, kBlock + 0x1000);

  // Every slot: push <0>, pushfd, lock and [R+1],0, popfd, jmp trampoline; its word aligned.
  std::vector<std::uint32_t> slots{layout.zeroSlot};
  for (unsigned k = 0; k < layout.slotCount; ++k) slots.push_back(layout.firstSlot + k * kSlotSize);
  for (std::uint32_t r : slots) {
    const std::uint8_t* s = block.data() + (r - kBlock);
    EXPECT_EQ((r + 1) % 4, 0u);
    EXPECT_EQ(s[0], 0x68);
    EXPECT_EQ(Read32(s + 1), 0u) << "a new slot is free";
    EXPECT_EQ(s[5], 0x9C);
    EXPECT_EQ(Hex(Bytes(s + 6, s + 9)), Hex({0xF0, 0x83, 0x25}));
    EXPECT_EQ(Read32(s + 9), r + 1);
    EXPECT_EQ(s[13], 0x00);
    EXPECT_EQ(s[14], 0x9D);
    EXPECT_EQ(s[15], 0xE9);
    EXPECT_EQ(r + 20 + Read32(s + 16), kBlock) << "continues in the trampoline";
  }
  // The state words behind the slots, aligned and zero.
  const std::uint32_t slotsEnd = layout.firstSlot + kPlaceSlots * kSlotSize;
  EXPECT_GE(layout.zeroTaken, slotsEnd);
  EXPECT_EQ(layout.zeroTaken % 4, 0u);
  EXPECT_EQ(layout.waiting % 4, 0u);
  EXPECT_LE(layout.waiting + 4, kBlock + layout.size);
  EXPECT_EQ(block[layout.zeroTaken - kBlock], 0);
  EXPECT_EQ(Read32(block.data() + (layout.waiting - kBlock)), 0u);

  // The gate decodes cleanly; its scan covers exactly the pool, it waits through the waiter
  // with the place as argument, counted in the waiting word, marks the zero slot taken, and it
  // ends in the callback.
  std::size_t at = layout.gate - kBlock;
  Instruction in;
  bool sawCmpxchg = false;
  std::uint32_t scanStart = 0, scanEnd = 0, zeroLoad = 0, called = 0, pushed = 0;
  std::vector<std::uint32_t> counted, zeroMarked;
  for (;;) {
    ASSERT_EQ(DecodeInstruction(block.data() + at, block.size() - at, in), DecodeStatus::Ok);
    const std::uint8_t* p = block.data() + at;
    if (p[0] == 0xB9) (scanStart == 0 ? scanStart : zeroLoad) = Read32(p + 1);
    if (p[0] == 0x81 && p[1] == 0xF9) scanEnd = Read32(p + 2);
    if (p[0] == 0xF0 && p[1] == 0x0F && p[2] == 0xB1) sawCmpxchg = true;
    if (p[0] == 0x68) pushed = Read32(p + 1);
    if (p[0] == 0xF0 && p[1] == 0xFF) counted.push_back(Read32(p + 3));
    if ((p[0] == 0x80 && p[1] == 0x3D) || (p[0] == 0xC6 && p[1] == 0x05)) zeroMarked.push_back(Read32(p + 2));
    const std::uint32_t target = kBlock + static_cast<std::uint32_t>(at + in.length) +
                                 static_cast<std::uint32_t>(in.rel);
    if (in.branch == BranchKind::Call32) called = target;
    if (in.branch == BranchKind::Jmp32) {
      EXPECT_EQ(target, kCallback);
      break;
    }
    at += in.length;
    ASSERT_LT(at, layout.zeroSlot - kBlock) << "gate runs into the slots";
  }
  EXPECT_TRUE(sawCmpxchg);
  EXPECT_EQ(scanStart, layout.firstSlot + 1);
  EXPECT_EQ(scanEnd, layout.firstSlot + kPlaceSlots * kSlotSize + 1);
  EXPECT_EQ(zeroLoad, layout.zeroSlot + 1);
  EXPECT_EQ(called, kWaiter);
  EXPECT_EQ(pushed, kPlace);
  EXPECT_EQ(counted, std::vector<std::uint32_t>({layout.waiting, layout.waiting}));
  EXPECT_EQ(zeroMarked, std::vector<std::uint32_t>({layout.zeroTaken, layout.zeroTaken}));

  const std::size_t size = layout.size;
  EXPECT_FALSE(BuildPlaceGate(block.data(), 200, kBlock, 23, kCallback, kBlock, kWaiter, kPlace,
                              kPlaceSlots, layout))
      << "too small a block is refused";
  EXPECT_FALSE(BuildPlaceGate(block.data(), size - 1, kBlock, 23, kCallback, kBlock, kWaiter, kPlace,
                              kPlaceSlots, layout))
      << "no room for the state words";
}

// The wait for a slot lasts kSlotWaitLimitMs of counted time, the first round counting none and
// every later one the gap since the round before, at most kSlotWaitGapMs.
TEST(HookDecoder, SlotWaitIsBounded) {
  const struct {
    const char* what;
    std::uint32_t start;
    std::uint32_t gap;
    std::uint32_t rounds;  // the round in which the wait expires
  } cases[] = {
      {"rounds of 1 ms", 5000, 1, kSlotWaitLimitMs + 1},
      {"a coarse tick count, 16 ms a step", 5000, 16, (kSlotWaitLimitMs + 15) / 16 + 1},
      {"across the wrap of the tick count", 0xFFFFF000u, 16, (kSlotWaitLimitMs + 15) / 16 + 1},
      {"gaps of a minute count 0.1 s each", 5000, 60000, kSlotWaitLimitMs / kSlotWaitGapMs + 1},
  };
  for (const auto& c : cases) {
    SlotWait wait{0, 0};
    std::uint32_t now = c.start;
    std::uint32_t round = 1;
    while (!SlotWaitExpired(wait, now) && round <= c.rounds) {
      ++round;
      now += c.gap;
    }
    EXPECT_EQ(round, c.rounds) << c.what;
  }
  // A stop of the process in the middle of a wait of 1 ms rounds.
  SlotWait wait{0, 0};
  std::uint32_t now = 7000, round = 1;
  while (!SlotWaitExpired(wait, now) && round <= kSlotWaitLimitMs + 2) {
    ++round;
    now += round == 3000 ? 3600000 : 1;
  }
  EXPECT_EQ(round, kSlotWaitLimitMs + 1 - kSlotWaitGapMs + 1);
}

}  // namespace
