// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picture files: Qt's codecs, or bytes made by hand where Qt writes no such file.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
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

// The 54-byte header of a 24-bit Windows bitmap declaring width x height, without pixels.
inline QByteArray BitmapHeader(int width, int height) {
    QByteArray h(54, '\0');
    h[0] = 'B';
    h[1] = 'M';
    const quint64 size = 54 + (quint64(width) * 3 + 3) / 4 * 4 * height;
    const std::pair<int, quint32> fields[] = {
        {2, quint32(size)},    {10, 54},           {14, 40},   {18, quint32(width)},
        {22, quint32(height)}, {26, 1 | 24 << 16}, {38, 2835}, {42, 2835}};
    for (auto [at, v] : fields) qToLittleEndian(v, h.data() + at);
    return h;
}

}  // namespace orlenda::test
