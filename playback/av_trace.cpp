#include "playback/av_trace.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace orvia {

namespace {

constexpr int64_t kNsPerMs = 1000000;

}  // namespace

AvTrace::AvTrace(size_t capacity) : capacity_(capacity) { events_.reserve(capacity_); }

void AvTrace::PictureShown(int32_t viewNumber, int64_t steadyNs, int32_t luma) {
  if (events_.size() >= capacity_) {
    ++dropped_;
    return;
  }
  events_.push_back({steadyNs, viewNumber, luma});
}

void AvTrace::SoundPlayed(int64_t steadyNs, int32_t peak) {
  if (events_.size() >= capacity_) {
    ++dropped_;
    return;
  }
  events_.push_back({steadyNs, 0, peak});
}

std::vector<AvPair> PairSyncMarks(const std::vector<AvEvent>& events, AvOffsetStats* stats) {
  struct Flash {
    int32_t view;
    int64_t ns;
  };
  std::vector<Flash> flashes;
  std::vector<int64_t> clicks;
  bool lit[2] = {false, false};  // the view's last picture was a flash
  for (const AvEvent& e : events) {
    if (e.source == 0) {
      if (e.level >= kClickPeak) clicks.push_back(e.steadyNs);
      continue;
    }
    if (e.source != 2 && e.source != 3) continue;
    bool& wasLit = lit[e.source - 2];
    const bool isLit = e.level >= kFlashLuma;
    if (isLit && !wasLit) flashes.push_back({e.source, e.steadyNs});
    wasLit = isLit;
  }
  std::sort(clicks.begin(), clicks.end());
  std::vector<AvPair> pairs;
  for (const Flash& f : flashes) {
    // The nearest click, within the window.
    auto it = std::lower_bound(clicks.begin(), clicks.end(), f.ns);
    int64_t best = -1;
    int64_t bestGap = kPairWindowMs * kNsPerMs + 1;
    for (auto c : {it, it == clicks.begin() ? clicks.end() : it - 1}) {
      if (c == clicks.end()) continue;
      const int64_t gap = std::llabs(*c - f.ns);
      if (gap < bestGap) {
        bestGap = gap;
        best = *c;
      }
    }
    if (best >= 0) pairs.push_back({f.view, f.ns, best, (best - f.ns) / 1000});
  }
  if (stats) {
    stats->flashes = static_cast<int64_t>(flashes.size());
    stats->clicks = static_cast<int64_t>(clicks.size());
  }
  return pairs;
}

AvOffsetStats ComputeAvOffsets(const std::vector<AvPair>& pairs, AvOffsetStats stats) {
  stats.pairs = static_cast<int64_t>(pairs.size());
  if (pairs.empty()) return stats;
  std::vector<int64_t> offsets;
  offsets.reserve(pairs.size());
  for (const AvPair& p : pairs) offsets.push_back(std::llabs(p.offsetUs));
  std::sort(offsets.begin(), offsets.end());
  const size_t n = offsets.size();
  auto rank = [&](int percent) { return offsets[std::max<size_t>(1, (n * percent + 99) / 100) - 1]; };
  // Rounded to whole milliseconds.
  stats.p50Ms = (rank(50) + 500) / 1000;
  stats.p99Ms = (rank(99) + 500) / 1000;
  stats.maxMs = (offsets.back() + 500) / 1000;
  return stats;
}

bool WriteAvTrace(const AvTrace& trace, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  AvOffsetStats stats;
  const std::vector<AvPair> pairs = PairSyncMarks(trace.events(), &stats);
  stats = ComputeAvOffsets(pairs, stats);
  std::fprintf(f, "# av offset p50 %" PRId64 " ms, p99 %" PRId64 " ms, max %" PRId64 " ms\n", stats.p50Ms,
               stats.p99Ms, stats.maxMs);
  std::fprintf(f,
               "# pairs %" PRId64 ", flashes %" PRId64 ", clicks %" PRId64 ", events not kept %" PRId64 "\n",
               stats.pairs, stats.flashes, stats.clicks, trace.dropped());
  std::fprintf(f, "view,picture_ms,sound_ms,offset_ms\n");
  const int64_t origin = trace.events().empty() ? 0 : trace.events().front().steadyNs;
  for (const AvPair& p : pairs) {
    std::fprintf(f, "%s,%.1f,%.1f,%.1f\n", p.view == 2 ? "front" : "rear",
                 static_cast<double>(p.pictureNs - origin) / kNsPerMs,
                 static_cast<double>(p.soundNs - origin) / kNsPerMs, static_cast<double>(p.offsetUs) / 1000);
  }
  const bool ok = std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace orvia
