#include "playback/pacing_clock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace orvia {

WallTime SystemWallClock::Now() {
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const time_t seconds = static_cast<time_t>(ms / 1000);
  struct tm parts {};
  localtime_r(&seconds, &parts);
  return {parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(ms % 1000)};
}

int64_t MsOfDay(const WallTime& t) {
  return ((static_cast<int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

void PacingClock::Start(double mediaMs, int64_t wallMs) {
  valid_ = true;
  mediaOrigin_ = mediaMs;
  wallOrigin_ = wallMs;
  rebases_ = 0;
}

int64_t WallDiffMs(int64_t toMs, int64_t fromMs) {
  int64_t d = toMs - fromMs;
  if (d < -kDayMs / 2) d += kDayMs;
  if (d > kDayMs / 2) d -= kDayMs;
  return d;
}

int64_t PacingClock::Elapsed(int64_t wallMs) const { return WallDiffMs(wallMs, wallOrigin_); }

void PacingClock::Rebase(double mediaMs, int64_t wallMs) {
  mediaOrigin_ = mediaMs;
  wallOrigin_ = wallMs;
  ++rebases_;
}

void PacingClock::SetRate(int factor, int divisor, int64_t wallMs) {
  if (valid_) {
    mediaOrigin_ = MediaAt(wallMs);
    wallOrigin_ = wallMs;
  }
  factor_ = factor > 0 ? factor : 1;
  divisor_ = divisor > 0 ? divisor : 1;
}

double PacingClock::MediaAt(int64_t wallMs) const {
  const int64_t elapsed = Elapsed(wallMs);
  if (elapsed <= 0) return mediaOrigin_;
  return mediaOrigin_ + static_cast<double>(elapsed) * factor_ / divisor_;
}

int64_t PacingClock::WallAt(double mediaMs) const {
  return wallOrigin_ + std::llround((mediaMs - mediaOrigin_) * divisor_ / factor_);
}

bool PacingClock::Due(double stepMs, int64_t wallMs, int leadMs) {
  if (!valid_) return true;
  const double leadMedia = static_cast<double>(leadMs) * factor_ / divisor_;
  const int64_t elapsed = Elapsed(wallMs);
  // The step is handed over now and so reaches its moment `leadMs` later.
  if (elapsed < 0) {
    Rebase(stepMs - leadMedia, wallMs);
    return true;
  }
  const double clockMs = mediaOrigin_ + static_cast<double>(elapsed) * factor_ / divisor_ + leadMedia;
  const double drift = stepMs - clockMs;
  if (std::fabs(drift) > static_cast<double>(kPacingDriftMs) * factor_) {
    Rebase(stepMs - leadMedia, wallMs);
    return true;
  }
  return drift <= 0;
}

}  // namespace orvia
