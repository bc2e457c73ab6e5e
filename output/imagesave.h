// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving files whole, without being led astray by what stands at the target's name, and
// saying why a save failed: the outcome as a code for each front end to word, or in Chinese
// for the windows.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

class QIODevice;

namespace orlenda {

// How a save ended. The target's name is looked at without following it: a regular file
// or nothing is replaced; a symbolic link is followed only when it belongs to the person
// saving or to root (a link planted by someone else, in /tmp or in a folder they own, is
// refused), at most eight in a row, to a regular file or nothing; anything else (a folder, a
// device, a FIFO, a socket) is refused and left as it is.
struct SaveOutcome {
    enum class Fault {
        None,
        System,       // error: the errno of the call that failed
        NotRegular,   // fileType: what stands at the name (S_IFCHR, S_IFIFO, ...)
        ForeignLink,  // a symbolic link that belongs to another user
        Writer,       // detail: the writer's own reason
    };
    Fault fault = Fault::None;
    int error = 0;
    unsigned fileType = 0;
    QString detail;
    bool ok() const { return fault == Fault::None; }
};

// Writes bytes to path whole or not at all: into a new file beside the target, synced, then
// renamed over it. A file replaced keeps its permission bits and, where the saver may, its
// owner and group; an existing file this user may not write is refused (EACCES or EPERM).
// An earlier file stays as it was when anything fails, and no scratch file is left.
SaveOutcome SaveBytesWhole(const QString& path, const QByteArray& bytes);

// write() fills the new file that SaveBytesWhole would fill (nothing is held in memory); a
// reason it returns fails the save as Fault::Writer and leaves nothing behind.
SaveOutcome SaveWhole(const QString& path, const std::function<QString(QIODevice&)>& write);

// The outcome in Chinese, as the windows word it (path: where the save went), from the
// error the failing call gave rather than from a guess.
QString ChineseSaveReason(const SaveOutcome& outcome, const QString& path);

// A 32-bit RGB picture (Format_RGB32) as a 24-bit BMP file, the bytes Qt's BMP writer gives,
// without looking through every image plugin for a writer as QImageWriter does. Returns an
// empty string on success, else the reason.
QString WriteBmp(const QImage& image, QIODevice& device);

// The writer of image in format ("bmp", "png", "jpeg", "pdf": one page the picture's size)
// for SaveWhole; a 32-bit BMP through WriteBmp. It refers to image, which must outlive it.
std::function<QString(QIODevice&)> ImageEncoding(const QImage& image, const char* format);

// The format a picture file's name asks for by its ending, in any case: "bmp" for .bmp, "png"
// for .png, "jpeg" for .jpg and .jpeg, "pdf" for .pdf; nullptr for any other name.
const char* PictureFormatOfName(const QString& name);

// Writes image to path in format ("pdf": one page the picture's size), whole or not at all: an
// earlier file of that name stays as it was when anything fails. Returns an empty string on
// success, else the reason in Chinese.
QString SaveImageWhole(const QImage& image, const QString& path, const char* format);

// Why a file could not be written at path, in Chinese, found by looking at its folder, the
// file and the free space after the failure. needBytes: about what the file would take.
QString SaveFailureReason(const QString& path, qint64 needBytes = 0);

// Whether new files can be made in folder by this user.
bool FolderWritable(const QString& folder);

// The user's pictures folder, made when missing; empty when none can be had.
QString PicturesFolder();

// path itself when its folder can be written, else the same name in the pictures folder
// (path again when there is none, so that the save fails with its reason).
QString WritablePlace(const QString& path);

}  // namespace orlenda
