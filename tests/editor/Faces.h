// The face a control draws its caption in: family, pixel size and weight as the font
// engine gives them, and, for a bold caption, that its letters come out bolder than the
// same face at normal weight (a "bold" face that draws like the regular one passes every
// test of the font's settings, but not this one).
#pragma once

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <string>

// How much ink `text` takes in `font`, in pixels' worth of black.
inline double Ink(const QFont &font, const QString &text)
{
    QImage image(QFontMetrics(font).boundingRect(text).size() + QSize(8, 8), QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    double ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            ink += (255 - line[x]) / 255.0;
    }
    return ink;
}

// The ink of `text` in `font` over its ink in the same font at normal weight.
inline double BoldInkRatio(const QFont &font, const QString &text)
{
    QFont normal = font;
    normal.setBold(false);
    return Ink(font, text) / Ink(normal, text);
}

// A bold caption takes this much more ink than the same caption at normal weight (the
// faces measured here take 40 % to 75 % more; a bold face that is not bolder, 0 %).
inline constexpr double kBoldInk = 1.25;

// The first line of the caption a control shows.
inline QString CaptionText(const QWidget *control)
{
    QString text;
    if (auto *label = qobject_cast<const QLabel *>(control))
        text = label->text();
    else if (auto *button = qobject_cast<const QAbstractButton *>(control))
        text = button->text();
    else if (auto *spin = qobject_cast<const QAbstractSpinBox *>(control))
        text = spin->text();
    else if (auto *edit = qobject_cast<const QLineEdit *>(control))
        text = edit->text();
    return text.remove(u'&').split(QRegularExpression(QStringLiteral("\r?\n"))).value(0);
}

inline void ExpectFace(const QWidget *control, const char *family, int pixelSize, bool bold)
{
    const std::string name = control->objectName().toStdString();
    const QFontInfo info(control->font());
    EXPECT_EQ(info.family().toStdString(), family) << name;
    EXPECT_EQ(info.pixelSize(), pixelSize) << name;
    EXPECT_EQ(control->font().weight(), bold ? QFont::Bold : QFont::Normal) << name;
    const QString caption = CaptionText(control);
    ASSERT_FALSE(caption.isEmpty()) << name;
    if (bold)
        EXPECT_GE(BoldInkRatio(control->font(), caption), kBoldInk) << name << ": drawn bold";
}
