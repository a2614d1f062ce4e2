// A record of how punctually the controller hands units to the players: for
// each video unit taken while the pacing clock runs, when it was due and when
// it went out, both in wall milliseconds of the day. Storage is reserved once;
// samples beyond the capacity are counted but not kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvia {

struct PacingSample {
  int64_t dueMs;     // wall origin + (due step time - media origin) scaled by the speed
  int64_t actualMs;  // wall time of the hand-over
  int row;           // play-list row of the unit, from 1 as the list shows it (0: unknown)
};

struct LatenessStats {
  int64_t count = 0;  // samples kept
  int64_t p50Ms = 0;  // median lateness (actual - due); negative = early
  int64_t p99Ms = 0;
  int64_t maxMs = 0;
};

class PacingTrace {
 public:
  explicit PacingTrace(size_t capacity = 1 << 16);
  void Record(int64_t dueMs, int64_t actualMs, int row = 0);
  void Clear();
  const std::vector<PacingSample>& samples() const { return samples_; }
  int64_t dropped() const { return dropped_; }

 private:
  size_t capacity_;
  std::vector<PacingSample> samples_;
  int64_t dropped_ = 0;
};

// Nearest-rank percentiles of actual - due over the samples.
LatenessStats ComputeLateness(const std::vector<PacingSample>& samples);

// Writes "due_ms,actual_ms,late_ms,row" lines after a header and a summary line
// starting with '#'. False when the file cannot be written.
bool WritePacingTrace(const PacingTrace& trace, const std::string& path);

}  // namespace orvia
