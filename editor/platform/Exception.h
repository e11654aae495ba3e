// The editor's exception type. Every error that the editor raises carries the text that
// the user is shown ("Cannot open file ...", "Resource LANGDEF not found", ...); the
// window layer displays message() and goes on.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

    const QString &message() const noexcept { return message_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// A seek of a stream to a position outside the range that the stream can express.
class ERangeError : public Exception {
public:
    ERangeError() : Exception(QStringLiteral("Range check error")) {}
};
