// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three layouts of the year: the A3 sheet, the A4 sheet and the electronic document.
// One drawing (yearrenderer.cpp) serves all three; everything in which they differ is here.
// Positions are twips, sizes points; an empty face keeps the face the surface has.
#include <optional>

#include "graphics/units.h"

namespace orlenda {

// What follows the paper the page really has: a printer that lacks the paper asked for
// keeps its own, and the blocks then take that paper's sizes at the layout's positions.
struct PaperMetrics {
    double daySize, lunarSize;
    double lunarIndent;  // from a block's left edge to its lunar rows
    double headerSize;   // the weekday names over the first row of blocks
    double headerIndent, englishHeaderIndent;
    // A greeting line runs from its left to its right at most: the paper's width less a margin
    // as wide as the left one (the printer's own margins are not known).
    double greetingLeft, greetingRight;
};

constexpr double kA3Width = 16838, kA4Width = 11906;  // 297 and 210 mm
constexpr PaperMetrics kA3Metrics{16, 8, 190, 12, 0, 140, 1700, kA3Width - 1700};
constexpr PaperMetrics kA4Metrics{12, 6, 130, 9, 0, 70, 650, kA4Width - 650};
// Any other paper: A4's days, but the header is told apart from A4's, not A3's.
constexpr PaperMetrics kOtherPaperMetrics{12, 6, 130, 10, 0, 140, 650, kA4Width - 650};
// A paper that cannot be read places the greeting as on A3, ending where it would on A4.
constexpr double kUnreadPaperGreetingLeft = kA3Metrics.greetingLeft;
constexpr double kUnreadPaperGreetingRight = kA4Metrics.greetingRight;

// The greeting's size in points; a line too wide for its room is drawn smaller.
constexpr double kGreetingSize = 26;

// Colours of the parts; an empty one leaves the colour the surface has.
struct Inks {
    std::optional<Colour> text = {};  // set first, kept for all that has no ink of its own
    std::optional<Colour> title = {}, header = {}, monthTitle = {}, lunar = {}, greeting = {};
};

struct YearLayout {
    // The title: prefix, year, "年", bold.
    const char* titlePrefix;
    double titleX, titleY, titleSize;
    bool titleItalic, titleUnderline;
    const char* titleFace;

    // Twelve blocks in four rows of three; the rows after the first drop a little further.
    double blocksLeft, blocksTop, columnStep, rowStep, rowDrop;
    std::optional<PaperMetrics> metrics;  // empty: those of the page's paper
    const char* headerFace;
    const char* dayFace;
    const char* lunarFace;
    bool followsLanguage;  // English month and weekday names when the document asks

    // Quirks of the sheets.
    bool lineAfterBlocks;       // one more line before the greeting (A3)
    bool inkBackAfterGreeting;  // the colour read before the title is set again at the end (A4)

    // The colours of the sheet printed in colour.
    Inks colourInks;

    // The inset's square: top-left corner and side. While an inset is drawn, the greeting
    // lines beside it end at its left edge.
    double insetLeft, insetTop, insetSide;
};

constexpr Colour kHeaderColour = RGB(0, 0, 255);
constexpr Colour kMonthTitleColour = RGB(100, 0, 140);
constexpr Colour kLunarColour = RGB(100, 0, 255);
constexpr Colour kSheetTitleColour = RGB(255, 0, 0);
constexpr Colour kSheetGreetingColour = RGB(220, 100, 255);

constexpr YearLayout kA3SheetLayout{
    .titlePrefix = "",
    .titleX = 1500,
    .titleY = 1500,
    .titleSize = 28,
    .titleItalic = true,
    .titleUnderline = true,
    .titleFace = "",
    .blocksLeft = 1500,
    .blocksTop = 2250,
    .columnStep = 4000,
    .rowStep = 3180,
    .rowDrop = 500,
    .metrics = std::nullopt,
    .headerFace = "",
    .dayFace = "",
    .lunarFace = "",
    .followsLanguage = true,
    .lineAfterBlocks = true,
    .inkBackAfterGreeting = false,
    // The A3 title stays in the page's colour.
    .colourInks = {.header = kHeaderColour,
                   .monthTitle = kMonthTitleColour,
                   .lunar = kLunarColour,
                   .greeting = kSheetGreetingColour},
    .insetLeft = 7500,
    .insetTop = 15500,
    .insetSide = 4000,
};

constexpr YearLayout kA4SheetLayout{
    .titlePrefix = "",
    .titleX = 750,
    .titleY = 1500,
    .titleSize = 20,
    .titleItalic = true,
    .titleUnderline = true,
    .titleFace = "",
    .blocksLeft = 500,
    .blocksTop = 2000,
    .columnStep = 3000,
    .rowStep = 2400,
    .rowDrop = 400,
    .metrics = std::nullopt,
    .headerFace = "",
    .dayFace = "",
    .lunarFace = "",
    .followsLanguage = true,
    .lineAfterBlocks = false,
    .inkBackAfterGreeting = true,
    .colourInks = {.title = kSheetTitleColour,
                   .header = kHeaderColour,
                   .monthTitle = kMonthTitleColour,
                   .lunar = kLunarColour,
                   .greeting = kSheetGreetingColour},
    .insetLeft = 6700,
    .insetTop = 12050,
    .insetSide = 3000,
};

// The electronic document: the A4 blocks moved on the picture, in named faces, always in
// Chinese, in the document's own colours (the caller's inks).
constexpr YearLayout kDocumentLayout{
    .titlePrefix = "    ",
    .titleX = 750,
    .titleY = 250,
    .titleSize = 20,
    .titleItalic = false,
    .titleUnderline = false,
    .titleFace = "仿宋_GB2312",
    .blocksLeft = 1250,
    .blocksTop = 750,
    .columnStep = 3000,
    .rowStep = 2400,
    .rowDrop = 400,
    // The picture is 11535 twips (kDocumentWidth) wide.
    .metrics = PaperMetrics{12, 6, 130, 9, 70, 70, 650, 11535 - 650},
    .headerFace = "宋体",
    .dayFace = "宋体",
    .lunarFace = "黑体",
    .followsLanguage = false,
    .lineAfterBlocks = false,
    .inkBackAfterGreeting = false,
    .colourInks = {},
    .insetLeft = 6950,
    .insetTop = 10800,
    .insetSide = 3000,
};

}  // namespace orlenda
