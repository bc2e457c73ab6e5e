// Loading picture files through the image readers: the formats the chooser offers and the
// files that must be refused with a message naming them.
#include <QTemporaryDir>
#include <QtTest>

#include "pictures/picture.h"
#include "testpictures.h"

using namespace orlenda;
using namespace orlenda::test;

class PictureTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

  private slots:
    void loadsEachOfferedFormat_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("writer");  // empty: the hand-made GIF
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<int>("tolerance");  // per channel; JPEG is lossy
        // clang-format off
        QTest::newRow("jpg") << "a.jpg" << QByteArray("JPEG") << QSize(640, 480) << 12;
        QTest::newRow("JPEG, capital extension") << "b.JPEG" << QByteArray("JPEG") << QSize(64, 40) << 12;
        QTest::newRow("bmp") << "c.bmp" << QByteArray("BMP") << QSize(200, 400) << 0;
        QTest::newRow("ico") << "d.ico" << QByteArray("ICO") << QSize(48, 48) << 0;
        QTest::newRow("gif") << "e.gif" << QByteArray() << QSize(2, 2) << 0;
        QTest::newRow("bitmap under a jpg name") << "f.jpg" << QByteArray("BMP") << QSize(10, 6) << 0;
        // clang-format on
    }
    void loadsEachOfferedFormat() {
        QFETCH(QString, name);
        QFETCH(QByteArray, writer);
        QFETCH(QSize, pixels);
        QFETCH(int, tolerance);
        if (writer.isEmpty())
            QVERIFY(WriteFile(path(name), QuadrantsGif()));
        else
            QVERIFY(Quadrants(pixels.width(), pixels.height())
                        .save(path(name), writer.constData(), 95));
        const QImage loaded = LoadPicture(path(name));
        QCOMPARE(loaded.size(), pixels);
        QVERIFY(ShowsQuadrants(loaded, tolerance));
        // Straight to a preview size.
        QCOMPARE(PictureFile::Open(path(name)).decode(QSize(5, 3)).size(), QSize(5, 3));
    }

    void refusesWhatItCannotLoad_data() {
        QTest::addColumn<QString>("name");      // empty: the folder itself
        QTest::addColumn<QByteArray>("bytes");  // null: no file is written
        QTest::addColumn<int>("kind");
        const int unreadable = PictureError::Unreadable, tooLarge = PictureError::TooLarge;
        // Damaged and oversized files of each format are in the fault tests; here the bounds.
        // clang-format off
        QTest::newRow("text under a jpg name") << "t.jpg" << QByteArray("not a picture at all") << unreadable;
        QTest::newRow("GIF cut in its pixels") << "cut.gif" << QuadrantsGif().left(39) << unreadable;
        QTest::newRow("one column past 256 MiB") << "over.bmp" << BitmapHeader(8193, 8192) << tooLarge;
        // 8192 x 8192 at four bytes a pixel is the bound itself: refused only as cut off.
        QTest::newRow("exactly 256 MiB, no pixels") << "edge.bmp" << BitmapHeader(8192, 8192) << unreadable;
        QTest::newRow("missing file") << "none.jpg" << QByteArray() << unreadable;
        QTest::newRow("a folder") << "" << QByteArray() << unreadable;
        // clang-format on
    }
    void refusesWhatItCannotLoad() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        const QString file = name.isEmpty() ? dir_.path() : path(name);
        if (!bytes.isNull()) QVERIFY(WriteFile(file, bytes));
        try {
            LoadPicture(file);
            QFAIL("loaded");
        } catch (const PictureError& e) {
            QCOMPARE(int(e.kind()), kind);
            QVERIFY2(e.message().contains(file), qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(PictureTest)
#include "test_picture.moc"
