#pragma once
// A Chinese calendar computed apart from the data file's generator, to check the file
// against: the moon of libnova's ELP 2000-82B, the earth of its VSOP87, Delta T from the
// Espenak-Meeus polynomials, and the modern calendar rules.
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

struct NewMoon {
    double jdUt = 0;          // the moment, UT
    long localDay = 0;        // the Beijing (UTC+8) day it falls on
    double fromMidnight = 0;  // seconds from the nearest Beijing midnight, < 0 before it
};

struct LunarDate {
    int month = 0;  // 1 to 12
    bool leap = false;
    int day = 0;  // 1 to 30
};

// A new moon too close to midnight to settle: the month starts on `day`, provided the
// computed new moon lies within maxSeconds of a midnight that bounds that day.
struct TieBreak {
    long day;
    double maxSeconds;
};

class Calendar {
  public:
    // Covers every day from January 1 of firstYear to December 31 of lastYear.
    Calendar(int firstYear, int lastYear, const std::vector<TieBreak>& tieBreaks);

    LunarDate At(long dayNumber) const;
    int QingmingDay(int year) const;  // day of April
    // Tie-breaks that could not be applied (no new moon near enough), as text.
    const std::vector<std::string>& Problems() const { return problems_; }

  private:
    int MonthIndex(long dayNumber) const;

    std::vector<NewMoon> moons_;
    std::vector<long> starts_;  // first day of each month; one more than months
    std::vector<int> number_;
    std::vector<bool> leap_;
    std::vector<std::pair<int, int>> qingming_;  // year, day of April
    std::vector<std::string> problems_;
};

// Delta T = TT - UT in seconds at a Julian date.
double DeltaT(double jd);
// Apparent geocentric longitude of the sun, equinox of date, degrees (jde in TT).
double SunApparentLongitude(double jde);

}  // namespace reference
