// orvia-cli export: a clip over one or more consecutive recordings as MP4,
// or the GPS track and G-sensor values of one or more recordings as GPX,
// KML or CSV.
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
#include "library/card_root.h"
#include "library/card_trips.h"
#include "output/clip_export.h"
#include "output/track_export.h"
#include "playback/telemetry.h"
#include "tools/commands.h"

namespace orvia::cli {

namespace {

constexpr const char* kExportUsage =
    "usage: orvia-cli export FILE... (--mp4 OUT [--from T] [--to T] | --gpx OUT | --kml OUT | --csv OUT)\n"
    "  --mp4 OUT   one clip over the recordings, in time order: both cameras and the\n"
    "              sound, and the date-time, speed and G of each second as subtitles;\n"
    "              it stops early where the next recording does not follow on\n"
    "  --from T    where the clip starts: seconds from the first recording's start, or\n"
    "              the recorder's date-time 2026-12-07T08:35:50 (default the start;\n"
    "              the clip starts at the key picture before it)\n"
    "  --to T      where it ends, the same way (default the end of the last recording)\n"
    "  --gpx OUT   the GPS track, one track per recording, in time order\n"
    "  --kml OUT   the same as a KML line\n"
    "  --csv OUT   one row per second: time, position, speed, X, Y, Z in g\n";

// A --from or --to: whole seconds from the first recording's start, or a
// date-time of the recorder's clock.
struct TimeArg {
  bool given = false;
  bool clock = false;
  int64_t value = 0;
};

bool ParseTime(const char* text, TimeArg& out) {
  out.given = true;
  if (const std::optional<int64_t> t = ParseLocalDateTime(text)) {
    out.clock = true;
    out.value = *t;
    return true;
  }
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 1000000) return false;
  out.value = v;
  return true;
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "orvia-cli export: %s\n", problem);
  std::fputs(kExportUsage, stderr);
  return 2;
}

// What the command line asks for.
struct ExportArgs {
  std::vector<std::string> files;
  std::string mp4, track;
  TrackFormat format = TrackFormat::kGpx;
  int outputs = 0;
  TimeArg from, to;
};

// Reads and checks the command line. Returns -1 to go on, or the exit code:
// 0 after the help, 2 after a usage error.
int ParseExportArgs(int argc, char** argv, ExportArgs& a) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if ((arg == "--gpx" || arg == "--kml" || arg == "--csv") && hasValue) {
      a.track = argv[++i];
      a.format = arg == "--gpx" ? TrackFormat::kGpx : arg == "--kml" ? TrackFormat::kKml : TrackFormat::kCsv;
      ++a.outputs;
    } else if (arg == "--mp4" && hasValue) {
      a.mp4 = argv[++i];
      ++a.outputs;
    } else if ((arg == "--from" || arg == "--to") && hasValue) {
      if (!ParseTime(argv[++i], arg == "--from" ? a.from : a.to))
        return Usage("--from and --to take whole seconds or a date-time such as 2026-12-07T08:35:50");
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kExportUsage, stdout);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option or missing value: " + arg).c_str());
    } else {
      a.files.push_back(arg);
    }
  }
  if (a.files.empty()) return Usage("no recording given");
  if (a.outputs != 1) return Usage("give exactly one of --mp4, --gpx, --kml, --csv");
  if (a.mp4.empty() && (a.from.given || a.to.given)) return Usage("--from and --to belong to --mp4");
  if (WouldReplaceInput(a.mp4.empty() ? a.track : a.mp4, a.files)) {
    return Usage("the output would replace a recording it is made from");
  }
  return -1;
}

// The recordings named, in time order, each with the clock of its seconds
// as its index gives them (the clip writer places them by the same);
// false after naming one that is not a recording.
bool ReadRecordings(const std::vector<std::string>& files, std::vector<CardRecording>& recordings) {
  RecordingIndex index;
  for (const std::string& f : files) {
    if (!OpenRecording(f, index).IsOpen()) {
      std::fprintf(stderr, "orvia-cli export: %s: cannot be opened or is not an AVI recording\n", f.c_str());
      return false;
    }
    CardRecording& r = recordings.emplace_back();
    r.path = f;
    r.nameTime = RecordingNameTime(f);
    r.telemetry.ok = true;
    r.telemetry.seconds.resize(static_cast<size_t>(std::clamp(index.secondCount, 0, kMaxSeconds)));
    for (size_t i = 0; i < r.telemetry.seconds.size(); ++i)
      r.telemetry.seconds[i].unixTime = index.unixTime[i];
  }
  std::stable_sort(recordings.begin(), recordings.end(), [](const CardRecording& x, const CardRecording& y) {
    return TimeInRecording(x, 0) < TimeInRecording(y, 0);
  });
  return true;
}

// --mp4: the stretch --from..--to of the recordings as one clip.
int ExportMp4(const ExportArgs& a, const TrackTimeZone& zone) {
  av_log_set_level(AV_LOG_ERROR);  // the sound encoder's statistics are not for the user
  std::vector<CardRecording> recordings;
  if (!ReadRecordings(a.files, recordings)) return 2;
  const CardRecording& last = recordings.back();
  const int64_t origin = TimeInRecording(recordings.front(), 0);
  const int64_t end = TimeInRecording(last, 0) + static_cast<int64_t>(last.telemetry.seconds.size());
  const auto clock = [&](const TimeArg& t, int64_t otherwise) {
    return !t.given ? otherwise : t.clock ? t.value : origin + t.value;
  };
  const int64_t from = clock(a.from, origin), to = clock(a.to, end);
  const RecordingRange range = RecordingsCovering(recordings, from, to);
  if (range.recordings.empty()) {
    if (recordings.size() == 1) {
      std::fprintf(stderr,
                   "orvia-cli export: %s: the range %lld..%lld s lies outside the recording's %lld seconds\n",
                   last.path.c_str(), static_cast<long long>(from - origin),
                   static_cast<long long>(to - origin), static_cast<long long>(end - origin));
    } else {
      std::fprintf(stderr, "orvia-cli export: the range %s..%s lies outside the recordings (%s..%s)\n",
                   IsoTimeText(from).c_str(), IsoTimeText(to).c_str(), IsoTimeText(origin).c_str(),
                   IsoTimeText(end).c_str());
    }
    return 2;
  }
  std::vector<std::string> paths;
  for (const size_t i : range.recordings) paths.push_back(recordings[i].path);
  ClipExportOptions options;
  options.zoneKnown = zone.known;
  options.utcOffsetMinutes = zone.utcOffsetMinutes;
  const ClipExportResult r = ExportClipAcross(paths, range.fromMs, range.toMs, a.mp4, options);
  if (!r.ok) {
    std::fprintf(stderr, "orvia-cli export: %s\n", r.error.c_str());
    return 1;
  }
  if (!r.note.empty()) std::fprintf(stderr, "orvia-cli export: %s\n", r.note.c_str());
  std::printf("%s: %d front and %d rear pictures, %d sound blocks, %.3f..%.3f s", a.mp4.c_str(),
              r.videoUnits[0], r.videoUnits[1], r.soundBlocks, r.originMs / 1000.0, r.endMs / 1000.0);
  if (r.usedRecordings.size() > 1) {
    std::printf(" from the start of %s, over %zu recordings\n", paths[0].c_str(), r.usedRecordings.size());
  } else if (a.files.size() > 1) {
    std::printf(" of %s\n", paths[0].c_str());
  } else {
    std::printf(" of the recording\n");
  }
  return 0;
}

// --gpx, --kml, --csv: the tracks of all recordings in time order.
int ExportTracks(const ExportArgs& a, const TrackTimeZone& zone) {
  std::vector<RecordingTrack> tracks;
  for (const std::string& f : a.files) {
    RecordingTrack t;
    std::string error;
    if (!LoadTrack(f, t, &error)) {
      std::fprintf(stderr, "orvia-cli export: %s\n", error.c_str());
      return 2;
    }
    tracks.push_back(std::move(t));
  }
  SortTracks(tracks);
  std::string error;
  if (!WriteFileReplacing(a.track, TrackText(a.format, tracks, zone), &error)) {
    std::fprintf(stderr, "orvia-cli export: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int RunExport(int argc, char** argv) {
  ExportArgs args;
  const int parsed = ParseExportArgs(argc, argv, args);
  if (parsed >= 0) return parsed;
  const TrackTimeZone zone = CardTimeZone(CardRootOfRecording(args.files[0]));
  return args.mp4.empty() ? ExportTracks(args, zone) : ExportMp4(args, zone);
}

}  // namespace orvia::cli
