// The faces of the windows: the stand-in for Tahoma where none is installed, and the drawn
// magnifier.
#include "platform/Fonts.h"

#include "../Faces.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

TEST(FontsTest, TahomaFallsBackToTheNarrowestCloseFaceInstalled)
{
    struct Case {
        QStringList installed;
        const char *face;
    };
    const Case cases[] = {
        {{"DejaVu Sans", "DejaVu Sans Condensed", "Liberation Serif", "Liberation Sans"}, "Liberation Sans"},
        {{"DejaVu Sans", "DejaVu Sans Condensed", "Arimo"}, "Arimo"},
        {{"arial", "Verdana"}, "Arial"},
        {{"FreeSans", "Nimbus Sans"}, "Nimbus Sans"},
        {{"DejaVu Sans", "DejaVu Sans Condensed", "Verdana"}, "DejaVu Sans Condensed"},
        {{"DejaVu Sans", "Verdana", "Liberation Sans Narrow"}, ""},
        {{}, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FallbackWindowFace(c.installed).toStdString(), c.face) << c.installed.join(", ").toStdString();
}

TEST(FontsTest, TheBoldWindowFaceIsDrawnBold)
{
    const QFont normal = WindowFont(11);
    const QFont bold = WindowFont(11, true);
    EXPECT_EQ(normal.family(), WindowFace());
    EXPECT_EQ(bold.family(), WindowFace());
    EXPECT_EQ(QFontInfo(normal).pixelSize(), 11);
    EXPECT_EQ(QFontInfo(bold).pixelSize(), 11);
    EXPECT_EQ(normal.weight(), QFont::Normal);
    EXPECT_EQ(bold.weight(), QFont::Bold);
    for (const char *text : {"ID", "-1", "Version", "Zorvane", "language pack editor"})
        EXPECT_GE(BoldInkRatio(bold, QString::fromLatin1(text)), kBoldInk)
            << text << " in " << QFontInfo(bold).family().toStdString();
}

TEST(FontsTest, DrawnMagnifierIsAGlyphAtEverySize)
{
    const QIcon icon = DrawnMagnifier();
    for (int size : {12, 16, 32}) {
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        int ink = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                ink += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(ink, size) << size;
        EXPECT_LT(ink, size * size / 2) << size << ": a glyph, not a filled square";
        EXPECT_EQ(qAlpha(image.pixel(size - 1, 0)), 0) << size;
    }
}

} // namespace
