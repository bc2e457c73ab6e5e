// SPDX-License-Identifier: GPL-3.0-or-later
// The screen month view: the days as drawn, the month text rules, the caption and redrawing.
// Expected days come from published dates and the design's layout, read from the pixels.
#include <QDate>
#include <QWheelEvent>

#include "support/windowtesting.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

// Six week rows of seven cells, Monday first, '#' where something is: the title's cell, and
// the cells where a published calendar has the days. The title keeps the first cell, so a month
// that begins on a Monday starts its weeks a row lower.
QStringList publishedDays(int year, int month) {
    const QDate first(year, month, 1);
    const int before = first.dayOfWeek() == 1 ? 7 : first.dayOfWeek() - 1;
    QStringList cells(6, QString(7, QLatin1Char('.')));
    cells[0][0] = QLatin1Char('#');
    for (int d = 0; d < first.daysInMonth(); ++d)
        cells[(before + d) / 7][(before + d) % 7] = QLatin1Char('#');
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

// The picture's pixels in the highlight colour, as a bounding box.
QRect highlighted(MonthView& view) {
    const QImage shot = view.monthPicture->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) == qRgb(255, 255, 0)) box |= QRect(x, y, 1, 1);
    return box;
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

    // The text afterwards and the month drawn, named in the caption.
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

    // A year stepped to with the arrow keys in the main window's year box is the year the
    // view's caption names and the year whose days it draws.
    void arrowKeysPickTheYearDrawn() {
        QVERIFY(StartWithMainActive(main()));
        QLineEdit* years = main().yearCombo->lineEdit();
        QTest::mouseClick(years, Qt::LeftButton);
        const int month = QDate::currentDate().month();
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
            const QString before = main().yearLabel->text();
            QTest::keyClick(years, key);
            QVERIFY(main().yearLabel->text() != before);
            MonthView* view = Find<MonthView>();
            activate(view);
            const int year = view->windowTitle().left(4).toInt();
            QCOMPARE(QString::number(year), main().yearLabel->text());
            QCOMPARE(inkedDays(shown(*view)), publishedDays(year, month));
            activate(&main());
        }
    }

    // Page keys wherever the focus is and the wheel over the picture step through the months,
    // into the neighbouring years the data file holds (2000 to two years after today); the
    // main window shows the year stepped to.
    void stepping_data() {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("events");  // D, U: Page Down, Up; v, ^: a wheel notch down, up
        QTest::addColumn<int>("toYear");
        QTest::addColumn<int>("toMonth");
        const int last = QDate::currentDate().year() + 2;
        QTest::newRow("Page Down past December") << "2008"
                                                 << "12"
                                                 << "D" << 2009 << 1;
        QTest::newRow("Page Up past January") << "2009"
                                              << "1"
                                              << "UU" << 2008 << 11;
        QTest::newRow("wheel") << "2008"
                               << "5"
                               << "vv^" << 2008 << 6;
        QTest::newRow("end of the data") << QString::number(last) << "11"
                                         << "DDD" << last << 12;
        QTest::newRow("start of the data") << "2000"
                                           << "2"
                                           << "^U^" << 2000 << 1;
    }

    void stepping() {
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(QString, events);
        QFETCH(int, toYear);
        QFETCH(int, toMonth);
        MonthView* view = view2008(year);
        QVERIFY(view);
        PasteOver(view->monthCombo->lineEdit(), month);
        for (QChar e : events) {
            if (e == u'D' || e == u'U') {
                QTest::keyClick(QApplication::focusWidget(),
                                e == u'D' ? Qt::Key_PageDown : Qt::Key_PageUp);
                continue;
            }
            const QPointF at(100, 100);
            QWheelEvent wheel(at, view->monthPicture->mapToGlobal(at), QPoint(),
                              QPoint(0, e == u'v' ? -120 : 120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view->monthPicture, &wheel);
        }
        QVERIFY(messages.isEmpty());
        QCOMPARE(main().yearLabel->text(), QString::number(toYear));
        QCOMPARE(main().yearCombo->currentText(), QString::number(toYear));
        QVERIFY(view->windowTitle().startsWith(QStringLiteral("%1年").arg(toYear)));
        QCOMPARE(inkedDays(shown(*view)), publishedDays(toYear, toMonth));
    }

    // Today stands on a yellow highlight over its day and lunar text, in its own month only.
    void today_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("year");
        QTest::addColumn<bool>("pageDown");
        QTest::addColumn<bool>("marked");
        const QDate midAutumn(2008, 9, 14), springFestival(2008, 2, 7);
        QTest::newRow("中秋 2008, a Sunday") << midAutumn << "2008" << false << true;
        QTest::newRow("春节 2008, a Thursday") << springFestival << "2008" << false << true;
        QTest::newRow("the next month") << midAutumn << "2008" << true << false;
        QTest::newRow("a year later") << midAutumn << "2009" << false << false;
    }

    void today() {
        QFETCH(QDate, today);
        QFETCH(QString, year);
        QFETCH(bool, pageDown);
        QFETCH(bool, marked);
        SetTodayClock([today] { return today; });
        MonthView* view = view2008(year);
        QVERIFY(view);
        QVERIFY(view->windowTitle().endsWith(
            today.toString(QStringLiteral("今天是 yyyy年 M月 d日〉"))));
        if (pageDown) QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        const QRect box = highlighted(*view);
        QCOMPARE(box.isEmpty(), !marked);
        if (!marked) return;
        // The cell as in publishedDays: a day cell 48 by 24 pixels, the lunar cell 8 to the left
        // under it, 16 high.
        const int first = QDate(today.year(), today.month(), 1).dayOfWeek();
        const int cellIndex = (first == 1 ? 7 : first - 1) + today.day() - 1;
        const int row = cellIndex / 7, column = cellIndex % 7;
        const QRect cell(16 + column * 48, 56 + row * 40, 56, 40);
        for (int edge : {box.left() - cell.left(), box.top() - cell.top(),
                         box.right() - cell.right(), box.bottom() - cell.bottom()})
            QVERIFY2(std::abs(edge) <= 2, qPrintable(QDebug::toString(box)));
        QCOMPARE(inkedDays(shown(*view)), publishedDays(today.year(), today.month()));
    }

    void activationRedrawsAndCloseKeepsTheMonth() {
        MonthView* view = view2008();
        QVERIFY(view);
        PasteOver(view->monthCombo->lineEdit(), QStringLiteral("3"));
        // Back in the main window the view is blank, also when a year is picked there;
        // activated again it draws the month of that year.
        activate(&main());
        QVERIFY(IsBlank(shown(*view)));
        PickFromList(main().yearCombo, QStringLiteral("2009"));
        QVERIFY(IsBlank(shown(*view)));
        activate(view);
        QCOMPARE(view->windowTitle(), caption(QStringLiteral("2009"), QStringLiteral("3")));
        const QImage march = shown(*view);
        QCOMPARE(inkedDays(march), publishedDays(2009, 3));
        // Its sixth lunar line (30 and 31 March) lies whole on the picture: pixels 281 to 297
        // of the 305, after the sixth 18-point day line.
        QVERIFY(!IsBlank(march.copy(0, 281, march.width(), 17)));
        QVERIFY(IsBlank(march.copy(0, 298, march.width(), march.height() - 298)));
        // Close only hides: shown again, the month and the picture are still there.
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
