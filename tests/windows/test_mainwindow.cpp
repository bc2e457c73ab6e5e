// The main window: ending, the keyboard, the year pick, and a missing data file told once.
#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QtTest>

#include "windows/mainwindow.h"
#include "windows/helpwindow.h"
#include "windows/startup.h"
#include "core/calendar.h"
#include "windows/greetingeditor.h"
#include "windows/monthview.h"
#include "support/programstart.h"
#include "support/windowtesting.h"

using namespace orlenda;

namespace {

int thisYear() { return QDate::currentDate().year(); }

// True when every month of the model starts in the column of its real weekday.
bool modelIsOf(int year) {
    for (int m = 1; m <= 12; ++m)
        if (Model().DayGrid[m][1][QDate(year, m, 1).dayOfWeek()] != "1") return false;
    return true;
}

}  // namespace

class Form1Test : public QObject, public testing::WindowTestBase {
    Q_OBJECT

  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }

    // "结束" and the main window's frame both end the program, whatever else is open; the
    // program never runs on without a window.
    void endingTheProgram_data() {
        QTest::addColumn<bool>("byFrame");
        QTest::newRow("结束") << false;
        QTest::newRow("the frame's close") << true;
    }
    void endingTheProgram() {
        QFETCH(bool, byFrame);
        int quits = 0;
        Windows().quit = [&] { ++quits; };
        StartWindows();
        Form1* main = Windows().find<Form1>();
        QTest::mouseClick(main->Command3, Qt::LeftButton);
        QTest::mouseClick(main->Command1, Qt::LeftButton);
        if (byFrame)
            main->close();
        else
            QTest::mouseClick(main->Command6, Qt::LeftButton);
        QCOMPARE(quits, 1);
        QVERIFY(!Windows().find<Form1>() && !Windows().find<scr>() && !Windows().find<Form2>() &&
                !Windows().find<wrd>());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<Form*>(w));
    }

    // Tab visits every control in the design's order, each option group once at its chosen
    // button (the desktop's way); the arrows choose within a group; Enter presses a button.
    void keyboard() {
        Form1& f = testing::StartWithMainActive();
        QList<QWidget*> chain{QApplication::focusWidget()};
        for (int i = 1; i < 13; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            chain << QApplication::focusWidget();
        }
        const QList<QWidget*> expected = {
            f.Option2,  f.Command5, f.Command1, f.Command4, f.Command2, f.Command6, f.Command3,
            f.Command7, f.Command9, f.Option3,  f.Combo1,   f.Command8, f.Option2};
        QCOMPARE(chain, expected);
        // The option buttons as drawn: the design's pale yellow, not the style's grey.
        const QImage shot = f.grab().toImage();
        for (QWidget* o : {f.Option1, f.Option4})
            QCOMPARE(shot.pixelColor(o->mapTo(&f, QPoint(o->width() - 3, o->height() / 2))),
                     QColor(255, 255, 192));
        QTest::keyClick(f.Option2, Qt::Key_Up);
        QVERIFY(f.Option1->isChecked() && f.Option1->hasFocus() && !f.Option2->isChecked());
        for (int i = 0; i < 9; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(f.Option3, Qt::Key_Down);
        QVERIFY(f.Option4->isChecked() && !f.Option3->isChecked() && f.Option1->isChecked());
        for (int i = 0; i < 3; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), f.Command3);
        QTest::keyClick(f.Command3, Qt::Key_Return);
        QTRY_VERIFY(Windows().find<Form2>() && Windows().find<Form2>()->isVisible());
    }

    // Only a pick from the list changes the year; the model waits for a button that draws
    // (创建电子文档 and 屏幕查阅 are shown rebuilding it by the document and month view tests).
    void yearPick() {
        Form1& f = testing::StartWithMainActive();
        testing::PasteOver(f.Combo1->lineEdit(), QString());
        QTest::keyClicks(f.Combo1->lineEdit(), QStringLiteral("2008"));
        QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Return);
        QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Tab);
        QCOMPARE(f.Label1->text(), QString::number(thisYear()));
        testing::PickFromList(f.Combo1, QStringLiteral("2008"));
        QCOMPARE(f.Label1->text(), QStringLiteral("2008"));
        QTest::mouseClick(f.Command3, Qt::LeftButton);  // 帮助
        QVERIFY(modelIsOf(thisYear()));
    }

    // A missing data file is told once, and not created; the program goes on with today's
    // year and its Gregorian layout, without lunar texts.
    void missingDataToldOnce() {
        QFile::remove(dataPath());
        Form1& f = Windows().ref<Form1>();
        QCOMPARE(messages,
                 QStringList{QStringLiteral("无法读取阴历数据文件 %1：文件不存在。所有年份都"
                                            "不显示阴历，公历日期照常显示。请把正确的 "
                                            "china.txt 放在程序所在的文件夹中。")
                                 .arg(dataPath())});
        QCOMPARE(f.Label1->text(), QString::number(thisYear()));
        QVERIFY(modelIsOf(thisYear()));
        const int firstColumn = QDate(thisYear(), 1, 1).dayOfWeek();
        QCOMPARE(Model().LunarGrid[1][1][firstColumn], std::string("      "));
        // The same problem again (the view, another start) is not told again.
        QTest::mouseClick(f.Command9, Qt::LeftButton);
        Windows().unload<Form1>();
        Windows().ref<Form1>();
        QCOMPARE(messages.size(), 1);
        QVERIFY(!QFile::exists(dataPath()));
    }
};

QTEST_MAIN(Form1Test)
#include "test_mainwindow.moc"
