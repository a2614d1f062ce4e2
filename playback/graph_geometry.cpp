#include "playback/graph_geometry.h"

#include <algorithm>
#include <cmath>

#include "playback/recording_index.h"
#include "playback/speed_scale.h"

namespace orvia {

namespace {

float SecondStep(int width) { return static_cast<float>(width / 60.0f); }

}  // namespace

int GraphSecondX(int width, int second) { return static_cast<int>(second * SecondStep(width)); }

int GraphSecondAt(int width, int x, int count) {
  if (width <= 0 || count <= 0) return 0;
  const long second = std::lround(static_cast<double>(x) * 60.0 / width);
  return static_cast<int>(std::clamp<long>(second, 0, count - 1));
}

int GraphAccelerationY(int height, int milliG) {
  if (milliG >= 2000) return 0;
  if (milliG <= -2000) return height;
  return static_cast<int>(static_cast<int64_t>(2000 - milliG) * height / 4000);
}

int GraphSpeedY(int height, int16_t storedSpeed, int scaleKmh) {
  const int64_t full = static_cast<int64_t>(std::max(scaleKmh, 1)) * 10;
  const int64_t w = static_cast<uint16_t>(storedSpeed);
  if (w >= full) return 0;
  return static_cast<int>((full - w) * height / full);
}

std::vector<GraphLine> LayoutGraph(const GraphInput& in) {
  std::vector<GraphLine> lines;
  const int count = in.count < 0 ? 0 : in.count;
  if (in.mode == GraphMode::kAcceleration) {
    lines.reserve(static_cast<size_t>(count) * 3 + 1);
    int prevX = 0, prevY[3] = {0, 0, 0};  // x, y, z heights
    for (int i = 0; i <= count; ++i) {
      GPeak peak;
      if (in.peaks != nullptr && i < count && i < kMaxSeconds) peak = in.peaks[i];
      const int x = GraphSecondX(in.width, i);
      const int y[3] = {GraphAccelerationY(in.height, peak.x), GraphAccelerationY(in.height, peak.y),
                        GraphAccelerationY(in.height, peak.z)};
      if (i > 0) {
        lines.push_back({GraphColour::kYellow, prevX, prevY[1], x, y[1]});
        lines.push_back({GraphColour::kGreen, prevX, prevY[2], x, y[2]});
        lines.push_back({GraphColour::kRed, prevX, prevY[0], x, y[0]});
      }
      prevX = x;
      for (int a = 0; a < 3; ++a) prevY[a] = y[a];
    }
  } else {
    const int scale = SpeedFullScaleKmh(in.fixes, count);
    bool havePrevious = false;
    int prevX = 0, prevY = 0;
    for (int i = 0; in.fixes != nullptr && i < count && i < kMaxSeconds; ++i) {
      const GpsFix* fix = in.fixes[i].get();
      if (fix == nullptr) continue;
      const int x = GraphSecondX(in.width, i);
      const int y = GraphSpeedY(in.height, fix->speed, scale);
      if (havePrevious) lines.push_back({GraphColour::kYellow, prevX, prevY, x, y});
      havePrevious = true;
      prevX = x;
      prevY = y;
    }
  }
  const int cursorX = GraphSecondX(in.width, in.cursor);
  lines.push_back({GraphColour::kRed, cursorX, 0, cursorX, in.height});
  return lines;
}

}  // namespace orvia
