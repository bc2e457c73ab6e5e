// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Chinese calendar computed apart from the data file's generator, to check the file
// against: the moon of libnova's ELP 2000-82B, the earth of its VSOP87, Delta T from the
// Espenak-Meeus polynomials, and the modern calendar rules.
#include <map>
#include <string>
#include <vector>

namespace reference {

// Julian day number of a Gregorian date, and back.
long DayNumber(int year, int month, int day);
struct Ymd {
    int year, month, day;
};
Ymd FromDayNumber(long dayNumber);
std::string DateText(long dayNumber);

struct LunarDate {
    int month = 0;  // 1 to 12
    bool leap = false;
    int day = 0;  // 1 to 30
};

class Calendar {
  public:
    // Covers every day from January 1 of firstYear to December 31 of lastYear. New moons
    // too close to midnight to settle start their month on one of tieDays, provided the
    // computed new moon lies within 300 s of a midnight that bounds that day.
    Calendar(int firstYear, int lastYear, const std::vector<long>& tieDays);

    LunarDate At(long dayNumber) const;
    int QingmingDay(int year) const { return qingming_.at(year); }  // day of April
    // Tie-breaks that found no new moon near enough, and the like.
    const std::vector<std::string>& Problems() const { return problems_; }

  private:
    int MonthIndex(long dayNumber) const;

    std::vector<long> starts_;  // first day of each month; one more than months
    std::vector<LunarDate> months_;
    std::map<int, int> qingming_;  // year, day of April
    std::vector<std::string> problems_;
};

}  // namespace reference
