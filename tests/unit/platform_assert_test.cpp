// PV_ASSERT: a broken invariant is reported with its place and condition; a test program stops
// there, a program that chose to go on returns from the check.
#include <gtest/gtest.h>

#include <string>

#include "platform/Assert.h"

namespace {

// Restores the test program's choice whatever a test sets.
class AssertTest : public ::testing::Test {
  protected:
    void TearDown() override { SetAssertStops(m_stops); }
    const bool m_stops = AssertStops();
};

}  // namespace

TEST_F(AssertTest, TestProgramsStopAtABrokenInvariant) {
    EXPECT_TRUE(AssertStops());
    EXPECT_DEATH(PV_ASSERT(2 + 2 == 5),
                 "platform_assert_test\\.cpp:[0-9]+: invariant failed: 2 \\+ 2 == 5");
}

TEST_F(AssertTest, GoingOnReportsOnceAndReturns) {
    SetAssertStops(false);
    int evaluated = 0;
    ::testing::internal::CaptureStderr();
    PV_ASSERT(++evaluated == 0);
    PV_ASSERT(++evaluated == 2);  // holds: no report
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(evaluated, 2);  // each condition ran exactly once
    EXPECT_NE(report.find("platform_assert_test.cpp:"), std::string::npos) << report;
    EXPECT_NE(report.find("invariant failed: ++evaluated == 0\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("== 2"), std::string::npos) << report;
}
