// Any bytes given to the recording index end in a clear result, never a
// fault, and what it indexes stays inside the input. The card-wide reading
// of the same bytes through idx1 stays within its allowance of reads. A clip
// planned over the recording twice over keeps within its entries.
#include <cstdint>
#include <cstdlib>

#include "library/recording_telemetry.h"
#include "output/clip_join.h"
#include "playback/recording_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orvia::RecordingTelemetry t = orvia::ReadRecordingTelemetryBytes({data, size});
  if (t.seconds.size() > static_cast<size_t>(orvia::kMaxSeconds)) std::abort();
  // At most the head, a few top-level chunk heads beyond it, idx1 and one
  // read per telemetry record.
  if (t.fromIndex && t.bytesRead > orvia::kHeadReadBytes + 64 * 12 + t.idx1Bytes +
                                       t.telemetryRecords * (8 + orvia::kMaxTelemetryBytes))
    std::abort();
  static orvia::RecordingIndex index;
  if (!orvia::IndexRecordingBytes({data, size}, index)) return 0;
  if (index.secondCount < 1 || index.secondCount > orvia::kMaxSeconds) std::abort();
  for (int s = 0; s < 2; ++s) {
    if (index.videoCount[s] < 0 || index.videoCount[s] > orvia::kVideoCapacity) std::abort();
    if (index.headerLen[s] < 0 || index.headerLen[s] > 240) std::abort();
    for (int i = 0; i < index.videoCount[s]; ++i) {
      const orvia::VideoIndexEntry& e = index.videoEntries[s][i];
      if (uint64_t{e.offset} + e.size > size) std::abort();
      if (e.time >= index.secondCount * 1000) std::abort();
    }
  }
  for (int i = 0; i < index.soundCount; ++i) {
    const orvia::SoundIndexEntry& e = index.soundEntries[i];
    // Sound sizes are rounded up to even, so one padding byte may be missing.
    if (uint64_t{e.offset} + e.size > size + 1) std::abort();
  }
  const int64_t length = int64_t{index.secondCount} * 1000;
  const orvia::ClipPlan plan = orvia::PlanClipMs(index, 0, length);
  if (!plan.ok) return 0;
  const orvia::JoinRecording twice[2] = {{&index, 0}, {&index, index.secondCount}};
  const orvia::ClipJoin join = orvia::PlanClipJoin(twice, plan, 2 * length);
  for (const orvia::ClipPiece& p : join.pieces) {
    for (int s = 0; s < 2; ++s)
      if (p.firstVideo[s] < 0 || p.firstVideo[s] > p.endVideo[s] || p.endVideo[s] > index.videoCount[s])
        std::abort();
    if (p.firstSound < 0 || p.firstSound > p.endSound || p.endSound > index.soundCount) std::abort();
  }
  return 0;
}
