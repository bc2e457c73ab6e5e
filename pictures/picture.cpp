// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/picture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <climits>

#include "pictures/emf.h"

namespace orlenda {

namespace {

[[noreturn]] void fail(PictureError::Kind kind, const QString& path) {
    const QString file = QDir::toNativeSeparators(path);
    switch (kind) {
        case PictureError::TooLarge:
            throw PictureError(kind, QStringLiteral("图形文件太大，无法载入：%1").arg(file));
        case PictureError::Unsupported:
            throw PictureError(kind, QStringLiteral("暂不支持 EMF 图形文件：%1").arg(file));
        case PictureError::Unreadable:
            break;
    }
    throw PictureError(kind, QStringLiteral("无法读取图形文件：%1").arg(file));
}

quint32 le32(const QByteArray& b, int at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

quint16 le16(const QByteArray& b, qsizetype at) {
    return quint16(quint8(b[at])) | quint16(quint8(b[at + 1])) << 8;
}

// A Windows bitmap's header: its declared size and whether its pixels are all in the file.
// Only uncompressed and bit-field bitmaps are judged; others are left to the reader.
struct BitmapLayout {
    QSize size;
    bool complete = true;
};
BitmapLayout bitmapLayout(const QByteArray& b) {
    BitmapLayout layout;
    if (b.size() < 34 || le32(b, 14) < 40) return layout;
    const qint64 width = qint32(le32(b, 18));
    const qint64 height = qAbs(qint64(qint32(le32(b, 22))));
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX) return layout;
    layout.size = QSize(int(width), int(height));
    const quint32 compression = le32(b, 30);
    if (compression == 0 || compression == 3 || compression == 6) {
        const qint64 stride = (width * le16(b, 28) + 31) / 32 * 4;
        layout.complete = qint64(le32(b, 10)) + stride * height <= b.size();
    }
    return layout;
}

// Readers draw what there is of a file that was cut off and fill the rest, without an
// error; so a JPEG, GIF or bitmap that ends before its pixels do is found here. (PNG's
// reader refuses such a file itself.)
bool endsEarly(const QByteArray& format, const QByteArray& d) {
    if (format == "jpeg" || format == "jpg") {
        // Scan data never holds FF D9 (an FF in it is followed by 00 or a restart number),
        // so a whole file has its end marker after the start of its last scan.
        const qsizetype scan = d.lastIndexOf("\xFF\xDA");
        return scan < 0 || d.indexOf("\xFF\xD9", scan) < 0;
    }
    if (format == "gif") {
        // Walk the blocks; ending inside one is a cut. A missing trailer after whole
        // blocks is tolerated, as every viewer does.
        const auto* b = reinterpret_cast<const uchar*>(d.constData());
        const qsizetype n = d.size();
        if (n < 13) return true;
        qsizetype at = 13;
        if (b[10] & 0x80) at += qsizetype(3) << ((b[10] & 7) + 1);
        auto subBlocks = [&] {
            while (at < n && b[at] != 0) at += b[at] + 1;
            return at++ < n;
        };
        while (at < n) {
            if (b[at] == 0x3B) return false;
            if (b[at] == 0x21) {
                at += 2;
            } else if (b[at] == 0x2C) {
                if (at + 10 > n) return true;
                const uchar flags = b[at + 9];
                at += 10;
                if (flags & 0x80) at += qsizetype(3) << ((flags & 7) + 1);
                at += 1;  // LZW code size
            } else {
                return false;  // not ours to judge
            }
            if (!subBlocks()) return true;
        }
        return at > n;
    }
    if (format == "bmp") return !bitmapLayout(d).complete;
    return false;
}

// An enhanced metafile starts with its header record (type 1) carrying " EMF" at byte 40.
bool isMetafile(const QString& path, const QByteArray& data) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("emf"), Qt::CaseInsensitive) == 0)
        return true;
    return data.size() >= 44 && le32(data, 0) == 1 && data.mid(40, 4) == " EMF";
}

// Qt refuses any single image above this many megabytes while decoding; it backs up the
// check of the declared size for readers that cannot tell the size before decoding.
void limitAllocation() {
    constexpr int limitMb = int(kMaxPictureBytes / (1024 * 1024));
    if (QImageReader::allocationLimit() != limitMb) QImageReader::setAllocationLimit(limitMb);
}

bool fitsBound(QSize s) { return qint64(s.width()) * s.height() * 4 <= kMaxPictureBytes; }

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
    if (isMetafile(path, p.data_)) {
        // Qt has no metafile codec: the picture is drawn once, at its natural size.
        p.rendered_ = RenderEmf(p.data_).image;
        if (p.rendered_.isNull()) fail(PictureError::Unreadable, path);
        p.size_ = p.rendered_.size();
        return p;
    }

    // The format comes from the content, so a picture under the wrong extension still loads.
    QBuffer buffer(&p.data_);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    p.format_ = reader.format();
    if (p.format_.isEmpty()) fail(PictureError::Unreadable, path);
    p.size_ = reader.size();
    // The bitmap reader refuses a declared size above its own limit without saying why.
    if (!p.size_.isValid() && p.format_ == "bmp" && !fitsBound(bitmapLayout(p.data_).size))
        fail(PictureError::TooLarge, path);
    if (!p.size_.isValid()) {
        // The reader cannot tell the size without decoding; the allocation limit guards it.
        const QImage whole = reader.read();
        if (whole.isNull()) fail(PictureError::Unreadable, path);
        p.size_ = whole.size();
    }
    if (p.size_.isEmpty()) fail(PictureError::Unreadable, path);
    if (!fitsBound(p.size_)) fail(PictureError::TooLarge, path);
    if (endsEarly(p.format_, p.data_)) fail(PictureError::Unreadable, path);
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
    if (scaledTo.isValid() && !scaledTo.isEmpty() && scaledTo != size_)
        reader.setScaledSize(scaledTo);
    QImage image = reader.read();
    if (image.isNull()) fail(PictureError::Unreadable, path_);
    return image;
}

QImage LoadPicture(const QString& path) { return PictureFile::Open(path).decode(); }

}  // namespace orlenda
