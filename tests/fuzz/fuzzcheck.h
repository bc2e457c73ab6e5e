// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a fuzz target does when an input breaks one of its invariants. The fuzzing build
// aborts (libFuzzer keeps the input); the replay test records a failure and goes on.
namespace orlenda::fuzz {

[[noreturn]] void Broken(const char* what, const char* file, int line);

}  // namespace orlenda::fuzz

#define FUZZ_CHECK(cond) \
    ((cond) ? static_cast<void>(0) : ::orlenda::fuzz::Broken(#cond, __FILE__, __LINE__))

#ifdef QT_GUI_LIB
#include <QGuiApplication>
#include <cstdlib>

// Text and pictures need a GUI application (no display is used): a target that draws starts
// one before its first input by naming this once.
#define ORLENDA_FUZZ_STARTS_GUI                                    \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))        \
            qputenv("QT_QPA_PLATFORM", "offscreen");               \
        if (QGuiApplication::instance()) return 0;                 \
        new QGuiApplication(*argc, *argv);                         \
        std::atexit([] { delete QGuiApplication::instance(); });   \
        return 0;                                                  \
    }
#endif
