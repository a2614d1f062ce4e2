// Geometry of the graph window's plots.
#include "playback/graph_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "playback/recording_index.h"
#include "playback/speed_scale.h"

namespace orvia {
namespace {

constexpr int kW = 477, kH = 169;  // the graph window's client size

// A line's colour and ends as one comparable row.
std::vector<int> Row(const GraphLine& l) { return {static_cast<int>(l.colour), l.x0, l.y0, l.x1, l.y1}; }
std::vector<int> Row(GraphColour c, int x0, int y0, int x1, int y1) {
  return {static_cast<int>(c), x0, y0, x1, y1};
}

TEST(GraphGeometry, SecondsAndHeightsInSinglePrecisionClampedAtTwoGAndTwoThousand) {
  EXPECT_EQ(GraphSecondX(kW, 1), 7);   // 7.95
  EXPECT_EQ(GraphSecondX(kW, 7), 55);  // 55.65
  EXPECT_EQ(GraphSecondX(kW, 60), 477);
  EXPECT_EQ(GraphSecondX(120, 59), 118);
  EXPECT_EQ(GraphAccelerationY(kH, 3500), 0);
  EXPECT_EQ(GraphAccelerationY(kH, -9000), kH);
  EXPECT_EQ(GraphAccelerationY(kH, 0), 84);     // 2000 * 169 / 4000 = 84.5
  EXPECT_EQ(GraphAccelerationY(kH, 1000), 42);  // 42.25
  EXPECT_EQ(GraphSpeedY(kH, 0), kH);
  EXPECT_EQ(GraphSpeedY(kH, 20000), 0);
  EXPECT_EQ(GraphSpeedY(kH, 10000), 84);
  EXPECT_EQ(GraphSpeedY(kH, -1), 0);  // taken unsigned: 65535
}

TEST(GraphGeometry, WithoutSecondsOnlyTheCursorIsDrawn) {
  for (GraphMode mode : {GraphMode::kAcceleration, GraphMode::kSpeed}) {
    const auto lines = LayoutGraph({mode, kW, kH, 0, 0, nullptr, nullptr});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Row(lines[0]), Row(GraphColour::kRed, 0, 0, 0, kH));
  }
}

TEST(GraphGeometry, AccelerationLinesRunYZXPerSecondAndEndAtZeroG) {
  RecordingIndex index;
  index.gPeak[0] = {100, 2500, -100};
  index.gPeak[1] = {0, -2600, 1000};
  index.gPeak[2] = {-500, 0, 1000};
  index.gPeak[3] = {1999, 1999, 1999};  // beyond the count: not drawn
  const auto lines = LayoutGraph({GraphMode::kAcceleration, kW, kH, 3, 2, index.gPeak, index.gps});
  ASSERT_EQ(lines.size(), 3u * 3 + 1);
  // Y clamps: +2.5 g at the top, -2.6 g at the bottom.
  EXPECT_EQ(Row(lines[0]), Row(GraphColour::kYellow, 0, 0, 7, kH));
  EXPECT_EQ(lines[1].colour, GraphColour::kGreen);
  EXPECT_EQ(lines[2].colour, GraphColour::kRed);
  // The last segments end at 0 g at x = trunc(count * s) = trunc(23.85).
  const int x2 = GraphSecondX(kW, 2);
  EXPECT_EQ(Row(lines[8]), Row(GraphColour::kRed, x2, GraphAccelerationY(kH, -500), 23, 84));
  for (int i = 6; i < 8; ++i) EXPECT_EQ(Row(lines[i]), Row(lines[i].colour, x2, lines[i].y0, 23, 84));
  EXPECT_EQ(Row(lines.back()), Row(GraphColour::kRed, 15, 0, 15, kH));  // the cursor
}

TEST(GraphGeometry, SpeedLineBridgesSecondsWithoutAFixAndFixesWithoutSpeedLieAtTheBottom) {
  RecordingIndex index;
  index.gps[1] = std::make_unique<GpsFix>(GpsFix{0, 0, 500});
  index.gps[4] = std::make_unique<GpsFix>(GpsFix{0, 0, 0});
  index.gps[5] = std::make_unique<GpsFix>(GpsFix{0, 0, 20000});
  index.gps[6] = std::make_unique<GpsFix>(GpsFix{0, 0, 100});  // beyond the count
  const auto lines = LayoutGraph({GraphMode::kSpeed, 600, 100, 6, 0, index.gPeak, index.gps});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Row(lines[0]), Row(GraphColour::kYellow, 10, 97, 40, 100));  // 19500 * 100 / 20000 = 97.5
  EXPECT_EQ(Row(lines[1]), Row(GraphColour::kYellow, 40, 100, 50, 0));
  EXPECT_EQ(lines[2].x0, 0);  // the cursor
}

TEST(SpeedScale, TopSpeedRoundedUpToTenKmhWithinFiftyAndTwoThousand) {
  RecordingIndex index;
  EXPECT_EQ(SpeedFullScaleKmh(index.gps, 10), kMinSpeedScaleKmh);  // no fix at all
  index.gps[2] = std::make_unique<GpsFix>(GpsFix{0, 0, 650});
  EXPECT_EQ(SpeedFullScaleKmh(index.gps, 3), 70);  // 65.0 -> 70
  index.gps[1] = std::make_unique<GpsFix>(GpsFix{0, 0, 701});
  EXPECT_EQ(SpeedFullScaleKmh(index.gps, 3), 80);  // 70.1 -> 80
  // A second past the count does not widen the scale; a garbage speed is capped.
  index.gps[3] = std::make_unique<GpsFix>(GpsFix{0, 0, -1});
  EXPECT_EQ(SpeedFullScaleKmh(index.gps, 3), 80);
  EXPECT_EQ(SpeedFullScaleKmh(index.gps, 4), kMaxSpeedScaleKmh);
}

TEST(SpeedScale, ADriveAtFortyToSixtyFiveKmhFillsTheUpperHalf) {
  RecordingIndex index;
  for (int s = 0; s < 60; ++s)
    index.gps[s] = std::make_unique<GpsFix>(GpsFix{0, 0, static_cast<int16_t>(400 + (s * 250 / 59))});
  const auto lines = LayoutGraph({GraphMode::kSpeed, kW, kH, 60, 0, index.gPeak, index.gps});
  ASSERT_EQ(lines.size(), 60u);  // 59 segments and the cursor
  int highest = kH, lowest = 0;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    highest = std::min({highest, lines[i].y0, lines[i].y1});
    lowest = std::max({lowest, lines[i].y0, lines[i].y1});
  }
  EXPECT_LT(lowest, kH / 2);  // 40 km/h lies above the middle
  EXPECT_GT(highest, 0);      // 65 km/h stays below the top of a 70 km/h scale
  // The axis says what the scale is.
  const auto marks = SpeedAxisMarks(kH, SpeedFullScaleKmh(index.gps, 60));
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_EQ(marks[0].text, "70 km/h");
  EXPECT_EQ(marks[0].y, 0);
  EXPECT_EQ(marks[1].text, "35");
  EXPECT_EQ(marks[1].y, GraphSpeedY(kH, 350, 70));
  EXPECT_EQ(marks[2].y, kH);
}

}  // namespace
}  // namespace orvia
