// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/lunarwalk.h"

#include "core/textconv.h"

namespace orlenda {

std::chrono::year_month_day WalkLunarYear(int year, const YearRecord& record,
                                          const std::function<void(const LunarDate&)>& visit) {
    using namespace std::chrono;
    const std::chrono::year y{year};
    LunarDate lunar;
    lunar.monthIndex = static_cast<int>(Val(record.Jan1MonthCode));
    lunar.day = static_cast<int>(Val(record.Jan1LunarDay));
    const sys_days last{y / December / 31};
    for (sys_days day{y / January / 1}; day <= last; day += days{1}) {
        const int length = static_cast<int>(Val(record.LunarMonthDays[lunar.monthIndex]));
        lunar.monthStart = lunar.day > length;
        if (lunar.monthStart) {
            if (lunar.monthIndex + 1 >= static_cast<int>(record.LunarMonthDays.size()))
                return day - days{1};
            ++lunar.monthIndex;
            lunar.day = 1;
        }
        lunar.date = day;
        if (visit) visit(lunar);
        ++lunar.day;
    }
    return last;
}

}  // namespace orlenda
