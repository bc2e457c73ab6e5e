// The year sheet's layout, text by text, recorded on a surface that draws nothing: positions
// in twips, sizes, boldness and colours by the layout rules. Day numbers and names come from
// QDate and QLocale, widths from the half-width rule, lines one em high.
#include <QDate>
#include <QLocale>
#include <QtTest>

#include "sheetfixture.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const Colour kEntry = RGB(10, 20, 30);  // the page colour before anything is drawn
const Colour kBlue = RGB(0, 0, 255);
const Colour kTitlePurple = RGB(100, 0, 140);
const Colour kLunarViolet = RGB(100, 0, 255);
const Colour kRed = RGB(255, 0, 0);
const Colour kPink = RGB(220, 100, 255);

// Sizes follow the paper read back: A3, A4, or a paper that is neither (Letter reads 1).
struct Sizes {
    double day, lunar, lunarOffset, header, englishIndent;
};
Sizes SizesFor(int paper) {
    if (paper == kPaperA3) return {16, 8, 190, 12, 140};
    if (paper == kPaperA4) return {12, 6, 130, 9, 70};
    return {12, 6, 130, 10, 140};
}

// Positions follow the paper asked for.
struct Sheet {
    double titleSize, titleX, columns[3], rows[4];
};
const Sheet kA3{28, 1500, {1500, 5500, 9500}, {2250, 5930, 9110, 12290}};
const Sheet kA4{20, 750, {500, 3500, 6500}, {2000, 4800, 7200, 9600}};

QString MonthTitle(int month, bool english) {
    return english ? QLocale::c().monthName(month, QLocale::ShortFormat) + QLatin1Char(' ')
                   : QString::number(month).rightJustified(2) + QStringLiteral("月");
}

struct Block {
    int month;
    double x, y;
    bool header, english, colour, bold;  // bold: the page's bold at entry
};

// Compares the texts of one 2008 block from t[i] on with the layout rules, failing the test
// at the first difference; leaves i after the block and returns the y one lunar line below.
double CheckBlock(const std::vector<DrawnText>& t, size_t& i, const Block& b, const Sizes& s) {
    double y = b.y;
    bool bold = b.bold;
    auto expect = [&](double x, const QString& text, double size, Colour colour) {
        if (QTest::currentTestFailed()) return;
        const QByteArray want = Describe({x, y, text, size, bold, false, false, colour, {}});
        QVERIFY2(i < t.size(), ("missing " + want).constData());
        const DrawnText& d = t[i++];
        QVERIFY2(d.text == text && Near(d.x, x) && Near(d.y, y) && d.size == size &&
                     d.bold == bold && d.colour == colour,
                 (QByteArray::number(b.month) + ": expected " + want + ", got " + Describe(d))
                     .constData());
    };
    if (b.header) {
        bold = false;
        const double x = b.x + (b.english ? s.englishIndent : 0);
        const QStringList cn = {"一", "二", "三", "四", "五", "六", "日"};
        for (int k = 0; k < 7; ++k)  // four half-widths each: "Mon " and "  一" alike
            expect(x + k * 40 * s.header,
                   b.english ? QLocale::c().dayName(k + 1, QLocale::ShortFormat) + QLatin1Char(' ')
                             : QStringLiteral("  ") + cn[k],
                   s.header, b.colour ? kBlue : kEntry);
        y += 2 * LineHeight(s.header);  // the names' line and an empty one
    }
    const QDate first(2008, b.month, 1);
    for (int w = 1; w <= 6; ++w) {
        // The title takes the first cell from 100 left of the block, four half-widths wide;
        // the other cells are three half-widths.
        if (w == 1)
            expect(b.x - 100, MonthTitle(b.month, b.english), s.day,
                   b.colour ? kTitlePurple : kEntry);
        for (int d = w == 1 ? 2 : 1; d <= 7; ++d) {
            const int day = (w - 1) * 7 + d - first.dayOfWeek() + 1;
            const double x =
                w == 1 ? b.x - 100 + 40 * s.day + (d - 2) * 30 * s.day : b.x + (d - 1) * 30 * s.day;
            expect(x,
                   day >= 1 && day <= first.daysInMonth() ? QString::number(day).rightJustified(3)
                                                          : QStringLiteral("   "),
                   s.day, kEntry);
        }
        y += LineHeight(s.day);
        double x = b.x + s.lunarOffset;
        for (int d = 1; d <= 7; ++d) {
            const QString text = Q(ModelOf(2008).LunarGrid[b.month][w][d]);
            expect(x, text, s.lunar, b.colour ? kLunarViolet : kEntry);
            x += HalfWidthCount(text) * 10 * s.lunar;
        }
        y += LineHeight(s.lunar);
    }
    return y + LineHeight(s.lunar);
}

SheetInputs Inputs(bool english, bool colour) {
    SheetInputs in;
    in.english = english;
    in.colour = colour;
    in.yearCaption = QStringLiteral("2008");
    in.greeting = {QStringLiteral("恭贺新禧"), QStringLiteral("Happy New Year"),
                   QStringLiteral("万事如意"), QStringLiteral("身体健康")};
    in.greetingFont = QStringLiteral("楷体_GB2312");
    return in;
}

constexpr size_t kSheetTexts = 1 + 3 * 7 + 12 * 6 * 14 + 4;  // title, headers, blocks, greeting
const QStringList kFirstAndThird = {QStringLiteral("新春快乐"), QString(),
                                    QStringLiteral("Best wishes"), QString()};

}  // namespace

class YearSheetTest : public QObject {
    Q_OBJECT
  private slots:
    void sheet_data();
    void sheet();
    void block_data();
    void block();
    void inset_data();
    void inset();
    void failingStepIsSkipped_data();
    void failingStepIsSkipped();
};

void YearSheetTest::sheet_data() {
    QTest::addColumn<int>("paper");     // asked for
    QTest::addColumn<int>("readBack");  // the printer's paper afterwards
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<QStringList>("greeting");  // empty lines take no room
    for (int paper : {kPaperA3, kPaperA4})
        for (bool english : {false, true})
            for (bool colour : {false, true})
                QTest::addRow("%s %s %s", paper == kPaperA3 ? "A3" : "A4",
                              english ? "English" : "Chinese", colour ? "colour" : "b/w")
                    << paper << paper << english << colour
                    << QStringList{QStringLiteral("恭贺新禧"), QStringLiteral("Happy New Year"),
                                   QStringLiteral("万事如意"), QStringLiteral("身体健康")};
    // A printer without A3 keeps its A4: A3 positions, A4 sizes.
    QTest::newRow("A3 asked, A4 kept, greeting lines 1 and 3")
        << kPaperA3 << kPaperA4 << true << true << kFirstAndThird;
    QTest::newRow("A4 no greeting") << kPaperA4 << kPaperA4 << false << true << QStringList(4);
    // Neither A3 nor A4: a 10-point header, the wide English indent, the A4 greeting margin.
    QTest::newRow("A4 asked, Letter kept") << kPaperA4 << 1 << true << true << kFirstAndThird;
}

void YearSheetTest::sheet() {
    QFETCH(int, paper);
    QFETCH(int, readBack);
    QFETCH(bool, english);
    QFETCH(bool, colour);
    QFETCH(QStringList, greeting);
    const Sheet& g = paper == kPaperA3 ? kA3 : kA4;
    const Sizes s = SizesFor(readBack);
    // The page starts on the other paper (as after the last job), or on the one it keeps.
    RecordingSurface page(readBack != paper   ? readBack
                          : paper == kPaperA3 ? kPaperA4
                                              : kPaperA3,
                          {readBack});
    page.ForeColor = kEntry;
    Colour saved = RGB(1, 1, 1);
    SheetInputs in = Inputs(english, colour);
    std::copy(greeting.begin(), greeting.end(), in.greeting.begin());
    greeting.removeAll(QString());
    PrintYearSheet(page, paper, in, ModelOf(2008), &saved);

    QCOMPARE(page.paperRequests, std::vector<int>{paper});
    QCOMPARE(page.PaperSize(), readBack);
    QCOMPARE(page.PrintQuality(), kQualityHigh);
    QCOMPARE(page.endDocs, 1);
    QVERIFY(page.pictures.empty());
    const auto& t = page.texts;
    QCOMPARE(t.size(), kSheetTexts - 4 + greeting.size());
    // The title: bold, italic, underlined; red only on A4 in colour.
    QCOMPARE(t[0].text, QStringLiteral("2008年"));
    QVERIFY(t[0].x == g.titleX && t[0].y == 1500 && t[0].size == g.titleSize);
    QVERIFY(t[0].bold && t[0].italic && t[0].underline);
    QCOMPARE(t[0].colour, paper == kPaperA4 && colour ? kRed : kEntry);

    size_t i = 1;
    double y = 0;
    for (int r = 0; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) {
            y = CheckBlock(t, i,
                           {3 * r + c, g.columns[c - 1], g.rows[r], r == 0, english, colour,
                            false},  // the first header turned the title's bold off
                           s);
            if (QTest::currentTestFailed()) return;
        }
    for (size_t k = 1; k < i; ++k) QVERIFY(!t[k].italic && !t[k].underline);

    // The greeting follows the last block, after one more lunar line on A3.
    if (paper == kPaperA3) y += LineHeight(s.lunar);
    for (int k = 0; k < greeting.size(); ++k, ++i) {
        QCOMPARE(t[i].text, greeting[k]);
        QCOMPARE(t[i].x, readBack == kPaperA3 ? 1700.0 : 650.0);
        QVERIFY2(Near(t[i].y, y), Describe(t[i]).constData());
        QVERIFY(t[i].size == 26 && t[i].bold && t[i].italic && t[i].face == in.greetingFont);
        QCOMPARE(t[i].colour, colour ? kPink : kEntry);
        y += LineHeight(26);
    }
    // A4 gives the page its colour back; A3 leaves the greeting's.
    QCOMPARE(saved, paper == kPaperA4 ? kEntry : RGB(1, 1, 1));
    QCOMPARE(page.ForeColor, paper == kPaperA3 && colour ? kPink : kEntry);
    if (!colour)
        for (const DrawnText& d : t) QCOMPARE(d.colour, kEntry);
}

// What the sheet does not show: a block below the first row on a bold page, and where a
// block leaves the page; and the months of 2008 that begin on a Monday, whose day 1 gives
// way to the title while its lunar date is printed.
void YearSheetTest::block_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("sheetRow");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("lunarOfFirst");  // as published
    QTest::newRow("A3 Chinese row 2") << kPaperA3 << 4 << 2 << false << QString();
    // The 2nd day of the 8th lunar month (Mid-Autumn fell on September 14).
    QTest::newRow("September English") << kPaperA4 << 9 << 3 << true << QStringLiteral("初二  ");
    // The 4th day of the 11th (the solstice, December 21, was its 24th).
    QTest::newRow("December Chinese") << kPaperA4 << 12 << 3 << false << QStringLiteral("初四  ");
}

void YearSheetTest::block() {
    QFETCH(int, paper);
    QFETCH(int, month);
    QFETCH(int, sheetRow);
    QFETCH(bool, english);
    QFETCH(QString, lunarOfFirst);
    RecordingSurface page(paper, {});
    page.ForeColor = kEntry;
    page.FontBold = true;
    PrintMonthBlock(page, ModelOf(2008), month, 3500, 5000, sheetRow, english, true);
    size_t i = 0;
    const Sizes s = SizesFor(paper);
    const double end =
        CheckBlock(page.texts, i, {month, 3500, 5000, sheetRow == 0, english, true, true}, s);
    QCOMPARE(i, page.texts.size());
    if (!lunarOfFirst.isEmpty())
        QCOMPARE(Q(ModelOf(2008).LunarGrid[month][1][QDate(2008, month, 1).dayOfWeek()]),
                 lunarOfFirst);
    // One lunar line below the block, at the left edge, in the lunar size and entry colour.
    QVERIFY(Near(page.CurrentY, end) && page.CurrentX == 0);
    QCOMPARE(page.FontSize, s.lunar);
    QCOMPARE(page.ForeColor, kEntry);
    QCOMPARE(page.FontBold, sheetRow != 0);
}

void YearSheetTest::inset_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<QSize>("picture");  // empty: the chooser holds none
    QTest::addColumn<QRectF>("crop");    // x, y, width, height as the clicks recorded them
    QTest::addColumn<QRectF>("target");  // null: no inset
    const QSize pic(600, 400);           // 9000 x 6000 twips
    const int a3 = kPaperA3, a4 = kPaperA4;
    QTest::newRow("A4 square") << a4 << true << pic << QRectF(0, 0, 3000, 3000)
                               << QRectF(6700, 12050, 3000, 3000);
    QTest::newRow("A4 wide") << a4 << true << pic << QRectF(150, 300, 4000, 2000)
                             << QRectF(6700, 12050, 3000, 1500);
    QTest::newRow("A4 tall") << a4 << true << pic << QRectF(0, 600, 1000, 2000)
                             << QRectF(6700, 12050, 1500, 3000);
    QTest::newRow("A3 wide") << a3 << true << pic << QRectF(0, 0, 9000, 4500)
                             << QRectF(7500, 15500, 4000, 2000);
    QTest::newRow("A3 tall") << a3 << true << pic << QRectF(0, 0, 3000, 6000)
                             << QRectF(7500, 15500, 2000, 4000);
    // Second click above and left of the first: the same rectangle, picture upright.
    QTest::newRow("drawn backwards")
        << a4 << true << pic << QRectF(4150, 2300, -4000, -2000) << QRectF(6700, 12050, 3000, 1500);
    // Both clicks on one line: nothing to cut.
    QTest::newRow("no height") << a4 << true << pic << QRectF(100, 100, 2000, 0) << QRectF();
    QTest::newRow("none chosen") << a3 << false << pic << QRectF(0, 0, 9000, 6000) << QRectF();
    QTest::newRow("no picture") << a4 << true << QSize() << QRectF(0, 0, 3000, 3000) << QRectF();
}

void YearSheetTest::inset() {
    QFETCH(int, paper);
    QFETCH(bool, chosen);
    QFETCH(QSize, picture);
    QFETCH(QRectF, crop);
    QFETCH(QRectF, target);
    SheetInputs in = Inputs(false, true);
    in.inset = chosen;
    if (picture.isValid()) in.insetPicture = QImage(picture, QImage::Format_RGB32);
    in.cropX = crop.x();
    in.cropY = crop.y();
    in.cropWidth = crop.width();
    in.cropHeight = crop.height();
    RecordingSurface page(paper);
    PrintYearSheet(page, paper, in, ModelOf(2008));
    QCOMPARE(page.endDocs, 1);
    QCOMPARE(page.texts.size(), kSheetTexts);
    QCOMPARE(page.pictures.size(), size_t(target.isNull() ? 0 : 1));
    if (target.isNull()) return;
    QCOMPARE(page.pictures[0].target, target);
    QCOMPARE(page.pictures[0].source, crop.normalized());
    QCOMPARE(page.pictures[0].pictureSize, picture);
}

void YearSheetTest::failingStepIsSkipped_data() {
    QTest::addColumn<QString>("failing");  // the text whose drawing fails
    QTest::addColumn<bool>("unreadable");  // the paper size cannot be read
    QTest::addColumn<int>("missing");      // texts not printed
    QTest::addColumn<double>("left");      // of the greeting
    QTest::newRow("sheet title") << QStringLiteral("2008年") << false << 1 << 650.0;
    // The rest of March's block after its header.
    QTest::newRow("March's title") << QStringLiteral(" 3月") << false << 6 * 14 << 650.0;
    // Every block fails at its first reading; the greeting then counts the paper as A3.
    QTest::newRow("paper unreadable") << QString() << true << 3 * 7 + 12 * 6 * 14 << 1700.0;
}

// A failing drawing step ends only its own block; the rest follows and the page is ended.
void YearSheetTest::failingStepIsSkipped() {
    QFETCH(QString, failing);
    QFETCH(bool, unreadable);
    QFETCH(int, missing);
    QFETCH(double, left);
    RecordingSurface page(kPaperA4);
    page.ForeColor = kEntry;
    page.failOnText = [&](const QString& s) { return s == failing; };
    page.paperUnreadable = unreadable;
    PrintYearSheet(page, kPaperA4, Inputs(false, true), ModelOf(2008));
    QCOMPARE(page.endDocs, 1);
    QCOMPARE(page.texts.size(), kSheetTexts - size_t(missing));
    QCOMPARE(page.texts.back().text, QStringLiteral("身体健康"));
    QCOMPARE(page.texts.back().x, left);
    // The sheet takes its red back even when the title fails, so the days print in the page
    // colour. (A failing block leaves its own colour: blocks handle no errors.)
    if (failing == QStringLiteral("2008年"))
        for (const DrawnText& d : page.texts)
            if (QRegularExpression(QStringLiteral("^ *\\d+$")).match(d.text).hasMatch())
                QCOMPARE(d.colour, kEntry);
}

QTEST_MAIN(YearSheetTest)
#include "test_yearsheet.moc"
