// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmaps in metafiles: decoding them, blitting, stretching and gradient fills.
#include <QBuffer>
#include <QImageReader>
#include <QLinearGradient>
#include <algorithm>
#include <bit>

#include "pictures/emfplayer.h"
#include "pictures/filechecks.h"

namespace orlenda::emf {

namespace {

// Scales a bit field of a pixel to 0..255.
int channel(quint32 pixel, quint32 mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const quint32 max = mask >> shift;
    return int(quint64((pixel & mask) >> shift) * 255 / max);
}

// The colour table of a bitmap of at most 8 bits a pixel, each entry `each` bytes.
QList<QRgb> DibPalette(const Rec& bmi, quint64 paletteAt, int bits, quint32 used, quint64 each,
                       bool paletteIndices, bool monoIndices) {
    QList<QRgb> palette;
    const quint64 entries = used > 0 && used < (1u << bits) ? used : (1u << bits);
    for (quint64 i = 0; i < entries; ++i) {
        const quint64 at = paletteAt + i * each;
        QRgb c = qRgb(0, 0, 0);
        if (monoIndices) {
            c = i ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        } else if (paletteIndices) {
            const int g = entries > 1 ? int(i * 255 / (entries - 1)) : 0;
            c = qRgb(g, g, g);  // no logical palette kept: a grey ramp keeps contrast
        } else if (bmi.has(at, 3)) {
            c = qRgb(*bmi.at(at + 2), *bmi.at(at + 1), *bmi.at(at));
        }
        palette << c;
    }
    return palette;
}

// Pixel x of one row of a bitmap.
QRgb DibPixel(const uchar* line, qint64 x, int bits, const QList<QRgb>& palette,
              const quint32 (&masks)[3], quint32 compression) {
    switch (bits) {
        case 1:
        case 4:
        case 8: {
            const quint64 bit = quint64(x) * bits;
            const int index = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
            return index < palette.size() ? palette[index] : qRgb(0, 0, 0);
        }
        case 16: {
            const quint32 v = qFromLittleEndian<quint16>(line + x * 2);
            return qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
        }
        case 24:
            return qRgb(line[x * 3 + 2], line[x * 3 + 1], line[x * 3]);
        default: {
            const quint32 v = qFromLittleEndian<quint32>(line + x * 4);
            return compression == BI_BITFIELDS
                       ? qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]))
                       : v;
        }
    }
}

}  // namespace

// Decodes to RGB32, or to premultiplied ARGB when the bitmap's alpha is wanted.
Dib Player::decodeDib(const Rec& r, quint32 offBmi, quint32 cbBmi, quint32 offBits, quint32 cbBits,
                      quint32 usage, qint64 rowsGiven, bool monoIndices, bool alpha) {
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
        if (!size.isValid() || qint64(size.width()) * size.height() > kMaxBitmapPixels) return dib;
        if (compression == BI_JPEG) {
            const JpegLayout jpeg = ReadJpegLayout(bytes);
            switch (JudgeJpeg(jpeg, kMaxBitmapPixels, kMaxBitmapPixels * 4)) {
                case DecodeVerdict::TooLarge:
                    refuse(EmfResult::TooLarge, "a JPEG bitmap is too large");
                case DecodeVerdict::TooComplex:
                    refuse(EmfResult::TooComplex, "a JPEG bitmap has too many scans");
                case DecodeVerdict::Fine:
                    break;
            }
            charge(jpeg.blockVisits * 64);  // a unit for each coefficient
        }
        charge(double(size.width()) * size.height() * kBitmapPixelWork);
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
    const QList<QRgb> palette =
        bits <= 8 ? DibPalette(bmi, paletteAt, bits, used,
                               hsize == 12 ? 3 : (usage == DIB_PAL_COLORS ? 2 : 4),
                               usage == DIB_PAL_COLORS, monoIndices)
                  : QList<QRgb>();

    const qint64 rows = rowsGiven >= 0 ? std::min<qint64>(rowsGiven, height) : height;
    const quint64 stride = ((quint64(width) * bits + 31) / 32) * 4;
    if (rows <= 0) return dib;
    if (cbBits < stride * quint64(rows)) fail("a bitmap's pixels run past its record");
    charge(double(width) * double(rows) * kBitmapPixelWork);
    dib.image = QImage(int(width), int(rows),
                       alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (dib.image.isNull()) fail("out of memory for a bitmap");
    const uchar* src = r.at(offBits);
    for (qint64 y = 0; y < rows; ++y) {
        const uchar* line = src + stride * quint64(dib.bottomUp ? rows - 1 - y : y);
        QRgb* out = reinterpret_cast<QRgb*>(dib.image.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x) {
            const QRgb c = DibPixel(line, x, bits, palette, masks, compression);
            if (!alpha || bits != 32 || compression != BI_RGB) {
                out[x] = c | 0xFF000000;
            } else {
                // Alpha-blended bitmaps are stored premultiplied; clamp what cannot be.
                const int a = qAlpha(c);
                out[x] =
                    qRgba(std::min(qRed(c), a), std::min(qGreen(c), a), std::min(qBlue(c), a), a);
            }
        }
    }
    return dib;
}

QPainter::CompositionMode Player::bltMode(quint32 rop) {
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
void Player::drawBitmap(const QRectF& dest, const QImage& image, const QRectF& src, quint32 rop,
                        qreal opacity) {
    if (inPath_ || image.isNull() || src.width() <= 0 || src.height() <= 0 || dest.width() == 0 ||
        dest.height() == 0)
        return;
    const QRectF part = src & QRectF(image.rect());
    if (part.isEmpty()) return;
    const QTransform place =
        QTransform::fromTranslate(-src.x(), -src.y()) *
        QTransform::fromScale(dest.width() / src.width(), dest.height() / src.height()) *
        QTransform::fromTranslate(dest.x(), dest.y());
    const QTransform t = place * transform();
    if (!finite(t)) return;
    const bool shrinking = std::sqrt(std::abs(t.determinant())) < 0.95;
    const bool smooth = s_.stretchMode == HALFTONE || shrinking;
    // The source part is read, and perhaps converted, whatever share of it is seen.
    charge(part.width() * part.height() * kBitmapPixelWork);
    chargeArea(t.mapRect(part), smooth ? kSmoothPixelWork : kBitmapPixelWork);
    painter_.save();
    painter_.setTransform(t);
    painter_.setCompositionMode(bltMode(rop));
    painter_.setOpacity(opacity);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.drawImage(part, image, part);
    painter_.restore();
}

// BitBlt and StretchBlt without a source bitmap paint with the brush.
void Player::patternBlt(const QRectF& dest, quint32 rop) {
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

// BitBlt, StretchBlt, AlphaBlend and TransparentBlt share one layout.
void Player::blt(const Rec& r, Blt kind) {
    const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
    const quint32 rop = r.u32(40);  // blend function or transparent colour for the last two
    const quint32 offBmi = r.u32(84), cbBmi = r.u32(88), offBits = r.u32(92), cbBits = r.u32(96);
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
            charge(double(dib.image.width()) * dib.image.height() * kBitmapPixelWork);
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
void Player::shadeTriangle(const QPointF (&p)[3], const QColor (&c)[3], const QTransform& t,
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
        charge(kPieceWork);  // the pixels were counted for the whole triangle
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

void Player::gradientFill(const Rec& r) {
    const quint32 count = r.u32(24), shapes = r.u32(28), mode = r.u32(32);
    const quint64 each = mode == 2 ? 12 : 8;
    if (count > r.size() / 16 || shapes > r.size() / each)
        fail("a gradient claims more points than it holds");
    if (count > kMaxFigurePoints) refuse(EmfResult::TooComplex, "a gradient has too many points");
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
    const quint64 first = 36 + quint64(count) * 16;
    // Every shape is counted before any is drawn, so one record of many shapes over the
    // whole picture is refused at once.
    for (quint32 i = 0; i < shapes; ++i) {
        const quint32 a = r.u32(first + i * each), b = r.u32(first + i * each + 4);
        const quint32 c = mode == 2 ? r.u32(first + i * each + 8) : a;
        if (a >= count || b >= count || c >= count) continue;
        const QRectF box = QPolygonF({pts[a], pts[b], pts[c]}).boundingRect();
        chargeArea(t.mapRect(box), mode == 2 ? kPixelWork : kTexturePixelWork);
    }
    painter_.save();
    painter_.setTransform(t);
    painter_.setRenderHint(QPainter::Antialiasing, false);  // no seams between pieces
    try {
        fillGradient(r, pts, colours, mode, shapes, t);
    } catch (const Corrupt&) {
        painter_.restore();  // the pieces are counted as they are drawn
        throw;
    }
    painter_.restore();
}

void Player::fillGradient(const Rec& r, const QList<QPointF>& pts, const QList<QColor>& colours,
                          quint32 mode, quint32 shapes, const QTransform& t) {
    const quint32 count = quint32(pts.size());
    const quint64 each = mode == 2 ? 12 : 8, first = 36 + quint64(count) * 16;
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
}

void Player::stretchDiBits(const Rec& r) {
    const Dib dib = decodeDib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64));
    if (dib.image.isNull()) return;
    const QRectF dest(r.i32(24), r.i32(28), r.i32(72), r.i32(76));
    QRectF src(r.i32(32), r.i32(36), r.i32(40), r.i32(44));
    // A bottom-up bitmap counts its source rectangle from the bottom row.
    if (dib.bottomUp) src.moveTop(dib.image.height() - src.top() - src.height());
    drawBitmap(dest, dib.image, src, r.u32(68));
}

void Player::setDiBitsToDevice(const Rec& r) {
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

}  // namespace orlenda::emf
