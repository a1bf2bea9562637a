#pragma once
// Waits that fail the test. Qt's QTRY_* macros are no use under GoogleTest: one that times out
// returns from the test function, and the test passes having checked nothing after it.

#include <gtest/gtest.h>

#include <QTest>

// Serves the event loop until the condition holds, for five seconds at most.
#define WAIT_UNTIL(condition) \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, 5000)) << #condition

// The same for an equality, showing both values when it never holds.
#define WAIT_EQ(actual, expected)                                                  \
    do {                                                                           \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); }, 5000);       \
        ASSERT_EQ(actual, expected);                                               \
    } while (false)
