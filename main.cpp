// orlenda: with no arguments the windows, with a command a headless run.
#include <QApplication>

#include "app/cli.h"
#include "app/startup.h"

int main(int argc, char** argv) {
    if (argc > 1) return orlenda::RunCommandLine(argc, argv);
    QApplication app(argc, argv);
    orlenda::StartWindows();
    return app.exec();
}
