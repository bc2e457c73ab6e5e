#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the plain build (build/), then
# the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer, leak checking on
# (build-asan/). Arguments go to both ctest runs. ORLENDA_SKIP_SANITIZERS=1 runs the plain
# suite only.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

./scripts/build.sh build
(cd build && ctest --output-on-failure -j2 "$@")

if [[ ${ORLENDA_SKIP_SANITIZERS:-0} != 1 ]]; then
    BUILD_TYPE=Debug ./scripts/build.sh build-asan -DORLENDA_SANITIZE=ON -DORLENDA_BENCH=OFF
    (cd build-asan && ctest --output-on-failure -j2 "$@")
fi
