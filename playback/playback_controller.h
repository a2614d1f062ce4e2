// The playback controller: the state machine behind the main window that
// paces a recording's units against the wall clock and hands them, front and
// rear, to the two player controls, and that carries out the playback
// commands (play/pause, stop, back, forward, previous/next file, list double
// click, time line, speed, volume, opening a recording source).
//
// The window drives it:
//   - timer 234 (every 1 ms, the window's whole life): Tick();
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
// Limits that keep any recording from overrunning a buffer or freezing the
// interface:
//   - A unit longer than its buffer (kUnitBufferBytes less the stream's
//     header), shorter than a NAL header, or not readable from the file is
//     skipped; its view then drops units until the next key unit.
//   - A sound block beyond kSoundBufferBytes is skipped; the silence put in
//     front of a block is cut to what fits beside it.
//   - A refused unit that is offered again (a key unit, or any reference unit
//     while the sound is muted) is offered every 2 ms for at most
//     kRetryBudgetMs; then it is dropped and its view waits for the next key
//     unit.
//   - Seek takes sound from the first block at or after the start (none when
//     no block lies after it); opening a file resets the read positions, so a
//     step never reads entries of the previous file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "playback/pacing_clock.h"
#include "playback/playback_buffer.h"
#include "playback/recording_index.h"
#include "playback/telemetry.h"

namespace orvia {

// The number of index entries of a kind that may be read: the stored count
// kept within the table's capacity.
inline int EntryCount(int32_t count, int capacity) { return std::clamp<int32_t>(count, 0, capacity); }

namespace player {
class PlayerControl;
}
class PacingTrace;

class Sleeper {
 public:
  virtual ~Sleeper() = default;
  // Blocks the calling thread for `ms` milliseconds.
  virtual void SleepMs(int ms) = 0;
};

// A real sleep.
class ThreadSleeper : public Sleeper {
 public:
  void SleepMs(int ms) override;
};

// Control ids of the buttons the controller enables and disables.
enum class PlaybackButton : int {
  kPreviousFile = 1012,
  kBack = 1013,
  kPlayPause = 1014,
  kForward = 1015,
  kNextFile = 1016,
  kStop = 1124,
};

// What the main window implements for the controller. Every call comes on the
// user-interface thread; setters redraw what they change.
class PlaybackView {
 public:
  virtual ~PlaybackView() = default;

  // Time line (1019, 0..59) and speed slider (1021, 0..4) positions.
  virtual void SetTimeLine(int second) = 0;
  virtual void SetSpeedSlider(int position) = 0;
  // Volume slider (1023) position, 0..10.
  virtual int VolumeSlider() const = 0;

  virtual void EnableButton(PlaybackButton button, bool enabled) = 0;
  // The play/pause button's look (pause look while playing) and tooltip.
  virtual void SetPlayPauseLook(bool pauseLook, const std::string& tooltip) = 0;
  // Tooltips of Back (1013) and Forward (1015).
  virtual void SetStepTooltips(const std::string& back, const std::string& forward) = 0;

  // Labels 1121, 1122, 1123 (X, Y, Z) and the time text 1018.
  virtual void ShowTelemetry(const TelemetryTexts& texts) = 0;

  // The map panel: whether it is shown, its script function "setPos", and
  // loading its page again.
  virtual bool MapShown() const = 0;
  virtual void MapSetPos(const std::string& latitude, const std::string& longitude) = 0;
  virtual void ReloadMap() = 0;

  // The graph window: the recording's tables (borrowed from the index, valid
  // until the next file opens), the cursor second, a redraw.
  virtual void SetGraphData(int count, const GPeak* peaks, const std::unique_ptr<GpsFix>* fixes) = 0;
  virtual void SetGraphCursor(int second) = 0;
  virtual void RedrawGraph() = 0;

  // The recording list (1024).
  virtual int ListRowCount() const = 0;
  virtual std::string RowPath(int row) const = 0;  // full path, column 4
  // Clear every selected and focused mark, select and focus `row`, scroll it
  // into view, give the list the focus and redraw it.
  virtual void SelectListRow(int row) = 0;
  virtual void FocusList() = 0;
  virtual void ClearList() = 0;

  virtual bool FullScreen() const = 0;
  // Both player views exist as windows (volume changes are skipped before).
  virtual bool PlayersHaveWindows() const = 0;
  virtual void RedrawWindow() = 0;
};

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

constexpr int kRetryWaitMs = 2;      // between offers of a refused unit
constexpr int kRetryBudgetMs = 100;  // total wait before a refused unit is dropped
constexpr int kHoldWaitMs = 10;      // after putting playback on hold
constexpr int kLoadWaitMs = 20;      // before a list load
constexpr int kPictureLeadMs = 15;   // a unit goes out this long before its moment
constexpr int kMaxPictureDelayMs = 500;  // the longest the sound waits for a late picture
constexpr int kMaxStartHoldMs = 250;     // the longest a new place waits for the old sound, and for its first picture

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
  // One picture back while paused (the Left key; playback_step_back.cpp):
  // both views decode again from the key unit before the picture that
  // preceded the one on show, up to that picture. False (nothing done) while
  // playing, without an open recording or at the first picture.
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

  // Timer 234, every 1 ms.
  void Tick();
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
  void SetPacingTrace(PacingTrace* trace) { trace_ = trace; }

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
  bool waitKey(int s) const { return waitKey_[s]; }
  bool decoderLate() const { return decoderLate_; }
  bool firstLoadPending() const { return firstLoadPending_; }
  const RecordingDate& currentDate() const { return currentDate_; }
  const RecordingIndex& index() const { return index_; }
  const PlaybackBuffer& buffer() const { return buffer_; }
  bool fileOpen() const { return file_.IsOpen(); }

 private:
  // Opens the recording at `path` into file_ and index_ (deps.open).
  void OpenFile(const std::string& path);
  bool OpenRow();
  void NextFileAtEnd();
  // Pauses at the start of the key second `second` (shown by the next tick).
  void PauseAt(int second);
  // Sets each stream's next entry to its first key unit in or after the
  // current second; the time of the earlier one, -1 when there is none.
  int CueKeyUnits();
  bool HasKeyUnit() const;
  void StopWithNothingToPlay();
  int Seek();
  // Time of the next step (the earlier next entry of the two streams), -1
  // when both are used up.
  int NextStepTime() const;
  int StepLengthMs() const;
  int LastKeySecond() const;
  int Advance();
  void EnterSecond(int t);
  void LoadUnits(int t);
  void Present();
  void SendUnit(int s, uint8_t nalHeader);
  bool IsKeySecond() const;
  void FeedDueSound();
  void FlushSound();
  // Both players drop the units still waiting for their decoders: at a jump
  // to another place or file, so that the old place's pictures do not show
  // after the new one's.
  void DropWaitingUnits();
  // The next sound block to hand over is the first at or after `mediaMs`.
  void CueSound(double mediaMs);
  int64_t NowMs() const { return MsOfDay(clock_->Now()); }
  void RefreshTelemetry();
  void ApplySoundRule();
  void Hold();
  void BlankViews();
  player::PlayerControl* View(int s) const { return s == 0 ? front_ : rear_; }
  std::string Text(const char* key) const;
  AxisCaptions Captions() const;
  void TraceHandOver();
  int StartHoldMs() const;
  bool PresentStartWhenDue();

  player::PlayerControl* front_;
  player::PlayerControl* rear_;
  PlaybackView* view_;
  WallClock* clock_;
  Sleeper* sleeper_;
  std::function<std::string(const char*)> text_;
  std::span<const uint8_t> blankFrame_;
  std::function<RecordingFile(const std::string&, RecordingIndex&, RecordingFile*)> open_;
  PacingTrace* trace_ = nullptr;

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
  double handOverMs_ = 0;      // recording time of the step handed over last
  bool enterPending_ = false;  // the next step enters its second even within the current one
  bool startDue_ = false;      // a new place's first step waits for startWallMs_
  bool startShowing_ = false;  // the pacing clock waits for that step's picture, until startWallMs_
  int64_t startWallMs_ = 0;    // wall time (ms of the day) the current wait ends
  int32_t shownBefore_ = -1;   // the front view's picture count before that step
  int soundDelayMs_ = 0;       // the sound waits this long for the front picture
  bool waitKey_[2] = {false, false};
  bool decoderLate_ = false;
  bool firstLoadPending_ = true;
  RecordingDate currentDate_;

  std::unique_ptr<PlaybackStorage> ownStorage_;  // null when borrowed
  RecordingIndex& index_;
  PlaybackBuffer& buffer_;
  RecordingFile file_;
};

}  // namespace orvia
