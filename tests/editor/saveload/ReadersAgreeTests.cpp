// One table of damaged langpacks, read by both readers: the module's loader, and the editor,
// which opens the file and saves it again. What the player gets has to be the same either
// way: the game's strings from the damaged file, and the game's strings from the file the
// editor saved after opening it (it writes exactly what it shows checked).
#include "SaveLoadFixture.h"

#include "LangpackLoader.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kText = 0x02001000;     // slot 16: a single string
constexpr uint32_t kList = 0x02000500;     // slot 5: a list
constexpr uint32_t kList2 = 0x02000600;    // slot 6: a list
constexpr uint32_t kSubList3 = 0x02000E03; // sub-list 3 of slot 14
constexpr uint32_t kResource = 0x01000200; // resource string 2
constexpr uint32_t kIgnored = 0x03000000;  // an id of a type the game has no strings for

// "abc" and its 0 as one index word: an index can hold the pool of a file that it cuts.
constexpr uint32_t kAbcWord = 0x00636261;

std::string Line(char *const *list)
{
    std::string out = "[";
    for (char *const *p = list; *p; ++p)
        out += (p == list ? "" : "|") + std::string(*p);
    return out + "]";
}

// What the module serves the game for an id after a load: "base" when the base language
// answers, "text" in quotes for a string, "[a|b]" for a list.
std::string Served(uint32_t id)
{
    const uint32_t number = id >> 8 & 0xFFFF;
    const char *text = nullptr;
    if (id >> 24 == 1) {
        text = LoadedResourceString(number);
    } else if (id >> 24 == 2 && number == 14) {
        char **list = (id & 0xFF) < Slot14SubListCount ? Slot14SubLists[id & 0xFF] : nullptr;
        return list ? Line(list) : "base";
    } else if (id >> 24 == 2 && number < SlotCount) {
        if ((number >= 5 && number <= 15) || (number >= 184 && number <= 192))
            return SlotOverrides[number] ? Line(static_cast<char **>(SlotOverrides[number])) : "base";
        text = static_cast<const char *>(SlotOverrides[number]);
    }
    return text ? '"' + std::string(text) + '"' : "base";
}

// Everything that a load put into the tables, one entry after the other.
std::string Tables()
{
    std::string out;
    for (uint32_t r = 0; r <= 0xFFFF; ++r)
        if (LoadedResourceString(r))
            out += "r" + std::to_string(r) + "=" + Served(0x01000000 | r << 8) + " ";
    for (uint32_t slot = 0; slot < SlotCount; ++slot)
        if (SlotOverrides[slot])
            out += "s" + std::to_string(slot) + "=" + Served(0x02000000 | slot << 8) + " ";
    for (uint32_t k = 0; k < Slot14SubListCount; ++k)
        if (Slot14SubLists[k])
            out += "14." + std::to_string(k) + "=" + Line(Slot14SubLists[k]) + " ";
    return out;
}

void ModuleLoad(const QString &path)
{
    FreeLoadedStrings();
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "rb");
    ASSERT_NE(file, nullptr);
    LoadLangpackStream(file);
    std::fclose(file);
}

struct Case {
    const char *what;
    QByteArray bytes;
    std::vector<std::pair<uint32_t, const char *>> served;  // what the game gets for each record
};

std::vector<Case> Cases()
{
    const QByteArray abc = Pool({"abc"});
    // A file cut inside its index, whose pool starts at the word kAbcWord (the fourth word).
    auto cut = [](std::initializer_list<uint32_t> words) {
        return Header(100, 7, "Lang1", kLangpackHeaderSize + 8) + Words({kIgnored, 0, kAbcWord}) + Words(words);
    };
    return {
        {"a sound file", Langpack({kResource, 0, 0, kText, 0, 4, kList, 1, 8, 10, E, kSubList3, 1, 12, E, E},
                                  Pool({"res", "txt", "a", "b", "s"})),
         {{kResource, "\"res\""}, {kText, "\"txt\""}, {kList, "[a|b]"}, {kSubList3, "[s]"}}},
        {"a list record none of whose values names a string", Langpack({kList, 1, 0, E, E}, ""),
         {{kList, "base"}}},
        {"a single whose value is the end marker, at a list slot", Langpack({kList2, 0, E, E}, ""),
         {{kList2, "base"}}},
        {"a slot-14 single whose value lies outside the pool", Langpack({kSubList3, 0, 50, E}, abc),
         {{kSubList3, "base"}}},
        {"groups without values are empty lists, of any kind but 0",
         Langpack({kList, 1, E, kList2, 2, E, kSubList3, 1, E, E}, ""),
         {{kList, "[]"}, {kList2, "[]"}, {kSubList3, "[]"}}},
        {"a single naming a string at a list slot is a list of one", Langpack({kList2, 0, 0, E}, abc),
         {{kList2, "[abc]"}}},
        {"lines whose values name no string are dropped, the later lines move up",
         Langpack({kList, 1, 0, 50, 4, E, kSubList3, 1, 60, 4, E, E}, Pool({"one", "two"})),
         {{kList, "[one|two]"}, {kSubList3, "[two]"}}},
        {"a group where one string is wanted serves its first value that names one",
         Langpack({kText, 1, 50, 4, 0, E, kResource, 1, E - 1, 0, E, E}, Pool({"one", "two"})),
         {{kText, "\"two\""}, {kResource, "\"one\""}}},
        {"the pool offset inside the header", Langpack({0x01000000, 0, 0, kList, 1, E, E}, "", 100, 7, "Lang1", 0),
         {{0x01000000, "base"}, {kList, "base"}}},
        {"the pool offset 59", Langpack({kText, 0, 0, E}, "", 100, 7, "Lang1", 59), {{kText, "base"}}},
        {"the pool offset past the end of the file, with a complete empty group",
         Langpack({kList, 1, E, E}, "", 100, 7, "Lang1", 200), {{kList, "base"}}},
        {"the pool offset at the end of the file: an empty pool", Langpack({kList, 1, E, kText, 0, 0, E}, ""),
         {{kList, "[]"}, {kText, "base"}}},
        {"a group cut off by the end of the file", cut({kText, 0, 0, kList, 1, 0}),
         {{kText, "\"abc\""}, {kList, "base"}}},
        {"a group cut off while it adds to a list made before", cut({kList, 1, 0, E, kList, 1, 0, 0}),
         {{kList, "[abc]"}}},
        {"a group cut off at a resource id", cut({kResource, 1, 0}), {{kResource, "base"}}},
        {"a group cut off at a single slot", cut({kText, 1, 0, 0}), {{kText, "base"}}},
        {"a single cut off before its value", cut({kText, 0}), {{kText, "base"}}},
        {"an index without its end marker runs into the pool it names",
         Langpack({kText, 0, 0, kText + 0x100, 0, 0, kResource}, "", 100, 7, "Lang1", 60),
         {{kText, "\"\""}, {kText + 0x100, "\"\""}, {kResource, "base"}}},
        {"a string without its 0 runs to the end of the file", Langpack({kText, 0, 0, kList, 1, 2, E, E}, "open"),
         {{kText, "\"open\""}, {kList, "[en]"}}},
    };
}

class ReadersAgreeTest : public SaveLoadTest {
protected:
    void TearDown() override
    {
        FreeLoadedStrings();
        SaveLoadTest::TearDown();
    }
};

} // namespace

TEST_F(ReadersAgreeTest, DamagedFilesServeTheGameAlikeFromTheFileAndFromTheEditorsSave)
{
    Open();
    int n = 0;
    for (const Case &c : Cases()) {
        SCOPED_TRACE(c.what);
        const QString damaged = Path(QStringLiteral("damaged%1.ZVlang").arg(++n));
        const QString saved = Path(QStringLiteral("saved%1.ZVlang").arg(n));
        WriteBytes(damaged, c.bytes);

        ModuleLoad(damaged);
        const std::string fromFile = Tables();
        for (const auto &[id, want] : c.served)
            EXPECT_EQ(Served(id), want) << std::hex << id << ": the module, from the file";

        boxes.calls.clear();
        frm->LoadLangpack(damaged);
        frm->SaveLangpack(saved);
        ASSERT_EQ(ReadBytes(saved).left(6), QByteArray("ZVLANG"));
        ModuleLoad(saved);
        for (const auto &[id, want] : c.served)
            EXPECT_EQ(Served(id), want) << std::hex << id << ": the module, from the editor's save";
        EXPECT_EQ(Tables(), fromFile) << "everything the game gets";
    }
}
