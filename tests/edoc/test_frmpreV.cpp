// The electronic document driven through its handlers: what a showing draws and where, the
// palette, the background picture, scrolling, saving, closing and help.
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

    frmpreV& window(bool record = false) {
        frmpreV& w = Windows().ref<frmpreV>();
        if (record) w.DrawTarget = rec.get();
        return w;
    }
    QStringList take() { return std::exchange(messages, {}); }
    static void type(frmpreV& w, const QStringList& rgb) {
        for (int i = 0; i < 3; ++i) w.Text2[i]->setText(rgb[i]);
    }

  private slots:
    // The main window with 2008 chosen and built, as its button leaves it.
    void init() {
        startCase();
        rec = std::make_unique<RecordingSurface>();
        Form1& main = Windows().ref<Form1>();
        main.Combo1->setCurrentIndex(main.Combo1->findText(QStringLiteral("2008")));
        main.Combo1_Click();
        BuildSelectedYear(&main);
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
                    {" 3月", {7150}, 750 + 360, 360, "宋体", 12},
                    {" 4月", {1150}, 3550, 0, "宋体", 12},
                    {"12月", {7150}, 8350, 0, "宋体", 12},
                    {"  一", {1320, 4320, 7320}, 750, 0, "宋体", 9}};
        frmpreV& w = window(true);
        QVERIFY(!w.Command1->isEnabled());
        w.Command2_Click();
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
    }

    // September and December 2008 begin on a Monday (lunar 八月初二 and 十一月初四), whose cell
    // the title takes: seven day cells, then the lunar line starts with the Monday's. October
    // begins on a Wednesday.
    void mondayFirstCell() {
        const std::pair<std::int16_t, const char*> rows[] = {
            {9, "初二  "}, {12, "初四  "}, {10, ""}};
        const std::int32_t x = 1250, y = 3550;
        const std::int16_t sheetRow = 1;
        for (const auto& [month, lunar] : rows) {
            rec = std::make_unique<RecordingSurface>();
            window(true).prt_v(month, x, y, sheetRow);
            const auto& t = rec->texts;
            QCOMPARE(rec->find(QStringLiteral("  1")).empty(), *lunar != 0);
            if (*lunar) QCOMPARE(t.at(1).text + t.at(7).text, "  2" + QString::fromUtf8(lunar));
            if (*lunar) QVERIFY(t[7].x == 1380 && t[7].y > y);
        }
    }

    // Empty lines take no room: lines 1 and 3 come one under the other, below the calendar.
    void greetingLinesOneAndThree() {
        wrd& editor = Windows().ref<wrd>();
        editor.Text1->setText(QStringLiteral("甲"));
        editor.Text2[0]->clear();
        editor.Text2[1]->setText(QStringLiteral("丙"));
        editor.Text2[2]->clear();
        window(true).Command2_Click();
        const DrawnText last = rec->texts.back(), first = rec->texts.at(rec->texts.size() - 2);
        QCOMPARE(first.text + last.text, QStringLiteral("甲丙"));
        double bottom = 0;
        for (std::size_t i = 0; i + 2 < rec->texts.size(); ++i)
            bottom = std::max(bottom, rec->texts[i].y);
        const double step = last.y - first.y;  // one 26-point line, not two
        QVERIFY2(first.y > bottom && step >= 520 && step < 1040, qPrintable(QString::number(step)));
        QVERIFY(first.x == 650 && first.size == 26 && first.bold && first.italic);
        QCOMPARE(last.colour, RGB(255, 0, 0));
    }

    // The crop (twips on a 40 x 40 pixel picture) fitted into the 3000-twip square at
    // (6950, 10800); a null target means no inset.
    void inset() {
        QImage picture(40, 40, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(dir.filePath(QStringLiteral("inset.bmp"))));
        sel& chooser = Windows().ref<sel>();  // chosen as a file click does
        chooser.Dir1->SetPath(dir.path());
        QVERIFY(chooser.File1->SelectFile(QStringLiteral("inset.bmp")));
        chooser.File1_Click();
        const std::string path = dir.filePath(QStringLiteral("inset.bmp")).toStdString();
        const std::tuple<std::string, QRectF, QRectF> rows[] = {
            {path, {30, 45, 200, 100}, {6950, 10800, 3000, 1500}},
            {path, {0, 0, 100, 200}, {6950, 10800, 1500, 3000}},
            {path, {150, 150, 300, 300}, {6950, 10800, 3000, 3000}},
            // Corners clicked right-to-left and bottom-to-top give the same rectangle.
            {path, {400, 300, -200, -100}, {6950, 10800, 3000, 1500}},
            {"", {0, 0, 100, 100}, {}},
            {path, {0, 0, 100, 0}, {}}};
        for (const auto& [inset, crop, target] : rows) {
            State().InsetPicturePath = inset;
            State().CropX = float(crop.x());
            State().CropY = float(crop.y());
            State().CropWidth = float(crop.width());
            State().CropHeight = float(crop.height());
            rec = std::make_unique<RecordingSurface>();
            window(true).Command2_Click();
            QCOMPARE(rec->pictures.size(), std::size_t(target.isNull() ? 0 : 1));
            if (!target.isNull()) QCOMPARE(rec->pictures[0].target, target);
            if (!target.isNull()) QCOMPARE(rec->pictures[0].source, crop.normalized());
        }
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
        row("0 accepted", 3, 0, {"0", "0", "0"}, false, RGB(0, 0, 0), "0");
        row("256 refused", 2, 0, {"256", "0", "0"}, true, RGB(0, 0, 0), "256");
        row("-1 refused", 3, 2, {"0", "0", "-1"}, true, RGB(255, 0, 0), "-1");
        row("255.4 stored as 255", 2, 0, {"255.4", "1", "2"}, false, RGB(255, 1, 2), "255.4");
        row("half to even", 2, 0, {"12.5", "13.5", "0.5"}, false, RGB(12, 14, 0), "12.5");
        row("abc becomes 0", 2, 0, {"abc", "7", "9"}, false, RGB(0, 7, 9), "0");
        row("green 300 counts as 255", 3, 0, {"10", "300", "5"}, false, RGB(10, 255, 5), "10");
        row("green -1 refused", 3, 0, {"10", "-1", "5"}, true, RGB(255, 0, 0), "10");
        row("green beyond 16 bits refused", 3, 0, {"10", "40000", "5"}, true, RGB(255, 0, 0), "10");
        row("blue not a number refused", 2, 0, {"10", "20", "x"}, true, RGB(0, 0, 0), "10");
        row("background", 1, 2, {"0", "0", "255"}, false, RGB(0, 0, 255), "255");
        row("no option", 0, 0, {"10", "0", "0"}, false, 0, "10");
        row("no option, out of range", 0, 0, {"300", "0", "0"}, true, 0, "300");
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
            options[option - 1]->setChecked(true);
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

    // A new date colour waits for the next showing, which draws over what the picture holds;
    // a new background colour erases the drawing; Command4 brings the three defaults back.
    void colourChanges() {
        frmpreV& w = window();
        w.Command2_Click();
        const QImage first = w.Picture1->box().Image().copy();
        QVERIFY(Count(first, kTitleLine, RGB(0, 0, 0)) > 20);
        w.Option2->setChecked(true);
        type(w, {"0", "0", "255"});
        w.Text2_KeyPress(0, 13);
        QCOMPARE(w.Picture1->box().Image(), first);

        Windows().ref<wrd>().Command2_Click();  // no greeting this time
        w.Command2_Click();
        QImage image = w.Picture1->box().Image();
        QCOMPARE(Count(image, kTitleLine, RGB(0, 0, 0)), 0);
        QVERIFY(Count(image, kTitleLine, RGB(0, 0, 255)) > 20);
        QVERIFY(Count(image, image.rect(), RGB(255, 0, 0)) > 100);  // the first greeting

        type(w, {"255", "255", "0"});
        for (QRadioButton* o : {w.Option3, w.Option1}) {
            o->setChecked(true);
            w.Text2_KeyPress(1, 13);
        }
        QVERIFY(IsBlank(w.Picture1->box().Image(), QColor(255, 255, 0)));
        CheckColours(w, {RGB(255, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)});
        w.Command4_Click();
        CheckColours(w, kDefaults);
        QVERIFY(IsBlank(w.Picture1->box().Image(), QColor(128, 255, 128)));
        QCOMPARE(w.Text2[0]->text(), QStringLiteral("255"));  // the typed values stay
    }

    // Leaving a box tests only that it holds a number.
    void leavingBox() {
        frmpreV& w = window();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const QString& text : {QStringLiteral("abc"), QString(), QStringLiteral("300")}) {
            w.Text2[1]->setFocus();
            QTRY_VERIFY(w.Text2[1]->hasFocus());
            w.Text2[1]->setText(text);
            w.Text2[2]->setFocus(Qt::TabFocusReason);
            const bool refused = text != QStringLiteral("300");
            QCOMPARE(take(), refused ? QStringList{QStringLiteral("取值必须是0-255间的整洁数")}
                                     : QStringList{});
            QCOMPARE(w.Text2[1]->hasFocus(), refused);
        }
    }

    // Ticking without a background picture, with an unreadable one, then with pictures of a
    // few sizes (what shows at a few points of the 769 x 1000 picture), then unticking.
    void background() {
        frmpreV& w = window();
        QTest::mouseClick(w.Check1, Qt::LeftButton);
        QCOMPARE(take(), QStringList{QStringLiteral("请先选择背景图文件")});
        QVERIFY(Windows().find<sel>() && Windows().find<sel>()->isVisible());
        const QString path = dir.filePath(QStringLiteral("back.bmp"));
        State().BackgroundPicturePath = path.toStdString();
        QFile broken(path);
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("this is no picture") > 0);
        broken.close();
        w.Check1->setChecked(true);
        QCOMPARE(take().size(), 1);
        QVERIFY(!w.Check1->isChecked() && w.Option1->isEnabled());
        QVERIFY(w.Picture1->box().Picture().isNull());

        for (QSize size : {QSize(770, 1000), QSize(1000, 1200), QSize(100, 80)}) {
            const QImage pattern = Pattern(size);
            QVERIFY(pattern.save(path));
            w.Option1->setChecked(true);
            w.Check1->setChecked(true);
            QVERIFY(!w.Option1->isChecked() && !w.Option1->isEnabled());
            const QImage image = w.Picture1->box().Image();
            for (QPoint p : {QPoint(0, 0), QPoint(99, 79), QPoint(500, 600), QPoint(768, 999)})
                QCOMPARE(image.pixel(p),
                         pattern.rect().contains(p) ? pattern.pixel(p) : qRgb(128, 255, 128));
            w.Command2_Click();  // the calendar lies over the picture
            QVERIFY(Count(w.Picture1->box().Image(), kTitleLine, RGB(0, 0, 0)) > 20);
            w.Check1->setChecked(false);
            QVERIFY(w.Option1->isEnabled());
            QCOMPARE(w.Picture1->box().Image().pixel(500, 600), qRgb(128, 255, 128));
        }
    }

    // Closing unloads: the next load starts afresh. Every scroll step clears and draws once,
    // also in a window never shown: the result equals a single showing.
    void closeAndScroll() {
        frmpreV* w = &window();
        w->Command2_Click();
        const QImage once = w->Picture1->box().Image().copy();
        w->Option2->setChecked(true);
        w->Text2_KeyPress(0, 13);
        w->VScroll1->setValue(450);
        QPointer<frmpreV> closed(w);
        w->Command3_Click();
        QCOMPARE(Windows().find<frmpreV>(), nullptr);
        QTRY_VERIFY(closed.isNull());

        frmpreV& again = window();
        CheckColours(again, kDefaults);
        QVERIFY(!again.Command1->isEnabled() && !again.Option2->isChecked());
        QVERIFY(IsBlank(again.Picture1->box().Image(), QColor(128, 255, 128)));
        QCOMPARE(again.SaveFolder, QCoreApplication::applicationDirPath());
        const QScrollBar* s = again.VScroll1;
        QCOMPARE(
            (QList<int>{s->value(), s->minimum(), s->maximum(), s->singleStep(), s->pageStep()}),
            (QList<int>{0, 0, 7130, 20, 450}));
        for (int v : {20, 470, 7130}) again.VScroll1->setValue(v);
        QCOMPARE(again.Picture1->box().Image(), once);
        QVERIFY(again.Command1->isEnabled());
        // The picture's bottom edge is 15000 - 7130 = 7870 twips below the viewport's top,
        // inside the 7880-twip viewport.
        const int bottom = again.Picture1->geometry().bottom() + 1;
        QVERIFY(std::abs(bottom * 15 - 7870) <= 15 && bottom <= again.Picture0->height());
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
        w.Command2_Click();
        w.Command1_Click();
        w.VScroll1->setValue(7130);
        w.Text1->setText(QStringLiteral("scrolled"));
        w.Command1_Click();
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
        row("backslash", "a\\b", "");
        row("star", "a*", "");
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
        w.Command2_Click();
        w.Text1->setText(name);
        w.Command1_Click();
        const QStringList told = take();
        QVERIFY(told.size() == 1 && !told[0].startsWith(kSaved));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/x.BMP")));
        QDirIterator all(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY2(!all.hasNext(), qPrintable(all.hasNext() ? all.next() : QString()));
    }

    // Four lines broken by carriage returns alone.
    void help() {
        window().Command5_Click();
        const QStringList told = take();
        QVERIFY(told.size() == 1 && !told[0].contains(QLatin1Char('\n')));
        const QStringList lines = told[0].split(QLatin1Char('\r'));
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith(QStringLiteral("调色板使用：")));
        QVERIFY(lines[3].endsWith(QStringLiteral("另存为JPG格式")));
    }
};

QTEST_MAIN(EdocTest)
#include "test_frmpreV.moc"
