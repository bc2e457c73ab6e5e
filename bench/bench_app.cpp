// SPDX-License-Identifier: GPL-3.0-or-later
// The calendar, the month view, the A4 sheet as PDF and the start-up of the windows, all on
// Qt's offscreen platform with the real china.txt.
//
//   bench_app [benchmark options]        run the benchmarks
//   bench_app --write-photo PATH.jpg     write the 6000 x 4000 test photograph and exit
//   bench_app --startup-once             start the windows once (the start-up benchmark's child)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "bench/photo.h"
#include "core/calendar.h"
#include "core/yeardata.h"
#include "document/calendardocument.h"
#include "printing/yearsheet.h"
#include "windows/mainwindow.h"
#include "windows/messages.h"
#include "windows/monthview.h"
#include "windows/startup.h"

using namespace orlenda;

namespace {

YearRecord Record2008() {
    DataReport report;
    const auto record = ReadYearRecord(ORLENDA_DATA_FILE, 2008, report);
    if (!record) {
        std::fprintf(stderr, "no data: %s\n", report.message.c_str());
        std::exit(1);
    }
    return *record;
}

// The document as the program has it after start-up, with 2008 selected.
std::unique_ptr<CalendarDocument> Document2008() {
    SetMessageSink([](QWidget*, const QString&) {});
    auto doc = std::make_unique<CalendarDocument>();
    doc->setDataPath(ORLENDA_DATA_FILE);
    doc->setYear(2008);
    Record2008();
    return doc;
}

template <class W>
W* FindWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<W*>(w)) return found;
    return nullptr;
}

void BM_BuildYearCalendar(benchmark::State& state) {
    const YearRecord record = Record2008();
    CalendarModel model;
    for (auto _ : state) {
        BuildYearCalendar(2008, &record, model, nullptr);
        benchmark::DoNotOptimize(model.LunarGrid[12][6][7].data());
    }
}
BENCHMARK(BM_BuildYearCalendar)->Unit(benchmark::kMicrosecond);

// The month view: clear and draw one month, then finish the picture as a repaint does.
void BM_MonthViewDraw(benchmark::State& state) {
    const auto doc = Document2008();
    const auto view = std::make_unique<MonthView>(*doc);
    int month = 0;
    for (auto _ : state) {
        month = month % 12 + 1;
        view->monthCombo->setEditText(QString::number(month));
        view->showChosenMonth();
        benchmark::DoNotOptimize(view->monthPicture->box().Image().constBits());
    }
}
BENCHMARK(BM_MonthViewDraw)->Unit(benchmark::kMillisecond);

// What the A4 button produces when no printer is there: the sheet written as a PDF file.
void BM_SheetA4Pdf(benchmark::State& state) {
    const auto doc = Document2008();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.pdf"));
    for (auto _ : state) {
        QString error;
        if (!WriteYearSheetPdf(path, kPaperA4, *doc, &error)) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
    state.counters["KiB"] = double(QFileInfo(path).size()) / 1024;
}
BENCHMARK(BM_SheetA4Pdf)->Unit(benchmark::kMillisecond);

// Watches for the first paint of two windows.
class PaintWatch : public QObject {
  public:
    QWidget* a = nullptr;
    QWidget* b = nullptr;
    bool aPainted = false, bPainted = false;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            aPainted = aPainted || (a && o == a);
            bPainted = bPainted || (b && o == b);
        }
        return false;
    }
};

// One start of the program in this fresh process, as main.cpp starts it, timed from the
// beginning of main: the application object, the main window's load (today's year, the year
// list, the model), its first activation showing the month view, which draws today's month,
// until both windows have been painted. Prints the microseconds taken.
int StartUpOnce(std::chrono::steady_clock::time_point start, int argc, char** argv) {
    // The program finds china.txt in the data folders when it is not beside it.
    QTemporaryDir data;
    QDir(data.path()).mkpath(QStringLiteral("orlenda"));
    QFile::link(QStringLiteral(ORLENDA_DATA_FILE),
                data.filePath(QStringLiteral("orlenda/china.txt")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    QApplication app(argc, argv);
    SetMessageSink([](QWidget*, const QString&) {});
    PaintWatch watch;
    app.installEventFilter(&watch);
    StartWindows();
    watch.a = FindWindow<MainWindow>();
    QElapsedTimer limit;
    limit.start();
    while (!(watch.aPainted && watch.bPainted) && limit.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!watch.b) watch.b = FindWindow<MonthView>();
    }
    const auto end = std::chrono::steady_clock::now();
    if (!(watch.aPainted && watch.bPainted)) return 1;
    std::printf("%lld\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(end - start).count()));
    app.removeEventFilter(&watch);
    delete watch.a;
    return 0;
}

// Start-up in a fresh process each time (windows made again inside one process are not what
// a user starts). The time is the child's own, from main to both windows painted; "process"
// is the whole run as the parent sees it, loading, start-up and exit included.
void BM_StartUpToBothWindowsPainted(benchmark::State& state) {
    double processSeconds = 0;
    for (auto _ : state) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--startup-once")});
        const bool finished = child.waitForFinished(30000);
        processSeconds += clock.nsecsElapsed() / 1e9;
        bool ok = false;
        const long long us = child.readAllStandardOutput().trimmed().toLongLong(&ok);
        if (!finished || child.exitCode() != 0 || !ok) {
            state.SkipWithError("the windows were not both painted within 10 s");
            break;
        }
        state.SetIterationTime(us / 1e6);
    }
    state.counters["process_ms"] =
        benchmark::Counter(processSeconds * 1000, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StartUpToBothWindowsPainted)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(30);

// A photograph-like 6000 x 4000 picture: gradients and many soft shapes, JPEG quality 90.
bool WritePhoto(const char* path) {
    return bench::PhotoLikePicture().save(QString::fromLocal8Bit(path), "JPEG", 90);
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 2 && std::strcmp(argv[1], "--startup-once") == 0)
        return StartUpOnce(start, argc, argv);
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--write-photo") == 0) return WritePhoto(argv[2]) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
