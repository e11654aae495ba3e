#include "FileLoad.h"

#include "Exception.h"

#include <QFile>
#include <QFileInfo>

QByteArray LoadBytesFromFile(const QString &fileName)
{
    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\". %2")
                            .arg(QFileInfo(fileName).absoluteFilePath(), in.errorString()));
    QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || (!in.isSequential() && bytes.size() != in.size()))
        throw Exception(QStringLiteral("Stream read error"));
    return bytes;
}
