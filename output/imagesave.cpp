#include "output/imagesave.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <climits>

namespace orlenda {

namespace {

// access() answers for this user and also knows read-only file systems and immutable files.
int AccessError(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0 ? 0 : errno;
}

}  // namespace

bool FolderWritable(const QString& folder) {
    return QFileInfo(folder).isDir() && AccessError(folder) == 0;
}

QString SaveFailureReason(const QString& path, qint64 needBytes) {
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    if (!QFileInfo(folder).isDir()) return QStringLiteral("文件夹不存在。");
    if (file.isDir()) return QStringLiteral("已有一个同名的文件夹。");
    if (QFile::encodeName(file.fileName()).size() > NAME_MAX) return QStringLiteral("文件名太长。");
    if (const int e = AccessError(folder))
        return e == EROFS ? QStringLiteral("文件夹所在的磁盘是只读的。")
                          : QStringLiteral("没有在这个文件夹中写入的权限。");
    if (file.exists() && AccessError(path) != 0)
        return QStringLiteral("原有的同名文件是只读的，不能替换。");
    struct statvfs fs;
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) == 0) {
        const unsigned long long blocks = ::geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
        if (blocks * fs.f_frsize < static_cast<unsigned long long>(qMax<qint64>(needBytes, 1)))
            return QStringLiteral("磁盘空间不足。");
    }
    return QStringLiteral("写入文件时出错。");
}

QString WriteWhole(const QString& path, const std::function<QString(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    const QString error = write(file);
    if (!error.isEmpty()) {
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

QString WriteImageWhole(const QImage& image, const QString& path, const char* format) {
    return WriteWhole(path, [&](QIODevice& device) {
        QImageWriter writer(&device, format);
        return writer.write(image) ? QString() : writer.errorString();
    });
}

QString SaveImageWhole(const QImage& image, const QString& path, const char* format) {
    if (WriteImageWhole(image, path, format).isEmpty()) return {};
    return SaveFailureReason(path, image.sizeInBytes());
}

QString PicturesFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) return {};
    return folder;
}

QString WritablePlace(const QString& path) {
    const QFileInfo file(path);
    if (FolderWritable(file.absolutePath())) return path;
    const QString pictures = PicturesFolder();
    return pictures.isEmpty() ? path : QDir(pictures).filePath(file.fileName());
}

}  // namespace orlenda
