// SPDX-License-Identifier: GPL-3.0-or-later
// The electronic document: a full redraw (what every scroll step does) and a save, with a
// 770 x 1000 background picture, the greeting and an inset.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "document/calendardocument.h"
#include "output/imagesave.h"
#include "render/yearrenderer.h"

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
    PictureBox picture{kDocumentWidth, kDocumentHeight};

    Document() {
        doc.setDataPath(QStringLiteral(ORLENDA_DATA_FILE));
        doc.setYear(2008);
        doc.setInset({dir.filePath("inset.jpg"), Noise(QSize(640, 480))}, {600, 300, 4500, 3000});
        doc.setBackgroundPath(dir.filePath("back.bmp"));
        doc.setBackgroundPicture(Noise(QSize(770, 1000)));
        DrawDocumentPicture(picture, doc);
        if (!doc.dataReport().ok()) {
            std::fprintf(stderr, "no data: %s\n", doc.dataReport().message.c_str());
            std::exit(1);
        }
    }
};

Document& Doc() {
    static Document d;
    return d;
}

void BM_ScrollRedraw(benchmark::State& state) {
    Document& d = Doc();
    for (auto _ : state) {
        DrawDocumentPicture(d.picture, d.doc);
        benchmark::DoNotOptimize(d.picture.Image().constBits());  // as a repaint does
    }
}
BENCHMARK(BM_ScrollRedraw)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(200)
    ->ReportAggregatesOnly(true);

void BM_Save(benchmark::State& state) {
    Document& d = Doc();
    const QString path = d.dir.filePath(QStringLiteral("2008年历1.BMP"));
    for (auto _ : state) {
        const QString error =
            SaveImageWhole(d.picture.Image().convertToFormat(QImage::Format_RGB888), path, "bmp");
        if (!error.isEmpty()) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
}
BENCHMARK(BM_Save)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(30)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Doc();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
