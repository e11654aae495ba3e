// The document of the main window on the built-in stock table: the fill, the change of the
// base language, the order of the records, node heights and in-place editing.
#include "WindowFixture.h"

#include "LangpackFormat.h"
#include "../core/LangdefBuilder.h"

#include <QDir>
#include <QFile>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <algorithm>
#include <map>

namespace {

QString GroupTemplate(const StockRecord &record)
{
    return QStringLiteral("<<GROUP>> ") + (record.strings.isEmpty() ? QString() : record.strings[0]);
}

} // namespace

TEST_F(WindowTest, FillFromEnglishBuildsEveryStockRecordUnchecked)
{
    Open();
    ASSERT_EQ(frm->BaseLangCb->currentIndex(), kEnglish);
    const StockBlock english = ReadStockBlock(*frm->LangdefStream, kEnglish);

    const auto top = TopLevel(frm->Tree);
    int groups = 0, lines = 0;
    for (PVirtualNode node : top) {
        const RecData *rec = Rec(node);
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(node->CheckState, csUncheckedNormal);
        EXPECT_EQ(node->CheckType, ctCheckBox);
        EXPECT_TRUE(node->MultiLine);
        EXPECT_TRUE(rec->newText.isEmpty());
        const StockRecord &stock = english.value(rec->id);
        EXPECT_EQ(rec->kind, stock.kind);
        if (rec->kind == KindSingle) {
            EXPECT_EQ(rec->templateText, stock.strings.value(0));
            EXPECT_EQ(node->ChildCount, 0u);
            continue;
        }
        ++groups;
        EXPECT_EQ(rec->templateText, GroupTemplate(stock));
        EXPECT_EQ(Cell(node, 0), QString::asprintf("%08X*", rec->id));
        const auto children = Children(node);
        ASSERT_EQ(int(children.size()), stock.strings.size());
        for (int i = 0; i < int(children.size()); ++i) {
            const RecData *line = Rec(children[i]);
            EXPECT_EQ(line->id, rec->id);
            EXPECT_EQ(line->kind, uint32_t(KindSingle));
            EXPECT_EQ(line->templateText, stock.strings[i]) << "lines keep their order";
            EXPECT_TRUE(line->newText.isEmpty());
            EXPECT_EQ(children[i]->CheckState, csUncheckedNormal);
            EXPECT_TRUE(children[i]->MultiLine);
            EXPECT_EQ(children[i]->ChildCount, 0u);
        }
        lines += int(children.size());
    }
    EXPECT_EQ(int(top.size()), 1724);
    EXPECT_EQ(groups, 33);
    EXPECT_EQ(lines, 309);

    PVirtualNode first = FindTop(0x01000100);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Cell(first, 0), QStringLiteral("01000100"));
    EXPECT_EQ(Cell(first, 1), Rec(first)->templateText);
    EXPECT_EQ(Cell(first, 2), QString());
    EXPECT_EQ(frm->Tree->FocusedNode(), top.front()) << "the fill ends on the first record";
}

TEST_F(WindowTest, StockLineBreaksBecomeCrLf)
{
    Open();
    int multiLine = 0;
    for (PVirtualNode n = frm->Tree->GetFirst(); n; n = frm->Tree->GetNext(n)) {
        const QString &text = Rec(n)->templateText;
        const int lf = int(text.count(QLatin1Char('\n')));
        EXPECT_EQ(int(text.count(QStringLiteral("\r\n"))), lf);
        EXPECT_EQ(int(text.count(QLatin1Char('\r'))), lf);
        multiLine += lf > 0;
    }
    EXPECT_GT(multiLine, 0) << "the stock table has texts with line breaks";
}

TEST_F(WindowTest, CellsWithoutDataAndOtherColumnsKeepTheDefaultText)
{
    Open();
    EXPECT_EQ(Cell(frm->Tree->RootNode(), 0), QStringLiteral("<void>"));
    EXPECT_EQ(Cell(nullptr, 1), QStringLiteral("<void>"));
    EXPECT_EQ(Cell(frm->Tree->GetFirst(), 3), QStringLiteral("<void>"));
    EXPECT_EQ(frm->NodeRecord(frm->Tree->RootNode()), nullptr);
    EXPECT_EQ(frm->NodeRecord(nullptr), nullptr);
}

// English to Spanish and back on a document with translations and check states.
TEST_F(WindowTest, BaseLanguageSwitchKeepsTranslationsAndCheckStates)
{
    Open();
    const StockBlock english = ReadStockBlock(*frm->LangdefStream, kEnglish);
    const StockBlock spanish = ReadStockBlock(*frm->LangdefStream, kSpanish);

    // Translate and check every seventh node, lines included, while no node is focused (so
    // that no focus change commits the empty translation field over them).
    frm->Tree->SetFocusedNode(nullptr);
    int i = 0;
    for (PVirtualNode n = frm->Tree->GetFirst(); n; n = frm->Tree->GetNext(n), ++i) {
        if (i % 7)
            continue;
        Rec(n)->newText = QStringLiteral("T%1").arg(i);
        n->CheckState = csCheckedNormal;
    }
    const int totalBefore = frm->Tree->TotalCount();
    std::map<PVirtualNode, std::pair<QString, TCheckState>> before;
    for (PVirtualNode n = frm->Tree->GetFirst(); n; n = frm->Tree->GetNext(n))
        before[n] = {Rec(n)->newText, n->CheckState};

    ChooseBase(kSpanish);

    int missing = 0, gained = 0, surplus = 0;
    for (PVirtualNode node : TopLevel(frm->Tree)) {
        const RecData *rec = Rec(node);
        const StockRecord en = english.value(rec->id);
        if (!spanish.contains(rec->id)) {
            ++missing;
            EXPECT_EQ(rec->templateText, rec->kind ? GroupTemplate(en) : en.strings.value(0));
            continue;
        }
        const StockRecord &es = spanish[rec->id];
        if (rec->kind == KindSingle) {
            EXPECT_EQ(rec->templateText, es.strings.value(0));
            continue;
        }
        EXPECT_EQ(rec->templateText, GroupTemplate(es));
        const auto lines = Children(node);
        const int enCount = en.strings.size(), esCount = es.strings.size();
        ASSERT_EQ(int(lines.size()), std::max(enCount, esCount));
        gained += esCount > enCount;
        surplus += esCount < enCount;
        for (int k = 0; k < int(lines.size()); ++k) {
            const RecData *line = Rec(lines[k]);
            EXPECT_EQ(line->templateText, k < esCount ? es.strings[k] : en.strings[k]);
            if (k >= enCount) {
                EXPECT_TRUE(line->newText.isEmpty());
                EXPECT_EQ(lines[k]->CheckState, csUncheckedNormal);
                EXPECT_EQ(line->id, rec->id);
            }
        }
    }
    EXPECT_EQ(missing, 25);
    EXPECT_EQ(gained, 8);
    EXPECT_EQ(surplus, 4);

    // Every node that was there is still there with its translation and check state.
    int stillThere = 0;
    for (PVirtualNode n = frm->Tree->GetFirst(); n; n = frm->Tree->GetNext(n)) {
        auto it = before.find(n);
        if (it == before.end())
            continue;
        ++stillThere;
        EXPECT_EQ(Rec(n)->newText, it->second.first);
        EXPECT_EQ(n->CheckState, it->second.second);
    }
    EXPECT_EQ(stillThere, totalBefore);

    const int totalSpanish = frm->Tree->TotalCount();
    EXPECT_GT(totalSpanish, totalBefore);

    ChooseBase(kEnglish);
    EXPECT_EQ(frm->Tree->TotalCount(), totalSpanish) << "switching back adds no node";
    for (PVirtualNode node : TopLevel(frm->Tree)) {
        const RecData *rec = Rec(node);
        const StockRecord &en = english[rec->id];
        EXPECT_EQ(rec->templateText, rec->kind ? GroupTemplate(en) : en.strings.value(0));
        const auto lines = Children(node);
        for (int k = 0; k < int(lines.size()); ++k) {
            const QString expected = k < en.strings.size() ? en.strings[k]
                                                            : spanish[rec->id].strings.value(k);
            EXPECT_EQ(Rec(lines[k])->templateText, expected);
        }
    }
    EXPECT_EQ(frm->Tree->FocusedNode(), frm->Tree->GetFirst());
}

// A document built from a language that lacks records gains them from English, each
// unchecked at its sorted place.
TEST_F(WindowTest, ReloadAddsTheRecordsTheTreeLacksInOrder)
{
    Open();
    const StockBlock english = ReadStockBlock(*frm->LangdefStream, kEnglish);
    const StockBlock spanish = ReadStockBlock(*frm->LangdefStream, kSpanish);
    frm->BaseLangCb->setCurrentIndex(kSpanish);
    frm->ClearTree();
    frm->FillTreeFromBase();
    ASSERT_EQ(int(TopLevel(frm->Tree).size()), spanish.size());

    ChooseBase(kEnglish);
    const auto top = TopLevel(frm->Tree);
    ASSERT_EQ(int(top.size()), english.size());
    uint32_t previous = 0;
    bool first = true;
    for (PVirtualNode node : top) {
        const RecData *rec = Rec(node);
        EXPECT_TRUE(first || rec->id > previous);
        previous = rec->id;
        first = false;
        if (!spanish.contains(rec->id)) {
            EXPECT_EQ(node->CheckState, csUncheckedNormal);
            EXPECT_TRUE(rec->newText.isEmpty());
            EXPECT_EQ(rec->templateText, english[rec->id].strings.value(0));
            EXPECT_TRUE(node->MultiLine);
            EXPECT_EQ(node->CheckType, ctCheckBox);
        }
    }
}

TEST_F(WindowTest, ReloadChangesKindsAsTheBlockSays)
{
    Open();
    const StockBlock english = ReadStockBlock(*frm->LangdefStream, kEnglish);
    uint32_t singleId = 0, groupId = 0;
    for (auto it = english.cbegin(); it != english.cend(); ++it) {
        if (it->kind == KindSingle && !singleId)
            singleId = it.key();
        if (it->kind != KindSingle && !groupId)
            groupId = it.key();
    }
    // A single string that is a group in the tree loses its lines; a group that is a
    // single string in the tree keeps its translation and gains the lines.
    PVirtualNode single = FindTop(singleId);
    Rec(single)->kind = KindGroup;
    frm->AddRecordNode(single, RecData{singleId, KindSingle, QStringLiteral("x"), QStringLiteral("y")});
    PVirtualNode group = FindTop(groupId);
    frm->Tree->DeleteChildren(group);
    Rec(group)->kind = KindSingle;
    Rec(group)->newText = QStringLiteral("kept");

    ChooseBase(kEnglish);
    EXPECT_EQ(Rec(single)->kind, uint32_t(KindSingle));
    EXPECT_EQ(single->ChildCount, 0u);
    EXPECT_EQ(Rec(group)->kind, english[groupId].kind);
    EXPECT_EQ(Rec(group)->newText, QStringLiteral("kept"));
    EXPECT_EQ(int(group->ChildCount), english[groupId].strings.size());
}

TEST_F(WindowTest, SortOrdersIdsAsUnsignedAndKeepsLineOrder)
{
    Open();
    frm->ClearTree();
    frm->ClearTree();  // on an empty tree: nothing happens
    EXPECT_EQ(frm->Tree->TotalCount(), 0);
    PVirtualNode root = frm->Tree->RootNode();
    frm->AddRecordNode(root, RecData{0x80000001u, KindSingle, QStringLiteral("high"), {}});
    PVirtualNode group = frm->AddRecordNode(root, RecData{0x02000500u, KindGroup, QStringLiteral("g"), {}});
    for (const char *line : {"c", "a", "b"})
        frm->AddRecordNode(group, RecData{0x02000500u, KindSingle, QString::fromLatin1(line), {}});
    frm->AddRecordNode(root, RecData{0x01000000u, KindSingle, QStringLiteral("low"), {}});

    frm->Tree->SortTree(0, sdAscending);
    std::vector<uint32_t> ids;
    for (PVirtualNode n : TopLevel(frm->Tree))
        ids.push_back(Rec(n)->id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{0x01000000u, 0x02000500u, 0x80000001u}));
    QStringList lines;
    for (PVirtualNode n : Children(group))
        lines << Rec(n)->templateText;
    EXPECT_EQ(lines, (QStringList{"c", "a", "b"}));

    int result = 7;
    frm->TreeCompareNodes(frm->Tree, FindTop(0x01000000u), FindTop(0x80000001u), 1, result);
    EXPECT_EQ(result, 7) << "only column 0 compares";
    frm->TreeCompareNodes(frm->Tree, root, FindTop(0x80000001u), 0, result);
    EXPECT_EQ(result, 7) << "a node without data compares as the control passes it";
}

TEST_F(WindowTest, InsertRecordNodeAttachModes)
{
    Open();
    frm->ClearTree();
    PVirtualNode root = frm->Tree->RootNode();
    PVirtualNode b = frm->InsertRecordNode(root, amAddChildFirst, RecData{2, KindGroup, "b", {}});
    PVirtualNode a = frm->InsertRecordNode(root, amAddChildFirst, RecData{1, KindSingle, "a", {}});
    PVirtualNode c = frm->InsertRecordNode(b, amInsertAfter, RecData{3, KindSingle, "c", {}});
    PVirtualNode line2 = frm->InsertRecordNode(b, amAddChildLast, RecData{2, KindSingle, "2", {}});
    PVirtualNode line1 = frm->InsertRecordNode(b, amAddChildFirst, RecData{2, KindSingle, "1", {}});
    EXPECT_EQ(TopLevel(frm->Tree), (std::vector<PVirtualNode>{a, b, c}));
    EXPECT_EQ(Children(b), (std::vector<PVirtualNode>{line1, line2}));
    for (PVirtualNode n : {a, b, c, line1, line2}) {
        EXPECT_EQ(n->CheckState, csUncheckedNormal);
        EXPECT_EQ(n->CheckType, ctCheckBox);
        EXPECT_TRUE(n->MultiLine);
    }
    EXPECT_EQ(Rec(line1)->templateText, QStringLiteral("1"));
}

TEST_F(WindowTest, NodeHeightIsTheTallerWrappedTextPlusTwoAndAtLeastDefault)
{
    Open();
    ShowAndActivate();
    TVirtualStringTree *tree = frm->Tree;
    EXPECT_EQ(tree->DefaultNodeHeight(), 18);

    PVirtualNode node = tree->GetFirst();
    Rec(node)->templateText = QStringLiteral("a");
    Rec(node)->newText = QString();
    tree->InvalidateNode(node);
    int height = 0;
    frm->TreeMeasureItem(tree, nullptr, node, height);
    EXPECT_EQ(height, 18) << "a one-line text stays at the default height";

    Rec(node)->newText = QStringLiteral("1\r\n2\r\n3\r\n4\r\n5\r\n6");
    frm->TreeMeasureItem(tree, nullptr, node, height);
    const int h2 = tree->ComputeNodeHeight(nullptr, node, 2);
    EXPECT_GT(h2, 18);
    EXPECT_EQ(height, h2 + 2) << "the translation is the taller text";

    Rec(node)->templateText = QStringLiteral("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9");
    frm->TreeMeasureItem(tree, nullptr, node, height);
    const int h1 = tree->ComputeNodeHeight(nullptr, node, 1);
    EXPECT_GT(h1, h2);
    EXPECT_EQ(height, h1 + 2) << "now the template is";

    // The tree takes the height from the handler when the node is shown again.
    tree->InvalidateNode(node);
    tree->ScrollIntoView(node);
    QApplication::processEvents();
    tree->ClientWidget()->repaint();
    QApplication::processEvents();
    EXPECT_EQ(node->NodeHeight, h1 + 2);
}

TEST_F(WindowTest, InPlaceEditingOnlyInTheNewStringColumn)
{
    Open();
    ShowAndActivate();
    TVirtualStringTree *tree = frm->Tree;
    tree->setFocus();
    PVirtualNode node = tree->GetFirst();
    const QString templateBefore = Rec(node)->templateText;

    for (int column : {0, 1}) {
        tree->SetFocus(node, column);
        tree->SendKey(VK_F2);
        EXPECT_FALSE(tree->IsEditing()) << "column " << column;
    }
    bool allowed = true;
    frm->TreeEditing(tree, node, 1, allowed);
    EXPECT_FALSE(allowed);

    tree->SetFocus(node, 2);
    tree->SendKey(VK_F2);
    ASSERT_TRUE(tree->IsEditing());
    QWidget *editor = tree->EditorWidget();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("Hola"));
    tree->EndEditNode();
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(Rec(node)->newText, QStringLiteral("Hola"));
    EXPECT_EQ(Rec(node)->templateText, templateBefore);
    EXPECT_EQ(node->CheckState, csCheckedNormal) << "an edit is committed";
    EXPECT_TRUE(frm->ChangedCb->isChecked());

    // A new text for another column or for no record changes nothing.
    frm->TreeNewText(tree, node, 1, QStringLiteral("x"));
    frm->TreeNewText(tree, tree->RootNode(), 2, QStringLiteral("x"));
    EXPECT_EQ(Rec(node)->templateText, templateBefore);
    EXPECT_EQ(Rec(node)->newText, QStringLiteral("Hola"));
}

// A table of our own beside the program: blocks out of id order, an empty group, a group
// of another kind.
TEST_F(WindowTest, BlocksOutOfOrderAndEmptyGroups)
{
    LangdefBuilder table;
    table.AddLanguage(1, QStringLiteral("First (1)"), true)
        .Single(0x01000300, "three")
        .Group(0x02000600, {})
        .Single(0x01000100, "one")
        .Group(0x02000500, {"a", "b"}, 5);
    table.AddLanguage(2, QStringLiteral("Second (2)"))
        .Single(0x01000300, "drei")
        .Single(0x01000100, "eins")
        .Single(0x01000000, "null");
    QFile file(QDir(folder.path()).filePath(QStringLiteral("Langdef.df")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(table.Build());
    file.close();

    Open();
    std::vector<uint32_t> ids;
    for (PVirtualNode n : TopLevel(frm->Tree))
        ids.push_back(Rec(n)->id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{0x01000100, 0x01000300, 0x02000500, 0x02000600}));
    PVirtualNode empty = FindTop(0x02000600);
    EXPECT_EQ(Rec(empty)->templateText, QStringLiteral("<<GROUP>> "));
    EXPECT_EQ(empty->ChildCount, 0u);
    EXPECT_EQ(Cell(empty, 0), QStringLiteral("02000600*"));
    PVirtualNode other = FindTop(0x02000500);
    EXPECT_EQ(Rec(other)->kind, 5u);
    EXPECT_EQ(Rec(other)->templateText, QStringLiteral("<<GROUP>> a"));
    EXPECT_EQ(Cell(other, 0), QStringLiteral("02000500*"));

    // The second block goes back in id order: every record still finds its node.
    ChooseBase(1);
    ids.clear();
    for (PVirtualNode n : TopLevel(frm->Tree))
        ids.push_back(Rec(n)->id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{0x01000000, 0x01000100, 0x01000300, 0x02000500, 0x02000600}));
    EXPECT_EQ(Rec(FindTop(0x01000100))->templateText, QStringLiteral("eins"));
    EXPECT_EQ(Rec(FindTop(0x01000300))->templateText, QStringLiteral("drei"));
    EXPECT_EQ(Rec(FindTop(0x02000500))->templateText, QStringLiteral("<<GROUP>> a"));
}
