// Sending the year sheet to the default printer (CUPS) or, without a printer, to a PDF file.
#include <cups/cups.h>

#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "document/calendardocument.h"
#include "output/imagesave.h"
#include "printing/printprompts.h"
#include "printing/yearsheet.h"

namespace orlenda {

namespace {

// How long to watch a new job for an early refusal (a failing filter or backend).
constexpr int kJobWatchMs = 5000;

QString SheetTitle(const SheetInputs& in) {
    return in.yearCaption.trimmed() + QStringLiteral("年历");
}

// Positions count from the top-left of the printable area, so the margins are the printer's
// own (Qt would otherwise add 10 points on every side).
void UsePrintableArea(QPrinter& printer) {
    printer.setPageMargins(printer.pageLayout().minimumMargins(), printer.pageLayout().units());
}

// A printer page that refuses papers the printer does not list, so the printer keeps its
// own paper rather than whatever the driver would substitute.
class ListedPaperPage : public PrinterPage {
  public:
    ListedPaperPage(QPrinter* printer, QList<QPageSize> sizes)
        : PrinterPage(printer), printer_(printer), sizes_(std::move(sizes)) {}

    void SetPaperSize(int size) override {
        const QPageSize::PageSizeId wanted = size == kPaperA3   ? QPageSize::A3
                                             : size == kPaperA4 ? QPageSize::A4
                                                                : QPageSize::Custom;
        if (!sizes_.isEmpty() && std::none_of(sizes_.begin(), sizes_.end(),
                                              [&](const QPageSize& s) { return s.id() == wanted; }))
            throw SurfaceError("the printer lacks this paper");
        PrinterPage::SetPaperSize(size);
        UsePrintableArea(*printer_);
    }

  private:
    QPrinter* printer_;
    QList<QPageSize> sizes_;
};

struct CupsJob {
    int id = 0;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
};

// The highest job number the print system knows for dest, finished jobs included.
int LatestJobId(const QByteArray& dest) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, dest.constData(), 0, CUPS_WHICHJOBS_ALL);
    int latest = 0;
    for (int i = 0; i < n; ++i) latest = std::max(latest, jobs[i].id);
    cupsFreeJobs(n, jobs);
    return latest;
}

// Our job among those newer than after: the one with our title, or else the first new one
// whose title the print system keeps private. listed tells whether the list could be read.
std::optional<CupsJob> FindNewJob(const QByteArray& dest, int after, const QByteArray& title,
                                  bool* listed) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, dest.constData(), 0, CUPS_WHICHJOBS_ALL);
    *listed = n >= 0 && cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
    std::optional<CupsJob> found;
    for (int i = 0; i < n; ++i) {
        if (jobs[i].id <= after) continue;
        const QByteArray t = jobs[i].title ? QByteArray(jobs[i].title) : QByteArray();
        if (t == title || (!found && t.isEmpty())) {
            found = CupsJob{jobs[i].id, jobs[i].state};
            if (t == title) break;
        }
    }
    cupsFreeJobs(n, jobs);
    return found;
}

std::optional<CupsJob> JobById(const QByteArray& dest, int id) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, dest.constData(), 0, CUPS_WHICHJOBS_ALL);
    std::optional<CupsJob> found;
    for (int i = 0; i < n; ++i)
        if (jobs[i].id == id) found = CupsJob{jobs[i].id, jobs[i].state};
    cupsFreeJobs(n, jobs);
    return found;
}

// True when the queue is paused (printer-state 5, "stopped").
bool PrinterStopped(const QByteArray& dest) {
    cups_dest_t* d = cupsGetNamedDest(CUPS_HTTP_DEFAULT, dest.constData(), nullptr);
    if (!d) return false;
    const char* state = cupsGetOption("printer-state", d->num_options, d->options);
    const bool stopped = state && QByteArray(state) == "5";
    cupsFreeDests(1, d);
    return stopped;
}

// Waits ms while the windows go on repainting and answering clicks. False when the wait
// was cut short because the program is ending.
bool PauseResponsive(int ms) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QThread::msleep(ms);
        return true;
    }
    bool waited = false;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, [&] {
        waited = true;
        loop.quit();
    });
    loop.exec();
    return waited;
}

bool CupsFailed(ipp_status_t status) { return status > IPP_STATUS_OK_EVENTS_COMPLETE; }

// Why the print system refused a job, in the user's words; CUPS's own text is English.
QString CupsRefusal(ipp_status_t status) {
    switch (status) {
        case IPP_STATUS_ERROR_FORBIDDEN:
        case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
        case IPP_STATUS_ERROR_NOT_AUTHORIZED:
        case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
            return QStringLiteral("没有使用这台打印机的权限");
        case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
            return QStringLiteral("打印机目前不接受打印作业");
        case IPP_STATUS_ERROR_NOT_FOUND:
        case IPP_STATUS_ERROR_GONE:
            return QStringLiteral("打印系统中没有这台打印机");
        case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
            return QStringLiteral("打印机不能打印这种格式的文件");
        case IPP_STATUS_ERROR_REQUEST_ENTITY:
        case IPP_STATUS_ERROR_CUPS_ACCOUNT_LIMIT_REACHED:
            return QStringLiteral("打印文件太大，或已超出打印限额");
        case IPP_STATUS_ERROR_BAD_REQUEST:
        case IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES:
        case IPP_STATUS_ERROR_CONFLICTING:
            return QStringLiteral("打印机不接受所需的打印设置");
        case IPP_STATUS_ERROR_BUSY:
        case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
        case IPP_STATUS_ERROR_TEMPORARY:
            return QStringLiteral("打印系统暂时不可用，请稍后再试");
        case IPP_STATUS_ERROR_DEVICE:
        case IPP_STATUS_ERROR_PRINTER_IS_DEACTIVATED:
            return QStringLiteral("打印机出了故障");
        default:
            return QStringLiteral("打印系统出错（代码 0x%1）")
                .arg(int(status), 4, 16, QLatin1Char('0'));
    }
}

PrintResult OfferPdf(int paper, const SheetInputs& in, const CalendarModel& model, QWidget* parent,
                     Colour* savedTitleColor) {
    PrintResult result;
    result.status = PrintResult::Status::NotPrinted;
    const PrintPrompts& prompts = PrintDialogs();
    if (!prompts.askYesNo ||
        !prompts.askYesNo(parent, QStringLiteral("未找到打印机。\n是否将年历保存为PDF文件？")))
        return result;

    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QString suggested = QDir(folder).filePath(DefaultSheetPdfName(in.yearCaption));
    QString path = prompts.saveFileName
                       ? prompts.saveFileName(parent, QStringLiteral("保存为PDF文件"), suggested,
                                              QStringLiteral("PDF文件 (*.pdf)"))
                       : QString();
    if (path.isEmpty()) return result;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");

    QString error;
    if (!WriteYearSheetPdf(path, paper, in, model, &error, savedTitleColor)) {
        result.status = PrintResult::Status::Failed;
        result.message = error;
        return result;
    }
    result.status = PrintResult::Status::SavedAsPdf;
    result.pdfPath = path;
    result.paper = paper;
    return result;
}

}  // namespace

QString DefaultSheetPdfName(const QString& yearCaption) {
    QString name = yearCaption.trimmed();
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name + QStringLiteral("年历.pdf");
}

bool WriteYearSheetPdf(const QString& path, int paper, const SheetInputs& in,
                       const CalendarModel& model, QString* error, Colour* savedTitleColor) {
    // Written beside the target and renamed over it only when whole: a write that fails
    // (a full disk, a read-only file) leaves an earlier file as it was.
    auto cannotSave = [&] {
        return QStringLiteral("无法保存文件：") + QDir::toNativeSeparators(path) +
               QLatin1Char('\n') + SaveFailureReason(path);
    };
    const QString failed = WriteWhole(path, [&](QIODevice& file) {
        int pagesEnded = 0;
        {
            QPdfWriter writer(&file);
            writer.setTitle(SheetTitle(in));
            writer.setCreator(QStringLiteral("Orlenda"));
            writer.setResolution(1200);
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            PrinterPage page(&writer);
            PrintYearSheet(page, paper, in, model, savedTitleColor);
            pagesEnded = page.PagesEnded();
        }
        return pagesEnded == 0 || file.size() == 0 ? QStringLiteral("nothing written") : QString();
    });
    if (failed.isEmpty()) return true;
    if (error) *error = cannotSave();
    return false;
}

PrintResult PrintYearSheetToDefaultPrinter(int paper, const SheetInputs& in,
                                           const CalendarModel& model, QWidget* parent,
                                           Colour* savedTitleColor) {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        // Printers but none marked as default: the first one will do.
        const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
        if (!all.isEmpty()) info = all.first();
    }
    if (info.isNull()) return OfferPdf(paper, in, model, parent, savedTitleColor);
    return PrintYearSheetOn(info, paper, in, model, savedTitleColor);
}

PrintResult PrintYearSheetToPrinter(const QString& printerName, int paper, const SheetInputs& in,
                                    const CalendarModel& model, Colour* savedTitleColor) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (info.isNull()) {
        PrintResult result;
        result.status = PrintResult::Status::Failed;
        result.printer = printerName;
        result.message = QStringLiteral("没有名为“%1”的打印机。").arg(printerName);
        return result;
    }
    return PrintYearSheetOn(info, paper, in, model, savedTitleColor);
}

PrintResult PrintYearSheetOn(const QPrinterInfo& info, int paper, const SheetInputs& in,
                             const CalendarModel& model, Colour* savedTitleColor) {
    PrintResult result;
    result.printer = info.printerName();
    const QByteArray dest = info.printerName().section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const QByteArray title = SheetTitle(in).toLocal8Bit();

    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid()) {
        result.status = PrintResult::Status::Failed;
        result.message = QStringLiteral("打印机“%1”不可用。").arg(info.printerName());
        return result;
    }
    printer.setDocName(SheetTitle(in));
    printer.setCreator(QStringLiteral("Orlenda"));
    printer.setPageOrientation(QPageLayout::Portrait);
    UsePrintableArea(printer);

    auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const int before = LatestJobId(dest);
    int pagesEnded = 0;
    ipp_status_t submitStatus = IPP_STATUS_OK;
    QString submitError;
    {
        ListedPaperPage page(&printer, info.supportedPageSizes());
        PrintYearSheet(page, paper, in, model, savedTitleColor);
        pagesEnded = page.PagesEnded();
        // Qt hands the file to CUPS while the page ends; its answer is CUPS's last status.
        submitStatus = cupsLastError();
        submitError = QString::fromLocal8Bit(cupsLastErrorString());
        Step([&] { result.paper = page.PaperSize(); });
    }
    // The job is handed over; watching it keeps nobody waiting.
    restoreCursor.dismiss();
    QGuiApplication::restoreOverrideCursor();
    if (pagesEnded == 0) {
        result.status = PrintResult::Status::Failed;
        result.message = QStringLiteral("打印作业未能开始，年历没有打印。");
        return result;
    }

    bool listed = false;
    std::optional<CupsJob> job = FindNewJob(dest, before, title, &listed);
    if (!job) {
        result.status = PrintResult::Status::Failed;
        if (CupsFailed(submitStatus)) {
            result.message =
                QStringLiteral("打印系统拒绝了打印作业：%1。").arg(CupsRefusal(submitStatus));
            result.detail = submitError;
        } else if (listed) {
            // A job just handed over is still listed, finished or not, unless it never came.
            result.message = QStringLiteral("打印作业没有到达打印系统，年历没有打印。");
        } else {
            // The print system took the job but does not show its jobs: nothing more to know.
            result.status = PrintResult::Status::Printed;
        }
        return result;
    }
    result.jobId = job->id;

    // Watch the job for a while: a filter or backend that fails ends it quickly. A printer
    // that is stopped keeps it waiting, which is no failure but worth saying.
    QElapsedTimer clock;
    clock.start();
    while (job->state < IPP_JSTATE_CANCELED && clock.elapsed() < kJobWatchMs) {
        if (job->state == IPP_JSTATE_PENDING && PrinterStopped(dest)) break;
        if (!PauseResponsive(100)) break;
        if (std::optional<CupsJob> now = JobById(dest, job->id))
            job = now;
        else
            break;  // purged, so it finished
    }
    switch (job->state) {
        case IPP_JSTATE_ABORTED:
        case IPP_JSTATE_CANCELED:
            result.status = PrintResult::Status::Failed;
            result.message =
                QStringLiteral("打印作业 %1 未能完成（被打印系统中止），年历没有打印。")
                    .arg(job->id);
            break;
        case IPP_JSTATE_STOPPED:
            result.status = PrintResult::Status::Failed;
            result.message = QStringLiteral("打印作业 %1 已停止，请检查打印机“%2”。")
                                 .arg(job->id)
                                 .arg(result.printer);
            break;
        case IPP_JSTATE_PENDING:
        case IPP_JSTATE_HELD:
            result.status = PrintResult::Status::Queued;
            if (PrinterStopped(dest))
                result.message = QStringLiteral("打印机“%1”已暂停，打印作业 %2 在队列中等待。")
                                     .arg(result.printer)
                                     .arg(job->id);
            break;
        default:
            result.status = PrintResult::Status::Printed;
            break;
    }
    return result;
}

bool WriteYearSheetPdf(const QString& path, int paper, const CalendarDocument& doc,
                       QString* error) {
    return WriteYearSheetPdf(path, paper, SheetInputsOf(doc), doc.model(), error);
}

PrintResult PrintYearSheetToDefaultPrinter(int paper, const CalendarDocument& doc,
                                           QWidget* parent) {
    return PrintYearSheetToDefaultPrinter(paper, SheetInputsOf(doc), doc.model(), parent);
}

}  // namespace orlenda
