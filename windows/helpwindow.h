// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help window: the usage text and a button that hides it.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace orlenda {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    // Closing by the frame destroys the window; 关闭 only hides it, as it was left.
    explicit HelpWindow(QWidget* parent = nullptr);

    QPlainTextEdit* usageBox;
    QPushButton* closeButton;

    // The usage text as designed: every line ends with CR LF.
    static QString UsageText();
};

}  // namespace orlenda
