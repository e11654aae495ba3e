// Writes the langpacks of one Wine scenario into the given Languages folder.
//   module_scenario_langpacks <scenario> <folder>
#include <cstdio>
#include <cstring>
#include <string>

#include "TestLangpack.h"

using namespace testlangpack;

namespace {

bool Registry(const std::string& dir) {
  bool ok = true;
  // In the place of the built-in language 3; answers a few slots, the rest from English.
  TestLangpack three(3, 7, "Pack Three");
  three.Single(SlotId(20), "three twenty")
      .Group(SlotId(5), {})
      .Group(SlotId(184), {"a", "b"})
      .Group(SlotId(184), {"c", "d", "e"})
      .Group(ResourceId(0), {"res first", "res second"})
      .Single(ResourceId(1), "pack res")
      .Group(SlotId(14, 3), {"sub three"})
      .Group(SlotId(14, 14), {"sub fourteen"})
      .Single(SlotId(197), "never")
      .Group(SlotId(198), {"never"})
      .Single(SlotId(193), "never");
  ok &= three.WriteTo(dir + "/three.ZVlang");
  // Base 3 while the pack above holds id 3: gaps come from the game's own language 3.
  ok &= TestLangpack(30, 3, "Base Three").Single(SlotId(20), "thirty").WriteTo(dir + "/basethree.ZVlang");
  ok &= TestLangpack(40, 7, "Old").Version(3, 6, 30, 0).WriteTo(dir + "/old.ZVlang");
  ok &= TestLangpack(41).Magic(std::string("ZVLANG\x01\0", 8)).WriteTo(dir + "/bad6.ZVlang");
  ok &= TestLangpack(42).Magic(std::string("ZVLANG\0\x01", 8)).WriteTo(dir + "/bad7.ZVlang");
  // Several faults in one file: only the first check that fails speaks.
  ok &= TestLangpack(44).Magic(std::string("ZVLANG\x01\0", 8)).Version(3, 6, 30, 0)
            .WriteTo(dir + "/badver.ZVlang");
  ok &= TestLangpack(51, 7, "Ver").Version(3, 6, 30, 0).WriteTo(dir + "/verA.ZVlang");
  ok &= TestLangpack(51, 7, "Ver").Version(3, 6, 30, 0).WriteTo(dir + "/verB.ZVlang");
  {
    const std::string bytes = TestLangpack(43).Bytes().substr(0, 59);
    FILE* f = std::fopen((dir + "/short.ZVlang").c_str(), "wb");
    ok &= f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) std::fclose(f);
  }
  ok &= TestLangpack(50, 7, "Dup").WriteTo(dir + "/dupA.ZVlang");
  ok &= TestLangpack(50, 7, "Dup").WriteTo(dir + "/dupB.ZVlang");
  ok &= TestLangpack(254, 7, "Last choosable").Single(SlotId(20), "254").WriteTo(dir + "/id254.ZVlang");
  ok &= TestLangpack(255, 7, "Listed only").WriteTo(dir + "/id255.ZVlang");
  ok &= TestLangpack(256, 7, "Too far").WriteTo(dir + "/id256.ZVlang");
  ok &= TestLangpack(60, 9, "No base").WriteTo(dir + "/base9.ZVlang");
  ok &= TestLangpack(61).RawName(std::string(32, 'N')).WriteTo(dir + "/longname.ZVlang");
  // A file name of 250 characters: with the game folder in front, more than 259.
  ok &= TestLangpack(62, 7, "Far away").WriteTo(dir + "/" + std::string(243, 'p') + ".ZVlang");
  return ok;
}

// A langpack on a base other than English that answers one slot of each kind and one
// resource string; everything else comes from the game's Spanish.
bool Conventions(const std::string& dir) {
  return TestLangpack(20, 3, "Twenty")
      .Single(SlotId(20), "twenty")
      .Group(SlotId(5), {"five"})
      .Group(SlotId(14, 3), {"sub three"})
      .Single(ResourceId(0), "first")
      .WriteTo(dir + "/twenty.ZVlang");
}

// One ordinary langpack, for the version and hook-failure variants.
bool Single(const std::string& dir) {
  return TestLangpack(20, 7, "Twenty").Single(SlotId(20), "twenty").WriteTo(dir + "/twenty.ZVlang");
}

// A langpack and the changed version that replaces it during the run.
bool Reload(const std::string& dir) {
  return TestLangpack(20, 7, "Twenty").Single(SlotId(20), "twenty").Single(ResourceId(0), "first")
             .WriteTo(dir + "/twenty.ZVlang") &&
         TestLangpack(20, 7, "Twenty").Single(SlotId(20), "changed").Group(SlotId(5), {"new"})
             .WriteTo(dir + "/twenty.changed");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string scenario = argv[1], dir = argv[2];
  if (scenario == "registry") return Registry(dir) ? 0 : 1;
  if (scenario == "single") return Single(dir) ? 0 : 1;
  if (scenario == "reload") return Reload(dir) ? 0 : 1;
  if (scenario == "conventions") return Conventions(dir) ? 0 : 1;
  std::fprintf(stderr, "unknown scenario %s\n", argv[1]);
  return 2;
}
