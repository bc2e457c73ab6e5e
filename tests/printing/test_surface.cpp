// The drawing surface's position rules: advances by the text's width, lines one em high.
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

#include "printing/surface.h"

using namespace orlenda;

namespace {
const QString kSong = QStringLiteral("宋体");
}

class SurfaceTest : public QObject {
    Q_OBJECT
  private slots:
    void printWithSemicolonAdvancesByTheTextsWidth_data();
    void printWithSemicolonAdvancesByTheTextsWidth();
    void lineEndUsesTheFontInEffect();
    void printerPageMeasuresInItsOwnResolution();
    void paintPictureTakesTheSourceInTwips();
};

void SurfaceTest::printWithSemicolonAdvancesByTheTextsWidth_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("halves");  // an ideograph is one em, ASCII half of it
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
    PictureBox b(6255, 4575);
    b.FontName = kSong;
    b.FontSize = points;
    b.CurrentX = 300;
    b.CurrentY = 450;
    b.Print(text, false);
    // A point is 20 twips; these sizes are whole pixels at 15 twips a pixel.
    QCOMPARE(b.CurrentX, 300 + halves * points * 10);
    QCOMPARE(b.CurrentY, 450.0);
    b.Print(text, false);  // and on along the same line
    QCOMPARE(b.CurrentX, 300 + 2 * halves * points * 10);
}

void SurfaceTest::lineEndUsesTheFontInEffect() {
    // The layouts' faces are one em per line on screen (whole pixels, as the screen's font
    // heights round); another face keeps its own, taller, line.
    struct Case {
        QString face;
        double points, line;
    } cases[] = {{kSong, 12, 240},
                 {kSong, 14, 285},
                 {kSong, 18, 360},
                 {QStringLiteral("黑体"), 6, 120},
                 {QStringLiteral("仿宋_GB2312"), 20, 405},
                 {QStringLiteral("楷体_GB2312"), 26, 525},
                 {QString(), 9, 180}};
    for (const Case& c : cases) {
        PictureBox b(6255, 4575);
        b.FontName = c.face;
        b.FontSize = c.points;
        b.CurrentY = 100;
        b.Print(QStringLiteral("初五"), true);
        QCOMPARE(b.CurrentX, 0.0);
        QCOMPARE(b.CurrentY, 100 + c.line);
    }
    PictureBox b(6255, 4575);
    b.FontName = kSong;
    b.FontSize = 18;
    b.CurrentY = 100;
    b.Print(QStringLiteral("12"), false);  // drawn at 18 points
    b.FontSize = 12;
    b.Print(QStringLiteral("初五"), true);  // the line ends in 12 points
    QCOMPARE(b.CurrentY, 340.0);
    b.FontSize = 18;
    b.CurrentX = 777;
    const QImage before = b.Image().copy();
    b.PrintEnd();  // a bare line end only moves down
    QCOMPARE(b.CurrentX, 0.0);
    QCOMPARE(b.CurrentY, 700.0);
    QCOMPARE(b.Image(), before);
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
    page.PrintEnd();
    QCOMPARE(page.CurrentX, 0.0);
    QCOMPARE(page.CurrentY, 240.0);  // one em
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
    // Target: 10 px from the left, 20 px down, 20 x 10 px, all green; black around it.
    for (const QPoint& p : {QPoint(11, 21), QPoint(28, 28)})
        QCOMPARE(img.pixelColor(p), QColor(Qt::green));
    for (const QPoint& p : {QPoint(5, 25), QPoint(15, 35), QPoint(35, 25), QPoint(15, 15)})
        QCOMPARE(img.pixelColor(p), QColor(Qt::black));
}

QTEST_MAIN(SurfaceTest)
#include "test_surface.moc"
