// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/cupsjob.h"

#include <cups/cups.h>
#include <dlfcn.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "graphics/logging.h"

namespace orlenda {

namespace {

// libcups is opened at its first use instead of being linked: linked, it and what it brings
// (gnutls, Kerberos, Avahi) were loaded and relocated at every start, printing or not.
// clang-format off
#define ORLENDA_CUPS_FUNCTIONS(F)                                                                  \
    F(cupsCancelJob2) F(cupsCopyDestInfo) F(cupsCreateJob) F(cupsDoRequest)                        \
    F(cupsFinishDocument) F(cupsFreeDests) F(cupsFreeDestInfo) F(cupsFreeJobs)                     \
    F(cupsGetDestMediaByIndex) F(cupsGetDestMediaCount) F(cupsGetDestMediaDefault) F(cupsGetJobs2) \
    F(cupsGetNamedDest) F(cupsGetOption) F(cupsLastError) F(cupsLastErrorString)                   \
    F(cupsStartDocument) F(cupsUser) F(cupsWriteRequestData) F(httpAssembleURIf)                   \
    F(ippAddString) F(ippAddStrings) F(ippDelete) F(ippFindAttribute)                              \
    F(ippGetCount) F(ippGetInteger) F(ippGetString) F(ippNewRequest)
// clang-format on

constexpr char kCupsLibrary[] = "libcups.so.2";

struct CupsLibrary {
#define ORLENDA_CUPS_POINTER(name) decltype(&::name) name = nullptr;
    ORLENDA_CUPS_FUNCTIONS(ORLENDA_CUPS_POINTER)
#undef ORLENDA_CUPS_POINTER
    QString error;  // why it cannot be used; empty when it can
};

CupsLibrary OpenCups() {
    CupsLibrary lib;
    // Never closed: the print system's connections and its threads live in it.
    void* handle = dlopen(kCupsLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        lib.error = QString::fromLocal8Bit(dlerror());
    } else {
#define ORLENDA_CUPS_SYMBOL(name)                                             \
    if (lib.error.isEmpty()) {                                                \
        lib.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
        if (!lib.name) lib.error = QString::fromLocal8Bit(dlerror());         \
    }
        ORLENDA_CUPS_FUNCTIONS(ORLENDA_CUPS_SYMBOL)
#undef ORLENDA_CUPS_SYMBOL
    }
    if (!lib.error.isEmpty()) qCWarning(lcPrint) << "the print system cannot be used:" << lib.error;
    return lib;
}

// Callers check PrintSystemUnavailable() first.
const CupsLibrary& Cups() {
    static const CupsLibrary lib = OpenCups();
    return lib;
}

// How long to watch a new job for an early refusal (a failing filter or backend).
constexpr int kJobWatchMs = 5000;

// The jobs the print system knows for dest, finished ones included.
template <class F>
void ForEachJob(const QByteArray& dest, F&& f, bool* listed = nullptr) {
    if (listed) *listed = false;
    if (!PrintSystemUnavailable().isEmpty()) return;
    cups_job_t* jobs = nullptr;
    const int n =
        Cups().cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, dest.constData(), 0, CUPS_WHICHJOBS_ALL);
    if (listed) *listed = n >= 0 && Cups().cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
    for (int i = 0; i < n; ++i)
        if (!f(jobs[i])) break;
    Cups().cupsFreeJobs(n, jobs);
}

// What the print system says of one job.
struct JobStatus {
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    bool started = false;  // it was sent to the printer at least once
    QString message;       // job-printer-state-message: the printer's (backend's) last words
    QStringList reasons;   // job-state-reasons
};

// None when the print system cannot tell; gone says whether that is because the job is gone.
std::optional<JobStatus> ReadJob(int id, bool* gone) {
    char uri[HTTP_MAX_URI];
    Cups().httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                            "/jobs/%d", id);
    ipp_t* request = Cups().ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                        Cups().cupsUser());
    static const char* const wanted[] = {"job-state", "job-state-reasons",
                                         "job-printer-state-message", "time-at-processing"};
    Cups().ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                         int(std::size(wanted)), nullptr, wanted);
    ipp_t* response = Cups().cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    *gone = Cups().cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
    std::optional<JobStatus> status;
    if (response && Cups().cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE) {
        status.emplace();
        if (ipp_attribute_t* a = Cups().ippFindAttribute(response, "job-state", IPP_TAG_ENUM))
            status->state = ipp_jstate_t(Cups().ippGetInteger(a, 0));
        if (ipp_attribute_t* a =
                Cups().ippFindAttribute(response, "time-at-processing", IPP_TAG_INTEGER))
            status->started = Cups().ippGetInteger(a, 0) > 0;
        if (ipp_attribute_t* a =
                Cups().ippFindAttribute(response, "job-printer-state-message", IPP_TAG_TEXT))
            status->message = QString::fromUtf8(Cups().ippGetString(a, 0, nullptr)).trimmed();
        if (ipp_attribute_t* a =
                Cups().ippFindAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD))
            for (int i = 0; i < Cups().ippGetCount(a); ++i)
                status->reasons << QString::fromUtf8(Cups().ippGetString(a, i, nullptr));
    }
    Cups().ippDelete(response);
    return status;
}

// Why a job did not print, in the user's words: the printer's own when it gave any.
QString Why(const JobStatus& job) {
    if (!job.message.isEmpty()) return job.message;
    static const std::pair<const char*, const char*> known[] = {
        {"job-canceled-at-device", "打印机取消了打印作业"},
        {"job-canceled-by-user", "打印作业被取消"},
        {"job-canceled-by-operator", "打印作业被管理员取消"},
        {"document-format-error", "打印机无法处理打印文件"},
        {"document-unprintable-error", "打印机无法处理打印文件"},
        {"resources-are-not-ready", "打印机没有准备好"},
    };
    for (const auto& [keyword, words] : known)
        if (job.reasons.contains(QLatin1String(keyword))) return QString::fromUtf8(words);
    return QStringLiteral("被打印系统中止");
}

// True when the queue is paused (printer-state 5, "stopped").
bool PrinterStopped(const QByteArray& dest) {
    cups_dest_t* d = Cups().cupsGetNamedDest(CUPS_HTTP_DEFAULT, dest.constData(), nullptr);
    if (!d) return false;
    const char* state = Cups().cupsGetOption("printer-state", d->num_options, d->options);
    const bool stopped = state && QByteArray(state) == "5";
    Cups().cupsFreeDests(1, d);
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

QPageSize PageSizeOf(const cups_size_t& size) {
    return QPageSize(QSizeF(size.width / 100.0, size.length / 100.0), QPageSize::Millimeter);
}

JobOutcome Refused(const CupsAnswer& answer) {
    JobOutcome out;
    out.message = QStringLiteral("打印系统拒绝了打印作业：%1。").arg(answer.refusal());
    out.detail = answer.text;
    return out;
}

}  // namespace

bool CupsAnswer::failed() const { return status > IPP_STATUS_OK_EVENTS_COMPLETE; }

QString CupsAnswer::refusal() const {
    switch (ipp_status_t(status)) {
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
            return QStringLiteral("打印系统出错（代码 0x%1）").arg(status, 4, 16, QLatin1Char('0'));
    }
}

QString PrintSystemUnavailable() {
    const QString& error = Cups().error;
    if (error.isEmpty()) return {};
    return QStringLiteral("无法使用打印系统：程序库 %1 不能载入（%2）。")
        .arg(QLatin1String(kCupsLibrary), error);
}

CupsAnswer LastCupsAnswer() {
    if (!Cups().error.isEmpty()) return {IPP_STATUS_ERROR_INTERNAL, PrintSystemUnavailable()};
    return {int(Cups().cupsLastError()), QString::fromLocal8Bit(Cups().cupsLastErrorString())};
}

std::optional<PrintQueue> FindPrintQueue(const QString& name) {
    const QByteArray queue = name.section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const QByteArray instance = name.section(QLatin1Char('/'), 1).toLocal8Bit();
    if (queue.isEmpty() || !PrintSystemUnavailable().isEmpty()) return std::nullopt;
    cups_dest_t* dest = Cups().cupsGetNamedDest(
        CUPS_HTTP_DEFAULT, queue.constData(), instance.isEmpty() ? nullptr : instance.constData());
    if (!dest) return std::nullopt;
    PrintQueue q{name, {}, QPageSize(QPageSize::A4)};
    if (cups_dinfo_t* info = Cups().cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
        cups_size_t size;
        const int n =
            Cups().cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
        for (int i = 0; i < n; ++i)
            if (Cups().cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, dest, info, i,
                                               CUPS_MEDIA_FLAGS_DEFAULT, &size))
                q.papers << PageSizeOf(size);
        if (Cups().cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT,
                                           &size))
            q.ownPaper = PageSizeOf(size);
        Cups().cupsFreeDestInfo(info);
        qCDebug(lcPrint) << name << "has" << q.papers << "and prints on" << q.ownPaper;
    } else {
        qCWarning(lcPrint) << "the papers of" << name << "are unknown:" << LastCupsAnswer().text;
    }
    Cups().cupsFreeDests(1, dest);
    return q;
}

JobOutcome PrintPdf(const PrintQueue& queue, const QString& title, const QByteArray& pdf,
                    const QPageSize& paper) {
    const QByteArray dest = queue.name.section(QLatin1Char('/'), 0, 0).toLocal8Bit();
    const QByteArray name = title.toUtf8();
    // Without it the queue prints on its own paper, fitting the page to it.
    const QByteArray key = paper.key().toLatin1();
    if (!PrintSystemUnavailable().isEmpty()) return Refused(LastCupsAnswer());
    cups_option_t media{const_cast<char*>("media"), const_cast<char*>(key.constData())};
    const int id =
        Cups().cupsCreateJob(CUPS_HTTP_DEFAULT, dest.constData(), name.constData(), 1, &media);
    if (id <= 0) return Refused(LastCupsAnswer());
    bool sent = Cups().cupsStartDocument(CUPS_HTTP_DEFAULT, dest.constData(), id, name.constData(),
                                         CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
    for (qsizetype at = 0; sent && at < pdf.size(); at += 65536)
        sent = Cups().cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData() + at,
                                           size_t(std::min<qsizetype>(65536, pdf.size() - at))) ==
               HTTP_STATUS_CONTINUE;
    // The document is finished even after a failed write: that ends the request.
    const ipp_status_t finished = Cups().cupsFinishDocument(CUPS_HTTP_DEFAULT, dest.constData());
    if (!sent || finished > IPP_STATUS_OK_EVENTS_COMPLETE) {
        CupsAnswer answer = LastCupsAnswer();
        if (!answer.failed()) answer.status = IPP_STATUS_ERROR_INTERNAL;
        Cups().cupsCancelJob2(CUPS_HTTP_DEFAULT, dest.constData(), id, 0);
        return Refused(answer);
    }
    return WatchJob(dest, queue.name, id);
}

int LatestJobId(const QByteArray& dest) {
    int latest = 0;
    ForEachJob(dest, [&](const cups_job_t& job) {
        latest = std::max(latest, job.id);
        return true;
    });
    return latest;
}

std::optional<int> FindNewJob(const QByteArray& dest, int after, const QByteArray& title,
                              bool* listed) {
    std::optional<int> found;
    ForEachJob(
        dest,
        [&](const cups_job_t& job) {
            if (job.id <= after) return true;
            const QByteArray t = job.title ? QByteArray(job.title) : QByteArray();
            if (t == title || (!found && t.isEmpty())) found = job.id;
            return t != title;
        },
        listed);
    return found;
}

JobOutcome WatchJob(const QByteArray& dest, const QString& printer, int id) {
    JobOutcome out;
    out.jobId = id;
    if (!PrintSystemUnavailable().isEmpty()) {
        out.message = PrintSystemUnavailable();
        return out;
    }
    JobStatus job;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        bool gone = false;
        const std::optional<JobStatus> now = ReadJob(id, &gone);
        if (gone) {
            out.state = JobOutcome::State::Printed;  // purged, so it finished
            return out;
        }
        if (!now) {
            qCWarning(lcPrint) << "job" << id << "cannot be followed:" << LastCupsAnswer().text;
            break;
        }
        job = *now;
        if (job.state >= IPP_JSTATE_CANCELED || clock.elapsed() >= kJobWatchMs) break;
        // Back in the queue after it was sent: the printer (its backend) failed on it.
        if (job.started && (job.state == IPP_JSTATE_PENDING || job.state == IPP_JSTATE_HELD)) break;
        if (job.state == IPP_JSTATE_PENDING && PrinterStopped(dest)) break;
        if (!PauseResponsive(100)) break;
    }
    out.detail = job.reasons.join(QLatin1Char(' '));
    switch (job.state) {
        case IPP_JSTATE_ABORTED:
        case IPP_JSTATE_CANCELED:
            out.state = JobOutcome::State::Failed;
            out.message =
                QStringLiteral("打印作业 %1 未能完成（%2），年历没有打印。").arg(id).arg(Why(job));
            break;
        case IPP_JSTATE_STOPPED:
            out.state = JobOutcome::State::Failed;
            out.message =
                QStringLiteral("打印作业 %1 已停止，请检查打印机“%2”。").arg(id).arg(printer);
            break;
        case IPP_JSTATE_PENDING:
        case IPP_JSTATE_HELD:
            if (job.started) {
                out.state = JobOutcome::State::Failed;
                out.message =
                    QStringLiteral("打印作业 %1 未能打印：%2。作业留在打印机“%3”的队列中。")
                        .arg(id)
                        .arg(Why(job), printer);
                break;
            }
            out.state = JobOutcome::State::Queued;
            if (PrinterStopped(dest))
                out.message = QStringLiteral("打印机“%1”已暂停，打印作业 %2 在队列中等待。")
                                  .arg(printer)
                                  .arg(id);
            break;
        default:
            out.state = JobOutcome::State::Printed;
            break;
    }
    return out;
}

}  // namespace orlenda
