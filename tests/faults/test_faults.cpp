// Bad pictures and failing saves, as the user meets them: every case gives its message and
// loses nothing (the previous picture stays chosen, an earlier file stays as it was).
// Read-only folders and full devices are real tmpfs mounts in the test's own mount namespace
// (root only; otherwise skipped). Root ignores permission bits: its read-only file is immutable.
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
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cerrno>
#include <cstring>

#include "app/form1.h"
#include "core/appstate.h"
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

// A real, small JPEG with its declared size changed to width x height.
QByteArray JpegDeclaring(quint16 width, quint16 height) {
    QByteArray jpeg = Encoded(Quadrants(8, 8), "JPEG");
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    Q_ASSERT(sof > 0);
    qToBigEndian(height, jpeg.data() + sof + 5);
    qToBigEndian(width, jpeg.data() + sof + 7);
    return jpeg;
}
QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A 256 KiB tmpfs over folder, unmounted when the result goes (the namespace dies with the
// process in any case); the reason when none can be mounted.
QString MountTiny(const QString& folder) {
    if (!g_noMounts.isEmpty()) return g_noMounts;
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=256k,mode=0755"))
        return QStringLiteral("cannot mount a tmpfs: ") + QString::fromLocal8Bit(strerror(errno));
    return {};
}

// Fills what space is left, so that the next write fails for want of room.
bool Fill(const QString& folder) {
    QFile filler(folder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly)) return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    return filler.error() != QFileDevice::NoError;  // stopped by the full device
}

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
enum class Fault { None, ReadOnlyFolder, ReadOnlyFileMode, ImmutableFile, FullDevice };

QString TargetName(Saver s) {
    const char* names[] = {"2008年历1.BMP", "TEST.BMP", "2008年历.pdf"};
    return QString::fromUtf8(names[int(s)]);
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
        const QByteArray photo = Encoded(Quadrants(640, 480), "JPEG");
        const QByteArray png = Encoded(Quadrants(64, 64), "PNG");
        const QByteArray bmp = Encoded(Quadrants(64, 64), "BMP");
        QTest::newRow("zero bytes") << "zero.jpg" << QByteArray() << unreadable;
        QTest::newRow("JPEG cut in its pixels")
            << "cut.jpg" << photo.left(photo.size() * 3 / 4) << unreadable;
        QTest::newRow("PNG cut in half") << "half.jpeg" << png.left(png.size() / 2) << unreadable;
        QTest::newRow("BMP cut in half") << "half.bmp" << bmp.left(bmp.size() / 2) << unreadable;
        QTest::newRow("PDF behind jpg")
            << "doc.jpg" << QByteArray("%PDF-1.4\n%\xE2\xE3\n1 0 obj\n") << unreadable;
        QTest::newRow("JPEG declaring 65500 x 65500") << "vast.jpeg" << JpegDeclaring(65500, 65500)
                                                      << QStringLiteral("图形文件太大，无法载入：");
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

    void save_data() {
        QTest::addColumn<int>("saver");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");  // %1: the full file name
        const struct {
            Saver saver;
            QString failed, saved;  // %2: the reason
        } savers[] = {
            {Saver::Document, QStringLiteral("图形未能保存在%1\n%2"),
             QStringLiteral("图形已成功保存在%1")},
            {Saver::MonthView, QStringLiteral("无法保存 TEST.BMP：%2"), QString()},
            {Saver::SheetPdf, QStringLiteral("无法保存文件：%1\n%2"), QString()},
        };
        const QString readOnlyFile = QStringLiteral("原有的同名文件是只读的，不能替换。");
        const struct {
            Fault fault;
            const char* what;
            QString reason;
        } faults[] = {
            // With room and rights the save succeeds, so the failures below are the faults'.
            {Fault::None, "with room and rights", QString()},
            {Fault::ReadOnlyFolder, "read-only folder",
             QStringLiteral("文件夹所在的磁盘是只读的。")},
            {Fault::ReadOnlyFileMode, "over a file without write permission", readOnlyFile},
            {Fault::ImmutableFile, "over an immutable file", readOnlyFile},
            {Fault::FullDevice, "onto a full device", QStringLiteral("磁盘空间不足。")},
        };
        for (const auto& s : savers)
            for (const auto& f : faults)
                QTest::addRow("%s, %s", qPrintable(TargetName(s.saver)), f.what)
                    << int(s.saver) << int(f.fault)
                    << (f.fault == Fault::None ? s.saved
                                               : QString(s.failed).replace("%2", f.reason));
    }

    // Saving over an earlier file: the message, and on failure the earlier file as it was and
    // no half-written file left behind.
    void save() {
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
        const QByteArray folderName = QFile::encodeName(folder);
        const bool device = f == Fault::ReadOnlyFolder || f == Fault::FullDevice;
        if (device)
            if (const QString why = MountTiny(folder); !why.isEmpty()) QSKIP(qPrintable(why));
        const QString target = QDir(folder).filePath(TargetName(s));
        const QByteArray earlier("an earlier file, to be kept as it is\n");
        QVERIFY(WriteFile(target, earlier));
        auto restore = qScopeGuard([&] {
            if (f == Fault::ImmutableFile) SetImmutable(target, false);
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
            if (device) ::umount2(folderName.constData(), MNT_DETACH);
        });
        switch (f) {
            case Fault::None:
                break;
            case Fault::ReadOnlyFolder:
                QVERIFY(::mount("tmpfs", folderName.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                                nullptr) == 0);
                break;
            case Fault::ReadOnlyFileMode:
                QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
                break;
            case Fault::ImmutableFile:
                if (!SetImmutable(target, true))
                    QSKIP(qPrintable(QStringLiteral("cannot mark a file immutable here: ") +
                                     QString::fromLocal8Bit(strerror(errno))));
                break;
            case Fault::FullDevice:
                QVERIFY(Fill(folder));
                break;
        }
        const QStringList filesBefore = FilesIn(folder);

        build2008();
        const QString shown = save(s, folder);
        if (f == Fault::None) {
            QCOMPARE(shown, message.replace(QStringLiteral("%1"), target));
            QVERIFY(FileBytes(target).startsWith(s == Saver::SheetPdf ? "%PDF-" : "BM"));
            QCOMPARE(FilesIn(folder), filesBefore);
            return;
        }
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
        QCOMPARE(FilesIn(folder), filesBefore);
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
