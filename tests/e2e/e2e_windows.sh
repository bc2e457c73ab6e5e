#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program under Xvfb and openbox, driven with the mouse and keyboard through xdotool:
# start-up, an inset chosen by clicks, the sheet previewed and (no printer) saved as PDF, the
# electronic document shown twice and saved, windows closed from their frames. The files the windows make
# must equal what the headless commands make from the same inputs.
# usage: e2e_windows.sh ORLENDA [SOURCE_DIR]; screenshots go to $ORLENDA_E2E_SHOTS.
set -uo pipefail

BIN=$(realpath "${1:?usage: e2e_windows.sh ORLENDA [SOURCE_DIR]}")
SRC=${2:-$(dirname "$0")/../..}
SHOTS=${ORLENDA_E2E_SHOTS:-${TMPDIR:-/tmp}/orlenda-e2e-shots}
YEAR=$(date +%Y)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/orlenda-e2e.XXXXXX")
PROG=$WORK/prog
STEP=setup PASSED=0 XPID='' WMPID='' APP=''

step() { STEP=$1; echo "== $STEP"; }
shot() { import -window root "$SHOTS/$1.png" 2>/dev/null; }
fail() {
    echo "FAIL [$STEP]: $*" >&2
    [[ -n $XPID ]] && shot "failed-${STEP// /-}" && echo "screenshot: $SHOTS/failed-${STEP// /-}.png" >&2
    if [[ -n $APP ]] && ! kill -0 "$APP" 2>/dev/null && ((BASH_SUBSHELL == 0)); then
        wait "$APP"; echo "the program had ended, status $?" >&2; APP=''
    fi
    [[ -s $WORK/orlenda.log ]] && tail -5 "$WORK/orlenda.log" >&2
    exit 1
}
cleanup() {
    local p
    for p in "$APP" "$WMPID" "$XPID"; do [[ -n $p ]] && kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    if ((PASSED)); then rm -rf "$WORK"; else echo "files kept in $WORK" >&2; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

for tool in Xvfb openbox xdotool xwininfo xprop import convert compare identify pdftotext pdftoppm pdfinfo; do
    command -v "$tool" >/dev/null || fail "missing tool $tool (run scripts/install-deps.sh)"
done
PICS=$WORK/home/Pictures
mkdir -p "$SHOTS" "$PROG" "$PICS"
chmod 700 "$WORK/home"
DATA=$(dirname "$BIN")/china.txt
[[ -f $DATA ]] || DATA=$SRC/data/china.txt
# The windows' module is loaded from beside the program.
cp "$BIN" "$(dirname "$BIN")/orlenda-windows.so" "$DATA" "$PROG/" ||
    fail "cannot copy the program, its windows' module and china.txt"
# The inset: 640x480 pixels, so 9600x7200 twips at natural size.
convert -size 640x480 gradient:red-blue -fill yellow -draw "circle 320,240 320,380" \
    -fill magenta -draw "rectangle 0,0 79,59" "$PICS/pic.jpg" || fail "cannot make the test picture"

# The program with no print queue (CUPS pointed at a socket that does not exist), one pixel per
# 15 twips, and nothing of the caller's desktop.
ENVS=(-u QT_SCREEN_SCALE_FACTORS QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0 QT_SCALE_FACTOR=1
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_RUNTIME_DIR="$WORK/home"
    CUPS_SERVER="$WORK/nocups.sock" LANG=C.UTF-8)

step "X server and window manager"
for n in $(seq 90 140); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    # -noreset: by default the server resets when its last client leaves, and a client that
    # connects meanwhile is refused (seen on a loaded machine, after the xprop probe below).
    Xvfb ":$n" -nolisten tcp -noreset -screen 0 1280x1024x24 -dpi 96 >"$WORK/xvfb.log" 2>&1 &
    XPID=$!
    for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
    if kill -0 "$XPID" 2>/dev/null && DISPLAY=:$n xprop -root >/dev/null 2>&1; then break; fi
    kill "$XPID" 2>/dev/null; XPID=''
done
[[ -n $XPID ]] || fail "no free display between :90 and :140"
export DISPLAY=:$n
wm_up() { [[ $(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null) == *'window id'* ]]; }
# openbox gets its own home, as the program does, so the caller's desktop settings stay out.
env "${ENVS[@]}" openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
WMPID=$!
for _ in $(seq 300); do wm_up && break; kill -0 "$WMPID" 2>/dev/null || break; sleep 0.1; done
if ! wm_up; then
    kill -0 "$WMPID" 2>/dev/null || { wait "$WMPID"; echo "openbox ended, status $?" >&2; WMPID=''; }
    sed 's/^/openbox: /' "$WORK/openbox.log" >&2
    fail "openbox did not start"
fi

alive() { kill -0 "$APP" 2>/dev/null || fail "the program ended unexpectedly"; }
# win PATTERN [SECONDS]: the id of the visible window whose title matches
win() {
    local w
    for _ in $(seq $((${2:-10} * 10))); do
        alive
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
        [[ -n $w ]] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}
gone() {
    for _ in $(seq 50); do xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0; sleep 0.1; done
    return 1
}
front() { timeout 5 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || fail "cannot bring window $1 to the front"; }
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'; }
size() { xwininfo -id "$1" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h}'; }
# press WINDOW LEFT TOP WIDTH HEIGHT: click the middle of a control given in twips of the client
# area. The program takes events in order, so what follows waits only for what it looks at.
press() {
    local ox oy
    read -r ox oy < <(origin "$1")
    xdotool mousemove --sync $((ox + ($2 + $4 / 2) / 15)) $((oy + ($3 + $5 / 2) / 15)) click 1
}
# answer KEY SHOT: screenshot the program's message box, then press KEY in it
answer() {
    local b
    b=$(win '^Orlenda$' 10) || fail "no message box"
    front "$b"; shot "$2"; xdotool key "$1"
    gone '^Orlenda$' || fail "the message box stayed open after $1"
}

step "start"
(cd "$PROG" && exec env "${ENVS[@]}" ./orlenda >"$WORK/orlenda.log" 2>&1) &
APP=$!
M=$(win '^Orlenda1\.0版$' 20) || fail "the main window 'Orlenda1.0版' did not appear"
V=$(win '月份。〈今天是' 10) || fail "the month view did not appear"
sleep 1; shot 1-start
m=$(date +%-m)
want="${YEAR}年${m}月份。〈今天是 ${YEAR}年 ${m}月 $(date +%-d)日〉"
[[ $(xdotool getwindowname "$V") == "$want" ]] || fail "month view caption '$(xdotool getwindowname "$V")', expected '$want'"
[[ $(size "$M") == 327x308 ]] || fail "main window client area $(size "$M"), expected 327x308 (4905x4620 twips)"
[[ $(size "$V") == 488x349 ]] || fail "month view client area $(size "$V"), expected 488x349 (7320x5235 twips)"

step "choose the picture"
front "$M"; press "$M" 1320 1800 975 495
S=$(win '^请选择图形文件$') || fail "'选择图形' did not open the chooser"
front "$S"; shot 2-chooser
# The chooser opens in the pictures folder, whose only picture is pic.jpg: the first name.
press "$S" 1680 0 1695 210
read -r sx sy < <(origin "$S")
# The preview is whatever differs from the window colour in the picture area at (3400, 120).
for _ in $(seq 10); do
    shot 3-preview
    box=$(convert "$SHOTS/3-preview.png" -crop "373x366+$((sx + 226))+$sy" +repage -fuzz 3% \
        -fill black -opaque '#c0ffff' -format '%@' info: 2>/dev/null)
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "cannot measure the preview ($box)"
    read -r pw ph px py <<<"${BASH_REMATCH[*]:1}"
    ((pw > 0)) && break
    sleep 0.5
done
((pw > 0)) || fail "clicking the file name did not load the picture into the preview"
# Longer side 5280 twips, proportions kept: 640x480 shows as 352x264.
((pw == 352 && ph == 264)) || fail "preview is ${pw}x${ph} pixels, expected 352x264"
px=$((sx + 226 + px)) py=$((sy + py))
# Corners at preview pixels (40,30) and (300,220), that is twips (600,450) and (4500,3300);
# picture twips per preview twip: 9600 / 5280.
xdotool mousemove --sync $((px + 40)) $((py + 30)) click 1
xdotool mousemove --sync $((px + 300)) $((py + 220)) click 1
CROP=$(awk 'BEGIN { s = 9600 / 5280; printf "%.4f,%.4f,%.4f,%.4f", 600*s, 450*s, 3900*s, 2850*s }')
press "$S" 120 4560 1215 375
press "$S" 840 5520 615 375
gone '^请选择图形文件$' || fail "'确定' did not close the chooser"

step "print on A4 without a printer"
front "$M"; press "$M" 1365 2520 975 495
P=$(win '打印预览$' 10) || fail "'A4纸打印' did not open the sheet's preview"
front "$P"; shot 4-preview
xdotool key Return  # without a printer Enter is 保存为PDF
D=$(win '^保存为PDF文件$' 10) || fail "no save dialog from the preview's 保存为PDF"
front "$D"; shot 5-save-pdf
xdotool key Return
for _ in $(seq 100); do PDF=$(find "$WORK/home" -name "${YEAR}年历.pdf" | head -1); [[ -n $PDF ]] && break; sleep 0.2; done
[[ -n $PDF ]] || fail "no ${YEAR}年历.pdf saved in the proposed folder"
answer Return 5-pdf-saved  # where the sheet went
pdfinfo "$PDF" | grep -q 'Page size:.*(A4)' || fail "the saved PDF is not an A4 page"
env "${ENVS[@]}" "$PROG/orlenda" sheet "$YEAR" --paper A4 --inset "$PICS/pic.jpg" --crop "$CROP" -o "$WORK/ref.pdf" ||
    fail "the headless sheet failed"
diff <(pdftotext -layout "$WORK/ref.pdf" -) <(pdftotext -layout "$PDF" -) >"$WORK/pdftext.diff" ||
    fail "the PDF text differs from the headless sheet (see $WORK/pdftext.diff)"
{ pdftoppm -r 50 -png "$WORK/ref.pdf" "$WORK/ref" && pdftoppm -r 50 -png "$PDF" "$WORK/got"; } ||
    fail "cannot render the PDF files"
ae=$(compare -metric AE "$WORK/ref-1.png" "$WORK/got-1.png" "$WORK/pdf-diff.png" 2>&1)
echo "A4 sheet at 50 dpi: $(identify -format '%wx%h' "$WORK/got-1.png"), $ae pixels differ"
[[ $ae == 0 ]] || fail "the printed sheet differs from the headless one in $ae pixels (see $WORK/pdf-diff.png)"

step "electronic document"
front "$M"; press "$M" 3600 2520 1215 495
E=$(win '^创建电子文档$') || fail "'创建电子文档' did not open its window"
front "$E"
# Showing twice draws the same picture over itself: nothing may change.
press "$E" 8160 0 975 350
press "$E" 8160 0 975 350
shot 6-edoc
press "$E" 8160 360 975 350
answer Return 7-saved
BMP=$(find "$PROG" "$WORK/home" -name "${YEAR}年历1.BMP" | head -1)
[[ -n $BMP ]] || fail "no ${YEAR}年历1.BMP (the name proposed for the year) in the program folder nor under HOME"
[[ $(head -c 2 "$BMP") == BM && $(identify -format '%wx%h' "$BMP") == 769x1000 ]] || fail "$BMP is not a 769x1000 BMP"
env "${ENVS[@]}" "$PROG/orlenda" edoc "$YEAR" --inset "$PICS/pic.jpg" --crop "$CROP" -o "$WORK/ref.bmp" ||
    fail "the headless edoc failed"
ae=$(compare -metric AE "$WORK/ref.bmp" "$BMP" "$WORK/bmp-diff.png" 2>&1)
echo "electronic document shown twice: $ae pixels differ from the headless picture"
[[ $ae == 0 ]] || fail "the saved picture differs from the headless one in $ae pixels (see $WORK/bmp-diff.png)"

step "close from the frames"
V=$(win '月份。〈今天是' 5) || fail "the month view is no longer shown"
front "$V"; xdotool key alt+F4
gone '月份。〈今天是' || fail "alt+F4 did not close the month view"
E=$(win '^创建电子文档$' 5) || fail "the electronic document window is no longer shown"
front "$E"; xdotool key alt+F4
gone '^创建电子文档$' || fail "alt+F4 did not close the electronic document window"
sleep 1; alive
# Shown again from its button, the month view stays open while the main window closes.
front "$M"; press "$M" 240 2520 975 495
win '月份。〈今天是' 5 >/dev/null || fail "'屏幕查阅' did not show the month view again"
shot 8-before-end
front "$M"; xdotool key alt+F4
for _ in $(seq 50); do kill -0 "$APP" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APP" 2>/dev/null && fail "the program still runs 5 s after its main window was closed"
wait "$APP"; rc=$?; APP=''
((rc == 0)) || fail "the program ended with status $rc"
PASSED=1
echo "PASS (screenshots in $SHOTS)"
