// Colours in the Windows encoding 0x00BBGGRR, as the window handlers compute with them.
#pragma once

#include <QColor>
#include <cstdint>

using TColor = std::uint32_t;

// Red in the low byte, green in the next, blue in the third; the top byte is ignored.
QColor ToQColor(TColor color);
// The RGB bytes of `color` packed as 0x00BBGGRR (alpha dropped).
TColor FromQColor(const QColor &color);
