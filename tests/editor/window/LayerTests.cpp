// The small layers of the window: the file dialogs and the program folder.
#include "FileDialog.h"
#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

TEST(FileDialogTest, ResponderAnswersAndTheDefaultExtensionIsAdded)
{
    TFileDialog dialog(TFileDialog::Kind::Save);
    dialog.DefaultExt = QStringLiteral("ZVlang");
    dialog.FileName = QStringLiteral("/p/Untitled.ZVlang");
    QStringList proposed;
    std::optional<QString> answer = QStringLiteral("/tmp/mine");
    TFileDialog::SetResponder([&](const TFileDialog &d) {
        proposed << d.FileName;
        return answer;
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, QStringLiteral("/tmp/mine.ZVlang"));
    answer = std::nullopt;  // Cancel
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, QStringLiteral("/tmp/mine.ZVlang")) << "a cancel keeps the name";
    EXPECT_EQ(proposed, (QStringList{"/p/Untitled.ZVlang", "/tmp/mine.ZVlang"}));
    TFileDialog::SetResponder({});
}

TEST(FileDialogTest, DefaultExtensionOnlyForANameWithoutOne)
{
    const struct {
        const char *name, *expected;
    } cases[] = {
        {"a", "a.ZVlang"},          {"a.ZVlang", "a.ZVlang"}, {"a.txt", "a.txt"},
        {"/x.y/a", "/x.y/a.ZVlang"}, {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(WithDefaultExt(QString::fromLatin1(c.name), QStringLiteral("ZVlang")),
                  QString::fromLatin1(c.expected)) << c.name;
}

TEST(ProgramFolderTest, JoinsWithExactlyOneSeparator)
{
    const struct {
        const char *folder, *name, *expected;
    } cases[] = {
        {"/opt/gm", "Langdef.df", "/opt/gm/Langdef.df"},
        {"/opt/gm/", "Langdef.df", "/opt/gm/Langdef.df"},
        {"/opt/gm//", "/Untitled.ZVlang", "/opt/gm/Untitled.ZVlang"},
        {"/", "Langdef.df", "/Langdef.df"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(JoinPath(QString::fromLatin1(c.folder), QString::fromLatin1(c.name)),
                  QString::fromLatin1(c.expected));

    SetProgramFolder(QStringLiteral("/somewhere/else/"));
    EXPECT_EQ(InProgramFolder(QStringLiteral("Langdef.df")), QStringLiteral("/somewhere/else/Langdef.df"));
    SetProgramFolder(QString());
    EXPECT_EQ(ProgramFolder(), QCoreApplication::applicationDirPath());
}
