// SPDX-License-Identifier: GPL-3.0-or-later
// The electronic document by mouse and keyboard: showing, palette, background, scrolling,
// closing, saving, and what each leaves in the document.
#include <QCheckBox>
#include <QColorDialog>
#include <QColorSpace>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>
#include <array>
#include <utility>

#include "document/calendardocument.h"
#include "support/testpictures.h"
#include "support/windowtesting.h"
#include "windows/documentwindow.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const QRect kTitleLine(50, 16, 300, 30);  // pixels of "    2008年" on the picture

// Background, date and greeting colours of a new document.
const std::array<Colour, 3> kDefaults{RGB(128, 255, 128), RGB(0, 0, 0), RGB(255, 0, 0)};

}  // namespace

class DocumentWindowTest : public QObject, public WindowTestBase {
    Q_OBJECT
    QPointer<DocumentWindow> w;

    QStringList take() { return std::exchange(messages, {}); }
    QImage picture() const { return w->documentPicture->box().Image().copy(); }
    // 保存图形, answering its question (returned) if it asks one.
    QString saveAnswering(QMessageBox::StandardButton answer) {
        QString asked;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) asked = box->text(), Click(box->button(answer));
        });
        Click(w->saveButton);
        QCoreApplication::processEvents();
        return asked;
    }
    void checkColours(const std::array<Colour, 3>& expected) {
        QLabel* swatches[] = {w->backgroundSwatch, w->dateSwatch, w->greetingSwatch};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(FromQColor(swatches[i]->palette().color(QPalette::Window)), expected[i]);
        QCOMPARE((std::array{doc->backgroundColour(), doc->dateColour(), doc->greetingColour()}),
                 expected);
    }

  private slots:
    void init() {
        startCase();
        doc->setYear(2008);
        (w = new DocumentWindow(*doc))->show();
    }
    void cleanup() {
        delete w;
        endCase();
        QCOMPARE(messages, QStringList{});
    }

    // A showing draws the main window's year, stepped there by key, which names the file: 2008
    // as the reviewed golden document, pixel for pixel, 2009 otherwise.
    void showingFollowsTheMainWindowsYear() {
        delete w;
        QVERIFY(StartWithMainActive(main()));
        PickFromList(main().yearCombo, QStringLiteral("2008"));
        Click(main().documentButton);
        QVERIFY((w = Find<DocumentWindow>()) && !w->saveButton->isEnabled());
        const QImage golden = QImage(QStringLiteral(ORLENDA_GOLDEN_DIR "/expected/edoc-2008.png"))
                                  .convertToFormat(QImage::Format_RGB32);
        QVERIFY(!golden.isNull());
        for (int year : {2008, 2009}) {
            if (year == 2009) QTest::keyClick(main().yearCombo->lineEdit(), Qt::Key_Down);
            QCOMPARE(main().yearLabel->text(), QString::number(year));
            Click(w->showButton);
            QImage shown = picture().convertToFormat(QImage::Format_RGB32);
            shown.setColorSpace(golden.colorSpace());  // the file's sRGB tag, no conversion
            QVERIFY(w->saveButton->isEnabled());
            QCOMPARE(shown == golden, year == 2008);
            QCOMPARE(w->fileNameEdit->text(), QString::number(year) + QStringLiteral("年历1"));
        }
    }

    // Enter in a box of the selected option; no whole number is refused again on leaving.
    void enter_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("box");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<Colour>("colour");  // the selected colour afterwards
        const QString range = QStringLiteral("取值不得大于255或小于0");
        const QString whole = QStringLiteral("取值必须是0-255间的整数");
        auto row = [](const char* name, int option, int box, QStringList texts, QString refusal,
                      Colour colour) {
            QTest::newRow(name) << option << box << texts << refusal << colour;
        };
        row("255 accepted", 2, 1, {"255", "0", "0"}, "", RGB(255, 0, 0));
        row("256 refused", 2, 0, {"256", "0", "0"}, range, RGB(0, 0, 0));
        row("255.4 is no whole number", 2, 0, {"255.4", "0", "0"}, whole, RGB(0, 0, 0));
        row("1,5 is no whole number", 3, 2, {"1", "2", "1,5"}, whole, RGB(255, 0, 0));
        row("full-width digits; green 300 counts as 255", 3, 2, {"１２", "300", " ５"}, "",
            RGB(12, 255, 5));
    }
    void enter() {
        QFETCH(int, option);
        QFETCH(int, box);
        QFETCH(QStringList, texts);
        QFETCH(QString, refusal);
        QFETCH(Colour, colour);
        QRadioButton* options[] = {w->backgroundOption, w->dateOption, w->greetingOption};
        std::array<Colour, 3> expected = kDefaults;
        Click(options[option - 1]);
        expected[option - 1] = colour;
        for (int i = 0; i < 3; ++i) PasteOver(w->rgbEdits[i], texts[i]);
        QTest::keyClick(w->rgbEdits[box], Qt::Key_Return);
        QCOMPARE(take(), refusal.isEmpty() ? QStringList{} : QStringList{refusal});
        QCOMPARE(w->rgbEdits[box]->text(), texts[box]);
        checkColours(expected);
        if (refusal.endsWith(QStringLiteral("整数"))) {
            QVERIFY(QTest::qWaitForWindowActive(w));
            w->rgbEdits[box]->setFocus();
            QTest::keyClick(w->rgbEdits[box], Qt::Key_Tab);
            QCOMPARE(take(), QStringList{refusal});
            QCOMPARE(QApplication::focusWidget(), w->rgbEdits[box]);
        }
        // Only the background colour reaches the picture.
        QCOMPARE(w->documentPicture->box().Image().pixel(700, 900), ToQColor(expected[0]).rgb());
    }

    // A date colour waits for the next showing, a background colour erases, 恢复默认色 resets.
    void colourChanges() {
        Click(w->showButton);
        const QImage first = picture();
        Click(w->dateOption);
        QColor offered;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* dialog = qobject_cast<QColorDialog*>(modal);
            if (dialog) offered = dialog->currentColor();
            if (dialog) dialog->setCurrentColor(QColor(0, 0, 255));
            if (modal) QMetaObject::invokeMethod(modal, dialog ? "accept" : "close");
        });
        Click(w->colourButton);
        QCOMPARE(offered, QColor(0, 0, 0));
        QCOMPARE(w->rgbEdits[0]->text() + w->rgbEdits[1]->text() + w->rgbEdits[2]->text(), "00255");
        checkColours({kDefaults[0], RGB(0, 0, 255), kDefaults[2]});
        QCOMPARE(picture(), first);
        Click(w->showButton);
        const QImage blue = picture();
        QCOMPARE(PixelsOf(blue, Qt::black, kTitleLine).first, 0);
        QVERIFY(PixelsOf(blue, Qt::blue, kTitleLine).first > 20);

        const QStringList yellowText{"255", "255", "0"};
        for (int i = 0; i < 3; ++i) PasteOver(w->rgbEdits[i], yellowText[i]);
        Click(w->backgroundOption);
        QTest::keyClick(w->rgbEdits[1], Qt::Key_Return);
        QVERIFY(IsBlank(w->documentPicture->box().Image(), QColor(255, 255, 0)));
        Click(w->defaultColoursButton);
        checkColours(kDefaults);
        QVERIFY(IsBlank(w->documentPicture->box().Image(), QColor(128, 255, 128)));
    }

    // Ticked without a picture: the chooser is asked for; with one, it shows at the top left
    // under the calendar until unticked or forgotten by the document.
    void background() {
        QSignalSpy wanted(w, &DocumentWindow::pictureChooserWanted);
        Click(w->useBackgroundCheck);
        QCOMPARE(take(), QStringList{QStringLiteral("请先选择背景图文件")});
        QVERIFY(!w->useBackgroundCheck->isChecked() && wanted.count() == 1);
        QImage blue(100, 80, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(dir.filePath(QStringLiteral("back.bmp"))));
        Click(w->backgroundOption);
        for (int pass = 0; pass < 2; ++pass) {
            doc->setBackgroundPath(dir.filePath(QStringLiteral("back.bmp")));  // by the chooser
            Click(w->useBackgroundCheck);
            QVERIFY(!w->backgroundOption->isChecked() && !w->backgroundOption->isEnabled());
            const QImage image = w->documentPicture->box().Image();
            QVERIFY(image.pixel(99, 79) == qRgb(0, 0, 255) &&
                    image.pixel(100, 80) == qRgb(128, 255, 128));
            Click(w->showButton);
            QVERIFY(PixelsOf(w->documentPicture->box().Image(), Qt::black, kTitleLine).first > 20);
            if (pass == 0)
                Click(w->useBackgroundCheck);
            else
                doc->clearPictures();  // the chooser's 取消
            QVERIFY(!w->useBackgroundCheck->isChecked() && w->backgroundOption->isEnabled());
            QVERIFY(doc->backgroundPicture().isNull());
            QCOMPARE(w->documentPicture->box().Image().pixel(99, 79), qRgb(128, 255, 128));
        }
    }

    // 结束 destroys the window; the next keeps the document's colours. Scrolling by key or wheel
    // redraws to what a single showing draws.
    void closeAndScroll() {
        Click(w->showButton);
        Click(w->dateOption);
        QTest::keyClick(w->rgbEdits[0], Qt::Key_Return);
        QTest::keyClick(w->documentScrollBar, Qt::Key_PageDown);
        Click(w->endButton);
        QTRY_VERIFY(w.isNull());

        (w = new DocumentWindow(*doc))->show();
        QVERIFY(!w->saveButton->isEnabled() && !w->dateOption->isChecked());
        checkColours({kDefaults[0], RGB(255, 255, 255), kDefaults[2]});
        QVERIFY(IsBlank(w->documentPicture->box().Image(), QColor(128, 255, 128)));
        Click(w->showButton);
        const QImage once = picture();
        QScrollBar* s = w->documentScrollBar;
        QCOMPARE((QList<int>{s->value(), s->maximum()}), (QList<int>{0, 7130}));
        QVERIFY(QTest::qWaitForWindowActive(w) && QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QTest::keyClick(s, Qt::Key_Down);
        QCOMPARE(s->value(), 470);
        QWheelEvent wheel(QPointF(100, 100), w->documentPicture->mapToGlobal(QPointF(100, 100)),
                          QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w->documentPicture, &wheel);
        QCOMPARE(s->value(), 920);               // a notch down: the large change
        QCOMPARE(w->documentPicture->y(), -61);  // 920 twips, in whole pixels
        QTest::keyClick(s, Qt::Key_End);
        QCOMPARE(picture(), once);
    }

    // No name, or one the file system cannot take: told, and nothing is written.
    void refusedNames() {
        const QTemporaryDir folder;
        w->saveFolder = folder.path();
        Click(w->showButton);
        for (const char* name :
             {"", "a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"}) {
            PasteOver(w->fileNameEdit, QString::fromUtf8(name));
            QCOMPARE(saveAnswering(QMessageBox::Yes), QString());
            QCOMPARE(
                take(),
                QStringList{*name ? QStringLiteral("文件名不能含有以下字符：\\ / : * ? \" < > |")
                                  : QStringLiteral("请先输入图形的文件名")});
        }
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    // The format by the name's ending (else BMP); a file is replaced only on yes.
    void save_data() {
        QTest::addColumn<QString>("typed");  // empty: the name proposed
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("magic");
        QTest::addColumn<bool>("earlier");  // a file of that name is there already
        // clang-format off
        QTest::newRow("no ending: BMP") << "" << "2008年历1.BMP" << QByteArray("BM") << false;
        QTest::newRow("PNG over a file") << "年历.Png" << "年历.Png" << QByteArray("\x89PNG\r\n") << true;
        QTest::newRow("JPEG as jpg over a file") << "a.JPG" << "a.JPG" << QByteArray("\xFF\xD8\xFF") << true;
        QTest::newRow("JPEG as jpeg") << "b.jpeg" << "b.jpeg" << QByteArray("\xFF\xD8\xFF") << false;
        QTest::newRow("PDF over a file") << "c.pdf" << "c.pdf" << QByteArray("%PDF-") << true;
        QTest::newRow("another ending") << "d.gif" << "d.gif.BMP" << QByteArray("BM") << false;
        // clang-format on
    }
    void save() {
        QFETCH(QString, typed);
        QFETCH(QString, file);
        QFETCH(QByteArray, magic);
        QFETCH(bool, earlier);
        const QString path = dir.filePath(file),
                      asked = path + QStringLiteral(" 已存在。\n是否替换？");
        QVERIFY(!earlier || test::WriteFile(path, "earlier"));
        w->saveFolder = dir.path();
        Click(w->showButton);
        if (!typed.isEmpty()) PasteOver(w->fileNameEdit, typed);
        if (earlier) QCOMPARE(saveAnswering(QMessageBox::No), asked);
        QCOMPARE(take(), QStringList{});
        QCOMPARE(saveAnswering(QMessageBox::Yes), earlier ? asked : QString());
        QCOMPARE(take(), QStringList{QStringLiteral("图形已成功保存在") + path});
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly) && saved.read(magic.size()) == magic);
        if (magic == "BM")  // the picture shown, pixel for pixel
            QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32),
                     picture().convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(DocumentWindowTest)
#include "test_documentwindow.moc"
