// The unit feeder: reads the open recording's video units for each playback
// step into the playback buffer (the stream's parameter-set header put in
// front of IDR units), hands them to the two players, front and rear, and
// hands the front player the sound blocks that are due on the pacing clock.
// The playback controller decides which step comes when; the feeder does the
// reading and the handing over, with the limits below.
//
// Limits that keep any recording from overrunning a buffer or freezing the
// interface:
//   - A unit longer than its buffer (kUnitBufferBytes less the stream's
//     header), shorter than a NAL header, or not readable from the file is
//     skipped; its view then drops units until the next key unit.
//   - A sound block beyond kSoundBufferBytes is skipped; the silence put in
//     front of a block is cut to what fits beside it.
//   - A refused unit that is offered again (a key unit, or any reference unit
//     while the sound is muted) is offered every kRetryWaitMs for at most
//     kRetryBudgetMs; then it is dropped and its view waits for the next key
//     unit.
//
// Threads: the user-interface thread only; the retries block it through the
// Sleeper.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "playback/pacing_clock.h"
#include "playback/playback_buffer.h"
#include "playback/recording_index.h"

namespace orvia {

namespace player {
class PlayerControl;
}
class PacingTrace;

// The number of index entries of a kind that may be read: the stored count
// kept within the table's capacity.
inline int EntryCount(int32_t count, int capacity) { return std::clamp<int32_t>(count, 0, capacity); }

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

constexpr int kRetryWaitMs = 2;          // between offers of a refused unit
constexpr int kRetryBudgetMs = 100;      // total wait before a refused unit is dropped
constexpr int kPictureLeadMs = 15;       // a unit goes out this long before its moment
constexpr int kMaxPictureDelayMs = 500;  // the longest the sound waits for a late picture
// While paused, a step's unit waits this long at most for room in its view's
// queue: the view must decode every unit before the picture the step shows.
constexpr int kStepRetryBudgetMs = 2000;

// How playback runs, as far as handing over is concerned.
struct FeedMode {
  int speedFactor = 1;     // 1, 2 or 4
  int slowDivisor = 1;     // 1, 2 or 4
  bool soundMuted = true;  // nothing is heard (a late view skips instead of waiting)
};

struct UnitFeederDeps {
  player::PlayerControl* front = nullptr;
  player::PlayerControl* rear = nullptr;
  Sleeper* sleeper = nullptr;
  WallClock* clock = nullptr;
  // Owned by the controller, valid for the feeder's life.
  const RecordingIndex* index = nullptr;
  const RecordingFile* file = nullptr;
  const PacingClock* pacing = nullptr;
  PlaybackBuffer* buffer = nullptr;  // the unit and sound buffers it reads into
};

class UnitFeeder {
 public:
  explicit UnitFeeder(const UnitFeederDeps& deps);
  UnitFeeder(const UnitFeeder&) = delete;
  UnitFeeder& operator=(const UnitFeeder&) = delete;

  PlaybackBuffer& buffer() { return buffer_; }
  const PlaybackBuffer& buffer() const { return buffer_; }

  // Read positions. A new file starts every list and length at 0.
  void Rewind();
  // Each stream's next entry becomes its first key unit in or after
  // `second`; the time of the earlier one, -1 when there is none.
  int CueKeyUnits(int second);
  // The next sound block to hand over is the first at or after `mediaMs`.
  void CueSound(double mediaMs);
  // No sound is owed from here (a paused step back).
  void SkipSound();
  // Time of the next step (the earlier next entry of the two streams), -1
  // when both are used up.
  int NextStepTime() const;
  int StepLengthMs() const;
  int LastKeySecond() const;
  bool IsKeySecond(int second) const;  // a pure question: positions stay
  bool HasKeyUnit() const;
  // Reads each stream's unit of time `t` (if its next entry has that time)
  // into the buffer.
  void LoadUnits(int t);

  // Hands the units read for this step to the players; at 4x the
  // non-reference slices are left out. `row`: the list row, for the trace.
  void HandOver(const FeedMode& mode, int row);
  // A paused step: every unit read goes to its view, waiting for room (up to
  // kStepRetryBudgetMs), so that no picture on the way is lost. The units of
  // a view marked in `hidden` are decoded but not shown; a hidden
  // non-reference slice is not needed by any later picture and is left out.
  void HandOverStep(const bool hidden[2]);
  // Hands the front player the sound blocks due (only while playing at 1x,
  // 2x or 4x), each so that it starts at its moment on the pacing clock, or
  // skips it when it would start too late.
  void FeedDueSound(const FeedMode& mode, bool playing);
  // Wall time (ms of the day, may pass a day) from which FeedDueSound has a
  // block to hand over, or -1 when it has none to come.
  int64_t NextSoundWallMs(const FeedMode& mode, bool playing) const;
  void FlushSound();
  // Both players drop the units still waiting for their decoders: at a jump
  // to another place or file, so that the old place's pictures do not show
  // after the new one's.
  void DropWaitingUnits();
  // The blank key unit to the front view, then to the rear; whether they
  // take it is not examined.
  void BlankViews(std::span<const uint8_t> blankFrame);

  // A view that lost a unit drops the rest until its next key unit.
  bool waitKey(int s) const { return waitKey_[s]; }
  void SetWaitKey(int s, bool wait) { waitKey_[s] = wait; }
  // The front decoder refused a unit: non-reference slices are left out
  // until its next key unit.
  bool decoderLate() const { return decoderLate_; }
  void SetDecoderLate(bool late) { decoderLate_ = late; }

  // Records (due, actual) for every unit handed over while paced; null stops.
  void SetTrace(PacingTrace* trace) { trace_ = trace; }
  // The recording time of the step handed over next, for the trace.
  void SetHandOverTime(double mediaMs) { handOverMs_ = mediaMs; }

 private:
  // Whether sound goes to the front view at all: playing paced at 1x, 2x or 4x.
  bool SoundFlows(const FeedMode& mode, bool playing) const;
  void SendUnit(int s, uint8_t nalHeader, const FeedMode& mode);
  void TraceHandOver();
  player::PlayerControl* View(int s) const { return s == 0 ? front_ : rear_; }
  int64_t NowMs() const { return MsOfDay(clock_->Now()); }

  player::PlayerControl* front_;
  player::PlayerControl* rear_;
  Sleeper* sleeper_;
  WallClock* clock_;
  const RecordingIndex& index_;
  const RecordingFile& file_;
  const PacingClock& pacing_;
  PacingTrace* trace_ = nullptr;

  PlaybackBuffer& buffer_;
  bool waitKey_[2] = {false, false};
  bool decoderLate_ = false;
  int soundDelayMs_ = 0;   // the sound waits this long for the front picture
  double handOverMs_ = 0;  // recording time of the step handed over last
  int row_ = 0;            // the list row of the units being handed over
};

}  // namespace orvia
