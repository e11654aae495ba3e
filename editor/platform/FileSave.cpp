#include "FileSave.h"

#include "Exception.h"

#include <QFileInfo>
#include <QSaveFile>

void SaveBytesToFile(const QString &fileName, const QByteArray &bytes)
{
    QSaveFile out(fileName);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(QFileInfo(fileName).absoluteFilePath(), out.errorString()));
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        throw Exception(QStringLiteral("Stream write error"));
    }
    if (!out.commit())
        throw Exception(QStringLiteral("Stream write error"));
}
