// SPDX-License-Identifier: GPL-3.0-or-later
// The windows as a module of their own, loaded by the program only when it starts them, so
// that the commands neither load nor relocate Qt Widgets and the print support. The entry
// below is the one symbol the module exports.
#include <QApplication>
#include <QIcon>
#include <QTimer>

#include "windows/qttranslations.h"
#include "windows/startup.h"

extern "C" __attribute__((visibility("default"))) int orlenda_run_windows(int argc, char** argv) {
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
