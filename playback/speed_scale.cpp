#include "playback/speed_scale.h"

#include <algorithm>

#include "playback/recording_index.h"

namespace orvia {

int SpeedFullScaleKmh(const std::unique_ptr<GpsFix>* fixes, int count) {
  uint32_t top = 0;  // stored units, km/h times 10
  for (int i = 0; fixes != nullptr && i < count && i < kMaxSeconds; ++i) {
    if (const GpsFix* fix = fixes[i].get()) top = std::max<uint32_t>(top, static_cast<uint16_t>(fix->speed));
  }
  const uint32_t stepStored = kSpeedScaleStepKmh * 10;
  const uint32_t roundedKmh = (top + stepStored - 1) / stepStored * kSpeedScaleStepKmh;
  return static_cast<int>(std::clamp<uint32_t>(roundedKmh, kMinSpeedScaleKmh, kMaxSpeedScaleKmh));
}

int SpeedKmh(int16_t storedSpeed) { return (static_cast<uint16_t>(storedSpeed) + 5) / 10; }

std::string FormatSpeed(int16_t storedSpeed) { return std::to_string(SpeedKmh(storedSpeed)) + " km/h"; }

std::vector<SpeedAxisMark> SpeedAxisMarks(int height, int scaleKmh) {
  return {{0, std::to_string(scaleKmh) + " km/h"}, {height / 2, std::to_string(scaleKmh / 2)}, {height, "0"}};
}

}  // namespace orvia
