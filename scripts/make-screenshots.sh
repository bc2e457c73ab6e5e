#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the screenshots the AppStream data points to, from the built program:
# desktop/screenshots/main-window.png (the windows after start-up, under Xvfb and openbox)
# and desktop/screenshots/sheet-a4.png (the A4 sheet of 2027 in colour, at 60 dpi).
#
#   scripts/make-screenshots.sh [ORLENDA]     (default: build/orlenda)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/orlenda}")
out=desktop/screenshots
for tool in Xvfb openbox xdotool import convert pdftoppm; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 1; }
done
tmp=$(mktemp -d)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
mkdir -p "$out" "$tmp/home"
envs=(HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_RUNTIME_DIR="$tmp/home"
    CUPS_SERVER="$tmp/nocups.sock" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0)
chmod 700 "$tmp/home"

# The sheet, as the A4 button prints it.
env "${envs[@]}" QT_QPA_PLATFORM=offscreen "$bin" sheet 2027 --paper A4 --colour -o "$tmp/sheet.pdf"
pdftoppm -png -r 60 -singlefile "$tmp/sheet.pdf" "$tmp/sheet"
cp "$tmp/sheet.png" "$out/sheet-a4.png"

# The windows after start-up, on a black screen that is cut away afterwards.
for n in $(seq 150 190); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break
done
Xvfb ":$n" -nolisten tcp -noreset -br -screen 0 1000x600x24 -dpi 96 >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=:$n
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
env "${envs[@]}" openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1
(cd "$tmp" && exec env "${envs[@]}" "$bin") >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xdotool search --onlyvisible --name '月份。〈今天是' >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 1
import -window root "$tmp/screen.png"
convert "$tmp/screen.png" -trim +repage "$out/main-window.png"
identify "$out"/*.png
