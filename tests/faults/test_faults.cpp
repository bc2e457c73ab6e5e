// SPDX-License-Identifier: GPL-3.0-or-later
// Bad pictures and saves: a failure gives its message and loses nothing. Faults are real tmpfs
// mounts in the test's own mount namespace (root only, else skipped).
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>

#include <QCheckBox>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QtEndian>
#include <cerrno>
#include <cstring>

#include "document/calendardocument.h"
#include "printing/printprompts.h"
#include "support/testpictures.h"
#include "tests/support/windowtesting.h"
#include "windows/documentwindow.h"
#include "windows/picturechooser.h"

using namespace orlenda;
using namespace orlenda::test;
using namespace orlenda::testing;

namespace {

QString g_noMounts;  // why there are no mounts of our own

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Root ignores permission bits: no rename over the file, no writing, whoever asks.
bool SetImmutable(const QString& path) {
    QFile file(path);
    int flags = FS_IMMUTABLE_FL;
    return file.open(QIODevice::ReadOnly) && ::ioctl(file.handle(), FS_IOC_SETFLAGS, &flags) == 0;
}

// A saved file as a whole: a PDF up to its end mark, or a BMP as long as its header says.
bool Whole(const QByteArray& bytes) {
    if (bytes.startsWith("%PDF-")) return bytes.trimmed().endsWith("%%EOF");
    return bytes.startsWith("BM") &&
           qFromLittleEndian<quint32>(bytes.constData() + 2) == bytes.size() &&
           !QImage::fromData(bytes).isNull();
}

// The sheet is saved by the preview's 保存为PDF, or by its 打印… with no printer at all.
enum class Saver { Document, MonthView, SheetPdf, SheetPrint };
enum class Fault { None, ReadOnlyFolder, ImmutableFile, FullDevice, Declined, Cancelled };
const char* const kTargets[] = {"2008年历1.BMP", "TEST.BMP", "2008年历.pdf", "2008年历.pdf"};
const char* const kSavers[] = {"保存图形", "TEST.BMP", "保存为PDF", "打印…"};

}  // namespace

class FaultsTest : public QObject, public WindowTestBase {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // A home of our own: a save that cannot stay in its folder goes to its pictures folder.
        qputenv("HOME", QFile::encodeName(dir.filePath(QStringLiteral("home"))));
        qunsetenv("XDG_CONFIG_HOME");
    }
    void init() { startCase(); }
    void cleanup() { endCase(); }

    // A JPEG declaring 65500 x 65500 clicked in the chooser (the loader's refusals are told apart
    // in its own test): the message, the previous inset kept with its rectangle; spoilt after it
    // was chosen as background: the document says so and keeps its colour.
    void badPicture() {
        const QByteArray bytes = Jpeg(65500, 65500, 1);
        const QString message = QStringLiteral("图形文件太大，无法载入：");
        QTemporaryDir folder;
        const QString file = folder.filePath("vast.jpeg"), good = folder.filePath("good.jpg");
        QVERIFY(WriteFile(file, bytes));
        QVERIFY(Quadrants(640, 480).save(good, "JPEG", 95));

        CalendarDocument doc;
        PictureChooser w(doc);
        w.show();
        QVERIFY(w.folderList->setPath(folder.path()));
        QVERIFY(ClickItem(w.fileList, QStringLiteral("good.jpg")));
        Click(w.insetButton);
        QTest::mouseClick(w.preview, Qt::LeftButton, {}, QPoint(10, 5));
        QTest::mouseClick(w.preview, Qt::LeftButton, {}, QPoint(100, 80));
        Click(w.backgroundButton);
        const Crop before = doc.insetCrop();

        QVERIFY(ClickItem(w.fileList, QStringLiteral("vast.jpeg")));
        QCOMPARE(messages, QStringList{message + file});
        QCOMPARE(w.previewPath(), good);
        QCOMPARE(w.fileList->fileName(), QStringLiteral("good.jpg"));
        QCOMPARE(doc.inset().path, good);
        QCOMPARE(doc.inset().image.size(), QSize(640, 480));
        QCOMPARE(doc.insetCrop(), before);

        messages.clear();
        QVERIFY(WriteFile(good, bytes));
        DocumentWindow document(doc);
        document.show();
        Click(document.useBackgroundCheck);
        QCOMPARE(messages, QStringList{QStringLiteral("背景图无法使用：") + message + good});
        QVERIFY(!document.useBackgroundCheck->isChecked() &&
                document.backgroundOption->isEnabled());
        QVERIFY(document.documentPicture->box().Picture().isNull() &&
                doc.backgroundPicture().isNull());
    }

    void save_data() {
        QTest::addColumn<int>("saver");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");  // %1: the full file name
        QTest::addColumn<QString>("written");  // the file written whole, if any
        const QString failed[] = {
            QStringLiteral("图形未能保存在%1\n%2"), QStringLiteral("无法保存 TEST.BMP：%2"),
            QStringLiteral("无法保存文件：%1\n%2"), QStringLiteral("无法保存文件：%1\n%2")};
        // The month view saves silently into the current folder.
        const QString saved[] = {QStringLiteral("图形已成功保存在%1"), QString(),
                                 QStringLiteral("年历已保存为PDF文件：%1"),
                                 QStringLiteral("年历已保存为PDF文件：%1")};
        // clang-format off
        const std::tuple<Fault, const char*, QString> faults[] = {
            {Fault::None, "with room and rights", {}}, {Fault::ReadOnlyFolder, "read-only folder", QStringLiteral("文件夹所在的磁盘是只读的。")},
            {Fault::ImmutableFile, "over an immutable file", QStringLiteral("原有的同名文件是只读的，不能替换。")},
            {Fault::FullDevice, "onto a full device", QStringLiteral("磁盘空间不足。")}};
        // clang-format on
        // The month view's picture goes where the user can write, and says so.
        const QString moved = dir.filePath(QStringLiteral("home/Pictures/TEST.BMP"));
        for (Saver s : {Saver::Document, Saver::MonthView, Saver::SheetPdf, Saver::SheetPrint})
            for (const auto& [fault, what, reason] : faults) {
                const bool elsewhere = s == Saver::MonthView && fault == Fault::ReadOnlyFolder;
                QTest::addRow("%s, %s", kSavers[int(s)], what)
                    << int(s) << int(fault)
                    << (elsewhere              ? QStringLiteral("图形已成功保存在") + moved
                        : fault == Fault::None ? saved[int(s)]
                                               : QString(failed[int(s)]).replace("%2", reason))
                    << (elsewhere              ? moved
                        : fault == Fault::None ? QStringLiteral("%1")
                                               : QString());
            }
        // No PDF file wanted instead of the printer, or the save dialog cancelled: nothing.
        for (Fault f : {Fault::Declined, Fault::Cancelled})
            QTest::addRow("打印…, %s", f == Fault::Declined ? "declined" : "cancelled")
                << int(Saver::SheetPrint) << int(f) << QString() << QString();
    }

    // Over an earlier file: the message, the new file whole or the earlier one as it was, and
    // nothing half-written left. A tmpfs of one page, the earlier file's, is a full device.
    void save() {
        QFETCH(int, saver);
        QFETCH(int, fault);
        QFETCH(QString, message);
        QFETCH(QString, written);
        const Fault f = Fault(fault);
        QTemporaryDir scratch;
        const QString folder = scratch.filePath(QStringLiteral("target"));
        const QByteArray mountPoint = QFile::encodeName(folder);
        QVERIFY(QDir().mkpath(folder));
        const bool mounted = f != Fault::None && f < Fault::Declined;
        if (mounted && !g_noMounts.isEmpty()) QSKIP(qPrintable(g_noMounts));
        if (mounted)
            QVERIFY(::mount("tmpfs", mountPoint, "tmpfs", 0,
                            f == Fault::FullDevice ? "size=4k" : "size=64m") == 0);
        auto unmount = qScopeGuard([&] { ::umount2(mountPoint, MNT_DETACH); });
        const QString target = QDir(folder).filePath(kTargets[saver]);
        const QByteArray earlier("an earlier file, to be kept as it is\n");
        QVERIFY(WriteFile(target, earlier));
        if (f == Fault::ReadOnlyFolder)
            QVERIFY(::mount("tmpfs", mountPoint, "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        if (f == Fault::ImmutableFile) QVERIFY(SetImmutable(target));
        const QStringList filesBefore = FilesIn(folder);

        doc->setYear(2008);
        DocumentWindow document(*doc);
        main().show();
        PickFromList(main().yearCombo, QStringLiteral("2008"));
        const bool printed = Saver(saver) == Saver::SheetPrint;
        QStringList asked;
        QString suggested;
        PrintDialogs().askYesNo = [&](QWidget*, const QString& q) {
            return asked << q, f != Fault::Declined;
        };
        PrintDialogs().saveFileName = [&](QWidget*, const QString&, const QString& s, auto) {
            suggested = s;  // the name without .pdf, which the save adds
            return f == Fault::Cancelled ? QString() : printed ? target.chopped(4) : target;
        };
        const auto reset = qScopeGuard([] { ResetPrintDialogs(); });
        if (Saver(saver) == Saver::Document) {
            document.show();
            document.saveFolder = folder;
            Click(document.showButton);
            Click(document.saveButton);
        } else if (Saver(saver) == Saver::MonthView) {
            const QString previous = QDir::currentPath();
            QDir::setCurrent(folder);
            Click(main().monthViewButton);
            Click(Find<MonthView>()->saveTestButton);
            QDir::setCurrent(previous);
        } else {
            // One page, the print buttons held while the preview shows; it stays until
            // something is saved or told.
            SheetPreview* preview = PreviewOf(main().printA4Button);
            QVERIFY(preview && preview->preview->pageCount() == 1);
            QVERIFY(!main().printA4Button->isEnabled() && !main().printA3Button->isEnabled());
            Click(printed ? preview->printButton : preview->pdfButton);
            QCOMPARE(asked,
                     printed
                         ? QStringList{QStringLiteral("未找到打印机。\n是否将年历保存为PDF文件？")}
                         : QStringList());
            QCOMPARE(QFileInfo(suggested).fileName(),
                     f == Fault::Declined ? QString() : QStringLiteral("2008年历.pdf"));
            QCOMPARE(Find<SheetPreview>() != nullptr, message.isEmpty());
        }
        message.replace(QStringLiteral("%1"), target);
        written.replace(QStringLiteral("%1"), target);
        QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
        if (!written.isEmpty()) QVERIFY2(Whole(ReadFile(written)), qPrintable(written));
        if (written != target) QCOMPARE(ReadFile(target), earlier);
        QCOMPARE(FilesIn(folder), filesBefore);
    }
};

int main(int argc, char** argv) {
    // Entered while the process has one thread; the mounts vanish with it.
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
