// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's print buttons with no printer at all (CUPS points nowhere): the sheet's
// preview, its 保存为PDF button and the offer of a PDF file from its print button, and the file
// read back with poppler's tools.
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/windowtesting.h"
#include "document/calendardocument.h"
#include "printing/printprompts.h"
#include "sheetfixture.h"
#include "windows/mainwindow.h"
#include "windows/messages.h"

using namespace orlenda;
using namespace orlenda::testing;

class YearSheetPdfTest : public QObject {
    Q_OBJECT
  private slots:
    void noPrinterOffersPdf_data();
    void noPrinterOffersPdf();
};

void YearSheetPdfTest::noPrinterOffersPdf_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("print");  // the preview's print button, else its 保存为PDF
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("chosen");   // empty: the save dialog is cancelled
    QTest::addColumn<QString>("saved");    // the file written
    QTest::addColumn<QString>("message");  // what the user is told, %1 the folder
    const QString savedAs = QStringLiteral("年历已保存为PDF文件：%1/"), none;
    const QString a4 = QStringLiteral("年历.pdf"), a3 = QStringLiteral("sheet.pdf");
    QTest::newRow("A4 printed, saved") << kPaperA4 << true << true << a4 << a4 << savedAs + a4;
    QTest::newRow("A3 saved, .pdf added")
        << kPaperA3 << false << true << QStringLiteral("sheet") << a3 << savedAs + a3;
    QTest::newRow("declined") << kPaperA4 << true << false << a4 << none << none;
    QTest::newRow("save cancelled") << kPaperA4 << false << true << none << none << none;
    QTest::newRow("unwritable folder")
        << kPaperA4 << true << true << QStringLiteral("no/such/folder/2008.pdf") << QString()
        << QStringLiteral("无法保存文件：%1/no/such/folder/2008.pdf\n");
}

// A3 or A4 pressed in the main window showing 2008, then a button of the preview: a question
// when printing, the suggested name, and no claim that anything was printed. The preview stays
// until something is saved or told.
void YearSheetPdfTest::noPrinterOffersPdf() {
    QFETCH(int, paper);
    QFETCH(bool, print);
    QFETCH(bool, accept);
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QFETCH(QString, message);
    QTemporaryDir out;
    QStringList asked, told;
    QString suggested;
    SetMessageSink([&](QWidget*, const QString& text) { told << text; });
    PrintDialogs().askYesNo = [&](QWidget*, const QString& text) {
        asked << text;
        return accept;
    };
    PrintDialogs().saveFileName = [&](QWidget*, const QString&, const QString& s, const QString&) {
        suggested = s;
        return chosen.isEmpty() ? QString() : out.filePath(chosen);
    };
    const auto restore = qScopeGuard([] {
        ResetPrintDialogs();
        SetMessageSink({});
    });
    CalendarDocument doc;
    doc.setDataPath(ORLENDA_DATA_FILE);
    MainWindow form(doc);
    form.show();
    testing::PickFromList(form.yearCombo, QStringLiteral("2008"));
    SheetPreview* preview = PreviewOf(paper == kPaperA3 ? form.printA3Button : form.printA4Button);
    QVERIFY(preview);
    QCOMPARE(preview->preview->pageCount(), 1);
    QVERIFY(!form.printA4Button->isEnabled() && !form.printA3Button->isEnabled());
    QTest::mouseClick(print ? preview->printButton : preview->pdfButton, Qt::LeftButton);

    QCOMPARE(asked.size(), int(print));
    QVERIFY(!print || asked[0] == QStringLiteral("未找到打印机。\n是否将年历保存为PDF文件？"));
    QCOMPARE(Find<SheetPreview>() != nullptr, message.isEmpty());
    if (Find<SheetPreview>()) QTest::mouseClick(preview->closeButton, Qt::LeftButton);
    QVERIFY(!Find<SheetPreview>() && form.printA4Button->isEnabled());
    QCOMPARE(QFileInfo(suggested).fileName(), accept ? QStringLiteral("2008年历.pdf") : QString());
    QVERIFY2(message.isEmpty() ? told.isEmpty()
                               : told.size() == 1 && told[0].startsWith(message.arg(out.path())),
             qPrintable(told.join('\n')));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files),
             saved.isEmpty() ? QStringList() : QStringList{saved});
    if (saved.isEmpty()) return;
    const QString pdf = out.filePath(saved);
    QVERIFY(paper == kPaperA3 ? IsOnePage(pdf, 297, 420) : IsOnePage(pdf, 210, 297));
    QVERIFY(Run(QStringLiteral("pdftotext"), {pdf, "-"}).contains(QStringLiteral("2008年")));
}

QTEST_MAIN(YearSheetPdfTest)
#include "test_yearsheet_pdf.moc"
