// SPDX-License-Identifier: GPL-3.0-or-later
// orlenda: with no arguments the windows (QApplication), with a command the command line
// under a QGuiApplication of its own, without widgets.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>

#include "cli/cli.h"
#include "windows/qttranslations.h"
#include "windows/startup.h"

int main(int argc, char** argv) {
    if (argc > 1) return orlenda::RunCommandLine(argc, argv);
    // Without a display Qt aborts, advising to reinstall: say what is missing instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs(
            "orlenda: the windows need a graphical session (no DISPLAY or WAYLAND_DISPLAY); "
            "the commands (orlenda help) run without one\n",
            stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orlenda.Orlenda"));
    orlenda::LoadQtChinese(app);  // without it Qt's buttons stay English; nothing else changes
    orlenda::StartWindows();
    // Looking the icon up in the icon themes took a twelfth of the start-up: it is set once
    // the main window is on its way to the screen.
    QTimer::singleShot(0, &app, [] {
        QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orlenda.Orlenda")));
    });
    return app.exec();
}
