#include "playback/sound_schedule.h"

namespace orvia {

SoundPlan PlanSoundBlock(int64_t nowMs, int64_t dueMs, int64_t queuedUs, int blockMs) {
  SoundPlan plan;
  if (dueMs - nowMs > kSoundAheadMs) return plan;  // too early to hand over
  if (queuedUs < 0) {
    plan.action = SoundAction::kFeed;
    return plan;
  }
  // The block would start when what the player holds has played.
  const int64_t lateMs = nowMs + (queuedUs + 500) / 1000 - dueMs;
  if (lateMs >= blockMs) {
    plan.action = SoundAction::kSkip;
    return plan;
  }
  plan.action = SoundAction::kFeed;
  if (lateMs > kSoundToleranceMs) plan.cutMs = static_cast<int>(lateMs);
  if (-lateMs > kSoundToleranceMs) plan.silenceMs = static_cast<int>(-lateMs);
  return plan;
}

int32_t SoundBytesFor(int ms, uint32_t sampleRate, uint16_t blockAlign) {
  if (ms <= 0 || sampleRate == 0 || blockAlign == 0) return 0;
  const int64_t frames = static_cast<int64_t>(ms) * sampleRate / 1000;
  return static_cast<int32_t>(frames * blockAlign);
}

int64_t SoundUsFor(int64_t bytes, uint32_t sampleRate, uint16_t blockAlign) {
  if (bytes <= 0 || sampleRate == 0 || blockAlign == 0) return 0;
  return bytes / blockAlign * 1000000 / sampleRate;
}

}  // namespace orvia
