// orvia-cli render: a video to share of a range of recordings, both views in
// one picture with the time, speed, G and a small route burned in, encoded
// again as H.264 with the sound as AAC in an MP4. The overlay is drawn with
// Qt on the offscreen platform, so no display is needed.
#include <sys/stat.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "library/card_range.h"
#include "library/card_trips.h"
#include "output/render_export.h"
#include "playback/telemetry.h"
#include "tools/commands.h"

namespace orvia::cli {

namespace {

constexpr const char* kRenderUsage =
    "usage: orvia-cli render (FILE... | CARD_ROOT --at DATETIME [--before S] [--after S]) --out OUT.mp4\n"
    "                        [--layout front|pip|side|stack] [--size WxH] [--units kmh|mph]\n"
    "                        [--no-overlay] [--quality smaller|balanced|best]\n"
    "  FILE...     recordings in time order, rendered whole (or around --at)\n"
    "  CARD_ROOT   a card; --at is the moment on the recorder's clock, as 2026-12-07T08:36:24,\n"
    "              --before and --after the seconds around it (default 30 each)\n"
    "  --layout    front only, rear as picture-in-picture (default), side by side, stacked\n"
    "  --size      the output size, as 1280x720 (default the front camera's size)\n"
    "  --quality   smaller (CRF 28), balanced (CRF 23, default), best (CRF 20, slower)\n";

constexpr int64_t kNameSlackSeconds = 2 * kMaxSeconds;  // a file's name may be this far before its seconds

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "orvia-cli render: %s\n", problem);
  std::fputs(kRenderUsage, stderr);
  return 2;
}

struct RenderArgs {
  std::vector<std::string> paths;
  std::string at;
  int before = 30, after = 30;
  bool sides = false;
  RenderOptions options;
};

bool ParseSeconds(const char* text, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 3600) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseSize(const char* text, int& w, int& h) {
  if (std::sscanf(text, "%dx%d", &w, &h) != 2) return false;
  return w >= 64 && h >= 64 && w <= 4096 && h <= 4096;
}

// One option with its value; false when the value is not one it takes.
bool ParseOption(const std::string& arg, const std::string& value, RenderArgs& a) {
  RenderOptions& o = a.options;
  if (arg == "--out") {
    o.outputPath = value;
  } else if (arg == "--at") {
    a.at = value;
  } else if (arg == "--before" || arg == "--after") {
    a.sides = true;
    return ParseSeconds(value.c_str(), arg == "--before" ? a.before : a.after);
  } else if (arg == "--layout") {
    static const std::pair<const char*, RenderLayout> kLayouts[] = {{"front", RenderLayout::kFront},
                                                                    {"pip", RenderLayout::kPip},
                                                                    {"side", RenderLayout::kSide},
                                                                    {"stack", RenderLayout::kStack}};
    for (const auto& [name, layout] : kLayouts)
      if (value == name) return o.layout = layout, true;
    return false;
  } else if (arg == "--size") {
    return ParseSize(value.c_str(), o.width, o.height);
  } else if (arg == "--units") {
    if (value != "kmh" && value != "mph") return false;
    o.units = value == "mph" ? SpeedUnits::kMph : SpeedUnits::kKmh;
  } else if (arg == "--quality") {
    if (value != "smaller" && value != "balanced" && value != "best") return false;
    o.quality = value == "smaller" ? RenderQuality::kSmaller
                : value == "best"  ? RenderQuality::kBest
                                   : RenderQuality::kBalanced;
  }
  return true;
}

// Reads the command line. -1 to go on, else the exit code.
int ParseRenderArgs(int argc, char** argv, RenderArgs& a) {
  static const char* const kWithValue[] = {"--out",    "--at",   "--before", "--after",
                                           "--layout", "--size", "--units",  "--quality"};
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = std::any_of(std::begin(kWithValue), std::end(kWithValue),
                                        [&](const char* name) { return arg == name; });
    if (takesValue && i + 1 < argc) {
      if (!ParseOption(arg, argv[++i], a))
        return Usage(("not a value " + arg + " takes: " + argv[i]).c_str());
    } else if (arg == "--no-overlay") {
      a.options.drawOverlay = false;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kRenderUsage, stdout);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option or missing value: " + arg).c_str());
    } else {
      a.paths.push_back(arg);
    }
  }
  if (a.paths.empty()) return Usage("give recordings or a card");
  if (a.options.outputPath.empty()) return Usage("give the video's name with --out");
  if (a.sides && a.at.empty()) return Usage("--before and --after belong to --at");
  return -1;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The recordings of the card or the files, their telemetry read, in time
// order; those of a card only near the moment.
bool ReadRecordings(const RenderArgs& a, int64_t from, int64_t to, std::vector<CardRecording>& out) {
  const bool card = a.paths.size() == 1 && IsFolder(a.paths[0]);
  if (card && a.at.empty()) {
    std::fprintf(stderr, "orvia-cli render: a card needs --at DATETIME\n");
    return false;
  }
  std::vector<CardRecording> all = card ? CardRecordingsOf(a.paths[0]) : CardRecordingsAt(a.paths);
  for (CardRecording& r : all) {
    if (!card || r.nameTime == 0 || (r.nameTime >= from - kNameSlackSeconds && r.nameTime < to + kMaxSeconds))
      out.push_back(std::move(r));
  }
  ReadTelemetryOf(out, "", 2, {});
  for (const CardRecording& r : out) {
    if (!r.telemetry.ok && !card) {
      std::fprintf(stderr, "orvia-cli render: %s: cannot be opened or is not an AVI recording\n",
                   r.path.c_str());
      return false;
    }
  }
  std::erase_if(out, [](const CardRecording& r) { return !r.telemetry.ok; });
  std::stable_sort(out.begin(), out.end(), [](const CardRecording& x, const CardRecording& y) {
    return TimeInRecording(x, 0) < TimeInRecording(y, 0);
  });
  return !out.empty();
}

// The recordings and the range [fromMs, toMs) the arguments name. False
// after saying why not.
bool ChooseRange(RenderArgs& a) {
  int64_t from = 0, to = 0;
  if (!a.at.empty()) {
    const std::optional<int64_t> moment = ParseLocalDateTime(a.at);
    if (!moment) {
      std::fprintf(stderr, "orvia-cli render: '%s' is not a date-time like 2026-12-07T08:36:24\n",
                   a.at.c_str());
      return false;
    }
    from = *moment - a.before;
    to = *moment + a.after + 1;
  }
  std::vector<CardRecording> recordings;
  if (!ReadRecordings(a, from, to, recordings)) {
    if (!recordings.empty() || !a.at.empty()) std::fprintf(stderr, "orvia-cli render: no recording found\n");
    return false;
  }
  if (a.at.empty()) {
    const CardRecording& last = recordings.back();
    from = TimeInRecording(recordings.front(), 0);
    to = TimeInRecording(last, 0) + static_cast<int64_t>(last.telemetry.seconds.size());
  }
  const RecordingRange range = RecordingsCovering(recordings, from, to);
  if (range.recordings.empty()) {
    std::fprintf(stderr, "orvia-cli render: no recording holds %s..%s\n", IsoTimeText(from).c_str(),
                 IsoTimeText(to).c_str());
    return false;
  }
  for (const size_t i : range.recordings) a.options.recordings.push_back(recordings[i].path);
  a.options.fromMs = range.fromMs;
  a.options.toMs = range.toMs;
  return true;
}

}  // namespace

int RunRender(int argc, char** argv) {
  RenderArgs args;
  const int parsed = ParseRenderArgs(argc, argv, args);
  if (parsed >= 0) return parsed;
  av_log_set_level(AV_LOG_FATAL);  // the encoders' statistics are not for the user
  if (!ChooseRange(args)) return 2;
  qputenv("QT_QPA_PLATFORM", "offscreen");  // the overlay is drawn without a display
  int qtArgc = 1;
  char qtName[] = "orvia-cli";
  char* qtArgv[] = {qtName, nullptr};
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
  QGuiApplication app(qtArgc, qtArgv);
  const RenderResult r = RenderVideo(args.options);
  if (!r.ok) {
    std::fprintf(stderr, "orvia-cli render: %s\n", r.error.c_str());
    return 1;
  }
  if (!r.note.empty()) std::fprintf(stderr, "orvia-cli render: %s\n", r.note.c_str());
  std::printf("%s: %dx%d, %d pictures, %.3f s, from %zu recording(s)\n", args.options.outputPath.c_str(),
              r.width, r.height, r.pictures, r.durationMs / 1000.0, args.options.recordings.size());
  return 0;
}

}  // namespace orvia::cli
