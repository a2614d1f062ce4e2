// Which units of a recording a clip takes: a range of seconds, widened at
// its start to the key unit before it so that the clip opens on a whole
// picture in both views. Plain logic over the recording index; the MP4
// writer (clip_export.h) follows the plan.
#pragma once

#include <cstdint>
#include <string>

#include "playback/recording_index.h"

namespace orvia {

// The default range of a clip around `currentSecond` of a file of
// `secondCount` seconds: the whole file when it is a minute or shorter,
// else the minute around the current second, kept inside the file.
// [from, to) in seconds.
struct ClipRange {
  int fromSecond = 0;
  int toSecond = 0;  // exclusive
};
ClipRange DefaultClipRange(int secondCount, int currentSecond);

struct ClipPlan {
  bool ok = false;
  std::string error;
  int originMs = 0;  // recording time that becomes time 0 of the clip
  int endMs = 0;     // units at or after this time are left out
  // Entries [firstVideo, endVideo) of each video stream; the first is a key unit.
  int firstVideo[2] = {0, 0};
  int endVideo[2] = {0, 0};
  int firstSound = 0, endSound = 0;  // sound entries [firstSound, endSound)
};

// The units of seconds [from, to) of the indexed recording. The front view
// starts at its last key unit within or before second `from` (its first key
// unit when there is none), the rear view at its last key unit at or before
// that; the clip's time 0 is the earlier of the two. A view without any key
// unit in range is left out (its range is empty). Fails when the range is
// empty or the front view has no picture in it.
ClipPlan PlanClip(const RecordingIndex& index, ClipRange range);

// The same over milliseconds [fromMs, toMs) of the recording: the front
// view starts at its last key unit at or before `fromMs`.
ClipPlan PlanClipMs(const RecordingIndex& index, int64_t fromMs, int64_t toMs);

}  // namespace orvia
