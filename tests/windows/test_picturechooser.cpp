// SPDX-License-Identifier: GPL-3.0-or-later
// The picture chooser by mouse and keyboard: the files offered, previews, corner clicks, what
// the buttons record in the document and what survives leaving the window.
#include <QPointer>

#include "../support/windowtesting.h"
#include "document/calendardocument.h"
#include "support/testpictures.h"
#include "windows/picturechooser.h"

using namespace orlenda;
using namespace orlenda::test;
using testing::Click;

namespace {

// To a tenth of a twip, readable when a comparison fails.
QString Rect(double x, double y, double w, double h) {
    return QString::asprintf("%.1f %.1f %.1f %.1f", x, y, w, h);
}
QString Rect(const Crop& c) { return Rect(c.x, c.y, c.width, c.height); }

}  // namespace

class PictureChooserTest : public QObject, public testing::WindowTestBase {
    Q_OBJECT
    QPointer<PictureChooser> w;

    QString path(const QString& name) const { return dir.filePath(name); }
    void corner(QPoint at) { QTest::mouseClick(w->preview, Qt::LeftButton, {}, at); }

  private slots:
    void initTestCase() {
        QVERIFY(QDir().mkpath(path("home")));
        qputenv("HOME", path("home").toUtf8());
        qputenv("XDG_CONFIG_HOME", path("home/.config").toUtf8());
        // Opened as pictures; the format comes from the content, not the name.
        QVERIFY(Quadrants(640, 480).save(path("land.jpg"), "JPEG", 95));
        QVERIFY(Quadrants(200, 400).save(path("port.bmp"), "BMP"));
        QVERIFY(WriteFile(path("square.GIF"), QuadrantsGif()));
        QVERIFY(Quadrants(352, 220).save(path("photo.webp"), "WEBP", 100));
        QVERIFY(Quadrants(120, 330).save(path("scan.TIFF"), "TIFF"));
        // Only listed, never opened.
        for (const char* name : {"drawing.emf", "icon.ico", "notes.txt", "x-ray.png", "vector.svg"})
            QVERIFY(WriteFile(path(name), "x"));
    }
    void init() {
        startCase();
        w = new PictureChooser(*doc);
        w->show();
        QVERIFY(w->folderList->setPath(dir.path()));
    }
    void cleanup() {
        delete w;
        endCase();
    }

    void listsFollowEachOther() {
        QStringList listed;
        for (int i = 0; i < w->fileList->count(); ++i) listed << w->fileList->item(i)->text();
        QCOMPARE(listed, (QStringList{"drawing.emf", "icon.ico", "land.jpg", "photo.webp",
                                      "port.bmp", "scan.TIFF", "square.GIF", "x-ray.png"}));
        // Another place: the folder list goes to its root, the file list follows.
        const QString other = w->placeList->place() == QStringLiteral("/")
                                  ? QDir::cleanPath(QDir::homePath())
                                  : QStringLiteral("/");
        testing::PickFromList(w->placeList, other);
        QCOMPARE(w->fileList->folder(), other);
    }

    // Chosen by click, arrow keys or first letters; 选择为插图 refuses before there is one.
    void choosingAFile() {
        doc->setInset(ChosenPicture{"/earlier/inset.jpg", Quadrants(4, 4)}, Crop{1, 2, 3, 4});
        QVERIFY(QTest::qWaitForWindowExposed(w));
        Click(w->insetButton);
        QCOMPARE(messages, QStringList{QStringLiteral("未选中图形文件！")});
        QCOMPARE(doc->inset().path, QStringLiteral("/earlier/inset.jpg"));
        QVERIFY(testing::ClickItem(w->fileList, "land.jpg"));
        QTest::keyClick(w->fileList, Qt::Key_Down);  // photo.webp
        QCOMPARE(w->previewPath(), path("photo.webp"));
        QTest::keyClicks(w->fileList, QStringLiteral("sq"));  // square.GIF
        QCOMPARE(w->previewPath(), path("square.GIF"));
        Click(w->insetButton);
        QCOMPARE(doc->inset().path, path("square.GIF"));
        QCOMPARE(Rect(doc->insetCrop()), Rect(0, 0, 30, 30));
        // Clicked again: a fresh whole-picture rectangle, but the corner count goes on.
        corner({10, 10});
        QVERIFY(testing::ClickItem(w->fileList, "square.GIF"));
        QCOMPARE(Rect(w->crop()), Rect(0, 0, 30, 30));
        QCOMPARE(w->cornerClicks(), 1);
    }

    // The longer side fills the 5280-twip box; clicks a quarter and three quarters in mark the
    // middle of the picture at its natural size.
    void previewFitsTheSquareBox_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSizeF>("natural");  // twips
        QTest::addColumn<QSizeF>("preview");  // twips
        // clang-format off
        QTest::newRow("landscape 9600 x 7200") << "land.jpg" << QSizeF(9600, 7200) << QSizeF(5280, 3960);
        QTest::newRow("portrait 3000 x 6000") << "port.bmp" << QSizeF(3000, 6000) << QSizeF(2640, 5280);
        QTest::newRow("GIF") << "square.GIF" << QSizeF(30, 30) << QSizeF(5280, 5280);
        QTest::newRow("WebP") << "photo.webp" << QSizeF(5280, 3300) << QSizeF(5280, 3300);
        QTest::newRow("TIFF") << "scan.TIFF" << QSizeF(1800, 4950) << QSizeF(1920, 5280);
        // clang-format on
    }
    void previewFitsTheSquareBox() {
        QFETCH(QString, name);
        QFETCH(QSizeF, natural);
        QFETCH(QSizeF, preview);
        QVERIFY(testing::ClickItem(w->fileList, name));
        QCOMPARE(QSizeF(w->preview->widthTwips(), w->preview->heightTwips()), preview);
        QCOMPARE(w->preview->pos(), QPoint(227, 8));  // the box's top left corner
        QCOMPARE(Rect(w->crop()), Rect(0, 0, natural.width(), natural.height()));
        QVERIFY(ShowsQuadrants(w->preview->grab().toImage(), 12));
        const QSizeF quarter = preview / 60;  // pixels
        corner(QPoint(qRound(quarter.width()), qRound(quarter.height())));
        corner(QPoint(qRound(quarter.width() * 3), qRound(quarter.height() * 3)));
        const QSizeF n = natural / 4;
        QCOMPARE(Rect(w->crop()), Rect(n.width(), n.height(), n.width() * 2, n.height() * 2));
        Click(w->insetButton);
        QCOMPARE(QSizeF(doc->inset().image.size() * 15), natural);
        QVERIFY(ShowsQuadrants(doc->inset().image, 12));
    }

    // After clicks at (66, 33) and (200, 166) on land.jpg (shown 352 x 264): a drag inside
    // moves the rectangle, from a corner that corner, never past the picture.
    void draggingTheRectangle_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRect>("shown");  // preview pixels
        QTest::addColumn<int>("count");
        // clang-format off
        QTest::newRow("inside moves it") << QPoint(100, 100) << QPoint(120, 90) << QRect(86, 23, 134, 133) << 2;
        QTest::newRow("moved left stops at the edge") << QPoint(100, 100) << QPoint(0, 100) << QRect(0, 33, 134, 133) << 2;
        QTest::newRow("bottom right corner") << QPoint(201, 165) << QPoint(250, 200) << QRect(66, 33, 184, 167) << 2;
        QTest::newRow("top left corner past the picture") << QPoint(65, 34) << QPoint(-40, -30) << QRect(0, 0, 200, 166) << 2;
        QTest::newRow("a press released in place is a click") << QPoint(100, 100) << QPoint(102, 101) << QRect(100, 100, 134, 133) << 1;
        // clang-format on
    }
    void draggingTheRectangle() {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QRect, shown);
        QFETCH(int, count);
        QVERIFY(testing::ClickItem(w->fileList, "land.jpg"));
        Click(w->insetButton);
        corner({66, 33});
        corner({200, 166});
        QTest::mousePress(w->preview, Qt::LeftButton, {}, from);
        QTest::mouseMove(w->preview, to);
        QTest::mouseRelease(w->preview, Qt::LeftButton, {}, to);
        const double k = 9600.0 / 352;  // picture twips a preview pixel
        const QString crop =
            Rect(shown.x() * k, shown.y() * k, shown.width() * k, shown.height() * k);
        QCOMPARE(Rect(doc->insetCrop()), crop);
        QCOMPARE(w->cornerClicks(), count);
        // A corner's handle (or the first corner's alone) covers the red picture.
        const QColor at = w->preview->grab().toImage().pixelColor(shown.topLeft() + QPoint(1, 0));
        QVERIFY2(at.red() < 200 || at.green() > 80, qPrintable(at.name()));
    }

    // Opens in the pictures folder (else home), the next one where the last was left.
    void startingFolder_data() {
        QTest::addColumn<bool>("pictures");
        QTest::newRow("no pictures folder") << false;
        QTest::newRow("a pictures folder") << true;
    }
    void startingFolder() {
        QFETCH(bool, pictures);
        const QString start = path(pictures ? "home/Pictures" : "home");
        QVERIFY(QDir().mkpath(start + "/trip"));
        PictureChooser::SetStartFolder({});
        QPointer<PictureChooser> first = new PictureChooser(*doc);
        first->show();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QCOMPARE(first->folder(), start);
        QCOMPARE(first->placeList->currentText(), QString(pictures ? "图片" : "主文件夹"));
        testing::ClickRow(first->folderList, first->folderList->count() - 1);  // trip
        QTest::keyClick(first->folderList, Qt::Key_Return);
        Click(first->cancelButton);
        QTRY_VERIFY(first.isNull());
        QCOMPARE(PictureChooser(*doc).folder(), start + "/trip");
    }

    // 取消 forgets inset and background, the frame's close the inset; 确定 only hides.
    void leavingTheWindow_data() {
        QTest::addColumn<int>("how");  // 0 取消, 1 the frame, 2 确定
        QTest::addColumn<bool>("inset");
        QTest::addColumn<bool>("background");
        QTest::newRow("cancel forgets the pictures") << 0 << false << false;
        QTest::newRow("the frame forgets the inset") << 1 << false << true;
        QTest::newRow("OK hides the window") << 2 << true << true;
    }
    void leavingTheWindow() {
        QFETCH(int, how);
        QFETCH(bool, inset);
        QFETCH(bool, background);
        QVERIFY(testing::ClickItem(w->fileList, "land.jpg"));
        Click(w->insetButton);
        corner({88, 176});
        const QString crop = Rect(doc->insetCrop());
        QVERIFY(testing::ClickItem(w->fileList, "port.bmp"));
        corner({10, 10});  // on another picture than the inset: the inset's rectangle stays
        Click(w->backgroundButton);
        QCOMPARE(w->insetLabel->text() + " " + w->backgroundLabel->text(),
                 QStringLiteral("插图: land.jpg 背景: port.bmp"));
        if (how == 0) Click(w->cancelButton);
        if (how == 1) QVERIFY(w->close());
        if (how == 2) Click(w->okButton);
        QCOMPARE(doc->inset().path, inset ? path("land.jpg") : QString());
        QCOMPARE(doc->inset().image.isNull(), !inset);
        if (inset) QCOMPARE(Rect(doc->insetCrop()), crop);
        QCOMPARE(doc->backgroundPath(), background ? path("port.bmp") : QString());
        if (how != 2)
            QTRY_VERIFY(w.isNull());
        else
            QVERIFY(w && !w->isVisible());
    }
};

QTEST_MAIN(PictureChooserTest)
#include "test_picturechooser.moc"
