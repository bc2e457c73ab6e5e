#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs every benchmark, then times whole runs of the program and measures its peak
# memory with a 6000 x 4000 photograph chosen. Everything runs on Qt's offscreen platform.
#
#   scripts/bench.sh                 (preset bench: build-bench/, as scripts/build.sh builds it)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-bench
BUILD_TARGET="orlenda bench_app bench_edoc bench_picker" ./scripts/build.sh bench >/dev/null

export QT_QPA_PLATFORM=offscreen
results="$dir/bench-results"
mkdir -p "$results"
for b in bench_app bench_edoc bench_picker; do
    echo "== $b"
    "$dir/bench/$b" --benchmark_out="$results/$b.json" --benchmark_out_format=json
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$dir/bench/bench_app" --write-photo "$tmp/photo.jpg"
orlenda="$dir/orlenda"
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
