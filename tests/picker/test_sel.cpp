// The picture chooser as a person uses it, by mouse and keyboard: where the lists start,
// what the file list offers, the preview and its scale factors, the corner clicks, the
// buttons and what survives hide, cancel and close. Unreadable files in the chooser are in
// the fault tests.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/windowtesting.h"
#include "core/appstate.h"
#include "picker/sel.h"
#include "testpictures.h"
#include "windowbase/messages.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

// Pixels on the preview; (-1, -1): click port.bmp in the file list instead.
using Clicks = QList<QPoint>;

// The crop rectangle to a tenth of a twip, readable when a comparison fails.
QString Crop() {
    const AppState& s = State();
    return QString::asprintf("%.1f %.1f %.1f %.1f", s.CropX, s.CropY, s.CropWidth, s.CropHeight);
}
QString Rect(double x, double y, double w, double h) {
    return QString::asprintf("%.1f %.1f %.1f %.1f", x, y, w, h);
}

// The landscape example's scale factor: 9600 twips shown as 5280.
constexpr double kLand = 9600.0 / 5280;

}  // namespace

class PictureChooserTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList messages_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    sel& open() {
        sel& w = Windows().show<sel>();
        w.Dir1->SetPath(dir_.path());
        return w;
    }
    // A mouse click on the file's name.
    bool pick(sel& w, const QString& name) {
        const QList<QListWidgetItem*> items = w.File1->findItems(name, Qt::MatchExactly);
        if (items.size() != 1) return false;
        testing::ClickRow(w.File1, w.File1->row(items[0]));
        return true;
    }
    static void corner(sel& w, int x, int y) {
        QTest::mouseClick(w.Image1, Qt::LeftButton, {}, QPoint(x, y));
    }
    static void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

  private slots:
    void initTestCase() {
        // Natural sizes in twips: 9600 x 7200, 3000 x 6000, 30 x 30.
        QVERIFY(Quadrants(640, 480).save(path("land.jpg"), "JPEG", 95));
        QVERIFY(Quadrants(200, 400).save(path("port.bmp"), "BMP"));
        QVERIFY(WriteFile(path("square.GIF"), QuadrantsGif()));
        // Only listed, never opened.
        for (const char* name : {"drawing.emf", "icon.ico", "notes.txt", "other.png", "upper.JPEG"})
            QVERIFY(WriteFile(path(name), "x"));
    }
    void init() {
        Windows().clear();
        State().Reset();
        messages_.clear();
        SetMessageSink([this](QWidget*, const QString& t) { messages_ << t; });
    }
    void cleanup() {
        Windows().clear();
        SetMessageSink({});
    }

    void listsStartInTheProgramFolderAndFollowEachOther() {
        sel& w = Windows().ref<sel>();
        const QString home = QDir::cleanPath(QCoreApplication::applicationDirPath());
        QCOMPARE(w.Dir1->Path(), home);
        QCOMPARE(w.File1->Path(), home);
        QVERIFY(home.startsWith(w.Drive1->Drive()));

        w.Dir1->SetPath(dir_.path());
        QCOMPARE(w.File1->Path(), QDir::cleanPath(dir_.path()));
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
        QCOMPARE(w.Dir1->Path(), other);
        QCOMPARE(w.File1->Path(), other);
    }

    // A file is chosen by a click on its name, by the arrow keys and by typing its first
    // letters; each loads the picture once, so the buttons record the name highlighted.
    void choosingAFile() {
        sel& w = open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        int loads = 0;
        connect(w.File1, &FileList::Click, this, [&] { ++loads; });
        QVERIFY(pick(w, "land.jpg"));
        QCOMPARE(loads, 1);
        QCOMPARE(w.PreviewPicturePath, path("land.jpg"));
        QTest::keyClick(w.File1, Qt::Key_Down);  // port.bmp
        QCOMPARE(loads, 2);
        QCOMPARE(w.PreviewPicturePath, path("port.bmp"));
        QTest::keyClicks(w.File1, QStringLiteral("sq"));  // square.GIF
        QCOMPARE(loads, 3);
        QCOMPARE(w.PreviewPicturePath, path("square.GIF"));
        click(w.Command1);
        QCOMPARE(State().InsetPicturePath, path("square.GIF").toStdString());
        // A second click on the chosen name loads it again: a fresh whole-picture rectangle.
        corner(w, 10, 10);
        QVERIFY(pick(w, "square.GIF"));
        QCOMPARE(loads, 4);
        QCOMPARE(Crop(), Rect(0, 0, 30, 30));
    }

    void previewFitsTheSquareBox_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSizeF>("natural");  // twips
        QTest::addColumn<QSizeF>("preview");  // twips
        // clang-format off
        QTest::newRow("landscape 9600 x 7200") << "land.jpg" << QSizeF(9600, 7200) << QSizeF(5280, 3960);
        QTest::newRow("portrait 3000 x 6000") << "port.bmp" << QSizeF(3000, 6000) << QSizeF(2640, 5280);
        QTest::newRow("square GIF") << "square.GIF" << QSizeF(30, 30) << QSizeF(5280, 5280);
        // clang-format on
    }
    void previewFitsTheSquareBox() {
        QFETCH(QString, name);
        QFETCH(QSizeF, natural);
        QFETCH(QSizeF, preview);
        sel& w = open();
        QVERIFY(pick(w, name));
        QVERIFY(w.Image1->isVisible() && w.Image1->Stretch());
        QCOMPARE(QSizeF(w.Image1->WidthTwips(), w.Image1->HeightTwips()), preview);
        QCOMPARE(w.Image1->pos(), QPoint(227, 8));  // the box's top left corner
        const double scale = std::max(natural.width(), natural.height()) / 5280;
        QVERIFY(std::abs(State().PictureScaleX / scale - 1) < 1e-5);
        QVERIFY(std::abs(State().PictureScaleY / scale - 1) < 1e-5);
        QCOMPARE(Crop(), Rect(0, 0, natural.width(), natural.height()));
        // The inset is cut from the picture at its natural resolution.
        QCOMPARE(QSizeF(w.Image1Picture().size() * 15), natural);
        QVERIFY(ShowsQuadrants(w.Image1Picture(), 12));
    }

    void cornerClicks_data() {
        QTest::addColumn<QString>("file");  // chosen first; empty: none
        QTest::addColumn<Clicks>("clicks");
        QTest::addColumn<QString>("crop");
        QTest::addColumn<int>("count");
        const QPoint portrait(-1, -1);
        // clang-format off
        // A preview pixel is 15 twips of the preview; (66, 33) is (990, 495) twips.
        QTest::newRow("top left then bottom right") << "land.jpg" << Clicks{{66, 33}, {200, 166}}
            << Rect(1800, 900, kLand * 2010, kLand * 1995) << 2;
        QTest::newRow("a third click starts a new rectangle") << "land.jpg" << Clicks{{66, 33}, {200, 166}, {133, 66}}
            << Rect(kLand * 1995, kLand * 990, kLand * 2010, kLand * 1995) << 1;
        QTest::newRow("one click keeps the whole picture's size") << "land.jpg" << Clicks{{66, 33}}
            << Rect(1800, 900, 9600, 7200) << 1;
        QTest::newRow("a new file resets the rectangle, not the count") << "land.jpg" << Clicks{{66, 33}, portrait}
            << Rect(0, 0, 3000, 6000) << 1;
        QTest::newRow("clicks on the empty preview give zero") << "" << Clicks{{66, 33}, {200, 166}}
            << Rect(0, 0, 0, 0) << 2;
        // clang-format on
    }
    void cornerClicks() {
        QFETCH(QString, file);
        QFETCH(Clicks, clicks);
        QFETCH(QString, crop);
        QFETCH(int, count);
        sel& w = open();
        if (!file.isEmpty()) QVERIFY(pick(w, file));
        for (QPoint c : clicks) {
            if (c.x() < 0)
                QVERIFY(pick(w, QStringLiteral("port.bmp")));
            else
                corner(w, c.x(), c.y());
        }
        QCOMPARE(Crop(), crop);
        QCOMPARE(int(w.CornerClickCount), count);
    }

    void choosingBeforeAnyPictureIsRefused() {
        State().InsetPicturePath = "/earlier/inset.jpg";
        sel& w = open();
        click(w.Command1);
        click(w.Command3);
        QCOMPARE(messages_, QStringList(2, QStringLiteral("未选中图形文件！")));
        QCOMPARE(State().InsetPicturePath, std::string("/earlier/inset.jpg"));
        QCOMPARE(State().BackgroundPicturePath, std::string());
        QVERIFY(w.isVisible());
    }

    // After an inset, a background and a click on the latter: how the window is left.
    void leavingTheWindow_data() {
        QTest::addColumn<int>("how");  // 0 确定, 1 取消, 2 the frame's close
        QTest::addColumn<bool>("pathsKept");
        QTest::addColumn<bool>("windowKept");
        QTest::newRow("OK hides and keeps everything") << 0 << true << true;
        QTest::newRow("cancel empties both paths and unloads") << 1 << false << false;
        QTest::newRow("closing by the frame keeps the paths") << 2 << true << false;
    }
    void leavingTheWindow() {
        QFETCH(int, how);
        QFETCH(bool, pathsKept);
        QFETCH(bool, windowKept);
        sel* w = &open();
        QVERIFY(pick(*w, "land.jpg"));
        click(w->Command1);
        QVERIFY(pick(*w, "port.bmp"));
        click(w->Command3);
        corner(*w, 88, 176);
        const QString crop = Crop();
        if (how == 0) click(w->Command4);
        if (how == 1) click(w->Command2);
        if (how == 2) w->close();
        if (windowKept) QVERIFY(!w->isVisible());
        QCOMPARE(Windows().find<sel>() != nullptr, windowKept);
        const auto kept = [&](const char* name) {
            return pathsKept ? path(name).toStdString() : std::string();
        };
        QCOMPARE(State().InsetPicturePath, kept("land.jpg"));
        QCOMPARE(State().BackgroundPicturePath, kept("port.bmp"));
        QCOMPARE(Crop(), crop);
        // Opening again continues where the user left off, or starts afresh. The inset path
        // names the first file; the picture it is cut from is the one shown last.
        w = &Windows().show<sel>();
        QCOMPARE(w->PreviewPicturePath, windowKept ? path("port.bmp") : QString());
        QCOMPARE(w->Image1Picture().size(), windowKept ? QSize(200, 400) : QSize(0, 0));
        QCOMPARE(int(w->CornerClickCount), windowKept ? 1 : 0);
    }
};

QTEST_MAIN(PictureChooserTest)
#include "test_sel.moc"
