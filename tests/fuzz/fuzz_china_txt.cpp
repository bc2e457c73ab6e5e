// SPDX-License-Identifier: GPL-3.0-or-later
// The data file reader on arbitrary bytes as china.txt, and the calendar built from what was
// read: no crash, a refusal says why, every accepted year gives a whole calendar.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using namespace orlenda;

// The bytes as a file in memory, one per process, rewritten for every input.
std::string WriteScratch(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("china.txt", 0);
    FUZZ_CHECK(fd >= 0 && ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, data, size, 0) == ssize_t(size));
    return "/proc/self/fd/" + std::to_string(fd);
}

bool IsBlank(const std::string& cell) { return cell.find_first_not_of(' ') == std::string::npos; }

// The calendar of year: every day of every month laid out once, numbered 1 up, and with
// lunar text exactly when the record was good.
void Build(int year, const YearRecord* record, bool accepted) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    CalendarModel model;
    DataReport report;
    BuildYearCalendar(year, record, model, &report);
    if (accepted) FUZZ_CHECK(report.ok());
    const bool lunar = report.ok() && record != nullptr;
    FUZZ_CHECK(model.built);
    for (int m = 1; m <= 12; ++m) {
        int next = 1;
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d) {
                const std::string& day = model.DayGrid[m][w][d];
                if (!IsBlank(day)) FUZZ_CHECK(day == std::to_string(next++));
                FUZZ_CHECK(IsBlank(model.LunarGrid[m][w][d]) == (IsBlank(day) || !lunar));
            }
        FUZZ_CHECK(next == days[m - 1] + (m == 2 && year % 4 == 0) + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = WriteScratch(data, size);
    const YearList list = LoadYearList(path);
    FUZZ_CHECK(list.years.size() <= kMaxDataFileLines);

    // The first and second lines, a year the input picks, the last year and one beyond.
    const int picked = kFirstYear + (size ? data[size - 1] % 100 : 0);
    for (int year : {kFirstYear, kFirstYear + 1, picked, kLastYear, kLastYear + 1}) {
        DataReport report;
        const auto record = ReadYearRecord(path, year, report);
        FUZZ_CHECK(record.has_value() == report.ok());
        // A year accepted is in the list as read from the same line.
        if (record)
            FUZZ_CHECK(year <= kLastYear && list.years.size() > std::size_t(year - kFirstYear) &&
                       list.years[year - kFirstYear] == record->YearText);
        Build(std::min(year, kLastYear), record ? &*record : nullptr, record.has_value());
    }

    // The first line cut into fields with no checks at all, raw into the calendar, so that
    // its own defence against a bad record is exercised too.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const YearRecord raw = SplitYearFields(text.substr(0, text.find('\n')));
    Build(picked, &raw, false);
    return 0;
}
