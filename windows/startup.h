#pragma once

namespace orlenda {

// Creates the main window (running its Load) and shows it; its first activation brings
// the month view up in front of it.
void StartWindows();

}  // namespace orlenda
