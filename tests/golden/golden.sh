#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the built program puts out for several years and option sets, kept to show that a
# change meant to leave the program's behaviour alone did so.
#   golden.sh check ORLENDA   runs ORLENDA and compares its outputs with those in expected/
#   golden.sh regen ORLENDA   rewrites expected/: look at what changed before committing
# Texts are kept whole; the sheet as poppler's text with positions; the document's BMP by its
# checksum.
set -euo pipefail
mode=${1:-}
[[ $mode == check || $mode == regen ]] && [[ -n ${2:-} ]] || {
    echo "usage: $0 check|regen ORLENDA" >&2
    exit 2
}
bin=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
inputs=$here/inputs
pictures=$(cd "$here/../pictures/data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out" "$work/files"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
cd "$work/files"

# case NAME ARGS...: standard output, standard error and exit status of one run, with the
# folders of this run written as names that do not change.
case_() {
    local name=$1 rc=0
    shift
    "$bin" "$@" >"$work/stdout" 2>"$work/stderr" || rc=$?
    {
        cat "$work/stdout"
        echo "--- stderr"
        cat "$work/stderr"
        echo "--- exit $rc"
    } | sed -e "s#$work/files#WORK#g" -e "s#$here#GOLDEN#g" -e "s#$pictures#PICTURES#g" \
        >"$work/out/$name.txt"
}

# The sheet's text with positions; the producer and dates are left out.
sheet() {
    local name=$1
    shift
    case_ "$name" sheet "$@" -o "$work/files/$name.pdf"
    if [[ -f $name.pdf ]]; then
        pdftotext -bbox "$name.pdf" - | grep -v -e '<meta ' -e '<title>' >"$work/out/$name.bbox"
    fi
}

edoc() {
    local name=$1
    shift
    case_ "$name" edoc "$@" -o "$work/files/$name.bmp"
    if [[ -f $name.bmp ]]; then sha256sum <"$name.bmp" | cut -d' ' -f1 >"$work/out/$name.sha256"; fi
}

for year in 2000 2008 2020 2023 2033; do case_ "model-$year" model "$year"; done
case_ month-2008-2 month 2008 2
case_ month-2020-5 month 2020 5
case_ month-2023-3 month 2023 " 3"
case_ month-2033-12 month 2033 12

sheet sheet-a4-2008 2008 --paper A4
sheet sheet-a3-2020-colour-english 2020 --paper a3 --colour --english
sheet sheet-a4-2023-greeting-inset 2023 --paper A4 --colour --greeting "$inputs/greeting.txt" \
    --greeting-font 楷体_GB2312 --inset "$pictures/shapes.emf" --crop 300,300,3000,2000

edoc edoc-2008 2008
edoc edoc-2020-english-colours 2020 --english --background-colour 200,220,255 \
    --date-colour 0,0,128 --greeting-colour 128,0,0
edoc edoc-2023-inset-background 2023 --greeting "$inputs/greeting.txt" \
    --inset "$pictures/text.emf" --background "$pictures/transformed.emf"
edoc edoc-2024-raster 2024 --inset "$pictures/raster.emf" --crop 0,0,1500,1500

# What the command line says and refuses.
case_ help --help
case_ help-sheet help sheet
case_ help-edoc edoc --help
case_ version --version
case_ no-command frobnicate 2008
case_ model-missing-year model
case_ model-not-a-number model abc
case_ model-negative model -5
case_ model-unsupported model 1999
case_ model-unknown-option model 2008 --nope
case_ model-option-twice model 2008 --data a --data b
case_ model-option-without-value model 2008 --data
case_ model-extra-argument model 2008 9
case_ model-missing-data model 2008 --data "$work/files/none.txt"
case_ month-13 month 2008 13
case_ sheet-no-paper sheet 2008 -o x.pdf
case_ sheet-paper-a5 sheet 2008 --paper A5 -o x.pdf
case_ sheet-flag-with-value sheet 2008 --paper A4 --colour=yes -o x.pdf
case_ sheet-both-outputs sheet 2008 --paper A4 -o x.pdf --printer q
case_ sheet-not-pdf sheet 2008 --paper=A4 -o x.png
case_ sheet-crop-without-inset sheet 2008 --paper A4 --crop 1,2,3,4 -o x.pdf
case_ sheet-missing-inset sheet 2008 --paper A4 --inset "$work/files/none.jpg" -o x.pdf
case_ edoc-bad-colour edoc 2008 --date-colour 1,2,300 -o x.bmp
case_ edoc-no-output edoc 2008
case_ edoc-after-double-dash edoc -o x.bmp -- 2008

kept=$here/expected
if [[ $mode == regen ]]; then
    rm -rf "$kept"
    mkdir -p "$kept"
    cp "$work"/out/* "$kept"/
    echo "rewrote $(ls "$kept" | wc -l) files in $kept"
    exit 0
fi
status=0
for f in "$work"/out/*; do
    if ! cmp -s "$f" "$kept/$(basename "$f")"; then
        echo "differs: $(basename "$f")"
        diff -u "$kept/$(basename "$f")" "$f" | head -40 || true
        status=1
    fi
done
for f in "$kept"/*; do
    [[ -e $work/out/$(basename "$f") ]] || { echo "not made: $(basename "$f")"; status=1; }
done
[[ $status == 0 ]] && echo "all $(ls "$work/out" | wc -l) outputs are as kept"
exit $status
