// Printing the year sheet through a real CUPS: the test runs its own cupsd with a private
// configuration, spool and socket, and queues on the cups-pdf backend, so the page that
// comes out is a PDF file that can be compared with the sheet written straight to PDF.
#include <unistd.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/windowtesting.h"
#include "app/form1.h"
#include "app/form2.h"
#include "core/appstate.h"
#include "greeting/wrd.h"
#include "picker/sel.h"
#include "pictures/picture.h"
#include "sheetfixture.h"
#include "windowbase/messages.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const QString kPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd");

void WriteFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(text.toUtf8());
}

// The page as a grey picture at 72 dots per inch (a pixel per point).
QImage Raster(const QString& pdf) {
    const QString prefix = pdf + QStringLiteral(".raster");
    Run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"),
         QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix});
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
        for (int x0 = 0; x0 + k <= a.width(); x0 += k, ++squares) {
            int sum = 0;
            for (int y = y0; y < y0 + k; ++y)
                for (int x = x0; x < x0 + k; ++x)
                    sum += a.constScanLine(y)[x] - b.constScanLine(y)[x];
            if (std::abs(sum) > 24 * k * k) ++differing;
        }
    return double(differing) / squares;
}

// What the windows hold when a button is pressed: 2008 in colour, a greeting with an empty
// line, an inset of the whole picture.
SheetInputs Inputs() {
    SheetInputs in;
    in.colour = true;
    in.yearCaption = QStringLiteral("2008");
    in.greeting = {QStringLiteral("恭贺新禧"), QStringLiteral("Happy New Year"), QString(),
                   QStringLiteral("万事如意")};
    in.greetingFont = QString::fromStdString(State().GreetingFontName);
    in.inset = true;
    in.insetPicture = QImage(400, 300, QImage::Format_RGB32);
    in.insetPicture.fill(QColor(150, 210, 150));  // light: an edge a point off stays small
    in.cropWidth = 6000;
    in.cropHeight = 4500;
    return in;
}

// A fresh main window showing 2008 in colour, the greeting typed into the editor and the
// inset picture chosen: presses its A3 or A4 button and returns what the user was told.
// answered tells whether the windows took a click (on 帮助) while the job was watched.
QStringList Press(int paper, const QString& picture, bool* answered) {
    Windows().clear();
    State().Reset();
    State().DataPath = ORLENDA_DATA_FILE;
    QStringList messages;
    SetMessageSink([&](QWidget*, const QString& text) { messages << text; });
    Form1& form = Windows().ref<Form1>();
    form.show();
    testing::PickFromList(form.Combo1, QStringLiteral("2008"));
    QTest::mouseClick(form.Option4, Qt::LeftButton);
    const SheetInputs in = Inputs();
    wrd& greeting = Windows().ref<wrd>();
    greeting.Text1->setText(in.greeting[0]);
    for (int k = 0; k < 3; ++k) greeting.Text2[k]->setText(in.greeting[k + 1]);
    Windows().ref<sel>().Image1->SetPicture(PictureFile::Open(picture), QImage());
    State().InsetPicturePath = picture.toStdString();
    State().CropWidth = float(in.cropWidth);
    State().CropHeight = float(in.cropHeight);
    bool printing = true;
    *answered = false;
    QTimer::singleShot(30, &form, [&] {
        QTest::mouseClick(form.Command3, Qt::LeftButton);
        *answered = printing && Windows().find<Form2>() && Windows().find<Form2>()->isVisible();
    });
    QTest::mouseClick(paper == kPaperA3 ? form.Command2 : form.Command4, Qt::LeftButton);
    printing = false;
    QTest::qWait(50);  // where the job was not watched, the click comes now
    Windows().clear();
    SetMessageSink({});
    return messages;
}

// A PDF page that has only one paper (0: any), as the A4-only queue.
class OnePaperPage : public PrinterPage {
  public:
    OnePaperPage(QPagedPaintDevice* device, int only) : PrinterPage(device), only_(only) {}
    void SetPaperSize(int size) override {
        if (only_ && size != only_) throw SurfaceError("no such paper");
        PrinterPage::SetPaperSize(size);
    }

  private:
    int only_;
};

// Rasters the sheet written straight to a PDF file without margins, on an A4 page that
// can take only the paper only.
QImage Expected(const QString& path, int paper, const SheetInputs& in, int only = 0) {
    {
        QPdfWriter writer(path);
        writer.setResolution(1200);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF());
        OnePaperPage page(&writer, only);
        PrintYearSheet(page, paper, in, ModelOf(2008));
    }
    return Raster(path);
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
    bool addQueue(const QString& name, const QString& ppd, const QString& out,
                  const QStringList& options = {});
    QString queueNamed(const QString& suffix) const { return prefix_ + suffix; }
    // The first PDF that appears in folder within the time allowed.
    QString waitForPdf(const QString& folder, int ms = 20000);
    // Makes the queue the default and empties its output folder.
    void use(const QString& suffix) {
        QVERIFY(lp(QStringLiteral("lpadmin"), {QStringLiteral("-d"), queueNamed(suffix)}));
        QDir(dir_.filePath(QStringLiteral("out-") + suffix)).removeRecursively();
    }

    QTemporaryDir dir_{QStringLiteral("/tmp/orlenda-cups-XXXXXX")};
    QProcess cupsd_;
    QString socket_, prefix_;
    QStringList configs_;  // per-queue cups-pdf configurations in /etc/cups
    QString picture_;
};

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
    return lp(QStringLiteral("lpadmin"), args);
}

void YearSheetCupsTest::initTestCase() {
    if (geteuid() != 0)
        QSKIP("cupsd cannot start here: the cups-pdf backend only runs under a root cupsd");
    const QString cupsd = QStandardPaths::findExecutable(
        QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    if (cupsd.isEmpty()) QSKIP("cupsd cannot start: it is not installed (Debian package cups)");
    QVERIFY2(QFileInfo::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")) &&
                 QFileInfo::exists(kPdfPpd),
             "the cups-pdf backend is missing (Debian package printer-driver-cups-pdf)");
    QVERIFY(dir_.isValid());
    picture_ = dir_.filePath(QStringLiteral("inset.png"));
    QVERIFY(Inputs().insetPicture.save(picture_));
    if (qEnvironmentVariableIsSet("ORLENDA_KEEP_OUTPUT")) {  // to look at the pages afterwards
        dir_.setAutoRemove(false);
        qInfo("output kept in %s", qPrintable(dir_.path()));
    }

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
    cupsd_.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"),
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
        QSKIP(qPrintable(QStringLiteral("cupsd cannot start: %1 %2")
                             .arg(QString::fromUtf8(cupsd_.readAll()),
                                  QString::fromUtf8(log.readAll().right(600)))));
    }

    // The program under test finds the print system through CUPS_SERVER alone.
    qputenv("CUPS_SERVER", socket_.toLocal8Bit());
    qputenv("HOME", root.toLocal8Bit());  // no personal lpoptions
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    prefix_ = QStringLiteral("orlenda%1_").arg(QCoreApplication::applicationPid());
    QVERIFY(
        addQueue(queueNamed(QStringLiteral("pdf")), kPdfPpd, root + QStringLiteral("/out-pdf")));

    // A queue whose driver knows no A3.
    QFile ppd(kPdfPpd);
    QVERIFY(ppd.open(QIODevice::ReadOnly));
    const QRegularExpression a3(
        QStringLiteral("^\\*(PageSize|PageRegion|ImageableArea|PaperDimension)\\s+A3[/:]"));
    QStringList kept;
    for (const QString& line : QString::fromLatin1(ppd.readAll()).split(QLatin1Char('\n')))
        if (!a3.match(line).hasMatch()) kept << line;
    WriteFile(root + QStringLiteral("/a4only.ppd"), kept.join(QLatin1Char('\n')));
    QVERIFY(addQueue(queueNamed(QStringLiteral("a4only")), root + QStringLiteral("/a4only.ppd"),
                     root + QStringLiteral("/out-a4only")));

    // A queue whose backend cannot write its file: every job fails.
    WriteFile(root + QStringLiteral("/not-a-folder"), QString());
    QVERIFY(addQueue(queueNamed(QStringLiteral("broken")), kPdfPpd,
                     root + QStringLiteral("/not-a-folder/out"),
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

void YearSheetCupsTest::print_data() {
    QTest::addColumn<QString>("queue");
    QTest::addColumn<QString>("before");   // a CUPS tool run on the queue before printing
    QTest::addColumn<QString>("after");    // and after
    QTest::addColumn<int>("paper");        // asked for
    QTest::addColumn<int>("readBack");     // the paper the page comes out on; 0: none comes out
    QTest::addColumn<QString>("message");  // what the user is told, a pattern
    QTest::addColumn<bool>("watched");     // the job is watched, the windows answering
    const QString none;
    QTest::newRow("A4") << "pdf" << none << none << kPaperA4 << kPaperA4 << QStringLiteral("^$")
                        << true;
    QTest::newRow("A3") << "pdf" << none << none << kPaperA3 << kPaperA3 << QStringLiteral("^$")
                        << true;
    // No A3 in the driver: the job goes on, on A4, with the A3 positions and the A4 sizes.
    QTest::newRow("A3 on an A4-only queue")
        << "a4only" << none << none << kPaperA3 << kPaperA4 << QStringLiteral("^$") << true;
    // Success is never claimed for a job the print system refuses or cannot finish.
    QTest::newRow("rejecting queue")
        << "pdf"
        << "cupsreject"
        << "cupsaccept" << kPaperA4 << 0 << QStringLiteral("拒绝") << false;
    QTest::newRow("failing backend")
        << "broken" << none << none << kPaperA4 << 0 << QStringLiteral("作业 \\d+ ") << true;
    // A paused queue keeps the job: not a failure, not yet printed; it prints once resumed.
    QTest::newRow("paused queue") << "pdf"
                                  << "cupsdisable"
                                  << "cupsenable" << kPaperA4 << kPaperA4
                                  << QStringLiteral("已暂停，打印作业 \\d+ 在队列") << false;
}

// Pressing a print button: what the user is told, and that what comes out of cups-pdf is
// the sheet of what the windows held, as written straight to PDF.
void YearSheetCupsTest::print() {
    QFETCH(QString, queue);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, paper);
    QFETCH(int, readBack);
    QFETCH(QString, message);
    QFETCH(bool, watched);
    use(queue);
    QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), queueNamed(queue));
    if (!before.isEmpty()) QVERIFY(lp(before, {queueNamed(queue)}));
    bool answered = false;
    const QString told = Press(paper, picture_, &answered).join(QLatin1Char('\n'));
    if (watched) QVERIFY(answered);
    if (!after.isEmpty()) QVERIFY(lp(after, {queueNamed(queue)}));
    QVERIFY2(QRegularExpression(message).match(told).hasMatch(), qPrintable(told));
    const QString printed =
        waitForPdf(dir_.filePath(QStringLiteral("out-") + queue), readBack ? 20000 : 2000);
    QCOMPARE(printed.isEmpty(), readBack == 0);
    if (!readBack) return;
    QVERIFY(readBack == kPaperA3 ? IsOnePage(printed, 297, 420) : IsOnePage(printed, 210, 297));
    const QString expected = dir_.filePath(QTest::currentDataTag() + QStringLiteral(".pdf"));
    const double diff = Difference(Raster(printed), Expected(expected, paper, Inputs(), readBack));
    QVERIFY2(diff < 0.001, qPrintable(QString::number(diff)));
}

QTEST_MAIN(YearSheetCupsTest)
#include "test_yearsheet_cups.moc"
