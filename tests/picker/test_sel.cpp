// The picture chooser: where the lists start, what the file list offers, the preview and
// its scale factors, the corner clicks, the buttons and what survives hide, cancel and close.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "core/appstate.h"
#include "picker/sel.h"
#include "testpictures.h"
#include "windowbase/messages.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

struct Click {
    float x, y;  // twips on the preview; x < 0: click port.bmp in the file list instead
};
using Clicks = QVector<Click>;

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

Q_DECLARE_METATYPE(Clicks)

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
    bool pick(sel& w, const QString& name) {
        w.File1->setCurrentRow(-1);
        return w.File1->SelectFile(name);
    }

  private slots:
    void initTestCase() {
        // Natural sizes in twips: 9600 x 7200, 3000 x 6000, 30 x 30.
        QVERIFY(Quadrants(640, 480).save(path("land.jpg"), "JPEG", 95));
        QVERIFY(Quadrants(200, 400).save(path("port.bmp"), "BMP"));
        QVERIFY(WriteFile(path("square.GIF"), QuadrantsGif()));
        QVERIFY(Quadrants(48, 48).save(path("icon.ico"), "ICO"));
        QVERIFY(WriteFile(path("broken.jpg"), "this is not a picture"));
        QVERIFY(WriteFile(path("huge.bmp"), BitmapHeader(16384, 16384)));
        QVERIFY(WriteFile(path("drawing.emf"), "this is not a metafile"));
        QVERIFY(WriteFile(path("notes.txt"), "text"));
        QVERIFY(Quadrants(8, 8).save(path("other.png"), "PNG"));
        QVERIFY(Quadrants(8, 8).save(path("upper.JPEG"), "JPEG"));
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
        QVERIFY(w.Drive1->findData(QStringLiteral("/")) >= 0);
        QVERIFY(w.Drive1->findData(QDir::cleanPath(QDir::homePath())) >= 0);
        QVERIFY(w.PreviewPicturePath.isEmpty() && w.Image1Picture().isNull());

        w.Dir1->SetPath(dir_.path());
        QCOMPARE(w.File1->Path(), QDir::cleanPath(dir_.path()));
        // Pictures only, extensions in any case.
        QStringList listed;
        for (int i = 0; i < w.File1->count(); ++i) listed << w.File1->item(i)->text();
        QCOMPARE(listed, (QStringList{"broken.jpg", "drawing.emf", "huge.bmp", "icon.ico",
                                      "land.jpg", "port.bmp", "square.GIF", "upper.JPEG"}));
        // Another drive: the folder list goes to its root, the file list follows.
        const QString other = w.Drive1->Drive() == QStringLiteral("/")
                                  ? QDir::cleanPath(QDir::homePath())
                                  : QStringLiteral("/");
        w.Drive1->SetDrive(other);
        QCOMPARE(w.Dir1->Path(), other);
        QCOMPARE(w.File1->Path(), other);
    }

    void filePathHasOneSeparator() {
        for (auto [folder, expected] : {std::pair{"/", "/a.jpg"},
                                        {"/srv/pictures", "/srv/pictures/a.jpg"},
                                        {"/srv/pictures/", "/srv/pictures/a.jpg"}})
            QCOMPARE(FileListPath(QString::fromUtf8(folder), QStringLiteral("a.jpg")),
                     QString::fromUtf8(expected));
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
        QVERIFY(messages_.isEmpty());
        QCOMPARE(w.PreviewPicturePath, path(name));
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
        const Click portrait{-1, -1};
        // clang-format off
        QTest::newRow("top left then bottom right") << "land.jpg" << Clicks{{1000, 500}, {3000, 2500}}
            << Rect(1818.18, 909.09, 3636.36, 3636.36) << 2;
        QTest::newRow("a third click starts a new rectangle") << "land.jpg" << Clicks{{1000, 500}, {3000, 2500}, {2000, 1000}}
            << Rect(kLand * 2000, kLand * 1000, 3636.36, 3636.36) << 1;
        QTest::newRow("second corner above and left stays negative") << "land.jpg" << Clicks{{3000, 2500}, {1000, 500}}
            << Rect(kLand * 3000, kLand * 2500, -3636.36, -3636.36) << 2;
        QTest::newRow("one click keeps the whole picture's size") << "land.jpg" << Clicks{{1000, 500}}
            << Rect(1818.18, 909.09, 9600, 7200) << 1;
        QTest::newRow("a new file resets the rectangle, not the count") << "land.jpg" << Clicks{{1000, 500}, portrait}
            << Rect(0, 0, 3000, 6000) << 1;
        QTest::newRow("one click before a new file: the next is the second") << "land.jpg"
            << Clicks{{1000, 500}, portrait, {1320, 2640}} << Rect(0, 0, 1500, 3000) << 2;
        QTest::newRow("clicks on the empty preview give zero") << "" << Clicks{{1000, 500}, {3000, 2500}}
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
        for (const Click& c : clicks) {
            if (c.x < 0)
                QVERIFY(pick(w, QStringLiteral("port.bmp")));
            else
                w.Image1_MouseDown(1, 0, c.x, c.y);
        }
        QCOMPARE(Crop(), crop);
        QCOMPARE(int(w.CornerClickCount), count);
    }

    // Any button, any shift state, pixels of the preview counted as 15 twips.
    void mouseOnThePreviewCountsInTwips() {
        sel& w = open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(pick(w, "land.jpg"));
        QTest::mouseClick(w.Image1, Qt::RightButton, {}, QPoint(20, 10));
        QTest::mouseClick(w.Image1, Qt::LeftButton, Qt::ShiftModifier, QPoint(220, 110));
        QCOMPARE(Crop(), Rect(kLand * 300, kLand * 150, kLand * 3000, kLand * 1500));
    }

    void unreadableFilesLeaveThePreviousPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("not a picture") << "broken.jpg";
        QTest::newRow("too large") << "huge.bmp";
        QTest::newRow("broken metafile") << "drawing.emf";
    }
    void unreadableFilesLeaveThePreviousPicture() {
        QFETCH(QString, name);
        sel& w = open();
        QVERIFY(pick(w, "land.jpg"));
        w.Image1_MouseDown(1, 0, 1000, 500);
        w.Image1_MouseDown(1, 0, 3000, 2500);
        const QString crop = Crop();
        const float sx = State().PictureScaleX, sy = State().PictureScaleY;

        QVERIFY(pick(w, name));
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].contains(path(name)), qPrintable(messages_[0]));
        QCOMPARE(w.PreviewPicturePath, path("land.jpg"));
        QCOMPARE(Crop(), crop);
        QCOMPARE(State().PictureScaleX, sx);
        QCOMPARE(State().PictureScaleY, sy);
        QVERIFY(w.Image1->isVisible());
        QCOMPARE(w.Image1Picture().size(), QSize(640, 480));
        w.Command1_Click();
        QCOMPARE(State().InsetPicturePath, path("land.jpg").toStdString());
    }

    void choosingBeforeAnyPictureIsRefused() {
        State().InsetPicturePath = "/earlier/inset.jpg";
        sel& w = open();
        w.Command1_Click();
        w.Command3_Click();
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
        w->Command1_Click();
        QVERIFY(pick(*w, "port.bmp"));
        w->Command3_Click();
        w->Image1_MouseDown(1, 0, 1320, 2640);
        const QString crop = Crop();
        if (how == 0) w->Command4_Click();
        if (how == 1) w->Command2_Click();
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
