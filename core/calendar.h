#pragma once
// The calendar model of one year: Gregorian layout and lunar texts of every day.
#include <array>
#include <cstdint>
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

// The one model the drawers read.
CalendarModel& Model();

// Where the lunar walk stands when MarkFestival looks at a day.
struct LunarWalk {
    int LunarMonthIndex = 0;    // index into YearRecord::LunarMonthDays of the month walked
    std::int16_t LunarDay = 0;  // lunar day of the day walked
    int MonthCounter = 1;       // cell (MonthCounter, WeekRow, DayColumn) of the day walked
    int WeekRow = 1;
    int DayColumn = 1;
};

// Writes a festival name into the walked day's cell of LunarGrid and returns true when the
// day is one; false (and nothing written) otherwise. Called for days that are not the first
// of a lunar month. In a year with a leap month the festival goes to the regular month only.
bool MarkFestival(CalendarModel& model, const YearRecord& record, const LunarWalk& walk);

// Rebuilds the whole model for year. record is the record of that year, or nullptr when
// none could be read: the Gregorian layout is then built and the lunar cells stay blank.
// A year outside the supported range leaves a blank model and fills report; so does a record
// that is malformed, holds another year or does not cover the year, for the lunar cells.
// report is only written when something is wrong.
void BuildYearCalendar(double year, const YearRecord* record, CalendarModel& model,
                       DataReport* report = nullptr);

}  // namespace orlenda
