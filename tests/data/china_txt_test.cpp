// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the shipped lunar data file, read through the program's own core, against an
// independent astronomical calendar and against published dates.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "reference_calendar.h"

namespace {

using reference::DateText;
using reference::DayNumber;

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
const std::map<std::pair<int, int>, std::string> kFestivals = {
    {{5, 5}, "端午"}, {{7, 7}, "七夕"}, {{8, 15}, "中秋"}, {{9, 9}, "重阳"}};

// New moons within seconds of midnight; the Hong Kong Observatory starts the month on
// these days, and so does the file. The reference reports a problem when its own new moon
// is not near enough to take them.
const reference::Calendar& Reference() {
    static const reference::Calendar calendar(
        kFirst, kLast, {DayNumber(2057, 9, 28), DayNumber(2089, 9, 4), DayNumber(2097, 8, 7)});
    return calendar;
}

// What a cell should read, from the reference calendar: a month's first day shows the
// month, festivals belong to regular months, Qingming yields to both. Every day's text
// matching also pins the day numbers and month lengths in between.
std::string ExpectedText(const reference::Calendar& calendar, long dayNumber) {
    reference::LunarDate date = calendar.At(dayNumber);
    if (date.day == 1) return (date.leap ? "闰" : "") + kMonthNames[date.month];
    auto festival = kFestivals.find({date.month, date.day});
    if (!date.leap && festival != kFestivals.end()) return festival->second;
    reference::Ymd ymd = reference::FromDayNumber(dayNumber);
    if (ymd.month == 4 && ymd.day == calendar.QingmingDay(ymd.year)) return "清明";
    return kDayNames[date.day];
}

// Every day of 2000 to 2099 as BuildYearCalendar lays it out from the shipped file: the
// cell text with its two trailing blanks, by day number; and the records that could not
// be read or walked.
struct FileCalendar {
    std::map<long, std::string> cells;
    std::vector<std::string> problems;
};

const FileCalendar& ShippedFile() {
    static const FileCalendar file = [] {
        FileCalendar out;
        for (int year = kFirst; year <= kLast; ++year) {
            orlenda::DataReport report;
            auto record = orlenda::ReadYearRecord(kDataFile, year, report);
            orlenda::CalendarModel model;
            if (record) orlenda::BuildYearCalendar(year, &*record, model, &report);
            if (!record || !report.ok() || !model.built) {
                out.problems.push_back(std::to_string(year) + ": " + report.message);
                continue;
            }
            for (int m = 1; m <= 12; ++m)
                for (int w = 1; w <= 6; ++w)
                    for (int d = 1; d <= 7; ++d) {
                        const std::string& dayText = model.DayGrid[m][w][d];
                        if (dayText != "   ")
                            out.cells[DayNumber(year, m, std::stoi(dayText))] =
                                model.LunarGrid[m][w][d];
                    }
        }
        return out;
    }();
    return file;
}

TEST(ChinaTxtDays, EveryDayMatchesTheReferenceCalendar) {
    const FileCalendar& file = ShippedFile();
    const reference::Calendar& ref = Reference();
    for (const std::string& p : file.problems) ADD_FAILURE() << p;
    for (const std::string& p : ref.Problems()) ADD_FAILURE() << "reference: " << p;

    int differences = 0;
    for (long day = DayNumber(kFirst, 1, 1); day <= DayNumber(kLast, 12, 31); ++day) {
        auto it = file.cells.find(day);
        const std::string got = it == file.cells.end() ? "(no cell)" : it->second;
        const std::string want = ExpectedText(ref, day) + "  ";
        if (got != want && ++differences <= 20)
            ADD_FAILURE() << DateText(day) << ": file shows " << got << ", reference " << want;
    }
    EXPECT_EQ(differences, 0);
}

// Dates as published in almanacs, which the reference must agree with too: Spring Festivals,
// the first days of leap months (2001 4th ... 2033 11th), festivals in years whose leap month
// repeats the festival's month (the same day of the leap month is no festival), Qingming.
TEST(ChinaTxtPublished, DatesShowTheirText) {
    const char* dated[] = {"2000-02-05 春节",     "2014-01-31 春节",   "2030-02-03 春节",
                           "2001-05-23 闰四月",   "2012-05-21 闰四月", "2017-07-23 闰六月",
                           "2033-12-22 闰十一月", "2009-05-28 端午",   "2009-06-27 初五",
                           "2006-07-31 七夕",     "2006-08-30 初七",   "2008-09-14 中秋",
                           "2014-10-02 重阳",     "2014-11-01 初九",   "2014-01-01 十二月",
                           "2008-04-04 清明",     "2026-04-05 清明"};
    const FileCalendar& file = ShippedFile();
    for (const char* entry : dated) {
        int year = 0, month = 0, day = 0, text = 0;
        ASSERT_EQ(std::sscanf(entry, "%d-%d-%d %n", &year, &month, &day, &text), 3) << entry;
        auto it = file.cells.find(DayNumber(year, month, day));
        ASSERT_NE(it, file.cells.end()) << entry;
        EXPECT_EQ(it->second, std::string(entry + text) + "  ") << entry;
    }
}

}  // namespace
