#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the program's icon (desktop/icons/org.orlenda.Orlenda.svg) into the PNG sizes of the
# hicolor theme, beside it. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../desktop/icons"
for n in 16 24 32 48 64 128 256; do
    mkdir -p "${n}x${n}"
    rsvg-convert -w "$n" -h "$n" org.orlenda.Orlenda.svg -o "${n}x${n}/org.orlenda.Orlenda.png"
done
