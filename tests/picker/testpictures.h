#pragma once
// Picture files for the tests: real codecs where Qt writes the format, hand-made bytes
// where it does not (GIF) or where only the header matters (huge bitmaps).
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QVector>

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

// The colour expected at the centre of each quadrant, in the order above.
inline QVector<QPoint> QuadrantCentres(QSize s) {
    const int w = s.width(), h = s.height();
    return {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
}
inline const QVector<QColor>& QuadrantColours() {
    static const QVector<QColor> c{Qt::red, Qt::green, Qt::blue, Qt::white};
    return c;
}

inline bool Near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A GIF89a of an image with at most four colours. The LZW stream sends a clear code before
// every pixel, so codes stay three bits wide and no string table is needed: a valid, if
// wasteful, encoding any decoder must accept.
inline QByteArray Gif(const QImage& image) {
    QVector<QRgb> palette;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!palette.contains(image.pixel(x, y))) palette << image.pixel(x, y);
    Q_ASSERT(palette.size() <= 4);
    while (palette.size() < 4) palette << qRgb(0, 0, 0);

    QByteArray out("GIF89a");
    auto le16 = [&](int v) {
        out.append(char(v & 0xff));
        out.append(char((v >> 8) & 0xff));
    };
    le16(image.width());
    le16(image.height());
    out.append(char(0xF1));  // global table of 4 colours
    out.append('\0');
    out.append('\0');
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(char(0x2C));
    le16(0);
    le16(0);
    le16(image.width());
    le16(image.height());
    out.append('\0');
    out.append(char(2));  // minimum code size

    QByteArray data;
    quint32 acc = 0;
    int bits = 0;
    auto put = [&](int code) {
        acc |= quint32(code) << bits;
        bits += 3;
        while (bits >= 8) {
            data.append(char(acc & 0xff));
            acc >>= 8;
            bits -= 8;
        }
    };
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            put(4);  // clear
            put(int(palette.indexOf(image.pixel(x, y))));
        }
    put(5);  // end of information
    if (bits > 0) data.append(char(acc & 0xff));
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray block = data.mid(i, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    out.append(char(0x3B));
    return out;
}

// The 54-byte header of a 24-bit Windows bitmap declaring width x height, without pixels.
inline QByteArray BitmapHeader(int width, int height) {
    QByteArray h;
    auto le = [&](quint32 v, int n) {
        for (int i = 0; i < n; ++i) h.append(char((v >> (8 * i)) & 0xff));
    };
    const quint64 row = (quint64(width) * 3 + 3) / 4 * 4;
    h.append("BM");
    le(quint32(54 + row * height), 4);
    le(0, 4);
    le(54, 4);
    le(40, 4);
    le(quint32(width), 4);
    le(quint32(height), 4);
    le(1, 2);
    le(24, 2);
    le(0, 4);
    le(0, 4);
    le(2835, 4);
    le(2835, 4);
    le(0, 4);
    le(0, 4);
    return h;
}

// The start of an enhanced metafile: header record type 1, size 108, " EMF" at byte 40.
inline QByteArray MetafileHeader() {
    QByteArray h(108, '\0');
    h[0] = 1;
    h[4] = 108;
    h.replace(40, 4, " EMF");
    return h;
}

}  // namespace orlenda::test
