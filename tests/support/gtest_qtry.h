// Included ahead of every source of the GoogleTest programs that run widgets.
// Qt's QTRY_ macros report a timeout to Qt Test's own result log and return,
// which GoogleTest never sees: a wait that timed out would pass. Here they
// wait the same way and fail the GoogleTest test when the condition never holds.
#pragma once

#include <gtest/gtest.h>

#include <QtTest/QTest>

#undef QTRY_VERIFY_WITH_TIMEOUT
#undef QTRY_VERIFY
#undef QTRY_COMPARE_WITH_TIMEOUT
#undef QTRY_COMPARE

#define QTRY_VERIFY_WITH_TIMEOUT(expr, timeoutMs) \
  ASSERT_TRUE(QTest::qWaitFor([&]() -> bool { return static_cast<bool>(expr); }, (timeoutMs))) << "waited for: " #expr
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 5000)
#define QTRY_COMPARE_WITH_TIMEOUT(actual, expected, timeoutMs)                                         \
  ASSERT_TRUE(QTest::qWaitFor([&]() -> bool { return (actual) == (expected); }, (timeoutMs))) \
      << "waited for: " #actual " == " #expected
#define QTRY_COMPARE(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 5000)
