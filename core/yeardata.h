// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lunar data file: one fixed-width line per year from 2000 on.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orlenda {

constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

// One line of the data file, fields kept as the text they were read as.
struct YearRecord {
    std::string YearText;                        // 4 chars, e.g. "2001"
    std::string Jan1MonthCode;                   // 2 chars, " 1"
    std::string Jan1LunarDay;                    // 3 chars, " 07"
    std::string LeapMonth;                       // 3 chars, " 04"
    std::array<std::string, 14> LunarMonthDays;  // 3 chars each, " 29" / " 30"
    std::string QingmingDay;                     // 2 chars, " 5"
};

// What a report is about, so that each front end can word it in its own language.
enum class DataProblem {
    None,
    Unreadable,   // file: cannot be opened or read (errorCode)
    TooLarge,     // file: past the size or line limit, the rest unread
    Empty,        // file
    BadLine,      // file, line, year, field, found, fault
    NoLine,       // file, year, line (the one wanted), lineCount
    Unsupported,  // year (found: as given) outside kFirstYear..kLastYear or not whole
    BadRecord,    // year, field, found, fault: a record checked apart from its file
};

// What is wrong with a line or record.
enum class LineFault {
    None,
    EmptyLine,
    Form,            // found is not the field's blanks and digits (empty: the field is missing)
    TextAfterEnd,    // characters after the last field
    OutOfRange,      // found is no value the field can have
    WrongYear,       // found is another year than the line's
    DayBeyondMonth,  // Jan1LunarDay past the end of its monthLength-day month
    MonthsEndEarly,  // the fourteen months end on the date in found, before December 31
};

// What went wrong while reading the data; empty message means all is well.
struct DataReport {
    std::string message;  // one line, English, for the command line; names file, line, field
    DataProblem problem = DataProblem::None;
    std::string file;
    int line = 0;       // 1-based; 0 when no line is concerned
    int year = 0;       // the year concerned; 0 when none
    std::string field;  // "QingmingDay", "LunarMonthDays(2)", ...; empty for the whole line
    std::string found;  // the field's text as read
    LineFault fault = LineFault::None;
    int lineLength = 0;    // characters of a line that is not 56 long, else 0
    int monthLength = 0;   // DayBeyondMonth
    int errorCode = 0;     // Unreadable: the errno value
    int lineCount = 0;     // NoLine: lines in the file
    int moreBadLines = 0;  // LoadYearList: bad lines besides the one reported
    bool ok() const { return message.empty(); }
};

struct YearList {
    std::vector<std::string> years;  // year text of every line, in file order, untrimmed
    std::vector<int> goodYears;      // years kFirstYear..kLastYear whose line is sound
    DataReport report;
};

// Parses one line (without its line end). On failure returns nullopt and fills report,
// naming lineNo and the field. Checks the year against expectedYear when it is not 0.
std::optional<YearRecord> ParseYearLine(const std::string& line, int lineNo, int expectedYear,
                                        const std::string& fileName, DataReport& report);

// Cuts a line into the record's fields at their fixed offsets, without any checks; a field
// past the end of the line is empty.
YearRecord SplitYearFields(const std::string& line);

// Reads the years of every line of the file, in file order.
YearList LoadYearList(const std::string& path);

// Reads and validates the record of one year (line number = year - 2000 + 1).
std::optional<YearRecord> ReadYearRecord(const std::string& path, int year, DataReport& report);

// Checks that a year is within the supported range; fills report when it is not.
bool YearSupported(double year, DataReport& report);

// Checks every field of a record (form and range, as a line of the file has them), that
// it holds year, and that its fourteen lunar months cover January 1 to December 31 of
// that year. where starts the report ("china.txt, line 9"). A leap month of 13 is refused:
// only 1 to 12, or 14 to 99 for "no leap month", are written by the data file.
bool CheckYearRecord(const YearRecord& record, int year, const std::string& where,
                     DataReport& report);

// Limits that keep a damaged or absurd file from costing more than a glance.
constexpr std::size_t kMaxDataFileBytes = 16u << 20;
constexpr std::size_t kMaxDataFileLines = 10000;

}  // namespace orlenda
