// The association command with a stand-in registry editor on the PATH.
#include "Association.h"
#include "FakeRegedit.h"
#include "platform/Exception.h"
#include "platform/ResourceStream.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray ExpectedScript(const QByteArray &path)
{
    return FakeRegedit::ExpectedScript(path);
}

class Association : public ::testing::Test {
protected:
    QString scriptPath() const { return regedit_.scriptPath(); }
    QStringList runs() const { return regedit_.runs(); }
    QByteArray args(int run) const { return regedit_.args(run); }
    QByteArray script(int run) const { return regedit_.script(run); }

    FakeRegedit regedit_;
};

TEST_F(Association, ScriptPathIsInTheTemporaryFolder)
{
    EXPECT_EQ(AssociationScriptPath(), scriptPath());
}

TEST_F(Association, RegistryEditorImportsTheFilledTemplate)
{
    const struct {
        QString program;
        QByteArray inScript;
    } cases[] = {
        {QStringLiteral("C:\\Tools\\Glossmith.exe"), "C:\\\\Tools\\\\Glossmith.exe"},
        {QStringLiteral("C:\\%TYPE%\\%PATH%\\Glossmith.exe"), "C:\\\\%TYPE%\\\\%PATH%\\\\Glossmith.exe"},
        {QStringLiteral("/opt/glossmith/bin/glossmith"), "/opt/glossmith/bin/glossmith"},
    };
    int run = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.program.toStdString());
        EXPECT_EQ(RunAssociation(c.program), QString());
        ASSERT_EQ(runs().size(), run + 1);
        EXPECT_EQ(args(run), "/s\n" + scriptPath().toLocal8Bit() + "\n");
        const QByteArray got = script(run);
        EXPECT_EQ(got.toStdString(), ExpectedScript(c.inScript).toStdString());
        EXPECT_EQ(got.count("\r\n"), 21);
        EXPECT_FALSE(QFile::exists(scriptPath()));
        ++run;
    }
}

TEST_F(Association, SecondRunWritesTheSameScriptOverAnOldOne)
{
    {
        QFile stale(scriptPath());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray(1000, 'z'));
    }
    const QString program = QStringLiteral("C:\\Tools\\Glossmith.exe");
    RunAssociation(program);
    RunAssociation(program);
    ASSERT_EQ(runs().size(), 2);
    EXPECT_EQ(script(0), ExpectedScript("C:\\\\Tools\\\\Glossmith.exe"));
    EXPECT_EQ(script(1), script(0));
    EXPECT_FALSE(QFile::exists(scriptPath()));
}

TEST_F(Association, NoRegistryEditorIsNoMessageAndNoScriptLeft)
{
    QTemporaryDir empty;
    qputenv("PATH", empty.path().toLocal8Bit());
    EXPECT_EQ(RunAssociation(QStringLiteral("C:\\Tools\\Glossmith.exe")), QString());
    EXPECT_TRUE(runs().isEmpty());
    EXPECT_FALSE(QFile::exists(scriptPath()));
}

TEST_F(Association, PathBeyondAsciiGetsTheUnicodeScript)
{
    const QString program = QString::fromUtf8("C:\\Programme\\\xC3\x9C" "bersetzer\\Glossmith.exe");
    EXPECT_EQ(RunAssociation(program), QString());
    ASSERT_EQ(runs().size(), 1);
    const QByteArray bytes = script(0);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    QByteArray ascii = ExpectedScript("C:\\\\Programme\\\\?bersetzer\\\\Glossmith.exe");
    ascii.replace("REGEDIT4", "Windows Registry Editor Version 5.00");
    QString expected = QString::fromLatin1(ascii);
    expected.replace(u'?', QChar(0xDC));
    EXPECT_EQ(text, expected);
}

TEST_F(Association, RefusalsWriteNothing)
{
    const QString quote = RunAssociation(QStringLiteral("/opt/a\"b/glossmith"));
    EXPECT_TRUE(quote.contains(QStringLiteral("double quote"))) << quote.toStdString();
    EXPECT_FALSE(RunAssociation(QStringLiteral("/opt/a\nb/glossmith")).isEmpty());

    qputenv("TMPDIR", (regedit_.tempFolder() + QStringLiteral("/missing")).toLocal8Bit());
    const QString noTemp = RunAssociation(QStringLiteral("/opt/glossmith"));
    EXPECT_TRUE(noTemp.startsWith(QStringLiteral("There is no temporary folder"))) << noTemp.toStdString();

    EXPECT_TRUE(runs().isEmpty());
    EXPECT_TRUE(QDir(regedit_.tempFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(Association, UnwritableScriptRaisesAndStartsNothing)
{
    // A folder in the script's place cannot be replaced by a file.
    ASSERT_TRUE(QDir(regedit_.tempFolder()).mkdir(QStringLiteral("GlossmithAssoc.reg")));
    EXPECT_THROW(RunAssociation(QStringLiteral("/opt/glossmith")), Exception);
    EXPECT_TRUE(runs().isEmpty());
}

// The template is kept byte for byte (no line-end conversion of the checkout may touch it):
// 370 bytes of 21 lines, each ended by CR LF, found by its name in any case.
TEST(AssociationText, TemplateResourceIsTheRegistrationScriptVerbatim)
{
    const QByteArray bytes = ResourceStream(QStringLiteral("reg")).bytes();
    EXPECT_EQ(bytes.size(), 370);
    EXPECT_EQ(bytes.count("\r\n"), 21);
    EXPECT_EQ(bytes.count('\n'), 21);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(ResourceStream(QStringLiteral("REG")).bytes(), bytes);
    QByteArray placeholders = bytes;
    placeholders.replace("%EXT%", "\x01").replace("%TYPE%", "\x02").replace("%NAME%", "\x03");
    placeholders.replace("%ICONID%", "\x04").replace("%PATH%", "\x05");
    EXPECT_EQ(placeholders.count('\x01'), 2);
    EXPECT_EQ(placeholders.count('\x02'), 7);
    EXPECT_EQ(placeholders.count('\x05'), 2);
    EXPECT_EQ(placeholders.count('%'), 1);   // only "%1" is left
}

TEST(AssociationText, LinesSplitAsAStringListDoes)
{
    EXPECT_EQ(SplitTextLines(QStringLiteral("a\r\nb\nc\rd\r\n")), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(SplitTextLines(QStringLiteral("\r\n\r\nx")), QStringList({"", "", "x"}));
    EXPECT_EQ(JoinTextLines({"a", ""}), QStringLiteral("a\r\n\r\n"));
    // Line breaks in a value are taken apart and joined with CR LF like every other line.
    EXPECT_EQ(FillAssociationScript(QStringLiteral("%NAME%|%PATH%\n"), QStringLiteral("x\ny")),
              QStringLiteral("Zorvane language file|x\r\ny\r\n"));
}

} // namespace
