#include <gtest/gtest.h>

#include <cmath>
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

struct EndingCase {
    const char* name;
    const char* end;
    bool lastEnd;
};
class LineEndingTest : public ::testing::TestWithParam<EndingCase> {};

TEST_P(LineEndingTest, ElevenLinesGiveElevenYearsInFileOrder) {
    TempDir tmp;
    std::string path =
        tmp.writeLines("china.txt", kLines2000To2010, GetParam().end, GetParam().lastEnd);
    YearList list = LoadYearList(path);
    EXPECT_TRUE(list.report.ok()) << list.report.message;
    ASSERT_EQ(list.years.size(), 11u);
    EXPECT_EQ(list.years.front(), "2000");
    EXPECT_EQ(list.years.back(), "2010");
    for (std::size_t i = 0; i < list.years.size(); ++i)
        EXPECT_EQ(list.years[i], std::to_string(2000 + i));

    // The last line, with or without its end, still holds every field.
    DataReport report;
    auto record = ReadYearRecord(path, 2010, report);
    ASSERT_TRUE(record) << report.message;
    EXPECT_EQ(record->QingmingDay, " 5");
    EXPECT_EQ(record->LunarMonthDays[13], " 30");
}

INSTANTIATE_TEST_SUITE_P(Endings, LineEndingTest,
                         ::testing::Values(EndingCase{"CrLf", "\r\n", true},
                                           EndingCase{"CrLfLastOpen", "\r\n", false},
                                           EndingCase{"Lf", "\n", true},
                                           EndingCase{"LfLastOpen", "\n", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadYearList, SkipsAByteOrderMark) {
    TempDir tmp;
    std::string path = tmp.write("china.txt", "\xEF\xBB\xBF" + kLines2000To2010[0] + "\r\n");
    YearList list = LoadYearList(path);
    EXPECT_TRUE(list.report.ok()) << list.report.message;
    EXPECT_EQ(list.years, std::vector<std::string>{"2000"});
}

TEST(ReadYearRecord, The2001RecordHoldsItsFieldsAsStored) {
    TempDir tmp;
    std::string path = tmp.writeLines("china.txt", kLines2000To2010);
    DataReport report;
    auto r = ReadYearRecord(path, 2001, report);
    ASSERT_TRUE(r) << report.message;
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(r->YearText, "2001");
    EXPECT_EQ(r->Jan1MonthCode, " 1");
    EXPECT_EQ(r->Jan1LunarDay, " 07");
    EXPECT_EQ(r->LeapMonth, " 04");
    const char* lengths[] = {" 30", " 29", " 30", " 30", " 29", " 30", " 29",
                             " 30", " 29", " 29", " 30", " 29", " 30", " 29"};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(r->LunarMonthDays[i], lengths[i]) << i;
    EXPECT_EQ(r->QingmingDay, " 5");
}

TEST(ReadYearRecord, NeverCreatesTheFile) {
    TempDir tmp;
    std::string path = tmp.file("china.txt");
    DataReport report;
    EXPECT_FALSE(ReadYearRecord(path, 2008, report));
    EXPECT_TRUE(LoadYearList(path).years.empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A file whose line 2 (the year 2001) is `line`; the report must name file, line, field.
struct BadLineCase {
    const char* name;
    std::string line;
    std::string report;  // after "FILE, line 2"
};
class BadLineTest : public ::testing::TestWithParam<BadLineCase> {};

TEST_P(BadLineTest, IsReportedPreciselyAndNotUsed) {
    TempDir tmp;
    std::string path =
        tmp.writeLines("china.txt", {kLines2000To2010[0], GetParam().line, kLines2000To2010[2]});
    std::string expected = path + ", line 2" + GetParam().report;

    DataReport report;
    EXPECT_FALSE(ReadYearRecord(path, 2001, report));
    EXPECT_EQ(report.message, expected);

    YearList list = LoadYearList(path);
    EXPECT_EQ(list.report.message, expected);
    EXPECT_EQ(list.years.size(), 3u);  // still one entry per line

    // The neighbours stay readable: one bad line no longer shifts the others.
    DataReport other;
    EXPECT_TRUE(ReadYearRecord(path, 2002, other)) << other.message;
    EXPECT_TRUE(ReadYearRecord(path, 2000, other)) << other.message;
}

const std::string kGood2001 = "2001 1 07 04 30 29 30 30 29 30 29 30 29 29 30 29 30 29 5";
std::string With(std::size_t offset, const std::string& text) {
    std::string line = kGood2001;
    return line.replace(offset, text.size(), text);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadLineTest,
    ::testing::Values(
        BadLineCase{"StrayBlank", "2001 1 07 04  30 29 30 30 29 30 29 30 29 29 30 29 30 29 5",
                    ", LunarMonthDays(0): \"  3\" is not a blank and two digits (the line has 57 "
                    "characters, 56 expected)"},
        BadLineCase{"MissingBlank", "2001 1 07 0430 29 30 30 29 30 29 30 29 29 30 29 30 29 5",
                    ", LunarMonthDays(0): \"30 \" is not a blank and two digits (the line has 55 "
                    "characters, 56 expected)"},
        BadLineCase{"TrailingBlank", kGood2001 + " ",
                    ": text after QingmingDay (the line has 57 characters, 56 expected)"},
        BadLineCase{"Truncated", "2001 1 07 04 30",
                    ", LunarMonthDays(1): missing, expected a blank and two digits (the line has "
                    "15 characters, 56 expected)"},
        BadLineCase{"Empty", "", ": the line is empty"},
        BadLineCase{"YearNotDigits", With(0, "20O1"), ", YearText: \"20O1\" is not four digits"},
        BadLineCase{"TabForBlank", With(4, "\t"),
                    ", Jan1MonthCode: \"\\x091\" is not a blank and one digit"},
        BadLineCase{"MonthCode2", With(5, "2"), ", Jan1MonthCode: \" 2\" is neither 0 nor 1"},
        BadLineCase{"LunarDay00", With(7, "00"),
                    ", Jan1LunarDay: \" 00\" is not a lunar day 1 to 31"},
        BadLineCase{"LunarDay32", With(7, "32"),
                    ", Jan1LunarDay: \" 32\" is not a lunar day 1 to 31"},
        BadLineCase{"LunarDayLetter", With(7, "O7"),
                    ", Jan1LunarDay: \" O7\" is not a blank and two digits"},
        BadLineCase{"Leap00", With(10, "00"),
                    ", LeapMonth: \" 00\" is no leap month: 1 to 12, or above 13 for none"},
        BadLineCase{"Leap13", With(10, "13"),
                    ", LeapMonth: \" 13\" is no leap month: 1 to 12, or above 13 for none"},
        BadLineCase{"Length31", With(19, "31"),
                    ", LunarMonthDays(2): \" 31\" is neither 29 nor 30"},
        BadLineCase{"Length28", With(52, "28"),
                    ", LunarMonthDays(13): \" 28\" is neither 29 nor 30"},
        BadLineCase{"Qingming6", With(55, "6"), ", QingmingDay: \" 6\" is neither 4 nor 5"},
        BadLineCase{"Qingming0", With(55, "0"), ", QingmingDay: \" 0\" is neither 4 nor 5"},
        BadLineCase{"AnotherYear", With(0, "2003"),
                    ", YearText: \"2003\" where the year 2001 belongs"},
        BadLineCase{"NonAscii", With(6, "\xE5\x88\x9D"),
                    ", Jan1LunarDay: \"\\xE5\\x88\\x9D\" is not a blank and two digits"},
        // January 1 cannot be day 31 of a 29-day month (day 30 would be the next month's 1st).
        BadLineCase{"DayBeyondMonth", With(4, " 1 31"),
                    ", Jan1LunarDay: \" 31\" lies beyond the 29-day lunar month "
                    "LunarMonthDays(1)"},
        // 1 + 12 x 29 = 349 days from January 1: the months run out on December 15.
        BadLineCase{"MonthsEndBeforeDecember31",
                    "2001 1 29 04 29 29 29 29 29 29 29 29 29 29 29 29 29 29 5",
                    ", LunarMonthDays: the fourteen lunar months end on 2001-12-15, before "
                    "December 31"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseYearLine, AcceptsTheLastDayPlusOneAndAnyNoLeapMarkAbove13) {
    DataReport report;
    // January 1 as the first day of the 12th month: day 30 of a 29-day 11th month.
    EXPECT_TRUE(ParseYearLine("2014 0 30 09 29 30 29 30 29 30 29 30 29 30 30 29 30 29 5", 15, 2014,
                              "f", report))
        << report.message;
    EXPECT_TRUE(ParseYearLine(With(10, "14"), 2, 2001, "f", report)) << report.message;
    EXPECT_TRUE(ParseYearLine(With(10, "99"), 2, 2001, "f", report)) << report.message;
    EXPECT_TRUE(ParseYearLine(With(10, "12"), 2, 2001, "f", report)) << report.message;
}

// Whole files that are wrong; `make` writes the file into the folder and returns its path.
struct BadFileCase {
    const char* name;
    std::function<std::string(const TempDir&)> make;
    int year;
    std::string readReport;  // of ReadYearRecord(year), after the path
    std::string listReport;  // of LoadYearList, after the path
    std::size_t listSize;
};
class BadFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFileTest, IsReportedAndNothingIsRead) {
    TempDir tmp;
    std::string path = GetParam().make(tmp);
    DataReport report;
    EXPECT_FALSE(ReadYearRecord(path, GetParam().year, report));
    EXPECT_EQ(report.message, path + GetParam().readReport);
    YearList list = LoadYearList(path);
    if (GetParam().listReport.empty())
        EXPECT_TRUE(list.report.ok()) << list.report.message;
    else
        EXPECT_EQ(list.report.message, path + GetParam().listReport);
    EXPECT_EQ(list.years.size(), GetParam().listSize);
}

std::vector<std::string> Lines(std::size_t first, std::size_t count) {
    return {kLines2000To2010.begin() + first, kLines2000To2010.begin() + first + count};
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(
        BadFileCase{"Missing", [](const TempDir& t) { return t.file("china.txt"); }, 2008,
                    ": cannot open the file (No such file or directory)",
                    ": cannot open the file (No such file or directory)", 0},
        BadFileCase{"Directory", [](const TempDir& t) { return t.dir(); }, 2008,
                    ": cannot read the file (Is a directory)",
                    ": cannot read the file (Is a directory)", 0},
        BadFileCase{"Empty", [](const TempDir& t) { return t.write("china.txt", ""); }, 2000,
                    ": the file is empty", ": the file is empty", 0},
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
                    ", line 1: text after QingmingDay (the line has 10485816 characters, 56 "
                    "expected)",
                    1},
        BadFileCase{"TooLarge",
                    [](const TempDir& t) {
                        return t.write("china.txt",
                                       std::string(kMaxDataFileBytes + (1 << 17), 'x'));
                    },
                    2000, ": larger than 16 MiB; reading stopped in line 1",
                    ": larger than 16 MiB; reading stopped in line 1", 0},
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

struct YearCase {
    double year;
    const char* report;
};
class UnsupportedYearTest : public ::testing::TestWithParam<YearCase> {};

TEST_P(UnsupportedYearTest, IsRefusedBeforeReading) {
    TempDir tmp;
    std::string path = tmp.writeLines("china.txt", kLines2000To2010);
    DataReport report;
    EXPECT_FALSE(YearSupported(GetParam().year, report));
    EXPECT_EQ(report.message, GetParam().report);
    DataReport readReport;
    EXPECT_FALSE(ReadYearRecord(path, static_cast<int>(GetParam().year), readReport));
}

INSTANTIATE_TEST_SUITE_P(
    Years, UnsupportedYearTest,
    ::testing::Values(
        YearCase{1999, "year 1999 is not supported: the calendar covers 2000 to 2099"},
        YearCase{2100, "year 2100 is not supported: the calendar covers 2000 to 2099"},
        YearCase{-2008, "year -2008 is not supported: the calendar covers 2000 to 2099"}));

TEST(YearSupported, BoundsAndFractions) {
    DataReport report;
    EXPECT_TRUE(YearSupported(2000, report));
    EXPECT_TRUE(YearSupported(2090, report));  // past the old 16-bit day count
    EXPECT_TRUE(YearSupported(2099, report));
    EXPECT_TRUE(report.ok());
    EXPECT_FALSE(YearSupported(2008.5, report));
    EXPECT_EQ(report.message, "year 2008.5 is not a whole year");
    EXPECT_FALSE(YearSupported(std::nan(""), report));
    EXPECT_EQ(report.message, "the year is not a number");
}

TEST(DefaultDataPath, IsChinaTxtInTheProgramFolder) {
    EXPECT_EQ(DefaultDataPath("/opt/orlenda"), "/opt/orlenda/china.txt");
    EXPECT_EQ(DefaultDataPath("/opt/orlenda/"), "/opt/orlenda/china.txt");
    EXPECT_EQ(DefaultDataPath(""), "china.txt");
}

}  // namespace
}  // namespace orlenda
