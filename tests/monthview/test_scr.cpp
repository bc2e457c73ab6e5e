// The month view window: the month text rules, the caption, redrawing and TEST.BMP.
#include <QAbstractItemView>
#include <QDate>
#include <QLineEdit>
#include <QtTest>

#include "app/calendardata.h"
#include "app/form1.h"
#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"
#include "monthview/monthprint.h"
#include "monthview/scr.h"
#include "support/windowtesting.h"

using namespace orlenda;

namespace {

// Month m of the current model as the view should show it.
QImage reference(int month) {
    PictureBox b(6255, 4575, RGB(192, 255, 192));
    b.FontName = QStringLiteral("宋体");
    b.FontSize = 9;
    PrintMonthView(b, Model(), std::int16_t(month));
    return b.Image().convertToFormat(QImage::Format_RGB32);
}

QImage shown(scr& view) {
    return view.Picture1->box().Image().convertToFormat(QImage::Format_RGB32);
}

bool blank(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) != QColor(192, 255, 192)) return false;
    return true;
}

QString today() {
    const QDate d = QDate::currentDate();
    return QStringLiteral("〈今天是 %1年 %2月 %3日〉").arg(d.year()).arg(d.month()).arg(d.day());
}

// One edit by the user that leaves text in the box (as a paste over a selection would).
void edit(QComboBox* combo, const QString& text) {
    QLineEdit* le = combo->lineEdit();
    le->selectAll();
    if (text.isEmpty())
        QTest::keyClick(le, Qt::Key_Backspace);
    else
        le->insert(text);
}

// The user opens the list and chooses item i with the keyboard.
void pick(QComboBox* combo, int i) {
    combo->showPopup();
    QAbstractItemView* v = combo->view();
    v->setCurrentIndex(combo->model()->index(i, 0));
    QTest::keyClick(v, Qt::Key_Return);
}

}  // namespace

class ScrTest : public QObject, public testing::WindowTestBase {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void loadShowsTodaysMonthInPlainDigits();
    void editedMonthText_data();
    void editedMonthText();
    void typedKeyByKey_data();
    void typedKeyByKey();
    void listPickShowsTheListText();
    void activationRedrawsFromTheCurrentModel();
    void closeButtonHidesAndKeepsTheMonth();
    void testBmpHoldsThePicture();
    void testBmpThatCannotBeWrittenIsReported();

  private:
    scr& view2008();
};

void ScrTest::init() {
    startCase();
    QDir::setCurrent(dir.path());
}

void ScrTest::cleanup() { endCase(); }

// The main window loaded (today's year), then the model rebuilt for 2008 as Command9 would.
scr& ScrTest::view2008() {
    Form1& main = Windows().ref<Form1>();
    main.Combo1->setEditText(QStringLiteral("2008"));
    main.Combo1_Click();
    main.Command9_Click();
    scr* view = Windows().find<scr>();
    if (!view) qFatal("no month view");
    return *view;
}

void ScrTest::loadShowsTodaysMonthInPlainDigits() {
    Windows().ref<Form1>();
    State().MonthViewDrawn = 0;
    scr& view = Windows().ref<scr>();
    const int month = QDate::currentDate().month();
    QCOMPARE(view.Combo1->count(), 12);
    QCOMPARE(view.Combo1->itemText(0), QStringLiteral(" 1"));
    QCOMPARE(view.Combo1->itemText(11), QStringLiteral(" 12"));
    QCOMPARE(view.Combo1->currentText(), QString::number(month));
    QCOMPARE(State().MonthViewDrawn, std::int16_t(1));
    const QString year = QString::number(QDate::currentDate().year());
    QCOMPARE(view.windowTitle(), year + QStringLiteral("年") + QString::number(month) +
                                     QStringLiteral("月份。") + today());
    QCOMPARE(shown(view), reference(month));
}

void ScrTest::editedMonthText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");  // the text afterwards
    QTest::addColumn<int>("month");     // the month drawn
    QTest::addRow("0") << "0"
                       << " 1" << 1;
    QTest::addRow("13") << "13"
                        << " 1" << 1;
    QTest::addRow("abc") << "abc"
                         << " 1" << 1;
    QTest::addRow("empty") << ""
                           << " 1" << 1;
    QTest::addRow("1.5 rounds up to even") << "1.5"
                                           << "1.5" << 2;
    QTest::addRow("2.5 rounds down to even") << "2.5"
                                             << "2.5" << 2;
    QTest::addRow("12.5 is above 12") << "12.5"
                                      << " 1" << 1;
    QTest::addRow("12abc") << "12abc"
                           << "12abc" << 12;
    QTest::addRow("leading blanks") << "  9"
                                    << "  9" << 9;
    QTest::addRow("0.9 is below 1") << "0.9"
                                    << " 1" << 1;
}

void ScrTest::editedMonthText() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, month);
    scr& view = view2008();
    State().MonthViewDrawn = 0;
    edit(view.Combo1, typed);
    QCOMPARE(view.Combo1->currentText(), text);
    QCOMPARE(State().MonthViewDrawn, std::int16_t(1));
    QCOMPARE(view.windowTitle(),
             QStringLiteral("2008年") + text + QStringLiteral("月份。") + today());
    QCOMPARE(shown(view), reference(month));
    QVERIFY(reference(month) != reference(month % 12 + 1));  // the months do differ
}

void ScrTest::typedKeyByKey_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("month");
    QTest::addRow("1.5") << "1.5"
                         << "1.5" << 2;
    QTest::addRow("12.5") << "12.5"
                          << " 1" << 1;
    QTest::addRow("11") << "11"
                        << "11" << 11;
}

void ScrTest::typedKeyByKey() {
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(int, month);
    scr& view = view2008();
    view.Combo1->lineEdit()->clear();
    QTest::keyClicks(view.Combo1->lineEdit(), keys);
    QCOMPARE(view.Combo1->currentText(), text);
    QCOMPARE(shown(view), reference(month));
}

void ScrTest::listPickShowsTheListText() {
    scr& view = view2008();
    view.show();
    pick(view.Combo1, 4);
    QCOMPARE(view.Combo1->currentText(), QStringLiteral(" 5"));
    QCOMPARE(view.windowTitle(), QStringLiteral("2008年 5月份。") + today());
    QCOMPARE(shown(view), reference(5));
    // September 2008 begins on a Monday: the title takes the first cell.
    pick(view.Combo1, 8);
    QCOMPARE(view.windowTitle(), QStringLiteral("2008年 9月份。") + today());
    QCOMPARE(shown(view), reference(9));
}

void ScrTest::activationRedrawsFromTheCurrentModel() {
    scr& view = view2008();
    edit(view.Combo1, QStringLiteral("3"));
    view.Picture1->box().Cls();
    QVERIFY(blank(shown(view)));
    view.Form_Activate();
    QCOMPARE(shown(view), reference(3));
    // A new model (another year) shows at the next activation, without touching the list.
    Form1& main = Windows().ref<Form1>();
    main.Combo1->setEditText(QStringLiteral("2009"));
    main.Combo1_Click();
    BuildSelectedYear(nullptr);
    const QImage of2009 = reference(3);
    QVERIFY(of2009 != shown(view));
    view.Form_Activate();
    QCOMPARE(shown(view), of2009);
    QVERIFY(view.windowTitle().startsWith(QStringLiteral("2009年3月份。")));
}

void ScrTest::closeButtonHidesAndKeepsTheMonth() {
    scr& view = view2008();
    view.show();
    pick(view.Combo1, 6);
    view.Command2->click();
    QVERIFY(!view.isVisible());
    QCOMPARE(Windows().find<scr>(), &view);
    Windows().show<scr>();
    QCOMPARE(view.Combo1->currentText(), QStringLiteral(" 7"));
    QCOMPARE(shown(view), reference(7));
}

void ScrTest::testBmpHoldsThePicture() {
    scr& view = view2008();
    for (int month : {9, 2}) {  // the second save overwrites the first
        edit(view.Combo1, QString::number(month));
        view.Command1->click();
        QImage saved(QDir(dir.path()).filePath(QStringLiteral("TEST.BMP")), "BMP");
        QVERIFY(!saved.isNull());
        QCOMPARE(saved.size(), QSize(417, 305));  // 6255 x 4575 twips
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), shown(view));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), reference(month));
    }
    QVERIFY(messages.isEmpty());  // success is silent
}

void ScrTest::testBmpThatCannotBeWrittenIsReported() {
    scr& view = view2008();
    // A folder of that name cannot be replaced by the picture (even for root).
    QFile::remove(dir.filePath(QStringLiteral("TEST.BMP")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("TEST.BMP")));
    view.Command1_Click();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains(QStringLiteral("TEST.BMP")));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("TEST.BMP"))).isDir());
    // Nothing half-written is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("china.txt")});
}

QTEST_MAIN(ScrTest)
#include "test_scr.moc"
