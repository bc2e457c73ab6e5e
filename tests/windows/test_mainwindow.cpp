// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: ending, the keyboard, the year pick, the sheet's preview, and a missing
// data file told once.
#include <QDate>
#include <QPrintPreviewWidget>
#include <QSignalSpy>

#include "printing/printprompts.h"
#include "support/testpictures.h"
#include "support/windowtesting.h"
#include "windows/greetingeditor.h"
#include "windows/helpwindow.h"
#include "windows/picturechooser.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

int thisYear() { return QDate::currentDate().year(); }

bool modelIsOf(const CalendarDocument& doc, int year) {
    for (int m = 1; m <= 12; ++m)
        if (doc.model().DayGrid[m][1][QDate(year, m, 1).dayOfWeek()] != "1") return false;
    return true;
}

// What a page shows: the ink's spread as fractions of the page, then the clear-coloured pixels
// by the sheet's colours at any lightness (hue within 5 degrees): the A4 title's red, the
// weekday names' blue, the lunar lines' violet, the month titles' and greeting's purples.
QList<double> Seen(const QImage& shot, QRect page) {
    const int hues[] = {0, QColor(0, 0, 255).hsvHue(), QColor(100, 0, 255).hsvHue(),
                        QColor(100, 0, 140).hsvHue(), QColor(220, 100, 255).hsvHue()};
    QRect ink;
    QList<double> seen(8, 0);
    for (int y = page.top(); y <= page.bottom(); ++y)
        for (int x = page.left(); x <= page.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (std::min({c.red(), c.green(), c.blue()}) < 200) ink |= QRect(x, y, 1, 1);
            for (int i = 0; i < 5 && c.hsvSaturation() >= 80; ++i)
                if (const int d = std::abs(c.hsvHue() - hues[i]); std::min(d, 360 - d) <= 5) {
                    ++seen[4 + std::min(i, 3)];
                    break;
                }
        }
    const QRectF f = QRectF(ink.translated(-page.topLeft()));
    seen[0] = f.left() / page.width(), seen[1] = f.top() / page.height();
    seen[2] = f.right() / page.width(), seen[3] = f.bottom() / page.height();
    return seen;
}

}  // namespace

class MainWindowTest : public QObject, public WindowTestBase {
    Q_OBJECT

  private slots:
    void initTestCase() { qputenv("CUPS_SERVER", "/nonexistent/cups.sock"); }  // no printer
    void init() { startCase(); }
    void cleanup() {
        endCase();
        ResetPrintDialogs();
    }

    // "结束" and the frame both end the program, whatever else is open.
    void endingTheProgram_data() {
        QTest::addColumn<bool>("byFrame");
        QTest::newRow("结束") << false;
        QTest::newRow("the frame's close") << true;
    }
    void endingTheProgram() {
        QFETCH(bool, byFrame);
        MainWindow& w = main();
        QSignalSpy ended(&w, &MainWindow::ended);
        QVERIFY(StartWithMainActive(w));
        QTest::mouseClick(w.helpButton, Qt::LeftButton);
        QTest::mouseClick(w.chooseGreetingButton, Qt::LeftButton);
        QTest::mouseClick(w.choosePictureButton, Qt::LeftButton);
        QVERIFY(Find<HelpWindow>() && Find<GreetingEditor>() && Find<MonthView>() &&
                Find<PictureChooser>());
        QCOMPARE(Find<HelpWindow>()->windowTitle(), QStringLiteral("Orlenda"));
        QCOMPARE(Find<GreetingEditor>()->windowTitle(), QStringLiteral("编写祝贺语"));
        byFrame ? (void)w.close() : QTest::mouseClick(w.endButton, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QVERIFY(!w.isVisible() && !Find<MonthView>() && !Find<HelpWindow>() &&
                !Find<GreetingEditor>() && !Find<PictureChooser>());
    }

    // Tab visits every control in the design's order, each option group once at its chosen
    // button (the desktop's way); the arrows choose within a group; Enter presses a button.
    void keyboard() {
        MainWindow& w = main();
        QVERIFY(StartWithMainActive(w));
        QList<QWidget*> chain{QApplication::focusWidget()};
        for (int i = 1; i < 13; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            chain << QApplication::focusWidget();
        }
        const QList<QWidget*> expected = {
            w.chineseRadio,  w.choosePictureButton, w.chooseGreetingButton,
            w.printA4Button, w.printA3Button,       w.endButton,
            w.helpButton,    w.aboutButton,         w.monthViewButton,
            w.monoRadio,     w.yearCombo,           w.documentButton,
            w.chineseRadio};
        QCOMPARE(chain, expected);
        // The option buttons as drawn: the design's pale yellow, not the style's grey.
        const QImage shot = w.grab().toImage();
        for (QWidget* o : {w.englishRadio, w.colourRadio})
            QCOMPARE(shot.pixelColor(o->mapTo(&w, QPoint(o->width() - 3, o->height() / 2))),
                     QColor(255, 255, 192));
        QTest::keyClick(w.chineseRadio, Qt::Key_Up);
        QVERIFY(w.englishRadio->isChecked() && w.englishRadio->hasFocus() && doc->english());
        for (int i = 0; i < 9; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(w.monoRadio, Qt::Key_Down);
        QVERIFY(w.colourRadio->isChecked() && doc->colour() && doc->english());
        for (int i = 0; i < 3; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w.helpButton);
        QTest::keyClick(w.helpButton, Qt::Key_Return);
        QTRY_VERIFY(Find<HelpWindow>() && Find<HelpWindow>()->isVisible());
        // The help names the button and this data file's years; the About box has six lines.
        const QStringList help = Find<HelpWindow>()->usageBox->toPlainText().split('\n');
        QCOMPARE(help[5], QStringLiteral("2:点击\"%1\"后可以查阅指定年份各月的月历。")
                              .arg(w.monthViewButton->text()));
        QCOMPARE(help[11], QStringLiteral("  提供了 2000-%1年的数据。").arg(thisYear() + 2));
        QTest::mouseClick(w.aboutButton, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        const QStringList about = messages[0].split(QStringLiteral("\r\n"));
        QVERIFY(about.size() == 6 && about[0] == QStringLiteral("欢迎对本软件提出改进意见") &&
                about[5] == QStringLiteral("最后修改日期： 2007/11/16"));
        QVERIFY(!messages[0].contains(QStringLiteral("跟踪")));
        // A year typed into the box is not picked; one picked from its list is.
        PasteOver(w.yearCombo->lineEdit(), QString());
        QTest::keyClicks(w.yearCombo->lineEdit(), QStringLiteral("2008"));
        QTest::keyClick(w.yearCombo->lineEdit(), Qt::Key_Return);
        QTest::keyClick(w.yearCombo->lineEdit(), Qt::Key_Tab);
        QCOMPARE(w.yearLabel->text(), QString::number(thisYear()));
        QVERIFY(doc->year() == thisYear() && modelIsOf(*doc, thisYear()));
        PickFromList(w.yearCombo, QStringLiteral("2008"));
        QCOMPARE(w.yearLabel->text(), QStringLiteral("2008"));
        QVERIFY(doc->year() == 2008 && modelIsOf(*doc, 2008));
    }

    // The preview of A3纸打印 and A4纸打印 shows the year's sheet as the reviewed golden page of
    // the same choices: its ink spread over the page alike, in the design's colours or none.
    void printPreview_data() {
        QTest::addColumn<bool>("a3");  // 2020 in English, else 2008 in Chinese
        QTest::addColumn<bool>("colour");
        QTest::newRow("A4 black and white") << false << false;
        QTest::newRow("A4 colour") << false << true;
        QTest::newRow("A3 colour") << true << true;
        QTest::newRow("A3 black and white") << true << false;
    }
    void printPreview() {
        QFETCH(bool, a3);
        QFETCH(bool, colour);
        MainWindow& w = main();
        QVERIFY(StartWithMainActive(w));
        PickFromList(w.yearCombo, a3 ? QStringLiteral("2020") : QStringLiteral("2008"));
        Click(colour ? w.colourRadio : w.monoRadio);
        Click(a3 ? w.englishRadio : w.chineseRadio);
        SheetPreview* preview = PreviewOf(a3 ? w.printA3Button : w.printA4Button);
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), a3 ? QStringLiteral("2020年历 A3纸打印预览")
                                            : QStringLiteral("2008年历 A4纸打印预览"));
        preview->resize(900, 1250);  // as a person enlarges it
        QImage shot;
        QRect page;  // white within the view's grey
        QVERIFY(QTest::qWaitFor([&] {
            shot = preview->preview->grab().toImage();
            page = PixelsOf(shot, Qt::white).second;
            return page.height() > 900;
        }));
        const QImage golden(
            QStringLiteral(ORLENDA_GOLDEN_DIR "/expected/") +
            (a3 ? "sheet-a3-2020-colour-english.page.png" : "sheet-a4-2008.page.png"));
        const QList<double> seen = Seen(shot, page.adjusted(1, 1, -1, -1)),
                            kept = Seen(golden, golden.rect());
        for (int i = 0; i < 4; ++i)
            QVERIFY2(std::abs(seen[i] - kept[i]) < 0.015, qPrintable(QDebug::toString(seen)));
        QVERIFY2(colour ? (seen[4] > 20) == !a3 && seen[5] > 20 && seen[6] > 20 && seen[7] > 20
                        : seen.mid(4) == QList<double>(4, 0),
                 qPrintable(QDebug::toString(seen)));
        // Without a printer Enter saves it as a PDF file of that paper (842 or 595 points wide).
        const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
        PrintDialogs().saveFileName = [&](QWidget*, auto...) { return pdf; };
        PrintDialogs().askYesNo = [&](QWidget*, const QString& text) {
            return messages << text, false;
        };
        QTest::keyClick(preview, Qt::Key_Return);
        QCOMPARE(messages, QStringList{QStringLiteral("年历已保存为PDF文件：") + pdf});
        QVERIFY(test::ReadFile(pdf).contains(a3 ? "/MediaBox [0 0 842" : "/MediaBox [0 0 595"));
    }

    // A data file missing at the start, or gone since, is told once and not created; the
    // program goes on with the year's Gregorian layout, without lunar texts. A file that ends
    // before this year is told with the lines and years it holds.
    void missingDataToldOnce_data() {
        QTest::addColumn<bool>("goneSince");
        QTest::addColumn<int>("lastYear");  // of the file; 0: no file
        QTest::newRow("missing at the start") << false << 0;
        QTest::newRow("gone since, two years picked") << true << 0;
        QTest::newRow("2000 to 2010") << false << 2010;
    }
    void missingDataToldOnce() {
        QFETCH(bool, goneSince);
        QFETCH(int, lastYear);
        if (lastYear) writeData(DataFile(lastYear));
        if (!goneSince && !lastYear) QFile::remove(dataPath());
        doc->setDataPath(dataPath());
        MainWindow& w = main();
        w.show();
        if (goneSince) {
            QFile::remove(dataPath());
            for (const char* year : {"2008", "2009"}) PickFromList(w.yearCombo, year);
        }
        const QString noLine = QStringLiteral(
            "阴历数据文件 %1 只有%2行（到%3年），没有%4年的数据（应在第%5行）。"
            "%4年的月历只显示公历日期，不显示阴历。");
        const QString missing = QStringLiteral(
            "无法读取阴历数据文件 %1：文件不存在。所有年份都不显示阴历，公历日期照常显示。"
            "请把正确的 china.txt 放在程序所在的文件夹中。");
        const int y = thisYear();
        QCOMPARE(
            messages,
            QStringList{
                lastYear
                    ? noLine.arg(dataPath()).arg(lastYear - 1999).arg(lastYear).arg(y).arg(y - 1999)
                    : missing.arg(dataPath())});
        if (lastYear) return;
        const int year = goneSince ? 2009 : thisYear();
        QCOMPARE(w.yearLabel->text(), QString::number(year));
        QVERIFY(modelIsOf(*doc, year));
        QCOMPARE(doc->model().LunarGrid[1][1][QDate(year, 1, 1).dayOfWeek()], std::string(6, ' '));
        QTest::mouseClick(w.monthViewButton, Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QVERIFY(!QFile::exists(dataPath()));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
