// SPDX-License-Identifier: GPL-3.0-or-later
// Under libFuzzer a broken invariant is a crash, so the input is kept and minimised.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzzcheck.h"

namespace orlenda::fuzz {

void Broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

}  // namespace orlenda::fuzz
