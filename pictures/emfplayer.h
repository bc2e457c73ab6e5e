// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Inside the metafile reader: the bounds-checked view of a record, the drawing state and the
// objects a metafile creates, and the player that draws the records. The player's parts are
// kept by concern: emf.cpp (records and bounds), emfobjects.cpp (drawing state and objects),
// emfpaths.cpp (figures, paths and clipping), emfbitmaps.cpp, emftext.cpp,
// emfdispatch.cpp (which record does what) and emfwork.cpp (what drawing costs).
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

#include "graphics/units.h"
#include "pictures/emf.h"

namespace orlenda::emf {

constexpr quint32 kSignature = 0x464D4520;  // " EMF"
constexpr double kMaxSide = 20000;          // pixels, either side of the picture
constexpr double kMaxImageBytes = 256.0 * 1024 * 1024;
constexpr qint64 kMaxBitmapPixels = 32LL * 1024 * 1024;
constexpr int kMaxSavedStates = 4096;
constexpr qint64 kMaxPatternBytes = 64LL * 1024 * 1024;  // all pattern brushes together
constexpr qreal kMaxPenWidth = 32767;                    // QPen's limit, logical units
constexpr double kMaxDashes = 200000;                    // past this a dashed line is drawn solid
constexpr qint64 kMaxGradientPieces = 1 << 21;           // triangles filled for gradients, per file
// Memory: points of one figure or of the path being built (24 bytes each), rectangles of one
// clip region, and the clip figures all saved states hold together.
constexpr qint64 kMaxFigurePoints = 1 << 20;
constexpr qint64 kMaxRegionRects = 1 << 18;
constexpr qint64 kMaxSavedClipPoints = 1 << 22;
// Work (see EmfLimits), calibrated on the slowest cases of Qt's raster engine.
constexpr qint64 kRecordWork = 256;        // any record
constexpr qint64 kPointWork = 32;          // a point of a figure or a rectangle of a region
constexpr qint64 kPieceWork = 4096;        // a piece of a shaded triangle, or a pixel set alone
constexpr qint64 kFigureWork = 8192;       // a figure filled or outlined
constexpr qint64 kEdgeRowWork = 4;         // an edge met on a scan line
constexpr qint64 kClipSpanWork = 16;       // a clip edge met on a row painted
constexpr qint64 kCrowdWork = 2;           // times the square of the edges met on one scan line
constexpr qint64 kSmoothingWork = 1;       // a unit of the smoothing converter's work
constexpr double kWorthSmoothing = 2.5e8;  // work below which a figure is always smoothed
constexpr qint64 kPixelWork = 1;           // a pixel painted in one colour
constexpr qint64 kLineWork = 12;           // a pixel along a line one pixel wide
constexpr qint64 kTexturePixelWork = 4;    // a pixel painted with a pattern or a gradient
constexpr qint64 kBitmapPixelWork = 8;     // a bitmap pixel decoded, converted or drawn
constexpr qint64 kSmoothPixelWork = 24;    // a pixel of a bitmap drawn smoothly scaled
constexpr qint64 kCrossingWork = 10000;    // a pair of edges of two figures combined as clips
constexpr qint64 kFaceWork = 1000000;      // finding the family for a face
constexpr int kMaxFaces = 64;              // faces looked up for one file

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
    EmfResult::Problem problem = EmfResult::Damaged;
};

[[noreturn]] inline void fail(const char* what) { throw Corrupt{QString::fromLatin1(what)}; }
// A file within the format that would cost more than the reader allows.
[[noreturn]] inline void refuse(EmfResult::Problem problem, const char* what) {
    throw Corrupt{QString::fromLatin1(what), problem};
}

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
    // The same clip in reference device pixels while only region records made it: regions are
    // combined as regions, which is fast where combining figures is not.
    std::optional<QRegion> clipRegion;
};

// What a text record says, read and checked.
struct TextRecord {
    qint32 mode = 0;
    QPointF reference;
    quint32 options = 0;
    bool hasRect = false;
    QRectF rect;
    QString text;
    QList<qreal> dx;  // advances in logical units; empty when the file gives none
};

struct Dib {
    QImage image;  // top-down
    bool bottomUp = false;
};

inline bool finite(const QTransform& t) {
    for (qreal v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()})
        if (!std::isfinite(v)) return false;
    return true;
}

inline qreal length(QPointF v) { return std::hypot(v.x(), v.y()); }

// Points held by a state's clip, as a figure and as a region.
inline qint64 clipPoints(const DcState& s) {
    return s.clip.elementCount() + (s.clipRegion ? s.clipRegion->rectCount() : 0);
}

// The length of a path's control polygon, never less than the path's own.
qreal outlineLength(const QPainterPath& path);

// What Qt's scan converters meet filling a figure within a picture. The sharp one sorts the
// edges met on each row (the square of their number); the smoothing one works in bands of
// rows that hold a few hundred cells each, and walks every edge that reaches a band from end
// to end: full-height figures of many edges take seconds with smoothing, milliseconds without.
struct ScanLoad {
    double rows = 0;
    double edgeRows = 0;   // edges met, summed over the rows
    double crowd = 0;      // squares of the edges met on each row, summed
    double smoothing = 0;  // the smoothing converter's work, in units
    double pixels = 0;
    double length = 0;  // pixels along the edges
};
// The load of path mapped by t; a stroke widens every edge by reach pixels and cuts it into
// dashes of the given period (pixels; 0 for solid).
ScanLoad MeasureScan(const QPainterPath& path, const QTransform& t, QSize picture, qreal reach,
                     qreal dashPeriod);

class Player {
  public:
    Player(const QByteArray& data, const EmfLimits& limits)
        : base_(reinterpret_cast<const uchar*>(data.constData())),
          size_(quint64(data.size())),
          limits_(limits) {}
    EmfResult run();

  private:
    // Counts work against the limits, before it is done; refuses the picture when they run out.
    void charge(double units);
    // Charges filling path mapped by t, or outlining it when a pen is given, smoothed if asked;
    // returns whether to smooth it, which is not done where it would take far longer.
    bool chargeDrawing(const QPainterPath& path, const QTransform& t, const QPen* pen, bool smooth,
                       ScanLoad* measured = nullptr);
    // Charges painting a rectangle of image pixels, as far as it lies in the picture.
    void chargeArea(const QRectF& pixels, double perPixel);
    void readHeader();
    // Checks the record chain before anything is drawn; returns where it ends.
    quint64 validateRecords() const;
    QTransform pageToDevice() const;
    // Logical units to image pixels.
    QTransform transform() const { return s_.world * pageToDevice() * device_; }
    // Sets the extents a fixed mapping mode implies (logical units per device pixel).
    void setMapMode(int mode);
    bool scalable() const { return s_.mapMode == MM_ISOTROPIC || s_.mapMode == MM_ANISOTROPIC; }
    QColor ropColor(const QColor& c) const;
    QPainter::CompositionMode ropMode() const;
    // The pen for a figure drawn with transform t (logical to image).
    QPen makePen(const QTransform& t, const QPainterPath& logical) const;
    QImage hatchTile(int hatch, const QColor& fg) const;
    // The brush for a figure drawn with transform t; patterns stay in image pixels.
    QBrush makeBrush(const QTransform& t) const;
    Qt::FillRule fillRule() const;
    // Fills and/or outlines a path given in the coordinates that t maps to image pixels.
    void paint(QPainterPath path, const QTransform& t, bool fill, bool stroke);
    // A figure in logical units, added to the path being built or painted.
    void figure(const QPainterPath& logical, bool closed);
    // A closed figure (rectangle, ellipse, polygon ...) in logical units.
    void shape(const QPainterPath& logical);
    // An open figure that starts a figure of its own (polyline, Bézier, arc).
    void openFigure(const QPainterPath& logical);
    // Appends a piece with a line from the path's current point to the piece's start
    // (QPainterPath::connectPath alone drops a lone leading move).
    static void connect(QPainterPath& into, const QPainterPath& piece);
    // A figure that continues from the current position (LineTo, PolylineTo, ArcTo ...).
    void continueFigure(const QPainterPath& logical);
    // Counts points about to join the path being built, within its bound.
    void extendPath(qint64 points);
    QList<QPointF> readPoints(const Rec& r, quint64 off, quint64 count, bool small) const;
    void poly(quint32 type, const Rec& r, bool small);
    void polyPoly(const Rec& r, bool closed, bool small);
    void polyDraw(const Rec& r, bool small);
    enum ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(const Rec& r, ArcKind kind);
    void angleArc(const Rec& r);
    void strokeCurrentPath(bool fill, bool stroke);
    QPainterPath wholeImage() const;
    // The image in reference device pixels.
    QRect deviceExtent() const;
    void combineClip(QPainterPath region, int mode);
    // Combines a region of reference device pixels, as a region while the clip is one.
    void combineRegion(const QRegion& region, int mode);
    void applyClip();
    QPainterPath logicalRect(const QRectF& r) const;
    // Rectangles of region data in reference device pixels, merged into one region.
    QRegion region(const Rec& r, quint64 off, quint64 cb);
    // A region of reference device pixels as image pixels.
    QPainterPath regionPath(const QRegion& region) const;
    // Decodes to RGB32, or to premultiplied ARGB when the bitmap's alpha is wanted.
    Dib decodeDib(const Rec& r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                  quint32 usage, qint64 rowsGiven = -1, bool monoIndices = false,
                  bool alpha = false);
    static QPainter::CompositionMode bltMode(quint32 rop);
    // Draws the src rectangle (pixels of a top-down image) into dest (logical units).
    void drawBitmap(const QRectF& dest, const QImage& image, const QRectF& src, quint32 rop,
                    qreal opacity = 1.0);
    // BitBlt and StretchBlt without a source bitmap paint with the brush.
    void patternBlt(const QRectF& dest, quint32 rop);
    enum class Blt { Plain, Stretch, Alpha, Transparent };
    // BitBlt, StretchBlt, AlphaBlend and TransparentBlt share one layout.
    void blt(const Rec& r, Blt kind);
    // Gouraud shading by subdivision: small or nearly even triangles take their mean colour.
    void shadeTriangle(const QPointF (&p)[3], const QColor (&c)[3], const QTransform& t, int depth);
    void gradientFill(const Rec& r);
    // Draws the shapes of a gradient record, the painter set up.
    void fillGradient(const Rec& r, const QList<QPointF>& pts, const QList<QColor>& colours,
                      quint32 mode, quint32 shapes, const QTransform& t);
    void stretchDiBits(const Rec& r);
    void setDiBitsToDevice(const Rec& r);
    // The family for the selected face, within a few dozen faces a file.
    QString fontFamily();
    QFont makeFont(const QString& family, double emScale, bool* ok) const;
    QString decodeNarrow(const Rec& r, quint64 off, quint32 count) const;
    TextRecord readText(const Rec& r, bool wide) const;
    void textOut(const Rec& r, bool wide);
    void stockObject(quint32 index);
    // Keeps the handle table, within the header's count of handles, and the memory its
    // patterns hold.
    void store(quint32 index, std::optional<GdiObject> object);
    void selectObject(quint32 index);
    static Qt::PenCapStyle capStyle(quint32 style);
    static Qt::PenJoinStyle joinStyle(quint32 style);
    void createPen(const Rec& r);
    void extCreatePen(const Rec& r);
    void createBrush(const Rec& r);
    void createPatternBrush(const Rec& r, bool mono);
    void createFont(const Rec& r);
    // Plays one record.
    void play(quint32 type, const Rec& r);
    bool playState(quint32 type, const Rec& r);
    bool playObject(quint32 type, const Rec& r);
    bool playFigure(quint32 type, const Rec& r);
    bool playPathOrClip(quint32 type, const Rec& r);
    bool playPictureOrText(quint32 type, const Rec& r);
    const uchar* base_;
    quint64 size_;
    EmfLimits limits_;
    QElapsedTimer clock_;
    double work_ = 0;
    quint64 limit_ = 0;
    quint32 handles_ = 0;         // object table entries the header declares
    qint64 savedClipPoints_ = 0;  // held by the saved states' clips
    double clipCrowd_ = 0;        // clip edges met on a scan line, on average
    int facesResolved_ = 0;
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

}  // namespace orlenda::emf
