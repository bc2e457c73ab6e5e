#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, checks the formatting, builds, and runs every test: first the plain
# build (preset default, build/), then the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, leak checking on (preset asan, build-asan/). Arguments go to both
# ctest runs. ORLENDA_SKIP_SANITIZERS=1 runs the plain suite only.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

# Every C++ file as .clang-format wants it.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
# Every source file and script names its licence.
unlicensed=$(git ls-files -z '*.cpp' '*.h' '*.sh' '*.py' '*.cmake' '*CMakeLists.txt' |
    xargs -0 grep -L 'SPDX-License-Identifier: GPL-3.0-or-later' || true)
if [[ -n $unlicensed ]]; then
    echo "test.sh: no SPDX licence line in:" $unlicensed >&2
    exit 1
fi

./scripts/build.sh default
ctest --preset default "$@"

if [[ ${ORLENDA_SKIP_SANITIZERS:-0} != 1 ]]; then
    ./scripts/build.sh asan
    ctest --preset asan "$@"
fi
