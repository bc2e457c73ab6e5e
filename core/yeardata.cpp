// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/yeardata.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/lunarwalk.h"
#include "core/textconv.h"

namespace orlenda {

namespace {

constexpr std::size_t kLineLength = 56;
// Bytes of a line kept for parsing; the rest of an over-long line is only counted.
constexpr std::size_t kKeptLineBytes = 256;

// The text of a field for a report: printable ASCII as is, anything else as \xNN.
std::string Quote(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "\"";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += ch;
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out + "\"";
}

std::string Digits(long value, int width) {
    std::string text = std::to_string(value);
    return text.size() < static_cast<std::size_t>(width)
               ? std::string(width - text.size(), '0') + text
               : text;
}

std::string DateText(std::chrono::year_month_day date) {
    return std::to_string(static_cast<int>(date.year())) + "-" + Digits(unsigned{date.month()}, 2) +
           "-" + Digits(unsigned{date.day()}, 2);
}

// A field written as one blank followed by `digits` digits (the year: four digits, no blank).
bool WellFormed(const std::string& text, std::size_t blanks, std::size_t digits) {
    if (text.size() != blanks + digits) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (i < blanks ? c != ' ' : (c < '0' || c > '9')) return false;
    }
    return true;
}

struct Problem {
    std::string field;
    std::string text;  // English
    LineFault fault = LineFault::None;
    std::string found;
    int monthLength = 0;
};

std::string FormText(std::size_t blanks, std::size_t digits) {
    std::string digitWord = digits == 1 ? "one digit" : digits == 2 ? "two digits" : "four digits";
    return blanks ? "a blank and " + digitWord : digitWord;
}

bool CheckForm(const std::string& field, const std::string& text, std::size_t blanks,
               std::size_t digits, Problem& problem) {
    if (WellFormed(text, blanks, digits)) return true;
    problem.field = field;
    problem.text = text.empty() ? "missing, expected " + FormText(blanks, digits)
                                : Quote(text) + " is not " + FormText(blanks, digits);
    problem.fault = LineFault::Form;
    problem.found = text;
    return false;
}

// Every field written as blanks and digits of its width, or the first that is not.
bool FieldsWellFormed(const YearRecord& r, Problem& p) {
    if (!CheckForm("YearText", r.YearText, 0, 4, p)) return false;
    if (!CheckForm("Jan1MonthCode", r.Jan1MonthCode, 1, 1, p)) return false;
    if (!CheckForm("Jan1LunarDay", r.Jan1LunarDay, 1, 2, p)) return false;
    if (!CheckForm("LeapMonth", r.LeapMonth, 1, 2, p)) return false;
    for (std::size_t i = 0; i < r.LunarMonthDays.size(); ++i) {
        std::string name = "LunarMonthDays(" + std::to_string(i) + ")";
        if (!CheckForm(name, r.LunarMonthDays[i], 1, 2, p)) return false;
    }
    return CheckForm("QingmingDay", r.QingmingDay, 1, 1, p);
}

// First thing wrong with the record as the record of `year` (0: any year), if anything.
bool FindProblem(const YearRecord& r, int year, Problem& p) {
    if (!FieldsWellFormed(r, p)) return false;
    auto fail = [&](const std::string& field, const std::string& found, const std::string& text,
                    LineFault fault = LineFault::OutOfRange) {
        p.field = field;
        p.found = found;
        p.text = Quote(found) + text;
        p.fault = fault;
        return false;
    };
    int code = static_cast<int>(Val(r.Jan1MonthCode));
    if (code != 0 && code != 1)
        return fail("Jan1MonthCode", r.Jan1MonthCode, " is neither 0 nor 1");
    int day = static_cast<int>(Val(r.Jan1LunarDay));
    if (day < 1 || day > 31)
        return fail("Jan1LunarDay", r.Jan1LunarDay, " is not a lunar day 1 to 31");
    int leap = static_cast<int>(Val(r.LeapMonth));
    if (leap < 1 || leap == 13)
        return fail("LeapMonth", r.LeapMonth, " is no leap month: 1 to 12, or above 13 for none");
    int lengths[14];
    for (std::size_t i = 0; i < 14; ++i) {
        lengths[i] = static_cast<int>(Val(r.LunarMonthDays[i]));
        if (lengths[i] != 29 && lengths[i] != 30)
            return fail("LunarMonthDays(" + std::to_string(i) + ")", r.LunarMonthDays[i],
                        " is neither 29 nor 30");
    }
    int qingming = static_cast<int>(Val(r.QingmingDay));
    if (qingming != 4 && qingming != 5)
        return fail("QingmingDay", r.QingmingDay, " is neither 4 nor 5");

    int recordYear = static_cast<int>(Val(r.YearText));
    if (year != 0 && recordYear != year)
        return fail("YearText", r.YearText, " where the year " + std::to_string(year) + " belongs",
                    LineFault::WrongYear);
    if (recordYear < kFirstYear || recordYear > kLastYear) return true;  // nothing to walk

    // A day one past the month's end stands for the first day of the next month.
    if (day > lengths[code] + 1) {
        p.monthLength = lengths[code];
        return fail("Jan1LunarDay", r.Jan1LunarDay,
                    " lies beyond the " + std::to_string(lengths[code]) +
                        "-day lunar month LunarMonthDays(" + std::to_string(code) + ")",
                    LineFault::DayBeyondMonth);
    }
    const std::chrono::year_month_day lastDay = WalkLunarYear(recordYear, r, nullptr);
    if (lastDay == std::chrono::year{recordYear} / std::chrono::December / 31) return true;
    p.field = "LunarMonthDays";
    p.found = DateText(lastDay);
    p.text = "the fourteen lunar months end on " + p.found + ", before December 31";
    p.fault = LineFault::MonthsEndEarly;
    return false;
}

// Reads a file line by line in bounded memory: a line ends with LF (a CR before it is
// dropped); a last line without its end counts as a line.
class LineFile {
  public:
    explicit LineFile(const std::string& path) : path_(path) {
        errno = 0;
        file_.reset(std::fopen(path.c_str(), "rb"));
        if (!file_) {
            errorCode_ = errno ? errno : ENOENT;
            error_ = path + ": cannot open the file (" + std::strerror(errorCode_) + ")";
        }
    }
    bool opened() const { return file_ != nullptr; }
    const std::string& error() const { return error_; }
    // The error as a report of the file as a whole.
    DataReport Report() const {
        DataReport r;
        r.message = error_;
        r.problem = errorCode_ ? DataProblem::Unreadable : DataProblem::TooLarge;
        r.file = path_;
        r.errorCode = errorCode_;
        r.line = stoppedAt_;
        return r;
    }
    std::size_t lineCount() const { return lines_; }

    // Next line into line (at most kKeptLineBytes kept) and its full length; false at the
    // end of the file, on a read error or past the limits (error() tells which).
    bool Next(std::string& line, std::size_t& fullLength) {
        line.clear();
        fullLength = 0;
        if (!file_ || done_) return false;
        if (lines_ >= kMaxDataFileLines) {
            error_ = path_ + ": more than " + std::to_string(kMaxDataFileLines) +
                     " lines; the rest is ignored";
            done_ = true;
            return false;
        }
        bool any = false;
        for (;;) {
            if (pos_ == end_) {
                if (total_ > kMaxDataFileBytes) {
                    error_ = path_ + ": larger than " + std::to_string(kMaxDataFileBytes >> 20) +
                             " MiB; reading stopped in line " + std::to_string(lines_ + 1);
                    stoppedAt_ = static_cast<int>(lines_ + 1);
                    done_ = true;
                    return false;
                }
                errno = 0;
                end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
                pos_ = 0;
                total_ += end_;
                if (end_ == 0) {
                    if (std::ferror(file_.get())) {
                        errorCode_ = errno ? errno : EIO;
                        error_ =
                            path_ + ": cannot read the file (" + std::strerror(errorCode_) + ")";
                        done_ = true;
                        return false;
                    }
                    done_ = true;
                    if (!any) return false;
                    break;  // last line without its end
                }
            }
            any = true;
            char c = buffer_[pos_++];
            if (c == '\n') break;
            if (line.size() < kKeptLineBytes) line += c;
            ++fullLength;
        }
        if (!line.empty() && line.back() == '\r' && fullLength <= kKeptLineBytes) {
            line.pop_back();
            --fullLength;
        }
        // A byte order mark that some editors put in front of the first line.
        if (lines_ == 0 && line.rfind("\xEF\xBB\xBF", 0) == 0) {
            line.erase(0, 3);
            fullLength -= 3;
        }
        ++lines_;
        return true;
    }

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::string path_;
    std::unique_ptr<std::FILE, Closer> file_;
    std::string error_;
    int errorCode_ = 0;
    int stoppedAt_ = 0;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
    std::size_t pos_ = 0, end_ = 0, total_ = 0, lines_ = 0;
    bool done_ = false;
};

std::optional<YearRecord> ParseLine(const std::string& line, std::size_t fullLength, int lineNo,
                                    int expectedYear, const std::string& fileName,
                                    DataReport& report) {
    std::string where = fileName + ", line " + std::to_string(lineNo);
    DataReport bad;
    bad.problem = DataProblem::BadLine;
    bad.file = fileName;
    bad.line = lineNo;
    bad.year = expectedYear;
    auto whole = [](LineFault fault) {  // a fault of the line, not of one field
        Problem p;
        p.fault = fault;
        return p;
    };
    auto refuse = [&](const Problem& p, const std::string& message) {
        bad.message = message;
        bad.field = p.field;
        bad.found = p.found;
        bad.fault = p.fault;
        bad.monthLength = p.monthLength;
        report = bad;
        return std::nullopt;
    };
    if (fullLength == 0) return refuse(whole(LineFault::EmptyLine), where + ": the line is empty");
    YearRecord r = SplitYearFields(line);

    std::string lengthNote = " (the line has " + std::to_string(fullLength) +
                             (fullLength == 1 ? " character, " : " characters, ") +
                             std::to_string(kLineLength) + " expected)";
    if (fullLength != kLineLength) bad.lineLength = static_cast<int>(fullLength);
    Problem p;
    // Field form first, so that a stray or missing blank is reported where it is.
    if (!FindProblem(r, 0, p))
        return refuse(p, where + ", " + p.field + ": " + p.text +
                             (fullLength != kLineLength ? lengthNote : ""));
    if (fullLength != kLineLength)
        return refuse(whole(LineFault::TextAfterEnd),
                      where + ": text after QingmingDay" + lengthNote);
    // The fields passed: only the year can be wrong for this line (and the walk is not redone).
    if (expectedYear != 0 && static_cast<int>(Val(r.YearText)) != expectedYear &&
        !FindProblem(r, expectedYear, p))
        return refuse(p, where + ", " + p.field + ": " + p.text);
    return r;
}

DataReport EmptyFile(const std::string& path) {
    DataReport r;
    r.message = path + ": the file is empty";
    r.problem = DataProblem::Empty;
    r.file = path;
    return r;
}

}  // namespace

bool YearSupported(double year, DataReport& report) {
    std::string message;
    if (!std::isfinite(year)) {
        message = "the year is not a number";
    } else if (year != std::floor(year)) {
        message = "year " + DecimalText(year) + " is not a whole year";
    } else if (year < kFirstYear || year > kLastYear) {
        message = "year " + DecimalText(year) + " is not supported: the calendar covers " +
                  std::to_string(kFirstYear) + " to " + std::to_string(kLastYear);
    } else {
        return true;
    }
    report = DataReport();
    report.message = message;
    report.problem = DataProblem::Unsupported;
    if (std::isfinite(year)) report.found = DecimalText(year);
    return false;
}

bool CheckYearRecord(const YearRecord& record, int year, const std::string& where,
                     DataReport& report) {
    Problem p;
    if (FindProblem(record, year, p)) return true;
    report = DataReport();
    report.message = where + ", " + p.field + ": " + p.text;
    report.problem = DataProblem::BadRecord;
    report.year = year;
    report.field = p.field;
    report.found = p.found;
    report.fault = p.fault;
    report.monthLength = p.monthLength;
    return false;
}

std::optional<YearRecord> ParseYearLine(const std::string& line, int lineNo, int expectedYear,
                                        const std::string& fileName, DataReport& report) {
    return ParseLine(line, line.size(), lineNo, expectedYear, fileName, report);
}

YearList LoadYearList(const std::string& path) {
    YearList list;
    LineFile file(path);
    if (!file.opened()) {
        list.report = file.Report();
        return list;
    }
    std::string line;
    std::size_t fullLength = 0;
    std::size_t badLines = 0;
    while (file.Next(line, fullLength)) {
        std::size_t lineNo = file.lineCount();
        list.years.push_back(line.substr(0, 4));
        // Lines past the supported years are listed but not checked.
        if (lineNo > static_cast<std::size_t>(kLastYear - kFirstYear + 1)) continue;
        DataReport lineReport;
        int year = kFirstYear + static_cast<int>(lineNo) - 1;
        if (!ParseLine(line, fullLength, static_cast<int>(lineNo), year, path, lineReport)) {
            if (badLines++ == 0) list.report = lineReport;
        } else {
            list.goodYears.push_back(year);
        }
    }
    if (!file.error().empty()) {
        // A read failure or a limit matters more than a bad line.
        list.report = file.Report();
        badLines = 0;
    } else if (file.lineCount() == 0) {
        list.report = EmptyFile(path);
    }
    if (badLines > 1) {
        list.report.moreBadLines = static_cast<int>(badLines - 1);
        list.report.message += " (and " + std::to_string(badLines - 1) + " more bad line" +
                               (badLines > 2 ? "s" : "") + ")";
    }
    return list;
}

std::optional<YearRecord> ReadYearRecord(const std::string& path, int year, DataReport& report) {
    if (!YearSupported(year, report)) return std::nullopt;
    LineFile file(path);
    if (!file.opened()) {
        report = file.Report();
        return std::nullopt;
    }
    std::size_t wanted = static_cast<std::size_t>(year - kFirstYear + 1);
    std::string line;
    std::size_t fullLength = 0;
    while (file.Next(line, fullLength)) {
        if (file.lineCount() == wanted)
            return ParseLine(line, fullLength, static_cast<int>(wanted), year, path, report);
    }
    if (!file.error().empty()) {
        report = file.Report();
    } else if (file.lineCount() == 0) {
        report = EmptyFile(path);
    } else {
        report = DataReport();
        report.message = path + ": no line for the year " + std::to_string(year) + " (line " +
                         std::to_string(wanted) + "; the file ends after line " +
                         std::to_string(file.lineCount()) + ")";
        report.problem = DataProblem::NoLine;
        report.file = path;
        report.year = year;
        report.line = static_cast<int>(wanted);
        report.lineCount = static_cast<int>(file.lineCount());
    }
    return std::nullopt;
}

YearRecord SplitYearFields(const std::string& line) {
    auto field = [&](std::size_t offset, std::size_t width) {
        return offset < line.size() ? line.substr(offset, width) : std::string();
    };
    YearRecord r;
    r.YearText = field(0, 4);
    r.Jan1MonthCode = field(4, 2);
    r.Jan1LunarDay = field(6, 3);
    r.LeapMonth = field(9, 3);
    for (std::size_t i = 0; i < 14; ++i) r.LunarMonthDays[i] = field(12 + 3 * i, 3);
    r.QingmingDay = field(54, 2);
    return r;
}

}  // namespace orlenda
