// The metafile reader against metafiles written here record by record, files exported by
// Debian programs, and damaged files.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <QtTest>
#include <climits>
#include <cstring>

#include "pictures/emf.h"
#include "pictures/picture.h"

using orlenda::IsEmf;
using orlenda::RenderEmf;

namespace {

// COLORREF byte order: red, green, blue, zero.
qint32 cref(QRgb c) { return qRed(c) | qGreen(c) << 8 | qBlue(c) << 16; }
qint32 fl(float f) {
    qint32 v;
    std::memcpy(&v, &f, 4);
    return v;
}
void put32(QByteArray& b, qint32 v) {
    char d[4];
    qToLittleEndian(v, d);
    b.append(d, 4);
}
void put16(QByteArray& b, qint16 v) {
    char d[2];
    qToLittleEndian(v, d);
    b.append(d, 2);
}
QByteArray words(std::initializer_list<qint32> list) {
    QByteArray b;
    for (qint32 w : list) put32(b, w);
    return b;
}

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000, kYellow = 0xFFFFFF00;

// Record types.
// clang-format off
enum : qint32 {
    HEADER = 1, POLYBEZIER, POLYGON, POLYLINE, POLYBEZIERTO, POLYLINETO, POLYPOLYGON = 8,
    SETWINDOWEXTEX, SETWINDOWORGEX, SETVIEWPORTEXTEX, SETVIEWPORTORGEX, SETMAPMODE = 17, SETBKMODE,
    SETPOLYFILLMODE, SETTEXTALIGN = 22, SETTEXTCOLOR = 24, SETBKCOLOR, MOVETOEX = 27,
    EXCLUDECLIPRECT = 29, INTERSECTCLIPRECT, SAVEDC = 33, RESTOREDC, SETWORLDTRANSFORM,
    MODIFYWORLDTRANSFORM, SELECTOBJECT, CREATEPEN, CREATEBRUSHINDIRECT, DELETEOBJECT, ANGLEARC,
    ELLIPSE, RECTANGLE, ROUNDRECT, ARC, CHORD, PIE, LINETO = 54, ARCTO, SETARCDIRECTION = 57,
    BEGINPATH = 59, ENDPATH, CLOSEFIGURE, FILLPATH, STROKEANDFILLPATH, STROKEPATH,
    SELECTCLIPPATH = 67, GDICOMMENT = 70, EXTSELECTCLIPRGN = 75, BITBLT, STRETCHBLT,
    SETDIBITSTODEVICE = 80, STRETCHDIBITS, EXTCREATEFONTINDIRECTW, EXTTEXTOUTW = 84, POLYBEZIER16,
    POLYGON16, POLYLINE16, POLYBEZIERTO16, POLYLINETO16, POLYPOLYGON16 = 91, CREATEMONOBRUSH = 93,
    CREATEDIBPATTERNBRUSHPT, EXTCREATEPEN,
};
// clang-format on
constexpr qint32 kStock = qint32(0x80000000);
constexpr qint32 kSrcCopy = 0x00CC0020;

// Writes a metafile whose reference device has one pixel per image pixel (96 an inch), so
// logical units of the default mapping are image pixels.
class Emf {
  public:
    explicit Emf(QSize px = QSize(100, 100)) : size_(px) {}

    Emf& rec(qint32 type, const QByteArray& payload) {
        QByteArray p = payload;
        while (p.size() % 4) p.append('\0');
        put32(body_, type);
        put32(body_, 8 + qint32(p.size()));
        body_ += p;
        ++records_;
        return *this;
    }
    Emf& rec(qint32 type, std::initializer_list<qint32> w) { return rec(type, words(w)); }

    Emf& pen(qint32 ih, qint32 style, qint32 width, QRgb c) {
        return rec(CREATEPEN, {ih, style, width, 0, cref(c)}).rec(SELECTOBJECT, {ih});
    }
    Emf& brush(qint32 ih, qint32 style, QRgb c, qint32 hatch = 0) {
        return rec(CREATEBRUSHINDIRECT, {ih, style, cref(c), hatch}).rec(SELECTOBJECT, {ih});
    }
    Emf& solid(QRgb c) { return brush(1, 0, c).rec(SELECTOBJECT, {kStock | 8}); }  // no outline
    Emf& points(qint32 type, const QList<QPoint>& pts, bool small = false) {
        QByteArray p = words({0, 0, 0, 0, qint32(pts.size())});
        for (QPoint q : pts) {
            if (small) {
                put16(p, qint16(q.x()));
                put16(p, qint16(q.y()));
            } else {
                put32(p, q.x());
                put32(p, q.y());
            }
        }
        return rec(type, p);
    }
    Emf& font(qint32 ih, qint32 height, const QString& face, qint32 escapement = 0) {
        QByteArray p = words({ih, height, 0, escapement, escapement, 400});
        p += QByteArray(8, '\0');  // italic ... pitch and family
        QByteArray name(64, '\0');
        for (int i = 0; i < face.size() && i < 31; ++i)
            qToLittleEndian(face[i].unicode(), name.data() + 2 * i);
        rec(EXTCREATEFONTINDIRECTW, p + name);
        return rec(SELECTOBJECT, {ih});
    }
    Emf& text(QPoint at, const QString& s, qint32 options = 0, QRect clip = QRect(),
              const QList<qint32>& dx = {}) {
        const qint32 offString = 76, offDx = dx.isEmpty() ? 0 : 76 + 4 * ((s.size() * 2 + 3) / 4);
        QByteArray p =
            words({0, 0, 0, 0, 1, fl(0), fl(0), at.x(), at.y(), qint32(s.size()), offString,
                   options, clip.left(), clip.top(), clip.right() + 1, clip.bottom() + 1, offDx});
        for (QChar c : s) put16(p, qint16(c.unicode()));
        while (p.size() % 4) p.append('\0');
        for (qint32 d : dx) put32(p, d);
        return rec(EXTTEXTOUTW, p);
    }

    QByteArray bytes() const {
        QByteArray out;
        const qint32 fw = qRound(size_.width() * 2540 / 96.0),
                     fh = qRound(size_.height() * 2540 / 96.0);
        const QByteArray eof = words({14, 20, 0, 16, 20});
        const qint32 total = 108 + qint32(body_.size()) + qint32(eof.size());
        const QSize px = size_;
        out += words({HEADER, 108, 0, 0, px.width() - 1, px.height() - 1});  // bounds
        out += words({0, 0, fw, fh, 0x464D4520, 0x10000, total, records_ + 1, 16, 0, 0, 0});
        out += words({px.width(), px.height(), fw / 100, fh / 100});  // device: pixels, mm
        out += words({0, 0, 0, fw * 10, fh * 10});                    // micrometres
        return out + body_ + eof;
    }

  private:
    QSize size_;
    QByteArray body_;
    int records_ = 1;
};

// A device-independent bitmap of the given depth holding top-down pixels.
struct Dib {
    QByteArray bmi, bits;
};
Dib makeDib(int depth, int w, int h, const QList<QRgb>& px, bool topDown = false) {
    QList<QRgb> palette;
    if (depth <= 8)
        for (QRgb c : px)
            if (!palette.contains(c)) palette << c;
    Dib d;
    d.bmi =
        words({40, w, topDown ? -h : h, 1 | depth << 16, 0, 0, 0, 0, qint32(palette.size()), 0});
    for (QRgb c : palette) put32(d.bmi, qBlue(c) | qGreen(c) << 8 | qRed(c) << 16);
    const int stride = (w * depth + 31) / 32 * 4;
    d.bits = QByteArray(stride * h, '\0');
    for (int y = 0; y < h; ++y) {
        uchar* line = reinterpret_cast<uchar*>(d.bits.data()) + stride * (topDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const QRgb c = px[y * w + x];
            if (depth <= 8) {
                const int bit = x * depth;
                line[bit / 8] |= uchar(palette.indexOf(c) << (8 - depth - bit % 8));
            } else if (depth == 16) {
                qToLittleEndian(quint16(qRed(c) >> 3 << 10 | qGreen(c) >> 3 << 5 | qBlue(c) >> 3),
                                line + 2 * x);
            } else {
                const int n = depth / 8;
                line[x * n] = uchar(qBlue(c));
                line[x * n + 1] = uchar(qGreen(c));
                line[x * n + 2] = uchar(qRed(c));
            }
        }
    }
    return d;
}

QByteArray stretchDiBits(QRect dest, const Dib& d, int w, int h) {
    const qint32 offBmi = 80, offBits = 80 + qint32(d.bmi.size());
    return words({0, 0, 0, 0, dest.x(), dest.y(), 0, 0, w, h, offBmi, qint32(d.bmi.size()), offBits,
                  qint32(d.bits.size()), 0, kSrcCopy, dest.width(), dest.height()}) +
           d.bmi + d.bits;
}

// BitBlt (or StretchBlt with the source size): raster operation at byte 32, identity
// source transform, the bitmap after the fixed part.
QByteArray blt(bool stretch, QRect dest, const Dib& d, int w, int h) {
    const qint32 fixed = stretch ? 108 : 100;
    // clang-format off
    QByteArray p = words({0, 0, 0, 0, dest.x(), dest.y(), dest.width(), dest.height(), kSrcCopy, 0, 0,
                          fl(1), 0, 0, fl(1), 0, 0, 0, 0, fixed, qint32(d.bmi.size()),
                          fixed + qint32(d.bmi.size()), qint32(d.bits.size())});
    // clang-format on
    if (stretch) p += words({w, h});
    return p + d.bmi + d.bits;
}
QByteArray withRop(QByteArray blt, qint32 rop) {
    qToLittleEndian(rop, blt.data() + 32);
    return blt;
}

QByteArray setDiBits(QPoint at, const Dib& d, int w, int h) {
    const qint32 offBmi = 76, offBits = 76 + qint32(d.bmi.size());
    return words({0, 0, 0, 0, at.x(), at.y(), 0, 0, w, h, offBmi, qint32(d.bmi.size()), offBits,
                  qint32(d.bits.size()), 0, 0, h}) +
           d.bmi + d.bits;
}

// A pattern brush record (DIB pattern or monochrome) for handle 1.
QByteArray patternBrush(const Dib& d) {
    const qint32 n = qint32(d.bmi.size());
    return words({1, 0, 32, n, 32 + n, qint32(d.bits.size())}) + d.bmi + d.bits;
}

// A gradient fill of (x, y, colour) vertices, mode 0 across, 1 down, 2 triangles.
QByteArray gradient(int mode, const QList<std::tuple<int, int, QRgb>>& vertices,
                    std::initializer_list<qint32> mesh) {
    QByteArray g = words({0, 0, 0, 0, qint32(vertices.size()), 1, mode});
    for (auto [x, y, c] : vertices) {
        g += words({x, y});
        for (int v : {qRed(c), qGreen(c), qBlue(c), 0}) put16(g, qint16(quint16(v << 8)));
    }
    return g + words(mesh);
}

// What a picture must show: one pixel's colour (within a tolerance per channel), or, for
// an area, between min and max pixels of exactly that colour.
struct Check {
    int x, y;
    QRgb rgb;
    int tolerance = 0;
    QRect area = {};
    int min = 0, max = 0;
};
using Checks = QList<Check>;
Check about(int x, int y, QRgb c) { return {x, y, c, 24}; }
Check count(QRect area, QRgb c, int min, int max) { return {0, 0, c, 0, area, min, max}; }
Check count(QRect area, QRgb c, int exactly) { return count(area, c, exactly, exactly); }

QImage render(const QByteArray& emf) {
    const orlenda::EmfResult r = RenderEmf(emf);
    if (!r.error.isEmpty()) qWarning() << r.error;
    return r.image;
}

int countColour(const QImage& img, QRect area, QRgb c) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += (img.pixel(x, y) | 0xFF000000) == c;
    return n;
}

// Bounding box of the pixels darker than mid grey.
QRect ink(const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    return box;
}

QByteArray dataFile(const QString& name) {
    QFile f(QStringLiteral(EMF_TEST_DATA "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

Q_DECLARE_METATYPE(Checks)

class TestEmf : public QObject {
    Q_OBJECT

  private slots:
    // 2540 hundredths of a millimetre are an inch: 1440 twips, 96 pixels at 15 twips.
    void naturalSize() {
        for (auto [w, h, pixels] : {std::tuple{2540, 2540, QSize(96, 96)},
                                    {21000, 29700, QSize(794, 1123)},  // A4
                                    {1000, 1000, QSize(38, 38)}}) {
            QByteArray emf = Emf().bytes();
            qToLittleEndian(w, emf.data() + 32);
            qToLittleEndian(h, emf.data() + 36);
            QCOMPARE(render(emf).size(), pixels);
            QVERIFY(IsEmf(emf.left(44)));
        }
    }

    // Every record kind drawn on a white 100 x 100 picture (unless sized otherwise) and
    // checked at pixels whose colour follows from the geometry.
    void figures_data() {
        QTest::addColumn<QByteArray>("emf");
        QTest::addColumn<Checks>("checks");
        auto row = [](const QByteArray& name, const Emf& e, const Checks& c) {
            QTest::newRow(name.constData()) << e.bytes() << c;
        };
        const QList<QPoint> triangle{{10, 90}, {90, 90}, {50, 10}}, across{{10, 50}, {90, 50}};
        const QList<QPoint> straight{{10, 50}, {30, 50}, {60, 50}, {90, 50}};  // a straight Bézier
        // Two squares one inside the other: a hole when alternating, filled when winding.
        const std::initializer_list<int> squares{10, 10, 90, 10, 90, 90, 10, 90,
                                                 30, 30, 70, 30, 70, 70, 30, 70};
        QByteArray nested = words({0, 0, 0, 0, 2, 8, 4, 4}), nested16 = nested;
        for (int v : squares) put32(nested, v), put16(nested16, qint16(v));
        // Two horizontal lines at y 30 and 70.
        QByteArray lines = words({0, 0, 0, 0, 2, 4, 2, 2}), lines16 = lines;
        for (int v : {10, 30, 90, 30, 10, 70, 90, 70}) put32(lines, v), put16(lines16, qint16(v));
        // Counter-clockwise from the radial through (90,50) (east) to the one through (50,10)
        // (north): the upper right quarter of the circle.
        const std::initializer_list<qint32> quarter{10, 10, 90, 90, 90, 50, 50, 10};
        const Emf red = Emf().solid(kRed), blue10 = Emf().pen(1, 0, 10, kBlue),
                  blue6 = Emf().pen(1, 0, 6, kBlue);
        const Checks lineAt50{{50, 50, kBlue}, {50, 35, kWhite}};
        // clang-format off
        row("rectangle", Emf(red).rec(RECTANGLE, {20, 20, 80, 80}), {{50, 50, kRed}, {10, 10, kWhite}, {90, 50, kWhite}});
        row("ellipse", Emf(red).rec(ELLIPSE, {10, 10, 90, 90}), {{50, 50, kRed}, {50, 14, kRed}, {14, 14, kWhite}});
        row("rounded rectangle", Emf(red).rec(ROUNDRECT, {10, 10, 90, 90, 40, 40}), {{50, 50, kRed}, {50, 12, kRed}, {12, 12, kWhite}});
        row("polygon", Emf(red).points(POLYGON, triangle), {{50, 70, kRed}, {15, 20, kWhite}, {85, 20, kWhite}});
        row("polygon 16", Emf(red).points(POLYGON16, triangle, true), {{50, 70, kRed}, {15, 20, kWhite}});
        row("poly-polygon alternate", Emf(red).rec(POLYPOLYGON, nested), {{20, 50, kRed}, {50, 50, kWhite}});
        row("poly-polygon winding", Emf(red).rec(SETPOLYFILLMODE, {2}).rec(POLYPOLYGON, nested), {{20, 50, kRed}, {50, 50, kRed}});
        row("poly-polygon 16", Emf(red).rec(POLYPOLYGON16, nested16), {{20, 50, kRed}, {50, 50, kWhite}});
        // Lines drawn with a pen 10 or 6 units wide.
        row("polyline", Emf(blue10).points(POLYLINE, across), {{50, 50, kBlue}, {50, 53, kBlue}, {50, 40, kWhite}});
        row("polyline 16", Emf(blue10).points(POLYLINE16, across, true), lineAt50);
        row("move and line", Emf(blue10).rec(MOVETOEX, {50, 10}).rec(LINETO, {50, 90}), {{50, 50, kBlue}, {40, 50, kWhite}});
        row("polyline to", Emf(blue10).rec(MOVETOEX, {10, 20}).points(POLYLINETO, {{90, 20}, {90, 80}}),
            {{50, 20, kBlue}, {90, 50, kBlue}, {50, 50, kWhite}});
        row("polyline to 16", Emf(blue10).rec(MOVETOEX, {10, 20}).points(POLYLINETO16, {{90, 20}}, true),
            {{50, 20, kBlue}, {50, 50, kWhite}});
        row("poly-polyline", Emf(blue6).rec(7, lines), {{50, 30, kBlue}, {50, 70, kBlue}, {50, 50, kWhite}});
        row("poly-polyline 16", Emf(blue6).rec(90, lines16), {{50, 30, kBlue}, {50, 70, kBlue}, {50, 50, kWhite}});
        row("bezier", Emf(blue10).points(POLYBEZIER, straight), lineAt50);
        row("bezier 16", Emf(blue10).points(POLYBEZIER16, straight, true), lineAt50);
        row("bezier to", Emf(blue10).rec(MOVETOEX, {10, 50}).points(POLYBEZIERTO, straight.mid(1)), lineAt50);
        row("bezier to 16", Emf(blue10).rec(MOVETOEX, {10, 50}).points(POLYBEZIERTO16, straight.mid(1), true), lineAt50);
        row("pie", Emf(red).rec(PIE, quarter), {{65, 35, kRed}, {35, 35, kWhite}, {65, 65, kWhite}, {35, 65, kWhite}});
        row("chord", Emf(red).rec(CHORD, quarter), {{75, 25, kRed}, {60, 40, kWhite}, {35, 65, kWhite}});
        row("arc", Emf(blue6).rec(ARC, quarter), {{78, 22, kBlue}, {22, 78, kWhite}, {50, 50, kWhite}});
        row("arc clockwise", Emf(blue6).rec(SETARCDIRECTION, {2}).rec(ARC, quarter), {{78, 22, kWhite}, {22, 78, kBlue}, {22, 22, kBlue}});
        row("arc to", Emf(blue6).rec(MOVETOEX, {90, 95}).rec(ARCTO, quarter), {{90, 75, kBlue}, {78, 22, kBlue}, {22, 78, kWhite}});
        // From the pen position a line to the start at 180 degrees, then a half turn over the top.
        row("angle arc", Emf(blue6).rec(MOVETOEX, {10, 90}).rec(ANGLEARC, {50, 50, 40, fl(180), fl(-180)}),
            {{10, 70, kBlue}, {50, 10, kBlue}, {50, 90, kWhite}});
        // With y upwards the same turn still runs counter-clockwise on the page.
        row("pie with y upwards", Emf(red).rec(SETMAPMODE, {3}).rec(PIE, {0, 0, 2540, -2540, 2540, -1270, 1270, 0}),
            {{70, 26, kRed}, {26, 26, kWhite}, {26, 70, kWhite}, {70, 70, kWhite}});

        // Objects: stock, deleted and reused handles, pens of each kind, brushes of each kind.
        row("stock black brush", Emf().rec(SELECTOBJECT, {kStock | 4}).rec(SELECTOBJECT, {kStock | 8}).rec(RECTANGLE, {20, 20, 80, 80}),
            {{50, 50, kBlack}});
        row("stock null brush keeps the outline", Emf().rec(SELECTOBJECT, {kStock | 5}).pen(1, 0, 6, kRed).rec(RECTANGLE, {20, 20, 80, 80}),
            {{50, 50, kWhite}, {20, 50, kRed}});
        row("deleted handle reused", Emf().brush(1, 0, kRed).rec(SELECTOBJECT, {kStock | 0}).rec(DELETEOBJECT, {1})
                .brush(1, 0, kGreen).rec(SELECTOBJECT, {kStock | 8}).rec(RECTANGLE, {20, 20, 80, 80}), {{50, 50, kGreen}});
        row("geometric pen, flat ends", Emf().rec(EXTCREATEPEN, {1, 0, 0, 0, 0, 0x10000 | 0x200, 10, 0, cref(kRed), 0, 0})
                .rec(SELECTOBJECT, {1}).points(POLYLINE, across), {{50, 50, kRed}, {50, 53, kRed}, {5, 50, kWhite}});
        row("null pen", Emf().pen(1, 5, 10, kRed).points(POLYLINE, across), {{50, 50, kWhite}});
        // Thin pens draw single pixels; GDI's dashes are 18 on 6 off, dots 3 on 3 off, the gaps
        // in the background colour when it is opaque.
        const QRect line(0, 50, 120, 1), above(0, 40, 120, 10), below(0, 51, 120, 10);
        auto thin = [&](const char* name, int style, int bkMode, int on, int gaps) {
            row(name, Emf(QSize(120, 100)).rec(SETBKMODE, {bkMode}).rec(SETBKCOLOR, {cref(kBlue)}).pen(1, style, 0, kRed)
                    .rec(MOVETOEX, {10, 50}).rec(LINETO, {106, 50}),
                {count(line, kRed, on), count(line, kBlue, gaps), count(above, kWhite, 1200), count(below, kWhite, 1200)});
        };
        thin("thin solid pen", 0, 2, 96, 0);
        thin("thin dashes, opaque", 1, 2, 72, 24);
        thin("thin dashes, transparent", 1, 1, 72, 0);
        thin("thin dots, opaque", 2, 2, 48, 48);
        // GDI's hatches are 8 x 8 cells: a cross has one row and one column of each cell.
        auto hatch = [](int bkMode) { return Emf().rec(SETBKMODE, {bkMode}).rec(SETBKCOLOR, {cref(kBlue)}).brush(1, 2, kRed, 4)
                                          .rec(SELECTOBJECT, {kStock | 8}).rec(RECTANGLE, {0, 0, 100, 100}); };
        const QRect cells(8, 8, 80, 80);
        row("hatched, opaque", hatch(2), {count(cells, kRed, 100 * 15), count(cells, kBlue, 100 * 49)});
        row("hatched, transparent", hatch(1), {count(cells, kRed, 100 * 15), count(cells, kWhite, 100 * 49)});
        // A 2 x 2 pattern tiled from the picture's corner; a monochrome one draws its 0 bits in
        // the text colour and its 1 bits in the background colour.
        auto patterned = [](Emf e, qint32 type, const Dib& d) {
            return e.rec(type, patternBrush(d)).rec(SELECTOBJECT, {1}).rec(SELECTOBJECT, {kStock | 8}).rec(RECTANGLE, {0, 0, 100, 100});
        };
        row("DIB pattern brush", patterned(Emf(), CREATEDIBPATTERNBRUSHPT, makeDib(24, 2, 2, {kRed, kGreen, kBlue, kWhite})),
            {{10, 10, kRed}, {11, 10, kGreen}, {10, 11, kBlue}, {11, 11, kWhite}, count(cells, kGreen, 1600)});
        row("monochrome pattern brush", patterned(Emf().rec(SETTEXTCOLOR, {cref(kRed)}).rec(SETBKCOLOR, {cref(kYellow)}),
                                                  CREATEMONOBRUSH, makeDib(1, 2, 2, {kBlack, kWhite, kWhite, kBlack})),
            {{10, 10, kRed}, {11, 10, kYellow}, {11, 11, kRed}, count(cells, kYellow, 3200)});

        // Mapping modes: half an inch in each mode's units, y upwards, is 48 pixels.
        for (auto [name, mode, half] : {std::tuple{"lometric", 2, 127}, {"himetric", 3, 1270}, {"loenglish", 4, 50},
                                        {"hienglish", 5, 500}, {"twips", 6, 720}})
            row(name, Emf(red).rec(SETMAPMODE, {mode}).rec(RECTANGLE, {0, 0, half, -half}),
                {{44, 44, kRed}, {52, 20, kWhite}, {20, 52, kWhite}});
        // Window 100 x 100 onto viewport 200 x 50.
        auto extents = [](int mode) { return Emf(QSize(200, 100)).solid(kRed).rec(SETMAPMODE, {mode})
                                          .rec(SETWINDOWEXTEX, {100, 100}).rec(SETVIEWPORTEXTEX, {200, 50}); };
        row("anisotropic", extents(8).rec(RECTANGLE, {0, 0, 50, 100}), {{90, 20, kRed}, {110, 20, kWhite}, {90, 60, kWhite}});
        row("isotropic keeps the aspect", extents(7).rec(RECTANGLE, {0, 0, 50, 100}), {{20, 40, kRed}, {30, 20, kWhite}, {20, 60, kWhite}});
        // Window 100 x 100 scaled to 50 x 100 onto a 100 x 100 viewport: x doubles.
        row("window extent scaled", Emf(red).rec(SETMAPMODE, {8}).rec(SETWINDOWEXTEX, {100, 100}).rec(SETVIEWPORTEXTEX, {100, 100})
                .rec(32, {1, 2, 1, 1}).rec(RECTANGLE, {0, 0, 25, 50}), {{40, 20, kRed}, {60, 20, kWhite}, {40, 60, kWhite}});
        row("window origin", Emf(red).rec(SETWINDOWORGEX, {-40, -40}).rec(RECTANGLE, {0, 0, 20, 20}), {{50, 50, kRed}, {10, 10, kWhite}});
        row("viewport origin", Emf(red).rec(SETVIEWPORTORGEX, {40, 40}).rec(RECTANGLE, {0, 0, 20, 20}), {{50, 50, kRed}, {10, 10, kWhite}});
        row("world transform set", Emf(red).rec(SETWORLDTRANSFORM, {fl(1), 0, 0, fl(1), fl(60), fl(0)}).rec(RECTANGLE, {0, 0, 20, 20}),
            {{70, 10, kRed}, {10, 10, kWhite}});
        // Scale by 2, then a translation of 10 applied before (left) or after (right) it.
        const Emf doubled = Emf(red).rec(SETWORLDTRANSFORM, {fl(2), 0, 0, fl(2), 0, 0});
        row("world transform left multiply", Emf(doubled).rec(MODIFYWORLDTRANSFORM, {fl(1), 0, 0, fl(1), fl(10), 0, 2})
                .rec(RECTANGLE, {0, 0, 10, 10}), {{35, 10, kRed}, {15, 10, kWhite}});
        row("world transform right multiply", Emf(doubled).rec(MODIFYWORLDTRANSFORM, {fl(1), 0, 0, fl(1), fl(10), 0, 3})
                .rec(RECTANGLE, {0, 0, 10, 10}), {{15, 10, kRed}, {35, 10, kWhite}});
        row("world transform reset", Emf(doubled).rec(MODIFYWORLDTRANSFORM, {0, 0, 0, 0, 0, 0, 1}).rec(RECTANGLE, {0, 0, 10, 10}),
            {{5, 5, kRed}, {15, 15, kWhite}});
        row("save and restore", Emf(red).rec(SAVEDC, {}).brush(2, 0, kBlue).rec(SETWINDOWORGEX, {50, 50}).rec(RESTOREDC, {-1})
                .rec(RECTANGLE, {20, 20, 80, 80}), {{50, 50, kRed}, {25, 25, kRed}});

        // Paths: a triangle recorded with moves and lines, red brush, blue pen 6 wide.
        const Emf tri = Emf().brush(1, 0, kRed).pen(2, 0, 6, kBlue).rec(BEGINPATH, {}).rec(MOVETOEX, {10, 90})
                            .rec(LINETO, {90, 90}).rec(LINETO, {50, 10}).rec(CLOSEFIGURE, {}).rec(ENDPATH, {});
        row("fill path", Emf(tri).rec(FILLPATH, {0, 0, 0, 0}), {{50, 70, kRed}, {50, 87, kRed}, {50, 92, kWhite}, {15, 20, kWhite}});
        row("stroke path", Emf(tri).rec(STROKEPATH, {0, 0, 0, 0}), {{50, 70, kWhite}, {50, 90, kBlue}});
        row("stroke and fill path", Emf(tri).rec(STROKEANDFILLPATH, {0, 0, 0, 0}), {{50, 70, kRed}, {50, 90, kBlue}, {15, 20, kWhite}});
        row("no drawing while a path is recorded", Emf(red).rec(BEGINPATH, {}).rec(RECTANGLE, {20, 20, 80, 80}), {{50, 50, kWhite}});

        // Clipping.
        const QByteArray rgn = words({16 + 32, 5, 32, 1, 1, 16, 0, 0, 50, 50, 0, 0, 50, 50});  // copy (0,0)-(50,50)
        row("intersect clip rect", Emf(red).rec(INTERSECTCLIPRECT, {0, 0, 50, 100}).rec(RECTANGLE, {10, 10, 90, 90}),
            {{30, 50, kRed}, {70, 50, kWhite}});
        row("exclude clip rect", Emf(red).rec(EXCLUDECLIPRECT, {40, 40, 60, 60}).rec(RECTANGLE, {10, 10, 90, 90}),
            {{30, 30, kRed}, {50, 50, kWhite}});
        row("clip path", Emf(red).rec(BEGINPATH, {}).rec(ELLIPSE, {10, 10, 90, 90}).rec(ENDPATH, {}).rec(SELECTCLIPPATH, {5})
                .rec(RECTANGLE, {0, 0, 100, 100}), {{50, 50, kRed}, {50, 15, kRed}, {12, 12, kWhite}, {88, 88, kWhite}});
        row("clip region", Emf(red).rec(EXTSELECTCLIPRGN, rgn).rec(RECTANGLE, {10, 10, 90, 90}),
            {{30, 30, kRed}, {70, 30, kWhite}, {30, 70, kWhite}});
        row("clip region reset", Emf(red).rec(EXTSELECTCLIPRGN, rgn).rec(EXTSELECTCLIPRGN, {0, 5}).rec(RECTANGLE, {10, 10, 90, 90}),
            {{70, 70, kRed}});
        row("clip restored", Emf(red).rec(SAVEDC, {}).rec(INTERSECTCLIPRECT, {0, 0, 20, 20}).rec(RESTOREDC, {1})
                .rec(RECTANGLE, {10, 10, 90, 90}), {{70, 70, kRed}});
        // Unknown records and EMF+ comments are passed over; the EMF drawing after them counts.
        row("comment and unknown record", Emf().rec(GDICOMMENT, words({16, 0x2B464D45, 0x4001, 0, 0})).rec(250, {1, 2, 3})
                .solid(kRed).rec(RECTANGLE, {20, 20, 80, 80}), {{50, 50, kRed}});

        // Each bitmap record at each depth, bottom-up and top-down: the quadrants of an 8 x 8
        // bitmap (two colours at one bit a pixel) at (10, 10), stretched to 80 x 80 or not.
        for (int depth : {1, 4, 8, 16, 24, 32})
            for (bool topDown : {false, true}) {
                const QRgb tl = depth == 1 ? kBlack : kRed, tr = depth == 1 ? kWhite : kGreen;
                const QRgb bl = depth == 1 ? kWhite : kBlue, br = depth == 1 ? kBlack : kYellow;
                QList<QRgb> px;
                for (int i = 0; i < 64; ++i) px << (i < 32 ? (i % 8 < 4 ? tl : tr) : (i % 8 < 4 ? bl : br));
                const Dib d = makeDib(depth, 8, 8, px, topDown);
                auto quadrants = [&](int s) {
                    return Checks{{10 + s / 4, 10 + s / 4, tl}, {10 + 3 * s / 4, 10 + s / 4, tr}, {10 + s / 4, 10 + 3 * s / 4, bl},
                                  {10 + 3 * s / 4, 10 + 3 * s / 4, br}, {s + 12, s + 12, kWhite}};
                };
                const QByteArray name = QByteArray::number(depth) + (topDown ? " bits top-down " : " bits bottom-up ");
                row(name + "StretchDIBits", Emf().rec(STRETCHDIBITS, stretchDiBits(QRect(10, 10, 80, 80), d, 8, 8)), quadrants(80));
                row(name + "StretchBlt", Emf().rec(STRETCHBLT, blt(true, QRect(10, 10, 80, 80), d, 8, 8)), quadrants(80));
                row(name + "BitBlt", Emf().rec(BITBLT, blt(false, QRect(10, 10, 8, 8), d, 8, 8)), quadrants(8));
                row(name + "SetDIBitsToDevice", Emf().rec(SETDIBITSTODEVICE, setDiBits({10, 10}, d, 8, 8)), quadrants(8));
            }
        // Bitmaps beyond the plain kinds: red green over blue yellow, 2 x 2, into (10,10)-(90,90).
        const QRect box(10, 10, 80, 80);
        const QList<QRgb> quads{kRed, kGreen, kBlue, kYellow};
        const Checks upright{{30, 30, kRed}, {70, 30, kGreen}, {30, 70, kBlue}, {70, 70, kYellow}};
        Dib d;  // 16 bits a pixel with 5-6-5 masks
        d.bmi = words({40, 2, -2, 1 | 16 << 16, 3, 0, 0, 0, 0, 0, 0xF800, 0x07E0, 0x001F});
        for (int v : {0xF800, 0x07E0, 0x001F, 0xFFE0}) put16(d.bits, qint16(v));
        row("bit fields 565", Emf().rec(STRETCHDIBITS, stretchDiBits(box, d, 2, 2)), upright);
        QImage q(2, 2, QImage::Format_RGB32);
        for (int i = 0; i < 4; ++i) q.setPixel(i % 2, i / 2, quads[i]);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        q.save(&buffer, "PNG");
        d.bmi = words({40, 2, -2, 1, 5, qint32(buffer.data().size()), 0, 0, 0, 0});
        d.bits = buffer.data();
        row("embedded PNG", Emf().rec(STRETCHDIBITS, stretchDiBits(box, d, 2, 2)), upright);
        row("negative width mirrors", Emf().rec(STRETCHDIBITS, stretchDiBits(QRect(90, 10, -80, 80), makeDib(24, 2, 2, quads), 2, 2)),
            {{30, 30, kGreen}, {70, 30, kRed}, {30, 70, kYellow}});
        d = makeDib(32, 2, 2, QList<QRgb>(4, qRgb(128, 0, 0)));  // half-transparent premultiplied red
        for (int i = 0; i < 4; ++i) d.bits[i * 4 + 3] = char(128);
        row("alpha blend", Emf().rec(114, withRop(blt(true, box, d, 2, 2), 0x01FF0000)),  // source alpha, constant 255
            {{50, 50, qRgb(255, 127, 127)}, {5, 5, kWhite}});
        row("transparent blit leaves its key colour out", Emf().solid(kBlue).rec(RECTANGLE, {0, 0, 100, 100})
                .rec(116, withRop(blt(true, box, makeDib(24, 2, 1, {kRed, kGreen}), 2, 1), cref(kGreen))),
            {{30, 50, kRed}, {70, 50, kBlue}});
        row("source AND keeps red where white", Emf().solid(kRed).rec(RECTANGLE, {0, 0, 100, 100})
                .rec(STRETCHBLT, withRop(blt(true, box, makeDib(1, 2, 1, {kWhite, kBlack}), 2, 1), 0x008800C6)),
            {{30, 50, kRed}, {70, 50, kBlack}, {5, 5, kRed}});
        row("source XOR", Emf().solid(kYellow).rec(RECTANGLE, {0, 0, 100, 100})
                .rec(STRETCHBLT, withRop(blt(true, box, makeDib(24, 1, 1, {kRed}), 1, 1), 0x00660046)),
            {{50, 50, kGreen}, {5, 5, kYellow}});
        // Without a bitmap a blit paints with the brush, or black.
        const QByteArray noBitmap = words({0, 0, 0, 0, 10, 10, 80, 80, 0, 0, 0, fl(1), 0, 0, fl(1), 0, 0, 0, 0, 0, 0, 0, 0});
        row("pattern copy", Emf().brush(1, 0, kBlue).rec(BITBLT, withRop(noBitmap, 0x00F00021)), {{50, 50, kBlue}, {5, 5, kWhite}});
        row("blackness", Emf().rec(BITBLT, withRop(noBitmap, 0x00000042)), {{50, 50, kBlack}, {5, 5, kWhite}});
        // Gradient fills: near each end or corner, and the even mix between them.
        row("gradient across", Emf().rec(118, gradient(0, {{10, 10, kRed}, {90, 90, kBlue}}, {0, 1})),
            {about(11, 50, kRed), about(88, 50, kBlue), about(50, 50, qRgb(128, 0, 128)), {5, 5, kWhite}});
        row("gradient down", Emf().rec(118, gradient(1, {{10, 10, kRed}, {90, 90, kBlue}}, {0, 1})),
            {about(50, 11, kRed), about(50, 88, kBlue), about(50, 50, qRgb(128, 0, 128)), {5, 5, kWhite}});
        row("gradient triangle", Emf().rec(118, gradient(2, {{10, 90, kRed}, {90, 90, kGreen}, {50, 10, kBlue}}, {0, 1, 2})),
            {about(14, 88, qRgb(240, 10, 5)), about(86, 88, qRgb(10, 240, 5)), about(50, 14, qRgb(5, 5, 245)),
             about(50, 63, qRgb(85, 85, 85)) /* the centroid */, {15, 20, kWhite}});

        // A spike reaching millions of pixels away (through a scaling world transform), filled,
        // outlined and used as a clip, is drawn where it crosses the picture, quickly.
        const QList<QPoint> spike{{125, 125}, {1125, 125}, {625, 100000000}};
        auto spiked = [&](Emf e) {
            return e.rec(SETWORLDTRANSFORM, {fl(0.08f), 0, 0, fl(0.08f), 0, 0}).rec(BEGINPATH, {}).points(POLYGON, spike).rec(ENDPATH, {});
        };
        row("far-reaching spike", spiked(Emf().brush(1, 0, kRed).pen(2, 0, 25, kBlue)).rec(STROKEANDFILLPATH, {0, 0, 0, 0})
                .points(POLYGON, spike), {{50, 60, kRed}, {5, 60, kWhite}});
        row("far-reaching spike as a clip", spiked(Emf().solid(kGreen)).rec(SELECTCLIPPATH, {5}).rec(RECTANGLE, {0, 0, 1250, 1250}),
            {{50, 60, kGreen}, {5, 60, kWhite}});

        // Text colour and background: transparent, opaque (the text's cell), ETO_OPAQUE (the
        // record's rectangle as well).
        auto coloured = [](qint32 bkMode, qint32 options) {
            return Emf(QSize(200, 100)).rec(SETBKMODE, {bkMode}).rec(SETBKCOLOR, {cref(kBlue)}).rec(SETTEXTCOLOR, {cref(kRed)})
                .font(1, -30, QStringLiteral("Arial")).text({20, 10}, "HHHH", options, QRect(0, 60, 200, 40));
        };
        const QRect all(0, 0, 200, 100), cell(20, 10, 40, 30), lower(0, 60, 200, 40);
        row("text, transparent", coloured(1, 0), {count(all, kRed, 51, INT_MAX), count(all, kBlue, 0)});
        row("text, opaque", coloured(2, 0), {count(cell, kBlue, 101, INT_MAX), count(lower, kBlue, 0)});
        row("text, opaque rectangle", coloured(1, 2), {count(QRect(0, 61, 200, 38), kBlue, 200 * 38)});
        row("glyph outlines filled as a path", Emf(QSize(200, 100)).solid(kGreen).font(1, -40, QStringLiteral("宋体"))
                .rec(BEGINPATH, {}).text({20, 10}, "HH").rec(ENDPATH, {}).rec(FILLPATH, {0, 0, 0, 0}),
            {count(all, kGreen, 101, INT_MAX)});
        // clang-format on
    }
    void figures() {
        QFETCH(QByteArray, emf);
        QFETCH(Checks, checks);
        const QImage img = render(emf);
        QVERIFY(!img.isNull());
        for (const Check& c : checks) {
            if (c.area.isEmpty()) {
                const QRgb got = img.pixel(c.x, c.y) | 0xFF000000;
                const bool ok = std::abs(qRed(got) - qRed(c.rgb)) <= c.tolerance &&
                                std::abs(qGreen(got) - qGreen(c.rgb)) <= c.tolerance &&
                                std::abs(qBlue(got) - qBlue(c.rgb)) <= c.tolerance;
                QVERIFY2(ok, qPrintable(QString::asprintf("at (%d,%d): %08x, expected %08x", c.x,
                                                          c.y, got, c.rgb)));
            } else {
                const int n = countColour(img, c.area, c.rgb);
                QVERIFY2(n >= c.min && n <= c.max,
                         qPrintable(QString::asprintf("%d pixels of %08x", n, c.rgb)));
            }
        }
    }

    // ExtTextOutW: all ink lies inside one rectangle and touches another.
    void text_data() {
        QTest::addColumn<QByteArray>("emf");
        QTest::addColumn<QRect>("inside");
        QTest::addColumn<QRect>("reaches");
        auto base = [](qint32 align) {
            Emf e(QSize(200, 100));
            e.rec(SETBKMODE, {1}).rec(SETTEXTALIGN, {align}).font(1, -30, QStringLiteral("宋体"));
            return e;
        };
        Emf up(QSize(200, 200));
        up.rec(SETBKMODE, {1}).font(1, -30, QStringLiteral("宋体"), 900).text({20, 180}, "HHHH");
        // clang-format off
        QTest::newRow("left top") << base(0).text({20, 10}, "HHHH").bytes() << QRect(18, 8, 70, 35) << QRect(20, 10, 10, 30);
        QTest::newRow("right baseline") << base(2 | 24).text({180, 60}, "HHHH").bytes() << QRect(110, 28, 72, 34) << QRect(170, 50, 10, 10);
        QTest::newRow("centre bottom") << base(6 | 8).text({100, 90}, "HHHH").bytes() << QRect(60, 55, 80, 37) << QRect(65, 80, 70, 10);
        QTest::newRow("character advances") << base(0).text({20, 10}, "HH", 0, QRect(), {120, 30}).bytes()
                                            << QRect(18, 8, 140, 35) << QRect(140, 10, 20, 30);
        QTest::newRow("clipped to its rectangle") << base(0).text({20, 10}, "HHHHHH", 4, QRect(0, 0, 60, 100)).bytes()
                                                  << QRect(18, 8, 42, 35) << QRect(40, 10, 20, 30);
        QTest::newRow("update current position") << base(1).rec(MOVETOEX, {20, 10}).text({0, 0}, "HH").text({0, 0}, "HH").bytes()
                                                 << QRect(18, 8, 70, 35) << QRect(70, 10, 10, 30);
        QTest::newRow("escapement turns it upwards") << up.bytes() << QRect(18, 100, 35, 82) << QRect(20, 120, 30, 10);
        QTest::newRow("ideographs") << base(0).text({20, 10}, QStringLiteral("中文")).bytes() << QRect(18, 8, 65, 35)
                                    << QRect(20, 10, 60, 30);
        // clang-format on
    }
    void text() {
        QFETCH(QByteArray, emf);
        QFETCH(QRect, inside);
        QFETCH(QRect, reaches);
        const QRect box = ink(render(emf));
        QVERIFY2(!box.isEmpty() && inside.contains(box) && box.intersects(reaches),
                 qPrintable(QString::asprintf("ink %d %d %d %d", box.x(), box.y(), box.width(),
                                              box.height())));
    }

    // Not metafiles, or records running past the end or claiming absurd sizes: an error,
    // never a crash, a partial picture or an unbounded allocation.
    void brokenFiles_data() {
        QTest::addColumn<QByteArray>("emf");
        const QByteArray good = Emf().solid(kRed).rec(RECTANGLE, {20, 20, 80, 80}).bytes();
        // The good file with 32-bit values replaced at byte offsets.
        auto patched = [&](std::initializer_list<std::pair<int, qint32>> changes) {
            QByteArray b = good;
            for (auto [at, v] : changes) qToLittleEndian(v, b.data() + at);
            return b;
        };
        // A StretchDIBits record of an 8 x 8 bitmap with one field of the record or of its
        // bitmap header (which starts at 72 in the payload) replaced.
        const Dib d = makeDib(24, 8, 8, QList<QRgb>(64, kRed));
        auto bitmap = [&](std::initializer_list<std::pair<int, qint32>> changes) {
            QByteArray b = stretchDiBits(QRect(0, 0, 8, 8), d, 8, 8);
            for (auto [at, v] : changes) qToLittleEndian(v, b.data() + at);
            return Emf().rec(STRETCHDIBITS, b).bytes();
        };
        // clang-format off
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text file") << QByteArray("Not a picture at all, only some words of text.\n").repeated(3);
        QTest::newRow("bad signature") << patched({{40, 0x12345678}});
        QTest::newRow("truncated") << good.left(good.size() / 2);
        QTest::newRow("header only, claiming more") << good.left(108);
        QTest::newRow("header size past the end") << patched({{4, 1 << 20}});
        QTest::newRow("header too short") << patched({{4, 40}});
        QTest::newRow("record size not a multiple of four") << patched({{108 + 4, 18}});
        QTest::newRow("record size below eight") << patched({{108 + 4, 4}});
        QTest::newRow("record size past the end") << patched({{108 + 4, 1 << 24}});
        QTest::newRow("absurd frame") << patched({{32, 2000000000}});
        QTest::newRow("frame a mile wide") << patched({{32, 160934 * 1000}});
        QTest::newRow("empty frame and bounds") << patched({{32, 0}, {16, 0}});
        QTest::newRow("upside-down frame and bounds") << patched({{36, -5000}, {20, -50}});
        QTest::newRow("polygon claims millions of points") << Emf().rec(POLYGON, {0, 0, 0, 0, 100000000, 1, 1}).bytes();
        QTest::newRow("poly-polygon counts beyond its points")
            << Emf().rec(POLYPOLYGON, {0, 0, 0, 0, 2, 4, 1000, 1000, 0, 0, 1, 1, 2, 2, 3, 3}).bytes();
        QTest::newRow("region claims too many rectangles")
            << Emf().rec(EXTSELECTCLIPRGN, {48, 1, 32, 1, 500000, 16, 0, 0, 9, 9, 0, 0, 9, 9}).bytes();
        QTest::newRow("text claims too many characters")
            << Emf().rec(EXTTEXTOUTW, {0, 0, 0, 0, 1, 0, 0, 5, 5, 1 << 28, 76, 0, 0, 0, 0, 0, 0}).bytes();
        QTest::newRow("font record cut short") << Emf().rec(EXTCREATEFONTINDIRECTW, {1, -12, 0}).bytes();
        QTest::newRow("gradient claims too many vertices") << Emf().rec(118, {0, 0, 0, 0, 1 << 24, 1, 0}).bytes();
        QTest::newRow("bitmap bits offset past the record") << bitmap({{48, 1 << 20}});
        QTest::newRow("bitmap bits size past the record") << bitmap({{52, 1 << 30}});
        QTest::newRow("bitmap header size past the record") << bitmap({{44, 1 << 30}});
        QTest::newRow("bitmap of a trillion pixels") << bitmap({{72 + 4, 1000000}, {72 + 8, 1000000}});
        QTest::newRow("bitmap wider than its bits") << bitmap({{72 + 4, 64}});
        QTest::newRow("bitmap of an impossible depth") << bitmap({{72 + 12, 1 | 7 << 16}});
        QTest::newRow("pattern brush bits past the record")
            << Emf().rec(CREATEDIBPATTERNBRUSHPT, words({1, 0, 32, 40, 72, 1 << 30}) + d.bmi + d.bits).bytes();
        // clang-format on
    }
    void brokenFiles() {
        QFETCH(QByteArray, emf);
        const orlenda::EmfResult r = RenderEmf(emf);
        QVERIFY(r.image.isNull());
        QVERIFY(!r.error.isEmpty());
    }

    // Files exported by Inkscape from the SVG beside them; Inkscape's own PNG rendering of the
    // SVG is the reference they are compared with.
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
        const QByteArray data = dataFile(name + QStringLiteral(".emf"));
        QVERIFY(IsEmf(data));
        const orlenda::EmfResult r = RenderEmf(data);
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        const QImage ref = QImage(QStringLiteral(EMF_TEST_DATA "/%1.png").arg(name))
                               .convertToFormat(QImage::Format_RGB32);
        QVERIFY(!ref.isNull());
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
        if (share > tolerance)
            r.image.save(QDir::temp().filePath(name + QStringLiteral("-emf.png")));
        QVERIFY2(share <= tolerance, qPrintable(QString::number(share)));
    }

    // LibreOffice Draw's export of an 80 x 50 mm page whose shapes are placed in millimetres:
    // anisotropic mapping, pens, polygons, paths, clipping, a bitmap, hatch lines, text.
    // Through the program's picture loader, which reads metafiles with this reader.
    void libreOfficeFile() {
        const QString path = QStringLiteral(EMF_TEST_DATA "/libreoffice.emf");
        const QImage img = orlenda::LoadPicture(path);
        QCOMPARE(img.size(), QSize(302, 189));  // 80 x 50 mm at 96 pixels an inch
        QCOMPARE(orlenda::PictureFile::Open(path).decode(QSize(151, 94)).size(), QSize(151, 94));
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
        // Gradient 4..24 x 22..32 from red to yellow, top to bottom.
        const QRgb top = at(14, 22.5), bottom = at(14, 31.5);
        QVERIFY(qRed(top) > 200 && qRed(bottom) > 200 && qGreen(bottom) - qGreen(top) > 100);
        // Navy hatch lines 1 mm apart over 52..76 x 4..16: lines and gaps.
        const QRect hatch(px(53), px(5), px(22), px(10));
        int lines = 0, gaps = 0;
        for (int y = hatch.top(); y <= hatch.bottom(); ++y)
            for (int x = hatch.left(); x <= hatch.right(); ++x) {
                const QRgb c = img.pixel(x, y);
                lines += qBlue(c) > 90 && qRed(c) < 100 && qGreen(c) < 100;
                gaps += (c | 0xFF000000) == kWhite;
            }
        const int area = hatch.width() * hatch.height();
        QVERIFY2(lines > area / 5 && gaps > area / 5,
                 qPrintable(QString::asprintf("%d %d", lines, gaps)));
        // "Orlenda 中秋 2008" at 14 pt, its box's top at 38 mm, from 4 mm.
        const QRect text =
            ink(img.copy(0, px(36), img.width(), img.height() - px(36))).translated(0, px(36));
        QVERIFY2(QRect(px(3.5), px(38), px(74), px(10)).contains(text) && text.width() > px(40),
                 qPrintable(QString::asprintf("%d %d %d %d", text.x(), text.y(), text.width(),
                                              text.height())));
    }
};

QTEST_MAIN(TestEmf)
#include "test_emf.moc"
