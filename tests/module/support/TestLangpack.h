// Builds langpack files byte by byte for the module's tests, fuzz seeds and benchmark.
// Deliberately independent of the editor's writer: it can also build what no editor writes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace testlangpack {

constexpr uint32_t End = 0xFFFFFFFF;
constexpr uint32_t ResourceId(uint32_t r) { return 0x01000000u | (r << 8); }
constexpr uint32_t SlotId(uint32_t slot, uint32_t sub = 0) { return 0x02000000u | (slot << 8) | sub; }

class TestLangpack {
 public:
  TestLangpack(uint32_t languageId = 20, uint32_t baseLanguage = 7, std::string name = "Testish")
      : languageId_(languageId), baseLanguage_(baseLanguage), name_(std::move(name)) {}

  TestLangpack& Version(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    version_[0] = a, version_[1] = b, version_[2] = c, version_[3] = d;
    return *this;
  }
  // Raw 32 name bytes (no NUL added); overrides the name.
  TestLangpack& RawName(const std::string& bytes32) {
    rawName_ = bytes32;
    return *this;
  }
  TestLangpack& Magic(const std::string& eightBytes) {
    magic_ = eightBytes;
    return *this;
  }
  TestLangpack& PoolOffset(uint32_t offset) {
    poolOffsetOverride_ = offset;
    return *this;
  }
  // Leaves the closing EndMarker of the index out.
  TestLangpack& NoIndexEnd() {
    indexEnd_ = false;
    return *this;
  }

  // Adds a string to the pool; returns its offset.
  uint32_t String(const std::string& text) {
    const auto offset = uint32_t(pool_.size());
    pool_.insert(pool_.end(), text.begin(), text.end());
    pool_.push_back('\0');
    return offset;
  }
  // Appends raw bytes to the pool (for strings without their NUL).
  void RawPool(const std::string& bytes) { pool_.insert(pool_.end(), bytes.begin(), bytes.end()); }

  TestLangpack& Single(uint32_t id, const std::string& text) {
    return Record(id, 0, {String(text)});
  }
  TestLangpack& Group(uint32_t id, std::initializer_list<std::string> lines) {
    return Group(id, std::vector<std::string>(lines));
  }
  TestLangpack& Group(uint32_t id, const std::vector<std::string>& lines) {
    std::vector<uint32_t> values;
    for (const auto& line : lines) values.push_back(String(line));
    values.push_back(End);
    return Record(id, 1, values);
  }
  // A record with exactly the given kind and values (no EndMarker added).
  TestLangpack& Record(uint32_t id, uint32_t kind, const std::vector<uint32_t>& values) {
    index_.push_back(id);
    index_.push_back(kind);
    index_.insert(index_.end(), values.begin(), values.end());
    return *this;
  }
  // Raw index words.
  TestLangpack& Words(std::initializer_list<uint32_t> words) {
    index_.insert(index_.end(), words);
    return *this;
  }

  std::string Bytes() const {
    std::string out;
    out.append(magic_.data(), 8);
    for (uint16_t v : version_) Put16(out, v);
    Put32(out, languageId_);
    Put32(out, baseLanguage_);
    std::string name = rawName_.empty() ? name_ : rawName_;
    name.resize(32, '\0');
    out += name;
    const uint32_t indexBytes = uint32_t(4 * (index_.size() + (indexEnd_ ? 1 : 0)));
    Put32(out, poolOffsetOverride_ != NoOverride ? poolOffsetOverride_ : 60 + indexBytes);
    for (uint32_t w : index_) Put32(out, w);
    if (indexEnd_) Put32(out, End);
    out.append(pool_.begin(), pool_.end());
    return out;
  }

  bool WriteTo(const std::string& path) const {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const std::string bytes = Bytes();
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
  }

 private:
  static constexpr uint32_t NoOverride = 0xFFFFFFFE;
  static void Put16(std::string& out, uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
  }
  static void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
  }

  uint32_t languageId_;
  uint32_t baseLanguage_;
  std::string name_;
  std::string rawName_;
  std::string magic_{"ZVLANG\0\0", 8};
  uint16_t version_[4] = {3, 6, 31, 0};
  uint32_t poolOffsetOverride_ = NoOverride;
  bool indexEnd_ = true;
  std::vector<uint32_t> index_;
  std::vector<char> pool_;
};

}  // namespace testlangpack
