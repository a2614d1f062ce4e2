// The playback controller's steps through the open recording: finding the
// start, stepping to the next units and presenting them.
#include <algorithm>

#include "playback/playback_controller.h"

namespace orvia {

int PlaybackController::Seek() {
  feeder_.DropWaitingUnits();
  PlaybackBuffer& buffer = feeder_.buffer();
  buffer.nextSound = 0;
  buffer.soundLen = 0;
  enterPending_ = false;
  const int t = feeder_.CueKeyUnits(position_);
  if (t < 0) return -1;
  EnterSecond(t);
  feeder_.LoadUnits(t);
  feeder_.CueSound(t);
  return 0;
}

int PlaybackController::Advance() {
  const int t = feeder_.NextStepTime();
  if (t < 0) return -1;
  PlaybackBuffer& buffer = feeder_.buffer();
  if (t / 1000 != position_ || enterPending_) {
    EnterSecond(t);
  } else {
    buffer.millisecond = static_cast<uint16_t>(t % 1000);
    buffer.newSecond = false;
  }
  enterPending_ = false;
  feeder_.LoadUnits(t);
  buffer.soundLen = 0;
  return 0;
}

void PlaybackController::EnterSecond(int t) {
  PlaybackBuffer& buffer = feeder_.buffer();
  buffer.newSecond = true;
  position_ = std::clamp(t / 1000, 0, kMaxSeconds - 1);
  buffer.unixTime = index_.unixTime[position_];
  buffer.date = BreakDownUtc(buffer.unixTime);
  buffer.millisecond = static_cast<uint16_t>(std::clamp(t - position_ * 1000, 0, 999));
}

void PlaybackController::Present() {
  feeder_.HandOver(Mode(), currentRow_);
  const PlaybackBuffer& buffer = feeder_.buffer();
  if (buffer.newSecond) ShowSecondReadouts();
}

}  // namespace orvia
