// SPDX-License-Identifier: GPL-3.0-or-later
// Sending the year sheet to the default printer (CUPS) or, without a printer, to a PDF file.
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <algorithm>

#include "graphics/logging.h"
#include "output/cupsjob.h"
#include "printing/printprompts.h"
#include "printing/yearsheet.h"

namespace orlenda {

namespace {

// Positions count from the top-left of the printable area, so the margins are the printer's
// own (Qt would otherwise add 10 points on every side).
void UsePrintableArea(QPrinter& printer) {
    printer.setPageMargins(printer.pageLayout().minimumMargins(), printer.pageLayout().units());
}

// True when sizes, the papers a printer lists, leave out paper (a printer that lists none
// is taken to have it).
bool Lacks(const QList<QPageSize>& sizes, int paper) {
    const QPageSize::PageSizeId wanted = paper == kPaperA3   ? QPageSize::A3
                                         : paper == kPaperA4 ? QPageSize::A4
                                                             : QPageSize::Custom;
    return !sizes.isEmpty() && std::none_of(sizes.begin(), sizes.end(),
                                            [&](const QPageSize& s) { return s.id() == wanted; });
}

// A printer page that refuses papers the printer does not list, so the printer keeps its
// own paper rather than whatever the driver would substitute.
class ListedPaperPage : public PrinterPage {
  public:
    ListedPaperPage(QPrinter* printer, QList<QPageSize> sizes)
        : PrinterPage(printer), printer_(printer), sizes_(std::move(sizes)) {}

    void SetPaperSize(int size) override {
        if (Lacks(sizes_, size)) throw SurfaceError("the printer lacks this paper");
        PrinterPage::SetPaperSize(size);
        UsePrintableArea(*printer_);
    }

  private:
    QPrinter* printer_;
    QList<QPageSize> sizes_;
};

PrintResult Failed(const QString& message) {
    PrintResult result;
    result.status = PrintResult::Status::Failed;
    result.message = message;
    return result;
}

// Asks question (whether to save a PDF file instead) and saves the sheet where the user says.
PrintResult OfferPdf(int paper, const YearContent& content, QWidget* parent,
                     const QString& question) {
    PrintResult result;
    result.status = PrintResult::Status::NotPrinted;
    const PrintPrompts& prompts = PrintDialogs();
    if (!prompts.askYesNo || !prompts.askYesNo(parent, question)) return result;

    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QString suggested = QDir(folder).filePath(DefaultSheetPdfName(content.yearCaption));
    QString path = prompts.saveFileName
                       ? prompts.saveFileName(parent, QStringLiteral("保存为PDF文件"), suggested,
                                              QStringLiteral("PDF文件 (*.pdf)"))
                       : QString();
    if (path.isEmpty()) return result;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");

    QString error;
    if (!WriteYearSheetPdf(path, paper, content, &error)) return Failed(error);
    result.status = PrintResult::Status::SavedAsPdf;
    result.pdfPath = path;
    result.paper = paper;
    return result;
}

PrintResult ResultOf(const JobOutcome& job, const QString& printer) {
    PrintResult result;
    result.printer = printer;
    result.jobId = job.jobId;
    result.message = job.message;
    result.detail = job.detail;
    switch (job.state) {
        case JobOutcome::State::Printed:
            result.status = PrintResult::Status::Printed;
            break;
        case JobOutcome::State::Queued:
            result.status = PrintResult::Status::Queued;
            break;
        case JobOutcome::State::Failed:
            result.status = PrintResult::Status::Failed;
            break;
    }
    return result;
}

PrintResult PrintOn(const QPrinterInfo& info, int paper, const YearContent& content) {
    const QString printerName = info.printerName();
    const QByteArray dest = printerName.section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const QString title = SheetTitle(content.yearCaption);

    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid()) {
        PrintResult result = Failed(QStringLiteral("打印机“%1”不可用。").arg(printerName));
        result.printer = printerName;
        return result;
    }
    printer.setDocName(title);
    printer.setCreator(QStringLiteral("Orlenda"));
    printer.setPageOrientation(QPageLayout::Portrait);
    UsePrintableArea(printer);

    auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const int before = LatestJobId(dest);
    int pagesEnded = 0, paperUsed = 0;
    CupsAnswer submitted;
    {
        ListedPaperPage page(&printer, info.supportedPageSizes());
        DrawYearSheet(page, paper, content);
        pagesEnded = page.PagesEnded();
        // Qt hands the file to CUPS while the page ends; its answer is CUPS's last status.
        submitted = LastCupsAnswer();
        paperUsed = page.PaperSize();
    }
    // The job is handed over; watching it keeps nobody waiting.
    restoreCursor.dismiss();
    QGuiApplication::restoreOverrideCursor();

    PrintResult result;
    if (pagesEnded == 0) {
        result = Failed(QStringLiteral("打印作业未能开始，年历没有打印。"));
    } else {
        bool listed = false;
        if (const std::optional<int> job = FindNewJob(dest, before, title.toLocal8Bit(), &listed)) {
            result = ResultOf(WatchJob(dest, printerName, *job), printerName);
        } else if (submitted.failed()) {
            result =
                Failed(QStringLiteral("打印系统拒绝了打印作业：%1。").arg(submitted.refusal()));
            result.detail = submitted.text;
        } else if (listed) {
            // A job just handed over is still listed, finished or not, unless it never came.
            result = Failed(QStringLiteral("打印作业没有到达打印系统，年历没有打印。"));
        } else {
            // The print system took the job but does not show its jobs: nothing more to know.
            result.status = PrintResult::Status::Printed;
        }
    }
    result.printer = printerName;
    result.paper = paperUsed;
    return result;
}

PrintResult PrintToDefaultPrinter(int paper, const YearContent& content, QWidget* parent) {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        // Printers but none marked as default: the first one will do.
        const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
        if (!all.isEmpty()) info = all.first();
    }
    if (info.isNull())
        return OfferPdf(paper, content, parent,
                        QStringLiteral("未找到打印机。\n是否将年历保存为PDF文件？"));
    // A printer without the paper would print the sheet cut or shrunk: the user chooses first.
    if (Lacks(info.supportedPageSizes(), paper)) {
        PrintResult result =
            OfferPdf(paper, content, parent,
                     QStringLiteral("打印机“%1”没有%2纸。\n是否将年历保存为PDF文件？")
                         .arg(info.printerName(),
                              paper == kPaperA3 ? QStringLiteral("A3") : QStringLiteral("A4")));
        result.printer = info.printerName();
        return result;
    }
    const PrintResult result = PrintOn(info, paper, content);
    if (!result.detail.isEmpty())
        qCWarning(lcPrint) << "the print system on" << result.printer << "said:" << result.detail;
    return result;
}

}  // namespace

PrintResult PrintYearSheetToDefaultPrinter(int paper, const CalendarDocument& doc,
                                           QWidget* parent) {
    return PrintToDefaultPrinter(paper, SheetContentOf(doc), parent);
}

}  // namespace orlenda
