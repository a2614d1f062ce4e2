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
#include "player/recording_player.h"
#include "tests/playback/playback_test_support.h"

namespace orvia::test {
namespace {

using player::PlayerOp;
using player::RecordedCall;
using player::RecordingPlayer;

const std::vector<uint8_t>& Blank() {
  static const std::vector<uint8_t> blank = {0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x65, 0x88};
  return blank;
}

HandBuiltOptions Seconds(int seconds) {
  HandBuiltOptions o;
  o.seconds = seconds;
  return o;
}

std::string Bytes(const RecordedCall* c) { return std::string(c->feed.bytes.begin(), c->feed.bytes.end()); }

// The unit number a hand-built unit carries ("s<stream>u<k>-"), or -1.
int UnitNumber(const RecordedCall* c, int stream) {
  const std::string b = Bytes(c);
  const std::string tag = "s" + std::to_string(stream) + "u";
  const size_t at = b.rfind(tag);
  if (at == std::string::npos) return -1;
  return std::atoi(b.c_str() + at + tag.size());
}

std::vector<const RecordedCall*> Feeds(const RecordingPlayer& p, bool sound) {
  std::vector<const RecordedCall*> out;
  for (const RecordedCall* c : p.CallsOf(PlayerOp::kFeedData)) {
    if (c->feed.sound == sound) out.push_back(c);
  }
  return out;
}

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() { Rebuild(); }

  void Rebuild() {
    PlaybackDeps deps;
    deps.front = &front;
    deps.rear = &rear;
    deps.view = &view;
    deps.clock = &clock;
    deps.sleeper = &clock;
    deps.text = EnglishText;
    deps.blankFrame = Blank();
    controller = std::make_unique<PlaybackController>(deps);
  }

  std::string Recording(const HandBuiltOptions& o, const std::string& name = "rec.avi") {
    return WriteHandBuilt(dir / name, o);
  }

  // The SD button with the disk manager answering OK with these rows.
  void Load(const std::vector<std::string>& rows) {
    controller->BeginOpenSource();
    view.rows = rows;
    controller->EndOpenSource(true);
  }

  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      clock.AdvanceMs(1);
      controller->Tick();
    }
  }
  // Ticks until `done` holds; false when it did not within `limit` ticks.
  bool TickUntil(const std::function<bool()>& done, int limit = 20000) {
    for (int i = 0; i < limit; ++i) {
      if (done()) return true;
      clock.AdvanceMs(1);
      controller->Tick();
    }
    return done();
  }
  int MediaMs() const { return controller->position() * 1000 + controller->buffer().millisecond; }
  void ClearCalls() {
    front.ClearCalls();
    rear.ClearCalls();
  }

  ScratchDir dir;
  RecordingPlayer front, rear;
  FakeView view;
  FakeClock clock;
  std::unique_ptr<PlaybackController> controller;
};

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
  Ticks(1);  // start: the key units and the sound block due at 0 ms
  Ticks(2000);

  // Every unit due by 2000 ms went out, in order, on each view.
  for (int s = 0; s < 2; ++s) {
    SCOPED_TRACE(s);
    const auto video = Feeds(s == 0 ? front : rear, false);
    // A unit goes out on the tick its predecessor falls due: at 2000 ms the
    // units due by then and the one after them.
    int due = 0;
    while (due < index.videoCount[s] && index.videoEntries[s][due].time <= 2000) ++due;
    ASSERT_EQ(static_cast<int>(video.size()), due + 1);
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

  // On the front each step's sound follows its unit: block 0 with unit 0,
  // then every block due by each later unit, none twice, none left out.
  const auto& calls = front.calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_FALSE(calls[0].feed.sound);
  ASSERT_TRUE(calls[1].feed.sound);
  EXPECT_EQ(calls[1].feed.bytes, std::vector<uint8_t>(640, 0));
  std::string sound;
  for (size_t i = 1; i < calls.size(); ++i) {
    if (!calls[i].feed.sound) continue;
    EXPECT_FALSE(calls[i - 1].feed.sound) << i;
    sound += std::string(calls[i].feed.bytes.begin(), calls[i].feed.bytes.end());
  }
  int blocks = 0;
  const int lastUnitTime = index.videoEntries[0][Feeds(front, false).size() - 1].time;
  while (blocks < index.soundCount && index.soundEntries[blocks].time <= lastUnitTime) ++blocks;
  ASSERT_EQ(static_cast<int>(sound.size()), blocks * 640);
  for (int b = 0; b < blocks; ++b) EXPECT_EQ(static_cast<uint8_t>(sound[b * 640]), b) << b;

  // With a tick every millisecond each unit went out within a millisecond of
  // the moment the step before it fell due (one unit interval ahead of its
  // own time), never early and never later than one tick.
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

TEST_F(ControllerTest, TwiceSpeedReBasesBothOriginsOnlyBeyondFourSecondsAhead) {
  // The clock is about to turn to a new hour, which re-takes the wall origin
  // and so puts the recording ahead of the clock by what has been played.
  for (const int aheadMs : {3000, 4500}) {
    SCOPED_TRACE(aheadMs);
    Rebuild();
    clock.Set(10, 59, 54, 0);
    Load({Recording(Seconds(6))});
    controller->OnSpeed(3);
    Ticks(1);
    const int64_t origin = clock.nowMs();
    ASSERT_EQ(controller->speedFactor(), 2);
    ASSERT_TRUE(TickUntil([&] { return MediaMs() >= aheadMs; }));
    const int media = MediaMs();
    // The wall runs at half the recording's pace (the unit shown is at most
    // one interval ahead).
    const int64_t wall = clock.nowMs() - origin;
    EXPECT_GE(media, 2 * wall);
    EXPECT_LE(media, 2 * wall + 80);
    clock.Set(11, 0, 0, 0);
    ClearCalls();
    controller->Tick();
    EXPECT_EQ(controller->wallOrigin().minute, 0);
    EXPECT_EQ(controller->mediaOrigin(), 0);
    EXPECT_TRUE(front.calls().empty());

    Ticks(1);
    if (aheadMs > 4000) {
      EXPECT_EQ(controller->mediaOrigin(), media);
      EXPECT_EQ(controller->wallOrigin().millisecond, 1);
      EXPECT_FALSE(Feeds(front, false).empty());
    } else {
      // Within 2000 x 2 ms: the recording waits for the clock to catch up.
      EXPECT_EQ(controller->mediaOrigin(), 0);
      EXPECT_TRUE(front.calls().empty());
      Ticks(media / 2 - 10);
      EXPECT_TRUE(front.calls().empty());
      Ticks(100);
      EXPECT_FALSE(front.calls().empty());
    }
  }
}

TEST_F(ControllerTest, ClockGoingBackRetakesTheWallOriginThenTheDriftRuleTheMediaOrigin) {
  clock.Set(12, 59, 57, 0);
  Load({Recording(Seconds(4))});
  Ticks(1);
  ASSERT_TRUE(TickUntil([&] { return MediaMs() >= 2500; }));
  const int media = MediaMs();
  clock.Set(13, 0, 0, 0);
  ClearCalls();
  controller->Tick();
  const WallTime origin = controller->wallOrigin();
  EXPECT_EQ(origin.hour, 13);
  EXPECT_EQ(origin.minute, 0);
  EXPECT_EQ(controller->mediaOrigin(), 0);
  EXPECT_TRUE(front.calls().empty());
  Ticks(1);
  EXPECT_EQ(controller->mediaOrigin(), media);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
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
  front.RefuseNextUnits(3);
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
  front.RefuseNextUnits(1);
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
  EXPECT_EQ(Feeds(front, true).size(), 1u);

  // After the last row playback stays running with nothing left to show.
  ASSERT_TRUE(
      TickUntil([&] { return controller->buffer().nextVideo[0] == controller->index().videoCount[0]; }));
  ClearCalls();
  Ticks(200);
  EXPECT_EQ(controller->state(), PlaybackState::kRunning);
  EXPECT_EQ(controller->currentRow(), 1);
  EXPECT_TRUE(Feeds(front, false).empty());
}

TEST_F(ControllerTest, PreviousAndNextFileHoldAtTheEndsOfTheList) {
  const std::string a = Recording(Seconds(2), "a.avi");
  const std::string b = Recording(Seconds(3), "b.avi");
  Load({a, b});
  Ticks(100);
  controller->OnPreviousFile();
  EXPECT_EQ(controller->state(), PlaybackState::kHold);
  ClearCalls();
  Ticks(50);
  EXPECT_TRUE(front.calls().empty());

  controller->OnNextFile();
  EXPECT_EQ(controller->currentRow(), 1);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_EQ(view.graphCount, 3);
  controller->OnNextFile();
  EXPECT_EQ(controller->currentRow(), 1);
  EXPECT_EQ(controller->state(), PlaybackState::kHold);

  controller->OnListDoubleClick(0);
  EXPECT_EQ(controller->currentRow(), 0);
  EXPECT_EQ(controller->state(), PlaybackState::kStart);
  EXPECT_EQ(view.selectedRow, 0);
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
