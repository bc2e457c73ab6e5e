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
    for (int year = kFirst; year <= kLast; ++year) {
        std::string line = bytes.substr(58 * (year - kFirst), 58);
        SCOPED_TRACE(line);
        EXPECT_EQ(line.substr(0, 4), std::to_string(year));
        EXPECT_EQ(line.substr(56), "\r\n");
        for (int i = 4; i < 56; ++i) {
            // Blanks before each item: month code, day, leap month, 14 lengths, Qingming.
            bool blank = i == 4 || i == 6 || i == 9 || i == 54 || (i >= 12 && i < 54 && i % 3 == 0);
            EXPECT_EQ(line[i] == ' ', blank) << "column " << i;
            if (!blank) {
                EXPECT_TRUE(line[i] >= '0' && line[i] <= '9') << "column " << i;
            }
        }
        std::string leap = line.substr(10, 2);
        EXPECT_TRUE((leap >= "01" && leap <= "12") || leap == "99") << leap;
    }
    orlenda::YearList list = orlenda::LoadYearList(kDataFile);
    EXPECT_TRUE(list.report.ok()) << list.report.message;
    EXPECT_EQ(list.years.size(), static_cast<std::size_t>(kLast - kFirst + 1));
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
                      HardCase{"TwelfthMonthAfterLeap2034", 2034, 1, 20, "十二月", 12, false, 1},
                      HardCase{"SeventhMonth2012", 2012, 8, 17, "七月", 7, false, 1},
                      HardCase{"TenthMonth2018", 2018, 11, 8, "十月", 10, false, 1},
                      HardCase{"SpringFestival2027", 2027, 2, 6, "春节", 1, false, 1},
                      HardCase{"SpringFestival2030", 2030, 2, 3, "春节", 1, false, 1},
                      HardCase{"SecondMonth2070", 2070, 3, 12, "二月", 2, false, 1},
                      HardCase{"FourthMonth2060", 2060, 4, 30, "四月", 4, false, 1},
                      // January 1 on a month's first day, and in a 12th month of a year
                      // with a leap month.
                      HardCase{"NewYearsDay2014BeginsTwelfth", 2014, 1, 1, "十二月", 12, false, 1},
                      HardCase{"NewYearsDay2001", 2001, 1, 1, "初七", 12, false, 7},
                      HardCase{"NewYearsDay2000", 2000, 1, 1, "廿五", 11, false, 25}),
    [](const auto& info) { return std::string(info.param.name); });

// Spring Festival 2000 to 2030 as published in every almanac.
class ChinaTxtSpringFestival : public ::testing::TestWithParam<std::array<int, 3>> {};

TEST_P(ChinaTxtSpringFestival, FallsOnThePublishedDay) {
    auto [year, month, day] = GetParam();
    const FileCalendar& file = ShippedFile();
    long dayNumber = DayNumber(year, month, day);
    ASSERT_TRUE(file.days.count(dayNumber));
    EXPECT_EQ(file.days.at(dayNumber).text, "春节");
    // and nowhere else in that year
    for (long d = DayNumber(year, 1, 1); d <= DayNumber(year, 12, 31); ++d)
        if (d != dayNumber) {
            EXPECT_NE(file.days.at(d).text, "春节") << DateText(d);
        }
}

INSTANTIATE_TEST_SUITE_P(
    Published, ChinaTxtSpringFestival,
    ::testing::Values(std::array{2000, 2, 5}, std::array{2001, 1, 24}, std::array{2002, 2, 12},
                      std::array{2003, 2, 1}, std::array{2004, 1, 22}, std::array{2005, 2, 9},
                      std::array{2006, 1, 29}, std::array{2007, 2, 18}, std::array{2008, 2, 7},
                      std::array{2009, 1, 26}, std::array{2010, 2, 14}, std::array{2011, 2, 3},
                      std::array{2012, 1, 23}, std::array{2013, 2, 10}, std::array{2014, 1, 31},
                      std::array{2015, 2, 19}, std::array{2016, 2, 8}, std::array{2017, 1, 28},
                      std::array{2018, 2, 16}, std::array{2019, 2, 5}, std::array{2020, 1, 25},
                      std::array{2021, 2, 12}, std::array{2022, 2, 1}, std::array{2023, 1, 22},
                      std::array{2024, 2, 10}, std::array{2025, 1, 29}, std::array{2026, 2, 17},
                      std::array{2027, 2, 6}, std::array{2028, 1, 26}, std::array{2029, 2, 13},
                      std::array{2030, 2, 3}),
    [](const auto& info) { return std::to_string(info.param[0]); });

// Published leap months 2000 to 2036 (0: none begins in that Gregorian year).
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

struct DatedText {
    int year, month, day;
    const char* text;
};

class ChinaTxtFestivals : public ::testing::TestWithParam<DatedText> {};

TEST_P(ChinaTxtFestivals, FallOnThePublishedDay) {
    const DatedText& c = GetParam();
    const FileCalendar& file = ShippedFile();
    EXPECT_EQ(file.days.at(DayNumber(c.year, c.month, c.day)).text, c.text);
}

// Festivals as published, several in years with a leap month (2006: 7th, 2009: 5th,
// 2014: 9th, 2017: 6th, 2020: 4th, 2025: 6th), and Qingming on April 4 and 5.
INSTANTIATE_TEST_SUITE_P(
    Published, ChinaTxtFestivals,
    ::testing::Values(DatedText{2009, 5, 28, "端午"}, DatedText{2020, 6, 25, "端午"},
                      DatedText{2023, 6, 22, "端午"}, DatedText{2024, 6, 10, "端午"},
                      DatedText{2025, 5, 31, "端午"}, DatedText{2006, 7, 31, "七夕"},
                      DatedText{2017, 8, 28, "七夕"}, DatedText{2025, 8, 29, "七夕"},
                      DatedText{2008, 9, 14, "中秋"}, DatedText{2017, 10, 4, "中秋"},
                      DatedText{2020, 10, 1, "中秋"}, DatedText{2023, 9, 29, "中秋"},
                      DatedText{2024, 9, 17, "中秋"}, DatedText{2025, 10, 6, "中秋"},
                      DatedText{2014, 10, 2, "重阳"}, DatedText{2024, 10, 11, "重阳"},
                      DatedText{2025, 10, 29, "重阳"}, DatedText{2008, 4, 4, "清明"},
                      DatedText{2023, 4, 5, "清明"}, DatedText{2024, 4, 4, "清明"},
                      DatedText{2025, 4, 4, "清明"}, DatedText{2026, 4, 5, "清明"},
                      // the same day of a leap month is no festival
                      DatedText{2009, 6, 27, "初五"}, DatedText{2006, 8, 30, "初七"},
                      DatedText{2014, 11, 1, "初九"}),
    [](const auto& info) {
        return std::to_string(info.param.year) + "_" + std::to_string(info.param.month) + "_" +
               std::to_string(info.param.day);
    });

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
