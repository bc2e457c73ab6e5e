// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calendar model of one year: Gregorian layout and lunar texts of every day.
#include <array>
#include <string>

#include "yeardata.h"

namespace orlenda {

// Grids are indexed [month 1..12][week row 1..6][column 1..7, Monday = 1]; index 0 unused.
using Grid = std::array<std::array<std::array<std::string, 8>, 7>, 13>;

struct CalendarModel {
    Grid DayGrid;    // "1".."31", or three blanks
    Grid LunarGrid;  // name + two blanks, or six blanks
    std::array<std::string, 7> WeekdayNamesCn;
    std::array<std::string, 7> WeekdayNamesEn;
    std::array<std::string, 12> MonthNamesEn;
    std::array<std::string, 13> LunarMonthNames;
    std::array<std::string, 15> NewMonthLabels;
    std::array<std::string, 32> LunarDayNames;
    bool built = false;
    double year = 0;  // the year last asked for, built or not
};

// Rebuilds the whole model for year. record is the record of that year, or nullptr when
// none could be read: the Gregorian layout is then built and the lunar cells stay blank.
// A year outside the supported range leaves a blank model and fills report; so does a record
// that is malformed, holds another year or does not cover the year, for the lunar cells.
// report is only written when something is wrong.
void BuildYearCalendar(double year, const YearRecord* record, CalendarModel& model,
                       DataReport* report = nullptr);
// The same, the model returned.
CalendarModel BuildYearCalendar(double year, const YearRecord* record,
                                DataReport* report = nullptr);

}  // namespace orlenda
