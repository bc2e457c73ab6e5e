#include "windows/registry.h"

#include <QApplication>
#include <QPushButton>
#include <memory>

#include "document/calendardocument.h"
#include "windows/calendardata.h"

namespace orlenda {

namespace {
std::unique_ptr<CalendarDocument>& sharedDocument() {
    static std::unique_ptr<CalendarDocument> doc;
    return doc;
}
}  // namespace

CalendarDocument& SharedDocument() {
    auto& doc = sharedDocument();
    if (!doc) {
        doc = std::make_unique<CalendarDocument>();
        const QString data = QString::fromStdString(DataFilePath());
        if (doc->dataPath() != data) doc->setDataPath(data);
    }
    return *doc;
}

Form::Form(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_DeleteOnClose, false); }

bool Form::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    if (e->type() == QEvent::Polish) {
        // Enter on a focused button presses it, as Space does.
        for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(true);
    }
    return QWidget::event(e);
}

void Form::closeEvent(QCloseEvent* e) {
    // Closing by the frame unloads the window.
    e->accept();
    Windows().unloadWindow(this);
}

WindowRegistry::WindowRegistry() {
    quit = [] { QApplication::exit(0); };
}

WindowRegistry& WindowRegistry::instance() {
    static WindowRegistry r;
    return r;
}

void WindowRegistry::bringToFront(QWidget& w) {
    w.show();
    w.raise();
    w.activateWindow();
}

Form& WindowRegistry::createProvided(std::type_index interface) {
    auto it = providers_.find(interface);
    if (it == providers_.end())
        qFatal("no window class provides %s: the layer that owns it is not linked",
               interface.name());
    return it->second();
}

void WindowRegistry::unloadWindow(Form* w) {
    if (!w) return;
    for (auto it = windows_.begin(); it != windows_.end(); ++it) {
        if (it->second == w) {
            windows_.erase(it);
            break;
        }
    }
    w->Form_Unload();
    w->hide();
    w->deleteLater();
}

void WindowRegistry::clear() {
    auto copy = windows_;
    windows_.clear();
    for (auto& [type, w] : copy) {
        if (w) {
            w->hide();
            delete w.data();
        }
    }
    sharedDocument().reset();
}

void WindowRegistry::end() {
    clear();
    if (quit) quit();
}

}  // namespace orlenda
