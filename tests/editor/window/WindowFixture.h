// A main window on a program folder of the test's own (empty unless a test puts a
// "Langdef.df" there), with message boxes recorded and answered by the test.
#pragma once

#include "Main.h"
#include "ProgramFolder.h"
#include "Searchx.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A record of a stock block: its kind and its strings (CR LF line breaks).
struct StockRecord {
    uint32_t kind = 0;
    QStringList strings;
};
using StockBlock = QMap<uint32_t, StockRecord>;

inline StockBlock ReadStockBlock(const Langdef &table, int entry)
{
    StockBlock block;
    table.ForEachRecord(entry, [&](const LangdefRecord &record, const QStringList &strings) {
        block.insert(record.id, StockRecord{record.kind, strings});
        return true;
    });
    return block;
}

inline std::vector<PVirtualNode> TopLevel(TVirtualStringTree *tree)
{
    std::vector<PVirtualNode> nodes;
    for (PVirtualNode n = tree->RootNode()->FirstChild; n; n = n->NextSibling)
        nodes.push_back(n);
    return nodes;
}

inline std::vector<PVirtualNode> Children(PVirtualNode node)
{
    std::vector<PVirtualNode> nodes;
    for (PVirtualNode n = node->FirstChild; n; n = n->NextSibling)
        nodes.push_back(n);
    return nodes;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        SetProgramFolder(folder.path());
    }
    void TearDown() override
    {
        frm.reset();
        SetProgramFolder(QString());
    }

    TZvLngFrm *Open()
    {
        frm = std::make_unique<TZvLngFrm>();
        frm->Timer->stop();  // the colour walk is driven by the tests that look at it
        return frm.get();
    }

    void ShowAndActivate()
    {
        frm->show();
        frm->activateWindow();
        QApplication::processEvents();
    }

    RecData *Rec(PVirtualNode node) { return frm->NodeRecord(node); }

    PVirtualNode FindTop(uint32_t id)
    {
        for (PVirtualNode n : TopLevel(frm->Tree))
            if (Rec(n)->id == id)
                return n;
        return nullptr;
    }

    QString Cell(PVirtualNode node, int column)
    {
        QString text = frm->Tree->DefaultText();
        frm->TreeGetText(frm->Tree, node, column, ttNormal, text);
        return text;
    }

    // The one box that opening a langpack showed: none for a sound file, for a damaged one
    // the warning that names the file and, line by line, its damage.
    void ExpectDamageWarning(const QString &path, const QStringList &damage)
    {
        if (damage.isEmpty()) {
            EXPECT_TRUE(boxes.calls.empty()) << boxes.calls.front().text.toStdString();
            return;
        }
        ASSERT_EQ(boxes.calls.size(), 1u);
        const QStringList text = QStringList{QStringLiteral("The langpack file is damaged:"), path} + damage +
                                 QStringList{QStringLiteral("What could be read has been loaded.")};
        EXPECT_EQ(boxes.calls[0].text.toStdString(), text.join(u'\n').toStdString());
        EXPECT_EQ(boxes.calls[0].caption, QStringLiteral("Warning"));
        EXPECT_EQ(boxes.calls[0].flags, MB_OK | MB_ICONWARNING);
        EXPECT_EQ(boxes.calls[0].owner, nullptr);
    }

    // Chooses a base language as the user does: the combo's activation.
    void ChooseBase(int index)
    {
        frm->BaseLangCb->setCurrentIndex(index);
        emit frm->BaseLangCb->activated(index);
    }

    QTemporaryDir folder;
    MessageBoxRecorder boxes{IDNO};
    std::unique_ptr<TZvLngFrm> frm;
};

// The main window and its search window, shown, as the program's globals name them: for the
// tests that go through the text fields of both windows.
class WindowAndSearchTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Open();
        ZvLngFrm = frm.get();
        search = std::make_unique<TSearchFrm>(frm.get());
        SearchFrm = search.get();
        ShowAndActivate();
    }
    void TearDown() override
    {
        SearchFrm = nullptr;
        search.reset();
        ZvLngFrm = nullptr;
        WindowTest::TearDown();
    }

    PVirtualNode FirstSingle()
    {
        for (PVirtualNode n : TopLevel(frm->Tree))
            if (Rec(n)->kind == KindSingle)
                return n;
        return nullptr;
    }

    std::unique_ptr<TSearchFrm> search;
};

inline constexpr int kEnglish = 1;
inline constexpr int kSpanish = 2;
