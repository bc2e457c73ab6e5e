#pragma once
// Every window exists at most once. Referencing a window that does not exist creates it
// hidden and runs its Form_Load; unloading destroys it so the next reference starts afresh.
#include <QCloseEvent>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <type_traits>
#include <typeindex>

namespace orlenda {

// Base of every window: Load on creation, Activate when it becomes the active window,
// closing by the frame unloads it.
class Form : public QWidget {
    Q_OBJECT
  public:
    explicit Form(QWidget* parent = nullptr);
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    // Runs when the window is being unloaded (by the frame or by code).
    virtual void Form_Unload() {}

  protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
};

class WindowRegistry {
  public:
    static WindowRegistry& instance();

    // W may be a window class or an interface a window class implements (see provide).
    template <class W>
    W* find() {
        if constexpr (std::is_abstract_v<W>) {
            for (auto& [type, w] : windows_)
                if (auto* found = dynamic_cast<W*>(w.data())) return found;
            return nullptr;
        } else {
            auto it = windows_.find(std::type_index(typeid(W)));
            if (it == windows_.end() || !it->second) return nullptr;
            return static_cast<W*>(it->second.data());
        }
    }

    // Creates the window hidden (running its Form_Load) when it does not exist.
    template <class W>
    W& ref() {
        if (W* w = find<W>()) return *w;
        if constexpr (std::is_abstract_v<W>) {
            return dynamic_cast<W&>(createProvided(std::type_index(typeid(W))));
        } else {
            return create<W>();
        }
    }

    // A lower layer may know a window only by an interface; the layer that owns the window
    // names the class that a reference to the interface creates.
    template <class Interface, class W>
    void provide() {
        providers_[std::type_index(typeid(Interface))] = [this]() -> Form& { return ref<W>(); };
    }

    // Shows the window modeless, creating it first if needed, and brings it to the front.
    template <class W>
    W& show() {
        W& w = ref<W>();
        bringToFront(w);
        return w;
    }

    template <class W>
    void hide() {
        if (W* w = find<W>()) w->hide();
    }

    template <class W>
    void unload() {
        if (W* w = find<W>()) unloadWindow(w);
    }

    // Destroys a window; the next reference creates it afresh.
    void unloadWindow(Form* w);
    // Ends the program: every window closes without further events.
    void end();
    // Forgets every window (tests use it between cases).
    void clear();

    // How the program ends; tests replace it.
    std::function<void()> quit;

  private:
    WindowRegistry();
    template <class W>
    W& create() {
        W* w = new W();
        windows_[std::type_index(typeid(W))] = w;
        w->Form_Load();
        return *w;
    }
    Form& createProvided(std::type_index interface);
    void bringToFront(QWidget& w);
    std::map<std::type_index, QPointer<Form>> windows_;
    std::map<std::type_index, std::function<Form&()>> providers_;
};

inline WindowRegistry& Windows() { return WindowRegistry::instance(); }

class CalendarDocument;
// The calendar document that the picture chooser and the electronic document edit, filled by
// the main window and the greeting editor while they still keep their choices themselves;
// made on first use from the data file of the state, and forgotten by clear().
CalendarDocument& SharedDocument();

}  // namespace orlenda
