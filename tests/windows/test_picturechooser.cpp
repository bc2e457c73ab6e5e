// SPDX-License-Identifier: GPL-3.0-or-later
// The picture chooser as a person uses it, by mouse and keyboard: what the file list offers,
// the preview of each format and its scale, the corner clicks, what the buttons record in the
// document and what survives each way of leaving the window.
#include <QDir>
#include <QPointer>
#include <QtTest>

#include "../support/windowtesting.h"
#include "document/calendardocument.h"
#include "support/testpictures.h"
#include "windows/picturechooser.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

// Pixels on the preview.
using Clicks = QList<QPoint>;

// A rectangle to a tenth of a twip, readable when a comparison fails.
QString Rect(double x, double y, double w, double h) {
    return QString::asprintf("%.1f %.1f %.1f %.1f", x, y, w, h);
}
QString Rect(const Crop& c) { return Rect(c.x, c.y, c.width, c.height); }

// The landscape example's scale factor: 9600 twips shown as 5280.
constexpr double kLand = 9600.0 / 5280;

}  // namespace

class PictureChooserTest : public QObject, public testing::WindowTestBase {
    Q_OBJECT
    std::unique_ptr<CalendarDocument> doc;
    QPointer<PictureChooser> w;

    QString path(const QString& name) const { return dir.filePath(name); }
    // A mouse click on the file's name.
    bool pick(const QString& name) {
        const QList<QListWidgetItem*> items = w->fileList->findItems(name, Qt::MatchExactly);
        if (items.size() != 1) return false;
        testing::ClickRow(w->fileList, w->fileList->row(items[0]));
        return true;
    }
    void corner(QPoint at) { QTest::mouseClick(w->preview, Qt::LeftButton, {}, at); }
    static void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

  private slots:
    void initTestCase() {
        // Opened as pictures; the format comes from the content, not the name.
        QVERIFY(Quadrants(640, 480).save(path("land.jpg"), "JPEG", 95));
        QVERIFY(Quadrants(200, 400).save(path("port.bmp"), "BMP"));
        QVERIFY(WriteFile(path("square.GIF"), QuadrantsGif()));
        QVERIFY(Quadrants(64, 32).save(path("upper.JPEG"), "BMP"));
        // Only listed, never opened.
        for (const char* name : {"drawing.emf", "icon.ico", "notes.txt", "other.png"})
            QVERIFY(WriteFile(path(name), "x"));
    }
    void init() {
        startCase();
        doc = std::make_unique<CalendarDocument>();
        w = new PictureChooser(*doc);
        w->show();
        QVERIFY(w->folderList->setPath(dir.path()));
    }
    void cleanup() {
        delete w;
        doc.reset();
        endCase();
    }

    // The start in the program's folder is in the end-to-end test.
    void listsFollowEachOther() {
        // Pictures only, extensions in any case.
        QStringList listed;
        for (int i = 0; i < w->fileList->count(); ++i) listed << w->fileList->item(i)->text();
        QCOMPARE(listed, (QStringList{"drawing.emf", "icon.ico", "land.jpg", "port.bmp",
                                      "square.GIF", "upper.JPEG"}));
        // Another place: the folder list goes to its root, the file list follows.
        const QString other = w->placeList->place() == QStringLiteral("/")
                                  ? QDir::cleanPath(QDir::homePath())
                                  : QStringLiteral("/");
        testing::PickFromList(w->placeList, other);
        QCOMPARE(w->fileList->folder(), other);
    }

    // A file is chosen by a click on its name, by the arrow keys and by typing its first
    // letters; 选择为插图 records the name highlighted and its picture, and refuses before
    // there is one.
    void choosingAFile() {
        doc->setInset(ChosenPicture{"/earlier/inset.jpg", Quadrants(4, 4)}, Crop{1, 2, 3, 4});
        QVERIFY(QTest::qWaitForWindowExposed(w));
        click(w->insetButton);
        QCOMPARE(messages, QStringList{QStringLiteral("未选中图形文件！")});
        QCOMPARE(doc->inset().path, QStringLiteral("/earlier/inset.jpg"));
        QVERIFY(pick("land.jpg"));
        QCOMPARE(w->previewPath(), path("land.jpg"));
        QTest::keyClick(w->fileList, Qt::Key_Down);  // port.bmp
        QCOMPARE(w->previewPath(), path("port.bmp"));
        QTest::keyClicks(w->fileList, QStringLiteral("sq"));  // square.GIF
        QCOMPARE(w->previewPath(), path("square.GIF"));
        click(w->insetButton);
        QCOMPARE(doc->inset().path, path("square.GIF"));
        QCOMPARE(Rect(doc->insetCrop()), Rect(0, 0, 30, 30));
        // A second click on the chosen name loads it again: a fresh whole-picture rectangle,
        // but the corner count goes on.
        corner({10, 10});
        QVERIFY(pick("square.GIF"));
        QCOMPARE(Rect(w->crop()), Rect(0, 0, 30, 30));
        QCOMPARE(w->cornerClicks(), 1);
    }

    // The longer side fills the 5280-twip box; clicks a quarter and three quarters into the
    // preview mark the middle of the picture at its natural size, which the inset is cut from.
    void previewFitsTheSquareBox_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSizeF>("natural");  // twips
        QTest::addColumn<QSizeF>("preview");  // twips
        // clang-format off
        QTest::newRow("landscape 9600 x 7200") << "land.jpg" << QSizeF(9600, 7200) << QSizeF(5280, 3960);
        QTest::newRow("portrait 3000 x 6000") << "port.bmp" << QSizeF(3000, 6000) << QSizeF(2640, 5280);
        QTest::newRow("GIF") << "square.GIF" << QSizeF(30, 30) << QSizeF(5280, 5280);
        QTest::newRow("bitmap under a JPEG name") << "upper.JPEG" << QSizeF(960, 480) << QSizeF(5280, 2640);
        // clang-format on
    }
    void previewFitsTheSquareBox() {
        QFETCH(QString, name);
        QFETCH(QSizeF, natural);
        QFETCH(QSizeF, preview);
        QVERIFY(pick(name));
        QVERIFY(w->preview->isVisible() && w->preview->stretched());
        QCOMPARE(QSizeF(w->preview->widthTwips(), w->preview->heightTwips()), preview);
        QCOMPARE(w->preview->pos(), QPoint(227, 8));  // the box's top left corner
        QCOMPARE(Rect(w->crop()), Rect(0, 0, natural.width(), natural.height()));
        const QSizeF quarter = preview / 60;  // pixels
        corner(QPoint(qRound(quarter.width()), qRound(quarter.height())));
        corner(QPoint(qRound(quarter.width() * 3), qRound(quarter.height() * 3)));
        const QSizeF n = natural / 4;
        QCOMPARE(Rect(w->crop()), Rect(n.width(), n.height(), n.width() * 2, n.height() * 2));
        click(w->insetButton);
        QCOMPARE(QSizeF(doc->inset().image.size() * 15), natural);
        QVERIFY(ShowsQuadrants(doc->inset().image, 12));
    }

    // With the inset previewed the clicks set the document's rectangle; with another
    // picture previewed they leave it alone.
    void cornerClicks_data() {
        QTest::addColumn<QString>("inset");
        QTest::addColumn<Clicks>("clicks");
        QTest::addColumn<QString>("crop");
        QTest::addColumn<int>("count");
        // clang-format off
        // A preview pixel is 15 twips of the preview; (66, 33) is (990, 495) twips.
        QTest::newRow("top left then bottom right") << "land.jpg" << Clicks{{66, 33}, {200, 166}}
            << Rect(1800, 900, kLand * 2010, kLand * 1995) << 2;
        QTest::newRow("a third click starts a new rectangle") << "land.jpg" << Clicks{{66, 33}, {200, 166}, {133, 66}}
            << Rect(kLand * 1995, kLand * 990, kLand * 2010, kLand * 1995) << 1;
        QTest::newRow("another picture is the inset") << "port.bmp" << Clicks{{66, 33}}
            << Rect(1800, 900, 9600, 7200) << 1;
        // clang-format on
    }
    void cornerClicks() {
        QFETCH(QString, inset);
        QFETCH(Clicks, clicks);
        QFETCH(QString, crop);
        QFETCH(int, count);
        QVERIFY(pick(inset));
        click(w->insetButton);
        QVERIFY(pick("land.jpg"));
        for (QPoint c : clicks) corner(c);
        QCOMPARE(Rect(w->crop()), crop);
        QCOMPARE(w->cornerClicks(), count);
        QCOMPARE(Rect(doc->insetCrop()), inset == "land.jpg" ? crop : Rect(0, 0, 3000, 6000));
    }

    // After an inset with its rectangle and a background: 取消 forgets both and the frame's
    // close the inset, each for good; 确定 only hides the window, keeping everything.
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
        QVERIFY(pick("land.jpg"));
        click(w->insetButton);
        corner({88, 176});
        const QString crop = Rect(doc->insetCrop());
        QVERIFY(pick("port.bmp"));
        click(w->backgroundButton);
        if (how == 0) click(w->cancelButton);
        if (how == 1) QVERIFY(w->close());
        if (how == 2) click(w->okButton);
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
