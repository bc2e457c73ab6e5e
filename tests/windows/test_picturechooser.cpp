// The picture chooser as a person uses it, by mouse and keyboard: what the file list offers,
// the preview of each format and its scale factors, the corner clicks, the buttons and what
// survives cancel and close; and the bounds of the picture loader behind it.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/windowtesting.h"
#include "core/appstate.h"
#include "pictures/picture.h"
#include "support/testpictures.h"
#include "windows/messages.h"
#include "windows/picturechooser.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

// Pixels on the preview.
using Clicks = QList<QPoint>;

// The crop rectangle to a tenth of a twip, readable when a comparison fails.
QString CropText() {
    const AppState& s = State();
    return QString::asprintf("%.1f %.1f %.1f %.1f", s.CropX, s.CropY, s.CropWidth, s.CropHeight);
}
QString Rect(double x, double y, double w, double h) {
    return QString::asprintf("%.1f %.1f %.1f %.1f", x, y, w, h);
}

// The landscape example's scale factor: 9600 twips shown as 5280.
constexpr double kLand = 9600.0 / 5280;

}  // namespace

class PictureChooserTest : public QObject, public testing::WindowTestBase {
    Q_OBJECT
    QString path(const QString& name) const { return dir.filePath(name); }

    PictureChooser& open() {
        main().choosePicture();
        PictureChooser& w = *testing::Find<PictureChooser>();
        w.Dir1->SetPath(dir.path());
        return w;
    }
    // A mouse click on the file's name.
    bool pick(PictureChooser& w, const QString& name) {
        const QList<QListWidgetItem*> items = w.File1->findItems(name, Qt::MatchExactly);
        if (items.size() != 1) return false;
        testing::ClickRow(w.File1, w.File1->row(items[0]));
        return true;
    }
    static void corner(PictureChooser& w, int x, int y) {
        QTest::mouseClick(w.Image1, Qt::LeftButton, {}, QPoint(x, y));
    }
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
        State().Reset();
    }
    void cleanup() { endCase(); }

    // The start in the program's folder is in the end-to-end test.
    void listsFollowEachOther() {
        PictureChooser& w = open();
        // Pictures only, extensions in any case.
        QStringList listed;
        for (int i = 0; i < w.File1->count(); ++i) listed << w.File1->item(i)->text();
        QCOMPARE(listed, (QStringList{"drawing.emf", "icon.ico", "land.jpg", "port.bmp",
                                      "square.GIF", "upper.JPEG"}));
        // Another drive: the folder list goes to its root, the file list follows.
        const QString other = w.Drive1->Drive() == QStringLiteral("/")
                                  ? QDir::cleanPath(QDir::homePath())
                                  : QStringLiteral("/");
        testing::PickFromList(w.Drive1, other);
        QCOMPARE(w.File1->Path(), other);
    }

    // A file is chosen by a click on its name, by the arrow keys and by typing its first
    // letters; the buttons record the name highlighted, and refuse before there is one.
    void choosingAFile() {
        State().InsetPicturePath = "/earlier/inset.jpg";
        PictureChooser& w = open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        click(w.Command1);
        QCOMPARE(messages, QStringList{QStringLiteral("未选中图形文件！")});
        QCOMPARE(State().InsetPicturePath, std::string("/earlier/inset.jpg"));
        QVERIFY(pick(w, "land.jpg"));
        QCOMPARE(w.PreviewPicturePath, path("land.jpg"));
        QTest::keyClick(w.File1, Qt::Key_Down);  // port.bmp
        QCOMPARE(w.PreviewPicturePath, path("port.bmp"));
        QTest::keyClicks(w.File1, QStringLiteral("sq"));  // square.GIF
        QCOMPARE(w.PreviewPicturePath, path("square.GIF"));
        click(w.Command1);
        QCOMPARE(State().InsetPicturePath, path("square.GIF").toStdString());
        // A second click on the chosen name loads it again: a fresh whole-picture rectangle,
        // but the corner count goes on.
        corner(w, 10, 10);
        QVERIFY(pick(w, "square.GIF"));
        QCOMPARE(CropText(), Rect(0, 0, 30, 30));
        QCOMPARE(int(w.CornerClickCount), 1);
    }

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
        PictureChooser& w = open();
        QVERIFY(pick(w, name));
        QVERIFY(w.Image1->isVisible() && w.Image1->Stretch());
        QCOMPARE(QSizeF(w.Image1->WidthTwips(), w.Image1->HeightTwips()), preview);
        QCOMPARE(w.Image1->pos(), QPoint(227, 8));  // the box's top left corner
        const double scale = std::max(natural.width(), natural.height()) / 5280;
        QVERIFY(std::abs(State().PictureScaleX / scale - 1) < 1e-5);
        QVERIFY(std::abs(State().PictureScaleY / scale - 1) < 1e-5);
        QCOMPARE(CropText(), Rect(0, 0, natural.width(), natural.height()));
        // The inset is cut from the picture at its natural resolution.
        QCOMPARE(QSizeF(w.Image1Picture().size() * 15), natural);
        QVERIFY(ShowsQuadrants(w.Image1Picture(), 12));
    }

    void cornerClicks_data() {
        QTest::addColumn<Clicks>("clicks");
        QTest::addColumn<QString>("crop");
        QTest::addColumn<int>("count");
        // clang-format off
        // A preview pixel is 15 twips of the preview; (66, 33) is (990, 495) twips.
        QTest::newRow("top left then bottom right") << Clicks{{66, 33}, {200, 166}}
            << Rect(1800, 900, kLand * 2010, kLand * 1995) << 2;
        QTest::newRow("a third click starts a new rectangle") << Clicks{{66, 33}, {200, 166}, {133, 66}}
            << Rect(kLand * 1995, kLand * 990, kLand * 2010, kLand * 1995) << 1;
        // clang-format on
    }
    void cornerClicks() {
        QFETCH(Clicks, clicks);
        QFETCH(QString, crop);
        QFETCH(int, count);
        PictureChooser& w = open();
        QVERIFY(pick(w, "land.jpg"));
        for (QPoint c : clicks) corner(w, c.x(), c.y());
        QCOMPARE(CropText(), crop);
        QCOMPARE(int(w.CornerClickCount), count);
    }

    // After an inset, a background and a corner click: 取消 empties both paths, the frame's
    // close keeps them; either unloads the window. 确定, which only hides it, is in the
    // end-to-end test, whose printing needs the picture the hidden window holds.
    void leavingTheWindow_data() {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancel empties both paths") << true;
        QTest::newRow("closing by the frame keeps the paths") << false;
    }
    void leavingTheWindow() {
        QFETCH(bool, cancel);
        PictureChooser& w = open();
        QVERIFY(pick(w, "land.jpg"));
        click(w.Command1);
        QVERIFY(pick(w, "port.bmp"));
        click(w.Command3);
        corner(w, 88, 176);
        const QString crop = CropText();
        if (cancel)
            click(w.Command2);
        else
            w.close();
        QVERIFY(!testing::Find<PictureChooser>());
        QCOMPARE(State().InsetPicturePath, cancel ? "" : path("land.jpg").toStdString());
        QCOMPARE(State().BackgroundPicturePath, cancel ? "" : path("port.bmp").toStdString());
        QCOMPARE(CropText(), crop);
    }

    // The loader's bounds, refused with a message naming the file. Damaged and oversized files
    // of each format in the chooser are in the fault tests.
    void loaderRefuses_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        const int unreadable = PictureError::Unreadable, tooLarge = PictureError::TooLarge;
        // clang-format off
        QTest::newRow("GIF cut in its pixels") << "cut.gif" << QuadrantsGif().left(39) << unreadable;
        QTest::newRow("one column past 256 MiB") << "over.bmp" << BitmapHeader(8193, 8192) << tooLarge;
        // 8192 x 8192 at four bytes a pixel is the bound itself: refused only as cut off.
        QTest::newRow("exactly 256 MiB, no pixels") << "edge.bmp" << BitmapHeader(8192, 8192) << unreadable;
        // clang-format on
    }
    void loaderRefuses() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QTemporaryDir folder;
        const QString file = folder.filePath(name);
        QVERIFY(WriteFile(file, bytes));
        try {
            LoadPicture(file);
            QFAIL("loaded");
        } catch (const PictureError& e) {
            QCOMPARE(int(e.kind()), kind);
            QVERIFY2(e.message().contains(file), qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(PictureChooserTest)
#include "test_picturechooser.moc"
