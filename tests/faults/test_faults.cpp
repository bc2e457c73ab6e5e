// Bad pictures and failing saves, as the user meets them: every case gives its message and
// loses nothing (the previous picture stays chosen, an earlier file stays as it was).
//
// Read-only folders and full devices are real: the test runs in its own mount namespace and
// mounts small tmpfs file systems there (root only; without the right it skips and says so).
// A read-only file is one marked immutable for root, or one without write permission for
// anybody else (root ignores permission bits).
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <functional>

#include "app/form1.h"
#include "core/appstate.h"
#include "core/calendar.h"
#include "edoc/frmpreV.h"
#include "monthview/scr.h"
#include "picker/controls.h"
#include "picker/sel.h"
#include "printing/yearsheet.h"
#include "tests/picker/testpictures.h"
#include "windowbase/calendardata.h"
#include "windowbase/messages.h"
#include "windowbase/registry.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

// Set by main: whether this process has a mount namespace of its own.
QString g_noMounts;

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return bytes;
}

quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (char ch : bytes) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

// A real, small picture of each format with its declared size changed to width x height.
QByteArray PngDeclaring(quint32 width, quint32 height) {
    QByteArray png = Encoded(Quadrants(8, 8), "PNG");
    // Signature (8), then IHDR: length (4), type (4), width, height, ..., CRC after 13 bytes.
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    qToBigEndian(Crc32(png.mid(12, 17)), png.data() + 29);
    return png;
}
QByteArray JpegDeclaring(quint16 width, quint16 height) {
    QByteArray jpeg = Encoded(Quadrants(8, 8), "JPEG");
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    Q_ASSERT(sof > 0);
    qToBigEndian(height, jpeg.data() + sof + 5);
    qToBigEndian(width, jpeg.data() + sof + 7);
    return jpeg;
}
QByteArray GifDeclaring(quint16 width, quint16 height) {
    QByteArray gif = Gif(Quadrants(4, 4));
    qToLittleEndian(width, gif.data() + 6);  // logical screen
    qToLittleEndian(height, gif.data() + 8);
    const qsizetype image = 13 + 3 * 4;  // after the four-colour global table
    qToLittleEndian(width, gif.data() + image + 5);
    qToLittleEndian(height, gif.data() + image + 7);
    return gif;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A tmpfs mounted for the test and unmounted afterwards (the namespace dies with the
// process in any case).
class TinyDevice {
  public:
    explicit TinyDevice(const QString& where, int kib) : where_(where) {
        const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0755";
        if (!g_noMounts.isEmpty()) {
            error_ = g_noMounts;
        } else if (::mount("tmpfs", QFile::encodeName(where).constData(), "tmpfs", 0,
                           options.constData()) != 0) {
            error_ =
                QStringLiteral("cannot mount a tmpfs: ") + QString::fromLocal8Bit(strerror(errno));
        }
    }
    ~TinyDevice() {
        if (error_.isEmpty()) ::umount2(QFile::encodeName(where_).constData(), MNT_DETACH);
    }
    const QString& error() const { return error_; }
    bool remountReadOnly() {
        return ::mount("tmpfs", QFile::encodeName(where_).constData(), "tmpfs",
                       MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    // Fills what space is left, so that the next write fails for want of room.
    bool fill() {
        QFile filler(where_ + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly)) return false;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        return filler.error() != QFileDevice::NoError;  // stopped by the full device
    }

  private:
    QString where_;
    QString error_;
};

// The immutable attribute: no rename over the file, no writing, whoever asks.
bool SetImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// What the user saves, where, and what the failure must say.
enum class Saver { Document, MonthView, SheetPdf };
enum class Fault { ReadOnlyFolder, ReadOnlyFileMode, ImmutableFile, FullDevice };

QString TargetName(Saver s) {
    switch (s) {
        case Saver::Document:
            return QStringLiteral("2008年历1.BMP");
        case Saver::MonthView:
            return QStringLiteral("TEST.BMP");
        case Saver::SheetPdf:
            return QStringLiteral("2008年历.pdf");
    }
    return {};
}

}  // namespace

class FaultsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList messages_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    void build2008() {
        Form1& main = Windows().ref<Form1>();
        main.Combo1->setCurrentIndex(main.Combo1->findText(QStringLiteral("2008")));
        main.Combo1_Click();
        BuildSelectedYear(&main);
        QVERIFY(State().Record.has_value());
    }

    // Saves as the user does and returns the message shown (empty for the PDF, which
    // returns its error instead).
    QString save(Saver saver, const QString& folder) {
        switch (saver) {
            case Saver::Document: {
                frmpreV& w = Windows().ref<frmpreV>();
                w.SaveFolder = folder;
                w.Command2_Click();
                w.Command1_Click();
                break;
            }
            case Saver::MonthView: {
                scr& view = Windows().ref<scr>();
                const QString previous = QDir::currentPath();
                QDir::setCurrent(folder);
                view.Command1_Click();
                QDir::setCurrent(previous);
                break;
            }
            case Saver::SheetPdf: {
                QString error;
                const bool ok =
                    WriteYearSheetPdf(QDir(folder).filePath(TargetName(saver)), kPaperA4,
                                      Windows().ref<Form1>().GatherSheetInputs(), Model(), &error);
                if (!ok) messages_ << error;
                break;
            }
        }
        return messages_.join(QLatin1Char('|'));
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // A home of our own: a save that cannot stay in its folder goes to its pictures folder.
        qputenv("HOME", QFile::encodeName(path(QStringLiteral("home"))));
        qunsetenv("XDG_CONFIG_HOME");
        // Pictures the chooser can show, and the bad ones.
        QVERIFY(Quadrants(640, 480).save(path("good.jpg"), "JPEG", 95));
    }

    void init() {
        Windows().clear();
        State().Reset();
        ForgetDataProblems();
        State().DataPath = ORLENDA_DATA_FILE;
        messages_.clear();
        SetMessageSink([this](QWidget*, const QString& t) { messages_ << t; });
    }
    void cleanup() {
        Windows().clear();
        SetMessageSink({});
    }

    // ---- pictures ----

    void badPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");  // before the file's path
        const QString unreadable = QStringLiteral("无法读取图形文件：");
        const QString tooLarge = QStringLiteral("图形文件太大，无法载入：");
        const QByteArray jpeg = Encoded(Quadrants(64, 64), "JPEG");
        const QByteArray png = Encoded(Quadrants(64, 64), "PNG");
        const QByteArray bmp = Encoded(Quadrants(64, 64), "BMP");
        const QByteArray gif = Gif(Quadrants(64, 64));

        QTest::newRow("zero bytes, jpg") << "zero.jpg" << QByteArray() << unreadable;
        QTest::newRow("zero bytes, gif") << "zero.gif" << QByteArray() << unreadable;
        QTest::newRow("zero bytes, ico") << "zero.ico" << QByteArray() << unreadable;
        QTest::newRow("zero bytes, emf") << "zero.emf" << QByteArray() << unreadable;
        QTest::newRow("JPEG cut in half") << "half.jpg" << jpeg.left(jpeg.size() / 2) << unreadable;
        const QByteArray photo = Encoded(Quadrants(640, 480), "JPEG");
        QTest::newRow("JPEG cut in its pixels")
            << "cut.jpg" << photo.left(photo.size() * 3 / 4) << unreadable;
        const QByteArray ico = Encoded(Quadrants(48, 48), "ICO");
        QTest::newRow("ICO cut in half") << "half.ico" << ico.left(ico.size() / 2) << unreadable;
        QTest::newRow("PNG cut in half") << "half.jpeg" << png.left(png.size() / 2) << unreadable;
        QTest::newRow("BMP cut in half") << "half.bmp" << bmp.left(bmp.size() / 2) << unreadable;
        QTest::newRow("GIF cut in half") << "half.gif" << gif.left(gif.size() / 2) << unreadable;
        QTest::newRow("PDF behind jpg")
            << "doc.jpg" << QByteArray("%PDF-1.4\n%\xE2\xE3\n1 0 obj\n") << unreadable;
        QTest::newRow("zip behind bmp")
            << "archive.bmp" << QByteArray("PK\x03\x04\x14\0\0\0\x08\0", 10) << unreadable;
        QTest::newRow("text behind gif")
            << "words.gif" << QByteArray("GIF is a word here") << unreadable;
        QTest::newRow("BMP declaring 100000 x 100000")
            << "vast.bmp" << BitmapHeader(100000, 100000) << tooLarge;
        QTest::newRow("PNG declaring 100000 x 100000")
            << "vast.jpg" << PngDeclaring(100000, 100000) << tooLarge;
        QTest::newRow("JPEG declaring 65500 x 65500")
            << "vast.jpeg" << JpegDeclaring(65500, 65500) << tooLarge;
        QTest::newRow("GIF declaring 65535 x 65535")
            << "vast.gif" << GifDeclaring(65535, 65535) << tooLarge;
    }

    // In the chooser: the message, and the picture chosen before stays with its rectangle.
    void badPicture() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir folder;
        const QString file = folder.filePath(name);
        QVERIFY(WriteFile(file, bytes));
        QVERIFY(QFile::copy(path("good.jpg"), folder.filePath("good.jpg")));

        sel& w = Windows().show<sel>();
        w.Dir1->SetPath(folder.path());
        QVERIFY(w.File1->SelectFile(QStringLiteral("good.jpg")));
        w.Image1_MouseDown(1, 0, 1000, 500);
        w.Image1_MouseDown(1, 0, 3000, 2500);
        w.Command1_Click();
        const AppState before = State();
        messages_.clear();

        w.File1->setCurrentRow(-1);
        QVERIFY(w.File1->SelectFile(name));
        QCOMPARE(messages_, QStringList{message + file});
        QCOMPARE(w.PreviewPicturePath, folder.filePath("good.jpg"));
        QCOMPARE(w.Image1Picture().size(), QSize(640, 480));
        QVERIFY(w.Image1->isVisible());
        QCOMPARE(State().InsetPicturePath, before.InsetPicturePath);
        QCOMPARE(QRectF(State().CropX, State().CropY, State().CropWidth, State().CropHeight),
                 QRectF(before.CropX, before.CropY, before.CropWidth, before.CropHeight));
        QCOMPARE(FileBytes(file), bytes);

        // As the electronic document's background: the message, and the colour stays.
        messages_.clear();
        State().BackgroundPicturePath = file.toStdString();
        frmpreV& doc = Windows().ref<frmpreV>();
        doc.Check1->setChecked(true);
        QCOMPARE(messages_, QStringList{QStringLiteral("背景图无法使用：") + message + file});
        QVERIFY(!doc.Check1->isChecked());
        QVERIFY(doc.Option1->isEnabled());
        QVERIFY(doc.Picture1->box().Picture().isNull());
        QCOMPARE(FileBytes(file), bytes);
    }

    // ---- saving ----

    void saveFails_data() {
        QTest::addColumn<int>("saver");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");  // %1: the full file name, %2: the reason
        const QList<QPair<Saver, QString>> savers = {
            {Saver::Document, QStringLiteral("图形未能保存在%1\n%2")},
            {Saver::MonthView, QStringLiteral("无法保存 TEST.BMP：%2")},
            {Saver::SheetPdf, QStringLiteral("无法保存文件：%1\n%2")},
        };
        const QString readOnlyFile = QStringLiteral("原有的同名文件是只读的，不能替换。");
        const struct {
            Fault fault;
            const char* what;
            QString reason;
        } faults[] = {
            {Fault::ReadOnlyFolder, "read-only folder",
             QStringLiteral("文件夹所在的磁盘是只读的。")},
            {Fault::ReadOnlyFileMode, "over a file without write permission", readOnlyFile},
            {Fault::ImmutableFile, "over an immutable file", readOnlyFile},
            {Fault::FullDevice, "onto a full device", QStringLiteral("磁盘空间不足。")},
        };
        for (const auto& [saver, message] : savers)
            for (const auto& f : faults)
                QTest::addRow("%s, %s", qPrintable(TargetName(saver)), f.what)
                    << int(saver) << int(f.fault)
                    << QString(message).replace(QStringLiteral("%2"), f.reason);
    }

    void saveFails() {
        QFETCH(int, saver);
        QFETCH(int, fault);
        QFETCH(QString, message);
        const Saver s = Saver(saver);
        const Fault f = Fault(fault);
        if (f == Fault::ReadOnlyFileMode && geteuid() == 0)
            QSKIP("root writes whatever the permission bits say; the immutable case covers it");

        QTemporaryDir scratch;
        const QString folder = scratch.filePath(QStringLiteral("target"));
        QVERIFY(QDir().mkpath(folder));
        std::unique_ptr<TinyDevice> device;
        if (f == Fault::ReadOnlyFolder || f == Fault::FullDevice) {
            device = std::make_unique<TinyDevice>(folder, 256);
            if (!device->error().isEmpty()) QSKIP(qPrintable(device->error()));
        }
        const QString target = QDir(folder).filePath(TargetName(s));
        const QByteArray earlier("an earlier file, to be kept as it is\n");
        QVERIFY(WriteFile(target, earlier));

        bool immutable = false;
        switch (f) {
            case Fault::ReadOnlyFolder:
                QVERIFY(device->remountReadOnly());
                break;
            case Fault::ReadOnlyFileMode:
                QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
                break;
            case Fault::ImmutableFile:
                if (!SetImmutable(target, true))
                    QSKIP(qPrintable(QStringLiteral("cannot mark a file immutable here: ") +
                                     QString::fromLocal8Bit(strerror(errno))));
                immutable = true;
                break;
            case Fault::FullDevice:
                QVERIFY(device->fill());
                break;
        }
        auto restore = qScopeGuard([&] {
            if (immutable) SetImmutable(target, false);
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        });
        const QStringList filesBefore = FilesIn(folder);

        build2008();
        const QString shown = save(s, folder);
        if (s == Saver::MonthView && f == Fault::ReadOnlyFolder) {
            // The month view's picture goes where the user can write, and says so.
            const QString moved = path(QStringLiteral("home/Pictures/TEST.BMP"));
            QCOMPARE(shown, QStringLiteral("图形已成功保存在") + moved);
            QVERIFY(FileBytes(moved).startsWith("BM"));
        } else {
            QCOMPARE(shown, message.replace(QStringLiteral("%1"), target));
        }
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(FileBytes(target), earlier);
        QCOMPARE(FilesIn(folder), filesBefore);  // no half-written file left behind
    }

    // The same saves with room and rights succeed, so the failures above are the faults'.
    void saveSucceeds_data() {
        QTest::addColumn<int>("saver");
        for (Saver s : {Saver::Document, Saver::MonthView, Saver::SheetPdf})
            QTest::newRow(qPrintable(TargetName(s))) << int(s);
    }
    void saveSucceeds() {
        QFETCH(int, saver);
        const Saver s = Saver(saver);
        QTemporaryDir folder;
        const QString target = folder.filePath(TargetName(s));
        QVERIFY(WriteFile(target, "an earlier file"));
        build2008();
        const QString shown = save(s, folder.path());
        if (s == Saver::Document)
            QCOMPARE(shown, QStringLiteral("图形已成功保存在") + target);
        else
            QCOMPARE(shown, QString());
        const QByteArray bytes = FileBytes(target);
        QVERIFY(bytes.startsWith(s == Saver::SheetPdf ? "%PDF-" : "BM"));
        QCOMPARE(FilesIn(folder.path()), QStringList{TargetName(s)});
    }
};

int main(int argc, char** argv) {
    // A mount namespace of our own, entered while the process has one thread: the tmpfs
    // mounts stay private to this test and vanish with it.
    if (::unshare(CLONE_NEWNS) != 0)
        g_noMounts = QStringLiteral("no mount namespace (needs root): ") + strerror(errno);
    else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        g_noMounts = QStringLiteral("cannot make the mounts private: ") + strerror(errno);
    QApplication app(argc, argv);
    FaultsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
