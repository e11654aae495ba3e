#include <cstring>
#include <functional>
#include <fstream>
#include <vector>

#include "CoreTestSupport.h"
#include "TestLangpack.h"

using namespace testlangpack;

namespace {

// The strings of a NULL-ended list.
std::vector<std::string> Lines(const void* list) {
  std::vector<std::string> lines;
  if (list == nullptr) return {"<no list>"};
  for (auto* p = static_cast<char* const*>(list); *p; ++p) lines.emplace_back(*p);
  return lines;
}
using Strings = std::vector<std::string>;

const char* Slot(uint32_t slot) { return static_cast<const char*>(SlotOverrides[slot]); }

class LoaderTest : public ModuleCoreTest {
 protected:
  void SetUp() override {
    ModuleCoreTest::SetUp();
    record_ = {name_, 20, LangpackMethodTable, CustomLanguageCode, path_, 7};
    strcpy(path_, LangpackPath("pack.ZVlang").c_str());
    LanguageTable[20] = &record_;
  }
  void TearDown() override {
    LanguageTable[20] = nullptr;  // not a heap record
    ModuleCoreTest::TearDown();
  }
  void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  void Load(const TestLangpack& pack) { LoadBytes(pack.Bytes()); }
  void LoadBytes(const std::string& bytes) {
    Write(bytes);
    NativeGameCurrentIndex = 20;
    LoadCurrentLangpack();
  }
  static bool AllEmpty() {
    for (auto* p : StringPages) if (p) return false;
    for (auto* p : SlotOverrides) if (p) return false;
    for (auto* p : Slot14SubLists) if (p) return false;
    return LoadedPool == nullptr;
  }

  char name_[32] = "Test";
  char path_[260] = {};
  LanguageRecord record_{};
};

TEST_F(LoaderTest, BuiltinLanguageWritesItsCodeAndEmptiesTheTables) {
  Load(TestLangpack().Single(SlotId(20), "x").Single(ResourceId(5), "y").Group(SlotId(5), {"z"}));
  EXPECT_EQ(NativeGameLanguageCode, CustomLanguageCode);
  EXPECT_FALSE(AllEmpty());
  NativeGameCurrentIndex = 7;
  LoadCurrentLangpack();
  EXPECT_EQ(NativeGameLanguageCode, 0x809);
  EXPECT_TRUE(AllEmpty());
}

TEST_F(LoaderTest, SinglesAndResourceStringsLandInTheirTables) {
  Load(TestLangpack()
           .Single(SlotId(0), "slot zero")
           .Single(SlotId(20), "line one\nline two")
           .Single(SlotId(183), "last single")
           .Single(ResourceId(0x1234), "resource")
           .Single(ResourceId(0), "")
           .Single(ResourceId(0xFFFF), "top"));
  EXPECT_STREQ(Slot(0), "slot zero");
  EXPECT_STREQ(Slot(20), "line one\nline two");
  EXPECT_STREQ(Slot(183), "last single");
  EXPECT_EQ(Slot(21), nullptr);
  EXPECT_STREQ(StringPages[0x12][0x34], "resource");
  EXPECT_STREQ(LoadedResourceString(0x1234), "resource");
  EXPECT_STREQ(LoadedResourceString(0), "");
  EXPECT_STREQ(LoadedResourceString(0xFFFF), "top");
  EXPECT_EQ(LoadedResourceString(0x1235), nullptr);
  EXPECT_EQ(LoadedResourceString(0x10000), nullptr);
  EXPECT_EQ(StringPages[0x13], nullptr);
  // Strings are used in place, inside the one pool block.
  EXPECT_GE(Slot(20), LoadedPool);
  EXPECT_LT(Slot(20), LoadedPool + LoadedPoolSize);
}

TEST_F(LoaderTest, ListsAreCreatedEmptyByAGroupWithoutValuesAndAppendAcrossRecords) {
  Load(TestLangpack()
           .Group(SlotId(5), {})
           .Group(SlotId(184), {"a", "b"})
           .Single(SlotId(20), "between")
           .Group(SlotId(184), {"c", "d", "e"})
           .Single(SlotId(15), "single at a list slot")
           .Record(SlotId(6), 0, {End})
           .Group(SlotId(192, 7), {"sub-index ignored"})
           .Group(SlotId(192), {"same list"}));
  EXPECT_EQ(Lines(SlotOverrides[5]), Strings{});
  EXPECT_EQ(Lines(SlotOverrides[184]), (Strings{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(Lines(SlotOverrides[15]), Strings{"single at a list slot"});
  EXPECT_EQ(SlotOverrides[6], nullptr) << "a single naming no string makes no list";
  EXPECT_EQ(Lines(SlotOverrides[192]), (Strings{"sub-index ignored", "same list"}));
  EXPECT_EQ(SlotOverrides[14], nullptr);
  EXPECT_STREQ(Slot(20), "between");
}

TEST_F(LoaderTest, Slot14RecordsFillTheirSubLists) {
  Load(TestLangpack()
           .Group(SlotId(14, 5), {"five a", "five b"})
           .Group(SlotId(14, 0), {"zero"})
           .Single(SlotId(14, 14), "fourteen")
           .Group(SlotId(14, 15), {"no such sub-list"})
           .Group(SlotId(14, 0xFF), {"nor this"})
           .Single(SlotId(20), "after"));
  EXPECT_EQ(Lines(Slot14SubLists[5]), (Strings{"five a", "five b"}));
  EXPECT_EQ(Lines(Slot14SubLists[0]), Strings{"zero"});
  EXPECT_EQ(Lines(Slot14SubLists[14]), Strings{"fourteen"});
  EXPECT_EQ(Slot14SubLists[1], nullptr);
  EXPECT_EQ(SlotOverrides[14], nullptr);
  EXPECT_STREQ(Slot(20), "after");
}

TEST_F(LoaderTest, PlacementsOutsideTheStockGrammar) {
  TestLangpack pack;
  const uint32_t s = pack.String("kind seven is a single");
  const uint32_t t = pack.String("ignored");
  pack.Group(ResourceId(300), {"first line", "dropped"})
      .Group(SlotId(30), {"first", "second", "third"})
      .Single(SlotId(31, 9), "sub-index ignored")
      .Record(SlotId(32), 7, {s})
      .Group(SlotId(193), {"cell"})
      .Group(SlotId(197), {"never", "loaded"})
      .Single(SlotId(199), "never")
      .Record(0x03000100, 1, {t, t, End})
      .Record(0x00000500, 0, {t})
      .Single(SlotId(33), "still read");
  Load(pack);
  EXPECT_STREQ(LoadedResourceString(300), "first line");
  EXPECT_STREQ(Slot(30), "first");
  EXPECT_STREQ(Slot(31), "sub-index ignored");
  EXPECT_STREQ(Slot(32), "kind seven is a single");
  for (uint32_t slot = 193; slot < 200; ++slot) EXPECT_EQ(SlotOverrides[slot], nullptr) << slot;
  EXPECT_EQ(Slot(5), nullptr);
  EXPECT_STREQ(Slot(33), "still read");
}

TEST_F(LoaderTest, LaterSinglesOverwriteAndEndMarkersLeaveToTheBase) {
  Load(TestLangpack()
           .Single(SlotId(40), "old")
           .Single(SlotId(40), "new")
           .Single(ResourceId(7), "old")
           .Single(ResourceId(7), "new")
           .Record(SlotId(41), 0, {End})
           .Record(ResourceId(8), 0, {End})
           .Record(SlotId(42), 1, {End})
           .Single(SlotId(43), "after the empty group"));
  EXPECT_STREQ(Slot(40), "new");
  EXPECT_STREQ(LoadedResourceString(7), "new");
  EXPECT_EQ(Slot(41), nullptr);
  EXPECT_EQ(Slot(42), nullptr);
  EXPECT_EQ(LoadedResourceString(8), nullptr);
  EXPECT_STREQ(Slot(43), "after the empty group");
}

TEST_F(LoaderTest, ReloadReadsTheFileAgain) {
  Load(TestLangpack().Single(SlotId(20), "before").Group(SlotId(7), {"a"}));
  Load(TestLangpack().Single(SlotId(21), "after"));
  EXPECT_EQ(Slot(20), nullptr);
  EXPECT_EQ(SlotOverrides[7], nullptr);
  EXPECT_STREQ(Slot(21), "after");
}

// Readers on game threads take no lock: by the time the first block is given back, no table
// entry leads into any of them any more.
TEST_F(LoaderTest, TablesAreEmptiedBeforeAnyBlockIsFreed) {
  Load(TestLangpack().Single(SlotId(20), "s").Group(SlotId(7), {"a", "b"}).Group(SlotId(14, 3), {"c"})
           .Single(ResourceId(0x1234), "r"));
  ASSERT_FALSE(AllEmpty());
  static int frees, freesWhileFilled;
  frees = freesWhileFilled = 0;
  CoreFree = [](void* block) {
    if (block == nullptr) return;
    ++frees;
    if (!AllEmpty()) ++freesWhileFilled;
    free(block);
  };
  NativeGameCurrentIndex = 7;
  LoadCurrentLangpack();
  CoreFree = free;
  EXPECT_EQ(frees, 4);  // pool, sub-list 3, list 7, page 0x12
  EXPECT_EQ(freesWhileFilled, 0);
}

TEST_F(LoaderTest, ListsKeepTheirClosingNull) {
  std::vector<std::string> many;
  for (int i = 0; i < 300; ++i) many.push_back(std::to_string(i));
  Load(TestLangpack()
           .Group(SlotId(8), many)
           .Group(SlotId(8), {"more"})
           .Group(SlotId(14, 2), many)
           .Single(SlotId(20), "after"));
  const Strings lines = Lines(SlotOverrides[8]);
  ASSERT_EQ(lines.size(), 255u);
  EXPECT_EQ(lines.back(), "254");
  EXPECT_EQ(Lines(Slot14SubLists[2]).size(), 255u);
  EXPECT_STREQ(Slot(20), "after");
}

// Each file breaks one rule of the format; the loader keeps what is sound and stays inside
// its tables and the pool.
TEST_F(LoaderTest, MalformedFilesStayInsideTablesAndPool) {
  struct Case {
    const char* what;
    std::string bytes;
    std::function<void()> check;
  };
  TestLangpack unterminated;
  unterminated.Single(SlotId(20), "ok");
  const uint32_t tail = 3;
  unterminated.Record(SlotId(21), 0, {tail}).Record(SlotId(22), 0, {2}).Record(SlotId(23), 0, {100});
  unterminated.RawPool("no nul");
  // A group without its EndMarker at the end of the index: the walk runs into the pool,
  // whose bytes name no string, and ends with the file.
  TestLangpack groupCut;
  groupCut.Single(SlotId(20), "kept");
  groupCut.Record(SlotId(9), 1, {groupCut.String("a"), groupCut.String("b")}).NoIndexEnd();

  const Case cases[] = {
      {"pool offset beyond the file", TestLangpack().Single(SlotId(20), "x").PoolOffset(100000).Bytes(),
       [] { EXPECT_TRUE(AllEmpty()); }},
      {"pool offset inside the header", TestLangpack().Single(SlotId(20), "x").PoolOffset(59).Bytes(),
       [] { EXPECT_TRUE(AllEmpty()); }},
      {"pool offset at the end of the file",
       TestLangpack().Record(SlotId(20), 0, {0}).Group(SlotId(5), {}).Bytes(),
       [] {
         EXPECT_EQ(Slot(20), nullptr);
         EXPECT_EQ(Lines(SlotOverrides[5]), Strings{});
       }},
      {"offsets outside the pool and a string without its NUL", unterminated.Bytes(),
       [] {
         EXPECT_STREQ(Slot(20), "ok");
         EXPECT_STREQ(Slot(21), "no nul");  // ended by the NUL after the pool
         EXPECT_STREQ(Slot(22), "");
         EXPECT_EQ(Slot(23), nullptr);
       }},
      {"index without its EndMarker",
       TestLangpack().Single(SlotId(20), "kept").NoIndexEnd().Bytes(),
       [] { EXPECT_STREQ(Slot(20), "kept"); }},
      {"file ends inside a group: the group is dropped", groupCut.Bytes(),
       [] {
         EXPECT_STREQ(Slot(20), "kept");
         EXPECT_EQ(SlotOverrides[9], nullptr);
       }},
      {"header only", TestLangpack().Bytes().substr(0, 60), [] { EXPECT_TRUE(AllEmpty()); }},
      {"59 bytes", TestLangpack().Bytes().substr(0, 59), [] { EXPECT_TRUE(AllEmpty()); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoadBytes(c.bytes);
    EXPECT_EQ(NativeGameLanguageCode, CustomLanguageCode);
    c.check();
  }
}

TEST_F(LoaderTest, FileGoneSinceTheScanLeavesTheBaseToServe) {
  Load(TestLangpack().Single(SlotId(20), "x"));
  std::filesystem::remove(path_);
  NativeGameLanguageCode = 0;
  LoadCurrentLangpack();
  EXPECT_EQ(NativeGameLanguageCode, CustomLanguageCode);
  EXPECT_TRUE(AllEmpty());
}

TEST_F(LoaderTest, OutOfMemoryDropsOnlyWhatDidNotFit) {
  const TestLangpack pack = TestLangpack()
                                .Single(SlotId(20), "single")
                                .Group(SlotId(5), {"list"})
                                .Single(ResourceId(1), "page")
                                .Group(SlotId(6), {"other list"});
  static int calls, fail;
  CoreCalloc = [](size_t n, size_t size) -> void* { return calls++ == fail ? nullptr : calloc(n, size); };
  calls = 0, fail = 0;  // the pool
  Load(pack);
  EXPECT_TRUE(AllEmpty());
  calls = 0, fail = 1;  // the list of slot 5
  Load(pack);
  EXPECT_STREQ(Slot(20), "single");
  EXPECT_EQ(SlotOverrides[5], nullptr);
  EXPECT_STREQ(LoadedResourceString(1), "page");
  EXPECT_EQ(Lines(SlotOverrides[6]), Strings{"other list"});
}

TEST_F(LoaderTest, CurrentIndexWithoutRecordServesTheFallbackLanguage) {
  for (uint32_t index : {50u, 256u, 0xFFFFFFFFu}) {
    Load(TestLangpack().Single(SlotId(20), "x"));
    NativeGameCurrentIndex = index;
    LoadCurrentLangpack();
    EXPECT_EQ(NativeGameLanguageCode, 0x809) << index;
    EXPECT_TRUE(AllEmpty());
    EXPECT_EQ(CurrentBaseLanguage(), BuiltinLanguagesById[FallbackLanguageId]);
    EXPECT_EQ(CurrentLanguageOrFallback()->methodTable, BuiltinLanguagesById[7]->methodTable);
  }
}

TEST_F(LoaderTest, BaseLanguageComesFromTheBuiltinRecords) {
  // A langpack at id 3 does not hide the built-in language 3 as a base.
  LanguageRecord other = record_;
  LanguageTable[3] = &other;
  record_.baseLanguage = 3;
  NativeGameCurrentIndex = 20;
  EXPECT_EQ(CurrentBaseLanguage(), BuiltinLanguagesById[3]);
  record_.baseLanguage = 9;  // out of range: the fallback language
  EXPECT_EQ(CurrentBaseLanguage(), BuiltinLanguagesById[FallbackLanguageId]);
  NativeGameCurrentIndex = 3;
  other.baseLanguage = 3;
  EXPECT_EQ(CurrentBaseLanguage(), BuiltinLanguagesById[3]);
  LanguageTable[3] = BuiltinLanguagesById[3];
}

TEST(BuiltinLanguagesTest, NineRecordsInListOrderAndById) {
  const uint32_t order[9] = {1, 7, 3, 6, 2, 4, 0, 8, 5};
  const uint32_t codes[9] = {0x416, 0x407, 0x410, 0xC0A, 0x413, 0x41D, 0x40C, 0x809, 0x419};
  for (uint32_t i = 0; i < 9; ++i) {
    EXPECT_EQ(BuiltinLanguages[i].languageId, order[i]);
    const LanguageRecord* r = BuiltinLanguagesById[i];
    EXPECT_EQ(r->languageId, i);
    EXPECT_EQ(r->baseLanguage, i);
    EXPECT_EQ(r->path, nullptr);
    EXPECT_EQ(r->languageCode, codes[i]);
  }
  EXPECT_EQ(uintptr_t(BuiltinLanguagesById[7]->name), 0x5DCD3Cu);
  EXPECT_EQ(uintptr_t(BuiltinLanguagesById[7]->methodTable), 0x6062D8u);
  EXPECT_EQ(uintptr_t(BuiltinLanguagesById[5]->methodTable), 0x6078B0u);
}

}  // namespace
