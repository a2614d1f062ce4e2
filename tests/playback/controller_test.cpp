// The playback controller driven like the main window drives it: list loads,
// commands and 1 ms ticks on a fake clock, with recording players standing in
// for the two views.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "playback/pacing_trace.h"
#include "playback/playback_controller.h"
#include "playback/sound_schedule.h"
#include "player/recording_player.h"
#include "tests/playback/controller_fixture.h"
#include "tests/playback/playback_test_support.h"

namespace orvia::test {
namespace {

// ------------------------------------------------------------- list loads

TEST_F(ControllerTest, ListLoadStartsRowZeroAndTheFirstTickShowsItsKeyUnits) {
  Load({Recording({})});
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_TRUE(controller->playing());
  EXPECT_FALSE(controller->stopped());
  EXPECT_EQ(view.selectedRow, 0);
  EXPECT_EQ(view.graphCount, 3);
  EXPECT_EQ(front.volume(), 5);
  EXPECT_FALSE(controller->soundMuted());
  EXPECT_TRUE(view.IsEnabled(PlaybackButton::kPlayPause));
  EXPECT_TRUE(view.IsEnabled(PlaybackButton::kStop));
  ASSERT_FALSE(view.telemetry.empty());
  EXPECT_EQ(view.telemetry.back().x, "X: ");
  EXPECT_EQ(view.telemetry.back().time, "");
  EXPECT_EQ(clock.sleptMs(), 20);

  Ticks(1);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  EXPECT_TRUE(controller->clockValid());
  EXPECT_EQ(controller->mediaOrigin(), 0);
  for (RecordingPlayer* p : {&front, &rear}) {
    const auto video = Feeds(*p, false);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_TRUE(video[0]->feed.key);
    EXPECT_EQ(Bytes(video[0]).substr(0, 8), std::string("\0\0\0\1\x67SPS", 8));
  }
}

TEST_F(ControllerTest, SourceWhilePlayingBlanksBothViewsAndCancelLeavesNothingToPlay) {
  Load({Recording({})});
  Ticks(10);
  ClearCalls();
  view.mapCalls.clear();
  controller->BeginOpenSource();
  for (RecordingPlayer* p : {&front, &rear}) {
    const auto video = Feeds(*p, false);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_TRUE(video[0]->feed.key);
    EXPECT_EQ(video[0]->feed.bytes, Blank());
    EXPECT_TRUE(p->stopped());
  }
  ASSERT_EQ(view.mapCalls.size(), 1u);
  EXPECT_EQ(view.mapCalls[0], std::make_pair(std::string("-34.397"), std::string("120.844")));
  EXPECT_EQ(view.graphCount, 0);
  EXPECT_EQ(controller->rowCount(), 0);
  EXPECT_TRUE(controller->stopped());

  controller->EndOpenSource(false);
  EXPECT_EQ(controller->state(), PlaybackState::kNoRecording);
  EXPECT_TRUE(view.rows.empty());
  EXPECT_FALSE(view.IsEnabled(PlaybackButton::kPlayPause));
  EXPECT_FALSE(controller->playing());
  EXPECT_EQ(view.telemetry.back().z, "Z: ");
  ClearCalls();
  Ticks(50);
  EXPECT_TRUE(front.calls().empty());
}

TEST_F(ControllerTest, RemovedCardBlanksTheViewsEmptiesTheListAndStops) {
  Load({Recording(Seconds(3))});
  Ticks(300);
  ClearCalls();
  view.mapCalls.clear();
  controller->BeginCardRemoved();
  EXPECT_EQ(controller->state(), PlaybackState::kNoRecording);
  EXPECT_EQ(Feeds(front, false).size(), 1u);
  EXPECT_EQ(Feeds(rear, false).at(0)->feed.bytes, Blank());
  EXPECT_TRUE(view.rows.empty());
  EXPECT_FALSE(view.IsEnabled(PlaybackButton::kPlayPause));
  EXPECT_EQ(view.telemetry.back().y, "Y: ");
  Ticks(20);
  EXPECT_EQ(Feeds(front, false).size(), 1u);
  controller->EndCardRemoved();
  EXPECT_TRUE(controller->stopped());
  EXPECT_TRUE(front.stopped());
  ASSERT_EQ(view.mapCalls.size(), 1u);
  EXPECT_EQ(view.mapCalls[0].first, "-34.397");
}

TEST_F(ControllerTest, RowThatDoesNotOpenLeavesPlaybackAtStateZero) {
  Load({dir / "missing.avi"});
  EXPECT_EQ(controller->state(), PlaybackState::kNoRecording);
  EXPECT_FALSE(view.IsEnabled(PlaybackButton::kPlayPause));
  EXPECT_FALSE(controller->playing());
  Ticks(20);
  EXPECT_TRUE(Feeds(front, false).empty());
}

TEST_F(ControllerTest, FirstLoadResetRunsOnceAndNotInFullScreen) {
  Load({Recording({})});
  view.fullScreen = true;
  controller->OnFirstLoadTimer();
  EXPECT_TRUE(controller->firstLoadPending());
  EXPECT_EQ(view.mapReloads, 0);
  view.fullScreen = false;
  controller->OnFirstLoadTimer();
  controller->OnFirstLoadTimer();
  EXPECT_FALSE(controller->firstLoadPending());
  EXPECT_EQ(view.mapReloads, 1);
  for (RecordingPlayer* p : {&front, &rear}) {
    EXPECT_EQ(p->CallsOf(PlayerOp::kReset57).size(), 1u);
    EXPECT_EQ(p->CallsOf(PlayerOp::kReset67).size(), 1u);
    EXPECT_EQ(p->CallsOf(PlayerOp::kReset86).size(), 1u);  // the sound is on
  }
}

// ------------------------------------------------------------------ pacing

TEST_F(ControllerTest, FirstSecondsAreFedInTimeOrderWithHeadersAndSoundOnTheFrontOnly) {
  Load({Recording(Seconds(3))});
  const RecordingIndex& index = controller->index();
  PacingTrace trace;
  controller->SetPacingTrace(&trace);
  ClearCalls();
  Ticks(1);  // start: the key units at 0 ms
  Ticks(2000);

  // Every unit due by 2000 ms went out, in order, on each view.
  for (int s = 0; s < 2; ++s) {
    SCOPED_TRACE(s);
    const auto video = Feeds(s == 0 ? front : rear, false);
    // A unit goes out kPictureLeadMs before its moment.
    int due = 0;
    while (due < index.videoCount[s] && index.videoEntries[s][due].time <= 2000 + kPictureLeadMs) ++due;
    ASSERT_EQ(static_cast<int>(video.size()), due);
    for (int k = 0; k < due; ++k) {
      EXPECT_EQ(UnitNumber(video[k], s), k);
      EXPECT_EQ(video[k]->feed.key, k % 15 == 0) << k;
    }
    // The key unit of second 1 is an IDR unit: the stream's stored
    // parameter-set header is put in front of it.
    const std::string header(reinterpret_cast<const char*>(index.header[s]), index.headerLen[s]);
    const std::string key = Bytes(video[15]);
    EXPECT_EQ(key.substr(0, header.size()), header);
    EXPECT_EQ(key.substr(header.size(), 5), std::string("\0\0\0\1\x65", 5));
  }
  EXPECT_TRUE(Feeds(rear, true).empty());

  // On the front the sound blocks follow each other, none twice, none left
  // out, up to kSoundAheadMs ahead of the clock; block 0 right after the
  // first unit.
  const auto sound = Feeds(front, true);
  int blocks = 0;
  while (blocks < index.soundCount && index.soundEntries[blocks].time <= 2000 + kSoundAheadMs) ++blocks;
  ASSERT_EQ(static_cast<int>(sound.size()), blocks);
  for (int b = 0; b < blocks; ++b) {
    ASSERT_EQ(sound[b]->feed.length, 640) << b;
    EXPECT_EQ(sound[b]->feed.bytes[0], b) << b;
  }
  EXPECT_FALSE(front.calls().at(0).feed.sound);

  // With a tick every millisecond each unit went out within a millisecond of
  // its hand-over moment, never early and never later than one tick.
  const LatenessStats late = ComputeLateness(trace.samples());
  EXPECT_GT(late.count, 40);
  EXPECT_GE(late.p50Ms, 0);
  EXPECT_LE(late.maxMs, 1);
}

TEST_F(ControllerTest, SoundIsFedAtOneTwoAndFourTimesAndHeardOnlyAtOne) {
  const std::string path = Recording(Seconds(3));
  struct Case {
    int slider;
    bool fed;
    int volume;
  };
  for (const Case c :
       {Case{0, false, 0}, Case{1, false, 0}, Case{2, true, 5}, Case{3, true, 0}, Case{4, true, 0}}) {
    SCOPED_TRACE(c.slider);
    front.ClearCalls();
    rear.ClearCalls();
    Rebuild();
    Load({path});
    controller->OnSpeed(c.slider);
    EXPECT_EQ(front.volume(), c.volume);
    EXPECT_EQ(controller->soundMuted(), c.volume == 0);
    Ticks(1200);
    EXPECT_EQ(!Feeds(front, true).empty(), c.fed);
    EXPECT_TRUE(Feeds(rear, true).empty());
    // At 4x the non-reference slices (NAL header 0x01) are left out.
    int nonReference = 0;
    for (const RecordedCall* v : Feeds(front, false)) nonReference += v->feed.bytes[4] == 0x01;
    EXPECT_EQ(nonReference == 0, c.slider == 4) << nonReference;
  }
}

// ------------------------------------------------------------ back, forward

TEST_F(ControllerTest, BackWhilePausedSeeksTheKeySecondBeforeButNotARestartAtZero) {
  Load({Recording(Seconds(4))});
  ASSERT_TRUE(
      TickUntil([&] { return controller->position() == 2 && controller->buffer().millisecond > 300; }));
  controller->OnPlayPause();
  ASSERT_EQ(controller->state(), PlaybackState::kIdle);

  controller->OnBack();
  EXPECT_EQ(controller->position(), 1);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  ClearCalls();
  Ticks(1);
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  auto video = Feeds(front, false);
  ASSERT_EQ(video.size(), 1u);
  EXPECT_TRUE(video[0]->feed.key);
  EXPECT_EQ(UnitNumber(video[0], 0), 15);

  // At second 1, back moves to second 0 and requests nothing.
  controller->OnBack();
  EXPECT_EQ(controller->position(), 0);
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  ClearCalls();
  Ticks(30);
  EXPECT_TRUE(front.calls().empty());
  EXPECT_TRUE(rear.calls().empty());
  EXPECT_EQ(clock.sleptMs(), 20);  // only the wait before the list load

  // "1 frame" then shows second 0 in both views, and the next one steps both.
  view.telemetry.clear();
  for (int unit = 0; unit < 2; ++unit) {
    SCOPED_TRACE(unit);
    controller->OnForward();
    Ticks(1);
    for (int s = 0; s < 2; ++s) {
      const auto video = Feeds(s == 0 ? front : rear, false);
      ASSERT_EQ(video.size(), 1u);
      EXPECT_EQ(UnitNumber(video[0], s), unit);
    }
    ClearCalls();
  }
  EXPECT_EQ(controller->position(), 0);
  EXPECT_EQ(view.timeLine, 0);
  ASSERT_EQ(view.telemetry.size(), 1u);
  EXPECT_EQ(view.telemetry[0].time, "2026-12-07 08:30:00");
}

TEST_F(ControllerTest, ForwardWhilePausedStepsOneUnitAndWhilePlayingNearTheEndDoesNothing) {
  Load({Recording(Seconds(3))});
  Ticks(300);
  const int64_t slept = clock.sleptMs();
  const int position = controller->position();
  controller->OnForward();  // 3 - position <= 10 seconds left
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  EXPECT_EQ(controller->position(), position);
  EXPECT_EQ(clock.sleptMs(), slept);

  controller->OnPlayPause();
  const int next = controller->buffer().nextVideo[0];
  ClearCalls();
  controller->OnForward();
  EXPECT_EQ(controller->state(), PlaybackState::kOneStep);
  Ticks(1);
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  for (RecordingPlayer* p : {&front, &rear}) {
    const auto video = Feeds(*p, false);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(UnitNumber(video[0], p == &front ? 0 : 1), next);
  }
  EXPECT_TRUE(Feeds(front, true).empty());  // paused: no sound
  ClearCalls();
  Ticks(100);
  EXPECT_TRUE(front.calls().empty());
}

TEST_F(ControllerTest, StepBackWhilePausedDecodesFromTheKeyUnitUpToThePictureBefore) {
  Load({Recording(Seconds(4))});
  ASSERT_FALSE(controller->OnStepBack());  // not paused yet
  ASSERT_TRUE(
      TickUntil([&] { return controller->position() == 2 && controller->buffer().millisecond > 300; }));
  controller->OnPlayPause();
  const int shown = controller->buffer().nextVideo[0] - 1;
  ASSERT_GT(shown, 31);
  ClearCalls();
  ASSERT_TRUE(controller->OnStepBack());
  for (RecordingPlayer* p : {&front, &rear}) {
    const auto video = Feeds(*p, false);
    ASSERT_EQ(static_cast<int>(video.size()), shown - 30);  // key unit 30 .. shown - 1
    EXPECT_TRUE(video.front()->feed.key);
    EXPECT_EQ(UnitNumber(video.front(), p == &front ? 0 : 1), 30);
    EXPECT_EQ(UnitNumber(video.back(), p == &front ? 0 : 1), shown - 1);
  }
  EXPECT_TRUE(Feeds(front, true).empty());
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);

  // Back over the start of the second: from the key unit of the second before.
  while (controller->buffer().nextVideo[0] - 1 > 30) ASSERT_TRUE(controller->OnStepBack());
  ClearCalls();
  ASSERT_TRUE(controller->OnStepBack());
  const auto video = Feeds(front, false);
  ASSERT_EQ(video.size(), 15u);
  EXPECT_EQ(UnitNumber(video.front(), 0), 15);
  EXPECT_EQ(controller->position(), controller->index().videoEntries[0][29].time / 1000);
  EXPECT_EQ(view.timeLine, controller->position());
  controller->OnForward();  // and one forward again
  Ticks(1);
  EXPECT_EQ(UnitNumber(Feeds(front, false).back(), 0), 30);
}

TEST_F(ControllerTest, BackAndForwardWhilePlayingMoveTenSecondsAndRestart) {
  Load({Recording(Seconds(12))});
  ASSERT_TRUE(TickUntil([&] { return controller->position() == 11; }));
  controller->OnBack();
  EXPECT_EQ(controller->position(), 1);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_EQ(clock.sleptMs(), 20 + 10);
  ClearCalls();
  Ticks(1);
  auto video = Feeds(front, false);
  ASSERT_EQ(video.size(), 1u);
  EXPECT_EQ(UnitNumber(video[0], 0), 15);

  controller->OnForward();  // 12 - 1 > 10
  EXPECT_EQ(controller->position(), 11);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  controller->OnBack();  // back from 11 before the start was taken
  EXPECT_EQ(controller->position(), 1);
}

TEST_F(ControllerTest, PauseAndPlayRestartFromTheKeyUnitOfTheCurrentSecond) {
  Load({Recording(Seconds(4))});
  ASSERT_TRUE(
      TickUntil([&] { return controller->position() == 1 && controller->buffer().millisecond >= 500; }));
  controller->OnPlayPause();
  EXPECT_FALSE(controller->playing());
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  ClearCalls();
  Ticks(50);
  EXPECT_TRUE(front.calls().empty());

  controller->OnPlayPause();
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  Ticks(1);
  const auto video = Feeds(front, false);
  ASSERT_EQ(video.size(), 1u);
  EXPECT_TRUE(video[0]->feed.key);
  EXPECT_EQ(UnitNumber(video[0], 0), 15);
  EXPECT_EQ(controller->position(), 1);
  EXPECT_EQ(controller->mediaOrigin(), controller->index().videoEntries[0][15].time);
}

// ---------------------------------------------------------------- refusals

TEST_F(ControllerTest, RefusedUnitIsRetriedEveryTwoMillisecondsWhileMuted) {
  view.volumeSlider = 0;
  Load({Recording(Seconds(3))});
  ASSERT_TRUE(controller->soundMuted());
  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] == 2; }));  // unit 2: reference slice
  front.RefuseNextVideoUnits(3);
  ClearCalls();
  const int64_t slept = clock.sleptMs();
  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] == 3; }));
  auto video = Feeds(front, false);
  ASSERT_EQ(video.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(UnitNumber(video[i], 0), 2);
    EXPECT_EQ(video[i]->feed.refused, i < 3);
  }
  EXPECT_EQ(clock.sleptMs() - slept, 6);
  EXPECT_TRUE(controller->decoderLate());
  EXPECT_FALSE(controller->waitKey(0));

  // A late decoder is spared the next non-reference slice.
  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] == 5; }));
  video = Feeds(front, false);
  ASSERT_EQ(video.size(), 5u);
  EXPECT_EQ(UnitNumber(video[4], 0), 4);
}

TEST_F(ControllerTest, RetriesGiveUpAfterTheirBudgetAndTheViewWaitsForTheNextKeyUnit) {
  view.volumeSlider = 0;
  Load({Recording(Seconds(3))});
  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] == 2; }));
  front.RefuseUnits(true);
  ClearCalls();
  const int64_t slept = clock.sleptMs();
  // The tick that gave up goes on catching up with the clock.
  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] >= 3; }));
  front.RefuseUnits(false);
  auto video = Feeds(front, false);
  EXPECT_EQ(video.size(), 1u + kRetryBudgetMs / kRetryWaitMs);
  for (const RecordedCall* c : video) EXPECT_EQ(UnitNumber(c, 0), 2);
  EXPECT_EQ(clock.sleptMs() - slept, kRetryBudgetMs);
  EXPECT_TRUE(controller->waitKey(0));

  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] >= 16; }));
  video = Feeds(front, false);
  ASSERT_EQ(video.size(), 2u + kRetryBudgetMs / kRetryWaitMs);  // nothing until the key unit of second 1
  EXPECT_EQ(UnitNumber(video.back(), 0), 15);
  EXPECT_FALSE(controller->waitKey(0));
  // The rear view went on, without the non-reference slices while the
  // front decoder was late.
  std::vector<int> rearUnits;
  for (const RecordedCall* c : Feeds(rear, false)) rearUnits.push_back(UnitNumber(c, 1));
  EXPECT_EQ(rearUnits, (std::vector<int>{2, 4, 6, 8, 10, 12, 14, 15}));
}

TEST_F(ControllerTest, RefusedUnitWithSoundPlayingIsDroppedAtOnce) {
  Load({Recording(Seconds(3))});
  ASSERT_FALSE(controller->soundMuted());
  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] == 2; }));
  front.RefuseNextVideoUnits(1);
  ClearCalls();
  const int64_t slept = clock.sleptMs();
  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] == 3; }));
  EXPECT_EQ(Feeds(front, false).size(), 1u);
  EXPECT_EQ(clock.sleptMs(), slept);
  EXPECT_TRUE(controller->waitKey(0));
}

TEST_F(ControllerTest, RefusedKeyUnitIsOfferedAgainUntilTaken) {
  Load({Recording(Seconds(3))});
  front.RefuseNextUnits(5);
  Ticks(1);
  const auto video = Feeds(front, false);
  ASSERT_EQ(video.size(), 6u);
  EXPECT_TRUE(video[5]->feed.key);
  EXPECT_FALSE(video[5]->feed.refused);
  EXPECT_EQ(clock.sleptMs(), 20 + 10);
}

TEST_F(ControllerTest, OversizedUnitAndSoundBlockAreSkippedWithoutOverrun) {
  HandBuiltOptions o = Seconds(2);
  o.oversizedUnit = 4;
  o.oversizedSoundBlock = 10;
  Load({Recording(o)});
  Ticks(1300);
  int maxSound = 0;
  std::vector<int> units;
  for (const RecordedCall* c : Feeds(front, false)) {
    units.push_back(UnitNumber(c, 0));
    EXPECT_LE(c->feed.length, kUnitBufferBytes);
  }
  for (const RecordedCall* c : Feeds(front, true)) {
    maxSound = std::max(maxSound, c->feed.length);
    EXPECT_NE(c->feed.bytes[0], 10);
  }
  EXPECT_LE(maxSound, kSoundBufferBytes);
  // Units 4 to 14 cannot be decoded without unit 4: the front waits for 15.
  const std::vector<int> want = {0, 1, 2, 3, 15, 16};
  ASSERT_GE(units.size(), want.size());
  EXPECT_TRUE(std::equal(want.begin(), want.end(), units.begin()));
  EXPECT_GE(Feeds(rear, false).size(), 17u);
}

TEST_F(ControllerTest, FileCutShortUnderThePlayerSkipsWhatCannotBeRead) {
  const std::string path = Recording(Seconds(3));
  Load({path});
  Ticks(200);
  std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
  ClearCalls();
  ASSERT_TRUE(
      TickUntil([&] { return controller->buffer().nextVideo[0] == controller->index().videoCount[0]; }));
  const auto video = Feeds(front, false);
  ASSERT_FALSE(video.empty());
  EXPECT_LT(video.size(), 40u);
  EXPECT_TRUE(controller->waitKey(0));
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
}

// --------------------------------------------------------- files and stop

TEST_F(ControllerTest, EndOfFileOpensTheNextRowOfSimulatedRecordings) {
  const std::vector<std::string>& paths = SimulatedRecordings();
  ASSERT_EQ(paths.size(), 2u);
  Load(paths);
  ASSERT_TRUE(TickUntil([&] { return controller->currentRow() == 1; }, 5000));
  EXPECT_EQ(view.selectedRow, 1);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_EQ(controller->position(), 0);
  ClearCalls();
  Ticks(1);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  for (RecordingPlayer* p : {&front, &rear}) {
    const auto video = Feeds(*p, false);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_TRUE(video[0]->feed.key);
    ASSERT_GE(video[0]->feed.length, 5);
    EXPECT_EQ(video[0]->feed.bytes[4] & 0x1f, 7);
  }
  EXPECT_FALSE(Feeds(front, true).empty());

  // After the last row playback stays running with nothing left to show.
  ASSERT_TRUE(
      TickUntil([&] { return controller->buffer().nextVideo[0] == controller->index().videoCount[0]; }));
  ClearCalls();
  Ticks(200);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  EXPECT_EQ(controller->currentRow(), 1);
  EXPECT_TRUE(Feeds(front, false).empty());
}

TEST_F(ControllerTest, StopThenPlayAgainStartsOverFromSecondZero) {
  Load({Recording(Seconds(3))});
  Ticks(1500);
  ASSERT_EQ(controller->position(), 1);
  ClearCalls();
  controller->OnStop();
  EXPECT_EQ(controller->state(), PlaybackState::kStopRequested);
  EXPECT_TRUE(controller->stopped());
  EXPECT_FALSE(controller->playing());
  EXPECT_EQ(controller->position(), 0);
  EXPECT_EQ(view.timeLine, 0);
  EXPECT_EQ(view.graphCursor, 0);
  for (RecordingPlayer* p : {&front, &rear}) {
    ASSERT_EQ(p->calls().size(), 2u);
    EXPECT_EQ(p->calls()[0].op, PlayerOp::kSetStopped);
    EXPECT_EQ(p->calls()[0].ints[0], 1);
    EXPECT_EQ(p->calls()[1].op, PlayerOp::kRedraw);
  }
  for (PlaybackButton b : {PlaybackButton::kPreviousFile, PlaybackButton::kBack, PlaybackButton::kForward,
                           PlaybackButton::kNextFile, PlaybackButton::kStop}) {
    EXPECT_FALSE(view.IsEnabled(b)) << static_cast<int>(b);
  }
  EXPECT_FALSE(view.pauseLook);
  ClearCalls();
  Ticks(100);
  EXPECT_TRUE(front.calls().empty());

  controller->OnPlayPause();
  EXPECT_FALSE(controller->stopped());
  EXPECT_TRUE(controller->playing());
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_FALSE(front.stopped());
  EXPECT_FALSE(rear.stopped());
  EXPECT_EQ(front.volume(), 5);
  EXPECT_TRUE(view.pauseLook);
  EXPECT_TRUE(view.IsEnabled(PlaybackButton::kStop));
  ClearCalls();
  Ticks(1);
  const auto video = Feeds(front, false);
  ASSERT_EQ(video.size(), 1u);
  EXPECT_EQ(UnitNumber(video[0], 0), 0);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
}

// --------------------------------------------------------------- telemetry

TEST_F(ControllerTest, EachNewSecondShowsItsTelemetryAndMovesMapGraphAndTimeLine) {
  HandBuiltOptions o = Seconds(4);
  o.noGpsSeconds = {1, 2, 3};
  Load({Recording(o)});
  view.telemetry.clear();
  view.mapCalls.clear();
  Ticks(1);
  ASSERT_EQ(view.telemetry.size(), 1u);
  EXPECT_EQ(view.telemetry[0].x, "X:  0.000G");
  EXPECT_EQ(view.telemetry[0].z, "Z:  1.000G");
  EXPECT_EQ(view.telemetry[0].time, "2026-12-07 08:30:00");
  ASSERT_EQ(view.mapCalls.size(), 1u);
  EXPECT_EQ(view.mapCalls[0].first, "37.550000");
  EXPECT_EQ(view.mapCalls[0].second, "126.966666");

  ASSERT_TRUE(TickUntil([&] { return controller->position() == 1; }));
  ASSERT_EQ(view.telemetry.size(), 2u);
  EXPECT_EQ(view.telemetry[1].x, "X: -0.039G");  // raw 502
  EXPECT_EQ(view.telemetry[1].y, "Y:  0.019G");  // raw 517
  EXPECT_EQ(view.telemetry[1].time, "2026-12-07 08:30:01");
  EXPECT_EQ(view.mapCalls.size(), 1u);  // one second without a fix keeps the marker
  EXPECT_EQ(view.timeLine, 1);
  EXPECT_EQ(view.graphCursor, 1);
  EXPECT_EQ(controller->currentDate().second, 1);

  ASSERT_TRUE(TickUntil([&] { return controller->position() == 2; }));
  ASSERT_EQ(view.mapCalls.size(), 2u);
  EXPECT_EQ(view.mapCalls[1].first, "-34.397");
  EXPECT_EQ(view.mapCalls[1].second, "120.844");

  // With the map hidden nothing goes to it; in full screen only the time
  // line moves.
  view.mapShown = false;
  ASSERT_TRUE(TickUntil([&] { return controller->position() == 3; }));
  EXPECT_EQ(view.mapCalls.size(), 2u);
  EXPECT_EQ(view.telemetry.size(), 4u);
  view.fullScreen = true;
  controller->OnTimeLine(1);
  Ticks(1);
  EXPECT_EQ(view.timeLine, 1);
  EXPECT_EQ(view.telemetry.size(), 4u);
  EXPECT_EQ(view.graphCursor, 3);
}

}  // namespace
}  // namespace orvia::test
