// SPDX-License-Identifier: GPL-3.0-or-later
// Which metafile record does what: the player's dispatch, by kind of record.
#include <QPainterPathStroker>
#include <algorithm>

#include "pictures/emfplayer.h"

namespace orlenda::emf {

// The state records: mapping, colours, modes, saved states and the world transform. Returns false
// for a record of another kind.
bool Player::playState(quint32 type, const Rec& r) {
    switch (type) {
        case EMR_SETPOLYFILLMODE:
            s_.fillMode = r.i32(8) == WINDING ? WINDING : ALTERNATE;
            break;
        case EMR_SETSTRETCHBLTMODE:
            s_.stretchMode = r.i32(8);
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
        case EMR_SETMAPMODE:
            setMapMode(r.i32(8));
            break;
        case EMR_SETBKMODE:
            s_.bkMode = r.i32(8) == TRANSPARENT ? TRANSPARENT : OPAQUE;
            break;
        case EMR_SETROP2:
            s_.rop2 = r.i32(8);
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
        case EMR_SAVEDC:
            if (stack_.size() < kMaxSavedStates) {
                // Each saved clip may be one of its own.
                savedClipPoints_ += clipPoints(s_);
                if (savedClipPoints_ > kMaxSavedClipPoints)
                    refuse(EmfResult::TooComplex, "the saved states hold too many clips");
                stack_.push_back(s_);
            }
            break;
        case EMR_RESTOREDC: {
            const qint64 n = r.i32(8);
            const qint64 keep = n < 0 ? qint64(stack_.size()) + n : n - 1;
            if (keep < 0 || keep >= qint64(stack_.size())) break;
            s_ = stack_[size_t(keep)];
            for (size_t i = size_t(keep); i < stack_.size(); ++i)
                savedClipPoints_ -= clipPoints(stack_[i]);
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
        default:
            return false;
    }
    return true;
}

// Pens, brushes, fonts and palettes: made, chosen and deleted. Returns false for a record of
// another kind.
bool Player::playObject(quint32 type, const Rec& r) {
    switch (type) {
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
        default:
            return false;
    }
    return true;
}

// Lines, curves, shapes and the current position. Returns false for a record of another kind.
bool Player::playFigure(quint32 type, const Rec& r) {
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
        case EMR_SETPIXELV: {
            if (inPath_ || !finite(transform())) break;
            charge(kPieceWork);
            const QPointF p = transform().map(r.pointl(8));
            painter_.save();
            painter_.setTransform(QTransform());
            painter_.fillRect(QRectF(std::floor(p.x()), std::floor(p.y()), 1, 1), r.color(16));
            painter_.restore();
            break;
        }
        case EMR_MOVETOEX:
            s_.cur = r.pointl(8);
            if (inPath_ && finite(transform())) {
                extendPath(1);
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
        default:
            return false;
    }
    return true;
}

// Paths, clipping and regions. Returns false for a record of another kind.
bool Player::playPathOrClip(quint32 type, const Rec& r) {
    switch (type) {
        case EMR_OFFSETCLIPRGN:
            if (s_.clipped && finite(transform())) {
                const QTransform t = transform();
                const QPointF d = t.map(r.pointl(8)) - t.map(QPointF(0, 0));
                s_.clip.translate(d);
                s_.clipRegion.reset();  // moved by image pixels, no longer device pixels
                applyClip();
            }
            break;
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
                    s_.clipRegion.reset();
                    applyClip();
                }
                break;
            }
            combineRegion(region(r, 16, cb), int(mode));
            break;
        }
        case EMR_SELECTCLIPPATH:
            if (!inPath_) {
                combineClip(path_, int(r.u32(8)));
                path_ = QPainterPath();
            }
            break;
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
                // The outline has several points for each point of the path.
                charge(double(path_.elementCount()) * kPointWork * 16);
                if (path_.elementCount() > kMaxFigurePoints / 16)
                    refuse(EmfResult::TooComplex, "a path to widen has too many points");
                const QPen pen = makePen(transform(), {});
                QPainterPathStroker stroker(pen);
                stroker.setWidth(
                    std::max(1.0, pen.widthF() * std::sqrt(std::abs(transform().determinant()))));
                path_ = stroker.createStroke(path_);
                if (path_.elementCount() > kMaxFigurePoints)
                    refuse(EmfResult::TooComplex, "a widened path has too many points");
            }
            break;
        case EMR_FILLRGN:
        case EMR_PAINTRGN: {
            const quint32 cb = r.u32(24);
            const QPainterPath area = regionPath(region(r, type == EMR_FILLRGN ? 32 : 28, cb));
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
        default:
            return false;
    }
    return true;
}

// Bitmaps, gradients and text. Returns false for a record of another kind.
bool Player::playPictureOrText(quint32 type, const Rec& r) {
    switch (type) {
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
            return false;
    }
    return true;
}

void Player::play(quint32 type, const Rec& r) {
    // Comments (EMF+ included) and records without a drawing effect here are passed over.
    if (playState(type, r) || playObject(type, r) || playFigure(type, r) || playPathOrClip(type, r))
        return;
    playPictureOrText(type, r);
}

}  // namespace orlenda::emf
