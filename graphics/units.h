// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Units and colours shared by every layer: positions in twips (1440 an inch, 15 a pixel on
// the screen), colours as red + 256 * green + 65536 * blue.
#include <QColor>
#include <cstdint>

namespace orlenda {

using Colour = std::uint32_t;  // red + 256 * green + 65536 * blue
// A component above 255 counts as 255 (and one below 0 as 0).
constexpr Colour RGB(int r, int g, int b) {
    auto c = [](int v) { return Colour(v < 0 ? 0 : v > 255 ? 255 : v); };
    return c(r) | (c(g) << 8) | (c(b) << 16);
}
inline QColor ToQColor(Colour c) { return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff); }
inline Colour FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerPixel = 15.0;  // a screen at 96 dpi

// Screen twips to whole pixels, rounded.
inline int Px(double twips) { return int(twips / kTwipsPerPixel + 0.5); }

}  // namespace orlenda
