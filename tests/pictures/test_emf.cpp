// SPDX-License-Identifier: GPL-3.0-or-later
// The metafile reader on records written here, files exported by Debian programs, damage.
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QtEndian>
#include <QtTest>
#include <bit>

#include "hostilefiles.h"
#include "pictures/emf.h"
#include "pictures/picture.h"

using namespace orlenda;

namespace {

QByteArray words(std::initializer_list<qint32> list) {
    QByteArray b(4 * qsizetype(list.size()), '\0');
    if (list.size()) qToLittleEndian<qint32>(list.begin(), qsizetype(list.size()), b.data());
    return b;
}
// COLORREF byte order: red, green, blue, zero.
qint32 cref(QRgb c) { return qRed(c) | qGreen(c) << 8 | qBlue(c) << 16; }
qint32 fl(float f) { return std::bit_cast<qint32>(f); }

constexpr QRgb kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

// clang-format off
enum : qint32 {
    HEADER = 1, POLYGON = 3, POLYPOLYGON = 8, SETWINDOWEXTEX, SETVIEWPORTEXTEX = 11, SETMAPMODE = 17,
    SETBKMODE = 18, SETPOLYFILLMODE, SETTEXTALIGN = 22, SETBKCOLOR = 25, INTERSECTCLIPRECT = 30, SCALEWINDOWEXTEX = 32, SAVEDC, RESTOREDC,
    SETWORLDTRANSFORM, MODIFYWORLDTRANSFORM, SELECTOBJECT, CREATEPEN, CREATEBRUSHINDIRECT,
    ELLIPSE = 42, RECTANGLE, ARC = 45, PIE = 47, SETARCDIRECTION = 57, EXTSELECTCLIPRGN = 75,
    STRETCHDIBITS = 81, CREATEFONT, TEXTOUTA, TEXTOUTW, GRADIENTFILL = 118,
};
// clang-format on
constexpr qint32 kStock = qint32(0x80000000);

// A reference device of one pixel per image pixel: default logical units are image pixels.
class Emf {
  public:
    explicit Emf(QSize px = QSize(100, 100)) : px_(px) {}

    Emf& rec(qint32 type, QByteArray p) {
        while (p.size() % 4) p.append('\0');
        body_ += words({type, 8 + qint32(p.size())}) + p;
        ++records_;
        return *this;
    }
    Emf& rec(qint32 type, std::initializer_list<qint32> w) { return rec(type, words(w)); }

    Emf& brush(QRgb c) {
        return rec(CREATEBRUSHINDIRECT, {1, 0, cref(c), 0}).rec(SELECTOBJECT, {1});
    }
    Emf& solid(QRgb c) { return brush(c).rec(SELECTOBJECT, {kStock | 8}); }  // no outline
    // A font of em 20 pixels in a character set, then text at (x, y) with its advances.
    Emf& font(int charSet) {
        return rec(CREATEFONT, words({3, -20, 0, 0, 0, 400, charSet << 24, 0}) + QByteArray(64, 0))
            .rec(SELECTOBJECT, {3});
    }
    Emf& text(bool wide, int x, int y, const QByteArray& s, int chars, QList<qint32> dx = {}) {
        QByteArray p = words({0, 0, 0, 0, 1, 0, 0, x, y, chars, 76, 0, 0, 0, 0, 0, 0}) + s;
        while (p.size() % 4) p.append('\0');
        if (!dx.isEmpty()) qToLittleEndian<qint32>(8 + qint32(p.size()), p.data() + 64);
        for (qint32 d : dx) p += words({d});
        return rec(wide ? TEXTOUTW : TEXTOUTA, p);
    }
    QByteArray bytes() const {
        const int w = px_.width(), h = px_.height();
        const qint32 fw = qRound(w * 2540 / 96.0), fh = qRound(h * 2540 / 96.0);
        const QByteArray eof = words({14, 20, 0, 16, 20});
        const qint32 total = 108 + qint32(body_.size()) + qint32(eof.size());
        return words({HEADER, 108, 0, 0, w - 1, h - 1, 0, 0, fw, fh})            // bounds, frame
               + words({0x464D4520, 0x10000, total, records_ + 1, 16, 0, 0, 0})  // signature ...
               + words({w, h, fw / 100, fh / 100})                  // device: pixels, mm
               + words({0, 0, 0, fw * 10, fh * 10}) + body_ + eof;  // micrometres
    }

  private:
    QSize px_;
    QByteArray body_;
    int records_ = 1;
};

// StretchDIBits of a 3 x 2 bitmap of 24 bits onto 60 x 40 pixels, given `bytes` of its rows.
// clang-format off
QByteArray bitmap(qint32 bytes) {
    return words({0, 0, 60, 40, 0, 0, 0, 0, 3, 2, 80, 40, 120, bytes, 0, 0xCC0020, 60, 40, 40, 3, 2, 1 | 24 << 16, 0, 0, 0, 0, 0, 0})
           + QByteArray::fromHex("0000FF00FF00FF0000000000FFFFFF0000000000FF000000").left(bytes);
}
// clang-format on

using Checks = QList<std::tuple<int, int, QRgb>>;

}  // namespace

Q_DECLARE_METATYPE(Checks)

class TestEmf : public QObject {
    Q_OBJECT

  private slots:
    // On a white 100 x 100 picture, at pixels whose colour follows from the geometry.
    void figures_data() {
        QTest::addColumn<QByteArray>("emf");
        QTest::addColumn<Checks>("checks");
        auto row = [](const char* name, const Emf& e, const Checks& c) {
            QTest::newRow(name) << e.bytes() << c;
        };
        // Two squares one inside the other: a hole when alternating, filled when winding.
        const QByteArray nested = words({0,  0,  0,  0,  2,  8,  4,  4,  10, 10, 90, 10,
                                         90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70});
        // Counter-clockwise from the radial through (90,50) (east) to the one through (50,10)
        // (north): the upper right quarter of the circle.
        const std::initializer_list<qint32> quarter{10, 10, 90, 90, 90, 50, 50, 10};
        const Emf red = Emf().solid(kRed),
                  blue = Emf().rec(CREATEPEN, {2, 0, 10, 0, cref(kBlue)}).rec(SELECTOBJECT, {2});
        // clang-format off
        row("ellipse", Emf(red).rec(ELLIPSE, {10, 10, 90, 90}), {{50, 50, kRed}, {50, 14, kRed}, {14, 14, kWhite}});
        row("poly-polygon alternate", Emf(red).rec(POLYPOLYGON, nested), {{20, 50, kRed}, {50, 50, kWhite}});
        row("poly-polygon winding", Emf(red).rec(SETPOLYFILLMODE, {2}).rec(POLYPOLYGON, nested), {{20, 50, kRed}, {50, 50, kRed}});
        row("pie", Emf(red).rec(PIE, quarter), {{65, 35, kRed}, {35, 35, kWhite}, {65, 65, kWhite}, {35, 65, kWhite}});
        row("arc clockwise", Emf(blue).rec(SETARCDIRECTION, {2}).rec(ARC, quarter), {{78, 22, kWhite}, {22, 78, kBlue}, {22, 22, kBlue}});

        // Half an inch in hundredths of a millimetre, y upwards, is 48 pixels.
        row("himetric", Emf(red).rec(SETMAPMODE, {3}).rec(RECTANGLE, {0, 0, 1270, -1270}), {{44, 44, kRed}, {52, 20, kWhite}, {20, 52, kWhite}});
        // Window 100 x 100 onto viewport 200 x 50.
        row("isotropic keeps the aspect", Emf(QSize(200, 100)).solid(kRed).rec(SETMAPMODE, {7}).rec(SETWINDOWEXTEX, {100, 100})
                .rec(SETVIEWPORTEXTEX, {200, 50}).rec(RECTANGLE, {0, 0, 50, 100}), {{20, 40, kRed}, {30, 20, kWhite}, {20, 60, kWhite}});
        // Window 100 x 100 scaled by 1/2 across onto a 100 x 100 viewport: x doubles.
        row("window extent scaled", Emf(red).rec(SETMAPMODE, {8}).rec(SETWINDOWEXTEX, {100, 100}).rec(SETVIEWPORTEXTEX, {100, 100})
                .rec(SCALEWINDOWEXTEX, {1, 2, 1, 1}).rec(RECTANGLE, {0, 0, 25, 50}), {{40, 20, kRed}, {60, 20, kWhite}, {40, 60, kWhite}});
        // Scale by 2, then a translation of 10 applied after it (not before).
        row("world transform right multiply", Emf(red).rec(SETWORLDTRANSFORM, {fl(2), 0, 0, fl(2), 0, 0})
                .rec(MODIFYWORLDTRANSFORM, {fl(1), 0, 0, fl(1), fl(10), 0, 3}).rec(RECTANGLE, {0, 0, 10, 10}), {{15, 10, kRed}, {35, 10, kWhite}});
        // The first saved state by its number.
        row("clip restored", Emf(red).rec(SAVEDC, {}).rec(INTERSECTCLIPRECT, {0, 0, 20, 20}).rec(RESTOREDC, {1})
                .rec(RECTANGLE, {10, 10, 90, 90}), {{70, 70, kRed}});

        row("clip region", Emf(red).rec(EXTSELECTCLIPRGN, words({48, 5, 32, 1, 1, 16, 0, 0, 50, 50, 0, 0, 50, 50}))
                .rec(RECTANGLE, {10, 10, 90, 90}), {{30, 30, kRed}, {70, 30, kWhite}, {30, 70, kWhite}});
        // Overlapping rectangles of a region make their union, whatever the filling mode.
        row("clip region overlapping", Emf(red).rec(EXTSELECTCLIPRGN, words({64, 5, 32, 1, 2, 32, 0, 0, 70, 70, 0, 0, 50, 50, 20, 20, 70, 70}))
                .rec(RECTANGLE, {10, 10, 90, 90}), {{30, 30, kRed}, {60, 60, kRed}, {60, 10, kWhite}, {80, 80, kWhite}});
        // The header's table has 16 handles: a brush made as handle 16 is void, one as 15 is kept.
        row("handles past the table", Emf(red).rec(CREATEBRUSHINDIRECT, {16, 0, cref(kBlue), 0}).rec(SELECTOBJECT, {16})
                .rec(RECTANGLE, {0, 0, 50, 100}).rec(CREATEBRUSHINDIRECT, {15, 0, cref(kBlue), 0}).rec(SELECTOBJECT, {15})
                .rec(RECTANGLE, {50, 0, 100, 100}), {{25, 50, kRed}, {75, 50, kBlue}});

        // Stock objects (index | 0x80000000): brushes white, light grey C0, grey 80, dark grey 40,
        // black, none; pens white, black, none. Outlines drawn on a blue ground.
        const Emf ground = Emf().solid(kBlue).rec(RECTANGLE, {0, 0, 100, 100});
        auto stock = [&](int brush, int pen) {
            return Emf(ground).rec(SELECTOBJECT, {kStock | brush}).rec(SELECTOBJECT, {kStock | pen}).rec(RECTANGLE, {20, 20, 80, 80});
        };
        row("stock white brush, black pen", stock(0, 7), {{50, 50, kWhite}, {20, 50, kBlack}, {50, 20, kBlack}, {10, 50, kBlue}});
        row("stock black brush, white pen", stock(4, 6), {{50, 50, kBlack}, {20, 50, kWhite}, {50, 20, kWhite}, {10, 50, kBlue}});
        row("stock null brush, null pen", stock(5, 8), {{50, 50, kBlue}, {20, 50, kBlue}});
        row("stock greys", Emf(ground).rec(SELECTOBJECT, {kStock | 8}).rec(SELECTOBJECT, {kStock | 1}).rec(RECTANGLE, {0, 0, 30, 30})
                .rec(SELECTOBJECT, {kStock | 2}).rec(RECTANGLE, {30, 0, 60, 30}).rec(SELECTOBJECT, {kStock | 3}).rec(RECTANGLE, {60, 0, 90, 30}),
            {{15, 15, 0xFFC0C0C0}, {45, 15, 0xFF808080}, {75, 15, 0xFF404040}});

        // Two blanks 20 + 20 wide at (50, 50), on their cell painted blue (the background mode
        // is opaque unless set): left, centre, right of the point; top, baseline, bottom on it.
        auto aligned = [](int align, int mode = 2) {
            return Emf().font(0).rec(SETBKCOLOR, {cref(kBlue)}).rec(SETBKMODE, {mode}).rec(SETTEXTALIGN, {align})
                .text(true, 50, 50, "\x20\0\x20\0", 2, {20, 20});
        };
        row("text left, top", aligned(0), {{52, 52, kBlue}, {88, 52, kBlue}, {48, 52, kWhite}, {92, 52, kWhite}, {52, 48, kWhite}});
        row("text centre", aligned(6), {{32, 52, kBlue}, {68, 52, kBlue}, {28, 52, kWhite}, {72, 52, kWhite}});
        row("text right", aligned(2), {{12, 52, kBlue}, {48, 52, kBlue}, {8, 52, kWhite}, {52, 52, kWhite}});
        row("text centre, baseline", aligned(6 | 24), {{50, 38, kBlue}, {50, 48, kBlue}, {50, 51, kBlue}});
        row("text centre, bottom", aligned(6 | 8), {{50, 38, kBlue}, {50, 48, kBlue}, {50, 52, kWhite}});
        row("text transparent", aligned(6, 1), {{32, 52, kWhite}, {50, 52, kWhite}, {68, 52, kWhite}});

        // A 3 x 2 bitmap of 24 bits, bottom row first, each row padded to 12 bytes, drawn 20
        // times as large: red, green, blue under white, black, red.
        row("bitmap rows padded", Emf().rec(STRETCHDIBITS, bitmap(24)),
            {{10, 10, kWhite}, {30, 10, kBlack}, {50, 10, kRed}, {10, 30, kRed}, {30, 30, 0xFF00FF00}, {50, 30, kBlue}});
        // clang-format on
    }
    void figures() {
        QFETCH(QByteArray, emf);
        QFETCH(Checks, checks);
        const EmfResult r = RenderEmf(emf);
        QVERIFY2(r.error.isEmpty() && !r.image.isNull(), qPrintable(r.error));
        for (auto [x, y, want] : checks) {
            QVERIFY2(QColor(r.image.pixel(x, y)) == QColor(want),
                     qPrintable(QString::asprintf("at (%d,%d)", x, y)));
        }
    }

    // Narrow text in the font's character set draws as the same characters given wide
    // (published code tables: 啊 is B0A1 in GB2312, B0A1 in Big5 is 陛).
    void characterSets_data() {
        QTest::addColumn<int>("charSet");
        QTest::addColumn<QByteArray>("narrow");
        QTest::addColumn<QString>("wide");
        QTest::newRow("GB2312") << 134 << QByteArray("\xB0\xA1") << QStringLiteral("啊");
        QTest::newRow("Big5") << 136 << QByteArray("\xB0\xA1") << QStringLiteral("陛");
        QTest::newRow("ANSI") << 0 << QByteArray("\xB0\xA1") << QStringLiteral("°¡");
    }
    void characterSets() {
        QFETCH(int, charSet);
        QFETCH(QByteArray, narrow);
        QFETCH(QString, wide);
        if (!QFontDatabase::families(QFontDatabase::SimplifiedChinese).size())
            QSKIP("no Chinese font installed to tell the characters apart");
        const QByteArray utf16(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2);
        const EmfResult a =
            RenderEmf(Emf().font(charSet).text(false, 10, 10, narrow, narrow.size()).bytes());
        const EmfResult w =
            RenderEmf(Emf().font(charSet).text(true, 10, 10, utf16, int(wide.size())).bytes());
        QVERIFY(!a.image.isNull() && !w.image.isNull());
        QCOMPARE(a.image, w.image);
        QVERIFY(a.image != RenderEmf(Emf().bytes()).image);  // ink drawn
    }

    // An error, never a crash or a partial picture. The fuzz replays cover damage widely.
    void brokenFiles_data() {
        QTest::addColumn<QByteArray>("emf");
        const QByteArray good = Emf().solid(kRed).rec(RECTANGLE, {20, 20, 80, 80}).bytes();
        auto patched = [](QByteArray b, int at, qint32 v) {
            qToLittleEndian(v, b.data() + at);
            return b;
        };
        // clang-format off
        QTest::newRow("text file") << QByteArray("Not a picture at all, only some words of text.\n").repeated(3);
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("header size past the end") << patched(good, 4, 1 << 20);
        QTest::newRow("record size below eight") << patched(good, 108 + 4, 4);
        QTest::newRow("record size past the end") << patched(good, 108 + 4, 1 << 24);
        QTest::newRow("absurd frame") << patched(good, 32, 2000000000);
        QTest::newRow("bitmap rows without their padding") << Emf().rec(STRETCHDIBITS, bitmap(18)).bytes();
        QTest::newRow("polygon claims millions of points") << Emf().rec(POLYGON, {0, 0, 0, 0, 100000000, 1, 1}).bytes();
        // clang-format on
    }
    void brokenFiles() {
        QFETCH(QByteArray, emf);
        const EmfResult r = RenderEmf(emf);
        QVERIFY(r.image.isNull() && !r.error.isEmpty());
    }

    // Records that once took minutes: refused at once as too complex, or drawn quickly.
    void hostileFiles_data() {
        QTest::addColumn<QByteArray>("emf");
        QTest::addColumn<int>("problem");
        const int complex = EmfResult::TooComplex;
        const QSize large(1000, 1000);
        // clang-format off
        // Gradients between vertices at corners of the picture, each shape over all of it.
        auto gradient = [&](int mode, int shapes) {
            return Emf(large).rec(GRADIENTFILL, words({0, 0, 1000, 1000, 3, shapes, mode, 0, 0, 0xFF00, 0, 1000, 1000, 0, 0xFF00,
                    0, 1000, qint32(0xFF000000), 0}) + (mode == 2 ? words({0, 1, 2}) : words({0, 1})).repeated(shapes)).bytes();
        };
        // A JPEG drawn by StretchDIBits: the record's fields, BITMAPINFOHEADER (BI_JPEG), the file.
        const QByteArray jpeg = test::Jpeg(5600, 5600, 1000);
        const qint32 bytes = qint32(jpeg.size());
        const QByteArray bitmap = words({0, 0, 100, 100, 0, 0, 0, 0, 5600, 5600, 80, 40, 120, bytes, 0, 0xCC0020, 100, 100,
                                         40, 5600, 5600, 1, 4, bytes, 0, 0, 0, 0}) + jpeg;
        QByteArray overlapping = words({32 + 90000 * 16, 1, 32, 1, 90000, 90000 * 16, 0, 0, 1000, 1000}), zigzag;
        for (int i = 0; i < 90000; ++i) overlapping += words({i % 500, i * 7 % 500, i % 500 + 500, i * 7 % 500 + 500});
        for (int i = 0; i < 3000; ++i) zigzag += words({i / 3, i % 2 ? 999 : 0});
        QTest::newRow("30000 gradient rectangles") << gradient(0, 30000) << complex;
        QTest::newRow("20000 gradient triangles") << gradient(2, 20000) << complex;
        QTest::newRow("JPEG bitmap of 1000 scans") << Emf().rec(STRETCHDIBITS, bitmap).bytes() << complex;
        QTest::newRow("region of 90000 overlapping rectangles")
            << Emf(large).rec(EXTSELECTCLIPRGN, overlapping).rec(RECTANGLE, {0, 0, 1000, 1000}).bytes() << int(EmfResult::None);
        QTest::newRow("polygon of 3000 edges across")
            << Emf(large).rec(POLYPOLYGON, words({0, 0, 1000, 1000, 1, 3000, 3000}) + zigzag).bytes() << complex;
        // clang-format on
    }
    void hostileFiles() {
        QFETCH(QByteArray, emf);
        QFETCH(int, problem);
        QElapsedTimer clock;
        clock.start();
        const EmfResult r = RenderEmf(emf);
        QCOMPARE(int(r.problem), problem);
        QCOMPARE(r.image.isNull(), problem != EmfResult::None);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }

    // Inkscape's exports against its own PNG rendering of the SVG beside them.
    void exportedFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("tolerance");  // share of pixels allowed to differ
        QTest::newRow("shapes") << "shapes" << 0.03;
        QTest::newRow("transformed") << "transformed" << 0.03;
        QTest::newRow("raster") << "raster" << 0.03;
        QTest::newRow("text") << "text" << 0.06;
    }
    void exportedFiles() {
        QFETCH(QString, name);
        QFETCH(double, tolerance);
        QFile file(QStringLiteral(EMF_TEST_DATA "/%1.emf").arg(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        const EmfResult r = RenderEmf(data);
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        const QImage ref = QImage(QStringLiteral(EMF_TEST_DATA "/%1.png").arg(name))
                               .convertToFormat(QImage::Format_RGB32);
        // The exporters frame the drawing a little beyond the page; the origin is shared.
        QVERIFY(r.image.width() >= ref.width() && r.image.width() <= ref.width() + 2);
        QVERIFY(r.image.height() >= ref.height() && r.image.height() <= ref.height() + 2);
        int differ = 0;
        for (int y = 0; y < ref.height(); ++y)
            for (int x = 0; x < ref.width(); ++x) {
                const QRgb a = r.image.pixel(x, y), b = ref.pixel(x, y);
                differ += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b)) >
                          96;
            }
        const double share = double(differ) / (ref.width() * ref.height());
        QVERIFY2(share <= tolerance, qPrintable(QString::number(share)));
    }

    // LibreOffice Draw's 80 x 50 mm page, shapes placed in millimetres, through the loader.
    void libreOfficeFile() {
        const QString path = QStringLiteral(EMF_TEST_DATA "/libreoffice.emf");
        const QImage img = LoadPicture(path);
        QCOMPARE(img.size(), QSize(302, 189));  // 80 x 50 mm at 96 pixels an inch
        QCOMPARE(PictureFile::Open(path).decode(QSize(151, 94)).size(), QSize(151, 94));
        const auto px = [](double mm) { return int(mm * 96 / 25.4); };
        const auto at = [&](double x, double y) { return img.pixel(px(x), px(y)) | 0xFF000000; };
        const struct {
            double x, y;
            QRgb rgb;
        } shapes[] = {
            // clang-format off
            {14, 10, 0xFFE00000}, {5.5, 10, 0xFFE00000}, {4, 10, kBlack}, {2, 10, kWhite},  // red rectangle 4..24 x 4..16, black border
            {38, 11, 0xFF2040FF}, {31, 4, kWhite},  // circle 30..46 x 3..19
            {56, 24, kRed}, {64, 24, 0xFF00A000}, {56, 32, kBlue}, {64, 32, 0xFFFFDC00},  // bitmap 52..68 x 20..36
            // 12 x 8 mm rectangle turned 30 degrees counter-clockwise about its corner at (34, 26)
            {41.2, 26.5, 0xFFE00000}, {46.5, 26.5, 0xFFE00000}, {45, 33.5, kWhite}};
        // clang-format on
        for (const auto& s : shapes) QCOMPARE(at(s.x, s.y), s.rgb);
        const QRgb ring = at(30, 11);  // the circle's 1 mm green border
        QVERIFY(qGreen(ring) > 120 && qRed(ring) < 80 && qBlue(ring) < 100);
    }
};

QTEST_MAIN(TestEmf)
#include "test_emf.moc"
