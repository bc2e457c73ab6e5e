// The electronic document: a full redraw (what every scroll step does) and a save, with a
// 770 x 1000 background picture, the greeting and an inset.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "document/calendardocument.h"
#include "windows/documentwindow.h"
#include "windows/messages.h"
#include "windows/picturechooser.h"

using namespace orlenda;

namespace {

QImage Noise(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 13 + y) % 256, (y * 7) % 256, (x ^ y) % 256));
    return image;
}

struct Document {
    QTemporaryDir dir;
    CalendarDocument doc;
    std::unique_ptr<PictureChooser> chooserWindow;
    std::unique_ptr<DocumentWindow> window;

    Document() {
        SetMessageSink([](QWidget*, const QString&) {});
        DataReport report;
        const auto record = ReadYearRecord(ORLENDA_DATA_FILE, 2008, report);
        doc.setDataPath(ORLENDA_DATA_FILE);
        doc.setYear(2008);
        if (!record) std::fprintf(stderr, "no data: %s\n", report.message.c_str());

        const QString back = dir.filePath("back.bmp");
        Noise(QSize(770, 1000)).save(back);
        Noise(QSize(640, 480)).save(dir.filePath("inset.jpg"));
        chooserWindow = std::make_unique<PictureChooser>(doc);
        PictureChooser& chooser = *chooserWindow;
        chooser.Dir1->SetPath(dir.path());
        chooser.File1->SelectFile("inset.jpg");
        chooser.File1_Click();
        doc.setInset({dir.filePath("inset.jpg"), chooser.Image1Picture()},
                     Crop{600, 300, 4500, 3000});
        doc.setBackgroundPath(back);

        window = std::make_unique<DocumentWindow>(doc);
        window->SaveFolder = dir.path();
        window->Check1->setChecked(true);
        window->Command2_Click();
        if (window->Picture1->box().Picture().size() != QSize(770, 1000) ||
            chooser.Image1Picture().isNull() || !record) {
            std::fprintf(stderr, "the document is not set up as measured\n");
            std::exit(1);
        }
    }
};

Document& Doc() {
    static Document d;
    return d;
}

void BM_ScrollRedraw(benchmark::State& state) {
    DocumentWindow& w = *Doc().window;
    static int step = 0;
    for (auto _ : state) {
        w.VScroll1->setValue(++step % 2 ? 20 : 40);  // clears and draws the whole calendar
        benchmark::DoNotOptimize(w.Picture1->box().Image().constBits());  // as a repaint does
    }
}
BENCHMARK(BM_ScrollRedraw)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(200)
    ->ReportAggregatesOnly(true);

void BM_Save(benchmark::State& state) {
    DocumentWindow& w = *Doc().window;
    for (auto _ : state) w.Command1_Click();
}
BENCHMARK(BM_Save)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(30)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Doc();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Doc().window.reset();
    Doc().chooserWindow.reset();
    return 0;
}
