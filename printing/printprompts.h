// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The questions printing may have to ask the user. They are replaceable so that tests can
// answer them without a human.
#include <QString>
#include <functional>

class QWidget;

namespace orlenda {

struct PrintPrompts {
    // A yes/no question; true means yes.
    std::function<bool(QWidget* parent, const QString& text)> askYesNo;
    // Where to save a file, suggesting suggestedPath; empty when the user cancels.
    std::function<QString(QWidget* parent, const QString& caption, const QString& suggestedPath,
                          const QString& filter)>
        saveFileName;
};

// The prompts in use; they start as a message box and the platform's save dialog.
PrintPrompts& PrintDialogs();
// Back to the message box and the save dialog.
void ResetPrintDialogs();

}  // namespace orlenda
