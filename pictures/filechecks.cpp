// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/filechecks.h"

#include <QList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace orlenda {

namespace {

quint16 be16(const uchar* b) { return quint16(b[0] << 8 | b[1]); }
quint32 be32(const uchar* b) { return quint32(be16(b)) << 16 | be16(b + 2); }
quint16 le16(const uchar* b) { return quint16(b[0] | b[1] << 8); }
quint32 le32(const uchar* b) { return quint32(le16(b)) | quint32(le16(b + 2)) << 16; }

const uchar* bytes(const QByteArray& d) { return reinterpret_cast<const uchar*>(d.constData()); }

// The next FF at or after `at`, or n.
qsizetype nextFF(const uchar* b, qsizetype at, qsizetype n) {
    if (at >= n) return n;
    const void* hit = std::memchr(b + at, 0xFF, size_t(n - at));
    return hit ? static_cast<const uchar*>(hit) - b : n;
}

// Past a scan's entropy-coded data: an FF in it is followed by 00 or a restart number.
qsizetype skipScan(const uchar* b, qsizetype at, qsizetype n) {
    for (;;) {
        qsizetype ff = nextFF(b, at, n), next = ff + 1;
        while (next < n && b[next] == 0xFF) ++next;
        if (next >= n) return n;
        if (b[next] != 0x00 && (b[next] < 0xD0 || b[next] > 0xD7)) return next - 1;
        at = next + 1;
    }
}

bool isFrameMarker(uchar m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

struct JpegComponent {
    int id, h, v;
};

// The first image descriptor of a GIF: its left, top, width and height, or nothing.
bool firstGifFrame(const QByteArray& d, int (&frame)[4]) {
    const uchar* b = bytes(d);
    const qsizetype n = d.size();
    if (n < 13) return false;
    qsizetype at = 13;
    if (b[10] & 0x80) at += qsizetype(3) << ((b[10] & 7) + 1);
    while (at < n) {
        if (b[at] == 0x2C) {
            if (at + 9 > n) return false;
            for (int i = 0; i < 4; ++i) frame[i] = le16(b + at + 1 + 2 * i);
            return true;
        }
        if (b[at] != 0x21 || at + 2 > n) return false;
        at += 2;  // extension introducer and label, then its sub-blocks
        while (at < n && b[at] != 0) at += b[at] + 1;
        ++at;
    }
    return false;
}

}  // namespace

JpegLayout ReadJpegLayout(const QByteArray& data) {
    JpegLayout out;
    const uchar* b = bytes(data);
    const qsizetype n = data.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return out;
    QList<JpegComponent> components;
    double mcuColumns = 0, mcuRows = 0;
    bool progressive = false, partialFirstScan = false;
    auto blocks = [&](const JpegComponent& c) { return mcuColumns * c.h * mcuRows * c.v; };
    qsizetype at = 2;
    while (at < n) {
        // A marker is one or more FF and its code; bytes before it are passed over, as the
        // decoder does.
        at = nextFF(b, at, n);
        while (at < n && b[at] == 0xFF) ++at;
        if (at >= n) break;
        const uchar marker = b[at++];
        if (marker == 0xD9) break;  // end of image
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
        if (n - at < 2) break;
        const qsizetype length = be16(b + at);
        if (length < 2 || length > n - at) break;
        const uchar* segment = b + at + 2;
        const qsizetype size = length - 2;
        at += length;
        if (isFrameMarker(marker)) {
            if (out.framed || size < 6) break;  // the decoder refuses a second frame
            const int count = segment[5];
            if (count == 0 || size < 6 + 3 * qsizetype(count)) break;
            int hMax = 1, vMax = 1;
            for (int i = 0; i < count; ++i) {
                const uchar* c = segment + 6 + 3 * i;
                const JpegComponent component{c[0], c[1] >> 4, c[1] & 15};
                if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4)
                    return out;  // refused by the decoder
                hMax = std::max(hMax, component.h);
                vMax = std::max(vMax, component.v);
                components << component;
            }
            out.framed = true;
            out.size = QSize(be16(segment + 3), be16(segment + 1));
            progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            mcuColumns = std::ceil(out.size.width() / (8.0 * hMax));
            mcuRows = std::ceil(out.size.height() / (8.0 * vMax));
        } else if (marker == 0xDA) {
            ++out.scans;
            const int count = size >= 1 ? segment[0] : 0;
            if (out.scans == 1 && count < components.size()) partialFirstScan = true;
            for (int i = 0; i < count && 1 + 2 * i < size; ++i) {
                for (const JpegComponent& c : components)
                    if (c.id == segment[1 + 2 * i]) out.blockVisits += blocks(c);
            }
            at = skipScan(b, at, n);
        }
    }
    // Scans that each bring part of the picture are gathered for the whole picture first,
    // 64 coefficients of two bytes a block.
    if (out.framed && (progressive || partialFirstScan))
        for (const JpegComponent& c : components) out.coefficientBytes += blocks(c) * 128;
    return out;
}

DecodeVerdict JudgeJpeg(const JpegLayout& jpeg, qint64 maxPixels, qint64 maxBytes) {
    if (!jpeg.framed) return DecodeVerdict::Fine;
    if (qint64(jpeg.size.width()) * jpeg.size.height() > maxPixels ||
        jpeg.coefficientBytes > double(maxBytes))
        return DecodeVerdict::TooLarge;
    if (jpeg.scans > kMaxJpegScans ||
        jpeg.blockVisits > 3.0 * double(maxPixels) / 64 * kMaxJpegPasses)
        return DecodeVerdict::TooComplex;
    return DecodeVerdict::Fine;
}

QSize DecodedSize(const QByteArray& format, const QByteArray& data) {
    const uchar* b = bytes(data);
    const qsizetype n = data.size();
    if (format == "gif") {
        // A zero screen size is taken from the frame.
        int frame[4];
        if (!firstGifFrame(data, frame)) return {};
        const int screenWidth = le16(b + 6), screenHeight = le16(b + 8);
        return QSize(screenWidth ? screenWidth : frame[0] + frame[2],
                     screenHeight ? screenHeight : frame[1] + frame[3]);
    }
    if (format == "ico" || format == "cur") {
        // The first icon: a PNG of any size, or a bitmap of the directory's size (0 for 256,
        // then its own header's), which the decoder takes up to 256.
        if (n < 22 || le16(b + 4) == 0) return {};
        const quint32 at = le32(b + 18);
        if (at > quint64(n) || n - at < 24) return {};
        const uchar* icon = b + at;
        if (std::memcmp(icon, "\x89PNG\r\n\x1a\n", 8) == 0) {
            const quint32 w = be32(icon + 16), h = be32(icon + 20);
            if (w > INT_MAX || h > INT_MAX) return QSize(INT_MAX, INT_MAX);
            return QSize(int(w), int(h));
        }
        const int w = b[6] ? b[6] : qint32(le32(icon + 4));
        const int h = b[7] ? b[7] : qint32(le32(icon + 8)) / 2;
        return QSize(w, h);
    }
    return {};
}

int DecodedPixelBytes(const QByteArray& format, const QByteArray& data) {
    if (format == "png" && data.size() > 24 && bytes(data)[24] == 16) return 8;
    return 4;
}

BitmapLayout ReadBitmapLayout(const QByteArray& data) {
    BitmapLayout layout;
    const uchar* b = bytes(data);
    if (data.size() < 34 || le32(b + 14) < 40) return layout;
    const qint64 width = qint32(le32(b + 18));
    const qint64 height = std::abs(qint64(qint32(le32(b + 22))));
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX) return layout;
    layout.size = QSize(int(width), int(height));
    const quint32 compression = le32(b + 30);
    if (compression == 0 || compression == 3 || compression == 6) {
        const qint64 stride = (width * le16(b + 28) + 31) / 32 * 4;
        layout.complete = double(le32(b + 10)) + double(stride) * double(height) <= data.size();
    }
    return layout;
}

bool EndsEarly(const QByteArray& format, const QByteArray& d) {
    if (format == "jpeg" || format == "jpg") {
        // Scan data never holds FF D9 (an FF in it is followed by 00 or a restart number),
        // so a whole file has its end marker after the start of its last scan.
        const qsizetype scan = d.lastIndexOf("\xFF\xDA");
        return scan < 0 || d.indexOf("\xFF\xD9", scan) < 0;
    }
    if (format == "gif") {
        // Walk the blocks; ending inside one is a cut. A missing trailer after whole
        // blocks is tolerated, as every viewer does.
        const uchar* b = bytes(d);
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
    if (format == "bmp") return !ReadBitmapLayout(d).complete;
    return false;
}

}  // namespace orlenda
