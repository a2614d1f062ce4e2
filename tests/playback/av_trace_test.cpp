#include "playback/av_trace.h"

#include <gtest/gtest.h>

namespace orvia {
namespace {

constexpr int64_t kMs = 1000000;

// A flash is the first bright picture after a dark one in each view; it pairs
// with the nearest click on either side within the window, and the figures
// are of the offsets' sizes whichever way they point.
TEST(AvTrace, FlashesPairWithTheNearestClickAndFiguresTakeTheOffsetsSize) {
  AvTrace trace(64);
  trace.PictureShown(2, 0 * kMs, 20);
  trace.PictureShown(2, 100 * kMs, 250);  // flash, click 30 ms before it
  trace.PictureShown(2, 166 * kMs, 250);  // the same flash held
  trace.SoundPlayed(70 * kMs, 32767);
  trace.SoundPlayed(130 * kMs, 20000);    // too quiet to be a click
  trace.PictureShown(3, 110 * kMs, 240);  // rear flash, same click 40 ms away
  trace.PictureShown(2, 233 * kMs, 10);
  trace.SoundPlayed(1010 * kMs, 32000);
  trace.SoundPlayed(1100 * kMs, 32000);
  trace.PictureShown(2, 1000 * kMs, 255);  // click 10 ms after
  trace.PictureShown(2, 1300 * kMs, 0);
  trace.PictureShown(2, 2000 * kMs, 255);  // no click within the window
  trace.SoundPlayed(2600 * kMs, 32767);

  AvOffsetStats stats;
  const std::vector<AvPair> pairs = PairSyncMarks(trace.events(), &stats);
  EXPECT_EQ(stats.flashes, 4);
  EXPECT_EQ(stats.clicks, 4);
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[0].view, 2);
  EXPECT_EQ(pairs[0].offsetUs, -30000);
  EXPECT_EQ(pairs[1].view, 3);
  EXPECT_EQ(pairs[1].offsetUs, -40000);
  EXPECT_EQ(pairs[2].offsetUs, 10000);

  stats = ComputeAvOffsets(pairs, stats);
  EXPECT_EQ(stats.pairs, 3);
  EXPECT_EQ(stats.p50Ms, 30);
  EXPECT_EQ(stats.p99Ms, 40);
  EXPECT_EQ(stats.maxMs, 40);
}

}  // namespace
}  // namespace orvia
