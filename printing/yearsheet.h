#pragma once
// The year sheet: a title, twelve month blocks in four rows of three, the greeting and the
// inset, on one portrait A3 or A4 page. Everything is drawn through a Surface, so the same
// code serves the printer, a PDF file and the layout tests.
#include <QImage>
#include <QString>
#include <array>

#include "core/calendar.h"
#include "printing/surface.h"

class QPrinterInfo;
class QWidget;

namespace orlenda {

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

// ---- sending the sheet somewhere ----

struct PrintResult {
    enum class Status {
        Printed,     // handed to the print system and not refused by it
        Queued,      // accepted, but waiting (a paused printer, a held job)
        SavedAsPdf,  // no printer: the user saved the sheet as a PDF file
        NotPrinted,  // no printer and the user declined to save
        Failed,      // the job could not be made or the print system refused it
    };
    Status status = Status::NotPrinted;
    QString message;  // what the user should be told; empty when nothing went wrong
    QString detail;   // the print system's own words, for a log; never shown in a window
    QString printer;  // the queue used
    QString pdfPath;  // the file written when saved as PDF
    int jobId = 0;    // the print system's job number, when known
    int paper = 0;    // the paper read back from the printer
};

// Writes the sheet into a PDF file. False (with error) when the file cannot be written.
bool WriteYearSheetPdf(const QString& path, int paper, const SheetInputs& in,
                       const CalendarModel& model, QString* error = nullptr,
                       Colour* savedTitleColor = nullptr);

// Prints the sheet on the system's default printer, portrait, at high resolution, without a
// dialog. Without any printer it offers to save the sheet as a PDF file instead (through
// PrintPrompts). The caller tells the user result.message when it is not empty.
PrintResult PrintYearSheetToDefaultPrinter(int paper, const SheetInputs& in,
                                           const CalendarModel& model, QWidget* parent,
                                           Colour* savedTitleColor = nullptr);

// Prints the sheet on the named print queue, as above but without offering a PDF file: an
// unknown queue fails.
PrintResult PrintYearSheetToPrinter(const QString& printerName, int paper, const SheetInputs& in,
                                    const CalendarModel& model, Colour* savedTitleColor = nullptr);
// Prints the sheet on the given printer (both functions above end here).
PrintResult PrintYearSheetOn(const QPrinterInfo& info, int paper, const SheetInputs& in,
                             const CalendarModel& model, Colour* savedTitleColor = nullptr);

// The file name offered when saving the sheet of a year, e.g. "2008年历.pdf".
QString DefaultSheetPdfName(const QString& yearCaption);

}  // namespace orlenda
