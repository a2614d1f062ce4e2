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

}  // namespace

int RunExport(int argc, char** argv) {
  std::vector<std::string> files;
  std::string mp4, track;
  TrackFormat format = TrackFormat::kGpx;
  int outputs = 0;
  int from = -1, to = -1;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if ((arg == "--gpx" || arg == "--kml" || arg == "--csv") && hasValue) {
      track = argv[++i];
      format = arg == "--gpx" ? TrackFormat::kGpx : arg == "--kml" ? TrackFormat::kKml : TrackFormat::kCsv;
      ++outputs;
    } else if (arg == "--mp4" && hasValue) {
      mp4 = argv[++i];
      ++outputs;
    } else if ((arg == "--from" || arg == "--to") && hasValue) {
      if (!ParseSeconds(argv[++i], arg == "--from" ? from : to))
        return Usage("--from and --to take whole seconds");
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kExportUsage, stdout);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option or missing value: " + arg).c_str());
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) return Usage("no recording given");
  if (outputs != 1) return Usage("give exactly one of --mp4, --gpx, --kml, --csv");
  if (mp4.empty() && (from >= 0 || to >= 0)) return Usage("--from and --to belong to --mp4");
  if (WouldReplaceInput(mp4.empty() ? track : mp4, files)) {
    return Usage("the output would replace a recording it is made from");
  }
  const TrackTimeZone zone = CardTimeZone(CardRootOfRecording(files[0]));

  if (!mp4.empty()) {
    av_log_set_level(AV_LOG_ERROR);  // the sound encoder's statistics are not for the user
    if (files.size() != 1) return Usage("--mp4 takes one recording");
    RecordingIndex index;
    if (!OpenRecording(files[0], index).IsOpen()) {
      std::fprintf(stderr, "orvia-cli export: %s: cannot be opened or is not an AVI recording\n",
                   files[0].c_str());
      return 2;
    }
    ClipExportOptions options;
    options.range.fromSecond = from >= 0 ? from : 0;
    options.range.toSecond = to >= 0 ? to : index.secondCount;
    if (options.range.fromSecond >= options.range.toSecond || options.range.fromSecond >= index.secondCount) {
      std::fprintf(stderr,
                   "orvia-cli export: %s: the range %d..%d s lies outside the recording's %d seconds\n",
                   files[0].c_str(), options.range.fromSecond, options.range.toSecond, index.secondCount);
      return 2;
    }
    options.zoneKnown = zone.known;
    options.utcOffsetMinutes = zone.utcOffsetMinutes;
    const ClipExportResult r = ExportClip(files[0], mp4, options);
    if (!r.ok) {
      std::fprintf(stderr, "orvia-cli export: %s\n", r.error.c_str());
      return 1;
    }
    std::printf("%s: %d front and %d rear pictures, %d sound blocks, %.3f..%.3f s of the recording\n",
                mp4.c_str(), r.videoUnits[0], r.videoUnits[1], r.soundBlocks, r.originMs / 1000.0,
                r.endMs / 1000.0);
    return 0;
  }

  std::vector<RecordingTrack> tracks;
  for (const std::string& f : files) {
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
  if (!WriteFileReplacing(track, TrackText(format, tracks, zone), &error)) {
    std::fprintf(stderr, "orvia-cli export: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace orvia::cli
