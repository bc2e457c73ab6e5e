// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sending the year sheet somewhere: the default printer, or without one a PDF file.
#include <QImage>
#include <QString>
#include <array>

#include "output/sheetpdf.h"
#include "render/yearrenderer.h"

class QWidget;

namespace orlenda {

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
    QString detail;   // the print system's own words, logged; never shown in a window
    QString printer;  // the queue used
    QString pdfPath;  // the file written when saved as PDF
    int jobId = 0;    // the print system's job number, when known
    int paper = 0;    // the paper read back from the printer
};

// Prints the sheet of doc on the system's default printer, portrait, at high resolution,
// without a dialog. Without any printer it offers to save the sheet as a PDF file instead
// (through PrintPrompts). The caller tells the user result.message when it is not empty.
PrintResult PrintYearSheetToDefaultPrinter(int paper, const CalendarDocument& doc, QWidget* parent);

}  // namespace orlenda
