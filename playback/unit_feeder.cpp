#include "playback/unit_feeder.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "playback/pacing_trace.h"
#include "playback/sound_schedule.h"
#include "player/player_contract.h"

namespace orvia {

namespace {

constexpr uint8_t kNalNonReferenceSlice = 0x01;
constexpr int kNalTypeIdr = 5;
constexpr int kNalTypeSps = 7;
constexpr int kDefaultStepMs = 67;  // one picture at 15 per second

}  // namespace

void ThreadSleeper::SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

UnitFeeder::UnitFeeder(const UnitFeederDeps& deps)
    : front_(deps.front),
      rear_(deps.rear),
      sleeper_(deps.sleeper),
      clock_(deps.clock),
      index_(*deps.index),
      file_(*deps.file),
      pacing_(*deps.pacing),
      buffer_(*deps.buffer) {}

// ------------------------------------------------------- read positions

void UnitFeeder::Rewind() {
  buffer_.nextVideo[0] = buffer_.nextVideo[1] = buffer_.nextSound = 0;
  buffer_.unitLen[0] = buffer_.unitLen[1] = buffer_.soundLen = 0;
}

int UnitFeeder::CueKeyUnits(int second) {
  int t = -1;
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    const VideoIndexEntry* entries = index_.videoEntries[s].get();
    int i = 0;
    while (i < count && !(entries[i].key == kKeyUnit && entries[i].time / 1000 >= second)) ++i;
    buffer_.nextVideo[s] = i;
    if (i < count && (t < 0 || entries[i].time < t)) t = entries[i].time;
  }
  return t;
}

void UnitFeeder::CueSound(double mediaMs) {
  const int count = EntryCount(index_.soundCount, kSoundCapacity);
  int i = 0;
  while (i < count && index_.soundEntries[i].time < mediaMs) ++i;
  buffer_.nextSound = i;
}

void UnitFeeder::SkipSound() { buffer_.nextSound = EntryCount(index_.soundCount, kSoundCapacity); }

int UnitFeeder::NextStepTime() const {
  int t = -1;
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    const int next = buffer_.nextVideo[s];
    if (next < 0 || next >= count) continue;
    const int time = index_.videoEntries[s][next].time;
    if (t < 0 || time < t) t = time;
  }
  return t;
}

int UnitFeeder::StepLengthMs() const {
  const VideoFormat& v = index_.formats.video[0];
  if (v.rate == 0 || v.scale == 0) return kDefaultStepMs;
  return static_cast<int>(std::clamp<uint64_t>(1000ULL * v.scale / v.rate, 1, 1000));
}

int UnitFeeder::LastKeySecond() const {
  int last = -1;
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    for (int i = count - 1; i >= 0; --i) {
      if (index_.videoEntries[s][i].key != kKeyUnit) continue;
      last = std::max(last, index_.videoEntries[s][i].time / 1000);
      break;
    }
  }
  return last;
}

bool UnitFeeder::IsKeySecond(int second) const {
  for (int s = 0; s < 2; ++s) {
    const int count = EntryCount(index_.videoCount[s], kVideoCapacity);
    for (int i = 0; i < count; ++i) {
      const VideoIndexEntry& e = index_.videoEntries[s][i];
      if (e.key == kKeyUnit && e.time / 1000 == second) return true;
    }
  }
  return false;
}

bool UnitFeeder::HasKeyUnit() const { return orvia::HasKeyUnit(index_); }

void UnitFeeder::LoadUnits(int t) {
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

// ------------------------------------------------------------ hand-over

void UnitFeeder::HandOver(const FeedMode& mode, int row) {
  row_ = row;
  for (int s = 0; s < 2; ++s) {
    if (buffer_.unitLen[s] <= 0) continue;
    const uint8_t nalHeader = buffer_.unitBuf[s][buffer_.unitStart[s] + 4];
    if (mode.speedFactor == 4 && nalHeader == kNalNonReferenceSlice) continue;
    SendUnit(s, nalHeader, mode);
  }
}

void UnitFeeder::HandOverStep(const bool hidden[2]) {
  for (int s = 0; s < 2; ++s) {
    if (buffer_.unitLen[s] <= 0) continue;
    const uint8_t nalHeader = buffer_.unitBuf[s][buffer_.unitStart[s] + 4];
    const bool key = (nalHeader & 0x1f) == kNalTypeSps;
    // After a lost unit only a key unit decodes right.
    if (waitKey_[s] && !key) continue;
    if (hidden[s] && (nalHeader & 0x60) == 0) continue;
    bool taken = false;
    for (int waitedMs = 0;; waitedMs += kRetryWaitMs) {
      taken = View(s)->FeedData(false, key, buffer_.Unit(s), hidden[s]) != player::kNotTaken;
      if (taken || waitedMs >= kStepRetryBudgetMs) break;
      sleeper_->SleepMs(kRetryWaitMs);
    }
    waitKey_[s] = !taken;
  }
}

void UnitFeeder::SendUnit(int s, uint8_t nalHeader, const FeedMode& mode) {
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
    if (s == 0 && mode.speedFactor != 2) decoderLate_ = false;
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
    if (!mode.soundMuted || waitedMs >= kRetryBudgetMs) {
      waitKey_[s] = true;
      return;
    }
    sleeper_->SleepMs(kRetryWaitMs);
    waitedMs += kRetryWaitMs;
  }
  TraceHandOver();
}

void UnitFeeder::TraceHandOver() {
  if (trace_ == nullptr || !pacing_.valid()) return;
  // A unit is due for hand-over kPictureLeadMs before its moment on the
  // pacing clock; lateness is measured against that.
  trace_->Record(pacing_.WallAt(handOverMs_) - kPictureLeadMs, NowMs(), row_ + 1);
}

void UnitFeeder::BlankViews(std::span<const uint8_t> blankFrame) {
  if (blankFrame.empty()) return;
  front_->FeedData(false, true, blankFrame);
  rear_->FeedData(false, true, blankFrame);
}

// ------------------------------------------------------------------ sound

void UnitFeeder::FlushSound() { front_->FlushSound(); }

void UnitFeeder::DropWaitingUnits() {
  front_->DropUnits();
  rear_->DropUnits();
}

bool UnitFeeder::SoundFlows(const FeedMode& mode, bool playing) const {
  return playing && mode.slowDivisor == 1 && pacing_.valid() && file_.IsOpen();
}

int64_t UnitFeeder::NextSoundWallMs(const FeedMode& mode, bool playing) const {
  if (!SoundFlows(mode, playing)) return -1;
  const int count = EntryCount(index_.soundCount, kSoundCapacity);
  const int next = std::max(0, buffer_.nextSound);
  if (next >= count) return -1;
  // Both of FeedDueSound's waits: the hand-over window and the block's own
  // moment (which soundDelayMs_ may move later).
  return pacing_.WallAt(index_.soundEntries[next].time) + std::max(0, soundDelayMs_) - kSoundAheadMs;
}

// Sound goes to the front view only while playing at 1x, 2x or 4x (muted at
// 2x and 4x); each block is handed over so that it starts at its moment on
// the pacing clock, or skipped when it would start too late.
void UnitFeeder::FeedDueSound(const FeedMode& mode, bool playing) {
  if (!SoundFlows(mode, playing)) return;
  const int count = EntryCount(index_.soundCount, kSoundCapacity);
  const SoundIndexEntry* sound = index_.soundEntries.get();
  const SoundFormat& format = index_.formats.sound;
  const uint8_t silenceByte = format.bitsPerSample == 8 ? 0x80 : 0x00;
  const int64_t now = NowMs();
  int64_t queuedUs = 0;
  bool asked = false;
  int fed = 0;
  buffer_.nextSound = std::max(0, buffer_.nextSound);
  while (fed < kSoundBlocksPerTick && buffer_.nextSound < count) {
    const SoundIndexEntry& e = sound[buffer_.nextSound];
    if (pacing_.WallAt(e.time) - now > kSoundAheadMs) return;
    if (!asked) {
      queuedUs = front_->SoundQueuedUs();
      // The sound waits for the front picture when it takes longer to the
      // screen than its lead; small changes are let be, so that the sound is
      // not cut for them.
      const int32_t latencyUs = front_->PictureLatencyUs();
      const int delay = std::clamp(latencyUs / 1000 - kPictureLeadMs, 0, kMaxPictureDelayMs);
      if (latencyUs >= 0 && std::abs(delay - soundDelayMs_) > kSoundToleranceMs / 2) soundDelayMs_ = delay;
      asked = true;
    }
    const int64_t due = pacing_.WallAt(e.time) + soundDelayMs_;
    const int blockMs = static_cast<int>(SoundUsFor(e.size, format.sampleRate, format.blockAlign) / 1000);
    const SoundPlan plan = PlanSoundBlock(now, due, queuedUs, blockMs > 0 ? blockMs : 40);
    if (plan.action == SoundAction::kWait) return;
    ++buffer_.nextSound;
    // A block beyond the sound buffer is skipped like a late one.
    if (plan.action != SoundAction::kFeed || e.size > kSoundBufferBytes) continue;
    uint8_t* buf = buffer_.soundBuf.get();
    if (!file_.ReadAt(e.offset, {buf, e.size})) continue;
    const int32_t size = static_cast<int32_t>(e.size);
    const int32_t cut = std::min(SoundBytesFor(plan.cutMs, format.sampleRate, format.blockAlign), size);
    int32_t silence = SoundBytesFor(plan.silenceMs, format.sampleRate, format.blockAlign);
    silence = std::min(silence, kSoundBufferBytes - (size - cut));
    if (format.blockAlign > 0) silence -= silence % format.blockAlign;
    // Silence in front, or the end left out.
    std::memmove(buf + silence, buf, static_cast<size_t>(size - cut));
    std::memset(buf, silenceByte, static_cast<size_t>(silence));
    buffer_.soundLen = silence + size - cut;
    if (buffer_.soundLen <= 0) continue;
    front_->FeedData(true, false, buffer_.Sound());
    if (queuedUs >= 0) queuedUs += SoundUsFor(buffer_.soundLen, format.sampleRate, format.blockAlign);
    ++fed;
  }
}

}  // namespace orvia
