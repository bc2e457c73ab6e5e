// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/calendar.h"

#include <chrono>
#include <utility>

#include "core/lunarwalk.h"
#include "core/textconv.h"

namespace orlenda {

namespace {

const std::string kBlankDay = "   ";
const std::string kBlankLunar = "      ";
const std::string kTwoBlanks = "  ";

void FillNameTables(CalendarModel& model) {
    model.WeekdayNamesCn = {"一", "二", "三", "四", "五", "六", "日"};
    model.MonthNamesEn = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    model.WeekdayNamesEn = {"Mon ", "Tue ", "Wed ", "Thu ", "Fri ", "Sat ", "Sun "};
    model.LunarMonthNames = {"十二月", "春节", "二月", "三月", "四月",   "五月",  "六月",
                             "七月",   "八月", "九月", "十月", "十一月", "十二月"};
    model.LunarDayNames = {"  ",   "初一", "初二", "初三", "初四", "初五", "初六", "初七",
                           "初八", "初九", "初十", "十一", "十二", "十三", "十四", "十五",
                           "十六", "十七", "十八", "十九", "二十", "廿一", "廿二", "廿三",
                           "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十", "  "};
}

// Labels of the first days of lunar months; leap > 12 means no leap month.
void FillNewMonthLabels(CalendarModel& model, int leap) {
    for (int k = 0; k <= 12; ++k) {
        std::string label = model.LunarMonthNames[k > leap ? k - 1 : k];
        if (k - 1 == leap) label = "闰" + label;
        model.NewMonthLabels[k] = label;
    }
    model.NewMonthLabels[13].clear();
    model.NewMonthLabels[14].clear();
}

void ClearGrids(CalendarModel& model) {
    for (int m = 1; m <= 12; ++m)
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d) {
                model.DayGrid[m][w][d] = kBlankDay;
                model.LunarGrid[m][w][d] = kBlankLunar;
            }
}

// Row (1 to 6) and column (Monday = 1) of a date in its month's grid: the 1st in row 1
// under its weekday, the days following row by row.
std::pair<int, int> GridCell(std::chrono::year_month_day date) {
    using namespace std::chrono;
    const int first =
        static_cast<int>(weekday{sys_days{date.year() / date.month() / 1}}.iso_encoding());
    const int offset = first - 1 + static_cast<int>(unsigned{date.day()}) - 1;
    return {offset / 7 + 1, offset % 7 + 1};
}

std::string& CellOf(Grid& grid, std::chrono::year_month_day date) {
    auto [row, column] = GridCell(date);
    return grid[unsigned{date.month()}][row][column];
}

void LayOutGregorian(CalendarModel& model, int year) {
    using namespace std::chrono;
    const std::chrono::year y{year};
    for (sys_days day{y / January / 1}; day <= sys_days{y / December / 31}; day += days{1}) {
        const year_month_day date{day};
        CellOf(model.DayGrid, date) = std::to_string(unsigned{date.day()});
    }
}

// The label of the lunar month at index i of LunarMonthDays; index 0, the month before
// the first labelled one, has none.
const std::string& MonthLabel(const CalendarModel& model, int i) {
    static const std::string none;
    return i >= 1 ? model.NewMonthLabels[i - 1] : none;
}

// The festival on a day that is not the first of its lunar month, or nullptr. The month is
// named by the label its first day got: a leap month that repeats a festival's month is
// labelled with "闰" and has none.
const char* FestivalOn(const CalendarModel& model, const YearRecord& record,
                       const LunarDate& lunar) {
    struct Festival {
        const char* month;
        int day;
        const char* name;
    };
    static const Festival festivals[] = {
        {"五月", 5, "端午"}, {"八月", 15, "中秋"}, {"九月", 9, "重阳"}, {"七月", 7, "七夕"}};
    const std::string& month = MonthLabel(model, lunar.monthIndex);
    for (const Festival& f : festivals)
        if (month == f.month && lunar.day == f.day) return f.name;
    if (lunar.date.month() == std::chrono::April &&
        unsigned{lunar.date.day()} == Val(record.QingmingDay))
        return "清明";
    return nullptr;
}

void WriteLunarTexts(CalendarModel& model, int year, const YearRecord& record) {
    WalkLunarYear(year, record, [&](const LunarDate& lunar) {
        std::string text;
        if (lunar.monthStart) {
            text = MonthLabel(model, lunar.monthIndex);  // never a festival
        } else {
            const char* festival = FestivalOn(model, record, lunar);
            text = festival ? festival : model.LunarDayNames[lunar.day];
        }
        CellOf(model.LunarGrid, lunar.date) = text + kTwoBlanks;
    });
}

}  // namespace

void BuildYearCalendar(double year, const YearRecord* record, CalendarModel& model,
                       DataReport* report) {
    FillNameTables(model);
    FillNewMonthLabels(model, 99);
    ClearGrids(model);
    model.built = false;
    model.year = year;

    DataReport problem;
    if (!YearSupported(year, problem)) {
        if (report) *report = problem;
        return;
    }
    int wholeYear = static_cast<int>(year);
    LayOutGregorian(model, wholeYear);
    model.built = true;

    if (!record) return;
    if (!CheckYearRecord(*record, wholeYear, "the record of " + std::to_string(wholeYear),
                         problem)) {
        if (report) *report = problem;
        return;
    }
    FillNewMonthLabels(model, static_cast<int>(Val(record->LeapMonth)));
    WriteLunarTexts(model, wholeYear, *record);
}

CalendarModel BuildYearCalendar(double year, const YearRecord* record, DataReport* report) {
    CalendarModel model;
    BuildYearCalendar(year, record, model, report);
    return model;
}

}  // namespace orlenda
