// The drawing surface's position rules on a picture box (15 twips a pixel): a text advances
// the position by its width, an ideograph one em and ASCII half of it; a line end moves down
// one em of the font in effect, the em rounded to whole pixels as the screen's fonts are.
#include <QtTest>

#include "printing/surface.h"

using namespace orlenda;

class SurfaceTest : public QObject {
    Q_OBJECT
  private slots:
    void print_data();
    void print();
    void lineEndUsesTheFontInEffect();
};

void SurfaceTest::print_data() {
    QTest::addColumn<QString>("face");
    QTest::addColumn<double>("points");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("advance");  // twips
    QTest::addColumn<double>("line");
    const QString song = QStringLiteral("宋体");
    QTest::newRow("ideographs 12pt") << song << 12.0 << QStringLiteral("中文") << 480.0 << 240.0;
    QTest::newRow("blanks 12pt") << song << 12.0 << QStringLiteral("    ") << 480.0 << 240.0;
    QTest::newRow("digits 18pt") << song << 18.0 << QStringLiteral("  15") << 720.0 << 360.0;
    QTest::newRow("month title 18pt")
        << song << 18.0 << QStringLiteral(" 5月  ") << 1080.0 << 360.0;
    QTest::newRow("weekday 9pt") << song << 9.0 << QStringLiteral("   一") << 450.0 << 180.0;
    // 14 points are 18.67 pixels, 20 points 26.67, 26 points 34.67.
    QTest::newRow("song 14pt") << song << 14.0 << QStringLiteral("初五") << 570.0 << 285.0;
    QTest::newRow("hei 6pt") << QStringLiteral("黑体") << 6.0 << QStringLiteral("初五") << 240.0
                             << 120.0;
    QTest::newRow("fangsong 20pt")
        << QStringLiteral("仿宋_GB2312") << 20.0 << QStringLiteral("初五") << 810.0 << 405.0;
    QTest::newRow("kai 26pt") << QStringLiteral("楷体_GB2312") << 26.0 << QStringLiteral("初五")
                              << 1050.0 << 525.0;
    QTest::newRow("no face 9pt") << QString() << 9.0 << QStringLiteral("初五") << 360.0 << 180.0;
}

void SurfaceTest::print() {
    QFETCH(QString, face);
    QFETCH(double, points);
    QFETCH(QString, text);
    QFETCH(double, advance);
    QFETCH(double, line);
    PictureBox b(6255, 4575);
    b.FontName = face;
    b.FontSize = points;
    b.CurrentX = 300;
    b.CurrentY = 450;
    b.Print(text, false);
    QCOMPARE(b.CurrentX, 300 + advance);
    QCOMPARE(b.CurrentY, 450.0);
    b.Print(text, true);  // on along the same line, then down
    QCOMPARE(b.CurrentX, 0.0);
    QCOMPARE(b.CurrentY, 450 + line);
}

void SurfaceTest::lineEndUsesTheFontInEffect() {
    PictureBox b(6255, 4575);
    b.FontName = QStringLiteral("宋体");
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

QTEST_MAIN(SurfaceTest)
#include "test_surface.moc"
