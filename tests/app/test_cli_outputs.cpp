// The drawing commands end to end: the built program run without a display on real files,
// its outputs read back with independent tools (pdfinfo, pdftotext, pdfimages, Qt's image
// readers) and compared with the windows' own drawing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>

#include "app/messages.h"
#include "app/registry.h"
#include "core/appstate.h"
#include "core/calendar.h"
#include "core/yeardata.h"
#include "monthview/scr.h"
#include "tests/core/testfiles.h"

#ifndef ORLENDA_BIN
#error "ORLENDA_BIN must name the built orlenda program"
#endif

namespace orlenda {
namespace {

using test::kLines2000To2010;

struct Outcome {
    int code = -1;
    QString out, err;
    QStringList lines() const {
        QStringList l = out.split(QLatin1Char('\n'));
        if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
        return l;
    }
};

// The program with no display at all: no X, no Wayland, no platform chosen for it, and a
// print system that is not there.
Outcome Orlenda(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PRINTER", "LPDEST"})
        env.remove(QString::fromLatin1(v));
    env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("/nonexistent/cups.sock"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORLENDA_BIN), args);
    Outcome r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString Tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class Files {
  public:
    Files() {
        QFile f(path("china.txt"));
        f.open(QIODevice::WriteOnly);
        for (const std::string& line : kLines2000To2010) f.write((line + "\r\n").c_str());
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString dir() const { return dir_.path(); }
    // {dir}/NAME names a file of the test folder, {out} the output file (without suffix).
    QString expand(QString arg) const {
        return arg.replace(QStringLiteral("{out}"), path("out"))
            .replace(QStringLiteral("{dir}"), dir_.path());
    }
    QString path(const char* name) const { return path(QString::fromUtf8(name)); }
    QString data() const { return path("china.txt"); }
    QString write(const char* name, const QByteArray& bytes) const {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path(name);
    }
    // A picture of w x h pixels: left half red, right half blue.
    QString picture(const char* name, int w, int h, const char* format) const {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QPainter(&image).fillRect(0, 0, w / 2, h, Qt::red);
        image.save(path(name), format, 100);
        return path(name);
    }

  private:
    QTemporaryDir dir_;
};

// ---- month ----

// Where a text ends on a month view line, in points: the font draws a Chinese character as
// wide as two Latin ones, and the line's size is 18 points (day lines) or 12 (lunar lines).
double EndOf(const QString& line, qsizetype at, qsizetype length, double size) {
    double halves = 0;
    for (qsizetype i = 0; i < at + length; ++i) halves += line[i].unicode() < 128 ? 1 : 2;
    return halves * size / 2;
}

struct Festival {
    int month, day;
    const char* lunar;
};
class MonthFestivalTest : public ::testing::TestWithParam<Festival> {};

// Published dates of 2008: each day's lunar text stands under its day number.
TEST_P(MonthFestivalTest, LunarTextStandsUnderItsDay) {
    Files files;
    const Festival f = GetParam();
    const Outcome r = Orlenda({QStringLiteral("month"), QStringLiteral("2008"),
                               QString::number(f.month), QStringLiteral("--data"), files.data()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QStringList lines = r.lines();
    ASSERT_EQ(lines.size(), 13);
    const QString lunar = QString::fromUtf8(f.lunar);
    const QRegularExpression day(QStringLiteral("(?<![0-9])%1(?![0-9])").arg(f.day));
    int found = 0;
    for (int w = 0; w < 6; ++w) {
        const QString& dayLine = lines[1 + 2 * w];
        const QString& lunarLine = lines[2 + 2 * w];
        const QRegularExpressionMatch m = day.match(dayLine, w == 0 ? 5 : 0);  // past the title
        const qsizetype at = lunarLine.indexOf(lunar);
        if (!m.hasMatch() || at < 0) continue;
        ++found;
        // Day numbers end at their cell's right edge; a cell is 36 points wide, and the
        // two-character name must stand within it, not in a neighbour.
        const double cellCentre = EndOf(dayLine, m.capturedStart(), m.capturedLength(), 18) - 18;
        const double nameCentre = EndOf(lunarLine, at, lunar.size(), 12) - 12;
        EXPECT_NEAR(nameCentre, cellCentre, 17) << dayLine.toStdString() << "\n"
                                                << lunarLine.toStdString();
    }
    EXPECT_EQ(found, 1);
}

INSTANTIATE_TEST_SUITE_P(Year2008, MonthFestivalTest,
                         ::testing::Values(Festival{2, 7, "春节"}, Festival{4, 4, "清明"},
                                           Festival{6, 8, "端午"}, Festival{8, 7, "七夕"},
                                           Festival{9, 14, "中秋"}, Festival{10, 7, "重阳"}));

TEST(MonthCommand, HeaderAndMondayStart) {
    Files files;
    const Outcome r = Orlenda({QStringLiteral("month"), QStringLiteral("2008"), QStringLiteral("9"),
                               QStringLiteral("--data"), files.data()});
    ASSERT_EQ(r.code, 0);
    const QStringList lines = r.lines();
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines[0], QStringLiteral("   一   二   三   四   五   六   日"));
    // September 1, 2008 was a Monday: the title takes its cell, Tuesday the 2nd follows.
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral(" 9月     2   3"))) << lines[1].toStdString();
    // ... and its lunar day, the 2nd of the 8th month, is still shown.
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("  初二  "))) << lines[2].toStdString();
}

TEST(MonthCommand, MissingDataWarnsAndLeavesLunarLinesBlank) {
    Files files;
    const Outcome r = Orlenda({QStringLiteral("month"), QStringLiteral("2008"), QStringLiteral("2"),
                               QStringLiteral("--data"), files.path("none.txt")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("orlenda: warning: ") + files.path("none.txt")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("the lunar dates are left blank")));
    const QStringList lines = r.lines();
    ASSERT_EQ(lines.size(), 13);
    for (int w = 0; w < 6; ++w) EXPECT_EQ(lines[2 + 2 * w].trimmed(), QString()) << w;
    EXPECT_TRUE(lines[9].contains(QStringLiteral("29")));  // still February 29
}

// The lines the command prints, drawn one after another in the month view's fonts and
// colours, give exactly the picture the month view window draws.
TEST(MonthCommand, LinesRedrawTheWindowsPicture) {
    Files files;
    for (int month : {2, 9, 12}) {
        const Outcome r = Orlenda({QStringLiteral("month"), QStringLiteral("2008"),
                                   QString::number(month), QStringLiteral("--data"), files.data()});
        ASSERT_EQ(r.code, 0);
        const QStringList lines = r.lines();
        ASSERT_EQ(lines.size(), 13);

        SetMessageSink([](QWidget*, const QString&) {});
        State().DataPath = files.data().toStdString();
        scr& view = Windows().ref<scr>();
        DataReport report;
        const auto record = ReadYearRecord(files.data().toStdString(), 2008, report);
        ASSERT_TRUE(record) << report.message;
        BuildYearCalendar(2008, &*record, Model(), &report);
        view.prts(std::int16_t(month));
        const QImage drawn = view.Picture1->box().Image().copy();

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
        const QImage redrawn = again.Image();
        ASSERT_EQ(drawn.size(), redrawn.size());
        int differing = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                differing += drawn.pixel(x, y) != redrawn.pixel(x, y);
        EXPECT_EQ(differing, 0) << "month " << month;
        Windows().clear();
        State().Reset();
        SetMessageSink({});
    }
}

// ---- sheet ----

QSizeF PageSizePts(const QString& pdf) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
            .match(Tool(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

int Pages(const QString& pdf) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(Tool(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Text of the page with all white space removed (pdftotext splits lines as it sees fit).
QString PdfText(const QString& pdf) {
    QString t = Tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    t.remove(QRegularExpression(QStringLiteral("\\s")));
    return t;
}

int ImagesIn(const QString& pdf) {
    const QStringList rows =
        Tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n'));
    int n = 0;
    for (const QString& row : rows)
        if (QRegularExpression(QStringLiteral("^\\s*\\d+\\s+\\d+\\s+image")).match(row).hasMatch())
            ++n;
    return n;
}

struct SheetCase {
    const char* name;
    QStringList extra;
    double widthMm, heightMm;
    QStringList present, absent;
    int images;
};
class SheetCommandTest : public ::testing::TestWithParam<SheetCase> {};

TEST_P(SheetCommandTest, WritesThePage) {
    Files files;
    const SheetCase& c = GetParam();
    files.write("greeting.txt", "恭贺新禧\r\n\n  Happy 2008\n");
    files.picture("inset.jpg", 400, 300, "JPG");
    QStringList args{QStringLiteral("sheet"), QStringLiteral("2008"),   QStringLiteral("-o"),
                     files.path("sheet.pdf"), QStringLiteral("--data"), files.data()};
    for (const QString& a : c.extra) args << files.expand(a);
    const Outcome r = Orlenda(args);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QString pdf = files.path("sheet.pdf");
    EXPECT_EQ(Pages(pdf), 1);
    const QSizeF pts = PageSizePts(pdf);
    EXPECT_NEAR(pts.width(), c.widthMm * 72 / 25.4, 1);
    EXPECT_NEAR(pts.height(), c.heightMm * 72 / 25.4, 1);
    const QString text = PdfText(pdf);
    for (const QString& t : c.present) EXPECT_TRUE(text.contains(t)) << t.toStdString();
    for (const QString& t : c.absent) EXPECT_FALSE(text.contains(t)) << t.toStdString();
    EXPECT_EQ(ImagesIn(pdf), c.images);
    // Nothing else is left in the folder.
    EXPECT_EQ(QDir(files.dir()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{QStringLiteral("china.txt"), QStringLiteral("greeting.txt"),
                           QStringLiteral("inset.jpg"), QStringLiteral("sheet.pdf")}));
}

INSTANTIATE_TEST_SUITE_P(
    Papers, SheetCommandTest,
    ::testing::Values(
        SheetCase{"A4Chinese",
                  {QStringLiteral("--paper"), QStringLiteral("A4")},
                  210,
                  297,
                  {QStringLiteral("2008年"), QStringLiteral("春节"), QStringLiteral("12月"),
                   QStringLiteral("亲爱的朋友："), QStringLiteral("万事如意！")},
                  {QStringLiteral("Jan"), QStringLiteral("Dear")},
                  0},
        SheetCase{"A3EnglishColour",
                  {QStringLiteral("--paper"), QStringLiteral("a3"), QStringLiteral("--english"),
                   QStringLiteral("--colour")},
                  297,
                  420,
                  {QStringLiteral("2008年"), QStringLiteral("Jan"), QStringLiteral("Dec"),
                   QStringLiteral("Mon"), QStringLiteral("Dear"), QStringLiteral("Happynewyear")},
                  {QStringLiteral("亲爱的朋友")},
                  0},
        SheetCase{"GreetingAndInset",
                  {QStringLiteral("--paper"), QStringLiteral("A4"), QStringLiteral("--greeting"),
                   QStringLiteral("{dir}/greeting.txt"), QStringLiteral("--inset"),
                   QStringLiteral("{dir}/inset.jpg"), QStringLiteral("--crop"),
                   QStringLiteral("0,0,3000,4500")},
                  210,
                  297,
                  {QStringLiteral("恭贺新禧"), QStringLiteral("Happy2008")},
                  {QStringLiteral("亲爱的朋友")},
                  1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- electronic document ----

QImage ReadPicture(const QString& path, QByteArray* format = nullptr) {
    QImageReader reader(path);
    if (format) *format = reader.format();
    return reader.read();
}

// Pixels within the rectangle whose components all lie within tolerance of c's.
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

TEST(EdocCommand, DefaultPictureIsTheDocumentsSize) {
    Files files;
    const Outcome r = Orlenda({QStringLiteral("edoc"), QStringLiteral("2008"), QStringLiteral("-o"),
                               files.path("doc.bmp"), QStringLiteral("--data"), files.data()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    QByteArray format;
    const QImage doc = ReadPicture(files.path("doc.bmp"), &format);
    EXPECT_EQ(format, "bmp");
    EXPECT_EQ(doc.size(), QSize(769, 1000));
    // Default colours: light green behind, black calendar text, red greeting.
    EXPECT_EQ(doc.pixel(2, 997) & 0xffffff, qRgb(128, 255, 128) & 0xffffff);
    EXPECT_EQ(doc.pixel(766, 2) & 0xffffff, qRgb(128, 255, 128) & 0xffffff);
    EXPECT_GT(Count(doc, QRect(80, 50, 600, 500), qRgb(0, 0, 0), 64), 2000);
    EXPECT_GT(Count(doc, QRect(0, 600, 769, 400), qRgb(255, 0, 0), 64), 500);
}

TEST(EdocCommand, ColoursBackgroundPictureAndPng) {
    Files files;
    QImage back(770, 1000, QImage::Format_RGB32);
    back.fill(QColor(20, 40, 200));
    back.save(files.path("back.bmp"));
    const Outcome r = Orlenda(
        {QStringLiteral("edoc"), QStringLiteral("2008"), QStringLiteral("--background"),
         files.path("back.bmp"), QStringLiteral("--date-colour"), QStringLiteral("255,255,0"),
         QStringLiteral("--greeting-colour"), QStringLiteral("0, 255, 255"), QStringLiteral("-o"),
         files.path("doc.png"), QStringLiteral("--data"), files.data()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QByteArray format;
    const QImage doc = ReadPicture(files.path("doc.png"), &format);
    EXPECT_EQ(format, "png");
    EXPECT_EQ(doc.size(), QSize(769, 1000));
    EXPECT_EQ(doc.pixel(2, 997) & 0xffffff, qRgb(20, 40, 200) & 0xffffff);
    EXPECT_GT(Count(doc, QRect(80, 50, 600, 500), qRgb(255, 255, 0), 64), 2000);
    EXPECT_GT(Count(doc, QRect(0, 600, 769, 400), qRgb(0, 255, 255), 64), 500);
    EXPECT_EQ(Count(doc, QRect(0, 0, 769, 1000), qRgb(0, 0, 0)), 0);
}

struct InsetCase {
    const char* crop;
    QSize box;  // pixels, from (6950, 10800) twips = (463, 720)
    QRgb colour;
};
class EdocInsetTest : public ::testing::TestWithParam<InsetCase> {};

// A 400 x 300 picture, red on the left half and blue on the right.
TEST_P(EdocInsetTest, CropFillsTheBoxFromItsCorner) {
    Files files;
    files.picture("inset.bmp", 400, 300, "BMP");
    const Outcome r = Orlenda(
        {QStringLiteral("edoc"), QStringLiteral("2008"), QStringLiteral("--inset"),
         files.path("inset.bmp"), QStringLiteral("--crop"), QString::fromLatin1(GetParam().crop),
         QStringLiteral("--background-colour"), QStringLiteral("255,255,255"), QStringLiteral("-o"),
         files.path("doc.bmp"), QStringLiteral("--data"), files.data()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QImage doc = ReadPicture(files.path("doc.bmp"));
    const QSize box = GetParam().box;
    const QRect inside(463 + 3, 720 + 3, box.width() - 6, box.height() - 6);
    EXPECT_EQ(Count(doc, inside, GetParam().colour), inside.width() * inside.height());
    // White just beyond the box's right and bottom edges.
    EXPECT_EQ(doc.pixel(463 + box.width() + 2, 720 + box.height() / 2) & 0xffffff, 0xffffffu);
    EXPECT_EQ(doc.pixel(463 + box.width() / 2, 720 + box.height() + 2) & 0xffffff, 0xffffffu);
}

INSTANTIATE_TEST_SUITE_P(
    Crops, EdocInsetTest,
    ::testing::Values(InsetCase{"0,0,3000,4500", {133, 200}, qRgb(255, 0, 0)},     // 2:3
                      InsetCase{"3000,0,3000,1500", {200, 100}, qRgb(0, 0, 255)},  // 2:1
                      InsetCase{"3000,4500,-3000,-3000", {200, 200}, qRgb(255, 0, 0)}));

// ---- errors ----

struct ErrorCase {
    const char* name;
    QStringList args;  // {out} stands for the output file, {dir} for the test folder
    int code;
    const char* err;  // a regular expression for the first line of standard error
};
class CommandErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CommandErrorTest, ExitStatusMessageAndNoOutput) {
    Files files;
    files.write("five.txt", "1\n2\n3\n4\n5\n");
    files.write("latin1.txt", "gr\xfc\xdf\n");
    files.picture("inset.png", 40, 30, "PNG");
    files.picture("inset.jpg", 40, 30, "JPG");
    QStringList args;
    for (const QString& a : GetParam().args) args << files.expand(a);
    if (args[0] != QLatin1String("--version"))
        args = args.mid(0, 1) + QStringList{QStringLiteral("--data"), files.data()} + args.mid(1);
    const Outcome r = Orlenda(args);
    EXPECT_EQ(r.code, GetParam().code) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    const QString first = r.err.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^orlenda: ") + QString::fromUtf8(GetParam().err))
                    .match(first)
                    .hasMatch())
        << first.toStdString();
    if (GetParam().code == 2) {
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage: orlenda")) ||
                    r.err.contains(QStringLiteral("Try 'orlenda --help'")));
    }
    const QStringList left = QDir(files.dir()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& f : left)
        EXPECT_FALSE(f.startsWith(QStringLiteral("out"))) << f.toStdString();
    EXPECT_FALSE(left.join(' ').contains(QStringLiteral(".orlenda")))
        << left.join(' ').toStdString();
}

QStringList A(std::initializer_list<const char*> args) {
    QStringList l;
    for (const char* a : args) l << QString::fromUtf8(a);
    return l;
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CommandErrorTest,
    ::testing::Values(
        ErrorCase{"MonthMissing", A({"month", "2008"}), 2, "missing MONTH$"},
        ErrorCase{"MonthThirteen", A({"month", "2008", "13"}), 2,
                  "MONTH must be a whole number from 1 to 12, not \"13\"$"},
        ErrorCase{"MonthFraction", A({"month", "2008", "1.5"}), 2, "MONTH must be .*\"1.5\"$"},
        ErrorCase{"MonthYearText", A({"month", "abc", "1"}), 2, "YEAR must be a number"},
        ErrorCase{"SheetNoPaper", A({"sheet", "2008", "-o", "{out}.pdf"}), 2,
                  "missing --paper A3\\|A4$"},
        ErrorCase{"SheetPaperA5", A({"sheet", "2008", "--paper", "A5", "-o", "{out}.pdf"}), 2,
                  "--paper must be A3 or A4, not \"A5\"$"},
        ErrorCase{"SheetNoDestination", A({"sheet", "2008", "--paper", "A4"}), 2,
                  "missing -o OUT.pdf or --printer QUEUE$"},
        ErrorCase{"SheetTwoDestinations",
                  A({"sheet", "2008", "--paper", "A4", "-o", "{out}.pdf", "--printer", "q"}), 2,
                  "give -o OUT.pdf or --printer QUEUE, not both$"},
        ErrorCase{"SheetNotPdf", A({"sheet", "2008", "--paper", "A4", "-o", "{out}.png"}), 2,
                  "-o .*out.png: the name must end in .pdf$"},
        ErrorCase{"CropWithoutInset",
                  A({"sheet", "2008", "--paper", "A4", "--crop", "0,0,10,10", "-o", "{out}.pdf"}),
                  2, "--crop needs --inset PICTURE$"},
        ErrorCase{"CropThreeNumbers",
                  A({"sheet", "2008", "--paper", "A4", "--inset", "{dir}/inset.jpg", "--crop",
                     "0,0,10", "-o", "{out}.pdf"}),
                  2, "--crop must be four numbers X,Y,W,H, not \"0,0,10\"$"},
        ErrorCase{"CropEmpty",
                  A({"edoc", "2008", "--inset", "{dir}/inset.jpg", "--crop", "10,10,0,300", "-o",
                     "{out}.bmp"}),
                  2, "--crop 10,10,0,300 is empty"},
        ErrorCase{"SheetUnknownOption",
                  A({"sheet", "2008", "--paper", "A4", "--colour-mode", "-o", "{out}.pdf"}), 2,
                  "unknown option --colour-mode$"},
        ErrorCase{"EdocNoOutput", A({"edoc", "2008"}), 2, "missing -o OUT.bmp$"},
        ErrorCase{"EdocJpeg", A({"edoc", "2008", "-o", "{out}.jpg"}), 2,
                  "-o .*out.jpg: the name must end in .bmp or .png$"},
        ErrorCase{"ColourAbove255",
                  A({"edoc", "2008", "--date-colour", "256,0,0", "-o", "{out}.bmp"}), 2,
                  "--date-colour must be R,G,B with each a whole number from 0 to 255, not "
                  "\"256,0,0\"$"},
        ErrorCase{"ColourTwoParts",
                  A({"edoc", "2008", "--background-colour", "1,2", "-o", "{out}.bmp"}), 2,
                  "--background-colour must be R,G,B"},
        ErrorCase{"ColourNegative",
                  A({"edoc", "2008", "--greeting-colour", "-1,0,0", "-o", "{out}.bmp"}), 2,
                  "--greeting-colour must be R,G,B"},
        ErrorCase{"OutputWithoutName", A({"edoc", "2008", "-o"}), 2, "option -o needs OUT.bmp$"},
        ErrorCase{"VersionWithArgument", A({"--version", "x"}), 2, "unexpected argument \"x\"$"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Failures, CommandErrorTest,
    ::testing::Values(
        ErrorCase{"YearOutOfRange", A({"sheet", "1999", "--paper", "A4", "-o", "{out}.pdf"}), 1,
                  "error: year 1999 is not supported"},
        ErrorCase{"GreetingMissing",
                  A({"sheet", "2008", "--paper", "A4", "--greeting", "{dir}/none.txt", "-o",
                     "{out}.pdf"}),
                  1, "error: greeting file .*none.txt: No such file or directory$"},
        ErrorCase{"GreetingFiveLines",
                  A({"edoc", "2008", "--greeting", "{dir}/five.txt", "-o", "{out}.bmp"}), 1,
                  "error: greeting file .*five.txt has 5 lines; a greeting has at most four$"},
        ErrorCase{"GreetingNotUtf8",
                  A({"edoc", "2008", "--greeting", "{dir}/latin1.txt", "-o", "{out}.bmp"}), 1,
                  "error: greeting file .*latin1.txt is not UTF-8 text$"},
        ErrorCase{
            "InsetMissing",
            A({"sheet", "2008", "--paper", "A3", "--inset", "{dir}/none.jpg", "-o", "{out}.pdf"}),
            1, "error: inset picture .*none.jpg: No such file or directory$"},
        ErrorCase{"InsetPng", A({"edoc", "2008", "--inset", "{dir}/inset.png", "-o", "{out}.bmp"}),
                  1,
                  "error: inset picture .*inset.png: pictures must be JPG, GIF, BMP, JPEG, ICO or "
                  "EMF files$"},
        ErrorCase{"CropOutside",
                  A({"sheet", "2008", "--paper", "A4", "--inset", "{dir}/inset.jpg", "--crop",
                     "900,0,100,100", "-o", "{out}.pdf"}),
                  1,
                  "error: --crop 900,0,100,100 lies outside the picture .*inset.jpg \\(600 x "
                  "450 twips\\)$"},
        ErrorCase{"BackgroundMissing",
                  A({"edoc", "2008", "--background", "{dir}/none.bmp", "-o", "{out}.bmp"}), 1,
                  "error: background picture .*none.bmp: No such file or directory$"},
        ErrorCase{"OutputFolderMissing", A({"edoc", "2008", "-o", "{dir}/no/such/out.bmp"}), 1,
                  "error: cannot write .*no/such/out.bmp: "},
        ErrorCase{"SheetFolderMissing",
                  A({"sheet", "2008", "--paper", "A4", "-o", "{dir}/no/such/out.pdf"}), 1,
                  "error: cannot write .*no/such/out.pdf: "},
        ErrorCase{"UnknownQueue",
                  A({"sheet", "2008", "--paper", "A4", "--printer", "orlenda-no-such-queue"}), 1,
                  "error: 没有名为“orlenda-no-such-queue”的打印机。$"}),
    [](const auto& info) { return std::string(info.param.name); });

// A damaged picture: the chooser's own message, and no output.
TEST(Errors, DamagedInsetKeepsAnEarlierOutputWhole) {
    Files files;
    const QString out = files.path("doc.bmp");
    ASSERT_EQ(Orlenda({QStringLiteral("edoc"), QStringLiteral("2008"), QStringLiteral("-o"), out,
                       QStringLiteral("--data"), files.data()})
                  .code,
              0);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    files.write("broken.jpg", QByteArray("\xff\xd8\xff\xe0 not really a JPEG", 24));
    const Outcome r = Orlenda({QStringLiteral("edoc"), QStringLiteral("2008"),
                               QStringLiteral("--inset"), files.path("broken.jpg"),
                               QStringLiteral("-o"), out, QStringLiteral("--data"), files.data()});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("orlenda: error: "))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("broken.jpg"))) << r.err.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST(Help, NamesTheDrawingCommandsAndTheVersion) {
    const Outcome help = Orlenda({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    for (const char* s : {"month YEAR MONTH", "sheet YEAR --paper A3|A4",
                          "(-o OUT.pdf | --printer QUEUE)", "edoc YEAR", "-o OUT.bmp", "--version"})
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(s))) << s;
    const Outcome version = Orlenda({QStringLiteral("--version")});
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^orlenda \\d+\\.\\d+(\\.\\d+)?\\n$"))
                    .match(version.out)
                    .hasMatch())
        << version.out.toStdString();
}

}  // namespace
}  // namespace orlenda

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
