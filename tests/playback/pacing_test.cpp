// The pacing pieces on their own: the clock (re-basing at a rate change, the
// new hour and the new day, a clock going back and drift either way), the
// sound block plan, and the pacing trace's lateness figures and file.
#include "playback/pacing_clock.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <tuple>

#include "playback/pacing_trace.h"
#include "playback/sound_schedule.h"
#include "tests/playback/playback_test_support.h"

namespace orvia {
namespace {

constexpr int64_t kHour = 60 * 60 * 1000;

// Wall time at which `stepMs` first becomes due, looking at every millisecond
// from `fromMs` (the clock is shown the time of day, which starts again at
// midnight); -1 when it does not within `limitMs`.
int64_t FirstDue(PacingClock& clock, double stepMs, int64_t fromMs, int64_t limitMs = 20000) {
  for (int64_t t = fromMs; t < fromMs + limitMs; ++t) {
    if (clock.Due(stepMs, t % kDayMs)) return t;
  }
  return -1;
}

TEST(PacingClockTest, RateChangeCarriesOnFromWhereTheClockIs) {
  // Every pair of rates, changed 8 s into playback: the recording time the
  // clock has reached does not jump, and afterwards runs at the new rate.
  const int rates[][2] = {{1, 4}, {1, 2}, {1, 1}, {2, 1}, {4, 1}};
  for (const auto& from : rates) {
    for (const auto& to : rates) {
      SCOPED_TRACE(testing::Message() << from[0] << "/" << from[1] << " -> " << to[0] << "/" << to[1]);
      PacingClock clock;
      clock.SetRate(from[0], from[1], 0);
      clock.Start(1000, 10 * kHour);
      const int64_t change = 10 * kHour + 8000;
      const double before = clock.MediaAt(change);
      clock.SetRate(to[0], to[1], change);
      EXPECT_DOUBLE_EQ(clock.MediaAt(change), before);
      EXPECT_DOUBLE_EQ(clock.MediaAt(change + 400), before + 400.0 * to[0] / to[1]);
      // A step one unit (67 ms) later falls due 67 ms of recording later.
      const int64_t due = FirstDue(clock, before + 67, change);
      EXPECT_NEAR(static_cast<double>(due - change), 67.0 * to[1] / to[0], 1.0);
      EXPECT_EQ(clock.rebases(), 0);
    }
  }
}

TEST(PacingClockTest, NewHourAndNewDayDoNotStallOrRace) {
  for (const int64_t start : {10 * kHour + 59 * 60000 + 58500, 24 * kHour - 1500}) {
    SCOPED_TRACE(start);
    PacingClock clock;
    clock.Start(0, start);
    // Steps every 67 ms fall due 67 ms apart across the boundary.
    int64_t last = start;
    for (int k = 1; k <= 60; ++k) {
      const int64_t due = FirstDue(clock, k * 67.0, last);
      ASSERT_EQ(due, start + k * 67) << k;
      last = due;
    }
    EXPECT_EQ(clock.rebases(), 0);
  }
}

TEST(PacingClockTest, ClockGoingBackOrDriftReBasesAtTheStep) {
  PacingClock clock;
  clock.Start(5000, 12 * kHour);
  ASSERT_FALSE(clock.Due(5067, 12 * kHour + 30));
  // The clock is set back a minute: the step goes out at once, the next one
  // a unit later.
  const int64_t back = 12 * kHour - 60000;
  EXPECT_TRUE(clock.Due(5067, back));
  EXPECT_EQ(clock.rebases(), 1);
  EXPECT_FALSE(clock.Due(5134, back + 60));
  EXPECT_TRUE(clock.Due(5134, back + 67));

  // The clock jumps a minute ahead (the recording far behind it): no race
  // through a minute of units, the step goes out and the pacing carries on.
  const int64_t ahead = back + 67 + 60000;
  EXPECT_TRUE(clock.Due(5201, ahead));
  EXPECT_EQ(clock.rebases(), 2);
  EXPECT_FALSE(clock.Due(5268, ahead + 10));

  // Ahead of the clock by more than 2 s x factor at 2x: re-based.
  clock.SetRate(2, 1, ahead + 10);
  EXPECT_TRUE(clock.Due(5268 + 4100, ahead + 11));
  EXPECT_EQ(clock.rebases(), 3);
  // Within the limit it waits.
  EXPECT_FALSE(clock.Due(5268 + 4100 + 3900, ahead + 12));
}

TEST(PacingClockTest, LeadHandsStepsOverEarly) {
  PacingClock clock;
  clock.Start(0, 1000);
  EXPECT_FALSE(clock.Due(100, 1089, 10));
  EXPECT_TRUE(clock.Due(100, 1090, 10));
  EXPECT_EQ(clock.WallAt(100), 1100);
}

TEST(SoundScheduleTest, BlocksWaitFeedWithSilenceLoseTheirLateStartOrSkip) {
  struct Row {
    int64_t dueMs, queuedUs;
    SoundAction action;
    int silenceMs, cutMs;
  };
  const Row rows[] = {
      {1000 + kSoundAheadMs + 1, 0, SoundAction::kWait, 0, 0},  // too early to hand over
      {1100, 0, SoundAction::kFeed, 100, 0},      // an empty sink: it would start now, 100 ms early
      {1100, 95000, SoundAction::kFeed, 0, 0},    // on time behind what is queued, within the tolerance
      {1100, 130000, SoundAction::kFeed, 0, 30},  // 30 ms late: its last 30 ms are left out
      {1100, 400000, SoundAction::kSkip, 0, 0},   // a backlog: it would start 300 ms late
      {1100, -1, SoundAction::kFeed, 0, 0},       // the player cannot tell: on time alone
  };
  for (const Row& r : rows) {
    const SoundPlan p = PlanSoundBlock(1000, r.dueMs, r.queuedUs, 40);
    EXPECT_EQ(std::make_tuple(p.action, p.silenceMs, p.cutMs),
              std::make_tuple(r.action, r.silenceMs, r.cutMs))
        << r.dueMs << " " << r.queuedUs;
  }
  EXPECT_EQ(SoundBytesFor(40, 8000, 2), 640);
  EXPECT_EQ(SoundBytesFor(40, 0, 2), 0);
  EXPECT_EQ(SoundUsFor(640, 8000, 2), 40000);
  EXPECT_EQ(SoundUsFor(640, 8000, 0), 0);
}

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
