#include <cstring>
#include <fstream>
#include <vector>

#include "CoreTestSupport.h"
#include "LangpackScan.h"
#include "TestLangpack.h"

using testlangpack::TestLangpack;

namespace {

struct Message {
  std::string text, caption;
  uint32_t style;
  bool operator==(const Message&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Message& m) {
  return os << '{' << m.caption << " | " << m.text << " | " << m.style << '}';
}

// Returns the entries it is given, in that order, whatever files exist.
class FakePlatform final : public ScanPlatform {
 public:
  uint32_t ModuleFileName(char* buffer, uint32_t size) override {
    const uint32_t n = uint32_t(std::min<size_t>(exePath.size(), size));
    memcpy(buffer, exePath.data(), n);
    if (n < size) buffer[n] = '\0';
    return n;
  }
  void* FindFirst(const char* pattern, char* name) override {
    patterns.push_back(pattern);
    next = 0;
    return FindNext(this, name) ? this : nullptr;
  }
  bool FindNext(void*, char* name) override {
    if (next >= entries.size()) return false;
    strcpy(name, entries[next++].c_str());
    return true;
  }
  void FindClose(void*) override { ++closes; }
  void ShowMessage(const char* text, const char* caption, uint32_t style) override {
    messages.push_back({text, caption, style});
  }

  std::string exePath;
  std::vector<std::string> entries;
  std::vector<std::string> patterns;
  std::vector<Message> messages;
  size_t next = 0;
  int closes = 0;
};

class ScanTest : public ModuleCoreTest {
 protected:
  void SetUp() override {
    ModuleCoreTest::SetUp();
    platform_.exePath = gameDir_ + "/ZV.exe";
  }
  // Writes the file and lists it as the next directory entry.
  void Add(const std::string& fileName, const TestLangpack& pack) { AddBytes(fileName, pack.Bytes()); }
  void AddBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream(LangpackPath(fileName), std::ios::binary) << bytes;
    platform_.entries.push_back(fileName);
  }
  void Scan() { ScanLangpacks(platform_); }
  static Message Error(const std::string& text) { return {text, "Error detected.", 0x10}; }

  FakePlatform platform_;
};

TEST_F(ScanTest, RegistersLangpackWithItsHeaderAndPath) {
  Add("Klingon.ZVlang", TestLangpack(42, 3, "tlhIngan Hol"));
  Scan();

  EXPECT_EQ(platform_.patterns, std::vector<std::string>{LanguagesDir() + "/*.ZVlang"});
  EXPECT_TRUE(platform_.messages.empty());
  EXPECT_EQ(platform_.closes, 1);
  const LanguageRecord* r = LanguageTable[42];
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->name, "tlhIngan Hol");
  EXPECT_EQ(r->languageId, 42u);
  EXPECT_EQ(r->baseLanguage, 3u);
  EXPECT_EQ(r->languageCode, uint32_t(CustomLanguageCode));
  EXPECT_EQ(r->methodTable, LangpackMethodTable);
  EXPECT_EQ(std::string(r->path), LangpackPath("Klingon.ZVlang"));
  for (uint32_t id = 0; id < 9; ++id) EXPECT_EQ(LanguageTable[id], BuiltinLanguagesById[id]);
}

TEST_F(ScanTest, LangpackTakesTheEntryOfABuiltinLanguage) {
  Add("Castellano.ZVlang", TestLangpack(3, 3, "Mi espanol"));
  Scan();
  ASSERT_NE(LanguageTable[3], BuiltinLanguagesById[3]);
  EXPECT_STREQ(LanguageTable[3]->name, "Mi espanol");
  EXPECT_EQ(BuiltinLanguagesById[3]->path, nullptr);
  EXPECT_EQ(BuiltinLanguagesById[3]->languageCode, 0xC0Au);
  EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(ScanTest, SecondLangpackAtOneIdGetsTheCollisionMessage) {
  Add("first.ZVlang", TestLangpack(3, 7, "First"));
  Add("second.ZVlang", TestLangpack(3, 7, "Second"));
  Add("other.ZVlang", TestLangpack(50, 7, "Other"));
  Add("third.ZVlang", TestLangpack(50, 7, "Third"));
  Scan();
  EXPECT_STREQ(LanguageTable[3]->name, "First");
  EXPECT_STREQ(LanguageTable[50]->name, "Other");
  EXPECT_EQ(platform_.messages,
            (std::vector<Message>{Error("Collision detected:\nsecond.ZVlang\nfirst.ZVlang"),
                                  Error("Collision detected:\nthird.ZVlang\nother.ZVlang")}));
}

TEST_F(ScanTest, OtherGameVersionWarnsAndRegisters) {
  Add("old.ZVlang", TestLangpack(30).Version(3, 6, 30, 0));
  Add("odd.ZVlang", TestLangpack(31).Version(65535, 0, 0, 40000));
  Scan();
  EXPECT_EQ(platform_.messages,
            (std::vector<Message>{
                {"Language file 'old.ZVlang' has version 3.6.30.0, game version is 3.6.31.0.",
                 "Warning.", 0x30},
                {"Language file 'odd.ZVlang' has version 65535.0.0.40000, game version is "
                 "3.6.31.0.",
                 "Warning.", 0x30}}));
  EXPECT_NE(LanguageTable[30], nullptr);
  EXPECT_NE(LanguageTable[31], nullptr);
}

TEST_F(ScanTest, BadMagicGetsTheBadFileMessage) {
  const std::string magics[] = {std::string("ZVLANG\x01\0", 8), std::string("ZVLANG\0\x01", 8),
                                std::string("ZVLAMG\0\0", 8), std::string("zVLANG\0\0", 8)};
  for (const auto& magic : magics) {
    SCOPED_TRACE(testing::PrintToString(magic));
    platform_.entries.clear();
    platform_.messages.clear();
    Add("bad.ZVlang", TestLangpack(60).Magic(magic));
    Scan();
    EXPECT_EQ(platform_.messages,
              std::vector<Message>{Error("Bad language file or version unknown:\nbad.ZVlang")});
    EXPECT_EQ(LanguageTable[60], nullptr);
  }
}

TEST_F(ScanTest, ShortOrUnopenableFilesAreSkippedSilently) {
  AddBytes("short.ZVlang", TestLangpack(61).Bytes().substr(0, 59));
  AddBytes("empty.ZVlang", "");
  platform_.entries.push_back("vanished.ZVlang");  // listed, but no such file
  std::filesystem::create_directory(LangpackPath("folder.ZVlang"));
  platform_.entries.push_back("folder.ZVlang");
  AddBytes("headeronly.ZVlang", TestLangpack(62).Bytes().substr(0, 60));
  Scan();
  EXPECT_TRUE(platform_.messages.empty());
  EXPECT_EQ(LanguageTable[61], nullptr);
  EXPECT_NE(LanguageTable[62], nullptr);  // the scan reads nothing beyond the header
}

TEST_F(ScanTest, NoMatchOrNoFolderShowsNothing) {
  Scan();
  EXPECT_EQ(platform_.patterns.size(), 1u);
  EXPECT_EQ(platform_.closes, 0);
  EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(ScanTest, HeaderValuesBeyondTheTablesAreRefused) {
  Add("id255.ZVlang", TestLangpack(255));
  Add("id256.ZVlang", TestLangpack(256));
  Add("idmax.ZVlang", TestLangpack(0xFFFFFFFF));
  Add("base8.ZVlang", TestLangpack(70, 8));
  Add("base9.ZVlang", TestLangpack(71, 9));
  Add("basemax.ZVlang", TestLangpack(72, 0x80000000));
  Scan();
  EXPECT_NE(LanguageTable[255], nullptr);
  EXPECT_NE(LanguageTable[70], nullptr);
  EXPECT_EQ(LanguageTable[71], nullptr);
  EXPECT_EQ(LanguageTable[72], nullptr);
  EXPECT_EQ(platform_.messages,
            (std::vector<Message>{
                Error("Language id out of range in language file:\nid256.ZVlang"),
                Error("Language id out of range in language file:\nidmax.ZVlang"),
                Error("Base language out of range in language file:\nbase9.ZVlang"),
                Error("Base language out of range in language file:\nbasemax.ZVlang")}));
}

TEST_F(ScanTest, NamesKeepTheirNulInside32Bytes) {
  const std::string name31(31, 'a');
  Add("n31.ZVlang", TestLangpack(80, 7, name31));
  Add("n32.ZVlang", TestLangpack(81).RawName(std::string(32, 'b')));
  Add("tail.ZVlang", TestLangpack(82).RawName(std::string("ab\0cdefgh", 9)));
  Scan();
  EXPECT_EQ(std::string(LanguageTable[80]->name), name31);
  EXPECT_EQ(std::string(LanguageTable[81]->name), std::string(31, 'b'));
  EXPECT_EQ(std::string(LanguageTable[82]->name), "ab");
  EXPECT_EQ(memcmp(LanguageTable[82]->name, "ab\0\0\0\0\0\0\0\0", 10), 0);
}

TEST_F(ScanTest, FullPathsOver259CharactersAreRefused) {
  const size_t folder = LanguagesDir().size() + 1;
  const std::string longest = std::string(259 - folder - 7, 'x') + ".ZVlang";
  const std::string tooLong = "y" + longest;
  Add(longest, TestLangpack(90));
  platform_.entries.push_back(tooLong);
  Scan();
  ASSERT_NE(LanguageTable[90], nullptr);
  EXPECT_EQ(strlen(LanguageTable[90]->path), 259u);
  EXPECT_EQ(platform_.messages,
            std::vector<Message>{Error("Path too long for language file:\n" + tooLong)});
}

TEST_F(ScanTest, GameFolderTooLongForThePatternSearchesNothing) {
  platform_.exePath = "/" + std::string(245, 'g') + "/ZV.exe";
  Scan();
  EXPECT_TRUE(platform_.patterns.empty());
  platform_.exePath = "/" + std::string(300, 'g') + "/ZV.exe";  // cut by the platform
  Scan();
  EXPECT_TRUE(platform_.patterns.empty());
}

// The blocks made before the failing one go back through the module's own releaser.
TEST_F(ScanTest, OutOfMemoryLeavesTheFileOut) {
  for (int failAt = 0; failAt < 3; ++failAt) {
    SCOPED_TRACE(failAt);
    static int calls, fail;
    static std::vector<void*> made, released;
    calls = 0, fail = failAt;
    made.clear();
    released.clear();
    CoreCalloc = [](size_t n, size_t size) -> void* {
      if (calls++ == fail) return nullptr;
      made.push_back(calloc(n, size));
      return made.back();
    };
    CoreFree = [](void* block) {
      if (block != nullptr) released.push_back(block);
      free(block);
    };
    platform_.entries.clear();
    Add("mem.ZVlang", TestLangpack(100));
    Scan();
    EXPECT_EQ(LanguageTable[100], nullptr);
    EXPECT_EQ(made.size(), 2u);
    EXPECT_EQ(released, made);
  }
  CoreCalloc = calloc;
  CoreFree = free;
  Scan();
  EXPECT_NE(LanguageTable[100], nullptr);
}

}  // namespace

namespace {

// Detach gives back name, path and record of each langpack, in table order, and nothing of
// the built-in records; the entries themselves stay.
TEST_F(ScanTest, ReleaseFreesExactlyTheLangpackRecords) {
  Add("three.ZVlang", TestLangpack(3, 7, "Three"));
  Add("forty.ZVlang", TestLangpack(40, 3, "Forty"));
  Scan();
  LanguageRecord* three = LanguageTable[3];
  LanguageRecord* forty = LanguageTable[40];
  ASSERT_NE(three->path, nullptr);
  ASSERT_NE(forty->path, nullptr);
  const std::vector<void*> expected = {three->name, three->path, three,
                                       forty->name, forty->path, forty};

  static std::vector<void*> freed;
  freed.clear();
  CoreFree = [](void* block) { freed.push_back(block); };
  ReleaseLangpackRecords();
  CoreFree = free;

  EXPECT_EQ(freed, expected);
  EXPECT_EQ(LanguageTable[3], three);
  EXPECT_EQ(LanguageTable[40], forty);
  for (uint32_t id = 0; id < 9; ++id) {
    if (id != 3) EXPECT_EQ(LanguageTable[id], BuiltinLanguagesById[id]);
    EXPECT_EQ(BuiltinLanguagesById[id]->path, nullptr);
  }
  for (void* block : freed) free(block);
  ResetLanguageTable();  // the records are gone: the fixture must not release them again
}

}  // namespace
