// The metafile reader against metafiles written here record by record, files exported by
// Debian programs, and damaged files.
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cstring>

#include "picker/emf.h"
#include "picker/picture.h"

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

QByteArray blt(bool stretch, QRect dest, const Dib& d, int w, int h) {
    const qint32 fixed = stretch ? 108 : 100;
    QByteArray p = words({0,
                          0,
                          0,
                          0,
                          dest.x(),
                          dest.y(),
                          dest.width(),
                          dest.height(),
                          kSrcCopy,
                          0,
                          0,
                          fl(1),
                          0,
                          0,
                          fl(1),
                          0,
                          0,
                          0,
                          0,
                          fixed,
                          qint32(d.bmi.size()),
                          fixed + qint32(d.bmi.size()),
                          qint32(d.bits.size())});
    if (stretch) p += words({w, h});
    return p + d.bmi + d.bits;
}

QByteArray setDiBits(QPoint at, const Dib& d, int w, int h) {
    const qint32 offBmi = 76, offBits = 76 + qint32(d.bmi.size());
    return words({0, 0, 0, 0, at.x(), at.y(), 0, 0, w, h, offBmi, qint32(d.bmi.size()), offBits,
                  qint32(d.bits.size()), 0, 0, h}) +
           d.bmi + d.bits;
}

struct Probe {
    int x, y;
    QRgb rgb;
};
using Probes = QList<Probe>;

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

}  // namespace

Q_DECLARE_METATYPE(Probes)

class TestEmf : public QObject {
    Q_OBJECT

  private slots:
    void naturalSize_data() {
        QTest::addColumn<int>("frameW");
        QTest::addColumn<int>("frameH");
        QTest::addColumn<QSize>("pixels");
        // 2540 hundredths of a millimetre are an inch: 1440 twips, 96 pixels at 15 twips.
        QTest::newRow("one inch") << 2540 << 2540 << QSize(96, 96);
        QTest::newRow("A4 portrait") << 21000 << 29700 << QSize(794, 1123);
        QTest::newRow("ten by five inches") << 25400 << 12700 << QSize(960, 480);
        QTest::newRow("one centimetre") << 1000 << 1000 << QSize(38, 38);
    }
    void naturalSize() {
        QFETCH(int, frameW);
        QFETCH(int, frameH);
        QFETCH(QSize, pixels);
        QByteArray emf = Emf().bytes();
        qToLittleEndian(frameW, emf.data() + 32);
        qToLittleEndian(frameH, emf.data() + 36);
        QCOMPARE(render(emf).size(), pixels);
        QVERIFY(IsEmf(emf.left(44)));
    }

    void figures_data() {
        QTest::addColumn<QByteArray>("emf");
        QTest::addColumn<Probes>("probes");
        auto row = [](const char* name, const Emf& e, const Probes& p) {
            QTest::newRow(name) << e.bytes() << p;
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
        row("polyline 16", Emf(blue10).points(POLYLINE16, across, true), {{50, 50, kBlue}, {50, 40, kWhite}});
        row("move and line", Emf(blue10).rec(MOVETOEX, {50, 10}).rec(LINETO, {50, 90}), {{50, 50, kBlue}, {40, 50, kWhite}});
        row("polyline to", Emf(blue10).rec(MOVETOEX, {10, 20}).points(POLYLINETO, {{90, 20}, {90, 80}}),
            {{50, 20, kBlue}, {90, 50, kBlue}, {50, 50, kWhite}});
        row("polyline to 16", Emf(blue10).rec(MOVETOEX, {10, 20}).points(POLYLINETO16, {{90, 20}}, true),
            {{50, 20, kBlue}, {50, 50, kWhite}});
        row("poly-polyline", Emf(blue6).rec(7, lines), {{50, 30, kBlue}, {50, 70, kBlue}, {50, 50, kWhite}});
        row("poly-polyline 16", Emf(blue6).rec(90, lines16), {{50, 30, kBlue}, {50, 70, kBlue}, {50, 50, kWhite}});
        row("bezier", Emf(blue10).points(POLYBEZIER, straight), {{50, 50, kBlue}, {50, 35, kWhite}});
        row("bezier 16", Emf(blue10).points(POLYBEZIER16, straight, true), {{50, 50, kBlue}, {50, 35, kWhite}});
        row("bezier to", Emf(blue10).rec(MOVETOEX, {10, 50}).points(POLYBEZIERTO, straight.mid(1)), {{50, 50, kBlue}, {50, 35, kWhite}});
        row("bezier to 16", Emf(blue10).rec(MOVETOEX, {10, 50}).points(POLYBEZIERTO16, straight.mid(1), true),
            {{50, 50, kBlue}, {50, 35, kWhite}});
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
        row("stock black brush", Emf().rec(SELECTOBJECT, {kStock | 4}).rec(SELECTOBJECT, {kStock | 8}).rec(RECTANGLE, {20, 20, 80, 80}),
            {{50, 50, kBlack}});
        row("stock null brush keeps the outline", Emf().rec(SELECTOBJECT, {kStock | 5}).pen(1, 0, 6, kRed).rec(RECTANGLE, {20, 20, 80, 80}),
            {{50, 50, kWhite}, {20, 50, kRed}});
        row("deleted handle reused", Emf().brush(1, 0, kRed).rec(SELECTOBJECT, {kStock | 0}).rec(DELETEOBJECT, {1})
                .brush(1, 0, kGreen).rec(SELECTOBJECT, {kStock | 8}).rec(RECTANGLE, {20, 20, 80, 80}), {{50, 50, kGreen}});
        row("geometric pen, flat ends", Emf().rec(EXTCREATEPEN, {1, 0, 0, 0, 0, 0x10000 | 0x200, 10, 0, cref(kRed), 0, 0})
                .rec(SELECTOBJECT, {1}).points(POLYLINE, across), {{50, 50, kRed}, {50, 53, kRed}, {5, 50, kWhite}});
        row("null pen", Emf().pen(1, 5, 10, kRed).points(POLYLINE, across), {{50, 50, kWhite}});

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
        // clang-format on
    }
    void figures() {
        QFETCH(QByteArray, emf);
        QFETCH(Probes, probes);
        const QImage img = render(emf);
        QVERIFY(!img.isNull());
        for (const Probe& p : probes) {
            const QRgb got = img.pixel(p.x, p.y) | 0xFF000000;
            if (got != p.rgb) qWarning("at (%d,%d): %08x, expected %08x", p.x, p.y, got, p.rgb);
            QCOMPARE(got, p.rgb);
        }
    }

    // GDI's hatches are 8 x 8 pixel cells: a cross has one row and one column of each cell.
    void hatchedBrush_data() {
        QTest::addColumn<int>("bkMode");
        QTest::addColumn<QRgb>("gaps");
        QTest::newRow("opaque background") << 2 << kBlue;
        QTest::newRow("transparent background") << 1 << kWhite;
    }
    void hatchedBrush() {
        QFETCH(int, bkMode);
        QFETCH(QRgb, gaps);
        const QImage img = render(Emf()
                                      .rec(SETBKMODE, {bkMode})
                                      .rec(SETBKCOLOR, {cref(kBlue)})
                                      .brush(1, 2, kRed, 4)
                                      .rec(SELECTOBJECT, {kStock | 8})
                                      .rec(RECTANGLE, {0, 0, 100, 100})
                                      .bytes());
        const QRect area(8, 8, 80, 80);
        QCOMPARE(countColour(img, area, kRed), 100 * 15);
        QCOMPARE(countColour(img, area, gaps), 100 * 49);
    }

    // Thin pens draw single-pixel lines; their dashes are GDI's: 18 on 6 off, dots 3 on 3 off,
    // with the gaps in the background colour when it is opaque.
    void thinPens_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("bkMode");
        QTest::addColumn<int>("on");
        QTest::addColumn<int>("gaps");
        QTest::newRow("solid") << 0 << 2 << 96 << 0;
        QTest::newRow("dash, opaque") << 1 << 2 << 72 << 24;
        QTest::newRow("dash, transparent") << 1 << 1 << 72 << 0;
        QTest::newRow("dot, opaque") << 2 << 2 << 48 << 48;
    }
    void thinPens() {
        QFETCH(int, style);
        QFETCH(int, bkMode);
        QFETCH(int, on);
        QFETCH(int, gaps);
        const QImage img = render(Emf(QSize(120, 100))
                                      .rec(SETBKMODE, {bkMode})
                                      .rec(SETBKCOLOR, {cref(kBlue)})
                                      .pen(1, style, 0, kRed)
                                      .rec(MOVETOEX, {10, 50})
                                      .rec(LINETO, {106, 50})
                                      .bytes());
        QCOMPARE(countColour(img, QRect(0, 50, 120, 1), kRed), on);
        QCOMPARE(countColour(img, QRect(0, 50, 120, 1), kBlue), gaps);
        QCOMPARE(countColour(img, QRect(0, 40, 120, 10), kWhite), 1200);  // nothing beside it
        QCOMPARE(countColour(img, QRect(0, 51, 120, 10), kWhite), 1200);
    }

    void patternBrushes() {
        // 2 x 2 pattern: red green over blue white, tiled from the picture's corner.
        const Dib d = makeDib(24, 2, 2, {kRed, kGreen, kBlue, kWhite});
        QByteArray p = words(
            {1, 0, 32, qint32(d.bmi.size()), 32 + qint32(d.bmi.size()), qint32(d.bits.size())});
        QImage img = render(Emf()
                                .rec(CREATEDIBPATTERNBRUSHPT, p + d.bmi + d.bits)
                                .rec(SELECTOBJECT, {1})
                                .rec(SELECTOBJECT, {kStock | 8})
                                .rec(RECTANGLE, {0, 0, 100, 100})
                                .bytes());
        for (QRgb c : {kRed, kGreen, kBlue, kWhite})
            QCOMPARE(countColour(img, QRect(10, 10, 80, 80), c), 1600);
        QCOMPARE(img.pixel(10, 10) | 0xFF000000, kRed);
        QCOMPARE(img.pixel(11, 11) | 0xFF000000, kWhite);

        // A monochrome brush draws its 0 bits in the text colour and its 1 bits in the background.
        const Dib m = makeDib(1, 2, 2, {kBlack, kWhite, kWhite, kBlack});
        p = words(
            {1, 0, 32, qint32(m.bmi.size()), 32 + qint32(m.bmi.size()), qint32(m.bits.size())});
        img = render(Emf()
                         .rec(SETTEXTCOLOR, {cref(kRed)})
                         .rec(SETBKCOLOR, {cref(kYellow)})
                         .rec(CREATEMONOBRUSH, p + m.bmi + m.bits)
                         .rec(SELECTOBJECT, {1})
                         .rec(SELECTOBJECT, {kStock | 8})
                         .rec(RECTANGLE, {0, 0, 100, 100})
                         .bytes());
        QCOMPARE(countColour(img, QRect(10, 10, 80, 80), kRed), 3200);
        QCOMPARE(countColour(img, QRect(10, 10, 80, 80), kYellow), 3200);
        QCOMPARE(img.pixel(10, 10) | 0xFF000000, kRed);
    }

    void bitmaps_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("topDown");
        QTest::addColumn<QString>("record");
        for (int depth : {1, 4, 8, 16, 24, 32})
            for (const char* rec : {"StretchDIBits", "BitBlt", "StretchBlt", "SetDIBitsToDevice"})
                for (bool topDown : {false, true})
                    QTest::addRow("%d bits %s %s", depth, rec, topDown ? "top-down" : "bottom-up")
                        << depth << topDown << QString::fromLatin1(rec);
    }
    void bitmaps() {
        QFETCH(int, depth);
        QFETCH(bool, topDown);
        QFETCH(QString, record);
        // Four quadrants (two colours for one bit a pixel) on an 8 x 8 bitmap.
        const QRgb tr = depth == 1 ? kWhite : kGreen, bl = depth == 1 ? kWhite : kBlue;
        const QRgb br = depth == 1 ? kBlack : kYellow, tl = depth == 1 ? kBlack : kRed;
        QList<QRgb> px;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) px << (y < 4 ? (x < 4 ? tl : tr) : (x < 4 ? bl : br));
        const Dib d = makeDib(depth, 8, 8, px, topDown);
        Emf e;
        QRect at(10, 10, 80, 80);
        if (record == "StretchDIBits")
            e.rec(STRETCHDIBITS, stretchDiBits(at, d, 8, 8));
        else if (record == "BitBlt")
            (at = QRect(10, 10, 8, 8)), e.rec(BITBLT, blt(false, at, d, 8, 8));
        else if (record == "StretchBlt")
            e.rec(STRETCHBLT, blt(true, at, d, 8, 8));
        else
            (at = QRect(10, 10, 8, 8)), e.rec(SETDIBITSTODEVICE, setDiBits(at.topLeft(), d, 8, 8));
        const QImage img = render(e.bytes());
        QVERIFY(!img.isNull());
        const int qx = at.width() / 4, qy = at.height() / 4;
        auto at_ = [&](int fx, int fy) {
            return img.pixel(at.x() + fx * qx, at.y() + fy * qy) | 0xFF000000;
        };
        QCOMPARE(at_(1, 1), tl);
        QCOMPARE(at_(3, 1), tr);
        QCOMPARE(at_(1, 3), bl);
        QCOMPARE(at_(3, 3), br);
        QCOMPARE(img.pixel(at.right() + 3, at.bottom() + 3) | 0xFF000000, kWhite);
    }

    void bitmapVariants_data() {
        QTest::addColumn<QByteArray>("emf");
        QTest::addColumn<Probes>("probes");
        const QList<QRgb> quads{kRed, kGreen, kBlue, kYellow};  // 2 x 2, top row first
        const QRect box(10, 10, 80, 80);
        const Probes upright{{30, 30, kRed}, {70, 30, kGreen}, {30, 70, kBlue}, {70, 70, kYellow}};

        // 16 bits a pixel with 5-6-5 masks.
        Dib d;
        d.bmi = words({40, 2, -2, 1 | 16 << 16, 3, 0, 0, 0, 0, 0, 0xF800, 0x07E0, 0x001F});
        for (int v : {0xF800, 0x07E0, 0x001F, 0xFFE0}) put16(d.bits, qint16(v));
        QTest::newRow("bit fields 565")
            << Emf().rec(STRETCHDIBITS, stretchDiBits(box, d, 2, 2)).bytes() << upright;

        // A PNG file inside the record.
        QImage q(2, 2, QImage::Format_RGB32);
        for (int i = 0; i < 4; ++i) q.setPixel(i % 2, i / 2, quads[i]);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        q.save(&buffer, "PNG");
        d.bmi = words({40, 2, -2, 1, 5, qint32(buffer.data().size()), 0, 0, 0, 0});
        d.bits = buffer.data();
        QTest::newRow("embedded PNG")
            << Emf().rec(STRETCHDIBITS, stretchDiBits(box, d, 2, 2)).bytes() << upright;

        // A negative destination width mirrors the picture.
        QByteArray mirrored = stretchDiBits(QRect(90, 10, -80, 80), makeDib(24, 2, 2, quads), 2, 2);
        QTest::newRow("mirrored") << Emf().rec(STRETCHDIBITS, mirrored).bytes()
                                  << Probes{{30, 30, kGreen}, {70, 30, kRed}, {30, 70, kYellow}};

        // Half-transparent premultiplied red over white.
        d = makeDib(32, 2, 2, QList<QRgb>(4, qRgb(128, 0, 0)));
        for (int i = 0; i < 4; ++i) d.bits[i * 4 + 3] = char(128);
        QByteArray blend = blt(true, box, d, 2, 2);
        qToLittleEndian<qint32>(0x01FF0000, blend.data() + 32);  // source alpha, constant 255
        QTest::newRow("alpha blend") << Emf().rec(114, blend).bytes()
                                     << Probes{{50, 50, qRgb(255, 127, 127)}, {5, 5, kWhite}};

        // Raster operations: AND with a white/black mask over red keeps red where white.
        QByteArray mask = blt(true, box, makeDib(1, 2, 1, {kWhite, kBlack}), 2, 1);
        qToLittleEndian<qint32>(0x008800C6, mask.data() + 32);  // SRCAND
        QTest::newRow("source AND")
            << Emf().solid(kRed).rec(RECTANGLE, {0, 0, 100, 100}).rec(STRETCHBLT, mask).bytes()
            << Probes{{30, 50, kRed}, {70, 50, kBlack}, {5, 5, kRed}};
        QByteArray invert = blt(true, box, makeDib(24, 1, 1, {kRed}), 1, 1);
        qToLittleEndian<qint32>(0x00660046, invert.data() + 32);  // SRCINVERT
        QTest::newRow("source XOR")
            << Emf().solid(kYellow).rec(RECTANGLE, {0, 0, 100, 100}).rec(STRETCHBLT, invert).bytes()
            << Probes{{50, 50, kGreen}, {5, 5, kYellow}};

        // Without a bitmap the blit paints with the brush, or black or white.
        auto patBlt = [](qint32 rop) {
            return words({0, 0, 0,     0, 10, 10, 80, 80, rop, 0, 0, fl(1),
                          0, 0, fl(1), 0, 0,  0,  0,  0,  0,   0, 0});
        };
        QTest::newRow("pattern copy")
            << Emf().brush(1, 0, kBlue).rec(BITBLT, patBlt(0x00F00021)).bytes()
            << Probes{{50, 50, kBlue}, {5, 5, kWhite}};
        QTest::newRow("blackness") << Emf().rec(BITBLT, patBlt(0x00000042)).bytes()
                                   << Probes{{50, 50, kBlack}, {5, 5, kWhite}};
    }
    void bitmapVariants() { figures(); }

    // Gradient fills: colour near each end (or corner) and the even mix between them.
    void gradients() {
        auto vertex = [](QByteArray& b, int x, int y, QRgb c) {
            put32(b, x);
            put32(b, y);
            for (int v : {qRed(c), qGreen(c), qBlue(c), 0}) put16(b, qint16(quint16(v << 8)));
        };
        auto near = [](QRgb got, int r, int g, int b) {
            const bool ok = std::abs(qRed(got) - r) <= 24 && std::abs(qGreen(got) - g) <= 24 &&
                            std::abs(qBlue(got) - b) <= 24;
            if (!ok) qWarning("got %08x, expected about %d,%d,%d", got, r, g, b);
            return ok;
        };
        for (int mode : {0, 1}) {
            QByteArray g = words({0, 0, 0, 0, 2, 1, mode});
            vertex(g, 10, 10, kRed);
            vertex(g, 90, 90, kBlue);
            g += words({0, 1});
            const QImage img = render(Emf().rec(118, g).bytes());
            const QPoint start = mode == 0 ? QPoint(11, 50) : QPoint(50, 11);
            const QPoint end = mode == 0 ? QPoint(88, 50) : QPoint(50, 88);
            QVERIFY(near(img.pixel(start), 255, 0, 0));
            QVERIFY(near(img.pixel(end), 0, 0, 255));
            QVERIFY(near(img.pixel(50, 50), 128, 0, 128));
            QCOMPARE(img.pixel(5, 5) | 0xFF000000, kWhite);
        }
        QByteArray tri = words({0, 0, 0, 0, 3, 1, 2});
        vertex(tri, 10, 90, kRed);
        vertex(tri, 90, 90, kGreen);
        vertex(tri, 50, 10, kBlue);
        tri += words({0, 1, 2});
        const QImage img = render(Emf().rec(118, tri).bytes());
        QVERIFY(near(img.pixel(14, 88), 240, 10, 5));
        QVERIFY(near(img.pixel(86, 88), 10, 240, 5));
        QVERIFY(near(img.pixel(50, 14), 5, 5, 245));
        QVERIFY(near(img.pixel(50, 63), 85, 85, 85));  // the centroid
        QCOMPARE(img.pixel(15, 20) | 0xFF000000, kWhite);

        // TransparentBlt leaves its key colour out.
        QByteArray key = blt(true, QRect(10, 10, 80, 80), makeDib(24, 2, 1, {kRed, kGreen}), 2, 1);
        qToLittleEndian<qint32>(cref(kGreen), key.data() + 32);
        const QImage keyed =
            render(Emf().solid(kBlue).rec(RECTANGLE, {0, 0, 100, 100}).rec(116, key).bytes());
        QCOMPARE(keyed.pixel(30, 50) | 0xFF000000, kRed);
        QCOMPARE(keyed.pixel(70, 50) | 0xFF000000, kBlue);
    }

    void text_data() {
        QTest::addColumn<QByteArray>("emf");
        QTest::addColumn<QRect>("inside");   // all ink lies here ...
        QTest::addColumn<QRect>("reaches");  // ... and touches this
        auto base = [](qint32 align) {
            Emf e(QSize(200, 100));
            e.rec(SETBKMODE, {1}).rec(SETTEXTALIGN, {align}).font(1, -30, QStringLiteral("宋体"));
            return e;
        };
        QTest::newRow("left top") << base(0).text({20, 10}, "HHHH").bytes() << QRect(18, 8, 70, 35)
                                  << QRect(20, 10, 10, 30);
        QTest::newRow("right baseline") << base(2 | 24).text({180, 60}, "HHHH").bytes()
                                        << QRect(110, 28, 72, 34) << QRect(170, 50, 10, 10);
        QTest::newRow("centre bottom") << base(6 | 8).text({100, 90}, "HHHH").bytes()
                                       << QRect(60, 55, 80, 37) << QRect(65, 80, 70, 10);
        QTest::newRow("character advances")
            << base(0).text({20, 10}, "HH", 0, QRect(), {120, 30}).bytes() << QRect(18, 8, 140, 35)
            << QRect(140, 10, 20, 30);
        QTest::newRow("clipped to its rectangle")
            << base(0).text({20, 10}, "HHHHHH", 4, QRect(0, 0, 60, 100)).bytes()
            << QRect(18, 8, 42, 35) << QRect(40, 10, 20, 30);
        QTest::newRow("update current position")
            << base(1).rec(MOVETOEX, {20, 10}).text({0, 0}, "HH").text({0, 0}, "HH").bytes()
            << QRect(18, 8, 70, 35) << QRect(70, 10, 10, 30);
        Emf up(QSize(200, 200));
        up.rec(SETBKMODE, {1}).font(1, -30, QStringLiteral("宋体"), 900).text({20, 180}, "HHHH");
        QTest::newRow("escapement turns it upwards")
            << up.bytes() << QRect(18, 100, 35, 82) << QRect(20, 120, 30, 10);
        QTest::newRow("ideographs") << base(0).text({20, 10}, QStringLiteral("中文")).bytes()
                                    << QRect(18, 8, 65, 35) << QRect(20, 10, 60, 30);
    }
    void text() {
        QFETCH(QByteArray, emf);
        QFETCH(QRect, inside);
        QFETCH(QRect, reaches);
        const QImage img = render(emf);
        const QRect box = ink(img);
        if (!inside.contains(box) || !box.intersects(reaches)) qWarning() << "ink" << box;
        QVERIFY(!box.isEmpty());
        QVERIFY(inside.contains(box));
        QVERIFY(box.intersects(reaches));
    }

    void textColours() {
        auto draw = [](qint32 bkMode, qint32 options) {
            return render(Emf(QSize(200, 100))
                              .rec(SETBKMODE, {bkMode})
                              .rec(SETBKCOLOR, {cref(kBlue)})
                              .rec(SETTEXTCOLOR, {cref(kRed)})
                              .font(1, -30, QStringLiteral("Arial"))
                              .text({20, 10}, "HHHH", options, QRect(0, 60, 200, 40))
                              .bytes());
        };
        QImage img = draw(1, 0);
        QVERIFY(countColour(img, img.rect(), kRed) > 50);
        QCOMPARE(countColour(img, img.rect(), kBlue), 0);
        // Opaque mode fills the text's cell with the background colour.
        img = draw(2, 0);
        QVERIFY(countColour(img, QRect(20, 10, 40, 30), kBlue) > 100);
        QCOMPARE(countColour(img, QRect(0, 60, 200, 40), kBlue), 0);
        // ETO_OPAQUE fills the record's rectangle as well.
        img = draw(1, 2);
        QCOMPARE(countColour(img, QRect(0, 61, 200, 38), kBlue), 200 * 38);
        // Glyph outlines recorded into a path and filled.
        img = render(Emf(QSize(200, 100))
                         .solid(kGreen)
                         .font(1, -40, QStringLiteral("宋体"))
                         .rec(BEGINPATH, {})
                         .text({20, 10}, "HH")
                         .rec(ENDPATH, {})
                         .rec(FILLPATH, {0, 0, 0, 0})
                         .bytes());
        QVERIFY(countColour(img, img.rect(), kGreen) > 100);
    }

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
        QFile file(QStringLiteral(EMF_TEST_DATA "/%1.emf").arg(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        QVERIFY(IsEmf(data));
        const orlenda::EmfResult r = RenderEmf(data);
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        QImage ref(QStringLiteral(EMF_TEST_DATA "/%1.png").arg(name));
        QVERIFY(!ref.isNull());
        ref = ref.convertToFormat(QImage::Format_RGB32);
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
    void libreOfficeFile() {
        QFile file(QStringLiteral(EMF_TEST_DATA "/libreoffice.emf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const orlenda::EmfResult r = RenderEmf(file.readAll());
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        const QImage& img = r.image;
        QCOMPARE(img.size(), QSize(302, 189));  // 80 x 50 mm at 96 pixels an inch
        auto mm = [&](double x, double y) {
            return img.pixel(int(x * 96 / 25.4), int(y * 96 / 25.4)) | 0xFF000000;
        };
        QCOMPARE(mm(14, 10), 0xFFE00000u);  // red rectangle 4..24 x 4..16, black border
        QCOMPARE(mm(5.5, 10), 0xFFE00000u);
        QCOMPARE(mm(4, 10), kBlack);
        QCOMPARE(mm(2, 10), kWhite);
        QCOMPARE(mm(38, 11), 0xFF2040FFu);  // circle 30..46 x 3..19, 1 mm green border
        const QRgb ring = mm(30, 11);
        QVERIFY(qGreen(ring) > 120 && qRed(ring) < 80 && qBlue(ring) < 100);
        QCOMPARE(mm(31, 4), kWhite);
        QCOMPARE(mm(56, 24), kRed);  // bitmap 52..68 x 20..36 in four quadrants
        QCOMPARE(mm(64, 24), 0xFF00A000u);
        QCOMPARE(mm(56, 32), kBlue);
        QCOMPARE(mm(64, 32), 0xFFFFDC00u);
        // 12 x 8 mm rectangle turned 30 degrees counter-clockwise about its corner at (34, 26).
        QCOMPARE(mm(41.2, 26.5), 0xFFE00000u);
        QCOMPARE(mm(46.5, 26.5), 0xFFE00000u);
        QCOMPARE(mm(45, 33.5), kWhite);
        // Gradient 4..24 x 22..32 from red to yellow, top to bottom.
        const QRgb top = mm(14, 22.5), bottom = mm(14, 31.5);
        QVERIFY(qRed(top) > 200 && qRed(bottom) > 200 && qGreen(bottom) - qGreen(top) > 100);
        // Navy hatch lines 1 mm apart over 52..76 x 4..16: lines and gaps.
        const QRect hatch(int(53 * 96 / 25.4), int(5 * 96 / 25.4), int(22 * 96 / 25.4),
                          int(10 * 96 / 25.4));
        int lines = 0, gaps = 0;
        for (int y = hatch.top(); y <= hatch.bottom(); ++y)
            for (int x = hatch.left(); x <= hatch.right(); ++x) {
                const QRgb c = img.pixel(x, y);
                lines += qBlue(c) > 90 && qRed(c) < 100 && qGreen(c) < 100;
                gaps += (c | 0xFF000000) == kWhite;
            }
        const int area = hatch.width() * hatch.height();
        QVERIFY2(lines > area / 5 && gaps > area / 5,
                 qPrintable(QStringLiteral("%1 %2").arg(lines).arg(gaps)));
        // "Orlenda 中秋 2008" at 14 pt, its box's top at 38 mm, from 4 mm.
        const QImage strip =
            img.copy(0, int(36 * 96 / 25.4), img.width(), img.height() - int(36 * 96 / 25.4));
        const QRect text = ink(strip).translated(0, int(36 * 96 / 25.4));
        QVERIFY2(QRect(int(3.5 * 96 / 25.4), int(38 * 96 / 25.4), int(74 * 96 / 25.4),
                       int(10 * 96 / 25.4))
                     .contains(text),
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(text.x())
                                .arg(text.y())
                                .arg(text.width())
                                .arg(text.height())));
        QVERIFY(text.width() > int(40 * 96 / 25.4));
    }

    // Seeded corruption of real and written files: each gives a picture or an error, in
    // bounded time (run under the address sanitizer as well).
    // A spike reaching millions of pixels away (here through a scaling world transform),
    // filled, outlined and used as a clip, is drawn where it crosses the picture without
    // taking seconds.
    void farReachingFiguresStayQuick() {
        const QList<QPoint> spike{{125, 125}, {1125, 125}, {625, 100000000}};
        auto scaled = [&](Emf e) {
            e.rec(SETWORLDTRANSFORM, {fl(0.08f), 0, 0, fl(0.08f), 0, 0});
            e.rec(BEGINPATH, {}).points(POLYGON, spike).rec(ENDPATH, {});
            return e;
        };
        QElapsedTimer timer;
        timer.start();
        QImage img = render(scaled(Emf().brush(1, 0, kRed).pen(2, 0, 25, kBlue))
                                .rec(STROKEANDFILLPATH, {0, 0, 0, 0})
                                .points(POLYGON, spike)  // and drawn directly
                                .bytes());
        QCOMPARE(img.pixel(50, 60) | 0xFF000000, kRed);
        QCOMPARE(img.pixel(5, 60) | 0xFF000000, kWhite);
        img = render(scaled(Emf().solid(kGreen))
                         .rec(SELECTCLIPPATH, {5})
                         .rec(RECTANGLE, {0, 0, 1250, 1250})
                         .bytes());
        QCOMPARE(img.pixel(50, 60) | 0xFF000000, kGreen);
        QCOMPARE(img.pixel(5, 60) | 0xFF000000, kWhite);
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    }

    void corruptedFilesNeverCrash() {
        QList<QByteArray> seeds;
        for (const char* name : {"shapes", "transformed", "raster", "text", "libreoffice"}) {
            QFile f(QStringLiteral(EMF_TEST_DATA "/%1.emf").arg(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::ReadOnly));
            seeds << f.readAll();
        }
        const Dib d = makeDib(8, 8, 8, QList<QRgb>(64, kRed));
        seeds << Emf()
                     .pen(1, 1, 0, kBlue)
                     .brush(2, 2, kRed, 5)
                     .font(3, -20, QStringLiteral("宋体"), 450)
                     .rec(SETMAPMODE, {8})
                     .rec(SETWINDOWEXTEX, {100, 100})
                     .rec(SETVIEWPORTEXTEX, {100, 100})
                     .rec(SAVEDC, {})
                     .rec(INTERSECTCLIPRECT, {5, 5, 95, 95})
                     .rec(ARC, {10, 10, 90, 90, 90, 50, 50, 10})
                     .points(POLYBEZIER16, {{1, 1}, {20, 80}, {60, 5}, {90, 90}}, true)
                     .rec(STRETCHDIBITS, stretchDiBits(QRect(0, 0, 50, 50), d, 8, 8))
                     .rec(BITBLT, blt(false, QRect(50, 50, 8, 8), d, 8, 8))
                     .rec(RESTOREDC, {-1})
                     .text({10, 10}, "Hello", 6, QRect(0, 0, 80, 40), {9, 9, 9, 9, 9})
                     .bytes();
        QRandomGenerator random(20080207);
        QElapsedTimer timer;
        timer.start();
        int pictures = 0, errors = 0;
        for (const QByteArray& seed : seeds) {
            for (int round = 0; round < 150; ++round) {
                QByteArray b = seed;
                const int flips = 1 + random.bounded(8);
                for (int i = 0; i < flips; ++i) {
                    // Past the header's frame, so most variants still get drawn.
                    const int at = 40 + random.bounded(int(b.size()) - 40);
                    b[at] = char(random.bounded(4) == 0 ? 0xFF : random.bounded(256));
                }
                const orlenda::EmfResult r = RenderEmf(b);
                QVERIFY(r.image.isNull() != r.error.isEmpty());
                ++(r.image.isNull() ? errors : pictures);
            }
        }
        qInfo("%d pictures, %d errors in %lld ms", pictures, errors, timer.elapsed());
        QVERIFY(pictures > 0 && errors > 0);
    }

    // The program's picture loader reads metafiles through this reader.
    void loadPicture() {
        const QString path = QStringLiteral(EMF_TEST_DATA "/libreoffice.emf");
        const QImage loaded = orlenda::LoadPicture(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(loaded, RenderEmf(file.readAll()).image);
        // 80 x 50 mm is 4535 x 2835 twips, 302 x 189 pixels of 15 twips.
        QCOMPARE(orlenda::NaturalSizeTwips(loaded.size()), QSize(302 * 15, 189 * 15));
        QCOMPARE(orlenda::PictureFile::Open(path).decode(QSize(151, 94)).size(), QSize(151, 94));
        QTemporaryDir dir;
        const QString broken = dir.filePath(QStringLiteral("broken.emf"));
        QFile out(broken);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(Emf().solid(kRed).rec(RECTANGLE, {20, 20, 80, 80}).bytes().left(150));
        out.close();
        QVERIFY_THROWS_EXCEPTION(orlenda::PictureError, orlenda::LoadPicture(broken));
    }
};

QTEST_MAIN(TestEmf)
#include "test_emf.moc"
