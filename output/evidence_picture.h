// One picture of a recording, decoded without a window: the picture a
// camera shows at a given moment of the file, for the evidence report.
// FFmpeg through the player's decoder and converter; no Qt.
#pragma once

#include <string>

#include "player/frame_converter.h"

namespace orvia {

// The picture of camera `stream` (0 front, 1 rear) of the recording at
// `path` that is on screen at `ms` from the file's start: the last one due
// at or before it (the first one when none is), decoded from the key
// picture before it, as 32-bit RGB at the picture's own size. False with
// `error` when the recording has no such camera, no key picture before
// that moment, or its units do not decode.
bool DecodePictureAt(const std::string& path, int stream, int ms, player::RgbImage& out, std::string* error);

}  // namespace orvia
