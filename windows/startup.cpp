#include "windows/startup.h"

#include <QGuiApplication>
#include <QScreen>

#include "windows/mainwindow.h"

namespace orlenda {

void StartWindows() {
    Form1& main = Windows().ref<Form1>();
    // Upper left, leaving room for the month view at its lower right.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        main.move(area.left() + area.width() / 10, area.top() + area.height() / 12);
    }
    Windows().show<Form1>();
}

}  // namespace orlenda
