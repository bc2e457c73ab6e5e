#include "render/yearrenderer.h"

#include <cmath>
#include <stdexcept>

#include "core/textconv.h"
#include "document/calendardocument.h"
#include "graphics/inset.h"

namespace orlenda {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Fmt(const std::string& text, const char* pattern) { return Q(Format(text, pattern)); }

constexpr Colour kHeaderColour = RGB(0, 0, 255);
constexpr Colour kMonthTitleColour = RGB(100, 0, 140);
constexpr Colour kLunarColour = RGB(100, 0, 255);
constexpr Colour kSheetTitleColour = RGB(255, 0, 0);
constexpr Colour kGreetingColour = RGB(220, 100, 255);

// The numbers that differ between the two sheets.
struct SheetConstants {
    int paper;
    double titleSize;
    double titleX, titleY;
    bool a4;  // red title in colour mode, colour saved around it, no line after the blocks
    double x0, y0;
    double columnStep, rowStep, rowDrop;
    double insetSide, insetLeft, insetTop;
};

constexpr SheetConstants kA3Sheet{kPaperA3, 28,   1500, 1500, false, 1500, 2250,
                                  4000,     3180, 500,  4000, 7500,  15500};
constexpr SheetConstants kA4Sheet{kPaperA4, 20,   750, 1500, true, 500,  2000,
                                  3000,     2400, 400, 3000, 6700, 12050};

}  // namespace

void PrintMonthBlock(Surface& page, const CalendarModel& model, int month, long x, long y,
                     int sheetRow, bool english, bool colour) {
    if (month < 1 || month > 12) throw std::out_of_range("no such month");
    page.CurrentX = x;
    page.CurrentY = y;
    const Colour saved = page.ForeColor;
    const int left = int(std::lround(page.CurrentX));

    double dayFontSize = 12, lunarFontSize = 6;
    long lunarRowX = x + 130;
    if (page.PaperSize() == kPaperA3) {
        dayFontSize = 16;
        lunarFontSize = 8;
        lunarRowX = x + 190;
    }
    page.FontSize = dayFontSize;

    if (sheetRow == 0) {
        // The paper is read again here: the header follows A4 rather than A3.
        const bool a4 = page.PaperSize() == kPaperA4;
        page.FontSize = lunarFontSize + (a4 ? 3 : 4);
        page.FontBold = false;
        if (english) page.CurrentX += a4 ? 70 : 140;
        if (colour) page.ForeColor = kHeaderColour;
        for (int d = 1; d <= 7; ++d) {
            if (english)
                page.Print(Fmt(model.WeekdayNamesEn[d - 1], "@@"), false);
            else
                page.Print(Fmt(model.WeekdayNamesCn[d - 1], "@@@"), false);
        }
        page.ForeColor = saved;
        page.PrintEnd();
        page.PrintEnd();
        page.FontSize = dayFontSize;
        page.FontBold = false;
    }

    const QString monthTitle = english ? Q(model.MonthNamesEn[month - 1]) + QLatin1Char(' ')
                                       : Fmt(DecimalText(month), "@@") + QStringLiteral("月");

    for (int w = 1; w <= 6; ++w) {
        page.CurrentX = left;
        for (int d = 1; d <= 7; ++d) {
            page.FontSize = dayFontSize;
            if (w == 1 && d == 1) {
                // The first cell always carries the month's title, even over a day 1.
                page.CurrentX = left - 100;
                if (colour) page.ForeColor = kMonthTitleColour;
                page.Print(monthTitle, false);
                page.ForeColor = saved;
            } else {
                page.Print(Fmt(model.DayGrid[month][w][d], "@@@"), false);
            }
        }
        page.PrintEnd();
        page.CurrentX = lunarRowX;
        if (colour) page.ForeColor = kLunarColour;
        for (int d = 1; d <= 7; ++d) {
            page.FontSize = lunarFontSize;
            page.Print(Fmt(model.LunarGrid[month][w][d], "@@@"), false);
        }
        page.ForeColor = saved;
        page.PrintEnd();
    }
    page.PrintEnd();
}

void prnwrd(Surface& page, const SheetInputs& in) {
    // A paper that cannot be read counts as A3.
    double greetingLeft = 1700;
    Step([&] { greetingLeft = page.PaperSize() == kPaperA3 ? 1700 : 650; });
    Step([&] {
        page.FontName = in.greetingFont;
        page.FontSize = 26;
        page.FontBold = true;
        page.FontItalic = true;
    });
    if (in.colour) Step([&] { page.ForeColor = kGreetingColour; });
    for (const QString& line : in.greeting) {
        Step([&] { page.CurrentX = greetingLeft; });
        if (!line.isEmpty()) Step([&] { page.Print(line, true); });
    }
}

void PrintYearSheet(Surface& page, int paper, const SheetInputs& in, const CalendarModel& model,
                    Colour* savedTitleColor) {
    const SheetConstants& k = paper == kPaperA3 ? kA3Sheet : kA4Sheet;
    Colour localSaved = 0;
    Colour& savedColour = savedTitleColor ? *savedTitleColor : localSaved;

    Step([&] { page.SetPaperSize(k.paper); });
    Step([&] { page.SetPrintQuality(kQualityHigh); });
    Step([&] {
        page.FontSize = k.titleSize;
        page.FontBold = true;
        page.FontItalic = true;
        page.FontUnderline = true;
    });
    Step([&] {
        page.CurrentX = k.titleX;
        page.CurrentY = k.titleY;
    });
    const QString title = in.yearCaption + QStringLiteral("年");
    if (k.a4) {
        savedColour = page.ForeColor;
        if (in.colour) page.ForeColor = kSheetTitleColour;
    }
    Step([&] { page.Print(title, true); });
    Step([&] { page.PrintEnd(); });
    if (k.a4) page.ForeColor = savedColour;
    // Bold stays on until the first block's header turns it off.
    page.FontItalic = false;
    page.FontUnderline = false;

    for (int r = 0; r <= 3; ++r) {
        for (int c = 1; c <= 3; ++c) {
            const long x = std::lround(k.x0 + (c - 1) * k.columnStep);
            const long y = std::lround(k.y0 + r * k.rowStep + (r > 0 ? k.rowDrop : 0));
            Step([&] { PrintMonthBlock(page, model, 3 * r + c, x, y, r, in.english, in.colour); });
        }
    }
    if (!k.a4) Step([&] { page.PrintEnd(); });

    prnwrd(page, in);
    if (k.a4) page.ForeColor = savedColour;

    if (in.inset) {
        Step([&] {
            // A crop drawn right-to-left or bottom-to-top is the same rectangle; an empty
            // one has no shape to fit and no picture to cut.
            const std::optional<TwipsRect> crop =
                NormalizedCrop(in.cropX, in.cropY, in.cropWidth, in.cropHeight);
            if (!crop) return;
            const TwipsRect box = InsetBox(k.insetLeft, k.insetTop, k.insetSide, *crop);
            page.PaintPicture(in.insetPicture, box.x, box.y, box.width, box.height, crop->x,
                              crop->y, crop->width, crop->height);
        });
    }
    Step([&] { page.EndDoc(); });
}

SheetInputs SheetInputsOf(const CalendarDocument& doc) {
    SheetInputs in;
    in.english = doc.english();
    in.colour = doc.colour();
    in.yearCaption = QString::number(doc.year());
    in.greeting = doc.greetingLines();
    in.greetingFont = doc.greetingFont();
    in.inset = !doc.inset().isNull();
    if (in.inset) in.insetPicture = doc.inset().image;
    const Crop c = doc.insetCrop();
    in.cropX = c.x;
    in.cropY = c.y;
    in.cropWidth = c.width;
    in.cropHeight = c.height;
    return in;
}

void DrawYearSheet(Surface& page, int paper, const CalendarDocument& doc) {
    PrintYearSheet(page, paper, SheetInputsOf(doc), doc.model());
}

namespace {

constexpr double kDocInsetLeft = 6950;
constexpr double kDocInsetTop = 10800;
constexpr double kDocInsetSide = 3000;

void DrawDocumentMonth(Surface& s, const CalendarModel& model, int month, int x, int y,
                       int sheetRow) {
    s.CurrentX = x;
    s.CurrentY = y;
    const int left = x;
    const int lunarLeft = x + 130;
    s.FontSize = 12;
    s.FontBold = false;

    if (sheetRow == 0) {
        s.FontSize = 9;
        s.CurrentX = x + 70;
        for (int d = 1; d <= 7; ++d) {
            s.FontName = QStringLiteral("宋体");
            s.Print(Q(Format(model.WeekdayNamesCn[d - 1], "@@@")), false);
        }
        s.PrintEnd();
        s.PrintEnd();
        s.FontSize = 12;
    }

    s.FontName = QStringLiteral("宋体");
    const QString monthTitle = Q(Format(std::to_string(month), "@@")) + QStringLiteral("月");
    for (int w = 1; w <= 6; ++w) {
        s.CurrentX = left;
        for (int d = 1; d <= 7; ++d) {
            s.FontName = QStringLiteral("宋体");
            s.FontSize = 12;
            if (w == 1 && d == 1) {
                // The title takes the first cell even when day 1 falls on a Monday.
                s.CurrentX = left - 100;
                s.Print(monthTitle, false);
            } else {
                s.Print(Q(Format(model.DayGrid[month][w][d], "@@@")), false);
            }
        }
        s.PrintEnd();
        s.CurrentX = lunarLeft;
        for (int d = 1; d <= 7; ++d) {
            s.FontSize = 6;
            s.FontName = QStringLiteral("黑体");
            s.Print(Q(Format(model.LunarGrid[month][w][d], "@@@")), false);
        }
        s.PrintEnd();
    }
    s.PrintEnd();
}

}  // namespace

void DrawDocumentPicture(PictureBox& s, const CalendarDocument& doc) {
    s.SetBackColor(doc.backgroundColour());
    s.SetPicture(doc.backgroundPicture());
    // Drawing over the last showing would thicken the anti-aliased text and leave a fringe
    // of its old colour; a showing always starts from the bare background.
    s.Cls();
    s.FontSize = 20;
    s.FontBold = true;
    s.FontItalic = false;
    s.ForeColor = doc.dateColour();
    s.FontName = QStringLiteral("仿宋_GB2312");
    s.CurrentX = 750;
    s.CurrentY = 250;
    s.Print(QStringLiteral("    ") + QString::number(doc.year()) + QStringLiteral("年"), true);
    s.PrintEnd();
    s.FontItalic = false;
    s.FontUnderline = false;

    for (int r = 0; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c)
            DrawDocumentMonth(s, doc.model(), 3 * r + c, 1250 + 3000 * (c - 1),
                              750 + 2400 * r + (r > 0 ? 400 : 0), r);

    s.FontSize = 26;
    s.FontBold = true;
    s.FontName = doc.greetingFont();
    s.FontItalic = true;
    s.ForeColor = doc.greetingColour();
    for (const QString& line : doc.greetingLines()) {
        s.CurrentX = 650;
        if (!line.isEmpty()) s.Print(line, true);
    }

    if (doc.inset().isNull()) return;
    const Crop c = doc.insetCrop();
    // A crop drawn right-to-left or bottom-to-top is the same rectangle; an empty one
    // leaves no proportion to keep, so there is no inset.
    const auto crop = NormalizedCrop(c.x, c.y, c.width, c.height);
    if (!crop) return;
    const auto box = InsetBox(kDocInsetLeft, kDocInsetTop, kDocInsetSide, *crop);
    s.PaintPicture(doc.inset().image, box.x, box.y, box.width, box.height, crop->x, crop->y,
                   crop->width, crop->height);
}

}  // namespace orlenda
