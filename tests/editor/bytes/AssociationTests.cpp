// The association command with a stand-in registry editor on the PATH.
#include "Association.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// The script that the template gives for `path` (already with doubled backslashes).
QByteArray ExpectedScript(const QByteArray &path)
{
    return "REGEDIT4\r\n"
           "\r\n"
           "[-HKEY_CLASSES_ROOT\\.ZVlang]\r\n"
           "\r\n"
           "[-HKEY_CLASSES_ROOT\\ZV.Zvlang]\r\n"
           "\r\n"
           "[HKEY_CLASSES_ROOT\\ZV.Zvlang]\r\n"
           "@=\"Zorvane language file\"\r\n"
           "\r\n"
           "[HKEY_CLASSES_ROOT\\ZV.Zvlang\\DefaultIcon]\r\n"
           "@=\"\\\"" + path + "\\\",0\"\r\n"
           "\r\n"
           "[HKEY_CLASSES_ROOT\\ZV.Zvlang\\Shell]\r\n"
           "\r\n"
           "[HKEY_CLASSES_ROOT\\ZV.Zvlang\\Shell\\Open]\r\n"
           "\r\n"
           "[HKEY_CLASSES_ROOT\\ZV.Zvlang\\Shell\\Open\\Command]\r\n"
           "@=\"\\\"" + path + "\\\" \\\"%1\\\"\"\r\n"
           "\r\n"
           "[HKEY_CLASSES_ROOT\\.ZVlang]\r\n"
           "@=\"ZV.Zvlang\"\r\n";
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Association : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bin_.isValid() && out_.isValid() && temp_.isValid());
        QFile script(bin_.filePath(QStringLiteral("regedit")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "n=$(ls \"$FAKE_REGEDIT_OUT\" | grep -c '^args')\n"
                     "printf '%s\\n' \"$@\" > \"$FAKE_REGEDIT_OUT/args$n\"\n"
                     "cat \"$2\" > \"$FAKE_REGEDIT_OUT/script$n\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        oldPath_ = qgetenv("PATH");
        oldTmp_ = qgetenv("TMPDIR");
        qputenv("PATH", bin_.path().toLocal8Bit() + ":" + oldPath_);
        qputenv("TMPDIR", temp_.path().toLocal8Bit());
        qputenv("FAKE_REGEDIT_OUT", out_.path().toLocal8Bit());
    }
    void TearDown() override
    {
        qputenv("PATH", oldPath_);
        if (oldTmp_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTmp_);
        qunsetenv("FAKE_REGEDIT_OUT");
    }

    QString scriptPath() const { return temp_.path() + QStringLiteral("/GlossmithAssoc.reg"); }
    QStringList runs() const { return QDir(out_.path()).entryList({QStringLiteral("args*")}, QDir::Files, QDir::Name); }
    QByteArray args(int run) const { return ReadAll(out_.filePath(QStringLiteral("args%1").arg(run))); }
    QByteArray script(int run) const { return ReadAll(out_.filePath(QStringLiteral("script%1").arg(run))); }

    QTemporaryDir bin_, out_, temp_;
    QByteArray oldPath_, oldTmp_;
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

    qputenv("TMPDIR", (temp_.path() + QStringLiteral("/missing")).toLocal8Bit());
    const QString noTemp = RunAssociation(QStringLiteral("/opt/glossmith"));
    EXPECT_TRUE(noTemp.startsWith(QStringLiteral("There is no temporary folder"))) << noTemp.toStdString();

    EXPECT_TRUE(runs().isEmpty());
    EXPECT_TRUE(QDir(temp_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(Association, UnwritableScriptRaisesAndStartsNothing)
{
    // A folder in the script's place cannot be replaced by a file.
    ASSERT_TRUE(QDir(temp_.path()).mkdir(QStringLiteral("GlossmithAssoc.reg")));
    EXPECT_THROW(RunAssociation(QStringLiteral("/opt/glossmith")), Exception);
    EXPECT_TRUE(runs().isEmpty());
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
