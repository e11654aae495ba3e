// Read-only streams over the editor's embedded data (the character-set tables, the
// stock-string table, the registration template). The data is embedded as Qt resources
// under ":/rcdata/<NAME>"; a name is looked up there without regard to case, so "ZVuni"
// finds ":/rcdata/ZVUNI".
#pragma once

#include "Exception.h"
#include "Stream.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Raised when no embedded resource has the name asked for.
class EResNotFound : public Exception {
public:
    explicit EResNotFound(const QString &name)
        : Exception(QStringLiteral("Resource %1 not found").arg(name)) {}
};

class ResourceStream : public TCustomMemoryStream {
public:
    // Throws EResNotFound when there is no such resource.
    explicit ResourceStream(const QString &name);

    // Writes nothing: the resource is read-only.
    int32_t Write(const void *buffer, int32_t count) override;

    // The whole resource. Stays valid after the stream is gone: uncompressed resources
    // are read in place from the program's own data.
    QByteArray bytes() const { return bytes_; }

    // The resource path that the name was found under (":/rcdata/ZVUNI").
    const QString &path() const { return path_; }

    // The path of the resource with that name, or an empty string.
    static QString FindResourcePath(const QString &name);

private:
    QString path_;
    QByteArray bytes_;
};

// One resource that is loaded on first use and kept until the program ends. A load that
// fails throws EResNotFound and leaves nothing loaded, so the next use tries again.
class LazyResource {
public:
    explicit LazyResource(QString name) : name_(std::move(name)) {}

    const unsigned char *data()
    {
        if (!stream_)
            stream_ = std::make_unique<ResourceStream>(name_);
        return static_cast<const unsigned char *>(stream_->Memory());
    }
    int64_t size()
    {
        data();
        return stream_->Size();
    }
    bool isLoaded() const { return stream_ != nullptr; }

private:
    QString name_;
    std::unique_ptr<ResourceStream> stream_;
};
