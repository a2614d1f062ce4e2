// Geometry of the graph window: the lines that plot a recording's
// acceleration peaks or GPS speed over its seconds, and the cursor at the
// second being played. A widget fills its client area black and draws the
// lines in the order given, with 1-pixel pens.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace orvia {

struct GPeak;
struct GpsFix;

enum class GraphMode { kAcceleration = 0, kSpeed = 1 };
enum class GraphColour { kRed, kYellow, kGreen };  // RGB (255,0,0), (255,255,0), (0,255,0)

// One straight line in client coordinates, y measured from the top.
struct GraphLine {
  GraphColour colour;
  int x0, y0, x1, y1;
};

// What the graph plots; the tables are borrowed from the recording index.
struct GraphInput {
  GraphMode mode = GraphMode::kAcceleration;
  int width = 0;                                   // client width W
  int height = 0;                                  // client height H
  int count = 0;                                   // seconds of the recording
  int cursor = 0;                                  // second under the cursor
  const GPeak* peaks = nullptr;                    // count entries (or null: all 0 g)
  const std::unique_ptr<GpsFix>* fixes = nullptr;  // count entries, each a fix or none
};

// x of second i: trunc(i * (W / 60.0f)), in single precision.
int GraphSecondX(int width, int second);
// The second drawn nearest to x (the inverse of GraphSecondX), within
// 0 .. count - 1; 0 for an empty graph.
int GraphSecondAt(int width, int x, int count);
// Height of an acceleration value (thousandths of g): +2 g and more at the
// top (0), 0 g in the middle, -2 g and less at the bottom (H).
int GraphAccelerationY(int height, int milliG);
// Height of a stored speed (speed times 10, taken unsigned): 0 at the bottom,
// the full scale (km/h) and more at the top.
int GraphSpeedY(int height, int16_t storedSpeed, int scaleKmh = 2000);

// The plot lines in drawing order, then the cursor as the last line (red,
// top to bottom). Acceleration: for each second Y (yellow), Z (green), X
// (red), from second 0 to `count`, where second `count` and any second past
// the table count as 0 g. Speed: one yellow line from fix to fix, seconds
// without a fix bridged, on the full scale of SpeedFullScaleKmh
// (speed_scale.h).
std::vector<GraphLine> LayoutGraph(const GraphInput& input);

}  // namespace orvia
