// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/picture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <algorithm>

#include "pictures/emf.h"
#include "pictures/filechecks.h"

namespace orlenda {

namespace {

[[noreturn]] void fail(PictureError::Kind kind, const QString& path) {
    const QString file = QDir::toNativeSeparators(path);
    switch (kind) {
        case PictureError::TooLarge:
            throw PictureError(kind, QStringLiteral("图形文件太大，无法载入：%1").arg(file));
        case PictureError::TooComplex:
            throw PictureError(kind, QStringLiteral("图形文件太复杂，无法载入：%1").arg(file));
        case PictureError::Unsupported:
            throw PictureError(kind, QStringLiteral("暂不支持 EMF 图形文件：%1").arg(file));
        case PictureError::Unreadable:
            break;
    }
    throw PictureError(kind, QStringLiteral("无法读取图形文件：%1").arg(file));
}

// Readers that tell the size (a WebP's canvas, a TIFF's first page) from the header alone;
// a file of these whose header says none is not decoded on trust. Only the first frame or
// page is ever decoded.
bool declaresSize(const QByteArray& format) { return format == "webp" || format == "tiff"; }

// The formats whose readers are bounded here; Qt reads others (XPM, PPM ...) by content.
bool isKnownFormat(const QByteArray& format) {
    return format == "jpeg" || format == "png" || format == "gif" || format == "bmp" ||
           format == "ico" || format == "cur" || declaresSize(format);
}

// Qt refuses any single image above this many megabytes while decoding; it backs up the
// check of the declared size for readers that cannot tell the size before decoding.
void limitAllocation() {
    constexpr int limitMb = int(kMaxPictureBytes / (1024 * 1024));
    if (QImageReader::allocationLimit() != limitMb) QImageReader::setAllocationLimit(limitMb);
}

bool fitsBound(QSize s, int pixelBytes = 4) {
    return qint64(s.width()) * s.height() <= kMaxPictureBytes / pixelBytes;
}

}  // namespace

PictureFile PictureFile::Open(const QString& path) {
    limitAllocation();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(PictureError::Unreadable, path);
    // No picture file of these formats is larger than its decoded pixels.
    if (file.size() > kMaxPictureBytes) fail(PictureError::TooLarge, path);
    PictureFile p;
    p.path_ = path;
    p.data_ = file.readAll();
    if (p.data_.isEmpty()) fail(PictureError::Unreadable, path);
    // By content, as every other format: a metafile under another name still loads, and a
    // picture named .emf is read as what it is.
    if (IsEmf(p.data_)) {
        // Qt has no metafile codec: the picture is drawn once, at its natural size.
        const EmfResult drawn = RenderEmf(p.data_);
        if (drawn.problem == EmfResult::TooLarge) fail(PictureError::TooLarge, path);
        if (drawn.problem == EmfResult::TooComplex) fail(PictureError::TooComplex, path);
        if (drawn.image.isNull()) fail(PictureError::Unreadable, path);
        p.rendered_ = drawn.image;
        p.size_ = p.rendered_.size();
        return p;
    }

    // The format comes from the content, so a picture under the wrong extension still loads.
    QBuffer buffer(&p.data_);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    p.format_ = reader.format();
    if (!isKnownFormat(p.format_)) fail(PictureError::Unreadable, path);
    if (p.format_ == "jpeg") {
        switch (JudgeJpeg(ReadJpegLayout(p.data_), kMaxPictureBytes / 4, kMaxPictureBytes)) {
            case DecodeVerdict::TooLarge:
                fail(PictureError::TooLarge, path);
            case DecodeVerdict::TooComplex:
                fail(PictureError::TooComplex, path);
            case DecodeVerdict::Fine:
                break;
        }
    }
    p.size_ = DecodedSize(p.format_, p.data_);
    if (!p.size_.isValid()) p.size_ = reader.size();
    // The bitmap reader refuses a declared size above its own limit without saying why.
    if (!p.size_.isValid() && p.format_ == "bmp" && !fitsBound(ReadBitmapLayout(p.data_).size))
        fail(PictureError::TooLarge, path);
    if (!p.size_.isValid() && declaresSize(p.format_)) fail(PictureError::Unreadable, path);
    if (!p.size_.isValid()) {
        // The reader cannot tell the size without decoding; the allocation limit guards it.
        const QImage whole = reader.read();
        if (whole.isNull()) fail(PictureError::Unreadable, path);
        p.size_ = whole.size();
    }
    if (p.size_.isEmpty()) fail(PictureError::Unreadable, path);
    // Deep pixels (16-bit channels, floating point) are kept as they are in the file.
    int pixelBytes = DecodedPixelBytes(p.format_, p.data_);
    if (const QImage::Format f = reader.imageFormat(); f != QImage::Format_Invalid)
        pixelBytes = std::max(pixelBytes, int(QImage::toPixelFormat(f).bitsPerPixel() / 8));
    if (!fitsBound(p.size_, pixelBytes)) fail(PictureError::TooLarge, path);
    // A photo turned by its camera's orientation tag is shown upright, as every viewer does.
    p.turned_ = reader.transformation() & QImageIOHandler::TransformationRotate90;
    if (p.turned_) p.size_.transpose();
    if (EndsEarly(p.format_, p.data_)) fail(PictureError::Unreadable, path);
    return p;
}

QImage PictureFile::decode(QSize scaledTo) const {
    if (!rendered_.isNull()) {
        if (!scaledTo.isValid() || scaledTo.isEmpty() || scaledTo == size_) return rendered_;
        return rendered_.scaled(scaledTo, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    limitAllocation();
    QByteArray data = data_;  // shared, not copied
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format_);
    reader.setAutoTransform(true);
    // The reader scales the picture as stored, then turns it.
    if (scaledTo.isValid() && !scaledTo.isEmpty() && scaledTo != size_)
        reader.setScaledSize(turned_ ? scaledTo.transposed() : scaledTo);
    QImage image = reader.read();
    if (image.isNull()) fail(PictureError::Unreadable, path_);
    return image;
}

QImage LoadPicture(const QString& path) { return PictureFile::Open(path).decode(); }

}  // namespace orlenda
