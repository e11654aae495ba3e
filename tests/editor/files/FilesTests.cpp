// The main window's file commands and keyboard on a small stock table: the keys the window
// previews, the tree's key handling, New, Open, the close query with its save question,
// the Alt shortcuts of the buttons and the association button.
#include "About.h"
#include "Main.h"
#include "Searchx.h"
#include "FileDialog.h"
#include "bytes/FakeRegedit.h"
#include "core/LangdefBuilder.h"
#include "platform/Beep.h"
#include "platform/SpinEdit.h"
#include "saveload/SaveLoadFixture.h"
#include "window/WindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <deque>
#include <optional>

namespace {

const QString kQuestion = QStringLiteral("File was changed. Do you want to save it?");
const QString kIdRefusal = QStringLiteral("Please ender valid ID or use (R)andom button!!");

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// English (the default) and Spanish:
//   Alpha, Beta, group 0x02000300 {One, Two}, group 0x02000400 {Three, Four}.
class FilesTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        LangdefBuilder table;
        table.AddLanguage(7, QStringLiteral("English (7)"), true)
            .Single(0x01000100, "Alpha")
            .Single(0x01000200, "Beta")
            .Group(0x02000300, {"One", "Two"})
            .Group(0x02000400, {"Three", "Four"});
        table.AddLanguage(3, QStringLiteral("Spanish (3)"))
            .Single(0x01000100, "Alfa")
            .Single(0x01000200, "Beta")
            .Group(0x02000300, {"Uno", "Dos"})
            .Group(0x02000400, {"Tres", "Cuatro"});
        QFile file(QDir(folder.path()).filePath(QStringLiteral("Langdef.df")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(table.Build());
        file.close();

        Open();
        ZvLngFrm = frm.get();
        search = std::make_unique<TSearchFrm>();
        SearchFrm = search.get();
        ShowAndActivate();
        ReadNodes();

        TFileDialog::SetResponder([this](const TFileDialog &dialog) -> std::optional<QString> {
            dialogs.push_back(dialog.kind());
            if (dialogAnswers.empty())
                return std::nullopt;
            std::optional<QString> answer = dialogAnswers.front();
            dialogAnswers.pop_front();
            return answer;
        });
        ResetBeepCount();
    }

    void TearDown() override
    {
        TFileDialog::SetResponder({});
        SearchFrm = nullptr;
        search.reset();
        ZvLngFrm = nullptr;
        WindowTest::TearDown();
    }

    // The nodes of the document as it stands (again after it has been replaced).
    void ReadNodes()
    {
        const std::vector<PVirtualNode> top = TopLevel(frm->Tree);
        ASSERT_EQ(top.size(), 4u);
        alpha = top[0];
        beta = top[1];
        group1 = top[2];
        group2 = top[3];
        one = group1->FirstChild;
        two = group1->LastChild;
        three = group2->FirstChild;
        four = group2->LastChild;
    }

    // A key typed into the control that has the input focus.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }

    // Focuses the node, then puts the input focus into New and replaces its text by typing.
    void TypeInto(PVirtualNode node, const QString &text)
    {
        frm->Tree->SetFocusedNode(node);
        frm->New->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), frm->New);
        QTest::keyClick(frm->New, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(frm->New, text);
    }

    // A translation stored and checked while no node is focused, so that no commit runs.
    void Store(PVirtualNode node, const QString &text)
    {
        frm->Tree->SetFocusedNode(nullptr);
        Rec(node)->newText = text;
        node->CheckState = csCheckedNormal;
    }

    QString PathInFolder(const QString &name) const { return QDir(folder.path()).filePath(name); }

    void ExpectQuestion(size_t index, unsigned flags)
    {
        ASSERT_GT(boxes.calls.size(), index);
        EXPECT_EQ(boxes.calls[index].text, kQuestion);
        EXPECT_EQ(boxes.calls[index].caption, QStringLiteral("Caution"));
        EXPECT_EQ(boxes.calls[index].flags, flags);
        EXPECT_EQ(boxes.calls[index].owner, nullptr);
    }

    std::unique_ptr<TSearchFrm> search;
    std::vector<TFileDialog::Kind> dialogs;
    std::deque<std::optional<QString>> dialogAnswers;
    PVirtualNode alpha = nullptr, beta = nullptr, group1 = nullptr, group2 = nullptr, one = nullptr,
                 two = nullptr, three = nullptr, four = nullptr;
};

using Kind = TFileDialog::Kind;

} // namespace

// ---- keys ----

TEST_F(FilesTest, CtrlWithANavigationKeyMovesTheTreeWhileNewKeepsTheFocus)
{
    TypeInto(alpha, QStringLiteral("typed"));
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), frm->New);
    EXPECT_EQ(frm->Tree->FocusedNode(), beta);
    EXPECT_EQ(Rec(alpha)->newText, QStringLiteral("typed"));
    EXPECT_EQ(alpha->CheckState, csCheckedNormal);
    EXPECT_TRUE(frm->ChangedCb->isChecked());
    EXPECT_EQ(frm->New->toPlainText(), QString());

    Press(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), alpha);
    EXPECT_EQ(frm->New->toPlainText(), QStringLiteral("typed"));
    Press(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), frm->Tree->GetLastVisible());
    Press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), alpha);
    const TColumnIndex column = frm->Tree->FocusedColumn();
    Press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_NE(frm->Tree->FocusedColumn(), column);
    EXPECT_EQ(QApplication::focusWidget(), frm->New);
    // The key went to the tree alone: New neither moved its cursor nor lost its text.
    EXPECT_EQ(frm->New->toPlainText(), QStringLiteral("typed"));

    // Ctrl+Alt is not Ctrl: the key stays with New.
    Press(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), alpha);
}

TEST_F(FilesTest, InTheFocusedTreeCtrlWithAnArrowActsLikeTheArrow)
{
    frm->Tree->SetFocusedNode(alpha);
    frm->Tree->setFocus();
    ASSERT_TRUE(frm->Tree->HasInputFocus());
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), beta);
    Press(Qt::Key_Down);
    EXPECT_EQ(frm->Tree->FocusedNode(), group1);
    Press(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), beta);
    EXPECT_TRUE(frm->Tree->HasInputFocus());

    // Ctrl is removed from every key the tree acts on, and nothing else is changed.
    int key = VK_DOWN;
    TShiftState shift = ssCtrl | ssShift;
    bool doDefault = true;
    frm->TreeKeyAction(frm->Tree, key, shift, doDefault);
    EXPECT_EQ(key, VK_DOWN);
    EXPECT_EQ(shift, TShiftState(ssShift));
    EXPECT_TRUE(doDefault);
}

TEST_F(FilesTest, CtrlEnterCommitsAndWalksOn)
{
    struct Case {
        const char *what;
        PVirtualNode from;
        PVirtualNode to;
    };
    const Case cases[] = {
        {"no node: the first record", nullptr, alpha},
        {"single to single", alpha, beta},
        {"single to the first line of the group after it", beta, one},
        {"group to its first line", group1, one},
        {"line to line", one, two},
        {"last line into the next group", two, three},
        {"last line of the last group to the first record", four, alpha},
    };
    frm->New->setFocus();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        frm->Tree->SetFocusedNode(c.from);
        Press(Qt::Key_Return, Qt::ControlModifier);
        EXPECT_EQ(frm->Tree->FocusedNode(), c.to);
        EXPECT_EQ(QApplication::focusWidget(), frm->New);
    }
    EXPECT_FALSE(frm->ChangedCb->isChecked());

    // The typed text is committed into the node it leaves; no line break reaches New.
    TypeInto(alpha, QStringLiteral("first"));
    Press(Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), beta);
    EXPECT_EQ(Rec(alpha)->newText, QStringLiteral("first"));
    EXPECT_EQ(alpha->CheckState, csCheckedNormal);
    EXPECT_TRUE(frm->ChangedCb->isChecked());
    QTest::keyClicks(frm->New, QStringLiteral("second"));
    Press(Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Rec(beta)->newText, QStringLiteral("second"));
    EXPECT_FALSE(Rec(beta)->newText.contains(u'\n'));
    EXPECT_EQ(frm->Tree->FocusedNode(), one);
}

TEST_F(FilesTest, CtrlSSavesWhatIsCommittedAndCtrlAltSDoesNothing)
{
    frm->IDed->SetValue(100);
    Store(alpha, QStringLiteral("Stored"));
    TypeInto(alpha, QStringLiteral("Typed"));
    const QString path = PathInFolder(QStringLiteral("keys.ZVlang"));

    dialogAnswers = {path};
    Press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs, std::vector<Kind>{Kind::Save});
    const QByteArray saved = ReadFile(path);
    EXPECT_TRUE(saved.contains("Stored"));
    EXPECT_FALSE(saved.contains("Typed"));
    EXPECT_EQ(Rec(alpha)->newText, QStringLiteral("Stored"));
    EXPECT_EQ(QApplication::focusWidget(), frm->New);
    EXPECT_EQ(frm->New->toPlainText(), QStringLiteral("Typed"));
    EXPECT_FALSE(frm->ChangedCb->isChecked());

    dialogAnswers = {std::nullopt};
    Press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialogs.size(), 2u);
    Press(Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(boxes.calls.empty());

    // A save that raises ends the command; the error is shown and the keys go on working.
    dialogAnswers = {PathInFolder(QStringLiteral("no-such-folder/keys.ZVlang"))};
    Press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(boxes.calls[0].text.startsWith(QStringLiteral("Cannot create file")));
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), beta);
    EXPECT_EQ(QApplication::focusWidget(), frm->New);
}

TEST_F(FilesTest, F3WithAnyModifiersRepeatsTheLastSearch)
{
    frm->New->setFocus();
    PVirtualNode focused = frm->Tree->FocusedNode();
    // Before any search: the search window opens and the program beeps.
    int beeps = 0;
    for (Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
                                            Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        search->hide();
        Press(Qt::Key_F3, modifiers);
        EXPECT_TRUE(search->isVisible());
        EXPECT_EQ(BeepCount(), ++beeps);
    }
    EXPECT_EQ(frm->Tree->FocusedNode(), focused);

    // "o" in the templates: One, Two, Four (Alpha, Beta and Three have none).
    search->FindEd->setText(QStringLiteral("o"));
    search->FindNextClick(nullptr);
    EXPECT_EQ(frm->Tree->FocusedNode(), one);
    Press(Qt::Key_F3);
    EXPECT_EQ(frm->Tree->FocusedNode(), two);
    Press(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), four);
    Press(Qt::Key_F3, Qt::ControlModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), four);
    EXPECT_EQ(BeepCount(), beeps + 1);

    search->FindBackClick(nullptr);
    EXPECT_EQ(frm->Tree->FocusedNode(), two);
    Press(Qt::Key_F3, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), one);
}

TEST_F(FilesTest, CtrlFShowsTheSearchWindow)
{
    search->hide();
    frm->New->setFocus();
    Press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(search->isVisible());
}

// ---- the close query ----

TEST_F(FilesTest, CloseQueryAsksOnlyWithUnsavedChanges)
{
    struct Case {
        const char *what;
        bool changed;
        int id;
        int answer;                        // to the save question
        std::optional<QString> saveAs;     // the save dialog's answer
        bool closes;
        std::vector<QString> boxes;        // the texts shown after the question
        bool saveDialog;
    };
    const QString saved = PathInFolder(QStringLiteral("closing.ZVlang"));
    const QString unwritable = PathInFolder(QStringLiteral("no-such-folder/closing.ZVlang"));
    const Case cases[] = {
        {"no changes: nothing is asked", false, 100, IDYES, std::nullopt, true, {}, false},
        {"yes, save dialog cancelled", true, 100, IDYES, std::nullopt, false, {}, true},
        {"yes, id refused", true, -1, IDYES, std::nullopt, false, {kIdRefusal}, false},
        {"no: closes without saving", true, 100, IDNO, std::nullopt, true, {}, false},
        {"cancel", true, 100, IDCANCEL, std::nullopt, false, {}, false},
        {"yes and saved", true, 100, IDYES, saved, true, {}, true},
        {"yes, the save raises: shown, the window stays", true, 100, IDYES, unwritable, false,
         {QStringLiteral("Cannot create file")}, true},
    };
    QSignalSpy closed(frm.get(), &TZvLngFrm::Closed);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        frm->show();
        boxes.calls.clear();
        boxes.answers = {c.answer};
        dialogs.clear();
        dialogAnswers = {c.saveAs};
        closed.clear();
        frm->ChangedCb->setChecked(c.changed);
        frm->IDed->SetValue(c.id);

        EXPECT_EQ(frm->close(), c.closes);
        EXPECT_EQ(frm->isVisible(), !c.closes);
        EXPECT_EQ(closed.count(), c.closes ? 1 : 0);
        EXPECT_EQ(dialogs.size(), c.saveDialog ? 1u : 0u);
        if (!c.changed) {
            EXPECT_TRUE(boxes.calls.empty());
            continue;
        }
        ExpectQuestion(0, MB_YESNOCANCEL | MB_ICONQUESTION);
        ASSERT_EQ(boxes.calls.size(), 1 + c.boxes.size());
        for (size_t i = 0; i < c.boxes.size(); ++i)
            EXPECT_TRUE(boxes.calls[1 + i].text.startsWith(c.boxes[i])) << boxes.calls[1 + i].text.toStdString();
    }
    EXPECT_TRUE(QFile::exists(saved));
}

// ---- New ----

// New replaces the document once nothing unsaved is lost: without changes, after No, or
// after Yes and a completed save. Yes and a save that did not happen (the id refused, the
// dialog cancelled) stops New, as it stops Open and the close query: the document, its
// changed flag and its file name stay.
TEST_F(FilesTest, NewReplacesTheDocumentUnlessItsSaveDidNotHappen)
{
    struct Case {
        const char *what;
        bool changed;
        int id;
        std::vector<int> answers;
        std::optional<QString> saveAs;   // the save dialog's answer
        std::vector<QString> boxes;      // the texts shown
        std::vector<Kind> dialogs;
        bool replaces;
    };
    const QString saved = PathInFolder(QStringLiteral("new.ZVlang"));
    const Case cases[] = {
        {"no changes: nothing is asked", false, 100, {}, std::nullopt, {}, {}, true},
        {"no", true, 100, {IDNO}, std::nullopt, {kQuestion}, {}, true},
        {"yes, save dialog cancelled", true, 100, {IDYES}, std::nullopt, {kQuestion}, {Kind::Save}, false},
        {"yes, id refused", true, -1, {IDYES}, std::nullopt, {kQuestion, kIdRefusal}, {}, false},
        {"yes and saved", true, 100, {IDYES}, saved, {kQuestion}, {Kind::Save}, true},
    };
    const QString fileName = frm->FiName->text();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ChooseBase(1);   // Spanish
        ReadNodes();
        ASSERT_EQ(Rec(alpha)->templateText, QStringLiteral("Alfa"));
        frm->FiName->setText(fileName);
        frm->IDed->SetValue(c.id);
        frm->Nameed->setText(QStringLiteral("Mine"));
        Store(alpha, QStringLiteral("translated"));
        frm->ChangedCb->setChecked(c.changed);
        boxes.calls.clear();
        boxes.answers.assign(c.answers.begin(), c.answers.end());
        dialogs.clear();
        dialogAnswers = {c.saveAs};

        QTest::mouseClick(frm->NewBtn, Qt::LeftButton);

        ASSERT_EQ(boxes.calls.size(), c.boxes.size());
        for (size_t i = 0; i < c.boxes.size(); ++i)
            EXPECT_TRUE(boxes.calls[i].text.startsWith(c.boxes[i])) << boxes.calls[i].text.toStdString();
        if (!c.boxes.empty())
            ExpectQuestion(0, MB_YESNO | MB_ICONQUESTION);
        EXPECT_EQ(dialogs, c.dialogs);
        EXPECT_EQ(frm->FiName->text(), c.saveAs.value_or(fileName));
        ReadNodes();
        if (c.replaces) {
            EXPECT_FALSE(frm->ChangedCb->isChecked());
            EXPECT_EQ(frm->IDed->Value(), -1);
            EXPECT_EQ(frm->Nameed->text(), QStringLiteral("Lang1"));
            EXPECT_EQ(frm->BaseLangCb->currentIndex(), frm->DefaultBaseIndex);
            EXPECT_EQ(Rec(alpha)->templateText, QStringLiteral("Alpha"));
            EXPECT_EQ(Rec(alpha)->newText, QString());
            EXPECT_EQ(alpha->CheckState, csUncheckedNormal);
        } else {
            EXPECT_TRUE(frm->ChangedCb->isChecked());
            EXPECT_EQ(frm->IDed->Value(), c.id);
            EXPECT_EQ(frm->Nameed->text(), QStringLiteral("Mine"));
            EXPECT_EQ(frm->BaseLangCb->currentIndex(), 1);
            EXPECT_EQ(Rec(alpha)->templateText, QStringLiteral("Alfa"));
            EXPECT_EQ(Rec(alpha)->newText, QStringLiteral("translated"));
            EXPECT_EQ(alpha->CheckState, csCheckedNormal);
        }
    }
    EXPECT_TRUE(QFile::exists(saved));
}

// Ctrl+N while New holds a text typed and not committed: the text is stored first, so New
// asks about it; after No the new document starts clean.
TEST_F(FilesTest, NewByKeyFromNewAsksAboutTheTypedTextThenStartsAClearDocument)
{
    TypeInto(beta, QStringLiteral("typed"));
    ASSERT_FALSE(frm->ChangedCb->isChecked());
    boxes.Answer(IDNO);
    Press(Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_FALSE(frm->ChangedCb->isChecked());
    ReadNodes();
    for (PVirtualNode n : {alpha, beta, group1, one, two, group2, three, four}) {
        EXPECT_EQ(n->CheckState, csUncheckedNormal);
        EXPECT_EQ(Rec(n)->newText, QString());
    }
}

TEST_F(FilesTest, NewWhoseSaveRaisesReplacesNothing)
{
    frm->IDed->SetValue(100);
    Store(alpha, QStringLiteral("kept"));
    frm->ChangedCb->setChecked(true);
    boxes.Answer(IDYES);
    dialogAnswers = {PathInFolder(QStringLiteral("no-such-folder/new.ZVlang"))};
    QTest::mouseClick(frm->NewBtn, Qt::LeftButton);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[1].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(boxes.calls[1].text.startsWith(QStringLiteral("Cannot create file")));
    EXPECT_EQ(Rec(alpha)->newText, QStringLiteral("kept"));
    EXPECT_TRUE(frm->ChangedCb->isChecked());
    EXPECT_EQ(frm->IDed->Value(), 100);
}

// ---- Open ----

TEST_F(FilesTest, OpenAsksFirstAndStopsWhenNothingWasSaved)
{
    struct Case {
        const char *what;
        int answer;
        std::vector<Kind> dialogs;   // all answered with Cancel
    };
    const Case cases[] = {
        {"no, then the open dialog cancelled", IDNO, {Kind::Open}},
        {"cancel", IDCANCEL, {}},
        {"yes, save dialog cancelled", IDYES, {Kind::Save}},
    };
    frm->IDed->SetValue(100);
    Store(alpha, QStringLiteral("kept"));
    const QString fileName = frm->FiName->text();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        frm->ChangedCb->setChecked(true);
        boxes.calls.clear();
        boxes.answers = {c.answer};
        dialogs.clear();
        QTest::mouseClick(frm->OpenBtn, Qt::LeftButton);
        ExpectQuestion(0, MB_YESNOCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(boxes.calls.size(), 1u);
        EXPECT_EQ(dialogs, c.dialogs);
        EXPECT_TRUE(frm->ChangedCb->isChecked());
        EXPECT_EQ(frm->FiName->text(), fileName);
        EXPECT_EQ(TopLevel(frm->Tree).front(), alpha);
        EXPECT_EQ(Rec(alpha)->newText, QStringLiteral("kept"));
    }
}

// Save with Ctrl+S, start anew with Ctrl+N, and open the file again with Ctrl+O.
TEST_F(FilesTest, KeysSaveStartAnewAndOpenAgain)
{
    frm->IDed->SetValue(100);
    TypeInto(one, QStringLiteral("uno"));
    Press(Qt::Key_Down, Qt::ControlModifier);   // commits
    ASSERT_TRUE(frm->ChangedCb->isChecked());
    const QString path = PathInFolder(QStringLiteral("again.ZVlang"));

    dialogAnswers = {path};
    Press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(QFile::exists(path));
    Press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(boxes.calls.empty());
    ReadNodes();
    EXPECT_EQ(Rec(one)->newText, QString());

    dialogAnswers = {path};
    Press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs, (std::vector<Kind>{Kind::Save, Kind::Open}));
    EXPECT_TRUE(boxes.calls.empty());
    ReadNodes();
    EXPECT_EQ(Rec(one)->newText, QStringLiteral("uno"));
    EXPECT_EQ(one->CheckState, csCheckedNormal);
    EXPECT_EQ(frm->IDed->Value(), 100);
    EXPECT_EQ(frm->FiName->text(), path);
    EXPECT_FALSE(frm->ChangedCb->isChecked());
}

// Open on a damaged langpack lays over the stock strings what could be read, then names
// the file and each kind of damage in one warning; a sound file shows no box. A value that
// names no string leaves its row unchecked, so a Save over the file writes no empty string
// in its place.
TEST_F(FilesTest, OpenNamesADamagedLangpackInOneWarning)
{
    constexpr uint32_t kAlpha = 0x01000100, kBeta = 0x01000200, kGroup1 = 0x02000300;
    const struct {
        const char *what;
        QByteArray bytes;
        QStringList damage;   // the warning's lines between the file and its last line
        QStringList checked;  // the checked part of the opened document
    } cases[] = {
        {"a sound file", Langpack({kAlpha, 0, 0, kGroup1, 1, 2, E, E}, Pool({"a", "uno"})), {},
         {"01000100 0 [a]", "02000300 1 {uno}"}},
        {"a name field without its 0", Langpack({kAlpha, 0, 0, E}, Pool({"a"}), 100, 7, QByteArray(32, 'N')),
         {"The name field has no terminating 0."}, {"01000100 0 [a]"}},
        {"the string pool past the end of the file",
         Langpack({kAlpha, 0, 0, kGroup1, 1, 2, E, E}, Pool({"a", "uno"}), 100, 7, "Lang1", 500),
         {PoolPastEnd(500, 98), "2 values point outside the strings; their rows are left unchecked."},
         {}},
        {"values outside the strings", Langpack({kAlpha, 0, 40, kGroup1, 1, 0, 41, E, E}, Pool({"uno"})),
         {"2 values point outside the strings; their rows are left unchecked.", kUncheckedInTheGame},
         {"02000300 1 {uno}"}},
        {"singles whose value is the end marker", Langpack({kAlpha, 0, E, kBeta, 0, E, E}, ""),
         {"2 single records have the end marker as their value; their rows are left unchecked.",
          kUncheckedInTheGame},
         {}},
        {"a string without its 0", Langpack({kAlpha, 0, 0, E}, "open"),
         {"1 value names a string without its terminating 0; its text runs to the end of the file."},
         {"01000100 0 [open]"}},
        {"a record index without its end marker", Langpack({kAlpha, 0, 0}, Pool({"a"})),
         {IndexCut(1)}, {"01000100 0 [a]"}},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = PathInFolder(QStringLiteral("open%1.ZVlang").arg(++n));
        WriteBytes(path, c.bytes);
        boxes.calls.clear();
        dialogAnswers = {path};
        QTest::mouseClick(frm->OpenBtn, Qt::LeftButton);
        ExpectDamageWarning(path, c.damage);
        EXPECT_EQ(frm->FiName->text(), path);
        EXPECT_EQ(CheckedPart(*frm), c.checked);
        EXPECT_FALSE(frm->ChangedCb->isChecked());
    }

    // Saved over, the file with values outside its strings keeps the group's one line.
    const QString outside = PathInFolder(QStringLiteral("open4.ZVlang"));
    dialogAnswers = {outside};
    QTest::mouseClick(frm->OpenBtn, Qt::LeftButton);
    dialogAnswers = {outside};
    QTest::mouseClick(frm->SaveBtn, Qt::LeftButton);
    EXPECT_EQ(Hex(ReadFile(outside)), Hex(Langpack({kGroup1, 1, 0, E, E}, Pool({"uno"}))));
}

// ---- Alt with the underlined letter ----

TEST_F(FilesTest, AltWithTheUnderlinedLetterClicksTheButton)
{
    EXPECT_EQ(frm->NewBtn->text(), QStringLiteral("&New"));
    EXPECT_EQ(frm->OpenBtn->text(), QStringLiteral("&Open"));
    EXPECT_EQ(frm->SaveBtn->text(), QStringLiteral("&Save"));
    EXPECT_EQ(frm->AboutBtn->text(), QStringLiteral("&About"));
    const auto waitFor = [](const std::function<bool()> &done) { return QTest::qWaitFor(done, 3000); };
    frm->New->setFocus();

    // Alt+S: the id is -1, so the save refuses it.
    Press(Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(waitFor([&] { return !boxes.calls.empty(); }));
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, kIdRefusal);

    // Alt+O: the open dialog (cancelled).
    frm->New->setFocus();
    Press(Qt::Key_O, Qt::AltModifier);
    EXPECT_TRUE(waitFor([&] { return !dialogs.empty(); }));
    EXPECT_EQ(dialogs, std::vector<Kind>{Kind::Open});

    // Alt+N: New, which asks first while there are changes.
    frm->ChangedCb->setChecked(true);
    boxes.calls.clear();
    Press(Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(waitFor([&] { return !frm->ChangedCb->isChecked(); }));
    ASSERT_EQ(boxes.calls.size(), 1u);
    ExpectQuestion(0, MB_YESNO | MB_ICONQUESTION);

    // Alt+A: the about box, modally; Enter closes it.
    TAboutBox about;
    AboutBox = &about;
    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &about, [&] {
        if (about.isVisible() && !shown) {
            shown = true;
            QTest::keyClick(about.focusWidget() ? about.focusWidget() : &about, Qt::Key_Return);
        }
    });
    poll.start(10);
    Press(Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(waitFor([&] { return shown && !about.isVisible(); }));
    AboutBox = nullptr;
}

// ---- the association button ----

TEST_F(FilesTest, AssociationButtonImportsTheScriptForThisProgram)
{
    FakeRegedit regedit;
    Store(alpha, QStringLiteral("kept"));
    QTest::mouseClick(frm->AssocBtn, Qt::LeftButton);
    ASSERT_EQ(regedit.runs().size(), 1);
    EXPECT_EQ(regedit.args(0), "/s\n" + regedit.scriptPath().toLocal8Bit() + "\n");
    QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    program.replace("\\", "\\\\");
    EXPECT_EQ(regedit.script(0), FakeRegedit::ExpectedScript(program));
    EXPECT_FALSE(QFile::exists(regedit.scriptPath()));
    EXPECT_TRUE(boxes.calls.empty());
    // The document is left as it was.
    EXPECT_EQ(Rec(alpha)->newText, QStringLiteral("kept"));
    EXPECT_FALSE(frm->ChangedCb->isChecked());
}

TEST_F(FilesTest, AssociationFailuresAreShownAndTheWindowGoesOn)
{
    FakeRegedit regedit;
    // A folder in the script's place: the script cannot be written (an error of the file
    // layer, shown by the application).
    ASSERT_TRUE(QDir(regedit.tempFolder()).mkdir(QStringLiteral("GlossmithAssoc.reg")));
    QTest::mouseClick(frm->AssocBtn, Qt::LeftButton);
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(boxes.calls[0].text.startsWith(QStringLiteral("Cannot create file")));

    // No temporary folder: refused with a message, nothing written.
    qputenv("TMPDIR", (regedit.tempFolder() + QStringLiteral("/missing")).toLocal8Bit());
    QTest::mouseClick(frm->AssocBtn, Qt::LeftButton);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[1].caption, QStringLiteral("Error detected."));
    EXPECT_EQ(boxes.calls[1].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(regedit.runs().isEmpty());

    // The window goes on.
    frm->Tree->SetFocusedNode(alpha);
    frm->New->setFocus();
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(frm->Tree->FocusedNode(), beta);
}
