// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include "core/yeardata.h"
#include "tests/core/testfiles.h"

namespace orlenda {
namespace {

using test::Joined;
using test::kLines2000To2010;
using test::TempDir;

// Any line ending, the last line's end optional, a byte order mark: eleven years in order.
TEST(LoadYearList, ReadsEveryLineEnding) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"\r\n", "", false}, {"\n", "", true}, {"\n", "", false}, {"\r\n", "\xEF\xBB\xBF", true}};
    for (const auto& [end, bom, lastEnd] : cases) {
        SCOPED_TRACE(std::string(bom) + end + (lastEnd ? "at the end" : ""));
        TempDir tmp;
        std::string bytes = bom + Joined(kLines2000To2010, end);
        if (!lastEnd) bytes.resize(bytes.size() - std::strlen(end));
        std::string path = tmp.write("china.txt", bytes);
        YearList list = LoadYearList(path);
        EXPECT_TRUE(list.report.ok()) << list.report.message;
        ASSERT_EQ(list.years.size(), 11u);
        EXPECT_EQ(list.years.front() + list.years.back(), "20002010");
        DataReport report;
        auto first = ReadYearRecord(path, 2000, report), last = ReadYearRecord(path, 2010, report);
        ASSERT_TRUE(first && last) << report.message;
        EXPECT_EQ(first->YearText + last->LunarMonthDays[13] + last->QingmingDay, "2000 30 5");
    }
}

std::string With(std::size_t offset, const std::string& text) {
    return std::string(kLines2000To2010[1]).replace(offset, text.size(), text);
}

// A bad line 2 (2001) is reported by file, line and field, and only it is refused. Empty: good.
TEST(ReadYearRecord, ReportsABadLinePrecisely) {
    const std::pair<std::string, std::string> cases[] = {
        // clang-format off
        {"2001 1 07 04  30 29 30 30 29 30 29 30 29 29 30 29 30 29 5", ", LunarMonthDays(0): \"  3\" is not a blank and two digits (the line has 57 characters, 56 expected)"},
        {kLines2000To2010[1] + " ", ": text after QingmingDay (the line has 57 characters, 56 expected)"},
        {"2001 1 07 04 30", ", LunarMonthDays(1): missing, expected a blank and two digits (the line has 15 characters, 56 expected)"},
        {"", ": the line is empty"},
        {With(0, "20O1"), ", YearText: \"20O1\" is not four digits"},
        {With(4, "\t"), ", Jan1MonthCode: \"\\x091\" is not a blank and one digit"},
        {With(6, "\xE5\x88\x9D"), ", Jan1LunarDay: \"\\xE5\\x88\\x9D\" is not a blank and two digits"},
        {With(5, "2"), ", Jan1MonthCode: \" 2\" is neither 0 nor 1"},
        {With(7, "32"), ", Jan1LunarDay: \" 32\" is not a lunar day 1 to 31"},
        {With(10, "13"), ", LeapMonth: \" 13\" is no leap month: 1 to 12, or above 13 for none"},
        {With(10, "12"), ""},
        {With(10, "14"), ""},
        {With(52, "28"), ", LunarMonthDays(13): \" 28\" is neither 29 nor 30"},
        {With(55, "6"), ", QingmingDay: \" 6\" is neither 4 nor 5"},
        {With(0, "2003"), ", YearText: \"2003\" where the year 2001 belongs"},
        // January 1 cannot be day 31 of a 29-day month (day 30 would be the next month's 1st).
        {With(4, " 1 31"), ", Jan1LunarDay: \" 31\" lies beyond the 29-day lunar month LunarMonthDays(1)"},
        // 1 + 12 x 29 = 349 days from January 1: the months run out on December 15.
        {"2001 1 29 04 29 29 29 29 29 29 29 29 29 29 29 29 29 29 5", ", LunarMonthDays: the fourteen lunar months end on 2001-12-15, before December 31"}};
    // clang-format on
    for (const auto& [line, tail] : cases) {
        SCOPED_TRACE(line);
        TempDir tmp;
        std::string path =
            tmp.write("china.txt", Joined({kLines2000To2010[0], line, kLines2000To2010[2]}));
        std::string expected = tail.empty() ? "" : path + ", line 2" + tail;
        DataReport report;
        EXPECT_EQ(ReadYearRecord(path, 2001, report).has_value(), expected.empty());
        EXPECT_EQ(report.message, expected);
        YearList list = LoadYearList(path);
        EXPECT_EQ(list.report.message, expected);
        EXPECT_EQ(list.years.size(), 3u);  // still one entry per line
        DataReport other;
        EXPECT_TRUE(ReadYearRecord(path, 2002, other)) << other.message;
        EXPECT_TRUE(ReadYearRecord(path, 2000, other)) << other.message;
    }
}

// Wrong files (no bytes: no file; "/": a folder), never created by reading.
TEST(ReadYearRecord, ReportsABadFile) {
    const auto y2000 = kLines2000To2010.begin();
    std::string manyLines;
    for (std::size_t i = 0; i <= kMaxDataFileLines; ++i) manyLines += "x\n";
    struct {
        std::optional<std::string> bytes;
        int year;
        std::string readReport;  // of ReadYearRecord(year), after the path
        std::string listReport;  // of LoadYearList, after the path; "=" the same
        std::size_t listSize;
    } cases[] = {
        // clang-format off
        {std::nullopt, 2008, ": cannot open the file (No such file or directory)", "=", 0},
        {"/", 2008, ": cannot read the file (Is a directory)", "=", 0},
        {"", 2000, ": the file is empty", "=", 0},
        {Joined({y2000, y2000 + 5}), 2005, ": no line for the year 2005 (line 6; the file ends after line 5)", "", 5},
        // 2004 left out: the lines after the gap are off.
        {Joined({y2000, y2000 + 4}) + Joined({y2000 + 5, y2000 + 8}), 2006, ", line 7, YearText: \"2007\" where the year 2006 belongs", ", line 5, YearText: \"2005\" where the year 2004 belongs (and 2 more bad lines)", 7},
        {std::string(kMaxDataFileBytes + (1 << 17), 'x'), 2000, ": larger than 16 MiB; reading stopped in line 1", "=", 0},
        {manyLines, 2000, ", line 1, YearText: \"x\" is not four digits (the line has 1 character, 56 expected)", ": more than 10000 lines; the rest is ignored", kMaxDataFileLines}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.readReport);
        TempDir tmp;
        std::string path = c.bytes == "/" ? tmp.dir() : tmp.file("china.txt");
        if (c.bytes && c.bytes != "/") tmp.write("china.txt", *c.bytes);
        DataReport report;
        EXPECT_FALSE(ReadYearRecord(path, c.year, report));
        EXPECT_EQ(report.message, path + c.readReport);
        YearList list = LoadYearList(path);
        const std::string& listReport = c.listReport == "=" ? c.readReport : c.listReport;
        EXPECT_EQ(list.report.message, listReport.empty() ? "" : path + listReport);
        EXPECT_EQ(list.years.size(), c.listSize);
        EXPECT_EQ(std::filesystem::exists(path), c.bytes.has_value());
    }
}

}  // namespace
}  // namespace orlenda
