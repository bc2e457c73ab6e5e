// The screen month view: the drawn layout text by text, the month text rules, the caption,
// redrawing and TEST.BMP. Expected day numbers come from QDate, not from the model.
#include <QAbstractItemView>
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

// One edit by the user that leaves text in the box: a paste over all of it.
void edit(QComboBox* combo, const QString& text) { PasteOver(combo->lineEdit(), text); }

}  // namespace

class ScrTest : public QObject, public WindowTestBase {
    Q_OBJECT
  private slots:
    void init() {
        startCase();
        QDir::setCurrent(dir.path());
    }
    void cleanup() { endCase(); }
    void layout_data();
    void layout();
    void monthText_data();
    void monthText();
    void listPickShowsTheListText();
    void activationRedrawsAndCloseKeepsTheMonth();
    void testBmp();
    void sixWeekMonthFits();

  private:
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
};

void ScrTest::layout_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("lunarOfFirst");  // empty: the month is out of range
    // 2008: January 1 was the 23rd of the 11th lunar month; September 1 and December 1, both
    // Mondays, the 2nd of the 8th and the 4th of the 11th.
    QTest::newRow("January") << 1 << QStringLiteral("廿三  ");
    QTest::newRow("September") << 9 << QStringLiteral("初二  ");
    QTest::newRow("December") << 12 << QStringLiteral("初四  ");
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("13") << 13 << QString();
}

void ScrTest::layout() {
    QFETCH(int, month);
    QFETCH(QString, lunarOfFirst);
    RecordingSurface r;
    r.FontName = QStringLiteral("宋体");
    PrintMonthView(r, ModelOf(2008), std::int16_t(month));
    std::vector<std::vector<DrawnText>> ls;  // consecutive texts at one height
    for (const DrawnText& t : r.texts) {
        if (ls.empty() || ls.back().front().y != t.y) ls.emplace_back();
        ls.back().push_back(t);
        QVERIFY(t.bold);  // bold from the header on, for the whole drawing
    }
    // The weekday line is the second line: no indent, 14 points, pink.
    const QStringList names = {"一", "二", "三", "四", "五", "六", "日"};
    QVERIFY(ls.size() > 1 && ls[0].size() == 7 && ls[0][0].x == 0 && ls[0][0].y > 0);
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(ls[0][i].text, QStringLiteral("   ") + names[i]);
        QVERIFY(ls[0][i].size == 14 && ls[0][i].colour == RGB(255, 75, 150));
    }
    const QString title = QString::number(month).rightJustified(2) + QStringLiteral("月  ");
    if (lunarOfFirst.isEmpty()) {  // every cell read fails: only the header and the title
        for (size_t k = 7; k < r.texts.size(); ++k)
            QVERIFY(r.texts[k].text == title || r.texts[k].text.trimmed().isEmpty());
        return;
    }
    QCOMPARE(ls.size(), size_t(13));
    const QDate first(2008, month, 1);
    for (int w = 1; w <= 6; ++w) {
        const auto& days = ls[2 * w - 1];
        const auto& lunar = ls[2 * w];
        QVERIFY(days[0].y > ls[2 * w - 2][0].y && lunar[0].y > days[0].y);
        QCOMPARE(days[0].text, w == 1 ? title : QStringLiteral("  "));
        QCOMPARE(days.size(), size_t(w == 1 ? 7 : 8));
        QCOMPARE(lunar.size(), size_t(8));
        for (int d = 1; d <= 7; ++d) {
            const int day = (w - 1) * 7 + d - first.dayOfWeek() + 1;
            const bool in = day >= 1 && day <= first.daysInMonth();
            const DrawnText& l = lunar[d];
            QCOMPARE(l.text.trimmed().isEmpty(), !in);
            if (day == 1) QCOMPARE(l.text, lunarOfFirst);
            QVERIFY(l.size == 12 && l.colour == RGB(255, 0, 255));
            if (w == 1 && d == 1) continue;  // the title's cell
            const DrawnText& c = days[w == 1 ? d - 1 : d];
            QCOMPARE(c.text, in ? QString::number(day).rightJustified(4) : QStringLiteral("    "));
            // Every row's cells, the first row's too, stand in the same 36-point columns.
            QCOMPARE(c.x, 360 + (d - 1) * 720.0);
            QVERIFY(c.size == 18 && c.colour == RGB(0, 0, 0));
        }
    }
}

void ScrTest::monthText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");  // the text afterwards
    QTest::addColumn<int>("month");     // the month drawn
    for (const char* bad : {"0", "13", "abc", "", "12.5", "0.9"})
        QTest::addRow("%s", *bad ? bad : "empty") << bad << " 1" << 1;
    QTest::addRow("1.5 rounds to even") << "1.5"
                                        << "1.5" << 2;
    QTest::addRow("2.5 rounds to even") << "2.5"
                                        << "2.5" << 2;
    QTest::addRow("12abc") << "12abc"
                           << "12abc" << 12;
}

void ScrTest::monthText() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, month);
    scr& view = view2008();
    State().MonthViewDrawn = 0;
    edit(view.Combo1, typed);
    QCOMPARE(view.Combo1->currentText(), text);
    QCOMPARE(State().MonthViewDrawn, std::int16_t(1));
    QCOMPARE(view.windowTitle(), caption(QStringLiteral("2008"), text));
    QCOMPARE(shown(view), reference(month));
}

void ScrTest::listPickShowsTheListText() {
    scr& view = view2008();
    const int today = QDate::currentDate().month();
    QCOMPARE(view.windowTitle(), caption(QStringLiteral("2008"), QString::number(today)));
    QCOMPARE(view.Combo1->count(), 12);
    QCOMPARE(view.Combo1->itemText(11), QStringLiteral(" 12"));
    PickFromList(view.Combo1, QStringLiteral(" 5"));
    QCOMPARE(view.windowTitle(), caption(QStringLiteral("2008"), QStringLiteral(" 5")));
    QCOMPARE(shown(view), reference(5));
    // The arrow keys pick the next month from the list.
    QTest::keyClick(view.Combo1, Qt::Key_Down);
    QCOMPARE(view.windowTitle(), caption(QStringLiteral("2008"), QStringLiteral(" 6")));
    QCOMPARE(shown(view), reference(6));
}

void ScrTest::activationRedrawsAndCloseKeepsTheMonth() {
    scr& view = view2008();
    QTRY_VERIFY(view.isActiveWindow());
    edit(view.Combo1, QStringLiteral("3"));
    // Back in the main window the view is blank; activated again it draws the month.
    Form1& main = *Windows().find<Form1>();
    main.activateWindow();
    QTRY_VERIFY(main.isActiveWindow());
    QVERIFY(IsBlank(shown(view)));
    view.activateWindow();
    QTRY_VERIFY(view.isActiveWindow());
    QCOMPARE(shown(view), reference(3));
    // A year picked in the main window since: the view shows that year, caption and days.
    main.activateWindow();
    QTRY_VERIFY(main.isActiveWindow());
    PickFromList(main.Combo1, QStringLiteral("2009"));
    view.activateWindow();
    QTRY_VERIFY(view.isActiveWindow());
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

void ScrTest::testBmp() {
    scr& view = view2008();
    const QString path = dir.filePath(QStringLiteral("TEST.BMP"));
    for (int month : {9, 2}) {  // the second save overwrites the first
        edit(view.Combo1, QString::number(month));
        QTest::mouseClick(view.Command1, Qt::LeftButton);
        QCOMPARE(QImage(path, "BMP").convertToFormat(QImage::Format_RGB32), reference(month));
    }
    QVERIFY(messages.isEmpty());  // success is silent
    // A folder of that name cannot be replaced (even by root): told, nothing left beside it.
    QVERIFY(QFile::remove(path) && QDir(dir.path()).mkdir(QStringLiteral("TEST.BMP")));
    QTest::mouseClick(view.Command1, Qt::LeftButton);
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains(QStringLiteral("TEST.BMP")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("china.txt")});
}

// March 2008 spans six week rows: its last lunar line (31 March, 廿四) lies whole on the
// picture. Three 14-point lines, then rows of an 18- and a 12-point line, each one em high:
// the sixth lunar line fills pixels 281 to 297 of the 305.
void ScrTest::sixWeekMonthFits() {
    scr& view = view2008();
    edit(view.Combo1, QStringLiteral("3"));
    const QImage picture = shown(view);
    auto inked = [&](int top, int bottom) {
        return !IsBlank(picture.copy(0, top, picture.width(), bottom - top + 1));
    };
    QVERIFY(inked(281, 297));
    QVERIFY(!inked(298, picture.height() - 1));
}

QTEST_MAIN(ScrTest)
#include "test_scr.moc"
