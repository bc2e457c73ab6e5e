// The screen month view: the first week as drawn, the month text rules, the caption and
// redrawing. Expected days come from published dates, not from the model.
#include <QDate>
#include <QLineEdit>
#include <QtTest>

#include "windows/mainwindow.h"
#include "windows/startup.h"
#include "render/monthrenderer.h"
#include "windows/monthview.h"
#include "printing/sheetfixture.h"
#include "support/programstart.h"
#include "support/windowtesting.h"
#include "windows/calendardata.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

// Month m of the current model as the view should show it.
QImage reference(int month) {
    PictureBox b(6255, 4575, RGB(192, 255, 192));
    b.FontName = QStringLiteral("宋体");
    DrawMonthView(b, Model(), month);
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
        Form1& main = StartWithMainActive();
        PickFromList(main.Combo1, QStringLiteral("2008"));
        QTest::mouseClick(main.Command9, Qt::LeftButton);
        scr& view = *Windows().find<scr>();
        (void)QTest::qWaitFor([&] { return view.isActiveWindow(); });  // which draws it
        return view;
    }

  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }

    // October 2008 began on a Wednesday, 九月初三: after the seven weekday names come the
    // title, a blank day cell as wide as the others and the days; then the lunar line, whose
    // Wednesday is its fourth text.
    void firstWeek() {
        RecordingSurface r;
        DrawMonthView(r, ModelOf(2008), 10);
        QVERIFY(r.texts.size() > 21);
        QStringList line;
        for (int i = 7; i < 14; ++i) line << r.texts[i].text;
        QCOMPARE(line.join('|'), QStringLiteral("10月  |    |   1|   2|   3|   4|   5"));
        QCOMPARE(r.texts[17].text, QStringLiteral("初三  "));
    }

    // The text afterwards and the month drawn, named in the caption.
    void monthText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("month");
        for (const char* bad : {"13", "", "abc"})
            QTest::addRow("%s", *bad ? bad : "empty") << bad << " 1" << 1;
        QTest::addRow("2.5 rounds to even") << QString("2.5") << QString("2.5") << 2;
        QTest::addRow("12abc") << QString("12abc") << QString("12abc") << 12;
    }

    void monthText() {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, month);
        scr& view = view2008();
        QLineEdit* box = view.Combo1->lineEdit();  // typed key by key over the whole text
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        typed.isEmpty() ? QTest::keyClick(box, Qt::Key_Delete) : QTest::keyClicks(box, typed);
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
    // March 2008 spans six week rows: its last lunar line (31 March, 廿四) lies whole on the
    // picture. Three 14-point lines, then rows of an 18- and a 12-point line, each one em
    // high: the sixth lunar line fills pixels 281 to 297 of the 305.
    void sixWeekMonthFits() {
        scr& view = view2008();
        PasteOver(view.Combo1->lineEdit(), QStringLiteral("3"));
        const QImage picture = shown(view);
        auto inked = [&](int top, int bottom) {
            return !IsBlank(picture.copy(0, top, picture.width(), bottom - top + 1));
        };
        QVERIFY(inked(281, 297));
        QVERIFY(!inked(298, picture.height() - 1));
    }
};

QTEST_MAIN(ScrTest)
#include "test_monthview.moc"
