// SPDX-License-Identifier: GPL-3.0-or-later
// Sending the year sheet to a printer through CUPS, or to a PDF file.
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

}  // namespace

int DrawSheetOnPrinter(QPrinter& printer, int paper, const YearContent& content,
                       const QList<QPageSize>& papers, int* paperUsed) {
    printer.setPageOrientation(QPageLayout::Portrait);
    UsePrintableArea(printer);
    ListedPaperPage page(&printer, papers);
    DrawYearSheet(page, paper, content);
    if (paperUsed) *paperUsed = page.PaperSize();
    return page.PagesEnded();
}

PrintResult PrintSheetOn(QPrinter& printer, int paper, const YearContent& content) {
    const QString printerName = printer.printerName();
    const QByteArray dest = printerName.section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const QString title = SheetTitle(content.yearCaption);
    if (!printer.isValid()) {
        PrintResult result = Failed(QStringLiteral("打印机“%1”不可用。").arg(printerName));
        result.printer = printerName;
        return result;
    }
    printer.setDocName(title);
    printer.setCreator(QStringLiteral("Orlenda"));

    auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const int before = LatestJobId(dest);
    int paperUsed = 0;
    const int pagesEnded = DrawSheetOnPrinter(
        printer, paper, content, QPrinterInfo(printer).supportedPageSizes(), &paperUsed);
    // Qt hands the file to CUPS while the page ends; its answer is CUPS's last status.
    const CupsAnswer submitted = LastCupsAnswer();
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
    if (!result.detail.isEmpty())
        qCWarning(lcPrint) << "the print system on" << result.printer << "said:" << result.detail;
    return result;
}

bool PrinterLacksPaper(const QPrinterInfo& printer, int paper) {
    return Lacks(printer.supportedPageSizes(), paper);
}

QString NoPrinterQuestion() { return QStringLiteral("未找到打印机。\n是否将年历保存为PDF文件？"); }

QString LacksPaperQuestion(const QString& printer, int paper) {
    return QStringLiteral("打印机“%1”没有%2纸。\n是否将年历保存为PDF文件？")
        .arg(printer, paper == kPaperA3 ? QStringLiteral("A3") : QStringLiteral("A4"));
}

QString ChooseSheetPdfPath(QWidget* parent, const QString& yearCaption) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QString suggested = QDir(folder).filePath(DefaultSheetPdfName(yearCaption));
    const PrintPrompts& prompts = PrintDialogs();
    return prompts.saveFileName ? prompts.saveFileName(parent, QStringLiteral("保存为PDF文件"),
                                                       suggested, QStringLiteral("PDF文件 (*.pdf)"))
                                : QString();
}

PrintResult SaveSheetPdf(QString path, int paper, const YearContent& content) {
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    QString error;
    if (!WriteYearSheetPdf(path, paper, content, &error)) return Failed(error);
    PrintResult result;
    result.status = PrintResult::Status::SavedAsPdf;
    result.pdfPath = path;
    result.paper = paper;
    return result;
}

}  // namespace orlenda
