// The scan of the code that follows a patch for branches back into its bytes.
#include "hooking/HookScan.h"

#include "hooking/HookDecoder.h"

namespace hooking {

bool BranchIntoPatch(const std::uint8_t* code, std::size_t avail, std::uint32_t codeAddr) {
  const std::size_t limit = avail < kScanLimit ? avail : kScanLimit;
  std::size_t at = 0;
  std::size_t reach = 0;  // the farthest offset that a jump seen so far leads to
  while (at < limit) {
    Instruction in;
    if (DecodeInstruction(code + at, limit - at, in) != DecodeStatus::Ok) break;
    at += in.length;
    if (in.branch != BranchKind::None) {
      std::uint32_t target =
          codeAddr + static_cast<std::uint32_t>(at) + static_cast<std::uint32_t>(in.rel);
      if (in.operandSize16) target &= 0xFFFF;  // a 16-bit branch cuts EIP to 16 bits
      const std::uint32_t offset = target - codeAddr;  // past the target, or wrapped: huge
      if (offset >= 1 && offset < kPatchSize) return true;
      if (in.branch != BranchKind::Call32 && offset < limit && offset > reach) reach = offset;
    }
    if (in.endsFlow && reach < at) break;
  }
  return false;
}

}  // namespace hooking
