// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/inset.h"

#include <cmath>

namespace orlenda {

std::optional<TwipsRect> NormalizedCrop(double x, double y, double width, double height) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height))
        return std::nullopt;
    if (width < 0) {
        x += width;
        width = -width;
    }
    if (height < 0) {
        y += height;
        height = -height;
    }
    if (width == 0 || height == 0) return std::nullopt;
    return TwipsRect{x, y, width, height};
}

TwipsRect InsetBox(double left, double top, double side, const TwipsRect& crop) {
    double w = side, h = side;
    const double ratio = crop.width / crop.height;
    if (ratio < 1) w = ratio * w;
    if (ratio > 1) h = h / ratio;
    return TwipsRect{left, top, w, h};
}

}  // namespace orlenda
