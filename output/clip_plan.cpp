#include "output/clip_plan.h"

#include <algorithm>

namespace orvia {

namespace {

constexpr int kDefaultClipSeconds = 60;

int VideoCount(const RecordingIndex& index, int s) {
  return std::clamp(index.videoCount[s], 0, kVideoCapacity);
}

// The last key entry with time < limitMs; -1 when none.
int LastKeyBefore(const RecordingIndex& index, int s, int limitMs) {
  int found = -1;
  for (int i = 0; i < VideoCount(index, s); ++i) {
    const VideoIndexEntry& e = index.videoEntries[s][i];
    if (e.time >= limitMs) break;
    if (e.key == kKeyUnit) found = i;
  }
  return found;
}

int FirstKey(const RecordingIndex& index, int s) {
  for (int i = 0; i < VideoCount(index, s); ++i) {
    if (index.videoEntries[s][i].key == kKeyUnit) return i;
  }
  return -1;
}

}  // namespace

ClipRange DefaultClipRange(int secondCount, int currentSecond) {
  ClipRange r;
  const int count = std::max(0, secondCount);
  if (count <= kDefaultClipSeconds) {
    r.toSecond = count;
    return r;
  }
  r.fromSecond = std::clamp(currentSecond - kDefaultClipSeconds / 2, 0, count - kDefaultClipSeconds);
  r.toSecond = r.fromSecond + kDefaultClipSeconds;
  return r;
}

namespace {

// The plan of a clip whose front view starts at its last key unit before
// `keyLimitMs` and which leaves out units at or after `endMs`.
ClipPlan Plan(const RecordingIndex& index, int keyLimitMs, int endMs) {
  ClipPlan plan;
  plan.endMs = endMs;
  int start[2] = {-1, -1};
  start[0] = LastKeyBefore(index, 0, keyLimitMs);
  if (start[0] < 0) start[0] = FirstKey(index, 0);
  if (start[0] < 0 || index.videoEntries[0][start[0]].time >= plan.endMs) {
    plan.error = "the range holds no picture of the front camera";
    return plan;
  }
  const int frontKeyMs = index.videoEntries[0][start[0]].time;
  start[1] = LastKeyBefore(index, 1, frontKeyMs + 1);
  if (start[1] < 0) start[1] = FirstKey(index, 1);
  plan.originMs = frontKeyMs;
  if (start[1] >= 0 && index.videoEntries[1][start[1]].time < plan.endMs) {
    plan.originMs = std::min<int>(plan.originMs, index.videoEntries[1][start[1]].time);
  } else {
    start[1] = -1;
  }
  for (int s = 0; s < 2; ++s) {
    if (start[s] < 0) continue;
    int end = start[s];
    while (end < VideoCount(index, s) && index.videoEntries[s][end].time < plan.endMs) ++end;
    plan.firstVideo[s] = start[s];
    plan.endVideo[s] = end;
  }
  const int sounds = std::clamp(index.soundCount, 0, kSoundCapacity);
  int first = 0;
  while (first < sounds && index.soundEntries[first].time < plan.originMs) ++first;
  int end = first;
  while (end < sounds && index.soundEntries[end].time < plan.endMs) ++end;
  plan.firstSound = first;
  plan.endSound = end;
  plan.ok = true;
  return plan;
}

ClipPlan Empty() {
  ClipPlan plan;
  plan.error = "the range of seconds is empty";
  return plan;
}

}  // namespace

ClipPlan PlanClip(const RecordingIndex& index, ClipRange range) {
  const int count = std::clamp(index.secondCount, 0, kMaxSeconds);
  const int from = std::clamp(range.fromSecond, 0, count);
  const int to = std::clamp(range.toSecond, 0, count);
  if (from >= to) return Empty();
  return Plan(index, (from + 1) * 1000, to * 1000);
}

ClipPlan PlanClipMs(const RecordingIndex& index, int64_t fromMs, int64_t toMs) {
  const int64_t length = int64_t{std::clamp(index.secondCount, 0, kMaxSeconds)} * 1000;
  const int64_t from = std::clamp<int64_t>(fromMs, 0, length);
  const int64_t to = std::clamp<int64_t>(toMs, 0, length);
  if (from >= to) return Empty();
  return Plan(index, static_cast<int>(from) + 1, static_cast<int>(to));
}

}  // namespace orvia
