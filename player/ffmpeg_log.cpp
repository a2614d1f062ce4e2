#include "player/ffmpeg_log.h"

extern "C" {
#include <libavutil/log.h>
}

namespace orvia::player {

bool SetFfmpegLogLevel(std::string_view name) {
  struct Level {
    std::string_view name;
    int level;
  };
  static constexpr Level kLevels[] = {
      {"quiet", AV_LOG_QUIET},     {"fatal", AV_LOG_FATAL}, {"error", AV_LOG_ERROR},
      {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},   {"verbose", AV_LOG_VERBOSE},
      {"debug", AV_LOG_DEBUG},
  };
  for (const Level& l : kLevels) {
    if (l.name == name) {
      av_log_set_level(l.level);
      return true;
    }
  }
  return false;
}

}  // namespace orvia::player
