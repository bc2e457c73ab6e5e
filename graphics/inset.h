// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The inset: a crop rectangle of the chosen picture, fitted into a square box.
#include <optional>

namespace orlenda {

struct TwipsRect {
    double x = 0, y = 0, width = 0, height = 0;
};

// The crop as recorded by two clicks may run right-to-left or bottom-to-top; this is the
// same rectangle seen from its top-left corner. An empty rectangle gives nothing.
// ("struct" keeps these declarations valid next to the geometry helper of app/registry.h,
// which has the same name.)
std::optional<struct TwipsRect> NormalizedCrop(double x, double y, double width, double height);

// The inset's box: the crop's longer side fills side, the other shrinks in proportion;
// the box keeps its top-left corner at (left, top).
struct TwipsRect InsetBox(double left, double top, double side, const struct TwipsRect& crop);

}  // namespace orlenda
