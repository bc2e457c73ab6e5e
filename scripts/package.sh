#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package as a distribution does: the program alone (no tests), compiled
# and linked with the flags of dpkg-buildflags (hardening=+all), stripped, packaged by cpack
# into build-package/orlenda_VERSION-1_ARCH.deb; then checked by scripts/check-deb.sh
# (lintian, hardening-check). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake reads no CPPFLAGS: the preprocessor's flags go with the compiler's.
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
extra=()
if command -v ccache >/dev/null; then extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake --preset package -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
    "${extra[@]}" "$@"
cmake --build --preset package
rm -f build-package/orlenda_*.deb
cpack --preset package
deb=$(ls build-package/orlenda_*.deb)
echo "package: $deb"
scripts/check-deb.sh "$deb"
