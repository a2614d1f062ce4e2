// Writes a clip of a recording as an MP4 file: the front and rear H.264
// streams copied unit for unit (no re-encoding; the parameter sets move into
// each track's codec data), the sound as AAC, and the recording's start in
// the creation-time metadata. The file is written under a temporary name
// beside the target and renamed at the end, so the target name never holds a
// half-written clip.
//
// Threads: runs on the calling thread; the progress callback comes on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

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
};

ClipExportResult ExportClip(const std::string& recordingPath, const std::string& outputPath,
                            const ClipExportOptions& options);

}  // namespace orvia
