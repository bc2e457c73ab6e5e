#pragma once
// The program started as a person starts it: the month view comes up in front, then the
// person clicks the main window.
#include <QApplication>
#include <QtTest>

#include "windows/mainwindow.h"
#include "windows/startup.h"
#include "windows/monthview.h"
#include "windows/registry.h"

namespace orlenda::testing {

inline Form1& StartWithMainActive() {
    StartWindows();
    (void)QTest::qWaitFor(
        [] { return Windows().find<scr>() && Windows().find<scr>()->isActiveWindow(); });
    Form1& main = *Windows().find<Form1>();
    main.activateWindow();
    (void)QTest::qWaitFor([&] { return main.isActiveWindow() && QApplication::focusWidget(); });
    return main;
}

}  // namespace orlenda::testing
