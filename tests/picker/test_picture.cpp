// Loading picture files through the image readers: the formats the chooser offers, the
// natural size in twips, and the files that must be refused.
#include <QTemporaryDir>
#include <QtTest>

#include "picker/picture.h"
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
        QTest::addColumn<QByteArray>("writer");  // empty: hand-made GIF
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<int>("tolerance");  // per channel; JPEG is lossy
        QTest::newRow("jpg") << "a.jpg" << QByteArray("JPEG") << QSize(640, 480) << 12;
        QTest::newRow("JPEG, capital extension")
            << "b.JPEG" << QByteArray("JPEG") << QSize(64, 40) << 12;
        QTest::newRow("bmp") << "c.bmp" << QByteArray("BMP") << QSize(200, 400) << 0;
        QTest::newRow("ico") << "d.ico" << QByteArray("ICO") << QSize(48, 48) << 0;
        QTest::newRow("gif") << "e.gif" << QByteArray() << QSize(30, 20) << 0;
        QTest::newRow("bitmap under a jpg name")
            << "f.jpg" << QByteArray("BMP") << QSize(10, 6) << 0;
    }
    void loadsEachOfferedFormat() {
        QFETCH(QString, name);
        QFETCH(QByteArray, writer);
        QFETCH(QSize, pixels);
        QFETCH(int, tolerance);
        const QImage source = Quadrants(pixels.width(), pixels.height());
        if (writer.isEmpty())
            QVERIFY(WriteFile(path(name), Gif(source)));
        else
            QVERIFY(source.save(path(name), writer.constData(), 95));

        const QImage loaded = LoadPicture(path(name));
        QCOMPARE(loaded.size(), pixels);
        QCOMPARE(NaturalSizeTwips(loaded.size()), QSize(pixels.width() * 15, pixels.height() * 15));
        const auto centres = QuadrantCentres(pixels);
        for (int i = 0; i < 4; ++i) {
            const QColor got = loaded.pixelColor(centres[i]);
            QVERIFY2(Near(got, QuadrantColours()[i], tolerance),
                     qPrintable(QStringLiteral("quadrant %1 is %2").arg(i).arg(got.name())));
        }
        // Straight to a preview size.
        const QImage small = PictureFile::Open(path(name)).decode(QSize(5, 3));
        QCOMPARE(small.size(), QSize(5, 3));
    }

    void refusesWhatItCannotLoad_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::newRow("text under a jpg name")
            << "t.jpg" << QByteArray("not a picture at all") << int(PictureError::Unreadable);
        QTest::newRow("empty file") << "e.bmp" << QByteArray() << int(PictureError::Unreadable);
        QByteArray jpeg;
        {
            QBuffer b(&jpeg);
            b.open(QIODevice::WriteOnly);
            Quadrants(64, 64).save(&b, "JPEG");
        }
        QTest::newRow("JPEG cut after its header")
            << "cut.jpg" << jpeg.left(200) << int(PictureError::Unreadable);
        QTest::newRow("declares 16384 x 16384")
            << "huge.bmp" << BitmapHeader(16384, 16384) << int(PictureError::TooLarge);
        QTest::newRow("declares one column past 256 MiB")
            << "over.bmp" << BitmapHeader(8193, 8192) << int(PictureError::TooLarge);
        QTest::newRow("metafile by extension")
            << "m.emf" << QByteArray("anything") << int(PictureError::Unreadable);
        QTest::newRow("metafile by content")
            << "m.bmp" << MetafileHeader() << int(PictureError::Unreadable);
    }
    void refusesWhatItCannotLoad() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QVERIFY(WriteFile(path(name), bytes));
        try {
            LoadPicture(path(name));
            QFAIL("loaded");
        } catch (const PictureError& e) {
            QCOMPARE(int(e.kind()), kind);
            QVERIFY2(e.message().contains(path(name)), qPrintable(e.message()));
        }
    }

    void missingFileAndFolderAreUnreadable() {
        for (const QString& p : {path("none.jpg"), dir_.path()}) {
            try {
                LoadPicture(p);
                QFAIL("loaded");
            } catch (const PictureError& e) {
                QCOMPARE(e.kind(), PictureError::Unreadable);
                QVERIFY(e.message().contains(p));
            }
        }
    }

    void exactly256MiBIsAccepted() {
        // 8192 x 8192 at four bytes a pixel is the bound itself. Only the header is written,
        // so the file is refused as cut off, not as too large.
        QVERIFY(WriteFile(path("edge.bmp"), BitmapHeader(8192, 8192)));
        try {
            PictureFile::Open(path("edge.bmp"));
            QFAIL("a bitmap without its pixels was accepted");
        } catch (const PictureError& e) {
            QCOMPARE(e.kind(), PictureError::Unreadable);
        }
    }
};

QTEST_MAIN(PictureTest)
#include "test_picture.moc"
