#pragma once
// The main window as the windows below it see it: the month view and the greeting editor read
// its year and its language, but it is made in the layer above them. A reference through the
// registry, Windows().ref<MainWindowView>(), still creates it hidden (running its Form_Load)
// when it does not exist yet.
#include <QString>

#include "windows/registry.h"

namespace orlenda {

class MainWindowView : public Form {
    Q_OBJECT
  public:
    using Form::Form;
    // Label1's caption: the selected year as text.
    virtual QString yearCaption() const = 0;
    // Option2 ("中文"): Chinese greeting defaults wanted.
    virtual bool chineseSelected() const = 0;
};

}  // namespace orlenda
