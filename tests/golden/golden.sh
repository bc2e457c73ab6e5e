#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the built program puts out for several years and option sets, kept to show that a
# change meant to leave the program's behaviour alone did so.
#   golden.sh check ORLENDA   runs ORLENDA and compares its outputs with those in expected/
#   golden.sh regen ORLENDA   rewrites in expected/ only what changed and lists it: look at each
#                             listed picture before committing
# Texts are kept whole. A sheet is kept as poppler's words with positions, compared within two
# points so that a font update passes and a misplaced block does not, with a small rendering of
# the page to look at. A document is kept as a PNG, compared pixel by pixel. A differing picture
# is shown beside the kept one in golden-review/ (or $GOLDEN_REVIEW).
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
review=${GOLDEN_REVIEW:-$PWD/golden-review}
rm -f "$review"/*.kept-made.png 2>/dev/null || true
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
        pdftoppm -r 36 -png -singlefile "$name.pdf" "$work/out/$name.page"
    fi
}

edoc() {
    local name=$1
    shift
    case_ "$name" edoc "$@" -o "$work/files/$name.bmp"
    if [[ -f $name.bmp ]]; then
        convert "$name.bmp" -define png:exclude-chunks=date,time "$work/out/$name.png"
    fi
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

# same NAME: whether the output NAME agrees with the kept one, by the rule of its kind.
same() {
    local name=$1 made=$work/out/$1 old=$kept/$1
    [[ -e $old ]] || return 1
    case $name in
    *.page.png) return 0 ;; # only looked at; its .bbox is what is compared
    *.png) [[ $(compare -metric AE "$old" "$made" null: 2>&1) == 0 ]] ;;
    *.bbox) python3 "$here/bboxcompare.py" "$old" "$made" >/dev/null ;;
    *) cmp -s "$old" "$made" ;;
    esac
}

# show NAME: what differs, and for a picture the kept and the new side by side.
show() {
    local name=$1 picture=
    echo "differs: $name"
    case $name in
    *.png) picture=$name ;;
    *.bbox)
        python3 "$here/bboxcompare.py" "$kept/$name" "$work/out/$name" || true
        picture=${name%.bbox}.page.png
        ;;
    *) diff -u "$kept/$name" "$work/out/$name" | head -40 || true ;;
    esac
    if [[ -n $picture && -e $kept/$picture && -e $work/out/$picture ]]; then
        mkdir -p "$review"
        convert "$kept/$picture" "$work/out/$picture" +append "$review/${picture%.png}.kept-made.png"
        echo "  kept | made: $review/${picture%.png}.kept-made.png"
    fi
}

status=0
changed=()
for f in "$work"/out/*; do
    name=$(basename "$f")
    if ! same "$name"; then
        [[ $mode == regen ]] && changed+=("$name") || { show "$name"; status=1; }
    fi
done
for f in "$kept"/*; do
    name=$(basename "$f")
    [[ -e $work/out/$name ]] && continue
    if [[ $mode == regen ]]; then
        rm "$f" && echo "removed $name"
    else
        echo "not made: $name"
        status=1
    fi
done
if [[ $mode == regen ]]; then
    for name in "${changed[@]}"; do
        cp "$work/out/$name" "$kept/$name" && echo "rewrote $name"
        # a sheet's rendering follows its words
        [[ $name == *.bbox ]] && cp "$work/out/${name%.bbox}.page.png" "$kept/"
    done
    echo "${#changed[@]} of $(ls "$work/out" | wc -l) outputs rewritten"
    exit 0
fi
[[ $status == 0 ]] && echo "all $(ls "$work/out" | wc -l) outputs are as kept"
exit $status
