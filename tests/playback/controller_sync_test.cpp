// The controller's pacing faults and its sound timing, on the fake clock:
// speed changes in the middle of a file, a new hour, the sound's moment and
// queue, the ends of the list and a step past a file end. (A clock set back
// is the pacing clock's own case.)
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "playback/pacing_trace.h"
#include "playback/sound_schedule.h"
#include "tests/playback/playback_test_support.h"

namespace orvia::test {
namespace {

// ------------------------------------------------------------------ pacing

TEST_F(ControllerTest, SpeedChangeMidFileCarriesOnFromThePictureShown) {
  const std::string path = Recording(40);
  // Speed slider positions and their rates.
  const std::pair<int, double> speeds[] = {{0, 0.25}, {2, 1}, {3, 2}, {4, 4}};
  for (const auto& from : speeds) {
    for (const auto& to : speeds) {
      if (from == to) continue;
      SCOPED_TRACE(testing::Message() << from.second << "x -> " << to.second << "x");
      Rebuild();
      Load({path});
      controller->OnSpeed(from.first);
      Ticks(3001);
      const int before = MediaMs();
      const int64_t change = clock.nowMs();
      controller->OnSpeed(to.first);
      // The recording time on show follows the new rate from where it was,
      // within one unit (67 ms) and the hand-over leads at both rates.
      const double slack = 67 + kPictureLeadMs * (from.second + to.second) + 1;
      double worst = 0;
      for (int i = 0; i < 2000; ++i) {
        Ticks(1);
        const double expected = before + (clock.nowMs() - change) * to.second;
        worst = std::max(worst, std::abs(MediaMs() - expected));
      }
      EXPECT_LE(worst, slack);
    }
  }
}

TEST_F(ControllerTest, StartOrSeekJustBeforeANewHourKeepsThePace) {
  for (const int slider : {2, 3}) {
    SCOPED_TRACE(slider);
    Rebuild();
    clock.Set(10, 59, 58, 900);
    Load({Recording(12)});
    controller->OnSpeed(slider);
    Ticks(1);
    const int rate = slider == 3 ? 2 : 1;
    // Across the new hour the pictures keep coming at the rate: after 2.5 s
    // the recording is 2.5 s x rate on.
    Ticks(2500);
    EXPECT_NEAR(MediaMs(), 2500 * rate, 70);
    // A seek 0.5 s before the next new hour.
    clock.Set(11, 59, 59, 500);
    controller->OnTimeLine(1);
    Ticks(1);
    const int64_t start = clock.nowMs();
    Ticks(1500);
    EXPECT_NEAR(MediaMs(), 1000 + (clock.nowMs() - start) * rate, 70);
  }
}

// ------------------------------------------------------------------- sound

TEST_F(ControllerTest, SoundPlaysAtItsMomentAndBuildsNoBacklogAtTwiceSpeed) {
  FakeSink sink(front, clock);
  // The front player's pictures reach the screen 30 ms after their moment.
  const int pictureDelayMs = 30;
  front.SetPictureLatencyAnswer((kPictureLeadMs + pictureDelayMs) * 1000);
  Load({Recording(10)});
  const RecordingIndex& index = controller->index();
  Ticks(1);
  // Each block starts with its picture, give or take the tolerance, none
  // left out; the queue ahead stays a few blocks.
  auto checkPhase = [&](size_t firstBlock) {
    for (size_t i = firstBlock; i < sink.blocks().size(); ++i) {
      const FakeSink::Block& b = sink.blocks()[i];
      const int64_t moment = controller->pacing().WallAt(index.soundEntries[b.id].time) + pictureDelayMs;
      EXPECT_LE(std::abs(b.startMs - moment), kSoundToleranceMs) << "block " << b.id;
      if (i > firstBlock) {
        EXPECT_EQ(b.id, sink.blocks()[i - 1].id + 1);
      }
    }
  };
  int64_t longest = 0;
  auto run = [&](int ms) {
    for (int i = 0; i < ms; ++i) {
      Ticks(1);
      longest = std::max(longest, sink.queuedUs());
    }
  };
  run(3000);
  ASSERT_GT(sink.blocks().size(), 70u);
  checkPhase(0);
  EXPECT_LE(longest, (kSoundAheadMs + 40) * 1000);

  // Five seconds of recording at 2x: still no backlog.
  controller->OnSpeed(3);
  longest = 0;
  run(2500);
  EXPECT_LE(longest, (kSoundAheadMs + 40 + kSoundToleranceMs) * 1000);

  // Back at 1x the sound is flushed and in step at once.
  const int flushes = sink.flushes();
  controller->OnSpeed(2);
  EXPECT_EQ(sink.flushes(), flushes + 1);
  const size_t from = sink.blocks().size();
  run(1000);
  ASSERT_GT(sink.blocks().size(), from + 20);
  checkPhase(from);
}

TEST_F(ControllerTest, QueuedSoundIsFlushedOnSeekPauseSpeedAndFileChange) {
  FakeSink sink(front, clock);
  Load({Recording(12, "a.avi"), Recording(3, "b.avi")});
  Ticks(500);
  int flushes = sink.flushes();
  const std::vector<std::pair<const char*, std::function<void()>>> events = {
      {"seek", [&] { controller->OnTimeLine(5); }},     {"pause", [&] { controller->OnPlayPause(); }},
      {"play", [&] { controller->OnPlayPause(); }},     {"speed", [&] { controller->OnSpeed(3); }},
      {"next file", [&] { controller->OnNextFile(); }},
  };
  for (const auto& [name, event] : events) {
    SCOPED_TRACE(name);
    event();
    Ticks(300);
    EXPECT_GT(sink.flushes(), flushes);
    flushes = sink.flushes();
  }
}

// A flush cannot take back what the sink already holds. A seek waits for
// that to play out, so that the new place's first sound block is heard with
// its first picture rather than skipped as late.
TEST_F(ControllerTest, AfterASeekTheNewPlacesFirstSoundIsHeardWithItsFirstPicture) {
  FakeSink sink(front, clock, 100);
  Load({Recording(10)});
  Ticks(2500);
  ASSERT_GT(sink.queuedUs(), 100000);
  const size_t from = sink.blocks().size();
  const int64_t seekMs = clock.nowMs();
  controller->OnTimeLine(5);
  Ticks(1000);
  const auto key =
      std::find_if(sink.keyFedMs().begin(), sink.keyFedMs().end(), [&](int64_t t) { return t >= seekMs; });
  ASSERT_NE(key, sink.keyFedMs().end());
  ASSERT_GT(sink.blocks().size(), from);
  EXPECT_EQ(sink.blocks()[from].id, 5 * 25);
  EXPECT_LE(std::abs(sink.blocks()[from].startMs - *key), kSoundToleranceMs);
  // The wait is no longer than what the sink held.
  EXPECT_LE(*key - seekMs, kHoldWaitMs + 100 + 2);

  // Paused while it waits, both views show the new place at once.
  controller->OnTimeLine(2);
  Ticks(20);
  ClearCalls();
  controller->OnPlayPause();
  EXPECT_EQ(Units(front, 0), std::vector<int>{30});
  EXPECT_EQ(Units(rear, 1), std::vector<int>{30});
  EXPECT_EQ(view.timeLine, 2);
  Ticks(200);
  EXPECT_EQ(Units(front, 0), std::vector<int>{30});
}

// A decoder that starts slowly puts the first picture on screen late: the
// clock, and with it the sound, starts when that picture is on show.
TEST_F(ControllerTest, PlaybackStartsWithTheFirstPictureOnShow) {
  FakeSink sink(front, clock);
  int shown = 0;
  front.SetPicturesShownAnswer([&] {
    // The first key unit's picture shows 80 ms after its hand-over.
    if (!sink.keyFedMs().empty() && clock.nowMs() >= sink.keyFedMs().front() + 80) shown = 1;
    return shown;
  });
  Load({Recording(4)});
  Ticks(500);
  ASSERT_FALSE(sink.keyFedMs().empty());
  ASSERT_FALSE(sink.blocks().empty());
  EXPECT_EQ(sink.blocks()[0].id, 0);
  EXPECT_NEAR(sink.blocks()[0].startMs, sink.keyFedMs().front() + 80, 2);
  EXPECT_NEAR(controller->pacing().WallAt(0), sink.keyFedMs().front() + 80, 2);
}

// Units of the old place still waiting for a decoder would be shown after the
// new place's first picture: both players drop them before it is handed over.
TEST_F(ControllerTest, JumpsDropTheUnitsWaitingBeforeTheNewKeyUnit) {
  Load({Recording(12, "a.avi"), Recording(3, "b.avi")});
  Ticks(500);
  const std::vector<std::pair<const char*, std::function<void()>>> jumps = {
      {"seek", [&] { controller->OnTimeLine(5); }},
      {"next file", [&] { controller->OnNextFile(); }},
  };
  for (const auto& [name, jump] : jumps) {
    SCOPED_TRACE(name);
    ClearCalls();
    jump();
    Ticks(5);
    for (const RecordingPlayer* p : {&front, &rear}) {
      const std::vector<RecordedCall>& calls = p->calls();
      auto drop = std::find_if(calls.begin(), calls.end(),
                               [](const RecordedCall& c) { return c.op == PlayerOp::kDropUnits; });
      auto key = std::find_if(calls.begin(), calls.end(), [](const RecordedCall& c) {
        return c.op == PlayerOp::kFeedData && !c.feed.sound && c.feed.key;
      });
      ASSERT_NE(key, calls.end());
      EXPECT_LT(drop, key);
    }
  }
}

// -------------------------------------------------------- files, stepping

TEST_F(ControllerTest, PreviousAndNextFileAtTheEndsOfTheListPauseWhereTheyAre) {
  Load({Recording(2, "a.avi"), Recording(3, "b.avi")});
  Ticks(1300);
  const int held = controller->position();
  ASSERT_EQ(held, 1);
  // At the first row: paused on the picture on show, the position held.
  controller->OnPreviousFile();
  EXPECT_FALSE(controller->playing());
  EXPECT_FALSE(view.pauseLook);
  EXPECT_EQ(view.playTooltip, "Play");
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  ClearCalls();
  Ticks(50);
  EXPECT_TRUE(Feeds(front, false).empty());
  EXPECT_EQ(controller->position(), held);
  EXPECT_EQ(view.timeLine, held);

  controller->OnPlayPause();
  controller->OnNextFile();
  EXPECT_EQ(controller->currentRow(), 1);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_EQ(view.graphCount, 3);
  Ticks(1300);
  const int last = controller->position();
  ASSERT_GE(last, 1);
  // At the last row: the same.
  controller->OnNextFile();
  EXPECT_EQ(controller->currentRow(), 1);
  EXPECT_FALSE(controller->playing());
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  ClearCalls();
  Ticks(50);
  EXPECT_TRUE(Feeds(rear, false).empty());
  EXPECT_EQ(controller->position(), last);
  controller->OnPlayPause();
  Ticks(2);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);

  controller->OnListDoubleClick(0);
  EXPECT_EQ(controller->currentRow(), 0);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_EQ(view.selectedRow, 0);
}

// A row that does not open is passed over however it is chosen, from its own
// second 0, not from the second the recording before was at.
TEST_F(ControllerTest, ARowThatDoesNotOpenIsPassedOverWhereverItIsChosen) {
  Load({Recording(2, "a.avi"), dir / "gone.avi", Recording(3, "c.avi"), dir / "gone2.avi"});
  ASSERT_TRUE(TickUntil([&] { return controller->position() == 1; }));
  controller->OnListDoubleClick(1);
  ASSERT_TRUE(TickUntil([&] { return controller->state() == PlaybackState::kRunning; }, 3000));
  EXPECT_EQ(controller->currentRow(), 2);
  // Previous from row 2 passes over row 1 to row 0.
  controller->OnPreviousFile();
  EXPECT_EQ(controller->currentRow(), 0);
  ASSERT_TRUE(TickUntil([&] { return controller->state() == PlaybackState::kRunning; }, 3000));
  // Next from row 0 passes over row 1 again.
  controller->OnNextFile();
  EXPECT_EQ(controller->currentRow(), 2);
  EXPECT_EQ(view.unplayable, (std::vector<int>{1, 1, 1}));
}

TEST_F(ControllerTest, StepPastTheFileEndWhilePausedEntersTheNextFilesFirstSecond) {
  Load({Recording(2, "a.avi"), Recording(3, "b.avi")});
  PauseAt(1, 0);
  while (controller->buffer().nextVideo[0] < controller->index().videoCount[0]) {
    controller->OnForward();
    Ticks(1);
  }
  ASSERT_EQ(view.timeLine, 1);
  view.telemetry.clear();
  ClearCalls();
  controller->OnForward();
  Ticks(1);
  EXPECT_EQ(controller->currentRow(), 1);
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  EXPECT_EQ(view.timeLine, 0);
  EXPECT_EQ(view.graphCursor, 0);
  ASSERT_EQ(view.telemetry.size(), 1u);
  EXPECT_EQ(view.telemetry[0].time, "2026-12-07 08:30:00");
  EXPECT_EQ(controller->currentDate().second, 0);
  EXPECT_EQ(Units(front, 0), std::vector<int>{0});
  EXPECT_EQ(Units(rear, 1), std::vector<int>{0});
}

TEST_F(ControllerTest, LeavingFullScreenShowsTheRowAndSecondPlayedMeanwhile) {
  Load({Recording(2, "a.avi"), Recording(3, "b.avi")});
  Ticks(1);
  view.fullScreen = true;
  ASSERT_TRUE(TickUntil([&] { return controller->currentRow() == 1 && controller->position() == 1; }));
  EXPECT_EQ(view.selectedRow, 0);
  EXPECT_EQ(view.graphCount, 2);
  view.telemetry.clear();
  view.fullScreen = false;
  controller->OnFullScreenLeft();
  EXPECT_EQ(view.selectedRow, 1);
  EXPECT_EQ(view.graphCount, 3);
  EXPECT_EQ(view.graphCursor, 1);
  ASSERT_EQ(view.telemetry.size(), 1u);
  EXPECT_EQ(view.telemetry[0].time, "2026-12-07 08:30:01");
}

// The timer may sleep until NextTickMs says: every unit and sound block then
// goes out at the same moment as with a tick every millisecond, across a
// file's end and a speed change.
TEST_F(ControllerTest, TicksOnlyWhenDueHandOverWhatEveryMillisecondWould) {
  const std::vector<std::string> rows = {Recording(3, "a.avi"), Recording(3, "b.avi")};
  struct Run {
    std::vector<PacingSample> units;
    std::vector<std::pair<int, int64_t>> sound;
    int ticks = 0;
  };
  const auto play = [&](bool whenDue) {
    Rebuild();
    clock.Set(10, 0, 0, 0);
    FakeSink sink(front, clock);
    PacingTrace trace;
    controller->SetPacingTrace(&trace);
    Load(rows);
    Run run;
    bool faster = false;
    for (int64_t start = clock.nowMs(); clock.nowMs() - start < 5500; ++run.ticks) {
      if (clock.nowMs() - start >= 3500 && !faster) {
        controller->OnSpeed(3);
        faster = true;
      }
      int wait = whenDue ? controller->NextTickMs() : 1;
      EXPECT_TRUE(wait >= 1 && wait <= kMaxTickWaitMs) << wait;
      // The speed changes at the same moment in both runs, as a click would.
      if (!faster) wait = static_cast<int>(std::min<int64_t>(wait, start + 3500 - clock.nowMs()));
      clock.AdvanceMs(wait);
      controller->Tick();
    }
    run.units = trace.samples();
    for (const FakeSink::Block& b : sink.blocks()) run.sound.push_back({b.id, b.startMs});
    controller->SetPacingTrace(nullptr);
    return run;
  };
  const Run every = play(false);
  const Run due = play(true);
  ASSERT_GT(every.units.size(), 100u);
  ASSERT_EQ(due.units.size(), every.units.size());
  for (size_t i = 0; i < every.units.size(); ++i) {
    EXPECT_EQ(due.units[i].actualMs, every.units[i].actualMs) << "unit " << i;
    EXPECT_EQ(due.units[i].row, every.units[i].row) << "unit " << i;
  }
  EXPECT_EQ(due.sound, every.sound);
  EXPECT_LT(due.ticks * 3, every.ticks) << "the timer still wakes every millisecond";
}

}  // namespace
}  // namespace orvia::test
