// Long use in one process: the electronic document scrolled step by step (every step clears
// and redraws the whole picture) and year sheets written to PDF one after another. The peak
// memory after the run may exceed the peak after a warm-up by less than 5 MB.
//
// ORLENDA_SOAK_SCROLL_STEPS and ORLENDA_SOAK_SHEETS set the counts (10000 and 1000 when
// unset); ORLENDA_SOAK_NO_MEMORY_BOUND=1 only reports the figures (sanitizer builds, whose
// allocator keeps freed memory in quarantine).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "core/appstate.h"
#include "core/calendar.h"
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

struct Memory {
    long hwmKiB = -1;  // peak resident set so far
    long rssKiB = -1;  // resident set now
};

Memory ReadMemory() {
    Memory m;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return m;
    for (const QByteArray& line : status.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2) continue;
        if (parts[0] == "VmHWM:") m.hwmKiB = parts[1].toLong();
        if (parts[0] == "VmRSS:") m.rssKiB = parts[1].toLong();
    }
    return m;
}

int Count(const char* name, int otherwise) {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue(name, &ok);
    return ok && n >= 0 ? n : otherwise;
}

// A picture whose pixels all differ from their neighbours, so nothing compresses it away.
QImage Noise(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 13 + y) % 256, (y * 7) % 256, (x ^ y) % 256));
    return image;
}

constexpr double kBoundBytes = 5e6;

}  // namespace

class SoakTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList messages_;
    Memory warm_, afterScroll_, end_;

    frmpreV& document() { return Windows().ref<frmpreV>(); }

    // Picks year in the main window and builds it, as the buttons do before drawing.
    void selectYear(int year) {
        Form1& main = Windows().ref<Form1>();
        const int i = main.Combo1->findText(QString::number(year));
        QVERIFY2(i >= 0, qPrintable(QString::number(year)));
        main.Combo1->setCurrentIndex(i);
        main.Combo1_Click();
        BuildSelectedYear(&main);
        QCOMPARE(State().SelectedYear, double(year));
        QVERIFY(State().Record.has_value());
    }

    // Moves the scroll bar `steps` times as a user does: arrows, the track, and dragging the
    // thumb, turning at either end. Every change redraws the picture.
    void scroll(int steps) {
        QScrollBar* bar = document().VScroll1;
        int changes = 0;
        const auto c = connect(bar, &QScrollBar::valueChanged, this, [&] { ++changes; });
        bool down = true;
        for (int i = 0; changes < steps; ++i) {
            const int before = bar->value();
            switch (i % 8) {
                case 6:  // dragging the thumb
                    bar->setValue((i * 977) % (bar->maximum() + 1));
                    break;
                case 7:
                    bar->triggerAction(down ? QAbstractSlider::SliderPageStepAdd
                                            : QAbstractSlider::SliderPageStepSub);
                    break;
                default:
                    bar->triggerAction(down ? QAbstractSlider::SliderSingleStepAdd
                                            : QAbstractSlider::SliderSingleStepSub);
            }
            if (bar->value() == before) down = !down;
        }
        disconnect(c);
        QCOMPARE(changes, steps);
    }

    // Writes `count` sheets, A3 and A4 in turn, each of a different year.
    void sheets(int count, int first) {
        Form1& main = Windows().ref<Form1>();
        const QString path = dir_.filePath(QStringLiteral("sheet.pdf"));
        for (int i = 0; i < count; ++i) {
            selectYear(2000 + (first + i) % 100);
            main.Option4->setChecked(i % 3 != 0);
            QString error;
            QVERIFY2(WriteYearSheetPdf(path, i % 2 ? kPaperA3 : kPaperA4, main.GatherSheetInputs(),
                                       Model(), &error),
                     qPrintable(error));
        }
        if (count == 0) return;
        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        SetMessageSink([this](QWidget*, const QString& text) { messages_ << text; });
        Windows().clear();
        State().Reset();
        ForgetDataProblems();
        State().DataPath = ORLENDA_DATA_FILE;
        Windows().ref<Form1>();

        // An inset cut from a photograph, a background picture, the default greeting.
        QVERIFY(Noise(QSize(640, 480)).save(dir_.filePath(QStringLiteral("inset.jpg"))));
        QVERIFY(Noise(QSize(770, 1000)).save(dir_.filePath(QStringLiteral("back.bmp"))));
        sel& chooser = Windows().ref<sel>();
        chooser.Dir1->SetPath(dir_.path());
        QVERIFY(chooser.File1->SelectFile(QStringLiteral("inset.jpg")));
        chooser.File1_Click();
        QVERIFY(!chooser.Image1Picture().isNull());
        State().InsetPicturePath = dir_.filePath(QStringLiteral("inset.jpg")).toStdString();
        State().CropX = 600;
        State().CropY = 300;
        State().CropWidth = 4500;
        State().CropHeight = 3000;
        State().BackgroundPicturePath = dir_.filePath(QStringLiteral("back.bmp")).toStdString();
        Windows().ref<wrd>();

        selectYear(2008);
        frmpreV& w = document();
        w.Check1->setChecked(true);
        QCOMPARE(w.Picture1->box().Picture().size(), QSize(770, 1000));
        w.Command2_Click();
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
        selectYear(2008);
        warm_ = ReadMemory();
        QVERIFY(warm_.hwmKiB > 0 && warm_.rssKiB > 0);

        QElapsedTimer clock;
        clock.start();
        scroll(steps);
        afterScroll_ = ReadMemory();
        const qint64 scrollMs = clock.restart();
        sheets(count, 20);
        end_ = ReadMemory();
        const qint64 sheetMs = clock.elapsed();

        qInfo("soak: %d scroll steps in %lld ms, %d PDF sheets in %lld ms", steps, scrollMs, count,
              sheetMs);
        qInfo(
            "soak: VmHWM %ld KiB after warm-up, %ld KiB after scrolling, %ld KiB at the end "
            "(growth %+ld KiB)",
            warm_.hwmKiB, afterScroll_.hwmKiB, end_.hwmKiB, end_.hwmKiB - warm_.hwmKiB);
        qInfo(
            "soak: VmRSS %ld KiB after warm-up, %ld KiB after scrolling, %ld KiB at the end "
            "(growth %+ld KiB)",
            warm_.rssKiB, afterScroll_.rssKiB, end_.rssKiB, end_.rssKiB - warm_.rssKiB);

        // Still drawing what a freshly opened window draws.
        selectYear(2008);
        document().VScroll1->setValue(0);  // redraws unless it stands there already
        const QImage soaked = document().Picture1->box().Image().copy();
        Windows().unload<frmpreV>();
        frmpreV& fresh = document();
        fresh.Check1->setChecked(true);
        fresh.Command2_Click();
        QCOMPARE(soaked, fresh.Picture1->box().Image());

        if (qEnvironmentVariableIntValue("ORLENDA_SOAK_NO_MEMORY_BOUND"))
            QSKIP("memory figures reported only (sanitizer build)");
        QVERIFY2(double(end_.hwmKiB - warm_.hwmKiB) * 1024 < kBoundBytes,
                 qPrintable(
                     QStringLiteral("peak memory grew by %1 KiB").arg(end_.hwmKiB - warm_.hwmKiB)));
    }
};

QTEST_MAIN(SoakTest)
#include "test_soak.moc"
