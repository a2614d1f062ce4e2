// Steps while paused. A view can only decode forward from a key unit, so a
// picture other than the next one is reached by handing the view every unit
// from the key unit at or before it: the units before the picture as hidden
// ones (decoded for their references, never shown), the picture's own unit
// last. Front and rear each go to their last unit at or before the same time,
// so that both show the same instant.
#include <algorithm>

#include "playback/playback_controller.h"

namespace orvia {

bool PlaybackController::ShowPictureAt(int target) {
  int start[2] = {-1, -1};  // the key unit each view decodes from
  int last[2] = {-1, -1};   // the unit each view shows
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    const VideoIndexEntry* entries = index_.videoEntries[s].get();
    for (int i = 0; i < count && entries[i].time <= target; ++i) {
      last[s] = i;
      if (entries[i].key == kKeyUnit) start[s] = i;
    }
  }
  if (start[0] < 0) return false;
  feeder_.DropWaitingUnits();
  PlaybackBuffer& buffer = feeder_.buffer();
  for (int s = 0; s < 2; ++s) {
    // A view without a key unit before the target gets nothing to decode and
    // waits for its next key unit.
    buffer.nextVideo[s] = start[s] >= 0 ? start[s] : last[s] + 1;
    feeder_.SetWaitKey(s, start[s] < 0);
  }
  // Paused: no sound goes out, and none is owed when playing resumes (it
  // restarts from a key second).
  feeder_.SkipSound();
  enterPending_ = true;
  for (int t = feeder_.NextStepTime(); t >= 0 && t <= target; t = feeder_.NextStepTime()) {
    Advance();
    const bool hidden[2] = {buffer.nextVideo[0] - 1 < last[0], buffer.nextVideo[1] - 1 < last[1]};
    feeder_.HandOverStep(hidden);
  }
  ShowSecondReadouts();
  return true;
}

void PlaybackController::StepForwardPaused() {
  const int next = feeder_.NextStepTime();
  if (next < 0) {
    // A step past the end of a file enters the next file's first picture.
    NextFileAtEnd();
    if (state_ == PlaybackState::kStart) ShowStartPaused();
    return;
  }
  // A view that lost a unit decodes again from its key unit.
  if (feeder_.waitKey(0) || feeder_.waitKey(1)) {
    ShowPictureAt(next);
    return;
  }
  Advance();
  const bool shown[2] = {false, false};
  feeder_.HandOverStep(shown);
  if (feeder_.buffer().newSecond) ShowSecondReadouts();
}

bool PlaybackController::ShowStartPaused() {
  const int t = feeder_.CueKeyUnits(position_);
  if (t < 0) return false;
  // Only the rear view has a key unit by then: it shows its key picture.
  if (!ShowPictureAt(t) && Seek() == 0) Present();
  startDue_ = startShowing_ = false;
  state_ = PlaybackState::kIdle;
  return true;
}

bool PlaybackController::OnStepBack() {
  if (playing_ || state_ != PlaybackState::kIdle || !file_.IsOpen()) return false;
  const int frontCount = EntryCount(index_.videoCount[0], kVideoCapacity);
  const VideoIndexEntry* front = index_.videoEntries[0].get();
  const int shown = feeder_.buffer().nextVideo[0] - 1;  // the front unit on show
  if (front != nullptr && shown >= 1 && shown < frontCount && ShowPictureAt(front[shown - 1].time))
    return true;
  return StepBackIntoPreviousRow();
}

bool PlaybackController::StepBackIntoPreviousRow() {
  const int from = currentRow_;
  if (from <= 0) return false;
  // Rows with nothing to show are passed over, as playing passes them.
  for (int row = from - 1; row >= 0; --row) {
    currentRow_ = row;
    if (!OpenRow()) continue;
    const int count = EntryCount(index_.videoCount[0], kVideoCapacity);
    if (count > 0 && ShowPictureAt(index_.videoEntries[0][count - 1].time)) {
      state_ = PlaybackState::kIdle;
      return true;
    }
  }
  // No earlier row shows anything: the row stepped from shows its start.
  currentRow_ = from;
  if (OpenRow()) ShowStartPaused();
  if (state_ != PlaybackState::kIdle) PauseAt(-1);
  return true;
}

void PlaybackController::ShowSecondReadouts() {
  currentDate_ = feeder_.buffer().date;
  view_->SetTimeLine(position_);
  if (!view_->FullScreen()) RefreshTelemetry();
}

}  // namespace orvia
