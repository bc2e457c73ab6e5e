#pragma once
// Saving pictures where the user can write, and saying in Chinese why a save failed.
#include <QImage>
#include <QString>
#include <functional>

class QIODevice;

namespace orlenda {

// Writes path whole or not at all: write() fills the file, which is written beside path and
// renamed over it only when write() returns no reason; an earlier file of that name stays as
// it was when anything fails. Returns an empty string on success, else the reason as Qt or
// write() gives it.
QString WriteWhole(const QString& path, const std::function<QString(QIODevice&)>& write);

// An image through WriteWhole.
QString WriteImageWhole(const QImage& image, const QString& path, const char* format);

// Writes image to path in format, whole or not at all: an earlier file of that name stays as
// it was when anything fails. Returns an empty string on success, else the reason in Chinese.
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
