#include "playback/playback_controller.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "app/profile_file.h"
#include "playback/pacing_trace.h"
#include "player/player_contract.h"

namespace orvia {

namespace {

constexpr int kSpeedSliderNormal = 2;  // speed slider position of 1x
constexpr uint8_t kNalNonReferenceSlice = 0x01;
constexpr int kNalTypeIdr = 5;
constexpr int kNalTypeSps = 7;

int64_t MsOfDay(const WallTime& t) {
  return ((static_cast<int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

int EntryCount(int32_t count, int capacity) { return std::clamp<int32_t>(count, 0, capacity); }

}  // namespace

WallTime SystemWallClock::Now() {
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const time_t seconds = static_cast<time_t>(ms / 1000);
  struct tm parts {};
  localtime_r(&seconds, &parts);
  return {parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(ms % 1000)};
}

void ThreadSleeper::SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

PlaybackController::PlaybackController(const PlaybackDeps& deps)
    : front_(deps.front),
      rear_(deps.rear),
      view_(deps.view),
      clock_(deps.clock),
      sleeper_(deps.sleeper),
      text_(deps.text),
      blankFrame_(deps.blankFrame) {}

std::string PlaybackController::Text(const char* key) const {
  return text_ ? text_(key) : GetLocalizedText(key);
}

AxisCaptions PlaybackController::Captions() const {
  return {Text("IDS_CAPTION_X"), Text("IDS_CAPTION_Y"), Text("IDS_CAPTION_Z")};
}

void PlaybackController::Hold() {
  state_ = PlaybackState::kHold;
  sleeper_->SleepMs(kHoldWaitMs);
}

// ---------------------------------------------------------------- commands

void PlaybackController::OnPlayPause() {
  view_->EnableButton(PlaybackButton::kStop, true);
  if (playing_) {
    state_ = PlaybackState::kIdle;
    playing_ = false;
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
    if (IsKeySecond()) break;
  } while (position_ >= 1);
  // Arriving at second 0 requests no restart.
  if (position_ >= 1) state_ = PlaybackState::kStart;
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

void PlaybackController::OnPreviousFile() {
  Hold();
  if (currentRow_ > 0) {
    currentRow_ -= 1;
    OpenRow();
  }
}

void PlaybackController::OnNextFile() {
  Hold();
  if (currentRow_ < rowCount_ - 1) {
    currentRow_ += 1;
    OpenRow();
  }
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
    BlankViews();
  }
  view_->MapSetPos(kNoFixLatitude, kNoFixLongitude);
  rowCount_ = 0;
  view_->SetGraphData(0, index_.gPeak, index_.gps);
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
      file_ = OpenRecording(view_->RowPath(0), index_, &file_);
      buffer_.nextVideo[0] = buffer_.nextVideo[1] = buffer_.nextSound = 0;
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
  BlankViews();
  rowCount_ = 0;
  view_->ClearList();
  view_->EnableButton(PlaybackButton::kPlayPause, false);
  view_->EnableButton(PlaybackButton::kStop, false);
  view_->ShowTelemetry(ResetTelemetryTexts(Captions()));
}

void PlaybackController::EndCardRemoved() {
  stopped_ = true;
  ApplyStopped();
  view_->MapSetPos(kNoFixLatitude, kNoFixLongitude);
}

// The blank key unit goes to the front view, then to the rear; whether they
// take it is not examined.
void PlaybackController::BlankViews() {
  if (blankFrame_.empty()) return;
  front_->FeedData(false, true, blankFrame_);
  rear_->FeedData(false, true, blankFrame_);
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
  file_ = OpenRecording(view_->RowPath(currentRow_), index_, &file_);
  // The read positions belong to the previous file.
  buffer_.nextVideo[0] = buffer_.nextVideo[1] = buffer_.nextSound = 0;
  buffer_.unitLen[0] = buffer_.unitLen[1] = buffer_.soundLen = 0;
  if (!file_.IsOpen()) return false;
  if (index_.formats.hasSound) front_->SetSoundFormat(index_.formats.sound);
  SelectRow(currentRow_);
  state_ = PlaybackState::kStart;
  position_ = 0;
  return true;
}

void PlaybackController::NextFileAtEnd() {
  // Rows with nothing to play (a file cut before its first key unit, a
  // header left by a power cut, a file that does not open) are passed over
  // like the end of a file, without a word to the user.
  while (currentRow_ < rowCount_ - 1) {
    currentRow_ += 1;
    if (OpenRow() && HasKeyUnit()) return;
  }
  if (!file_.IsOpen() || !HasKeyUnit()) StopWithNothingToPlay();
}

bool PlaybackController::HasKeyUnit() const {
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    for (int i = 0; i < count; ++i)
      if (index_.videoEntries[s][i].key == kKeyUnit) return true;
  }
  return false;
}

void PlaybackController::StopWithNothingToPlay() {
  // No later row plays: the previous file's picture, time and read-outs must
  // not stay on show as if it were still playing.
  state_ = PlaybackState::kIdle;
  playing_ = false;
  BlankViews();
  view_->SetTimeLine(0);
  ResetTelemetry();
  RefreshButtons();
}

void PlaybackController::SelectRow(int row) {
  if (view_->FullScreen()) return;
  view_->SelectListRow(row);
  currentRow_ = row;
  view_->SetGraphData(index_.secondCount, index_.gPeak, index_.gps);
  view_->SetGraphCursor(0);
  view_->RedrawGraph();
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

void PlaybackController::ResetTelemetry() {
  view_->ShowTelemetry(ResetTelemetryTexts(Captions()));
  view_->RedrawWindow();
}

void PlaybackController::RefreshTelemetry() {
  if (view_->MapShown()) {
    const MapUpdate map = MapUpdateForSecond(index_, position_);
    if (map.move) view_->MapSetPos(map.latitude, map.longitude);
  }
  view_->ShowTelemetry(TelemetryForSecond(index_, position_, buffer_.date, Captions()));
  view_->SetGraphCursor(position_);
  view_->RedrawGraph();
}

// ------------------------------------------------------------------ tick

void PlaybackController::Tick() {
  if (stopped_) return;
  switch (state_) {
    case PlaybackState::kStart:
      decoderLate_ = false;
      clockValid_ = false;
      if (Seek() == -1) {
        // A row with no key unit at all is passed over; otherwise there is
        // none at or after the position: try again next tick.
        if (position_ == 0 && !HasKeyUnit()) NextFileAtEnd();
        return;
      }
      Present();
      if (playing_) {
        state_ = PlaybackState::kRunning;
        mediaOrigin_ = position_ * 1000.0 + buffer_.millisecond;
        wallOrigin_ = clock_->Now();
        clockValid_ = true;
        waitKey_[0] = false;
      } else {
        state_ = PlaybackState::kIdle;
      }
      return;
    case PlaybackState::kOneStep:
      waitKey_[0] = false;
      if (Advance() == -1) {
        NextFileAtEnd();
      } else {
        Present();
      }
      state_ = PlaybackState::kIdle;
      return;
    case PlaybackState::kRunning:
      // Up to four steps per tick, so that playback catches up when the
      // timer fires late.
      for (int round = 0; round < 4; ++round) {
        if (clockValid_) {
          const WallTime now = clock_->Now();
          const double media = position_ * 1000.0 + buffer_.millisecond - mediaOrigin_;
          // Hours are not counted: a new hour makes this negative.
          const int wall = (now.second - wallOrigin_.second) * 1000 +
                           (now.minute - wallOrigin_.minute) * 60000 +
                           (now.millisecond - wallOrigin_.millisecond);
          if (wall < 0) {
            wallOrigin_ = now;
            return;
          }
          const int scaled = wall / slowDivisor_ * speedFactor_;
          if (media - scaled > 2000.0 * speedFactor_) {
            // The recording ran far ahead of the clock: start pacing afresh.
            wallOrigin_ = now;
            mediaOrigin_ = position_ * 1000.0 + buffer_.millisecond;
          } else if (media > scaled) {
            return;  // not due yet
          }
        }
        // The step on show is due now: the next one goes out.
        handOverMs_ = position_ * 1000.0 + buffer_.millisecond;
        if (Advance() == -1) {
          NextFileAtEnd();
          return;
        }
        Present();
      }
      return;
    default:
      return;
  }
}

int PlaybackController::Seek() {
  buffer_.nextVideo[0] = buffer_.nextVideo[1] = 0;
  buffer_.nextSound = 0;
  buffer_.soundLen = 0;
  int t = -1;
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    const VideoIndexEntry* entries = index_.videoEntries[s].get();
    int i = 0;
    while (i < count && !(entries[i].key == kKeyUnit && entries[i].time / 1000 >= position_)) ++i;
    buffer_.nextVideo[s] = i;
    if (i < count && (t < 0 || entries[i].time < t)) t = entries[i].time;
  }
  if (t < 0) return -1;
  EnterSecond(t);
  LoadUnits(t);
  // The sound block due with the first unit; a later one at the same time
  // replaces it.
  const int soundCount = EntryCount(index_.soundCount, kSoundCapacity);
  const SoundIndexEntry* sound = index_.soundEntries.get();
  buffer_.nextSound = soundCount;
  for (int i = 0; i < soundCount; ++i) {
    if (sound[i].time > t) {
      buffer_.nextSound = i;
      break;
    }
    if (sound[i].time == t) {
      buffer_.soundLen = 0;
      if (sound[i].size <= kSoundBufferBytes &&
          file_.ReadAt(sound[i].offset, {buffer_.soundBuf.get(), sound[i].size})) {
        buffer_.soundLen = sound[i].size;
      }
      buffer_.nextSound = i + 1;
    }
  }
  return 0;
}

int PlaybackController::Advance() {
  int t = -1;
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    const int next = buffer_.nextVideo[s];
    if (next < 0 || next >= count) continue;
    const int time = index_.videoEntries[s][next].time;
    if (t < 0 || time < t) t = time;
  }
  if (t < 0) return -1;
  if (t / 1000 != position_) {
    EnterSecond(t);
  } else {
    buffer_.millisecond = static_cast<uint16_t>(t % 1000);
    buffer_.newSecond = false;
  }
  LoadUnits(t);
  // Every sound block due by now. Blocks that would overrun the sound buffer
  // are skipped, and so is the rest of this step's sound after them.
  const int soundCount = EntryCount(index_.soundCount, kSoundCapacity);
  const SoundIndexEntry* sound = index_.soundEntries.get();
  buffer_.soundLen = 0;
  bool full = false;
  int i = std::max(0, buffer_.nextSound);
  for (; i < soundCount && sound[i].time <= t; ++i) {
    if (full) continue;
    if (sound[i].size > kSoundBufferBytes - buffer_.soundLen) {
      full = true;
      continue;
    }
    if (file_.ReadAt(sound[i].offset, {buffer_.soundBuf.get() + buffer_.soundLen, sound[i].size})) {
      buffer_.soundLen += sound[i].size;
    }
  }
  buffer_.nextSound = i;
  return 0;
}

void PlaybackController::EnterSecond(int t) {
  buffer_.newSecond = true;
  position_ = std::clamp(t / 1000, 0, kMaxSeconds - 1);
  buffer_.unixTime = index_.unixTime[position_];
  buffer_.date = BreakDownUtc(buffer_.unixTime);
  buffer_.millisecond = static_cast<uint16_t>(std::clamp(t - position_ * 1000, 0, 999));
}

void PlaybackController::LoadUnits(int t) {
  for (int s = 0; s < 2; ++s) {
    buffer_.unitLen[s] = 0;
    buffer_.unitStart[s] = 0;
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    const int next = buffer_.nextVideo[s];
    if (next < 0 || next >= count) continue;
    const VideoIndexEntry& entry = index_.videoEntries[s][next];
    if (entry.time != t) continue;
    buffer_.nextVideo[s] = next + 1;
    const int32_t headerLen = std::clamp<int32_t>(index_.headerLen[s], 0, kHeaderBytes);
    uint8_t* buf = buffer_.unitBuf[s].get();
    // A unit that cannot be held with its header, has no NAL header byte, or
    // cannot be read is skipped; the view then waits for the next key unit.
    if (entry.size < 5 || entry.size > static_cast<uint32_t>(kUnitBufferBytes - headerLen) ||
        !file_.ReadAt(entry.offset, {buf + headerLen, entry.size})) {
      waitKey_[s] = true;
      continue;
    }
    buffer_.unitLen[s] = static_cast<int32_t>(entry.size);
    if (headerLen > 0) {
      if ((buf[headerLen + 4] & 0x1f) == kNalTypeIdr) {
        std::memcpy(buf, index_.header[s], static_cast<size_t>(headerLen));
        buffer_.unitLen[s] += headerLen;
        buffer_.unitStart[s] = 0;
      } else {
        buffer_.unitStart[s] = headerLen;
      }
    }
  }
}

void PlaybackController::Present() {
  for (int s = 0; s < 2; ++s) {
    if (buffer_.unitLen[s] <= 0) continue;
    const uint8_t nalHeader = buffer_.unitBuf[s][buffer_.unitStart[s] + 4];
    // At 4x the non-reference slices are left out.
    if (speedFactor_ == 4 && nalHeader == kNalNonReferenceSlice) continue;
    SendUnit(s, nalHeader);
  }
  if (buffer_.soundLen > 0 && playing_ && slowDivisor_ == 1) {
    front_->FeedData(true, false, buffer_.Sound());
  }
  if (buffer_.newSecond) {
    currentDate_ = buffer_.date;
    view_->SetTimeLine(position_);
    if (!view_->FullScreen()) RefreshTelemetry();
  }
}

void PlaybackController::SendUnit(int s, uint8_t nalHeader) {
  player::PlayerControl* control = View(s);
  const std::span<const uint8_t> unit = buffer_.Unit(s);
  if ((nalHeader & 0x1f) == kNalTypeSps) {
    // A key unit is offered until taken, within the retry budget.
    int waitedMs = 0;
    while (control->FeedData(false, true, unit) == player::kNotTaken) {
      if (waitedMs >= kRetryBudgetMs) {
        waitKey_[s] = true;
        return;
      }
      sleeper_->SleepMs(kRetryWaitMs);
      waitedMs += kRetryWaitMs;
    }
    TraceHandOver();
    waitKey_[s] = false;
    if (s == 0 && speedFactor_ != 2) decoderLate_ = false;
    return;
  }
  if (waitKey_[s]) return;
  if (decoderLate_ && nalHeader == kNalNonReferenceSlice) return;
  int waitedMs = 0;
  while (control->FeedData(false, false, unit) == player::kNotTaken) {
    if (s == 0) decoderLate_ = true;
    if (nalHeader == kNalNonReferenceSlice) return;
    // With sound playing a late view skips ahead to the next key unit rather
    // than hold the sound back.
    if (!soundMuted_ || waitedMs >= kRetryBudgetMs) {
      waitKey_[s] = true;
      return;
    }
    sleeper_->SleepMs(kRetryWaitMs);
    waitedMs += kRetryWaitMs;
  }
  TraceHandOver();
}

bool PlaybackController::IsKeySecond() {
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    buffer_.nextVideo[s] = count;
    for (int i = 0; i < count; ++i) {
      const VideoIndexEntry& e = index_.videoEntries[s][i];
      if (e.key == kKeyUnit && e.time / 1000 == position_) return true;
    }
  }
  return false;
}

void PlaybackController::TraceHandOver() {
  if (trace_ == nullptr || !clockValid_) return;
  // A unit is due for hand-over when the step before it is due on the scaled
  // wall clock (the players queue it); lateness is measured against that.
  const double dueOffset = (handOverMs_ - mediaOrigin_) * slowDivisor_ / speedFactor_;
  trace_->Record(MsOfDay(wallOrigin_) + static_cast<int64_t>(dueOffset), MsOfDay(clock_->Now()),
                 currentRow_ + 1);
}

}  // namespace orvia
