// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/startup.h"

#include <QApplication>
#include <QScreen>

#include "document/calendardocument.h"
#include "windows/mainwindow.h"
#include "windows/windowstyle.h"

namespace orlenda {

void StartWindows() {
    auto* doc = new CalendarDocument;
    auto* main = new MainWindow(*doc);
    doc->setParent(main);  // the document lives as long as the window that shows it
    main->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(main, &MainWindow::ended, qApp, &QCoreApplication::quit);
    // Upper left, leaving room for the month view at its lower right.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        main->move(area.left() + area.width() / 10, area.top() + area.height() / 12);
    }
    BringToFront(main);
}

}  // namespace orlenda
