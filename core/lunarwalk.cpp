// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/lunarwalk.h"

#include <array>

#include "core/textconv.h"

namespace orlenda {

std::chrono::year_month_day WalkLunarYear(int year, const YearRecord& record,
                                          const std::function<void(const LunarDate&)>& visit) {
    using namespace std::chrono;
    const std::chrono::year y{year};
    LunarDate lunar;
    lunar.monthIndex = static_cast<int>(Val(record.Jan1MonthCode));
    lunar.day = static_cast<int>(Val(record.Jan1LunarDay));
    // Read once: the year list checks every year's walk, and reading a field each day cost
    // more than the rest of the walk.
    std::array<int, std::tuple_size_v<decltype(record.LunarMonthDays)>> lengths;
    for (std::size_t i = 0; i < lengths.size(); ++i)
        lengths[i] = static_cast<int>(Val(record.LunarMonthDays[i]));
    const sys_days last{y / December / 31};
    for (sys_days day{y / January / 1}; day <= last; day += days{1}) {
        lunar.monthStart = lunar.day > lengths[lunar.monthIndex];
        if (lunar.monthStart) {
            if (lunar.monthIndex + 1 >= static_cast<int>(lengths.size())) return day - days{1};
            ++lunar.monthIndex;
            lunar.day = 1;
        }
        if (visit) {  // a date's civil form costs more than the rest of a day's step
            lunar.date = day;
            visit(lunar);
        }
        ++lunar.day;
    }
    return last;
}

}  // namespace orlenda
