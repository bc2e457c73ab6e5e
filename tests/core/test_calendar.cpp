#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <string>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "tests/core/testfiles.h"

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

// Every day of every supported year sits in the column of its weekday (checked against the
// standard library's civil calendar), row 1 holding the 1st and rows following in order;
// all other cells are blank.
TEST(GregorianLayout, MatchesTheCivilCalendarFrom2000To2099) {
    CalendarModel model;
    for (int y = kFirstYear; y <= kLastYear; ++y) {
        BuildYearCalendar(y, nullptr, model);
        ASSERT_TRUE(model.built) << y;
        for (unsigned m = 1; m <= 12; ++m) {
            year_month_day first{year{y}, month{m}, day{1}};
            unsigned length =
                static_cast<unsigned>(year_month_day_last{year{y}, month_day_last{month{m}}}.day());
            unsigned firstColumn = weekday{sys_days{first}}.iso_encoding();
            int filled = 0;
            for (int w = 1; w <= 6; ++w)
                for (int d = 1; d <= 7; ++d) {
                    int slot = (w - 1) * 7 + d - static_cast<int>(firstColumn);  // 0 = the 1st
                    std::string expected = slot >= 0 && slot < static_cast<int>(length)
                                               ? std::to_string(slot + 1)
                                               : "   ";
                    ASSERT_EQ(model.DayGrid[m][w][d], expected)
                        << y << "-" << m << " " << w << "," << d;
                    if (expected != "   ") ++filled;
                }
            ASSERT_EQ(filled, static_cast<int>(length)) << y << "-" << m;
        }
    }
}

struct RowsCase {
    int year, month;
    int firstColumn;  // weekday of the 1st, Monday = 1
    int rows;         // rows the month occupies
};
class MonthRowsTest : public ::testing::TestWithParam<RowsCase> {};

TEST_P(MonthRowsTest, OccupiesItsRows) {
    const RowsCase& c = GetParam();
    CalendarModel model;
    BuildYearCalendar(c.year, nullptr, model);
    EXPECT_EQ(CellOf(model, c.month, 1), std::make_pair(1, c.firstColumn));
    int rows = 0;
    for (int w = 1; w <= 6; ++w)
        for (int d = 1; d <= 7; ++d)
            if (model.DayGrid[c.month][w][d] != "   ") rows = w;
    EXPECT_EQ(rows, c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Months, MonthRowsTest,
    ::testing::Values(RowsCase{2000, 1, 6, 6},   // 2000 starts on Saturday, 31 days: six rows
                      RowsCase{2001, 1, 1, 5},   // 2001 starts on Monday
                      RowsCase{2000, 10, 7, 6},  // 31 days from a Sunday
                      RowsCase{2001, 4, 7, 6},   // 30 days from a Sunday
                      RowsCase{2010, 2, 1, 4},   // 28 days from a Monday: exactly four rows
                      RowsCase{2015, 2, 7, 5},
                      RowsCase{2000, 5, 1, 5},  // April 30, 2000 was a Sunday
                      RowsCase{2099, 12, 2, 5}));

// Lunar texts of single days; the years' records come from astronomy, the dates of
// festivals and leap months from published calendars.
struct LunarCase {
    int year, month, day;
    const char* text;
};
class LunarTextTest : public ::testing::TestWithParam<LunarCase> {};

TEST_P(LunarTextTest, DayShowsItsLunarText) {
    const LunarCase& c = GetParam();
    CalendarModel model;
    YearRecord record = RecordOf(c.year);
    DataReport report;
    BuildYearCalendar(c.year, &record, model, &report);
    EXPECT_TRUE(report.ok()) << report.message;
    EXPECT_EQ(LunarText(model, c.month, c.day), std::string(c.text) + "  ")
        << c.year << "-" << c.month << "-" << c.day;
}

INSTANTIATE_TEST_SUITE_P(
    Days, LunarTextTest,
    ::testing::Values(
        // 2001: January 1 is the 7th of the 12th month; leap 4th month.
        LunarCase{2001, 1, 1, "初七"}, LunarCase{2001, 1, 23, "廿九"},
        LunarCase{2001, 1, 24, "春节"}, LunarCase{2001, 1, 25, "初二"},
        LunarCase{2001, 2, 22, "三十"}, LunarCase{2001, 2, 23, "二月"},
        LunarCase{2001, 4, 22, "廿九"}, LunarCase{2001, 4, 23, "四月"},
        LunarCase{2001, 5, 23, "闰四月"}, LunarCase{2001, 6, 21, "五月"},
        LunarCase{2001, 4, 5, "清明"}, LunarCase{2001, 4, 4, "十一"},
        // 2008, with its published festivals.
        LunarCase{2008, 1, 1, "廿三"}, LunarCase{2008, 1, 8, "十二月"},
        LunarCase{2008, 2, 7, "春节"}, LunarCase{2008, 4, 4, "清明"}, LunarCase{2008, 4, 5, "廿九"},
        LunarCase{2008, 6, 8, "端午"}, LunarCase{2008, 8, 7, "七夕"},
        LunarCase{2008, 9, 14, "中秋"}, LunarCase{2008, 10, 7, "重阳"},
        LunarCase{2008, 12, 31, "初五"},
        // Leap months that repeat a festival's month: the festival stays in the regular one.
        LunarCase{2009, 5, 28, "端午"}, LunarCase{2009, 6, 23, "闰五月"},
        LunarCase{2009, 6, 27, "初五"}, LunarCase{2009, 7, 22, "六月"},
        LunarCase{2006, 7, 31, "七夕"}, LunarCase{2006, 8, 24, "闰七月"},
        LunarCase{2006, 8, 30, "初七"}, LunarCase{2006, 9, 22, "八月"},
        LunarCase{2014, 10, 2, "重阳"}, LunarCase{2014, 10, 24, "闰九月"},
        LunarCase{2014, 11, 1, "初九"}, LunarCase{2014, 11, 22, "十月"},
        LunarCase{2052, 9, 7, "中秋"}, LunarCase{2052, 9, 23, "闰八月"},
        LunarCase{2052, 10, 7, "十五"},
        // Qingming on April 4 in 2000 replaces 二月三十; April 5 starts the 3rd month.
        LunarCase{2000, 4, 4, "清明"}, LunarCase{2000, 4, 5, "三月"}));

// Published Spring Festival dates: 春节 on that day and on no other day of the year.
struct SpringCase {
    int year, month, day;
};
class SpringFestivalTest : public ::testing::TestWithParam<SpringCase> {};

TEST_P(SpringFestivalTest, FallsOnThePublishedDateOnly) {
    const SpringCase& c = GetParam();
    CalendarModel model;
    YearRecord record = RecordOf(c.year);
    BuildYearCalendar(c.year, &record, model);
    int count = 0;
    for (int m = 1; m <= 12; ++m)
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d)
                if (model.LunarGrid[m][w][d] == "春节  ") ++count;
    EXPECT_EQ(count, 1);
    EXPECT_EQ(LunarText(model, c.month, c.day), "春节  ");
}

INSTANTIATE_TEST_SUITE_P(Years, SpringFestivalTest,
                         ::testing::Values(SpringCase{2000, 2, 5}, SpringCase{2001, 1, 24},
                                           SpringCase{2002, 2, 12}, SpringCase{2003, 2, 1},
                                           SpringCase{2004, 1, 22}, SpringCase{2005, 2, 9},
                                           SpringCase{2006, 1, 29}, SpringCase{2007, 2, 18},
                                           SpringCase{2008, 2, 7}, SpringCase{2009, 1, 26},
                                           SpringCase{2010, 2, 14}, SpringCase{2014, 1, 31}));

TEST(MarkFestival, EachFestivalOnceInLeapMonthYears) {
    for (int y : {2001, 2004, 2006, 2009, 2014, 2052}) {
        CalendarModel model;
        YearRecord record = RecordOf(y);
        BuildYearCalendar(y, &record, model);
        std::map<std::string, int> count;
        for (int m = 1; m <= 12; ++m)
            for (int w = 1; w <= 6; ++w)
                for (int d = 1; d <= 7; ++d) ++count[model.LunarGrid[m][w][d]];
        for (const char* f : {"端午  ", "七夕  ", "中秋  ", "重阳  ", "清明  "})
            EXPECT_EQ(count[f], 1) << y << " " << f;
    }
}

TEST(MarkFestival, FirstDayOfALunarMonthShowsItsLabelNotQingming) {
    // 2000's 3rd month starts on April 5; with Qingming on the 5th the label still wins.
    YearRecord record = RecordOf(2000);
    record.QingmingDay = " 5";
    CalendarModel model;
    BuildYearCalendar(2000, &record, model);
    EXPECT_EQ(LunarText(model, 4, 5), "三月  ");
    EXPECT_EQ(LunarText(model, 4, 4), "三十  ");
    for (int d = 1; d <= 30; ++d) EXPECT_NE(LunarText(model, 4, d), "清明  ") << d;
}

TEST(MarkFestival, QingmingFollowsTheRecord) {
    YearRecord record = RecordOf(2008);  // Qingming on April 4
    CalendarModel model;
    BuildYearCalendar(2008, &record, model);
    EXPECT_EQ(LunarText(model, 4, 4), "清明  ");
    EXPECT_EQ(LunarText(model, 4, 5), "廿九  ");
    record.QingmingDay = " 5";
    BuildYearCalendar(2008, &record, model);
    EXPECT_EQ(LunarText(model, 4, 4), "廿八  ");
    EXPECT_EQ(LunarText(model, 4, 5), "清明  ");
}

TEST(BuildYearCalendar, JanuaryFirstAsTheFirstDayOfAMonthShowsTheLabel) {
    // January 1, 2014 began the 12th month: written as day 30 of the 29-day 11th month.
    YearRecord record = Record("2014 0 30 09 29 30 29 30 29 30 29 30 29 30 30 29 30 29 5");
    CalendarModel model;
    DataReport report;
    BuildYearCalendar(2014, &record, model, &report);
    EXPECT_TRUE(report.ok()) << report.message;
    EXPECT_EQ(LunarText(model, 1, 1), "十二月  ");
    EXPECT_EQ(LunarText(model, 1, 2), "初二  ");
    EXPECT_EQ(LunarText(model, 1, 31), "春节  ");
    EXPECT_EQ(LunarText(model, 10, 2), "重阳  ");
}

struct LabelCase {
    const char* leap;
    std::array<const char*, 13> labels;
};
class NewMonthLabelsTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(NewMonthLabelsTest, FollowTheLeapMonth) {
    YearRecord record = RecordOf(2001);
    record.LeapMonth = GetParam().leap;
    CalendarModel model;
    BuildYearCalendar(2001, &record, model);
    for (int k = 0; k <= 12; ++k) EXPECT_EQ(model.NewMonthLabels[k], GetParam().labels[k]) << k;
    EXPECT_EQ(model.NewMonthLabels[13], "");
    EXPECT_EQ(model.NewMonthLabels[14], "");
}

INSTANTIATE_TEST_SUITE_P(
    Leaps, NewMonthLabelsTest,
    ::testing::Values(LabelCase{" 04",
                                {"十二月", "春节", "二月", "三月", "四月", "闰四月", "五月", "六月",
                                 "七月", "八月", "九月", "十月", "十一月"}},
                      LabelCase{" 01",
                                {"十二月", "春节", "闰春节", "二月", "三月", "四月", "五月", "六月",
                                 "七月", "八月", "九月", "十月", "十一月"}},
                      LabelCase{" 99",
                                {"十二月", "春节", "二月", "三月", "四月", "五月", "六月", "七月",
                                 "八月", "九月", "十月", "十一月", "十二月"}}));

TEST(BuildYearCalendar, WithoutRecordLunarCellsAreBlank) {
    CalendarModel model;
    YearRecord record = RecordOf(2008);
    BuildYearCalendar(2008, &record, model);
    ASSERT_FALSE(AllLunarBlank(model));
    DataReport report;
    BuildYearCalendar(2008, nullptr, model, &report);  // nothing of the last build survives
    EXPECT_TRUE(report.ok());
    EXPECT_TRUE(model.built);
    EXPECT_TRUE(AllLunarBlank(model));
    EXPECT_EQ(CellOf(model, 2, 29), std::make_pair(5, 5));  // 2008-02-29 was a Friday
}

// Records that must not drive the walk: lunar cells blank, Gregorian cells intact.
struct BadRecordCase {
    const char* name;
    std::function<void(YearRecord&)> spoil;
    std::string report;
};
class BadRecordTest : public ::testing::TestWithParam<BadRecordCase> {};

TEST_P(BadRecordTest, LeavesLunarCellsBlankWithAReport) {
    YearRecord record = RecordOf(2008);
    GetParam().spoil(record);
    CalendarModel model;
    DataReport report;
    BuildYearCalendar(2008, &record, model, &report);
    EXPECT_EQ(report.message, GetParam().report);
    EXPECT_TRUE(AllLunarBlank(model));
    EXPECT_TRUE(model.built);
    EXPECT_EQ(CellOf(model, 1, 1), std::make_pair(1, 2));  // 2008-01-01 was a Tuesday
}

INSTANTIATE_TEST_SUITE_P(
    Records, BadRecordTest,
    ::testing::Values(
        BadRecordCase{"Empty", [](YearRecord& r) { r = YearRecord{}; },
                      "the record of 2008, YearText: missing, expected four digits"},
        BadRecordCase{"OtherYear", [](YearRecord& r) { r = RecordOf(2009); },
                      "the record of 2008, YearText: \"2009\" where the year 2008 belongs"},
        BadRecordCase{"ZeroLength", [](YearRecord& r) { r.LunarMonthDays[5] = " 00"; },
                      "the record of 2008, LunarMonthDays(5): \" 00\" is neither 29 nor 30"},
        BadRecordCase{"WideField", [](YearRecord& r) { r.Jan1LunarDay = " 023"; },
                      "the record of 2008, Jan1LunarDay: \" 023\" is not a blank and two "
                      "digits"},
        BadRecordCase{"MonthCode", [](YearRecord& r) { r.Jan1MonthCode = " 7"; },
                      "the record of 2008, Jan1MonthCode: \" 7\" is neither 0 nor 1"},
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

struct OutOfRangeCase {
    double year;
    const char* report;
};
class OutOfRangeTest : public ::testing::TestWithParam<OutOfRangeCase> {};

TEST_P(OutOfRangeTest, YearIsRefusedAndTheModelLeftBlank) {
    CalendarModel model;
    YearRecord record = RecordOf(2008);
    BuildYearCalendar(2008, &record, model);
    DataReport report;
    BuildYearCalendar(GetParam().year, &record, model, &report);
    EXPECT_EQ(report.message, GetParam().report);
    EXPECT_FALSE(model.built);
    EXPECT_TRUE(AllLunarBlank(model));
    for (int m = 1; m <= 12; ++m)
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d) EXPECT_EQ(model.DayGrid[m][w][d], "   ");
    EXPECT_EQ(model.WeekdayNamesCn[6], "日");
    EXPECT_EQ(model.MonthNamesEn[11], "Dec");
}

INSTANTIATE_TEST_SUITE_P(
    Years, OutOfRangeTest,
    ::testing::Values(
        OutOfRangeCase{1999, "year 1999 is not supported: the calendar covers 2000 to 2099"},
        OutOfRangeCase{2100, "year 2100 is not supported: the calendar covers 2000 to 2099"},
        OutOfRangeCase{1e300, "year 1e+300 is not supported: the calendar covers 2000 to 2099"},
        OutOfRangeCase{2008.5, "year 2008.5 is not a whole year"},
        OutOfRangeCase{std::nan(""), "the year is not a number"}));

}  // namespace
}  // namespace orlenda
