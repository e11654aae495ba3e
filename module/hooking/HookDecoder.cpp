// IA-32 instruction-length decoder, relocation of overwritten instructions, place gates.
#include "hooking/HookDecoder.h"

#include <cstring>
#include <initializer_list>

namespace hooking {
namespace {

// Operand layout of an opcode after its prefixes.
enum : std::uint8_t {
  kBad = 0x80,   // undefined or refused
  kModRM = 0x01,
  kImm8 = 0x02,
  kImmZ = 0x04,  // 16 or 32 bits by operand size
  kImm16 = 0x08,
  kMoffs = 0x10,  // 16 or 32 bits by address size (A0..A3)
  kFar = 0x20,    // ptr16:16/32 (9A, EA)
};

constexpr std::uint8_t M = kModRM;
constexpr std::uint8_t B = kBad;

// One-byte map; prefixes (26 2E 36 3E 64 65 66 67 F0 F2 F3) and 0F are handled before the
// table is read, and F6/F7 (TEST imm in /0 and /1) after the ModRM.
constexpr std::uint8_t kOneByte[256] = {
    // 00-0F: ALU r/m forms, AL/eAX imm, push/pop segment, 0F escape
    M, M, M, M, kImm8, kImmZ, 0, 0, M, M, M, M, kImm8, kImmZ, 0, B,
    // 10-1F
    M, M, M, M, kImm8, kImmZ, 0, 0, M, M, M, M, kImm8, kImmZ, 0, 0,
    // 20-2F (26, 2E prefixes; 27 daa, 2F das)
    M, M, M, M, kImm8, kImmZ, B, 0, M, M, M, M, kImm8, kImmZ, B, 0,
    // 30-3F (36, 3E prefixes; 37 aaa, 3F aas)
    M, M, M, M, kImm8, kImmZ, B, 0, M, M, M, M, kImm8, kImmZ, B, 0,
    // 40-4F inc/dec reg
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 50-5F push/pop reg
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 60-6F pusha popa bound arpl (64-67 prefixes) push imul push imul ins outs
    0, 0, M, M, B, B, B, B, kImmZ, M | kImmZ, kImm8, M | kImm8, 0, 0, 0, 0,
    // 70-7F jcc rel8
    kImm8, kImm8, kImm8, kImm8, kImm8, kImm8, kImm8, kImm8,
    kImm8, kImm8, kImm8, kImm8, kImm8, kImm8, kImm8, kImm8,
    // 80-8F group 1, test, xchg, mov, lea, pop r/m
    M | kImm8, M | kImmZ, M | kImm8, M | kImm8, M, M, M, M, M, M, M, M, M, M, M, M,
    // 90-9F xchg, cbw, cwd, call far, wait, pushf, popf, sahf, lahf
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kFar, 0, 0, 0, 0, 0,
    // A0-AF mov moffs, string ops, test imm
    kMoffs, kMoffs, kMoffs, kMoffs, 0, 0, 0, 0, kImm8, kImmZ, 0, 0, 0, 0, 0, 0,
    // B0-BF mov reg, imm
    kImm8, kImm8, kImm8, kImm8, kImm8, kImm8, kImm8, kImm8,
    kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ,
    // C0-CF shifts, ret imm16, ret, les, lds, mov r/m imm, enter, leave, retf, int3, int, into, iret
    M | kImm8, M | kImm8, kImm16, 0, M, M, M | kImm8, M | kImmZ,
    kImm16 | kImm8, 0, kImm16, 0, 0, kImm8, 0, 0,
    // D0-DF shifts, aam, aad, (D6 salc refused), xlat, x87
    M, M, M, M, kImm8, kImm8, B, 0, M, M, M, M, M, M, M, M,
    // E0-EF loop/jecxz, in/out imm, call, jmp, jmp far, jmp short, in/out dx
    kImm8, kImm8, kImm8, kImm8, kImm8, kImm8, kImm8, kImm8,
    kImmZ, kImmZ, kFar, kImm8, 0, 0, 0, 0,
    // F0-FF (F0, F2, F3 prefixes; F1 icebp refused) hlt cmc group3 flags group4 group5
    B, B, B, B, 0, 0, M, M, 0, 0, 0, 0, 0, 0, M, M,
};

// Two-byte map (after 0F); 0F 38 and 0F 3A are three-byte escapes handled separately.
constexpr std::uint8_t kTwoByte[256] = {
    // 00-0F: group6, group7, lar, lsl, -, syscall, clts, sysret, invd, wbinvd, -, ud2, -,
    //        prefetch, femms, 3DNow!
    M, M, M, M, B, 0, 0, 0, 0, 0, B, B, B, M, 0, B,
    // 10-1F SSE moves, prefetch / hint nops
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 20-2F mov cr/dr, SSE
    M, M, M, M, B, B, B, B, M, M, M, M, M, M, M, M,
    // 30-3F wrmsr rdtsc rdmsr rdpmc sysenter sysexit - getsec (38, 3A escapes)
    0, 0, 0, 0, 0, 0, B, 0, B, B, B, B, B, B, B, B,
    // 40-4F cmovcc
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 50-5F SSE
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 60-6F MMX/SSE
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 70-7F pshuf, shift groups with imm8, pcmpeq, emms, vmread (66: extrq, F2: insertq, both
    //       with two imm8, taken after the prefixes), vmwrite, -, -, SSE3, movd/q
    M | kImm8, M | kImm8, M | kImm8, M | kImm8, M, M, M, 0, M, M, B, B, M, M, M, M,
    // 80-8F jcc rel32
    kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ,
    kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ, kImmZ,
    // 90-9F setcc
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // A0-AF push fs, pop fs, cpuid, bt, shld, -, -, push gs, pop gs, rsm, bts, shrd, group15, imul
    0, 0, 0, M, M | kImm8, M, B, B, 0, 0, 0, M, M | kImm8, M, M, M,
    // B0-BF cmpxchg, lss, btr, lfs, lgs, movzx, popcnt, ud1, group8, btc, bsf, bsr, movsx
    M, M, M, M, M, M, M, M, M, B, M | kImm8, M, M, M, M, M,
    // C0-CF xadd, cmpps, movnti, pinsrw, pextrw, shufps, group9, bswap
    M, M, M | kImm8, M, M | kImm8, M | kImm8, M | kImm8, M, 0, 0, 0, 0, 0, 0, 0, 0,
    // D0-DF
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // E0-EF
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // F0-FF (FF ud0)
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, B,
};

bool IsPrefix(std::uint8_t b) {
  switch (b) {
    case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65:
    case 0x66: case 0x67: case 0xF0: case 0xF2: case 0xF3:
      return true;
    default:
      return false;
  }
}

std::int32_t ReadSigned(const std::uint8_t* p, std::uint8_t size) {
  switch (size) {
    case 1: return static_cast<std::int8_t>(p[0]);
    case 2: return static_cast<std::int16_t>(p[0] | (p[1] << 8));
    default: {
      std::uint32_t v = 0;
      std::memcpy(&v, p, 4);
      return static_cast<std::int32_t>(v);
    }
  }
}

void Put32(std::uint8_t* at, std::uint32_t v) { std::memcpy(at, &v, 4); }

}  // namespace

DecodeStatus DecodeInstruction(const std::uint8_t* p, std::size_t avail, Instruction& out) {
  out = Instruction{};
  const std::size_t limit = avail < 15 ? avail : 15;
  std::size_t i = 0;
  auto need = [&](std::size_t n) -> DecodeStatus {
    if (i + n <= limit) return DecodeStatus::Ok;
    return i + n > 15 ? DecodeStatus::TooLong : DecodeStatus::Truncated;
  };

  // Legacy prefixes, any number and order (the 15-byte limit bounds them). Of F2 and F3 the
  // last one counts where they select an instruction.
  bool repne = false;
  for (;;) {
    if (DecodeStatus s = need(1); s != DecodeStatus::Ok) return s;
    if (!IsPrefix(p[i])) break;
    if (p[i] == 0x66) out.operandSize16 = true;
    if (p[i] == 0x67) out.addressSize16 = true;
    if (p[i] == 0xF2 || p[i] == 0xF3) repne = p[i] == 0xF2;
    ++i;
  }
  out.prefixCount = static_cast<std::uint8_t>(i);

  std::uint8_t op = p[i++];
  std::uint8_t layout;
  bool threeByte38 = false;
  if (op == 0x0F) {
    if (DecodeStatus s = need(1); s != DecodeStatus::Ok) return s;
    op = p[i++];
    out.twoByteMap = true;
    out.opcodeLength = 2;
    if (op == 0x38 || op == 0x3A) {
      if (DecodeStatus s = need(1); s != DecodeStatus::Ok) return s;
      threeByte38 = op == 0x38;
      op = p[i++];
      out.opcodeLength = 3;
      layout = threeByte38 ? M : M | kImm8;
    } else {
      layout = kTwoByte[op];
    }
  } else {
    out.opcodeLength = 1;
    layout = kOneByte[op];
  }
  out.opcode = op;
  if (layout & kBad) return DecodeStatus::Unknown;

  // ModRM, SIB, displacement.
  if (layout & kModRM) {
    if (DecodeStatus s = need(1); s != DecodeStatus::Ok) return s;
    out.hasModRM = true;
    out.modrm = p[i++];
    const std::uint8_t mod = out.modrm >> 6;
    const std::uint8_t reg = (out.modrm >> 3) & 7;
    const std::uint8_t rm = out.modrm & 7;
    if (!out.twoByteMap) {
      // In 32-bit code C4/C5 with a register operand and 62 likewise are VEX/EVEX escapes;
      // lea, les, lds and bound need a memory operand.
      if (mod == 3 && (op == 0x62 || op == 0xC4 || op == 0xC5 || op == 0x8D)) {
        return DecodeStatus::Unknown;
      }
      if ((op == 0xF6 || op == 0xF7) && reg < 2) layout |= op == 0xF6 ? kImm8 : kImmZ;
      if (op == 0xFE && reg > 1) return DecodeStatus::Unknown;
      if (op == 0xFF && reg == 7) return DecodeStatus::Unknown;
      if ((op == 0xFF && (reg == 3 || reg == 5)) && mod == 3) return DecodeStatus::Unknown;
      if (op == 0xFF && (reg == 4 || reg == 5)) out.endsFlow = true;
      if (op == 0xFF && (reg == 2 || reg == 3)) out.call = true;
      if ((op == 0x8F || op == 0xC6 || op == 0xC7) && reg != 0) return DecodeStatus::Unknown;
    } else if (out.opcodeLength == 2 && op == 0x78 && (repne || out.operandSize16)) {
      // insertq xmm, xmm, imm8, imm8 (F2) and extrq xmm, imm8, imm8 (66 /0): register forms only.
      if (mod != 3 || (!repne && reg != 0)) return DecodeStatus::Unknown;
      layout |= kImm16;
    }
    // mov to and from control and debug registers always take a register, whatever mod says.
    const bool registerOnly = out.opcodeLength == 2 && op >= 0x20 && op <= 0x23;
    if (mod != 3 && !registerOnly) {
      if (out.addressSize16) {
        if (mod == 0 && rm == 6) out.dispSize = 2;
        else if (mod == 1) out.dispSize = 1;
        else if (mod == 2) out.dispSize = 2;
      } else {
        if (rm == 4) {
          if (DecodeStatus s = need(1); s != DecodeStatus::Ok) return s;
          out.hasSIB = true;
          const std::uint8_t sib = p[i++];
          if (mod == 0 && (sib & 7) == 5) out.dispSize = 4;
        }
        if (mod == 0 && rm == 5) out.dispSize = 4;
        else if (mod == 1) out.dispSize = 1;
        else if (mod == 2) out.dispSize = 4;
      }
      if (DecodeStatus s = need(out.dispSize); s != DecodeStatus::Ok) return s;
      i += out.dispSize;
    }
  }

  // Immediates.
  const std::uint8_t immZ = out.operandSize16 ? 2 : 4;
  std::uint8_t imm = 0;
  if (layout & kImm16) imm += 2;
  if (layout & kImm8) imm += 1;
  if (layout & kImmZ) imm += immZ;
  if (layout & kMoffs) imm += out.addressSize16 ? 2 : 4;
  if (layout & kFar) imm += immZ + 2;
  if (DecodeStatus s = need(imm); s != DecodeStatus::Ok) return s;
  const std::size_t immAt = i;
  i += imm;
  out.immSize = imm;
  out.length = static_cast<std::uint8_t>(i);

  // Relative branches and the end of the flow.
  auto branch = [&](BranchKind k, std::uint8_t size) {
    out.branch = k;
    out.relOffset = static_cast<std::uint8_t>(immAt);
    out.relSize = size;
    out.rel = ReadSigned(p + immAt, size);
  };
  if (!out.twoByteMap) {
    if (op >= 0x70 && op <= 0x7F) branch(BranchKind::Jcc8, 1);
    else if (op >= 0xE0 && op <= 0xE3) branch(BranchKind::Loop8, 1);
    else if (op == 0xEB) branch(BranchKind::Jmp8, 1);
    else if (op == 0xE9) branch(BranchKind::Jmp32, immZ);
    else if (op == 0xE8) branch(BranchKind::Call32, immZ);
    if (op == 0xE8 || op == 0x9A) out.call = true;
    switch (op) {
      case 0xC2: case 0xC3: case 0xCA: case 0xCB: case 0xCC: case 0xCF:
      case 0xE9: case 0xEA: case 0xEB: case 0xF4:
        out.endsFlow = true;
        break;
      default:
        break;
    }
  } else if (out.opcodeLength == 2 && op >= 0x80 && op <= 0x8F) {
    branch(BranchKind::Jcc32, immZ);
  }
  return DecodeStatus::Ok;
}

void EncodeJmp(std::uint8_t* at, std::uint32_t atAddr, std::uint32_t target) {
  at[0] = 0xE9;
  Put32(at + 1, target - (atAddr + 5));
}

RelocateStatus RelocateInstructions(const std::uint8_t* src, std::size_t avail,
                                    std::uint32_t srcAddr, std::size_t minBytes,
                                    std::uint32_t dstAddr, Relocation& out) {
  out = Relocation{};
  // First pass: decode enough whole instructions.
  Instruction insns[kMaxRelocated];
  std::size_t covered = 0;
  std::size_t count = 0;
  while (covered < minBytes) {
    if (count == sizeof insns / sizeof insns[0]) return RelocateStatus::DecodeFailed;
    Instruction& in = insns[count];
    if (DecodeInstruction(src + covered, avail - covered, in) != DecodeStatus::Ok) {
      return RelocateStatus::DecodeFailed;
    }
    covered += in.length;
    ++count;
    if (in.call && covered < minBytes) return RelocateStatus::ReturnIntoPatch;
    if (in.endsFlow && covered < minBytes) return RelocateStatus::FlowEndsEarly;
    if (in.call) out.holdsCall = true;
  }

  // Second pass: emit, rewriting the relative branches for their new place.
  std::size_t at = 0;
  std::size_t from = 0;
  auto room = [&](std::size_t n) { return at + n + kPatchSize <= kMaxTrampoline; };
  for (std::size_t k = 0; k < count; ++k) {
    const Instruction& in = insns[k];
    const std::uint8_t* s = src + from;
    const std::uint32_t next = srcAddr + static_cast<std::uint32_t>(from + in.length);
    out.sourceStart[k] = static_cast<std::uint8_t>(from);
    out.copyStart[k] = static_cast<std::uint8_t>(at);
    from += in.length;
    if (in.branch == BranchKind::None) {
      if (!room(in.length)) return RelocateStatus::OutOfSpace;
      std::memcpy(out.code + at, s, in.length);
      at += in.length;
      continue;
    }
    if (in.operandSize16) return RelocateStatus::Rel16Branch;
    const std::uint32_t target = next + static_cast<std::uint32_t>(in.rel);
    if (target - srcAddr < covered) return RelocateStatus::BranchIntoPatch;
    if (in.branch == BranchKind::Call32 && in.rel == 0) return RelocateStatus::CallsItself;
    const std::size_t pre = in.prefixCount;
    switch (in.branch) {
      case BranchKind::Jcc8:
      case BranchKind::Jcc32: {
        if (!room(pre + 6)) return RelocateStatus::OutOfSpace;
        std::memcpy(out.code + at, s, pre);
        const std::uint8_t cc = in.opcode & 0x0F;
        out.code[at + pre] = 0x0F;
        out.code[at + pre + 1] = static_cast<std::uint8_t>(0x80 | cc);
        at += pre + 6;
        Put32(out.code + at - 4, target - (dstAddr + static_cast<std::uint32_t>(at)));
        break;
      }
      case BranchKind::Jmp8:
      case BranchKind::Jmp32:
      case BranchKind::Call32: {
        if (!room(pre + 5)) return RelocateStatus::OutOfSpace;
        std::memcpy(out.code + at, s, pre);
        out.code[at + pre] = in.branch == BranchKind::Call32 ? 0xE8 : 0xE9;
        at += pre + 5;
        Put32(out.code + at - 4, target - (dstAddr + static_cast<std::uint32_t>(at)));
        break;
      }
      case BranchKind::Loop8: {
        // loop +2 ; jmp short +5 ; jmp near target
        if (!room(pre + 9)) return RelocateStatus::OutOfSpace;
        std::memcpy(out.code + at, s, pre + 1);
        out.code[at + pre + 1] = 0x02;
        out.code[at + pre + 2] = 0xEB;
        out.code[at + pre + 3] = 0x05;
        out.code[at + pre + 4] = 0xE9;
        at += pre + 9;
        Put32(out.code + at - 4, target - (dstAddr + static_cast<std::uint32_t>(at)));
        break;
      }
      case BranchKind::None:
        break;
    }
  }
  EncodeJmp(out.code + at, dstAddr + static_cast<std::uint32_t>(at),
            srcAddr + static_cast<std::uint32_t>(covered));
  at += kPatchSize;
  out.size = at;
  out.covered = covered;
  out.count = count;
  return RelocateStatus::Ok;
}

bool BuildPlaceGate(std::uint8_t* buf, std::size_t cap, std::uint32_t bufAddr, std::size_t offset,
                    std::uint32_t callback, std::uint32_t trampoline, std::uint32_t waiter,
                    std::uint32_t place, unsigned slotCount, PlaceLayout& out) {
  out = PlaceLayout{};
  if (slotCount == 0) return false;
  std::size_t gate = (offset + 15) & ~std::size_t{15};
  constexpr std::size_t kGateSize = 128;
  // The slots live on a page of their own, away from the gate and the trampoline: their
  // words are written all the time, and a write near code being run costs a pipeline flush
  // (and, under emulators, the translation of the whole page). They start at 3 mod 4, so
  // every word at R + 1 is 4-byte aligned for the locked operations; the zero slot first.
  // The two state words follow the last slot.
  const std::uint32_t gateEnd = bufAddr + static_cast<std::uint32_t>(gate + kGateSize);
  const std::uint32_t slotPage = (gateEnd + (kSlotPage - 1)) & ~(kSlotPage - 1);
  const std::size_t zero = (slotPage - bufAddr) + 3;
  const std::size_t first = zero + kSlotSize;
  const std::size_t end = first + slotCount * kSlotSize;
  const std::size_t zeroTaken = (end + 3) & ~std::size_t{3};
  const std::size_t waiting = zeroTaken + 4;
  const std::size_t size = waiting + 4;
  if (size > cap) return false;

  const std::uint32_t zeroAddr = bufAddr + static_cast<std::uint32_t>(zero);
  const std::uint32_t firstAddr = bufAddr + static_cast<std::uint32_t>(first);
  const std::uint32_t endAddr = bufAddr + static_cast<std::uint32_t>(end);
  const std::uint32_t zeroTakenAddr = bufAddr + static_cast<std::uint32_t>(zeroTaken);
  const std::uint32_t waitingAddr = bufAddr + static_cast<std::uint32_t>(waiting);

  std::uint8_t* g = buf + gate;
  std::size_t n = 0;
  auto emit = [&](std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) g[n++] = b;
  };
  auto emit32 = [&](std::uint32_t v) {
    Put32(g + n, v);
    n += 4;
  };
  auto here = [&] { return bufAddr + static_cast<std::uint32_t>(gate + n); };
  constexpr std::uint8_t kWord = 24;     // [esp+24]: the game's word, under six saved words
  emit({0x9C, 0x50, 0x51, 0x52});        // pushfd; push eax; push ecx; push edx
  emit({0x6A, 0x00, 0x6A, 0x00});        // push 0; push 0      the SlotWait, zero
  emit({0x8B, 0x54, 0x24, kWord});       // mov edx, [esp+24]   the game's word
  emit({0x85, 0xD2});                    // test edx, edx
  emit({0x74, 0x00});                    // jz use_zero
  const std::size_t jzZero = n - 1;
  const std::size_t retry = n;
  emit({0xB9});                          // mov ecx, firstSlot+1
  emit32(firstAddr + 1);
  const std::size_t scan = n;
  emit({0x31, 0xC0});                    // xor eax, eax
  emit({0xF0, 0x0F, 0xB1, 0x11});        // lock cmpxchg [ecx], edx
  emit({0x74, 0x00});                    // jz claimed
  const std::size_t jzClaimed = n - 1;
  emit({0x83, 0xC1, static_cast<std::uint8_t>(kSlotSize)});  // add ecx, kSlotSize
  emit({0x81, 0xF9});                    // cmp ecx, end+1
  emit32(endAddr + 1);
  emit({0x72, static_cast<std::uint8_t>(scan - (n + 2))});   // jb scan
  // Every slot is held: one round of the wait, then scan again.
  emit({0xF0, 0xFF, 0x05});              // lock inc dword [waiting]
  emit32(waitingAddr);
  emit({0xFC});                          // cld                 the waiter is compiled code
  emit({0x89, 0xE0});                    // mov eax, esp        &SlotWait
  emit({0x68});                          // push place
  emit32(place);
  emit({0x50});                          // push eax
  emit({0xE8});                          // call waiter         removes both arguments
  emit32(waiter - (here() + 4));
  emit({0xF0, 0xFF, 0x0D});              // lock dec dword [waiting]
  emit32(waitingAddr);
  emit({0x8B, 0x54, 0x24, kWord});       // mov edx, [esp+24]   the call may change EDX
  emit({0xEB, static_cast<std::uint8_t>(retry - (n + 2))});  // jmp retry
  g[jzZero] = static_cast<std::uint8_t>(n - (jzZero + 1));
  emit({0x80, 0x3D});                    // use_zero: cmp byte [zeroTaken], 0
  emit32(zeroTakenAddr);
  emit({0x00});
  emit({0x75, 0x07});                    // jne +7              written once only
  emit({0xC6, 0x05});                    // mov byte [zeroTaken], 1
  emit32(zeroTakenAddr);
  emit({0x01});
  emit({0xB9});                          // mov ecx, zeroSlot+1
  emit32(zeroAddr + 1);
  g[jzClaimed] = static_cast<std::uint8_t>(n - (jzClaimed + 1));
  emit({0x49});                          // claimed: dec ecx   (R)
  emit({0x89, 0x4C, 0x24, kWord});       // mov [esp+24], ecx  top word := R
  emit({0x83, 0xC4, 0x08});              // add esp, 8          drop the SlotWait
  emit({0x5A, 0x59, 0x58, 0x9D});        // pop edx; pop ecx; pop eax; popfd
  EncodeJmp(g + n, here(), callback);
  n += kPatchSize;

  auto slot = [&](std::size_t at) {
    std::uint8_t* s = buf + at;
    const std::uint32_t r = bufAddr + static_cast<std::uint32_t>(at);
    s[0] = 0x68;                         // push <word>
    Put32(s + 1, 0);
    s[5] = 0x9C;                         // pushfd
    s[6] = 0xF0;                         // lock and dword [R+1], 0
    s[7] = 0x83;
    s[8] = 0x25;
    Put32(s + 9, r + 1);
    s[13] = 0x00;
    s[14] = 0x9D;                        // popfd
    EncodeJmp(s + 15, r + 15, trampoline);
  };
  for (std::size_t k = gate + n; k < zero; ++k) buf[k] = 0xCC;
  slot(zero);
  for (unsigned k = 0; k < slotCount; ++k) slot(first + k * kSlotSize);
  std::memset(buf + end, 0, size - end);

  out.gate = bufAddr + static_cast<std::uint32_t>(gate);
  out.zeroSlot = zeroAddr;
  out.firstSlot = firstAddr;
  out.slotCount = slotCount;
  out.zeroTaken = zeroTakenAddr;
  out.waiting = waitingAddr;
  out.size = size;
  return true;
}

bool SlotWaitExpired(SlotWait& wait, std::uint32_t now) {
  const bool firstRound = wait.last == 0 && wait.waited == 0;
  if (!firstRound) {
    const std::uint32_t gap = now - wait.last;  // modulo 2^32: the tick count wraps
    wait.waited += gap < kSlotWaitGapMs ? gap : kSlotWaitGapMs;
  }
  wait.last = now;
  return wait.waited >= kSlotWaitLimitMs;
}

}  // namespace hooking
