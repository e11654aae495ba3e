// Writes the small seed corpus of the loader fuzzer into the folder given as argument.
#include <string>

#include "TestLangpack.h"

using namespace testlangpack;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  TestLangpack full;
  full.Single(SlotId(20), "single").Group(SlotId(184), {"a", "b"}).Group(SlotId(14, 3), {"x"})
      .Single(ResourceId(0x1234), "res").Group(ResourceId(9), {"g", "h"}).Group(SlotId(5), {})
      .Group(SlotId(193), {"cell"}).Record(0x03000000, 1, {0, End});
  bool ok = full.WriteTo(dir + "/full.ZVlang");
  ok &= TestLangpack().WriteTo(dir + "/smallest.ZVlang");
  TestLangpack open;
  open.Single(SlotId(0), "x");
  ok &= open.NoIndexEnd().WriteTo(dir + "/noend.ZVlang");
  return ok ? 0 : 1;
}
