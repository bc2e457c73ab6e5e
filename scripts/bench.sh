#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs every benchmark, times whole runs of the program and measures its peak
# memory with a 6000 x 4000 photograph chosen (Qt's offscreen platform), then compares the
# program's start-up with bare Qt programs doing the least of the same job (the floors).
#
#   scripts/bench.sh                 everything (preset bench: build-bench/, as scripts/build.sh
#                                    builds it)
#   scripts/bench.sh floors          the comparisons with the floors alone
#
# The floors: `orlenda sheet 2008 --paper A4 -o x.pdf` against floor_pdf (QPdfWriter, A4, one
# line of Chinese), `orlenda edoc 2008 -o x.bmp` against floor_bmp (one line on a 770 x 1000
# picture written as BMP), and the first window of `orlenda` mapped on an X server (Xvfb on
# BENCH_DISPLAY, default :95, without a window manager) against floor_windows (two windows).
# Runs alternate between the program and its floor; each ratio is of the medians of
# BENCH_RUNS (default 21) runs: wall time, and peak resident set for the commands; the ratio of
# the fastest runs follows.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-bench
mode=${1:-all}
if [[ $mode != all && $mode != floors ]]; then
    echo "usage: scripts/bench.sh [floors]" >&2
    exit 2
fi
targets="orlenda floor_pdf floor_bmp floor_windows firstmap timerun"
[[ $mode == all ]] && targets+=" bench_app bench_edoc bench_picker"
BUILD_TARGET="$targets" ./scripts/build.sh bench >/dev/null

tmp=$(mktemp -d)
xvfb=
cleanup() {
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
orlenda="$dir/orlenda"
runs=${BENCH_RUNS:-21}

median() { sort -n | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# The fastest run: on a shared machine every run is the program's own time plus what others
# took from it, so the least of many is the nearest to its own.
least() { sort -n | head -1; }

# compare LABEL "PROGRAM COMMAND" "FLOOR COMMAND": alternating runs through timerun.
compare() {
    local label=$1 program=$2 floor=$3 i
    : >"$tmp/p" && : >"$tmp/f"
    $program >/dev/null && $floor >/dev/null  # warm the caches
    for ((i = 0; i < runs; ++i)); do
        "$dir/bench/timerun" $floor >>"$tmp/f"
        "$dir/bench/timerun" $program >>"$tmp/p"
    done
    local pt pm ft fm pl fl
    pt=$(cut -d' ' -f1 "$tmp/p" | median) pm=$(cut -d' ' -f2 "$tmp/p" | median)
    ft=$(cut -d' ' -f1 "$tmp/f" | median) fm=$(cut -d' ' -f2 "$tmp/f" | median)
    pl=$(cut -d' ' -f1 "$tmp/p" | least) fl=$(cut -d' ' -f1 "$tmp/f" | least)
    awk -v l="$label" -v pt="$pt" -v pm="$pm" -v ft="$ft" -v fm="$fm" -v pl="$pl" -v fl="$fl" 'BEGIN {
        printf "%-8s time %6.1f ms / floor %6.1f ms = %.2fx (fastest %.1f / %.1f = %.2fx)   peak %6.1f MiB / floor %6.1f MiB = %.2fx\n",
               l, pt, ft, pt / ft, pl, fl, pl / fl, pm / 1024, fm / 1024, pm / fm }'
}

floors() {
    echo "== start-up against the floors (medians of $runs alternating runs; $(nproc) cores," \
        "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'))"
    export QT_QPA_PLATFORM=offscreen
    compare sheet "$orlenda sheet 2008 --paper A4 -o $tmp/x.pdf" "$dir/bench/floor_pdf $tmp/f.pdf"
    compare edoc "$orlenda edoc 2008 -o $tmp/x.bmp" "$dir/bench/floor_bmp $tmp/f.bmp"

    local display=${BENCH_DISPLAY:-:95} i
    Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb=$!
    for ((i = 0; i < 50; ++i)); do
        DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    export DISPLAY=$display QT_QPA_PLATFORM=xcb
    : >"$tmp/p" && : >"$tmp/f"
    "$dir/bench/firstmap" "$orlenda" >/dev/null && "$dir/bench/firstmap" "$dir/bench/floor_windows" >/dev/null
    for ((i = 0; i < runs; ++i)); do
        "$dir/bench/firstmap" "$dir/bench/floor_windows" >>"$tmp/f"
        "$dir/bench/firstmap" "$orlenda" >>"$tmp/p"
    done
    awk -v p="$(median <"$tmp/p")" -v f="$(median <"$tmp/f")" -v pl="$(least <"$tmp/p")" \
        -v fl="$(least <"$tmp/f")" 'BEGIN {
        printf "windows  first window mapped %6.1f ms / floor %6.1f ms = %.2fx (fastest %.1f / %.1f = %.2fx)\n",
               p, f, p / f, pl, fl, pl / fl }'
    kill "$xvfb" && wait "$xvfb" 2>/dev/null || true
    xvfb=
}

if [[ $mode == floors ]]; then
    floors
    exit 0
fi

export QT_QPA_PLATFORM=offscreen
results="$dir/bench-results"
mkdir -p "$results"
for b in bench_app bench_edoc bench_picker; do
    echo "== $b"
    "$dir/bench/$b" --benchmark_out="$results/$b.json" --benchmark_out_format=json
done

"$dir/bench/bench_app" --write-photo "$tmp/photo.jpg"
data=(--data data/china.txt)

# Median wall time of 11 runs, and the largest peak resident set size among them.
run() {
    local label=$1
    shift
    local times=() peak=0
    for _ in $(seq 11); do
        /usr/bin/time -f "%e %M" -o "$tmp/time" "$@" >/dev/null
        read -r t m <"$tmp/time"
        times+=("$t")
        ((m > peak)) && peak=$m
    done
    local median
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 6p)
    printf '%-58s %6.2f s %8d KiB\n' "$label" "$median" "$peak"
}

echo "== whole runs of orlenda (median wall time of 11, peak RSS)"
run "month 2008 2" "$orlenda" month 2008 2 "${data[@]}"
run "edoc 2008 (no picture)" "$orlenda" edoc 2008 -o "$tmp/doc.bmp" "${data[@]}"
run "edoc 2008 --inset photo.jpg (6000 x 4000)" \
    "$orlenda" edoc 2008 --inset "$tmp/photo.jpg" -o "$tmp/doc.bmp" "${data[@]}"
run "edoc 2008 --background photo.jpg (6000 x 4000)" \
    "$orlenda" edoc 2008 --background "$tmp/photo.jpg" -o "$tmp/doc.bmp" "${data[@]}"
run "sheet 2008 --paper A4 (no picture)" \
    "$orlenda" sheet 2008 --paper A4 -o "$tmp/sheet.pdf" "${data[@]}"
run "sheet 2008 --paper A4 --inset photo.jpg (6000 x 4000)" \
    "$orlenda" sheet 2008 --paper A4 --inset "$tmp/photo.jpg" -o "$tmp/sheet.pdf" "${data[@]}"

floors
