// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The days of a year with their lunar dates, walked through the fourteen month lengths of
// the year's record. The calendar and the record check share this one walk.
#include <chrono>
#include <functional>

#include "yeardata.h"

namespace orlenda {

struct LunarDate {
    std::chrono::year_month_day date;
    int monthIndex = 0;  // index into YearRecord::LunarMonthDays of the month holding date
    int day = 0;         // day of that lunar month
    // The walk reached the month's first day from the end of the month before: the day shows
    // the month's label. A record's January 1 given as day 1 is not such a day.
    bool monthStart = false;
};

// Visits January 1 to December 31 of year in order, each day with its lunar date, and returns
// the last day visited: December 31, or the last day of the fourteenth month when the months
// end before the year does. The record's numeric fields must be in range (CheckYearRecord's
// field checks); January 1 may be one past its month's end, the next month's first day.
std::chrono::year_month_day WalkLunarYear(int year, const YearRecord& record,
                                          const std::function<void(const LunarDate&)>& visit);

}  // namespace orlenda
