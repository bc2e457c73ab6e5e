// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace orlenda {

// Creates the calendar document and the main window and shows it; its first activation
// brings the month view up in front of it. Closing the main window ends the program.
void StartWindows();

}  // namespace orlenda
