#pragma once
// One month of the calendar model as lines of text: weekday names, then six week rows of
// day numbers, each with its lunar texts underneath. Drawn on any surface.
#include "core/calendar.h"
#include "graphics/surface.h"

namespace orlenda {

// Clears the surface and draws month (1..12) of model; any other month draws nothing more
// than the cleared surface.
void DrawMonthView(Surface& s, const CalendarModel& model, int month);

}  // namespace orlenda
