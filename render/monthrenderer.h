#pragma once
// One month of the calendar model as lines of text: weekday names, then six week rows of
// day numbers, each with its lunar texts underneath. Drawn on any surface.
#include <cstdint>

#include "core/calendar.h"
#include "graphics/surface.h"

namespace orlenda {

// Clears the surface and draws month (1..12) of model. A step that fails (a month out of
// range) is skipped and the drawing goes on.
void PrintMonthView(Surface& s, const CalendarModel& model, const std::int16_t& month);

}  // namespace orlenda
