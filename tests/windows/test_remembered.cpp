// SPDX-License-Identifier: GPL-3.0-or-later
// Choices at the next start, a damaged settings file, and two device pixels a screen pixel.
#include <QLoggingCategory>
#include <QRadioButton>

#include "support/testpictures.h"
#include "support/windowtesting.h"
#include "windows/documentwindow.h"
#include "windows/greetingeditor.h"
#include "windows/picturechooser.h"
#include "windows/rememberedchoices.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {
int logLines = 0;  // in orlenda.settings
QtMessageHandler passOn = nullptr;
void CountLog(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    qstrcmp(context.category, "orlenda.settings") ? passOn(type, context, text) : void(++logLines);
}
}  // namespace

class RememberedTest : public QObject, public WindowTestBase {
    Q_OBJECT
    QString configFile = qEnvironmentVariable("XDG_CONFIG_HOME") + "/orlenda/orlenda.conf";
    std::unique_ptr<RememberedChoices> remembered;
    QStringList said;

    void start() {
        mainWindow.reset();
        remembered.reset();
        PictureChooser::SetStartFolder({});  // a new run knows no folder but the remembered one
        doc = std::make_unique<CalendarDocument>();
        doc->setDataPath(dataPath());
        remembered = std::make_unique<RememberedChoices>(*doc);
        said = remembered->load();
        mainWindow = std::make_unique<MainWindow>(*doc, remembered.get());
    }
    QByteArray written() const { return test::ReadFile(configFile); }  // as on the disk

  private slots:
    void initTestCase() {  // after QTest's own handler
        passOn = qInstallMessageHandler(CountLog);
        QLoggingCategory::setFilterRules(QStringLiteral("orlenda.settings=true"));
    }
    void init() {
        startCase();
        QFile::remove(configFile);
        logLines = 0;
    }
    void cleanup() {
        mainWindow.reset();
        remembered.reset();
        endCase();
    }

    void choicesComeBack() {
        QVERIFY(QDir().mkpath(dir.filePath("pics")));
        const QString picture = dir.filePath("pics/inset.bmp");
        QVERIFY(test::Quadrants(64, 32).save(picture));  // a picture the chooser lists
        start();
        QVERIFY(StartWithMainActive(main()));
        for (QRadioButton* b : {main().englishRadio, main().colourRadio}) Click(b);
        Click(main().documentButton);
        auto* document = Find<DocumentWindow>();
        // Written a moment after the change, without waiting for the end.
        QTRY_VERIFY_WITH_TIMEOUT(written().contains("english=true"), 5000);
        Click(document->dateOption);
        for (int i = 0; i < 3; ++i) PasteOver(document->rgbEdits[i], QString::number(10 + 10 * i));
        QTest::keyClick(document->rgbEdits[2], Qt::Key_Return);
        // RGB(10, 20, 30), as the document window's colour changes.
        QTRY_VERIFY_WITH_TIMEOUT(written().contains("\ndate=1971210\n"), 5000);

        Click(main().chooseGreetingButton);
        auto* editor = Find<GreetingEditor>();
        PasteOver(editor->greetingLines[3], QStringLiteral("   老同学"));
        PasteOver(editor->fontCombo->lineEdit(), QStringLiteral("隶书"));
        Click(editor->okButton);

        Click(main().choosePictureButton);
        auto* chooser = Find<PictureChooser>();
        QVERIFY(chooser->openFolder(dir.filePath("pics")));
        ClickRow(chooser->fileList, 0);
        QTest::mouseClick(chooser->preview, Qt::LeftButton, {}, {10, 5});
        QTest::mouseClick(chooser->preview, Qt::LeftButton, {}, {100, 40});
        for (QPushButton* b : {chooser->insetButton, chooser->backgroundButton, chooser->okButton})
            Click(b);

        Find<MonthView>()->move(140, 90);
        const Crop crop = doc->insetCrop();
        QVERIFY(crop.width != 0);
        Click(main().endButton);

        start();
        QCOMPARE(said, QStringList());
        QVERIFY(main().englishRadio->isChecked() && main().colourRadio->isChecked());
        QCOMPARE(doc->greetingLines(),
                 (GreetingLines{"Dear", "Happy new year！", "", "   老同学"}));
        QCOMPARE(doc->greetingFont(), QStringLiteral("隶书"));
        QCOMPARE(doc->inset().path, picture);
        QCOMPARE(doc->insetCrop(), crop);
        QCOMPARE(doc->backgroundPath(), picture);
        QCOMPARE(doc->dateColour(), RGB(10, 20, 30));
        QVERIFY(StartWithMainActive(main()));
        QCOMPARE(Find<MonthView>()->pos(), QPoint(140, 90));
        Click(main().choosePictureButton);
        QCOMPARE(Find<PictureChooser>()->folder(), dir.filePath("pics"));
        QCOMPARE(logLines, 0);
    }

    // Each damaged value is passed over with one log line; the sound ones still count.
    void damagedFile_data() {
        QTest::addColumn<QByteArray>("file");
        // English, colour, date colour, pictures the person is told have gone, log lines.
        QTest::addColumn<QList<int>>("expected");
        // clang-format off
        QTest::newRow("garbage bytes") << QByteArray("\xff\xfe[\x01\x00=\n\x80\x81=\x9f[[]]\n=", 16) << QList{0, 0, 0, 0, 1};
        QTest::newRow("wrong types") << QByteArray("version=1\n[print]\nenglish=maybe\ncolour=true\n[colours]\ndate=red\ngreeting=@ByteArray(x)\n") << QList{0, 1, 0, 0, 3};
        QTest::newRow("out of range") << QByteArray("version=1\n[print]\nenglish=true\n[colours]\ndate=16777216\nbackground=-1\n") << QList{1, 0, 0, 0, 2};
        QTest::newRow("newer layout") << QByteArray("version=2\n[print]\nenglish=true\n") << QList{0, 0, 0, 0, 1};
        QTest::newRow("pictures gone") << QByteArray("version=1\n[colours]\ndate=255\n[pictures]\ninset=/nowhere/a.png\nbackground=/nowhere/b.jpg\n") << QList{0, 0, 255, 2, 2};
        // clang-format on
    }
    void damagedFile() {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, expected);
        QVERIFY(QDir().mkpath(QFileInfo(configFile).path()));
        QVERIFY(test::WriteFile(configFile, file));
        start();
        QCOMPARE((QList<int>{doc->english(), doc->colour(), int(doc->dateColour()),
                             int(said.size()), logLines}),
                 expected);
        if (!said.isEmpty())
            QCOMPARE(said[0], QStringLiteral("上次选用的图片已不存在: /nowhere/a.png"));
        // The end writes a sound file in its place; a later program's file is left alone.
        Click(main().endButton);
        if (file.startsWith("version=2"))
            QCOMPARE(written(), file);
        else
            QVERIFY(written().startsWith("[General]\nversion=1\n\n"));
    }

    // A black and a white picture pixel in one screen pixel stay two device pixels.
    void sharpOnHighResolution() {
        MonthView view(*doc);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QImage pair(2, 1, QImage::Format_RGB32);
        pair.fill(Qt::white);
        pair.setPixel(0, 0, qRgb(0, 0, 0));
        view.monthPicture->box().Cls();
        // At screen pixel (400, 290) of the picture, one pixel wide and ten high.
        view.monthPicture->box().PaintPicture(pair, 6000, 4350, 15, 150, 0, 0, 30, 15);
        const QImage shot = view.grab().toImage();
        // Red at device column 2 * (33 + 400) - 1 on: background, black, white, background.
        const int red[] = {192, 0, 255, 192};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(std::abs(qRed(shot.pixel(865 + i, 2 * (13 + 295))) - red[i]) <= 2,
                     qPrintable(QString::number(i)));
        QCOMPARE(view.monthPicture->box().NaturalImage().size(), QSize(417, 305));
    }
};

int main(int argc, char** argv) {
    QTemporaryDir config;  // never the person's own settings
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    RememberedTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_remembered.moc"
