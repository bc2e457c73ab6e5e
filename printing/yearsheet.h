// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sending the year sheet somewhere: a printer chosen by the user, or a PDF file.
#include <QImage>
#include <QList>
#include <QPageSize>
#include <QString>
#include <array>

#include "output/sheetpdf.h"
#include "render/yearrenderer.h"

class QPrinter;
class QPrinterInfo;
class QWidget;

namespace orlenda {

struct PrintResult {
    enum class Status {
        Printed,     // handed to the print system and not refused by it
        Queued,      // accepted, but waiting (a paused printer, a held job)
        SavedAsPdf,  // the user saved the sheet as a PDF file
        NotPrinted,  // nothing came out, and nothing went wrong
        Failed,      // the job or the file could not be made, or the print system refused it
    };
    Status status = Status::NotPrinted;
    QString message;  // what the user should be told; empty when nothing went wrong
    QString detail;   // the print system's own words, logged; never shown in a window
    QString printer;  // the queue used
    QString pdfPath;  // the file written when saved as PDF
    int jobId = 0;    // the print system's job number, when known
    int paper = 0;    // the paper read back from the printer
};

// The sheet drawn on printer, portrait, positions counted from the printable area: the one
// drawing of the preview and of the print job. A paper missing from papers (when that lists
// any) leaves the printer's own. Returns the pages ended; paperUsed gets the paper read back.
int DrawSheetOnPrinter(QPrinter& printer, int paper, const YearContent& content,
                       const QList<QPageSize>& papers, int* paperUsed = nullptr);

// Prints the sheet on printer (as the print dialog left it) through CUPS and watches the job
// for a few seconds while the windows go on answering.
PrintResult PrintSheetOn(QPrinter& printer, int paper, const YearContent& content);

// True when printer lists its papers and paper (kPaperA3, kPaperA4) is not among them.
bool PrinterLacksPaper(const QPrinterInfo& printer, int paper);

// The questions that offer a PDF file instead of printing.
QString NoPrinterQuestion();
QString LacksPaperQuestion(const QString& printer, int paper);

// Asks where to save the sheet of yearCaption as PDF (suggesting a name in the documents
// folder); empty when the user cancels.
QString ChooseSheetPdfPath(QWidget* parent, const QString& yearCaption);
// Writes the sheet to path (".pdf" added when missing), whole or not at all.
PrintResult SaveSheetPdf(QString path, int paper, const YearContent& content);

}  // namespace orlenda
