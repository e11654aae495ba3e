#include "FileLoad.h"

#include "Exception.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void CannotOpen(const QString &fileName, const QString &reason)
{
    throw Exception(
        QStringLiteral("Cannot open file \"%1\". %2").arg(QFileInfo(fileName).absoluteFilePath(), reason));
}

// Closes the descriptor when the read is over, however it ends.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

QByteArray LoadBytesFromFile(const QString &fileName)
{
    // Opened without waiting, so that a pipe without a writer cannot hold the program; the
    // flag changes nothing for the regular file that is read.
    const Descriptor in{::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (in.fd < 0)
        CannotOpen(fileName, qt_error_string(errno));
    struct stat status {};
    if (::fstat(in.fd, &status) != 0)
        CannotOpen(fileName, qt_error_string(errno));
    if (!S_ISREG(status.st_mode))
        CannotOpen(fileName, QStringLiteral("Not a regular file"));

    const qsizetype size = qsizetype(status.st_size);
    QByteArray bytes(size, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::read(in.fd, bytes.data() + done, std::size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Exception(QStringLiteral("Stream read error"));
        done += n;
    }
    return bytes;
}
