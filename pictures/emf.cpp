// SPDX-License-Identifier: GPL-3.0-or-later
// The metafile reader's entry, its header and record chain, and the mapping from logical units to
// pixels.
#include "pictures/emf.h"

#include <algorithm>

#include "pictures/emfplayer.h"

namespace orlenda::emf {

EmfResult Player::run() {
    try {
        clock_.start();
        readHeader();
        const quint64 end = validateRecords();
        image_ = QImage(width_, height_, QImage::Format_RGB32);
        if (image_.isNull())
            return {{}, QStringLiteral("out of memory for the picture"), EmfResult::TooLarge};
        image_.fill(Qt::white);
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.setRenderHint(QPainter::TextAntialiasing);
        for (quint64 off = 0; off < end;) {
            const quint32 type = qFromLittleEndian<quint32>(base_ + off);
            const quint32 size = qFromLittleEndian<quint32>(base_ + off + 4);
            charge(kRecordWork);
            if (off > 0) play(type, Rec(base_ + off, size));
            off += size;
            if (type == EMR_EOF) break;
        }
        painter_.end();
        return {image_, {}};
    } catch (const Corrupt& c) {
        if (painter_.isActive()) painter_.end();
        return {{}, c.what, c.problem};
    }
}

void Player::readHeader() {
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
    // Objects live in a table of this many entries; its 16 bits bound the table's memory.
    handles_ = h.u16(56);

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
        frame = QRectF(bounds.left() * 100 / pxPerMm_.x(), bounds.top() * 100 / pxPerMm_.y(),
                       bounds.width() * 100 / pxPerMm_.x(), bounds.height() * 100 / pxPerMm_.y());
    }
    if (!(frame.width() > 0 && frame.height() > 0)) fail("the metafile has an empty frame");
    // twips = 0.01 mm * 1440 / 2540, then pixels
    const double w = frame.width() * kTwipsPerInch / 2540 / kTwipsPerPixel;
    const double h2 = frame.height() * kTwipsPerInch / 2540 / kTwipsPerPixel;
    const double wr = std::max(1.0, std::round(w));
    const double hr = std::max(1.0, std::round(h2));
    if (wr > kMaxSide || hr > kMaxSide || wr * hr * 4 > kMaxImageBytes)
        refuse(EmfResult::TooLarge, "the metafile's picture is too large");
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
quint64 Player::validateRecords() const {
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

QTransform Player::pageToDevice() const {
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

// Sets the extents a fixed mapping mode implies (logical units per device pixel).
void Player::setMapMode(int mode) {
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

}  // namespace orlenda::emf

namespace orlenda {

bool IsEmf(const QByteArray& head) {
    if (head.size() < 44) return false;
    const auto* d = reinterpret_cast<const uchar*>(head.constData());
    return qFromLittleEndian<quint32>(d) == emf::EMR_HEADER &&
           qFromLittleEndian<quint32>(d + 40) == emf::kSignature;
}

EmfResult RenderEmf(const QByteArray& data, const EmfLimits& limits) {
    return emf::Player(data, limits).run();
}

}  // namespace orlenda
