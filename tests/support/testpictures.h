// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picture files: Qt's codecs, or bytes made by hand where Qt writes no such file or the file
// declares sizes and counts no real picture has.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QString>
#include <QtEndian>
#include <algorithm>

namespace orlenda::test {

// Four flat quadrants: red, green / blue, white.
inline QImage Quadrants(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    const int w2 = width / 2, h2 = height / 2;
    p.fillRect(0, 0, w2, h2, Qt::red);
    p.fillRect(w2, 0, width - w2, h2, Qt::green);
    p.fillRect(0, h2, w2, height - h2, Qt::blue);
    p.fillRect(w2, h2, width - w2, height - h2, Qt::white);
    return img;
}

// True when the centre of each quadrant has its colour, within tolerance per channel.
inline bool ShowsQuadrants(const QImage& img, int tolerance) {
    const QColor want[] = {Qt::red, Qt::green, Qt::blue, Qt::white};
    for (int i = 0; i < 4; ++i) {
        const QColor got =
            img.pixelColor((1 + i % 2 * 2) * img.width() / 4, (1 + i / 2 * 2) * img.height() / 4);
        if (std::max({std::abs(got.red() - want[i].red()), std::abs(got.green() - want[i].green()),
                      std::abs(got.blue() - want[i].blue())}) > tolerance)
            return false;
    }
    return !img.isNull();
}

// The stored picture as a phone writes its JPEG: an Exif segment after the start marker
// whose orientation tag tells a viewer how to turn it (6: a quarter turn clockwise).
inline QByteArray PhoneJpeg(const QImage& stored, int orientation) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (!buffer.open(QIODevice::WriteOnly) || !stored.save(&buffer, "JPEG", 95)) return {};
    QByteArray app1("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\0\0\0\0\0\0\0", 32);
    app1[25] = char(orientation);
    return jpeg.left(2) + QByteArray("\xFF\xE1\0\x22", 4) + app1 + jpeg.mid(2);
}

inline QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, format, 90) ? bytes
                                                                                : QByteArray();
}

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The 2 x 2 quadrants as a GIF89a, assembled by hand (Qt writes no GIF). The LZW codes,
// packed from the low bit: clear 4, then 0 1 2 in three bits; the table reaches 8 entries,
// so 3 and end-of-information 5 take four bits.
inline QByteArray QuadrantsGif() {
    // clang-format off
    static const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0xF1, 0, 0,    // screen, 4-colour table
        255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255,           // red green blue white
        0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0,                          // the image, no local table
        2, 3, 0x44, 0x34, 0x05, 0,                                // code size 2, one block
        0x3B};
    // clang-format on
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A Windows bitmap of width x |height| pixels of `bits` (1, 4, 8: palette indexes; 24, 32:
// colours 0xRRGGBB), given top row first; a negative height stores them top row first too.
// Rows are padded to four bytes. No pixels: the header alone.
inline QByteArray Bitmap(int width, int height, int bits, const QList<quint32>& pixels = {},
                         const QList<quint32>& palette = {}) {
    const int rows = std::abs(height);
    const qint64 stride = (qint64(width) * bits + 31) / 32 * 4;
    const quint32 offset = 54 + 4 * quint32(palette.size());
    // After "BM": the rest of the file header, the 40-byte information header, the palette.
    // clang-format off
    const QList<quint32> fields = QList<quint32>{quint32(offset + stride * rows), 0, offset, 40, quint32(width),
        quint32(height), 1 | quint32(bits) << 16, 0, 0, 2835, 2835, quint32(palette.size()), 0} + palette;
    // clang-format on
    QByteArray b(2 + 4 * fields.size(), 'B');
    b[1] = 'M';
    qToLittleEndian<quint32>(fields.constData(), fields.size(), b.data() + 2);
    for (int r = 0; r < rows && !pixels.isEmpty(); ++r) {
        QByteArray row(stride, '\0');
        for (int x = 0, y = height < 0 ? r : rows - 1 - r; x < width; ++x) {
            const quint32 v = pixels[y * width + x];
            if (bits < 8)
                row[x * bits / 8] = char(row[x * bits / 8] | v << (8 - bits - x * bits % 8));
            for (int k = 0; k < bits / 8; ++k) row[x * bits / 8 + k] = char(v >> 8 * k);
        }
        b += row;
    }
    return b;
}

inline QByteArray Be16(int v) { return QByteArray(1, char(v >> 8)) + char(v & 0xFF); }
inline QByteArray Le16(int v) { return QByteArray(1, char(v & 0xFF)) + char(v >> 8); }

// A JPEG of three components (the first twice as fine both ways, or all alike) whose scans
// carry no data: each still makes the decoder work through every block they name.
inline QByteArray Jpeg(int width, int height, int scans, bool progressive = true,
                       bool subsampled = true) {
    auto segment = [](int marker, const QByteArray& body) {
        return QByteArray(1, char(0xFF)) + char(marker) + Be16(int(body.size()) + 2) + body;
    };
    QByteArray frame = QByteArray(1, 8) + Be16(height) + Be16(width) + char(3);
    for (int c = 1; c <= 3; ++c)
        frame += QByteArray(1, char(c)) + char(c == 1 && subsampled ? 0x22 : 0x11) + char(0);
    // One table of each kind: a single one-bit code, for the value 0.
    const QByteArray table = QByteArray(1, 1) + QByteArray(15, 0) + char(0);
    const QByteArray scan = segment(0xDA, QByteArray::fromHex("03010002000300") + QByteArray(3, 0));
    return QByteArray::fromHex("FFD8") + segment(0xDB, QByteArray(1, 0) + QByteArray(64, 1)) +
           segment(progressive ? 0xC2 : 0xC0, frame) + segment(0xC4, char(0x00) + table) +
           segment(0xC4, char(0x10) + table) + scan.repeated(scans) + QByteArray::fromHex("FFD9");
}

// A GIF of a two-colour logical screen and frames of one pixel at the top left.
inline QByteArray Gif(int screenWidth, int screenHeight, int frames) {
    const QByteArray frame = QByteArray::fromHex("2C0000000001000100000202440100");
    return "GIF89a" + Le16(screenWidth) + Le16(screenHeight) +
           QByteArray::fromHex("800000000000FFFFFF") + frame.repeated(frames) + char(0x3B);
}

// An icon file of one picture, which the directory says is 16 x 16.
inline QByteArray Icon(const QByteArray& picture) {
    QByteArray entry = QByteArray::fromHex("10100000010020000000000016000000");
    qToLittleEndian<quint32>(quint32(picture.size()), entry.data() + 8);
    return QByteArray::fromHex("000001000100") + entry + picture;
}

}  // namespace orlenda::test
