// A folder, a pipe or a character device at a path of the test's choosing, for the tests
// that the loaders read regular files only. While it lives, a pipe is given a writer after
// ten seconds: a loader that waits on it is set free then, and its test fails instead of
// hanging.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class NotRegularFile {
public:
    enum Kind { Folder, Pipe, Device };
    static constexpr Kind kKinds[] = {Folder, Pipe, Device};

    NotRegularFile(Kind kind, const QString &path) : path_(path)
    {
        switch (kind) {
        case Folder:
            made_ = QDir().mkdir(path);
            break;
        case Pipe:
            made_ = ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
            if (made_)
                watchdog_ = std::thread([this] { FreeAWaitingReader(); });
            break;
        case Device:
            made_ = QFile::link(QStringLiteral("/dev/null"), path);   // a link to a character device
            break;
        }
    }
    ~NotRegularFile()
    {
        if (watchdog_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                done_ = true;
            }
            wake_.notify_all();
            watchdog_.join();
        }
    }
    NotRegularFile(const NotRegularFile &) = delete;
    NotRegularFile &operator=(const NotRegularFile &) = delete;

    static const char *Name(Kind kind)
    {
        return kind == Folder ? "a folder" : kind == Pipe ? "a pipe without a writer" : "a character device";
    }
    bool made() const { return made_; }

private:
    void FreeAWaitingReader()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, std::chrono::seconds(10), [this] { return done_; }))
            return;
        // Succeeds only while a reader has the pipe open; it then reads the end of the data.
        const int fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }

    QString path_;
    bool made_ = false;
    std::thread watchdog_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
};
