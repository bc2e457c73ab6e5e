// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picture files made byte by byte, declaring sizes and counts no real picture has.
#include <QByteArray>
#include <QtEndian>

namespace orlenda::test {

inline QByteArray Be16(int v) { return QByteArray(1, char(v >> 8)) + char(v & 0xFF); }
inline QByteArray Le16(int v) { return QByteArray(1, char(v & 0xFF)) + char(v >> 8); }
inline QByteArray Be32(quint32 v) { return Be16(int(v >> 16)) + Be16(int(v & 0xFFFF)); }

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

// A PNG header of the given size and bits a channel (RGB), with a little of no picture.
inline QByteArray PngHeader(quint32 width, quint32 height, int bits = 8) {
    auto chunk = [](const char* type, const QByteArray& body) {
        const QByteArray typed = QByteArray(type) + body;
        quint32 crc = 0xFFFFFFFF;
        for (char c : typed) {
            crc ^= quint8(c);
            for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
        }
        return Be32(quint32(body.size())) + typed + Be32(~crc);
    };
    return QByteArray::fromHex("89504E470D0A1A0A") +
           chunk("IHDR",
                 Be32(width) + Be32(height) + char(bits) + QByteArray::fromHex("02000000")) +
           chunk("IDAT", qCompress(QByteArray(1000, 0)).mid(4)) + chunk("IEND", {});
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
