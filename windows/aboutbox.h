// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About box: a message box with the program's title as caption and an OK button.
#include <QString>

class QWidget;

namespace orlenda {

// The About message: six lines joined by CR LF, none after the last.
QString AboutText();
// Shows the About box and returns when the user presses OK.
void ShowAbout(QWidget* parent);

}  // namespace orlenda
