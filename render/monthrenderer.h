// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One month of the calendar model as lines of text: weekday names, then six week rows of
// day numbers, each with its lunar texts underneath. Drawn on any surface.
#include "core/calendar.h"
#include "graphics/surface.h"

namespace orlenda {

// The row (1 or 2) of a block or month view where the month's first week is drawn. The
// month's title always has the first cell of the first row, so a month that begins on a Monday
// moves its weeks one row down, leaving the title a row of its own; such a month never needs
// the sixth row, so the block keeps its height.
int FirstWeekRow(const CalendarModel& model, int month);

// Clears the surface and draws month (1..12) of model; any other month draws nothing more
// than the cleared surface. The day markedDay (1..31; 0 for none), today in the month shown,
// stands on a highlight with its lunar text.
void DrawMonthView(Surface& s, const CalendarModel& model, int month, int markedDay = 0);

}  // namespace orlenda
