// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/startup.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "document/calendardocument.h"
#include "windows/mainwindow.h"
#include "windows/messages.h"
#include "windows/rememberedchoices.h"
#include "windows/windowstyle.h"

namespace orlenda {

void StartWindows() {
    auto* doc = new CalendarDocument;
    auto* remembered = new RememberedChoices(*doc, doc);
    const QStringList said = remembered->load();
    auto* main = new MainWindow(*doc, remembered);
    doc->setParent(main);  // the document lives as long as the window that shows it
    // An end without the main window's close (the session ending) still keeps the choices.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, remembered, &RememberedChoices::save);
    main->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(main, &MainWindow::ended, qApp, &QCoreApplication::quit);
    // Upper left, leaving room for the month view at its lower right.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        main->move(area.left() + area.width() / 10, area.top() + area.height() / 12);
    }
    remembered->keepPlace(main, QStringLiteral("main"));
    BringToFront(main);
    // Told once the windows are up.
    QTimer::singleShot(0, main, [main, said] {
        for (const QString& text : said) ShowMessage(main, text);
    });
}

}  // namespace orlenda
