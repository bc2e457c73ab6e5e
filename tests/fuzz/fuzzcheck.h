// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a fuzz target does when an input breaks one of its invariants. The fuzzing build
// aborts (libFuzzer keeps the input); the replay test records a failure and goes on.
namespace orlenda::fuzz {

[[noreturn]] void Broken(const char* what, const char* file, int line);

}  // namespace orlenda::fuzz

#define FUZZ_CHECK(cond) \
    ((cond) ? static_cast<void>(0) : ::orlenda::fuzz::Broken(#cond, __FILE__, __LINE__))
