// The data file reader on arbitrary bytes: the bytes become china.txt, the year list and a
// few years' records are read from it, and the calendar is built from whatever was read,
// as the main window does. Nothing may crash, and every success must be a sound one.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace orlenda;

// One scratch file per process, rewritten for every input.
const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/orlenda-fuzz-XXXXXX";
        int fd = mkstemp(pattern.data());
        if (fd < 0) std::abort();
        close(fd);
        std::atexit([] { std::remove(ScratchPath().c_str()); });
        return pattern;
    }();
    return path;
}

bool WriteScratch(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

bool IsBlank(const std::string& cell) { return cell.find_first_not_of(' ') == std::string::npos; }

int DaysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && year % 4 == 0 ? 29 : days[month - 1];
}

// The model of year: every day of every month laid out once, numbered 1 up, and with
// lunar text exactly when the record was good.
void CheckModel(const CalendarModel& model, int year, bool lunar) {
    FUZZ_CHECK(model.built);
    for (int m = 1; m <= 12; ++m) {
        int next = 1;
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d) {
                const std::string& day = model.DayGrid[m][w][d];
                if (IsBlank(day)) {
                    FUZZ_CHECK(IsBlank(model.LunarGrid[m][w][d]));
                    continue;
                }
                FUZZ_CHECK(day == std::to_string(next));
                ++next;
                FUZZ_CHECK(IsBlank(model.LunarGrid[m][w][d]) != lunar);
            }
        FUZZ_CHECK(next == DaysIn(year, m) + 1);
    }
}

void BuildFrom(int year, const YearRecord* record, bool expectLunar) {
    CalendarModel model;
    DataReport report;
    BuildYearCalendar(year, record, model, &report);
    if (expectLunar) FUZZ_CHECK(report.ok());
    CheckModel(model, year, report.ok() && record != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!WriteScratch(data, size)) return 0;
    const std::string& path = ScratchPath();

    YearList list = LoadYearList(path);
    FUZZ_CHECK(list.years.size() <= kMaxDataFileLines);
    FUZZ_CHECK(list.report.ok() ? list.years.size() > 0 : !list.report.message.empty());

    // The first and second lines, a year the input picks, the last year and one beyond.
    const int picked = kFirstYear + (size ? data[size - 1] % 100 : 0);
    for (int year : {kFirstYear, kFirstYear + 1, picked, kLastYear, kLastYear + 1}) {
        DataReport report;
        auto record = ReadYearRecord(path, year, report);
        if (!record) {
            FUZZ_CHECK(!report.message.empty());
            BuildFrom(year > kLastYear ? kLastYear : year, nullptr, false);
            continue;
        }
        FUZZ_CHECK(report.ok());
        FUZZ_CHECK(year <= kLastYear);
        FUZZ_CHECK(record->YearText == std::to_string(year));
        DataReport check;
        FUZZ_CHECK(CheckYearRecord(*record, year, "f", check));
        // A record that was read whole builds a full lunar calendar.
        BuildFrom(year, &*record, true);
        // A good year in the list means the list read that line too.
        FUZZ_CHECK(list.years.size() >= static_cast<std::size_t>(year - kFirstYear + 1));
        FUZZ_CHECK(list.years[year - kFirstYear] == record->YearText);
    }

    // The first line cut into fields with no checks at all, raw into the calendar, so that
    // its own defence against a bad record is exercised too; then as the line parser sees it.
    std::string first(reinterpret_cast<const char*>(data), size);
    first = first.substr(0, first.find('\n'));
    YearRecord raw = SplitYearFields(first);
    BuildFrom(picked, &raw, false);
    if (!first.empty() && first.back() == '\r') first.pop_back();
    DataReport lineReport;
    auto parsed = ParseYearLine(first, 1, 0, "f", lineReport);
    FUZZ_CHECK(parsed.has_value() == lineReport.ok());
    return 0;
}
