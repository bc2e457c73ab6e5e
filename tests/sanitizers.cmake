# SPDX-License-Identifier: GPL-3.0-or-later
# Read by ctest, before it runs any test, in a build made with ORLENDA_SANITIZE: the options
# every test process (and every program a test starts) runs with. Set ones win.
if(NOT DEFINED ENV{ASAN_OPTIONS})
    # Leaks are errors; so are use after return and initialisation-order faults.
    set(ENV{ASAN_OPTIONS} "detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:abort_on_error=0")
endif()
if(NOT DEFINED ENV{UBSAN_OPTIONS})
    set(ENV{UBSAN_OPTIONS} "print_stacktrace=1:halt_on_error=1")
endif()
