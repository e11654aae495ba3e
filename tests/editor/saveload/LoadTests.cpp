// Opening langpacks through the main window on the built-in stock table: a table of small
// files, well-formed and damaged, each laid over a document that was there before; the
// file that cannot be opened; the memos after a load; the file named on the command line.
#include "SaveLoadFixture.h"

#include "platform/Exception.h"

#include "NotRegularFile.h"

#include <QPlainTextEdit>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kText = 0x02001000;   // slot 16: a single string in the stock table
constexpr uint32_t kText2 = 0x02001100;  // slot 17
constexpr uint32_t kGroup = 0x02000500;  // slot 5: a list in the stock table
constexpr uint32_t kUnknown = 0x0300AB00; // an id no stock language has

} // namespace

class LoadTest : public SaveLoadTest {
protected:
    // The document shown before each load: its own header fields, one translated record
    // and unsaved changes.
    void OpenPrevious()
    {
        Open();
        boxes.calls.clear();
        SetHeaderFields(42, QStringLiteral("Before"), kSpanish);
        Translate(Top(kText2), QStringLiteral("previous"));
        frm->ChangedCb->setChecked(true);
    }

    void ExpectPreviousDocument()
    {
        EXPECT_EQ(frm->Nameed->text(), QStringLiteral("Before"));
        EXPECT_EQ(frm->IDed->Value(), 42);
        EXPECT_EQ(frm->BaseLangCb->currentIndex(), kSpanish);
        EXPECT_TRUE(frm->ChangedCb->isChecked());
        EXPECT_EQ(Rec(Top(kText2))->newText, QStringLiteral("previous"));
        EXPECT_EQ(Top(kText2)->CheckState, csCheckedNormal);
    }

    // Every top-level node of the tree is unchecked but these.
    void ExpectOnlyChecked(std::initializer_list<uint32_t> ids)
    {
        for (PVirtualNode n : TopLevel(frm->Tree)) {
            const bool wanted = std::find(ids.begin(), ids.end(), Rec(n)->id) != ids.end();
            EXPECT_EQ(n->CheckState, wanted ? csCheckedNormal : csUncheckedNormal)
                << std::hex << Rec(n)->id;
        }
    }

    QString StockText(uint32_t id) const { return frm->LookupStockText(id); }
};

TEST_F(LoadTest, FixtureTable)
{
    const QByteArray minimal = Langpack({E}, "");
    auto withByte = [](QByteArray bytes, int at, char value) {
        bytes[at] = value;
        return bytes;
    };
    const struct {
        const char *what;
        QByteArray bytes;
        bool refused;  // "Unknown file structure."
        std::function<void()> check;
        QStringList damage{};  // the lines of the warning that names it (none: no box)
    } cases[] = {
        // -- refused: the previous document stays, the path field shows the file --
        {"byte 6 not 0", withByte(minimal, 6, 1), true, {}},
        {"byte 7 not 0", withByte(minimal, 7, 'x'), true, {}},
        {"first word not ZVLA", withByte(minimal, 3, 'B'), true, {}},
        {"shorter than the header", minimal.left(59), true, {}},
        {"an empty file", QByteArray(), true, {}},

        // -- well-formed --
        {"only the EndMarker: the stock strings, header fields from the file", minimal, false,
         [this] {
             EXPECT_EQ(frm->Nameed->text(), QStringLiteral("Lang1"));
             EXPECT_EQ(frm->IDed->Value(), 100);
             EXPECT_EQ(frm->BaseLangCb->currentIndex(), kEnglish);
             EXPECT_EQ(Top(kText2)->CheckState, csUncheckedNormal) << "the previous document is gone";
             EXPECT_TRUE(Rec(Top(kText2))->newText.isEmpty());
             ExpectOnlyChecked({});
             EXPECT_EQ(int(TopLevel(frm->Tree).size()), 1724);
         }},
        {"any game version", withByte(withByte(minimal, 8, 9), 12, 7), false,
         [this] { EXPECT_EQ(frm->IDed->Value(), 100); }},
        {"the base language Espanol: its templates", Langpack({kText, 0, 0, E}, Pool({"t"}), 3, 3), false,
         [this] {
             EXPECT_EQ(frm->BaseLangCb->currentIndex(), kSpanish);
             EXPECT_EQ(Rec(Top(kText))->templateText, StockText(kText));
             EXPECT_NE(StockText(kText), frm->LangdefStream->LookupStockText(kEnglish, kText));
             EXPECT_EQ(frm->IDed->Value(), 3);
             EXPECT_TRUE(boxes.calls.empty()) << "a built-in id asks nothing when it is loaded";
         }},
        {"an unknown base language: the default one, without a message", Langpack({E}, "", 100, 77), false,
         [this] {
             EXPECT_EQ(frm->BaseLangCb->currentIndex(), kEnglish);
             EXPECT_EQ(Rec(Top(kText))->templateText, StockText(kText));
         }},
        {"a base language id above 16 bits matches no language", Langpack({E}, "", 100, 0x10003), false,
         [this] { EXPECT_EQ(frm->BaseLangCb->currentIndex(), kEnglish); }},
        {"a language id beyond the game's ids: named, the field holds its highest", Langpack({E}, "", 1000), false,
         [this] { EXPECT_EQ(frm->IDed->Value(), 254); },
         {"The language id 1000 lies outside 0 to 254, so the game cannot use the langpack; the ID field holds "
          "254."}},
        {"the language id 255 is named too", Langpack({kText, 0, 0, E}, Pool({"t"}), 255), false,
         [this] {
             EXPECT_EQ(frm->IDed->Value(), 254);
             ExpectOnlyChecked({kText});
         },
         {"The language id 255 lies outside 0 to 254, so the game cannot use the langpack; the ID field holds "
          "254."}},
        {"records in descending order, a record the stock lacks",
         Langpack({kUnknown, 0, 0, kText, 0, 2, 0x01000100, 0, 4, kUnknown + 0x100, 1, 6, E, E},
                  Pool({"u", "t", "r", "g"})),
         false,
         [this] {
             ExpectOnlyChecked({kUnknown, kUnknown + 0x100, kText, 0x01000100});
             std::vector<uint32_t> ids;
             for (PVirtualNode n : TopLevel(frm->Tree))
                 ids.push_back(Rec(n)->id);
             EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
             EXPECT_EQ(Rec(Top(kText))->newText, "t");
             EXPECT_EQ(Rec(Top(0x01000100))->newText, "r");
             const RecData *single = Rec(Top(kUnknown));
             EXPECT_EQ(single->kind, uint32_t(KindSingle));
             EXPECT_TRUE(single->templateText.isEmpty());
             EXPECT_EQ(single->newText, "u");
             PVirtualNode group = Top(kUnknown + 0x100);
             EXPECT_EQ(Rec(group)->kind, uint32_t(KindGroup));
             EXPECT_EQ(Rec(group)->templateText, QStringLiteral("<<GROUP>> "));
             ASSERT_EQ(Children(group).size(), 1u);
             EXPECT_EQ(Rec(Line(group, 0))->newText, "g");
             EXPECT_EQ(Rec(Line(group, 0))->id, kUnknown + 0x100);
             EXPECT_EQ(Line(group, 0)->CheckState, csCheckedNormal);
         }},
        {"ids in random order around and between new ones: one node per id, ascending",
         Langpack({kUnknown + 0x200, 0, 0, kUnknown, 0, 2, kText2, 0, 14, kText, 0, 4, kUnknown + 0x100, 0, 6,
                   kUnknown, 0, 8, 0x01000100, 0, 10, kUnknown + 0x200, 1, 12, E, E},
                  Pool({"c", "a", "t", "b", "A", "r", "C", "T"})),
         false,
         [this] {
             std::vector<uint32_t> ids;
             for (PVirtualNode n : TopLevel(frm->Tree))
                 ids.push_back(Rec(n)->id);
             EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end(), std::greater_equal<uint32_t>()), ids.end())
                 << "ids strictly ascending";
             EXPECT_EQ(int(ids.size()), 1724 + 3);
             EXPECT_EQ(Rec(Top(kUnknown))->newText, "A");
             EXPECT_EQ(Rec(Top(kUnknown + 0x100))->newText, "b");
             EXPECT_EQ(Rec(Top(kText))->newText, "t");
             EXPECT_EQ(Rec(Top(kText2))->newText, "T");
             PVirtualNode group = Top(kUnknown + 0x200);
             EXPECT_EQ(Rec(group)->kind, uint32_t(KindGroup));
             EXPECT_TRUE(Rec(group)->newText.isEmpty());
             ASSERT_EQ(Children(group).size(), 1u);
             EXPECT_EQ(Rec(Line(group, 0))->newText, "C");
         }},
        {"values naming one string share its text; a value inside it starts there",
         Langpack({kText, 0, 0, kText2, 0, 0, kGroup, 1, 0, 2, E, E}, Pool({"abcd"})), false,
         [this] {
             const QString &single = Rec(Top(kText))->newText;
             EXPECT_EQ(single, "abcd");
             EXPECT_EQ(Rec(Top(kText2))->newText.constData(), single.constData()) << "one copy";
             EXPECT_EQ(Rec(Line(Top(kGroup), 0))->newText.constData(), single.constData());
             EXPECT_EQ(Rec(Line(Top(kGroup), 1))->newText, "cd");
         }},
        {"values inside one string with line breaks get the tails of its text, sharing it",
         Langpack({kGroup, 1, 0, 2, 3, 5, 6, 7, E, E}, Pool({"a\nb\ncd", "x"})), false,
         [this] {
             const auto lines = Children(Top(kGroup));
             ASSERT_GE(lines.size(), 6u);
             const QString &whole = Rec(lines[0])->newText;
             EXPECT_EQ(whole, "a\r\nb\r\ncd");
             const struct {
                 const char *text;
                 qsizetype at;   // in the whole text
             } tails[] = {{"b\r\ncd", 3}, {"\r\ncd", 4}, {"d", 7}, {"", 8}};
             for (std::size_t n = 0; n < std::size(tails); ++n) {
                 const QString &line = Rec(lines[n + 1])->newText;
                 EXPECT_EQ(line, tails[n].text) << "line " << n + 1;
                 EXPECT_EQ(line.constData(), whole.constData() + tails[n].at) << "line " << n + 1 << " shares";
             }
             EXPECT_EQ(Rec(lines[5])->newText, "x");
         }},
        {"a group with fewer values than stock lines", Langpack({kGroup, 1, 0, 2, E, E}, Pool({"a", "b"})), false,
         [this] {
             PVirtualNode g = Top(kGroup);
             EXPECT_EQ(g->CheckState, csCheckedNormal);
             const auto lines = Children(g);
             ASSERT_GE(lines.size(), 4u);
             EXPECT_EQ(Rec(lines[0])->newText, "a");
             EXPECT_EQ(Rec(lines[1])->newText, "b");
             EXPECT_EQ(lines[0]->CheckState, csCheckedNormal);
             EXPECT_EQ(lines[1]->CheckState, csCheckedNormal);
             for (std::size_t i = 2; i < lines.size(); ++i) {
                 EXPECT_EQ(lines[i]->CheckState, csUncheckedNormal);
                 EXPECT_TRUE(Rec(lines[i])->newText.isEmpty());
             }
             EXPECT_FALSE(Rec(lines[0])->templateText.isEmpty()) << "templates stay";
         }},
        {"the same id twice: the second overwrites, lines behind it keep the first's",
         Langpack({kGroup, 1, 0, 2, 4, E, kText, 0, 6, kGroup, 1, 9, E, kText, 0, 11, E},
                  Pool({"1", "2", "3", "s1", "x", "s2"})),
         false,
         [this] {
             PVirtualNode g = Top(kGroup);
             EXPECT_EQ(Rec(Line(g, 0))->newText, "x");
             EXPECT_EQ(Rec(Line(g, 1))->newText, "2");
             EXPECT_EQ(Rec(Line(g, 2))->newText, "3");
             EXPECT_EQ(Line(g, 2)->CheckState, csCheckedNormal);
             EXPECT_EQ(Line(g, 3)->CheckState, csUncheckedNormal);
             EXPECT_EQ(Rec(Top(kText))->newText, "s2");
         }},
        {"a single at a group's id: the node becomes a single, its lines stay",
         Langpack({kGroup, 0, 0, E}, Pool({"one"})), false,
         [this] {
             PVirtualNode g = Top(kGroup);
             EXPECT_EQ(Rec(g)->kind, uint32_t(KindSingle));
             EXPECT_EQ(Rec(g)->newText, "one");
             EXPECT_EQ(g->CheckState, csCheckedNormal);
             EXPECT_TRUE(Rec(g)->templateText.startsWith(QStringLiteral("<<GROUP>> ")));
             EXPECT_GE(Children(g).size(), 4u);
             EXPECT_EQ(Line(g, 0)->CheckState, csUncheckedNormal);
             EXPECT_EQ(Cell(g, 0), QStringLiteral("02000500"));
         }},
        {"a group at a single's id: every value becomes a new line",
         Langpack({kText, 1, 0, 2, E, E}, Pool({"a", "b"})), false,
         [this] {
             PVirtualNode n = Top(kText);
             EXPECT_EQ(Rec(n)->kind, uint32_t(KindGroup));
             EXPECT_EQ(Rec(n)->templateText, StockText(kText));
             ASSERT_EQ(Children(n).size(), 2u);
             EXPECT_TRUE(Rec(Line(n, 0))->templateText.isEmpty());
             EXPECT_EQ(Rec(Line(n, 1))->newText, "b");
             EXPECT_EQ(Line(n, 1)->CheckState, csCheckedNormal);
             EXPECT_EQ(Cell(n, 0), QStringLiteral("02001000*"));
         }},
        {"kind 2 is a group", Langpack({kGroup, 2, 0, E, E}, Pool({"k"})), false,
         [this] {
             PVirtualNode g = Top(kGroup);
             EXPECT_EQ(Rec(g)->kind, uint32_t(KindGroup));
             EXPECT_EQ(Rec(Line(g, 0))->newText, "k");
             EXPECT_EQ(Line(g, 0)->CheckState, csCheckedNormal);
         }},
        {"an empty group: checked, its lines untouched", Langpack({kGroup, 1, E, E}, ""), false,
         [this] {
             PVirtualNode g = Top(kGroup);
             EXPECT_EQ(g->CheckState, csCheckedNormal);
             EXPECT_TRUE(Rec(g)->newText.isEmpty());
             for (PVirtualNode l : Children(g)) {
                 EXPECT_EQ(l->CheckState, csUncheckedNormal);
                 EXPECT_TRUE(Rec(l)->newText.isEmpty());
             }
         }},
        {"LF becomes CR LF in the name and the texts",
         Langpack({kText, 0, 0, E}, Pool({"one\ntwo"}), 100, 7, "a\nb"), false,
         [this] {
             EXPECT_EQ(frm->Nameed->text(), QStringLiteral("a\r\nb"));
             EXPECT_EQ(Rec(Top(kText))->newText, QStringLiteral("one\r\ntwo"));
         }},
        {"game characters become their Unicode ones", Langpack({kText, 0, 0, E}, Pool({"\x82\x01"})), false,
         [this] { EXPECT_EQ(Rec(Top(kText))->newText, QString::fromUtf8("Д\u263A")); }},

        // -- damaged: nothing is read outside the file, the walk ends, one warning names it --
        {"a name field without a 0 byte: the field alone, as far as the name field holds",
         Langpack({E}, "", 100, 7, QByteArray(32, 'N')), false,
         [this] { EXPECT_EQ(frm->Nameed->text(), QString(31, u'N')); },
         {"The name field has no terminating 0."}},
        {"the pool beyond the end of the file: no strings, so the record stays unchecked",
         Langpack({kText, 0, 0, E}, Pool({"lost"}), 100, 7, "Lang1", 5000), false,
         [this] {
             ExpectOnlyChecked({});
             EXPECT_TRUE(Rec(Top(kText))->newText.isEmpty());
         },
         {PoolPastEnd(5000, 81), "1 value points outside the strings; its row is left unchecked."}},
        {"the pool beyond the end of the file: not even a group without values is checked",
         Langpack({kGroup, 1, E, E}, "", 100, 7, "Lang1", 200), false, [this] { ExpectOnlyChecked({}); },
         {PoolPastEnd(200, 76)}},
        {"the pool inside the header: no strings taken from it, nothing checked",
         Langpack({kText, 0, 0, kGroup, 1, E, E}, "", 100, 7, "Lang1", 0), false,
         [this] {
             ExpectOnlyChecked({});
             EXPECT_TRUE(Rec(Top(kText))->newText.isEmpty()) << "not the magic";
         },
         {"The string pool offset 0 lies inside the 60-byte header: no row is checked, and the game takes nothing "
          "from the file.",
          "1 value points outside the strings; its row is left unchecked."}},
        {"string offsets outside the pool: their rows unchecked, the others read",
         Langpack({kText, 0, 100, kGroup, 1, 0xFFFFFFF0, 0, E, E}, Pool({"in"})), false,
         [this] {
             ExpectOnlyChecked({kGroup});
             EXPECT_TRUE(Rec(Top(kText))->newText.isEmpty());
             PVirtualNode group = Top(kGroup);
             EXPECT_EQ(Line(group, 0)->CheckState, csUncheckedNormal);
             EXPECT_TRUE(Rec(Line(group, 0))->newText.isEmpty());
             EXPECT_FALSE(Rec(Line(group, 0))->templateText.isEmpty()) << "the stock line stays";
             EXPECT_EQ(Rec(Line(group, 1))->newText, "in") << "the next value keeps its place";
             EXPECT_EQ(Line(group, 1)->CheckState, csCheckedNormal);
         },
         {"2 values point outside the strings; their rows are left unchecked.", kUncheckedInTheGame}},
        {"a group beyond its stock lines: a value outside the pool makes its line unchecked and empty",
         Langpack({kUnknown, 1, 0, 50, 2, 60, E, E}, Pool({"a", "b"})), false,
         [this] {
             const auto lines = Children(Top(kUnknown));
             ASSERT_EQ(lines.size(), 4u);
             const TCheckState want[] = {csCheckedNormal, csUncheckedNormal, csCheckedNormal, csUncheckedNormal};
             const char *texts[] = {"a", "", "b", ""};
             for (std::size_t i = 0; i < lines.size(); ++i) {
                 EXPECT_EQ(lines[i]->CheckState, want[i]) << i;
                 EXPECT_EQ(Rec(lines[i])->newText, texts[i]) << i;
             }
         },
         {"2 values point outside the strings; their rows are left unchecked.", kUncheckedInTheGame}},
        {"a group whose values all lie outside the pool stays unchecked, an empty group is checked",
         Langpack({kGroup, 1, 50, 60, E, kUnknown, 1, 70, E, 0x02000600, 1, E, E}, ""), false,
         [this] {
             ExpectOnlyChecked({0x02000600});
             EXPECT_EQ(FindTop(kUnknown), nullptr) << "a record that names nothing makes no node";
             for (PVirtualNode l : Children(Top(kGroup)))
                 EXPECT_EQ(l->CheckState, csUncheckedNormal);
         },
         {"3 values point outside the strings; their rows are left unchecked.", kUncheckedInTheGame}},
        {"a string without its 0 byte ends at the end of the file",
         Langpack({kText, 0, 0, E}, "open end"), false,
         [this] {
             ExpectOnlyChecked({kText});
             EXPECT_EQ(Rec(Top(kText))->newText, "open end");
         },
         {"1 value names a string without its terminating 0; its text runs to the end of the file."}},
        {"a single naming no string is left out: the base language's string stays",
         Langpack({kText, 0, E, kText2, 0, 0, E}, Pool({"b"})), false,
         [this] {
             ExpectOnlyChecked({kText2});
             EXPECT_TRUE(Rec(Top(kText))->newText.isEmpty());
         },
         {"1 single record has the end marker as its value; its row is left unchecked.", kUncheckedInTheGame}},
        {"the index runs off the end inside a group: the complete records are laid over",
         Langpack({kText, 0, 0, kGroup, 1, 0}, "ab"), false,
         [this] {
             ExpectOnlyChecked({kText});
             EXPECT_EQ(Rec(Top(kText))->newText, "ab") << "its string lies where the index ends";
         },
         {"1 value names a string without its terminating 0; its text runs to the end of the file.", IndexCut(1)}},
        {"the index runs off the end inside an id", Langpack({kText, 0, 0}, Pool({"t"})), false,
         [this] {
             ExpectOnlyChecked({kText});
             EXPECT_EQ(Rec(Top(kText))->newText, "t");
         },
         {IndexCut(1)}},
        {"header alone", minimal.left(60), false, [this] { ExpectOnlyChecked({}); },
         {PoolPastEnd(64, 60), IndexCut(0)}},
        {"several kinds at once, in the order of the file",
         Langpack({kText, 0, E, kText2, 0, E, kGroup, 1, 0, 99, E, kUnknown, 0}, "x", 100, 7, QByteArray(32, 'N')),
         false,
         [this] { ExpectOnlyChecked({kGroup}); },
         {"The name field has no terminating 0.",
          "2 single records have the end marker as their value; their rows are left unchecked.",
          "1 value points outside the strings; its row is left unchecked.",
          "1 value names a string without its terminating 0; its text runs to the end of the file.", IndexCut(3),
          kUncheckedInTheGame}},
    };

    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        OpenPrevious();
        const QString path = Path(QStringLiteral("load%1.ZVlang").arg(++n));
        WriteBytes(path, c.bytes);
        frm->LoadLangpack(path);
        EXPECT_EQ(frm->FiName->text(), path);
        if (c.refused) {
            ASSERT_EQ(boxes.calls.size(), 1u);
            EXPECT_EQ(boxes.calls[0].text, QStringLiteral("Unknown file structure."));
            EXPECT_EQ(boxes.calls[0].caption, QStringLiteral("Error detected."));
            EXPECT_EQ(boxes.calls[0].flags, 0x10u);
            EXPECT_EQ(boxes.calls[0].owner, nullptr);
            ExpectPreviousDocument();
            continue;
        }
        ExpectDamageWarning(path, c.damage);
        EXPECT_FALSE(frm->ChangedCb->isChecked());
        c.check();
    }
}

TEST_F(LoadTest, GroupWithMoreValuesThanStockLinesGetsNewLines)
{
    OpenPrevious();
    const int stockLines = int(Children(Top(kGroup)).size());
    ASSERT_GT(stockLines, 0);
    QByteArray words = Words({kGroup, 1});
    QByteArray pool;
    for (int i = 0; i < stockLines + 2; ++i) {
        words += Words({uint32_t(pool.size())});
        pool += QByteArray::number(i) + '\0';
    }
    words += Words({E, E});
    const QString path = Path("more.ZVlang");
    WriteBytes(path, Header(100, 7, "Lang1", uint32_t(kLangpackHeaderSize + words.size())) + words + pool);
    frm->LoadLangpack(path);

    const auto lines = Children(Top(kGroup));
    ASSERT_EQ(int(lines.size()), stockLines + 2);
    for (int i = 0; i < int(lines.size()); ++i) {
        EXPECT_EQ(Rec(lines[i])->newText, QString::number(i));
        EXPECT_EQ(lines[i]->CheckState, csCheckedNormal);
        EXPECT_EQ(Rec(lines[i])->templateText.isEmpty(), i >= stockLines) << "new lines have no template";
        EXPECT_EQ(Rec(lines[i])->id, kGroup);
        EXPECT_EQ(Rec(lines[i])->kind, uint32_t(KindSingle));
    }
}

// A file that is missing, or is not a regular file, raises the file error and changes only
// the path field; a pipe does not hold the load up.
TEST_F(LoadTest, FileThatCannotBeOpenedRaisesAndChangesOnlyThePath)
{
    const QString missing = Path("missing.ZVlang");
    std::vector<std::pair<const char *, QString>> files = {{"a missing file", missing}};
    std::vector<std::unique_ptr<NotRegularFile>> things;
    for (NotRegularFile::Kind kind : NotRegularFile::kKinds) {
        const QString path = Path(QStringLiteral("kind%1.ZVlang").arg(int(kind)));
        things.push_back(std::make_unique<NotRegularFile>(kind, path));
        ASSERT_TRUE(things.back()->made());
        files.emplace_back(NotRegularFile::Name(kind), path);
    }
    for (const auto &[what, path] : files) {
        SCOPED_TRACE(what);
        OpenPrevious();
        try {
            frm->LoadLangpack(path);
            ADD_FAILURE() << "no exception";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(path)))
                << e.message().toStdString();
        }
        EXPECT_EQ(frm->FiName->text(), path);
        EXPECT_TRUE(boxes.calls.empty());
        ExpectPreviousDocument();
    }
}

// The memos follow the focused node: after a load the translation field shows what the
// file gave the focused record, so moving on commits nothing.
TEST_F(LoadTest, TranslationFieldAgreesWithTheFocusedNodeAfterALoad)
{
    OpenPrevious();
    ShowAndActivate();
    const uint32_t first = Rec(TopLevel(frm->Tree).front())->id;
    const QString path = Path("first.ZVlang");
    WriteBytes(path, Langpack({first, 0, 0, E}, Pool({"from the file"})));
    frm->LoadLangpack(path);
    ASSERT_EQ(frm->Tree->FocusedNode(), TopLevel(frm->Tree).front());
    EXPECT_EQ(frm->New->toPlainText(), QStringLiteral("from the file"));
    EXPECT_EQ(frm->Old->toPlainText(), StockText(first));

    frm->Tree->SetFocusedNode(TopLevel(frm->Tree)[1]);
    EXPECT_EQ(Rec(TopLevel(frm->Tree).front())->newText, QStringLiteral("from the file"));
    EXPECT_FALSE(frm->ChangedCb->isChecked()) << "leaving the node committed nothing";
}

// A translation typed into the old document and not stored when a load begins (Open stores
// it before it asks) goes with the old document: the opened one starts without unsaved
// changes.
TEST_F(LoadTest, TranslationTypedBeforeALoadLeavesTheOpenedDocumentClean)
{
    OpenPrevious();
    ShowAndActivate();
    frm->Tree->SetFocusedNode(Top(kText));
    frm->New->setPlainText(QStringLiteral("typed, not stored"));
    frm->ChangedCb->setChecked(false);
    const QString path = Path("clean.ZVlang");
    WriteBytes(path, Langpack({E}, ""));
    frm->LoadLangpack(path);
    EXPECT_FALSE(frm->ChangedCb->isChecked());
    EXPECT_TRUE(Rec(Top(kText))->newText.isEmpty());
    EXPECT_EQ(Top(kText)->CheckState, csUncheckedNormal);
}

TEST_F(LoadTest, CommandLineFileIsOpenedAtStartUp)
{
    const QString path = Path("start.ZVlang");
    WriteBytes(path, Langpack({kText, 0, 0, E}, Pool({"started"}), 77, 3, "Cmd"));
    SetProgramArguments({QStringLiteral("glossmith"), path, QStringLiteral("ignored.ZVlang")});
    Open();
    EXPECT_EQ(frm->FiName->text(), path);
    EXPECT_EQ(frm->Nameed->text(), QStringLiteral("Cmd"));
    EXPECT_EQ(frm->IDed->Value(), 77);
    EXPECT_EQ(frm->BaseLangCb->currentIndex(), kSpanish);
    EXPECT_EQ(Rec(Top(kText))->newText, QStringLiteral("started"));
    EXPECT_FALSE(frm->ChangedCb->isChecked());
    EXPECT_TRUE(boxes.calls.empty());
}

// The first 100 bytes of a saved langpack, named on the command line: the window opens on
// what could be read, nothing checked (the strings are cut away), after one warning that
// names the file and its damage; a Save over it would write no empty strings.
TEST_F(LoadTest, CommandLineFileCutShortIsNamedInAWarning)
{
    Open();
    SetHeaderFields(100, QStringLiteral("Cut"), kEnglish);
    Translate(Top(kText), QStringLiteral("t"));
    Translate(Top(kText2), QStringLiteral("u"));
    PVirtualNode group = Top(kGroup);
    group->CheckState = csCheckedNormal;
    Translate(Line(group, 0), QStringLiteral("g1"));
    Translate(Line(group, 1), QStringLiteral("g2"));
    const QString path = Path("cut.ZVlang");
    SaveAs(path);
    // The group (5 words), the two singles (3 words each) and the EndMarker: the pool at 108.
    ASSERT_EQ(Hex(ReadBytes(path).mid(56, 4)), Hex(Words({108})));
    WriteBytes(path, ReadBytes(path).left(100));
    frm.reset();
    boxes.calls.clear();

    SetProgramArguments({QStringLiteral("glossmith"), path});
    Open();
    ExpectDamageWarning(path, {PoolPastEnd(108, 100),
                               "3 values point outside the strings; their rows are left unchecked.", IndexCut(2)});
    EXPECT_EQ(frm->FiName->text(), path);
    EXPECT_EQ(frm->Nameed->text(), QStringLiteral("Cut"));
    EXPECT_EQ(frm->IDed->Value(), 100);
    EXPECT_FALSE(frm->ChangedCb->isChecked());
    ExpectOnlyChecked({});
    EXPECT_EQ(int(TopLevel(frm->Tree).size()), 1724);
}

TEST_F(LoadTest, CommandLineFileRefusedOrMissing)
{
    // A file of another kind: refused, and the window stays with an empty tree.
    const QString other = Path("other.ZVlang");
    WriteBytes(other, "not a langpack at all, but long enough for a header......................");
    SetProgramArguments({QStringLiteral("glossmith"), other});
    Open();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, QStringLiteral("Unknown file structure."));
    EXPECT_EQ(frm->Tree->RootNode()->FirstChild, nullptr);
    EXPECT_EQ(frm->FiName->text(), other);
    frm.reset();

    // A file that cannot be opened ends the construction with the file error.
    const QString missing = Path("missing.ZVlang");
    SetProgramArguments({QStringLiteral("glossmith"), missing});
    try {
        Open();
        ADD_FAILURE() << "no exception";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)));
    }

    // Without an argument the document starts from the stock strings.
    SetProgramArguments({QStringLiteral("glossmith")});
    Open();
    EXPECT_EQ(int(TopLevel(frm->Tree).size()), 1724);
    EXPECT_EQ(frm->FiName->text(), Path("Untitled.ZVlang"));
}
