#include "ProgramFolder.h"

#include <QCoreApplication>

namespace {
QString &FolderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString ProgramFolder()
{
    if (!FolderOverride().isEmpty())
        return FolderOverride();
    return QCoreApplication::applicationDirPath();
}

void SetProgramFolder(const QString &folder)
{
    FolderOverride() = folder;
}

QString JoinPath(const QString &folder, const QString &fileName)
{
    QString head = folder;
    while (head.endsWith(QLatin1Char('/')) && head.size() > 1)
        head.chop(1);
    QString tail = fileName;
    while (tail.startsWith(QLatin1Char('/')))
        tail.remove(0, 1);
    if (head.isEmpty())
        return tail;
    if (head == QLatin1String("/"))
        return head + tail;
    return head + QLatin1Char('/') + tail;
}

QString InProgramFolder(const QString &fileName)
{
    return JoinPath(ProgramFolder(), fileName);
}
