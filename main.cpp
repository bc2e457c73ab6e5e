// orlenda: with no arguments the windows, with a command a headless run.
#include <QApplication>
#include <QIcon>

#include "windows/qttranslations.h"
#include "windows/startup.h"
#include "cli/cli.h"

int main(int argc, char** argv) {
    if (argc > 1) return orlenda::RunCommandLine(argc, argv);
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orlenda.Orlenda"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orlenda.Orlenda")));
    orlenda::LoadQtChinese(app);  // without it Qt's buttons stay English; nothing else changes
    orlenda::StartWindows();
    return app.exec();
}
