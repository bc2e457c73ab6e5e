#include "picker/emf.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <unordered_map>

#include "printing/fontmap.h"

namespace orlenda {

namespace {

constexpr quint32 kSignature = 0x464D4520;  // " EMF"
constexpr double kMaxSide = 20000;          // pixels, either side of the picture
constexpr double kMaxImageBytes = 256.0 * 1024 * 1024;
constexpr qint64 kMaxBitmapPixels = 32LL * 1024 * 1024;
constexpr int kMaxSavedStates = 4096;
constexpr qint64 kMaxPatternBytes = 64LL * 1024 * 1024;  // all pattern brushes together
constexpr qreal kMaxPenWidth = 32767;                    // QPen's limit, logical units
constexpr double kMaxDashes = 200000;
constexpr qint64 kMaxMilliseconds = 20000;
constexpr qint64 kMaxGradientPieces = 1 << 21;  // triangles filled for gradients, per file // past
                                                // this a dashed line is drawn solid

enum Record : quint32 {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_CREATEPALETTE = 49,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_FLATTENPATH = 65,
    EMR_WIDENPATH = 66,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_GDICOMMENT = 70,
    EMR_FILLRGN = 71,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
    EMR_ALPHABLEND = 114,
    EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
};

enum MapMode {
    MM_TEXT = 1,
    MM_LOMETRIC,
    MM_HIMETRIC,
    MM_LOENGLISH,
    MM_HIENGLISH,
    MM_TWIPS,
    MM_ISOTROPIC,
    MM_ANISOTROPIC
};
enum { TRANSPARENT = 1, OPAQUE = 2 };
enum { ALTERNATE = 1, WINDING = 2 };
enum { RGN_AND = 1, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY };
enum { MWT_IDENTITY = 1, MWT_LEFTMULTIPLY, MWT_RIGHTMULTIPLY, MWT_SET };
enum { R2_BLACK = 1, R2_NOT = 6, R2_XORPEN = 7, R2_MASKPEN = 9, R2_NOP = 11, R2_COPYPEN = 13 };
enum { R2_MERGEPEN = 15, R2_WHITE = 16 };
enum { HALFTONE = 4 };
enum { GM_ADVANCED = 2 };
enum : quint32 { TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24 };
enum : quint32 {
    ETO_OPAQUE = 0x2,
    ETO_CLIPPED = 0x4,
    ETO_GLYPH_INDEX = 0x10,
    ETO_NO_RECT = 0x100,
    ETO_PDY = 0x2000
};
enum { PS_DASH = 1, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME, PS_USERSTYLE };
enum { PS_ALTERNATE = 8 };
enum : quint32 { PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200 };
enum : quint32 { PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_GEOMETRIC = 0x10000 };
enum { BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2 };
enum { HS_HORIZONTAL = 0, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS };
enum : quint32 {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    SRCERASE = 0x00440328,
    NOTSRCCOPY = 0x00330008,
    NOTSRCERASE = 0x001100A6,
    MERGEPAINT = 0x00BB0226,
    DSTERASE = 0x00220326,
    PATCOPY = 0x00F00021,
    PATINVERT = 0x005A0049,
    DSTINVERT = 0x00550009,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};
enum { BI_RGB = 0, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5 };
enum { DIB_PAL_COLORS = 1 };

struct Corrupt {
    QString what;
};

[[noreturn]] void fail(const char* what) { throw Corrupt{QString::fromLatin1(what)}; }

// Bounds-checked little-endian view of one record; offsets are from the record's start.
class Rec {
  public:
    Rec(const uchar* data, quint32 size) : d_(data), size_(size) {}
    quint32 size() const { return size_; }
    bool has(quint64 off, quint64 len) const { return off <= size_ && len <= size_ - off; }
    void need(quint64 off, quint64 len) const {
        if (!has(off, len)) fail("a record is shorter than its contents");
    }
    quint32 u32(quint64 off) const {
        need(off, 4);
        return qFromLittleEndian<quint32>(d_ + off);
    }
    qint32 i32(quint64 off) const { return qint32(u32(off)); }
    qint16 i16(quint64 off) const {
        need(off, 2);
        return qFromLittleEndian<qint16>(d_ + off);
    }
    quint16 u16(quint64 off) const {
        need(off, 2);
        return qFromLittleEndian<quint16>(d_ + off);
    }
    quint8 u8(quint64 off) const {
        need(off, 1);
        return d_[off];
    }
    float f32(quint64 off) const {
        const quint32 v = u32(off);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    QPointF pointl(quint64 off) const { return QPointF(i32(off), i32(off + 4)); }
    QPointF points(quint64 off) const { return QPointF(i16(off), i16(off + 2)); }
    QRectF box(quint64 off) const { return QRectF(pointl(off), pointl(off + 8)).normalized(); }
    QColor color(quint64 off) const {
        need(off, 4);
        return QColor(d_[off], d_[off + 1], d_[off + 2]);
    }
    const uchar* at(quint64 off) const { return d_ + off; }

  private:
    const uchar* d_;
    quint32 size_;
};

struct PenSpec {
    int style = 0;
    qreal width = 0;       // logical units; thin pens draw one pixel
    bool cosmetic = true;  // width is in pixels
    bool oldStyle = true;  // made by CreatePen: dashes only while thin
    QColor color = Qt::black;
    Qt::PenCapStyle cap = Qt::RoundCap;
    Qt::PenJoinStyle join = Qt::RoundJoin;
    QList<qreal> user;
};

struct BrushSpec {
    enum Kind { Solid, Null, Hatched, Pattern, Mono } kind = Solid;
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;  // Mono: black marks the text colour, white the background colour
};

struct FontSpec {
    qint32 height = -13;
    qint32 escapement = 0;
    qint32 weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charSet = 0;
    quint8 pitchFamily = 0;
    QString face;
};

struct GdiObject {
    enum Kind { Pen, Brush, Font, Other } kind = Other;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
};

struct DcState {
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = OPAQUE;
    int fillMode = ALTERNATE;
    quint32 textAlign = 0;
    int mapMode = MM_TEXT;
    int rop2 = R2_COPYPEN;
    int stretchMode = 1;
    bool clockwise = false;
    qreal miterLimit = 10;
    QPointF winOrg, vpOrg;
    QSizeF winExt{1, 1}, vpExt{1, 1};
    QTransform world;
    QPointF cur;
    QPointF brushOrg;  // reference device pixels
    bool clipped = false;
    QPainterPath clip;  // image pixels
};

struct Dib {
    QImage image;  // top-down
    bool bottomUp = false;
};

bool finite(const QTransform& t) {
    for (qreal v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()})
        if (!std::isfinite(v)) return false;
    return true;
}

qreal length(QPointF v) { return std::hypot(v.x(), v.y()); }

// The length of a path's control polygon, never less than the path's own (a curve stays
// within its control points' hull). QPainterPath::length subdivides curves down to a
// hundredth of a unit, which on a huge curve takes minutes.
qreal outlineLength(const QPainterPath& path) {
    qreal total = 0;
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (!e.isMoveTo()) total += length(QPointF(e) - QPointF(path.elementAt(i - 1)));
    }
    return total;
}

// Scales a bit field of a pixel to 0..255.
int channel(quint32 pixel, quint32 mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const quint32 max = mask >> shift;
    return int(quint64((pixel & mask) >> shift) * 255 / max);
}

QString familyFor(const QString& face) {
    static QHash<QString, QString> cache;
    if (auto it = cache.constFind(face); it != cache.constEnd()) return *it;
    const QString family =
        !face.isEmpty() && QFontDatabase::hasFamily(face) ? face : ResolveFontFamily(face);
    cache.insert(face, family);
    return family;
}

class Player {
  public:
    explicit Player(const QByteArray& data)
        : base_(reinterpret_cast<const uchar*>(data.constData())), size_(quint64(data.size())) {}

    EmfResult run() {
        try {
            readHeader();
            const quint64 end = validateRecords();
            image_ = QImage(width_, height_, QImage::Format_RGB32);
            if (image_.isNull()) return {{}, QStringLiteral("out of memory for the picture")};
            image_.fill(Qt::white);
            painter_.begin(&image_);
            painter_.setRenderHint(QPainter::Antialiasing);
            painter_.setRenderHint(QPainter::TextAntialiasing);
            QElapsedTimer clock;
            clock.start();
            quint64 count = 0;
            for (quint64 off = 0; off < end;) {
                const quint32 type = qFromLittleEndian<quint32>(base_ + off);
                const quint32 size = qFromLittleEndian<quint32>(base_ + off + 4);
                if (off > 0) play(type, Rec(base_ + off, size));
                // A picture is drawn in well under a second; a file that takes far longer
                // is refused rather than left to hold up the program.
                if (++count % 64 == 0 && clock.elapsed() > kMaxMilliseconds)
                    fail("the metafile takes too long to draw");
                off += size;
                if (type == EMR_EOF) break;
            }
            painter_.end();
            return {image_, {}};
        } catch (const Corrupt& c) {
            if (painter_.isActive()) painter_.end();
            return {{}, c.what};
        }
    }

  private:
    void readHeader() {
        if (size_ < 88 || !IsEmf(QByteArray::fromRawData(reinterpret_cast<const char*>(base_), 44)))
            fail("not an enhanced metafile");
        const quint32 headerSize = qFromLittleEndian<quint32>(base_ + 4);
        if (headerSize < 88 || headerSize % 4 || headerSize > size_)
            fail("the metafile header is damaged");
        const Rec h(base_, headerSize);
        const quint32 bytes = h.u32(48);
        if (bytes < headerSize) fail("the metafile header is damaged");
        if (bytes > size_) fail("the metafile is truncated");
        limit_ = bytes;

        // Optional header parts exist only where the description does not start earlier.
        quint32 fixed = headerSize;
        if (h.u32(60) > 0 && h.u32(64) >= 88) fixed = std::min(fixed, h.u32(64));
        if (fixed >= 100 && h.u32(88) > 0 && h.u32(92) >= 88) fixed = std::min(fixed, h.u32(92));
        const QPointF device(h.i32(72), h.i32(76));
        QPointF micrometres(h.i32(80) * 1000.0, h.i32(84) * 1000.0);
        if (fixed >= 108 && h.i32(100) > 0 && h.i32(104) > 0)
            micrometres = QPointF(h.i32(100), h.i32(104));
        const bool deviceKnown =
            device.x() > 0 && device.y() > 0 && micrometres.x() > 0 && micrometres.y() > 0;
        if (deviceKnown) {
            pxPerMm_ =
                QPointF(device.x() * 1000 / micrometres.x(), device.y() * 1000 / micrometres.y());
        }
        const QRectF bounds(h.pointl(8), h.pointl(16));
        QRectF frame(h.pointl(24), h.pointl(32));  // 0.01 mm
        if ((frame.width() <= 0 || frame.height() <= 0) && deviceKnown && bounds.width() > 0 &&
            bounds.height() > 0) {
            frame =
                QRectF(bounds.left() * 100 / pxPerMm_.x(), bounds.top() * 100 / pxPerMm_.y(),
                       bounds.width() * 100 / pxPerMm_.x(), bounds.height() * 100 / pxPerMm_.y());
        }
        if (!(frame.width() > 0 && frame.height() > 0)) fail("the metafile has an empty frame");
        // twips = 0.01 mm * 1440 / 2540, pixels = twips / 15
        const double w = frame.width() * 1440 / 2540 / 15;
        const double h2 = frame.height() * 1440 / 2540 / 15;
        const double wr = std::max(1.0, std::round(w));
        const double hr = std::max(1.0, std::round(h2));
        if (wr > kMaxSide || hr > kMaxSide || wr * hr * 4 > kMaxImageBytes)
            fail("the metafile's picture is too large");
        width_ = int(wr);
        height_ = int(hr);

        if (deviceKnown) {
            const double sx = width_ / frame.width(), sy = height_ / frame.height();
            device_ = QTransform(100 / pxPerMm_.x() * sx, 0, 0, 100 / pxPerMm_.y() * sy,
                                 -frame.left() * sx, -frame.top() * sy);
        } else if (bounds.width() > 0 && bounds.height() > 0) {
            const double sx = width_ / bounds.width(), sy = height_ / bounds.height();
            device_ = QTransform(sx, 0, 0, sy, -bounds.left() * sx, -bounds.top() * sy);
            pxPerMm_ = QPointF(96 / 25.4, 96 / 25.4);
        } else {
            fail("the metafile header is damaged");
        }
    }

    // Checks the record chain before anything is drawn; returns where it ends.
    quint64 validateRecords() const {
        quint64 off = 0;
        while (off < limit_) {
            if (limit_ - off < 8) fail("a record runs past the end of the metafile");
            const quint32 type = qFromLittleEndian<quint32>(base_ + off);
            const quint32 size = qFromLittleEndian<quint32>(base_ + off + 4);
            if (size < 8 || size % 4) fail("a record has an impossible size");
            if (size > limit_ - off) fail("a record runs past the end of the metafile");
            off += size;
            if (type == EMR_EOF) break;
        }
        return off;
    }

    // ---- coordinates

    QTransform pageToDevice() const {
        const double wx = s_.winExt.width(), wy = s_.winExt.height();
        double sx = s_.vpExt.width() / wx, sy = s_.vpExt.height() / wy;
        if (s_.mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        return QTransform(sx, 0, 0, sy, s_.vpOrg.x() - s_.winOrg.x() * sx,
                          s_.vpOrg.y() - s_.winOrg.y() * sy);
    }

    // Logical units to image pixels.
    QTransform transform() const { return s_.world * pageToDevice() * device_; }

    // Sets the extents a fixed mapping mode implies (logical units per device pixel).
    void setMapMode(int mode) {
        if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return;
        s_.mapMode = mode;
        double unitMm = 0;
        switch (mode) {
            case MM_TEXT:
                s_.winExt = s_.vpExt = QSizeF(1, 1);
                return;
            case MM_LOMETRIC:
            case MM_ISOTROPIC:
                unitMm = 0.1;
                break;
            case MM_HIMETRIC:
                unitMm = 0.01;
                break;
            case MM_LOENGLISH:
                unitMm = 0.254;
                break;
            case MM_HIENGLISH:
                unitMm = 0.0254;
                break;
            case MM_TWIPS:
                unitMm = 25.4 / 1440;
                break;
            default:
                return;  // anisotropic keeps the extents it had
        }
        // y grows upwards in the metric and English modes
        s_.winExt = QSizeF(1, 1);
        s_.vpExt = QSizeF(unitMm * pxPerMm_.x(), -unitMm * pxPerMm_.y());
    }

    bool scalable() const { return s_.mapMode == MM_ISOTROPIC || s_.mapMode == MM_ANISOTROPIC; }

    // ---- pens and brushes

    QColor ropColor(const QColor& c) const {
        if (s_.rop2 == R2_BLACK) return Qt::black;
        if (s_.rop2 == R2_WHITE) return Qt::white;
        return c;
    }

    QPainter::CompositionMode ropMode() const {
        switch (s_.rop2) {
            case R2_NOT:
                return QPainter::RasterOp_NotDestination;
            case R2_XORPEN:
                return QPainter::RasterOp_SourceXorDestination;
            case R2_MASKPEN:
                return QPainter::RasterOp_SourceAndDestination;
            case R2_MERGEPEN:
                return QPainter::RasterOp_SourceOrDestination;
            default:
                return QPainter::CompositionMode_SourceOver;
        }
    }

    // The pen for a figure drawn with transform t (logical to image).
    QPen makePen(const QTransform& t, const QPainterPath& logical) const {
        const PenSpec& ps = s_.pen;
        if (ps.style == PS_NULL) return Qt::NoPen;
        const double scale = std::sqrt(std::abs(t.determinant()));
        const bool thin = ps.cosmetic || ps.width * scale < 1.0;
        QPen pen(ropColor(ps.color));
        // Wider than twice the picture's diagonal paints the same pixels, only slower.
        const qreal widest = 2 * std::hypot(width_, height_) / scale;
        pen.setWidthF(thin ? 0.0 : std::min({ps.width, kMaxPenWidth, widest}));
        // One-pixel lines have no ends or joins to shape.
        pen.setCapStyle(thin ? Qt::FlatCap : ps.cap);
        pen.setJoinStyle(ps.join);
        pen.setMiterLimit(s_.miterLimit);
        QList<qreal> dashes;
        const bool dashed = !(ps.oldStyle && !thin);
        if (dashed) {
            switch (ps.style) {
                case PS_DASH:
                    dashes = thin ? QList<qreal>{18, 6} : QList<qreal>{3, 1};
                    break;
                case PS_DOT:
                    dashes = thin ? QList<qreal>{3, 3} : QList<qreal>{1, 1};
                    break;
                case PS_DASHDOT:
                    dashes = thin ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1};
                    break;
                case PS_DASHDOTDOT:
                    dashes = thin ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{3, 1, 1, 1, 1, 1};
                    break;
                case PS_ALTERNATE:
                    dashes = {1, 1};
                    break;
                case PS_USERSTYLE:
                    for (qreal v : ps.user) dashes << (thin || ps.width <= 0 ? v : v / ps.width);
                    break;
                default:
                    break;
            }
        }
        if (dashes.size() >= 2) {
            if (dashes.size() % 2) dashes << dashes.last();
            qreal period = 0;
            for (qreal v : dashes) period += std::max<qreal>(v, 0);
            const qreal unit = thin ? 1.0 : ps.width * scale;
            // A dash count in the millions would take forever to stroke.
            if (period * unit > 0 && outlineLength(t.map(logical)) / (period * unit) < kMaxDashes) {
                pen.setDashPattern(dashes);
                if (ps.cap == Qt::RoundCap && !thin) pen.setCapStyle(Qt::FlatCap);
            }
        }
        return pen;
    }

    QImage hatchTile(int hatch, const QColor& fg) const {
        QImage tile(8, 8, QImage::Format_ARGB32_Premultiplied);
        tile.fill(s_.bkMode == OPAQUE ? s_.bkColor : QColor(Qt::transparent));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool h = y == 7, v = x == 7, f = x == y, b = x == 7 - y;
                bool on = false;
                switch (hatch) {
                    case HS_HORIZONTAL:
                        on = h;
                        break;
                    case HS_VERTICAL:
                        on = v;
                        break;
                    case HS_FDIAGONAL:
                        on = f;
                        break;
                    case HS_BDIAGONAL:
                        on = b;
                        break;
                    case HS_CROSS:
                        on = h || v;
                        break;
                    case HS_DIAGCROSS:
                        on = f || b;
                        break;
                    default:
                        break;
                }
                if (on) tile.setPixelColor(x, y, fg);
            }
        }
        return tile;
    }

    // The brush for a figure drawn with transform t; patterns stay in image pixels.
    QBrush makeBrush(const QTransform& t) const {
        const BrushSpec& b = s_.brush;
        QImage tile;
        switch (b.kind) {
            case BrushSpec::Null:
                return Qt::NoBrush;
            case BrushSpec::Solid:
                return QBrush(ropColor(b.color));
            case BrushSpec::Hatched:
                tile = hatchTile(b.hatch, ropColor(b.color));
                break;
            case BrushSpec::Pattern:
                tile = b.pattern;
                break;
            case BrushSpec::Mono: {
                tile = b.pattern.convertToFormat(QImage::Format_ARGB32);
                const QRgb fg = s_.textColor.rgb(), bg = s_.bkColor.rgb();
                for (int y = 0; y < tile.height(); ++y) {
                    QRgb* row = reinterpret_cast<QRgb*>(tile.scanLine(y));
                    for (int x = 0; x < tile.width(); ++x) row[x] = qGray(row[x]) < 128 ? fg : bg;
                }
                break;
            }
        }
        bool invertible = false;
        const QTransform inverse = t.inverted(&invertible);
        if (tile.isNull() || !invertible) return QBrush(ropColor(b.color));
        QBrush brush(tile);
        brush.setTransform(
            QTransform::fromTranslate(device_.map(s_.brushOrg).x(), device_.map(s_.brushOrg).y()) *
            inverse);
        return brush;
    }

    Qt::FillRule fillRule() const {
        return s_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
    }

    // Fills and/or outlines a path given in the coordinates that t maps to image pixels.
    void paint(QPainterPath path, const QTransform& t, bool fill, bool stroke) {
        if (s_.rop2 == R2_NOP || path.isEmpty() || !finite(t)) return;
        path.setFillRule(fillRule());
        painter_.save();
        painter_.setTransform(t);
        if (s_.rop2 != R2_COPYPEN) {
            painter_.setCompositionMode(ropMode());
            painter_.setRenderHint(QPainter::Antialiasing, false);
        }
        // Smoothing a figure that reaches millions of pixels away takes seconds; such
        // figures are only ever seen in damaged files.
        const QRectF reach = t.mapRect(path.controlPointRect());
        const qreal far = 16.0 * std::max(width_, height_) + 4096;
        if (!(reach.width() < far && reach.height() < far))
            painter_.setRenderHint(QPainter::Antialiasing, false);
        if (fill) {
            const QBrush brush = makeBrush(t);
            if (brush.style() != Qt::NoBrush) painter_.fillPath(path, brush);
        }
        if (stroke) {
            const QPen pen = makePen(t, path);
            // One-pixel lines stay crisp, as on the devices metafiles are made for.
            if (pen.widthF() == 0) painter_.setRenderHint(QPainter::Antialiasing, false);
            if (pen.style() != Qt::NoPen) {
                if (pen.style() == Qt::CustomDashLine && s_.bkMode == OPAQUE) {
                    QPen gaps = pen;
                    gaps.setStyle(Qt::SolidLine);
                    gaps.setColor(s_.bkColor);
                    painter_.strokePath(path, gaps);
                }
                painter_.strokePath(path, pen);
            }
        }
        painter_.restore();
    }

    // ---- figures

    // A closed figure (rectangle, ellipse, polygon ...) in logical units.
    void shape(const QPainterPath& logical) {
        if (!finite(transform())) return;
        if (inPath_) {
            path_.addPath(transform().map(logical));
            figureOpen_ = false;
            return;
        }
        paint(logical, transform(), true, true);
    }

    // An open figure that starts a figure of its own (polyline, Bézier, arc).
    void openFigure(const QPainterPath& logical) {
        if (!finite(transform())) return;
        if (inPath_) {
            path_.addPath(transform().map(logical));
            figureOpen_ = false;
            return;
        }
        paint(logical, transform(), false, true);
    }

    // Appends a piece with a line from the path's current point to the piece's start
    // (QPainterPath::connectPath alone drops a lone leading move).
    static void connect(QPainterPath& into, const QPainterPath& piece) {
        if (piece.isEmpty()) return;
        into.lineTo(piece.elementAt(0));
        into.connectPath(piece);
    }

    // A figure that continues from the current position (LineTo, PolylineTo, ArcTo ...).
    void continueFigure(const QPainterPath& logical) {
        if (!finite(transform())) return;
        if (inPath_) {
            if (!figureOpen_) {
                path_.moveTo(transform().map(s_.cur));
                figureOpen_ = true;
            }
            connect(path_, transform().map(logical));
            return;
        }
        QPainterPath p(s_.cur);
        connect(p, logical);
        paint(p, transform(), false, true);
    }

    QList<QPointF> readPoints(const Rec& r, quint64 off, quint64 count, bool small) const {
        const quint64 each = small ? 4 : 8;
        if (count > r.size() / each) fail("a record claims more points than it holds");
        r.need(off, count * each);
        QList<QPointF> pts;
        pts.reserve(qsizetype(count));
        for (quint64 i = 0; i < count; ++i)
            pts << (small ? r.points(off + i * 4) : r.pointl(off + i * 8));
        return pts;
    }

    void poly(quint32 type, const Rec& r, bool small) {
        const QList<QPointF> pts = readPoints(r, 28, r.u32(24), small);
        if (pts.isEmpty()) return;
        QPainterPath p;
        switch (type) {
            case EMR_POLYGON:
                if (pts.size() < 2) return;
                p.addPolygon(QPolygonF(pts));
                p.closeSubpath();
                shape(p);
                break;
            case EMR_POLYLINE:
                p.addPolygon(QPolygonF(pts));
                openFigure(p);
                break;
            case EMR_POLYLINETO:
                p.moveTo(s_.cur);
                for (const QPointF& q : pts) p.lineTo(q);
                continueFigure(p);
                s_.cur = pts.last();
                break;
            case EMR_POLYBEZIER:
                p.moveTo(pts.first());
                for (qsizetype i = 1; i + 2 < pts.size(); i += 3)
                    p.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
                openFigure(p);
                break;
            case EMR_POLYBEZIERTO:
                if (pts.size() < 3) return;
                p.moveTo(s_.cur);
                for (qsizetype i = 0; i + 2 < pts.size(); i += 3)
                    p.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
                continueFigure(p);
                s_.cur = pts[(pts.size() / 3) * 3 - 1];
                break;
            default:
                break;
        }
    }

    void polyPoly(const Rec& r, bool closed, bool small) {
        const quint32 n = r.u32(24), total = r.u32(28);
        if (n > r.size() / 4) fail("a record claims more figures than it holds");
        r.need(32, quint64(n) * 4);
        const QList<QPointF> pts = readPoints(r, 32 + quint64(n) * 4, total, small);
        QPainterPath p;
        quint64 at = 0;
        for (quint32 i = 0; i < n; ++i) {
            const quint32 count = r.u32(32 + quint64(i) * 4);
            if (count > total - at) fail("a record claims more points than it holds");
            if (count > 0) {
                p.addPolygon(QPolygonF(pts.mid(qsizetype(at), qsizetype(count))));
                if (closed) p.closeSubpath();
            }
            at += count;
        }
        if (closed) {
            shape(p);
        } else {
            openFigure(p);
        }
    }

    void polyDraw(const Rec& r, bool small) {
        const quint32 count = r.u32(24);
        const QList<QPointF> pts = readPoints(r, 28, count, small);
        const quint64 typesAt = 28 + quint64(count) * (small ? 4 : 8);
        r.need(typesAt, count);
        QPainterPath p(s_.cur);
        for (quint32 i = 0; i < count; ++i) {
            const quint8 kind = r.u8(typesAt + i);
            switch (kind & ~1) {
                case 6:
                    p.moveTo(pts[i]);
                    break;
                case 2:
                    p.lineTo(pts[i]);
                    break;
                case 4:
                    if (i + 2 < count) {
                        p.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
                        i += 2;
                    }
                    break;
                default:
                    break;
            }
            if (kind & 1) p.closeSubpath();
            s_.cur = pts[std::min(i, count - 1)];
        }
        if (inPath_) {
            path_.addPath(transform().map(p));
            figureOpen_ = true;
        } else {
            paint(p, transform(), false, true);
        }
    }

    enum ArcKind { Arc, ArcTo, Chord, Pie };

    void arc(const Rec& r, ArcKind kind) {
        const QRectF box = r.box(8);
        const QPointF start = r.pointl(24), end = r.pointl(32);
        const QPointF c = box.center();
        const double rx = box.width() / 2, ry = box.height() / 2;
        if (rx <= 0 || ry <= 0) return;
        auto angle = [&](QPointF q) {
            return std::atan2(-(q.y() - c.y()) / ry, (q.x() - c.x()) / rx) * 180 / std::numbers::pi;
        };
        const double a1 = angle(start), a2 = angle(end);
        // Drawing direction is counted on the device, whatever the mapping does to y.
        bool clockwise = s_.clockwise;
        if (transform().determinant() < 0) clockwise = !clockwise;
        double sweep = std::fmod(a2 - a1, 360.0);
        if (clockwise) {
            if (sweep >= 0) sweep -= 360;
        } else if (sweep <= 0) {
            sweep += 360;
        }
        QPainterPath p;
        if (kind == Pie)
            p.moveTo(c);
        else
            p.arcMoveTo(box, a1);
        p.arcTo(box, a1, sweep);
        switch (kind) {
            case Arc:
                openFigure(p);
                break;
            case ArcTo:
                continueFigure(p);
                s_.cur = p.currentPosition();
                break;
            case Chord:
            case Pie:
                p.closeSubpath();
                shape(p);
                break;
        }
    }

    void angleArc(const Rec& r) {
        const QPointF c = r.pointl(8);
        const double radius = r.u32(16), start = r.f32(20), sweep = r.f32(24);
        if (!std::isfinite(start) || !std::isfinite(sweep)) return;
        const QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
        QPainterPath p;
        p.arcMoveTo(box, start);
        p.arcTo(box, start, std::clamp(sweep, -3600.0, 3600.0));
        continueFigure(p);
        s_.cur = p.currentPosition();
    }

    // ---- paths and clipping

    void strokeCurrentPath(bool fill, bool stroke) {
        if (inPath_ || path_.isEmpty()) {
            path_ = QPainterPath();
            return;
        }
        const QTransform t = transform();
        bool invertible = false;
        const QTransform inverse = t.inverted(&invertible);
        if (fill) paint(path_, QTransform(), true, false);
        // Stroked in logical units so the pen keeps its logical width.
        if (stroke && invertible) paint(inverse.map(path_), t, false, true);
        path_ = QPainterPath();
    }

    QPainterPath wholeImage() const {
        QPainterPath p;
        p.addRect(QRectF(image_.rect()).adjusted(-1, -1, 1, 1));
        return p;
    }

    void combineClip(QPainterPath region, int mode) {
        const QRectF extent = region.boundingRect();
        if (!std::isfinite(extent.width()) || !std::isfinite(extent.height()))
            region = QPainterPath();
        region.setFillRule(fillRule());
        QPainterPath current = s_.clipped ? s_.clip : wholeImage();
        switch (mode) {
            case RGN_AND:
                current = current.intersected(region);
                break;
            case RGN_OR:
                current = current.united(region);
                break;
            case RGN_XOR:
                current = current.united(region).subtracted(current.intersected(region));
                break;
            case RGN_DIFF:
                current = current.subtracted(region);
                break;
            case RGN_COPY:
                current = region;
                break;
            default:
                return;
        }
        // Far-reaching regions are slow to clip with; outside the picture they clip nothing.
        const QRectF reach = current.controlPointRect();
        const qreal far = 16.0 * std::max(width_, height_) + 4096;
        if (!(reach.width() < far && reach.height() < far))
            current = current.intersected(wholeImage());
        s_.clip = current;
        s_.clipped = true;
        applyClip();
    }

    void applyClip() {
        painter_.setTransform(QTransform());
        if (s_.clipped) {
            painter_.setClipPath(s_.clip);
        } else {
            painter_.setClipping(false);
        }
    }

    QPainterPath logicalRect(const QRectF& r) const {
        QPainterPath p;
        p.addRect(r);
        return transform().map(p);
    }

    // Rectangles of region data in device pixels, as one image-pixel path.
    QPainterPath region(const Rec& r, quint64 off, quint64 cb) const {
        QPainterPath p;
        if (cb < 32) return p;
        r.need(off, cb);
        const quint32 count = r.u32(off + 8);
        if (count > (cb - 32) / 16) fail("a region claims more rectangles than it holds");
        p.setFillRule(Qt::WindingFill);
        for (quint32 i = 0; i < count; ++i)
            p.addRect(device_.mapRect(r.box(off + 32 + quint64(i) * 16)));
        return p;
    }

    // ---- bitmaps

    // Decodes to RGB32, or to premultiplied ARGB when the bitmap's alpha is wanted.
    Dib decodeDib(const Rec& r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                  quint32 usage, qint64 rowsGiven = -1, bool monoIndices = false,
                  bool alpha = false) const {
        if (cbBmi < 12) fail("a bitmap header is too short");
        r.need(offBmi, cbBmi);
        r.need(offBits, cbBits);
        const Rec bmi(r.at(offBmi), cbBmi);
        const quint32 hsize = bmi.u32(0);
        qint64 width, height;
        int bits;
        quint32 compression = BI_RGB, used = 0;
        if (hsize == 12) {
            width = qFromLittleEndian<quint16>(bmi.at(4));
            height = qFromLittleEndian<qint16>(bmi.at(6));
            bmi.need(10, 2);
            bits = qFromLittleEndian<quint16>(bmi.at(10));
        } else if (hsize >= 40 && hsize <= cbBmi) {
            width = bmi.i32(4);
            height = bmi.i32(8);
            bmi.need(14, 2);
            bits = qFromLittleEndian<quint16>(bmi.at(14));
            compression = bmi.u32(16);
            used = bmi.u32(32);
        } else {
            fail("a bitmap header is damaged");
        }
        Dib dib;
        dib.bottomUp = height > 0;
        height = std::abs(height);
        if (width <= 0 || height <= 0 || width > kMaxBitmapPixels || height > kMaxBitmapPixels ||
            width * height > kMaxBitmapPixels)
            fail("a bitmap has an impossible size");

        if (compression == BI_JPEG || compression == BI_PNG) {
            QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(r.at(offBits)),
                                                       qsizetype(cbBits));
            QBuffer buffer(&bytes);
            QImageReader reader(&buffer, compression == BI_PNG ? "png" : "jpeg");
            const QSize size = reader.size();
            if (!size.isValid() || qint64(size.width()) * size.height() > kMaxBitmapPixels)
                return dib;
            dib.image = reader.read().convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32);
            dib.bottomUp = false;
            return dib;
        }
        if (compression != BI_RGB && compression != BI_BITFIELDS) return dib;  // RLE: not drawn
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            fail("a bitmap has an impossible depth");
        if (compression == BI_BITFIELDS && bits != 16 && bits != 32)
            fail("a bitmap has an impossible depth");

        quint32 masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
        if (bits == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        }
        quint64 paletteAt = hsize;
        if (compression == BI_BITFIELDS) {
            for (int i = 0; i < 3; ++i) masks[i] = bmi.u32(40 + 4 * i);
            if (hsize == 40) paletteAt += 12;
        }
        QList<QRgb> palette;
        if (bits <= 8) {
            const quint64 entries = used > 0 && used < (1u << bits) ? used : (1u << bits);
            const quint64 each = hsize == 12 ? 3 : (usage == DIB_PAL_COLORS ? 2 : 4);
            for (quint64 i = 0; i < entries; ++i) {
                const quint64 at = paletteAt + i * each;
                QRgb c = qRgb(0, 0, 0);
                if (monoIndices) {
                    c = i ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                } else if (usage == DIB_PAL_COLORS) {
                    const int g = entries > 1 ? int(i * 255 / (entries - 1)) : 0;
                    c = qRgb(g, g, g);  // no logical palette kept: a grey ramp keeps contrast
                } else if (bmi.has(at, 3)) {
                    c = qRgb(*bmi.at(at + 2), *bmi.at(at + 1), *bmi.at(at));
                }
                palette << c;
            }
        }

        const qint64 rows = rowsGiven >= 0 ? std::min<qint64>(rowsGiven, height) : height;
        const quint64 stride = ((quint64(width) * bits + 31) / 32) * 4;
        if (rows <= 0) return dib;
        if (cbBits < stride * quint64(rows)) fail("a bitmap's pixels run past its record");
        dib.image = QImage(int(width), int(rows),
                           alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        if (dib.image.isNull()) fail("out of memory for a bitmap");
        const uchar* src = r.at(offBits);
        for (qint64 y = 0; y < rows; ++y) {
            const uchar* line = src + stride * quint64(dib.bottomUp ? rows - 1 - y : y);
            QRgb* out = reinterpret_cast<QRgb*>(dib.image.scanLine(int(y)));
            for (qint64 x = 0; x < width; ++x) {
                QRgb c;
                switch (bits) {
                    case 1:
                    case 4:
                    case 8: {
                        const quint64 bit = quint64(x) * bits;
                        const int index =
                            (line[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
                        c = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
                        break;
                    }
                    case 16: {
                        const quint32 v = qFromLittleEndian<quint16>(line + x * 2);
                        c = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                        break;
                    }
                    case 24:
                        c = qRgb(line[x * 3 + 2], line[x * 3 + 1], line[x * 3]);
                        break;
                    default: {
                        const quint32 v = qFromLittleEndian<quint32>(line + x * 4);
                        c = compression == BI_BITFIELDS
                                ? qRgb(channel(v, masks[0]), channel(v, masks[1]),
                                       channel(v, masks[2]))
                                : v;
                        break;
                    }
                }
                if (!alpha || bits != 32 || compression != BI_RGB) {
                    out[x] = c | 0xFF000000;
                } else {
                    // Alpha-blended bitmaps are stored premultiplied; clamp what cannot be.
                    const int a = qAlpha(c);
                    out[x] = qRgba(std::min(qRed(c), a), std::min(qGreen(c), a),
                                   std::min(qBlue(c), a), a);
                }
            }
        }
        return dib;
    }

    static QPainter::CompositionMode bltMode(quint32 rop) {
        switch (rop) {
            case SRCPAINT:
                return QPainter::RasterOp_SourceOrDestination;
            case SRCAND:
                return QPainter::RasterOp_SourceAndDestination;
            case SRCINVERT:
                return QPainter::RasterOp_SourceXorDestination;
            case SRCERASE:
                return QPainter::RasterOp_SourceAndNotDestination;
            case NOTSRCCOPY:
                return QPainter::RasterOp_NotSource;
            case NOTSRCERASE:
                return QPainter::RasterOp_NotSourceAndNotDestination;
            case MERGEPAINT:
                return QPainter::RasterOp_NotSourceOrDestination;
            case DSTERASE:
                return QPainter::RasterOp_NotSourceAndDestination;
            default:
                return QPainter::CompositionMode_SourceOver;
        }
    }

    // Draws the src rectangle (pixels of a top-down image) into dest (logical units).
    void drawBitmap(const QRectF& dest, const QImage& image, const QRectF& src, quint32 rop,
                    qreal opacity = 1.0) {
        if (inPath_ || image.isNull() || src.width() <= 0 || src.height() <= 0 ||
            dest.width() == 0 || dest.height() == 0)
            return;
        const QRectF part = src & QRectF(image.rect());
        if (part.isEmpty()) return;
        const QTransform place =
            QTransform::fromTranslate(-src.x(), -src.y()) *
            QTransform::fromScale(dest.width() / src.width(), dest.height() / src.height()) *
            QTransform::fromTranslate(dest.x(), dest.y());
        const QTransform t = place * transform();
        if (!finite(t)) return;
        painter_.save();
        painter_.setTransform(t);
        painter_.setCompositionMode(bltMode(rop));
        painter_.setOpacity(opacity);
        const bool shrinking = std::sqrt(std::abs(t.determinant())) < 0.95;
        painter_.setRenderHint(QPainter::SmoothPixmapTransform,
                               s_.stretchMode == HALFTONE || shrinking);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.drawImage(part, image, part);
        painter_.restore();
    }

    // BitBlt and StretchBlt without a source bitmap paint with the brush.
    void patternBlt(const QRectF& dest, quint32 rop) {
        if (inPath_) return;
        QPainterPath p;
        p.addRect(dest);
        const DcState saved = s_;
        switch (rop) {
            case PATCOPY:
                break;
            case BLACKNESS:
            case WHITENESS:
                s_.brush.kind = BrushSpec::Solid;
                s_.brush.color = rop == BLACKNESS ? Qt::black : Qt::white;
                break;
            case PATINVERT:
                s_.rop2 = R2_XORPEN;
                break;
            case DSTINVERT:
                s_.rop2 = R2_NOT;
                break;
            default:
                return;
        }
        s_.pen.style = PS_NULL;
        paint(p, transform(), true, false);
        s_ = saved;
    }

    enum class Blt { Plain, Stretch, Alpha, Transparent };

    // BitBlt, StretchBlt, AlphaBlend and TransparentBlt share one layout.
    void blt(const Rec& r, Blt kind) {
        const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
        const quint32 rop = r.u32(40);  // blend function or transparent colour for the last two
        const quint32 offBmi = r.u32(84), cbBmi = r.u32(88), offBits = r.u32(92),
                      cbBits = r.u32(96);
        if (cbBmi == 0 || offBmi == 0) {
            if (kind == Blt::Plain || kind == Blt::Stretch) patternBlt(dest, rop);
            return;
        }
        const bool alpha = kind == Blt::Alpha && (rop >> 24) & 1;  // AC_SRC_ALPHA
        const Dib dib = decodeDib(r, offBmi, cbBmi, offBits, cbBits, r.u32(80), -1, false, alpha);
        QSizeF srcSize = dest.size();
        if (kind != Blt::Plain) srcSize = QSizeF(r.i32(100), r.i32(104));
        const QRectF src(QPointF(r.i32(44), r.i32(48)), srcSize);
        switch (kind) {
            case Blt::Alpha:
                drawBitmap(dest, dib.image, src, SRCCOPY, ((rop >> 16) & 0xFF) / 255.0);
                break;
            case Blt::Transparent: {
                QImage image = dib.image.convertToFormat(QImage::Format_ARGB32);
                const QRgb key = r.color(40).rgb();
                for (int y = 0; y < image.height(); ++y) {
                    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                    for (int x = 0; x < image.width(); ++x)
                        if (row[x] == key) row[x] = 0;
                }
                drawBitmap(dest, image, src, SRCCOPY);
                break;
            }
            default:
                drawBitmap(dest, dib.image, src, rop);
                break;
        }
    }

    // Gouraud shading by subdivision: small or nearly even triangles take their mean colour.
    void shadeTriangle(const QPointF (&p)[3], const QColor (&c)[3], const QTransform& t,
                       int depth) {
        int spread = 0;
        for (int i = 0; i < 3; ++i) {
            const QColor& a = c[i];
            const QColor& b = c[(i + 1) % 3];
            spread = std::max({spread, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                               std::abs(a.blue() - b.blue())});
        }
        const qreal size =
            std::max({length(t.map(p[1]) - t.map(p[0])), length(t.map(p[2]) - t.map(p[1])),
                      length(t.map(p[0]) - t.map(p[2]))});
        if (depth == 0 || spread < 6 || size < 3 || gradientPieces_ >= kMaxGradientPieces) {
            ++gradientPieces_;
            QPainterPath path;
            path.addPolygon(QPolygonF({p[0], p[1], p[2]}));
            path.closeSubpath();
            painter_.fillPath(path, QColor((c[0].red() + c[1].red() + c[2].red()) / 3,
                                           (c[0].green() + c[1].green() + c[2].green()) / 3,
                                           (c[0].blue() + c[1].blue() + c[2].blue()) / 3));
            return;
        }
        auto mid = [](const QColor& a, const QColor& b) {
            return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2,
                          (a.blue() + b.blue()) / 2);
        };
        const QPointF m[3] = {(p[0] + p[1]) / 2, (p[1] + p[2]) / 2, (p[2] + p[0]) / 2};
        const QColor mc[3] = {mid(c[0], c[1]), mid(c[1], c[2]), mid(c[2], c[0])};
        shadeTriangle({p[0], m[0], m[2]}, {c[0], mc[0], mc[2]}, t, depth - 1);
        shadeTriangle({m[0], p[1], m[1]}, {mc[0], c[1], mc[1]}, t, depth - 1);
        shadeTriangle({m[2], m[1], p[2]}, {mc[2], mc[1], c[2]}, t, depth - 1);
        shadeTriangle({m[0], m[1], m[2]}, {mc[0], mc[1], mc[2]}, t, depth - 1);
    }

    void gradientFill(const Rec& r) {
        const quint32 count = r.u32(24), shapes = r.u32(28), mode = r.u32(32);
        const quint64 each = mode == 2 ? 12 : 8;
        if (count > r.size() / 16 || shapes > r.size() / each)
            fail("a gradient claims more points than it holds");
        r.need(36, quint64(count) * 16 + quint64(shapes) * each);
        QList<QPointF> pts;
        QList<QColor> colours;
        for (quint32 i = 0; i < count; ++i) {
            const quint64 at = 36 + quint64(i) * 16;
            pts << r.pointl(at);
            colours << QColor(r.u16(at + 8) >> 8, r.u16(at + 10) >> 8, r.u16(at + 12) >> 8);
        }
        const QTransform t = transform();
        if (inPath_ || mode > 2 || !finite(t)) return;
        painter_.save();
        painter_.setTransform(t);
        painter_.setRenderHint(QPainter::Antialiasing, false);  // no seams between pieces
        const quint64 first = 36 + quint64(count) * 16;
        for (quint32 i = 0; i < shapes; ++i) {
            quint32 v[3] = {r.u32(first + i * each), r.u32(first + i * each + 4), 0};
            if (mode == 2) v[2] = r.u32(first + i * each + 8);
            if (v[0] >= count || v[1] >= count || v[2] >= count) continue;
            if (mode == 2) {
                shadeTriangle({pts[v[0]], pts[v[1]], pts[v[2]]},
                              {colours[v[0]], colours[v[1]], colours[v[2]]}, t, 6);
                continue;
            }
            const QPointF a = pts[v[0]], b = pts[v[1]];
            QLinearGradient g(a, mode == 0 ? QPointF(b.x(), a.y()) : QPointF(a.x(), b.y()));
            g.setColorAt(0, colours[v[0]]);
            g.setColorAt(1, colours[v[1]]);
            painter_.fillRect(QRectF(a, b).normalized(), g);
        }
        painter_.restore();
    }

    void stretchDiBits(const Rec& r) {
        const Dib dib = decodeDib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64));
        if (dib.image.isNull()) return;
        const QRectF dest(r.i32(24), r.i32(28), r.i32(72), r.i32(76));
        QRectF src(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
        // A bottom-up bitmap counts its source rectangle from the bottom row.
        if (dib.bottomUp) src.moveTop(dib.image.height() - src.top() - src.height());
        drawBitmap(dest, dib.image, src, r.u32(68));
    }

    void setDiBitsToDevice(const Rec& r) {
        const qint64 start = r.u32(68), scans = r.u32(72);
        const Dib dib = decodeDib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64), scans);
        if (dib.image.isNull()) return;
        const double xSrc = r.i32(32), ySrc = r.i32(36), cx = r.i32(40), cy = r.i32(44);
        const QRectF dest(r.i32(24), r.i32(28), cx, cy);
        // The bits hold scan lines start .. start + scans - 1 of the whole bitmap.
        const double rows = dib.image.height();
        const double top = dib.bottomUp ? start + rows - ySrc - cy : ySrc - start;
        drawBitmap(dest, dib.image, QRectF(xSrc, top, cx, cy), SRCCOPY);
    }

    // ---- text

    QFont makeFont(double emScale, bool* ok) const {
        const FontSpec& f = s_.font;
        QFont font(familyFor(f.face));
        if (f.pitchFamily >> 4 == 1) font.setStyleHint(QFont::Serif);
        if (f.pitchFamily >> 4 == 2) font.setStyleHint(QFont::SansSerif);
        if (f.pitchFamily >> 4 == 3 || (f.pitchFamily & 3) == 1)
            font.setStyleHint(QFont::Monospace);
        font.setWeight(QFont::Weight(std::clamp(f.weight > 0 ? f.weight : 400, 1, 1000)));
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        font.setStrikeOut(f.strikeOut);
        double em = 0;
        if (f.height < 0) {
            em = -double(f.height) * emScale;
        } else {
            // A positive height is the whole cell, ascent plus descent.
            const double cell = (f.height ? f.height : 16) * emScale;
            QFont probe(font);
            probe.setPixelSize(100);
            const QFontMetricsF m(probe);
            em = m.ascent() + m.descent() > 0 ? cell * 100 / (m.ascent() + m.descent()) : cell;
        }
        *ok = std::isfinite(em) && em >= 1 && em <= kMaxSide;
        if (*ok) font.setPixelSize(int(std::lround(em)));
        return font;
    }

    QString decodeNarrow(const Rec& r, quint64 off, quint32 count) const {
        const QByteArray bytes(reinterpret_cast<const char*>(r.at(off)), qsizetype(count));
        const char* codec = nullptr;
        switch (s_.font.charSet) {
            case 134:
                codec = "GB18030";
                break;
            case 136:
                codec = "Big5";
                break;
            case 128:
                codec = "Shift_JIS";
                break;
            default:
                break;
        }
        if (codec) {
            QStringDecoder decoder(codec);
            if (decoder.isValid()) return decoder(bytes);
        }
        return QString::fromLatin1(bytes);
    }

    void textOut(const Rec& r, bool wide) {
        const qint32 mode = r.i32(24);
        const QPointF reference = r.pointl(36);
        const quint32 chars = r.u32(44), offString = r.u32(48), options = r.u32(52);
        // Some writers keep the rectangle even when its flag says it is absent.
        const bool hasRect = !(options & ETO_NO_RECT) || offString >= 76;
        const QRectF rect = hasRect ? r.box(56) : QRectF();
        const quint32 offDx = r.u32(hasRect ? 72 : 56);
        if (chars > r.size()) fail("a text record claims more characters than it holds");
        r.need(offString, quint64(chars) * (wide ? 2 : 1));
        QString text;
        if (wide) {
            for (quint32 i = 0; i < chars; ++i)
                text += QChar(qFromLittleEndian<quint16>(r.at(offString + quint64(i) * 2)));
        } else {
            text = decodeNarrow(r, offString, chars);
        }
        const quint64 dxStep = options & ETO_PDY ? 8 : 4;
        QList<qreal> dx;
        if (offDx && chars && r.has(offDx, quint64(chars) * dxStep) &&
            text.size() == qsizetype(chars)) {
            for (quint32 i = 0; i < chars; ++i) dx << r.i32(offDx + i * dxStep);
        }

        const QTransform t = transform();
        if (!finite(t)) return;
        if ((options & ETO_OPAQUE) && hasRect && !rect.isEmpty() && !inPath_) {
            painter_.save();
            painter_.setTransform(t);
            painter_.fillRect(rect, s_.bkColor);
            painter_.restore();
        }
        if (!qGuiApp || text.isEmpty() || (options & ETO_GLYPH_INDEX)) return;

        const QTransform lin(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0);
        const double esc = s_.font.escapement / 10.0 * std::numbers::pi / 180;
        const bool yUp = lin.determinant() < 0;
        const QPointF dirLogical(std::cos(esc), yUp ? std::sin(esc) : -std::sin(esc));
        const double emScale = length(lin.map(QPointF(0, 1)));
        double angle, advScale, stretch = 1;
        if (mode == GM_ADVANCED) {
            const QPointF v = lin.map(dirLogical);
            angle = std::atan2(v.y(), v.x());
            advScale = length(v);
            stretch = emScale > 0 ? advScale / emScale : 1;
        } else {
            angle = -esc;
            advScale = length(lin.map(QPointF(1, 0)));
        }
        if (!(emScale > 0) || !(advScale > 0) || !(stretch > 0)) return;
        bool ok = false;
        const QFont font = makeFont(emScale, &ok);
        if (!ok) return;
        const QFontMetricsF fm(font);

        // Advances in the text's own pixels (before any stretch).
        QList<qreal> advances;
        qreal width = 0;
        if (!dx.isEmpty()) {
            for (qreal d : dx) {
                advances << d * advScale / stretch;
                width += advances.last();
            }
        } else {
            width = fm.horizontalAdvance(text);
        }
        const bool updateCp = s_.textAlign & TA_UPDATECP;
        const QPointF origin = updateCp ? s_.cur : reference;
        qreal x0 = 0, y0 = 0;
        if ((s_.textAlign & TA_CENTER) == TA_CENTER)
            x0 = -width / 2;
        else if (s_.textAlign & TA_RIGHT)
            x0 = -width;
        if ((s_.textAlign & TA_BASELINE) == TA_BASELINE)
            y0 = 0;
        else if (s_.textAlign & TA_BOTTOM)
            y0 = -fm.descent();
        else
            y0 = fm.ascent();
        if (updateCp) {
            const double logical = width * stretch / advScale;
            if ((s_.textAlign & TA_CENTER) != TA_CENTER)
                s_.cur = origin + dirLogical * (s_.textAlign & TA_RIGHT ? -logical : logical);
        }

        QTransform local;
        const QPointF at = t.map(origin);
        local.translate(at.x(), at.y());
        local.rotateRadians(angle);
        local.scale(stretch, 1);

        // Characters one by one when the file gives their advances, surrogate pairs together.
        QList<std::pair<QString, qreal>> runs;
        if (advances.isEmpty()) {
            runs.append({text, x0});
        } else {
            qreal x = x0;
            for (qsizetype i = 0; i < text.size(); ++i) {
                QString piece(text[i]);
                qreal step = advances[i];
                if (text[i].isHighSurrogate() && i + 1 < text.size()) {
                    piece += text[++i];
                    step += advances[i];
                }
                runs.append({piece, x});
                x += step;
            }
        }
        if (inPath_) {
            QPainterPath glyphs;
            for (const auto& [piece, x] : runs) glyphs.addText(x, y0, font, piece);
            path_.addPath(local.map(glyphs));
            figureOpen_ = false;
            return;
        }
        painter_.save();
        if ((options & ETO_CLIPPED) && hasRect) {
            painter_.setTransform(QTransform());
            painter_.setClipPath(logicalRect(rect),
                                 painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        }
        painter_.setTransform(local);
        if (s_.bkMode == OPAQUE)
            painter_.fillRect(QRectF(x0, y0 - fm.ascent(), width, fm.ascent() + fm.descent()),
                              s_.bkColor);
        painter_.setFont(font);
        painter_.setPen(s_.textColor);
        for (const auto& [piece, x] : runs) painter_.drawText(QPointF(x, y0), piece);
        painter_.restore();
    }

    // ---- objects

    void stockObject(quint32 index) {
        switch (index) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            case 18: {
                static const int grey[] = {255, 192, 128, 64, 0};
                const int g = index == 18 ? 255 : grey[index];
                s_.brush = BrushSpec{BrushSpec::Solid, QColor(g, g, g), 0, {}};
                break;
            }
            case 5:
                s_.brush = BrushSpec{BrushSpec::Null, Qt::white, 0, {}};
                break;
            case 6:
            case 7:
            case 19:
                s_.pen = PenSpec();
                s_.pen.color = index == 6 ? Qt::white : Qt::black;
                break;
            case 8:
                s_.pen = PenSpec();
                s_.pen.style = PS_NULL;
                break;
            case 10:
            case 11:
            case 16:
                s_.font = FontSpec();
                s_.font.pitchFamily = 0x31;  // fixed pitch, modern
                break;
            case 12:
            case 13:
            case 14:
            case 17:
                s_.font = FontSpec();
                s_.font.weight = index == 13 ? 700 : 400;
                break;
            default:
                break;
        }
    }

    // Keeps the handle table and the memory its patterns hold.
    void store(quint32 index, std::optional<GdiObject> object) {
        if (auto it = objects_.find(index); it != objects_.end()) {
            patternBytes_ -= it->second.brush.pattern.sizeInBytes();
            objects_.erase(it);
        }
        if (!object) return;
        patternBytes_ += object->brush.pattern.sizeInBytes();
        objects_.emplace(index, std::move(*object));
    }

    void selectObject(quint32 index) {
        if (index & 0x80000000) {
            stockObject(index & 0x7FFFFFFF);
            return;
        }
        const auto it = objects_.find(index);
        if (it == objects_.end()) return;
        switch (it->second.kind) {
            case GdiObject::Pen:
                s_.pen = it->second.pen;
                break;
            case GdiObject::Brush:
                s_.brush = it->second.brush;
                break;
            case GdiObject::Font:
                s_.font = it->second.font;
                break;
            case GdiObject::Other:
                break;
        }
    }

    static Qt::PenCapStyle capStyle(quint32 style) {
        if ((style & 0xF00) == PS_ENDCAP_SQUARE) return Qt::SquareCap;
        if ((style & 0xF00) == PS_ENDCAP_FLAT) return Qt::FlatCap;
        return Qt::RoundCap;
    }

    static Qt::PenJoinStyle joinStyle(quint32 style) {
        if ((style & 0xF000) == PS_JOIN_BEVEL) return Qt::BevelJoin;
        if ((style & 0xF000) == PS_JOIN_MITER) return Qt::MiterJoin;
        return Qt::RoundJoin;
    }

    void createPen(const Rec& r) {
        GdiObject o;
        o.kind = GdiObject::Pen;
        const quint32 style = r.u32(12);
        o.pen.style = int(style & 0xF);
        o.pen.width = std::abs(double(r.i32(16)));
        o.pen.cosmetic = o.pen.width == 0;
        o.pen.color = r.color(24);
        store(r.u32(8), o);
    }

    void extCreatePen(const Rec& r) {
        GdiObject o;
        o.kind = GdiObject::Pen;
        const quint32 style = r.u32(28);
        o.pen.style = int(style & 0xF);
        o.pen.oldStyle = false;
        o.pen.cosmetic = !(style & PS_GEOMETRIC);
        o.pen.width = o.pen.cosmetic ? 0 : r.u32(32);
        o.pen.cap = capStyle(style);
        o.pen.join = joinStyle(style);
        o.pen.color = r.color(40);
        if (r.u32(36) == BS_NULL) o.pen.style = PS_NULL;
        const quint32 entries = r.u32(48);
        if (o.pen.style == PS_USERSTYLE && entries <= 16 && r.has(52, quint64(entries) * 4)) {
            for (quint32 i = 0; i < entries; ++i) o.pen.user << r.u32(52 + i * 4);
        }
        store(r.u32(8), o);
    }

    void createBrush(const Rec& r) {
        GdiObject o;
        o.kind = GdiObject::Brush;
        const quint32 style = r.u32(12);
        o.brush.color = r.color(16);
        o.brush.hatch = int(r.u32(20));
        o.brush.kind = style == BS_NULL      ? BrushSpec::Null
                       : style == BS_HATCHED ? BrushSpec::Hatched
                                             : BrushSpec::Solid;
        store(r.u32(8), o);
    }

    void createPatternBrush(const Rec& r, bool mono) {
        GdiObject o;
        o.kind = GdiObject::Brush;
        const Dib dib =
            decodeDib(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28), r.u32(12), -1, mono);
        o.brush.kind = dib.image.isNull() ? BrushSpec::Solid
                       : mono             ? BrushSpec::Mono
                                          : BrushSpec::Pattern;
        // Many large patterns could exhaust memory; past the budget they paint solid.
        if (!dib.image.isNull() && patternBytes_ + dib.image.sizeInBytes() <= kMaxPatternBytes) {
            o.brush.pattern = dib.image;
        } else {
            o.brush.kind = BrushSpec::Solid;
        }
        o.brush.color = Qt::black;
        store(r.u32(8), o);
    }

    void createFont(const Rec& r) {
        GdiObject o;
        o.kind = GdiObject::Font;
        r.need(12, 92);
        FontSpec& f = o.font;
        f.height = r.i32(12);
        f.escapement = r.i32(20);
        f.weight = r.i32(28);
        f.italic = r.u8(32);
        f.underline = r.u8(33);
        f.strikeOut = r.u8(34);
        f.charSet = r.u8(35);
        f.pitchFamily = r.u8(39);
        for (int i = 0; i < 32; ++i) {
            const char16_t c = qFromLittleEndian<quint16>(r.at(40 + i * 2));
            if (!c) break;
            f.face += QChar(c);
        }
        store(r.u32(8), o);
    }

    // ---- records

    void play(quint32 type, const Rec& r) {
        switch (type) {
            case EMR_POLYBEZIER:
            case EMR_POLYGON:
            case EMR_POLYLINE:
            case EMR_POLYBEZIERTO:
            case EMR_POLYLINETO:
                poly(type, r, false);
                break;
            case EMR_POLYBEZIER16:
            case EMR_POLYGON16:
            case EMR_POLYLINE16:
            case EMR_POLYBEZIERTO16:
            case EMR_POLYLINETO16:
                poly(type - (EMR_POLYBEZIER16 - EMR_POLYBEZIER), r, true);
                break;
            case EMR_POLYPOLYLINE:
            case EMR_POLYPOLYGON:
                polyPoly(r, type == EMR_POLYPOLYGON, false);
                break;
            case EMR_POLYPOLYLINE16:
            case EMR_POLYPOLYGON16:
                polyPoly(r, type == EMR_POLYPOLYGON16, true);
                break;
            case EMR_POLYDRAW:
            case EMR_POLYDRAW16:
                polyDraw(r, type == EMR_POLYDRAW16);
                break;
            case EMR_SETWINDOWEXTEX:
            case EMR_SETVIEWPORTEXTEX: {
                const QSizeF ext(r.i32(8), r.i32(12));
                if (!scalable() || ext.width() == 0 || ext.height() == 0) break;
                (type == EMR_SETWINDOWEXTEX ? s_.winExt : s_.vpExt) = ext;
                break;
            }
            case EMR_SETWINDOWORGEX:
                s_.winOrg = r.pointl(8);
                break;
            case EMR_SETVIEWPORTORGEX:
                s_.vpOrg = r.pointl(8);
                break;
            case EMR_SCALEWINDOWEXTEX:
            case EMR_SCALEVIEWPORTEXTEX: {
                const double xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
                if (!scalable() || xn == 0 || xd == 0 || yn == 0 || yd == 0) break;
                QSizeF& ext = type == EMR_SCALEWINDOWEXTEX ? s_.winExt : s_.vpExt;
                ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
                break;
            }
            case EMR_SETBRUSHORGEX:
                s_.brushOrg = r.pointl(8);
                break;
            case EMR_SETPIXELV: {
                if (inPath_ || !finite(transform())) break;
                const QPointF p = transform().map(r.pointl(8));
                painter_.save();
                painter_.setTransform(QTransform());
                painter_.fillRect(QRectF(std::floor(p.x()), std::floor(p.y()), 1, 1), r.color(16));
                painter_.restore();
                break;
            }
            case EMR_SETMAPMODE:
                setMapMode(r.i32(8));
                break;
            case EMR_SETBKMODE:
                s_.bkMode = r.i32(8) == TRANSPARENT ? TRANSPARENT : OPAQUE;
                break;
            case EMR_SETPOLYFILLMODE:
                s_.fillMode = r.i32(8) == WINDING ? WINDING : ALTERNATE;
                break;
            case EMR_SETROP2:
                s_.rop2 = r.i32(8);
                break;
            case EMR_SETSTRETCHBLTMODE:
                s_.stretchMode = r.i32(8);
                break;
            case EMR_SETTEXTALIGN:
                s_.textAlign = r.u32(8);
                break;
            case EMR_SETTEXTCOLOR:
                s_.textColor = r.color(8);
                break;
            case EMR_SETBKCOLOR:
                s_.bkColor = r.color(8);
                break;
            case EMR_OFFSETCLIPRGN:
                if (s_.clipped && finite(transform())) {
                    const QTransform t = transform();
                    const QPointF d = t.map(r.pointl(8)) - t.map(QPointF(0, 0));
                    s_.clip.translate(d);
                    applyClip();
                }
                break;
            case EMR_MOVETOEX:
                s_.cur = r.pointl(8);
                if (inPath_ && finite(transform())) {
                    path_.moveTo(transform().map(s_.cur));
                    figureOpen_ = true;
                }
                break;
            case EMR_LINETO: {
                QPainterPath p(s_.cur);
                p.lineTo(r.pointl(8));
                continueFigure(p);
                s_.cur = r.pointl(8);
                break;
            }
            case EMR_INTERSECTCLIPRECT:
                combineClip(logicalRect(r.box(8)), RGN_AND);
                break;
            case EMR_EXCLUDECLIPRECT:
                combineClip(logicalRect(r.box(8)), RGN_DIFF);
                break;
            case EMR_EXTSELECTCLIPRGN: {
                const quint32 cb = r.u32(8), mode = r.u32(12);
                if (cb == 0) {
                    if (mode == RGN_COPY) {
                        s_.clipped = false;
                        applyClip();
                    }
                    break;
                }
                combineClip(region(r, 16, cb), int(mode));
                break;
            }
            case EMR_SELECTCLIPPATH:
                if (!inPath_) {
                    combineClip(path_, int(r.u32(8)));
                    path_ = QPainterPath();
                }
                break;
            case EMR_SAVEDC:
                if (stack_.size() < kMaxSavedStates) stack_.push_back(s_);
                break;
            case EMR_RESTOREDC: {
                const qint64 n = r.i32(8);
                const qint64 keep = n < 0 ? qint64(stack_.size()) + n : n - 1;
                if (keep < 0 || keep >= qint64(stack_.size())) break;
                s_ = stack_[size_t(keep)];
                stack_.resize(size_t(keep));
                applyClip();
                break;
            }
            case EMR_SETWORLDTRANSFORM:
            case EMR_MODIFYWORLDTRANSFORM: {
                const QTransform x(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
                if (!finite(x)) break;
                const quint32 mode = type == EMR_SETWORLDTRANSFORM ? quint32(MWT_SET) : r.u32(32);
                switch (mode) {
                    case MWT_IDENTITY:
                        s_.world = QTransform();
                        break;
                    case MWT_LEFTMULTIPLY:
                        s_.world = x * s_.world;
                        break;
                    case MWT_RIGHTMULTIPLY:
                        s_.world = s_.world * x;
                        break;
                    case MWT_SET:
                        s_.world = x;
                        break;
                    default:
                        break;
                }
                break;
            }
            case EMR_SELECTOBJECT:
                selectObject(r.u32(8));
                break;
            case EMR_DELETEOBJECT:
                store(r.u32(8), std::nullopt);
                break;
            case EMR_CREATEPEN:
                createPen(r);
                break;
            case EMR_EXTCREATEPEN:
                extCreatePen(r);
                break;
            case EMR_CREATEBRUSHINDIRECT:
                createBrush(r);
                break;
            case EMR_CREATEDIBPATTERNBRUSHPT:
            case EMR_CREATEMONOBRUSH:
                createPatternBrush(r, type == EMR_CREATEMONOBRUSH);
                break;
            case EMR_EXTCREATEFONTINDIRECTW:
                createFont(r);
                break;
            case EMR_CREATEPALETTE:
                store(r.u32(8), GdiObject());
                break;
            case EMR_ANGLEARC:
                angleArc(r);
                break;
            case EMR_ELLIPSE:
            case EMR_RECTANGLE: {
                QPainterPath p;
                if (type == EMR_ELLIPSE)
                    p.addEllipse(r.box(8));
                else
                    p.addRect(r.box(8));
                shape(p);
                break;
            }
            case EMR_ROUNDRECT: {
                QPainterPath p;
                p.addRoundedRect(r.box(8), std::abs(double(r.i32(24))) / 2,
                                 std::abs(double(r.i32(28))) / 2);
                shape(p);
                break;
            }
            case EMR_ARC:
                arc(r, Arc);
                break;
            case EMR_ARCTO:
                arc(r, ArcTo);
                break;
            case EMR_CHORD:
                arc(r, Chord);
                break;
            case EMR_PIE:
                arc(r, Pie);
                break;
            case EMR_SETARCDIRECTION:
                s_.clockwise = r.i32(8) == 2;
                break;
            case EMR_SETMITERLIMIT: {
                const quint32 v = r.u32(8);
                // Some writers store a float here.
                const double limit = v > 100000 ? double(r.f32(8)) : double(v);
                if (std::isfinite(limit) && limit >= 1 && limit < 1000) s_.miterLimit = limit;
                break;
            }
            case EMR_BEGINPATH:
                inPath_ = true;
                figureOpen_ = false;
                path_ = QPainterPath();
                break;
            case EMR_ENDPATH:
                inPath_ = false;
                break;
            case EMR_ABORTPATH:
                inPath_ = false;
                path_ = QPainterPath();
                break;
            case EMR_CLOSEFIGURE:
                if (inPath_) {
                    path_.closeSubpath();
                    figureOpen_ = false;
                }
                break;
            case EMR_FILLPATH:
                strokeCurrentPath(true, false);
                break;
            case EMR_STROKEPATH:
                strokeCurrentPath(false, true);
                break;
            case EMR_STROKEANDFILLPATH:
                strokeCurrentPath(true, true);
                break;
            case EMR_WIDENPATH:
                if (!inPath_ && !path_.isEmpty()) {
                    const QPen pen = makePen(transform(), {});
                    QPainterPathStroker stroker(pen);
                    stroker.setWidth(std::max(
                        1.0, pen.widthF() * std::sqrt(std::abs(transform().determinant()))));
                    path_ = stroker.createStroke(path_);
                }
                break;
            case EMR_FILLRGN:
            case EMR_PAINTRGN: {
                const quint32 cb = r.u32(24);
                const QPainterPath area = region(r, type == EMR_FILLRGN ? 32 : 28, cb);
                const BrushSpec brush = s_.brush;
                if (type == EMR_FILLRGN) {
                    const auto it = objects_.find(r.u32(28));
                    if (it != objects_.end() && it->second.kind == GdiObject::Brush)
                        s_.brush = it->second.brush;
                }
                if (!inPath_) paint(area, QTransform(), true, false);
                s_.brush = brush;
                break;
            }
            case EMR_BITBLT:
                blt(r, Blt::Plain);
                break;
            case EMR_STRETCHBLT:
                blt(r, Blt::Stretch);
                break;
            case EMR_ALPHABLEND:
                blt(r, Blt::Alpha);
                break;
            case EMR_TRANSPARENTBLT:
                blt(r, Blt::Transparent);
                break;
            case EMR_GRADIENTFILL:
                gradientFill(r);
                break;
            case EMR_STRETCHDIBITS:
                stretchDiBits(r);
                break;
            case EMR_SETDIBITSTODEVICE:
                setDiBitsToDevice(r);
                break;
            case EMR_EXTTEXTOUTA:
            case EMR_EXTTEXTOUTW:
                textOut(r, type == EMR_EXTTEXTOUTW);
                break;
            default:
                break;  // comments (EMF+ included) and records without a drawing effect here
        }
    }

    const uchar* base_;
    quint64 size_;
    quint64 limit_ = 0;
    int width_ = 0, height_ = 0;
    QPointF pxPerMm_{96 / 25.4, 96 / 25.4};  // reference device resolution
    QTransform device_;                      // reference device pixels to image pixels
    QImage image_;
    QPainter painter_;
    DcState s_;
    std::vector<DcState> stack_;
    std::unordered_map<quint32, GdiObject> objects_;
    qint64 patternBytes_ = 0;
    qint64 gradientPieces_ = 0;
    QPainterPath path_;  // image pixels
    bool inPath_ = false;
    bool figureOpen_ = false;
};

}  // namespace

bool IsEmf(const QByteArray& head) {
    if (head.size() < 44) return false;
    const auto* d = reinterpret_cast<const uchar*>(head.constData());
    return qFromLittleEndian<quint32>(d) == EMR_HEADER &&
           qFromLittleEndian<quint32>(d + 40) == kSignature;
}

EmfResult RenderEmf(const QByteArray& data) { return Player(data).run(); }

}  // namespace orlenda
