#pragma once
// The help window: the usage text and a button that hides it.
#include <QPlainTextEdit>
#include <QPushButton>

#include "windows/registry.h"

namespace orlenda {

class Form2 : public Form {
    Q_OBJECT
  public:
    Form2();

    QPlainTextEdit* Text1;
    QPushButton* Command1;

    // Hides the window; it stays as it was left for the next showing.
    void Command1_Click();

    // The usage text as designed: every line ends with CR LF.
    static QString UsageText();
};

}  // namespace orlenda
