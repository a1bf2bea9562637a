#pragma once
// Tests of the real desktop (a tray, a pointer moved by xdotool) run under
// tests/support/run_on_display.sh, which sets CORVANE_REAL_DISPLAY. There what the test needs is the
// point of the run, so its absence fails the test; run anywhere else, the test is skipped.

#include <gtest/gtest.h>

#include <cstdlib>

#define REQUIRE_REAL_DISPLAY(ready, what)                      \
    if (ready) {                                               \
    } else if (std::getenv("CORVANE_REAL_DISPLAY") != nullptr) \
        FAIL() << what << " (under its virtual display)";      \
    else                                                       \
        GTEST_SKIP() << what
