// The pacing trace's lateness figures and its file.
#include "playback/pacing_trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/playback/playback_test_support.h"

namespace orvia {
namespace {

TEST(PacingTrace, LatenessPercentilesUseNearestRank) {
  PacingTrace trace;
  for (int i = 0; i < 100; ++i) trace.Record(1000 * i, 1000 * i + i);  // 0..99 ms late
  trace.Record(5, 2);                                                  // 3 ms early
  const LatenessStats s = ComputeLateness(trace.samples());
  EXPECT_EQ(s.count, 101);
  EXPECT_EQ(s.p50Ms, 49);
  EXPECT_EQ(s.p99Ms, 98);
  EXPECT_EQ(s.maxMs, 99);
  EXPECT_EQ(ComputeLateness({}).count, 0);
}

TEST(PacingTrace, KeepsNoMoreThanItsCapacityAndWritesASummary) {
  PacingTrace trace(2);
  trace.Record(0, 1, 1);
  trace.Record(10, 10, 3);
  trace.Record(20, 40);
  EXPECT_EQ(trace.samples().size(), 2u);
  EXPECT_EQ(trace.dropped(), 1);
  test::ScratchDir dir;
  ASSERT_TRUE(WritePacingTrace(trace, dir / "trace.csv"));
  std::ifstream in(dir / "trace.csv");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "# units 2, not kept 1, late p50 0 ms, p99 1 ms, max 1 ms\n"
            "due_ms,actual_ms,late_ms,row\n0,1,1,1\n10,10,0,3\n");
  EXPECT_FALSE(WritePacingTrace(trace, dir / "no/such/folder.csv"));
}

}  // namespace
}  // namespace orvia
