// The year sheet recorded on a surface that draws nothing: anchor positions from the layout
// tables (title, block corners, lunar row, greeting, inset box), lines one em high, and the
// 2008 lunar dates as published. The whole page is compared by the golden PDF text test.
#include <QtTest>

#include "sheetfixture.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const Colour kEntry = RGB(10, 20, 30);  // the page colour before anything is drawn

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

// The first text drawn at (x, y), or null.
const DrawnText* At(const RecordingSurface& page, double x, double y) {
    for (const DrawnText& t : page.texts)
        if (Near(t.x, x) && Near(t.y, y)) return &t;
    return nullptr;
}

}  // namespace

class YearSheetTest : public QObject {
    Q_OBJECT
  private slots:
    void sheet_data();
    void sheet();
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
    for (int paper : {kPaperA3, kPaperA4})
        for (bool english : {false, true})
            QTest::addRow("%s %s", paper == kPaperA3 ? "A3" : "A4", english ? "English" : "Chinese")
                << paper << paper << english << english;
    // A printer without A3 keeps its A4: A3 positions, A4 sizes.
    QTest::newRow("A3 asked, A4 kept") << kPaperA3 << kPaperA4 << false << true;
    // Neither A3 nor A4: a 10-point header, the wide English indent, the A4 greeting margin.
    QTest::newRow("A4 asked, Letter kept") << kPaperA4 << 1 << true << false;
}

void YearSheetTest::sheet() {
    QFETCH(int, paper);
    QFETCH(int, readBack);
    QFETCH(bool, english);
    QFETCH(bool, colour);
    const bool a3 = paper == kPaperA3;
    // Block corners: columns and the rows' tops (the first row's header above its days).
    const double columns[3] = {a3 ? 1500. : 500., a3 ? 5500. : 3500., a3 ? 9500. : 6500.};
    const double rows[4] = {a3 ? 2250. : 2000., a3 ? 5930. : 4800., a3 ? 9110. : 7200.,
                            a3 ? 12290. : 9600.};
    const double day = readBack == kPaperA3 ? 16 : 12, lunar = day / 2;
    const double header = readBack == kPaperA3 ? 12 : readBack == kPaperA4 ? 9 : 10;
    const double lunarOffset = readBack == kPaperA3 ? 190 : 130;
    const double indent = english ? (readBack == kPaperA4 ? 70 : 140) : 0;

    RecordingSurface page(readBack != paper ? readBack : a3 ? kPaperA4 : kPaperA3, {readBack});
    page.ForeColor = kEntry;
    PrintYearSheet(page, paper, Inputs(english, colour), ModelOf(2008));
    QCOMPARE(page.paperRequests, std::vector<int>{paper});
    QCOMPARE(page.PrintQuality(), kQualityHigh);
    QCOMPARE(page.endDocs, 1);
    QCOMPARE(page.texts.size(), kSheetTexts);

    const DrawnText& title = page.texts[0];
    QCOMPARE(title.text, QStringLiteral("2008年"));
    QVERIFY(title.x == (a3 ? 1500 : 750) && title.y == 1500 && title.size == (a3 ? 28 : 20));
    QVERIFY(title.bold && title.italic && title.underline);
    QCOMPARE(title.colour, !a3 && colour ? RGB(255, 0, 0) : kEntry);

    const DrawnText* monday = At(page, columns[0] + indent, rows[0]);
    QVERIFY(monday);
    QCOMPARE(monday->text, english ? QStringLiteral("Mon ") : QStringLiteral("  一"));
    QVERIFY(monday->size == header && !monday->bold);
    QCOMPARE(monday->colour, colour ? RGB(0, 0, 255) : kEntry);

    // Month titles at their block's corner, 100 left; September and December 2008 begin on
    // a Monday, the 2nd of the 8th and the 4th of the 11th lunar month, under the title.
    const char* en[] = {"Jan ", "Feb ", "Mar ", "Apr ", "May ", "Jun ",
                        "Jul ", "Aug ", "Sep ", "Oct ", "Nov ", "Dec "};
    for (int m = 1; m <= 12; ++m) {
        const int r = (m - 1) / 3;
        const double x = columns[(m - 1) % 3], y = rows[r] + (r == 0 ? 2 * LineHeight(header) : 0);
        const DrawnText* t = At(page, x - 100, y);
        QVERIFY2(t, qPrintable(QStringLiteral("no title of %1").arg(m)));
        QCOMPARE(t->text, english ? QString::fromLatin1(en[m - 1])
                                  : QString::number(m).rightJustified(2) + QStringLiteral("月"));
        QVERIFY(t->size == day && !t->bold && !t->italic && !t->underline);
        QCOMPARE(t->colour, colour ? RGB(100, 0, 140) : kEntry);
        const DrawnText* l = At(page, x + lunarOffset, y + LineHeight(day));
        QVERIFY(l && l->size == lunar);
        QCOMPARE(l->colour, colour ? RGB(100, 0, 255) : kEntry);
        if (m == 9) QCOMPARE(l->text, QStringLiteral("初二  "));
        if (m == 12) QCOMPARE(l->text, QStringLiteral("初四  "));
    }

    // Festivals of 2008 as published, each in its month's block.
    const std::map<QString, int> festivals{{"春节", 2}, {"清明", 4}, {"端午", 6},
                                           {"七夕", 8}, {"中秋", 9}, {"重阳", 10}};
    std::map<QString, int> seen;
    for (const DrawnText& t : page.texts) {
        const auto f = festivals.find(t.text.trimmed());
        if (f == festivals.end()) continue;
        const int m = f->second, r = (m - 1) / 3;
        const double x = columns[(m - 1) % 3];
        // A block is as wide as its column and ends where the next row begins.
        const double right = x + columns[1] - columns[0];
        const double bottom = r < 3 ? rows[r + 1] : rows[3] + 3000;
        QVERIFY2(t.x > x && t.x < right && t.y > rows[r] && t.y < bottom, Describe(t).constData());
        ++seen[f->first];
    }
    QCOMPARE(seen.size(), festivals.size());

    const DrawnText& greeting = page.texts[kSheetTexts - 4];
    QCOMPARE(greeting.text, QStringLiteral("恭贺新禧"));
    QCOMPARE(greeting.x, readBack == kPaperA3 ? 1700.0 : 650.0);
    QVERIFY(greeting.size == 26 && greeting.bold && greeting.italic);
    QCOMPARE(greeting.face, QStringLiteral("楷体_GB2312"));
    QCOMPARE(greeting.colour, colour ? RGB(220, 100, 255) : kEntry);
    QVERIFY(Near(page.texts.back().y - greeting.y, 3 * LineHeight(26)));
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
