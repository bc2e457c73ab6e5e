#pragma once
// The year sheet: a title, twelve month blocks in four rows of three, the greeting and the
// inset, on one portrait A3 or A4 page. Everything is drawn through a Surface, so the same
// code serves the printer, a PDF file and the layout tests.
#include <QImage>
#include <QString>
#include <array>

#include "render/yearrenderer.h"

class QPrinterInfo;
class QWidget;

namespace orlenda {

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

// The same for the choices of a document.
bool WriteYearSheetPdf(const QString& path, int paper, const CalendarDocument& doc,
                       QString* error = nullptr);
PrintResult PrintYearSheetToDefaultPrinter(int paper, const CalendarDocument& doc, QWidget* parent);

// The file name offered when saving the sheet of a year, e.g. "2008年历.pdf".
QString DefaultSheetPdfName(const QString& yearCaption);

}  // namespace orlenda
