// Long use in one process: the electronic document scrolled by keys (every step redraws the
// whole picture), and year sheets written to PDF, the year list stepped on by a key each time.
// Afterwards the peak memory may exceed the peak after a warm-up by less than 5 MB, no file
// may be left open, and the document still draws what a fresh window draws. The counts come
// from ORLENDA_SOAK_SCROLL_STEPS and ORLENDA_SOAK_SHEETS; ORLENDA_SOAK_NO_MEMORY_BOUND=1 only
// reports the memory (sanitizer builds, whose allocator keeps freed memory aside).
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "edoc/frmpreV.h"
#include "picker/controls.h"
#include "picker/sel.h"
#include "printing/yearsheet.h"
#include "support/windowtesting.h"
#include "windowbase/calendardata.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

// Peak resident memory so far, KiB.
long PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    return text.mid(text.indexOf("VmHWM:") + 6).simplified().split(' ').value(0).toLong();
}

int OpenFiles() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System).size());
}

// A picture whose pixels all differ from their neighbours, so nothing compresses it away.
QImage Noise(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 13 + y) % 256, (y * 7) % 256, (x ^ y) % 256));
    return image;
}

}  // namespace

class SoakTest : public QObject, public WindowTestBase {
    Q_OBJECT
    Form1* main_ = nullptr;

    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    frmpreV& document() {
        if (!Windows().find<frmpreV>()) click(main_->Command8);
        return *Windows().find<frmpreV>();
    }

    // Presses keys on the scroll bar until it has moved `steps` times: arrows and pages,
    // now and then to an end, turning at either end. Every change redraws the picture.
    void scroll(int steps) {
        const Qt::Key keys[2][3] = {{Qt::Key_Up, Qt::Key_PageUp, Qt::Key_Home},
                                    {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End}};
        QScrollBar* bar = document().VScroll1;
        int changes = 0;
        const auto c = connect(bar, &QScrollBar::valueChanged, this, [&] { ++changes; });
        bool down = true;
        for (int i = 0; changes < steps; ++i) {
            const int before = bar->value();
            QTest::keyClick(bar, keys[down][i % 8 == 7 ? 1 : i % 97 == 96 ? 2 : 0]);
            if (bar->value() == before) down = !down;
        }
        disconnect(c);
    }

    // Writes `count` sheets, A3 and A4 in turn, the year list stepped on by a key each time
    // (and back at its ends), some in colour.
    void sheets(int count) {
        QComboBox* years = main_->Combo1;
        for (int i = 0; i < count; ++i) {
            const int before = years->currentIndex();
            QTest::keyClick(years, down_ ? Qt::Key_Down : Qt::Key_Up);
            if (years->currentIndex() == before) down_ = !down_;
            QCOMPARE(main_->Label1->text(), years->currentText());
            click(i % 3 ? main_->Option4 : main_->Option3);
            QString error;
            QVERIFY2(WriteYearSheetPdf(dir.filePath(QStringLiteral("sheet.pdf")),
                                       i % 2 ? kPaperA3 : kPaperA4, main_->GatherSheetInputs(),
                                       Model(), &error),
                     qPrintable(error));
        }
    }
    bool down_ = true;

  private slots:
    // The main window on 2008, a photograph as inset and a background picture chosen in the
    // chooser and ticked in the document, the default greeting.
    void initTestCase() {
        startCase();
        State().DataPath = ORLENDA_DATA_FILE;
        main_ = &Windows().ref<Form1>();
        main_->show();
        PickFromList(main_->Combo1, QStringLiteral("2008"));
        QVERIFY(Noise(QSize(640, 480)).save(dir.filePath(QStringLiteral("inset.jpg"))));
        QVERIFY(Noise(QSize(770, 1000)).save(dir.filePath(QStringLiteral("back.bmp"))));
        click(main_->Command5);
        sel& chooser = *Windows().find<sel>();
        chooser.Dir1->SetPath(dir.path());
        const auto pick = [&](const char* name) {
            ClickRow(chooser.File1, chooser.File1->row(chooser.File1->findItems(name, {})[0]));
        };
        pick("back.bmp");
        click(chooser.Command3);
        pick("inset.jpg");
        click(chooser.Command1);
        click(chooser.Command4);
        click(document().Check1);
        QVERIFY(document().Check1->isChecked());
        click(document().Command2);
    }

    void cleanupTestCase() {
        endCase();
        QCOMPARE(messages, QStringList{});
    }

    void longUse() {
        const int steps = qEnvironmentVariableIntValue("ORLENDA_SOAK_SCROLL_STEPS");
        const int count = qEnvironmentVariableIntValue("ORLENDA_SOAK_SHEETS");
        QVERIFY2(steps > 0 && count > 0, "the counts come from the test's environment");
        // Warm-up: font and glyph caches, the PDF engine, image buffers reach their size.
        scroll(200);
        sheets(20);
        const long warm = PeakKiB();
        const int files = OpenFiles();
        QVERIFY(warm > 0 && files > 0);
        scroll(steps);
        sheets(count);
        const long end = PeakKiB();
        qInfo("soak: %d scroll steps, %d sheets: VmHWM %ld KiB after warm-up, %ld KiB at the end",
              steps, count, warm, end);
        QCOMPARE(OpenFiles(), files);

        // Still drawing what a freshly opened window draws.
        PickFromList(main_->Combo1, QStringLiteral("2008"));
        QTest::keyClick(document().VScroll1, Qt::Key_Home);
        click(document().Command2);
        const QImage soaked = document().Picture1->box().Image().copy();
        document().close();
        click(document().Check1);
        click(document().Command2);
        QCOMPARE(soaked, document().Picture1->box().Image());

        if (qEnvironmentVariableIntValue("ORLENDA_SOAK_NO_MEMORY_BOUND"))
            QSKIP("memory figures reported only (sanitizer build)");
        QVERIFY2((end - warm) * 1024 < 5000000,
                 qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(end - warm)));
    }
};

QTEST_MAIN(SoakTest)
#include "test_soak.moc"
