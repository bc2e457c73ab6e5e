// SPDX-License-Identifier: GPL-3.0-or-later
// Previewing a 6000 x 4000 JPEG in the picture chooser: the file click as the user meets it,
// and the two decodes behind it (straight to preview size, and the whole picture that the
// inset drawers ask for); and drawing a metafile exported by LibreOffice.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>

#include "bench/photo.h"
#include "document/calendardocument.h"
#include "pictures/emf.h"
#include "pictures/picture.h"
#include "windows/messages.h"
#include "windows/picturechooser.h"

using namespace orlenda;

namespace {

// The photograph-like picture, saved at quality 90.
struct Photo {
    QTemporaryDir dir;
    QString path;
    Photo() {
        path = dir.filePath("photo.jpg");
        bench::PhotoLikePicture().save(path, "JPEG", 90);
    }
};

Photo& TestPhoto() {
    static Photo photo;
    return photo;
}

void BM_FileClickPreview(benchmark::State& state) {
    SetMessageSink([](QWidget*, const QString&) {});
    CalendarDocument doc;
    PictureChooser w(doc);
    w.show();
    w.folderList->setPath(QFileInfo(TestPhoto().path).path());
    w.fileList->selectFile(QStringLiteral("photo.jpg"));
    for (auto _ : state) {
        w.fileChosen();
        benchmark::DoNotOptimize(w.preview->grab());  // the preview painted once
    }
    if (w.previewPath() != TestPhoto().path) state.SkipWithError("the photo did not load");
}
BENCHMARK(BM_FileClickPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodePreviewSize(benchmark::State& state) {
    for (auto _ : state) {
        const QImage preview = PictureFile::Open(TestPhoto().path).decode(QSize(352, 235));
        benchmark::DoNotOptimize(preview.constBits());
    }
}
BENCHMARK(BM_DecodePreviewSize)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeWholePicture(benchmark::State& state) {
    for (auto _ : state) {
        const QImage whole = LoadPicture(TestPhoto().path);
        benchmark::DoNotOptimize(whole.constBits());
    }
    state.counters["MiB"] = double(LoadPicture(TestPhoto().path).sizeInBytes()) / (1 << 20);
}
BENCHMARK(BM_DecodeWholePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderEmf(benchmark::State& state) {
    QFile file(QFileInfo(QStringLiteral(__FILE__))
                   .dir()
                   .filePath(QStringLiteral("../tests/pictures/data/libreoffice.emf")));
    if (!file.open(QIODevice::ReadOnly)) return state.SkipWithError("no libreoffice.emf");
    const QByteArray bytes = file.readAll();
    for (auto _ : state) {
        const EmfResult r = RenderEmf(bytes);
        benchmark::DoNotOptimize(r.image.constBits());
    }
}
BENCHMARK(BM_RenderEmf)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
