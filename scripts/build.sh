#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds with a preset of CMakePresets.json: default (into build/), asan
# (build-asan/) or bench (build-bench/); the folder's name names its preset too. Extra
# arguments go to cmake. BUILD_TARGET="NAME ..." builds only those targets and what they need;
# BUILD_TYPE overrides the preset's build type.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
shift || true
case $preset in
    build) preset=default ;;
    build-asan) preset=asan ;;
    build-bench) preset=bench ;;
esac
extra=()
if command -v ccache >/dev/null; then extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
if [[ -n ${BUILD_TYPE:-} ]]; then extra+=(-DCMAKE_BUILD_TYPE="$BUILD_TYPE"); fi
cmake --preset "$preset" "${extra[@]}" "$@"
targets=()
if [[ -n ${BUILD_TARGET:-} ]]; then
    read -ra names <<<"$BUILD_TARGET"
    targets=(--target "${names[@]}")
fi
cmake --build --preset "$preset" "${targets[@]}"
