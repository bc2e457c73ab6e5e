// The main window: start-up, the year pick, the buttons that rebuild the model, the
// blanking of the month view, help, and data problems told once.
#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QtTest>

#include "app/form1.h"
#include "app/form2.h"
#include "app/startup.h"
#include "core/calendar.h"
#include "greeting/wrd.h"
#include "monthview/scr.h"
#include "picker/sel.h"
#include "support/windowtesting.h"

using namespace orlenda;
using testing::IsBlank;

namespace {

int thisYear() { return QDate::currentDate().year(); }

// True when every month of the model starts in the column of its real weekday.
bool modelIsOf(int year) {
    for (int m = 1; m <= 12; ++m)
        if (Model().DayGrid[m][1][QDate(year, m, 1).dayOfWeek()] != "1") return false;
    return true;
}

template <class W>
int topLevelCount() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<W*>(w) != nullptr;
    return n;
}

}  // namespace

class Form1Test : public QObject, public testing::WindowTestBase {
    Q_OBJECT
  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }

    void lifecycle() {
        StartWindows();
        Form1* main = Windows().find<Form1>();
        QVERIFY(main && main->isVisible());
        QTRY_VERIFY(Windows().find<scr>() && Windows().find<scr>()->isVisible());
        scr* view = Windows().find<scr>();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(view));
        QCOMPARE(main->Label1->text(), QString::number(thisYear()));
        QCOMPARE(main->Combo1->currentText(), QString::number(thisYear()));
        QCOMPARE(main->Combo1->count(), thisYear() + 2 - 2000 + 1);  // every year of the file
        QVERIFY(main->Option2->isChecked() && main->Option3->isChecked());
        QVERIFY(State().Record && State().Record->YearText == std::to_string(thisYear()));
        QVERIFY(modelIsOf(thisYear()));
        const QDate d = QDate::currentDate();
        QCOMPARE(view->windowTitle(), QStringLiteral("%1年%2月份。〈今天是 %1年 %2月 %3日〉")
                                          .arg(d.year())
                                          .arg(d.month())
                                          .arg(d.day()));
        QVERIFY(!IsBlank(view->Picture1->box().Image()));
        QVERIFY(messages.isEmpty());

        // Returning to the main window blanks the view until the view is active again.
        main->activateWindow();
        QTRY_VERIFY(main->isActiveWindow());
        QVERIFY(IsBlank(view->Picture1->box().Image()));
        QVERIFY(view->isVisible());  // not shown again: it has drawn once
        view->activateWindow();
        QTRY_VERIFY(view->isActiveWindow());
        QVERIFY(!IsBlank(view->Picture1->box().Image()));
        // Closed by its frame, the view is unloaded; the main window's next return loads it
        // (drawing today's month) and blanks it, without showing it.
        view->close();
        QTRY_VERIFY(!Windows().find<scr>());
        main->activateWindow();
        QTRY_VERIFY(Windows().find<scr>());
        QTRY_VERIFY(IsBlank(Windows().find<scr>()->Picture1->box().Image()));
        QVERIFY(!Windows().find<scr>()->isVisible());
    }

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
        QCOMPARE(topLevelCount<Form>(), 0);
    }

    // Tab visits every control in the design's order, each option group once at its chosen
    // button (the desktop's way); the arrows choose within a group; Enter presses a button.
    void keyboard() {
        StartWindows();  // the month view comes up in front; the person clicks the main window
        QTRY_VERIFY(Windows().find<scr>() && Windows().find<scr>()->isActiveWindow());
        Form1& f = *Windows().find<Form1>();
        const QList<QWidget*> chain = testing::TabChain(&f, 13);
        const QList<QWidget*> expected = {
            f.Option2,  f.Command5, f.Command1, f.Command4, f.Command2, f.Command6, f.Command3,
            f.Command7, f.Command9, f.Option3,  f.Combo1,   f.Command8, f.Option2};
        QCOMPARE(chain, expected);
        QTest::keyClick(f.Option2, Qt::Key_Up);
        QVERIFY(f.Option1->isChecked() && f.Option1->hasFocus() && !f.Option2->isChecked());
        for (int i = 0; i < 9; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(f.Option3->hasFocus());
        QTest::keyClick(f.Option3, Qt::Key_Down);
        QVERIFY(f.Option4->isChecked() && !f.Option3->isChecked() && f.Option1->isChecked());
        f.Command3->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f.Command3, Qt::Key_Return);
        QTRY_VERIFY(Windows().find<Form2>() && Windows().find<Form2>()->isVisible());
    }

    void yearPick_data() {
        QTest::addColumn<bool>("picked");  // else typed, then Enter
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("rebuilds");
        QTest::addRow("typed, 屏幕查阅") << false << 9 << true;
        QTest::addRow("picked, 屏幕查阅") << true << 9 << true;
        QTest::addRow("picked, 创建电子文档") << true << 8 << true;
        QTest::addRow("picked, 帮助") << true << 3 << false;
    }

    // Only a pick from the list changes the year; the model waits for a button that draws.
    void yearPick() {
        QFETCH(bool, picked);
        QFETCH(int, button);
        QFETCH(bool, rebuilds);
        StartWindows();  // the month view comes up in front; the person clicks the main window
        QTRY_VERIFY(Windows().find<scr>() && Windows().find<scr>()->isActiveWindow());
        Form1& f = *Windows().find<Form1>();
        f.activateWindow();
        QTRY_VERIFY(f.isActiveWindow());
        if (picked) {
            testing::PickFromList(f.Combo1, QStringLiteral("2008"));
        } else {
            testing::PasteOver(f.Combo1->lineEdit(), QString());
            QTest::keyClicks(f.Combo1->lineEdit(), QStringLiteral("2008"));
            QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Return);
            QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Tab);
            QCOMPARE(f.Combo1->currentText(), QStringLiteral("2008"));
            QCOMPARE(f.Combo1->count(), thisYear() + 2 - 2000 + 1);
        }
        const int year = picked ? 2008 : thisYear();
        QCOMPARE(f.Label1->text(), QString::number(year));
        QVERIFY(State().Record && State().Record->YearText == std::to_string(year));
        QVERIFY(modelIsOf(thisYear()));

        QPushButton* const buttons[] = {nullptr,    f.Command1, f.Command2, f.Command3, f.Command4,
                                        f.Command5, f.Command6, f.Command7, f.Command8, f.Command9};
        QTest::mouseClick(buttons[button], Qt::LeftButton);
        QVERIFY(modelIsOf(rebuilds ? year : thisYear()));
        if (button == 9) {
            scr* view = Windows().find<scr>();
            QVERIFY(view && view->isVisible());
            QTRY_VERIFY(view->isActiveWindow());
            QVERIFY(view->windowTitle().startsWith(QStringLiteral("%1年").arg(year)));
            QVERIFY(!IsBlank(view->Picture1->box().Image()));
        }
    }

    // The sheet reads the greeting editor and the chooser through the registry: each is
    // created hidden, the chooser only when there is an inset.
    void sheetInputsComeFromTheWindows() {
        Form1& f = Windows().ref<Form1>();
        f.show();
        SheetInputs in = f.GatherSheetInputs();
        QVERIFY(!in.english && !in.colour && !in.inset && !Windows().find<sel>());
        wrd* greeting = Windows().find<wrd>();
        QVERIFY(greeting && !greeting->isVisible());
        QVERIFY(!in.greeting[0].isEmpty());
        QCOMPARE(in.greeting[3], greeting->Text2[2]->text());
        // Language and colour are two independent groups.
        QTest::mouseClick(f.Option1, Qt::LeftButton);
        QTest::mouseClick(f.Option4, Qt::LeftButton);
        QVERIFY(!f.Option2->isChecked() && !f.Option3->isChecked());
        State().InsetPicturePath = "/nowhere/picture.jpg";
        in = f.GatherSheetInputs();
        QVERIFY(in.english && in.colour && in.inset);
        QVERIFY(Windows().find<sel>() && !Windows().find<sel>()->isVisible());
    }

    void helpOpenedTwiceIsOneWindow() {
        Form1& f = Windows().ref<Form1>();
        f.show();
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        Form2* help = Windows().find<Form2>();
        QVERIFY(help && help->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(help));
        // 关闭 hides; 帮助 again shows the same window as it was left.
        QTest::keyClick(help->Text1, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(help->Text1->textCursor().atEnd());
        QTest::mouseClick(help->Command1, Qt::LeftButton);
        QVERIFY(!help->isVisible());
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QTest::mouseClick(f.Command3, Qt::LeftButton);
        QCOMPARE(Windows().find<Form2>(), help);
        QVERIFY(help->isVisible() && help->Text1->textCursor().atEnd());
        QCOMPARE(topLevelCount<Form2>(), 1);
    }

    void dataProblemsAreToldOnce_data() {
        QTest::addColumn<QByteArray>("data");  // null: no file at all
        QTest::addColumn<int>("told");         // messages after start-up
        QTest::addColumn<bool>("lunarToday");  // today's year has lunar texts
        QTest::addRow("well formed") << testing::DataFile(thisYear() + 2) << 0 << true;
        QTest::addRow("no file") << QByteArray() << 1 << false;
        QTest::addRow("empty file") << QByteArray("") << 1 << false;
        QTest::addRow("file ends before today") << testing::DataFile(2010) << 1 << false;
        QByteArray bad = testing::DataFile(thisYear() + 2);
        QByteArray shifted = testing::FillerLine(thisYear());
        shifted.insert(9, ' ');  // one blank too many
        bad.replace(testing::FillerLine(thisYear()), shifted);
        QTest::addRow("today's line malformed") << bad << 1 << false;
    }

    void dataProblemsAreToldOnce() {
        QFETCH(QByteArray, data);
        QFETCH(int, told);
        QFETCH(bool, lunarToday);
        if (data.isNull())
            QFile::remove(dataPath());
        else
            writeData(data);
        Form1& f = Windows().ref<Form1>();
        QCOMPARE(messages.size(), told);
        // The program goes on: today's year, its Gregorian layout, lunar texts only with data.
        QCOMPARE(f.Label1->text(), QString::number(thisYear()));
        QVERIFY(modelIsOf(thisYear()));
        const int firstColumn = QDate(thisYear(), 1, 1).dayOfWeek();
        QCOMPARE(Model().LunarGrid[1][1][firstColumn] != "      ", lunarToday);
        QVERIFY(QFile::exists(dataPath()) != data.isNull());  // a missing file is not created
        // The same problem again (the view, another start) is not told again.
        QTest::mouseClick(f.Command9, Qt::LeftButton);
        Windows().unload<Form1>();
        Windows().ref<Form1>();
        QCOMPARE(messages.size(), told);
    }
};

QTEST_MAIN(Form1Test)
#include "test_form1.moc"
