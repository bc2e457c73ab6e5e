// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help window: the usage text and a button that hides it.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "core/yeardata.h"

namespace orlenda {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    // Closing by the frame destroys the window; 关闭 only hides it, as it was left. The text
    // names the years of years, the data file's list.
    explicit HelpWindow(const YearList& years, QWidget* parent = nullptr);

    QPlainTextEdit* usageBox;
    QPushButton* closeButton;

    // The usage text as designed, with the years the data file holds: every line ends with
    // CR LF.
    static QString UsageText(const YearList& years);
};

}  // namespace orlenda
