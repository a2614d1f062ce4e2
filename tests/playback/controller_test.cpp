// The playback controller's commands, list loads, refusals and telemetry,
// driven by 1 ms ticks on the fake clock.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "playback/pacing_trace.h"
#include "playback/sound_schedule.h"
#include "tests/playback/playback_test_support.h"

namespace orvia::test {
namespace {

const std::pair<std::string, std::string> kNoFix = {"-34.397", "120.844"};

// The video feeds of both views are each one key unit with these bytes at the start.
void ExpectOneKeyUnitEach(const RecordingPlayer& front, const RecordingPlayer& rear,
                          const std::string& head) {
  for (const RecordingPlayer* p : {&front, &rear}) {
    const auto video = Feeds(*p, false);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_TRUE(video[0]->feed.key);
    EXPECT_EQ(Bytes(video[0]).substr(0, head.size()), head);
  }
}

// ------------------------------------------------------------- list loads

TEST_F(ControllerTest, ListLoadStartsRowZeroAndTheFirstTickShowsItsKeyUnits) {
  Load({Recording(3)});
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_TRUE(controller->playing());
  EXPECT_EQ(view.selectedRow, 0);
  EXPECT_EQ(view.graphCount, 3);
  EXPECT_EQ(front.volume(), 5);
  EXPECT_TRUE(view.IsEnabled(PlaybackButton::kPlayPause));
  EXPECT_EQ(view.telemetry.back().x, "X: ");
  EXPECT_EQ(clock.sleptMs(), kLoadWaitMs);
  Ticks(1);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  ExpectOneKeyUnitEach(front, rear, std::string("\0\0\0\1\x67SPS", 8));
}

// Opening a source and removing the card both blank the views, empty the
// list, send the map its no-fix position and leave nothing to play.
TEST_F(ControllerTest, SourceCancelledOrCardRemovedBlanksTheViewsAndStops) {
  const std::string path = Recording(3);
  for (const bool cardRemoved : {false, true}) {
    SCOPED_TRACE(cardRemoved);
    Rebuild();
    Load({path});
    Ticks(300);
    ClearCalls();
    view.mapCalls.clear();
    if (cardRemoved) {
      controller->BeginCardRemoved();
      controller->EndCardRemoved();
    } else {
      controller->BeginOpenSource();
      controller->EndOpenSource(false);
    }
    EXPECT_EQ(controller->state(), PlaybackState::kNoRecording);
    ExpectOneKeyUnitEach(front, rear, std::string(Blank().begin(), Blank().end()));
    EXPECT_TRUE(front.stopped() && rear.stopped());
    EXPECT_TRUE(view.rows.empty());
    EXPECT_FALSE(view.IsEnabled(PlaybackButton::kPlayPause));
    EXPECT_FALSE(controller->playing());
    EXPECT_EQ(view.telemetry.back().z, "Z: ");
    EXPECT_EQ(view.mapCalls, (std::vector{kNoFix}));
    if (cardRemoved) {
      // The pulled card's file is closed at once and its graph goes.
      EXPECT_FALSE(controller->fileOpen());
      EXPECT_EQ(view.graphCount, 0);
    }
    ClearCalls();
    Ticks(50);
    EXPECT_TRUE(front.calls().empty());
  }
}

TEST_F(ControllerTest, RowThatDoesNotOpenLeavesNothingToPlay) {
  Load({dir / "missing.avi"});
  EXPECT_EQ(controller->state(), PlaybackState::kNoRecording);
  EXPECT_FALSE(view.IsEnabled(PlaybackButton::kPlayPause));
  Ticks(20);
  EXPECT_TRUE(Feeds(front, false).empty());
}

TEST_F(ControllerTest, FirstLoadResetRunsOnceAndNotInFullScreen) {
  Load({Recording(3)});
  view.fullScreen = true;
  controller->OnFirstLoadTimer();
  EXPECT_EQ(view.mapReloads, 0);
  view.fullScreen = false;
  controller->OnFirstLoadTimer();
  controller->OnFirstLoadTimer();
  EXPECT_EQ(view.mapReloads, 1);
  for (const RecordingPlayer* p : {&front, &rear}) {
    EXPECT_EQ(p->CallsOf(PlayerOp::kReset57).size(), 1u);
    EXPECT_EQ(p->CallsOf(PlayerOp::kReset86).size(), 1u);  // the sound is on
  }
}

// ------------------------------------------------------------------ pacing

TEST_F(ControllerTest, FirstSecondsAreFedInTimeOrderWithHeadersAndSoundOnTheFrontOnly) {
  Load({Recording(3)});
  const RecordingIndex& index = controller->index();
  PacingTrace trace;
  controller->SetPacingTrace(&trace);
  ClearCalls();
  Ticks(2001);  // the start, then 2000 ms
  for (int s = 0; s < 2; ++s) {
    SCOPED_TRACE(s);
    const auto video = Feeds(s == 0 ? front : rear, false);
    // Every unit due by 2000 ms went out (kPictureLeadMs early), in order.
    int due = 0;
    while (due < index.videoCount[s] && index.videoEntries[s][due].time <= 2000 + kPictureLeadMs) ++due;
    ASSERT_EQ(static_cast<int>(video.size()), due);
    for (int k = 0; k < due; ++k) {
      EXPECT_EQ(UnitNumber(video[k], s), k);
      EXPECT_EQ(video[k]->feed.key, k % 15 == 0) << k;
    }
    // The IDR unit of second 1 gets the stream's stored parameter sets in front.
    const std::string header(reinterpret_cast<const char*>(index.header[s]), index.headerLen[s]);
    EXPECT_EQ(Bytes(video[15]).substr(0, header.size() + 5), header + std::string("\0\0\0\1\x65", 5));
  }
  EXPECT_TRUE(Feeds(rear, true).empty());
  // Sound blocks follow each other up to kSoundAheadMs ahead of their
  // moment (the first picture's is kPictureLeadMs after the start), none
  // twice or left out.
  const auto sound = Feeds(front, true);
  int blocks = 0;
  while (blocks < index.soundCount &&
         index.soundEntries[blocks].time <= 2000 + kSoundAheadMs - kPictureLeadMs)
    ++blocks;
  ASSERT_EQ(static_cast<int>(sound.size()), blocks);
  for (int b = 0; b < blocks; ++b) EXPECT_EQ(sound[b]->feed.bytes, std::vector<uint8_t>(640, b)) << b;
  EXPECT_FALSE(front.calls().at(0).feed.sound);
  // With a tick every millisecond no unit went out more than a tick late.
  const LatenessStats late = ComputeLateness(trace.samples());
  EXPECT_GT(late.count, 40);
  EXPECT_GE(late.p50Ms, 0);
  EXPECT_LE(late.maxMs, 1);
}

TEST_F(ControllerTest, SoundIsFedAtOneTwoAndFourTimesAndHeardOnlyAtOne) {
  const std::string path = Recording(3);
  for (int slider = 0; slider <= 4; ++slider) {
    SCOPED_TRACE(slider);
    ClearCalls();
    Rebuild();
    Load({path});
    controller->OnSpeed(slider);
    EXPECT_EQ(front.volume(), slider == 2 ? 5 : 0);
    EXPECT_EQ(controller->soundMuted(), slider != 2);
    Ticks(1200);
    EXPECT_EQ(Feeds(front, true).empty(), slider < 2);
    EXPECT_TRUE(Feeds(rear, true).empty());
    // At 4x the non-reference slices (NAL header 0x01) are left out.
    const auto video = Feeds(front, false);
    const bool nonReference = std::any_of(video.begin(), video.end(),
                                          [](const RecordedCall* v) { return v->feed.bytes[4] == 0x01; });
    EXPECT_EQ(nonReference, slider != 4);
  }
}

// ------------------------------------------------------------ back, forward

TEST_F(ControllerTest, BackWhilePausedSeeksTheKeySecondBeforeButNotARestartAtZero) {
  Load({Recording(4)});
  PauseAt(2, 301);
  controller->OnBack();
  EXPECT_EQ(controller->position(), 1);
  ClearCalls();
  Ticks(1);
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  EXPECT_EQ(Units(front, 0), std::vector<int>{15});

  // At second 1, back moves to second 0 and requests nothing.
  controller->OnBack();
  EXPECT_EQ(controller->position(), 0);
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  ClearCalls();
  Ticks(30);
  EXPECT_TRUE(front.calls().empty() && rear.calls().empty());
  EXPECT_EQ(clock.sleptMs(), kLoadWaitMs);

  // "1 frame" then shows second 0 in both views, and the next one steps both.
  view.telemetry.clear();
  for (int unit = 0; unit < 2; ++unit) {
    controller->OnForward();
    Ticks(1);
    EXPECT_EQ(Units(front, 0), std::vector<int>{unit});
    EXPECT_EQ(Units(rear, 1), std::vector<int>{unit});
    ClearCalls();
  }
  EXPECT_EQ(view.timeLine, 0);
  ASSERT_EQ(view.telemetry.size(), 1u);
  EXPECT_EQ(view.telemetry[0].time, "2026-12-07 08:30:00");
}

TEST_F(ControllerTest, ForwardWhilePausedStepsOneUnit) {
  Load({Recording(3)});
  Ticks(300);
  controller->OnPlayPause();
  const int next = controller->buffer().nextVideo[0];
  ClearCalls();
  controller->OnForward();
  Ticks(1);
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  EXPECT_EQ(Units(front, 0), std::vector<int>{next});
  EXPECT_EQ(Units(rear, 1), std::vector<int>{next});
  EXPECT_TRUE(Feeds(front, true).empty());  // paused: no sound
  ClearCalls();
  Ticks(100);
  EXPECT_TRUE(front.calls().empty());
}

// Units fed for a paused step: (number, hidden) in order.
std::vector<std::pair<int, bool>> StepFeeds(const RecordingPlayer& p, int stream) {
  std::vector<std::pair<int, bool>> out;
  for (const RecordedCall* c : Feeds(p, false)) out.emplace_back(UnitNumber(c, stream), c->ints[2] == 1);
  return out;
}

// The units a step back to `target` hands over: from the key unit `key` the
// reference units before the target hidden (odd units of the hand-built
// recordings are non-reference slices, which no later picture needs), then
// the target itself shown.
std::vector<std::pair<int, bool>> WalkTo(int key, int target) {
  std::vector<std::pair<int, bool>> out;
  for (int i = key; i < target; ++i)
    if (i == key || i % 2 == 0) out.emplace_back(i, true);
  out.emplace_back(target, false);
  return out;
}

TEST_F(ControllerTest, StepBackWhilePausedDecodesFromTheKeyUnitAndShowsOnlyThePictureBefore) {
  Load({Recording(4, "a.avi"), Recording(2, "b.avi")});
  ASSERT_FALSE(controller->OnStepBack());  // not paused yet
  PauseAt(2, 301);
  const int shown = controller->buffer().nextVideo[0] - 1;
  ASSERT_GT(shown, 33);
  // The player's queue is full for a while: a paused step waits for room
  // rather than lose a unit on the way (which would corrupt the picture).
  front.RefuseNextVideoUnits(3);
  ClearCalls();
  ASSERT_TRUE(controller->OnStepBack());
  std::vector<std::pair<int, bool>> taken;
  for (const RecordedCall* c : Feeds(front, false))
    if (!c->feed.refused) taken.emplace_back(UnitNumber(c, 0), c->ints[2] == 1);
  EXPECT_EQ(taken, WalkTo(30, shown - 1));
  EXPECT_EQ(StepFeeds(rear, 1), WalkTo(30, shown - 1));
  EXPECT_TRUE(Feeds(front, true).empty());
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);

  // Back over the start of the second: from the key unit of the second before.
  while (controller->buffer().nextVideo[0] - 1 > 30) ASSERT_TRUE(controller->OnStepBack());
  ClearCalls();
  ASSERT_TRUE(controller->OnStepBack());
  EXPECT_EQ(StepFeeds(front, 0), WalkTo(15, 29));
  EXPECT_EQ(controller->position(), controller->index().videoEntries[0][29].time / 1000);
  EXPECT_EQ(view.timeLine, controller->position());
  ClearCalls();
  controller->OnForward();  // and one forward again, shown
  Ticks(1);
  EXPECT_EQ(StepFeeds(front, 0), (std::vector<std::pair<int, bool>>{{30, false}}));

  // Forward over the end of the first row, and back again to its last picture.
  while (controller->currentRow() == 0) {
    controller->OnForward();
    Ticks(1);
  }
  ASSERT_EQ(controller->buffer().nextVideo[0], 1);
  ClearCalls();
  ASSERT_TRUE(controller->OnStepBack());
  EXPECT_EQ(controller->currentRow(), 0);
  EXPECT_EQ(StepFeeds(front, 0), WalkTo(45, 59));
  EXPECT_EQ(view.timeLine, 3);
  ClearCalls();
  while (controller->buffer().nextVideo[0] > 1) ASSERT_TRUE(controller->OnStepBack());
  EXPECT_FALSE(controller->OnStepBack());  // the first picture of the first row
}

TEST_F(ControllerTest, BackAndForwardWhilePlayingMoveTenSecondsAndRestartButNotPastTheEnd) {
  Load({Recording(12)});
  ASSERT_TRUE(TickUntil([&] { return controller->position() == 11; }));
  controller->OnForward();  // 12 - 11 <= 10 seconds left: nothing
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  EXPECT_EQ(controller->position(), 11);
  EXPECT_EQ(clock.sleptMs(), kLoadWaitMs);
  controller->OnBack();
  EXPECT_EQ(controller->position(), 1);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_EQ(clock.sleptMs(), kLoadWaitMs + kHoldWaitMs);
  ClearCalls();
  Ticks(1);
  EXPECT_EQ(Units(front, 0), std::vector<int>{15});
  controller->OnForward();  // 12 - 1 > 10
  EXPECT_EQ(controller->position(), 11);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  controller->OnBack();  // back from 11 before the start was taken
  EXPECT_EQ(controller->position(), 1);
}

TEST_F(ControllerTest, PauseAndPlayRestartFromTheKeyUnitOfTheCurrentSecond) {
  Load({Recording(4)});
  PauseAt(1, 500);
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  ClearCalls();
  Ticks(50);
  EXPECT_TRUE(front.calls().empty());
  controller->OnPlayPause();
  Ticks(1);
  EXPECT_EQ(Units(front, 0), std::vector<int>{15});
  EXPECT_EQ(controller->position(), 1);
  // Handed over at once, the key unit reaches its moment kPictureLeadMs later.
  EXPECT_EQ(controller->mediaOrigin(), controller->index().videoEntries[0][15].time - kPictureLeadMs);
}

// ---------------------------------------------------------------- refusals

// A refused reference slice (unit 2) is offered again every kRetryWaitMs only
// while the sound is muted and within kRetryBudgetMs; given up or with sound
// playing, the view waits for the next key unit (15). Meanwhile the late
// front decoder is spared the non-reference slices, on both views.
TEST_F(ControllerTest, RefusedUnitIsRetriedOnlyWhileMutedAndWithinItsBudget) {
  constexpr int kOffers = 1 + kRetryBudgetMs / kRetryWaitMs;
  struct Case {
    bool muted;
    int refusals;
    std::vector<int> frontUnits;
    int sleptMs;
  };
  const Case cases[] = {
      {true, 3, {2, 2, 2, 2, 4, 6, 8, 10, 12, 14, 15}, 3 * kRetryWaitMs},
      {true, kOffers, {}, kRetryBudgetMs},
      {false, 1, {2, 15}, 0},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.refusals);
    if (c.frontUnits.empty()) c.frontUnits.assign(kOffers, 2), c.frontUnits.push_back(15);
    view.volumeSlider = c.muted ? 0 : 5;
    Rebuild();
    Load({Recording(3)});
    ASSERT_EQ(controller->soundMuted(), c.muted);
    ASSERT_TRUE(TickToUnit(2));
    front.RefuseNextVideoUnits(c.refusals);
    ClearCalls();
    const int64_t slept = clock.sleptMs();
    ASSERT_TRUE(TickToUnit(16));
    EXPECT_EQ(Units(front, 0), c.frontUnits);
    EXPECT_EQ(Units(rear, 1), (std::vector<int>{2, 4, 6, 8, 10, 12, 14, 15}));
    EXPECT_EQ(clock.sleptMs() - slept, c.sleptMs);
  }
}

TEST_F(ControllerTest, RefusedKeyUnitIsOfferedAgainUntilTakenWithinTheBudget) {
  Load({Recording(3)});
  front.RefuseNextUnits(5);
  Ticks(1);
  auto video = Feeds(front, false);
  ASSERT_EQ(video.size(), 6u);
  EXPECT_TRUE(video[5]->feed.key && !video[5]->feed.refused);
  EXPECT_EQ(clock.sleptMs(), kLoadWaitMs + 5 * kRetryWaitMs);

  // Refused past the budget, the key unit is let go and its view waits for
  // the next one: one offer and one more after each wait.
  ClearCalls();
  front.RefuseNextUnits(1000);
  controller->OnTimeLine(1);
  Ticks(1);
  video = Feeds(front, false);
  ASSERT_FALSE(video.empty());
  EXPECT_EQ(video.size(), static_cast<size_t>(1 + kRetryBudgetMs / kRetryWaitMs));
  for (const RecordedCall* c : video) EXPECT_TRUE(c->feed.key && c->feed.refused);
}

TEST_F(ControllerTest, OversizedUnitAndSoundBlockAreSkippedWithoutOverrun) {
  HandBuiltOptions o;
  o.seconds = 2;
  o.oversizedUnit = 4;
  o.oversizedSoundBlock = 10;
  Load({Recording(o)});
  Ticks(1300);
  for (const RecordedCall* c : Feeds(front, false)) EXPECT_LE(c->feed.length, kUnitBufferBytes);
  for (const RecordedCall* c : Feeds(front, true)) {
    EXPECT_LE(c->feed.length, kSoundBufferBytes);
    EXPECT_NE(c->feed.bytes[0], 10);
  }
  // Units 5 to 14 cannot be decoded without unit 4: the front waits for 15.
  const std::vector<int> units = Units(front, 0);
  ASSERT_GE(units.size(), 6u);
  EXPECT_EQ(std::vector<int>(units.begin(), units.begin() + 6), (std::vector<int>{0, 1, 2, 3, 15, 16}));
  EXPECT_GE(Feeds(rear, false).size(), 17u);
}

TEST_F(ControllerTest, FileCutShortUnderThePlayerSkipsWhatCannotBeRead) {
  const std::string path = Recording(3);
  Load({path});
  Ticks(200);
  std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
  ClearCalls();
  ASSERT_TRUE(TickToUnit(controller->index().videoCount[0]));
  EXPECT_FALSE(Feeds(front, false).empty());
  EXPECT_LT(Feeds(front, false).size(), 40u);
  EXPECT_TRUE(controller->waitKey(0));
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
}

// --------------------------------------------------------- files and stop

TEST_F(ControllerTest, EndOfFileOpensTheNextRowAndAfterTheLastNothingIsFed) {
  Load({Recording(2, "a.avi"), Recording(2, "b.avi")});
  ASSERT_TRUE(TickUntil([&] { return controller->currentRow() == 1; }));
  EXPECT_EQ(view.selectedRow, 1);
  EXPECT_EQ(controller->position(), 0);
  ClearCalls();
  Ticks(1);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  ExpectOneKeyUnitEach(front, rear, std::string("\0\0\0\1\x67SPS", 8));

  ASSERT_TRUE(TickToUnit(controller->index().videoCount[0]));
  ClearCalls();
  Ticks(200);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  EXPECT_EQ(controller->currentRow(), 1);
  EXPECT_TRUE(Feeds(front, false).empty());
}

TEST_F(ControllerTest, StopThenPlayAgainStartsOverFromSecondZero) {
  Load({Recording(3)});
  Ticks(1500);
  ClearCalls();
  controller->OnStop();
  EXPECT_EQ(controller->state(), PlaybackState::kStopRequested);
  EXPECT_TRUE(controller->stopped());
  EXPECT_EQ(controller->position(), 0);
  EXPECT_EQ(view.timeLine, 0);
  EXPECT_EQ(view.graphCursor, 0);
  for (const RecordingPlayer* p : {&front, &rear}) {
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
  EXPECT_TRUE(controller->playing());
  EXPECT_FALSE(front.stopped() || rear.stopped());
  EXPECT_EQ(front.volume(), 5);
  EXPECT_TRUE(view.pauseLook);
  EXPECT_TRUE(view.IsEnabled(PlaybackButton::kStop));
  ClearCalls();
  Ticks(1);
  EXPECT_EQ(Units(front, 0), std::vector<int>{0});
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
}

// --------------------------------------------------------------- telemetry

TEST_F(ControllerTest, EachNewSecondShowsItsTelemetryAndMovesMapGraphAndTimeLine) {
  HandBuiltOptions o;
  o.seconds = 4;
  o.noGpsSeconds = {1, 2, 3};
  Load({Recording(o)});
  view.telemetry.clear();
  view.mapCalls.clear();
  Ticks(1);
  ASSERT_EQ(view.telemetry.size(), 1u);
  EXPECT_EQ(view.telemetry[0].x, "X:  0.000G");
  EXPECT_EQ(view.telemetry[0].z, "Z:  1.000G");
  EXPECT_EQ(view.telemetry[0].time, "2026-12-07 08:30:00");
  EXPECT_EQ(view.mapCalls, (std::vector<std::pair<std::string, std::string>>{{"37.550000", "126.966666"}}));

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
  EXPECT_EQ(view.mapCalls[1], kNoFix);

  // With the map hidden nothing goes to it; in full screen only the time line moves.
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
