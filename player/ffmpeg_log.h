// How much FFmpeg writes to stderr. A damaged recording makes the decoder
// report every broken macroblock as an error, hundreds of lines per file,
// so the viewer keeps it to fatal messages unless asked for more.
#pragma once

#include <string_view>

namespace orvia::player {

constexpr std::string_view kDefaultFfmpegLog = "fatal";

// Sets FFmpeg's process-wide log level by name: quiet, fatal, error, warning,
// info, verbose, debug. False (and nothing changed) for another name.
bool SetFfmpegLogLevel(std::string_view name);

}  // namespace orvia::player
