// The playback controller: the state machine behind the main window that
// paces a recording's units against the wall clock and hands them, front and
// rear, to the two player controls, and that carries out the playback
// commands (play/pause, stop, back, forward, previous/next file, list double
// click, time line, speed, volume, opening a recording source).
//
// The window drives it:
//   - timer 234 (every 1 ms, or NextTickMs() while playing runs; the
//     window's whole life): Tick();
//   - timer 100 (100 ms, started by the window after each list load):
//     OnFirstLoadTimer();
//   - each command: the On... call of the same name; sliders only at the end
//     of a drag;
//   - the SD button: BeginOpenSource(); the window stops timer 100, releases
//     the card in use and runs the disk manager; on OK it fills the list,
//     processes pending messages for 10 ms and sets the card root; then
//     EndOpenSource(accepted), the window's redraw, and timer 100 started;
//   - the removal of the card in use: BeginCardRemoved(), the window's
//     message box, EndCardRemoved();
//   - full screen entered or left: RefreshButtons() (the looks differ).
// The controller tells the window what to show through PlaybackView.
//
// Pacing: a running tick asks the pacing clock (pacing_clock.h) whether the
// next step is due and hands its units over kPictureLeadMs before their own
// moment, about the time the player takes to put a picture on screen. Sound
// goes its own way (sound_schedule.h): each block is handed to the front view
// so that it starts to play at its moment, given what the player still holds;
// when the front player's pictures take longer than the lead (a busy
// machine), the sound waits for them.
// Seek, pause, a speed change and a new file drop the sound queued; a speed
// change re-bases the clock where playback is, at the new rate.
//
// Threads: everything here runs on the user-interface thread. The fixed waits
// (10 ms while a command holds playback, 20 ms before a list load, 2 ms
// between offers of a refused unit) block that thread through the Sleeper.
//
// The controller keeps the commands and the state machine; the unit feeder
// (unit_feeder.h) reads and hands over the units and the sound, with the
// limits that keep any recording from overrunning a buffer or freezing the
// interface, and the read-out publisher (readout_publisher.h) shows each
// second's telemetry, map position and graph cursor. Seek takes sound from
// the first block at or after the start (none when no block lies after it);
// opening a file resets the read positions, so a step never reads entries of
// the previous file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "playback/pacing_clock.h"
#include "playback/playback_buffer.h"
#include "playback/playback_view.h"
#include "playback/readout_publisher.h"
#include "playback/recording_index.h"
#include "playback/telemetry.h"
#include "playback/unit_feeder.h"

namespace orvia {

enum class PlaybackState : int {
  kNoRecording = 0,
  kLoading = 1,
  kStart = 2,
  kIdle = 3,
  kOneStep = 4,
  kHold = 6,
  kRunning = 7,
  kStopRequested = 8,
};

// Where playback stood when the card manager opened (PlaybackController::
// SavePlace), so that a cancelled manager can put it back.
struct PlaybackPlace {
  int rowCount = 0;
  int row = 0;
  int position = 0;
  bool stopped = true;
  bool fileOpen = false;
  PlaybackState state = PlaybackState::kNoRecording;
};

struct PlaybackDeps {
  player::PlayerControl* front = nullptr;
  player::PlayerControl* rear = nullptr;
  PlaybackView* view = nullptr;
  WallClock* clock = nullptr;
  Sleeper* sleeper = nullptr;
  // Localized text of an IDS_ key; GetLocalizedText when empty.
  std::function<std::string(const char*)> text;
  // A key unit that shows an empty picture, sent to clear the views.
  std::span<const uint8_t> blankFrame;
  // Opens the recording of a list row (see OpenRecording, which is used when
  // empty); the fuzz target hands its recordings over from memory.
  std::function<RecordingFile(const std::string& path, RecordingIndex& index, RecordingFile* current)> open;
};

// The index and unit buffers a controller works in, about 1 MB allocated
// once. A controller makes its own, or borrows one that outlives it so that
// a run of short-lived controllers (the fuzz target) allocates nothing big.
struct PlaybackStorage {
  RecordingIndex index;
  PlaybackBuffer buffer;
  // Back to the state of a new one; the allocations are kept and the bytes
  // in the buffers are left as they are (each is written before it is read).
  void Clear() {
    index.Clear();
    buffer.Clear();
  }
};

constexpr int kHoldWaitMs = 10;     // after putting playback on hold
constexpr int kLoadWaitMs = 20;     // before a list load
constexpr int kMaxTickWaitMs = 10;  // the longest wait between ticks while playing runs
constexpr int kMaxStartHoldMs =
    250;  // the longest a new place waits for the old sound, and for its first picture

class PlaybackController {
 public:
  explicit PlaybackController(const PlaybackDeps& deps);
  // Works in `storage`, cleared here, instead of its own.
  PlaybackController(const PlaybackDeps& deps, PlaybackStorage& storage);
  PlaybackController(const PlaybackController&) = delete;
  PlaybackController& operator=(const PlaybackController&) = delete;

  // Commands.
  void OnPlayPause();
  void OnStop();
  void OnBack();
  void OnForward();
  // One picture back while paused (the Left key; playback_paused_steps.cpp):
  // both views decode again from the key unit before the picture that
  // preceded the one on show, up to that picture, which alone is shown; from
  // the first picture of a row, the last picture of the row before. False
  // (nothing done) while playing, without an open recording or at the first
  // picture of the first row.
  bool OnStepBack();
  void OnPreviousFile();
  void OnNextFile();
  void OnListDoubleClick(int row);  // first selected row, -1 for none
  void OnTimeLine(int value);
  void OnSpeed(int value);
  void OnVolume(int value);

  // Opening a recording source, around the disk manager. Begin: playback to
  // state 0, the views blanked if playing, the map to the no-fix position,
  // no rows, stopped. End: with the rows now in the list (accepted) the first
  // row is opened and plays; the telemetry labels are reset either way.
  void BeginOpenSource();
  void EndOpenSource(bool accepted);
  // A cancelled card manager changes nothing: SavePlace() before
  // BeginOpenSource(), then ResumePlace() in place of EndOpenSource(false).
  // The list's rows and the open file stay; playback shows the saved second
  // again, paused (a stopped recording stays stopped). In
  // playback_resume.cpp.
  PlaybackPlace SavePlace() const;
  void ResumePlace(const PlaybackPlace& place);

  // The removal of the card in use, around the window's message box. Begin:
  // state 0 after a 20 ms wait, the views blanked, no rows (the list is
  // emptied), Play and Stop disabled, the labels reset. End: stopped, and the
  // map to the no-fix position.
  void BeginCardRemoved();
  void EndCardRemoved();

  // Timer 234.
  void Tick();
  // Milliseconds until the next tick can have work (1 .. kMaxTickWaitMs),
  // asked after each tick: while playing runs paced, the timer need not
  // wake between the moments a step or a sound block is due.
  int NextTickMs() const;
  // Timer 100: resets both players once, at the first expiry outside full
  // screen in the life of the window, and reloads the map.
  void OnFirstLoadTimer();

  // Parts of the window's own sequences that touch playback.
  void ApplyStopped();
  void RefreshButtons();
  void SelectRow(int row);
  void ResetTelemetry();
  // Full screen was left: the list, the graph and the read-outs skipped
  // meanwhile show the row and second being played.
  void OnFullScreenLeft();

  // Records (due, actual) for every unit handed over while paced; null stops.
  void SetPacingTrace(PacingTrace* trace) { feeder_.SetTrace(trace); }

  // State, read by the window (snapshot names, full screen) and by tests.
  PlaybackState state() const { return state_; }
  bool playing() const { return playing_; }
  bool stopped() const { return stopped_; }
  int position() const { return position_; }
  int currentRow() const { return currentRow_; }
  int rowCount() const { return rowCount_; }
  int speedFactor() const { return speedFactor_; }
  int slowDivisor() const { return slowDivisor_; }
  int volume() const { return volume_; }
  bool soundMuted() const { return soundMuted_; }
  bool clockValid() const { return pacing_.valid(); }
  double mediaOrigin() const { return pacing_.mediaOrigin(); }
  const PacingClock& pacing() const { return pacing_; }
  bool waitKey(int s) const { return feeder_.waitKey(s); }
  bool decoderLate() const { return feeder_.decoderLate(); }
  bool firstLoadPending() const { return firstLoadPending_; }
  const RecordingDate& currentDate() const { return currentDate_; }
  const RecordingIndex& index() const { return index_; }
  const PlaybackBuffer& buffer() const { return feeder_.buffer(); }
  bool fileOpen() const { return file_.IsOpen(); }

 private:
  // Recording time at which the open file's last step has had its time.
  double LastStepEndMs() const;
  // Opens the recording at `path` into file_ and index_ (deps.open).
  void OpenFile(const std::string& path);
  bool OpenRow();
  // After row `row` was opened: a row with nothing to play is marked in the
  // list, and the time line takes the recording's length.
  void ShowRowOpened(int row);
  void NextFileAtEnd();
  // Pauses at the start of the key second `second` (shown by the next tick).
  void PauseAt(int second);
  // Pauses on the picture on show (the ends of the list).
  void PauseHere();
  void StopWithNothingToPlay();
  int Seek();
  int Advance();
  void EnterSecond(int t);
  // Paused steps (playback_paused_steps.cpp). Shows in each view its last
  // picture at or before `target`, decoded from its key unit; false (nothing
  // done) when the front view has no key unit up to then.
  bool ShowPictureAt(int target);
  void StepForwardPaused();
  // Shows the first key picture at or after the position, paused; false when
  // there is none.
  bool ShowStartPaused();
  bool StepBackIntoPreviousRow();
  void ShowSecondReadouts();
  // Hands the step's units over and shows a new second's read-outs.
  void Present();
  void FeedDueSound() { feeder_.FeedDueSound(Mode(), playing_); }
  FeedMode Mode() const { return {speedFactor_, slowDivisor_, soundMuted_}; }
  int64_t NowMs() const { return MsOfDay(clock_->Now()); }
  void RefreshTelemetry();
  void ApplySoundRule();
  void Hold();
  player::PlayerControl* View(int s) const { return s == 0 ? front_ : rear_; }
  std::string Text(const char* key) const { return readouts_.Text(key); }
  int StartHoldMs() const;
  bool PresentStartWhenDue();

  player::PlayerControl* front_;
  player::PlayerControl* rear_;
  PlaybackView* view_;
  WallClock* clock_;
  Sleeper* sleeper_;
  std::span<const uint8_t> blankFrame_;
  std::function<RecordingFile(const std::string&, RecordingIndex&, RecordingFile*)> open_;

  PlaybackState state_ = PlaybackState::kNoRecording;
  bool playing_ = false;
  bool stopped_ = false;
  int position_ = 0;
  int currentRow_ = 0;
  int rowCount_ = 0;
  int speedFactor_ = 1;
  int slowDivisor_ = 1;
  int volume_ = 0;
  bool soundMuted_ = true;
  PacingClock pacing_;
  bool enterPending_ = false;  // the next step enters its second even within the current one
  bool startDue_ = false;      // a new place's first step waits for startWallMs_
  bool startShowing_ = false;  // the pacing clock waits for that step's picture, until startWallMs_
  int64_t startWallMs_ = 0;    // wall time (ms of the day) the current wait ends
  int32_t shownBefore_ = -1;   // the front view's picture count before that step
  bool firstLoadPending_ = true;
  RecordingDate currentDate_;

  std::unique_ptr<PlaybackStorage> ownStorage_;  // null when borrowed
  RecordingIndex& index_;
  RecordingFile file_;
  UnitFeeder feeder_;  // works in the storage's unit buffers
  ReadoutPublisher readouts_;
};

}  // namespace orvia
