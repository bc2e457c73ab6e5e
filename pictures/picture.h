// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picture files: read into memory once, checked before anything is decoded, decoded whole
// or straight to a smaller size for a preview, upright as the camera's orientation tag says.
// Only JPEG, PNG, GIF, BMP, ICO, WebP, TIFF and metafiles are read, each within bounds of
// memory and time that no file can pass.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <stdexcept>

#include "graphics/units.h"

namespace orlenda {

// No picture may decode to more than this; larger ones are refused instead of exhausting
// memory (8192 x 8192 at four bytes a pixel).
constexpr qint64 kMaxPictureBytes = qint64(256) * 1024 * 1024;

// A picture that cannot be loaded; message() is the text for the user, naming the file.
// TooLarge: more memory than the bound; TooComplex: far more work than any picture takes
// (a JPEG of hundreds of scans, a metafile of millions of full-picture fills).
class PictureError : public std::runtime_error {
  public:
    enum Kind { Unreadable, TooLarge, Unsupported, TooComplex };
    PictureError(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind_(kind), message_(message) {}
    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }

  private:
    Kind kind_;
    QString message_;
};

// A picture file's bytes with its format and pixel size, checked against the memory bound.
class PictureFile {
  public:
    PictureFile() = default;
    // Reads the file and its header; throws PictureError.
    static PictureFile Open(const QString& path);

    bool isNull() const { return data_.isNull(); }
    const QString& path() const { return path_; }
    // Upright, as decode() gives it.
    QSize pixelSize() const { return size_; }
    // The whole picture, or (for a valid scaledTo) the picture decoded straight to that size,
    // which for JPEG skips most of the work. Throws PictureError.
    QImage decode(QSize scaledTo = QSize()) const;

  private:
    QString path_;
    QByteArray data_;
    QByteArray format_;
    QSize size_;           // upright
    bool turned_ = false;  // stored a quarter turn from upright
    QImage rendered_;      // a metafile, already drawn
};

// The whole picture at its natural resolution; throws PictureError.
QImage LoadPicture(const QString& path);

// A loaded picture's natural size in twips: 15 twips a pixel.
inline QSize NaturalSizeTwips(QSize pixels) { return pixels * kTwipsPerPixel; }

}  // namespace orlenda
