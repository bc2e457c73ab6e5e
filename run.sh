#!/usr/bin/env bash
# Installs what is missing, builds, and starts orlenda; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
# Only the program: the tests and benchmarks are built by ./test.sh and scripts/bench.sh.
BUILD_TARGET=orlenda ./scripts/build.sh default
exec ./build/orlenda "$@"
