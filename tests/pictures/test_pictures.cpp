// SPDX-License-Identifier: GPL-3.0-or-later
// Picture files: metafiles and bitmaps made byte by byte from their published layouts, files
// exported by Debian programs, and the loader's refusals with the message a person reads.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <bit>

#include "../support/testpictures.h"
#include "pictures/emf.h"
#include "pictures/picture.h"

using namespace orlenda;
using namespace orlenda::test;

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
    ELLIPSE = 42, RECTANGLE, ARC = 45, PIE = 47, SETARCDIRECTION = 57, GDICOMMENT = 70, EXTSELECTCLIPRGN = 75,
    STRETCHDIBITS = 81, CREATEFONT, TEXTOUTA, TEXTOUTW, EXTCREATEPEN = 95, GRADIENTFILL = 118,
};
// clang-format on
constexpr qint32 kStock = qint32(0x80000000);

// A reference device of one pixel per image pixel: default logical units are image pixels.
class Emf {
  public:
    explicit Emf(QSize px = QSize(100, 100)) : px_(px) {}
    QSize size() const { return px_; }

    Emf& rec(qint32 type, QByteArray p) {
        while (p.size() % 4) p.append('\0');
        body_ += words({type, 8 + qint32(p.size())}) + p;
        ++records_;
        return *this;
    }
    Emf& rec(qint32 type, std::initializer_list<qint32> w) { return rec(type, words(w)); }
    Emf& select(qint32 handle) { return rec(SELECTOBJECT, {handle}); }
    // A solid brush and no outline.
    Emf& solid(QRgb c) {
        return rec(CREATEBRUSHINDIRECT, {1, 0, cref(c), 0}).select(1).select(kStock | 8);
    }
    // A font of em 20 pixels in a character set, then text at (x, y) with its advances.
    Emf& font(int charSet) {
        return rec(CREATEFONT, words({3, -20, 0, 0, 0, 400, charSet << 24, 0}) + QByteArray(64, 0))
            .select(3);
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
constexpr int kLoads = -1;

// A hostile file kept for the fuzz target's replay.
QByteArray Kept(const char* name) {
    return ReadFile(QStringLiteral(PICTURE_REGRESSIONS "/") + name);
}

}  // namespace

Q_DECLARE_METATYPE(Checks)

class TestPictures : public QObject {
    Q_OBJECT

  private slots:
    // The narrow text B0 A1 in the font's character set draws as the same characters given
    // wide (published code tables: 啊 is B0A1 in GB2312, B0A1 in Big5 is 陛).
    void characterSets_data() {
        QTest::addColumn<int>("charSet");
        QTest::addColumn<QString>("wide");
        QTest::newRow("GB2312") << 134 << QStringLiteral("啊");
        QTest::newRow("Big5") << 136 << QStringLiteral("陛");
        QTest::newRow("ANSI") << 0 << QStringLiteral("°¡");
    }
    void characterSets() {
        QFETCH(int, charSet);
        QFETCH(QString, wide);
        const QByteArray narrow("\xB0\xA1");
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

    // Inkscape's shapes (outlines stroked as paths) against its PNG of the SVG, through the loader:
    // 3 % of the pixels may differ. Its text, transforms and raster are golden documents' pictures.
    void exportedShapes() {
        const QImage image = LoadPicture(QStringLiteral(EMF_TEST_DATA "/shapes.emf"));
        const QImage ref = QImage(QStringLiteral(EMF_TEST_DATA "/shapes.png"))
                               .convertToFormat(QImage::Format_RGB32);
        // The exporters frame the drawing a little beyond the page; the origin is shared.
        QVERIFY(image.width() >= ref.width() && image.width() <= ref.width() + 2);
        QVERIFY(image.height() >= ref.height() && image.height() <= ref.height() + 2);
        int differ = 0;
        for (int y = 0; y < ref.height(); ++y)
            for (int x = 0; x < ref.width(); ++x) {
                const QRgb a = image.pixel(x, y), b = ref.pixel(x, y);
                differ += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b)) >
                          96;
            }
        const double share = double(differ) / (ref.width() * ref.height());
        QVERIFY2(share <= 0.03, qPrintable(QString::number(share)));
    }

    // LibreOffice Draw's 80 x 50 mm page, shapes placed in millimetres, through the loader.
    void libreOfficeFile() {
        const QString path = QStringLiteral(EMF_TEST_DATA "/libreoffice.emf");
        const QImage img = LoadPicture(path);
        QCOMPARE(img.size(), QSize(302, 189));  // 80 x 50 mm at 96 pixels an inch
        QCOMPARE(PictureFile::Open(path).decode(QSize(151, 94)).size(), QSize(151, 94));
        const auto px = [](double mm) { return int(mm * 96 / 25.4); };
        const auto at = [&](double x, double y) { return img.pixel(px(x), px(y)) | 0xFF000000; };
        // clang-format off
        const QList<std::tuple<double, double, QRgb>> shapes{
            {14, 10, 0xFFE00000}, {5.5, 10, 0xFFE00000}, {4, 10, kBlack}, {2, 10, kWhite},  // red rectangle 4..24 x 4..16, black border
            {38, 11, 0xFF2040FF}, {31, 4, kWhite},  // circle 30..46 x 3..19
            {56, 24, kRed}, {64, 24, 0xFF00A000}, {56, 32, kBlue}, {64, 32, 0xFFFFDC00},  // bitmap 52..68 x 20..36
            // 12 x 8 mm rectangle turned 30 degrees counter-clockwise about its corner at (34, 26)
            {41.2, 26.5, 0xFFE00000}, {46.5, 26.5, 0xFFE00000}, {45, 33.5, kWhite}};
        // clang-format on
        for (auto [x, y, rgb] : shapes) QCOMPARE(at(x, y), rgb);
    }
    // Each file under three names, as a picture is known by its content: loaded at its size
    // with its pixels, or refused within seconds with the message a person reads.
    void files_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");  // of the refusal, or kLoads
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Checks>("checks");
        auto row = [](const char* name, const QByteArray& b, int kind, QSize size = {},
                      const Checks& c = {}) { QTest::newRow(name) << b << kind << size << c; };
        const int large = PictureError::TooLarge, complex = PictureError::TooComplex,
                  unreadable = PictureError::Unreadable;
        // Metafiles of 100 x 100 pixels (but where said), on white, at pixels whose colour
        // follows from the geometry.
        auto drawn = [&](const char* name, const Emf& e, const Checks& c) {
            row(name, e.bytes(), kLoads, e.size(), c);
        };
        // Two squares one inside the other: a hole when alternating, filled when winding.
        const QByteArray nested = words({0,  0,  0,  0,  2,  8,  4,  4,  10, 10, 90, 10,
                                         90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70});
        // Counter-clockwise from the radial through (90,50) (east) to the one through (50,10)
        // (north): the upper right quarter of the circle.
        const std::initializer_list<qint32> quarter{10, 10, 90, 90, 90, 50, 50, 10};
        const Emf red = Emf().solid(kRed),
                  blue = Emf().rec(CREATEPEN, {2, 0, 10, 0, cref(kBlue)}).select(2);
        // clang-format off
        drawn("ellipse", Emf(red).rec(ELLIPSE, {10, 10, 90, 90}), {{50, 50, kRed}, {50, 14, kRed}, {14, 14, kWhite}});
        drawn("poly-polygon alternate", Emf(red).rec(POLYPOLYGON, nested), {{20, 50, kRed}, {50, 50, kWhite}});
        drawn("poly-polygon winding", Emf(red).rec(SETPOLYFILLMODE, {2}).rec(POLYPOLYGON, nested), {{20, 50, kRed}, {50, 50, kRed}});
        drawn("pie", Emf(red).rec(PIE, quarter), {{65, 35, kRed}, {35, 35, kWhite}, {65, 65, kWhite}, {35, 65, kWhite}});
        drawn("arc clockwise", Emf(blue).rec(SETARCDIRECTION, {2}).rec(ARC, quarter), {{78, 22, kWhite}, {22, 78, kBlue}, {22, 22, kBlue}});

        // Half an inch in hundredths of a millimetre, y upwards, is 48 pixels.
        drawn("himetric", Emf(red).rec(SETMAPMODE, {3}).rec(RECTANGLE, {0, 0, 1270, -1270}), {{44, 44, kRed}, {52, 20, kWhite}, {20, 52, kWhite}});
        // Window 100 x 100 onto viewport 200 x 50.
        drawn("isotropic keeps the aspect", Emf(QSize(200, 100)).solid(kRed).rec(SETMAPMODE, {7}).rec(SETWINDOWEXTEX, {100, 100})
                .rec(SETVIEWPORTEXTEX, {200, 50}).rec(RECTANGLE, {0, 0, 50, 100}), {{20, 40, kRed}, {30, 20, kWhite}, {20, 60, kWhite}});
        // Window 100 x 100 scaled by 1/2 across onto a 100 x 100 viewport: x doubles.
        drawn("window extent scaled", Emf(red).rec(SETMAPMODE, {8}).rec(SETWINDOWEXTEX, {100, 100}).rec(SETVIEWPORTEXTEX, {100, 100})
                .rec(SCALEWINDOWEXTEX, {1, 2, 1, 1}).rec(RECTANGLE, {0, 0, 25, 50}), {{40, 20, kRed}, {60, 20, kWhite}, {40, 60, kWhite}});
        // Scale by 2, then a translation of 10 applied after it (not before).
        drawn("world transform right multiply", Emf(red).rec(SETWORLDTRANSFORM, {fl(2), 0, 0, fl(2), 0, 0})
                .rec(MODIFYWORLDTRANSFORM, {fl(1), 0, 0, fl(1), fl(10), 0, 3}).rec(RECTANGLE, {0, 0, 10, 10}), {{15, 10, kRed}, {35, 10, kWhite}});
        // The first saved state by its number.
        drawn("clip restored", Emf(red).rec(SAVEDC, {}).rec(INTERSECTCLIPRECT, {0, 0, 20, 20}).rec(RESTOREDC, {1})
                .rec(RECTANGLE, {10, 10, 90, 90}), {{70, 70, kRed}});

        // Overlapping rectangles of a region make their union, whatever the filling mode.
        drawn("clip region overlapping", Emf(red).rec(EXTSELECTCLIPRGN, words({64, 5, 32, 1, 2, 32, 0, 0, 70, 70, 0, 0, 50, 50, 20, 20, 70, 70}))
                .rec(RECTANGLE, {10, 10, 90, 90}), {{30, 30, kRed}, {60, 60, kRed}, {60, 10, kWhite}, {80, 80, kWhite}});
        // The header's table has 16 handles: a brush made as handle 16 is void, one as 15 is kept.
        drawn("handles past the table", Emf(red).rec(CREATEBRUSHINDIRECT, {16, 0, cref(kBlue), 0}).rec(SELECTOBJECT, {16})
                .rec(RECTANGLE, {0, 0, 50, 100}).rec(CREATEBRUSHINDIRECT, {15, 0, cref(kBlue), 0}).rec(SELECTOBJECT, {15})
                .rec(RECTANGLE, {50, 0, 100, 100}), {{25, 50, kRed}, {75, 50, kBlue}});

        // On a blue ground, a rectangle 20..80 of stock objects (index | 0x80000000: brushes white,
        // light grey C0, grey 80, dark grey 40, black, none; pens white, black, none) or made ones
        // (brush style 1 and pen style 5: none; pen style 1: dashes 18 on, 6 off, the gaps in the
        // opaque background, white; a geometric pen of brush style 1 draws nothing).
        const Emf ground = Emf().solid(kBlue).rec(RECTANGLE, {0, 0, 100, 100});
        const std::initializer_list<qint32> box{20, 20, 80, 80};
        drawn("stock white brush, black pen", Emf(ground).select(kStock | 0).select(kStock | 7).rec(RECTANGLE, box), {{50, 50, kWhite}, {20, 50, kBlack}, {50, 20, kBlack}, {10, 50, kBlue}});
        drawn("stock black brush, white pen", Emf(ground).select(kStock | 4).select(kStock | 6).rec(RECTANGLE, box), {{50, 50, kBlack}, {20, 50, kWhite}});
        drawn("stock null brush, null pen", Emf(ground).select(kStock | 5).select(kStock | 8).rec(RECTANGLE, box), {{50, 50, kBlue}, {20, 50, kBlue}});
        drawn("stock greys", Emf(ground).select(kStock | 1).rec(RECTANGLE, {0, 0, 30, 30}).select(kStock | 2).rec(RECTANGLE, {30, 0, 60, 30})
                .select(kStock | 3).rec(RECTANGLE, {60, 0, 90, 30}), {{15, 15, 0xFFC0C0C0}, {45, 15, 0xFF808080}, {75, 15, 0xFF404040}});
        drawn("hollow brush, red pen", Emf(ground).rec(CREATEBRUSHINDIRECT, {1, 1, cref(kWhite), 0}).select(1)
                .rec(CREATEPEN, {2, 0, 0, 0, cref(kRed)}).select(2).rec(RECTANGLE, box), {{50, 50, kBlue}, {20, 50, kRed}});
        drawn("null pen made", Emf(ground).select(kStock | 0).rec(CREATEPEN, {2, 5, 1, 0, cref(kRed)}).select(2).rec(RECTANGLE, box),
            {{50, 50, kWhite}, {20, 50, kWhite}, {19, 50, kBlue}});
        drawn("geometric pen of no brush", Emf(ground).select(kStock | 0).rec(EXTCREATEPEN, {2, 0, 0, 0, 0, 0x10000, 5, 1, cref(kRed), 0, 0})
                .select(2).rec(RECTANGLE, box), {{50, 50, kWhite}, {20, 50, kWhite}, {19, 50, kBlue}});
        drawn("dashed pen", Emf(ground).select(kStock | 5).rec(CREATEPEN, {2, 1, 0, 0, cref(kRed)}).select(2).rec(RECTANGLE, box),
            {{29, 20, kRed}, {41, 20, kWhite}, {50, 50, kBlue}});

        // Two blanks 20 + 20 wide at (50, 50), on their cell painted blue (the background mode
        // is opaque unless set): left, centre, right of the point; top, baseline, bottom on it.
        auto aligned = [](int align, int mode = 2) {
            return Emf().font(0).rec(SETBKCOLOR, {cref(kBlue)}).rec(SETBKMODE, {mode}).rec(SETTEXTALIGN, {align})
                .text(true, 50, 50, "\x20\0\x20\0", 2, {20, 20});
        };
        drawn("text left, top", aligned(0), {{52, 52, kBlue}, {88, 52, kBlue}, {48, 52, kWhite}, {92, 52, kWhite}, {52, 48, kWhite}});
        drawn("text centre", aligned(6), {{32, 52, kBlue}, {68, 52, kBlue}, {28, 52, kWhite}, {72, 52, kWhite}});
        drawn("text right", aligned(2), {{12, 52, kBlue}, {48, 52, kBlue}, {8, 52, kWhite}, {52, 52, kWhite}});
        drawn("text centre, baseline", aligned(6 | 24), {{50, 38, kBlue}, {50, 48, kBlue}, {50, 51, kBlue}});
        drawn("text centre, bottom", aligned(6 | 8), {{50, 38, kBlue}, {50, 48, kBlue}, {50, 52, kWhite}});
        drawn("text transparent", aligned(6, 1), {{32, 52, kWhite}, {50, 52, kWhite}, {68, 52, kWhite}});

        // A 3 x 2 bitmap of 24 bits, bottom row first, each row padded to 12 bytes, drawn 20
        // times as large: red, green, blue under white, black, red.
        drawn("bitmap rows padded", Emf().rec(STRETCHDIBITS, bitmap(24)),
            {{10, 10, kWhite}, {30, 10, kBlack}, {50, 10, kRed}, {10, 30, kRed}, {30, 30, 0xFF00FF00}, {50, 30, kBlue}});

        const QByteArray photo = Encoded(Quadrants(640, 480), "JPEG");
        row("zero bytes", QByteArray(), unreadable);
        row("JPEG cut in its pixels", photo.left((photo.indexOf("\xFF\xDA") + photo.size()) / 2), unreadable);
        row("JPEG of 201 scans", Jpeg(64, 48, 201), complex);
        row("JPEG of 200 scans", Jpeg(64, 48, 200), kLoads, {64, 48});
        row("JPEG in scans needing 384 MiB", Jpeg(8192, 8192, 1, true, false), large);
        row("PNG of 100000 x 100000", Kept("png-100000x100000.png"), large);
        row("PNG of 16-bit channels past 256 MiB", Kept("png-16bit-6000x6000.png"), large);
        row("GIF made by hand", QuadrantsGif(), kLoads, {2, 2}, {{0, 0, kRed}, {1, 0, 0xFF00FF00}, {0, 1, kBlue}, {1, 1, kWhite}});
        // Its pixels are whole in 40 bytes; a viewer does without the trailer, not the block's end.
        row("GIF cut before its block's end", QuadrantsGif().left(40), unreadable);
        row("GIF without its trailer", QuadrantsGif().left(41), kLoads, {2, 2});
        row("GIF screen of 65535 x 65535", Kept("gif-screen-65535x65535.gif"), large);
        row("GIF of 100000 frames", Gif(100, 80, 100000), kLoads, {100, 80});
        row("GIF screen far wider than its frame", Kept("gif-screen-wider-than-frame.gif"), kLoads, {2500, 10});
        row("TIFF of 100000 x 100000", Kept("tiff-100000x100000.tif"), large);
        row("TIFF of floating-point pixels past 256 MiB", Kept("tiff-float-4500x4500.tif"), large);
        row("WebP of 16384 x 16384", Kept("webp-16384x16384.webp"), large);
        row("icon of a PNG of 100000 x 100000", Kept("ico-png-100000x100000.ico"), large);
        // A 16 x 16 icon's bitmap declares twice its height: colours (top half red), then its mask.
        row("icon of a 32-bit bitmap", Icon(Bitmap(16, 32, 32, QList<quint32>(256, 0) + QList<quint32>(128, 0xFFFF0000) + QList<quint32>(128, 0xFF0000FF)).mid(14)),
            kLoads, {16, 16}, {{8, 2, kRed}, {8, 13, kBlue}});
        row("icon of a PNG larger than listed", Icon(Encoded(Quadrants(40, 30), "PNG")), kLoads, {40, 30});
        row("XPM, not a format read", "/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #FF0000\", \"a\"};\n", unreadable);

        // 8192 x 8192 at four bytes a pixel is the bound itself: refused only as cut off.
        row("bitmap header of 8192 x 8192", Bitmap(8192, 8192, 24), unreadable);
        row("bitmap header of 8193 x 8192", Bitmap(8193, 8192, 24), large);
        // 3 x 2 bitmaps, rows padded to four bytes (but at 32 bits); one byte short is cut.
        const QList<quint32> colours{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x806040};
        const Checks shown{{0, 0, kRed}, {1, 0, 0xFF00FF00}, {2, 0, kBlue}, {0, 1, kWhite}, {1, 1, kBlack}, {2, 1, 0xFF806040}};
        auto bitmaps = [&](const char* name, int height, int bits, const QList<quint32>& pixels, const QList<quint32>& palette, const Checks& c) {
            const QByteArray b = Bitmap(3, height, bits, pixels, palette);
            row(name, b, kLoads, {3, 2}, c);
            QTest::addRow("%s, one byte short", name) << b.chopped(1) << unreadable << QSize() << Checks{};
        };
        bitmaps("bitmap of 1 bit", 2, 1, {1, 0, 0, 0, 1, 1}, {0x0000FF, 0xFF0000}, {{0, 0, kRed}, {1, 0, kBlue}, {2, 0, kBlue}, {0, 1, kBlue}, {2, 1, kRed}});
        bitmaps("bitmap of 4 bits", 2, 4, {0, 1, 2, 3, 4, 5}, colours, shown);
        bitmaps("bitmap of 8 bits, top row first", -2, 8, {0, 1, 2, 3, 4, 5}, colours, shown);
        bitmaps("bitmap of 24 bits", 2, 24, colours, {}, shown);
        bitmaps("bitmap of 32 bits", 2, 32, colours, {}, shown);

        const QByteArray good = Emf().solid(kRed).rec(RECTANGLE, {20, 20, 80, 80}).bytes();
        auto patched = [](QByteArray b, int at, qint32 v) { qToLittleEndian(v, b.data() + at); return b; };
        row("metafile", good, kLoads, {100, 100}, {{50, 50, kRed}, {10, 10, kWhite}});
        row("metafile cut in half", good.left(good.size() / 2), unreadable);
        row("metafile header size past the end", patched(good, 4, 1 << 20), unreadable);
        row("metafile record size below eight", patched(good, 108 + 4, 4), unreadable);
        row("metafile record size past the end", patched(good, 108 + 4, 1 << 24), unreadable);
        // A comment of 10 bytes, then a rectangle of 26: a whole chain, but for the sizes.
        row("metafile record size not a multiple of four", patched(Emf().rec(GDICOMMENT, QByteArray(2, 0) + words({RECTANGLE, 26, 20, 20, 80, 80})).bytes(), 108 + 4, 10), unreadable);
        row("metafile bitmap rows without their padding", Emf().rec(STRETCHDIBITS, bitmap(18)).bytes(), unreadable);
        row("metafile polygon of millions of points", Emf().rec(POLYGON, {0, 0, 0, 0, 100000000, 1, 1}).bytes(), unreadable);
        row("metafile frame of 2000000000", patched(good, 32, 2000000000), large);
        row("metafile of 12000 x 12000, sides within 20000", Emf(QSize(12000, 12000)).bytes(), large);

        // Records that once took minutes. Gradients between vertices at corners of the picture,
        // each shape over all of it.
        const QSize wide(1000, 1000);
        auto gradient = [&](int mode, int shapes) {
            return Emf(wide).rec(GRADIENTFILL, words({0, 0, 1000, 1000, 3, shapes, mode, 0, 0, 0xFF00, 0, 1000, 1000, 0, 0xFF00,
                    0, 1000, qint32(0xFF000000), 0}) + (mode == 2 ? words({0, 1, 2}) : words({0, 1})).repeated(shapes)).bytes();
        };
        QByteArray overlapping = words({32 + 90000 * 16, 1, 32, 1, 90000, 90000 * 16, 0, 0, 1000, 1000}), zigzag;
        for (int i = 0; i < 90000; ++i) overlapping += words({i % 500, i * 7 % 500, i % 500 + 500, i * 7 % 500 + 500});
        for (int i = 0; i < 3000; ++i) zigzag += words({i / 3, i % 2 ? 999 : 0});
        row("metafile of 30000 gradient rectangles", gradient(0, 30000), complex);
        row("metafile of 20000 gradient triangles", gradient(2, 20000), complex);
        row("metafile of a JPEG bitmap of 1000 scans", Kept("../emf/jpeg-bitmap-1000-scans.emf"), complex);
        row("metafile clipped by 90000 overlapping rectangles", Emf(wide).solid(kRed).rec(EXTSELECTCLIPRGN, overlapping)
                .rec(RECTANGLE, {0, 0, 1000, 1000}).bytes(), kLoads, wide, {{250, 250, kRed}, {2, 998, kWhite}});
        row("metafile polygon of 3000 edges across", Emf(wide).rec(POLYPOLYGON, words({0, 0, 1000, 1000, 1, 3000, 3000}) + zigzag).bytes(), complex);
        // clang-format on
    }
    void files() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(QSize, size);
        QFETCH(Checks, checks);
        const QString says[] = {QStringLiteral("无法读取图形文件："),
                                QStringLiteral("图形文件太大，无法载入："),
                                {},
                                QStringLiteral("图形文件太复杂，无法载入：")};
        QTemporaryDir folder;
        for (const char* name : {"picture.jpg", "picture.emf", "picture"}) {
            const QString path = folder.filePath(name);
            QVERIFY(WriteFile(path, bytes));
            QElapsedTimer clock;
            clock.start();
            try {
                const PictureFile picture = PictureFile::Open(path);
                QCOMPARE(picture.pixelSize(), size);
                const QImage image = picture.decode();
                QCOMPARE(image.size(), size);
                for (auto [x, y, want] : checks) QCOMPARE(QColor(image.pixel(x, y)), QColor(want));
                QCOMPARE(kind, kLoads);
            } catch (const PictureError& e) {
                QCOMPARE(int(e.kind()), kind);
                QCOMPARE(e.message(), says[kind] + QDir::toNativeSeparators(path));
            }
            QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        }
    }

    // A phone's JPEG stored turned comes out upright, whole and decoded to a preview's size.
    void upright_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QTransform>("stored");  // the upright picture turned to be stored
        QTest::newRow("3: half a turn") << 3 << QTransform().rotate(180);
        QTest::newRow("6: a quarter turn clockwise") << 6 << QTransform().rotate(-90);
        QTest::newRow("8: a quarter turn back") << 8 << QTransform().rotate(90);
        QTest::newRow("5: mirrored across the diagonal") << 5 << QTransform(0, 1, 1, 0, 0, 0);
    }
    void upright() {
        QFETCH(int, orientation);
        QFETCH(QTransform, stored);
        QTemporaryDir folder;
        const QString path = folder.filePath("phone.JPG");
        QVERIFY(WriteFile(path, PhoneJpeg(Quadrants(32, 64).transformed(stored), orientation)));
        const PictureFile picture = PictureFile::Open(path);
        QCOMPARE(picture.pixelSize(), QSize(32, 64));
        for (const QSize want : {QSize(32, 64), QSize(16, 32)}) {
            const QImage image = picture.decode(want);
            QCOMPARE(image.size(), want);
            QVERIFY(ShowsQuadrants(image, 40));
        }
    }
};

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
