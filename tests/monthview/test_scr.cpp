// The screen month view: the first week as drawn, the month text rules, the caption,
// redrawing and TEST.BMP. Expected days come from published dates, not from the model.
#include <QDate>
#include <QLineEdit>
#include <QtTest>

#include "app/form1.h"
#include "app/startup.h"
#include "monthview/monthprint.h"
#include "monthview/scr.h"
#include "printing/sheetfixture.h"
#include "support/windowtesting.h"
#include "windowbase/calendardata.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

// Month m of the current model as the view should show it.
QImage reference(int month) {
    PictureBox b(6255, 4575, RGB(192, 255, 192));
    b.FontName = QStringLiteral("宋体");
    PrintMonthView(b, Model(), std::int16_t(month));
    return b.Image().convertToFormat(QImage::Format_RGB32);
}

QImage shown(scr& view) {
    return view.Picture1->box().Image().convertToFormat(QImage::Format_RGB32);
}

QString caption(const QString& year, const QString& month) {
    const QDate d = QDate::currentDate();
    return QStringLiteral("%1年%2月份。〈今天是 %3年 %4月 %5日〉")
        .arg(year, month)
        .arg(d.year())
        .arg(d.month())
        .arg(d.day());
}

void activate(QWidget* w) {
    w->activateWindow();
    QTRY_VERIFY(w->isActiveWindow());
}

}  // namespace

class ScrTest : public QObject, public WindowTestBase {
    Q_OBJECT
    // The program started, 2008 picked in the main window's list and 屏幕查阅 pressed.
    scr& view2008() {
        StartWindows();
        (void)QTest::qWaitFor(
            [] { return Windows().find<scr>() && Windows().find<scr>()->isActiveWindow(); });
        Form1& main = *Windows().find<Form1>();
        main.activateWindow();
        (void)QTest::qWaitFor([&] { return main.isActiveWindow(); });
        PickFromList(main.Combo1, QStringLiteral("2008"));
        QTest::mouseClick(main.Command9, Qt::LeftButton);
        scr& view = *Windows().find<scr>();
        (void)QTest::qWaitFor([&] { return view.isActiveWindow(); });  // which draws it
        return view;
    }

  private slots:
    void init() {
        startCase();
        QDir::setCurrent(dir.path());
    }
    void cleanup() { endCase(); }

    // 2008: January 1 was a Tuesday, the 23rd of the 11th lunar month; September 1 a Monday,
    // 八月初二; October 1 a Wednesday, 九月初三. The title takes the Monday's cell, a blank day
    // cell is as wide as the others.
    void firstWeek_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("lunarOfFirst");
        auto row = [](const char* name, int month, const char* days, const char* lunar) {
            QTest::newRow(name) << month << QString(days) << QString(lunar);
        };
        row("January", 1, " 1月  |   1|   2|   3|   4|   5|   6", "廿三  ");
        row("September", 9, " 9月  |   2|   3|   4|   5|   6|   7", "初二  ");
        row("October", 10, "10月  |    |   1|   2|   3|   4|   5", "初三  ");
    }

    void firstWeek() {
        QFETCH(int, month);
        QFETCH(QString, days);
        QFETCH(QString, lunarOfFirst);
        RecordingSurface r;
        PrintMonthView(r, ModelOf(2008), std::int16_t(month));
        // After the seven weekday names: the title and six day cells, a blank and seven lunar
        // cells.
        QVERIFY(r.texts.size() > 21);
        QStringList line;
        for (int i = 7; i < 14; ++i) line << r.texts[i].text;
        QCOMPARE(line.join('|'), days);
        const int column = QDate(2008, month, 1).dayOfWeek();
        QCOMPARE(r.texts[14 + column].text, lunarOfFirst);
    }

    // The text afterwards and the month drawn, named in the caption.
    void monthText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("month");
        for (const char* bad : {"13", "abc", "", "0.9"})
            QTest::addRow("%s", *bad ? bad : "empty") << bad << " 1" << 1;
        QTest::addRow("2.5 rounds to even") << QString("2.5") << QString("2.5") << 2;
        QTest::addRow("12abc") << QString("12abc") << QString("12abc") << 12;
    }

    void monthText() {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, month);
        scr& view = view2008();
        PasteOver(view.Combo1->lineEdit(), typed);
        QCOMPARE(view.Combo1->currentText(), text);
        QCOMPARE(view.windowTitle(), caption(QStringLiteral("2008"), text));
        QCOMPARE(shown(view), reference(month));
    }

    void activationRedrawsAndCloseKeepsTheMonth() {
        scr& view = view2008();
        PasteOver(view.Combo1->lineEdit(), QStringLiteral("3"));
        // Back in the main window the view is blank; activated again it draws the month.
        Form1& main = *Windows().find<Form1>();
        activate(&main);
        QVERIFY(IsBlank(shown(view)));
        activate(&view);
        QCOMPARE(shown(view), reference(3));
        // March 2008's six week rows: the last lunar line (31 March) lies whole on the picture,
        // three 14-point lines and five rows of an 18- and a 12-point line above it, each one
        // em high, so it fills pixels 281 to 297 of the 305.
        const QImage march = shown(view);
        QVERIFY(!IsBlank(march.copy(0, 281, march.width(), 17)));
        QVERIFY(IsBlank(march.copy(0, 298, march.width(), march.height() - 298)));
        // A year picked in the main window since: the view shows that year, caption and days.
        activate(&main);
        PickFromList(main.Combo1, QStringLiteral("2009"));
        activate(&view);
        QCOMPARE(view.windowTitle(), caption(QStringLiteral("2009"), QStringLiteral("3")));
        QCOMPARE(Model().DayGrid[3][1][7], std::string("1"));  // 1 March 2009 was a Sunday
        QCOMPARE(shown(view), reference(3));
        // Close only hides: shown again, the month and the picture are still there.
        QTest::mouseClick(view.Command2, Qt::LeftButton);
        QVERIFY(!view.isVisible() && Windows().find<scr>() == &view);
        QTest::mouseClick(main.Command9, Qt::LeftButton);
        QCOMPARE(view.Combo1->currentText(), QStringLiteral("3"));
        QCOMPARE(shown(view), reference(3));
    }

    // Saved twice, the second over the first; then a folder of that name cannot be replaced
    // (even by root): told, nothing left beside it.
    void testBmp() {
        scr& view = view2008();
        const QString path = dir.filePath(QStringLiteral("TEST.BMP"));
        for (int month : {9, 2}) {
            PasteOver(view.Combo1->lineEdit(), QString::number(month));
            QTest::mouseClick(view.Command1, Qt::LeftButton);
            QCOMPARE(QImage(path, "BMP").convertToFormat(QImage::Format_RGB32), reference(month));
        }
        QVERIFY(messages.isEmpty());
        QVERIFY(QFile::remove(path) && QDir(dir.path()).mkdir(QStringLiteral("TEST.BMP")));
        QTest::mouseClick(view.Command1, Qt::LeftButton);
        QVERIFY(messages.size() == 1 && messages[0].contains(QStringLiteral("TEST.BMP")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("china.txt")});
    }
};

QTEST_MAIN(ScrTest)
#include "test_scr.moc"
