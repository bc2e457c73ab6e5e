// Long use in one process: the electronic document scrolled step by step (every step clears
// and redraws the whole picture) and year sheets written to PDF one after another. Afterwards
// the peak memory may exceed the peak after a warm-up by less than 5 MB, no file handle may be
// left open, and the document still draws what a fresh window draws.
//
// ORLENDA_SOAK_SCROLL_STEPS and ORLENDA_SOAK_SHEETS set the counts (10000 and 1000 when
// unset); ORLENDA_SOAK_NO_MEMORY_BOUND=1 only reports the memory (sanitizer builds, whose
// allocator keeps freed memory in quarantine).
#include <QCheckBox>
#include <QComboBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "core/appstate.h"
#include "edoc/frmpreV.h"
#include "greeting/wrd.h"
#include "picker/controls.h"
#include "picker/sel.h"
#include "printing/yearsheet.h"
#include "windowbase/calendardata.h"
#include "windowbase/messages.h"
#include "windowbase/registry.h"

using namespace orlenda;

namespace {

// Peak resident memory so far, KiB.
long PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.simplified().split(' ').value(1).toLong();
    return -1;
}

int OpenFiles() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System).size());
}

int Count(const char* name, int otherwise) {
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : otherwise;
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

class SoakTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList messages_;

    frmpreV& document() { return Windows().ref<frmpreV>(); }

    // Picks year in the main window and builds it, as the buttons do before drawing.
    void selectYear(int year) {
        Form1& main = Windows().ref<Form1>();
        main.Combo1->setCurrentIndex(main.Combo1->findText(QString::number(year)));
        main.Combo1_Click();
        BuildSelectedYear(&main);
        QCOMPARE(State().SelectedYear, double(year));
    }

    // Moves the scroll bar `steps` times as a user does: arrows, the track, and dragging the
    // thumb, turning at either end. Every change redraws the picture.
    void scroll(int steps) {
        using A = QAbstractSlider;
        const A::SliderAction actions[2][2] = {{A::SliderSingleStepSub, A::SliderSingleStepAdd},
                                               {A::SliderPageStepSub, A::SliderPageStepAdd}};
        QScrollBar* bar = document().VScroll1;
        int changes = 0;
        const auto c = connect(bar, &QScrollBar::valueChanged, this, [&] { ++changes; });
        bool down = true;
        for (int i = 0; changes < steps; ++i) {
            const int before = bar->value();
            if (i % 8 == 6)
                bar->setValue((i * 977) % (bar->maximum() + 1));
            else
                bar->triggerAction(actions[i % 8 == 7][down]);
            if (bar->value() == before) down = !down;
        }
        disconnect(c);
    }

    // Writes `count` sheets, A3 and A4 in turn, each of a different year, some in colour.
    void sheets(int count, int first) {
        Form1& main = Windows().ref<Form1>();
        for (int i = 0; i < count; ++i) {
            selectYear(2000 + (first + i) % 100);
            main.Option4->setChecked(i % 3 != 0);
            QString error;
            QVERIFY2(WriteYearSheetPdf(dir_.filePath(QStringLiteral("sheet.pdf")),
                                       i % 2 ? kPaperA3 : kPaperA4, main.GatherSheetInputs(),
                                       Model(), &error),
                     qPrintable(error));
        }
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        SetMessageSink([this](QWidget*, const QString& text) { messages_ << text; });
        State().DataPath = ORLENDA_DATA_FILE;
        Windows().ref<Form1>();

        // An inset cut from a photograph, a background picture, the default greeting.
        QVERIFY(Noise(QSize(640, 480)).save(dir_.filePath(QStringLiteral("inset.jpg"))));
        QVERIFY(Noise(QSize(770, 1000)).save(dir_.filePath(QStringLiteral("back.bmp"))));
        sel& chooser = Windows().ref<sel>();
        chooser.Dir1->SetPath(dir_.path());
        QVERIFY(chooser.File1->SelectFile(QStringLiteral("inset.jpg")));
        QCOMPARE(chooser.Image1Picture().size(), QSize(640, 480));
        State().InsetPicturePath = dir_.filePath(QStringLiteral("inset.jpg")).toStdString();
        State().CropX = 600;
        State().CropY = 300;
        State().CropWidth = 4500;
        State().CropHeight = 3000;
        State().BackgroundPicturePath = dir_.filePath(QStringLiteral("back.bmp")).toStdString();
        Windows().ref<wrd>();
        selectYear(2008);
        document().Check1->setChecked(true);
        QCOMPARE(document().Picture1->box().Picture().size(), QSize(770, 1000));
        document().Command2_Click();
    }

    void cleanupTestCase() {
        Windows().clear();
        QCOMPARE(messages_, QStringList{});
    }

    void longUse() {
        const int steps = Count("ORLENDA_SOAK_SCROLL_STEPS", 10000);
        const int count = Count("ORLENDA_SOAK_SHEETS", 1000);
        // Warm-up: font and glyph caches, the PDF engine, image buffers reach their size.
        scroll(200);
        sheets(20, 0);
        const long warm = PeakKiB();
        const int files = OpenFiles();
        QVERIFY(warm > 0 && files > 0);
        scroll(steps);
        sheets(count, 20);
        const long end = PeakKiB();
        qInfo("soak: %d scroll steps, %d sheets: VmHWM %ld KiB after warm-up, %ld KiB at the end",
              steps, count, warm, end);
        QCOMPARE(OpenFiles(), files);

        // Still drawing what a freshly opened window draws.
        selectYear(2008);
        document().VScroll1->setValue(0);  // redraws unless it stands there already
        const QImage soaked = document().Picture1->box().Image().copy();
        Windows().unload<frmpreV>();
        document().Check1->setChecked(true);
        document().Command2_Click();
        QCOMPARE(soaked, document().Picture1->box().Image());

        if (qEnvironmentVariableIntValue("ORLENDA_SOAK_NO_MEMORY_BOUND"))
            QSKIP("memory figures reported only (sanitizer build)");
        QVERIFY2((end - warm) * 1024 < 5000000,
                 qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(end - warm)));
    }
};

QTEST_MAIN(SoakTest)
#include "test_soak.moc"
