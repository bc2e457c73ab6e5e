// SPDX-License-Identifier: GPL-3.0-or-later
// The month view: days as drawn (published dates against pixels), month text, caption, redraws.
#include <QDate>
#include <QWheelEvent>

#include "support/windowtesting.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

// The cell of a day, 7 × row + column, Monday first. The title keeps the first cell, so a month
// that begins on a Monday starts its weeks a row lower.
int cellOf(const QDate& day) {
    const int first = QDate(day.year(), day.month(), 1).dayOfWeek();
    return (first == 1 ? 7 : first - 1) + day.day() - 1;
}

// '#' in the title's cell and where a published calendar has the days.
QStringList publishedDays(int year, int month) {
    QStringList cells(6, QString(7, QLatin1Char('.')));
    cells[0][0] = QLatin1Char('#');
    for (QDate d(year, month, 1); d.month() == month; d = d.addDays(1))
        cells[cellOf(d) / 7][cellOf(d) % 7] = QLatin1Char('#');
    return cells;
}

// The day cells holding ink. At 15 twips a pixel the day lines start 56 pixels down (three
// 14-point lines), 40 apart (an 18- and a 12-point line); a day cell is 36 points, 48 pixels,
// wide after a 24-pixel indent, and the title covers the indent and the first cell.
QStringList inkedDays(const QImage& picture) {
    QStringList cells(6, QString(7, QLatin1Char('.')));
    for (int row = 0; row < 6; ++row)
        for (int column = 0; column < 7; ++column) {
            const int left = column == 0 ? 0 : 24 + column * 48;
            const int width = column == 0 ? 72 : 48;
            if (!IsBlank(picture.copy(left + 2, 56 + row * 40 + 2, width - 4, 20)))
                cells[row][column] = QLatin1Char('#');
        }
    return cells;
}

QImage shown(MonthView& view) {
    return view.monthPicture->box().Image().convertToFormat(QImage::Format_RGB32);
}

// The caption: the year and the month text, then today's date with a blank before each number.
QString caption(const QString& year, const QString& month) {
    return year + QStringLiteral("年") + month + QStringLiteral("月份。〈今天是 ") +
           QDate::currentDate().toString(QStringLiteral("yyyy年 M月 d日〉"));
}

void activate(QWidget* w) {
    w->activateWindow();
    QTRY_VERIFY(w->isActiveWindow());
}

}  // namespace

class MonthViewTest : public QObject, public WindowTestBase {
    Q_OBJECT
    // Started, year picked in the main window and 屏幕查阅 pressed; null if a window failed.
    MonthView* view2008(const QString& year = QStringLiteral("2008")) {
        if (!StartWithMainActive(main())) return nullptr;
        PickFromList(main().yearCombo, year);
        QTest::mouseClick(main().monthViewButton, Qt::LeftButton);
        MonthView* view = Find<MonthView>();
        return view && QTest::qWaitFor([&] { return view->isActiveWindow(); }) ? view : nullptr;
    }

  private slots:
    void init() { startCase(); }
    void cleanup() {
        endCase();
        SetTodayClock({});
    }

    void monthText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("month");
        for (const char* bad : {"13", "", "abc"})
            QTest::addRow("%s", *bad ? bad : "empty") << bad << " 1" << 1;
        QTest::addRow("2.5 rounds to even") << QString("2.5") << QString("2.5") << 2;
        QTest::addRow("12abc: December, begins on a Monday")
            << QString("12abc") << QString("12abc") << 12;
    }

    void monthText() {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, month);
        MonthView* view = view2008();
        QVERIFY(view);
        QLineEdit* box = view->monthCombo->lineEdit();  // typed key by key over the whole text
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        typed.isEmpty() ? QTest::keyClick(box, Qt::Key_Delete) : QTest::keyClicks(box, typed);
        QCOMPARE(view->monthCombo->currentText(), text);
        QCOMPARE(view->windowTitle(), caption(QStringLiteral("2008"), text));
        QCOMPARE(inkedDays(shown(*view)), publishedDays(2008, month));
    }

    // Page keys and the wheel step through the months, into the years the data holds (2000 to
    // two years after today); the main window follows, its year box's arrows lead. Today, 春节
    // 2009 (a Monday), stands on a yellow highlight over its day and lunar text in its month.
    void stepping_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        // D, U: Page Down, Up; v, ^: a wheel notch down, up; Y: Down in the main year box
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("toYear");
        QTest::addColumn<int>("toMonth");
        const int last = QDate::currentDate().year() + 2;
        QTest::newRow("Page Down past December") << 2008 << 12 << QString("D") << 2009 << 1;
        QTest::newRow("Page Up past January") << 2009 << 1 << QString("UU") << 2008 << 11;
        QTest::newRow("wheel") << 2008 << 5 << QString("vv^") << 2008 << 6;
        QTest::newRow("year box, Page Down") << 2008 << 12 << QString("YD") << 2010 << 1;
        QTest::newRow("end of the data") << last << 11 << QString("DDD") << last << 12;
        QTest::newRow("start of the data") << 2000 << 2 << QString("^U^") << 2000 << 1;
    }

    void stepping() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, events);
        QFETCH(int, toYear);
        QFETCH(int, toMonth);
        const QDate today(2009, 1, 26);
        SetTodayClock([today] { return today; });
        MonthView* view = view2008(QString::number(year));
        QVERIFY(view);
        PasteOver(view->monthCombo->lineEdit(), QString::number(month));
        for (QChar e : events) {
            if (e == u'Y') {
                activate(&main());
                QTest::keyClick(main().yearCombo->lineEdit(), Qt::Key_Down);
                activate(view);
            } else if (e == u'D' || e == u'U') {
                QTest::keyClick(QApplication::focusWidget(),
                                e == u'D' ? Qt::Key_PageDown : Qt::Key_PageUp);
            } else {
                QWheelEvent wheel({100, 100}, {}, {}, {0, e == u'v' ? -120 : 120}, Qt::NoButton, {},
                                  Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(view->monthPicture, &wheel);
            }
        }
        QVERIFY(messages.isEmpty());
        QCOMPARE(main().yearLabel->text(), QString::number(toYear));
        QCOMPARE(main().yearCombo->currentText(), QString::number(toYear));
        QCOMPARE(inkedDays(shown(*view)), publishedDays(toYear, toMonth));
        QCOMPARE(view->windowTitle(), QStringLiteral("%1年 %2月份。").arg(toYear).arg(toMonth) +
                                          QStringLiteral("〈今天是 2009年 1月 26日〉"));
        const QRect box = PixelsOf(view->monthPicture->grab().toImage(), Qt::yellow).second;
        QCOMPARE(box.isEmpty(), toYear != today.year() || toMonth != today.month());
        if (box.isEmpty()) return;
        // Its cell: the day 48 x 24 pixels (as inkedDays), the lunar text 8 left, 16 high.
        const QRect expected(16 + cellOf(today) % 7 * 48, 56 + cellOf(today) / 7 * 40, 56, 40);
        QVERIFY2(expected.adjusted(-2, -2, 2, 2).contains(box) &&
                     box.contains(expected.adjusted(2, 2, -2, -2)),
                 qPrintable(QDebug::toString(box)));
    }

    void activationRedrawsAndCloseKeepsTheMonth() {
        MonthView* view = view2008();
        QVERIFY(view);
        PasteOver(view->monthCombo->lineEdit(), QStringLiteral("3"));
        // Blank while the main window is active, also across a year pick there.
        activate(&main());
        QVERIFY(IsBlank(shown(*view)));
        PickFromList(main().yearCombo, QStringLiteral("2009"));
        QVERIFY(IsBlank(shown(*view)));
        activate(view);
        QCOMPARE(view->windowTitle(), caption(QStringLiteral("2009"), QStringLiteral("3")));
        const QImage march = shown(*view);
        QCOMPARE(inkedDays(march), publishedDays(2009, 3));
        // In the design's colours: weekday names RGB(255, 75, 150), dates black, lunar texts
        // magenta (the lines as in inkedDays; lunar lines 24 pixels under the day lines).
        QVERIFY(PixelsOf(march, QColor(255, 75, 150), {0, 20, march.width(), 16}).first > 0);
        for (int row = 0; row < 6; ++row) {
            QVERIFY(PixelsOf(march, Qt::black, {0, 58 + row * 40, march.width(), 20}).first > 0);
            QVERIFY(PixelsOf(march, Qt::magenta, {0, 82 + row * 40, march.width(), 13}).first > 0);
        }
        // Its sixth lunar line (30 and 31 March) lies whole on the picture: pixels 281 to 297
        // of the 305, after the sixth 18-point day line.
        QVERIFY(!IsBlank(march.copy(0, 281, march.width(), 17)));
        QVERIFY(IsBlank(march.copy(0, 298, march.width(), march.height() - 298)));
        QTest::mouseClick(view->closeButton, Qt::LeftButton);
        QVERIFY(!view->isVisible() && Find<MonthView>() == view);
        QTest::mouseClick(main().monthViewButton, Qt::LeftButton);
        QCOMPARE(view->monthCombo->currentText(), QStringLiteral("3"));
        QCOMPARE(inkedDays(shown(*view)), publishedDays(2009, 3));
        // Closed by its frame it is gone, even when shown again at once: at today's month.
        view->close();
        QTest::mouseClick(main().monthViewButton, Qt::LeftButton);
        QVERIFY(Find<MonthView>() && Find<MonthView>()->isVisible());
        QCOMPARE(Find<MonthView>()->monthCombo->currentText(),
                 QString::number(QDate::currentDate().month()));
    }
};

QTEST_MAIN(MonthViewTest)
#include "test_monthview.moc"
