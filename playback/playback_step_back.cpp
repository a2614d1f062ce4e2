// One picture back while paused. A view can only decode forward from a key
// unit, so the step back goes to the key unit at or before the wanted
// picture and hands over every unit from there up to it; the last one stays
// on show.
#include "playback/playback_controller.h"

#include <algorithm>

namespace orvia {

bool PlaybackController::OnStepBack() {
  if (playing_ || state_ != PlaybackState::kIdle || !file_.IsOpen()) return false;
  const int frontCount = EntryCount(index_.videoCount[0], kVideoCapacity);
  const VideoIndexEntry* front = index_.videoEntries[0].get();
  PlaybackBuffer& buffer = feeder_.buffer();
  const int shown = buffer.nextVideo[0] - 1;  // the front unit on show
  if (front == nullptr || shown < 1 || shown >= frontCount) return false;
  const int target = front[shown - 1].time;

  int start[2] = {-1, -1};
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    const VideoIndexEntry* entries = index_.videoEntries[s].get();
    for (int i = 0; i < count && entries[i].time <= target; ++i)
      if (entries[i].key == kKeyUnit) start[s] = i;
    // A view without a key unit before the target gets nothing to decode.
    if (start[s] < 0) start[s] = count;
  }
  if (start[0] >= frontCount) return false;
  for (int s = 0; s < 2; ++s) {
    buffer.nextVideo[s] = start[s];
    feeder_.SetWaitKey(s, false);
  }
  // Paused: no sound goes out, and none is owed when playing resumes (it
  // restarts from a key second).
  feeder_.SkipSound();
  while (buffer.nextVideo[0] < frontCount && front[buffer.nextVideo[0]].time <= target) {
    if (Advance() == -1) break;
    Present();
  }
  return true;
}

}  // namespace orvia
