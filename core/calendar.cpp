#include "core/calendar.h"

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

// Column (Monday = 1) of January 1 of year.
int Jan1Weekday(int year) {
    int leapDays = (year + 3 - 2000) / 4;  // years divisible by four from 2000 to year - 1
    int days = (year - 2000) * 365 + leapDays;
    int column = ((days % 7) + 6) % 7;
    return column == 0 ? 7 : column;
}

void LayOutGregorian(CalendarModel& model, int year) {
    int solarMonthDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year % 4 == 0) solarMonthDays[2] = 29;
    int startWeekday = Jan1Weekday(year);
    for (int m = 1; m <= 12; ++m) {
        int dayCounter = 0;
        bool monthDone = false;
        for (int w = 1; w <= 6 && !monthDone; ++w) {
            for (int d = 1; d <= 7; ++d) {
                if (d < startWeekday && w == 1) continue;
                model.DayGrid[m][w][d] = std::to_string(++dayCounter);
                if (dayCounter == solarMonthDays[m]) {
                    // The next month starts in the column after this one.
                    startWeekday = d == 7 ? 1 : d + 1;
                    monthDone = true;
                    break;
                }
            }
        }
    }
}

void WalkLunar(CalendarModel& model, const YearRecord& record) {
    LunarWalk walk;
    walk.LunarDay = CInt16(Val(record.Jan1LunarDay));
    walk.LunarMonthIndex = static_cast<int>(Val(record.Jan1MonthCode));
    for (int m = 1; m <= 12; ++m)
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d) {
                if (model.DayGrid[m][w][d] == kBlankDay) continue;
                walk.MonthCounter = m;
                walk.WeekRow = w;
                walk.DayColumn = d;
                double monthLength = Val(record.LunarMonthDays[walk.LunarMonthIndex]);
                if (walk.LunarDay <= monthLength) {
                    if (!MarkFestival(model, record, walk))
                        model.LunarGrid[m][w][d] = model.LunarDayNames[walk.LunarDay] + kTwoBlanks;
                    ++walk.LunarDay;
                } else {
                    // First day of the next lunar month: its label, never a festival.
                    model.LunarGrid[m][w][d] =
                        model.NewMonthLabels[walk.LunarMonthIndex] + kTwoBlanks;
                    ++walk.LunarMonthIndex;
                    walk.LunarDay = 2;
                }
            }
}

}  // namespace

CalendarModel& Model() {
    static CalendarModel model;
    return model;
}

bool MarkFestival(CalendarModel& model, const YearRecord& record, const LunarWalk& walk) {
    // The walked month is named by the label its first day got. Testing the label of the
    // following month instead would put festivals into a leap month that repeats theirs.
    const std::string noMonth;
    const std::string& month =
        walk.LunarMonthIndex >= 1 ? model.NewMonthLabels[walk.LunarMonthIndex - 1] : noMonth;
    const std::string& day = model.LunarDayNames[walk.LunarDay];
    std::string& cell = model.LunarGrid[walk.MonthCounter][walk.WeekRow][walk.DayColumn];

    const char* festival = nullptr;
    if (month == "五月" && day == "初五") {
        festival = "端午";
    } else if (month == "八月" && day == "十五") {
        festival = "中秋";
    } else if (month == "九月" && day == "初九") {
        festival = "重阳";
    } else if (month == "七月" && day == "初七") {
        festival = "七夕";
    } else if (walk.MonthCounter == 4 &&
               Val(model.DayGrid[walk.MonthCounter][walk.WeekRow][walk.DayColumn]) ==
                   Val(record.QingmingDay)) {
        festival = "清明";
    }
    if (!festival) return false;
    cell = std::string(festival) + kTwoBlanks;
    return true;
}

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
    WalkLunar(model, *record);
}

}  // namespace orlenda
