// SPDX-License-Identifier: GPL-3.0-or-later
// The picture loader on sizes and counts no real picture has: refused with its reason or
// loaded at the size it reports, within seconds.
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/testpictures.h"
#include "hostilefiles.h"
#include "pictures/picture.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

constexpr int kLoads = -1;

// A hostile file kept for the fuzz target's replay.
QByteArray Kept(const char* name) {
    QFile file(QStringLiteral(PICTURE_REGRESSIONS "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestPicture : public QObject {
    Q_OBJECT

  private slots:
    void bounds_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");  // of the refusal, or kLoads
        QTest::addColumn<QSize>("size");
        const int large = PictureError::TooLarge, complex = PictureError::TooComplex;
        // clang-format off
        QTest::newRow("JPEG of 1000 empty scans of 8000 x 8000") << Jpeg(8000, 8000, 1000) << complex << QSize();
        QTest::newRow("JPEG of 201 scans") << Jpeg(64, 48, 201) << complex << QSize();
        QTest::newRow("JPEG of 200 scans") << Jpeg(64, 48, 200) << kLoads << QSize(64, 48);
        QTest::newRow("JPEG in scans needing 384 MiB") << Jpeg(8192, 8192, 1, true, false) << large << QSize();
        QTest::newRow("PNG of 100000 x 100000") << PngHeader(100000, 100000) << large << QSize();
        QTest::newRow("PNG of 16-bit channels past 256 MiB") << PngHeader(6000, 6000, 16) << large << QSize();
        QTest::newRow("GIF screen of 65535 x 65535") << Gif(65535, 65535, 1) << large << QSize();
        QTest::newRow("GIF of 100000 frames") << Gif(100, 80, 100000) << kLoads << QSize(100, 80);
        QTest::newRow("GIF screen far wider than its frame") << Gif(2500, 10, 1) << kLoads << QSize(2500, 10);
        QTest::newRow("TIFF of 100000 x 100000") << Kept("tiff-100000x100000.tif") << large << QSize();
        QTest::newRow("TIFF of floating-point pixels past 256 MiB") << Kept("tiff-float-4500x4500.tif") << large << QSize();
        QTest::newRow("WebP of 16384 x 16384") << Kept("webp-16384x16384.webp") << large << QSize();
        QTest::newRow("icon of a PNG of 100000 x 100000") << Icon(PngHeader(100000, 100000)) << large << QSize();
        QTest::newRow("icon of a PNG larger than listed") << Icon(Encoded(Quadrants(40, 30), "PNG")) << kLoads << QSize(40, 30);
        // Rows of 3 pixels of 24 bits, padded from 9 bytes to 12.
        QTest::newRow("bitmap with its rows padded") << Encoded(Quadrants(3, 2), "BMP") << kLoads << QSize(3, 2);
        QTest::newRow("bitmap short of its last padding") << Encoded(Quadrants(3, 2), "BMP").chopped(3) << int(PictureError::Unreadable) << QSize();
        QTest::newRow("XPM, not a format read") << QByteArray("/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #FF0000\", \"a\"};\n")
                                                << int(PictureError::Unreadable) << QSize();
        // clang-format on
    }
    void bounds() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(QSize, size);
        QTemporaryDir folder;
        const QString path = folder.filePath("picture.jpg");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QElapsedTimer clock;
        clock.start();
        try {
            const PictureFile picture = PictureFile::Open(path);
            QCOMPARE(picture.pixelSize(), size);
            QCOMPARE(picture.decode().size(), size);
            QCOMPARE(kind, kLoads);
        } catch (const PictureError& e) {
            QCOMPARE(int(e.kind()), kind);
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(path)), qPrintable(e.message()));
        }
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }

    // A phone's JPEG stored turned comes out upright, whole and decoded to a preview's size.
    void upright_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QTransform>("stored");  // the upright picture turned to be stored
        QTest::newRow("3: half a turn") << 3 << QTransform().rotate(180);
        QTest::newRow("6: a quarter turn clockwise") << 6 << QTransform().rotate(-90);
        QTest::newRow("8: a quarter turn back") << 8 << QTransform().rotate(90);
        QTest::newRow("5: mirrored across the diagonal") << 5 << QTransform(0, 1, 1, 0, 0, 0);
    }
    void upright() {
        QFETCH(int, orientation);
        QFETCH(QTransform, stored);
        QTemporaryDir folder;
        const QString path = folder.filePath("phone.JPG");
        QVERIFY(WriteFile(path, PhoneJpeg(Quadrants(32, 64).transformed(stored), orientation)));
        const PictureFile picture = PictureFile::Open(path);
        QCOMPARE(picture.pixelSize(), QSize(32, 64));
        for (const QSize want : {QSize(32, 64), QSize(16, 32)}) {
            const QImage image = picture.decode(want);
            QCOMPARE(image.size(), want);
            QVERIFY(ShowsQuadrants(image, 40));
        }
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
