// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The choices and window places kept between runs of the windows, in the user's configuration
// folder (orlenda/orlenda.conf in XDG_CONFIG_HOME, by default ~/.config).
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "document/calendardocument.h"

namespace orlenda {

class PictureChooser;

class RememberedChoices : public QObject {
    Q_OBJECT
  public:
    explicit RememberedChoices(CalendarDocument& doc, QObject* parent = nullptr);
    ~RememberedChoices() override;

    // Puts the remembered choices into the document, before the windows show it. Returns what
    // the person is told (pictures that have gone since).
    QStringList load();
    // Gives w its remembered place (call before its first showing) and remembers the place
    // each time it is hidden or closed.
    void keepPlace(QWidget* w, const QString& name);
    // As keepPlace, and the chooser opens in the folder it was last in.
    void keepChooser(PictureChooser* chooser);
    // Writes everything now: the document's choices, the places of the windows still open.
    void save();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void remember(QWidget* w);

    CalendarDocument& doc_;
    QSettings settings_;
    bool readable_ = true;
    // A change is written a moment later, so that typing writes the file once.
    QTimer saveSoon_;
    std::vector<std::pair<QPointer<QWidget>, QString>> places_;
    bool chooserKept_ = false;  // its folder is kept at the end
};

}  // namespace orlenda
