#include "Rawmemorystream.h"
#include "platform/FileLoad.h"
#include "platform/ResourceStream.h"

#include "../NotRegularFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <limits>

namespace {

TEST(RawMemoryStream, StartsViewingNothing)
{
    TRawMemoryStream s;
    EXPECT_EQ(s.Memory(), nullptr);
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
    char buf[4];
    EXPECT_EQ(s.Read(buf, 4), 0);
}

TEST(RawMemoryStream, ReadsUpToTheEndAndAdvances)
{
    const char data[] = {1, 2, 3, 4, 5, 6};
    TRawMemoryStream s;
    s.SetPointer(data, 6);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(std::memcmp(buf, data, 4), 0);
    EXPECT_EQ(s.Position(), 4);
    EXPECT_EQ(s.Read(buf, 4), 2);  // only what is left
    EXPECT_EQ(buf[0], 5);
    EXPECT_EQ(buf[1], 6);
    EXPECT_EQ(s.Read(buf, 4), 0);
    EXPECT_EQ(s.Position(), 6);
}

TEST(RawMemoryStream, SetPointerKeepsThePosition)
{
    const char a[] = {10, 11, 12, 13};
    const char b[] = {20, 21, 22, 23};
    TRawMemoryStream s;
    s.SetPointer(a, 4);
    s.Seek(2, soBeginning);
    s.SetPointer(b, 4);
    EXPECT_EQ(s.Position(), 2);
    char c = 0;
    EXPECT_EQ(s.Read(&c, 1), 1);
    EXPECT_EQ(c, 22);
}

TEST(RawMemoryStream, WriteWritesNothing)
{
    char data[] = {1, 2, 3, 4};
    const char put[] = {9, 9, 9, 9};
    {
        TRawMemoryStream s;
        s.SetPointer(data, 4);
        EXPECT_EQ(s.Write(put, 4), 0);
        EXPECT_EQ(s.Position(), 0);
        s.SetSize(int32_t(0));  // cannot be resized
        EXPECT_EQ(s.GetSize(), 4);
    }
    // Destroying the view leaves the memory as it was.
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[3], 4);
}

TEST(RawMemoryStream, SeeksFromEachOriginWithoutClamping)
{
    const char data[8] = {};
    TRawMemoryStream s;
    s.SetPointer(data, 8);
    EXPECT_EQ(s.Seek(3, soBeginning), 3);
    EXPECT_EQ(s.Seek(2, soCurrent), 5);
    EXPECT_EQ(s.Seek(-1, soEnd), 7);
    EXPECT_EQ(s.Seek(4, soEnd), 12);  // past the end: reading there gives nothing
    char c;
    EXPECT_EQ(s.Read(&c, 1), 0);
    EXPECT_EQ(s.Seek(-20, soCurrent), -8);  // before the start: likewise
    EXPECT_EQ(s.Read(&c, 1), 0);
    EXPECT_EQ(s.GetSize(), 8);
    EXPECT_EQ(s.Position(), -8);  // the size query moves the position back
}

TEST(RawMemoryStream, SixtyFourBitSeekOutsideThirtyTwoBitsIsARangeError)
{
    const char data[8] = {};
    TRawMemoryStream s;
    s.SetPointer(data, 8);
    EXPECT_EQ(s.Seek(int64_t(6), soBeginning), 6);
    EXPECT_EQ(s.Seek(int64_t(std::numeric_limits<int32_t>::min()), soBeginning),
              std::numeric_limits<int32_t>::min());
    EXPECT_THROW(s.Seek(int64_t(std::numeric_limits<int32_t>::max()) + 1, soBeginning), ERangeError);
    EXPECT_THROW(s.Seek(int64_t(std::numeric_limits<int32_t>::min()) - 1, soCurrent), ERangeError);
    EXPECT_THROW(s.SetSize(int64_t(1) << 40), ERangeError);
}

TEST(ResourceStream, FindsTheCharsetTablesWithoutRegardToCase)
{
    struct Case {
        const char *name;
        int64_t size;
    } cases[] = {{"ZVuni", 512}, {"zvupper", 256}, {"uniZV", 512}, {"ZVUNI", 512}};
    for (const Case &c : cases) {
        ResourceStream s(QString::fromLatin1(c.name));
        EXPECT_EQ(s.Size(), c.size) << c.name;
        EXPECT_EQ(s.bytes().size(), c.size) << c.name;
        EXPECT_EQ(s.path().toUpper(), QStringLiteral(":/RCDATA/") + QString::fromLatin1(c.name).toUpper());
        const char put[1] = {1};
        EXPECT_EQ(s.Write(put, 1), 0);
    }
}

TEST(ResourceStream, MissingResourceRaisesItsError)
{
    for (const QString name : {QStringLiteral("NoSuchTable"), QStringLiteral(""), QStringLiteral("../ZVUNI")}) {
        try {
            ResourceStream s(name);
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const EResNotFound &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Resource %1 not found").arg(name));
        }
    }
}

TEST(LazyResource, FailedLoadStaysUnloadedAndIsTriedAgain)
{
    LazyResource missing(QStringLiteral("NoSuchTable"));
    EXPECT_THROW(missing.data(), EResNotFound);
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_THROW(missing.data(), EResNotFound);
    EXPECT_FALSE(missing.isLoaded());

    LazyResource present(QStringLiteral("zvUpper"));
    const unsigned char *first = present.data();
    EXPECT_TRUE(present.isLoaded());
    EXPECT_EQ(present.data(), first);  // kept, not loaded again
    EXPECT_EQ(present.size(), 256);
}

TEST(FileLoad, ReadsAWholeFileAndReportsAMissingOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("t.bin"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("ab\0cd", 5));
    f.close();
    EXPECT_EQ(LoadBytesFromFile(path), QByteArray("ab\0cd", 5));

    const QString missing = dir.filePath(QStringLiteral("none.bin"));
    try {
        LoadBytesFromFile(missing);
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)))
            << e.message().toStdString();
    }
}

// Only a regular file is read, and no more of it than its size when it was opened; every
// other kind is refused as a file that cannot be opened, without waiting on a pipe.
TEST(FileLoad, RefusesWhatIsNotARegularFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (NotRegularFile::Kind kind : NotRegularFile::kKinds) {
        SCOPED_TRACE(NotRegularFile::Name(kind));
        const QString path = dir.filePath(QStringLiteral("thing%1").arg(int(kind)));
        const NotRegularFile thing(kind, path);
        ASSERT_TRUE(thing.made());
        try {
            LoadBytesFromFile(path);
            ADD_FAILURE() << "no error";
        } catch (const Exception &e) {
            EXPECT_EQ(e.message().toStdString(),
                      QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path).toStdString());
        }
    }
}

} // namespace
