// Writes a clip of a recording, or of consecutive recordings joined, as an
// MP4 file: the front and rear H.264 streams copied unit for unit (no
// re-encoding; the parameter sets move into each track's codec data), the
// sound as AAC, a subtitle track (3GPP timed text) with each second's
// date-time, speed and G, and the first recording's start in the
// creation-time metadata. The file is written under a temporary name beside
// the target and renamed at the end, so the target name never holds a
// half-written clip.
//
// Threads: runs on the calling thread; the progress callback comes on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "output/clip_plan.h"

namespace orvia {

struct ClipExportOptions {
  ClipRange range;           // seconds of the recording
  bool zoneKnown = false;    // the recorder's clock is local time at this offset
  int utcOffsetMinutes = 0;  // local = UTC + offset
  // Called now and then with the share done (0..1); returning false cancels.
  std::function<bool(double)> progress;
};

struct ClipExportResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;  // what went wrong, for the user
  int originMs = 0;   // recording time of the clip's first picture
  int endMs = 0;
  int videoUnits[2] = {0, 0};
  int soundBlocks = 0;
  // Across recordings: the ones the clip took, and whether it stopped early
  // at a join it could not make (`note` says where and why).
  std::vector<std::string> usedRecordings;
  bool stoppedAtGap = false;
  std::string note;
};

ClipExportResult ExportClip(const std::string& recordingPath, const std::string& outputPath,
                            const ClipExportOptions& options);

// One clip over consecutive recordings (in time order): [fromMs, toMs)
// counted from the first one's second 0, as one MP4 with timestamps that run
// on across the joins. It stops at a join it cannot make (a gap of more than
// a second between two recordings, or another picture size) and says so.
// `options.range` is not used.
ClipExportResult ExportClipAcross(const std::vector<std::string>& recordings, int64_t fromMs, int64_t toMs,
                                  const std::string& outputPath, const ClipExportOptions& options);

}  // namespace orvia
