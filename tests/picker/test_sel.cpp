// The picture chooser: where the lists start, what the file list offers, the preview and
// its scale factors, the corner clicks, the buttons and what survives hide, cancel and close.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "app/messages.h"
#include "core/appstate.h"
#include "picker/sel.h"
#include "testpictures.h"

using namespace orlenda;
using namespace orlenda::test;

namespace {

struct Click {
    float x, y;
};
using Clicks = QVector<Click>;

struct Crop {
    float x, y, width, height;
};

Crop CurrentCrop() {
    const AppState& s = State();
    return {s.CropX, s.CropY, s.CropWidth, s.CropHeight};
}

bool Close(double a, double b) { return std::abs(a - b) <= 1e-3 * std::max(1.0, std::abs(b)); }

}  // namespace

Q_DECLARE_METATYPE(Clicks)

class PictureChooserTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList messages_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Opens the chooser on the test folder and clicks name in the file list.
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
        // Natural sizes in twips: 9600 x 7200, 3000 x 6000, 4500 x 4500, 720 x 720.
        QVERIFY(Quadrants(640, 480).save(path("land.jpg"), "JPEG", 95));
        QVERIFY(Quadrants(200, 400).save(path("port.bmp"), "BMP"));
        QVERIFY(WriteFile(path("square.GIF"), Gif(Quadrants(300, 300))));
        QVERIFY(Quadrants(48, 48).save(path("icon.ico"), "ICO"));
        QVERIFY(WriteFile(path("broken.jpg"), QByteArray("this is not a picture")));
        QVERIFY(WriteFile(path("huge.bmp"), BitmapHeader(16384, 16384)));
        QVERIFY(WriteFile(path("drawing.emf"), MetafileHeader()));
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

    void listsStartInTheProgramFolder() {
        sel& w = Windows().ref<sel>();
        const QString home = QDir::cleanPath(QCoreApplication::applicationDirPath());
        QCOMPARE(w.Dir1->Path(), home);
        QCOMPARE(w.File1->Path(), home);
        QVERIFY(home.startsWith(w.Drive1->Drive()));
        QVERIFY(w.Drive1->findData(QStringLiteral("/")) >= 0);
        QVERIFY(w.Drive1->findData(QDir::cleanPath(QDir::homePath())) >= 0);
        QCOMPARE(w.PreviewBoxWidth, 5280.0);
        QCOMPARE(w.PreviewBoxHeight, 5280.0);
        QVERIFY(w.PreviewPicturePath.isEmpty());
        QVERIFY(w.Image1Picture().isNull());
    }

    void folderAndDriveListsLeadTheFileList() {
        sel& w = Windows().ref<sel>();
        w.Dir1->SetPath(dir_.path());
        QCOMPARE(w.File1->Path(), QDir::cleanPath(dir_.path()));
        // Pictures only, extensions in any case, sorted by name.
        QStringList listed;
        for (int i = 0; i < w.File1->count(); ++i) listed << w.File1->item(i)->text();
        QCOMPARE(listed, (QStringList{"broken.jpg", "drawing.emf", "huge.bmp", "icon.ico",
                                      "land.jpg", "port.bmp", "square.GIF", "upper.JPEG"}));
        // Another drive: the folder list goes to its root, the file list follows.
        const QString home = QDir::cleanPath(QDir::homePath());
        const QString other = w.Drive1->Drive() == home ? QStringLiteral("/") : home;
        w.Drive1->SetDrive(other);
        QCOMPARE(w.Dir1->Path(), other);
        QCOMPARE(w.File1->Path(), other);
    }

    void filePathHasOneSeparator_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root folder") << "/"
                                     << "/a.jpg";
        QTest::newRow("folder") << "/srv/pictures"
                                << "/srv/pictures/a.jpg";
        QTest::newRow("folder with trailing separator") << "/srv/pictures/"
                                                        << "/srv/pictures/a.jpg";
    }
    void filePathHasOneSeparator() {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(FileListPath(folder, QStringLiteral("a.jpg")), expected);
    }

    void previewFitsTheSquareBox_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSizeF>("natural");  // twips
        QTest::addColumn<QSizeF>("preview");  // twips
        QTest::addColumn<double>("scale");
        QTest::newRow("landscape 9600 x 7200")
            << "land.jpg" << QSizeF(9600, 7200) << QSizeF(5280, 3960) << 9600.0 / 5280;
        QTest::newRow("portrait 3000 x 6000")
            << "port.bmp" << QSizeF(3000, 6000) << QSizeF(2640, 5280) << 6000.0 / 5280;
        QTest::newRow("square GIF")
            << "square.GIF" << QSizeF(4500, 4500) << QSizeF(5280, 5280) << 4500.0 / 5280;
        QTest::newRow("icon") << "icon.ico" << QSizeF(720, 720) << QSizeF(5280, 5280)
                              << 720.0 / 5280;
    }
    void previewFitsTheSquareBox() {
        QFETCH(QString, name);
        QFETCH(QSizeF, natural);
        QFETCH(QSizeF, preview);
        QFETCH(double, scale);
        sel& w = open();
        QVERIFY(pick(w, name));
        QVERIFY(messages_.isEmpty());
        QCOMPARE(w.PreviewPicturePath, path(name));
        QVERIFY(w.Image1->isVisible());
        QVERIFY(w.Image1->Stretch());
        QCOMPARE(QSizeF(w.Image1->WidthTwips(), w.Image1->HeightTwips()), preview);
        QCOMPARE(w.Image1->pos(), QPoint(227, 8));  // the box's top left corner
        QVERIFY(Close(State().PictureScaleX, scale));
        QVERIFY(Close(State().PictureScaleY, scale));
        const Crop c = CurrentCrop();
        QCOMPARE(QRectF(c.x, c.y, c.width, c.height), QRectF(QPointF(0, 0), natural));
        // The inset is cut from the picture at its natural resolution.
        QCOMPARE(QSizeF(w.Image1Picture().size() * 15), natural);
        QVERIFY(Near(w.Image1Picture().pixelColor(QuadrantCentres(w.Image1Picture().size())[2]),
                     Qt::blue, 12));
    }

    void cornerClicks_data() {
        QTest::addColumn<Clicks>("clicks");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("count");
        const double k = 9600.0 / 5280;
        QTest::newRow("top left then bottom right")
            << Clicks{{1000, 500}, {3000, 2500}} << 1818.1818 << 909.0909 << 3636.3636 << 3636.3636
            << 2;
        QTest::newRow("a third click starts a new rectangle")
            << Clicks{{1000, 500}, {3000, 2500}, {2000, 1000}} << k * 2000 << k * 1000 << 3636.3636
            << 3636.3636 << 1;
        QTest::newRow("second corner above and left stays negative")
            << Clicks{{3000, 2500}, {1000, 500}} << k * 3000 << k * 2500 << -3636.3636 << -3636.3636
            << 2;
        QTest::newRow("one click keeps the whole picture's size")
            << Clicks{{1000, 500}} << 1818.1818 << 909.0909 << 9600.0 << 7200.0 << 1;
    }
    void cornerClicks() {
        QFETCH(Clicks, clicks);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, count);
        sel& w = open();
        QVERIFY(pick(w, "land.jpg"));
        for (const Click& c : clicks) w.Image1_MouseDown(1, 0, c.x, c.y);
        const Crop got = CurrentCrop();
        QVERIFY2(Close(got.x, x) && Close(got.y, y) && Close(got.width, width) &&
                     Close(got.height, height),
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(got.x)
                                .arg(got.y)
                                .arg(got.width)
                                .arg(got.height)));
        QCOMPARE(int(w.CornerClickCount), count);
    }

    void mouseOnThePreviewCountsInTwips() {
        sel& w = open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(pick(w, "land.jpg"));
        QTest::mouseClick(w.Image1, Qt::RightButton, {}, QPoint(20, 10));
        QTest::mouseClick(w.Image1, Qt::LeftButton, Qt::ShiftModifier, QPoint(220, 110));
        const double k = 9600.0 / 5280;
        const Crop c = CurrentCrop();
        QVERIFY(Close(c.x, k * 300) && Close(c.y, k * 150));
        QVERIFY(Close(c.width, k * 3000) && Close(c.height, k * 1500));
    }

    void oneClickBeforeANewFileCountsAsTheFirst() {
        sel& w = open();
        QVERIFY(pick(w, "land.jpg"));
        w.Image1_MouseDown(1, 0, 1000, 500);
        QVERIFY(pick(w, "port.bmp"));
        const Crop reset = CurrentCrop();
        QCOMPARE(QRectF(reset.x, reset.y, reset.width, reset.height), QRectF(0, 0, 3000, 6000));
        QCOMPARE(int(w.CornerClickCount), 1);
        // The next click is the second corner, measured from (0, 0).
        w.Image1_MouseDown(1, 0, 1320, 2640);
        const Crop c = CurrentCrop();
        QVERIFY(Close(c.x, 0) && Close(c.y, 0));
        QVERIFY(Close(c.width, 1500) && Close(c.height, 3000));
    }

    void clicksOnTheEmptyPreviewGiveZero() {
        sel& w = open();
        w.Image1_MouseDown(1, 0, 1000, 500);
        w.Image1_MouseDown(1, 0, 3000, 2500);
        const Crop c = CurrentCrop();
        QCOMPARE(QRectF(c.x, c.y, c.width, c.height), QRectF(0, 0, 0, 0));
    }

    void unreadableFilesLeaveThePreviousPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("not a picture") << "broken.jpg";
        QTest::newRow("too large") << "huge.bmp";
        QTest::newRow("metafile") << "drawing.emf";
    }
    void unreadableFilesLeaveThePreviousPicture() {
        QFETCH(QString, name);
        sel& w = open();
        QVERIFY(pick(w, "land.jpg"));
        w.Image1_MouseDown(1, 0, 1000, 500);
        w.Image1_MouseDown(1, 0, 3000, 2500);
        const Crop before = CurrentCrop();
        const float sx = State().PictureScaleX, sy = State().PictureScaleY;

        QVERIFY(pick(w, name));
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].contains(path(name)), qPrintable(messages_[0]));
        QCOMPARE(w.PreviewPicturePath, path("land.jpg"));
        const Crop after = CurrentCrop();
        QCOMPARE(QRectF(after.x, after.y, after.width, after.height),
                 QRectF(before.x, before.y, before.width, before.height));
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

    void okHidesAndKeepsEverything() {
        sel* w = &open();
        QVERIFY(pick(*w, "land.jpg"));
        w->Command1_Click();
        QVERIFY(pick(*w, "port.bmp"));
        w->Command3_Click();
        w->Image1_MouseDown(1, 0, 100, 200);
        w->Command4_Click();
        QVERIFY(!w->isVisible());
        QCOMPARE(Windows().find<sel>(), w);
        // The inset path names the first file, the picture to cut is the one shown last.
        QCOMPARE(State().InsetPicturePath, path("land.jpg").toStdString());
        QCOMPARE(State().BackgroundPicturePath, path("port.bmp").toStdString());
        QCOMPARE(Windows().ref<sel>().Image1Picture().size(), QSize(200, 400));
        w = &Windows().show<sel>();
        QCOMPARE(int(w->CornerClickCount), 1);
        QCOMPARE(w->PreviewPicturePath, path("port.bmp"));
    }

    void cancelAfterChoosingEmptiesBothPaths() {
        sel& w = open();
        QVERIFY(pick(w, "land.jpg"));
        w.Command1_Click();
        w.Command3_Click();
        w.Image1_MouseDown(1, 0, 1000, 500);
        const Crop before = CurrentCrop();
        w.Command2_Click();
        QCOMPARE(State().InsetPicturePath, std::string());
        QCOMPARE(State().BackgroundPicturePath, std::string());
        QVERIFY(Windows().find<sel>() == nullptr);
        const Crop after = CurrentCrop();
        QCOMPARE(after.x, before.x);
        QCOMPARE(after.width, before.width);
        // The next opening starts afresh; the scale factors are still the last picture's.
        sel& again = Windows().ref<sel>();
        QVERIFY(again.PreviewPicturePath.isEmpty());
        QVERIFY(again.Image1Picture().isNull());
        QCOMPARE(int(again.CornerClickCount), 0);
        QVERIFY(Close(State().PictureScaleX, 9600.0 / 5280));
    }

    void closingByTheFrameKeepsThePaths() {
        sel& w = open();
        QVERIFY(pick(w, "square.GIF"));
        w.Command1_Click();
        w.close();
        QVERIFY(Windows().find<sel>() == nullptr);
        QCOMPARE(State().InsetPicturePath, path("square.GIF").toStdString());
    }
};

QTEST_MAIN(PictureChooserTest)
#include "test_sel.moc"
