// SPDX-License-Identifier: GPL-3.0-or-later
// Figures, paths and clipping of the metafile player.
#include <algorithm>
#include <numbers>

#include "pictures/emfplayer.h"

namespace orlenda::emf {

// A figure in logical units: added to the path being built, or painted (filled when closed).
void Player::figure(const QPainterPath& logical, bool closed) {
    if (!finite(transform())) return;
    if (inPath_) {
        extendPath(logical.elementCount());
        path_.addPath(transform().map(logical));
        figureOpen_ = false;
        return;
    }
    paint(logical, transform(), closed, true);
}

// A closed figure (rectangle, ellipse, polygon ...).
void Player::shape(const QPainterPath& logical) { figure(logical, true); }

// An open figure that starts a figure of its own (polyline, Bézier, arc).
void Player::openFigure(const QPainterPath& logical) { figure(logical, false); }

// Appends a piece with a line from the path's current point to the piece's start
// (QPainterPath::connectPath alone drops a lone leading move).
void Player::connect(QPainterPath& into, const QPainterPath& piece) {
    if (piece.isEmpty()) return;
    into.lineTo(piece.elementAt(0));
    into.connectPath(piece);
}

// A figure that continues from the current position (LineTo, PolylineTo, ArcTo ...).
void Player::continueFigure(const QPainterPath& logical) {
    if (!finite(transform())) return;
    if (inPath_) {
        extendPath(logical.elementCount() + 2);
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

void Player::extendPath(qint64 points) {
    charge(double(points) * kPointWork);
    if (path_.elementCount() + points > kMaxFigurePoints)
        refuse(EmfResult::TooComplex, "a path has too many points");
}

QList<QPointF> Player::readPoints(const Rec& r, quint64 off, quint64 count, bool small) const {
    const quint64 each = small ? 4 : 8;
    if (count > r.size() / each) fail("a record claims more points than it holds");
    if (count > quint64(kMaxFigurePoints))
        refuse(EmfResult::TooComplex, "a figure has too many points");
    r.need(off, count * each);
    QList<QPointF> pts;
    pts.reserve(qsizetype(count));
    for (quint64 i = 0; i < count; ++i)
        pts << (small ? r.points(off + i * 4) : r.pointl(off + i * 8));
    return pts;
}

void Player::poly(quint32 type, const Rec& r, bool small) {
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

void Player::polyPoly(const Rec& r, bool closed, bool small) {
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

void Player::polyDraw(const Rec& r, bool small) {
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
        extendPath(p.elementCount());
        path_.addPath(transform().map(p));
        figureOpen_ = true;
    } else {
        paint(p, transform(), false, true);
    }
}

void Player::arc(const Rec& r, ArcKind kind) {
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

void Player::angleArc(const Rec& r) {
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

void Player::strokeCurrentPath(bool fill, bool stroke) {
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

QPainterPath Player::wholeImage() const {
    QPainterPath p;
    p.addRect(QRectF(image_.rect()).adjusted(-1, -1, 1, 1));
    return p;
}

QRect Player::deviceExtent() const {
    // Kept within the range region data can name, whatever scale the header gives.
    const QRectF reach(-(1 << 29), -(1 << 29), 1 << 30, 1 << 30);
    const QRectF extent = device_.inverted().mapRect(QRectF(image_.rect())) & reach;
    return extent.toAlignedRect().adjusted(-1, -1, 1, 1);
}

void Player::combineClip(QPainterPath region, int mode) {
    if (mode < RGN_AND || mode > RGN_COPY) return;
    const QRectF extent = region.boundingRect();
    if (!std::isfinite(extent.width()) || !std::isfinite(extent.height())) region = QPainterPath();
    region.setFillRule(fillRule());
    QPainterPath current = s_.clipped ? s_.clip : wholeImage();
    // Combining two figures takes time that grows with the product of their edges, unless
    // one is a rectangle.
    const double a = current.elementCount(), b = region.elementCount();
    charge((a + b) * kPointWork);
    if (mode != RGN_COPY && std::min(a, b) > 5) charge(a * b * kCrossingWork);
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
        default:
            current = region;
            break;
    }
    // Far-reaching regions are slow to clip with; outside the picture they clip nothing.
    const QRectF reach = current.controlPointRect();
    const qreal far = 16.0 * std::max(width_, height_) + 4096;
    if (!(reach.width() < far && reach.height() < far)) current = current.intersected(wholeImage());
    if (current.elementCount() > kMaxFigurePoints)
        refuse(EmfResult::TooComplex, "a clip has too many points");
    s_.clip = current;
    s_.clipped = true;
    s_.clipRegion.reset();
    applyClip();
}

void Player::combineRegion(const QRegion& region, int mode) {
    if (mode < RGN_AND || mode > RGN_COPY) return;
    std::optional<QRegion> current = s_.clipped ? s_.clipRegion : QRegion(deviceExtent());
    if (!current) {  // a clip made of figures
        combineClip(regionPath(region), mode);
        return;
    }
    charge(double(current->rectCount() + region.rectCount()) * kPointWork);
    switch (mode) {
        case RGN_AND:
            *current = current->intersected(region);
            break;
        case RGN_OR:
            *current = current->united(region);
            break;
        case RGN_XOR:
            *current = current->xored(region);
            break;
        case RGN_DIFF:
            *current = current->subtracted(region);
            break;
        default:
            *current = region;
            break;
    }
    if (current->rectCount() > kMaxRegionRects)
        refuse(EmfResult::TooComplex, "a clip region has too many rectangles");
    s_.clip = regionPath(*current);
    s_.clipped = true;
    s_.clipRegion = current;
    applyClip();
}

void Player::applyClip() {
    painter_.setTransform(QTransform());
    clipCrowd_ = 0;
    if (s_.clipped) {
        // The raster engine converts the clip anew each time it is set, and every later figure
        // meets the clip's edges on the rows it paints.
        ScanLoad load;
        const bool smooth = chargeDrawing(s_.clip, QTransform(), nullptr, true, &load);
        clipCrowd_ = load.rows > 0 ? load.edgeRows / load.rows : 0;
        painter_.setRenderHint(QPainter::Antialiasing, smooth);
        painter_.setClipPath(s_.clip);
        painter_.setRenderHint(QPainter::Antialiasing, true);
    } else {
        painter_.setClipping(false);
    }
}

QPainterPath Player::logicalRect(const QRectF& r) const {
    QPainterPath p;
    p.addRect(r);
    return transform().map(p);
}

// Rectangles of region data in reference device pixels, as far as the picture shows them.
// Region data holds bands of rectangles that do not overlap, but nothing in a file ensures
// it; the rectangles are merged pairwise, each pass halving their number, as QRegion merges
// two regions in time linear in their rectangles.
QRegion Player::region(const Rec& r, quint64 off, quint64 cb) {
    if (cb < 32) return {};
    r.need(off, cb);
    const quint32 count = r.u32(off + 8);
    if (count > (cb - 32) / 16) fail("a region claims more rectangles than it holds");
    if (count > 4 * kMaxRegionRects)
        refuse(EmfResult::TooComplex, "a region has too many rectangles");
    charge(double(count) * kPointWork);
    const QRect extent = deviceExtent();
    std::vector<QRegion> parts;
    for (quint32 i = 0; i < count; ++i) {
        const quint64 at = off + 32 + quint64(i) * 16;
        const qint64 left = r.i32(at), top = r.i32(at + 4), right = r.i32(at + 8),
                     bottom = r.i32(at + 12);
        // Clamped to the range the extent keeps, so no width overflows.
        auto within = [](qint64 v) { return int(std::clamp<qint64>(v, -(1 << 29), 1 << 29)); };
        const QRect rect =
            QRect(QPoint(within(std::min(left, right)), within(std::min(top, bottom))),
                  QPoint(within(std::max(left, right)) - 1, within(std::max(top, bottom)) - 1)) &
            extent;
        if (!rect.isEmpty()) parts.emplace_back(rect);
    }
    while (parts.size() > 1) {
        size_t kept = 0;
        for (size_t i = 0; i < parts.size(); i += 2) {
            QRegion merged = i + 1 < parts.size() ? parts[i].united(parts[i + 1]) : parts[i];
            charge(double(merged.rectCount()) * kPointWork);
            if (merged.rectCount() > kMaxRegionRects)
                refuse(EmfResult::TooComplex, "a region has too many rectangles");
            parts[kept++] = std::move(merged);
        }
        parts.resize(kept);
    }
    return parts.empty() ? QRegion() : parts.front();
}

QPainterPath Player::regionPath(const QRegion& region) const {
    QPainterPath p;
    p.setFillRule(Qt::WindingFill);
    for (const QRect& rect : region) p.addRect(device_.mapRect(QRectF(rect)));
    return p;
}

}  // namespace orlenda::emf
