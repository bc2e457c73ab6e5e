// Walks every year of the shipped data file through the calendar and checks that the
// result is a consistent calendar.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"

#ifndef ORLENDA_DATA_FILE
#error "ORLENDA_DATA_FILE must name the shipped china.txt"
#endif

namespace orlenda {
namespace {

using namespace std::chrono;

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

std::string LunarOf(const CalendarModel& model, int month, int day) {
    for (int w = 1; w <= 6; ++w)
        for (int d = 1; d <= 7; ++d)
            if (model.DayGrid[month][w][d] == std::to_string(day))
                return model.LunarGrid[month][w][d];
    return "";
}

class ShippedData : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(ORLENDA_DATA_FILE))
            GTEST_SKIP() << "no shipped data file yet at " << ORLENDA_DATA_FILE;
    }
};

TEST_F(ShippedData, ListsConsecutiveYearsFrom2000) {
    YearList list = LoadYearList(ORLENDA_DATA_FILE);
    EXPECT_TRUE(list.report.ok()) << list.report.message;
    ASSERT_FALSE(list.years.empty());
    for (std::size_t i = 0; i < list.years.size(); ++i)
        EXPECT_EQ(list.years[i], std::to_string(kFirstYear + i));
}

TEST_F(ShippedData, EveryYearWalksToAConsistentCalendar) {
    YearList list = LoadYearList(ORLENDA_DATA_FILE);
    ASSERT_FALSE(list.years.empty());
    int lastYear = std::min<int>(kLastYear, kFirstYear + static_cast<int>(list.years.size()) - 1);
    for (int y = kFirstYear; y <= lastYear; ++y) {
        SCOPED_TRACE(y);
        DataReport report;
        auto record = ReadYearRecord(ORLENDA_DATA_FILE, y, report);
        ASSERT_TRUE(record) << report.message;
        CalendarModel model;
        BuildYearCalendar(y, &*record, model, &report);
        ASSERT_TRUE(report.ok()) << report.message;

        // Walk the cells in date order, checking each against the one before.
        sys_days date = sys_days{year{y} / 1 / 1};
        unsigned column = weekday{date}.iso_encoding();
        int lunarMonth = 0;  // month number of the lunar month walked, 0 = not yet known
        bool leapMonth = false;
        int lunarDay = 0;  // lunar day of the previous day, 0 = not yet known
        int leapLabels = 0;
        std::map<std::string, int> festivals;
        for (int m = 1; m <= 12; ++m)
            for (int w = 1; w <= 6; ++w)
                for (int d = 1; d <= 7; ++d) {
                    const std::string& dayText = model.DayGrid[m][w][d];
                    const std::string& lunar = model.LunarGrid[m][w][d];
                    if (dayText == "   ") {
                        ASSERT_EQ(lunar, "      ") << m << " " << w << "," << d;
                        continue;
                    }
                    year_month_day ymd{date};
                    std::string where = std::to_string(m) + "-" + dayText;
                    // Day numbers follow one another, weekdays advance by one.
                    ASSERT_EQ(dayText, std::to_string(static_cast<unsigned>(ymd.day()))) << where;
                    ASSERT_EQ(static_cast<unsigned>(ymd.month()), static_cast<unsigned>(m));
                    ASSERT_EQ(static_cast<unsigned>(d), column) << where;

                    ASSERT_GE(lunar.size(), 2u);
                    ASSERT_EQ(lunar.substr(lunar.size() - 2), "  ") << where;
                    std::string name = lunar.substr(0, lunar.size() - 2);
                    bool leap = name.rfind("闰", 0) == 0;
                    std::string monthName = leap ? name.substr(std::string("闰").size()) : name;
                    if (kMonthNumbers.count(monthName)) {
                        // A label starts a month: the next month in order, or its leap repeat.
                        int number = kMonthNumbers.at(monthName);
                        if (lunarMonth != 0) {
                            int expected = leap ? lunarMonth : lunarMonth % 12 + 1;
                            ASSERT_EQ(number, expected) << where << " " << name;
                            ASSERT_FALSE(leap && leapMonth) << where;
                        }
                        ASSERT_TRUE(lunarDay == 0 || lunarDay == 29 || lunarDay == 30) << where;
                        if (leap) ++leapLabels;
                        lunarMonth = number;
                        leapMonth = leap;
                        lunarDay = 1;
                    } else if (kDayNumbers.count(name)) {
                        int number = kDayNumbers.at(name);
                        if (lunarDay != 0) {
                            ASSERT_EQ(number, lunarDay + 1) << where << " " << name;
                        }
                        lunarDay = number;
                    } else {
                        ASSERT_TRUE(kFestivals.count(name)) << where << " \"" << lunar << "\"";
                        ++festivals[name];
                        auto [fm, fd] = kFestivals.at(name);
                        if (name == "清明") {
                            ASSERT_EQ(m, 4) << where;
                            ASSERT_TRUE(dayText == "4" || dayText == "5") << where;
                        } else {
                            ASSERT_EQ(lunarMonth, fm) << where << " " << name;
                            ASSERT_FALSE(leapMonth) << where << " " << name << " in a leap month";
                            ASSERT_EQ(lunarDay + 1, fd) << where << " " << name;
                        }
                        if (lunarDay != 0) ++lunarDay;
                    }
                    date += days{1};
                    column = column % 7 + 1;
                }
        ASSERT_EQ(date, sys_days{year{y + 1} / 1 / 1}) << "every day of the year has a cell";
        EXPECT_LE(leapLabels, 1);
        for (const auto& [name, when] : kFestivals) {
            // Qingming on the first day of a lunar month gives way to the month's label.
            int expected = 1;
            if (name == "清明") {
                std::string label = LunarOf(model, 4, static_cast<int>(Val(record->QingmingDay)));
                std::string name = label.substr(0, label.size() - 2);
                if (name.rfind("闰", 0) == 0) name = name.substr(std::string("闰").size());
                if (kMonthNumbers.count(name)) expected = 0;
            }
            EXPECT_EQ(festivals[name], expected) << name;
        }
    }
}

}  // namespace
}  // namespace orlenda
