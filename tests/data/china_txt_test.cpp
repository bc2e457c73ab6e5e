// Checks the shipped lunar data file, read through the program's own core, against an
// independent astronomical calendar and against published dates.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "reference_calendar.h"

namespace {

using reference::DateText;
using reference::DayNumber;
using reference::LunarDate;

const std::string kDataFile = ORLENDA_DATA_FILE;
constexpr int kFirst = 2000;
constexpr int kLast = 2099;

const std::array<std::string, 13> kMonthNames = {"",     "春节",   "二月",  "三月", "四月",
                                                 "五月", "六月",   "七月",  "八月", "九月",
                                                 "十月", "十一月", "十二月"};
const std::array<std::string, 31> kDayNames = {
    "",     "初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
    "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "二十", "廿一",
    "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十"};
struct Festival {
    int month, day;
    const char* name;
};
const Festival kFestivals[] = {{5, 5, "端午"}, {7, 7, "七夕"}, {8, 15, "中秋"}, {9, 9, "重阳"}};

// New moons within seconds of midnight; the Hong Kong Observatory starts the month on
// these days, and so does the file.
struct Unsettled {
    int year, month, day;
};
const Unsettled kUnsettled[] = {{2057, 9, 28}, {2089, 9, 4}, {2097, 8, 7}};
// The tie-break may move a new moon across a midnight no farther away than this.
constexpr double kUnsettledSeconds = 300;

std::vector<reference::TieBreak> HkoTieBreaks() {
    std::vector<reference::TieBreak> ties;
    for (const Unsettled& u : kUnsettled)
        ties.push_back({DayNumber(u.year, u.month, u.day), kUnsettledSeconds});
    return ties;
}

const reference::Calendar& Reference() {
    static const reference::Calendar calendar(kFirst, kLast, HkoTieBreaks());
    return calendar;
}

std::string MonthLabel(const LunarDate& date) {
    return (date.leap ? "闰" : "") + kMonthNames[date.month];
}

// What a cell should read, from the reference calendar: a month's first day shows the
// month, festivals belong to regular months, Qingming yields to both.
std::string ExpectedText(const reference::Calendar& calendar, long dayNumber) {
    LunarDate date = calendar.At(dayNumber);
    if (date.day == 1) return MonthLabel(date);
    if (!date.leap)
        for (const Festival& f : kFestivals)
            if (f.month == date.month && f.day == date.day) return f.name;
    reference::Ymd ymd = reference::FromDayNumber(dayNumber);
    if (ymd.month == 4 && ymd.day == calendar.QingmingDay(ymd.year)) return "清明";
    return kDayNames[date.day];
}

// One day as the program shows it, with the lunar date read back from the texts.
struct FileDay {
    std::string text;       // cell text without its two trailing blanks
    LunarDate date;         // month, leap flag and day the texts amount to
    std::string complaint;  // what did not fit while reading the texts back
};

// Moves the lunar date on by one day as the day's text tells, noting what does not fit.
void ReadBack(LunarDate& state, FileDay& day) {
    const std::string& text = day.text;
    int next = state.day + 1;
    for (int n = 1; n <= 12; ++n) {
        if (text == kMonthNames[n] || text == "闰" + kMonthNames[n]) {
            state = {n, text != kMonthNames[n], 1};
            return;
        }
    }
    for (int n = 1; n <= 30; ++n) {
        if (text == kDayNames[n]) {
            if (n != next)
                day.complaint =
                    "day " + std::to_string(n) + " follows day " + std::to_string(state.day);
            state.day = n;
            return;
        }
    }
    for (const Festival& f : kFestivals) {
        if (text == f.name) {
            if (f.day != next || f.month != state.month)
                day.complaint = text + " on " + MonthLabel(state) + " " + std::to_string(next);
            state.day = next;
            return;
        }
    }
    if (text == "清明") {
        state.day = next;
        return;
    }
    day.complaint = "unknown text \"" + text + "\"";
}

// Every day of 2000 to 2099 as BuildYearCalendar lays it out from the shipped file.
// The lunar month of a day is carried over from the last first-day label before it,
// across year ends, so each year's record must join its neighbours.
struct FileCalendar {
    std::map<long, FileDay> days;
    std::vector<std::string> problems;  // records that could not be read or walked
};

const FileCalendar& ShippedFile() {
    static const FileCalendar file = [] {
        FileCalendar out;
        LunarDate state;
        for (int year = kFirst; year <= kLast; ++year) {
            orlenda::DataReport report;
            std::optional<orlenda::YearRecord> record =
                orlenda::ReadYearRecord(kDataFile, year, report);
            if (!record) {
                out.problems.push_back(report.message);
                continue;
            }
            orlenda::CalendarModel model;
            orlenda::BuildYearCalendar(year, &*record, model, &report);
            if (!report.ok() || !model.built) {
                out.problems.push_back(std::to_string(year) + ": " + report.message);
                continue;
            }
            if (year == kFirst) {  // only the first record says which month Jan 1 is in
                state.month = record->Jan1MonthCode == " 0" ? 11 : 12;
                state.day = std::stoi(record->Jan1LunarDay) - 1;
            }
            for (int m = 1; m <= 12; ++m)
                for (int w = 1; w <= 6; ++w)
                    for (int d = 1; d <= 7; ++d) {
                        const std::string& dayText = model.DayGrid[m][w][d];
                        if (dayText == "   ") continue;
                        long dayNumber = DayNumber(year, m, std::stoi(dayText));
                        FileDay& day = out.days[dayNumber];
                        std::string cell = model.LunarGrid[m][w][d];
                        if (cell.size() < 2 || cell.substr(cell.size() - 2) != "  ") {
                            day.complaint = "cell \"" + cell + "\" lacks its two blanks";
                        } else {
                            cell.resize(cell.size() - 2);
                        }
                        day.text = cell;
                        ReadBack(state, day);
                        day.date = state;
                    }
        }
        return out;
    }();
    return file;
}

std::string Describe(const LunarDate& date) {
    return MonthLabel(date) + " " + std::to_string(date.day);
}

// ---- The file itself -----------------------------------------------------------------

TEST(ChinaTxtFormat, OneFixedWidthLinePerYear) {
    std::ifstream in(kDataFile, std::ios::binary);
    ASSERT_TRUE(in) << kDataFile;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 58u * (kLast - kFirst + 1));
    // Year, month code, lunar day, leap month or 99, fourteen month lengths, Qingming, CR LF.
    const std::regex form(
        R"(\d{4} [01] (0[1-9]|[12]\d|3[01]) (0[1-9]|1[0-2]|99)( 29| 30){14} [45]\r\n)");
    for (int year = kFirst; year <= kLast; ++year) {
        std::string line = bytes.substr(58 * (year - kFirst), 58);
        EXPECT_TRUE(std::regex_match(line, form)) << line;
        EXPECT_EQ(line.substr(0, 4), std::to_string(year));
    }
    EXPECT_TRUE(orlenda::LoadYearList(kDataFile).report.ok());
}

// ---- Every day against the independent calendar --------------------------------------

TEST(ChinaTxtDays, EveryDayMatchesTheReferenceCalendar) {
    const FileCalendar& file = ShippedFile();
    const reference::Calendar& ref = Reference();
    for (const std::string& p : file.problems) ADD_FAILURE() << p;
    for (const std::string& p : ref.Problems()) ADD_FAILURE() << "reference: " << p;

    int compared = 0, differences = 0;
    for (long day = DayNumber(kFirst, 1, 1); day <= DayNumber(kLast, 12, 31); ++day) {
        auto it = file.days.find(day);
        if (it == file.days.end()) {
            ADD_FAILURE() << DateText(day) << " is missing from the calendar";
            continue;
        }
        ++compared;
        const FileDay& got = it->second;
        LunarDate want = ref.At(day);
        std::string wantText = ExpectedText(ref, day);
        bool same = got.complaint.empty() && got.text == wantText && got.date.month == want.month &&
                    got.date.leap == want.leap && got.date.day == want.day;
        if (!same && ++differences <= 20) {
            ADD_FAILURE() << DateText(day) << ": file shows \"" << got.text << "\" ("
                          << Describe(got.date) << (got.complaint.empty() ? "" : "; ")
                          << got.complaint << "), reference \"" << wantText << "\" ("
                          << Describe(want) << ")";
        }
    }
    EXPECT_EQ(compared, DayNumber(kLast, 12, 31) - DayNumber(kFirst, 1, 1) + 1);
    EXPECT_EQ(differences, 0);
}

// The reference's own new moons: refined ones must agree with the series estimate that
// decided which ones to refine, by far less than the refining margin of an hour.
TEST(ChinaTxtDays, ReferenceNewMoonEstimatesAreClose) {
    int refined = 0;
    for (const reference::NewMoon& moon : Reference().NewMoons()) {
        if (!moon.refined) continue;
        ++refined;
        EXPECT_LT(std::abs(moon.estimateError), 60.0) << DateText(moon.localDay);
    }
    EXPECT_GT(refined, 50);
}

// ---- Known hard cases ----------------------------------------------------------------

struct HardCase {
    const char* name;
    int year, month, day;
    const char* text;
    int lunarMonth;
    bool leap;
    int lunarDay;
};

class ChinaTxtHardCases : public ::testing::TestWithParam<HardCase> {};

TEST_P(ChinaTxtHardCases, ModelShowsThePublishedDate) {
    const HardCase& c = GetParam();
    const FileCalendar& file = ShippedFile();
    auto it = file.days.find(DayNumber(c.year, c.month, c.day));
    ASSERT_NE(it, file.days.end());
    EXPECT_EQ(it->second.text, c.text);
    EXPECT_EQ(Describe(it->second.date), Describe({c.lunarMonth, c.leap, c.lunarDay}));
    EXPECT_EQ(it->second.complaint, "");
}

INSTANTIATE_TEST_SUITE_P(
    Published, ChinaTxtHardCases,
    ::testing::Values(HardCase{"LeapEleventhMonthBegins2033", 2033, 12, 22, "闰十一月", 11, true,
                               1},
                      HardCase{"NewYearsDay2034InLeapEleventh", 2034, 1, 1, "十一", 11, true, 11},
                      HardCase{"SeventhMonth2012", 2012, 8, 17, "七月", 7, false, 1},
                      HardCase{"TenthMonth2018", 2018, 11, 8, "十月", 10, false, 1},
                      HardCase{"SpringFestival2027", 2027, 2, 6, "春节", 1, false, 1},
                      HardCase{"SpringFestival2030", 2030, 2, 3, "春节", 1, false, 1},
                      HardCase{"SecondMonth2070", 2070, 3, 12, "二月", 2, false, 1},
                      HardCase{"FourthMonth2060", 2060, 4, 30, "四月", 4, false, 1},
                      // January 1 on a month's first day, written as the day after the last.
                      HardCase{"NewYearsDay2014BeginsTwelfth", 2014, 1, 1, "十二月", 12, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Dates as published in almanacs: Spring Festival 2000 to 2030; festivals, several in years
// with a leap month (2006: 7th, 2009: 5th, 2014: 9th, 2017: 6th, 2020: 4th, 2025: 6th), where
// the same day of the leap month is no festival; Qingming on April 4 and 5.
TEST(ChinaTxtPublished, DatesShowTheirText) {
    const char* dated[] = {
        "2000-02-05 春节", "2001-01-24 春节", "2002-02-12 春节", "2003-02-01 春节",
        "2004-01-22 春节", "2005-02-09 春节", "2006-01-29 春节", "2007-02-18 春节",
        "2008-02-07 春节", "2009-01-26 春节", "2010-02-14 春节", "2011-02-03 春节",
        "2012-01-23 春节", "2013-02-10 春节", "2014-01-31 春节", "2015-02-19 春节",
        "2016-02-08 春节", "2017-01-28 春节", "2018-02-16 春节", "2019-02-05 春节",
        "2020-01-25 春节", "2021-02-12 春节", "2022-02-01 春节", "2023-01-22 春节",
        "2024-02-10 春节", "2025-01-29 春节", "2026-02-17 春节", "2027-02-06 春节",
        "2028-01-26 春节", "2029-02-13 春节", "2030-02-03 春节", "2009-05-28 端午",
        "2020-06-25 端午", "2023-06-22 端午", "2024-06-10 端午", "2025-05-31 端午",
        "2006-07-31 七夕", "2017-08-28 七夕", "2025-08-29 七夕", "2008-09-14 中秋",
        "2017-10-04 中秋", "2020-10-01 中秋", "2023-09-29 中秋", "2024-09-17 中秋",
        "2025-10-06 中秋", "2014-10-02 重阳", "2024-10-11 重阳", "2025-10-29 重阳",
        "2009-06-27 初五", "2006-08-30 初七", "2014-11-01 初九", "2008-04-04 清明",
        "2023-04-05 清明", "2024-04-04 清明", "2025-04-04 清明", "2026-04-05 清明"};
    const FileCalendar& file = ShippedFile();
    for (const char* entry : dated) {
        int year = 0, month = 0, day = 0, text = 0;
        ASSERT_EQ(std::sscanf(entry, "%d-%d-%d %n", &year, &month, &day, &text), 3) << entry;
        auto it = file.days.find(DayNumber(year, month, day));
        ASSERT_NE(it, file.days.end()) << entry;
        EXPECT_EQ(it->second.text, entry + text) << entry;
    }
}

// Published leap months 2000 to 2036: the year their first day falls in, and the month.
TEST(ChinaTxtPublished, LeapMonths2000To2036) {
    const std::map<int, int> leapMonths = {{2001, 4}, {2004, 2}, {2006, 7},  {2009, 5}, {2012, 4},
                                           {2014, 9}, {2017, 6}, {2020, 4},  {2023, 2}, {2025, 6},
                                           {2028, 5}, {2031, 3}, {2033, 11}, {2036, 6}};
    const FileCalendar& file = ShippedFile();
    for (int year = 2000; year <= 2036; ++year) {
        std::vector<std::string> labels;
        for (long d = DayNumber(year, 1, 1); d <= DayNumber(year, 12, 31); ++d)
            if (file.days.at(d).text.rfind("闰", 0) == 0) labels.push_back(file.days.at(d).text);
        auto it = leapMonths.find(year);
        std::vector<std::string> want;
        if (it != leapMonths.end()) want.push_back("闰" + kMonthNames[it->second]);
        EXPECT_EQ(labels, want) << year;
    }
}

// ---- New moons too close to midnight to settle ---------------------------------------

class ChinaTxtUnsettledNewMoon : public ::testing::TestWithParam<Unsettled> {};

TEST_P(ChinaTxtUnsettledNewMoon, LiesAtMidnightAndTheFileFollowsHongKong) {
    const Unsettled& u = GetParam();
    long day = DayNumber(u.year, u.month, u.day);
    // The reference computed without the tie-break, for that year alone.
    reference::Calendar ref(u.year, u.year, {});
    const reference::NewMoon* nearest = nullptr;
    for (const reference::NewMoon& moon : ref.NewMoons())
        if (std::abs(moon.localDay - day) <= 1 &&
            (!nearest || std::abs(moon.fromMidnight) < std::abs(nearest->fromMidnight)))
            nearest = &moon;
    ASSERT_NE(nearest, nullptr);
    long midnightDay = nearest->fromMidnight < 0 ? nearest->localDay + 1 : nearest->localDay;
    EXPECT_TRUE(midnightDay == day || midnightDay == day + 1)
        << "the new moon is not at a midnight bounding " << DateText(day);
    EXPECT_LT(std::abs(nearest->fromMidnight), kUnsettledSeconds);
    std::printf("[ reference ] new moon %+.1f s from the Beijing midnight before %s%s\n",
                nearest->fromMidnight, DateText(midnightDay).c_str(),
                nearest->localDay == day ? "" : " (Hong Kong Observatory's day taken instead)");

    const FileCalendar& file = ShippedFile();
    const FileDay& first = file.days.at(day);
    const FileDay& before = file.days.at(day - 1);
    EXPECT_EQ(first.date.day, 1) << first.text;
    EXPECT_TRUE(before.text == "廿九" || before.text == "三十") << before.text;
    // The day after is in the new month either way.
    EXPECT_EQ(first.text, MonthLabel(ref.At(day + 1)));
}

INSTANTIATE_TEST_SUITE_P(HongKongObservatory, ChinaTxtUnsettledNewMoon,
                         ::testing::ValuesIn(kUnsettled), [](const auto& info) {
                             return std::to_string(info.param.year) + "_" +
                                    std::to_string(info.param.month) + "_" +
                                    std::to_string(info.param.day);
                         });

}  // namespace
