#include "Association.h"

#include "Zvcharset.h"
#include "platform/FileSave.h"
#include "platform/Process.h"
#include "platform/ResourceStream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool IsAscii(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

QStringList SplitTextLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString JoinTextLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + kCrLf;
    return text;
}

QString FillAssociationScript(const QString &templateText, const QString &programPath)
{
    const QString placeholders[][2] = {
        {QStringLiteral("%EXT%"), QStringLiteral(".ZVlang")},
        {QStringLiteral("%TYPE%"), QStringLiteral("ZV.Zvlang")},
        {QStringLiteral("%NAME%"), QStringLiteral("Zorvane language file")},
        {QStringLiteral("%ICONID%"), QStringLiteral("0")},
        {QStringLiteral("%PATH%"), ReplaceAll(programPath, QStringLiteral("\\"), QStringLiteral("\\\\"))},
    };
    QStringList lines = SplitTextLines(templateText);
    for (const auto &p : placeholders)
        lines = SplitTextLines(ReplaceAll(JoinTextLines(lines), p[0], p[1]));
    return JoinTextLines(lines);
}

QByteArray AssociationScriptBytes(const QString &script)
{
    if (IsAscii(script))
        return script.toLatin1();
    QStringList lines = SplitTextLines(script);
    if (!lines.isEmpty() && lines.first() == QLatin1String("REGEDIT4"))
        lines.first() = QStringLiteral("Windows Registry Editor Version 5.00");
    const QString text = JoinTextLines(lines);
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QString AssociationScriptPath()
{
    QString folder = QDir::tempPath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + QStringLiteral("GlossmithAssoc.reg");
}

QString AssociationPathProblem(const QString &programPath)
{
    for (QChar c : programPath)
        if (c.unicode() < 0x20 || c == u'"')
            return QStringLiteral("The program path cannot be written into the registration script, "
                                  "since it holds a double quote or a control character:\n%1\n"
                                  "The association was not made.")
                .arg(programPath);
    return {};
}

QString RunAssociation(const QString &programPath)
{
    const QString tempFolder = QDir::tempPath();
    if (tempFolder.isEmpty() || !QFileInfo(tempFolder).isDir())
        return QStringLiteral("There is no temporary folder for the registration script (\"%1\").\n"
                              "The association was not made.")
            .arg(tempFolder);
    const QString problem = AssociationPathProblem(programPath);
    if (!problem.isEmpty())
        return problem;

    const QString templateText = QString::fromLatin1(ResourceStream(QStringLiteral("reg")).bytes());
    const QString scriptPath = AssociationScriptPath();
    SaveBytesToFile(scriptPath, AssociationScriptBytes(FillAssociationScript(templateText, programPath)));
    RunProcessAndWait(QStringLiteral("regedit"), {QStringLiteral("/s"), scriptPath});
    QFile::remove(scriptPath);
    return {};
}
