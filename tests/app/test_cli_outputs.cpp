// The drawing commands end to end: the built program run without a display on real files,
// its pictures read back with Qt's image readers and the month lines compared with the month
// view window's own drawing. The golden test compares the outputs themselves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QImageReader>
#include <QRegularExpression>

#include "app/form1.h"
#include "core/appstate.h"
#include "core/calendar.h"
#include "core/yeardata.h"
#include "monthview/scr.h"
#include "tests/support/clirun.h"
#include "windowbase/messages.h"
#include "windowbase/registry.h"

namespace orlenda {
namespace {

using test::Folder;
using test::Outcome;

// The month view window's picture of a month of 2008, from the data file given.
QImage WindowPicture(const QString& data, int month) {
    SetMessageSink([](QWidget*, const QString&) {});
    State().DataPath = data.toStdString();
    // The view's caption names the main window's year: the main window is made hidden on
    // that first reference, as in the program.
    Windows().provide<MainWindowView, Form1>();
    scr& view = Windows().ref<scr>();  // loading draws today's month from its own model
    DataReport report;
    const auto record = ReadYearRecord(data.toStdString(), 2008, report);
    BuildYearCalendar(2008, record ? &*record : nullptr, Model(), &report);
    view.prts(std::int16_t(month));
    const QImage picture = view.Picture1->box().Image().copy();
    Windows().clear();
    State().Reset();
    SetMessageSink({});
    return picture;
}

struct MonthCase {
    int month, day;  // a published festival of 2008
    const char* lunar;
};
class MonthCommandTest : public ::testing::TestWithParam<MonthCase> {};

TEST_P(MonthCommandTest, LinesAreTheWindowsDrawing) {
    const MonthCase c = GetParam();
    Folder f;
    const Outcome r = f.run(QStringLiteral("month 2008 %1 --data {data}").arg(c.month));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QStringList lines = r.lines();
    ASSERT_EQ(lines.size(), 13);  // weekdays, then six rows of day and lunar lines
    EXPECT_EQ(lines[0], QStringLiteral("   一   二   三   四   五   六   日"));

    // The published festival, in the same row as its day.
    const int row = (QDate(2008, c.month, 1).dayOfWeek() + c.day - 2) / 7;
    EXPECT_TRUE(lines[2 + 2 * row].contains(QString::fromUtf8(c.lunar))) << row;
    EXPECT_TRUE(
        lines[1 + 2 * row].contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(c.day))));

    // Drawn one after another in the view's fonts and colours, the lines give exactly the
    // picture the window draws.
    PictureBox again(6255, 4575, RGB(192, 255, 192));
    again.FontName = QStringLiteral("宋体");
    again.FontBold = true;
    again.FontSize = 14;
    again.PrintEnd();
    again.ForeColor = RGB(255, 75, 150);
    again.Print(lines[0]);
    again.PrintEnd();
    for (int w = 0; w < 6; ++w) {
        again.ForeColor = RGB(0, 0, 0);
        again.FontSize = 18;
        again.Print(lines[1 + 2 * w]);
        again.ForeColor = RGB(255, 0, 255);
        again.FontSize = 12;
        again.Print(lines[2 + 2 * w]);
    }
    EXPECT_TRUE(WindowPicture(f.data(), c.month) == again.Image());
}

// February starts on a Friday, June on a Sunday (six rows), September on a Monday (the
// title takes the Monday cell); December is the last month (the solstice, its 21st, was the
// 24th of the 11th lunar month).
INSTANTIATE_TEST_SUITE_P(Year2008, MonthCommandTest,
                         ::testing::Values(MonthCase{2, 7, "春节"}, MonthCase{6, 8, "端午"},
                                           MonthCase{9, 14, "中秋"}, MonthCase{12, 21, "廿四"}));

// Pixels within r whose components all lie within tolerance of c's.
int Count(const QImage& image, QRect r, QRgb c, int tolerance = 0) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::abs(qRed(p) - qRed(c)) <= tolerance &&
                 std::abs(qGreen(p) - qGreen(c)) <= tolerance &&
                 std::abs(qBlue(p) - qBlue(c)) <= tolerance;
        }
    return n;
}

struct EdocCase {
    const char* name;
    const char* args;
    const char* format;
    QRgb background, date, greeting;
    QSize inset;  // the inset's box, pixels at (463, 720): 6950 x 10800 twips
};
class EdocCommandTest : public ::testing::TestWithParam<EdocCase> {};

TEST_P(EdocCommandTest, WritesTheDocumentsPicture) {
    const EdocCase& c = GetParam();
    Folder f;
    QImage back(770, 1000, QImage::Format_RGB32);
    back.fill(QColor(20, 40, 200));
    back.save(f.path(QStringLiteral("back.bmp")));
    f.picture(QStringLiteral("inset.bmp"), 400, 300, "BMP");
    const Outcome r = f.run(QStringLiteral("edoc 2008 --data {data} ") + c.args);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    QImageReader reader(f.path(QStringLiteral("doc.") + c.format));
    EXPECT_EQ(reader.format(), QByteArray(c.format));
    const QImage doc = reader.read();
    ASSERT_EQ(doc.size(), QSize(769, 1000));
    EXPECT_EQ(doc.pixel(2, 997) & 0xffffff, c.background & 0xffffff);
    EXPECT_EQ(doc.pixel(766, 2) & 0xffffff, c.background & 0xffffff);
    EXPECT_GT(Count(doc, QRect(80, 50, 600, 500), c.date, 64), 2000);  // the calendar
    EXPECT_GT(Count(doc, QRect(0, 600, 769, 400), c.greeting, 64), 500);
    if (c.inset.isEmpty()) return;
    // The crop fills the box from its corner, and the background shows just beyond it.
    const QRect inside(463 + 3, 720 + 3, c.inset.width() - 6, c.inset.height() - 6);
    EXPECT_EQ(Count(doc, inside, qRgb(0, 0, 255)), inside.width() * inside.height());
    EXPECT_EQ(doc.pixel(463 + c.inset.width() + 2, 720 + 3), c.background);
    EXPECT_EQ(doc.pixel(463 + 3, 720 + c.inset.height() + 2), c.background);
}

// The inset picture is 400 x 300 pixels, red on the left half and blue on the right; its
// crop runs backwards, as two clicks may record it, over the blue top half (2:1).
INSTANTIATE_TEST_SUITE_P(
    Pictures, EdocCommandTest,
    ::testing::Values(EdocCase{"ColoursOnABackgroundAsPng",
                               "--background back.bmp --date-colour 255,255,0 "
                               "--greeting-colour 0,255,255 -o doc.png",
                               "png",
                               qRgb(20, 40, 200),
                               qRgb(255, 255, 0),
                               qRgb(0, 255, 255),
                               {}},
                      EdocCase{"InsetCropBackwards",
                               "--inset inset.bmp --crop 6000,2250,-3000,-2250 -o doc.bmp",
                               "bmp",
                               qRgb(128, 255, 128),
                               qRgb(0, 0, 0),
                               qRgb(255, 0, 0),
                               {200, 150}}),
    [](const auto& info) { return std::string(info.param.name); });

// A damaged picture: the chooser's own message, and the earlier output left whole.
TEST(Errors, DamagedInsetKeepsAnEarlierOutputWhole) {
    Folder f;
    ASSERT_EQ(f.run(QStringLiteral("edoc 2008 -o doc.bmp --data {data}")).code, 0);
    QFile out(f.path(QStringLiteral("doc.bmp")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray before = out.readAll();
    out.close();
    f.write(QStringLiteral("broken.jpg"),
            QByteArray("\xff\xd8\xff\xe0") + QByteArray(" not really a JPEG"));
    const Outcome r =
        f.run(QStringLiteral("edoc 2008 --inset broken.jpg -o doc.bmp --data {data}"));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("orlenda: error: ")) &&
                r.err.contains(QStringLiteral("broken.jpg")))
        << r.err.toStdString();
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), before);
}

}  // namespace
}  // namespace orlenda

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
