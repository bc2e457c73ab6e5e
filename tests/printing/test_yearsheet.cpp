// SPDX-License-Identifier: GPL-3.0-or-later
// The year sheet recorded: colours, styles and anchors in the design's twips that the golden
// sheets' words with positions do not pin.
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QTransform>
#include <QtTest>
#include <map>
#include <vector>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "graphics/fontmap.h"
#include "graphics/surface.h"
#include "printing/yearsheet.h"

namespace orlenda::testing {

struct DrawnText {
    double x = 0, y = 0;  // twips
    QString text;
    double size = 0, width = 0;  // points; twips
    bool bold = false, italic = false, underline = false;
    Colour colour = 0;
    QString face;
};

struct DrawnPicture {
    QRectF target, source;  // twips on the page; on the picture at natural size
    QSize pictureSize;
};

// Writes down texts and pictures drawn; like a printer, it can refuse paper and fail drawing.
class RecordingSurface : public Surface {
  public:
    // The printer starts on paper; only, when set, is the one paper it has.
    explicit RecordingSurface(int paper = kPaperA4, int only = 0) : paper_(paper), only_(only) {}

    std::vector<DrawnText> texts;
    std::vector<DrawnPicture> pictures;
    int endDocs = 0;
    QString failingText;  // drawing it fails
    bool paperUnreadable = false;

    int PaperSize() const override {
        if (paperUnreadable) throw SurfaceError("paper size unreadable");
        return paper_;
    }
    void SetPaperSize(int size) override {
        if (only_ && size != only_) throw SurfaceError("the printer lacks this paper");
        paper_ = size;
    }
    int PrintQuality() const override { return quality_; }
    void SetPrintQuality(int q) override { quality_ = q; }
    void EndDoc() override { ++endDocs; }

    std::vector<DrawnText> find(const QString& text) const {
        std::vector<DrawnText> out;
        for (const DrawnText& t : texts)
            if (t.text == text) out.push_back(t);
        return out;
    }

  protected:
    QPainter& painter() override { return painter_; }
    double scale() const override { return 0.5; }  // 720 dots per inch: whole pixels a point
    void drawText(double x, double y, const QString& text) override {
        if (text == failingText) throw SurfaceError("drawing failed");
        texts.push_back({x, y, text, FontSize, TextWidth(text), FontBold, FontItalic, FontUnderline,
                         ForeColor, FontName});
    }
    void drawPicture(const QImage& picture, const QRectF& target, const QRectF& source) override {
        pictures.push_back({QTransform::fromScale(1 / scale(), 1 / scale()).mapRect(target),
                            QTransform::fromScale(kTwipsPerPixel, kTwipsPerPixel).mapRect(source),
                            picture.size()});
    }

  private:
    int paper_, only_, quality_ = 0;
    QImage image_{8, 8, QImage::Format_RGB32};  // for the font metrics
    QPainter painter_{&image_};
};

const CalendarModel& ModelOf(int year) {
    static std::map<int, CalendarModel> models;
    if (auto it = models.find(year); it != models.end()) return it->second;
    DataReport report;
    std::optional<YearRecord> record = ReadYearRecord(ORLENDA_DATA_FILE, year, report);
    if (!record) qFatal("cannot read %d from the data file: %s", year, report.message.c_str());
    BuildYearCalendar(year, &*record, models[year], &report);
    return models[year];
}

}  // namespace orlenda::testing

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const Colour kEntry = RGB(10, 20, 30);  // the page colour before anything is drawn
constexpr int kA3 = kPaperA3, kA4 = kPaperA4, kLetter = 1;
constexpr size_t kSheetTexts = 1 + 3 * 7 + 12 * 6 * 14 + 4;  // title, headers, blocks, greeting

YearContent Inputs(bool english, bool colour) {
    YearContent in;
    in.model = &ModelOf(2008);
    in.english = english;
    in.colour = colour;
    in.yearCaption = QStringLiteral("2008");
    in.greeting = {QStringLiteral("恭贺新禧"), QStringLiteral("Happy New Year"),
                   QStringLiteral("万事如意"), QStringLiteral("身体健康")};
    in.greetingFont = QStringLiteral("楷体_GB2312");
    return in;
}

struct Anchor {
    const char* name;
    int paper, readBack;  // asked for; the printer's paper afterwards
    bool english, colour;
    const char* text;
    double x, y, size;  // twips; points
    Colour ink;
};

// 2008: September (1st: the 2nd of the 8th lunar month) begins on a Monday, a row below its
// title. A lunar row lies one day line below its days, 130 (A4) or 190 (A3) right.
const Anchor kAnchors[] = {
    {"A4 title", kA4, kA4, false, true, "2008年", 750, 1500, 20, RGB(255, 0, 0)},
    {"A3 title", kA3, kA3, false, true, "2008年", 1500, 1500, 28, kEntry},
    {"A4 English header", kA4, kA4, true, false, "Mon ", 570, 2000, 9, kEntry},
    {"Letter kept: header", kA4, kLetter, true, false, "Mon ", 640, 2000, 10, kEntry},
    {"A3 January", kA3, kA3, true, true, "Jan ", 1400, 2730, 16, RGB(100, 0, 140)},
    {"A4 September lunar", kA4, kA4, false, true, "初二  ", 6630, 7800, 6, RGB(100, 0, 255)},
    // A printer without A3 keeps its A4: A3 positions, A4 sizes and margins.
    {"A4 kept: lunar", kA3, kA4, false, false, "初二  ", 9630, 9710, 6, kEntry},
    {"A4 kept: greeting", kA3, kA4, false, false, "恭贺新禧", 650, 14690, 26, kEntry},
    {"A4 greeting", kA4, kA4, false, true, "恭贺新禧", 650, 11880, 26, RGB(220, 100, 255)},
};

// The crop (twips of a 600 x 400 pixel picture) and the box it is fitted into (empty: none);
// then the second greeting line, in half-widths of 260 twips at 26 points, and where it must
// end: the inset's left edge, or the paper's width (A4 11906, A3 16838 twips) less the margin.
struct Inset {
    const char* name;
    int paper;
    bool chosen, picture;  // the inset is asked for; the chooser holds a picture
    QRectF crop, box;
    int halfWidths;
    double right;
};
const Inset kInsets[] = {
    {"A4 wide", kA4, true, true, {150, 300, 4000, 2000}, {6700, 12050, 3000, 1500}, 44, 6700},
    {"A4 tall, 22 fit", kA4, true, true, {0, 600, 1000, 2000}, {6700, 12050, 1500, 3000}, 22, 6700},
    {"A3 wide", kA3, true, true, {0, 0, 9000, 4500}, {7500, 15500, 4000, 2000}, 42, 7500},
    // Second click above and left of the first: the same rectangle, picture upright.
    {"backwards", kA4, true, true, {4150, 2300, -4000, -2000}, {6700, 12050, 3000, 1500}, 44, 6700},
    {"no height", kA4, true, true, {100, 100, 2000, 0}, {}, 44, 11906 - 650},  // one line
    {"none chosen", kA3, false, true, {0, 0, 9000, 6000}, {}, 42, 16838 - 1700},
    {"no picture", kA4, true, false, {0, 0, 3000, 3000}, {}, 44, 11906 - 650},
};
template <class Row, std::size_t N>
void AddRows(const Row (&rows)[N]) {
    QTest::addColumn<int>("i");
    for (std::size_t i = 0; i < N; ++i) QTest::newRow(rows[i].name) << int(i);
}
const QString kLongText = QStringLiteral("Happy New Year 2008, with love from all of us, friends");

}  // namespace

class YearSheetTest : public QObject {
    Q_OBJECT
  private slots:
    void anchor_data() { AddRows(kAnchors); }
    void anchor() {
        QFETCH(int, i);
        const Anchor& a = kAnchors[i];
        const int first = a.readBack != a.paper ? a.readBack : a.paper == kA3 ? kA4 : kA3;
        RecordingSurface page(first, a.readBack);
        page.ForeColor = kEntry;
        DrawYearSheet(page, a.paper, Inputs(a.english, a.colour));
        QCOMPARE(page.PrintQuality(), kQualityHigh);
        QCOMPARE(page.endDocs, 1);
        QCOMPARE(page.texts.size(), kSheetTexts);
        const std::vector<DrawnText> found = page.find(QString::fromUtf8(a.text));
        const auto t = std::find_if(found.begin(), found.end(), [&](const DrawnText& d) {
            return std::abs(d.x - a.x) < 0.01 && std::abs(d.y - a.y) < 0.01;
        });
        QVERIFY2(t != found.end(), found.empty() ? "not drawn" : "drawn elsewhere");
        QCOMPARE(t->size, a.size);
        QCOMPARE(t->colour, a.ink);
        // Only the title is bold, italic and underlined; the greeting is bold and italic.
        QCOMPARE(t->underline, t->text == QStringLiteral("2008年"));
        QCOMPARE(t->italic, t->underline || a.size == 26);
        if (a.size == 26) QCOMPARE(t->face, QStringLiteral("楷体_GB2312"));
    }
    void inset_data() { AddRows(kInsets); }
    // A greeting line too wide is drawn smaller to fit, not much smaller, in place; the next
    // line keeps its own.
    void inset() {
        QFETCH(int, i);
        const Inset& c = kInsets[i];
        YearContent in = Inputs(false, true);
        in.greeting[1] = kLongText.left(c.halfWidths);
        in.insetChosen = c.chosen;
        if (c.picture) in.inset = QImage(600, 400, QImage::Format_RGB32);
        in.insetCrop = {c.crop.x(), c.crop.y(), c.crop.width(), c.crop.height()};
        RecordingSurface page(c.paper);
        DrawYearSheet(page, c.paper, in);
        QCOMPARE(page.pictures.size(), size_t(c.box.isNull() ? 0 : 1));
        if (!c.box.isNull()) {
            QCOMPARE(page.pictures[0].target, c.box);
            QCOMPARE(page.pictures[0].source, c.crop.normalized());
            QCOMPARE(page.pictures[0].pictureSize, QSize(600, 400));
        }
        const std::vector<DrawnText> found = page.find(in.greeting[1]);
        QCOMPARE(found.size(), size_t(1));
        const DrawnText t = found[0];
        const double left = c.paper == kA3 ? 1700 : 650;
        const double size = std::min(26.0, 26 * (c.right - left) / (c.halfWidths * 260));
        QVERIFY2(
            t.x == left && t.x + t.width <= c.right && t.size <= size && t.size > 0.9 * size,
            qPrintable(QStringLiteral("x %1 width %2 size %3").arg(t.x).arg(t.width).arg(t.size)));
        const DrawnText first = page.find(in.greeting[0])[0];
        QCOMPARE(page.find(in.greeting[2])[0].y, first.y + 2 * 520);
        QVERIFY(t.y >= first.y + 520 && t.y + t.size * 20 <= first.y + 2 * 520);
    }

    void failingStepIsSkipped_data() {
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
    void failingStepIsSkipped() {
        QFETCH(QString, failing);
        QFETCH(bool, unreadable);
        QFETCH(int, missing);
        QFETCH(double, left);
        RecordingSurface page;
        page.ForeColor = kEntry;
        page.failingText = failing;
        page.paperUnreadable = unreadable;
        DrawYearSheet(page, kA4, Inputs(false, true));
        QCOMPARE(page.endDocs, 1);
        QCOMPARE(page.texts.size(), kSheetTexts - size_t(missing));
        QCOMPARE(page.texts.back().text, QStringLiteral("身体健康"));
        QCOMPARE(page.texts.back().x, left);
        // The sheet takes its red back even when the title fails.
        if (failing == QStringLiteral("2008年"))
            for (const DrawnText& d : page.find(QStringLiteral("  1"))) QCOMPARE(d.colour, kEntry);
    }

    // The layouts count half widths: every ASCII advance is half an ideograph's, at all sizes.
    void standInsAreHalfWidth() {
        for (const char* face : {"宋体", "黑体", "仿宋_GB2312", "楷体_GB2312", "华文行楷"}) {
            QFont font(ResolveFontFamily(QString::fromUtf8(face)));
            font.setStyleStrategy(QFont::NoFontMerging);
            QCOMPARE(QFontInfo(font).family(), font.family());  // installed, not a fallback
            for (int pixels : {12, 16, 19, 24, 60, 120, 200}) {
                font.setPixelSize(pixels);
                const QFontMetricsF m(font);
                for (char c = ' '; c < 0x7f; ++c)
                    QVERIFY2(2 * m.horizontalAdvance(QChar(c)) == m.horizontalAdvance(u'中'),
                             qPrintable(font.family() + QChar(c)));
            }
        }
    }

    // A box or picture drawn later covers batched text, a clear removes it; colours stay apart.
    void batchedTextUnderLaterDrawing_data() {
        QTest::addColumn<QString>("after");
        for (const char* step : {"nothing", "box", "picture", "clear"}) QTest::newRow(step) << step;
    }
    void batchedTextUnderLaterDrawing() {
        QFETCH(QString, after);
        PictureBox box(3000, 1500);  // 200 x 100 white pixels
        {
            const Surface::TextBatch batch(box);
            box.FontSize = 36;
            box.ForeColor = RGB(255, 0, 0);
            box.Print(QStringLiteral("中中中"), false);
            QImage blue(200, 100, QImage::Format_RGB32);
            blue.fill(Qt::blue);
            if (after == "box") box.FillBox(0, 0, 3000, 1500, RGB(0, 0, 255));
            if (after == "picture") box.PaintPicture(blue, 0, 0, 3000, 1500, 0, 0, 3000, 1500);
            if (after == "clear") box.Cls();
            box.ForeColor = RGB(0, 160, 0);
            box.CurrentX = 0, box.CurrentY = 800;
            box.Print(QStringLiteral("中中中"), false);
        }
        const QImage image = box.Image();
        int red = 0, green = 0;  // pixels inside the strokes
        for (int i = 0; i < 200 * 100; ++i) {
            red += image.pixel(i % 200, i / 200) == qRgb(255, 0, 0);
            green += image.pixel(i % 200, i / 200) == qRgb(0, 160, 0);
        }
        QCOMPARE(red > 50, after == "nothing");
        QVERIFY(green > 50);
    }

    // A PDF page resizes one font per style: texts keep size, bold, italic, underline or none.
    void pdfTextsKeepSizeAndStyle() {
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        QPdfWriter writer(&pdf);
        writer.setResolution(1200);
        PrinterPage page(&writer);
        page.FontSize = 20;
        page.FontBold = page.FontItalic = page.FontUnderline = true;
        page.Print(QStringLiteral("2008年"));
        page.FontUnderline = false;
        for (int i = 0; i < 4; ++i) {  // plain at 9 and 12 points, bold, italic
            page.FontSize = i ? 12 : 9;
            page.FontBold = i == 2;
            page.FontItalic = i == 3;
            page.Print(QStringLiteral("十五"));
        }
        page.EndDoc();
        QByteArray content;  // the deflated streams, inflated
        for (qsizetype at = 0; (at = pdf.data().indexOf("stream\n\x78", at)) >= 0;) {
            const qsizetype end = pdf.data().indexOf("endstream", at += 7);
            content += qUncompress(QByteArray::fromHex("00100000") + pdf.data().mid(at, end - at));
        }
        QCOMPARE(content.count(" 333 Tf 1 0 .3 -1 0 0 Tm"), 1);  // 20 points at 1200 dpi
        QCOMPARE(content.count(" 150 Tf 1 0 0 -1 0 0 Tm"), 1);
        QCOMPARE(content.count(" 200 Tf 1 0 0 -1 0 0 Tm"), 2);
        QCOMPARE(content.count(" 200 Tf 1 0 .3 -1 0 0 Tm"), 1);
        QCOMPARE(content.count("/ActualText"), 2);  // bold: a second copy that is no text
        QCOMPARE(content.count(" l\nS\n"), 1);      // the underline's stroke
    }
};

QTEST_MAIN(YearSheetTest)
#include "test_yearsheet.moc"
