// Rows with nothing to play (a header left by a power cut, a file cut before
// its first key unit, a file that is gone) are passed over like the end of a
// file; when no later row plays, playback stops with the views blanked.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "playback/pacing_trace.h"
#include "tests/playback/playback_test_support.h"

namespace orvia::test {
namespace {

class DamagedRowsTest : public ControllerTest {
 protected:
  // A good file cut `extra` bytes after the start of its stream data: 0
  // leaves the header alone; a few dozen cut the first unit short.
  std::string Cut(const std::string& name, size_t extra) {
    const std::string path = Recording(2, name);
    std::ifstream in(path, std::ios::binary);
    const std::string whole(std::istreambuf_iterator<char>(in), {});
    std::filesystem::resize_file(path, whole.find("movi") + 4 + extra);
    return path;
  }
  // The rows (counted from 1) whose units the pacing trace saw played.
  std::set<int> PlayedRows() const {
    std::set<int> rows;
    for (const PacingSample& s : trace.samples()) rows.insert(s.row);
    return rows;
  }
  PacingTrace trace;
};

TEST_F(DamagedRowsTest, RowsWithNothingToPlayArePassedOver) {
  controller->SetPacingTrace(&trace);
  Load({Recording(2, "a.avi"), Cut("header.avi", 0), dir / "gone.avi", Cut("nokey.avi", 40),
        Recording(2, "e.avi")});
  controller->OnSpeed(4);
  ASSERT_TRUE(TickUntil([&] { return controller->currentRow() == 4; }));
  ASSERT_TRUE(TickUntil([&] { return controller->state() == PlaybackState::kRunning; }, 10));
  EXPECT_EQ(view.selectedRow, 4);
  EXPECT_EQ(PlayedRows(), std::set<int>({1}));
  ASSERT_TRUE(TickToUnit(4));
  EXPECT_EQ(PlayedRows(), std::set<int>({1, 5}));
  // Each row passed over is marked in the list, once per pass.
  EXPECT_EQ(view.unplayable, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(view.timeLineLength, 2);
  // A double click on a damaged row moves on to the next one that plays.
  view.unplayable.clear();
  controller->OnListDoubleClick(1);
  ASSERT_TRUE(TickUntil([&] { return controller->state() == PlaybackState::kRunning; }, 10));
  EXPECT_EQ(controller->currentRow(), 4);
  EXPECT_EQ(view.unplayable, (std::vector<int>{1, 2, 3}));
}

TEST_F(DamagedRowsTest, NoLaterRowPlaysStopsWithTheViewsBlanked) {
  Load({Recording(2, "a.avi"), Cut("header.avi", 0), Cut("nokey.avi", 40)});
  ASSERT_TRUE(TickUntil([&] { return controller->currentRow() == 2; }));
  EXPECT_EQ(controller->state(), PlaybackState::kIdle);
  EXPECT_FALSE(controller->playing());
  for (const RecordingPlayer* p : {&front, &rear}) {
    const auto video = Feeds(*p, false);
    EXPECT_EQ(std::count_if(video.begin(), video.end(), [](auto* c) { return c->feed.bytes == Blank(); }), 1);
  }
  EXPECT_EQ(view.timeLine, 0);
  EXPECT_EQ(view.telemetry.back().time, "");
  EXPECT_FALSE(view.pauseLook);
  ClearCalls();
  Ticks(500);
  EXPECT_TRUE(Feeds(front, false).empty());
}

}  // namespace
}  // namespace orvia::test
