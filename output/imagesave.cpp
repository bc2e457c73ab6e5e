// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/imagesave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtEndian>
#include <cerrno>
#include <climits>
#include <cstring>

#include "graphics/logging.h"

namespace orlenda {

namespace {

// access() answers for this user and also knows read-only file systems and immutable files.
int AccessError(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0 ? 0 : errno;
}

SaveOutcome SystemFault(int error) { return {SaveOutcome::Fault::System, error, 0, {}}; }

// A folder opened once: every later step names files relative to it, so that nothing
// renamed along the path can move the save elsewhere.
class FolderHandle {
  public:
    FolderHandle() = default;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle() { reset(-1); }
    int fd() const { return fd_; }
    // Opens folder, relative to the one held if any; false with errno set when it cannot.
    bool open(const QByteArray& folder) {
        const int fd =
            ::openat(fd_ >= 0 ? fd_ : AT_FDCWD, folder.isEmpty() ? "." : folder.constData(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        reset(fd);
        return true;
    }

  private:
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int fd_ = -1;
};

// Where the bytes go: a name in an open folder, and what stands there now, if anything.
struct Target {
    FolderHandle folder;
    QByteArray name;
    bool exists = false;
    struct stat existing {};
};

// Splits path into its folder (empty for the current one) and last name.
void Split(const QByteArray& path, QByteArray& folder, QByteArray& name) {
    const qsizetype slash = path.lastIndexOf('/');
    folder = slash < 0 ? QByteArray() : slash == 0 ? QByteArray("/") : path.left(slash);
    name = path.mid(slash + 1);
}

bool IsFolderName(const QByteArray& name) { return name.isEmpty() || name == "." || name == ".."; }

// The kernel's fs.protected_symlinks, made stricter: only a link of the saver's or root's
// own is followed, wherever it lies.
bool TrustedLink(const struct stat& link) { return link.st_uid == ::geteuid() || link.st_uid == 0; }

// Finds the target of path without following its last name blindly. The folders on the
// way are left to the kernel, which applies its own protections to the links among them.
SaveOutcome Resolve(const QString& path, Target& t) {
    QByteArray folder;
    Split(QFile::encodeName(path), folder, t.name);
    if (!t.folder.open(folder)) return SystemFault(errno);
    for (int links = 0;; ++links) {
        if (IsFolderName(t.name)) return SystemFault(EISDIR);
        struct stat st {};
        if (::fstatat(t.folder.fd(), t.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? SaveOutcome() : SystemFault(errno);
        if (S_ISREG(st.st_mode)) {
            t.exists = true;
            t.existing = st;
            // As before: a file this user may not write is not replaced behind its back.
            if (::faccessat(t.folder.fd(), t.name.constData(), W_OK, AT_EACCESS) != 0)
                return SystemFault(errno);
            return {};
        }
        if (S_ISDIR(st.st_mode)) return SystemFault(EISDIR);
        if (!S_ISLNK(st.st_mode))
            return {SaveOutcome::Fault::NotRegular, 0, st.st_mode & S_IFMT, {}};
        if (!TrustedLink(st)) return {SaveOutcome::Fault::ForeignLink, 0, S_IFLNK, {}};
        if (links == 8) return SystemFault(ELOOP);
        char buffer[PATH_MAX];
        const ssize_t length =
            ::readlinkat(t.folder.fd(), t.name.constData(), buffer, sizeof buffer);
        if (length < 0) return SystemFault(errno);
        if (length == ssize_t(sizeof buffer)) return SystemFault(ENAMETOOLONG);
        // The name must still be the link that was judged.
        struct stat again {};
        if (::fstatat(t.folder.fd(), t.name.constData(), &again, AT_SYMLINK_NOFOLLOW) != 0 ||
            again.st_ino != st.st_ino || again.st_dev != st.st_dev)
            return SystemFault(EAGAIN);
        QByteArray linkFolder;
        Split(QByteArray(buffer, length), linkFolder, t.name);
        if (!t.folder.open(linkFolder)) return SystemFault(errno);
    }
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// The new file takes the old one's owner, group and permission bits; ownership only where
// the saver may give it (root, or a group the saver is in).
void KeepOwnerAndMode(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, uid_t(-1), old.st_gid) != 0)
        qCDebug(lcSave) << "the replaced file's group is not kept:" << strerror(errno);
    if (::fchmod(fd, old.st_mode & 0777) != 0)
        qCWarning(lcSave) << "the replaced file's permissions are not kept:" << strerror(errno);
}

// The scratch file as a device for the writers, in blocks: the first failing write keeps its
// errno, which then speaks for the save as a failed write of the whole bytes would.
class ScratchFile : public QIODevice {
  public:
    explicit ScratchFile(int fd) : fd_(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    qint64 size() const override { return written_; }
    // Sends what is held to the file; false (error() set) when it cannot.
    bool flushAll() {
        if (error_ == 0 && !block_.isEmpty() && !WriteAll(fd_, block_)) error_ = errno;
        block_.clear();
        return error_ == 0;
    }
    int error() const { return error_; }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        if (error_ != 0) return -1;
        if (block_.size() + length > kBlock && !flushAll()) return -1;
        if (length < kBlock) {
            block_.append(data, length);
        } else if (!WriteAll(fd_, QByteArray::fromRawData(data, length))) {
            error_ = errno;
            return -1;
        }
        written_ += length;
        return length;
    }

  private:
    static constexpr qsizetype kBlock = 1 << 16;
    int fd_;
    int error_ = 0;
    qint64 written_ = 0;
    QByteArray block_;
};

}  // namespace

// Runs write into a new file beside the target, synced, then renamed over it.
SaveOutcome SaveWhole(const QString& path, const std::function<QString(QIODevice&)>& write) {
    Target t;
    if (const SaveOutcome found = Resolve(path, t); !found.ok()) return found;
    const int folder = t.folder.fd();
    QByteArray scratch;
    int fd = -1;
    // A fresh name beside the target; a file replaced starts private until it has its
    // owner's mode.
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        scratch =
            ".orlenda-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        fd = ::openat(folder, scratch.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, t.exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) return SystemFault(errno);
    }
    if (fd < 0) return SystemFault(EEXIST);
    ScratchFile file(fd);
    const QString refused = write(file);
    bool written = file.flushAll();
    int error = file.error();
    if (written && !refused.isEmpty()) {
        ::close(fd);
        ::unlinkat(folder, scratch.constData(), 0);
        return {SaveOutcome::Fault::Writer, 0, 0, refused};
    }
    if (written && t.exists) KeepOwnerAndMode(fd, t.existing);
    if (written && ::fsync(fd) != 0) {
        written = false;
        error = errno;
    }
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::renameat(folder, scratch.constData(), folder, t.name.constData()) == 0)
        return {};
    if (written) error = errno;
    ::unlinkat(folder, scratch.constData(), 0);
    return SystemFault(error);
}

SaveOutcome SaveBytesWhole(const QString& path, const QByteArray& bytes) {
    return SaveWhole(path, [&](QIODevice& file) {
        file.write(bytes);
        return QString();
    });
}

QString ChineseSaveReason(const SaveOutcome& outcome, const QString& path) {
    using Fault = SaveOutcome::Fault;
    if (outcome.fault == Fault::NotRegular) return QStringLiteral("同名的不是普通文件，不能替换。");
    if (outcome.fault == Fault::ForeignLink)
        return QStringLiteral("同名的链接属于别的用户，不能通过它保存。");
    if (outcome.fault != Fault::System) return QStringLiteral("写入文件时出错。");
    switch (outcome.error) {
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("磁盘空间不足。");
        case EROFS:
            return QStringLiteral("文件夹所在的磁盘是只读的。");
        case ENAMETOOLONG:
            return QStringLiteral("文件名太长。");
        case EISDIR:
            return QStringLiteral("已有一个同名的文件夹。");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("文件夹不存在。");
        case EACCES:
        case EPERM:
            return QFileInfo::exists(path) && AccessError(path) != 0
                       ? QStringLiteral("原有的同名文件是只读的，不能替换。")
                       : QStringLiteral("没有在这个文件夹中写入的权限。");
        default:
            return QStringLiteral("写入文件时出错。");
    }
}

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

namespace {
// One page the picture's size at the screen's 96 pixels an inch, the picture filling it.
QString WritePicturePdf(const QImage& image, QIODevice& device) {
    QPdfWriter writer(&device);
    writer.setCreator(QStringLiteral("Orlenda"));
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QSizeF(image.size()) * 0.75, QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer)) return QStringLiteral("cannot start the PDF page");
    painter.drawImage(QPoint(0, 0), image);
    if (!painter.end() || device.size() == 0) return QStringLiteral("nothing written");
    return {};
}

void PutLittleEndian(uchar*& at, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) *at++ = uchar(value >> (8 * i));
}
}  // namespace

QString WriteBmp(const QImage& image, QIODevice& device) {
    if (image.format() != QImage::Format_RGB32 || image.isNull())
        return QStringLiteral("not a 32-bit picture");
    const int width = image.width(), height = image.height();
    const qsizetype row = (qsizetype(width) * 3 + 3) / 4 * 4;
    const qint64 pixels = qint64(row) * height;
    if (pixels > 0xFFFFFFFFll - 54) return QStringLiteral("too large for BMP");
    uchar header[54];
    uchar* at = header;
    *at++ = 'B';
    *at++ = 'M';
    PutLittleEndian(at, quint32(54 + pixels), 4);
    PutLittleEndian(at, 0, 4);   // reserved
    PutLittleEndian(at, 54, 4);  // where the pixels start
    PutLittleEndian(at, 40, 4);  // BITMAPINFOHEADER
    PutLittleEndian(at, quint32(width), 4);
    PutLittleEndian(at, quint32(height), 4);  // rows bottom-up
    PutLittleEndian(at, 1, 2);                // planes
    PutLittleEndian(at, 24, 2);               // bits a pixel
    PutLittleEndian(at, 0, 4);                // uncompressed
    PutLittleEndian(at, quint32(pixels), 4);
    PutLittleEndian(at, quint32(image.dotsPerMeterX()), 4);
    PutLittleEndian(at, quint32(image.dotsPerMeterY()), 4);
    PutLittleEndian(at, 0, 4);  // colours used
    PutLittleEndian(at, 0, 4);  // important colours
    if (device.write(reinterpret_cast<const char*>(header), sizeof header) != sizeof header)
        return QStringLiteral("cannot write the BMP header");
    QByteArray line(row + 3, '\0');  // room for the last group's spare bytes
    for (int y = height - 1; y >= 0; --y) {
        const QRgb* pixel = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = reinterpret_cast<uchar*>(line.data());
        int x = 0;
        // Four pixels (blue, green, red, unused bytes in memory) make three words of BMP.
        for (; x + 4 <= width; x += 4, out += 12) {
            const quint32 a = pixel[x], b = pixel[x + 1], c = pixel[x + 2], d = pixel[x + 3];
            const quint32 words[3] = {qToLittleEndian((a & 0xFFFFFF) | b << 24),
                                      qToLittleEndian((b >> 8 & 0xFFFF) | c << 16),
                                      qToLittleEndian((c >> 16 & 0xFF) | d << 8)};
            std::memcpy(out, words, sizeof words);
        }
        for (; x < width; ++x) {
            *out++ = uchar(qBlue(pixel[x]));
            *out++ = uchar(qGreen(pixel[x]));
            *out++ = uchar(qRed(pixel[x]));
        }
        std::memset(out, 0, line.size() - (out - reinterpret_cast<uchar*>(line.data())));
        if (device.write(line.constData(), row) != row)
            return QStringLiteral("cannot write the BMP pixels");
    }
    return {};
}

std::function<QString(QIODevice&)> ImageEncoding(const QImage& image, const char* format) {
    return [&image, format](QIODevice& device) {
        if (qstricmp(format, "pdf") == 0) return WritePicturePdf(image, device);
        if (qstricmp(format, "bmp") == 0 && image.format() == QImage::Format_RGB32)
            return WriteBmp(image, device);
        QImageWriter writer(&device, format);
        return writer.write(image) ? QString() : writer.errorString();
    };
}

QString SaveImageWhole(const QImage& image, const QString& path, const char* format) {
    const SaveOutcome outcome = SaveWhole(path, ImageEncoding(image, format));
    if (outcome.ok()) return {};
    qCWarning(lcSave) << "cannot save" << path << outcome.error << outcome.detail;
    return ChineseSaveReason(outcome, path);
}

const char* PictureFormatOfName(const QString& name) {
    static const std::pair<const char*, const char*> kEndings[] = {
        {".bmp", "bmp"}, {".png", "png"}, {".jpg", "jpeg"}, {".jpeg", "jpeg"}, {".pdf", "pdf"}};
    for (const auto& [ending, format] : kEndings)
        if (name.endsWith(QLatin1String(ending), Qt::CaseInsensitive)) return format;
    return nullptr;
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
