#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Applies small faults to the program one at a time and reports which ones the tests catch.

Each line of the mutant list reads `description | pattern | replacement`. The pattern is
found by searching every C++ file outside tests/, bench/ and tools/ (not by file name, so the
list survives code moving between files) and must occur exactly once. The fault is applied,
the build folder rebuilt, the suite run until its first failure (caught) or to the end
(survived), and the file restored, also when the run is interrupted.

    tools/mutate.py [--build DIR] [--list FILE] [--only 1,5,9] [--first REGEX] [--check]
                    [-o REPORT]
"""
import argparse
import os
import pathlib
import re
import signal
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
CTEST_ARGS = ["-j2", "-LE", "soak|e2e|install", "--stop-on-failure", "--timeout", "120"]


def read_mutants(path):
    mutants = []
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        parts = line.split(" | ")
        if len(parts) != 3:
            sys.exit(f"{path}:{number}: expected `description | pattern | replacement`")
        # \n in a pattern or replacement stands for a line break.
        mutants.append((parts[0], *(x.replace("\\n", "\n") for x in parts[1:])))
    return mutants


def source_files():
    listed = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, check=True,
                            capture_output=True, text=True).stdout.split()
    return [ROOT / f for f in listed if not f.startswith(("tests/", "bench/", "tools/"))]


def locate(pattern, files):
    hits = [(f, f.read_text(encoding="utf-8").count(pattern)) for f in files]
    hits = [(f, n) for f, n in hits if n]
    return hits


def run(cmd, log):
    with open(log, "a", encoding="utf-8") as out:
        out.write(f"$ {' '.join(cmd)}\n")
        out.flush()
        return subprocess.run(cmd, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT).returncode


def first_failure(log):
    text = pathlib.Path(log).read_text(encoding="utf-8", errors="replace")
    found = re.findall(r"\d+ - (\S+) \((?:Failed|Timeout|SEGFAULT|Subprocess aborted|"
                       r"Child aborted|Exception)", text)
    return found[0] if found else "?"


def suite_fails(build, first, log):
    ctest = ["ctest", "--test-dir", build] + CTEST_ARGS
    if not first:
        return run(ctest, log) != 0
    return run(ctest + ["-R", first], log) != 0 or run(ctest + ["-E", first], log) != 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--list", default=str(ROOT / "tools" / "mutants.txt"))
    ap.add_argument("--only", help="comma-separated mutant numbers")
    ap.add_argument("--check", action="store_true", help="only check that each pattern is unique")
    ap.add_argument("-o", "--output", help="also write the report here")
    ap.add_argument("--first", help="regular expression of quick tests to run before the rest "
                    "(the verdict is the same, a caught fault is only found sooner)")
    args = ap.parse_args()

    build = str(pathlib.Path(args.build).resolve())
    mutants = read_mutants(pathlib.Path(args.list))
    files = source_files()
    chosen = set(int(n) for n in args.only.split(",")) if args.only else None

    bad = 0
    for i, (desc, pattern, _) in enumerate(mutants, 1):
        hits = locate(pattern, files)
        if sum(n for _, n in hits) != 1:
            bad += 1
            print(f"{i:3} pattern found {sum(n for _, n in hits)} times: {pattern}  ({desc})")
    if bad:
        sys.exit(f"{bad} pattern(s) not unique or missing")
    if args.check:
        print(f"{len(mutants)} mutants, every pattern unique")
        return

    # Ctrl-C and termination go through the same restoring path.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    logdir = pathlib.Path(build) / "mutation-logs"
    logdir.mkdir(exist_ok=True)
    rows = []
    try:
        for i, (desc, pattern, replacement) in enumerate(mutants, 1):
            if chosen and i not in chosen:
                continue
            (path, _), = locate(pattern, files)
            original = path.read_bytes()
            log = str(logdir / f"mutant-{i:02}.log")
            pathlib.Path(log).write_text(f"{desc}\n{path.relative_to(ROOT)}\n", encoding="utf-8")
            started = time.time()
            try:
                path.write_bytes(original.replace(pattern.encode(), replacement.encode(), 1))
                if run(["cmake", "--build", build, "-j2"], log) != 0:
                    verdict, by = "no build", "-"
                elif suite_fails(build, args.first, log):
                    verdict, by = "caught", first_failure(log)
                else:
                    verdict, by = "SURVIVED", "-"
            finally:
                path.write_bytes(original)
            rows.append((i, desc, str(path.relative_to(ROOT)), verdict, by))
            print(f"{i:3} {verdict:8} {time.time() - started:5.0f}s  {desc}  [{by}]", flush=True)
    except KeyboardInterrupt:
        print("interrupted; the source is restored", file=sys.stderr)
    finally:
        run(["cmake", "--build", build, "-j2"], str(logdir / "restore.log"))

    judged = [r for r in rows if r[3] != "no build"]
    caught = sum(1 for r in judged if r[3] == "caught")
    lines = ["| # | fault | file | result | first failing test |", "|---|---|---|---|---|"]
    lines += [f"| {i} | {d} | {f} | {v} | {b} |" for i, d, f, v, b in rows]
    share = f"{100 * caught / len(judged):.0f}%" if judged else "-"
    lines.append(f"\ncaught {caught} of {len(judged)} ({share}); "
                 f"{len(rows) - len(judged)} did not build")
    report = "\n".join(lines)
    print(report)
    if args.output:
        pathlib.Path(args.output).write_text(report + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
