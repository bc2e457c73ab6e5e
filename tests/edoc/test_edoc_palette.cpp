// The three colours: values typed into the boxes and confirmed with Enter.
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include "edoc_testing.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

const QString kRange = QStringLiteral("取值不得大于255或小于0");

Colour SwatchColour(QLabel* l) { return FromQColor(l->palette().color(QPalette::Window)); }

}  // namespace

class PaletteTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { FreshStart(); }
    void cleanup() {
        Windows().clear();
        QCOMPARE(UnexpectedMessages(), QStringList{});
    }

    void defaultsOnLoad() {
        frmpreV& w = Windows().ref<frmpreV>();
        QCOMPARE(w.BackgroundColour, (ColourTriple{128, 255, 128}));
        QCOMPARE(w.DateColour, (ColourTriple{0, 0, 0}));
        QCOMPARE(w.GreetingColour, (ColourTriple{255, 0, 0}));
        QCOMPARE(SwatchColour(w.Label5), RGB(128, 255, 128));
        QCOMPARE(SwatchColour(w.Label6), RGB(0, 0, 0));
        QCOMPARE(SwatchColour(w.Label7), RGB(255, 0, 0));
        for (QLineEdit* t : w.Text2) QCOMPARE(t->text(), QStringLiteral("255"));
        QVERIFY(!w.Option1->isChecked() && !w.Option2->isChecked() && !w.Option3->isChecked());
        QCOMPARE(w.Picture1->box().Image().pixel(10, 10), QColor(128, 255, 128).rgb());
    }

    // Enter in box `box` with the option `option` (0 = none) selected.
    void enter_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("box");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<Colour>("colour");  // the selected colour afterwards
        QTest::addColumn<QString>("boxText");

        QTest::newRow("255 / 0 / 0 makes the date red")
            << 2 << 1 << QStringList{"255", "0", "0"} << false << RGB(255, 0, 0) << "0";
        QTest::newRow("0 accepted")
            << 3 << 0 << QStringList{"0", "0", "0"} << false << RGB(0, 0, 0) << "0";
        QTest::newRow("256 refused")
            << 2 << 0 << QStringList{"256", "0", "0"} << true << RGB(0, 0, 0) << "256";
        QTest::newRow("-1 refused")
            << 3 << 2 << QStringList{"0", "0", "-1"} << true << RGB(255, 0, 0) << "-1";
        QTest::newRow("255.4 stored as 255")
            << 2 << 0 << QStringList{"255.4", "1", "2"} << false << RGB(255, 1, 2) << "255.4";
        QTest::newRow("255.5 rounds to 256, refused")
            << 2 << 0 << QStringList{"255.5", "1", "2"} << true << RGB(0, 0, 0) << "255.5";
        QTest::newRow("12.5 rounds to even")
            << 2 << 0 << QStringList{"12.5", "13.5", "0.5"} << false << RGB(12, 14, 0) << "12.5";
        QTest::newRow("abc becomes 0")
            << 2 << 0 << QStringList{"abc", "7", "9"} << false << RGB(0, 7, 9) << "0";
        QTest::newRow("green 300 counts as 255")
            << 3 << 0 << QStringList{"10", "300", "5"} << false << RGB(10, 255, 5) << "10";
        QTest::newRow("green -1 refused")
            << 3 << 0 << QStringList{"10", "-1", "5"} << true << RGB(255, 0, 0) << "10";
        QTest::newRow("green beyond 16 bits refused")
            << 3 << 0 << QStringList{"10", "40000", "5"} << true << RGB(255, 0, 0) << "10";
        QTest::newRow("blue not a number refused")
            << 2 << 0 << QStringList{"10", "20", "x"} << true << RGB(0, 0, 0) << "10";
        QTest::newRow("background")
            << 1 << 2 << QStringList{"0", "0", "255"} << false << RGB(0, 0, 255) << "255";
    }
    void enter() {
        QFETCH(int, option);
        QFETCH(int, box);
        QFETCH(QStringList, texts);
        QFETCH(bool, refused);
        QFETCH(Colour, colour);
        QFETCH(QString, boxText);
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        QRadioButton* options[] = {w.Option1, w.Option2, w.Option3};
        QLabel* swatches[] = {w.Label5, w.Label6, w.Label7};
        ColourTriple* colours[] = {&w.BackgroundColour, &w.DateColour, &w.GreetingColour};
        if (option) options[option - 1]->setChecked(true);
        for (int i = 0; i < 3; ++i) w.Text2[i]->setText(texts[i]);

        QTest::keyClick(w.Text2[box], Qt::Key_Return);

        QCOMPARE(log.texts, refused ? QStringList{kRange} : QStringList{});
        QCOMPARE(w.Text2[box]->text(), boxText);
        if (option) {
            QCOMPARE(colours[option - 1]->value(), colour);
            QCOMPARE(SwatchColour(swatches[option - 1]), colour);
        }
        // The other colours stay at their defaults.
        const Colour defaults[] = {RGB(128, 255, 128), RGB(0, 0, 0), RGB(255, 0, 0)};
        for (int i = 0; i < 3; ++i) {
            if (i == option - 1) continue;
            QCOMPARE(colours[i]->value(), defaults[i]);
            QCOMPARE(SwatchColour(swatches[i]), defaults[i]);
        }
        // Only the background colour reaches the picture.
        const Colour back = option == 1 ? colour : RGB(128, 255, 128);
        QCOMPARE(w.Picture1->box().Image().pixel(700, 900), ToQColor(back).rgb());
    }

    void noOptionSelected_data() {
        QTest::addColumn<QString>("red");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("in range") << "10" << QStringList{};
        QTest::newRow("out of range") << "300" << QStringList{kRange};
    }
    void noOptionSelected() {
        QFETCH(QString, red);
        QFETCH(QStringList, messages);
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.Text2[0]->setText(red);
        w.Text2_KeyPress(0, 13);
        QCOMPARE(log.texts, messages);
        QCOMPARE(w.BackgroundColour, (ColourTriple{128, 255, 128}));
        QCOMPARE(w.DateColour, (ColourTriple{0, 0, 0}));
        QCOMPARE(w.GreetingColour, (ColourTriple{255, 0, 0}));
    }

    // A new date colour waits for the next showing; a new background erases the drawing.
    void drawingAfterChange() {
        QVERIFY(BuildYear(2008));
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.Command2_Click();
        const QImage drawn = w.Picture1->box().Image().copy();
        w.Option2->setChecked(true);
        w.Text2_KeyPress(0, 13);  // 255 255 255
        QCOMPARE(w.Picture1->box().Image(), drawn);
        w.Option1->setChecked(true);
        w.Text2[2]->setText("0");
        w.Text2_KeyPress(2, 13);
        const QImage cleared = w.Picture1->box().Image();
        QCOMPARE(CountColour(cleared, cleared.rect(), RGB(255, 255, 0)),
                 cleared.width() * cleared.height());
    }

    void restoreDefaults() {
        QVERIFY(BuildYear(2008));
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        const QStringList typed{"1", "2", "3"};
        for (int i = 0; i < 3; ++i) w.Text2[i]->setText(typed[i]);
        for (QRadioButton* o : {w.Option1, w.Option2, w.Option3}) {
            o->setChecked(true);
            w.Text2_KeyPress(1, 13);
        }
        QCOMPARE(w.BackgroundColour, (ColourTriple{1, 2, 3}));
        w.Command2_Click();
        w.Command4_Click();
        QCOMPARE(w.BackgroundColour, (ColourTriple{128, 255, 128}));
        QCOMPARE(w.DateColour, (ColourTriple{0, 0, 0}));
        QCOMPARE(w.GreetingColour, (ColourTriple{255, 0, 0}));
        QCOMPARE(SwatchColour(w.Label5), RGB(128, 255, 128));
        QCOMPARE(SwatchColour(w.Label6), RGB(0, 0, 0));
        QCOMPARE(SwatchColour(w.Label7), RGB(255, 0, 0));
        for (int i = 0; i < 3; ++i) QCOMPARE(w.Text2[i]->text(), typed[i]);
        QVERIFY(w.Option3->isChecked());
        const QImage image = w.Picture1->box().Image();
        QCOMPARE(CountColour(image, image.rect(), RGB(128, 255, 128)),
                 image.width() * image.height());
        QVERIFY(log.texts.isEmpty());
    }

    void leavingBox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refused");
        QTest::newRow("not a number") << "abc" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("out of range is not tested here") << "300" << false;
        QTest::newRow("a number") << " 12 " << false;
    }
    void leavingBox() {
        QFETCH(QString, text);
        QFETCH(bool, refused);
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Text2[1]->setFocus();
        QTRY_VERIFY(w.Text2[1]->hasFocus());
        w.Text2[1]->setText(text);
        w.Text2[2]->setFocus(Qt::TabFocusReason);
        QCOMPARE(log.texts, refused ? QStringList{QStringLiteral("取值必须是0-255间的整洁数")}
                                    : QStringList{});
        QCOMPARE(w.Text2[1]->hasFocus(), refused);
        QCOMPARE(w.Text2[1]->text(), text);
    }
};

QTEST_MAIN(PaletteTest)
#include "test_edoc_palette.moc"
