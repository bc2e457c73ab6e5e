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

#include "windows/mainwindow.h"
#include "core/appstate.h"
#include "core/calendar.h"
#include "core/yeardata.h"
#include "windows/documentwindow.h"
#include "windows/greetingeditor.h"
#include "windows/picturechooser.h"
#include "windows/messages.h"
#include "windows/registry.h"

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
    frmpreV* window = nullptr;

    Document() {
        SetMessageSink([](QWidget*, const QString&) {});
        DataReport report;
        const auto record = ReadYearRecord(ORLENDA_DATA_FILE, 2008, report);
        State().SelectedYear = 2008;
        BuildYearCalendar(2008, record ? &*record : nullptr, Model(), &report);
        if (!record) std::fprintf(stderr, "no data: %s\n", report.message.c_str());

        const QString back = dir.filePath("back.bmp");
        Noise(QSize(770, 1000)).save(back);
        Noise(QSize(640, 480)).save(dir.filePath("inset.jpg"));
        sel& chooser = Windows().ref<sel>();
        chooser.Dir1->SetPath(dir.path());
        chooser.File1->SelectFile("inset.jpg");
        chooser.File1_Click();
        State().InsetPicturePath = dir.filePath("inset.jpg").toStdString();
        State().CropX = 600;
        State().CropY = 300;
        State().CropWidth = 4500;
        State().CropHeight = 3000;
        State().BackgroundPicturePath = back.toStdString();
        // Default greeting lines, in the main window's language (that window made hidden).
        Windows().provide<MainWindowView, Form1>();
        Windows().ref<wrd>();

        window = &Windows().ref<frmpreV>();
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
    frmpreV& w = *Doc().window;
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
    frmpreV& w = *Doc().window;
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
    Windows().clear();
    return 0;
}
