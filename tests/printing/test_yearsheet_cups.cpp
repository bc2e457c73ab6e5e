// Printing the year sheet through a real CUPS: the test runs its own cupsd with a private
// configuration, spool and socket, and queues on the cups-pdf backend, so the page that
// comes out is a PDF file that can be looked at.
#include <unistd.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "app/messages.h"
#include "core/appstate.h"
#include "greeting/wrd.h"
#include "sheetfixture.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const QString kPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd");
const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");

void WriteFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(text.toUtf8());
}

QString Run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool done = p.waitForFinished(20000);
    if (exitCode) *exitCode = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

QSizeF PageSize(const QString& pdf) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
            .match(Run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

bool IsSize(const QSizeF& pts, double widthMm, double heightMm) {
    return std::abs(pts.width() - widthMm * 72 / 25.4) < 1 &&
           std::abs(pts.height() - heightMm * 72 / 25.4) < 1;
}

// The page as a grey picture at 72 dots per inch (a pixel per point).
QImage Raster(const QString& pdf) {
    const QString prefix = pdf + QStringLiteral(".raster");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"),
             QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix});
    p.waitForFinished(30000);
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

// Share of 8 x 8 point squares whose average grey differs clearly between two pages; 1 when
// the sizes differ. Squares smooth away how each renderer draws a glyph's edges, while a
// text of its own or a shift of a couple of points still shows.
double Difference(const QImage& a, const QImage& b) {
    if (a.isNull() || a.size() != b.size()) return 1;
    constexpr int k = 8;
    int squares = 0, differing = 0;
    for (int y0 = 0; y0 + k <= a.height(); y0 += k)
        for (int x0 = 0; x0 + k <= a.width(); x0 += k) {
            int sa = 0, sb = 0;
            for (int y = y0; y < y0 + k; ++y) {
                const uchar* pa = a.constScanLine(y);
                const uchar* pb = b.constScanLine(y);
                for (int x = x0; x < x0 + k; ++x) {
                    sa += pa[x];
                    sb += pb[x];
                }
            }
            ++squares;
            if (std::abs(sa - sb) > 24 * k * k) ++differing;
        }
    return double(differing) / squares;
}

SheetInputs Inputs() {
    SheetInputs in;
    in.colour = true;
    in.yearCaption = QStringLiteral("2008");
    in.greeting = {QStringLiteral("恭贺新禧"), QStringLiteral("Happy New Year"), QString(),
                   QStringLiteral("万事如意")};
    in.inset = true;
    in.insetPicture = QImage(400, 300, QImage::Format_RGB32);
    in.insetPicture.fill(QColor(150, 210, 150));  // light: an edge a point off stays small
    in.cropWidth = 6000;
    in.cropHeight = 4500;
    return in;
}

// A PDF page that lacks A3, as the A4-only queue does.
class A4OnlyPage : public PrinterPage {
  public:
    using PrinterPage::PrinterPage;
    void SetPaperSize(int size) override {
        if (size != kPaperA4) throw SurfaceError("no such paper");
        PrinterPage::SetPaperSize(size);
    }
};

}  // namespace

class YearSheetCupsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void a4ButtonPrintsThroughCupsPdf();
    void a3ButtonPrintsA3();
    void printerWithoutA3KeepsA4();
    void rejectingQueueIsReported();
    void failingBackendIsReported();
    void pausedPrinterIsReported();
    void mainWindowA4Button();

  private:
    bool admin(const QStringList& args);
    bool addQueue(const QString& name, const QString& ppd, const QString& out,
                  const QStringList& options = {});
    bool makeDefault(const QString& name) { return admin({QStringLiteral("-d"), name}); }
    QString queue(const char* suffix) const { return prefix_ + QLatin1String(suffix); }
    // The first PDF that appears in folder within the time allowed.
    QString waitForPdf(const QString& folder, int ms = 20000);
    PrintResult press(int paper);

    QTemporaryDir dir_{QStringLiteral("/tmp/orlenda-cups-XXXXXX")};
    QProcess cupsd_;
    QString socket_;
    QString prefix_;
    QStringList configs_;  // per-queue cups-pdf configurations in /etc/cups
};

bool YearSheetCupsTest::admin(const QStringList& args) {
    int code = 0;
    const QString out =
        Run(QStringLiteral("lpadmin"), QStringList{QStringLiteral("-h"), socket_} + args, &code);
    if (code != 0) qWarning("lpadmin %s: %s", qPrintable(args.join(' ')), qPrintable(out));
    return code == 0;
}

bool YearSheetCupsTest::addQueue(const QString& name, const QString& ppd, const QString& out,
                                 const QStringList& options) {
    // cups-pdf reads /etc/cups/cups-pdf-<name>.conf for a device cups-pdf:/<name>.
    const QString conf = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(name);
    WriteFile(conf, QStringLiteral("Out %1\nAnonDirName %1\nSpool %2/cups-pdf-spool\nLog %2/log\n"
                                   "Grp root\nLogType 3\n")
                        .arg(out, dir_.path()));
    configs_ << conf;
    QStringList args{QStringLiteral("-p"),
                     name,
                     QStringLiteral("-E"),
                     QStringLiteral("-v"),
                     QStringLiteral("cups-pdf:/") + name,
                     QStringLiteral("-P"),
                     ppd};
    for (const QString& o : options) args << QStringLiteral("-o") << o;
    return admin(args);
}

void YearSheetCupsTest::initTestCase() {
    if (geteuid() != 0)
        QSKIP(
            "cupsd cannot start here: the cups-pdf backend only runs under a cupsd started "
            "as root");
    const QString cupsdPath = QStandardPaths::findExecutable(
        QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    if (cupsdPath.isEmpty()) QSKIP("cupsd cannot start: it is not installed (Debian package cups)");
    QVERIFY2(QFileInfo::exists(kBackend) && QFileInfo::exists(kPdfPpd),
             "the cups-pdf backend is missing (Debian package printer-driver-cups-pdf)");
    QVERIFY(dir_.isValid());
    if (qEnvironmentVariableIsSet("ORLENDA_KEEP_OUTPUT")) {  // to look at the pages afterwards
        dir_.setAutoRemove(false);
        qInfo("output kept in %s", qPrintable(dir_.path()));
    }

    // The scheduler's filters run as lp and must reach the spool.
    const QString root = dir_.path();
    QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther);
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
    cupsd_.start(cupsdPath, {QStringLiteral("-f"), QStringLiteral("-c"),
                             root + QStringLiteral("/conf/cupsd.conf"), QStringLiteral("-s"),
                             root + QStringLiteral("/conf/cups-files.conf")});
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(socket_) && cupsd_.state() != QProcess::NotRunning &&
           clock.elapsed() < 10000)
        QThread::msleep(50);
    if (!QFileInfo::exists(socket_)) {
        QFile log(root + QStringLiteral("/log/error_log"));
        log.open(QIODevice::ReadOnly);
        const QString why = QStringLiteral("cupsd cannot start: %1 %2")
                                .arg(QString::fromUtf8(cupsd_.readAll()),
                                     QString::fromUtf8(log.readAll().right(600)));
        QSKIP(qPrintable(why));
    }

    // The program under test finds the print system through CUPS_SERVER alone.
    qputenv("CUPS_SERVER", socket_.toLocal8Bit());
    qputenv("HOME", root.toLocal8Bit());  // no personal lpoptions
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");

    prefix_ = QStringLiteral("orlenda%1_").arg(QCoreApplication::applicationPid());
    QVERIFY(addQueue(queue("pdf"), kPdfPpd, root + QStringLiteral("/out-pdf")));

    // A queue whose driver knows no A3.
    QFile ppd(kPdfPpd);
    QVERIFY(ppd.open(QIODevice::ReadOnly));
    QStringList kept;
    const QRegularExpression a3(
        QStringLiteral("^\\*(PageSize|PageRegion|ImageableArea|PaperDimension)\\s+A3[/:]"));
    for (const QString& line : QString::fromLatin1(ppd.readAll()).split(QLatin1Char('\n')))
        if (!a3.match(line).hasMatch()) kept << line;
    WriteFile(root + QStringLiteral("/a4only.ppd"), kept.join(QLatin1Char('\n')));
    QVERIFY(addQueue(queue("a4only"), root + QStringLiteral("/a4only.ppd"),
                     root + QStringLiteral("/out-a4only")));

    // A queue whose backend cannot write its file: every job fails.
    WriteFile(root + QStringLiteral("/not-a-folder"), QString());
    QVERIFY(addQueue(queue("broken"), kPdfPpd, root + QStringLiteral("/not-a-folder/out"),
                     {QStringLiteral("printer-error-policy=abort-job")}));
}

void YearSheetCupsTest::cleanupTestCase() {
    for (const QString& conf : configs_) QFile::remove(conf);
    if (cupsd_.state() != QProcess::NotRunning) {
        cupsd_.terminate();
        if (!cupsd_.waitForFinished(10000)) cupsd_.kill();
        cupsd_.waitForFinished(5000);
    }
}

QString YearSheetCupsTest::waitForPdf(const QString& folder, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QDirIterator it(folder, {QStringLiteral("*.pdf")}, QDir::Files,
                        QDirIterator::Subdirectories);
        if (it.hasNext()) {
            const QString path = it.next();
            // cups-pdf writes the file in place; wait until it stops growing.
            qint64 size = -1;
            while (QFileInfo(path).size() != size && clock.elapsed() < ms) {
                size = QFileInfo(path).size();
                QThread::msleep(200);
            }
            if (size > 0) return path;
        }
        QThread::msleep(100);
    }
    return QString();
}

PrintResult YearSheetCupsTest::press(int paper) {
    return PrintYearSheetToDefaultPrinter(paper, Inputs(), ModelOf(2008), nullptr);
}

void YearSheetCupsTest::a4ButtonPrintsThroughCupsPdf() {
    QVERIFY(makeDefault(queue("pdf")));
    QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), queue("pdf"));
    const PrintResult r = press(kPaperA4);
    QVERIFY2(r.message.isEmpty(), qPrintable(r.message));
    QCOMPARE(int(r.status), int(PrintResult::Status::Printed));
    QCOMPARE(r.printer, queue("pdf"));
    QVERIFY(r.jobId > 0);
    QCOMPARE(r.paper, kPaperA4);

    const QString printed = waitForPdf(dir_.filePath(QStringLiteral("out-pdf")));
    QVERIFY2(!printed.isEmpty(), "cups-pdf wrote no file");
    QVERIFY(IsSize(PageSize(printed), 210, 297));

    // The printed page is the sheet: it matches the same sheet written straight to PDF, and
    // neither the sheet with English labels nor the sheet 10 points off (the margin Qt would
    // have added).
    const QString direct = dir_.filePath(QStringLiteral("direct-a4.pdf"));
    QVERIFY(WriteYearSheetPdf(direct, kPaperA4, Inputs(), ModelOf(2008)));
    SheetInputs english = Inputs();
    english.english = true;
    const QString otherLabels = dir_.filePath(QStringLiteral("direct-a4-en.pdf"));
    QVERIFY(WriteYearSheetPdf(otherLabels, kPaperA4, english, ModelOf(2008)));
    const QString shifted = dir_.filePath(QStringLiteral("direct-a4-shifted.pdf"));
    {
        QPdfWriter writer(shifted);
        writer.setResolution(1200);
        writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Point);
        PrinterPage page(&writer);
        PrintYearSheet(page, kPaperA4, Inputs(), ModelOf(2008));
    }
    const QImage page = Raster(printed);
    const double same = Difference(page, Raster(direct));
    const double labels = Difference(page, Raster(otherLabels));
    const double offset = Difference(page, Raster(shifted));
    qInfo(
        "squares differing from the direct PDF %.5f, from the English sheet %.5f, from the "
        "shifted sheet %.5f",
        same, labels, offset);
    QVERIFY(same < 0.001);
    QVERIFY(labels > 0.001 && labels > 5 * same);
    QVERIFY(offset > 0.02);
}

void YearSheetCupsTest::a3ButtonPrintsA3() {
    QVERIFY(makeDefault(queue("pdf")));
    QDir(dir_.filePath(QStringLiteral("out-pdf"))).removeRecursively();
    const PrintResult r = press(kPaperA3);
    QCOMPARE(int(r.status), int(PrintResult::Status::Printed));
    QCOMPARE(r.paper, kPaperA3);
    const QString printed = waitForPdf(dir_.filePath(QStringLiteral("out-pdf")));
    QVERIFY(!printed.isEmpty());
    QVERIFY(IsSize(PageSize(printed), 297, 420));
    const QString direct = dir_.filePath(QStringLiteral("direct-a3.pdf"));
    QVERIFY(WriteYearSheetPdf(direct, kPaperA3, Inputs(), ModelOf(2008)));
    const double same = Difference(Raster(printed), Raster(direct));
    QVERIFY2(same < 0.001, qPrintable(QString::number(same)));
}

// The A3 button on a printer without A3: the job goes on, on the printer's A4 paper, with
// the A3 positions and the A4 sizes.
void YearSheetCupsTest::printerWithoutA3KeepsA4() {
    QVERIFY(makeDefault(queue("a4only")));
    const PrintResult r = press(kPaperA3);
    QCOMPARE(int(r.status), int(PrintResult::Status::Printed));
    QCOMPARE(r.paper, kPaperA4);
    const QString printed = waitForPdf(dir_.filePath(QStringLiteral("out-a4only")));
    QVERIFY(!printed.isEmpty());
    QVERIFY(IsSize(PageSize(printed), 210, 297));

    const QString expected = dir_.filePath(QStringLiteral("kept-a4.pdf"));
    {
        QPdfWriter writer(expected);
        writer.setResolution(1200);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        A4OnlyPage page(&writer);
        PrintYearSheet(page, kPaperA3, Inputs(), ModelOf(2008));
    }
    const QString a4Sheet = dir_.filePath(QStringLiteral("a4-sheet.pdf"));
    QVERIFY(WriteYearSheetPdf(a4Sheet, kPaperA4, Inputs(), ModelOf(2008)));
    const QImage got = Raster(printed);
    QVERIFY(Difference(got, Raster(expected)) < 0.001);
    QVERIFY(Difference(got, Raster(a4Sheet)) > 0.02);  // not simply the A4 sheet
}

void YearSheetCupsTest::rejectingQueueIsReported() {
    QVERIFY(makeDefault(queue("pdf")));
    QDir(dir_.filePath(QStringLiteral("out-pdf"))).removeRecursively();
    int code = 0;
    Run(QStringLiteral("cupsreject"), {QStringLiteral("-h"), socket_, queue("pdf")}, &code);
    QCOMPARE(code, 0);
    const PrintResult r = press(kPaperA4);
    Run(QStringLiteral("cupsaccept"), {QStringLiteral("-h"), socket_, queue("pdf")});
    QCOMPARE(int(r.status), int(PrintResult::Status::Failed));
    QVERIFY2(r.message.contains(QStringLiteral("拒绝")), qPrintable(r.message));
    QVERIFY(waitForPdf(dir_.filePath(QStringLiteral("out-pdf")), 2000).isEmpty());
}

void YearSheetCupsTest::failingBackendIsReported() {
    QVERIFY(makeDefault(queue("broken")));
    const PrintResult r = press(kPaperA4);
    QCOMPARE(int(r.status), int(PrintResult::Status::Failed));
    QVERIFY(r.jobId > 0);
    QVERIFY2(r.message.contains(QString::number(r.jobId)), qPrintable(r.message));
}

// A paused queue keeps the job: not a failure, not yet printed; it prints once resumed.
void YearSheetCupsTest::pausedPrinterIsReported() {
    QVERIFY(makeDefault(queue("pdf")));
    QDir(dir_.filePath(QStringLiteral("out-pdf"))).removeRecursively();
    Run(QStringLiteral("cupsdisable"), {QStringLiteral("-h"), socket_, queue("pdf")});
    const PrintResult r = press(kPaperA4);
    Run(QStringLiteral("cupsenable"), {QStringLiteral("-h"), socket_, queue("pdf")});
    QCOMPARE(int(r.status), int(PrintResult::Status::Queued));
    QVERIFY2(r.message.contains(QStringLiteral("暂停")), qPrintable(r.message));
    QVERIFY(!waitForPdf(dir_.filePath(QStringLiteral("out-pdf"))).isEmpty());
}

// The whole way from the main window: pick 2008, choose colour, type a greeting, press
// "A4纸打印"; the page cups-pdf writes is the sheet of what the windows held.
void YearSheetCupsTest::mainWindowA4Button() {
    QVERIFY(makeDefault(queue("pdf")));
    QDir(dir_.filePath(QStringLiteral("out-pdf"))).removeRecursively();
    Windows().clear();
    State().Reset();
    State().DataPath = ORLENDA_DATA_FILE;
    QStringList messages;
    SetMessageSink([&](QWidget*, const QString& text) { messages << text; });
    const auto restore = qScopeGuard([] {
        Windows().clear();
        SetMessageSink({});
    });

    Form1& form = Windows().ref<Form1>();
    form.Combo1->setCurrentIndex(form.Combo1->findText(QStringLiteral("2008")));
    form.Combo1_Click();
    QCOMPARE(form.Label1->text(), QStringLiteral("2008"));
    form.Option4->setChecked(true);
    wrd& greeting = Windows().ref<wrd>();
    greeting.Text1->setText(QStringLiteral("恭贺新禧"));
    greeting.Text2[0]->clear();
    greeting.Text2[1]->setText(QStringLiteral("Happy New Year"));
    greeting.Text2[2]->clear();

    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
    const QString printed = waitForPdf(dir_.filePath(QStringLiteral("out-pdf")));
    QVERIFY2(!printed.isEmpty(), "cups-pdf wrote no file");
    QVERIFY(IsSize(PageSize(printed), 210, 297));

    const SheetInputs in = form.GatherSheetInputs();
    QCOMPARE(in.greeting[2], QStringLiteral("Happy New Year"));
    const QString direct = dir_.filePath(QStringLiteral("main-window-a4.pdf"));
    QVERIFY(WriteYearSheetPdf(direct, kPaperA4, in, ModelOf(2008)));
    const double same = Difference(Raster(printed), Raster(direct));
    QVERIFY2(same < 0.001, qPrintable(QString::number(same)));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    YearSheetCupsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_yearsheet_cups.moc"
