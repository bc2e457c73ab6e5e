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
#include <utility>

#include "document/calendardocument.h"
#include "pictures/picture.h"
#include "windows/documentwindow.h"
#include "windows/messages.h"

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
    DocumentWindow* window = nullptr;

    Document() {
        SetMessageSink([](QWidget*, const QString&) {});
        doc.setDataPath(ORLENDA_DATA_FILE);
        doc.setYear(2008);
        if (!doc.dataReport().ok())
            std::fprintf(stderr, "no data: %s\n", doc.dataReport().message.c_str());

        const QString back = dir.filePath("back.bmp");
        Noise(QSize(770, 1000)).save(back);
        const QString inset = dir.filePath("inset.jpg");
        Noise(QSize(640, 480)).save(inset);
        doc.setInset(ChosenPicture{inset, LoadPicture(inset)}, Crop{600, 300, 4500, 3000});
        doc.setBackgroundPath(back);

        window = new DocumentWindow(doc);
        window->saveFolder = dir.path();
        window->useBackgroundCheck->setChecked(true);
        window->showCalendar();
        if (window->documentPicture->box().Picture().size() != QSize(770, 1000) ||
            doc.inset().image.isNull() || !doc.dataReport().ok()) {
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
        w.documentScrollBar->setValue(++step % 2 ? 20 : 40);  // draws the whole calendar
        benchmark::DoNotOptimize(w.documentPicture->box().Image().constBits());  // as a repaint
    }
}
BENCHMARK(BM_ScrollRedraw)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(200)
    ->ReportAggregatesOnly(true);

void BM_Save(benchmark::State& state) {
    DocumentWindow& w = *Doc().window;
    for (auto _ : state) w.saveCalendar();
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
    delete std::exchange(Doc().window, nullptr);  // while the application is there
    return 0;
}
