// When a sound block is handed to the front player, so that it plays at the
// moment of the recording it belongs to. The player tells how much sound it
// holds that has not played yet (its queue and the sink's buffer); a block
// handed over now starts to play when all of that has played. Blocks are
// handed over at most kSoundAheadMs before their moment, so the queue ahead
// of the sound on air stays a few blocks long. A block that would start late
// loses as much at its end, so that the next one starts on time, or is
// skipped when it would start later than its own length (the sound catches
// up instead of building a backlog, as at 2x and 4x or after the sink
// stalled); one that would start early is preceded by silence.
//
// Plain logic; the caller owns the thread (the user-interface thread).
#pragma once

#include <cstdint>

namespace orvia {

constexpr int kSoundAheadMs = 160;      // a block is handed over at most this long before its moment
constexpr int kSoundToleranceMs = 15;   // a block starting this far off its moment is left as it is
constexpr int kSoundBlocksPerTick = 8;  // blocks handed over in one tick at most

enum class SoundAction { kWait, kFeed, kSkip };

struct SoundPlan {
  SoundAction action = SoundAction::kWait;
  int silenceMs = 0;  // kFeed: silence to hand over in front of the block
  int cutMs = 0;      // kFeed: milliseconds left out at the block's end
};

// The block of `blockMs` due at wall time `dueMs` (ms), checked at `nowMs`,
// with `queuedUs` microseconds of sound still to play in the player; a
// negative `queuedUs` (the player cannot tell) hands the block over on time
// alone.
SoundPlan PlanSoundBlock(int64_t nowMs, int64_t dueMs, int64_t queuedUs, int blockMs);

// Bytes of `ms` milliseconds of sound in whole frames, 0 for an unusable
// format.
int32_t SoundBytesFor(int ms, uint32_t sampleRate, uint16_t blockAlign);
// Microseconds that `bytes` of sound last, 0 for an unusable format.
int64_t SoundUsFor(int64_t bytes, uint32_t sampleRate, uint16_t blockAlign);

}  // namespace orvia
