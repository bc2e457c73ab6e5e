// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped data file through the program's core, against an independent astronomical
// calendar and published dates.
#include <gtest/gtest.h>
#include <libnova/earth.h>
#include <libnova/lunar.h>
#include <libnova/nutation.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/calendar.h"
#include "core/yeardata.h"

// A Chinese calendar computed apart from the data file's generator: the moon of libnova's
// ELP 2000-82B, the earth of its VSOP87, Delta T from the Espenak-Meeus polynomials.
namespace reference {

namespace {

constexpr double kJ2000 = 2451545.0;
constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kBeijing = 8.0 / 24.0;
constexpr double kSecondsPerDay = 86400.0;
// New moons whose series estimate lies this close to a Beijing midnight are solved with
// the full theories.
constexpr double kRefineWithin = 3600.0;

double Wrap180(double degrees) { return degrees - 360.0 * std::floor((degrees + 180.0) / 360.0); }

double Wrap360(double degrees) { return degrees - 360.0 * std::floor(degrees / 360.0); }

// The geometric sun in the J2000 frame: L its longitude (degrees), R its distance (AU).
ln_helio_posn SunJ2000(double jde) {
    ln_helio_posn earth;
    ln_get_earth_helio_coords(jde, &earth);
    earth.L += 180.0;
    return earth;
}

double AberrationDegrees(double distance) { return 20.4898 / 3600.0 / distance; }

// Moon minus sun, apparent, degrees in (-180, 180]. Both bodies in the J2000 frame, so
// precession and nutation drop out of the difference.
double Elongation(double jde) {
    ln_rect_posn moon;
    ln_get_lunar_geo_posn(jde, &moon, 0);
    double moonLongitude = std::atan2(moon.Y, moon.X) / kDegree;
    double lightDays = std::sqrt(moon.X * moon.X + moon.Y * moon.Y + moon.Z * moon.Z) / 299792.458 /
                       kSecondsPerDay;
    moonLongitude -= 13.176396 * lightDays;  // where the moon was when the light left it
    ln_helio_posn sun = SunJ2000(jde);
    return Wrap180(moonLongitude - (sun.L - AberrationDegrees(sun.R)));
}

// Mean new moon number k (0 = January 2000) plus the four largest periodic terms of Meeus,
// Astronomical Algorithms, ch. 49: a moment in TT within half an hour, inside kRefineWithin,
// so the terms left out never change which day a new moon falls on.
double NewMoonEstimate(int k) {
    const double T = k / 1236.85, E = 1 - 0.002516 * T;
    const double M = (2.5534 + 29.10535670 * k) * kDegree;
    const double Mp = (201.5643 + 385.81693528 * k) * kDegree;
    const double F = (160.7108 + 390.67050284 * k) * kDegree;
    return 2451550.09766 + 29.530588861 * k - 0.40720 * std::sin(Mp) + 0.17241 * E * std::sin(M) +
           0.01608 * std::sin(2 * Mp) + 0.01039 * std::sin(2 * F);
}

// Secant search for a zero of f near guess; f changes smoothly and is near linear there.
template <typename F>
double Solve(F f, double guess, double step) {
    double x0 = guess, x1 = guess + step;
    double f0 = f(x0), f1 = f(x1);
    for (int i = 0; i < 30; ++i) {
        if (f1 == f0) break;
        double x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
        x0 = x1;
        f0 = f1;
        x1 = x2;
        if (std::fabs(x1 - x0) < 1e-7) return x1;  // under 0.01 s
        f1 = f(x1);
    }
    if (std::fabs(x1 - x0) < 1e-6) return x1;
    throw std::runtime_error("no convergence");
}

// Delta T = TT - UT in seconds.
double DeltaT(double jd) {
    const double y = 2000.0 + (jd - kJ2000) / 365.25, t = y - 2000, u = (y - 1820) / 100;
    if (y < 2005)
        return 63.86 + t * (0.3345 + t * (-0.060374 +
                                          t * (0.0017275 + t * (0.000651814 + t * 0.00002373599))));
    if (y < 2050) return 62.92 + 0.32217 * t + 0.005589 * t * t;
    return -20 + 32 * u * u - 0.5628 * (2150 - y);
}

// Apparent geocentric longitude of the sun, equinox of date, degrees.
double SunApparentLongitude(double jde) {
    ln_helio_posn sun = SunJ2000(jde);
    double T = (jde - kJ2000) / 36525.0;
    double precession = (5028.796195 * T + 1.1054348 * T * T) / 3600.0;  // J2000 to date
    ln_nutation nutation;
    ln_get_nutation(jde, &nutation);
    return Wrap360(sun.L + precession + nutation.longitude - AberrationDegrees(sun.R));
}

double UtFromTt(double jde) {
    double jd = jde - DeltaT(jde) / kSecondsPerDay;
    return jde - DeltaT(jd) / kSecondsPerDay;
}

struct Moment {
    double jdUt;
    long localDay;        // the Beijing (UTC+8) day it falls on
    double fromMidnight;  // seconds from the nearest Beijing midnight, < 0 before it
};

Moment InBeijing(double jdUt) {
    double local = jdUt + kBeijing + 0.5;
    long day = static_cast<long>(std::floor(local));
    double seconds = (local - day) * kSecondsPerDay;
    return {jdUt, day, seconds < kSecondsPerDay / 2 ? seconds : seconds - kSecondsPerDay};
}

}  // namespace

constexpr long kUnixEpoch = 2440588;  // the Julian day number of 1970-01-01

long DayNumber(int y, int m, int d) {
    using namespace std::chrono;
    return sys_days{year{y} / m / d}.time_since_epoch().count() + kUnixEpoch;
}

std::string DateText(long dayNumber) {
    const std::chrono::year_month_day d{
        std::chrono::sys_days{std::chrono::days{dayNumber - kUnixEpoch}}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(d.year()), unsigned(d.month()),
                  unsigned(d.day()));
    return text;
}

struct LunarDate {
    int month = 0;  // 1 to 12
    bool leap = false;
    int day = 0;  // 1 to 30
};

// Covers every day from January 1 of firstYear to December 31 of lastYear. New moons too close
// to midnight to settle start their month on one of tieDays, provided the computed new moon
// lies within 300 s of a midnight that bounds that day.
class Calendar {
  public:
    Calendar(int firstYear, int lastYear, const std::vector<long>& tieDays) {
        // From the 11th month before the first year to the 11th month after the last one.
        double from = DayNumber(firstYear - 1, 10, 1) - 0.5;
        double to = DayNumber(lastYear + 2, 1, 31) - 0.5;
        int k = static_cast<int>(std::floor((from - 2451550.09766) / 29.530588861));
        std::vector<Moment> moons;
        for (;; ++k) {
            double jde = NewMoonEstimate(k);
            Moment moon = InBeijing(UtFromTt(jde));
            if (moon.jdUt > to) break;
            if (std::fabs(moon.fromMidnight) < kRefineWithin)
                moon = InBeijing(UtFromTt(Solve(Elongation, jde, 1.0 / 1440)));
            if (moon.jdUt >= from) moons.push_back(moon);
        }
        for (long tie : tieDays) {
            auto moon = std::find_if(moons.begin(), moons.end(), [tie](const Moment& m) {
                return std::fabs(m.fromMidnight) <= 300 && std::abs(m.localDay - tie) <= 1 &&
                       (m.localDay == tie || (m.localDay < tie) == (m.fromMidnight < 0));
            });
            if (moon == moons.end())
                throw std::logic_error("no new moon near midnight on " + DateText(tie));
            moon->localDay = tie;
        }
        for (const Moment& moon : moons) starts_.push_back(moon.localDay);
        months_.assign(starts_.size() - 1, {});

        // Solar terms every 15 degrees; even ones are the major terms.
        std::vector<bool> hasMajor(months_.size(), false);
        std::vector<int> solsticeMonths;
        double jde = from + 0.5;
        double longitude = SunApparentLongitude(jde);
        int term = static_cast<int>(std::floor(longitude / 15.0)) + 1;
        for (;; ++term) {
            double target = 15.0 * (term % 24);
            double guess = jde + Wrap360(target - SunApparentLongitude(jde)) / 0.9856;
            jde = Solve([target](double t) { return Wrap180(SunApparentLongitude(t) - target); },
                        guess, 0.01);
            long day = InBeijing(UtFromTt(jde)).localDay;
            if (day >= starts_.back()) break;
            if (target == 15.0) qingming.insert(day);
            if (term % 2 == 0 && day >= starts_.front()) {
                int i = MonthIndex(day);
                hasMajor[i] = true;
                if (target == 270.0) solsticeMonths.push_back(i);
            }
            jde += 10;
        }
        for (std::size_t s = 0; s + 1 < solsticeMonths.size(); ++s) {
            int a = solsticeMonths[s], b = solsticeMonths[s + 1];
            int leap = -1;
            if (b - a == 13) {
                for (int i = a + 1; i < b && leap < 0; ++i)
                    if (!hasMajor[i]) leap = i;
            } else if (b - a != 12) {
                throw std::logic_error(std::to_string(b - a) + " months between two 11th months");
            }
            int number = 11;
            months_[a].month = 11;
            for (int i = a + 1; i < b; ++i) {
                if (i != leap) number = number % 12 + 1;
                months_[i] = {number, i == leap};
            }
        }
    }

    LunarDate At(long dayNumber) const {
        int i = MonthIndex(dayNumber);
        if (months_[i].month == 0)
            throw std::out_of_range("no number for the month of " + DateText(dayNumber));
        return {months_[i].month, months_[i].leap, static_cast<int>(dayNumber - starts_[i] + 1)};
    }
    std::set<long> qingming;  // the days of the solar term at 15 degrees

  private:
    int MonthIndex(long dayNumber) const {
        auto it = std::upper_bound(starts_.begin(), starts_.end(), dayNumber);
        if (it == starts_.begin() || it == starts_.end())
            throw std::out_of_range("no month holds " + DateText(dayNumber));
        return static_cast<int>(it - starts_.begin()) - 1;
    }

    std::vector<long> starts_;  // first day of each month; one more than months
    std::vector<LunarDate> months_;
};

}  // namespace reference

namespace {

using reference::DateText;
using reference::DayNumber;

const std::string kDataFile = ORLENDA_DATA_FILE;
constexpr int kFirst = 2000;
constexpr int kLast = 2099;

const std::array<std::string, 13> kMonthNames = {"",     "春节",   "二月",  "三月", "四月",
                                                 "五月", "六月",   "七月",  "八月", "九月",
                                                 "十月", "十一月", "十二月"};
const std::array<std::string, 31> kDayNames = {
    "",     "初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九", "初十",
    "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九", "二十", "廿一",
    "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九", "三十"};
const std::map<std::pair<int, int>, std::string> kFestivals = {
    {{5, 5}, "端午"}, {{7, 7}, "七夕"}, {{8, 15}, "中秋"}, {{9, 9}, "重阳"}};

// New moons within seconds of midnight, on which the Hong Kong Observatory starts the month.
const reference::Calendar& Reference() {
    static const reference::Calendar calendar(
        kFirst, kLast, {DayNumber(2057, 9, 28), DayNumber(2089, 9, 4), DayNumber(2097, 8, 7)});
    return calendar;
}

// A month's first day shows the month, festivals belong to regular months, Qingming yields.
std::string ExpectedText(const reference::Calendar& calendar, long dayNumber) {
    reference::LunarDate date = calendar.At(dayNumber);
    if (date.day == 1) return (date.leap ? "闰" : "") + kMonthNames[date.month];
    auto festival = kFestivals.find({date.month, date.day});
    if (!date.leap && festival != kFestivals.end()) return festival->second;
    if (calendar.qingming.count(dayNumber)) return "清明";
    return kDayNames[date.day];
}

// Every day's cell text by day number; a record that cannot be read or walked fails the test.
const std::map<long, std::string>& ShippedFile() {
    static const auto cells = [] {
        std::map<long, std::string> out;
        for (int year = kFirst; year <= kLast; ++year) {
            orlenda::DataReport report;
            auto record = orlenda::ReadYearRecord(kDataFile, year, report);
            orlenda::CalendarModel model;
            if (record) orlenda::BuildYearCalendar(year, &*record, model, &report);
            if (!record || !report.ok() || !model.built) {
                ADD_FAILURE() << year << ": " << report.message;
                continue;
            }
            for (int m = 1; m <= 12; ++m)
                for (int w = 1; w <= 6; ++w)
                    for (int d = 1; d <= 7; ++d) {
                        const std::string& dayText = model.DayGrid[m][w][d];
                        if (dayText != "   ")
                            out[DayNumber(year, m, std::stoi(dayText))] = model.LunarGrid[m][w][d];
                    }
        }
        return out;
    }();
    return cells;
}

TEST(ChinaTxtDays, EveryDayMatchesTheReferenceCalendar) {
    const std::map<long, std::string>& file = ShippedFile();
    const reference::Calendar& ref = Reference();

    int differences = 0;
    for (long day = DayNumber(kFirst, 1, 1); day <= DayNumber(kLast, 12, 31); ++day) {
        auto it = file.find(day);
        const std::string got = it == file.end() ? "(no cell)" : it->second;
        const std::string want = ExpectedText(ref, day) + "  ";
        if (got != want && ++differences <= 20)
            ADD_FAILURE() << DateText(day) << ": file shows " << got << ", reference " << want;
    }
    EXPECT_EQ(differences, 0);
}

// Almanac dates, which the reference must agree with too: leap months, festivals in years
// whose leap month repeats the festival's month (no festival in the leap one), Qingming.
TEST(ChinaTxtPublished, DatesShowTheirText) {
    const char* dated[] = {"2000-02-05 春节",     "2014-01-31 春节",   "2030-02-03 春节",
                           "2001-05-23 闰四月",   "2012-05-21 闰四月", "2017-07-23 闰六月",
                           "2033-12-22 闰十一月", "2009-05-28 端午",   "2009-06-27 初五",
                           "2006-07-31 七夕",     "2006-08-30 初七",   "2008-09-14 中秋",
                           "2014-10-02 重阳",     "2014-11-01 初九",   "2014-01-01 十二月",
                           "2008-04-04 清明",     "2026-04-05 清明"};
    const std::map<long, std::string>& file = ShippedFile();
    for (const char* entry : dated) {
        int year = 0, month = 0, day = 0, text = 0;
        ASSERT_EQ(std::sscanf(entry, "%d-%d-%d %n", &year, &month, &day, &text), 3) << entry;
        auto it = file.find(DayNumber(year, month, day));
        ASSERT_NE(it, file.end()) << entry;
        EXPECT_EQ(it->second, std::string(entry + text) + "  ") << entry;
    }
}

}  // namespace
