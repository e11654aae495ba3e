// Saved bytes of the langpack writer, its refusals, the read-back and the safe write.
#include "LangpackReader.h"
#include "LangpackWriter.h"
#include "Zvcharset.h"
#include "platform/Exception.h"
#include "platform/FileSave.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <string>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uint32_t E = 0xFFFFFFFF;

QByteArray Words(std::initializer_list<uint32_t> words)
{
    QByteArray out;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i)
            out.append(char(w >> (8 * i) & 0xFF));
    return out;
}

// The 60 header bytes the writer makes for id 100, base 7, the given name bytes and pool offset.
QByteArray Header(const QByteArray &name, uint32_t poolOffset, uint32_t id = 100, uint32_t base = 7)
{
    QByteArray field = name;
    field.resize(32, '\0');
    return QByteArray("ZVLANG\0\0\3\0\6\0\37\0\0\0", 16) + Words({id, base}) + field + Words({poolOffset});
}

LangpackSaveRecord Single(uint32_t id, const QString &text) { return {id, false, text, {}}; }
LangpackSaveRecord Group(uint32_t id, const QStringList &lines) { return {id, true, {}, lines}; }

QByteArray Build(const std::vector<LangpackSaveRecord> &records, const QString &name = QStringLiteral("Lang1"))
{
    const LangpackBuildResult r = BuildLangpack({100, 7, name}, records);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    return r.bytes;
}

TEST(LangpackWriter, ExactFiles)
{
    const struct {
        const char *what;
        std::vector<LangpackSaveRecord> records;
        QByteArray expected;
    } cases[] = {
        {"nothing checked", {}, Header("Lang1", 64) + Words({E})},
        {"one single", {Single(0x01000000, "abc")}, Header("Lang1", 76) + Words({0x01000000, 0, 0, E}) + QByteArray("abc\0", 4)},
        {"one group of two lines", {Group(0x02000500, {"a", "b"})},
         Header("Lang1", 84) + Words({0x02000500, 1, 0, 2, E, E}) + QByteArray("a\0b\0", 4)},
        {"a group without lines", {Group(0x02000500, {})}, Header("Lang1", 76) + Words({0x02000500, 1, E, E})},
        {"an empty translation", {Single(0x02000100, "")}, Header("Lang1", 76) + Words({0x02000100, 0, 0, E}) + QByteArray("\0", 1)},
        {"two lines stored with one LF", {Single(0x02001000, "x\r\ny")},
         Header("Lang1", 76) + Words({0x02001000, 0, 0, E}) + QByteArray("x\ny\0", 4)},
        {"equal texts get a string each", {Single(0x01000000, "a"), Group(0x02000500, {"a"})},
         Header("Lang1", 92) + Words({0x01000000, 0, 0, 0x02000500, 1, 2, E, E}) + QByteArray("a\0a\0", 4)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray got = Build(c.records);
        EXPECT_EQ(got.toHex(' ').toStdString(), c.expected.toHex(' ').toStdString());
    }
    EXPECT_EQ(Build({}).size(), 64);
    EXPECT_EQ(Build({Single(0x01000000, "abc")}).size(), 80);
    EXPECT_EQ(Build({Group(0x02000500, {"a", "b"})}).size(), 88);
}

TEST(LangpackWriter, HeaderBytes)
{
    const QByteArray file = Build({});
    EXPECT_EQ(file.mid(16, 8), QByteArray("\x64\0\0\0\x07\0\0\0", 8));
    EXPECT_EQ(file.mid(24, 6), QByteArray("Lang1\0", 6));
    EXPECT_EQ(file.mid(30, 26), QByteArray(26, '\0'));
    EXPECT_EQ(file.mid(8, 8), QByteArray("\3\0\6\0\37\0\0\0", 8));
}

TEST(LangpackWriter, NameField)
{
    const QString n31(31, u'n');
    EXPECT_EQ(Build({}, n31).mid(24, 32), QByteArray(31, 'n') + QByteArray(1, '\0'));
    EXPECT_EQ(Build({}, QString(40, u'n')).mid(24, 32), QByteArray(31, 'n') + QByteArray(1, '\0'));
    EXPECT_EQ(Build({}, QString()).mid(24, 32), QByteArray(32, '\0'));
    // The texts' line-break rule, which opening reverses (LF is read as CR LF): CR LF is
    // written as LF, a lone CR or LF as itself; a name so opened and saved again keeps its
    // bytes.
    EXPECT_EQ(Build({}, QStringLiteral("a\r\nb")).mid(24, 4), QByteArray("a\nb\0", 4));
    EXPECT_EQ(Build({}, QStringLiteral("a\rb\nc")).mid(24, 6), QByteArray("a\rb\nc\0", 6));
}

TEST(LangpackWriter, LanguageIdIsTruncated)
{
    EXPECT_EQ(TruncatedLanguageId(100.9), 100u);
    EXPECT_EQ(TruncatedLanguageId(0.0), 0u);
    EXPECT_EQ(TruncatedLanguageId(4294967295.0), 0xFFFFFFFFu);
}

TEST(LangpackWriter, RefusesWhatTheGameCannotHold)
{
    const QStringList lines255(255, QStringLiteral("x"));
    const QStringList lines300(300, QStringLiteral("x"));
    const struct {
        std::vector<LangpackSaveRecord> records;
        const char *error;  // empty: saved
    } cases[] = {
        {{Group(0x02000500, lines255)}, ""},
        {{Group(0x02000500, lines300)}, "Group 02000500 has 300 checked lines; a group can hold at most 255."},
        {{Group(0x01000500, lines300)}, "Group 01000500 has 300 checked lines; a group can hold at most 255."},
        {{Group(0x02000E0E, {"a"})}, ""},
        {{Group(0x02000E0F, {"a"})}, "Group 02000E0F has sub-index 15; slot 14 holds only the sub-lists 0 to 14."},
        {{Single(0x02000EFF, "a")}, "String 02000EFF has sub-index 255; slot 14 holds only the sub-lists 0 to 14."},
        {{Group(0x02000500, QStringList(200, "x")), Group(0x02000501, QStringList(55, "x"))}, ""},
        {{Group(0x02000500, QStringList(200, "x")), Group(0x02000501, QStringList(56, "x"))},
         "Group 02000501 brings the list of slot 5 to 256 lines in the game; a list can hold at most 255."},
        {{Group(0x0200B800, lines255), Single(0x0200B801, "x")},
         "String 0200B801 brings the list of slot 184 to 256 lines in the game; a list can hold at most 255."},
        // Sub-lists of slot 14 are lists of their own; single-string slots hold no list.
        {{Group(0x02000E01, lines255), Group(0x02000E02, lines255)}, ""},
        {{Group(0x02001000, lines255), Group(0x02001001, lines255)}, ""},
        {{Single(E, "a")}, "String FFFFFFFF cannot be saved: that id marks the end of the record index."},
    };
    for (const auto &c : cases) {
        const LangpackBuildResult r = BuildLangpack({100, 7, "L"}, c.records);
        SCOPED_TRACE(c.error);
        EXPECT_EQ(r.error.toStdString(), c.error);
        EXPECT_EQ(r.ok, r.error.isEmpty());
        EXPECT_EQ(r.bytes.isEmpty(), !r.ok);
    }
}

TEST(LangpackWriter, ReadBackGivesTheSavedRecords)
{
    const std::vector<LangpackSaveRecord> records = {
        Single(0x01000000, QStringLiteral("first\r\nsecond")),
        Single(0x01000100, QString()),
        Group(0x02000500, {QStringLiteral("a"), QString(), QStringLiteral("c")}),
        Group(0x02000600, {}),
        Single(0x02001000, QString::fromUtf8("\xD0\x96\xD0\xB8\xD0\xB7\xD0\xBD\xD1\x8C")),
    };
    const LangpackBuildResult built = BuildLangpack({12, 3, QStringLiteral("My language")}, records);
    ASSERT_TRUE(built.ok);
    const LangpackContent c = ParseLangpack(built.bytes.constData(), std::size_t(built.bytes.size()));
    ASSERT_TRUE(c.recognised);
    EXPECT_FALSE(c.damage.any());
    EXPECT_EQ(c.header.languageId, 12u);
    EXPECT_EQ(c.header.baseLanguage, 3u);
    EXPECT_EQ(c.header.poolOffset, 60u + 4u * (3 + 3 + 6 + 3 + 3 + 1));
    auto unicode = [](std::string_view v) { return GameToUnicode(v, true); };
    EXPECT_EQ(unicode(c.header.name), QStringLiteral("My language"));
    ASSERT_EQ(c.records.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        const LangpackSaveRecord &want = records[i];
        const LangpackRecordView &got = c.records[i];
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.kind, want.group ? 1u : 0u);
        QStringList texts;
        for (const LangpackValueView &v : got.values)
            texts << (v ? unicode(*v) : QStringLiteral("<none>"));
        EXPECT_EQ(texts, want.group ? want.lines : QStringList{want.text});
    }
}

TEST(SaveBytesToFile, WritesAndReplaces)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ZVlang"));
    SaveBytesToFile(path, "old");
    SaveBytesToFile(path, "new bytes");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("new bytes"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.ZVlang"});  // no temporary file left
}

TEST(SaveBytesToFile, FailureRaisesAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    // The temporary file beside a target of 250 characters cannot get a name of its own.
    const QString old = dir.filePath(QString(250, u'x'));
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old bytes");
    }
    EXPECT_THROW(SaveBytesToFile(old, QByteArray(100000, 'n')), Exception);
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old bytes"));

    // A path below a plain file cannot be created, not even by root.
    const QString bad = old + QStringLiteral("/sub/new.ZVlang");
    try {
        SaveBytesToFile(bad, "x");
        ADD_FAILURE() << "no exception";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(bad)))
            << e.message().toStdString();
    }
}

ino_t Inode(const QString &path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

// Runs `work` in a child process that is subject to permission bits: as root it first
// becomes the user "nobody", since root may create files in any folder. The child ends
// with work's result, or with a code above 100 when it cannot be the user the check needs
// (`why` says why; the caller skips then).
int RunWithoutRootsRights(const QString &lockedFolder, const QString &file, const std::function<int()> &work,
                          std::string &why)
{
    enum { CannotDrop = 101, FolderStillWritable, FileOutOfReach };
    const pid_t pid = fork();
    if (pid == 0) {
        constexpr uid_t kNobody = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(CannotDrop);
        if (access(QFile::encodeName(file).constData(), W_OK) != 0)
            _exit(FileOutOfReach);
        if (access(QFile::encodeName(lockedFolder).constData(), W_OK) == 0)
            _exit(FolderStillWritable);
        _exit(work());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        why = "the child process did not run to its end";
        return -1;
    }
    switch (WEXITSTATUS(status)) {
    case CannotDrop:
        why = "running as root, and the child cannot become the user nobody";
        break;
    case FileOutOfReach:
        why = "the user of the check cannot reach the scratch folder (TMPDIR)";
        break;
    case FolderStillWritable:
        why = "the user of the check may create files in a folder without write permission";
        break;
    }
    return WEXITSTATUS(status);
}

// Where the folder allows it the new file takes the old one's place; a writable langpack in
// a folder where no file can be created is written in place.
TEST(SaveBytesToFile, InAFolderWhereNoFileCanBeCreatedTheFileIsWrittenInPlace)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString path = QDir(folder).filePath(QStringLiteral("pack.ZVlang"));
    SaveBytesToFile(path, "first");
    const ino_t first = Inode(path);
    SaveBytesToFile(path, "second");
    EXPECT_NE(Inode(path), first) << "a new file replaced the old one";
    const ino_t replaced = Inode(path);

    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                     QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    const auto traversable = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                             QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(path, all));
    ASSERT_TRUE(QFile::setPermissions(folder, traversable));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), traversable | QFileDevice::WriteOwner));
    std::string why;
    const int result = RunWithoutRootsRights(folder, path, [&] {
        try {
            SaveBytesToFile(path, "written in place");
            return 0;
        } catch (const Exception &e) {
            fprintf(stderr, "%s\n", qPrintable(e.message()));
            return 1;
        }
    }, why);
    ASSERT_TRUE(QFile::setPermissions(folder, traversable | QFileDevice::WriteOwner));
    if (result > 100 || result < 0)
        GTEST_SKIP() << "not checked: " << why;

    EXPECT_EQ(result, 0) << "the save failed";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("written in place"));
    EXPECT_EQ(Inode(path), replaced) << "the same file";
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"pack.ZVlang"});
}

} // namespace
