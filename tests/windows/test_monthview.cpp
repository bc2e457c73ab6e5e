// SPDX-License-Identifier: GPL-3.0-or-later
// The screen month view: the days as drawn, the month text rules, the caption and redrawing.
// Expected days come from published dates and the design's layout, read from the pixels.
#include <QDate>

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

void activate(QWidget* w) {
    w->activateWindow();
    QTRY_VERIFY(w->isActiveWindow());
}

}  // namespace

class MonthViewTest : public QObject, public WindowTestBase {
    Q_OBJECT
    // Started, 2008 picked in the main window and 屏幕查阅 pressed; null if a window failed.
    MonthView* view2008() {
        if (!StartWithMainActive(main())) return nullptr;
        PickFromList(main().yearCombo, QStringLiteral("2008"));
        QTest::mouseClick(main().monthViewButton, Qt::LeftButton);
        MonthView* view = Find<MonthView>();
        return view && QTest::qWaitFor([&] { return view->isActiveWindow(); }) ? view : nullptr;
    }

  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }

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
