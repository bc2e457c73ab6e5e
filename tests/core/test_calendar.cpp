#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <string>

#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"
#include "tests/core/testfiles.h"

#ifndef ORLENDA_DATA_FILE
#error "ORLENDA_DATA_FILE must name the shipped china.txt"
#endif

namespace orlenda {
namespace {

using namespace std::chrono;

YearRecord Record(const std::string& line) {
    DataReport report;
    auto r = ParseYearLine(line, 1, 0, "test", report);
    EXPECT_TRUE(r) << report.message;
    return r.value_or(YearRecord{});
}

YearRecord RecordOf(int year) {
    if (year == 2014) return Record(test::kLine2014);
    if (year == 2052) return Record(test::kLine2052);
    return Record(test::kLines2000To2010.at(year - 2000));
}

// The cell of a date: {row, column}, or {0, 0} when no cell holds it.
std::pair<int, int> CellOf(const CalendarModel& model, int month, int day) {
    for (int w = 1; w <= 6; ++w)
        for (int d = 1; d <= 7; ++d)
            if (model.DayGrid[month][w][d] == std::to_string(day)) return {w, d};
    return {0, 0};
}

std::string LunarText(const CalendarModel& model, int month, int day) {
    auto [w, d] = CellOf(model, month, day);
    return w ? model.LunarGrid[month][w][d] : "<no cell>";
}

bool AllLunarBlank(const CalendarModel& model) {
    for (int m = 1; m <= 12; ++m)
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d)
                if (model.LunarGrid[m][w][d] != "      ") return false;
    return true;
}

// Column of the 1st (Monday = 1) and rows used.
TEST(GregorianLayout, MonthsStartInTheirColumnAndUseTheirRows) {
    struct {
        int year, month, firstColumn, rows;
    } cases[] = {{2000, 1, 6, 6},   // 2000 starts on Saturday, 31 days: six rows
                 {2001, 1, 1, 5},   // 2001 starts on Monday
                 {2000, 10, 7, 6},  // 31 days from a Sunday
                 {2010, 2, 1, 4},   // 28 days from a Monday: exactly four rows
                 {2000, 5, 1, 5}};  // April 30, 2000 was a Sunday
    for (const auto& c : cases) {
        CalendarModel model;
        BuildYearCalendar(c.year, nullptr, model);
        EXPECT_EQ(CellOf(model, c.month, 1), std::make_pair(1, c.firstColumn))
            << c.year << "-" << c.month;
        int rows = 0;
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d)
                if (model.DayGrid[c.month][w][d] != "   ") rows = w;
        EXPECT_EQ(rows, c.rows) << c.year << "-" << c.month;
    }
}

// Lunar texts of single days from records worked out from astronomy; the dates of festivals
// and leap months are the published ones. `line` replaces the year's record.
struct LunarCase {
    int year, month, day;
    const char* text;
    const char* line = nullptr;
};
class LunarTextTest : public ::testing::TestWithParam<LunarCase> {};

TEST_P(LunarTextTest, DayShowsItsLunarText) {
    const LunarCase& c = GetParam();
    CalendarModel model;
    YearRecord record = c.line ? Record(c.line) : RecordOf(c.year);
    DataReport report;
    BuildYearCalendar(c.year, &record, model, &report);
    EXPECT_TRUE(report.ok()) << report.message;
    EXPECT_EQ(LunarText(model, c.month, c.day), std::string(c.text) + "  ")
        << c.year << "-" << c.month << "-" << c.day;
}

INSTANTIATE_TEST_SUITE_P(
    Days, LunarTextTest,
    ::testing::Values(
        // 2001: January 1 is the 7th of the 12th month, a 29-day month; leap 4th month.
        LunarCase{2001, 1, 1, "初七"}, LunarCase{2001, 1, 23, "廿九"},
        LunarCase{2001, 1, 24, "春节"}, LunarCase{2001, 1, 25, "初二"},
        LunarCase{2001, 2, 22, "三十"}, LunarCase{2001, 2, 23, "二月"},
        LunarCase{2001, 5, 23, "闰四月"}, LunarCase{2001, 6, 21, "五月"},
        LunarCase{2001, 4, 5, "清明"},
        // Qingming on April 4 by 2008's record.
        LunarCase{2008, 4, 4, "清明"}, LunarCase{2008, 4, 5, "廿九"},
        // A leap month repeating a festival's month: the festival stays in the regular one.
        LunarCase{2009, 5, 28, "端午"}, LunarCase{2009, 6, 27, "初五"},
        LunarCase{2006, 7, 31, "七夕"}, LunarCase{2006, 8, 30, "初七"},
        LunarCase{2014, 10, 2, "重阳"}, LunarCase{2014, 11, 1, "初九"},
        LunarCase{2052, 9, 7, "中秋"}, LunarCase{2052, 10, 7, "十五"},
        // January 1, 2014 begins the 12th month: written as day 30 of the 29-day 11th.
        LunarCase{2014, 1, 1, "十二月"}, LunarCase{2014, 1, 2, "初二"},
        // A month's first day shows its label even on the Qingming day.
        LunarCase{2000, 4, 4, "清明"}, LunarCase{2000, 4, 5, "三月"},
        LunarCase{2000, 4, 5, "三月", "2000 0 25 99 30 29 30 30 29 29 30 29 29 30 29 30 30 29 5"}));

// Records that must not drive the walk: lunar cells blank, nothing left of the last build,
// Gregorian cells intact. No spoil: no record at all, which is no error.
struct BadRecordCase {
    const char* name;
    std::function<void(YearRecord&)> spoil;
    std::string report;
};
class BadRecordTest : public ::testing::TestWithParam<BadRecordCase> {};

TEST_P(BadRecordTest, LeavesLunarCellsBlankWithAReport) {
    YearRecord record = RecordOf(2008);
    CalendarModel model;
    BuildYearCalendar(2008, &record, model);
    ASSERT_FALSE(AllLunarBlank(model));
    if (GetParam().spoil) GetParam().spoil(record);
    DataReport report;
    BuildYearCalendar(2008, GetParam().spoil ? &record : nullptr, model, &report);
    EXPECT_EQ(report.message, GetParam().report);
    EXPECT_TRUE(AllLunarBlank(model));
    EXPECT_TRUE(model.built);
    EXPECT_EQ(CellOf(model, 2, 29), std::make_pair(5, 5));  // 2008-02-29 was a Friday
}

INSTANTIATE_TEST_SUITE_P(
    Records, BadRecordTest,
    ::testing::Values(
        BadRecordCase{"NoRecord", nullptr, ""},
        BadRecordCase{"Empty", [](YearRecord& r) { r = YearRecord{}; },
                      "the record of 2008, YearText: missing, expected four digits"},
        BadRecordCase{"OtherYear", [](YearRecord& r) { r = RecordOf(2009); },
                      "the record of 2008, YearText: \"2009\" where the year 2008 belongs"},
        BadRecordCase{"TooFewDays",
                      [](YearRecord& r) {
                          r.Jan1MonthCode = " 1";
                          r.Jan1LunarDay = " 30";
                          for (auto& len : r.LunarMonthDays) len = " 29";
                      },
                      // Jan 1 starts month 2, then 12 x 29 days: 348 days, to 2008-12-13.
                      "the record of 2008, LunarMonthDays: the fourteen lunar months end on "
                      "2008-12-13, before December 31"}),
    [](const auto& info) { return std::string(info.param.name); });

// Years outside 2000 to 2099 are refused, by the model and before the file is opened.
TEST(BuildYearCalendar, RefusesUnsupportedYearsAndLeavesTheModelBlank) {
    const std::pair<double, const char*> cases[] = {
        {1999, "year 1999 is not supported: the calendar covers 2000 to 2099"},
        {2100, "year 2100 is not supported: the calendar covers 2000 to 2099"},
        {1e300, "year 1e+300 is not supported: the calendar covers 2000 to 2099"},
        {2008.5, "year 2008.5 is not a whole year"},
        {std::nan(""), "the year is not a number"}};
    for (auto [year, message] : cases) {
        CalendarModel model;
        YearRecord record = RecordOf(2008);
        BuildYearCalendar(2008, &record, model);
        DataReport report;
        BuildYearCalendar(year, &record, model, &report);
        EXPECT_EQ(report.message, message);
        EXPECT_FALSE(model.built);
        EXPECT_TRUE(AllLunarBlank(model)) << year;
        EXPECT_EQ(CellOf(model, 1, 1), std::make_pair(0, 0)) << year;
        if (year == 1999 || year == 2100) {
            DataReport readReport;
            EXPECT_FALSE(
                ReadYearRecord("/nonexistent/china.txt", static_cast<int>(year), readReport));
            EXPECT_EQ(readReport.message, message);
        }
    }
}

// Every month of 2000 to 2099: its 1st in the civil weekday's column, its last day in the
// grid and no day after it.
TEST(GregorianLayout, EveryMonthStartsOnItsWeekdayAndHasItsDays) {
    for (int y = kFirstYear; y <= kLastYear; ++y) {
        CalendarModel model;
        BuildYearCalendar(y, nullptr, model);
        for (unsigned m = 1; m <= 12; ++m) {
            const year_month_day_last end{year{y} / month{m} / last};
            const unsigned days = static_cast<unsigned>(end.day());
            const int day1Column = CellOf(model, int(m), 1).second;
            EXPECT_EQ(day1Column, int(weekday{sys_days{year{y} / month{m} / 1}}.iso_encoding()))
                << y << "-" << m;
            EXPECT_NE(CellOf(model, int(m), int(days)).first, 0) << y << "-" << m;
            EXPECT_EQ(CellOf(model, int(m), int(days) + 1).first, 0) << y << "-" << m;
        }
    }
}

}  // namespace
}  // namespace orlenda
