// The year sheet as a PDF file, read back with poppler's tools; and the offer to save a PDF
// when the machine has no printer (this test runs with CUPS pointed at nowhere).
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "app/messages.h"
#include "core/appstate.h"
#include "printing/printprompts.h"
#include "sheetfixture.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The page size in points as pdfinfo reports it.
QSizeF PageSize(const QString& pdf) {
    const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(info);
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// ISO sizes in points (72 to the inch): A4 210 x 297 mm, A3 297 x 420 mm; PDF writers round
// them to whole points.
bool IsSize(const QSizeF& pts, double widthMm, double heightMm) {
    return std::abs(pts.width() - widthMm * 72 / 25.4) < 1 &&
           std::abs(pts.height() - heightMm * 72 / 25.4) < 1;
}

int Pages(const QString& pdf) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(Run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList TextLines(const QString& pdf) {
    return Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
        .split(QLatin1Char('\n'));
}

// The first line at or after from that matches pattern; -1 when none does.
int LineOf(const QStringList& lines, const QString& pattern, int from = 0) {
    const QRegularExpression re(pattern);
    for (int i = std::max(0, from); i < lines.size(); ++i)
        if (re.match(lines[i]).hasMatch()) return i;
    return -1;
}

SheetInputs Inputs(bool english) {
    SheetInputs in;
    in.english = english;
    in.colour = true;
    in.yearCaption = QStringLiteral("2008");
    in.greeting = {QStringLiteral("恭贺新禧"), QStringLiteral("Happy New Year"), QString(),
                   QStringLiteral("万事如意")};
    in.inset = true;
    in.insetPicture = QImage(200, 100, QImage::Format_RGB32);
    in.insetPicture.fill(Qt::blue);
    in.cropWidth = 3000;
    in.cropHeight = 1500;
    return in;
}

}  // namespace

class YearSheetPdfTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void pageSize_data();
    void pageSize();
    void textsInOrder_data();
    void textsInOrder();
    void noPrinterOffersPdf_data();
    void noPrinterOffersPdf();
    void unwritableFileIsReported();
    void mainWindowWithoutPrinter();

  private:
    QTemporaryDir dir_;
};

void YearSheetPdfTest::initTestCase() {
    QVERIFY(dir_.isValid());
    for (const char* tool : {"pdfinfo", "pdftotext"})
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
                 "poppler-utils is needed");
}

void YearSheetPdfTest::pageSize_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<double>("widthMm");
    QTest::addColumn<double>("heightMm");
    QTest::newRow("A4") << kPaperA4 << 210.0 << 297.0;
    QTest::newRow("A3") << kPaperA3 << 297.0 << 420.0;
}

void YearSheetPdfTest::pageSize() {
    QFETCH(int, paper);
    QFETCH(double, widthMm);
    QFETCH(double, heightMm);
    const QString path = dir_.filePath(QStringLiteral("size-%1.pdf").arg(paper));
    QString error;
    QVERIFY2(WriteYearSheetPdf(path, paper, Inputs(false), ModelOf(2008), &error),
             qPrintable(error));
    QVERIFY2(IsSize(PageSize(path), widthMm, heightMm),
             qPrintable(QStringLiteral("%1 x %2 pts")
                            .arg(PageSize(path).width())
                            .arg(PageSize(path).height())));
    QCOMPARE(Pages(path), 1);
}

void YearSheetPdfTest::textsInOrder_data() {
    QTest::addColumn<bool>("english");
    QTest::newRow("Chinese") << false;
    QTest::newRow("English") << true;
}

// Read back from the file: the title, a header line, four rows of three month titles in
// order, lunar texts, and the greeting after the last row.
void YearSheetPdfTest::textsInOrder() {
    QFETCH(bool, english);
    const QString path =
        dir_.filePath(english ? QStringLiteral("en.pdf") : QStringLiteral("cn.pdf"));
    QVERIFY(WriteYearSheetPdf(path, kPaperA4, Inputs(english), ModelOf(2008)));
    const QStringList lines = TextLines(path);
    QVERIFY2(lines.size() > 40, qPrintable(lines.join(QLatin1Char('\n'))));

    const int title = LineOf(lines, QStringLiteral("2008年"));
    QVERIFY(title >= 0);
    const QString header = english ? QStringLiteral("Mon\\s+Tue\\s+Wed\\s+Thu\\s+Fri\\s+Sat\\s+Sun")
                                   : QStringLiteral("一\\s+二\\s+三\\s+四\\s+五\\s+六\\s+日");
    const int headerLine = LineOf(lines, header, title + 1);
    QVERIFY2(headerLine > title, qPrintable(lines.join(QLatin1Char('\n'))));
    // Three blocks side by side: the header three times on one line.
    QCOMPARE(lines[headerLine].count(
                 QRegularExpression(english ? QStringLiteral("Mon") : QStringLiteral("一"))),
             3);

    const char* const en[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int previous = headerLine;
    for (int r = 0; r < 4; ++r) {
        QStringList titles;
        for (int c = 1; c <= 3; ++c) {
            const int month = 3 * r + c;
            titles << (english ? QString::fromLatin1(en[month - 1])
                               : QStringLiteral("(?<!\\d)%1月").arg(month));
        }
        const int row = LineOf(lines, titles.join(QStringLiteral(".*")), previous + 1);
        QVERIFY2(
            row > previous,
            qPrintable(
                QStringLiteral("sheet row %1 not found after line %2:\n").arg(r).arg(previous) +
                lines.join(QLatin1Char('\n'))));
        previous = row;
    }
    // 2008's Spring Festival and Mid-Autumn are among the lunar texts.
    QVERIFY(LineOf(lines, QStringLiteral("春节")) > headerLine);
    QVERIFY(LineOf(lines, QStringLiteral("中秋")) > headerLine);
    // December 31, 2008 is the last day number; the greeting comes after it.
    const int lastDay = LineOf(lines, QStringLiteral("\\b31\\s*$"), previous);
    QVERIFY(lastDay > previous);
    const int first = LineOf(lines, QStringLiteral("恭贺新禧"), lastDay);
    const int second = LineOf(lines, QStringLiteral("Happy New Year"), first + 1);
    const int last = LineOf(lines, QStringLiteral("万事如意"), second + 1);
    QVERIFY(first > lastDay && second > first && last > second);
}

void YearSheetPdfTest::noPrinterOffersPdf_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("chosenName");  // empty: the save dialog is cancelled
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("savedName");
    using S = PrintResult::Status;
    QTest::newRow("A4 saved") << kPaperA4 << true << QStringLiteral("年历.pdf")
                              << int(S::SavedAsPdf) << QStringLiteral("年历.pdf");
    QTest::newRow("A3 saved, .pdf added") << kPaperA3 << true << QStringLiteral("sheet")
                                          << int(S::SavedAsPdf) << QStringLiteral("sheet.pdf");
    QTest::newRow("declined") << kPaperA4 << false << QStringLiteral("never.pdf")
                              << int(S::NotPrinted) << QString();
    QTest::newRow("save cancelled")
        << kPaperA4 << true << QString() << int(S::NotPrinted) << QString();
}

void YearSheetPdfTest::noPrinterOffersPdf() {
    QFETCH(int, paper);
    QFETCH(bool, accept);
    QFETCH(QString, chosenName);
    QFETCH(int, status);
    QFETCH(QString, savedName);
    QVERIFY2(QPrinterInfo::availablePrinterNames().isEmpty(),
             "this test needs a machine without printers (CUPS_SERVER points nowhere)");

    QTemporaryDir out;
    QStringList asked;
    QString suggested, filter;
    PrintDialogs().askYesNo = [&](QWidget*, const QString& text) {
        asked << text;
        return accept;
    };
    bool saveAsked = false;
    PrintDialogs().saveFileName = [&](QWidget*, const QString&, const QString& s,
                                      const QString& f) {
        saveAsked = true;
        suggested = s;
        filter = f;
        return chosenName.isEmpty() ? QString() : out.filePath(chosenName);
    };

    Colour saved = 0;
    const PrintResult r =
        PrintYearSheetToDefaultPrinter(paper, Inputs(false), ModelOf(2008), nullptr, &saved);
    ResetPrintDialogs();

    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].contains(QStringLiteral("未找到打印机")));
    QVERIFY(asked[0].contains(QStringLiteral("PDF")));
    QCOMPARE(saveAsked, accept);
    if (accept) {
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("2008年历.pdf"));
        QVERIFY(filter.contains(QStringLiteral("*.pdf")));
    }
    QCOMPARE(int(r.status), status);
    if (savedName.isEmpty()) {
        QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());
        QVERIFY(r.pdfPath.isEmpty());
        return;
    }
    QCOMPARE(r.pdfPath, out.filePath(savedName));
    QVERIFY(paper == kPaperA3 ? IsSize(PageSize(r.pdfPath), 297, 420)
                              : IsSize(PageSize(r.pdfPath), 210, 297));
    QVERIFY(LineOf(TextLines(r.pdfPath), QStringLiteral("2008年")) >= 0);
    QVERIFY(r.message.isEmpty());
}

void YearSheetPdfTest::unwritableFileIsReported() {
    PrintDialogs().askYesNo = [](QWidget*, const QString&) { return true; };
    PrintDialogs().saveFileName = [&](QWidget*, const QString&, const QString&, const QString&) {
        return dir_.filePath(QStringLiteral("no/such/folder/2008.pdf"));
    };
    const PrintResult r =
        PrintYearSheetToDefaultPrinter(kPaperA4, Inputs(false), ModelOf(2008), nullptr);
    ResetPrintDialogs();
    QCOMPARE(int(r.status), int(PrintResult::Status::Failed));
    QVERIFY2(r.message.contains(QStringLiteral("无法保存文件")), qPrintable(r.message));
}

// "A3纸打印" in the main window on a machine without printers: the offer, the file, and no
// claim that anything was printed.
void YearSheetPdfTest::mainWindowWithoutPrinter() {
    Windows().clear();
    State().Reset();
    State().DataPath = ORLENDA_DATA_FILE;
    QStringList messages;
    SetMessageSink([&](QWidget*, const QString& text) { messages << text; });
    QTemporaryDir out;
    int asked = 0;
    PrintDialogs().askYesNo = [&](QWidget*, const QString&) { return ++asked, true; };
    PrintDialogs().saveFileName = [&](QWidget*, const QString&, const QString& suggested,
                                      const QString&) {
        return out.filePath(QFileInfo(suggested).fileName());
    };
    const auto restore = qScopeGuard([] {
        ResetPrintDialogs();
        Windows().clear();
        SetMessageSink({});
    });

    Form1& form = Windows().ref<Form1>();
    form.Combo1->setCurrentIndex(form.Combo1->findText(QStringLiteral("2008")));
    form.Combo1_Click();
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    QCOMPARE(asked, 1);
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
    const QString saved = out.filePath(QStringLiteral("2008年历.pdf"));
    QVERIFY(IsSize(PageSize(saved), 297, 420));
    QVERIFY(LineOf(TextLines(saved), QStringLiteral("2008年")) >= 0);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    YearSheetPdfTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_yearsheet_pdf.moc"
