// The search window over a main window whose stock table is a small "Langdef.df" beside the
// program: the walk over the leaves, the two fields, case folding in the game character
// set, the selection of the hit, F3 and Enter, and the window's layout.
#include "Main.h"
#include "Program.h"
#include "Searchx.h"
#include "StockFolder.h"
#include "Zvcharset.h"
#include "platform/Beep.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

QByteArray Game(const QString &text)
{
    return UnicodeToGame(text, false);
}

// The text selected in a memo, with its line breaks as the node texts hold them.
QString Selected(QPlainTextEdit *memo)
{
    return memo->textCursor().selectedText().replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LangdefBuilder table;
        table.AddLanguage(7, QStringLiteral("English (7)"), true)
            .Single(0x01000100, "Hello world")
            .Single(0x01000200, "Apple pie and apple juice")
            .Single(0x01000300, "First line\nSecond line\nthird apple")
            .Single(0x01000400, Game(QStringLiteral("\u0419\u041E\u0414 and \u6F22")))  // ЙОД and 漢
            .Single(0x01000600, "Nothing here")
            .Group(0x02000500, {"Green apple", "Red cherry"});
        folder = std::make_unique<StockFolder>(table);

        frm = std::make_unique<TZvLngFrm>();
        frm->Timer->stop();
        ZvLngFrm = frm.get();
        search = std::make_unique<TSearchFrm>(frm.get());   // owned, as start-up makes it
        SearchFrm = search.get();
        frm->show();
        search->show();
        QApplication::processEvents();

        TVirtualStringTree *tree = frm->Tree;
        // The memos show the focused node's texts by the main window's own focus handling;
        // the fixture shows them once more after it (the same texts), so that these tests
        // see what a focus change shows whatever else that handling does.
        tree->OnFocusChanging = [window = frm.get(), windowHandler = tree->OnFocusChanging](
                                    TVirtualStringTree *sender, PVirtualNode oldNode, PVirtualNode newNode,
                                    TColumnIndex oldColumn, TColumnIndex newColumn, bool &allowed) {
            if (windowHandler)
                windowHandler(sender, oldNode, newNode, oldColumn, newColumn, allowed);
            const RecData *record = window->NodeRecord(newNode);
            window->Old->setPlainText(record ? record->templateText : QString());
            window->New->setPlainText(record && record->kind == KindSingle ? record->newText : QString());
        };
        for (PVirtualNode n = tree->GetFirst(); n; n = n->NextSibling)
            top.push_back(n);
        ASSERT_EQ(top.size(), 6u);
        hello = top[0];
        pie = top[1];
        lines = top[2];
        cyrillic = top[3];
        nothing = top[4];
        group = top[5];
        ASSERT_EQ(frm->NodeRecord(group)->id, 0x02000500u);
        ASSERT_EQ(group->ChildCount, 2u);
        green = group->FirstChild;
        red = group->LastChild;

        // The translations are written while no node is focused, so that no focus change
        // commits the memo over them.
        tree->SetFocusedNode(nullptr);
        frm->NodeRecord(hello)->newText = QStringLiteral("Bonjour APPLE");
        frm->NodeRecord(pie)->newText = QStringLiteral("apple compote");
        frm->NodeRecord(nothing)->newText = QStringLiteral("green apple");
        ResetBeepCount();
    }

    void TearDown() override
    {
        SearchFrm = nullptr;
        search.reset();
        frm.reset();
        ZvLngFrm = nullptr;
        folder.reset();
    }

    void Query(const QString &text) { search->FindEd->setText(text); }
    void Click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    // The hit is focused in the tree, is the last match, and its characters are selected
    // in the memo, which has the input focus of the main window.
    void ExpectHit(PVirtualNode node, QPlainTextEdit *memo, const QString &selected)
    {
        EXPECT_EQ(frm->Tree->FocusedNode(), node);
        EXPECT_EQ(search->MatchNode, node);
        EXPECT_EQ(frm->focusWidget(), memo);
        EXPECT_EQ(Selected(memo), selected);
    }

    std::unique_ptr<StockFolder> folder;
    MessageBoxRecorder boxes{IDNO};
    std::unique_ptr<TZvLngFrm> frm;
    std::unique_ptr<TSearchFrm> search;
    std::vector<PVirtualNode> top;
    PVirtualNode hello = nullptr, pie = nullptr, lines = nullptr, cyrillic = nullptr,
                 nothing = nullptr, group = nullptr, green = nullptr, red = nullptr;
};

} // namespace

TEST_F(SearchTest, LayoutOfTheWindow)
{
    EXPECT_EQ(search->windowTitle(), QStringLiteral("Search"));
    EXPECT_TRUE(search->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(search->size(), QSize(251, 57));
    EXPECT_EQ(search->maximumHeight(), 57);
    EXPECT_EQ(search->minimumSize(), QSize(251, 57));
    // First shown centred on the main window.
    EXPECT_LE((search->frameGeometry().center() - frm->frameGeometry().center()).manhattanLength(), 2);

    struct Control {
        const char *name;
        QString caption;
        QRect geometry;
        int pixelSize;
    };
    const Control controls[] = {
        {"Panel1", QString(), QRect(0, 0, 251, 57), 11},
        {"FindEd", QString(), QRect(0, 0, 251, 21), 11},
        {"InTempl", QStringLiteral("in template"), QRect(2, 19, 113, 17), 11},
        {"InTrans", QStringLiteral("in translate"), QRect(80, 19, 113, 17), 11},
        // To the window's edge: the platform's box and gap leave 84 pixels too little room.
        {"CaseSens", QStringLiteral("case-sensitive"), QRect(160, 19, 91, 17), 11},
        {"FindBack", QStringLiteral("\u25C4"), QRect(-1, 34, 64, 24), 23},
        {"FromEnd", QStringLiteral("\u25C4\u221E"), QRect(62, 34, 64, 24), 23},
        {"FromStart", QStringLiteral("0\u25BA"), QRect(125, 34, 64, 24), 23},
        {"FindNext", QStringLiteral("\u25BA"), QRect(188, 34, 64, 24), 23},
    };
    for (const Control &c : controls) {
        SCOPED_TRACE(c.name);
        auto *widget = search->findChild<QWidget *>(QLatin1String(c.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), c.geometry);
        EXPECT_EQ(widget->font().pixelSize(), c.pixelSize);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            EXPECT_EQ(button->text(), c.caption);
    }
    EXPECT_TRUE(search->InTempl->isChecked());
    EXPECT_FALSE(search->InTrans->isChecked());
    EXPECT_FALSE(search->CaseSens->isChecked());
    EXPECT_EQ(search->MatchNode, nullptr);
    EXPECT_EQ(search->LastDirection, 0);

    // Tab order.
    const std::vector<QWidget *> order = {search->CaseSens,  search->FindBack, search->FindEd,
                                          search->FindNext,  search->FromEnd,  search->FromStart,
                                          search->InTempl,   search->InTrans};
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget *next = order[i]->nextInFocusChain();
        while (next && std::find(order.begin(), order.end(), next) == order.end())
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << order[i]->objectName().toStdString();
    }

    // The query field widens with the window; the height stays.
    search->resize(400, 80);
    EXPECT_EQ(search->height(), 57);
    EXPECT_EQ(search->FindEd->width(), 400);
    EXPECT_EQ(search->FindNext->geometry(), QRect(188, 34, 64, 24));
}

TEST_F(SearchTest, ClosingOnlyHidesAndKeepsTheState)
{
    Query(QStringLiteral("apple"));
    Click(search->FindNext);
    search->CaseSens->setChecked(true);
    search->close();
    EXPECT_FALSE(search->isVisible());
    search->show();
    EXPECT_EQ(search->FindEd->text(), QStringLiteral("apple"));
    EXPECT_TRUE(search->CaseSens->isChecked());
    EXPECT_EQ(search->MatchNode, pie);
    EXPECT_EQ(search->LastDirection, 1);
}

TEST_F(SearchTest, WithNothingFocusedTheSearchBeginsAtTheFirstLeaf)
{
    Query(QStringLiteral("hello"));
    Click(search->FindNext);
    ExpectHit(hello, frm->Old, QStringLiteral("Hello"));
    EXPECT_EQ(frm->Old->toPlainText(), QStringLiteral("Hello world"));
    EXPECT_EQ(search->LastDirection, 1);
    EXPECT_EQ(BeepCount(), 0);
}

TEST_F(SearchTest, CaseFoldingInTheGameCharacterSet)
{
    struct Case {
        const char *what;
        bool inTranslation;
        bool caseSensitive;
        QString query;
        PVirtualNode hit;   // none: no hit
        QString selected;
    };
    // The stock template as the game set reads it back ("ЙOД and " with a Latin O, then the
    // set's default character for 漢).
    const QString stock = frm->NodeRecord(cyrillic)->templateText;
    ASSERT_EQ(stock.size(), 9);
    const Case cases[] = {
        {"template, small finds capitals", false, false, QStringLiteral("HELLO"), hello, QStringLiteral("Hello")},
        {"template, case-sensitive misses", false, true, QStringLiteral("HELLO"), nullptr, QString()},
        {"template, case-sensitive exact", false, true, QStringLiteral("Hello"), hello, QStringLiteral("Hello")},
        {"translation, small finds capitals", true, false, QStringLiteral("apple"), hello, QStringLiteral("APPLE")},
        {"translation, case-sensitive passes capitals", true, true, QStringLiteral("apple"), pie, QStringLiteral("apple")},
        {"translation, case-sensitive capitals", true, true, QStringLiteral("APPLE"), hello, QStringLiteral("APPLE")},
        {"game upper-case table", false, false, QStringLiteral("\u0439\u043E\u0434"), cyrillic, stock.left(3)},
        {"game table, case-sensitive", false, true, QStringLiteral("\u0439\u043E\u0434"), nullptr, QString()},
        {"characters the set cannot hold match", false, true, QStringLiteral("\u5B57"), cyrillic, stock.right(1)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        frm->Tree->SetFocusedNode(nullptr);
        search->MatchNode = nullptr;
        (c.inTranslation ? search->InTrans : search->InTempl)->setChecked(true);
        search->CaseSens->setChecked(c.caseSensitive);
        Query(c.query);
        ResetBeepCount();
        Click(search->FindNext);
        if (c.hit) {
            ExpectHit(c.hit, c.inTranslation ? frm->New : frm->Old, c.selected);
            EXPECT_EQ(BeepCount(), 0);
        } else {
            EXPECT_EQ(BeepCount(), 1);
            EXPECT_EQ(frm->Tree->FocusedNode(), nullptr);
            EXPECT_EQ(search->MatchNode, nullptr);
        }
    }
}

// Only the first occurrence in a node is shown; every search moves on from the hit node,
// visits leaves only, and stops without wrapping at either end.
TEST_F(SearchTest, EachSearchMovesOnFromTheHitNode)
{
    Query(QStringLiteral("apple"));
    Click(search->FindNext);
    ExpectHit(pie, frm->Old, QStringLiteral("Apple"));
    EXPECT_EQ(frm->Old->textCursor().selectionStart(), 0);
    Click(search->FindNext);   // "apple juice" in the same node is passed over
    ExpectHit(lines, frm->Old, QStringLiteral("apple"));
    Click(search->FindNext);   // the group node is no leaf
    ExpectHit(green, frm->Old, QStringLiteral("apple"));
    EXPECT_EQ(BeepCount(), 0);

    Click(search->FindNext);   // no further leaf holds it
    EXPECT_EQ(BeepCount(), 1);
    EXPECT_EQ(frm->Tree->FocusedNode(), green);
    EXPECT_EQ(search->MatchNode, green);

    // ◄ begins with the leaf before the hit node.
    Click(search->FindBack);
    ExpectHit(lines, frm->Old, QStringLiteral("apple"));
    EXPECT_EQ(search->LastDirection, 2);
    Click(search->FindBack);
    ExpectHit(pie, frm->Old, QStringLiteral("Apple"));
    Click(search->FindBack);
    EXPECT_EQ(BeepCount(), 2);
    EXPECT_EQ(frm->Tree->FocusedNode(), pie);
}

TEST_F(SearchTest, AFocusMovedByHandIsSearchedItself)
{
    Query(QStringLiteral("apple"));
    Click(search->FindNext);
    ASSERT_EQ(search->MatchNode, pie);
    // A group focused by hand is searched in its own text.
    frm->Tree->SetFocusedNode(group);
    Click(search->FindNext);
    ExpectHit(group, frm->Old, QStringLiteral("apple"));
    EXPECT_EQ(frm->Old->toPlainText(), QStringLiteral("<<GROUP>> Green apple"));
    Click(search->FindNext);
    ExpectHit(green, frm->Old, QStringLiteral("apple"));
}

TEST_F(SearchTest, SwitchingTheFieldSearchesTheHitNodeFirst)
{
    Query(QStringLiteral("apple"));
    Click(search->FindNext);
    ExpectHit(pie, frm->Old, QStringLiteral("Apple"));

    Click(search->InTrans);
    EXPECT_TRUE(search->InTrans->isChecked());
    EXPECT_FALSE(search->InTempl->isChecked());
    EXPECT_EQ(search->MatchNode, nullptr);
    Click(search->FindNext);
    ExpectHit(pie, frm->New, QStringLiteral("apple"));
    EXPECT_EQ(frm->New->toPlainText(), QStringLiteral("apple compote"));
    Click(search->FindNext);
    ExpectHit(nothing, frm->New, QStringLiteral("apple"));

    Click(search->InTempl);
    Click(search->FindNext);   // "Nothing here" first, then on
    ExpectHit(green, frm->Old, QStringLiteral("apple"));
    EXPECT_EQ(BeepCount(), 0);
}

TEST_F(SearchTest, AnEmptyQueryOnlyBeeps)
{
    frm->Tree->SetFocusedNode(lines);
    Query(QString());
    for (QPushButton *button : {search->FindNext, search->FindBack, search->FromStart, search->FromEnd})
        Click(button);
    search->InTrans->setChecked(true);
    Click(search->FindNext);
    EXPECT_EQ(BeepCount(), 5);
    EXPECT_EQ(search->MatchNode, nullptr);
    EXPECT_FALSE(frm->Old->textCursor().hasSelection());
    EXPECT_FALSE(frm->New->textCursor().hasSelection());
}

TEST_F(SearchTest, F3RepeatsTheLastSearchInItsDirection)
{
    // Before any search F3 only beeps.
    search->FindEd->setFocus();
    Query(QStringLiteral("apple"));
    QTest::keyClick(search->FindEd, Qt::Key_F3);
    EXPECT_EQ(BeepCount(), 1);
    EXPECT_EQ(search->LastDirection, 0);
    EXPECT_EQ(frm->Tree->FocusedNode(), nullptr);
    EXPECT_EQ(search->FindEd->text(), QStringLiteral("apple"));

    Click(search->FindNext);
    ExpectHit(pie, frm->Old, QStringLiteral("Apple"));
    QTest::keyClick(search->FindNext, Qt::Key_F3, Qt::ShiftModifier);
    ExpectHit(lines, frm->Old, QStringLiteral("apple"));
    Click(search->FindBack);
    ExpectHit(pie, frm->Old, QStringLiteral("Apple"));

    // F3 while the window is hidden shows it, then searches (backwards, as the last one).
    search->hide();
    frm->Tree->SetFocusedNode(green);
    int key = VK_F3;
    search->FormKeyDown(nullptr, key, ssCtrl);
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(search->isVisible());
    ExpectHit(green, frm->Old, QStringLiteral("apple"));
    search->FindAgain();
    ExpectHit(lines, frm->Old, QStringLiteral("apple"));
    EXPECT_EQ(BeepCount(), 1);

    // Other keys pass on.
    key = 'A';
    search->FormKeyDown(nullptr, key, 0);
    EXPECT_EQ(key, 'A');
}

// Enter searches from the first node of the tree. The last hit is forgotten before that
// search, so a first node that was the last hit is searched too, and the next ► moves on
// from what Enter found.
TEST_F(SearchTest, EnterSearchesFromTheStart)
{
    frm->Tree->SetFocusedNode(nothing);
    search->FindEd->setFocus();
    Query(QStringLiteral("hello"));
    QTest::keyClick(search->FindEd, Qt::Key_Return);
    ExpectHit(hello, frm->Old, QStringLiteral("Hello"));
    EXPECT_EQ(search->FindEd->text(), QStringLiteral("hello"));

    Click(search->FromStart);
    ExpectHit(hello, frm->Old, QStringLiteral("Hello"));
    EXPECT_EQ(BeepCount(), 0);

    Query(QStringLiteral("apple"));
    QTest::keyClick(search->FindEd, Qt::Key_Enter, Qt::KeypadModifier);
    ExpectHit(pie, frm->Old, QStringLiteral("Apple"));
    Click(search->FindNext);
    ExpectHit(lines, frm->Old, QStringLiteral("apple"));
}

TEST_F(SearchTest, FromTheEndSearchesBackwardsFromTheLastNode)
{
    Query(QStringLiteral("apple"));
    Click(search->FromEnd);
    ExpectHit(green, frm->Old, QStringLiteral("apple"));
    EXPECT_EQ(search->LastDirection, 2);
    Click(search->FromEnd);
    ExpectHit(green, frm->Old, QStringLiteral("apple"));
    search->FindAgain();
    ExpectHit(lines, frm->Old, QStringLiteral("apple"));

    Query(QStringLiteral("cherry"));
    Click(search->FromEnd);
    ExpectHit(red, frm->Old, QStringLiteral("cherry"));
}

// Line breaks count as CR LF in the node's text and as one character in the memo: the
// selection covers exactly the matched characters.
TEST_F(SearchTest, AHitAfterLineBreaksSelectsExactlyTheMatch)
{
    frm->Tree->SetFocusedNode(lines);
    Query(QStringLiteral("APPLE"));
    Click(search->FindNext);
    ExpectHit(lines, frm->Old, QStringLiteral("apple"));
    const QTextCursor cursor = frm->Old->textCursor();
    EXPECT_EQ(cursor.selectionStart(), 29);
    EXPECT_EQ(cursor.selectionEnd(), 34);

    Query(QStringLiteral("Second line"));
    search->MatchNode = nullptr;
    Click(search->FindNext);
    ExpectHit(lines, frm->Old, QStringLiteral("Second line"));
    EXPECT_EQ(frm->Old->textCursor().selectionStart(), 11);
}

TEST_F(SearchTest, GamePositionIsOneBased)
{
    EXPECT_EQ(TSearchFrm::GamePos(QStringLiteral("b"), QStringLiteral("abcb"), true), 2);
    EXPECT_EQ(TSearchFrm::GamePos(QStringLiteral("x"), QStringLiteral("abc"), true), 0);
    EXPECT_EQ(TSearchFrm::GamePos(QString(), QStringLiteral("abc"), true), 0);
    EXPECT_EQ(TSearchFrm::GamePos(QStringLiteral("a"), QString(), false), 0);
    EXPECT_EQ(TSearchFrm::GamePos(QStringLiteral("c"), QStringLiteral("a\r\nc"), false), 4);
}

namespace {

// The program's windows as start-up makes them, the main window shown at `at`.
TZvLngFrm *StartWindows(ProgramWindows &windows, QPoint at)
{
    windows.Create();
    TZvLngFrm *main = windows.main.get();
    main->Timer->stop();
    main->move(at);
    main->show();
    return main;
}

// Start-up makes the search window a tool window of the main window: stacked above it (its
// transient parent), without a taskbar button of its own, shown without blocking and, the
// first time, centred on the main window.
TEST(SearchWindowOfTheProgram, IsAToolWindowOwnedByTheMainWindow)
{
    LangdefBuilder table;
    table.AddLanguage(7, QStringLiteral("English (7)"), true).Single(0x01000100, "Hello world");
    const StockFolder folder(table);
    MessageBoxRecorder boxes{IDNO};
    ProgramWindows windows;
    TZvLngFrm *main = StartWindows(windows, QPoint(140, 90));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));

    QTest::mouseClick(main->SearchBtn, Qt::LeftButton);
    TSearchFrm *search = windows.search.get();
    ASSERT_EQ(SearchFrm, search);
    ASSERT_TRUE(search->isVisible());
    EXPECT_EQ(search->parentWidget(), main);
    EXPECT_TRUE(search->isWindow());
    EXPECT_EQ(search->windowType(), Qt::Tool);
    ASSERT_NE(search->windowHandle(), nullptr);
    EXPECT_EQ(search->windowHandle()->transientParent(), main->windowHandle());
    EXPECT_EQ(search->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_LE((search->frameGeometry().center() - main->frameGeometry().center()).manhattanLength(), 2);

    // Later it opens where the user left it.
    search->hide();
    search->move(search->pos() + QPoint(30, 20));
    const QPoint left = search->pos();
    QTest::keyClick(main->Tree, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(search->pos(), left);
}

// A hit in a row that the tree shows cut off at its bottom edge brings the whole row into
// view, also where tall rows above short ones would let the cut row pass for shown.
TEST(SearchWindowOfTheProgram, AHitInAPartlyShownRowShowsTheWholeRow)
{
    LangdefBuilder table;
    table.AddLanguage(7, QStringLiteral("English (7)"), true);
    const QByteArray tall = "one\ntwo\nthree\nfour\nfive\nsix";
    for (uint32_t i = 0; i < 4; ++i)
        table.Single(0x01000100 + i * 0x100, tall);
    table.Single(0x01000500, tall + "\nthe needle");
    for (uint32_t i = 0; i < 60; ++i)
        table.Single(0x01001000 + i * 0x100, "short");
    const StockFolder folder(table);
    MessageBoxRecorder boxes{IDNO};
    ProgramWindows windows;
    TZvLngFrm *main = StartWindows(windows, QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));

    // The window made as high as cuts the needle's row in half.
    TVirtualStringTree *tree = main->Tree;
    PVirtualNode needle = tree->GetFirst();
    for (int i = 0; i < 4; ++i)
        needle = needle->NextSibling;
    const QRect before = tree->CellRect(needle, 1);
    ASSERT_TRUE(before.isValid());
    main->resize(main->width(), main->height() - (tree->ClientHeight() - before.center().y()));
    QApplication::processEvents();
    const QRect cut = tree->CellRect(needle, 1);
    ASSERT_LT(cut.top(), tree->ClientHeight());
    ASSERT_GE(cut.bottom(), tree->ClientHeight()) << "the row is shown in part";

    windows.search->show();
    windows.search->FindEd->setText(QStringLiteral("needle"));
    QTest::mouseClick(windows.search->FindNext, Qt::LeftButton);
    ASSERT_EQ(tree->FocusedNode(), needle);
    const QRect shown = tree->CellRect(needle, 1);
    EXPECT_GE(shown.top(), 0);
    EXPECT_LT(shown.bottom(), tree->ClientHeight());
}

} // namespace
