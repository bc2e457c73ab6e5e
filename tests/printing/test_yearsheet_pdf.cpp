// The offer to save the year sheet as a PDF file when the machine has no printer (this test
// runs with CUPS pointed at nowhere); the file read back with poppler's tools.
#include <QLocale>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/windowtesting.h"
#include "app/form1.h"
#include "core/appstate.h"
#include "printing/printprompts.h"
#include "sheetfixture.h"
#include "windowbase/messages.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

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
    void noPrinterOffersPdf_data();
    void noPrinterOffersPdf();
    void mainWindowA3ButtonWithoutPrinter();

  private:
    QTemporaryDir dir_;
};

void YearSheetPdfTest::noPrinterOffersPdf_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("chosen");  // empty: the save dialog is cancelled
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("saved");    // the file written
    QTest::addColumn<QString>("message");  // part of what the user is told
    using S = PrintResult::Status;
    QTest::newRow("A4 saved") << kPaperA4 << true << QStringLiteral("年历.pdf")
                              << int(S::SavedAsPdf) << QStringLiteral("年历.pdf") << QString();
    QTest::newRow("A3 saved, .pdf added")
        << kPaperA3 << true << QStringLiteral("sheet") << int(S::SavedAsPdf)
        << QStringLiteral("sheet.pdf") << QString();
    QTest::newRow("declined") << kPaperA4 << false << QStringLiteral("never.pdf")
                              << int(S::NotPrinted) << QString() << QString();
    QTest::newRow("save cancelled")
        << kPaperA4 << true << QString() << int(S::NotPrinted) << QString() << QString();
    QTest::newRow("unwritable folder")
        << kPaperA4 << true << QStringLiteral("no/such/folder/2008.pdf") << int(S::Failed)
        << QString() << QStringLiteral("无法保存文件");
}

void YearSheetPdfTest::noPrinterOffersPdf() {
    QFETCH(int, paper);
    QFETCH(bool, accept);
    QFETCH(QString, chosen);
    QFETCH(int, status);
    QFETCH(QString, saved);
    QFETCH(QString, message);
    QVERIFY2(QPrinterInfo::availablePrinterNames().isEmpty(),
             "this test needs a machine without printers (CUPS_SERVER points nowhere)");
    QTemporaryDir out;
    QStringList asked;
    QString suggested, filter;
    PrintDialogs().askYesNo = [&](QWidget*, const QString& text) {
        asked << text;
        return accept;
    };
    PrintDialogs().saveFileName = [&](QWidget*, const QString&, const QString& s,
                                      const QString& f) {
        suggested = s;
        filter = f;
        return chosen.isEmpty() ? QString() : out.filePath(chosen);
    };
    const PrintResult r = PrintYearSheetToDefaultPrinter(paper, Inputs(false), ModelOf(2008), {});
    ResetPrintDialogs();

    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].contains(QStringLiteral("未找到打印机")) &&
            asked[0].contains(QStringLiteral("PDF")));
    QCOMPARE(QFileInfo(suggested).fileName(), accept ? QStringLiteral("2008年历.pdf") : QString());
    QVERIFY(!accept || filter.contains(QStringLiteral("*.pdf")));
    QCOMPARE(int(r.status), status);
    QVERIFY2(message.isEmpty() ? r.message.isEmpty() : r.message.contains(message),
             qPrintable(r.message));
    QCOMPARE(r.pdfPath, saved.isEmpty() ? QString() : out.filePath(saved));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files),
             saved.isEmpty() ? QStringList() : QStringList{saved});
    if (!saved.isEmpty())
        QVERIFY(paper == kPaperA3 ? IsOnePage(r.pdfPath, 297, 420)
                                  : IsOnePage(r.pdfPath, 210, 297));
}

// "A3纸打印" in the main window on a machine without printers: the offer, the file, and no
// claim that anything was printed.
void YearSheetPdfTest::mainWindowA3ButtonWithoutPrinter() {
    Windows().clear();
    State().Reset();
    State().DataPath = ORLENDA_DATA_FILE;
    QStringList messages;
    SetMessageSink([&](QWidget*, const QString& text) { messages << text; });
    QTemporaryDir out;
    PrintDialogs().askYesNo = [](QWidget*, const QString&) { return true; };
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
    form.show();
    testing::PickFromList(form.Combo1, QStringLiteral("2008"));
    QTest::mouseClick(form.Command2, Qt::LeftButton);
    const QString saved = out.filePath(QStringLiteral("2008年历.pdf"));
    QCOMPARE(messages, QStringList{QStringLiteral("年历已保存为PDF文件：") + saved});
    QVERIFY(IsOnePage(saved, 297, 420));
    QVERIFY(TextLines(saved).join(QLatin1Char('\n')).contains(QStringLiteral("2008年")));
}

QTEST_MAIN(YearSheetPdfTest)
#include "test_yearsheet_pdf.moc"
