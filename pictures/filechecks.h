// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a picture file's own headers say decoding it will cost, read before any decoder runs.
// Qt's readers trust what files declare: a JPEG's decoder works through every scan of the whole
// picture, however many there are, and the sizes Qt reports for GIF and ICO files are not
// always those it decodes to.
#include <QByteArray>
#include <QSize>

namespace orlenda {

// A JPEG's frame and scans as its markers declare them.
struct JpegLayout {
    bool framed = false;  // a frame header came before the first scan
    QSize size;
    int scans = 0;
    double blockVisits = 0;       // 8 x 8 blocks decoded, summed over the scans
    double coefficientBytes = 0;  // held for the whole picture when it comes in several scans
};
JpegLayout ReadJpegLayout(const QByteArray& data);

// At most this many scans: encoders write about ten, a thousand empty ones took a minute.
constexpr int kMaxJpegScans = 200;
// All scans together may decode each block of the largest picture allowed (three
// components at full resolution) this many times; encoders' progressions take about five.
constexpr int kMaxJpegPasses = 16;

enum class DecodeVerdict { Fine, TooLarge, TooComplex };
// Whether a JPEG of at most maxPixels pixels may be decoded: its size, its scans, the blocks
// they decode and the memory the decoder keeps for a picture in several scans (at most
// maxBytes). A file whose markers cannot be followed is left to the decoder.
DecodeVerdict JudgeJpeg(const JpegLayout& jpeg, qint64 maxPixels, qint64 maxBytes);

// The size Qt decodes the first picture of a GIF or ICO file to: a GIF's first frame is
// drawn on the whole logical screen, and an icon's own header, not the directory, gives its
// size. Invalid when the file does not say.
QSize DecodedSize(const QByteArray& format, const QByteArray& data);

// Bytes a decoded pixel takes: Qt keeps 16-bit PNG channels as they are.
int DecodedPixelBytes(const QByteArray& format, const QByteArray& data);

// A Windows bitmap's declared size (invalid when it declares none Qt would read) and whether
// its pixels are all in the file. Only uncompressed and bit-field bitmaps are judged.
struct BitmapLayout {
    QSize size;
    bool complete = true;
};
BitmapLayout ReadBitmapLayout(const QByteArray& data);

// Readers draw what there is of a file that was cut off and fill the rest, without an error;
// this finds a JPEG, GIF or bitmap that ends before its pixels do. (PNG's reader refuses such
// a file itself.)
bool EndsEarly(const QByteArray& format, const QByteArray& data);

}  // namespace orlenda
