// The offset between picture and sound as the user gets them, measured on a
// recording with sync marks (orvia-cli make-card --sync-marks: a white
// picture in both streams and a full-scale click in the sound at the same
// instant, once a second). The players report when each new picture went on
// screen with its brightness, and when the loudest sample of each sound block
// played; a flash is a picture at kFlashLuma or brighter after a darker one,
// a click a sample at kClickPeak or louder. Each flash is paired with the
// nearest click within kPairWindowMs, and the offset is click time minus
// flash time (positive: the sound comes after the picture).
//
// Plain logic; the players call it on the user-interface thread. Storage is
// reserved once; events beyond the capacity are counted but not kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/player_contract.h"

namespace orvia {

constexpr int32_t kFlashLuma = 200;
constexpr int32_t kClickPeak = 31000;
constexpr int64_t kPairWindowMs = 500;

struct AvEvent {
  int64_t steadyNs = 0;
  int32_t source = 0;  // view number 2 (front) or 3 (rear) for pictures; 0 for sound
  int32_t level = 0;   // brightness of a picture, peak of a sound block
};

struct AvPair {
  int32_t view = 0;       // 2 front, 3 rear
  int64_t pictureNs = 0;  // the flash went on screen
  int64_t soundNs = 0;    // the click played
  int64_t offsetUs = 0;   // sound - picture
};

struct AvOffsetStats {
  int64_t pairs = 0;
  int64_t flashes = 0;  // flashes seen, paired or not
  int64_t clicks = 0;
  int64_t p50Ms = 0;  // of the absolute offsets, nearest rank
  int64_t p99Ms = 0;
  int64_t maxMs = 0;
};

class AvTrace : public player::AvTraceSink {
 public:
  explicit AvTrace(size_t capacity = 1 << 18);
  void PictureShown(int32_t viewNumber, int64_t steadyNs, int32_t luma) override;
  void SoundPlayed(int64_t steadyNs, int32_t peak) override;
  const std::vector<AvEvent>& events() const { return events_; }
  int64_t dropped() const { return dropped_; }

 private:
  size_t capacity_;
  std::vector<AvEvent> events_;
  int64_t dropped_ = 0;
};

// The flash/click pairs of the events, in the order of the flashes.
std::vector<AvPair> PairSyncMarks(const std::vector<AvEvent>& events, AvOffsetStats* stats);
// Percentiles of the absolute offsets of `pairs` (counts taken from `stats`).
AvOffsetStats ComputeAvOffsets(const std::vector<AvPair>& pairs, AvOffsetStats stats);

// Writes "# av offset p50 X ms, p99 Y ms, max Z ms", a line with the counts,
// then "view,picture_ms,sound_ms,offset_ms" rows (times from the first
// event). False when the file cannot be written.
bool WriteAvTrace(const AvTrace& trace, const std::string& path);

}  // namespace orvia
