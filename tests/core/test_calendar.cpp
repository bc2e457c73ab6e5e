// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "tests/core/testfiles.h"

namespace orlenda {
namespace {

using namespace std::chrono;

// The cell of a date: {row, column}, or {0, 0} when no cell holds it.
std::pair<int, int> CellOf(const CalendarModel& model, int month, int day) {
    for (int w = 1; w <= 6; ++w)
        for (int d = 1; d <= 7; ++d)
            if (model.DayGrid[month][w][d] == std::to_string(day)) return {w, d};
    return {0, 0};
}

bool AllLunarBlank(const CalendarModel& model) {
    for (int m = 1; m <= 12; ++m)
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d)
                if (model.LunarGrid[m][w][d] != "      ") return false;
    return true;
}

// Every day of 2000 to 2099 in its civil weekday's column, the 1st in row 1 and each Monday
// after it one row lower; no day after the month's last.
TEST(GregorianLayout, EveryDayInItsWeekdayColumnAndWeekRow) {
    for (int y = kFirstYear; y <= kLastYear; ++y) {
        const CalendarModel model = BuildYearCalendar(y, nullptr);
        for (unsigned m = 1; m <= 12; ++m) {
            const unsigned days = unsigned(year_month_day_last{year{y} / month{m} / last}.day());
            for (unsigned d = 1, row = 1; d <= days; ++d) {
                const int column = int(weekday{sys_days{year{y} / month{m} / d}}.iso_encoding());
                row += column == 1 && d > 1;
                EXPECT_EQ(CellOf(model, int(m), int(d)), std::pair(int(row), column))
                    << y << "-" << m << "-" << d;
            }
            EXPECT_EQ(CellOf(model, int(m), days + 1).first, 0) << y << "-" << m;
        }
    }
}

// Another year's record, years outside 2000 to 2099: lunar cells blank, Gregorian ones only
// for a supported year.
TEST(BuildYearCalendar, RefusesBadRecordsAndYears) {
    YearRecord other = SplitYearFields(test::kLines2000To2010[9]);
    struct {
        double year;
        const YearRecord* record;
        std::string report;
    } cases[] = {
        {2008, nullptr, ""},
        {2008, &other, "the record of 2008, YearText: \"2009\" where the year 2008 belongs"},
        {2100, nullptr, "year 2100 is not supported: the calendar covers 2000 to 2099"},
        {2008.5, nullptr, "year 2008.5 is not a whole year"},
        {std::nan(""), nullptr, "the year is not a number"}};
    for (const auto& c : cases) {
        CalendarModel model;
        YearRecord record = SplitYearFields(test::kLines2000To2010[8]);
        BuildYearCalendar(2008, &record, model);
        ASSERT_FALSE(AllLunarBlank(model));
        DataReport report;
        BuildYearCalendar(c.year, c.record, model, &report);
        EXPECT_EQ(report.message, c.report);
        EXPECT_TRUE(AllLunarBlank(model)) << c.year;
        const bool supported = c.year == 2008;
        EXPECT_EQ(model.built, supported) << c.year;
        // 2008-02-29 was a Friday.
        EXPECT_EQ(CellOf(model, 2, 29), supported ? std::pair(5, 5) : std::pair(0, 0)) << c.year;
    }
}

}  // namespace
}  // namespace orlenda
