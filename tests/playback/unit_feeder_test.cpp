// The unit feeder and the read-out publisher on their own, without the
// controller's state machine in front of them.
#include "playback/unit_feeder.h"
#include "playback/readout_publisher.h"
#include "tests/playback/playback_test_support.h"

namespace orvia::test {
namespace {

// A new file rewinds every read position and forgets the units read for
// the old one: a hand-over right after it sends nothing of the old file.
TEST(UnitFeeder, RewindForgetsTheOldFilesUnits) {
  ScratchDir dir;
  HandBuiltOptions o;
  o.seconds = 2;
  RecordingIndex index;
  RecordingFile file = OpenRecording(WriteHandBuilt(dir / "a.avi", o), index);
  ASSERT_TRUE(file.IsOpen());
  PacingClock pacing;
  FakeClock clock;
  RecordingPlayer front, rear;
  PlaybackBuffer buffer;
  UnitFeeder feeder({&front, &rear, &clock, &clock, &index, &file, &pacing, &buffer});

  const int t = feeder.CueKeyUnits(1);
  ASSERT_EQ(t, index.videoEntries[0][15].time);
  feeder.LoadUnits(t);
  EXPECT_GT(feeder.buffer().unitLen[0], 0);
  feeder.Rewind();
  feeder.HandOver(FeedMode{}, 0);
  EXPECT_TRUE(Feeds(front, false).empty());
  EXPECT_TRUE(Feeds(rear, false).empty());
  EXPECT_EQ(feeder.NextStepTime(), index.videoEntries[0][0].time);
}

// A hidden map is never moved (the page is not there to take it), while the
// read-outs and the graph cursor still follow the second.
TEST(ReadoutPublisher, HiddenMapIsLeftAloneWhileReadoutsFollow) {
  ScratchDir dir;
  HandBuiltOptions o;
  o.seconds = 2;
  RecordingIndex index;
  RecordingFile file = OpenRecording(WriteHandBuilt(dir / "a.avi", o), index);
  ASSERT_TRUE(file.IsOpen());
  FakeView view;
  ReadoutPublisher readouts(&view, EnglishText);
  view.mapShown = false;
  readouts.ShowSecond(index, 1, BreakDownUtc(index.unixTime[1]));
  EXPECT_TRUE(view.mapCalls.empty());
  ASSERT_EQ(view.telemetry.size(), 1u);
  EXPECT_EQ(view.graphCursor, 1);
  view.mapShown = true;
  readouts.ShowSecond(index, 1, BreakDownUtc(index.unixTime[1]));
  EXPECT_EQ(view.mapCalls.size(), 1u);
}

}  // namespace
}  // namespace orvia::test
