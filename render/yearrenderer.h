// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The year: a title, twelve month blocks in four rows of three, the greeting and the inset,
// drawn by one code for the A3 sheet, the A4 sheet and the electronic document's picture
// (their differences are render/yearlayout.h). Everything is drawn through a Surface, so the
// same code serves the printer, a PDF file, the picture and the layout tests.
#include <QImage>
#include <QString>

#include "core/calendar.h"
#include "document/calendardocument.h"
#include "graphics/surface.h"

namespace orlenda {

// What the sheet shows, as a document holds it at the time of drawing.
struct YearContent {
    const CalendarModel* model = nullptr;  // of the year shown; never null when drawn
    QString yearCaption;                   // the year as the title shows it
    bool english = false;                  // English month and weekday labels
    bool colour = false;                   // the sheet's colours, else the page's colour
    GreetingLines greeting;
    QString greetingFont;
    bool insetChosen = false;
    QImage inset;    // the chosen picture; null when it could not be read
    Crop insetCrop;  // of the inset, may run backwards
};

YearContent SheetContentOf(const CalendarDocument& doc);

// The year sheet on page (paper kPaperA3 or kPaperA4), ended. A paper the page refuses
// leaves the page's own; a part that cannot be drawn is logged and the rest still drawn.
void DrawYearSheet(Surface& page, int paper, const YearContent& content);
void DrawYearSheet(Surface& page, int paper, const CalendarDocument& doc);

// The electronic document's picture of doc: cleared to the background (colour, and picture
// when one is used), then the year in the document's colours, the greeting and the inset.
void DrawDocumentPicture(PictureBox& picture, const CalendarDocument& doc);

// The greeting's lines stand at their full size where they fit; a line wider than its room is
// drawn in a smaller size that fits (keeping the person's line as one line, and the greeting's
// place on the page). The room runs to the paper's edge less a margin, and to the inset's left
// edge while an inset is drawn.
enum class YearOutput { A3Sheet, A4Sheet, Document };
// The room of a greeting line on output in twips, for what doc holds now (a sheet on a printer
// that has its paper).
double GreetingRoom(YearOutput output, const CalendarDocument& doc);
// The width of line drawn as a greeting in face at its full size, in twips.
double GreetingWidth(const QString& line, const QString& face);

// The electronic document's picture size in twips (769 x 1000 pixels).
constexpr int kDocumentWidth = 11535;
constexpr int kDocumentHeight = 15000;

}  // namespace orlenda
