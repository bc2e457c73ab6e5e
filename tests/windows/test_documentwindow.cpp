// SPDX-License-Identifier: GPL-3.0-or-later
// The electronic document as a person uses it, by mouse and keyboard: a showing draws the
// document's year, greeting and inset; the palette, the background picture, scrolling and
// closing; what each leaves in the document.
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>
#include <array>
#include <utility>

#include "document/calendardocument.h"
#include "support/windowtesting.h"
#include "windows/documentwindow.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

const QRect kTitleLine(50, 16, 300, 30);   // pixels of "    2008年" on the picture
const QRect kGreeting(40, 700, 420, 150);  // of the greeting, left of the inset at (463, 720)

// Background, date and greeting colours of a new document.
const std::array<Colour, 3> kDefaults{RGB(128, 255, 128), RGB(0, 0, 0), RGB(255, 0, 0)};

int Count(const QImage& image, QRect rect, Colour c) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == (ToQColor(c).rgb() & 0xffffff);
    return n;
}

}  // namespace

class DocumentWindowTest : public QObject, public WindowTestBase {
    Q_OBJECT
    std::unique_ptr<CalendarDocument> doc;
    QPointer<DocumentWindow> w;

    QStringList take() { return std::exchange(messages, {}); }
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    QImage picture() const { return w->documentPicture->box().Image().copy(); }
    // The three colours' swatches, and the document's colours they show.
    void checkColours(const std::array<Colour, 3>& expected) {
        QLabel* swatches[] = {w->backgroundSwatch, w->dateSwatch, w->greetingSwatch};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(FromQColor(swatches[i]->palette().color(QPalette::Window)), expected[i]);
        QCOMPARE((std::array{doc->backgroundColour(), doc->dateColour(), doc->greetingColour()}),
                 expected);
    }

  private slots:
    // The document of 2008, as the main window hands it over.
    void init() {
        startCase();
        doc = std::make_unique<CalendarDocument>();
        doc->setDataPath(dataPath());
        doc->setYear(2008);
        (w = new DocumentWindow(*doc))->show();
    }
    void cleanup() {
        delete w;
        doc.reset();
        endCase();
        QCOMPARE(messages, QStringList{});
    }

    // One showing: the title in the date colour, the greeting in the greeting colour, the
    // inset's picture in its 3000-twip box at (6950, 10800); and the document's year.
    void showingDrawsTheDocument() {
        QImage blue(8, 8, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        doc->setInset(ChosenPicture{QStringLiteral("blue.bmp"), blue}, Crop{0, 0, 120, 120});
        QVERIFY(!w->saveButton->isEnabled());
        const QImage shot = w->grab().toImage();  // the buttons as drawn, in the design's pink
        for (QWidget* b : {w->showButton, w->endButton})
            QCOMPARE(shot.pixelColor(b->geometry().topLeft() + QPoint(4, 4)),
                     QColor(255, 128, 255));
        click(w->showButton);
        QVERIFY(w->saveButton->isEnabled());
        const QImage first = picture();
        QVERIFY(Count(first, kTitleLine, RGB(0, 0, 0)) > 20);
        QVERIFY(Count(first, kGreeting, RGB(255, 0, 0)) > 50);
        QVERIFY(first.pixel(464, 721) == qRgb(0, 0, 255) &&
                first.pixel(662, 919) == qRgb(0, 0, 255));
        QCOMPARE(first.pixel(665, 922), qRgb(128, 255, 128));
        doc->setYear(2009);
        click(w->showButton);
        QVERIFY(picture().copy(kTitleLine) != first.copy(kTitleLine));
    }

    // Enter in box `box` with option `option` selected.
    void enter_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("box");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<Colour>("colour");  // the selected colour afterwards
        QTest::addColumn<QString>("boxText");
        auto row = [](const char* name, int option, int box, QStringList texts, bool refused,
                      Colour colour, const char* boxText) {
            QTest::newRow(name) << option << box << texts << refused << colour << QString(boxText);
        };
        row("255 accepted", 2, 1, {"255", "0", "0"}, false, RGB(255, 0, 0), "0");
        row("256 refused", 2, 0, {"256", "0", "0"}, true, RGB(0, 0, 0), "256");
        row("half to even", 2, 0, {"12.5", "13.5", "0.5"}, false, RGB(12, 14, 0), "12.5");
        row("green 300 counts as 255", 3, 0, {"10", "300", "5"}, false, RGB(10, 255, 5), "10");
        row("not a number is 0", 3, 2, {"1", "2", "x"}, false, RGB(1, 2, 0), "0");
        row("background", 1, 2, {"0", "0", "255"}, false, RGB(0, 0, 255), "255");
    }
    void enter() {
        QFETCH(int, option);
        QFETCH(int, box);
        QFETCH(QStringList, texts);
        QFETCH(bool, refused);
        QFETCH(Colour, colour);
        QFETCH(QString, boxText);
        QRadioButton* options[] = {w->backgroundOption, w->dateOption, w->greetingOption};
        std::array<Colour, 3> expected = kDefaults;
        click(options[option - 1]);
        expected[option - 1] = colour;
        for (int i = 0; i < 3; ++i) PasteOver(w->rgbEdits[i], texts[i]);
        QTest::keyClick(w->rgbEdits[box], Qt::Key_Return);
        QCOMPARE(take(),
                 refused ? QStringList{QStringLiteral("取值不得大于255或小于0")} : QStringList{});
        QCOMPARE(w->rgbEdits[box]->text(), boxText);
        checkColours(expected);
        // Only the background colour reaches the picture.
        QCOMPARE(w->documentPicture->box().Image().pixel(700, 900), ToQColor(expected[0]).rgb());
    }

    // A showing gives the same picture however often it is repeated; a new date colour waits
    // for the next showing; a new background colour erases the drawing; 恢复默认色 brings the
    // three defaults back.
    void colourChanges() {
        click(w->showButton);
        const QImage first = picture();
        click(w->showButton);
        QCOMPARE(picture(), first);
        click(w->dateOption);
        const QStringList blueText{"0", "0", "255"}, yellowText{"255", "255", "0"};
        for (int i = 0; i < 3; ++i) PasteOver(w->rgbEdits[i], blueText[i]);
        QTest::keyClick(w->rgbEdits[0], Qt::Key_Return);
        QCOMPARE(picture(), first);
        click(w->showButton);
        const QImage blue = picture();
        QCOMPARE(Count(blue, kTitleLine, RGB(0, 0, 0)), 0);
        QVERIFY(Count(blue, kTitleLine, RGB(0, 0, 255)) > 20);

        for (int i = 0; i < 3; ++i) PasteOver(w->rgbEdits[i], yellowText[i]);
        click(w->backgroundOption);
        QTest::keyClick(w->rgbEdits[1], Qt::Key_Return);
        QVERIFY(IsBlank(w->documentPicture->box().Image(), QColor(255, 255, 0)));
        click(w->defaultColoursButton);
        checkColours(kDefaults);
        QVERIFY(IsBlank(w->documentPicture->box().Image(), QColor(128, 255, 128)));
    }

    // Ticking without a background picture asks for the chooser; with a small picture chosen
    // it shows at the top left corner, under the calendar; unticking, or the document
    // forgetting its pictures, takes it away.
    void background() {
        QSignalSpy wanted(w, &DocumentWindow::pictureChooserWanted);
        click(w->useBackgroundCheck);
        QCOMPARE(take(), QStringList{QStringLiteral("请先选择背景图文件")});
        QVERIFY(!w->useBackgroundCheck->isChecked() && wanted.count() == 1);
        QImage blue(100, 80, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(dir.filePath(QStringLiteral("back.bmp"))));
        click(w->backgroundOption);
        for (int pass = 0; pass < 2; ++pass) {
            doc->setBackgroundPath(dir.filePath(QStringLiteral("back.bmp")));  // by the chooser
            click(w->useBackgroundCheck);
            QVERIFY(!w->backgroundOption->isChecked() && !w->backgroundOption->isEnabled());
            const QImage image = w->documentPicture->box().Image();
            QVERIFY(image.pixel(99, 79) == qRgb(0, 0, 255) &&
                    image.pixel(100, 80) == qRgb(128, 255, 128));
            QCOMPARE(doc->backgroundPicture().size(), QSize(100, 80));
            click(w->showButton);
            QVERIFY(Count(w->documentPicture->box().Image(), kTitleLine, RGB(0, 0, 0)) > 20);
            if (pass == 0)
                click(w->useBackgroundCheck);
            else
                doc->clearPictures();  // the chooser's 取消
            QVERIFY(!w->useBackgroundCheck->isChecked() && w->backgroundOption->isEnabled());
            QVERIFY(doc->backgroundPicture().isNull());
            QCOMPARE(w->documentPicture->box().Image().pixel(99, 79), qRgb(128, 255, 128));
        }
    }

    // 结束 destroys the window: the next one starts afresh, showing the document's colours as
    // they were left. Every scroll step, by key or by the wheel over the picture, draws anew:
    // the result equals a single showing.
    void closeAndScroll() {
        click(w->showButton);
        click(w->dateOption);
        QTest::keyClick(w->rgbEdits[0], Qt::Key_Return);
        QCOMPARE(doc->dateColour(), RGB(255, 255, 255));
        QTest::keyClick(w->documentScrollBar, Qt::Key_PageDown);
        click(w->endButton);
        QTRY_VERIFY(w.isNull());

        (w = new DocumentWindow(*doc))->show();
        QVERIFY(!w->saveButton->isEnabled() && !w->dateOption->isChecked());
        checkColours({kDefaults[0], RGB(255, 255, 255), kDefaults[2]});
        QVERIFY(IsBlank(w->documentPicture->box().Image(), QColor(128, 255, 128)));
        click(w->showButton);
        const QImage once = picture();
        QScrollBar* s = w->documentScrollBar;
        QCOMPARE((QList<int>{s->value(), s->maximum()}), (QList<int>{0, 7130}));
        // A page key on whatever has the focus pages; Tab reaches the scroll bar and its keys.
        QVERIFY(QTest::qWaitForWindowActive(w) && QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QCOMPARE(s->value(), 450);
        for (int i = 0; i < 20 && QApplication::focusWidget() != s; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s);
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
};

QTEST_MAIN(DocumentWindowTest)
#include "test_documentwindow.moc"
