#pragma once
// The year sheet: a title, twelve month blocks in four rows of three, the greeting and the
// inset, on one portrait A3 or A4 page. Everything is drawn through a Surface, so the same
// code serves the printer, a PDF file and the layout tests.
#include <QImage>
#include <QString>
#include <array>

#include "core/calendar.h"
#include "graphics/surface.h"

namespace orlenda {

class CalendarDocument;

// What the sheet needs from the windows, gathered by the caller.
struct SheetInputs {
    bool english = false;  // English month and weekday labels
    bool colour = false;   // colour printing
    QString yearCaption;   // the selected year as the main window shows it
    std::array<QString, 4> greeting;
    QString greetingFont;
    bool inset = false;  // an inset picture was chosen
    QImage insetPicture;
    // Source rectangle on the picture, twips at its natural size; may run backwards.
    double cropX = 0, cropY = 0, cropWidth = 0, cropHeight = 0;
};

// Prints one month of model at (x, y); sheetRow 0 adds the weekday header. Failures are
// not caught: a failing operation ends the block.
void PrintMonthBlock(Surface& page, const CalendarModel& model, int month, long x, long y,
                     int sheetRow, bool english, bool colour);

// Prints the greeting lines from the current position down; empty lines take no room.
void prnwrd(Surface& page, const SheetInputs& in);

// Lays out and ends one sheet on page (paper kPaperA3 or kPaperA4). The model must already
// hold the year. A failing step is skipped and the next one runs; the page is still ended.
// savedTitleColor receives the page colour read before the A4 title.
void PrintYearSheet(Surface& page, int paper, const SheetInputs& in, const CalendarModel& model,
                    Colour* savedTitleColor = nullptr);

// The sheet's inputs as the document holds them.
SheetInputs SheetInputsOf(const CalendarDocument& doc);

// The year sheet of doc on page (paper kPaperA3 or kPaperA4), ended.
void DrawYearSheet(Surface& page, int paper, const CalendarDocument& doc);

// The electronic document's picture of doc: cleared to the background (colour, and picture
// when one is used), then the year, the greeting and the inset.
void DrawDocumentPicture(PictureBox& picture, const CalendarDocument& doc);

// The electronic document's picture size in twips (769 x 1000 pixels).
constexpr int kDocumentWidth = 11535;
constexpr int kDocumentHeight = 15000;

}  // namespace orlenda
