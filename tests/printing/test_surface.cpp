// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing surface's position rules on a picture box (15 twips a pixel): a text advances
// the position by its width, an ideograph one em and ASCII half of it; a line end moves down
// one em of the font in effect, the em rounded to whole pixels as the screen's fonts are.
#include <QtTest>

#include "graphics/fontmap.h"
#include "graphics/surface.h"

using namespace orlenda;

class SurfaceTest : public QObject {
    Q_OBJECT
  private slots:
    void print_data() {
        QTest::addColumn<QString>("face");
        QTest::addColumn<double>("points");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("advance");  // twips
        QTest::addColumn<double>("line");
        const QString song = QStringLiteral("宋体"), five = QStringLiteral("初五");
        const QString fangsong = QStringLiteral("仿宋_GB2312"), kai = QStringLiteral("楷体_GB2312");
        QTest::newRow("month title") << song << 18.0 << QStringLiteral(" 5月  ") << 1080.0 << 360.0;
        // 14 points are 18.67 pixels, 20 points 26.67, 26 points 34.67.
        QTest::newRow("song 14pt") << song << 14.0 << five << 570.0 << 285.0;
        QTest::newRow("hei 6pt") << QStringLiteral("黑体") << 6.0 << five << 240.0 << 120.0;
        QTest::newRow("fangsong 20pt") << fangsong << 20.0 << five << 810.0 << 405.0;
        QTest::newRow("kai 26pt") << kai << 26.0 << five << 1050.0 << 525.0;
        QTest::newRow("no face 9pt") << QString() << 9.0 << five << 360.0 << 180.0;
    }

    // Each face the layouts name stands for an installed font with ideographs, whose digits
    // and letters are exactly half an ideograph wide.
    void facesHaveHalfWidthAscii() {
        for (const char* face : {"宋体", "黑体", "仿宋_GB2312", "楷体_GB2312", "华文行楷"}) {
            QFont f(ResolveFontFamily(QString::fromUtf8(face)));
            f.setPixelSize(48);
            f.setStyleStrategy(QFont::NoFontMerging);
            const QFontMetricsF m(f);
            const qreal em = m.horizontalAdvance(QChar(0x4E2D));  // 中
            QVERIFY2(m.inFontUcs4(0x4E2D) && 2 * m.horizontalAdvance('5') == em &&
                         2 * m.horizontalAdvance('A') == em && 2 * m.horizontalAdvance(' ') == em,
                     face);
        }
    }

    void print() {
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

    // A line end alone moves down by the font in effect then, not the last one drawn, and
    // draws nothing.
    void lineEndUsesTheFontInEffect() {
        PictureBox b(6255, 4575);
        b.FontName = QStringLiteral("宋体");
        b.FontSize = 18;
        b.Print(QStringLiteral("12"), false);
        b.FontSize = 12;
        const QImage before = b.Image().copy();
        b.PrintEnd();
        QCOMPARE(b.CurrentX, 0.0);
        QCOMPARE(b.CurrentY, 240.0);
        QCOMPARE(b.Image(), before);
    }
};

QTEST_MAIN(SurfaceTest)
#include "test_surface.moc"
