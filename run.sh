#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts orlenda; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
# What the set-up and the build print goes to standard error, so that a headless command's
# output (./run.sh model 2008 > model.json) is the program's alone.
./scripts/install-deps.sh >&2
# Only the program: the tests and benchmarks are built by ./test.sh and scripts/bench.sh.
BUILD_TARGET=orlenda ./scripts/build.sh default >&2
exec ./build/orlenda "$@"
