// SPDX-License-Identifier: GPL-3.0-or-later
// Printing the year sheet through a real CUPS: a cupsd of our own whose queues write the PDF
// page they print to a file, read back; the job goes out from the preview's print dialog.
#include <unistd.h>

#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>

#include "../support/testpictures.h"
#include "../support/windowtesting.h"
#include "document/calendardocument.h"
#include "printing/printprompts.h"
#include "windows/helpwindow.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

// Output (standard and error) of a program; exitCode -1 when it crashed or hung.
QString Run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool done = p.waitForFinished(30000);
    if (exitCode) *exitCode = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

// True when pdfinfo finds one page of the ISO size given in millimetres (PDF writers round
// it to whole points).
bool IsOnePage(const QString& pdf, double widthMm, double heightMm) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+1\\n[\\s\\S]*Page size:\\s+([\\d.]+) x "
                                          "([\\d.]+) pts"))
            .match(Run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() && std::abs(m.captured(1).toDouble() - widthMm * 72 / 25.4) < 1 &&
           std::abs(m.captured(2).toDouble() - heightMm * 72 / 25.4) < 1;
}

const QString kRejecting = QStringLiteral("rejecting"), kBroken = QStringLiteral("broken"),
              kStopping = QStringLiteral("stopping"), kNoA3 = QStringLiteral("noa3"),
              kPaused = QStringLiteral("paused");

// Pixels of a clear colour, not grey, on the page drawn at 72 dots per inch.
int Coloured(const QString& pdf) {
    Run(QStringLiteral("pdftoppm"), {"-r", "72", "-png", "-singlefile", pdf, pdf + ".raster"});
    const QImage page(pdf + QStringLiteral(".raster.png"));
    int n = page.isNull() ? -1 : 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) n += QColor(page.pixel(x, y)).hsvSaturation() > 60;
    return n;
}

}  // namespace

class YearSheetCupsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_{QStringLiteral("/tmp/orlenda-cups-XXXXXX")};
    QProcess cupsd_;
    QString socket_, queue_, out_;

    QString lpstat(const QStringList& args) {
        return Run(QStringLiteral("lpstat"), QStringList{"-h", socket_} + args);
    }
    // Runs a CUPS tool against our cupsd.
    bool lp(const QString& tool, const QStringList& args) {
        int code = 0;
        const QString out = Run(tool, QStringList{QStringLiteral("-h"), socket_} + args, &code);
        if (code != 0)
            qWarning("%s %s: %s", qPrintable(tool), qPrintable(args.join(' ')), qPrintable(out));
        return code == 0;
    }

  private slots:
    void initTestCase() {
        if (geteuid() != 0) QSKIP("cupsd cannot start here: it must start as root");
        const QString cupsd = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/sbin"});
        if (cupsd.isEmpty()) QSKIP("cupsd cannot start: it is not installed (Debian package cups)");
        QFile ppd(QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd"));
        QVERIFY2(ppd.open(QIODevice::ReadOnly),
                 "the PDF printer's PPD is missing (Debian package printer-driver-cups-pdf)");
        // The scheduler's filters run as lp and must reach the spool.
        const QString root = dir_.path();
        QFile::setPermissions(
            root, QFile::permissions(root) | QFileDevice::ReadOther | QFileDevice::ExeOther);
        for (const char* sub : {"conf", "spool", "spool/tmp", "cache", "state", "log"})
            QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
        socket_ = root + QStringLiteral("/cups.sock");
        const QString conf = QStringLiteral(
            "LogLevel info\nListen %1\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
            "MaxJobs 0\nPreserveJobHistory Yes\n<Location />\n  Order allow,deny\n  Allow all\n"
            "</Location>\n<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
            "</Policy>\n");
        const QString files = QStringLiteral(
            "SystemGroup root\nUser lp\nGroup lp\nFileDevice Yes\nServerRoot %1/conf\n"
            "RequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\nStateDir %1/state\n"
            "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
            "PageLog %1/log/page_log\nPrintcap %1/printcap\n");
        QVERIFY(test::WriteFile(root + "/conf/cupsd.conf", conf.arg(socket_).toUtf8()) &&
                test::WriteFile(root + "/conf/cups-files.conf", files.arg(root).toUtf8()));
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
        // The PDF printer's papers, its jobs leaving the filters as PDF (words kept) into a
        // file; a twin refuses jobs, one has no A3 paper, one is paused.
        queue_ = QStringLiteral("orlenda%1").arg(QCoreApplication::applicationPid());
        out_ = root + QStringLiteral("/out");
        const QString pdfPpd = root + "/pdf.ppd", noA3 = root + "/noa3.ppd";
        const QString text =
            QString::fromUtf8(ppd.readAll())
                .replace("*ColorDevice:",
                         "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"\n"
                         "*ColorDevice:");
        QVERIFY(
            test::WriteFile(pdfPpd, text.toUtf8()) &&
            test::WriteFile(
                noA3,
                QString(text).remove(QRegularExpression("\\n\\*[A-Za-z]+ A3/[^\\n]*")).toUtf8()));
        for (const QString& q : {QString(), kRejecting, kNoA3, kPaused})
            QVERIFY(lp("lpadmin", {"-p", queue_ + q, "-E", "-v", "file://" + out_ + "/sheet.pdf",
                                   "-P", q == kNoA3 ? noA3 : pdfPpd}));
        // Printers that cannot be reached: the backend fails at once, before any conversion,
        // and the print system aborts the job, or stops the queue.
        for (const QString& q : {kBroken, kStopping})
            QVERIFY(lp("lpadmin", {"-p", queue_ + q, "-E", "-v", "serial:/nonexistent/orlenda",
                                   "-P", pdfPpd, "-o",
                                   q == kBroken ? "printer-error-policy=abort-job"
                                                : "printer-error-policy=stop-printer"}));
        QVERIFY(lp("cupsreject", {queue_ + kRejecting}) && lp("cupsdisable", {queue_ + kPaused}));
    }

    void cleanupTestCase() {
        if (cupsd_.state() == QProcess::NotRunning) return;
        cupsd_.terminate();
        QVERIFY(cupsd_.waitForFinished(10000));
    }

    void print_data() {
        QTest::addColumn<QString>("queue");  // after our queue's name
        QTest::addColumn<int>("paper");
        QTest::addColumn<bool>("colour");  // else black and white; A3: 2020 in English, A4: 2008
        // What the user is asked and told, a pattern; empty: nothing, and the page is the
        // reviewed golden sheet of the same choices.
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("jobs");  // print jobs made
        const QString ours;
        QTest::newRow("A4 2008 colour") << ours << kPaperA4 << true << ours << 1;
        QTest::newRow("A3 2020 black and white") << ours << kPaperA3 << false << ours << 1;
        // Success is never claimed for a job the print system refuses or cannot finish; a
        // failure is told with the print system's reason (%1: what lpstat says of the printer).
        // clang-format off
        QTest::newRow("rejecting queue") << kRejecting << kPaperA4 << true << QStringLiteral("^打印系统拒绝了打印作业：.+。$") << 0;
        QTest::newRow("failing backend") << kBroken << kPaperA4 << true << QStringLiteral("^打印作业 \\d+ 未能完成（.+），年历没有打印。$") << 1;
        QTest::newRow("backend stops the printer") << kStopping << kPaperA4 << true
            << QStringLiteral("^打印作业 \\d+ 未能打印：%1。作业留在打印机“\\S+”的队列中。$") << 1;
        QTest::newRow("paused printer") << kPaused << kPaperA4 << false
            << QStringLiteral("^打印机“\\S+paused”已暂停，打印作业 \\d+ 在队列中等待。$") << 1;
        // Without the paper no job goes out; the sheet is offered as a PDF file instead.
        QTest::newRow("no A3 paper") << kNoA3 << kPaperA3 << true
            << QStringLiteral("^打印机“\\S+noa3”没有A3纸。\n是否将年历保存为PDF文件？\n年历已保存为PDF文件：\\S+$") << 0;
        // clang-format on
    }

    // The year shown in colour or black and white, A3 or A4; Enter in the preview (its 打印…),
    // the print dialog's 打印. Once the job is in the print system, 帮助 and the print button
    // again are clicked while the job is watched.
    void print() {
        QFETCH(QString, queue);
        QFETCH(int, paper);
        QFETCH(bool, colour);
        QFETCH(QString, message);
        QFETCH(int, jobs);
        QVERIFY(lp(QStringLiteral("lpadmin"), {QStringLiteral("-d"), queue_ + queue}));
        QVERIFY(QDir(out_).removeRecursively() && QDir().mkpath(out_));
        const auto jobsMade = [&] { return int(lpstat({"-W", "all", "-o"}).count('\n')); };
        const int jobsBefore = jobsMade();
        const QString pdf = dir_.filePath(QStringLiteral("saved.pdf"));
        QStringList told;
        bool answered = false;
        {
            SetMessageSink([&](QWidget*, const QString& text) { told << text; });
            PrintDialogs().askYesNo = [&](QWidget*, const QString& text) {
                return told << text, true;
            };
            PrintDialogs().saveFileName = [&](QWidget*, auto...) { return pdf; };
            const auto restore = qScopeGuard([] {
                SetMessageSink({});
                ResetPrintDialogs();
            });
            CalendarDocument doc;
            doc.setDataPath(ORLENDA_DATA_FILE);
            MainWindow form(doc);
            form.show();
            PickFromList(form.yearCombo, paper == kPaperA3 ? "2020" : "2008");
            Click(colour ? form.colourRadio : form.monoRadio);
            Click(paper == kPaperA3 ? form.englishRadio : form.chineseRadio);
            QPushButton* print = paper == kPaperA3 ? form.printA3Button : form.printA4Button;
            SheetPreview* preview = PreviewOf(print);
            QVERIFY(preview);
            QTest::keyClick(preview, Qt::Key_Return);
            QPrintDialog* dialog = nullptr;
            QVERIFY(QTest::qWaitFor(
                [&] { return (dialog = Find<QPrintDialog>()) && dialog->isVisible(); }));
            const auto* buttons =
                dialog->findChild<QDialogButtonBox*>({}, Qt::FindDirectChildrenOnly);
            QVERIFY(buttons);
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (jobsMade() == jobsBefore) return;
                watch.stop();
                Click(form.helpButton);
                Click(print);
                answered = Find<HelpWindow>() && Find<HelpWindow>()->isVisible();
            });
            watch.start(20);
            Click(buttons->button(QDialogButtonBox::Ok));
        }
        // The windows answered while the job was watched (a backend that fails at once, or a
        // paused printer, may end the watch before the first look); the second press made no job.
        if (!QStringList{kBroken, kStopping, kPaused}.contains(queue)) QCOMPARE(answered, jobs > 0);
        QCOMPARE(jobsMade() - jobsBefore, jobs);
        // A job that went through or failed ends; one on a stopped printer stays queued.
        const bool stays = queue == kStopping || queue == kPaused;
        if (jobs > 0)
            QTRY_COMPARE_WITH_TIMEOUT(lpstat({"-o", queue_ + queue}).isEmpty(), !stays, 20000);
        if (queue == kStopping) {
            const QString said = lpstat({"-l", "-p", queue_ + queue}).section('\n', 1, 1);
            message = message.arg(QStringLiteral("(?:%1|被打印系统中止)")
                                      .arg(QRegularExpression::escape(said.trimmed())));
        }
        QVERIFY2(message.isEmpty() ? told.isEmpty()
                                   : QRegularExpression(message).match(told.join('\n')).hasMatch(),
                 qPrintable(told.join('\n')));
        const QString printed = out_ + QStringLiteral("/sheet.pdf");
        QCOMPARE(QFileInfo::exists(printed), message.isEmpty());
        if (queue == kNoA3) QVERIFY(IsOnePage(pdf, 297, 420));
        if (!message.isEmpty()) return;
        QVERIFY(IsOnePage(printed, paper == kPaperA3 ? 297 : 210, paper == kPaperA3 ? 420 : 297));
        // The words where the reviewed golden sheet of the same choices has them, within two
        // points, and its colours (or none).
        const QString words = printed + QStringLiteral(".bbox");
        const QString golden =
            QStringLiteral(ORLENDA_GOLDEN_DIR "/expected/") +
            (paper == kPaperA3 ? "sheet-a3-2020-colour-english.bbox" : "sheet-a4-2008.bbox");
        int code = -1;
        Run(QStringLiteral("pdftotext"), {"-bbox", printed, words}, &code);
        QCOMPARE(code, 0);
        const QString differences =
            Run(QStringLiteral("python3"),
                {QStringLiteral(ORLENDA_GOLDEN_DIR "/bboxcompare.py"), golden, words}, &code);
        QVERIFY2(code == 0, qPrintable(differences));
        const int coloured = Coloured(printed);
        QVERIFY2(colour ? coloured > 100 : coloured == 0, qPrintable(QString::number(coloured)));
    }
};

QTEST_MAIN(YearSheetCupsTest)
#include "test_yearsheet_cups.moc"
