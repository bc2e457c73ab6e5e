#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shows that the program configures and builds with -DBUILD_TESTING=OFF when, of what it
# uses, only Qt 6 (Core, Gui, Widgets, PrintSupport) and the CUPS development files are
# there: in a mount namespace of its own, every file of the test and benchmark packages
# (GoogleTest, Google Benchmark, libnova, Qt Test) is hidden behind overlay whiteouts; then
# build-minimal/ is configured and built, and the same configure with the tests on must fail.
# Needs root (unshare -m, overlay mounts). Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${ORLENDA_MINIMAL_INSIDE:-} != 1 ]]; then
    ORLENDA_MINIMAL_INSIDE=1 exec unshare -m --propagation private "$0" "$@"
fi
fail() { echo "FAIL: $*" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

mapfile -t hidden < <(
    dpkg -L googletest libgtest-dev libgmock-dev libbenchmark-dev libbenchmark1debian \
        libnova-dev libnova-0.16-0 libqt6test6 2>/dev/null
    dpkg -L qt6-base-dev | grep -E '/(Qt6Test[^/]*|QtTest|libQt6Test[^/]*)(/|$)'
)
roots=(/usr/include /usr/lib/x86_64-linux-gnu /usr/src)
count=0
for root in "${roots[@]}"; do
    upper=$tmp/upper$root
    mkdir -p "$upper" "$tmp/work$root"
    for f in "${hidden[@]}"; do
        [[ $f == "$root"/* && (-f $f || -L $f) ]] || continue
        mkdir -p "$upper/$(dirname "${f#"$root"/}")"
        mknod "$upper/${f#"$root"/}" c 0 0 # an overlay whiteout: the file is not there
        count=$((count + 1))
    done
    mount -t overlay overlay -o "lowerdir=$root,upperdir=$upper,workdir=$tmp/work$root" "$root"
done
echo "== $count files of the test and benchmark packages hidden"
for f in /usr/include/gtest/gtest.h /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake \
    /usr/include/benchmark/benchmark.h /usr/lib/x86_64-linux-gnu/libbenchmark.so \
    /usr/include/libnova/libnova.h /usr/lib/x86_64-linux-gnu/libnova.so \
    /usr/lib/x86_64-linux-gnu/cmake/Qt6Test/Qt6TestConfig.cmake \
    /usr/include/x86_64-linux-gnu/qt6/QtTest/QTest /usr/lib/x86_64-linux-gnu/libQt6Test.so; do
    [[ ! -e $f ]] || fail "$f is still there"
done

extra=()
if command -v ccache >/dev/null; then extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
echo "== the tests on: configuring must fail"
if cmake -S . -B "$tmp/with-tests" -G Ninja >"$tmp/with-tests.log" 2>&1; then
    fail "configured with the tests on although their packages are hidden"
fi
grep -A12 'CMake Error' "$tmp/with-tests.log"

echo "== -DBUILD_TESTING=OFF: configure and build build-minimal/"
rm -rf build-minimal
cmake -S . -B build-minimal -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    "${extra[@]}" "$@"
cmake --build build-minimal -j2
QT_QPA_PLATFORM=offscreen build-minimal/orlenda --version
echo "PASS"
