// The year sheet's layout, text by text, recorded on a surface that draws nothing: positions
// in twips, sizes, boldness and colours as the layout rules give them, widths and line
// heights from the installed fonts.
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
const Colour kGreetingPink = RGB(220, 100, 255);

const char* const kMonthsEn[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kWeekdaysEn[] = {"Mon ", "Tue ", "Wed ", "Thu ", "Fri ", "Sat ", "Sun "};
const char* const kWeekdaysCn[] = {"一", "二", "三", "四", "五", "六", "日"};

QString MonthTitle(int month, bool english) {
    if (english) return QString::fromLatin1(kMonthsEn[month - 1]) + QLatin1Char(' ');
    return QString::number(month).rightJustified(2) + QStringLiteral("月");
}

struct BlockExpect {
    int month = 1;
    double x = 0, y = 0;
    int sheetRow = 0;
    bool english = false, colour = false;
    double daySize = 12, lunarSize = 6, lunarOffset = 130, headerSize = 9, headerIndent = 0;
    bool entryBold = false;
};

// Walks the texts of one block from t[i] on; returns what differs (empty when all match)
// and leaves i after the block and endY one lunar line below it.
QString CheckBlock(const std::vector<DrawnText>& t, size_t& i, const BlockExpect& e,
                   const CalendarModel& m, double* endY = nullptr) {
    QString problem;
    auto next = [&](double x, double y, const QString& text, double size, bool bold,
                    Colour colour) {
        if (!problem.isEmpty()) return;
        const QString want = QStringLiteral("'%1' at (%2, %3) size %4 bold %5 colour %6")
                                 .arg(text)
                                 .arg(x)
                                 .arg(y)
                                 .arg(size)
                                 .arg(bold)
                                 .arg(colour);
        if (i >= t.size()) {
            problem = QStringLiteral("missing ") + want;
            return;
        }
        const DrawnText& d = t[i++];
        if (d.text != text || !Near(d.x, x) || !Near(d.y, y) || d.size != size || d.bold != bold ||
            d.colour != colour)
            problem = QStringLiteral("text %1: expected %2, got %3")
                          .arg(i - 1)
                          .arg(want, QString::fromUtf8(Describe(d)));
    };

    double y = e.y;
    bool bold = e.entryBold;
    if (e.sheetRow == 0) {
        const double width = HalfWidths(4, e.headerSize);  // "Mon " and "  一" alike
        for (int k = 0; k < 7; ++k) {
            const QString name = e.english
                                     ? QString::fromLatin1(kWeekdaysEn[k])
                                     : QStringLiteral("  ") + QString::fromUtf8(kWeekdaysCn[k]);
            next(e.x + (e.english ? e.headerIndent : 0) + k * width, e.y, name, e.headerSize, false,
                 e.colour ? kBlue : kEntry);
        }
        y += 2 * LineHeight(e.headerSize);
        bold = false;
    }
    const double dayCell = HalfWidths(3, e.daySize);
    for (int w = 1; w <= 6; ++w) {
        for (int d = 1; d <= 7; ++d) {
            if (w == 1 && d == 1) {
                next(e.x - 100, y, MonthTitle(e.month, e.english), e.daySize, bold,
                     e.colour ? kTitlePurple : kEntry);
                continue;
            }
            const double x = w == 1 ? e.x - 100 + HalfWidths(4, e.daySize) + (d - 2) * dayCell
                                    : e.x + (d - 1) * dayCell;
            next(x, y, Q(m.DayGrid[e.month][w][d]).rightJustified(3), e.daySize, bold, kEntry);
        }
        const double lunarY = y + LineHeight(e.daySize, bold);
        // Most lunar texts are six half-widths; a three-character month label is eight and
        // pushes the rest of its line right.
        double lunarX = e.x + e.lunarOffset;
        for (int d = 1; d <= 7; ++d) {
            const QString text = Q(m.LunarGrid[e.month][w][d]);
            next(lunarX, lunarY, text, e.lunarSize, bold, e.colour ? kLunarViolet : kEntry);
            lunarX += HalfWidths(HalfWidthCount(text), e.lunarSize);
        }
        y = lunarY + LineHeight(e.lunarSize, bold);
    }
    if (endY) *endY = y + LineHeight(e.lunarSize, bold);
    return problem;
}

// Column lefts and row tops of the two sheets.
struct SheetGeometry {
    int paper;
    double titleSize, titleX, titleY;
    double columns[3];
    double rows[4];
    double daySize, lunarSize, lunarOffset, headerSize, headerIndent;
    double greetingLeft;
    bool lineAfterBlocks;
    double insetLeft, insetTop, insetSide;
};
const SheetGeometry kA3 = {kPaperA3,
                           28,
                           1500,
                           1500,
                           {1500, 5500, 9500},
                           {2250, 5930, 9110, 12290},
                           16,
                           8,
                           190,
                           12,
                           140,
                           1700,
                           true,
                           7500,
                           15500,
                           4000};
const SheetGeometry kA4 = {kPaperA4,
                           20,
                           750,
                           1500,
                           {500, 3500, 6500},
                           {2000, 4800, 7200, 9600},
                           12,
                           6,
                           130,
                           9,
                           70,
                           650,
                           false,
                           6700,
                           12050,
                           3000};

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

}  // namespace

class YearSheetTest : public QObject {
    Q_OBJECT
  private slots:
    void fontsAreHalfWidthAtEverySheetSize_data();
    void fontsAreHalfWidthAtEverySheetSize();
    void blockLayout_data();
    void blockLayout();
    void januaryBlockAtItsPlace();
    void mondayFirstMonthShowsTitleNotDayOne_data();
    void mondayFirstMonthShowsTitleNotDayOne();
    void wholeSheet_data();
    void wholeSheet();
    void keptA4AfterA3Request();
    void inset_data();
    void inset();
    void noInsetWhenNoneChosen();
    void insetWithoutPictureStillEndsThePage();
    void greetingLines_data();
    void greetingLines();
    void greetingLeftFollowsPaper_data();
    void greetingLeftFollowsPaper();
    void failingBlockIsSkipped();
    void failingTitleIsSkipped();
};

void YearSheetTest::fontsAreHalfWidthAtEverySheetSize_data() {
    QTest::addColumn<double>("points");
    for (double p : {6.0, 8.0, 9.0, 10.0, 12.0, 16.0}) QTest::addRow("%g pt", p) << p;
}

// The expected positions count half-width characters; the installed face must agree.
void YearSheetTest::fontsAreHalfWidthAtEverySheetSize() {
    QFETCH(double, points);
    QCOMPARE(MeasuredWidth(QStringLiteral("中"), points), HalfWidths(2, points));
    QCOMPARE(MeasuredWidth(QStringLiteral("  1"), points), HalfWidths(3, points));
    QCOMPARE(MeasuredWidth(QStringLiteral("Mon "), points), HalfWidths(4, points));
    QCOMPARE(MeasuredWidth(QStringLiteral("廿三  "), points), HalfWidths(6, points));
    QCOMPARE(MeasuredWidth(QStringLiteral("十二月  "), points), HalfWidths(8, points));
}

void YearSheetTest::blockLayout_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<int>("sheetRow");
    QTest::addColumn<int>("month");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("daySize");
    QTest::addColumn<double>("lunarSize");
    QTest::addColumn<double>("lunarOffset");
    QTest::addColumn<double>("headerSize");
    QTest::addColumn<double>("headerIndent");
    // paper, english, colour, row, month, x, y | day, lunar, lunar offset, header, indent
    QTest::newRow("A4 Chinese colour header")
        << 9 << false << true << 0 << 1 << 500.0 << 2000.0 << 12.0 << 6.0 << 130.0 << 9.0 << 0.0;
    QTest::newRow("A4 English b/w header")
        << 9 << true << false << 0 << 2 << 3500.0 << 2000.0 << 12.0 << 6.0 << 130.0 << 9.0 << 70.0;
    QTest::newRow("A4 English colour header")
        << 9 << true << true << 0 << 3 << 6500.0 << 2000.0 << 12.0 << 6.0 << 130.0 << 9.0 << 70.0;
    QTest::newRow("A3 Chinese b/w header")
        << 8 << false << false << 0 << 3 << 9500.0 << 2250.0 << 16.0 << 8.0 << 190.0 << 12.0 << 0.0;
    QTest::newRow("A3 English colour header")
        << 8 << true << true << 0 << 1 << 1500.0 << 2250.0 << 16.0 << 8.0 << 190.0 << 12.0 << 140.0;
    QTest::newRow("A4 Chinese colour row 2")
        << 9 << false << true << 2 << 8 << 3500.0 << 7200.0 << 12.0 << 6.0 << 130.0 << 0.0 << 0.0;
    QTest::newRow("A3 English b/w row 3")
        << 8 << true << false << 3 << 12 << 9500.0 << 12290.0 << 16.0 << 8.0 << 190.0 << 0.0 << 0.0;
    QTest::newRow("A3 Chinese colour row 1")
        << 8 << false << true << 1 << 4 << 1500.0 << 5930.0 << 16.0 << 8.0 << 190.0 << 0.0 << 0.0;
    // A paper that is neither A3 nor A4 (Letter reads 1).
    QTest::newRow("Letter English colour header")
        << 1 << true << true << 0 << 1 << 500.0 << 2000.0 << 12.0 << 6.0 << 130.0 << 10.0 << 140.0;
}

void YearSheetTest::blockLayout() {
    QFETCH(int, paper);
    QFETCH(bool, english);
    QFETCH(bool, colour);
    QFETCH(int, sheetRow);
    QFETCH(int, month);
    QFETCH(double, x);
    QFETCH(double, y);
    BlockExpect e{month, x, y, sheetRow, english, colour};
    QFETCH(double, daySize);
    QFETCH(double, lunarSize);
    QFETCH(double, lunarOffset);
    QFETCH(double, headerSize);
    QFETCH(double, headerIndent);
    e.daySize = daySize;
    e.lunarSize = lunarSize;
    e.lunarOffset = lunarOffset;
    e.headerSize = headerSize;
    e.headerIndent = headerIndent;
    e.entryBold = true;  // only the header turns bold off

    RecordingSurface page(paper, {1, 8, 9});
    page.ForeColor = kEntry;
    page.FontBold = true;
    const CalendarModel& m = ModelOf(2008);
    PrintMonthBlock(page, m, month, long(x), long(y), sheetRow, english, colour);

    size_t i = 0;
    double endY = 0;
    const QString problem = CheckBlock(page.texts, i, e, m, &endY);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(i, page.texts.size());
    QCOMPARE(page.texts.size(), size_t(sheetRow == 0 ? 7 + 84 : 84));
    // Left one lunar line below the block, at the left edge, in the lunar size and colour
    // of the page.
    QVERIFY(Near(page.CurrentY, endY));
    QCOMPARE(page.CurrentX, 0.0);
    QCOMPARE(page.FontSize, lunarSize);
    QCOMPARE(page.ForeColor, kEntry);
    QCOMPARE(page.FontBold, sheetRow != 0);
}

// January 2008 on the A4 sheet, by the numbers: Jan 1 was a Tuesday, the 23rd day of the
// 11th lunar month; Feb 7 was the Spring Festival.
void YearSheetTest::januaryBlockAtItsPlace() {
    RecordingSurface page(kPaperA4);
    const CalendarModel& m = ModelOf(2008);
    PrintMonthBlock(page, m, 1, 500, 2000, 0, false, true);
    const double dayLine = 2000 + 2 * LineHeight(9);

    const auto title = page.find(QStringLiteral(" 1月"));
    QCOMPARE(title.size(), size_t(1));
    QCOMPARE(title[0].x, 400.0);  // 100 left of the block
    QVERIFY(Near(title[0].y, dayLine));
    QCOMPARE(title[0].colour, kTitlePurple);

    // Tuesday's cell follows the four half-widths of the title: 400 + 4 x 120.
    const auto first = page.find(QStringLiteral("  1"));
    QCOMPARE(first.size(), size_t(1));
    QCOMPARE(first[0].x, 880.0);
    QVERIFY(Near(first[0].y, dayLine));
    QCOMPARE(first[0].size, 12.0);

    // Its lunar text sits in the second lunar cell: 500 + 130 + 6 x 60.
    const auto lunar = page.find(QStringLiteral("廿三  "));
    QVERIFY(!lunar.empty());
    QCOMPARE(lunar[0].x, 990.0);
    QVERIFY(Near(lunar[0].y, dayLine + LineHeight(12)));
    QCOMPARE(lunar[0].size, 6.0);
    QCOMPARE(lunar[0].colour, kLunarViolet);

    PrintMonthBlock(page, m, 2, 3500, 2000, 0, false, true);
    QCOMPARE(page.find(QStringLiteral("春节  ")).size(), size_t(1));
}

void YearSheetTest::mondayFirstMonthShowsTitleNotDayOne_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("lunarOfFirst");
    // September 1, 2008: the 2nd day of the 8th lunar month (Mid-Autumn fell on Sept 14);
    // December 1, 2008: the 4th day of the 11th (the solstice, Dec 21, was its 24th).
    QTest::newRow("September") << 9 << QStringLiteral("初二  ");
    QTest::newRow("December") << 12 << QStringLiteral("初四  ");
}

void YearSheetTest::mondayFirstMonthShowsTitleNotDayOne() {
    QFETCH(int, month);
    QFETCH(QString, lunarOfFirst);
    const CalendarModel& m = ModelOf(2008);
    QCOMPARE(Q(m.DayGrid[month][1][1]), QStringLiteral("1"));  // both begin on a Monday

    for (bool english : {false, true}) {
        RecordingSurface page(kPaperA4);
        PrintMonthBlock(page, m, month, 6500, 9600, 3, english, false);
        const auto& t = page.texts;
        QCOMPARE(t[0].text, MonthTitle(month, english));
        QCOMPARE(t[0].x, 6400.0);
        QVERIFY(page.find(QStringLiteral("  1")).empty());  // day 1 is never printed
        QCOMPARE(t[1].text, QStringLiteral("  2"));
        QCOMPARE(t[1].x, 6400.0 + HalfWidths(4, 12));
        // The first lunar cell is printed: the first day's lunar date.
        QCOMPARE(t[7].text, lunarOfFirst);
        QCOMPARE(t[7].x, 6630.0);
    }
}

void YearSheetTest::wholeSheet_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("colour");
    for (int paper : {kPaperA3, kPaperA4})
        for (bool english : {false, true})
            for (bool colour : {false, true})
                QTest::addRow("%s %s %s", paper == kPaperA3 ? "A3" : "A4",
                              english ? "English" : "Chinese", colour ? "colour" : "b/w")
                    << paper << english << colour;
}

void YearSheetTest::wholeSheet() {
    QFETCH(int, paper);
    QFETCH(bool, english);
    QFETCH(bool, colour);
    const SheetGeometry& g = paper == kPaperA3 ? kA3 : kA4;
    const CalendarModel& m = ModelOf(2008);
    SheetInputs in = Inputs(english, colour);

    RecordingSurface page(paper == kPaperA3 ? kPaperA4 : kPaperA3);  // the last job's paper
    page.ForeColor = kEntry;
    Colour saved = RGB(1, 1, 1);
    PrintYearSheet(page, paper, in, m, &saved);

    QCOMPARE(page.paperRequests, std::vector<int>{paper});
    QCOMPARE(page.PaperSize(), paper);
    QCOMPARE(page.PrintQuality(), kQualityHigh);
    QCOMPARE(page.endDocs, 1);
    QVERIFY(page.pictures.empty());

    const auto& t = page.texts;
    // Title: bold, italic, underlined; red only on A4 in colour.
    QCOMPARE(t[0].text, QStringLiteral("2008年"));
    QCOMPARE(t[0].x, g.titleX);
    QCOMPARE(t[0].y, g.titleY);
    QCOMPARE(t[0].size, g.titleSize);
    QVERIFY(t[0].bold && t[0].italic && t[0].underline);
    QCOMPARE(t[0].colour, paper == kPaperA4 && colour ? kRed : kEntry);

    // Twelve blocks, January to December, row by row.
    size_t i = 1;
    double endY = 0;
    for (int r = 0; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) {
            BlockExpect e{3 * r + c, g.columns[c - 1], g.rows[r], r, english, colour};
            e.daySize = g.daySize;
            e.lunarSize = g.lunarSize;
            e.lunarOffset = g.lunarOffset;
            e.headerSize = g.headerSize;
            e.headerIndent = g.headerIndent;
            e.entryBold = false;  // the first header turned the title's bold off
            const QString problem = CheckBlock(t, i, e, m, &endY);
            QVERIFY2(problem.isEmpty(),
                     qPrintable(QStringLiteral("month %1: ").arg(e.month) + problem));
        }
    for (size_t k = 1; k < i; ++k) QVERIFY(!t[k].italic && !t[k].underline);

    // The greeting follows the last block (after one more lunar line on A3).
    double y = endY + (g.lineAfterBlocks ? LineHeight(g.lunarSize) : 0);
    const double greetingLine = LineHeight(26, true, true, in.greetingFont);
    QCOMPARE(t.size(), i + 4);
    for (int k = 0; k < 4; ++k, ++i) {
        QCOMPARE(t[i].text, in.greeting[k]);
        QCOMPARE(t[i].x, g.greetingLeft);
        QVERIFY2(Near(t[i].y, y), Describe(t[i]));
        QCOMPARE(t[i].size, 26.0);
        QVERIFY(t[i].bold && t[i].italic);
        QCOMPARE(t[i].face, in.greetingFont);
        QCOMPARE(t[i].colour, colour ? kGreetingPink : kEntry);
        y += greetingLine;
    }

    // A4 keeps the page colour it found; A3 leaves the greeting's.
    if (paper == kPaperA4) {
        QCOMPARE(saved, kEntry);
        QCOMPARE(page.ForeColor, kEntry);
    } else {
        QCOMPARE(saved, RGB(1, 1, 1));
        QCOMPARE(page.ForeColor, colour ? kGreetingPink : kEntry);
    }
    if (!colour)
        for (const DrawnText& d : t) QCOMPARE(d.colour, kEntry);
}

// A printer without A3 keeps its A4 paper: A3 positions, A4 sizes.
void YearSheetTest::keptA4AfterA3Request() {
    RecordingSurface page(kPaperA4, {kPaperA4});
    page.ForeColor = kEntry;
    SheetInputs in = Inputs(true, true);
    in.inset = true;
    in.insetPicture = QImage(300, 300, QImage::Format_RGB32);
    in.cropWidth = in.cropHeight = 4500;
    const CalendarModel& m = ModelOf(2008);
    PrintYearSheet(page, kPaperA3, in, m);

    QCOMPARE(page.paperRequests, std::vector<int>{kPaperA3});
    QCOMPARE(page.PaperSize(), kPaperA4);
    QCOMPARE(page.endDocs, 1);
    QCOMPARE(page.texts[0].size, 28.0);
    QCOMPARE(page.texts[0].x, 1500.0);
    QCOMPARE(page.texts[0].colour, kEntry);  // the A3 title is never coloured

    size_t i = 1;
    double endY = 0;
    for (int r = 0; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) {
            BlockExpect e{3 * r + c, kA3.columns[c - 1], kA3.rows[r], r, true, true};
            e.daySize = 12;
            e.lunarSize = 6;
            e.lunarOffset = 130;
            e.headerSize = 9;
            e.headerIndent = 70;
            const QString problem = CheckBlock(page.texts, i, e, m, &endY);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    // The A3 sheet's extra line, in the 6-point lunar size; the A4 greeting margin.
    QCOMPARE(page.texts[i].x, 650.0);
    QVERIFY(Near(page.texts[i].y, endY + LineHeight(6)));
    QCOMPARE(page.pictures.size(), size_t(1));
    QCOMPARE(page.pictures[0].target, QRectF(7500, 15500, 4000, 4000));
}

void YearSheetTest::inset_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<QRectF>("crop");  // x, y, width, height as recorded by the clicks
    QTest::addColumn<QRectF>("target");
    QTest::addColumn<QRectF>("source");
    QTest::newRow("A4 square") << kPaperA4 << QRectF(0, 0, 3000, 3000)
                               << QRectF(6700, 12050, 3000, 3000) << QRectF(0, 0, 3000, 3000);
    QTest::newRow("A4 wide") << kPaperA4 << QRectF(150, 300, 4000, 2000)
                             << QRectF(6700, 12050, 3000, 1500) << QRectF(150, 300, 4000, 2000);
    QTest::newRow("A4 tall") << kPaperA4 << QRectF(0, 600, 1000, 2000)
                             << QRectF(6700, 12050, 1500, 3000) << QRectF(0, 600, 1000, 2000);
    QTest::newRow("A3 square") << kPaperA3 << QRectF(750, 750, 4500, 4500)
                               << QRectF(7500, 15500, 4000, 4000) << QRectF(750, 750, 4500, 4500);
    QTest::newRow("A3 wide") << kPaperA3 << QRectF(0, 0, 9000, 4500)
                             << QRectF(7500, 15500, 4000, 2000) << QRectF(0, 0, 9000, 4500);
    QTest::newRow("A3 tall") << kPaperA3 << QRectF(0, 0, 3000, 6000)
                             << QRectF(7500, 15500, 2000, 4000) << QRectF(0, 0, 3000, 6000);
    // Second click above and left of the first: the same rectangle, picture upright.
    QTest::newRow("A4 drawn backwards")
        << kPaperA4 << QRectF(4150, 2300, -4000, -2000) << QRectF(6700, 12050, 3000, 1500)
        << QRectF(150, 300, 4000, 2000);
    // Both clicks on one line: nothing to cut, no inset.
    QTest::newRow("A4 no height") << kPaperA4 << QRectF(100, 100, 2000, 0) << QRectF() << QRectF();
    QTest::newRow("A3 no width") << kPaperA3 << QRectF(100, 100, 0, 2000) << QRectF() << QRectF();
}

void YearSheetTest::inset() {
    QFETCH(int, paper);
    QFETCH(QRectF, crop);
    QFETCH(QRectF, target);
    QFETCH(QRectF, source);
    SheetInputs in = Inputs(false, true);
    in.inset = true;
    in.insetPicture = QImage(600, 400, QImage::Format_RGB32);  // 9000 x 6000 twips
    in.insetPicture.fill(Qt::green);
    in.cropX = crop.x();
    in.cropY = crop.y();
    in.cropWidth = crop.width();
    in.cropHeight = crop.height();
    RecordingSurface page(paper);
    PrintYearSheet(page, paper, in, ModelOf(2008));
    QCOMPARE(page.endDocs, 1);
    if (target.isNull()) {
        QVERIFY(page.pictures.empty());
        return;
    }
    QCOMPARE(page.pictures.size(), size_t(1));
    QCOMPARE(page.pictures[0].target, target);
    QCOMPARE(page.pictures[0].source, source);
    QCOMPARE(page.pictures[0].pictureSize, QSize(600, 400));
}

// A picture and a crop are at hand, but no inset was chosen.
void YearSheetTest::noInsetWhenNoneChosen() {
    SheetInputs in = Inputs(false, false);
    in.inset = false;
    in.insetPicture = QImage(600, 400, QImage::Format_RGB32);
    in.cropWidth = 9000;
    in.cropHeight = 6000;
    for (int paper : {kPaperA3, kPaperA4}) {
        RecordingSurface page(paper);
        PrintYearSheet(page, paper, in, ModelOf(2008));
        QVERIFY(page.pictures.empty());
        QCOMPARE(page.endDocs, 1);
    }
}

void YearSheetTest::insetWithoutPictureStillEndsThePage() {
    SheetInputs in = Inputs(false, false);
    in.inset = true;  // chosen, but the chooser holds no picture
    in.cropWidth = 3000;
    in.cropHeight = 3000;
    RecordingSurface page(kPaperA4);
    PrintYearSheet(page, kPaperA4, in, ModelOf(2008));
    QVERIFY(page.pictures.empty());
    QCOMPARE(page.endDocs, 1);
    QCOMPARE(page.texts.size(), size_t(1 + 7 * 3 + 12 * 84 + 4));
}

void YearSheetTest::greetingLines_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("printed");
    const QStringList firstAndThird = {QStringLiteral("新春快乐"), QString(),
                                       QStringLiteral("Best wishes"), QString()};
    const QStringList both = {QStringLiteral("新春快乐"), QStringLiteral("Best wishes")};
    QTest::newRow("A4 lines 1 and 3") << kPaperA4 << firstAndThird << both;
    QTest::newRow("A3 lines 1 and 3") << kPaperA3 << firstAndThird << both;
    QTest::newRow("A4 all empty") << kPaperA4 << QStringList(4) << QStringList();
    QTest::newRow("A3 only the last")
        << kPaperA3 << QStringList{QString(), QString(), QString(), QStringLiteral("末行")}
        << QStringList{QStringLiteral("末行")};
}

void YearSheetTest::greetingLines() {
    QFETCH(int, paper);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, printed);
    SheetInputs in = Inputs(false, false);
    for (int k = 0; k < 4; ++k) in.greeting[k] = lines[k];
    in.greetingFont.clear();  // no face chosen yet
    RecordingSurface page(paper);
    PrintYearSheet(page, paper, in, ModelOf(2008));

    std::vector<DrawnText> greeting;
    for (const DrawnText& d : page.texts)
        if (d.size == 26) greeting.push_back(d);
    QCOMPARE(greeting.size(), size_t(printed.size()));
    const double left = paper == kPaperA3 ? 1700 : 650;
    for (size_t k = 0; k < greeting.size(); ++k) {
        QCOMPARE(greeting[k].text, printed[int(k)]);
        QCOMPARE(greeting[k].x, left);
        if (k > 0)  // directly one under the other: an empty line takes no room
            QVERIFY(Near(greeting[k].y, greeting[k - 1].y + LineHeight(26, true, true)));
    }
}

void YearSheetTest::greetingLeftFollowsPaper_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<double>("left");
    QTest::newRow("A3") << kPaperA3 << false << 1700.0;
    QTest::newRow("A4") << kPaperA4 << false << 650.0;
    QTest::newRow("Letter") << 1 << false << 650.0;
    QTest::newRow("unreadable") << kPaperA4 << true << 1700.0;
}

void YearSheetTest::greetingLeftFollowsPaper() {
    QFETCH(int, paper);
    QFETCH(bool, unreadable);
    QFETCH(double, left);
    RecordingSurface page(paper, {1, 8, 9});
    page.paperUnreadable = unreadable;
    page.CurrentY = 14000;
    page.ForeColor = kEntry;
    SheetInputs in = Inputs(false, true);
    prnwrd(page, in);
    QCOMPARE(page.texts.size(), size_t(4));
    QCOMPARE(page.texts[0].x, left);
    QCOMPARE(page.texts[0].y, 14000.0);  // starts where the caller left the position
    QCOMPARE(page.texts[0].colour, kGreetingPink);
    QCOMPARE(page.ForeColor, kGreetingPink);  // the style stays in force
    QVERIFY(page.FontBold && page.FontItalic);
}

// A failing drawing step ends its block only; the next block, the greeting and the end of
// the page follow.
void YearSheetTest::failingBlockIsSkipped() {
    RecordingSurface page(kPaperA4);
    page.failOnText = [](const QString& s) { return s == QStringLiteral(" 3月"); };
    PrintYearSheet(page, kPaperA4, Inputs(false, true), ModelOf(2008));
    QCOMPARE(page.endDocs, 1);
    int inMarch = 0;
    for (const DrawnText& d : page.texts)
        if (d.x >= 6300 && d.x < 9000 && d.y >= 2000 && d.y < 4700) ++inMarch;
    QCOMPARE(inMarch, 7);  // the weekday header, printed before the title
    for (int month : {1, 2, 4, 12}) QCOMPARE(page.find(MonthTitle(month, false)).size(), size_t(1));
    QCOMPARE(page.find(QStringLiteral("身体健康")).size(), size_t(1));
    QCOMPARE(page.texts.size(), size_t(1 + 7 * 3 + 11 * 84 + 4));
}

void YearSheetTest::failingTitleIsSkipped() {
    RecordingSurface page(kPaperA4);
    page.ForeColor = kEntry;
    page.failOnText = [](const QString& s) { return s == QStringLiteral("2008年"); };
    PrintYearSheet(page, kPaperA4, Inputs(false, true), ModelOf(2008));
    QCOMPARE(page.endDocs, 1);
    QCOMPARE(page.texts.size(), size_t(7 * 3 + 12 * 84 + 4));
    // The red title colour is taken back even though the title failed.
    QCOMPARE(page.texts[0].colour, kBlue);
    QCOMPARE(page.find(QStringLiteral(" 1月"))[0].colour, kTitlePurple);
    QCOMPARE(page.ForeColor, kEntry);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    YearSheetTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_yearsheet.moc"
