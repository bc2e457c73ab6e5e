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

// Column of the 1st (Monday = 1) and rows used; the whole layout is proven by the walk below.
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

// ---- Every year of the shipped data file, walked day by day ----------------------------

const std::map<std::string, int> kDayNumbers = {
    {"初一", 1},  {"初二", 2},  {"初三", 3},  {"初四", 4},  {"初五", 5},  {"初六", 6},
    {"初七", 7},  {"初八", 8},  {"初九", 9},  {"初十", 10}, {"十一", 11}, {"十二", 12},
    {"十三", 13}, {"十四", 14}, {"十五", 15}, {"十六", 16}, {"十七", 17}, {"十八", 18},
    {"十九", 19}, {"二十", 20}, {"廿一", 21}, {"廿二", 22}, {"廿三", 23}, {"廿四", 24},
    {"廿五", 25}, {"廿六", 26}, {"廿七", 27}, {"廿八", 28}, {"廿九", 29}, {"三十", 30}};
const std::map<std::string, int> kMonthNumbers = {
    {"春节", 1}, {"二月", 2}, {"三月", 3}, {"四月", 4},  {"五月", 5},    {"六月", 6},
    {"七月", 7}, {"八月", 8}, {"九月", 9}, {"十月", 10}, {"十一月", 11}, {"十二月", 12}};
// Festival: lunar month and day (0, 0 for Qingming, which follows the sun).
const std::map<std::string, std::pair<int, int>> kFestivals = {
    {"端午", {5, 5}}, {"七夕", {7, 7}}, {"中秋", {8, 15}}, {"重阳", {9, 9}}, {"清明", {0, 0}}};

std::string WithoutLeap(const std::string& name) {
    return name.rfind("闰", 0) == 0 ? name.substr(std::string("闰").size()) : name;
}

// Every cell in date order against the civil calendar and against the day before it:
// weekdays advance by one, day numbers follow, every lunar text is a day name, a month label
// or a festival, day names follow one another, labels come in order with at most one 闰.
TEST(ShippedData, EveryYearWalksToAConsistentCalendar) {
    for (int y = kFirstYear; y <= kLastYear; ++y) {
        SCOPED_TRACE(y);
        DataReport report;
        auto record = ReadYearRecord(ORLENDA_DATA_FILE, y, report);
        ASSERT_TRUE(record) << report.message;
        CalendarModel model;
        BuildYearCalendar(y, &*record, model, &report);
        ASSERT_TRUE(report.ok()) << report.message;

        sys_days date = sys_days{year{y} / 1 / 1};
        unsigned column = weekday{date}.iso_encoding();
        int month = 0, day = 0;  // lunar month and day of the day before, 0 = not yet known
        bool inLeap = false;
        int leapLabels = 0;
        std::map<std::string, int> festivals;
        for (int m = 1; m <= 12; ++m)
            for (int w = 1; w <= 6; ++w)
                for (int d = 1; d <= 7; ++d) {
                    const std::string& cell = model.DayGrid[m][w][d];
                    const std::string& lunar = model.LunarGrid[m][w][d];
                    std::string where = std::to_string(m) + "-" + cell + " \"" + lunar + "\"";
                    if (cell == "   ") {
                        ASSERT_EQ(lunar, "      ") << where << " in row " << w;
                        continue;
                    }
                    year_month_day ymd{date};
                    ASSERT_EQ(cell, std::to_string(static_cast<unsigned>(ymd.day()))) << where;
                    ASSERT_EQ(static_cast<unsigned>(ymd.month()), static_cast<unsigned>(m));
                    ASSERT_EQ(static_cast<unsigned>(d), column) << where;

                    ASSERT_TRUE(lunar.ends_with("  ")) << where;
                    std::string name = lunar.substr(0, lunar.size() - 2);
                    std::string plain = WithoutLeap(name);
                    bool leap = name != plain;
                    if (kMonthNumbers.count(plain)) {
                        // A label starts a month: the next month in order, or its leap repeat.
                        int number = kMonthNumbers.at(plain);
                        ASSERT_TRUE(month == 0 || number == (leap ? month : month % 12 + 1))
                            << where << " after month " << month;
                        ASSERT_FALSE(leap && inLeap) << where;
                        ASSERT_TRUE(day == 0 || day == 29 || day == 30) << where;
                        leapLabels += leap;
                        month = number;
                        inLeap = leap;
                        day = 1;
                    } else if (kDayNumbers.count(name)) {
                        ASSERT_TRUE(day == 0 || kDayNumbers.at(name) == day + 1)
                            << where << " after day " << day;
                        day = kDayNumbers.at(name);
                    } else {
                        ASSERT_TRUE(kFestivals.count(name)) << where;
                        ++festivals[name];
                        auto [fm, fd] = kFestivals.at(name);
                        ASSERT_TRUE(fm == 0 ? m == 4 && (cell == "4" || cell == "5")
                                            : month == fm && !inLeap && day + 1 == fd)
                            << where << " in month " << month << (inLeap ? " (leap)" : "");
                        if (day != 0) ++day;
                    }
                    date += days{1};
                    column = column % 7 + 1;
                }
        ASSERT_EQ(date, sys_days{year{y + 1} / 1 / 1}) << "every day of the year has a cell";
        EXPECT_LE(leapLabels, 1);
        // Each festival once a year; Qingming on a month's first day gives way to the label.
        std::string qingming = LunarText(model, 4, static_cast<int>(Val(record->QingmingDay)));
        bool onALabel = kMonthNumbers.count(WithoutLeap(qingming.substr(0, qingming.size() - 2)));
        for (const auto& [name, when] : kFestivals)
            EXPECT_EQ(festivals[name], name == "清明" && onALabel ? 0 : 1) << name;
    }
}

}  // namespace
}  // namespace orlenda
