// SPDX-License-Identifier: GPL-3.0-or-later
// Printing the year sheet through a real CUPS: a cupsd of our own (configuration, spool,
// socket) with queues on the cups-pdf backend, whose PDF page is read back; the job goes out
// from the sheet's preview through the print dialog.
#include <unistd.h>

#include <QDialogButtonBox>
#include <QDirIterator>
#include <QPrintDialog>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/windowtesting.h"
#include "document/calendardocument.h"
#include "printing/printprompts.h"
#include "sheetfixture.h"
#include "windows/helpwindow.h"
#include "windows/mainwindow.h"
#include "windows/messages.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const QString kPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd");
const QString kRejecting = QStringLiteral("rejecting"), kBroken = QStringLiteral("broken"),
              kStopping = QStringLiteral("stopping"), kNoA3 = QStringLiteral("noa3");

void WriteFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(text.toUtf8());
}

// The page drawn at 72 dots per inch (a pixel per point).
QImage Raster(const QString& pdf) {
    Run(QStringLiteral("pdftoppm"), {"-r", "72", "-png", "-singlefile", pdf, pdf + ".raster"});
    return QImage(pdf + QStringLiteral(".raster.png"));
}

// Pixels of a clear colour, not grey.
int Coloured(const QImage& page) {
    int n = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) n += QColor(page.pixel(x, y)).hsvSaturation() > 60;
    return n;
}

// Share of 8 x 8 point squares whose average grey differs clearly between two pages; 1 when
// the sizes differ. Squares smooth away how each renderer draws a glyph's edges, while a
// text of its own or a shift of a couple of points still shows.
double Difference(const QImage& a, const QImage& b) {
    if (a.isNull() || a.size() != b.size()) return 1;
    constexpr int k = 8;
    int squares = 0, differing = 0;
    for (int y0 = 0; y0 + k <= a.height(); y0 += k)
        for (int x0 = 0; x0 + k <= a.width(); x0 += k, ++squares) {
            int sum = 0;
            for (int y = y0; y < y0 + k; ++y)
                for (int x = x0; x < x0 + k; ++x)
                    sum += qGray(a.pixel(x, y)) - qGray(b.pixel(x, y));
            if (std::abs(sum) > 24 * k * k) ++differing;
        }
    return double(differing) / squares;
}

// A fresh main window showing 2008 in colour or black and white: A3 or A4, the preview's 打印…,
// the print dialog's 打印. told: what the user was asked (yes, saving to pdf) and told; in: what
// the windows held; answered: whether 帮助 clicked 30 ms into the job, with the print button
// again, opened the help window (the timer dies with the window).
void Press(int paper, bool colour, const QString& pdf, YearContent* in, bool* answered,
           QStringList* told) {
    SetMessageSink([=](QWidget*, const QString& text) { *told << text; });
    PrintDialogs().askYesNo = [=](QWidget*, const QString& text) { return *told << text, true; };
    PrintDialogs().saveFileName = [&](QWidget*, const QString&, const QString&, const QString&) {
        return pdf;
    };
    const auto restore = qScopeGuard([] {
        SetMessageSink({});
        ResetPrintDialogs();
    });
    CalendarDocument doc;
    doc.setDataPath(ORLENDA_DATA_FILE);
    MainWindow form(doc);
    form.show();
    testing::PickFromList(form.yearCombo, QStringLiteral("2008"));
    QTest::mouseClick(colour ? form.colourRadio : form.monoRadio, Qt::LeftButton);
    *in = SheetContentOf(doc);  // its model dies with the document
    QPushButton* print = paper == kPaperA3 ? form.printA3Button : form.printA4Button;
    SheetPreview* preview = PreviewOf(print);
    QVERIFY(preview);
    QTest::mouseClick(preview->printButton, Qt::LeftButton);
    QPrintDialog* dialog = nullptr;
    QVERIFY(
        QTest::qWaitFor([&] { return (dialog = Find<QPrintDialog>()) && dialog->isVisible(); }));
    const auto* buttons = dialog->findChild<QDialogButtonBox*>({}, Qt::FindDirectChildrenOnly);
    QVERIFY(buttons);
    QTimer::singleShot(30, &form, [&] {
        QTest::mouseClick(form.helpButton, Qt::LeftButton);
        QTest::mouseClick(print, Qt::LeftButton);
        *answered = Find<HelpWindow>() && Find<HelpWindow>()->isVisible();
    });
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

}  // namespace

class YearSheetCupsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void print_data();
    void print();

  private:
    // Runs a CUPS tool against our cupsd.
    bool lp(const QString& tool, const QStringList& args) {
        int code = 0;
        const QString out = Run(tool, QStringList{QStringLiteral("-h"), socket_} + args, &code);
        if (code != 0)
            qWarning("%s %s: %s", qPrintable(tool), qPrintable(args.join(' ')), qPrintable(out));
        return code == 0;
    }

    QTemporaryDir dir_{QStringLiteral("/tmp/orlenda-cups-XXXXXX")};
    QProcess cupsd_;
    QString socket_, queue_, out_;
    QStringList confs_;
};

void YearSheetCupsTest::initTestCase() {
    if (geteuid() != 0)
        QSKIP("cupsd cannot start here: the cups-pdf backend only runs under a root cupsd");
    const QString cupsd = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/sbin"});
    if (cupsd.isEmpty()) QSKIP("cupsd cannot start: it is not installed (Debian package cups)");
    QVERIFY2(QFileInfo::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")) &&
                 QFileInfo::exists(kPdfPpd),
             "the cups-pdf backend is missing (Debian package printer-driver-cups-pdf)");

    // The scheduler's filters run as lp and must reach the spool.
    const QString root = dir_.path();
    QFile::setPermissions(root, QFile::permissions(root) | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup);
    for (const char* sub :
         {"conf", "spool", "spool/tmp", "cache", "state", "log", "cups-pdf-spool"})
        QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
    socket_ = root + QStringLiteral("/cups.sock");
    WriteFile(root + QStringLiteral("/conf/cupsd.conf"),
              QStringLiteral("LogLevel info\nListen %1\nBrowsing No\nWebInterface No\n"
                             "DefaultAuthType None\nMaxJobs 0\nPreserveJobHistory Yes\n"
                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                             "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                             "</Policy>\n")
                  .arg(socket_));
    WriteFile(root + QStringLiteral("/conf/cups-files.conf"),
              QStringLiteral("SystemGroup root\nUser lp\nGroup lp\nServerRoot %1/conf\n"
                             "RequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
                             "StateDir %1/state\nAccessLog %1/log/access_log\n"
                             "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
                             "Printcap %1/printcap\n")
                  .arg(root));
    cupsd_.setProcessChannelMode(QProcess::MergedChannels);
    cupsd_.start(cupsd,
                 {"-f", "-c", root + "/conf/cupsd.conf", "-s", root + "/conf/cups-files.conf"});
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(socket_); }, 10000))
        QSKIP(qPrintable(QStringLiteral("cupsd cannot start: ") + cupsd_.readAll()));

    // The program under test finds the print system through CUPS_SERVER alone.
    qputenv("CUPS_SERVER", socket_.toLocal8Bit());
    qputenv("HOME", root.toLocal8Bit());  // no personal lpoptions
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    // Our queue writes its pages to out_; a twin whose output folder is a file fails every job,
    // another refuses jobs, one has no A3 paper. cups-pdf reads /etc/cups/cups-pdf-<name>.conf
    // for cups-pdf:/<name>.
    queue_ = QStringLiteral("orlenda%1").arg(QCoreApplication::applicationPid());
    out_ = root + QStringLiteral("/out");
    WriteFile(root + QStringLiteral("/file"), QString());
    QFile ppd(kPdfPpd);
    QVERIFY(ppd.open(QIODevice::ReadOnly));
    const QString noA3 = root + QStringLiteral("/noa3.ppd");
    WriteFile(noA3, QString::fromUtf8(ppd.readAll())
                        .remove(QRegularExpression(QStringLiteral("\\n\\*[A-Za-z]+ A3/[^\\n]*"))));
    for (const QString& q : {queue_, queue_ + kBroken, queue_ + kRejecting, queue_ + kNoA3}) {
        confs_ << QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(q);
        WriteFile(
            confs_.back(),
            QStringLiteral("Out %1\nAnonDirName %1\nSpool %2/cups-pdf-spool\nLog %2/log\n"
                           "Grp root\nLogType 3\n")
                .arg(q == queue_ + kBroken ? root + QStringLiteral("/file/out") : out_, root));
        QVERIFY(lp(QStringLiteral("lpadmin"),
                   {"-p", q, "-E", "-v", "cups-pdf:/" + q, "-P", q.endsWith(kNoA3) ? noA3 : kPdfPpd,
                    "-o", "printer-error-policy=abort-job"}));
    }
    // A printer that cannot be reached: its backend fails, and the print system stops the queue.
    QVERIFY(lp(QStringLiteral("lpadmin"),
               {"-p", queue_ + kStopping, "-E", "-v", "serial:/nonexistent/orlenda", "-P", kPdfPpd,
                "-o", "printer-error-policy=stop-printer"}));
    QVERIFY(lp(QStringLiteral("cupsreject"), {queue_ + kRejecting}));
}

void YearSheetCupsTest::cleanupTestCase() {
    for (const QString& conf : confs_) QFile::remove(conf);
    cupsd_.terminate();  // killed on destruction if still running
    cupsd_.waitForFinished(10000);
}

void YearSheetCupsTest::print_data() {
    QTest::addColumn<QString>("queue");  // after our queue's name
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<QString>(
        "message");                 // what the user is asked and told, a pattern; empty: nothing
    QTest::addColumn<int>("jobs");  // print jobs made
    const QString ours;
    QTest::newRow("A4 colour") << ours << kPaperA4 << true << QString() << 1;
    QTest::newRow("A3 black and white") << ours << kPaperA3 << false << QString() << 1;
    // Success is never claimed for a job the print system refuses or cannot finish; a failure
    // is told with the reason the print system gives (%1: what lpstat says of the printer).
    QTest::newRow("rejecting queue")
        << kRejecting << kPaperA4 << true << QStringLiteral("^打印系统拒绝了打印作业：.+。$") << 0;
    QTest::newRow("failing backend")
        << kBroken << kPaperA4 << true
        << QStringLiteral("^打印作业 \\d+ 未能完成（.+），年历没有打印。$") << 1;
    QTest::newRow("backend stops the printer")
        << kStopping << kPaperA4 << true
        << QStringLiteral("^打印作业 \\d+ 未能打印：%1。作业留在打印机“\\S+”的队列中。$") << 1;
    // Without the paper no job goes out; the sheet is offered as a PDF file instead.
    QTest::newRow("no A3 paper") << kNoA3 << kPaperA3 << true
                                 << QStringLiteral(
                                        "^打印机“\\S+noa3”没有A3纸。\n是否将年历保存为PDF文件？\n"
                                        "年历已保存为PDF文件：\\S+$")
                                 << 0;
}

// Pressing a print button: what the user is told, and what comes out of cups-pdf.
void YearSheetCupsTest::print() {
    QFETCH(QString, queue);
    QFETCH(int, paper);
    QFETCH(bool, colour);
    QFETCH(QString, message);
    QFETCH(int, jobs);
    QVERIFY(lp(QStringLiteral("lpadmin"), {QStringLiteral("-d"), queue_ + queue}));
    QDir(out_).removeRecursively();
    const auto jobsMade = [&] {
        return Run(QStringLiteral("lpstat"), {"-h", socket_, "-W", "all", "-o"}).count('\n');
    };
    const int jobsBefore = jobsMade();
    YearContent in;
    bool answered = false;
    const QString pdf = dir_.filePath(QStringLiteral("saved.pdf"));
    QStringList told;
    Press(paper, colour, pdf, &in, &answered, &told);
    if (QTest::currentTestFailed()) return;
    // While the print system is asked how a job it took goes, the windows answer clicks, but the
    // second press of the print button starts no second job.
    QVERIFY(answered || jobs == 0);
    QCOMPARE(jobsMade() - jobsBefore, jobs);
    // Once the job is done, cups-pdf has written its file.
    if (message.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(Run(QStringLiteral("lpstat"), {"-h", socket_, "-o"}).isEmpty(),
                                 20000);
    if (queue == kStopping) {
        const QString said =
            Run(QStringLiteral("lpstat"), {"-h", socket_, "-l", "-p", queue_ + queue});
        message =
            message.arg(QStringLiteral("(?:%1|被打印系统中止)")
                            .arg(QRegularExpression::escape(said.section('\n', 1, 1).trimmed())));
    }
    QDirIterator it(out_, {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY2(message.isEmpty() ? told.isEmpty()
                               : QRegularExpression(message).match(told.join('\n')).hasMatch(),
             qPrintable(told.join('\n')));
    QCOMPARE(it.hasNext(), message.isEmpty());
    if (queue == kNoA3) QVERIFY(IsOnePage(pdf, 297, 420));
    if (!message.isEmpty()) return;
    const QString printed = it.next();
    QVERIFY(paper == kPaperA3 ? IsOnePage(printed, 297, 420) : IsOnePage(printed, 210, 297));
    // The page is the sheet of what the windows held, as written straight to PDF.
    const QString expected = dir_.filePath(QStringLiteral("expected.pdf"));
    const CalendarModel model = ModelOf(2008);
    in.model = &model;
    QVERIFY(WriteYearSheetPdf(expected, paper, in));
    const QImage page = Raster(printed);
    const double diff = Difference(page, Raster(expected));
    QVERIFY2(diff < 0.001, qPrintable(QString::number(diff)));
    // The title, headers, month titles, lunar rows and greeting in their colours, or grey.
    QVERIFY2(colour ? Coloured(page) > 100 : Coloured(page) == 0,
             qPrintable(QString::number(Coloured(page))));
}

QTEST_MAIN(YearSheetCupsTest)
#include "test_yearsheet_cups.moc"
