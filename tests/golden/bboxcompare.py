#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Compares two pages of words with positions (pdftotext -bbox): the same words in the same
order, each corner within TOLERANCE points. A font update moves words by a fraction of a
point; a block in the wrong place moves them by a day column (18 points) or more.

    bboxcompare.py KEPT MADE     exit 0 when they agree, 1 with the first differences listed
"""
import re
import sys

TOLERANCE = 2.0
WORD = re.compile(r'<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">(.*)</word>')
PAGE = re.compile(r'<page width="([\d.]+)" height="([\d.]+)">')


def read(path):
    items = []
    for line in open(path, encoding="utf-8"):
        if m := WORD.search(line):
            items.append((m.group(5), tuple(float(v) for v in m.groups()[:4])))
        elif m := PAGE.search(line):
            items.append(("<page>", (float(m.group(1)), float(m.group(2)), 0.0, 0.0)))
    return items


def main():
    kept, made = read(sys.argv[1]), read(sys.argv[2])
    problems = []
    if len(kept) != len(made):
        problems.append(f"{len(kept)} words kept, {len(made)} made")
    for i, ((kt, kb), (mt, mb)) in enumerate(zip(kept, made)):
        if kt != mt:
            problems.append(f"word {i}: kept {kt!r}, made {mt!r}")
        elif max(abs(a - b) for a, b in zip(kb, mb)) > TOLERANCE:
            problems.append(f"word {i} {kt!r}: kept at {kb}, made at {mb}")
        if len(problems) >= 10:
            break
    for p in problems:
        print("  " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
