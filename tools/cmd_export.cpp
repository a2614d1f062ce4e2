// orvia-cli export: a clip of a recording as MP4, or the GPS track and
// G-sensor values of one or more recordings as GPX, KML or CSV.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "library/card_root.h"
#include "output/clip_export.h"
#include "output/track_export.h"
#include "tools/commands.h"

namespace orvia::cli {

namespace {

constexpr const char* kExportUsage =
    "usage: orvia-cli export FILE... (--mp4 OUT [--from S] [--to S] | --gpx OUT | --kml OUT | --csv OUT)\n"
    "  --mp4 OUT   a clip of one recording: both cameras and the sound, seconds S..S\n"
    "              (default the whole file; the clip starts at the key picture before --from)\n"
    "  --gpx OUT   the GPS track, one track per recording, in time order\n"
    "  --kml OUT   the same as a KML line\n"
    "  --csv OUT   one row per second: time, position, speed, X, Y, Z in g\n";

bool ParseSeconds(const char* text, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 1000000) return false;
  out = static_cast<int>(v);
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
  int from = -1, to = -1;
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
      if (!ParseSeconds(argv[++i], arg == "--from" ? a.from : a.to))
        return Usage("--from and --to take whole seconds");
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
  if (a.mp4.empty() && (a.from >= 0 || a.to >= 0)) return Usage("--from and --to belong to --mp4");
  if (WouldReplaceInput(a.mp4.empty() ? a.track : a.mp4, a.files)) {
    return Usage("the output would replace a recording it is made from");
  }
  return -1;
}

// --mp4: seconds from..to of the one recording as a clip.
int ExportMp4(const ExportArgs& a, const TrackTimeZone& zone) {
  av_log_set_level(AV_LOG_ERROR);  // the sound encoder's statistics are not for the user
  if (a.files.size() != 1) return Usage("--mp4 takes one recording");
  const std::string& file = a.files[0];
  RecordingIndex index;
  if (!OpenRecording(file, index).IsOpen()) {
    std::fprintf(stderr, "orvia-cli export: %s: cannot be opened or is not an AVI recording\n", file.c_str());
    return 2;
  }
  ClipExportOptions options;
  options.range.fromSecond = a.from >= 0 ? a.from : 0;
  options.range.toSecond = a.to >= 0 ? a.to : index.secondCount;
  if (options.range.fromSecond >= options.range.toSecond || options.range.fromSecond >= index.secondCount) {
    std::fprintf(stderr, "orvia-cli export: %s: the range %d..%d s lies outside the recording's %d seconds\n",
                 file.c_str(), options.range.fromSecond, options.range.toSecond, index.secondCount);
    return 2;
  }
  options.zoneKnown = zone.known;
  options.utcOffsetMinutes = zone.utcOffsetMinutes;
  const ClipExportResult r = ExportClip(file, a.mp4, options);
  if (!r.ok) {
    std::fprintf(stderr, "orvia-cli export: %s\n", r.error.c_str());
    return 1;
  }
  std::printf("%s: %d front and %d rear pictures, %d sound blocks, %.3f..%.3f s of the recording\n",
              a.mp4.c_str(), r.videoUnits[0], r.videoUnits[1], r.soundBlocks, r.originMs / 1000.0,
              r.endMs / 1000.0);
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
