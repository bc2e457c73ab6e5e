// The electronic document as a person uses it, by mouse and keyboard: what a showing draws
// and where, the palette, the background picture, scrolling, saving and closing.
#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>
#include <array>
#include <utility>

#include "app/form1.h"
#include "edoc/frmpreV.h"
#include "greeting/wrd.h"
#include "picker/sel.h"
#include "printing/recordingsurface.h"
#include "support/windowtesting.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const QString kSaved = QStringLiteral("图形已成功保存在");
const QRect kTitleLine(50, 16, 300, 30);  // pixels of "    2008年" on the picture

// Background, date and greeting colours as each window load sets them.
const std::array<Colour, 3> kDefaults{RGB(128, 255, 128), RGB(0, 0, 0), RGB(255, 0, 0)};

// The three colours' swatches.
void CheckColours(frmpreV& w, const std::array<Colour, 3>& expected) {
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
    Form1* main = nullptr;

    // Opened from the main window's button, as a person does; drawing recorded when asked.
    frmpreV& window(bool record = false) {
        if (!Windows().find<frmpreV>()) click(main->Command8);
        frmpreV& w = *Windows().find<frmpreV>();
        if (record) {
            rec = std::make_unique<RecordingSurface>();
            w.DrawTarget = rec.get();
        }
        return w;
    }
    QStringList take() { return std::exchange(messages, {}); }
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static QImage picture(frmpreV& w) { return w.Picture1->box().Image().copy(); }
    // The texts of one month block, from its title on.
    std::vector<DrawnText> block(const QString& title) {
        auto i = rec->texts.begin();
        while (i != rec->texts.end() && i->text != title) ++i;
        return {i, rec->texts.end()};
    }
    // The chooser opened by the main window: a file clicked in the folder, then a button.
    void choose(const QString& file, QPushButton* sel::*button) {
        click(main->Command5);
        sel& chooser = *Windows().find<sel>();
        chooser.Dir1->SetPath(dir.path());
        ClickRow(chooser.File1, chooser.File1->row(chooser.File1->findItems(file, {})[0]));
        click(chooser.*button);
        click(chooser.Command4);
    }

  private slots:
    // The main window with 2008 picked from its list.
    void init() {
        startCase();
        main = &Windows().ref<Form1>();
        main->show();
        PickFromList(main->Combo1, QStringLiteral("2008"));
    }
    void cleanup() {
        endCase();
        QCOMPARE(messages, QStringList{});
    }

    // Where one showing draws some texts, in twips. Month titles sit 100 twips left of their
    // block's anchor; the weekday header's lines put the first row's titles 360 lower.
    void texts() {
        const std::tuple<const char*, double, double, const char*, double> rows[] = {
            {"    2008年", 750, 250, "仿宋_GB2312", 20},
            {" 3月", 7150, 750 + 360, "宋体", 12},
            {" 4月", 1150, 750 + 2400 + 400, "宋体", 12},
            {"12月", 7150, 750 + 3 * 2400 + 400, "宋体", 12}};
        frmpreV& w = window(true);
        QVERIFY(!w.Command1->isEnabled());
        click(w.Command2);
        QVERIFY(w.Command1->isEnabled());
        for (const auto& [text, x, y, face, size] : rows) {
            const auto found = rec->find(QString::fromUtf8(text));
            QVERIFY2(found.size() == 1 && found[0].x == x && found[0].y == y, text);
            QVERIFY2(found[0].face == face && found[0].size == size, text);
        }
        // September and December 2008 begin on a Monday (lunar 八月初二 and 十一月初四),
        // whose cell the title takes: seven day cells, then the lunar line starts with the
        // Monday's. October begins on a Wednesday.
        const std::pair<const char*, const char*> firsts[] = {
            {" 9月", "初二  "}, {"12月", "初四  "}, {"10月", "      "}};
        for (const auto& [title, lunar] : firsts) {
            const auto t = block(QString::fromUtf8(title));
            QVERIFY(t.size() > 8);
            QCOMPARE(t[1].text, QString::fromUtf8(*lunar == ' ' ? "   " : "  2"));
            QCOMPARE(t[7].text, QString::fromUtf8(lunar));
            QCOMPARE(t[7].x, t[0].x + 100 + 130);
        }
    }

    // The editor's lines 1 and 3 alone: empty lines take no room, so they come one under the
    // other, below December's block and its last 6-point line.
    void greetingLinesOneAndThree() {
        click(main->Command1);
        wrd& editor = *Windows().find<wrd>();
        click(editor.Command2);  // 清除重输
        PasteOver(editor.Text1, QStringLiteral("甲"));
        PasteOver(editor.Text2[1], QStringLiteral("丙"));
        click(editor.Command1);
        click(window(true).Command2);
        const DrawnText last = rec->texts.back(), first = rec->texts.at(rec->texts.size() - 2);
        QCOMPARE(first.text + last.text, QStringLiteral("甲丙"));
        QCOMPARE(first.y, 8350 + 6 * 360 + 120.0);
        QCOMPARE(last.y - first.y, 520.0);  // one 26-point line, not two
        QVERIFY(first.x == 650 && first.size == 26 && first.bold && first.italic);
        QCOMPARE(last.colour, RGB(255, 0, 0));
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
        row("-1 refused", 3, 2, {"0", "0", "-1"}, true, RGB(255, 0, 0), "-1");
        row("half to even", 2, 0, {"12.5", "13.5", "0.5"}, false, RGB(12, 14, 0), "12.5");
        row("abc becomes 0", 2, 0, {"abc", "7", "9"}, false, RGB(0, 7, 9), "0");
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
        frmpreV& w = window();
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
        frmpreV& w = window();
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

    // Leaving a box with Tab tests only that it holds a number.
    void leavingBox() {
        frmpreV& w = window();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const QString& text : {QStringLiteral("abc"), QStringLiteral("300")}) {
            QTest::mouseClick(w.Text2[1], Qt::LeftButton);
            QTRY_VERIFY(w.Text2[1]->hasFocus());
            PasteOver(w.Text2[1], text);
            QTest::keyClick(w.Text2[1], Qt::Key_Tab);
            const bool refused = text == QStringLiteral("abc");
            QCOMPARE(take(), refused ? QStringList{QStringLiteral("取值必须是0-255间的整洁数")}
                                     : QStringList{});
            QCOMPARE(w.Text2[1]->hasFocus(), refused);
        }
    }

    // Ticking without a background picture, then with a small picture chosen in the
    // chooser: it shows at the top left corner, under the calendar; then unticking.
    void background() {
        frmpreV& w = window();
        click(w.Check1);
        QCOMPARE(take(), QStringList{QStringLiteral("请先选择背景图文件")});
        QVERIFY(!w.Check1->isChecked() && Windows().find<sel>()->isVisible());
        QImage blue(100, 80, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(dir.filePath(QStringLiteral("back.bmp"))));
        choose(QStringLiteral("back.bmp"), &sel::Command3);
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
        frmpreV* w = &window();
        click(w->Command2);
        const QImage once = picture(*w);
        click(w->Option2);
        QTest::keyClick(w->VScroll1, Qt::Key_PageDown);
        QPointer<frmpreV> closed(w);
        click(w->Command3);
        QCOMPARE(Windows().find<frmpreV>(), nullptr);
        QTRY_VERIFY(closed.isNull());

        frmpreV& again = window();
        QVERIFY(!again.Command1->isEnabled() && !again.Option2->isChecked());
        QVERIFY(IsBlank(again.Picture1->box().Image(), QColor(128, 255, 128)));
        QScrollBar* s = again.VScroll1;
        QCOMPARE((QList<int>{s->value(), s->maximum()}), (QList<int>{0, 7130}));
        QTest::keyClick(s, Qt::Key_Down);
        QCOMPARE(s->value(), 20);
        QTest::keyClick(s, Qt::Key_PageDown);
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

    // Saved over an older file, then at the far end of the scroll under another name: both
    // files are the same BMP of the whole picture.
    void save() {
        QTemporaryDir dir;
        const QString first = dir.filePath("2008年历1.BMP"), second = dir.filePath("s.BMP");
        QFile old(first);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an older file") > 0);
        old.close();
        frmpreV& w = window();
        w.SaveFolder = dir.path();
        click(w.Command2);
        click(w.Command1);
        QTest::keyClick(w.VScroll1, Qt::Key_End);
        PasteOver(w.Text1, QStringLiteral("s"));
        click(w.Command1);
        QCOMPARE(take(), (QStringList{kSaved + first, kSaved + second}));
        QFile a(first), b(second);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        QCOMPARE(QImage(first).convertToFormat(QImage::Format_RGB32),
                 w.Picture1->box().Image().convertToFormat(QImage::Format_RGB32));
    }

    // Refused names and failed writes: a message, no file, no leftover.
    void saveRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty name") << QString() << QString();
        QTest::newRow("slash") << QStringLiteral("a/b") << QString();
        QTest::newRow("missing folder") << QStringLiteral("x") << QStringLiteral("missing/deeper");
    }
    void saveRefused() {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        frmpreV& w = window();
        w.SaveFolder = dir.filePath(folder);
        click(w.Command2);
        PasteOver(w.Text1, name);
        click(w.Command1);
        const QStringList told = take();
        QVERIFY(told.size() == 1 && !told[0].startsWith(kSaved));
        QDirIterator all(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY2(!all.hasNext(), qPrintable(all.hasNext() ? all.next() : QString()));
    }
};

QTEST_MAIN(EdocTest)
#include "test_frmpreV.moc"
