#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/yeardata.h"
#include "tests/core/testfiles.h"

namespace orlenda {
namespace {

using test::kLines2000To2010;
using test::TempDir;

// Eleven lines however they end, the last one with or without its end, a byte order mark
// in front: eleven years in file order, first and last line readable to their last field.
TEST(LoadYearList, ReadsEveryLineEnding) {
    const std::vector<std::string> years = {"2000", "2001", "2002", "2003", "2004", "2005",
                                            "2006", "2007", "2008", "2009", "2010"};
    struct {
        const char *end, *bom;
        bool lastEnd;
    } cases[] = {{"\r\n", "", true},
                 {"\r\n", "", false},
                 {"\n", "", true},
                 {"\n", "", false},
                 {"\r\n", "\xEF\xBB\xBF", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.end[0] == '\r' ? "CR LF" : "LF") << c.lastEnd
                                        << (c.bom[0] ? " BOM" : ""));
        TempDir tmp;
        auto lines = kLines2000To2010;
        lines[0] = c.bom + lines[0];
        std::string path = tmp.writeLines("china.txt", lines, c.end, c.lastEnd);
        YearList list = LoadYearList(path);
        EXPECT_TRUE(list.report.ok()) << list.report.message;
        EXPECT_EQ(list.years, years);
        DataReport report;
        EXPECT_TRUE(ReadYearRecord(path, 2000, report)) << report.message;
        auto last = ReadYearRecord(path, 2010, report);
        ASSERT_TRUE(last) << report.message;
        EXPECT_EQ(last->LunarMonthDays[13] + last->QingmingDay, " 30 5");
    }
}

TEST(ReadYearRecord, The2001RecordIsLineTwoFieldByField) {
    TempDir tmp;
    DataReport report;
    auto r = ReadYearRecord(tmp.writeLines("china.txt", kLines2000To2010), 2001, report);
    ASSERT_TRUE(r) << report.message;
    std::vector<std::string> fields = {r->YearText, r->Jan1MonthCode, r->Jan1LunarDay,
                                       r->LeapMonth};
    fields.insert(fields.end(), r->LunarMonthDays.begin(), r->LunarMonthDays.end());
    fields.push_back(r->QingmingDay);
    EXPECT_EQ(fields, (std::vector<std::string>{"2001", " 1", " 07", " 04", " 30", " 29", " 30",
                                                " 30", " 29", " 30", " 29", " 30", " 29", " 29",
                                                " 30", " 29", " 30", " 29", " 5"}));
}

// A file whose line 2 (the year 2001) is `line`. A bad line is reported naming file, line
// and field, and only that line is refused; an empty report means the line is good.
struct LineCase {
    const char* name;
    std::string line;
    std::string report;  // after "FILE, line 2"
};
class YearLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(YearLineTest, IsReportedPreciselyAndNotUsed) {
    TempDir tmp;
    std::string path =
        tmp.writeLines("china.txt", {kLines2000To2010[0], GetParam().line, kLines2000To2010[2]});
    std::string expected = GetParam().report.empty() ? "" : path + ", line 2" + GetParam().report;

    DataReport report;
    EXPECT_EQ(ReadYearRecord(path, 2001, report).has_value(), expected.empty());
    EXPECT_EQ(report.message, expected);
    YearList list = LoadYearList(path);
    EXPECT_EQ(list.report.message, expected);
    EXPECT_EQ(list.years.size(), 3u);  // still one entry per line

    // One bad line no longer shifts its neighbours.
    DataReport other;
    EXPECT_TRUE(ReadYearRecord(path, 2002, other)) << other.message;
    EXPECT_TRUE(ReadYearRecord(path, 2000, other)) << other.message;
}

std::string With(std::size_t offset, const std::string& text) {
    return std::string(kLines2000To2010[1]).replace(offset, text.size(), text);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, YearLineTest,
    ::testing::Values(
        LineCase{"StrayBlank", "2001 1 07 04  30 29 30 30 29 30 29 30 29 29 30 29 30 29 5",
                 ", LunarMonthDays(0): \"  3\" is not a blank and two digits (the line has 57 "
                 "characters, 56 expected)"},
        LineCase{"MissingBlank", "2001 1 07 0430 29 30 30 29 30 29 30 29 29 30 29 30 29 5",
                 ", LunarMonthDays(0): \"30 \" is not a blank and two digits (the line has 55 "
                 "characters, 56 expected)"},
        LineCase{"TrailingBlank", kLines2000To2010[1] + " ",
                 ": text after QingmingDay (the line has 57 characters, 56 expected)"},
        LineCase{"Truncated", "2001 1 07 04 30",
                 ", LunarMonthDays(1): missing, expected a blank and two digits (the line has "
                 "15 characters, 56 expected)"},
        LineCase{"Empty", "", ": the line is empty"},
        LineCase{"YearNotDigits", With(0, "20O1"), ", YearText: \"20O1\" is not four digits"},
        LineCase{"TabForBlank", With(4, "\t"),
                 ", Jan1MonthCode: \"\\x091\" is not a blank and one digit"},
        LineCase{"NonAscii", With(6, "\xE5\x88\x9D"),
                 ", Jan1LunarDay: \"\\xE5\\x88\\x9D\" is not a blank and two digits"},
        LineCase{"MonthCode2", With(5, "2"), ", Jan1MonthCode: \" 2\" is neither 0 nor 1"},
        LineCase{"LunarDay00", With(7, "00"), ", Jan1LunarDay: \" 00\" is not a lunar day 1 to 31"},
        LineCase{"LunarDay32", With(7, "32"), ", Jan1LunarDay: \" 32\" is not a lunar day 1 to 31"},
        LineCase{"Leap00", With(10, "00"),
                 ", LeapMonth: \" 00\" is no leap month: 1 to 12, or above 13 for none"},
        LineCase{"Leap13", With(10, "13"),
                 ", LeapMonth: \" 13\" is no leap month: 1 to 12, or above 13 for none"},
        LineCase{"Leap12", With(10, "12"), ""}, LineCase{"Leap14", With(10, "14"), ""},
        LineCase{"Length31", With(19, "31"), ", LunarMonthDays(2): \" 31\" is neither 29 nor 30"},
        LineCase{"Length00", With(19, "00"), ", LunarMonthDays(2): \" 00\" is neither 29 nor 30"},
        LineCase{"Length28", With(52, "28"), ", LunarMonthDays(13): \" 28\" is neither 29 nor 30"},
        LineCase{"Qingming6", With(55, "6"), ", QingmingDay: \" 6\" is neither 4 nor 5"},
        LineCase{"AnotherYear", With(0, "2003"),
                 ", YearText: \"2003\" where the year 2001 belongs"},
        // January 1 cannot be day 31 of a 29-day month (day 30 would be the next month's 1st).
        LineCase{"DayBeyondMonth", With(4, " 1 31"),
                 ", Jan1LunarDay: \" 31\" lies beyond the 29-day lunar month LunarMonthDays(1)"},
        // 1 + 12 x 29 = 349 days from January 1: the months run out on December 15.
        LineCase{"MonthsEndBeforeDecember31",
                 "2001 1 29 04 29 29 29 29 29 29 29 29 29 29 29 29 29 29 5",
                 ", LunarMonthDays: the fourteen lunar months end on 2001-12-15, before "
                 "December 31"}),
    [](const auto& info) { return std::string(info.param.name); });

// Whole files that are wrong; `make` writes the file into the folder and returns its path.
// Reading never creates the file.
struct BadFileCase {
    const char* name;
    std::function<std::string(const TempDir&)> make;
    int year;
    std::string readReport;  // of ReadYearRecord(year), after the path
    std::string listReport;  // of LoadYearList, after the path; "=" the same
    std::size_t listSize;
};
class BadFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFileTest, IsReportedAndNothingIsRead) {
    TempDir tmp;
    std::string path = GetParam().make(tmp);
    bool existed = std::filesystem::exists(path);
    DataReport report;
    EXPECT_FALSE(ReadYearRecord(path, GetParam().year, report));
    EXPECT_EQ(report.message, path + GetParam().readReport);
    YearList list = LoadYearList(path);
    const std::string& listReport =
        GetParam().listReport == "=" ? GetParam().readReport : GetParam().listReport;
    EXPECT_EQ(list.report.message, listReport.empty() ? "" : path + listReport);
    EXPECT_EQ(list.years.size(), GetParam().listSize);
    EXPECT_EQ(std::filesystem::exists(path), existed);
}

std::vector<std::string> Lines(std::size_t first, std::size_t count) {
    return {kLines2000To2010.begin() + first, kLines2000To2010.begin() + first + count};
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(
        BadFileCase{"Missing", [](const TempDir& t) { return t.file("china.txt"); }, 2008,
                    ": cannot open the file (No such file or directory)", "=", 0},
        BadFileCase{"Directory", [](const TempDir& t) { return t.dir(); }, 2008,
                    ": cannot read the file (Is a directory)", "=", 0},
        BadFileCase{"Empty", [](const TempDir& t) { return t.write("china.txt", ""); }, 2000,
                    ": the file is empty", "=", 0},
        BadFileCase{"EndsBeforeTheYear",
                    [](const TempDir& t) { return t.writeLines("china.txt", Lines(0, 5)); }, 2005,
                    ": no line for the year 2005 (line 6; the file ends after line 5)", "", 5},
        // A file that starts at 2001: every line is one year off.
        BadFileCase{"StartsLate",
                    [](const TempDir& t) { return t.writeLines("china.txt", Lines(1, 10)); }, 2003,
                    ", line 4, YearText: \"2004\" where the year 2003 belongs",
                    ", line 1, YearText: \"2001\" where the year 2000 belongs (and 9 more bad "
                    "lines)",
                    10},
        // 2004 left out: the lines after the gap are off.
        BadFileCase{"Gap",
                    [](const TempDir& t) {
                        auto lines = Lines(0, 4);
                        auto rest = Lines(5, 6);
                        lines.insert(lines.end(), rest.begin(), rest.end());
                        return t.writeLines("china.txt", lines);
                    },
                    2006, ", line 7, YearText: \"2007\" where the year 2006 belongs",
                    ", line 5, YearText: \"2005\" where the year 2004 belongs (and 5 more bad "
                    "lines)",
                    10},
        // 2002 twice: the lines after the second one are off.
        BadFileCase{"DuplicatedYear",
                    [](const TempDir& t) {
                        auto lines = Lines(0, 3);
                        auto rest = Lines(2, 3);
                        lines.insert(lines.end(), rest.begin(), rest.end());
                        return t.writeLines("china.txt", lines);
                    },
                    2003, ", line 4, YearText: \"2002\" where the year 2003 belongs",
                    ", line 4, YearText: \"2002\" where the year 2003 belongs (and 2 more bad "
                    "lines)",
                    6},
        BadFileCase{"BinaryGarbage",
                    [](const TempDir& t) {
                        std::string bytes;
                        for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 37) & 0xFF);
                        return t.write("china.txt", bytes);
                    },
                    2000,
                    // Bytes 0, 37, 74, 111, ...: the first LF (10) is byte 194.
                    ", line 1, YearText: \"\\x00%Jo\" is not four digits (the line has 194 "
                    "characters, 56 expected)",
                    ", line 1, YearText: \"\\x00%Jo\" is not four digits (the line has 194 "
                    "characters, 56 expected) (and 16 more bad lines)",
                    17},
        BadFileCase{"TenMegabyteLine",
                    [](const TempDir& t) {
                        return t.write("china.txt",
                                       kLines2000To2010[0] + std::string(10 << 20, ' ') + "\n");
                    },
                    2000,
                    ", line 1: text after QingmingDay (the line has 10485816 characters, "
                    "56 expected)",
                    "=", 1},
        BadFileCase{"TooLarge",
                    [](const TempDir& t) {
                        return t.write("china.txt",
                                       std::string(kMaxDataFileBytes + (1 << 17), 'x'));
                    },
                    2000, ": larger than 16 MiB; reading stopped in line 1", "=", 0},
        BadFileCase{"TooManyLines",
                    [](const TempDir& t) {
                        std::string bytes;
                        for (std::size_t i = 0; i <= kMaxDataFileLines; ++i) bytes += "x\n";
                        return t.write("china.txt", bytes);
                    },
                    2000,
                    ", line 1, YearText: \"x\" is not four digits (the line has 1 "
                    "character, 56 expected)",
                    ": more than 10000 lines; the rest is ignored", kMaxDataFileLines}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DefaultDataPath, IsChinaTxtInTheProgramFolder) {
    EXPECT_EQ(DefaultDataPath("/opt/orlenda"), "/opt/orlenda/china.txt");
    EXPECT_EQ(DefaultDataPath("/opt/orlenda/"), "/opt/orlenda/china.txt");
    EXPECT_EQ(DefaultDataPath(""), "china.txt");
}

}  // namespace
}  // namespace orlenda
