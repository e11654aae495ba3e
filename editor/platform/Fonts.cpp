#include "platform/Fonts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStandardPaths>

namespace {

const QString kTahoma = QStringLiteral("Tahoma");

// Where Wine keeps its own faces: share/wine/fonts under a data folder of the system
// (Debian's fonts-wine: /usr/share/wine/fonts) or under a Wine installed in /opt.
QStringList WineFontFolders()
{
    QStringList folders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                    QStringLiteral("wine/fonts"),
                                                    QStandardPaths::LocateDirectory);
    const QDir opt(QStringLiteral("/opt"));
    for (const QString &wine : opt.entryList({QStringLiteral("wine*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = opt.filePath(wine + QStringLiteral("/share/wine/fonts"));
        if (QDir(folder).exists())
            folders << folder;
    }
    return folders;
}

// Adds the regular Tahoma of the first Wine font folder that holds it; true once the
// family is there. Wine's "tahomabd.ttf" stays out (see Fonts.h).
bool AddWineTahoma()
{
    for (const QString &folder : WineFontFolders()) {
        const QString file = QDir(folder).filePath(QStringLiteral("tahoma.ttf"));
        if (QFileInfo(file).isReadable())
            QFontDatabase::addApplicationFont(file);
        if (QFontDatabase::hasFamily(kTahoma))
            return true;
    }
    return false;
}

QString ChooseWindowFace()
{
    if (QFontDatabase::hasFamily(kTahoma) || AddWineTahoma())
        return kTahoma;
    return FallbackWindowFace(QFontDatabase::families());
}

QString FirstOf(const QStringList &wanted, const QStringList &families)
{
    for (const QString &face : wanted)
        if (families.contains(face, Qt::CaseInsensitive))
            return face;
    return QString();
}

QPixmap MagnifierPixmap(int size, const QColor &ink)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(QPen(ink, 1.75 * unit));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(6.5 * unit, 6.5 * unit), 4.75 * unit, 4.75 * unit);
    painter.setPen(QPen(ink, 2.75 * unit, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10.25 * unit, 10.25 * unit), QPointF(14.5 * unit, 14.5 * unit));
    return pixmap;
}

} // namespace

QString WindowFace()
{
    static const QString face = ChooseWindowFace();
    return face;
}

QFont WindowFont(int pixelSize, bool bold)
{
    QFont font(WindowFace());
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QString FallbackWindowFace(const QStringList &families)
{
    // Arial's metrics: Liberation Sans (fonts-liberation2), Arimo, Arial itself, and the
    // Helvetica faces Arial was made to match.
    const QString arialLike = FirstOf({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                       QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                                       QStringLiteral("FreeSans")},
                                      families);
    if (!arialLike.isEmpty())
        return arialLike;
    return FirstOf({QStringLiteral("DejaVu Sans Condensed")}, families);
}

QFont TimesFont(int pixelSize)
{
    const QString face = FirstOf({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                                  QStringLiteral("Tinos")},
                                 QFontDatabase::families());
    QFont font(face.isEmpty() ? QStringLiteral("Times New Roman") : face);
    font.setPixelSize(pixelSize);
    return font;
}

QIcon MagnifierIcon()
{
    const QString name = QStringLiteral("edit-find");
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : DrawnMagnifier();
}

QIcon DrawnMagnifier()
{
    const QColor ink = QGuiApplication::palette().color(QPalette::ButtonText);
    QIcon icon;
    for (int size : {12, 13, 16, 24, 32})
        icon.addPixmap(MagnifierPixmap(size, ink));
    return icon;
}
