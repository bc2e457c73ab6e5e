#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Regenerates data/china.txt, the lunar data of 2000 to 2099, from astronomy.

Rules of the modern Chinese calendar:
  - a month starts on the Beijing-time (UTC+8) date of a new moon;
  - the month that holds the winter solstice (solar longitude 270 deg) is the 11th;
  - when 13 months lie between two 11th months, the first of them without a major
    solar term (a multiple of 30 deg) is leap and repeats the number before it;
  - Qingming is the UTC+8 date on which the sun's apparent longitude reaches 15 deg.

Positions come from PyEphem (Debian's python3-ephem). Three new moons fall within
seconds of midnight; for them the Hong Kong Observatory's dates are taken (see
HKO_NEW_MOON_DATES). The encoding of each year is explained in data/README.md.

Usage:
  make_china_txt.py                 write data/china.txt
  make_china_txt.py --output FILE   write FILE ('-' for standard output)
  make_china_txt.py --check         exit 1 unless data/china.txt is what we'd write
"""

import argparse
import datetime
import math
import pathlib
import sys

import ephem
from ephem import _libastro

FIRST_YEAR = 2000
LAST_YEAR = 2099
NO_LEAP = 99  # any value above 13 reads as "no leap month"

# New moons so close to midnight that ephemerides and Delta T models split them; the
# month starts on these dates, as in the Hong Kong Observatory's tables.
HKO_NEW_MOON_DATES = [
    datetime.date(2057, 9, 28),
    datetime.date(2089, 9, 4),
    datetime.date(2097, 8, 7),
]
# A tie-break may only move a new moon this close to a midnight across it.
HKO_MAX_SECONDS = 300

BEIJING = 8 / 24
EPHEM_EPOCH = datetime.datetime(1899, 12, 31, 12)  # ephem.Date(0)
REPO = pathlib.Path(__file__).resolve().parent.parent
DEFAULT_OUTPUT = REPO / "data" / "china.txt"

MONTH_NAMES = ["", "春节", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月",
               "十月", "十一月", "十二月"]
DAY_NAMES = ["", "初一", "初二", "初三", "初四", "初五", "初六", "初七", "初八", "初九",
             "初十", "十一", "十二", "十三", "十四", "十五", "十六", "十七", "十八", "十九",
             "二十", "廿一", "廿二", "廿三", "廿四", "廿五", "廿六", "廿七", "廿八", "廿九",
             "三十"]
FESTIVALS = {(5, 5): "端午", (7, 7): "七夕", (8, 15): "中秋", (9, 9): "重阳"}

_sun = ephem.Sun()
_moon = ephem.Moon()


def beijing_datetime(d):
    return EPHEM_EPOCH + datetime.timedelta(days=float(d) + BEIJING)


def sun_longitude(d):
    """Apparent geocentric ecliptic longitude of the sun, equinox of date, radians."""
    _sun.compute(d)
    return _libastro.eq_ecl(d, _sun.g_ra, _sun.g_dec)[0]


def sun_reaches(target_deg, d0):
    """First moment after d0 at which the sun's apparent longitude is target_deg."""
    target = math.radians(target_deg)

    def f(d):
        return (sun_longitude(d) - target + math.pi) % (2 * math.pi) - math.pi

    ahead = (target - sun_longitude(d0)) % (2 * math.pi)
    guess = ephem.Date(d0 + 365.2422 * ahead / (2 * math.pi))
    return ephem.Date(ephem.newton(f, guess, guess + ephem.hour))


def new_moons(start, end):
    out = []
    d = ephem.next_new_moon(start)
    while d < end:
        out.append(d)
        d = ephem.next_new_moon(d + 1)
    return out


def major_terms(start, end):
    """(moment, index) of every major solar term; index k means longitude 30*k."""
    out = []
    k = int(math.degrees(sun_longitude(start)) // 30) + 1
    d = start
    while True:
        d = sun_reaches(30 * (k % 12), d)
        if d >= end:
            return out
        out.append((d, k % 12))
        k += 1
        d = ephem.Date(d + 20)


class Month:
    def __init__(self, start, end):
        self.start = start  # first day (datetime.date)
        self.end = end  # first day of the next month
        self.number = None
        self.leap = False

    @property
    def length(self):
        return (self.end - self.start).days

    def label(self):
        return ("闰" if self.leap else "") + MONTH_NAMES[self.number]


def month_starts(moons):
    starts = []
    for d in moons:
        dt = beijing_datetime(d)
        day = dt.date()
        for hko in HKO_NEW_MOON_DATES:
            near = [hko, hko + datetime.timedelta(days=1)]  # midnights bounding hko
            for midnight in near:
                gap = (dt - datetime.datetime.combine(midnight, datetime.time())).total_seconds()
                if abs(gap) <= HKO_MAX_SECONDS:
                    day = hko
        starts.append(day)
    for hko in HKO_NEW_MOON_DATES:
        if hko not in starts:
            raise SystemExit(f"no new moon near midnight on {hko}")
    return starts


def build_months():
    lo, hi = ephem.Date("1998/10/1"), ephem.Date("2101/6/1")
    starts = month_starts(new_moons(lo, hi))
    months = [Month(a, b) for a, b in zip(starts, starts[1:])]
    terms = [(beijing_datetime(d).date(), k) for d, k in major_terms(lo, hi)]

    def holding(day):
        for i, m in enumerate(months):
            if m.start <= day < m.end:
                return i
        raise SystemExit(f"no month holds {day}")

    has_term = [False] * len(months)
    for day, _ in terms:
        if months[0].start <= day < months[-1].end:
            has_term[holding(day)] = True
    elevenths = [holding(day) for day, k in terms if k == 9 and months[0].start <= day
                 < months[-1].end]
    for a, b in zip(elevenths, elevenths[1:]):
        leap = None
        if b - a == 13:
            leap = next(i for i in range(a + 1, b) if not has_term[i])
        elif b - a != 12:
            raise SystemExit(f"{b - a} months after {months[a].start}")
        number = 11
        months[a].number = 11
        for i in range(a + 1, b):
            if i == leap:
                months[i].leap = True
            else:
                number = number % 12 + 1
            months[i].number = number
    return [m for m in months if m.number is not None]


def encode_year(year, months):
    """The line of one year (without line end) and the 14 months it lists."""
    jan1 = datetime.date(year, 1, 1)
    j = next(i for i, m in enumerate(months) if m.start <= jan1 < m.end)
    # Index 0 is the latest 11th month (leap or not) begun by January 1.
    first = j
    while months[first].number != 11:
        first -= 1
    listed = months[first:first + 14]
    code = j - first
    day = (jan1 - months[j].start).days + 1
    if code not in (0, 1) or len(listed) != 14:
        raise SystemExit(f"{year}: January 1 is not in the first two months listed")
    if day == 1:
        # A first day shows the label of the month before it, so the walk starts
        # one past the end of that month.
        if code == 0:
            raise SystemExit(f"{year}: January 1 begins the first month listed")
        code -= 1
        day = listed[code].length + 1
    leap = NO_LEAP
    leaps = [k for k in range(1, 14) if listed[k].leap]
    if leaps:
        leap = leaps[0] - 2
        if len(leaps) > 1 or leap < 0:
            raise SystemExit(f"{year}: leap month cannot be expressed")
    if listed[-1].end <= datetime.date(year, 12, 31):
        raise SystemExit(f"{year}: fourteen months end before December 31")
    qingming = beijing_datetime(sun_reaches(15, ephem.Date(f"{year}/3/1"))).date()
    if qingming.month != 4 or qingming.day not in (4, 5):
        raise SystemExit(f"{year}: Qingming on {qingming}")
    fields = [f"{year:04d}", f"{code}", f"{day:02d}", f"{leap:02d}"]
    fields += [f"{m.length:02d}" for m in listed]
    fields.append(f"{qingming.day}")
    line = " ".join(fields)
    assert len(line) == 56, line
    return line, qingming


def expected_texts(year, months, qingming):
    """Cell text of every day of the year, from the month table itself."""
    out = []
    day = datetime.date(year, 1, 1)
    i = next(i for i, m in enumerate(months) if m.start <= day < m.end)
    while day.year == year:
        if day >= months[i].end:
            i += 1
        m = months[i]
        n = (day - m.start).days + 1
        if n == 1:
            text = m.label()
        elif not m.leap and (m.number, n) in FESTIVALS:
            text = FESTIVALS[(m.number, n)]
        elif day == qingming:
            text = "清明"
        else:
            text = DAY_NAMES[n]
        out.append(text)
        day += datetime.timedelta(days=1)
    return out


def walk(line):
    """The program's walk over one line: cell text of every day of the year."""
    items = [int(x) for x in line.split()]
    year, code, day, leap, lengths, qingming = *items[:4], items[4:18], items[18]
    names = ["十二月"] + MONTH_NAMES[1:]
    labels = [("闰" if k - 1 == leap else "") + names[k - 1 if k > leap else k]
              for k in range(13)]
    festival_months = {MONTH_NAMES[m]: (m, d) for (m, d) in FESTIVALS}
    out = []
    idx = code
    date = datetime.date(year, 1, 1)
    while date.year == year:
        if day <= lengths[idx]:
            # Festivals are kept in the regular month, never in its leap repeat.
            month = festival_months.get(labels[idx - 1] if idx > 0 else "")
            if month and month[1] == day:
                out.append(FESTIVALS[month])
            elif date.month == 4 and date.day == qingming:
                out.append("清明")
            else:
                out.append(DAY_NAMES[day])
            day += 1
        else:
            out.append(labels[idx])
            idx += 1
            day = 2
        date += datetime.timedelta(days=1)
    return out


def generate():
    months = build_months()
    lines = []
    for year in range(FIRST_YEAR, LAST_YEAR + 1):
        line, qingming = encode_year(year, months)
        if walk(line) != expected_texts(year, months, qingming):
            raise SystemExit(f"{year}: the walk over {line!r} gives wrong days")
        lines.append(line + "\r\n")
    return "".join(lines).encode("ascii")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default=str(DEFAULT_OUTPUT))
    parser.add_argument("--check", action="store_true",
                        help="compare with the output file instead of writing it")
    args = parser.parse_args()
    data = generate()
    if args.check:
        old = pathlib.Path(args.output).read_bytes()
        if old != data:
            print(f"{args.output} differs from the generated data", file=sys.stderr)
            return 1
        print(f"{args.output}: {len(data)} bytes, identical")
        return 0
    if args.output == "-":
        sys.stdout.buffer.write(data)
    else:
        pathlib.Path(args.output).write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
