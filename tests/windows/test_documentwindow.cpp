// The electronic document as a person uses it, by mouse and keyboard: what a showing draws
// and where, the palette, the background picture, scrolling and closing.
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>
#include <array>
#include <utility>

#include "printing/recordingsurface.h"
#include "support/windowtesting.h"
#include "windows/documentwindow.h"
#include "windows/mainwindow.h"
#include "windows/picturechooser.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const QRect kTitleLine(50, 16, 300, 30);  // pixels of "    2008年" on the picture

// Background, date and greeting colours as each window load sets them.
const std::array<Colour, 3> kDefaults{RGB(128, 255, 128), RGB(0, 0, 0), RGB(255, 0, 0)};

// The three colours' swatches.
void CheckColours(DocumentWindow& w, const std::array<Colour, 3>& expected) {
    QLabel* swatches[] = {w.Label5, w.Label6, w.Label7};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(FromQColor(swatches[i]->palette().color(QPalette::Window)), expected[i]);
}

int Count(const QImage& image, QRect rect, Colour c) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == (ToQColor(c).rgb() & 0xffffff);
    return n;
}

}  // namespace

class EdocTest : public QObject, public WindowTestBase {
    Q_OBJECT
    std::unique_ptr<RecordingSurface> rec;

    // Opened from the main window's button, as a person does.
    DocumentWindow& window() {
        if (!Find<DocumentWindow>()) click(main().documentButton);
        return *Find<DocumentWindow>();
    }
    QStringList take() { return std::exchange(messages, {}); }
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static QImage picture(DocumentWindow& w) { return w.Picture1->box().Image().copy(); }

  private slots:
    // The main window with 2008 picked from its list.
    void init() {
        startCase();
        main().show();
        PickFromList(main().yearCombo, QStringLiteral("2008"));
    }
    void cleanup() {
        endCase();
        QCOMPARE(messages, QStringList{});
    }

    // Where one showing draws some month titles, in twips: 100 left of their block's anchor,
    // the rows 2400 apart, below the first one's weekday header.
    void texts() {
        const std::tuple<const char*, double, double> rows[] = {
            {" 4月", 1150, 750 + 2400 + 400}, {"12月", 7150, 750 + 3 * 2400 + 400}};
        DocumentWindow& w = window();
        rec = std::make_unique<RecordingSurface>();
        w.DrawTarget = rec.get();
        QVERIFY(!w.Command1->isEnabled());
        const QImage shot = w.grab().toImage();  // the buttons as drawn, in the design's pink
        for (QWidget* b : {w.Command2, w.Command3})
            QCOMPARE(shot.pixelColor(b->geometry().topLeft() + QPoint(4, 4)),
                     QColor(255, 128, 255));
        click(w.Command2);
        QVERIFY(w.Command1->isEnabled());
        for (const auto& [text, x, y] : rows) {
            const auto found = rec->find(QString::fromUtf8(text));
            QVERIFY2(found.size() == 1 && found[0].x == x && found[0].y == y, text);
        }
        // September 2008 begins on a Monday (八月初二), whose cell the title takes: the title,
        // six day cells, then the lunar line starting with the Monday's.
        const auto& t = rec->texts;
        std::size_t i = 0;
        while (i < t.size() && t[i].text != QStringLiteral(" 9月")) ++i;
        QVERIFY(i + 7 < t.size());
        QCOMPARE(t[i + 1].text, QStringLiteral("  2"));
        QCOMPARE(t[i + 7].text, QStringLiteral("初二  "));
        QCOMPARE(t[i + 7].x, t[i].x + 100 + 130);
    }

    // Enter in box `box` with option `option` selected.
    void enter_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("box");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<Colour>("colour");  // the selected colour afterwards
        QTest::addColumn<QString>("boxText");
        auto row = [](const char* name, int option, int box, QStringList texts, bool refused,
                      Colour colour, const char* boxText) {
            QTest::newRow(name) << option << box << texts << refused << colour << QString(boxText);
        };
        row("255 accepted", 2, 1, {"255", "0", "0"}, false, RGB(255, 0, 0), "0");
        row("256 refused", 2, 0, {"256", "0", "0"}, true, RGB(0, 0, 0), "256");
        row("half to even", 2, 0, {"12.5", "13.5", "0.5"}, false, RGB(12, 14, 0), "12.5");
        row("green 300 counts as 255", 3, 0, {"10", "300", "5"}, false, RGB(10, 255, 5), "10");
        row("background", 1, 2, {"0", "0", "255"}, false, RGB(0, 0, 255), "255");
    }
    void enter() {
        QFETCH(int, option);
        QFETCH(int, box);
        QFETCH(QStringList, texts);
        QFETCH(bool, refused);
        QFETCH(Colour, colour);
        QFETCH(QString, boxText);
        DocumentWindow& w = window();
        QRadioButton* options[] = {w.Option1, w.Option2, w.Option3};
        std::array<Colour, 3> expected = kDefaults;
        click(options[option - 1]);
        expected[option - 1] = colour;
        for (int i = 0; i < 3; ++i) PasteOver(w.Text2[i], texts[i]);
        QTest::keyClick(w.Text2[box], Qt::Key_Return);
        QCOMPARE(take(),
                 refused ? QStringList{QStringLiteral("取值不得大于255或小于0")} : QStringList{});
        QCOMPARE(w.Text2[box]->text(), boxText);
        CheckColours(w, expected);
        // Only the background colour reaches the picture.
        QCOMPARE(w.Picture1->box().Image().pixel(700, 900), ToQColor(expected[0]).rgb());
    }

    // A showing gives the same picture however often it is repeated; a new date colour waits
    // for the next showing; a new background colour erases the drawing; 默认 brings the three
    // defaults back.
    void colourChanges() {
        DocumentWindow& w = window();
        click(w.Command2);
        const QImage first = picture(w);
        QVERIFY(Count(first, kTitleLine, RGB(0, 0, 0)) > 20);
        click(w.Command2);
        QCOMPARE(picture(w), first);
        click(w.Option2);
        const QStringList blueText{"0", "0", "255"}, yellowText{"255", "255", "0"};
        for (int i = 0; i < 3; ++i) PasteOver(w.Text2[i], blueText[i]);
        QTest::keyClick(w.Text2[0], Qt::Key_Return);
        QCOMPARE(picture(w), first);
        click(w.Command2);
        const QImage blue = picture(w);
        QCOMPARE(Count(blue, kTitleLine, RGB(0, 0, 0)), 0);
        QVERIFY(Count(blue, kTitleLine, RGB(0, 0, 255)) > 20);

        for (int i = 0; i < 3; ++i) PasteOver(w.Text2[i], yellowText[i]);
        click(w.Option1);
        QTest::keyClick(w.Text2[1], Qt::Key_Return);
        QVERIFY(IsBlank(w.Picture1->box().Image(), QColor(255, 255, 0)));
        click(w.Command4);
        CheckColours(w, kDefaults);
        QVERIFY(IsBlank(w.Picture1->box().Image(), QColor(128, 255, 128)));
    }

    // Ticking without a background picture, then with a small picture chosen in the
    // chooser: it shows at the top left corner, under the calendar; then unticking.
    void background() {
        DocumentWindow& w = window();
        click(w.Check1);
        QCOMPARE(take(), QStringList{QStringLiteral("请先选择背景图文件")});
        QVERIFY(!w.Check1->isChecked() && Find<PictureChooser>()->isVisible());
        QImage blue(100, 80, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(dir.filePath(QStringLiteral("back.bmp"))));
        click(main().choosePictureButton);  // the chooser: the file clicked, 背景图, 确定
        PictureChooser& chooser = *Find<PictureChooser>();
        chooser.Dir1->SetPath(dir.path());
        ClickRow(chooser.File1, chooser.File1->row(chooser.File1->findItems("back.bmp", {})[0]));
        click(chooser.Command3);
        click(chooser.Command4);
        click(w.Option1);
        click(w.Check1);
        QVERIFY(!w.Option1->isChecked() && !w.Option1->isEnabled());
        const QImage image = w.Picture1->box().Image();
        QVERIFY(image.pixel(99, 79) == qRgb(0, 0, 255) &&
                image.pixel(100, 80) == qRgb(128, 255, 128));
        click(w.Command2);
        QVERIFY(Count(w.Picture1->box().Image(), kTitleLine, RGB(0, 0, 0)) > 20);
        click(w.Check1);
        QVERIFY(w.Option1->isEnabled());
        QCOMPARE(w.Picture1->box().Image().pixel(99, 79), qRgb(128, 255, 128));
    }

    // Closing unloads: the next load starts afresh. Every scroll step, by key or by the
    // wheel over the picture, draws anew: the result equals a single showing.
    void closeAndScroll() {
        DocumentWindow* w = &window();
        click(w->Command2);
        const QImage once = picture(*w);
        click(w->Option2);
        QTest::keyClick(w->VScroll1, Qt::Key_PageDown);
        QPointer<DocumentWindow> closed(w);
        click(w->Command3);
        QCOMPARE(Find<DocumentWindow>(), nullptr);
        QTRY_VERIFY(closed.isNull());

        DocumentWindow& again = window();
        QVERIFY(!again.Command1->isEnabled() && !again.Option2->isChecked());
        QVERIFY(IsBlank(again.Picture1->box().Image(), QColor(128, 255, 128)));
        QScrollBar* s = again.VScroll1;
        QCOMPARE((QList<int>{s->value(), s->maximum()}), (QList<int>{0, 7130}));
        // A page key on whatever has the focus pages; Tab reaches the scroll bar and its keys.
        QVERIFY(QTest::qWaitForWindowActive(&again) && QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QCOMPARE(s->value(), 450);
        for (int i = 0; i < 20 && QApplication::focusWidget() != s; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s);
        QTest::keyClick(s, Qt::Key_Down);
        QCOMPARE(s->value(), 470);
        QWheelEvent wheel(QPointF(100, 100), again.Picture1->mapToGlobal(QPointF(100, 100)),
                          QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(again.Picture1, &wheel);
        QCOMPARE(s->value(), 920);           // a notch down: the large change
        QCOMPARE(again.Picture1->y(), -61);  // 920 twips, in whole pixels
        QTest::keyClick(s, Qt::Key_End);
        QCOMPARE(picture(again), once);
    }

    // The palette help in its four lines, each as wide as the box holds.
    void helpLines() {
        DocumentWindow& w = window();
        SetMessageSink({});
        int lines = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            const auto* label = box ? box->findChild<QLabel*>("qt_msgbox_label") : nullptr;
            for (const QString& line : label ? label->text().split('\n') : QStringList())
                lines +=
                    label->fontMetrics().horizontalAdvance(line) <= label->contentsRect().width();
            if (box) QTest::keyClick(box, Qt::Key_Return);
        });
        click(w.Command5);
        QCOMPARE(lines, 4);
    }
};

QTEST_MAIN(EdocTest)
#include "test_documentwindow.moc"
