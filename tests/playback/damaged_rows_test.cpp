// Rows with nothing to play (a header left by a power cut, a file cut before
// its first key unit, a file that is gone) are passed over like the end of a
// file; when no later row plays, playback stops with the views blanked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "playback/pacing_trace.h"
#include "playback/playback_controller.h"
#include "player/recording_player.h"
#include "tests/playback/playback_test_support.h"

namespace orvia::test {
namespace {

using player::PlayerOp;
using player::RecordingPlayer;

const std::vector<uint8_t> kBlank = {0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x65, 0x88};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class DamagedRowsTest : public ::testing::Test {
 protected:
  DamagedRowsTest() {
    PlaybackDeps deps;
    deps.front = &front;
    deps.rear = &rear;
    deps.view = &view;
    deps.clock = &clock;
    deps.sleeper = &clock;
    deps.text = EnglishText;
    deps.blankFrame = kBlank;
    controller = std::make_unique<PlaybackController>(deps);
    controller->SetPacingTrace(&trace);
  }

  std::string Good(const std::string& name, int seconds) {
    HandBuiltOptions o;
    o.seconds = seconds;
    return WriteHandBuilt(dir / name, o);
  }
  // A good file cut `extra` bytes after the start of its stream data: 0
  // leaves the header alone; a few dozen cut the first unit short.
  std::string Cut(const std::string& name, size_t extra) {
    const std::string whole = ReadAll(Good(name + ".whole", 2));
    const size_t movi = whole.find("movi");
    WriteAll(dir / name, whole.substr(0, movi + 4 + extra));
    return dir / name;
  }
  void Load(const std::vector<std::string>& rows) {
    controller->BeginOpenSource();
    view.rows = rows;
    controller->EndOpenSource(true);
  }
  bool TickUntil(const std::function<bool()>& done, int limit = 30000) {
    for (int i = 0; i < limit && !done(); ++i) {
      clock.AdvanceMs(1);
      controller->Tick();
    }
    return done();
  }
  int BlankFeeds(const RecordingPlayer& p) const {
    int n = 0;
    for (const auto* c : p.CallsOf(PlayerOp::kFeedData))
      if (c->feed.bytes == kBlank) ++n;
    return n;
  }

  ScratchDir dir;
  RecordingPlayer front, rear;
  FakeView view;
  FakeClock clock;
  PacingTrace trace;
  std::unique_ptr<PlaybackController> controller;
};

TEST_F(DamagedRowsTest, RowsWithNothingToPlayArePassedOver) {
  const std::string first = Good("a.avi", 2);
  const std::string last = Good("e.avi", 2);
  Load({first, Cut("header.avi", 0), dir / "gone.avi", Cut("nokey.avi", 40), last});
  controller->OnSpeed(4);
  ASSERT_TRUE(TickUntil([&] { return controller->currentRow() == 4; }));
  ASSERT_TRUE(TickUntil([&] { return controller->state() == PlaybackState::kRunning; }, 10));
  EXPECT_EQ(view.selectedRow, 4);
  // The trace names the rows whose units were played, counted from 1.
  std::set<int> rows;
  for (const PacingSample& s : trace.samples()) rows.insert(s.row);
  EXPECT_EQ(rows, std::set<int>({1}));
  ASSERT_TRUE(TickUntil([&] { return controller->buffer().nextVideo[0] >= 4; }, 2000));
  rows.clear();
  for (const PacingSample& s : trace.samples()) rows.insert(s.row);
  EXPECT_EQ(rows, std::set<int>({1, 5}));

  // A double click on a damaged row moves on to the next one that plays.
  controller->OnListDoubleClick(1);
  ASSERT_TRUE(TickUntil([&] { return controller->state() == PlaybackState::kRunning; }, 10));
  EXPECT_EQ(controller->currentRow(), 4);
}

TEST_F(DamagedRowsTest, NoLaterRowPlaysStopsWithTheViewsBlanked) {
  Load({Good("a.avi", 2), Cut("header.avi", 0), Cut("nokey.avi", 40)});
  ASSERT_TRUE(TickUntil([&] { return controller->currentRow() == 2; }));
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  EXPECT_FALSE(controller->playing());
  EXPECT_EQ(BlankFeeds(front), 1);
  EXPECT_EQ(BlankFeeds(rear), 1);
  EXPECT_EQ(view.timeLine, 0);
  EXPECT_EQ(view.telemetry.back().time, "");
  EXPECT_FALSE(view.pauseLook);
  // Nothing more is fed afterwards.
  front.ClearCalls();
  TickUntil([] { return false; }, 500);
  EXPECT_TRUE(front.CallsOf(PlayerOp::kFeedData).empty());
}

}  // namespace
}  // namespace orvia::test
