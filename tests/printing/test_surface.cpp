// The drawing surface's position rules and the font map, with the fonts installed here.
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

#include "printing/fontmap.h"
#include "printing/surface.h"

using namespace orlenda;

namespace {
const QString kSong = QStringLiteral("宋体");
const QStringList kFaces = {QStringLiteral("宋体"), QStringLiteral("黑体"),
                            QStringLiteral("仿宋_GB2312"), QStringLiteral("楷体_GB2312"),
                            QStringLiteral("华文行楷")};

// A picture box of the month view's size set to a font.
PictureBox* box(const QString& face, double points) {
    auto* b = new PictureBox(6255, 4575, RGB(192, 255, 192));
    b->FontName = face;
    b->FontSize = points;
    return b;
}
}  // namespace

class SurfaceTest : public QObject {
    Q_OBJECT
  private slots:
    void everyFaceHasHalfWidthAscii_data();
    void everyFaceHasHalfWidthAscii();
    void printWithSemicolonAdvancesByTheTextsWidth_data();
    void printWithSemicolonAdvancesByTheTextsWidth();
    void lineEndUsesTheFontInEffect();
    void lineHeightsFollowTheSize_data();
    void lineHeightsFollowTheSize();
    void bareLineEndOnlyMovesDown();
    void printerPageMeasuresInItsOwnResolution();
    void paintPictureTakesTheSourceInTwips();
};

void SurfaceTest::everyFaceHasHalfWidthAscii_data() {
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("pixels");
    // 200 px shows the design widths; 12, 16 and 24 px are 9, 12 and 18 points on screen.
    for (const QString& face : kFaces)
        for (int px : {12, 16, 24, 200})
            QTest::addRow("%s %dpx", qPrintable(face), px) << face << px;
}

void SurfaceTest::everyFaceHasHalfWidthAscii() {
    QFETCH(QString, face);
    QFETCH(int, pixels);
    const QString family = ResolveFontFamily(face);
    QVERIFY2(QFontDatabase::hasFamily(family), qPrintable(family));
    QFont font(family);
    font.setPixelSize(pixels);
    font.setStyleStrategy(QFont::NoFontMerging);
    font.setKerning(false);
    const QFontMetricsF m(font);
    const qreal ideograph = m.horizontalAdvance(QStringLiteral("中"));
    QVERIFY(ideograph > 0);
    for (char32_t c = 0x20; c < 0x7f; ++c) {
        const QString s = QString::fromUcs4(&c, 1);
        QVERIFY2(2 * m.horizontalAdvance(s) == ideograph,
                 qPrintable(QStringLiteral("%1 in %2: '%3' is %4, ideograph %5")
                                .arg(face, family, s)
                                .arg(m.horizontalAdvance(s))
                                .arg(ideograph)));
    }
    // Other ideographs of the calendar are as wide as the first.
    for (const QString& s : {QStringLiteral("月"), QStringLiteral("廿"), QStringLiteral("闰")})
        QCOMPARE(m.horizontalAdvance(s), ideograph);
}

void SurfaceTest::printWithSemicolonAdvancesByTheTextsWidth_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    // Width in half-widths: an ideograph is one em (the point size), ASCII half of it.
    QTest::addColumn<int>("halves");
    QTest::addRow("two ideographs 12pt") << QStringLiteral("中文") << 12.0 << 4;
    QTest::addRow("blanks count 12pt") << QStringLiteral("    ") << 12.0 << 4;
    QTest::addRow("digits and blanks 18pt") << QStringLiteral("  15") << 18.0 << 4;
    QTest::addRow("month title 18pt") << QStringLiteral(" 5月  ") << 18.0 << 6;
    QTest::addRow("lunar cell 12pt") << QStringLiteral("初五  ") << 12.0 << 6;
    QTest::addRow("weekday cell 9pt") << QStringLiteral("   一") << 9.0 << 5;
}

void SurfaceTest::printWithSemicolonAdvancesByTheTextsWidth() {
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(int, halves);
    std::unique_ptr<PictureBox> b(box(kSong, points));
    b->CurrentX = 300;
    b->CurrentY = 450;
    b->Print(text, false);
    // A point is 20 twips; these sizes are whole pixels at 15 twips a pixel.
    QCOMPARE(b->CurrentX, 300 + halves * points * 10);
    QCOMPARE(b->CurrentY, 450.0);
    // Printing on from there continues on the same line.
    b->Print(text, false);
    QCOMPARE(b->CurrentX, 300 + 2 * halves * points * 10);
}

void SurfaceTest::lineEndUsesTheFontInEffect() {
    std::unique_ptr<PictureBox> b(box(kSong, 12));
    const double h12 = b->TextHeight();
    b->FontSize = 18;
    const double h18 = b->TextHeight();
    QVERIFY(h18 > h12);

    b->CurrentY = 100;
    b->FontSize = 18;
    b->Print(QStringLiteral("12"), false);  // drawn at 18 points
    b->FontSize = 12;
    b->Print(QStringLiteral("初五"), true);  // the line ends in 12 points
    QCOMPARE(b->CurrentX, 0.0);
    QCOMPARE(b->CurrentY, 100 + h12);
    b->FontSize = 18;
    b->Print(QStringLiteral("3"), true);
    QCOMPARE(b->CurrentY, 100 + h12 + h18);
}

void SurfaceTest::lineHeightsFollowTheSize_data() {
    QTest::addColumn<QString>("face");
    for (const QString& face : kFaces) QTest::addRow("%s", qPrintable(face)) << face;
}

void SurfaceTest::lineHeightsFollowTheSize() {
    QFETCH(QString, face);
    std::unique_ptr<PictureBox> b(box(face, 12));
    const double h12 = b->TextHeight();
    b->FontSize = 24;
    const double h24 = b->TextHeight();
    // A line holds at least the em and is not absurdly loose.
    QVERIFY2(h12 >= 240 && h12 <= 2 * 240, qPrintable(QString::number(h12)));
    // Twice the size, twice the line (within a pixel of rounding at each size).
    QVERIFY2(std::abs(h24 - 2 * h12) <= 2 * kTwipsPerPixel,
             qPrintable(QStringLiteral("%1 %2").arg(h12).arg(h24)));
}

void SurfaceTest::bareLineEndOnlyMovesDown() {
    std::unique_ptr<PictureBox> b(box(kSong, 14));
    b->CurrentX = 777;
    b->CurrentY = 0;
    const QImage before = b->Image().copy();
    b->PrintEnd();
    QCOMPARE(b->CurrentX, 0.0);
    QCOMPARE(b->CurrentY, b->TextHeight());
    QCOMPARE(b->Image(), before);  // nothing drawn
}

void SurfaceTest::printerPageMeasuresInItsOwnResolution() {
    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath(QStringLiteral("page.pdf")));
    pdf.setResolution(1200);
    PrinterPage page(&pdf);
    page.FontName = kSong;
    page.FontSize = 12;
    page.Print(QStringLiteral("中文ab"), false);
    // Three ems of 240 twips, measured at 1200 dpi (a device pixel is 1.2 twips).
    QVERIFY2(std::abs(page.CurrentX - 720) <= 1.2, qPrintable(QString::number(page.CurrentX)));
    const double y = page.CurrentY;
    page.PrintEnd();
    QCOMPARE(page.CurrentX, 0.0);
    QVERIFY(page.CurrentY > y + 240);
    page.EndDoc();
    QCOMPARE(page.PagesEnded(), 1);
}

void SurfaceTest::paintPictureTakesTheSourceInTwips() {
    // 2 x 2 pixels: red, green / blue, white. The top-right pixel is 15 twips square at 15, 0.
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixelColor(0, 0, Qt::red);
    picture.setPixelColor(1, 0, Qt::green);
    picture.setPixelColor(0, 1, Qt::blue);
    picture.setPixelColor(1, 1, Qt::white);
    PictureBox b(1500, 1500, RGB(0, 0, 0));
    b.PaintPicture(picture, 150, 300, 300, 150, 15, 0, 15, 15);
    const QImage img = b.Image();
    // Target: 10 px from the left, 20 px down, 20 x 10 px, all green.
    QCOMPARE(img.pixelColor(15, 25), QColor(Qt::green));
    QCOMPARE(img.pixelColor(11, 21), QColor(Qt::green));
    QCOMPARE(img.pixelColor(28, 28), QColor(Qt::green));
    QCOMPARE(img.pixelColor(5, 25), QColor(Qt::black));
    QCOMPARE(img.pixelColor(15, 35), QColor(Qt::black));
    QCOMPARE(img.pixelColor(35, 25), QColor(Qt::black));
}

QTEST_MAIN(SurfaceTest)
#include "test_surface.moc"
