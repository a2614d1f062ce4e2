// The pacing clock of playback: which recording time is due at which wall
// time, at the playback rate. It holds two origins (a recording time and the
// wall time it was on show) and the rate factor / divisor; recording time t
// is due at wallOrigin + (t - mediaOrigin) x divisor / factor.
//
// Wall times are milliseconds of the local day. A new hour is nothing
// special; a new day (the wall time wrapping past midnight) is taken as
// 24 hours later. A clock that goes back, or a recording that has drifted
// more than kPacingDriftMs x factor off the clock (either way), re-bases both
// origins at the step being checked, so playback carries on at once from
// where it is instead of waiting for the clock or racing after it.
//
// Plain value type; the caller owns the thread (the user-interface thread).
#pragma once

#include <cstdint>

namespace orvia {

// Local wall time as the pacing uses it.
struct WallTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual WallTime Now() = 0;
};

// The machine's local clock.
class SystemWallClock : public WallClock {
 public:
  WallTime Now() override;
};

constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;
constexpr int kPacingDriftMs = 2000;  // x factor: how far the recording may be off the clock

int64_t MsOfDay(const WallTime& t);
// Milliseconds from wall time `fromMs` to `toMs` (both ms of the day): past
// midnight the wall time starts again from 0, so the shorter way round counts.
int64_t WallDiffMs(int64_t toMs, int64_t fromMs);

class PacingClock {
 public:
  // Recording time `mediaMs` is on show at wall time `wallMs`; the clock runs.
  void Start(double mediaMs, int64_t wallMs);
  void Stop() { valid_ = false; }
  bool valid() const { return valid_; }

  // The rate factor / divisor (each 1, 2 or 4). A running clock is re-based
  // at `wallMs` first, so the recording time carries on from where the clock
  // has it at the new rate.
  void SetRate(int factor, int divisor, int64_t wallMs);

  // Whether the step at recording time `stepMs` is due at wall time `wallMs`,
  // handed over `leadMs` before its own moment. Re-bases the origins (and
  // answers due) when the clock went back or the step drifted too far off.
  bool Due(double stepMs, int64_t wallMs, int leadMs = 0);

  // Recording time the clock has reached at `wallMs`.
  double MediaAt(int64_t wallMs) const;
  // Wall time at which recording time `mediaMs` is due, on the origin's day
  // (may pass kDayMs).
  int64_t WallAt(double mediaMs) const;

  double mediaOrigin() const { return mediaOrigin_; }
  int64_t wallOrigin() const { return wallOrigin_; }
  int factor() const { return factor_; }
  int divisor() const { return divisor_; }
  // Times both origins were re-taken since the clock was started.
  int rebases() const { return rebases_; }

 private:
  // Wall milliseconds since the origin; negative when the clock went back.
  int64_t Elapsed(int64_t wallMs) const;
  void Rebase(double mediaMs, int64_t wallMs);

  bool valid_ = false;
  double mediaOrigin_ = 0;
  int64_t wallOrigin_ = 0;
  int factor_ = 1;
  int divisor_ = 1;
  int rebases_ = 0;
};

}  // namespace orvia
