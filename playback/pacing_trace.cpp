#include "playback/pacing_trace.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace orvia {

PacingTrace::PacingTrace(size_t capacity) : capacity_(capacity) { samples_.reserve(capacity_); }

void PacingTrace::Record(int64_t dueMs, int64_t actualMs, int row) {
  if (samples_.size() >= capacity_) {
    ++dropped_;
    return;
  }
  samples_.push_back({dueMs, actualMs, row});
}

void PacingTrace::Clear() {
  samples_.clear();
  dropped_ = 0;
}

LatenessStats ComputeLateness(const std::vector<PacingSample>& samples) {
  LatenessStats stats;
  if (samples.empty()) return stats;
  std::vector<int64_t> late;
  late.reserve(samples.size());
  for (const PacingSample& s : samples) late.push_back(s.actualMs - s.dueMs);
  std::sort(late.begin(), late.end());
  const size_t n = late.size();
  // Nearest rank: the smallest value with at least p percent at or below it.
  auto rank = [&](int percent) { return late[std::max<size_t>(1, (n * percent + 99) / 100) - 1]; };
  stats.count = static_cast<int64_t>(n);
  stats.p50Ms = rank(50);
  stats.p99Ms = rank(99);
  stats.maxMs = late.back();
  return stats;
}

bool WritePacingTrace(const PacingTrace& trace, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  const LatenessStats stats = ComputeLateness(trace.samples());
  std::fprintf(f,
               "# units %" PRId64 ", not kept %" PRId64 ", late p50 %" PRId64 " ms, p99 %" PRId64
               " ms, max %" PRId64 " ms\n",
               stats.count, trace.dropped(), stats.p50Ms, stats.p99Ms, stats.maxMs);
  std::fprintf(f, "due_ms,actual_ms,late_ms,row\n");
  for (const PacingSample& s : trace.samples()) {
    std::fprintf(f, "%" PRId64 ",%" PRId64 ",%" PRId64 ",%d\n", s.dueMs, s.actualMs, s.actualMs - s.dueMs,
                 s.row);
  }
  const bool ok = std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace orvia
