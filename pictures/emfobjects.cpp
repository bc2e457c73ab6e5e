// SPDX-License-Identifier: GPL-3.0-or-later
// The metafile's drawing state: pens, brushes and fonts made from its records, and the objects it
// selects.
#include <algorithm>

#include "pictures/emfplayer.h"

namespace orlenda::emf {

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

QColor Player::ropColor(const QColor& c) const {
    if (s_.rop2 == R2_BLACK) return Qt::black;
    if (s_.rop2 == R2_WHITE) return Qt::white;
    return c;
}

QPainter::CompositionMode Player::ropMode() const {
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
QPen Player::makePen(const QTransform& t, const QPainterPath& logical) const {
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

QImage Player::hatchTile(int hatch, const QColor& fg) const {
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
QBrush Player::makeBrush(const QTransform& t) const {
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

Qt::FillRule Player::fillRule() const {
    return s_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
}

// Fills and/or outlines a path given in the coordinates that t maps to image pixels.
void Player::paint(QPainterPath path, const QTransform& t, bool fill, bool stroke) {
    if (s_.rop2 == R2_NOP || path.isEmpty() || !finite(t)) return;
    path.setFillRule(fillRule());
    // Smoothing a figure that reaches millions of pixels away takes seconds; such
    // figures are only ever seen in damaged files.
    const QRectF reach = t.mapRect(path.controlPointRect());
    const qreal far = 16.0 * std::max(width_, height_) + 4096;
    const bool smooth = s_.rop2 == R2_COPYPEN && reach.width() < far && reach.height() < far;
    // The work is counted before anything is drawn; a figure that smoothing would hold up
    // far longer is drawn sharp.
    QBrush brush(Qt::NoBrush);
    bool smoothFill = smooth;
    if (fill) {
        // A two-colour pattern is coloured anew for every figure.
        if (s_.brush.kind == BrushSpec::Mono)
            charge(double(s_.brush.pattern.width()) * s_.brush.pattern.height() * kBitmapPixelWork);
        brush = makeBrush(t);
        if (brush.style() != Qt::NoBrush) smoothFill = chargeDrawing(path, t, nullptr, smooth);
    }
    QPen pen(Qt::NoPen), gaps(Qt::NoPen);
    bool smoothStroke = smooth;
    if (stroke) {
        pen = makePen(t, path);
        // One-pixel lines stay crisp, as on the devices metafiles are made for.
        if (pen.widthF() == 0) smoothStroke = false;
        if (pen.style() != Qt::NoPen) smoothStroke = chargeDrawing(path, t, &pen, smoothStroke);
        if (pen.style() == Qt::CustomDashLine && s_.bkMode == OPAQUE) {
            gaps = pen;
            gaps.setStyle(Qt::SolidLine);
            gaps.setColor(s_.bkColor);
            smoothStroke = chargeDrawing(path, t, &gaps, smoothStroke);
        }
    }
    painter_.save();
    painter_.setTransform(t);
    if (s_.rop2 != R2_COPYPEN) painter_.setCompositionMode(ropMode());
    painter_.setRenderHint(QPainter::Antialiasing, smoothFill);
    if (brush.style() != Qt::NoBrush) painter_.fillPath(path, brush);
    painter_.setRenderHint(QPainter::Antialiasing, smoothStroke);
    if (gaps.style() != Qt::NoPen) painter_.strokePath(path, gaps);
    if (pen.style() != Qt::NoPen) painter_.strokePath(path, pen);
    painter_.restore();
}

void Player::stockObject(quint32 index) {
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

// Keeps the handle table, within the header's count of handles, and the memory its
// patterns hold. A pattern still selected or saved keeps counting after its object is gone.
void Player::store(quint32 index, std::optional<GdiObject> object) {
    if (index >= handles_) return;  // a handle the table has no room for: the record is void
    if (auto it = objects_.find(index); it != objects_.end()) {
        if (it->second.brush.pattern.isDetached())
            patternBytes_ -= it->second.brush.pattern.sizeInBytes();
        objects_.erase(it);
    }
    if (!object) return;
    patternBytes_ += object->brush.pattern.sizeInBytes();
    objects_.emplace(index, std::move(*object));
}

void Player::selectObject(quint32 index) {
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

Qt::PenCapStyle Player::capStyle(quint32 style) {
    if ((style & 0xF00) == PS_ENDCAP_SQUARE) return Qt::SquareCap;
    if ((style & 0xF00) == PS_ENDCAP_FLAT) return Qt::FlatCap;
    return Qt::RoundCap;
}

Qt::PenJoinStyle Player::joinStyle(quint32 style) {
    if ((style & 0xF000) == PS_JOIN_BEVEL) return Qt::BevelJoin;
    if ((style & 0xF000) == PS_JOIN_MITER) return Qt::MiterJoin;
    return Qt::RoundJoin;
}

void Player::createPen(const Rec& r) {
    GdiObject o;
    o.kind = GdiObject::Pen;
    const quint32 style = r.u32(12);
    o.pen.style = int(style & 0xF);
    o.pen.width = std::abs(double(r.i32(16)));
    o.pen.cosmetic = o.pen.width == 0;
    o.pen.color = r.color(24);
    store(r.u32(8), o);
}

void Player::extCreatePen(const Rec& r) {
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

void Player::createBrush(const Rec& r) {
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

void Player::createPatternBrush(const Rec& r, bool mono) {
    GdiObject o;
    o.kind = GdiObject::Brush;
    const Dib dib = decodeDib(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28), r.u32(12), -1, mono);
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

void Player::createFont(const Rec& r) {
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

}  // namespace orlenda::emf
