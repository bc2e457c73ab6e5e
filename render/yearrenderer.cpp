// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/yearrenderer.h"

#include <algorithm>
#include <cmath>

#include "core/textconv.h"
#include "graphics/inset.h"
#include "graphics/logging.h"
#include "render/monthrenderer.h"
#include "render/yearlayout.h"

namespace orlenda {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Fmt(const std::string& text, const char* pattern) { return Q(Format(text, pattern)); }

void SetFace(Surface& s, const char* face) {
    if (*face) s.FontName = QString::fromUtf8(face);
}

void SetInk(Surface& s, const std::optional<Colour>& ink) {
    if (ink) s.ForeColor = *ink;
}

// Throws SurfaceError when a layout that follows the paper meets a paper it cannot read.
PaperMetrics MetricsOn(const Surface& page, const YearLayout& layout) {
    if (layout.metrics) return *layout.metrics;
    switch (page.PaperSize()) {
        case kPaperA3:
            return kA3Metrics;
        case kPaperA4:
            return kA4Metrics;
        default:
            return kOtherPaperMetrics;
    }
}

// The title; returns the colour the page had before it, which the title takes back.
Colour drawTitle(Surface& page, const YearLayout& layout, const YearContent& content,
                 const Inks& inks) {
    page.FontSize = layout.titleSize;
    page.FontBold = true;
    page.FontItalic = layout.titleItalic;
    page.FontUnderline = layout.titleUnderline;
    SetFace(page, layout.titleFace);
    SetInk(page, inks.text);
    page.CurrentX = layout.titleX;
    page.CurrentY = layout.titleY;
    const Colour before = page.ForeColor;
    SetInk(page, inks.title);
    try {
        page.Print(
            QString::fromUtf8(layout.titlePrefix) + content.yearCaption + QStringLiteral("年"),
            true);
        page.PrintEnd();
    } catch (const SurfaceError& e) {
        qCWarning(lcRender) << "the title is not drawn:" << e.what();
    }
    page.ForeColor = before;
    page.FontItalic = false;
    page.FontUnderline = false;
    return before;
}

// One month at (x, y); sheetRow 0 adds the weekday header. Throws SurfaceError when the
// page fails, which ends the block where it is.
void drawMonthBlock(Surface& page, const YearLayout& layout, const YearContent& content,
                    const Inks& inks, int month, long x, long y, int sheetRow) {
    const CalendarModel& model = *content.model;
    page.CurrentX = x;
    page.CurrentY = y;
    const Colour before = page.ForeColor;
    page.FontBold = false;
    const PaperMetrics m = MetricsOn(page, layout);
    const bool english = layout.followsLanguage && content.english;
    page.FontSize = m.daySize;

    if (sheetRow == 0) {
        page.FontSize = m.headerSize;
        page.CurrentX = x + (english ? m.englishHeaderIndent : m.headerIndent);
        SetInk(page, inks.header);
        for (int d = 1; d <= 7; ++d) {
            SetFace(page, layout.headerFace);
            page.Print(english ? Fmt(model.WeekdayNamesEn[d - 1], "@@")
                               : Fmt(model.WeekdayNamesCn[d - 1], "@@@"),
                       false);
        }
        page.ForeColor = before;
        page.PrintEnd();
        page.PrintEnd();
        page.FontSize = m.daySize;
    }

    const QString title = english ? Q(model.MonthNamesEn[month - 1]) + QLatin1Char(' ')
                                  : Fmt(DecimalText(month), "@@") + QStringLiteral("月");
    const int shift = FirstWeekRow(model, month) - 1;
    const std::string noDay(3, ' '), noLunar(6, ' ');
    for (int w = 1; w <= 6; ++w) {
        const int week = w - shift;  // 0: the title's own row
        page.CurrentX = x;
        for (int d = 1; d <= 7; ++d) {
            SetFace(page, layout.dayFace);
            page.FontSize = m.daySize;
            if (w == 1 && d == 1) {
                // The first cell carries the month's title; FirstWeekRow keeps day 1 clear of it.
                page.CurrentX = x - 100;
                SetInk(page, inks.monthTitle);
                page.Print(title, false);
                page.ForeColor = before;
            } else {
                page.Print(Fmt(week >= 1 ? model.DayGrid[month][week][d] : noDay, "@@@"), false);
            }
        }
        page.PrintEnd();
        page.CurrentX = x + m.lunarIndent;
        SetInk(page, inks.lunar);
        for (int d = 1; d <= 7; ++d) {
            page.FontSize = m.lunarSize;
            SetFace(page, layout.lunarFace);
            page.Print(Fmt(week >= 1 ? model.LunarGrid[month][week][d] : noLunar, "@@@"), false);
        }
        page.ForeColor = before;
        page.PrintEnd();
    }
    page.PrintEnd();
}

// True when the inset will be drawn: chosen, read, and cut by a crop that is not empty.
bool InsetDrawn(const YearContent& content) {
    const Crop& c = content.insetCrop;
    return content.insetChosen && !content.inset.isNull() &&
           NormalizedCrop(c.x, c.y, c.width, c.height).has_value();
}

// Where a greeting line may end at the latest: right, or the inset's left edge while one is drawn.
double GreetingEnd(double right, const YearLayout& layout, const YearContent& content) {
    return InsetDrawn(content) ? std::min(right, layout.insetLeft) : right;
}

// A line in the greeting's style, in a size that fits room, its baseline about where the full
// size would have it; the position then goes one full line down, as after a full-size line.
void printShrunk(Surface& page, const QString& line, double room) {
    const double y = page.CurrentY, height = page.TextHeight();
    double size = std::max(1.0, kGreetingSize * room / page.TextWidth(line));
    page.FontSize = size;
    // Hinting keeps widths from scaling exactly with the size.
    while (page.TextWidth(line) > room && size > 1) page.FontSize = size *= 0.98;
    page.CurrentY = y + (height - page.TextHeight()) * 220 / 256;
    page.Print(line, false);
    page.FontSize = kGreetingSize;
    page.CurrentX = 0;
    page.CurrentY = y + height;
}

void setGreetingStyle(Surface& page, const QString& face) {
    page.FontName = face;
    page.FontSize = kGreetingSize;
    page.FontBold = true;
    page.FontItalic = true;
}

// The greeting lines from the current line down; empty lines take no room.
void drawGreeting(Surface& page, const YearLayout& layout, const YearContent& content,
                  const Inks& inks) {
    double left = kUnreadPaperGreetingLeft, right = kUnreadPaperGreetingRight;
    try {
        const PaperMetrics m = MetricsOn(page, layout);
        left = m.greetingLeft;
        right = m.greetingRight;
    } catch (const SurfaceError& e) {
        qCWarning(lcRender) << "the paper cannot be read, the greeting goes where A3 has it:"
                            << e.what();
    }
    right = GreetingEnd(right, layout, content);
    setGreetingStyle(page, content.greetingFont);
    SetInk(page, inks.greeting);
    try {
        for (const QString& line : content.greeting) {
            page.CurrentX = left;
            if (line.isEmpty()) continue;
            if (left + page.TextWidth(line) <= right)
                page.Print(line, true);
            else
                printShrunk(page, line, right - left);
        }
    } catch (const SurfaceError& e) {
        qCWarning(lcRender) << "the greeting is not drawn whole:" << e.what();
    }
}

void drawInset(Surface& page, const YearLayout& layout, const YearContent& content) {
    if (!content.insetChosen) return;
    if (content.inset.isNull()) {
        qCWarning(lcRender) << "the inset is left out: its picture could not be read";
        return;
    }
    // A crop drawn right-to-left or bottom-to-top is the same rectangle; an empty one has no
    // shape to fit and no picture to cut.
    const Crop& c = content.insetCrop;
    const std::optional<TwipsRect> crop = NormalizedCrop(c.x, c.y, c.width, c.height);
    if (!crop) return;
    const TwipsRect box = InsetBox(layout.insetLeft, layout.insetTop, layout.insetSide, *crop);
    try {
        page.PaintPicture(content.inset, box.x, box.y, box.width, box.height, crop->x, crop->y,
                          crop->width, crop->height);
    } catch (const SurfaceError& e) {
        qCWarning(lcRender) << "the inset is not drawn:" << e.what();
    }
}

// Title, blocks, greeting and inset: the one drawing of every layout.
void drawYear(Surface& page, const YearLayout& layout, const YearContent& content,
              const Inks& inks) {
    const Surface::TextBatch batch(page);
    const Colour before = drawTitle(page, layout, content, inks);
    if (!content.model) qCWarning(lcRender) << "no calendar model: the months are left out";
    for (int r = 0; r <= 3 && content.model; ++r) {
        for (int c = 1; c <= 3; ++c) {
            const int month = 3 * r + c;
            const long x = std::lround(layout.blocksLeft + (c - 1) * layout.columnStep);
            const long y =
                std::lround(layout.blocksTop + r * layout.rowStep + (r > 0 ? layout.rowDrop : 0));
            try {
                drawMonthBlock(page, layout, content, inks, month, x, y, r);
            } catch (const SurfaceError& e) {
                qCWarning(lcRender) << "month" << month << "is not drawn whole:" << e.what();
            }
        }
    }
    if (layout.lineAfterBlocks) page.PrintEnd();
    drawGreeting(page, layout, content, inks);
    if (layout.inkBackAfterGreeting) page.ForeColor = before;
    drawInset(page, layout, content);
}

// Measures text in the page's way, at 1440 dots per inch.
class MeasuringSurface : public Surface {
  protected:
    QPainter& painter() override { return painter_; }
    double scale() const override { return 1; }

  private:
    QImage image_{8, 8, QImage::Format_RGB32};
    QPainter painter_{&image_};
};

}  // namespace

double GreetingRoom(YearOutput output, const CalendarDocument& doc) {
    const YearLayout& layout = output == YearOutput::A3Sheet   ? kA3SheetLayout
                               : output == YearOutput::A4Sheet ? kA4SheetLayout
                                                               : kDocumentLayout;
    const PaperMetrics m = layout.metrics                  ? *layout.metrics
                           : output == YearOutput::A3Sheet ? kA3Metrics
                                                           : kA4Metrics;
    return GreetingEnd(m.greetingRight, layout, SheetContentOf(doc)) - m.greetingLeft;
}

double GreetingWidth(const QString& line, const QString& face) {
    MeasuringSurface s;
    setGreetingStyle(s, face);
    return s.TextWidth(line);
}

YearContent SheetContentOf(const CalendarDocument& doc) {
    YearContent c;
    c.model = &doc.model();
    c.yearCaption = QString::number(doc.year());
    c.english = doc.english();
    c.colour = doc.colour();
    c.greeting = doc.greetingLines();
    c.greetingFont = doc.greetingFont();
    c.insetChosen = !doc.inset().isNull();
    c.inset = doc.inset().image;
    c.insetCrop = doc.insetCrop();
    return c;
}

void DrawYearSheet(Surface& page, int paper, const YearContent& content) {
    const YearLayout& layout = paper == kPaperA3 ? kA3SheetLayout : kA4SheetLayout;
    try {
        page.SetPaperSize(paper);
    } catch (const SurfaceError& e) {
        qCWarning(lcPrint) << "the sheet goes on the printer's own paper:" << e.what();
    }
    page.SetPrintQuality(kQualityHigh);
    drawYear(page, layout, content, content.colour ? layout.colourInks : Inks{});
    try {
        page.EndDoc();
    } catch (const SurfaceError& e) {
        qCWarning(lcPrint) << "the sheet's page did not end:" << e.what();
    }
}

void DrawYearSheet(Surface& page, int paper, const CalendarDocument& doc) {
    DrawYearSheet(page, paper, SheetContentOf(doc));
}

void DrawDocumentPicture(PictureBox& picture, const CalendarDocument& doc) {
    picture.SetBackColor(doc.backgroundColour());
    picture.SetPicture(doc.backgroundPicture());
    // Drawing over the last showing would thicken the anti-aliased text and leave a fringe
    // of its old colour; a showing always starts from the bare background.
    picture.Cls();
    YearContent content = SheetContentOf(doc);
    const Inks inks{.text = doc.dateColour(), .greeting = doc.greetingColour()};
    drawYear(picture, kDocumentLayout, content, inks);
}

}  // namespace orlenda
