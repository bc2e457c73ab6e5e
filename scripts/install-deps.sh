#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the program and the tests need.
# Idempotent: apt-get runs only when a package is missing.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev qt6-image-formats-plugins
    libgtest-dev libgmock-dev libbenchmark-dev
    fontconfig fonts-arphic-uming fonts-arphic-ukai fonts-wqy-zenhei fonts-wqy-microhei
    fonts-arphic-gkai00mp fonts-arphic-gbsn00lp
    cups cups-client printer-driver-cups-pdf poppler-utils libcups2-dev
    xvfb xauth openbox xdotool x11-utils imagemagick libxcb1-dev
    python3 python3-ephem libnova-dev
    time strace
    qt6-translations-l10n
    desktop-file-utils appstream dpkg-dev lintian devscripts
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "install-deps: missing packages: ${missing[*]} (run as root to install)" >&2
        exit 1
    fi
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
