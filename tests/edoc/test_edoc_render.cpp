// What a showing of the calendar draws on the picture, and where.
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "edoc_testing.h"
#include "greeting/wrd.h"
#include "picker/sel.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

// Puts a picture of the given pixel size into the chooser's preview, as a file click does.
void ChoosePicture(const QString& dir, QSize pixels) {
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QString path = dir + QStringLiteral("/inset.bmp");
    QVERIFY(image.save(path));
    sel& chooser = Windows().ref<sel>();
    chooser.Dir1->SetPath(dir);
    QVERIFY(chooser.File1->SelectFile(QStringLiteral("inset.bmp")));
    chooser.File1_Click();
    QCOMPARE(chooser.Image1Picture().size(), pixels);
}

}  // namespace

class RenderTest : public QObject {
    Q_OBJECT

    RecordingBox* box = nullptr;

    frmpreV& window() {
        frmpreV& w = Windows().ref<frmpreV>();
        w.DrawTarget = box;
        return w;
    }

  private slots:
    void init() {
        FreshStart();
        box = new RecordingBox;
    }
    void cleanup() {
        Windows().clear();
        delete box;
        box = nullptr;
        QCOMPARE(UnexpectedMessages(), QStringList{});
    }

    void title_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("expected");
        QTest::newRow("2008") << 2008 << QStringLiteral("    2008年");
        QTest::newRow("2000") << 2000 << QStringLiteral("    2000年");
        QTest::newRow("2024") << 2024 << QStringLiteral("    2024年");
    }
    void title() {
        QFETCH(int, year);
        QFETCH(QString, expected);
        QVERIFY(BuildYear(year));
        window().Command2_Click();
        QVERIFY(!box->texts.empty());
        const DrawnText& t = box->texts.front();
        QCOMPARE(t.text, expected);
        QCOMPARE(t.x, 750.0);
        QCOMPARE(t.y, 250.0);
        QCOMPARE(t.font, QStringLiteral("仿宋_GB2312"));
        QCOMPARE(t.size, 20.0);
        QVERIFY(t.bold);
        QVERIFY(!t.italic);
    }

    // The month title sits 100 twips left of the anchor; blocks of the first sheet row have
    // the weekday header (two 9-point lines) between the anchor and the title.
    void blockAnchors_data() {
        QTest::addColumn<QString>("monthTitle");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<bool>("header");
        QTest::newRow("January") << QStringLiteral(" 1月") << 1250.0 << 750.0 << true;
        QTest::newRow("March") << QStringLiteral(" 3月") << 7250.0 << 750.0 << true;
        QTest::newRow("April") << QStringLiteral(" 4月") << 1250.0 << 3550.0 << false;
        QTest::newRow("August") << QStringLiteral(" 8月") << 4250.0 << 5950.0 << false;
        QTest::newRow("December") << QStringLiteral("12月") << 7250.0 << 8350.0 << false;
    }
    void blockAnchors() {
        QFETCH(QString, monthTitle);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(bool, header);
        QVERIFY(BuildYear(2008));
        window().Command2_Click();
        const auto titles = box->find(monthTitle);
        QCOMPARE(titles.size(), size_t(1));
        QCOMPARE(titles[0].x, x - 100);
        if (header) {
            // Two lines of a 9-point font are at least 2 x 180 twips, less than twice that.
            QVERIFY(titles[0].y >= y + 360);
            QVERIFY(titles[0].y < y + 720);
        } else {
            QCOMPARE(titles[0].y, y);
        }
        QCOMPARE(titles[0].font, QStringLiteral("宋体"));
        QCOMPARE(titles[0].size, 12.0);
    }

    void headersOnlyAboveFirstRow() {
        QVERIFY(BuildYear(2008));
        window().Command2_Click();
        const QStringList names = {QStringLiteral("  一"), QStringLiteral("  二"),
                                   QStringLiteral("  三"), QStringLiteral("  四"),
                                   QStringLiteral("  五"), QStringLiteral("  六"),
                                   QStringLiteral("  日")};
        for (const QString& n : names) {
            const auto found = box->find(n);
            QCOMPARE(found.size(), size_t(3));
            for (const auto& d : found) {
                QCOMPARE(d.y, 750.0);
                QCOMPARE(d.size, 9.0);
            }
        }
        // Monday first, at the header start of each of the three blocks.
        const auto mondays = box->find(names[0]);
        QCOMPARE(mondays[0].x, 1320.0);
        QCOMPARE(mondays[1].x, 4320.0);
        QCOMPARE(mondays[2].x, 7320.0);
        // The week runs left to right from Monday to Sunday.
        for (int i = 1; i < 7; ++i)
            QVERIFY(box->find(names[i])[0].x > box->find(names[i - 1])[0].x);
    }

    // September and December 2008 begin on a Monday (lunar 八月初二 and 十一月初四); October
    // begins on a Wednesday.
    void mondayFirstCell_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<bool>("dayOneDrawn");
        QTest::addColumn<QString>("firstLunar");
        QTest::newRow("September") << 9 << false << QStringLiteral("初二  ");
        QTest::newRow("December") << 12 << false << QStringLiteral("初四  ");
        QTest::newRow("October") << 10 << true << QString();
    }
    void mondayFirstCell() {
        QFETCH(int, month);
        QFETCH(bool, dayOneDrawn);
        QFETCH(QString, firstLunar);
        QVERIFY(BuildYear(2008));
        frmpreV& w = window();
        const std::int16_t m = std::int16_t(month), row = 1;
        const std::int32_t x = 1250, y = 3550;
        w.prt_v(m, x, y, row);
        QCOMPARE(
            box->texts[0].text,
            QString::fromStdString(std::to_string(month)).rightJustified(2) + QStringLiteral("月"));
        QCOMPARE(!box->find(QStringLiteral("  1")).empty(), dayOneDrawn);
        if (!dayOneDrawn) {
            // Seven day cells, then the lunar line starts with the Monday's lunar text.
            QCOMPARE(box->texts[1].text, QStringLiteral("  2"));
            QCOMPARE(box->texts[7].text, firstLunar);
            QCOMPARE(box->texts[7].x, 1380.0);
            QCOMPARE(box->texts[7].font, QStringLiteral("黑体"));
            QCOMPARE(box->texts[7].size, 6.0);
            QVERIFY(box->texts[7].y > y);
        }
    }

    void greetingLines_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("drawn");
        QTest::newRow("lines 1 and 3")
            << QStringList{"甲", "", "丙", ""} << QStringList{"甲", "丙"};
        QTest::newRow("all empty") << QStringList{"", "", "", ""} << QStringList{};
        QTest::newRow("all four") << QStringList{"a", "b", "c", "d"}
                                  << QStringList{"a", "b", "c", "d"};
    }
    void greetingLines() {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, drawn);
        QVERIFY(BuildYear(2008));
        wrd& editor = Windows().ref<wrd>();
        editor.Text1->setText(lines[0]);
        for (int i = 0; i < 3; ++i) editor.Text2[i]->setText(lines[i + 1]);
        frmpreV& w = window();
        w.Command2_Click();
        std::vector<DrawnText> greeting;
        for (const auto& d : box->texts)
            if (d.size == 26.0) greeting.push_back(d);
        QCOMPARE(qsizetype(greeting.size()), drawn.size());
        double lastCalendarY = 0;
        for (const auto& d : box->texts)
            if (d.size != 26.0) lastCalendarY = std::max(lastCalendarY, d.y);
        for (size_t i = 0; i < greeting.size(); ++i) {
            QCOMPARE(greeting[i].text, drawn[int(i)]);
            QCOMPARE(greeting[i].x, 650.0);
            QVERIFY(greeting[i].bold);
            QVERIFY(greeting[i].italic);
            QCOMPARE(greeting[i].colour, RGB(255, 0, 0));
            if (i == 0) {
                QVERIFY(greeting[i].y > lastCalendarY);
            } else {
                // Directly below: one 26-point line (at least 520 twips), not two.
                const double step = greeting[i].y - greeting[i - 1].y;
                QVERIFY2(step >= 520 && step < 1040, qPrintable(QString::number(step)));
            }
        }
    }

    void insetSize_data() {
        QTest::addColumn<QRectF>("crop");
        QTest::addColumn<QRectF>("target");
        QTest::addColumn<QRectF>("source");
        QTest::newRow("200 x 100") << QRectF(30, 45, 200, 100) << QRectF(6950, 10800, 3000, 1500)
                                   << QRectF(30, 45, 200, 100);
        QTest::newRow("100 x 200")
            << QRectF(0, 0, 100, 200) << QRectF(6950, 10800, 1500, 3000) << QRectF(0, 0, 100, 200);
        QTest::newRow("square") << QRectF(150, 150, 300, 300) << QRectF(6950, 10800, 3000, 3000)
                                << QRectF(150, 150, 300, 300);
        // Corners clicked right-to-left and bottom-to-top give the same rectangle.
        QTest::newRow("negative") << QRectF(400, 300, -200, -100) << QRectF(6950, 10800, 3000, 1500)
                                  << QRectF(200, 200, 200, 100);
    }
    void insetSize() {
        QFETCH(QRectF, crop);
        QFETCH(QRectF, target);
        QFETCH(QRectF, source);
        QVERIFY(BuildYear(2008));
        QTemporaryDir dir;
        ChoosePicture(dir.path(), QSize(40, 40));
        State().InsetPicturePath = (dir.path() + "/inset.bmp").toStdString();
        State().CropX = float(crop.x());
        State().CropY = float(crop.y());
        State().CropWidth = float(crop.width());
        State().CropHeight = float(crop.height());
        window().Command2_Click();
        QCOMPARE(box->pictures.size(), size_t(1));
        const DrawnPicture& p = box->pictures[0];
        QCOMPARE(p.target, target);
        QCOMPARE(p.source, source);
    }

    void noInset_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("height");
        QTest::newRow("empty path") << QString() << 100.0;
        QTest::newRow("empty crop") << QStringLiteral("inset.bmp") << 0.0;
    }
    void noInset() {
        QFETCH(QString, path);
        QFETCH(double, height);
        QVERIFY(BuildYear(2008));
        QTemporaryDir dir;
        ChoosePicture(dir.path(), QSize(40, 40));
        State().InsetPicturePath = path.toStdString();
        State().CropWidth = 100;
        State().CropHeight = float(height);
        frmpreV& w = window();
        w.Command2_Click();
        QVERIFY(box->pictures.empty());
        // The rest of the showing is there all the same.
        QVERIFY(!box->find(QStringLiteral("12月")).empty());
        QVERIFY(w.Command1->isEnabled());
    }

    // A second showing draws over the first; the later colour covers the earlier.
    void secondShowingDrawsOver() {
        QVERIFY(BuildYear(2008));
        frmpreV& w = window();
        w.Command2_Click();
        const size_t once = box->texts.size();
        w.DateColour = {0, 0, 255};
        w.Command2_Click();
        QCOMPARE(box->texts.size(), 2 * once);
        QCOMPARE(box->texts[once].text, box->texts[0].text);
        QCOMPARE(box->texts[once].x, box->texts[0].x);
        QCOMPARE(box->texts[once].y, box->texts[0].y);
        // All calendar text in the date colour, on the picture itself too.
        for (size_t i = once; i < box->texts.size(); ++i)
            if (box->texts[i].size != 26.0) QCOMPARE(box->texts[i].colour, RGB(0, 0, 255));
        const QRect titleLine(50, 16, 300, 30);
        QCOMPARE(CountColour(box->Image(), titleLine, RGB(0, 0, 0)), 0);
        QVERIFY(CountColour(box->Image(), titleLine, RGB(0, 0, 255)) > 20);
    }
};

QTEST_MAIN(RenderTest)
#include "test_edoc_render.moc"
