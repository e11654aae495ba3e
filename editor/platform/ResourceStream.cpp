#include "ResourceStream.h"

#include <QDir>
#include <QFileInfo>
#include <QResource>

namespace {
const QString kResourceFolder = QStringLiteral(":/rcdata");
}

QString ResourceStream::FindResourcePath(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return {};
    const QString exact = kResourceFolder + QLatin1Char('/') + name;
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList entries = QDir(kResourceFolder).entryList(QDir::Files);
    for (const QString &entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return kResourceFolder + QLatin1Char('/') + entry;
    return {};
}

ResourceStream::ResourceStream(const QString &name)
{
    path_ = FindResourcePath(name);
    if (path_.isEmpty())
        throw EResNotFound(name);
    const QResource resource(path_);
    if (resource.compressionAlgorithm() == QResource::NoCompression)
        bytes_ = QByteArray::fromRawData(reinterpret_cast<const char *>(resource.data()),
                                         qsizetype(resource.size()));
    else
        bytes_ = resource.uncompressedData();
    SetPointer(bytes_.constData(), bytes_.size());
}

int32_t ResourceStream::Write(const void *, int32_t) { return 0; }
