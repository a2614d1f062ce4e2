#include "playback/playback_controller.h"

#include <algorithm>

#include "player/player_contract.h"

namespace orvia {

namespace {

constexpr int kSpeedSliderNormal = 2;  // speed slider position of 1x

}  // namespace

PlaybackController::PlaybackController(const PlaybackDeps& deps)
    : front_(deps.front),
      rear_(deps.rear),
      view_(deps.view),
      clock_(deps.clock),
      sleeper_(deps.sleeper),
      blankFrame_(deps.blankFrame),
      open_(deps.open),
      ownStorage_(std::make_unique<PlaybackStorage>()),
      index_(ownStorage_->index),
      feeder_(
          {deps.front, deps.rear, deps.sleeper, deps.clock, &index_, &file_, &pacing_, &ownStorage_->buffer}),
      readouts_(deps.view, deps.text) {}

PlaybackController::PlaybackController(const PlaybackDeps& deps, PlaybackStorage& storage)
    : front_(deps.front),
      rear_(deps.rear),
      view_(deps.view),
      clock_(deps.clock),
      sleeper_(deps.sleeper),
      blankFrame_(deps.blankFrame),
      open_(deps.open),
      index_(storage.index),
      feeder_({deps.front, deps.rear, deps.sleeper, deps.clock, &index_, &file_, &pacing_, &storage.buffer}),
      readouts_(deps.view, deps.text) {
  storage.Clear();
}

void PlaybackController::OpenFile(const std::string& path) {
  file_ = open_ ? open_(path, index_, &file_) : OpenRecording(path, index_, &file_);
}

void PlaybackController::Hold() {
  state_ = PlaybackState::kHold;
  sleeper_->SleepMs(kHoldWaitMs);
}

// ---------------------------------------------------------------- commands

void PlaybackController::OnPlayPause() {
  view_->EnableButton(PlaybackButton::kStop, true);
  if (playing_) {
    // A new place not yet on show is shown now, paused.
    if (state_ == PlaybackState::kRunning && startDue_) Present();
    startDue_ = startShowing_ = false;
    state_ = PlaybackState::kIdle;
    playing_ = false;
    feeder_.FlushSound();
  } else {
    playing_ = true;
    speedFactor_ = slowDivisor_ = 1;
    state_ = PlaybackState::kStart;
    view_->SetSpeedSlider(kSpeedSliderNormal);
    soundMuted_ = false;
    if (stopped_) {
      stopped_ = false;
      ApplyStopped();
    }
    front_->SetVolume(volume_);
  }
  RefreshButtons();
}

void PlaybackController::OnStop() {
  if (playing_) {
    state_ = PlaybackState::kStopRequested;
    playing_ = false;
    position_ = 0;
    view_->SetTimeLine(0);
    view_->SetSpeedSlider(kSpeedSliderNormal);
  }
  stopped_ = true;
  ApplyStopped();
  RefreshButtons();
}

void PlaybackController::OnBack() {
  if (playing_) {
    if (position_ >= 10) {
      Hold();
      position_ -= 10;
      state_ = PlaybackState::kStart;
    }
    return;
  }
  if (position_ < 1) return;
  do {
    position_ -= 1;
    if (feeder_.IsKeySecond(position_)) break;
  } while (position_ >= 1);
  // Arriving at second 0 requests no restart; both views' next units become
  // the key units of second 0, so that a step shows them together.
  if (position_ >= 1) {
    state_ = PlaybackState::kStart;
  } else {
    feeder_.CueKeyUnits(position_);
    enterPending_ = true;
  }
}

void PlaybackController::OnForward() {
  if (playing_) {
    if (index_.secondCount - position_ > 10) {
      Hold();
      position_ += 10;
      state_ = PlaybackState::kStart;
    }
    return;
  }
  state_ = PlaybackState::kOneStep;
}

// At the ends of the list playback pauses where it is, on the picture on
// show. Rows with nothing to play are passed over in the direction chosen;
// when no earlier row plays, the row left shows its start, paused.
void PlaybackController::OnPreviousFile() {
  Hold();
  if (currentRow_ <= 0) {
    PauseHere();
    return;
  }
  const int from = currentRow_;
  for (int row = from - 1; row >= 0; --row) {
    currentRow_ = row;
    if (OpenRow() && feeder_.HasKeyUnit()) return;
  }
  currentRow_ = from;
  if (OpenRow()) PauseAt(0);
}

void PlaybackController::OnNextFile() {
  Hold();
  if (currentRow_ >= rowCount_ - 1) {
    PauseHere();
    return;
  }
  NextFileAtEnd();
}

void PlaybackController::PauseHere() {
  playing_ = false;
  startDue_ = startShowing_ = false;
  feeder_.FlushSound();
  state_ = file_.IsOpen() ? PlaybackState::kIdle : PlaybackState::kNoRecording;
  RefreshButtons();
}

void PlaybackController::PauseAt(int second) {
  playing_ = false;
  feeder_.FlushSound();
  if (second >= 0 && file_.IsOpen()) {
    position_ = second;
    state_ = PlaybackState::kStart;
  } else {
    state_ = PlaybackState::kIdle;
  }
  RefreshButtons();
}

void PlaybackController::OnListDoubleClick(int row) {
  if (row >= 0) {
    view_->EnableButton(PlaybackButton::kStop, true);
    Hold();
    currentRow_ = row;
    OpenRow();
    // Whether or not the file opened, a start is requested.
    slowDivisor_ = speedFactor_ = 1;
    state_ = PlaybackState::kStart;
    soundMuted_ = false;
    front_->SetVolume(volume_);
    view_->SetSpeedSlider(kSpeedSliderNormal);
    if (stopped_) {
      stopped_ = false;
      ApplyStopped();
    }
  }
  RefreshButtons();
}

void PlaybackController::OnTimeLine(int value) {
  if (rowCount_ > 0 && !stopped_) {
    if (value >= 0 && value < index_.secondCount) position_ = value;
    Hold();
    state_ = PlaybackState::kStart;
  } else {
    view_->SetTimeLine(0);
  }
}

void PlaybackController::OnSpeed(int value) {
  speedFactor_ = slowDivisor_ = 1;
  switch (value) {
    case 0:
      slowDivisor_ = 4;
      break;
    case 1:
      slowDivisor_ = 2;
      break;
    case 3:
      speedFactor_ = 2;
      break;
    case 4:
      speedFactor_ = 4;
      break;
    default:
      break;
  }
  // The picture carries on from where it is at the new rate; the sound
  // queued at the old one is dropped.
  const int64_t now = NowMs();
  pacing_.SetRate(speedFactor_, slowDivisor_, now);
  if (pacing_.valid()) {
    feeder_.FlushSound();
    feeder_.CueSound(pacing_.MediaAt(now));
  }
  ApplySoundRule();
}

void PlaybackController::OnVolume(int value) {
  volume_ = std::clamp(value, 0, player::kVolumeMax);
  ApplySoundRule();
}

// Only 1x with a volume above 0 is heard; 2x and 4x still feed sound to the
// front view (silenced), 1/2x and 1/4x feed none (see Present).
void PlaybackController::ApplySoundRule() {
  const bool audible = slowDivisor_ == 1 && speedFactor_ == 1 && volume_ != 0;
  soundMuted_ = !audible;
  if (view_->PlayersHaveWindows()) front_->SetVolume(audible ? volume_ : 0);
}

// ---------------------------------------------------------- list loading

void PlaybackController::BeginOpenSource() {
  state_ = PlaybackState::kNoRecording;
  // The card may be released, unmounted or formatted next: the program
  // holds no file on it.
  file_.Close();
  sleeper_->SleepMs(kLoadWaitMs);
  if (playing_) {
    playing_ = false;
    feeder_.BlankViews(blankFrame_);
  }
  readouts_.MapToNoFix();
  rowCount_ = 0;
  readouts_.ClearGraph(index_);
  stopped_ = true;
  ApplyStopped();
}

void PlaybackController::EndOpenSource(bool accepted) {
  bool opened = false;
  if (accepted) {
    state_ = PlaybackState::kLoading;
    rowCount_ = std::max(0, view_->ListRowCount());
    if (rowCount_ > 0) {
      view_->EnableButton(PlaybackButton::kPlayPause, true);
      view_->EnableButton(PlaybackButton::kStop, true);
      view_->FocusList();
      OpenFile(view_->RowPath(0));
      feeder_.Rewind();
      ShowRowOpened(0);
      if (file_.IsOpen()) {
        opened = true;
        if (index_.formats.hasSound) front_->SetSoundFormat(index_.formats.sound);
        playing_ = true;
        position_ = 0;
        RefreshButtons();
        state_ = PlaybackState::kStart;
        speedFactor_ = slowDivisor_ = 1;
        view_->SetSpeedSlider(kSpeedSliderNormal);
        volume_ = std::clamp(view_->VolumeSlider(), 0, player::kVolumeMax);
        front_->SetVolume(volume_);
        stopped_ = false;
        soundMuted_ = volume_ == 0;
        ApplyStopped();
        SelectRow(0);
      }
    }
    if (!opened) {
      view_->EnableButton(PlaybackButton::kPlayPause, false);
      state_ = PlaybackState::kNoRecording;
    }
  } else {
    rowCount_ = 0;
    view_->ClearList();
    state_ = PlaybackState::kNoRecording;
    view_->EnableButton(PlaybackButton::kPlayPause, false);
  }
  if (!opened) {
    playing_ = false;
    RefreshButtons();
  }
  ResetTelemetry();
}

void PlaybackController::BeginCardRemoved() {
  state_ = PlaybackState::kNoRecording;
  sleeper_->SleepMs(kLoadWaitMs);
  RefreshButtons();
  feeder_.BlankViews(blankFrame_);
  rowCount_ = 0;
  view_->ClearList();
  view_->EnableButton(PlaybackButton::kPlayPause, false);
  view_->EnableButton(PlaybackButton::kStop, false);
  readouts_.ResetReadouts(false);
  // The card is gone: its file is closed at once and nothing of it stays on
  // show, the graph included.
  file_ = RecordingFile();
  index_.Clear();
  view_->SetGraphData(0, nullptr, nullptr);
  view_->RedrawGraph();
}

void PlaybackController::EndCardRemoved() {
  stopped_ = true;
  ApplyStopped();
  readouts_.MapToNoFix();
}

void PlaybackController::OnFirstLoadTimer() {
  if (view_->FullScreen() || !firstLoadPending_) return;
  front_->Reset(!soundMuted_);
  rear_->Reset(!soundMuted_);
  view_->ReloadMap();
  firstLoadPending_ = false;
}

// ------------------------------------------------------------ operations

bool PlaybackController::OpenRow() {
  OpenFile(view_->RowPath(currentRow_));
  // The read positions belong to the previous file; the row starts at its
  // own second 0 even when it does not open (it is then passed over).
  feeder_.Rewind();
  position_ = 0;
  enterPending_ = false;
  feeder_.FlushSound();
  feeder_.DropWaitingUnits();
  ShowRowOpened(currentRow_);
  if (!file_.IsOpen()) return false;
  if (index_.formats.hasSound) front_->SetSoundFormat(index_.formats.sound);
  SelectRow(currentRow_);
  state_ = PlaybackState::kStart;
  position_ = 0;
  return true;
}

void PlaybackController::ShowRowOpened(int row) {
  if (!file_.IsOpen() || !feeder_.HasKeyUnit()) view_->MarkRowUnplayable(row);
  // A recording cut short has a shorter time line: its end is its last second.
  if (file_.IsOpen()) view_->SetTimeLineLength(std::clamp(index_.secondCount, 1, kMaxSeconds));
}

void PlaybackController::NextFileAtEnd() {
  // Rows with nothing to play (a file cut before its first key unit, a
  // header left by a power cut, a file that does not open) are passed over
  // like the end of a file; OpenRow has marked them in the list.
  while (currentRow_ < rowCount_ - 1) {
    currentRow_ += 1;
    if (OpenRow() && feeder_.HasKeyUnit()) return;
  }
  if (!file_.IsOpen() || !feeder_.HasKeyUnit()) StopWithNothingToPlay();
}

void PlaybackController::StopWithNothingToPlay() {
  // No later row plays: the previous file's picture, time and read-outs must
  // not stay on show as if it were still playing.
  state_ = PlaybackState::kIdle;
  playing_ = false;
  feeder_.BlankViews(blankFrame_);
  view_->SetTimeLine(0);
  ResetTelemetry();
  RefreshButtons();
}

void PlaybackController::SelectRow(int row) {
  if (view_->FullScreen()) return;
  view_->SelectListRow(row);
  currentRow_ = row;
  readouts_.ShowRecording(index_);
}

void PlaybackController::ApplyStopped() {
  if (stopped_) {
    playing_ = false;
    view_->EnableButton(PlaybackButton::kBack, false);
    view_->EnableButton(PlaybackButton::kForward, false);
    view_->EnableButton(PlaybackButton::kStop, false);
    position_ = 0;
    view_->SetTimeLine(0);
    view_->SetSpeedSlider(kSpeedSliderNormal);
    view_->SetGraphCursor(0);
    for (int s = 0; s < 2; ++s) {
      View(s)->SetStopped(true);
      View(s)->Redraw();
    }
  } else {
    playing_ = true;
    view_->EnableButton(PlaybackButton::kPreviousFile, true);
    view_->EnableButton(PlaybackButton::kBack, true);
    view_->EnableButton(PlaybackButton::kForward, true);
    state_ = PlaybackState::kStart;
    speedFactor_ = slowDivisor_ = 1;
    view_->SetSpeedSlider(kSpeedSliderNormal);
    volume_ = std::clamp(view_->VolumeSlider(), 0, player::kVolumeMax);
    soundMuted_ = volume_ == 0;
    if (view_->PlayersHaveWindows()) front_->SetVolume(volume_);
    front_->SetStopped(false);
    rear_->SetStopped(false);
  }
  view_->RedrawGraph();
}

void PlaybackController::RefreshButtons() {
  bool pauseLook = false;
  bool tenSeconds = false;
  const PlaybackButton steps[] = {PlaybackButton::kPreviousFile, PlaybackButton::kBack,
                                  PlaybackButton::kForward, PlaybackButton::kNextFile};
  if (state_ == PlaybackState::kNoRecording || state_ == PlaybackState::kStopRequested) {
    for (PlaybackButton b : steps) view_->EnableButton(b, false);
  } else if (state_ == PlaybackState::kIdle) {
    for (PlaybackButton b : steps) view_->EnableButton(b, true);
  } else if (playing_) {
    for (PlaybackButton b : steps) view_->EnableButton(b, true);
    pauseLook = tenSeconds = true;
  } else {
    view_->EnableButton(PlaybackButton::kPreviousFile, true);
    view_->EnableButton(PlaybackButton::kNextFile, true);
  }
  view_->SetPlayPauseLook(pauseLook,
                          Text(pauseLook ? "IDS_CAPTION_TOOLTIP_PAUSE" : "IDS_CAPTION_TOOLTIP_PLAY"));
  view_->SetStepTooltips(
      Text(tenSeconds ? "IDS_CAPTION_TOOLTIP_BACK_PLAY" : "IDS_CAPTION_TOOLTIP_BACK_PUASE"),
      Text(tenSeconds ? "IDS_CAPTION_TOOLTIP_NEXT_PLAY" : "IDS_CAPTION_TOOLTIP_NEXT_PAUSE"));
}

void PlaybackController::OnFullScreenLeft() {
  if (!file_.IsOpen() || view_->FullScreen()) return;
  SelectRow(currentRow_);
  if (state_ == PlaybackState::kRunning || state_ == PlaybackState::kIdle) RefreshTelemetry();
}

void PlaybackController::ResetTelemetry() { readouts_.ResetReadouts(true); }

void PlaybackController::RefreshTelemetry() {
  readouts_.ShowSecond(index_, position_, feeder_.buffer().date);
}

// ------------------------------------------------------------------ tick

void PlaybackController::Tick() {
  if (stopped_) return;
  switch (state_) {
    case PlaybackState::kStart:
      feeder_.SetDecoderLate(false);
      pacing_.Stop();
      if (playing_ ? Seek() == -1 : !ShowStartPaused()) {
        // A row with no key unit at all is passed over; otherwise there is
        // none at or after the position: try again next tick.
        if (position_ == 0 && !feeder_.HasKeyUnit()) NextFileAtEnd();
        return;
      }
      if (!playing_) return;
      feeder_.FlushSound();
      state_ = PlaybackState::kRunning;
      feeder_.SetWaitKey(0, false);
      // The sound of the old place that the sink still holds plays out
      // first, so that the new place's first sound is heard with its first
      // picture instead of being skipped as late.
      startDue_ = true;
      startShowing_ = false;
      startWallMs_ = NowMs() + std::max(0, StartHoldMs() - kPictureLeadMs);
      if (PresentStartWhenDue()) FeedDueSound();
      return;
    case PlaybackState::kOneStep:
      StepForwardPaused();
      if (state_ == PlaybackState::kOneStep) state_ = PlaybackState::kIdle;
      return;
    case PlaybackState::kRunning:
      if (!PresentStartWhenDue()) return;
      // Up to four steps per tick, so that playback catches up when the
      // timer fires late.
      for (int round = 0; round < 4; ++round) {
        const int next = feeder_.NextStepTime();
        if (next < 0) {
          // The next row follows once the last step has had its time.
          if (pacing_.valid() && !pacing_.Due(LastStepEndMs(), NowMs())) break;
          NextFileAtEnd();
          return;
        }
        if (pacing_.valid() && !pacing_.Due(next, NowMs(), kPictureLeadMs)) break;
        feeder_.SetHandOverTime(next);
        Advance();
        Present();
      }
      FeedDueSound();
      return;
    default:
      return;
  }
}

int PlaybackController::NextTickMs() const {
  // Only a running, paced playback waits: starting places, single steps and
  // anything the user just asked for go on at the next millisecond.
  if (stopped_ || state_ != PlaybackState::kRunning || startDue_ || startShowing_ || !pacing_.valid())
    return 1;
  const int64_t now = NowMs();
  int64_t wait = kMaxTickWaitMs;
  const auto until = [&](int64_t wallMs) { wait = std::min(wait, WallDiffMs(wallMs, now)); };
  const int next = feeder_.NextStepTime();
  if (next >= 0) {
    until(pacing_.WallAt(next) - kPictureLeadMs);
  } else {
    until(pacing_.WallAt(LastStepEndMs()));
  }
  const int64_t sound = feeder_.NextSoundWallMs(Mode(), playing_);
  if (sound >= 0) until(sound);
  return static_cast<int>(std::clamp<int64_t>(wait, 1, kMaxTickWaitMs));
}

double PlaybackController::LastStepEndMs() const {
  return position_ * 1000.0 + feeder_.buffer().millisecond + feeder_.StepLengthMs();
}

int PlaybackController::StartHoldMs() const {
  if (speedFactor_ != 1 || slowDivisor_ != 1 || soundMuted_) return 0;
  const int32_t queuedUs = front_->SoundQueuedUs();
  return queuedUs > 0 ? std::min(queuedUs / 1000, kMaxStartHoldMs) : 0;
}

// A new place starts in two waits: its first step goes out once the old
// place's sound has played out, and the pacing clock starts once the front
// view has that step's picture on show (or the view cannot tell, or
// kMaxStartHoldMs has passed), so that its sound begins with it however long
// a decoder takes to start. True once the clock runs. A wall clock set back
// further than the longest wait holds nothing up.
bool PlaybackController::PresentStartWhenDue() {
  const auto waiting = [this] {
    const int64_t waitMs = WallDiffMs(startWallMs_, NowMs());
    return waitMs > 0 && waitMs <= kMaxStartHoldMs;
  };
  if (startDue_) {
    if (waiting()) return false;
    startDue_ = false;
    shownBefore_ = front_->PicturesShown();
    Present();
    startShowing_ = shownBefore_ >= 0 && feeder_.buffer().unitLen[0] > 0;
    startWallMs_ = NowMs() + kMaxStartHoldMs;
    feeder_.SetWaitKey(0, false);
  }
  // Handed over now, the first step reaches the screen kPictureLeadMs later,
  // like every other step, and its sound is due then; once on show, it is at
  // its moment.
  int leadMs = kPictureLeadMs;
  if (startShowing_) {
    if (front_->PicturesShown() == shownBefore_ && waiting()) return false;
    startShowing_ = false;
    leadMs = 0;
  } else if (pacing_.valid()) {
    return true;
  }
  pacing_.SetRate(speedFactor_, slowDivisor_, 0);
  const double leadMedia = static_cast<double>(leadMs) * speedFactor_ / slowDivisor_;
  pacing_.Start(position_ * 1000.0 + feeder_.buffer().millisecond - leadMedia, NowMs());
  return true;
}

}  // namespace orvia
