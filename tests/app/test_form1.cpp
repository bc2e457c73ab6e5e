// The main window: start-up, the year pick, the buttons that rebuild the model, the
// blanking of the month view, help and About, and data problems told once.
#include <QAbstractItemView>
#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

#include "app/about.h"
#include "app/form1.h"
#include "app/form2.h"
#include "app/startup.h"
#include "core/calendar.h"
#include "greeting/wrd.h"
#include "monthview/scr.h"
#include "picker/sel.h"
#include "support/windowtesting.h"

using namespace orlenda;

namespace {

int thisYear() { return QDate::currentDate().year(); }

// True when every month of the model starts in the column of its real weekday.
bool modelIsOf(int year) {
    for (int m = 1; m <= 12; ++m) {
        const int column = QDate(year, m, 1).dayOfWeek();
        if (Model().DayGrid[m][1][column] != "1") return false;
    }
    return true;
}

bool blank(const QImage& img) {
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (rgb.pixelColor(x, y) != QColor(192, 255, 192)) return false;
    return true;
}

void pick(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    combo->showPopup();
    combo->view()->setCurrentIndex(combo->model()->index(i, 0));
    QTest::keyClick(combo->view(), Qt::Key_Return);
}

}  // namespace

class Form1Test : public QObject, public testing::WindowTestBase {
    Q_OBJECT
  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }
    void startUpShowsBothWindowsWithTheMonthViewInFront();
    void designDefaults();
    void typingAYearChangesNothing();
    void listOpensAtTheShownYear();
    void pickingAYearLoadsItsRecordButKeepsTheModel();
    void buttonsThatDrawRebuildTheModel_data();
    void buttonsThatDrawRebuildTheModel();
    void sheetInputsComeFromTheWindows();
    void returningToTheMainWindowBlanksTheMonthView();
    void helpOpenedTwiceIsOneWindow();
    void aboutBox();
    void dataProblemsAreToldOnce_data();
    void dataProblemsAreToldOnce();
    void endUnloadsTheWindows();
};

void Form1Test::startUpShowsBothWindowsWithTheMonthViewInFront() {
    StartWindows();
    Form1* main = Windows().find<Form1>();
    QVERIFY(main && main->isVisible());
    QTRY_VERIFY(Windows().find<scr>() && Windows().find<scr>()->isVisible());
    scr* view = Windows().find<scr>();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(view));
    QCOMPARE(main->Label1->text(), QString::number(thisYear()));
    QCOMPARE(main->Combo1->currentText(), QString::number(thisYear()));
    QCOMPARE(State().SelectedYear, double(thisYear()));
    QVERIFY(State().Record && State().Record->YearText == std::to_string(thisYear()));
    QVERIFY(modelIsOf(thisYear()));
    QCOMPARE(State().MonthViewDrawn, std::int16_t(1));
    QCOMPARE(State().MainWindowActivated, std::int16_t(-1));
    const QDate d = QDate::currentDate();
    QCOMPARE(view->windowTitle(), QStringLiteral("%1年%2月份。〈今天是 %1年 %2月 %3日〉")
                                      .arg(d.year())
                                      .arg(d.month())
                                      .arg(d.day()));
    QVERIFY(!blank(view->Picture1->box().Image()));
    QVERIFY(messages.isEmpty());
}

void Form1Test::designDefaults() {
    Form1& f = Windows().ref<Form1>();
    QVERIFY(f.Option2->isChecked() && !f.Option1->isChecked());
    QVERIFY(f.Option3->isChecked() && !f.Option4->isChecked());
    // The two groups are independent.
    f.Option4->setChecked(true);
    f.Option1->setChecked(true);
    QVERIFY(f.Option4->isChecked() && f.Option1->isChecked());
    QVERIFY(!f.Option3->isChecked() && !f.Option2->isChecked());
    QCOMPARE(f.Combo1->count(), thisYear() + 2 - 2000 + 1);
    QCOMPARE(f.Combo1->itemText(0), QStringLiteral("2000"));
    // The tab order among the controls that take focus.
    const QList<QWidget*> expected = {f.Option2,  f.Option1,  f.Command5, f.Command1, f.Command4,
                                      f.Command2, f.Command6, f.Command3, f.Command7, f.Command9,
                                      f.Option3,  f.Option4,  f.Combo1,   f.Command8};
    QList<QWidget*> order;
    QWidget* w = f.Option2;
    for (int i = 0; i < 200 && order.size() < expected.size(); ++i, w = w->nextInFocusChain())
        if (expected.contains(w) && !order.contains(w)) order << w;
    QCOMPARE(order, expected);
}

void Form1Test::typingAYearChangesNothing() {
    Form1& f = Windows().ref<Form1>();
    const auto record = State().Record;
    f.Combo1->lineEdit()->clear();
    QTest::keyClicks(f.Combo1->lineEdit(), QStringLiteral("2008"));
    QCOMPARE(f.Combo1->currentText(), QStringLiteral("2008"));
    QCOMPARE(f.Label1->text(), QString::number(thisYear()));
    QCOMPARE(State().SelectedYear, double(thisYear()));
    QVERIFY(State().Record && State().Record->YearText == record->YearText);
    // Neither Enter nor leaving the box picks the year the text names.
    f.show();
    f.Combo1->setFocus();
    QTest::keyClick(f.Combo1, Qt::Key_Return);
    f.Command9->setFocus();
    QCOMPARE(f.Combo1->currentText(), QStringLiteral("2008"));
    QCOMPARE(f.Label1->text(), QString::number(thisYear()));
    QCOMPARE(f.Combo1->count(), thisYear() + 2 - 2000 + 1);
}

void Form1Test::listOpensAtTheShownYear() {
    Form1& f = Windows().ref<Form1>();
    f.show();
    f.Combo1->showPopup();
    QCOMPARE(f.Combo1->view()->currentIndex().data().toString(), QString::number(thisYear()));
    f.Combo1->hidePopup();
    QCOMPARE(f.Combo1->currentIndex(), -1);  // highlighted, not picked
    QCOMPARE(f.Combo1->currentText(), QString::number(thisYear()));
}

void Form1Test::pickingAYearLoadsItsRecordButKeepsTheModel() {
    Form1& f = Windows().ref<Form1>();
    f.show();
    pick(f.Combo1, QStringLiteral("2008"));
    QCOMPARE(f.Label1->text(), QStringLiteral("2008"));
    QCOMPARE(State().SelectedYear, 2008.0);
    QVERIFY(State().Record);
    QCOMPARE(QByteArray::fromStdString(State().Record->Jan1LunarDay), QByteArray(" 23"));
    QVERIFY(modelIsOf(thisYear()));  // the model waits for a button
}

void Form1Test::buttonsThatDrawRebuildTheModel_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("rebuilds");
    QTest::addRow("Command9 (view)") << 9 << true;
    QTest::addRow("Command8 (document)") << 8 << true;
    QTest::addRow("Command3 (help)") << 3 << false;
    QTest::addRow("Command1 (greeting)") << 1 << false;
    QTest::addRow("Command5 (picture)") << 5 << false;
}

void Form1Test::buttonsThatDrawRebuildTheModel() {
    QFETCH(int, button);
    QFETCH(bool, rebuilds);
    Form1& f = Windows().ref<Form1>();
    f.show();
    pick(f.Combo1, QStringLiteral("2008"));
    QPushButton* const buttons[] = {nullptr,    f.Command1, f.Command2, f.Command3, f.Command4,
                                    f.Command5, f.Command6, f.Command7, f.Command8, f.Command9};
    QPushButton* b = buttons[button];
    b->click();
    QCOMPARE(modelIsOf(2008), rebuilds);
    QCOMPARE(modelIsOf(thisYear()), !rebuilds);
    if (button == 9) {
        scr* view = Windows().find<scr>();
        QVERIFY(view && view->isVisible());
        QTRY_VERIFY(view->isActiveWindow());
        QVERIFY(view->windowTitle().startsWith(QStringLiteral("2008年")));
        QVERIFY(!blank(view->Picture1->box().Image()));
    }
}

void Form1Test::sheetInputsComeFromTheWindows() {
    Form1& f = Windows().ref<Form1>();
    QVERIFY(!Windows().find<wrd>());
    SheetInputs in = f.GatherSheetInputs();
    // Untouched options: black and white, Chinese labels.
    QVERIFY(!in.english && !in.colour);
    QCOMPARE(in.yearCaption, QString::number(thisYear()));
    // Reading the greeting creates the editor hidden, with its default lines.
    wrd* greeting = Windows().find<wrd>();
    QVERIFY(greeting && !greeting->isVisible());
    QCOMPARE(in.greeting[0], greeting->Text1->text());
    QCOMPARE(in.greeting[3], greeting->Text2[2]->text());
    QVERIFY(!in.greeting[0].isEmpty());
    // No inset chosen: the chooser is not even created.
    QVERIFY(!in.inset);
    QVERIFY(!Windows().find<sel>());

    f.Option1->setChecked(true);
    f.Option4->setChecked(true);
    State().InsetPicturePath = "/nowhere/picture.jpg";
    State().CropWidth = 300;
    State().CropHeight = -150;
    in = f.GatherSheetInputs();
    QVERIFY(in.english && in.colour && in.inset);
    QCOMPARE(in.cropWidth, 300.0);
    QCOMPARE(in.cropHeight, -150.0);
    QVERIFY(Windows().find<sel>() && !Windows().find<sel>()->isVisible());
}

void Form1Test::returningToTheMainWindowBlanksTheMonthView() {
    StartWindows();
    QTRY_VERIFY(Windows().find<scr>() && Windows().find<scr>()->isActiveWindow());
    scr* view = Windows().find<scr>();
    Form1* main = Windows().find<Form1>();
    QVERIFY(!blank(view->Picture1->box().Image()));
    main->activateWindow();
    QTRY_VERIFY(main->isActiveWindow());
    QVERIFY(blank(view->Picture1->box().Image()));
    QVERIFY(view->isVisible());  // not shown again: it has drawn once
    view->activateWindow();
    QTRY_VERIFY(view->isActiveWindow());
    QVERIFY(!blank(view->Picture1->box().Image()));
    // Closed by its frame, the view is unloaded; the main window's next return loads it
    // (drawing today's month) and blanks it, without showing it.
    view->close();
    QTRY_VERIFY(!Windows().find<scr>());
    main->activateWindow();
    QTRY_VERIFY(Windows().find<scr>());
    QTRY_VERIFY(blank(Windows().find<scr>()->Picture1->box().Image()));
    QVERIFY(!Windows().find<scr>()->isVisible());
}

void Form1Test::helpOpenedTwiceIsOneWindow() {
    Form1& f = Windows().ref<Form1>();
    f.Command3->click();
    Form2* help = Windows().find<Form2>();
    QVERIFY(help && help->isVisible());
    f.Command3->click();
    QCOMPARE(Windows().find<Form2>(), help);
    int helps = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<Form2*>(w)) ++helps;
    QCOMPARE(helps, 1);
    // 关闭 hides; the next 帮助 shows the same window as it was left.
    QScrollBar* bar = help->Text1->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum());
    help->Command1->click();
    QVERIFY(!help->isVisible());
    f.Command3->click();
    QCOMPARE(Windows().find<Form2>(), help);
    QVERIFY(help->isVisible());
    QCOMPARE(bar->value(), bar->maximum());

    // The usage text: 31 lines, each ending with CR LF.
    const QString text = Form2::UsageText();
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
    const QStringList lines = text.chopped(2).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 31);
    QCOMPARE(lines[0], QStringLiteral("Orlenda1.0版使用说明"));
    QCOMPARE(lines[5], QStringLiteral("2:点击\"屏幕查询\"后可以查阅指定年份各月的月历。"));
    QVERIFY(lines[29].endsWith(QStringLiteral("超出 ")));
    QCOMPARE(lines[30], QStringLiteral("部份被自动截去（保留左上角）      2007/11/15"));
    QCOMPARE(help->Text1->toPlainText().split(QLatin1Char('\n')).mid(0, 31), lines);
}

void Form1Test::aboutBox() {
    Form1& f = Windows().ref<Form1>();
    f.Command7->click();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0], AboutText());
    QVERIFY(!messages[0].endsWith(QStringLiteral("\r\n")));
    const QStringList lines = messages[0].split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QStringLiteral("欢迎对本软件提出改进意见"));
    QCOMPARE(lines[5], QStringLiteral("最后修改日期： 2007/11/16"));
    for (const QString& l : lines) QVERIFY(!l.contains(QLatin1Char('@')));
}

void Form1Test::dataProblemsAreToldOnce_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("missing");
    QTest::addColumn<int>("atStart");      // messages after start-up
    QTest::addColumn<bool>("lunarToday");  // today's year has lunar texts
    QTest::addRow("well formed") << testing::DataFile(thisYear() + 2) << false << 0 << true;
    QTest::addRow("no file") << QByteArray() << true << 1 << false;
    QTest::addRow("empty file") << QByteArray() << false << 1 << false;
    QTest::addRow("file ends before today") << testing::DataFile(2010) << false << 1 << false;
    QByteArray bad = testing::DataFile(thisYear() + 2);
    QByteArray shifted = testing::FillerLine(thisYear());
    shifted.insert(9, ' ');  // one blank too many
    bad.replace(testing::FillerLine(thisYear()), shifted);
    QTest::addRow("today's line malformed") << bad << false << 1 << false;
}

void Form1Test::dataProblemsAreToldOnce() {
    QFETCH(QByteArray, data);
    QFETCH(bool, missing);
    QFETCH(int, atStart);
    QFETCH(bool, lunarToday);
    if (missing)
        QFile::remove(dataPath());
    else
        writeData(data);
    Form1& f = Windows().ref<Form1>();
    QCOMPARE(messages.size(), atStart);
    // The program goes on: today's year, its Gregorian layout, lunar texts only with data.
    QCOMPARE(f.Label1->text(), QString::number(thisYear()));
    QVERIFY(modelIsOf(thisYear()));
    const QDate d = QDate::currentDate();
    const int firstColumn = QDate(d.year(), 1, 1).dayOfWeek();
    QCOMPARE(Model().LunarGrid[1][1][firstColumn] != "      ", lunarToday);
    QVERIFY(QFile::exists(dataPath()) != missing);  // a missing file is not created

    // The same problem again (the view, another start) is not told again.
    f.Command9->click();
    Windows().unload<Form1>();
    Windows().ref<Form1>();
    QCOMPARE(messages.size(), atStart);
}

void Form1Test::endUnloadsTheWindows() {
    int quits = 0;
    Windows().quit = [&] { ++quits; };
    StartWindows();
    QTRY_VERIFY(Windows().find<scr>());
    Windows().find<Form1>()->Command3->click();
    Windows().find<Form1>()->Command6->click();
    QCOMPARE(quits, 1);
    QVERIFY(!Windows().find<Form1>());
    QVERIFY(!Windows().find<scr>());
    QVERIFY(!Windows().find<Form2>());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int left = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<Form*>(w)) ++left;
    QCOMPARE(left, 0);
}

QTEST_MAIN(Form1Test)
#include "test_form1.moc"
