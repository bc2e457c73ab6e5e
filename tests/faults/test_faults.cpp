// Bad pictures and failing saves, as the user meets them: every case gives its message and
// loses nothing (the previous picture stays chosen, an earlier file stays as it was).
// Read-only folders and full devices are real tmpfs mounts in the test's own mount namespace
// (root only; otherwise skipped). Root ignores permission bits: its read-only file is immutable.
// There is no printer: the A4 button offers a PDF file.
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cerrno>
#include <cstring>

#include "app/form1.h"
#include "edoc/frmpreV.h"
#include "monthview/scr.h"
#include "picker/controls.h"
#include "picker/sel.h"
#include "printing/printprompts.h"
#include "tests/picker/testpictures.h"
#include "tests/support/windowtesting.h"

using namespace orlenda;
using namespace orlenda::test;
using namespace orlenda::testing;

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
enum class Fault { ReadOnlyFolder, ImmutableFile, FullDevice };
const char* const kTargets[] = {"2008年历1.BMP", "TEST.BMP", "2008年历.pdf"};

}  // namespace

class FaultsTest : public QObject, public WindowTestBase {
    Q_OBJECT
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static void pick(sel& w, const QString& name) {
        ClickRow(w.File1, w.File1->row(w.File1->findItems(name, Qt::MatchExactly).value(0)));
    }
    // 2008 picked in the main window, then saved into folder with the document's or the
    // month view's save button, or the A4 button, whose offer of a PDF file is taken.
    void save(Saver saver, const QString& folder) {
        Form1& main = Windows().ref<Form1>();
        main.show();
        PickFromList(main.Combo1, QStringLiteral("2008"));
        switch (saver) {
            case Saver::Document: {
                click(main.Command8);
                frmpreV& w = *Windows().find<frmpreV>();
                w.SaveFolder = folder;
                click(w.Command2);
                click(w.Command1);
                break;
            }
            case Saver::MonthView: {
                const QString previous = QDir::currentPath();
                QDir::setCurrent(folder);
                click(main.Command9);
                click(Windows().find<scr>()->Command1);
                QDir::setCurrent(previous);
                break;
            }
            case Saver::SheetPdf:
                PrintDialogs().askYesNo = [](QWidget*, const QString&) { return true; };
                PrintDialogs().saveFileName = [folder](QWidget*, const QString&, const QString&,
                                                       const QString&) {
                    return QDir(folder).filePath(kTargets[int(Saver::SheetPdf)]);
                };
                click(main.Command4);
                ResetPrintDialogs();
                break;
        }
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // A home of our own: a save that cannot stay in its folder goes to its pictures folder.
        qputenv("HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
        qunsetenv("XDG_CONFIG_HOME");
    }
    void init() { startCase(); }
    void cleanup() { endCase(); }

    // ---- pictures ----

    void badPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");  // before the file's path
        const QString unreadable = QStringLiteral("无法读取图形文件：");
        const QByteArray photo = Encoded(Quadrants(640, 480), "JPEG");
        QTest::newRow("zero bytes") << "zero.jpg" << QByteArray() << unreadable;
        QTest::newRow("JPEG cut in its pixels")
            << "cut.jpg" << photo.left(photo.size() * 3 / 4) << unreadable;
        QTest::newRow("PDF behind jpg")
            << "doc.jpg" << QByteArray("%PDF-1.4\n%\xE2\xE3\n1 0 obj\n") << unreadable;
        QTest::newRow("JPEG declaring 65500 x 65500") << "vast.jpeg" << JpegDeclaring(65500, 65500)
                                                      << QStringLiteral("图形文件太大，无法载入：");
    }

    // Clicked in the chooser: the message, and the picture chosen before stays with its
    // rectangle. Then the background picture spoilt after it was chosen: the document says so
    // and keeps its colour.
    void badPicture() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir folder;
        const QString file = folder.filePath(name), good = folder.filePath("good.jpg");
        QVERIFY(WriteFile(file, bytes));
        QVERIFY(Quadrants(640, 480).save(good, "JPEG", 95));

        sel& w = Windows().show<sel>();
        w.Dir1->SetPath(folder.path());
        pick(w, QStringLiteral("good.jpg"));
        QTest::mouseClick(w.Image1, Qt::LeftButton, {}, QPoint(10, 5));
        QTest::mouseClick(w.Image1, Qt::LeftButton, {}, QPoint(100, 80));
        click(w.Command1);
        click(w.Command3);
        const AppState before = State();
        QCOMPARE(messages, QStringList{});

        pick(w, name);
        QCOMPARE(messages, QStringList{message + file});
        QCOMPARE(w.PreviewPicturePath, good);
        QCOMPARE(w.Image1Picture().size(), QSize(640, 480));
        QCOMPARE(State().InsetPicturePath, good.toStdString());
        QCOMPARE(QRectF(State().CropX, State().CropY, State().CropWidth, State().CropHeight),
                 QRectF(before.CropX, before.CropY, before.CropWidth, before.CropHeight));

        messages.clear();
        QVERIFY(WriteFile(good, bytes));
        click(Windows().ref<Form1>().Command8);
        frmpreV& doc = *Windows().find<frmpreV>();
        click(doc.Check1);
        QCOMPARE(messages, QStringList{QStringLiteral("背景图无法使用：") + message + good});
        QVERIFY(!doc.Check1->isChecked());
        QVERIFY(doc.Option1->isEnabled());
        QVERIFY(doc.Picture1->box().Picture().isNull());
    }

    // ---- saving ----

    void save_data() {
        QTest::addColumn<int>("saver");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");  // %1: the full file name
        const QString failed[] = {QStringLiteral("图形未能保存在%1\n%2"),
                                  QStringLiteral("无法保存 TEST.BMP：%2"),
                                  QStringLiteral("无法保存文件：%1\n%2")};
        const struct {
            Fault fault;
            const char* what;
            QString reason;
        } faults[] = {
            {Fault::ReadOnlyFolder, "read-only folder",
             QStringLiteral("文件夹所在的磁盘是只读的。")},
            {Fault::ImmutableFile, "over an immutable file",
             QStringLiteral("原有的同名文件是只读的，不能替换。")},
            {Fault::FullDevice, "onto a full device", QStringLiteral("磁盘空间不足。")},
        };
        for (Saver s : {Saver::Document, Saver::MonthView, Saver::SheetPdf})
            for (const auto& f : faults)
                QTest::addRow("%s, %s", kTargets[int(s)], f.what)
                    << int(s) << int(f.fault) << QString(failed[int(s)]).replace("%2", f.reason);
    }

    // Saving over an earlier file: the message, the earlier file as it was and no half-written
    // file left behind.
    void save() {
        QFETCH(int, saver);
        QFETCH(int, fault);
        QFETCH(QString, message);
        const Saver s = Saver(saver);
        const Fault f = Fault(fault);
        QTemporaryDir scratch;
        const QString folder = scratch.filePath(QStringLiteral("target"));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray folderName = QFile::encodeName(folder);
        const bool device = f != Fault::ImmutableFile;
        if (device)
            if (const QString why = MountTiny(folder); !why.isEmpty()) QSKIP(qPrintable(why));
        const QString target = QDir(folder).filePath(kTargets[saver]);
        const QByteArray earlier("an earlier file, to be kept as it is\n");
        QVERIFY(WriteFile(target, earlier));
        auto restore = qScopeGuard([&] {
            if (device)
                ::umount2(folderName.constData(), MNT_DETACH);
            else
                SetImmutable(target, false);
        });
        switch (f) {
            case Fault::ReadOnlyFolder:
                QVERIFY(::mount("tmpfs", folderName.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                                nullptr) == 0);
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

        save(s, folder);
        if (s == Saver::MonthView && f == Fault::ReadOnlyFolder) {
            // The month view's picture goes where the user can write, and says so.
            const QString moved = dir.filePath(QStringLiteral("home/Pictures/TEST.BMP"));
            QCOMPARE(messages, QStringList{QStringLiteral("图形已成功保存在") + moved});
            QVERIFY(FileBytes(moved).startsWith("BM"));
        } else {
            QCOMPARE(messages, QStringList{message.replace(QStringLiteral("%1"), target)});
        }
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
