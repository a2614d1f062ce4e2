// The speed plot's full scale and the speed read-out. Recorded speeds are
// km/h times 10, taken unsigned as the plot takes them. The plot's full scale
// fits the recording: a 40-65 km/h drive fills the upper part of the plot
// instead of lying flat along the bottom of a 2,000 km/h scale.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvia {

struct GpsFix;

constexpr int kSpeedScaleStepKmh = 10;   // the full scale is a multiple of this
constexpr int kMinSpeedScaleKmh = 50;    // a slow or standing recording still gets this
constexpr int kMaxSpeedScaleKmh = 2000;  // speeds beyond are drawn at the top

// The full scale in km/h for the first `count` seconds of `fixes` (null or a
// null entry: no fix): the top speed rounded up to a multiple of
// kSpeedScaleStepKmh, between kMinSpeedScaleKmh and kMaxSpeedScaleKmh.
int SpeedFullScaleKmh(const std::unique_ptr<GpsFix>* fixes, int count);

// A stored speed in whole km/h, rounded: 523 -> 52, 525 -> 53.
int SpeedKmh(int16_t storedSpeed);
// The read-out text, "52 km/h".
std::string FormatSpeed(int16_t storedSpeed);

// A value written on the speed plot's axis: its text and the y of its line
// (client coordinates, from the top).
struct SpeedAxisMark {
  int y = 0;
  std::string text;
};
// The marks of a plot `height` pixels high at full scale `scaleKmh`: the full
// scale at the top ("70 km/h"), half of it in the middle ("35") and "0" at
// the bottom.
std::vector<SpeedAxisMark> SpeedAxisMarks(int height, int scaleKmh);

}  // namespace orvia
