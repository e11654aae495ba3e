#include "Langdef.h"
#include "LangdefBuilder.h"
#include "platform/ResourceStream.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

constexpr uint32_t kText1 = 0x01000100;   // resource string 1
constexpr uint32_t kText2 = 0x01000200;
constexpr uint32_t kSlot0 = 0x02000000;
constexpr uint32_t kList5 = 0x02000500;
constexpr uint32_t kList6 = 0x02000600;

// The stock entries, with a few records in English (entry 1) and German (entry 0).
LangdefBuilder StockWithRecords()
{
    LangdefBuilder b = LangdefBuilder::StockEntries();
    b.languages[0].records = {{kText1, KindSingle, {"Hallo"}}};
    b.languages[1].records = {{kText1, KindSingle, {"Hello\nworld"}},
                              {kText2, KindSingle, {"Only English"}},
                              {kSlot0, KindSingle, {"first"}},
                              {kSlot0, KindSingle, {"second"}},
                              {kList5, KindGroup, {"one", "two"}},
                              {kList6, KindGroup, {}}};
    return b;
}

std::vector<LangdefRecord> ReadAll(const Langdef &table, int baseIndex, bool *complete = nullptr,
                                   std::vector<QStringList> *strings = nullptr)
{
    std::vector<LangdefRecord> out;
    const bool done = table.ForEachRecord(baseIndex, [&](const LangdefRecord &r, const QStringList &s) {
        out.push_back(r);
        if (strings)
            strings->push_back(s);
        return true;
    });
    if (complete)
        *complete = done;
    return out;
}

TEST(Langdef, StockEntryList)
{
    const Langdef table = Langdef::FromBytes(LangdefBuilder::StockEntries().Build());
    EXPECT_EQ(table.EntryCount(), 9);
    EXPECT_EQ(table.EntryNames(),
              QStringList({u"Deutsch (1)"_qs, u"English (7)"_qs, u"Español (3)"_qs, u"Français (6)"_qs,
                           u"Italiano (2)"_qs, u"Nederlands (4)"_qs, u"Portuguese (0)"_qs, u"Русский (8)"_qs,
                           u"Svenska (5)"_qs}));
    EXPECT_EQ(table.DefaultBaseIndex(), 1);
    EXPECT_EQ(table.StockVersion(), (std::array<uint16_t, 4>{3, 6, 31, 0}));
    EXPECT_EQ(table.Entry(7).languageId, 8);
    EXPECT_EQ(table.Entry(0).blockOffset, 808u);  // the blocks follow the terminator
}

TEST(Langdef, FindLangIndex)
{
    const Langdef table = Langdef::FromBytes(LangdefBuilder::StockEntries().Build());
    struct Case {
        uint32_t languageId;
        int index;
    } cases[] = {{7, 1}, {0, 6}, {1, 0}, {5, 8}, {9, -1}, {0xFFFF, -1}, {0x10007, -1}, {0xFFFFFFFF, -1}};
    for (const Case &c : cases)
        EXPECT_EQ(table.FindLangIndex(c.languageId), c.index) << c.languageId;
}

TEST(Langdef, FindLangIndexGivesTheFirstOfEqualIds)
{
    LangdefBuilder b;
    b.AddLanguage(3, u"a"_qs).AddLanguage(3, u"b"_qs);
    EXPECT_EQ(Langdef::FromBytes(b.Build()).FindLangIndex(3), 0);
}

TEST(Langdef, DefaultBaseIndexIsTheLastFlaggedEntryOrZero)
{
    struct Case {
        std::vector<bool> flags;
        int index;
    } cases[] = {{{false, false, false}, 0}, {{false, false, true}, 2}, {{true, false, true}, 2},
                 {{false, true, false}, 1}, {{true}, 0}};
    for (const Case &c : cases) {
        LangdefBuilder b;
        for (std::size_t i = 0; i < c.flags.size(); ++i)
            b.AddLanguage(uint16_t(i), QString::number(i), c.flags[i]);
        EXPECT_EQ(Langdef::FromBytes(b.Build()).DefaultBaseIndex(), c.index);
    }
}

TEST(Langdef, LookupStockText)
{
    const Langdef table = Langdef::FromBytes(StockWithRecords().Build());
    struct Case {
        int base;
        uint32_t id;
        QString text;
    } cases[] = {
        {1, kText1, u"Hello\r\nworld"_qs},  // a single, with CR LF line breaks
        {0, kText1, u"Hallo"_qs},           // the same id in another language
        {1, kText2, u"Only English"_qs},
        {0, kText2, QString()},             // missing from this language
        {1, kSlot0, u"first"_qs},           // the first record with the id wins
        {1, kList5, u"one"_qs},             // a group gives its first line
        {1, kList6, QString()},             // an empty group
        {1, 0x01000300, QString()},
        {1, EndMarker, QString()},
        {2, kText1, QString()},             // a language without records
        {9, kText1, QString()},             // no such entry
        {-1, kText1, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(table.LookupStockText(c.base, c.id), c.text) << c.base << " " << std::hex << c.id;
}

TEST(Langdef, BlockIsReadRecordByRecord)
{
    LangdefBuilder b;
    b.AddLanguage(7, u"English (7)"_qs)
        .Single(kText1, "a\nb")
        .Group(kList5, {"x", "y", "z"})
        .Group(kList6, {}, 7)  // any kind other than 0 is a group
        .Single(kSlot0, "");
    const Langdef table = Langdef::FromBytes(b.Build());
    bool complete = false;
    std::vector<QStringList> strings;
    const auto records = ReadAll(table, 0, &complete, &strings);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_TRUE(complete);
    EXPECT_EQ(records[0].id, kText1);
    EXPECT_FALSE(records[0].IsGroup());
    EXPECT_EQ(strings[0], QStringList{u"a\r\nb"_qs});
    EXPECT_TRUE(records[1].IsGroup());
    EXPECT_EQ(strings[1], QStringList({u"x"_qs, u"y"_qs, u"z"_qs}));
    EXPECT_EQ(records[2].kind, 7u);
    EXPECT_TRUE(records[2].IsGroup());
    EXPECT_TRUE(strings[2].isEmpty());
    EXPECT_EQ(strings[3], QStringList{QString()});

    // Stopping early.
    int seen = 0;
    EXPECT_FALSE(table.ForEachRecord(0, [&](const LangdefRecord &, const QStringList &) { return ++seen < 2; }));
    EXPECT_EQ(seen, 2);
}

TEST(Langdef, AttachPointsTheStreamAtTheSelectedBlock)
{
    const Langdef table = Langdef::FromBytes(StockWithRecords().Build());
    TRawMemoryStream s;
    s.Seek(3, soBeginning);
    table.AttachBaseLangdefBlock(s, 1);
    const LangdefEntry e = table.Entry(1);
    EXPECT_EQ(s.Memory(), table.Bytes().constData() + e.blockOffset);
    EXPECT_EQ(s.Size(), e.blockSize);
    EXPECT_EQ(s.Position(), 3);  // the reader rewinds it itself
    const QByteArray before = table.Bytes();
    EXPECT_EQ(s.Write("xxxx", 4), 0);
    EXPECT_EQ(table.Bytes(), before);
}

// ---- loading ----

TEST(Langdef, FileBesideTheProgramReplacesTheBuiltInTable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LangdefBuilder b;
    b.version = {4, 0, 1, 2};
    b.AddLanguage(2, u"Only (2)"_qs).Single(kText1, "from file");
    QFile f(dir.filePath(QStringLiteral("Langdef.df")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b.Build());
    f.close();

    const Langdef table = Langdef::Load(dir.path());
    EXPECT_EQ(table.StockVersion(), (std::array<uint16_t, 4>{4, 0, 1, 2}));
    EXPECT_EQ(table.EntryNames(), QStringList{u"Only (2)"_qs});
    EXPECT_EQ(table.LookupStockText(0, kText1), u"from file"_qs);
}

TEST(Langdef, WithoutTheFileTheBuiltInTableIsUsed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Langdef.df")));  // a folder is no file
    if (ResourceStream::FindResourcePath(QStringLiteral("Langdef")).isEmpty()) {
        try {
            Langdef::Load(dir.path());
            ADD_FAILURE() << "no error";
        } catch (const EResNotFound &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Resource Langdef not found"));
        }
    } else {
        EXPECT_GE(Langdef::Load(dir.path()).EntryCount(), 1);
    }
}

// ---- damaged tables ----

QByteArray Truncated(QByteArray bytes, qsizetype size)
{
    bytes.truncate(size);
    return bytes;
}

TEST(Langdef, UnsoundEntryListIsRefused)
{
    const QByteArray stock = StockWithRecords().Build();
    LangdefBuilder none;
    LangdefBuilder outside = LangdefBuilder::StockEntries();
    outside.languages[3].blockOffset = uint32_t(stock.size());
    outside.languages[3].blockSize = 1;
    LangdefBuilder wraps = LangdefBuilder::StockEntries();
    wraps.languages[0].blockOffset = 0xFFFFFFF0;
    wraps.languages[0].blockSize = 0x20;
    LangdefBuilder tooBig = LangdefBuilder::StockEntries();
    tooBig.languages[8].blockSize = 0xFFFFFFFF;

    struct Case {
        const char *what;
        QByteArray bytes;
        QString reason;
    } cases[] = {
        {"empty", QByteArray(), u"it is shorter than its version"_qs},
        {"half a version", Truncated(stock, 5), u"it is shorter than its version"_qs},
        {"version only", Truncated(stock, 8), u"its language list has no end"_qs},
        {"cut in an entry", Truncated(stock, 8 + 80 * 3 + 40), u"its language list has no end"_qs},
        {"cut before the terminator's id", Truncated(stock, 8 + 80 * 9 + 1), u"its language list has no end"_qs},
        {"no entry", none.Build(), u"it lists no language"_qs},
        {"block outside", outside.Build(), u"the strings of language 3 lie outside the table"_qs},
        {"offset and size wrap", wraps.Build(), u"the strings of language 0 lie outside the table"_qs},
        {"size too big", tooBig.Build(), u"the strings of language 8 lie outside the table"_qs},
        {"cut in the blocks", Truncated(stock, stock.size() - 1), u"the strings of language 8 lie outside the table"_qs},
    };
    for (const Case &c : cases) {
        try {
            Langdef::FromBytes(c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const ELangdefDamaged &e) {
            EXPECT_EQ(e.message().toStdString(),
                      QStringLiteral("The stock-string table is damaged: %1.").arg(c.reason).toStdString())
                << c.what;
        }
    }
}

// A damaged "Langdef.df" is named, so that the user knows which file to remove.
TEST(Langdef, DamagedFileBesideTheProgramIsNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Langdef.df"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(LangdefBuilder().Build());
    f.close();
    try {
        Langdef::Load(dir.path());
        ADD_FAILURE() << "accepted";
    } catch (const ELangdefDamaged &e) {
        EXPECT_EQ(e.message().toStdString(),
                  QStringLiteral("The stock-string table \"%1\" is damaged: it lists no language.")
                      .arg(QFileInfo(path).absoluteFilePath())
                      .toStdString());
    }
}

TEST(Langdef, EveryTruncationIsRefusedOrReadSafely)
{
    const QByteArray stock = StockWithRecords().Build();
    for (qsizetype n = 0; n <= stock.size(); ++n) {
        // A copy of exactly n bytes, so that reading past it is reading past the allocation.
        const QByteArray cut(stock.constData(), n);
        try {
            const Langdef table = Langdef::FromBytes(cut);
            ASSERT_GE(table.EntryCount(), 1);
            EXPECT_GE(table.DefaultBaseIndex(), 0);
            EXPECT_LT(table.DefaultBaseIndex(), table.EntryCount());
            for (int i = 0; i < table.EntryCount(); ++i)
                ReadAll(table, i);
        } catch (const ELangdefDamaged &) {
        }
    }
}

// Two languages: the first with a damaged block, the second with a block whose records
// and strings would show up if a reader of the first went past its end.
Langdef WithDamagedBlock(const QByteArray &block)
{
    LangdefBuilder b;
    b.AddLanguage(1, u"Damaged"_qs).RawBlock(block);
    b.AddLanguage(2, u"Neighbour"_qs).Single(kText2, "neighbour").Single(kText1, "neighbour");
    return Langdef::FromBytes(b.Build());
}

QByteArray Words(std::initializer_list<uint32_t> words)
{
    QByteArray out;
    for (uint32_t w : words)
        AppendU32(out, w);
    return out;
}

TEST(Langdef, DamagedBlockIsReadAsFarAsItIsSound)
{
    struct Case {
        const char *what;
        QByteArray block;
        std::vector<uint32_t> ids;          // the records read
        std::vector<QStringList> strings;
        bool complete;
    } cases[] = {
        {"no EndMarker", Words({16, kText1, 0, 0}), {kText1}, {{QString()}}, false},
        {"cut in an id", Words({16, kText1, 0, 0}) + QByteArray("ab", 3), {kText1}, {{u"ab"_qs}}, false},
        {"no EndMarker after a record", Words({20, kText1, 0, 0, kSlot0}), {kText1}, {{QString()}}, false},
        {"group cut off", Words({24, kText1, 0, 0, kList5, 1}), {kText1}, {{QString()}}, false},
        {"single cut off", Words({16, kText1, 0}), {}, {}, false},
        {"string without its NUL", Words({20, kText1, 0, 0, EndMarker}) + "abc", {kText1}, {{u"abc"_qs}}, true},
        {"offset outside the pool", Words({20, kText1, 0, 1000, EndMarker}) + QByteArray("x", 2), {kText1},
         {{QString()}}, true},
        {"offset on the EndMarker", Words({20, kText1, 0, EndMarker, EndMarker}) + QByteArray("x", 2), {kText1},
         {{QString()}}, true},
        {"pool offset beyond the block", Words({5000, kText1, 0, 0, EndMarker}), {kText1}, {{QString()}}, true},
        {"pool offset in the index", Words({0, kText1, 0, 4, EndMarker}), {kText1}, {{QString()}}, true},
        {"only the pool offset", Words({4}), {}, {}, false},
        {"shorter than the pool offset", QByteArray("\x04\x00", 2), {}, {}, false},
        {"empty", QByteArray(), {}, {}, false},
    };
    for (const Case &c : cases) {
        const Langdef table = WithDamagedBlock(c.block);
        bool complete = true;
        std::vector<QStringList> strings;
        const auto records = ReadAll(table, 0, &complete, &strings);
        std::vector<uint32_t> ids;
        for (const LangdefRecord &r : records)
            ids.push_back(r.id);
        EXPECT_EQ(ids, c.ids) << c.what;
        EXPECT_EQ(strings, c.strings) << c.what;
        EXPECT_EQ(complete, c.complete) << c.what;
        EXPECT_EQ(table.LookupStockText(0, kText2), QString()) << c.what;
        EXPECT_EQ(table.LookupStockText(1, kText2), u"neighbour"_qs) << c.what;
    }
}

} // namespace
