// The faces and the one symbol the windows are laid out for, on any desktop.
//
// The windows are laid out for Tahoma, the "π" of the main window for Times New Roman and
// the search button for a magnifier. Wine's free Tahoma (Debian's fonts-wine) lies in a
// folder of Wine's own that fontconfig does not index: the first call of WindowFace adds
// its regular face as an application font. Its bold face is not added: its letters are no
// bolder than the regular ones (only wider), so bold captions are drawn from the regular
// face, emboldened by the font engine. Where no
// Tahoma face can be found, the windows are drawn in the narrowest installed face of close
// metrics, never in a wider one, which would clip their captions.
#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <QStringList>

// The face the windows are drawn in: "Tahoma" when a Tahoma face is installed (or was found
// in Wine's font folders and added), else FallbackWindowFace of the installed families.
QString WindowFace();
// The window face at a height of `pixelSize` pixels, bold or at normal weight.
QFont WindowFont(int pixelSize, bool bold = false);

// The stand-in for Tahoma among the installed `families`: the first face of Arial's metrics
// (on the windows' captions as wide as Tahoma to within a few pixels, in bold narrower),
// else DejaVu Sans Condensed (2.5 % wider, but still the narrowest face every Debian
// desktop has: DejaVu Sans, the platform's own choice, is 14 % wider), else empty (the
// platform's own).
QString FallbackWindowFace(const QStringList &families);

// Times New Roman at `pixelSize` pixels, or the first installed serif of its metrics where
// it is absent (Liberation Serif, Tinos).
QFont TimesFont(int pixelSize);

// A magnifier for a search button: the icon theme's "edit-find" where the desktop has one,
// else DrawnMagnifier.
QIcon MagnifierIcon();
// A magnifier drawn in the palette's button-text colour, at the usual icon sizes.
QIcon DrawnMagnifier();
