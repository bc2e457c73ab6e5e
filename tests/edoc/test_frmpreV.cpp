// The electronic document as a person uses it, by mouse and keyboard: what a showing draws
// and where, the palette, the background picture, scrolling, saving and closing.
#include <unistd.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtEndian>
#include <QtTest>
#include <array>
#include <utility>

#include "app/form1.h"
#include "edoc/frmpreV.h"
#include "greeting/wrd.h"
#include "picker/sel.h"
#include "printing/recordingsurface.h"
#include "support/windowtesting.h"
#include "windowbase/calendardata.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const QString kRange = QStringLiteral("取值不得大于255或小于0");
const QString kSaved = QStringLiteral("图形已成功保存在");
const QString kDefaultFile = QStringLiteral("2008年历1.BMP");
const QRect kTitleLine(50, 16, 300, 30);  // pixels of "    2008年" on the picture

// Background, date and greeting colours as each window load sets them.
const std::array<Colour, 3> kDefaults{RGB(128, 255, 128), RGB(0, 0, 0), RGB(255, 0, 0)};

// The three colours and their swatches.
void CheckColours(frmpreV& w, const std::array<Colour, 3>& expected) {
    const ColourTriple* colours[] = {&w.BackgroundColour, &w.DateColour, &w.GreetingColour};
    QLabel* swatches[] = {w.Label5, w.Label6, w.Label7};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(colours[i]->value(), expected[i]);
        QCOMPARE(FromQColor(swatches[i]->palette().color(QPalette::Window)), expected[i]);
    }
}

int Count(const QImage& image, QRect rect, Colour c) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == (ToQColor(c).rgb() & 0xffffff);
    return n;
}

// The texts of one month block, from its title on.
std::vector<DrawnText> Block(const RecordingSurface& r, const QString& title) {
    std::size_t i = 0;
    while (i < r.texts.size() && r.texts[i].text != title) ++i;
    return {r.texts.begin() + std::ptrdiff_t(i), r.texts.end()};
}

// Every pixel differs from its neighbours, so a shifted or scaled copy cannot pass for it.
QImage Pattern(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x % 251, y % 241, (x * 7 + y * 3) % 256));
    return image;
}

}  // namespace

class EdocTest : public QObject, public WindowTestBase {
    Q_OBJECT
    std::unique_ptr<RecordingSurface> rec;
    Form1* main = nullptr;

    // Opened from the main window's button, as a person does; drawing recorded when asked.
    frmpreV& window(bool record = false) {
        if (!Windows().find<frmpreV>()) QTest::mouseClick(main->Command8, Qt::LeftButton);
        frmpreV& w = *Windows().find<frmpreV>();
        if (record) w.DrawTarget = rec.get();
        return w;
    }
    QStringList take() { return std::exchange(messages, {}); }
    static void type(frmpreV& w, const QStringList& rgb) {
        for (int i = 0; i < 3; ++i) PasteOver(w.Text2[i], rgb[i]);
    }
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static QImage picture(frmpreV& w) { return w.Picture1->box().Image().copy(); }
    // The chooser opened by the main window: a file clicked in the folder, then a button.
    void choose(const QString& file, QPushButton* sel::*button) {
        click(main->Command5);
        sel& chooser = *Windows().find<sel>();
        chooser.Dir1->SetPath(dir.path());
        QList<QListWidgetItem*> items = chooser.File1->findItems(file, Qt::MatchExactly);
        QVERIFY(items.size() == 1);
        ClickRow(chooser.File1, chooser.File1->row(items[0]));
        click(chooser.*button);
        click(chooser.Command4);
    }

  private slots:
    // The main window with 2008 picked from its list.
    void init() {
        startCase();
        rec = std::make_unique<RecordingSurface>();
        main = &Windows().ref<Form1>();
        main->show();
        PickFromList(main->Combo1, QStringLiteral("2008"));
        QCOMPARE(State().SelectedYear, 2008);
    }
    void cleanup() {
        endCase();
        QCOMPARE(messages, QStringList{});
    }

    // Where one showing draws some texts, in twips. Month titles sit 100 twips left of their
    // block's anchor; the weekday header's two 9-point lines come between the anchor and the
    // title in the first row only.
    void texts() {
        struct Row {
            const char* text;
            QList<double> xs;  // one per drawing
            double y, slack;
            const char* face;
            double size;
        } rows[] = {{"    2008年", {750}, 250, 0, "仿宋_GB2312", 20},
                    {" 3月", {7150}, 750 + 360, 0, "宋体", 12},
                    {" 4月", {1150}, 3550, 0, "宋体", 12},
                    {"12月", {7150}, 8350, 0, "宋体", 12},
                    {"  一", {1320, 4320, 7320}, 750, 0, "宋体", 9}};
        frmpreV& w = window(true);
        QVERIFY(!w.Command1->isEnabled());
        click(w.Command2);
        QVERIFY(w.Command1->isEnabled());
        for (const Row& r : rows) {
            const auto found = rec->find(QString::fromUtf8(r.text));
            QVERIFY2(qsizetype(found.size()) == r.xs.size(), r.text);
            for (int i = 0; i < r.xs.size(); ++i) {
                const DrawnText& t = found[i];
                QVERIFY2(t.x == r.xs[i] && t.y >= r.y && t.y <= r.y + r.slack, r.text);
                // Only the year title is bold.
                QVERIFY2(t.face == r.face && t.size == r.size && t.bold == (r.size == 20), r.text);
            }
        }
        // Each week row is a 12-point and a 6-point line: six of them and the closing line
        // fill the 2400 twips between two sheet rows.
        const auto april = Block(*rec, QStringLiteral(" 4月"));
        QVERIFY(april.size() > 14);
        QCOMPARE(april[7].y - april[0].y, 240.0);
        QCOMPARE(april[14].y - april[0].y, 360.0);
    }

    // September and December 2008 begin on a Monday (lunar 八月初二 and 十一月初四), whose cell
    // the title takes: seven day cells, then the lunar line starts with the Monday's. October
    // begins on a Wednesday.
    void mondayFirstCell() {
        click(window(true).Command2);
        const std::pair<const char*, const char*> rows[] = {
            {" 9月", "初二  "}, {"12月", "初四  "}, {"10月", "      "}};
        for (const auto& [title, lunar] : rows) {
            const auto t = Block(*rec, QString::fromUtf8(title));
            QVERIFY(t.size() > 8);
            QCOMPARE(t[1].text, QString::fromUtf8(*lunar == ' ' ? "   " : "  2"));
            QCOMPARE(t[7].text, QString::fromUtf8(lunar));
            QCOMPARE(t[7].x, t[0].x + 100 + 130);
        }
    }

    // Empty lines take no room: lines 1 and 3 come one under the other, below the calendar.
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
        QCOMPARE(first.y, 8350 + 6 * 360 + 120.0);  // December's block and its 6-point line end
        QCOMPARE(last.y - first.y, 520.0);          // one 26-point line, not two
        QVERIFY(first.x == 650 && first.size == 26 && first.bold && first.italic);
        QCOMPARE(last.colour, RGB(255, 0, 0));
    }

    // Two corners clicked on the chooser's preview of a 40 x 40 picture (shown 352 x 352,
    // so a preview pixel is 15 * 40 / 352 picture twips), the inset fitted into the
    // 3000-twip square at (6950, 10800); no rectangle, no inset.
    void inset() {
        QImage blue(40, 40, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(dir.filePath(QStringLiteral("inset.bmp"))));
        const double s = 15.0 * 40 / 352;
        const std::tuple<QPoint, QPoint, QRectF> rows[] = {
            {{1, 1}, {201, 101}, {6950, 10800, 3000, 1500}},
            {{1, 1}, {101, 201}, {6950, 10800, 1500, 3000}},
            {{50, 50}, {150, 150}, {6950, 10800, 3000, 3000}},
            // Corners clicked right-to-left and bottom-to-top give the same rectangle.
            {{201, 101}, {1, 1}, {6950, 10800, 3000, 1500}},
            {{1, 1}, {101, 1}, {}}};
        choose(QStringLiteral("inset.bmp"), &sel::Command1);
        for (const auto& [a, b, target] : rows) {
            click(main->Command5);
            sel& chooser = *Windows().find<sel>();
            QTest::mouseClick(chooser.Image1, Qt::LeftButton, {}, a);
            QTest::mouseClick(chooser.Image1, Qt::LeftButton, {}, b);
            click(chooser.Command4);
            rec = std::make_unique<RecordingSurface>();
            click(window(true).Command2);
            QCOMPARE(rec->pictures.size(), std::size_t(target.isNull() ? 0 : 1));
            if (target.isNull()) continue;
            const QRectF got = rec->pictures[0].target;
            QVERIFY2(std::abs(got.width() - target.width()) < 0.01 &&
                         std::abs(got.height() - target.height()) < 0.01 &&
                         got.topLeft() == target.topLeft(),
                     qPrintable(QStringLiteral("%1 x %2").arg(got.width()).arg(got.height())));
            const QRectF source = QRectF(QPointF(a) * s, QPointF(b) * s).normalized();
            QVERIFY2(std::abs(rec->pictures[0].source.width() - source.width()) < 0.01 &&
                         std::abs(rec->pictures[0].source.left() - source.left()) < 0.01,
                     qPrintable(QString::number(rec->pictures[0].source.width())));
        }
        // 取消 in the chooser: no inset path, so no inset, though the preview still shows it.
        click(main->Command5);
        click(Windows().find<sel>()->Command2);
        rec = std::make_unique<RecordingSurface>();
        click(window(true).Command2);
        QVERIFY(rec->pictures.empty());
    }

    // Enter in box `box` with option `option` (0 = none) selected.
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
        row("255.4 stored as 255", 2, 0, {"255.4", "1", "2"}, false, RGB(255, 1, 2), "255.4");
        row("half to even", 2, 0, {"12.5", "13.5", "0.5"}, false, RGB(12, 14, 0), "12.5");
        row("abc becomes 0", 2, 0, {"abc", "7", "9"}, false, RGB(0, 7, 9), "0");
        row("green 300 counts as 255", 3, 0, {"10", "300", "5"}, false, RGB(10, 255, 5), "10");
        row("green -1 refused", 3, 0, {"10", "-1", "5"}, true, RGB(255, 0, 0), "10");
        row("blue not a number refused", 2, 0, {"10", "20", "x"}, true, RGB(0, 0, 0), "10");
        row("background", 1, 2, {"0", "0", "255"}, false, RGB(0, 0, 255), "255");
        row("no option", 0, 0, {"10", "0", "0"}, false, 0, "10");
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
        if (option) {
            click(options[option - 1]);
            expected[option - 1] = colour;
        }
        type(w, texts);

        QTest::keyClick(w.Text2[box], Qt::Key_Return);

        QCOMPARE(take(), refused ? QStringList{kRange} : QStringList{});
        QCOMPARE(w.Text2[box]->text(), boxText);
        CheckColours(w, expected);
        // Only the background colour reaches the picture.
        QCOMPARE(w.Picture1->box().Image().pixel(700, 900), ToQColor(expected[0]).rgb());
    }

    // A new date colour waits for the next showing; a showing gives the same picture however
    // often it is repeated; a new background colour erases the drawing; Command4 brings the
    // three defaults back.
    void colourChanges() {
        frmpreV& w = window();
        click(w.Command2);
        const QImage first = picture(w);
        QVERIFY(Count(first, kTitleLine, RGB(0, 0, 0)) > 20);
        click(w.Command2);
        QCOMPARE(picture(w), first);
        click(w.Option2);
        type(w, {"0", "0", "255"});
        QTest::keyClick(w.Text2[0], Qt::Key_Return);
        QCOMPARE(picture(w), first);

        click(main->Command1);
        click(Windows().find<wrd>()->Command2);  // no greeting this time
        click(w.Command2);
        const QImage blue = picture(w);
        QCOMPARE(Count(blue, kTitleLine, RGB(0, 0, 0)), 0);
        QVERIFY(Count(blue, kTitleLine, RGB(0, 0, 255)) > 20);
        // No trace of the black text under the blue, nor of the greeting shown before.
        for (int y = kTitleLine.top(); y <= kTitleLine.bottom(); ++y)
            for (int x = kTitleLine.left(); x <= kTitleLine.right(); ++x) {
                const QColor c = blue.pixelColor(x, y);
                QVERIFY2(c.blue() >= 128 || c == QColor(128, 255, 128), qPrintable(c.name()));
            }
        QCOMPARE(Count(blue, blue.rect(), RGB(255, 0, 0)), 0);

        type(w, {"255", "255", "0"});
        for (QRadioButton* o : {w.Option3, w.Option1}) {
            click(o);
            QTest::keyClick(w.Text2[1], Qt::Key_Return);
        }
        QVERIFY(IsBlank(w.Picture1->box().Image(), QColor(255, 255, 0)));
        CheckColours(w, {RGB(255, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)});
        click(w.Command4);
        CheckColours(w, kDefaults);
        QVERIFY(IsBlank(w.Picture1->box().Image(), QColor(128, 255, 128)));
        QCOMPARE(w.Text2[0]->text(), QStringLiteral("255"));  // the typed values stay
    }

    // Leaving a box with Tab tests only that it holds a number.
    void leavingBox() {
        frmpreV& w = window();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const QString& text : {QStringLiteral("abc"), QString(), QStringLiteral("300")}) {
            QTest::mouseClick(w.Text2[1], Qt::LeftButton);
            QTRY_VERIFY(w.Text2[1]->hasFocus());
            PasteOver(w.Text2[1], text);
            QTest::keyClick(w.Text2[1], Qt::Key_Tab);
            const bool refused = text != QStringLiteral("300");
            QCOMPARE(take(), refused ? QStringList{QStringLiteral("取值必须是0-255间的整洁数")}
                                     : QStringList{});
            QCOMPARE(w.Text2[1]->hasFocus(), refused);
        }
    }

    // Ticking without a background picture, with an unreadable one, then with pictures of a
    // few sizes chosen in the chooser (what shows at a few points of the 769 x 1000
    // picture), then unticking.
    void background() {
        frmpreV& w = window();
        const QSize sizes[] = {QSize(770, 1000), QSize(1000, 1200), QSize(100, 80)};
        auto name = [](QSize size) { return QStringLiteral("back%1.bmp").arg(size.width()); };
        for (QSize size : sizes) QVERIFY(Pattern(size).save(dir.filePath(name(size))));
        click(w.Check1);
        QCOMPARE(take(), QStringList{QStringLiteral("请先选择背景图文件")});
        QVERIFY(!w.Check1->isChecked());
        QVERIFY(Windows().find<sel>() && Windows().find<sel>()->isVisible());
        QFile broken(dir.filePath(QStringLiteral("broken.bmp")));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("this is no picture") > 0);
        broken.close();
        State().BackgroundPicturePath = broken.fileName().toStdString();  // since damaged
        click(w.Check1);
        QCOMPARE(take().size(), 1);
        QVERIFY(!w.Check1->isChecked() && w.Option1->isEnabled());
        QVERIFY(w.Picture1->box().Picture().isNull());

        for (QSize size : sizes) {
            const QImage pattern = Pattern(size);
            choose(name(size), &sel::Command3);
            click(w.Option1);
            click(w.Check1);
            QVERIFY(!w.Option1->isChecked() && !w.Option1->isEnabled());
            const QImage image = w.Picture1->box().Image();
            for (QPoint p : {QPoint(0, 0), QPoint(99, 79), QPoint(500, 600), QPoint(768, 999)})
                QCOMPARE(image.pixel(p),
                         pattern.rect().contains(p) ? pattern.pixel(p) : qRgb(128, 255, 128));
            click(w.Command2);  // the calendar lies over the picture
            QVERIFY(Count(w.Picture1->box().Image(), kTitleLine, RGB(0, 0, 0)) > 20);
            click(w.Check1);
            QVERIFY(w.Option1->isEnabled());
            QCOMPARE(w.Picture1->box().Image().pixel(500, 600), qRgb(128, 255, 128));
        }
    }

    // Closing unloads: the next load starts afresh. Every scroll step, by key or by the
    // wheel over the picture, draws anew, also in a window never shown: the result equals a
    // single showing.
    void closeAndScroll() {
        frmpreV* w = &window();
        click(w->Command2);
        const QImage once = picture(*w);
        click(w->Option2);
        QTest::keyClick(w->Text2[0], Qt::Key_Return);
        QTest::keyClick(w->VScroll1, Qt::Key_PageDown);
        QPointer<frmpreV> closed(w);
        click(w->Command3);
        QCOMPARE(Windows().find<frmpreV>(), nullptr);
        QTRY_VERIFY(closed.isNull());

        frmpreV& again = window();
        CheckColours(again, kDefaults);
        QVERIFY(!again.Command1->isEnabled() && !again.Option2->isChecked());
        QVERIFY(IsBlank(again.Picture1->box().Image(), QColor(128, 255, 128)));
        QCOMPARE(again.SaveFolder, QCoreApplication::applicationDirPath());
        QScrollBar* s = again.VScroll1;
        QCOMPARE((QList<int>{s->value(), s->minimum(), s->maximum()}), (QList<int>{0, 0, 7130}));
        QTest::keyClick(s, Qt::Key_Down);
        QCOMPARE(s->value(), 20);
        QVERIFY(again.Command1->isEnabled());
        QTest::keyClick(s, Qt::Key_PageDown);
        QCOMPARE(s->value(), 470);
        QWheelEvent wheel(QPointF(100, 100), again.Picture1->mapToGlobal(QPointF(100, 100)),
                          QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(again.Picture1, &wheel);
        QCOMPARE(s->value(), 920);           // a notch of the wheel: the large change
        QCOMPARE(again.Picture1->y(), -61);  // 920 twips, in whole pixels
        QTest::keyClick(s, Qt::Key_End);
        QCOMPARE(picture(again), once);
        // The picture's bottom edge is 15000 - 7130 = 7870 twips below the viewport's top,
        // inside the 7880-twip viewport, which the window shows whole with its scroll bar.
        const int bottom = again.Picture1->geometry().bottom() + 1;
        QVERIFY(std::abs(bottom * 15 - 7870) <= 15 && bottom <= again.Picture0->height());
        QVERIFY(again.rect().contains(again.Picture0->geometry()));
        QVERIFY(again.Picture0->rect().contains(s->geometry()));
    }

    // Saved over an older file, then at the far end of the scroll under another name: both
    // files are the same 24-bit BMP of the whole picture.
    void save() {
        QTemporaryDir dir;
        const QString first = dir.filePath(kDefaultFile), second = dir.filePath("scrolled.BMP");
        QFile old(first);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an older file") > 0);
        old.close();
        frmpreV& w = window();
        w.SaveFolder = dir.path();
        click(w.Command2);
        click(w.Command1);
        QTest::keyClick(w.VScroll1, Qt::Key_End);
        PasteOver(w.Text1, QStringLiteral("scrolled"));
        click(w.Command1);
        QCOMPARE(take(), (QStringList{kSaved + first, kSaved + second}));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{kDefaultFile, QStringLiteral("scrolled.BMP")}));
        QFile a(first), b(second);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QByteArray bytes = a.readAll();
        QCOMPARE(b.readAll(), bytes);
        // The header as the format lays it down: one plane of 24 bits, uncompressed, rows
        // padded to four bytes.
        auto le = [&](int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        // File size, width, height, planes and bits per pixel, compression.
        QCOMPARE((QList<quint32>{le(2), le(18), le(22), le(26), le(30)}),
                 (QList<quint32>{quint32(bytes.size()), 769, 1000, 1 | 24 << 16, 0}));
        QCOMPARE(quint32(bytes.size()), le(10) + (769 * 3 + 3) / 4 * 4 * 1000);
        QCOMPARE(QImage(first).convertToFormat(QImage::Format_RGB32),
                 w.Picture1->box().Image().convertToFormat(QImage::Format_RGB32));
    }

    // Refused names and failed writes: a message, no file, no leftover.
    void saveRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        auto row = [](const char* why, const char* name, const char* folder) {
            QTest::newRow(why) << QString(name) << QString(folder);
        };
        row("empty name", "", "");
        row("slash", "a/b", "");
        row("tab", "a\tb", "");
        row("read-only folder", "x", "readonly");
        row("missing folder", "x", "missing/deeper");
        row("name taken by a folder", "x", "taken");
    }
    void saveRefused() {
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a/taken/x.BMP")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("readonly")));
        QFile::setPermissions(dir.filePath("readonly"), QFile::ReadOwner | QFile::ExeOwner);
        QString target = dir.filePath(folder);
        // Permissions do not stop root; /proc refuses new files to everyone.
        if (folder == "readonly" && geteuid() == 0) target = QStringLiteral("/proc");
        if (folder == "taken") target = dir.filePath(QStringLiteral("a/taken"));
        frmpreV& w = window();
        w.SaveFolder = target;
        click(w.Command2);
        PasteOver(w.Text1, name);
        click(w.Command1);
        const QStringList told = take();
        QVERIFY(told.size() == 1 && !told[0].startsWith(kSaved));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/x.BMP")));
        QDirIterator all(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY2(!all.hasNext(), qPrintable(all.hasNext() ? all.next() : QString()));
    }
};

QTEST_MAIN(EdocTest)
#include "test_frmpreV.moc"
