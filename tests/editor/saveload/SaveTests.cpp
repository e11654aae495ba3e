// The Save command on the built-in stock table: the bytes of saved documents, the id
// refusal, the dialog's proposal, the refusal of records the game cannot hold, and failed
// saves that keep the old file and the changed flag.
#include "SaveLoadFixture.h"

#include "../core/LangdefBuilder.h"
#include "platform/Exception.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

constexpr uint32_t kSingle = 0x01000000;     // a resource string
constexpr uint32_t kText = 0x02001000;       // slot 16, a single string
constexpr uint32_t kGroup = 0x02000500;      // slot 5, a list
constexpr uint32_t kOtherGroup = 0x02000600; // slot 6, a list

QByteArray Lang1(uint32_t poolOffset) { return Header(100, 7, "Lang1", poolOffset); }

} // namespace

TEST_F(SaveLoadTest, SavedBytes)
{
    const struct {
        const char *what;
        std::function<void()> prepare;
        QByteArray expected;
    } cases[] = {
        {"nothing checked: 64 bytes", [] {}, Lang1(64) + Words({E})},
        {"only the single 0x01000000 with abc: 80 bytes",
         [this] { Translate(Top(kSingle), "abc"); },
         Lang1(76) + Words({kSingle, 0, 0, E}) + Pool({"abc"})},
        {"only a group with two of its lines checked: 88 bytes",
         [this] {
             PVirtualNode g = Top(kGroup);
             g->CheckState = csCheckedNormal;
             Rec(g)->newText = "a group's own text is never written";
             Translate(Line(g, 1), "a");
             Translate(Line(g, 3), "b");
             Rec(Line(g, 2))->newText = "unchecked";
         },
         Lang1(84) + Words({kGroup, 1, 0, 2, E, E}) + Pool({"a", "b"})},
        {"a checked single with an empty translation points at a lone NUL",
         [this] { Translate(Top(kText), ""); },
         Lang1(76) + Words({kText, 0, 0, E}) + Pool({""})},
        {"two lines are stored with one LF",
         [this] { Translate(Top(kText), "one\r\ntwo"); },
         Lang1(76) + Words({kText, 0, 0, E}) + Pool({"one\ntwo"})},
        {"a checked group without checked lines is an empty list",
         [this] {
             PVirtualNode g = Top(kGroup);
             g->CheckState = csCheckedNormal;
             Rec(Line(g, 0))->newText = "typed but unchecked";
         },
         Lang1(76) + Words({kGroup, 1, E, E})},
        {"an unchecked group writes none of its checked lines",
         [this] {
             PVirtualNode g = Top(kGroup);
             Translate(Line(g, 0), "x");
             Translate(Line(g, 1), "y");
         },
         Lang1(64) + Words({E})},
        {"only the third line checked", [this] {
             PVirtualNode g = Top(kGroup);
             g->CheckState = csCheckedNormal;
             Translate(Line(g, 2), "third");
         },
         Lang1(80) + Words({kGroup, 1, 0, E, E}) + Pool({"third"})},
        {"records in tree order, equal texts stored twice, templates never",
         [this] {
             PVirtualNode g = Top(kOtherGroup);
             g->CheckState = csCheckedNormal;
             Translate(Line(g, 0), "same");
             Translate(Top(kText), "same");
             Translate(Top(kSingle), "");
             Top(0x01000100)->CheckState = csCheckedNormal;  // its template is not its text
         },
         Lang1(116) + Words({kSingle, 0, 0, 0x01000100, 0, 1, kOtherGroup, 1, 2, E, kText, 0, 7, E}) +
             Pool({"", "", "same", "same"})},
        {"a pressed single is written, a pressed line is not",
         [this] {
             PVirtualNode s = Top(kText);
             Rec(s)->newText = "p";
             s->CheckState = csUncheckedPressed;
             PVirtualNode g = Top(kGroup);
             g->CheckState = csCheckedPressed;
             Translate(Line(g, 0), "kept");
             Rec(Line(g, 1))->newText = "pressed";
             Line(g, 1)->CheckState = csCheckedPressed;
         },
         Lang1(92) + Words({kGroup, 1, 0, E, kText, 0, 5, E}) + Pool({"kept", "p"})},
        {"id 0, base Espanol, the longest name",
         [this] { SetHeaderFields(0, QString(31, u'N'), kSpanish); },
         Header(0, 3, QByteArray(31, 'N'), 64) + Words({E})},
        {"an empty name leaves the field all 0",
         [this] { SetHeaderFields(254, QString(), kEnglish); },
         Header(254, 7, QByteArray(), 64) + Words({E})},
        {"name characters of the game set; others become 0x7F",
         [this] { SetHeaderFields(100, QString::fromUtf8("Д\u263A\u4E00"), kEnglish); },
         Header(100, 7, "\x82\x01\x7F", 64) + Words({E})},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        SetHeaderFields(100, QStringLiteral("Lang1"), kEnglish);
        ASSERT_GE(Children(Top(kGroup)).size(), 4u);
        c.prepare();
        frm->ChangedCb->setChecked(true);
        const QString path = Path(QStringLiteral("case%1.ZVlang").arg(++n));
        SaveAs(path);
        EXPECT_TRUE(boxes.calls.empty());
        EXPECT_EQ(Hex(ReadBytes(path)), Hex(c.expected));
        EXPECT_FALSE(frm->ChangedCb->isChecked());
        EXPECT_EQ(frm->FiName->text(), path);
    }
}

TEST_F(SaveLoadTest, GameVersionIsTheWritersWhateverTheStockTableCarries)
{
    LangdefBuilder table;
    table.version = {4, 0, 2, 9};
    table.AddLanguage(7, QStringLiteral("English (7)"), true).Single(0x01000100, "Hello");
    WriteBytes(Path("Langdef.df"), table.Build());
    Open();
    ASSERT_EQ(frm->StockVersion, (std::array<uint16_t, 4>{4, 0, 2, 9}));
    SetHeaderFields(100, QStringLiteral("Lang1"), 0);
    Translate(TopLevel(frm->Tree).front(), "Hi");
    SaveAs(Path("v.ZVlang"));
    EXPECT_EQ(Hex(ReadBytes(Path("v.ZVlang"))),
              Hex(Lang1(76) + Words({0x01000100, 0, 0, E}) + Pool({"Hi"})));
}

TEST_F(SaveLoadTest, NegativeIdIsRefusedBeforeTheDialog)
{
    Open();
    ShowAndActivate();
    frm->New->setFocus();
    ASSERT_EQ(frm->IDed->Value(), -1) << "a new window starts without an id";
    frm->ChangedCb->setChecked(true);
    const QString before = frm->FiName->text();
    SaveAs(Path("never.ZVlang"));
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, QStringLiteral("Please ender valid ID or use (R)andom button!!"));
    EXPECT_EQ(boxes.calls[0].caption, QStringLiteral("Error!"));
    EXPECT_EQ(boxes.calls[0].flags, 0x30u);
    EXPECT_EQ(boxes.calls[0].owner, nullptr);
    EXPECT_TRUE(proposedName.isEmpty()) << "no dialog";
    EXPECT_TRUE(frm->IDed->hasFocus());
    EXPECT_TRUE(frm->ChangedCb->isChecked());
    EXPECT_EQ(frm->FiName->text(), before);
    EXPECT_FALSE(QFile::exists(Path("never.ZVlang")));
}

TEST_F(SaveLoadTest, DialogProposesTheDocumentsPathAndCancelChangesNothing)
{
    Open();
    SetHeaderFields(0, QStringLiteral("Lang1"), kEnglish);
    const QString untitled = Path("Untitled.ZVlang");
    ASSERT_EQ(frm->FiName->text(), untitled);
    frm->ChangedCb->setChecked(true);

    SaveAs(std::nullopt);
    EXPECT_EQ(proposedDir, QStringList{folder.path() + "/"});
    EXPECT_EQ(proposedName, QStringList{"Untitled.ZVlang"});
    EXPECT_TRUE(frm->ChangedCb->isChecked()) << "a cancelled save keeps the flag";
    EXPECT_EQ(frm->FiName->text(), untitled);
    EXPECT_FALSE(QFile::exists(untitled));

    ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    const QString mine = Path("sub/mine.ZVlang");
    WriteBytes(mine, "an older file");
    SaveAs(mine);
    EXPECT_TRUE(boxes.calls.empty()) << "an existing file is replaced without a question";
    EXPECT_EQ(ReadBytes(mine).size(), 64);
    EXPECT_EQ(frm->FiName->text(), mine);
    EXPECT_FALSE(frm->ChangedCb->isChecked());
    EXPECT_EQ(QDir(Path("sub")).entryList(QDir::Files | QDir::Hidden), QStringList{"mine.ZVlang"})
        << "no temporary file is left beside it";

    SaveAs(std::nullopt);
    EXPECT_EQ(proposedDir.last(), Path("sub/"));
    EXPECT_EQ(proposedName.last(), "mine.ZVlang");
}

TEST_F(SaveLoadTest, SaveButtonRunsTheSaveCommand)
{
    Open();
    ShowAndActivate();
    SetHeaderFields(5, QStringLiteral("Lang1"), kEnglish);
    dialogAnswer = Path("clicked.ZVlang");
    QTest::mouseClick(frm->SaveBtn, Qt::LeftButton);
    EXPECT_EQ(ReadBytes(Path("clicked.ZVlang")).size(), 64);
}

// Lists the game keeps in 255 entries and the fifteen sub-lists of slot 14: a document
// that would break them is refused with a message naming the record, before the dialog.
TEST_F(SaveLoadTest, RecordsTheGameCannotHoldAreRefused)
{
    const struct {
        const char *what;
        std::function<void()> prepare;
        const char *named;  // the record the message names; null: the save goes through
    } cases[] = {
        {"a group of 256 checked lines",
         [this] {
             PVirtualNode g = Top(kGroup);
             g->CheckState = csCheckedNormal;
             while (Children(g).size() < 256)
                 frm->AddRecordNode(g, RecData{kGroup, KindSingle, {}, {}});
             for (PVirtualNode l : Children(g))
                 Translate(l, "l");
         },
         "02000500"},
        {"a group of 255 checked lines and more unchecked ones",
         [this] {
             PVirtualNode g = Top(kGroup);
             g->CheckState = csCheckedNormal;
             while (Children(g).size() < 300)
                 frm->AddRecordNode(g, RecData{kGroup, KindSingle, {}, {}});
             int checked = 0;
             for (PVirtualNode l : Children(g))
                 l->CheckState = checked++ < 255 ? csCheckedNormal : csUncheckedNormal;
         },
         nullptr},
        {"slot 14 sub-list 15",
         [this] { Top(0x02000E0F, KindGroup)->CheckState = csCheckedNormal; },
         "02000E0F"},
        {"slot 14 sub-list 14", [this] { Top(0x02000E0E)->CheckState = csCheckedNormal; }, nullptr},
        {"an unchecked record with a bad sub-index is not saved, so not refused",
         [this] { Top(0x02000EFF); }, nullptr},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        boxes.calls.clear();
        proposedName.clear();
        SetHeaderFields(100, QStringLiteral("Lang1"), kEnglish);
        c.prepare();
        frm->ChangedCb->setChecked(true);
        const QString path = Path(QStringLiteral("limits%1.ZVlang").arg(++n));
        SaveAs(path);
        if (!c.named) {
            EXPECT_TRUE(boxes.calls.empty());
            EXPECT_TRUE(QFile::exists(path));
            EXPECT_FALSE(frm->ChangedCb->isChecked());
            continue;
        }
        ASSERT_EQ(boxes.calls.size(), 1u);
        EXPECT_TRUE(boxes.calls[0].text.contains(QLatin1String(c.named))) << boxes.calls[0].text.toStdString();
        EXPECT_TRUE(boxes.calls[0].text.endsWith(QStringLiteral("The langpack was not saved.")));
        EXPECT_EQ(boxes.calls[0].caption, QStringLiteral("Error!"));
        EXPECT_EQ(boxes.calls[0].flags, 0x30u);
        EXPECT_TRUE(proposedName.isEmpty()) << "refused before the dialog";
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_TRUE(frm->ChangedCb->isChecked());

        // Called with a file name all the same, the save writes nothing either.
        boxes.calls.clear();
        frm->SaveLangpack(path);
        EXPECT_EQ(boxes.calls.size(), 1u);
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_TRUE(frm->ChangedCb->isChecked());
    }
}

TEST_F(SaveLoadTest, FailedSaveKeepsTheOldFileAndTheChangedFlag)
{
    Open();
    SetHeaderFields(100, QStringLiteral("Lang1"), kEnglish);
    // Beside a target of 250 characters the temporary file cannot get a name of its own,
    // so the write fails after the target was found to be replaceable.
    const QString oldName = QString(243, u'o') + QStringLiteral(".ZVlang");
    const QString old = Path(oldName);
    WriteBytes(old, "the old langpack");
    Translate(Top(kText), "new");
    frm->ChangedCb->setChecked(true);
    dialogAnswer = old;
    try {
        frm->SaveBtnClick(nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(old)) ||
                    e.message() == QStringLiteral("Stream write error"))
            << e.message().toStdString();
    }
    EXPECT_EQ(ReadBytes(old), QByteArray("the old langpack"));
    EXPECT_TRUE(frm->ChangedCb->isChecked());
    EXPECT_EQ(frm->FiName->text(), old) << "the path field shows the new path";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{oldName});

    // A folder that cannot exist (below a plain file): the class library's text, shown by
    // the message loop when the click's handler ends with it.
    ShowAndActivate();
    const QString bad = old + QStringLiteral("/sub/new.ZVlang");
    dialogAnswer = bad;
    QTest::mouseClick(frm->SaveBtn, Qt::LeftButton);
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(boxes.calls[0].text.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(bad)))
        << boxes.calls[0].text.toStdString();
    EXPECT_EQ(boxes.calls[0].flags, unsigned(MB_ICONERROR));
    EXPECT_TRUE(frm->ChangedCb->isChecked());
    EXPECT_EQ(frm->FiName->text(), bad);
}
