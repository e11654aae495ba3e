// The about box: its layout, the version the build gives the program, and closing it; the
// program's icon on every window.
#include "About.h"
#include "Main.h"
#include "Program.h"
#include "Searchx.h"
#include "StockFolder.h"
#include "platform/MessageBox.h"

#include "../Faces.h"

#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <string>

TEST(AboutBox, LayoutAndTheProgramsVersion)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(box.size(), QSize(289, 161));
    EXPECT_EQ(box.Panel1->geometry(), QRect(8, 8, 273, 145));
    EXPECT_EQ(box.ProgramIcon->geometry(), QRect(6, 8, 128, 128));
    EXPECT_EQ(box.ProgramIcon->pixmap().size(), QSize(128, 128));
    EXPECT_EQ(box.ProductName->text(), QStringLiteral("Zorvane\r\nlanguage pack editor"));
    EXPECT_EQ(box.ProductName->pos(), QPoint(140, 8));
    EXPECT_EQ(box.Version->text(), QStringLiteral("Version"));
    EXPECT_EQ(box.Version->pos(), QPoint(140, 40));
    EXPECT_EQ(box.Ver->pos(), QPoint(188, 40));
    EXPECT_EQ(box.Comments->pos(), QPoint(140, 59));
    EXPECT_TRUE(box.Comments->wordWrap());
    EXPECT_FALSE(box.Comments->text().isEmpty());
    // The window's face, 11 pixels high; the heading, the name and the credit in bold.
    for (QLabel *label : {box.ProductName, box.Version, box.Comments})
        ExpectFace(label, "Tahoma", 11, true);
    ExpectFace(box.Ver, "Tahoma", 11, false);
    ExpectFace(box.OKButton, "Tahoma", 11, false);
    EXPECT_EQ(box.OKButton->text(), QStringLiteral("OK"));
    EXPECT_EQ(box.OKButton->geometry(), QRect(188, 111, 75, 25));
    EXPECT_TRUE(box.OKButton->isDefault());
    for (QWidget *w : {static_cast<QWidget *>(box.ProgramIcon), static_cast<QWidget *>(box.OKButton)})
        EXPECT_EQ(w->parentWidget(), box.Panel1);

    EXPECT_EQ(box.Ver->text(), QStringLiteral("1.0.5.26"));
}

// A fixed dialog: a title and a close button, no minimise or maximise, and a size the
// window system is told it cannot change.
TEST(AboutBox, AFixedDialogWithACloseButtonOnly)
{
    TAboutBox box;
    box.show();
    QApplication::processEvents();
    ASSERT_NE(box.windowHandle(), nullptr);
    const Qt::WindowFlags flags = box.windowHandle()->flags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(box.windowHandle()->minimumSize(), QSize(289, 161));
    EXPECT_EQ(box.windowHandle()->maximumSize(), QSize(289, 161));
    box.hide();
}

TEST(AboutBox, VersionTextIsFourDecimalWords)
{
    struct Case {
        const char *version;
        QString shown;   // empty: not a version, the label keeps "Version"
    };
    const Case cases[] = {
        {"1.0.5.26", QStringLiteral("1.0.5.26")},
        {"01.000.05.026", QStringLiteral("1.0.5.26")},
        {"65535.0.0.65535", QStringLiteral("65535.0.0.65535")},
        {"1.0.5", QString()},
        {"1.0.5.26.1", QString()},
        {"1.0.5.65536", QString()},
        {"1.0.-5.26", QString()},
        {"1.0..26", QString()},
        {"1.0.5.26 ", QString()},
        {"", QString()},
        {nullptr, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatFileVersion(c.version), c.shown) << (c.version ? c.version : "(null)");
}

TEST(AboutBox, EnterAndOkCloseTheModalBox)
{
    TAboutBox box;
    for (int round = 0; round < 2; ++round) {
        bool sent = false;
        QTimer::singleShot(0, &box, [&] {
            QWidget *target = box.focusWidget() ? box.focusWidget() : &box;
            if (round == 0)
                QTest::keyClick(target, Qt::Key_Return);
            else
                QTest::mouseClick(box.OKButton, Qt::LeftButton);
            sent = true;
        });
        // A box that stays open fails the test instead of hanging it.
        QTimer::singleShot(5000, &box, [&] { box.done(-1); });
        EXPECT_EQ(box.exec(), QDialog::Accepted) << round;
        EXPECT_TRUE(sent);
        EXPECT_FALSE(box.isVisible());
    }
}

TEST(AboutBox, ShownCentredOnTheMainWindow)
{
    LangdefBuilder table;
    table.AddLanguage(7, QStringLiteral("English (7)"), true).Single(0x01000100, "Hello");
    StockFolder folder(table);
    MessageBoxRecorder boxes{IDNO};
    {
        TZvLngFrm main;
        main.Timer->stop();
        ZvLngFrm = &main;
        main.move(100, 50);
        main.show();
        TAboutBox box;
        QTimer::singleShot(0, &box, [&] {
            EXPECT_LE((box.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 2);
            box.OKButtonClick(box.OKButton);
        });
        EXPECT_EQ(box.exec(), QDialog::Accepted);
        ZvLngFrm = nullptr;
    }
}

// Start-up gives the application the program's icon, and every window shows it: the main
// window, the search window, the about box and every kind of message box, none of them
// with an icon of its own that would hide it.
TEST(ProgramWindowsTest, EveryWindowShowsTheProgramsIcon)
{
    LangdefBuilder table;
    table.AddLanguage(7, QStringLiteral("English (7)"), true).Single(0x01000100, "Hello");
    StockFolder folder(table);
    MessageBoxRecorder boxes{IDNO};
    QApplication::setWindowIcon(QIcon());   // as before start-up
    ProgramWindows windows;
    windows.Create();
    windows.main->Timer->stop();
    const QIcon program = QApplication::windowIcon();
    ASSERT_FALSE(program.isNull());
    EXPECT_EQ(program.pixmap(128, 128).toImage(), ProgramPicture().toImage());

    const auto expectProgramIcon = [&](QWidget *window) {
        const std::string name = window->objectName().toStdString();
        EXPECT_EQ(window->windowIcon().cacheKey(), program.cacheKey()) << name;
        ASSERT_NE(window->windowHandle(), nullptr) << name;
        // What the window system is given.
        EXPECT_EQ(window->windowHandle()->icon().cacheKey(), program.cacheKey()) << name;
    };
    for (QWidget *window : std::initializer_list<QWidget *>{windows.main.get(), windows.search.get(),
                                                           windows.about.get()}) {
        window->show();
        QApplication::processEvents();
        expectProgramIcon(window);
    }
    windows.about->hide();

    const MessageBoxResponder recorded = SetMessageBoxResponder({});
    for (unsigned flags : {MB_OK | MB_ICONERROR, MB_OK | MB_ICONWARNING, MB_YESNO | MB_ICONWARNING,
                           MB_YESNO | MB_ICONQUESTION, MB_YESNOCANCEL | MB_ICONQUESTION}) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = true;
            expectProgramIcon(box);
            box->buttons().first()->click();
        });
        MessageBoxW(nullptr, QStringLiteral("text"), QStringLiteral("caption"), flags);
        EXPECT_TRUE(shown) << flags;
    }
    SetMessageBoxResponder(recorded);
}
