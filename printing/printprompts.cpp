// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/printprompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace orlenda {

namespace {
PrintPrompts defaults() {
    PrintPrompts p;
    p.askYesNo = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, QStringLiteral("Orlenda"), text,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    };
    p.saveFileName = [](QWidget* parent, const QString& caption, const QString& suggestedPath,
                        const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter);
    };
    return p;
}
}  // namespace

PrintPrompts& PrintDialogs() {
    static PrintPrompts prompts = defaults();
    return prompts;
}

void ResetPrintDialogs() { PrintDialogs() = defaults(); }

}  // namespace orlenda
