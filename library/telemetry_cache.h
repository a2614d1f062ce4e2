// A cache of recordings' telemetry (ReadRecordingTelemetry) in the user's
// cache folder, so that a card is read once: one small file per recording,
// keyed by its path, size and modification time. A cache file that is
// damaged, foreign or of another recording is ignored and written anew,
// never trusted. Plain logic, no Qt; any thread.
#pragma once

#include <string>

#include "library/recording_telemetry.h"

namespace orvia {

// $XDG_CACHE_HOME/orvia/telemetry (UserCacheFolder); empty when there is none.
std::string TelemetryCacheFolder();

// The telemetry of the recording at `path`: from the cache in `folder` when
// it holds this very file (same path, size and modification time), else
// read from the file and stored there. `folder` empty reads without a
// cache. `cached` (when given) says which way it came.
RecordingTelemetry CachedRecordingTelemetry(const std::string& folder, const std::string& path,
                                            bool* cached = nullptr);

}  // namespace orvia
