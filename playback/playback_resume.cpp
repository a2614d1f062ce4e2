// Putting playback back where it stood after the card manager was cancelled.
#include <algorithm>

#include "playback/playback_controller.h"

namespace orvia {

PlaybackPlace PlaybackController::SavePlace() const {
  PlaybackPlace place;
  place.rowCount = rowCount_;
  place.row = currentRow_;
  place.position = position_;
  place.stopped = stopped_;
  place.fileOpen = file_.IsOpen();
  place.state = state_;
  return place;
}

void PlaybackController::ResumePlace(const PlaybackPlace& place) {
  // The list was left alone, so its rows are the saved ones.
  rowCount_ = std::clamp(place.rowCount, 0, std::max(0, view_->ListRowCount()));
  const bool rowValid = place.row >= 0 && place.row < rowCount_;
  // The file was closed so that nothing held the card while the manager was
  // open; the same recording is opened again (it may have changed meanwhile).
  if (place.fileOpen && rowValid && !file_.IsOpen())
    OpenFile(view_->RowPath(place.row));
  if (rowCount_ == 0 || !place.fileOpen || !file_.IsOpen() || !rowValid) {
    // Nothing was open: nothing to show again.
    state_ = PlaybackState::kNoRecording;
    playing_ = false;
    view_->EnableButton(PlaybackButton::kPlayPause, false);
    RefreshButtons();
    ResetTelemetry();
    return;
  }
  view_->EnableButton(PlaybackButton::kPlayPause, true);
  currentRow_ = place.row;
  SelectRow(currentRow_);
  if (place.stopped) {
    // Stopped it was, and stopped it stays: Play starts the row from second 0.
    state_ = place.state;
    RefreshButtons();
    ResetTelemetry();
    return;
  }
  // The views run again (the manager blanked them) and the saved second is
  // shown once more, paused: the next tick seeks to it and presents it.
  stopped_ = false;
  ApplyStopped();
  playing_ = false;
  position_ = std::clamp(place.position, 0, std::max(0, index_.secondCount - 1));
  view_->EnableButton(PlaybackButton::kStop, true);
  view_->SetTimeLine(position_);
  view_->SetGraphCursor(position_);
  state_ = PlaybackState::kStart;
  RefreshButtons();
}

}  // namespace orvia
