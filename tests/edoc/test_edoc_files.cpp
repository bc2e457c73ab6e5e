// Background picture, scrolling, saving, closing and help of the electronic document.
#include <unistd.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "edoc_testing.h"
#include "picker/sel.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

const Colour kLightGreen = RGB(128, 255, 128);

// A picture whose every pixel differs from its neighbours, so a shifted or scaled copy
// cannot pass for it.
QImage Pattern(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x % 251, y % 241, (x * 7 + y * 3) % 256));
    return image;
}

QString SavePattern(const QString& dir, QSize size) {
    const QString path =
        dir + QStringLiteral("/back%1x%2.bmp").arg(size.width()).arg(size.height());
    Pattern(size).save(path);
    return path;
}

quint32 Le32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 Le16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace

class FilesTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        FreshStart();
        QVERIFY(BuildYear(2008));
    }
    void cleanup() {
        Windows().clear();
        QCOMPARE(UnexpectedMessages(), QStringList{});
    }

    void tickWithoutBackground() {
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        QTest::mouseClick(w.Check1, Qt::LeftButton);
        QVERIFY(!w.Check1->isChecked());
        QVERIFY(w.Option1->isEnabled());
        QVERIFY(w.Picture1->box().Picture().isNull());
        QCOMPARE(log.texts, QStringList{QStringLiteral("请先选择背景图文件")});
        sel* chooser = Windows().find<sel>();
        QVERIFY(chooser);
        QVERIFY(chooser->isVisible());
    }

    // What shows at a few points of the 769 x 1000 picture after ticking.
    void backgroundPicture_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("770 x 1000 covers the picture") << QSize(770, 1000);
        QTest::newRow("1000 x 1200 shows its top-left part") << QSize(1000, 1200);
        QTest::newRow("100 x 80 leaves the colour around it") << QSize(100, 80);
    }
    void backgroundPicture() {
        QFETCH(QSize, size);
        QTemporaryDir dir;
        State().BackgroundPicturePath = SavePattern(dir.path(), size).toStdString();
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.Option1->setChecked(true);
        w.Check1->setChecked(true);
        QVERIFY(log.texts.isEmpty());
        QVERIFY(!w.Option1->isChecked());
        QVERIFY(!w.Option1->isEnabled());
        const QImage image = w.Picture1->box().Image();
        const QImage pattern = Pattern(size);
        for (QPoint p : {QPoint(0, 0), QPoint(99, 79), QPoint(500, 600), QPoint(768, 999)}) {
            const QRgb expected =
                pattern.rect().contains(p) ? pattern.pixel(p) : ToQColor(kLightGreen).rgb();
            QCOMPARE(image.pixel(p), expected);
        }
        // The calendar drawn afterwards lies over the picture.
        w.Command2_Click();
        QVERIFY(CountColour(w.Picture1->box().Image(), QRect(50, 16, 300, 30), RGB(0, 0, 0)) > 20);

        // Unticking removes it and the colour shows again.
        w.Check1->setChecked(false);
        QVERIFY(w.Option1->isEnabled());
        QCOMPARE(w.Picture1->box().Image().pixel(500, 600), ToQColor(kLightGreen).rgb());
    }

    void backgroundUnreadable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not a picture") << "broken.jpg" << QByteArray("this is no picture");
        QTest::newRow("missing file") << "gone.bmp" << QByteArray();
    }
    void backgroundUnreadable() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (!content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        State().BackgroundPicturePath = path.toStdString();
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.Check1->setChecked(true);
        QCOMPARE(log.texts.size(), 1);
        QVERIFY(!w.Check1->isChecked());
        QVERIFY(w.Option1->isEnabled());
        QVERIFY(w.Picture1->box().Picture().isNull());
    }

    void scrollToEnd() {
        frmpreV& w = Windows().ref<frmpreV>();
        QVERIFY(!w.Command1->isEnabled());
        QCOMPARE(w.VScroll1->minimum(), 0);
        QCOMPARE(w.VScroll1->maximum(), 7130);
        QCOMPARE(w.VScroll1->singleStep(), 20);
        QCOMPARE(w.VScroll1->pageStep(), 450);
        w.VScroll1->setValue(7130);
        // The picture's bottom edge is 15000 - 7130 = 7870 twips below the viewport's top,
        // inside the 7880-twip viewport.
        const int bottom = w.Picture1->geometry().bottom() + 1;
        QVERIFY(std::abs(bottom * 15 - 7870) <= 15);
        QVERIFY(bottom <= w.Picture0->height());
        QCOMPARE(w.Picture0->height() * 15, 7875);
        // Drawn anew although never shown.
        QVERIFY(w.Command1->isEnabled());
        QVERIFY(CountColour(w.Picture1->box().Image(), QRect(50, 16, 300, 30), RGB(0, 0, 0)) > 20);
    }

    // Every scroll step clears and draws once: the result equals a single fresh showing.
    void scrollRedrawsFully() {
        frmpreV& fresh = Windows().ref<frmpreV>();
        fresh.Command2_Click();
        const QImage once = fresh.Picture1->box().Image().copy();
        Windows().unload<frmpreV>();

        frmpreV& w = Windows().ref<frmpreV>();
        w.Command2_Click();
        w.Command2_Click();
        for (int v : {20, 470, 7130, 0}) w.VScroll1->setValue(v);
        QCOMPARE(w.Picture1->box().Image(), once);
    }

    void saveIndependentOfScroll() {
        QTemporaryDir dir;
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.SaveFolder = dir.path();
        w.Command2_Click();
        w.Command1_Click();
        const QString first = dir.filePath(QStringLiteral("2008年历1.BMP"));
        QCOMPARE(log.texts, QStringList{QStringLiteral("图形已成功保存在") + first});

        w.VScroll1->setValue(7130);
        w.Text1->setText(QStringLiteral("scrolled"));
        w.Command1_Click();
        const QString second = dir.filePath(QStringLiteral("scrolled.BMP"));
        QCOMPARE(log.texts.last(), QStringLiteral("图形已成功保存在") + second);

        QFile a(first), b(second);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QByteArray bytes = a.readAll();
        QCOMPARE(b.readAll(), bytes);

        // A 24-bit uncompressed BMP of 769 x 1000, rows bottom-up, padded to four bytes.
        QVERIFY(bytes.size() > 54);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(Le32(bytes, 2), quint32(bytes.size()));
        const quint32 offset = Le32(bytes, 10);
        QCOMPARE(qint32(Le32(bytes, 18)), 769);
        QCOMPARE(qint32(Le32(bytes, 22)), 1000);
        QCOMPARE(Le16(bytes, 26), quint16(1));
        QCOMPARE(Le16(bytes, 28), quint16(24));
        QCOMPARE(Le32(bytes, 30), quint32(0));
        const int stride = (769 * 3 + 3) / 4 * 4;
        QCOMPARE(quint32(bytes.size()), offset + quint32(stride * 1000));

        // Every pixel is the picture's, read straight from the rows (blue, green, red).
        const QImage image = w.Picture1->box().Image();
        int wrong = 0;
        for (int y = 0; y < 1000; ++y) {
            const char* row = bytes.constData() + offset + (999 - y) * stride;
            for (int x = 0; x < 769; ++x) {
                const QRgb p = image.pixel(x, y);
                if (quint8(row[3 * x]) != qBlue(p) || quint8(row[3 * x + 1]) != qGreen(p) ||
                    quint8(row[3 * x + 2]) != qRed(p))
                    ++wrong;
            }
        }
        QCOMPARE(wrong, 0);
    }

    void saveOverExisting() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("2008年历1.BMP"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older file");
        }
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.SaveFolder = dir.path();
        w.Command2_Click();
        w.Command1_Click();
        QCOMPARE(log.texts, QStringList{QStringLiteral("图形已成功保存在") + path});
        QImage saved(path);
        QCOMPARE(saved.size(), QSize(769, 1000));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                 w.Picture1->box().Image().convertToFormat(QImage::Format_RGB32));
        QCOMPARE(FilesIn(dir.path()), QStringList{QStringLiteral("2008年历1.BMP")});
    }

    // Refused names: a message, nothing written.
    void badName_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("slash") << "a/b";
        QTest::newRow("backslash") << "a\\b";
        QTest::newRow("colon") << "c:x";
        QTest::newRow("star") << "a*";
        QTest::newRow("question mark") << "a?";
        QTest::newRow("quote") << "a\"b";
        QTest::newRow("angle") << "<a>";
        QTest::newRow("bar") << "a|b";
        QTest::newRow("tab") << "a\tb";
    }
    void badName() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("a");
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.SaveFolder = dir.path();
        w.Command2_Click();
        w.Text1->setText(name);
        w.Command1_Click();
        QCOMPARE(log.texts.size(), 1);
        QVERIFY(!log.texts[0].startsWith(QStringLiteral("图形已成功保存在")));
        QVERIFY(FilesIn(dir.path()).isEmpty());
        QVERIFY(FilesIn(dir.filePath("a")).isEmpty());
    }

    // Failures are reported and leave nothing behind.
    void saveFails_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("read-only folder") << "readonly";
        QTest::newRow("missing folder") << "missing/deeper";
        QTest::newRow("name taken by a folder") << "taken";
    }
    void saveFails() {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QString target = dir.filePath(folder);
        if (folder == "readonly") {
            if (geteuid() == 0) {
                // Permissions do not stop root; /proc refuses new files to everyone.
                target = QStringLiteral("/proc");
            } else {
                QVERIFY(QDir(dir.path()).mkdir(folder));
                QFile::setPermissions(target, QFile::ReadOwner | QFile::ExeOwner);
            }
        } else if (folder == "taken") {
            QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("taken/2008年历1.BMP")));
        }
        MessageLog log;
        frmpreV& w = Windows().ref<frmpreV>();
        w.SaveFolder = target;
        w.Command2_Click();
        w.Command1_Click();
        QCOMPARE(log.texts.size(), 1);
        QVERIFY(!log.texts[0].startsWith(QStringLiteral("图形已成功保存在")));
        QVERIFY(log.texts[0].contains(QStringLiteral("2008年历1.BMP")));
        if (target.startsWith(dir.path())) {
            if (QFileInfo(target).isDir()) QVERIFY(FilesIn(target).isEmpty());
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        } else {
            QVERIFY(!QFileInfo::exists(target + QStringLiteral("/2008年历1.BMP")));
        }
        if (folder == "taken") QVERIFY(QFileInfo(target + "/2008年历1.BMP").isDir());
    }

    void saveFileName_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder") << "/opt/orlenda"
                                << "/opt/orlenda/2008年历1.BMP";
        QTest::newRow("root") << "/"
                              << "/2008年历1.BMP";
    }
    void saveFileName() {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(frmpreV::SaveFileName(folder, QStringLiteral("2008年历1")), expected);
    }

    void savesInProgramFolder() {
        QCOMPARE(Windows().ref<frmpreV>().SaveFolder, QCoreApplication::applicationDirPath());
    }

    void closeAndReopen() {
        QTemporaryDir dir;
        State().BackgroundPicturePath = SavePattern(dir.path(), QSize(770, 1000)).toStdString();
        frmpreV* w = &Windows().ref<frmpreV>();
        w->Option2->setChecked(true);
        w->Text2_KeyPress(0, 13);
        w->Check1->setChecked(true);
        w->VScroll1->setValue(450);
        QPointer<frmpreV> closed(w);
        w->Command3_Click();
        QCOMPARE(Windows().find<frmpreV>(), nullptr);
        QTRY_VERIFY(closed.isNull());

        frmpreV& again = Windows().ref<frmpreV>();
        QCOMPARE(again.DateColour, (ColourTriple{0, 0, 0}));
        QVERIFY(!again.Command1->isEnabled());
        QVERIFY(!again.Check1->isChecked());
        QVERIFY(!again.Option2->isChecked());
        QCOMPARE(again.VScroll1->value(), 0);
        const QImage image = again.Picture1->box().Image();
        QCOMPARE(CountColour(image, image.rect(), kLightGreen), image.width() * image.height());
        // The chosen background belongs to the application, not to the window.
        QVERIFY(!State().BackgroundPicturePath.empty());
    }

    void help() {
        MessageLog log;
        Windows().ref<frmpreV>().Command5_Click();
        QCOMPARE(log.texts.size(), 1);
        const QStringList lines = log.texts[0].split(QLatin1Char('\r'));
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith(QStringLiteral("调色板使用：")));
        QVERIFY(lines[2].contains(QStringLiteral("《显示年历》")));
        QVERIFY(lines[3].endsWith(QStringLiteral("另存为JPG格式")));
        QVERIFY(!log.texts[0].contains(QLatin1Char('\n')));
    }
};

QTEST_MAIN(FilesTest)
#include "test_edoc_files.moc"
