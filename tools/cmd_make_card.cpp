// orvia-cli make-card: writes a simulated recorder card into a folder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "tools/commands.h"
#include "tools/sim/card_maker.h"

namespace {

constexpr const char* kMakeCardUsage =
    "usage: orvia-cli make-card DIR [options]\n"
    "  --seed S             seed of the drive, noise and events (default 1)\n"
    "  --start \"YYYY-MM-DD HH:MM:SS\"\n"
    "                       wall time the drive begins (default 2026-12-07 08:30:00)\n"
    "  --layout NAME        demo (10 one-minute recordings, every mode), small (5 short\n"
    "                       recordings, every mode) or single (one driving recording)\n"
    "  --fps N              pictures per second of both cameras, 1..30 (default 15)\n"
    "  --seconds N          length of every recording, 1..64 (default: the layout's)\n"
    "  --gps-loss FIRST:N   no GPS record in seconds FIRST..FIRST+N-1 of every recording\n"
    "  --lead-in-ms N       every recording begins N ms into its first second, 0..999\n"
    "                       (a partial first and last second, as files cut mid-second)\n"
    "  --hemisphere NE|NW|SE|SW\n"
    "                       where the route lies (default NE; S and W give negative numbers)\n"
    "  --crf N              x264 quality factor, 10..51 (default 36)\n"
    "  --jobs N             recordings written at once, 1..8 (default 2)\n"
    "  --sync-marks         a white picture in both streams and a click in the sound at the\n"
    "                       start of every second, for measuring picture against sound\n"
    "  --quiet              print nothing but errors\n";

bool ParseInt(const char* text, long long lo, long long hi, long long& out) {
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (!text[0] || *end || v < lo || v > hi) return false;
  out = v;
  return true;
}

enum class OptionResult {
  kNotValueOption,  // not an option that takes a value
  kTaken,
  kBadValue,
  kBadStart,  // --start with a time that does not read
};

// An option that takes a value: sets its field of `o` from `value`.
OptionResult TakeValueOption(const std::string& arg, const char* value, orvia::sim::CardOptions& o) {
  long long n = 0;
  bool ok = true;
  if (arg == "--seed") {
    ok = ParseInt(value, 0, 0x7fffffffffffffffLL, n);
    o.seed = static_cast<uint64_t>(n);
  } else if (arg == "--start") {
    if (!orvia::sim::ParseCivilTime(value, o.start)) return OptionResult::kBadStart;
  } else if (arg == "--layout") {
    o.layout = value;
  } else if (arg == "--fps") {
    ok = ParseInt(value, 1, 30, n);
    o.fps = static_cast<int>(n);
  } else if (arg == "--seconds") {
    ok = ParseInt(value, 1, 64, n);
    o.seconds = static_cast<int>(n);
  } else if (arg == "--gps-loss") {
    const std::string v = value;
    const size_t colon = v.find(':');
    long long first = 0, count = 0;
    ok = colon != std::string::npos && ParseInt(v.substr(0, colon).c_str(), 0, 63, first) &&
         ParseInt(v.substr(colon + 1).c_str(), 1, 64, count);
    o.gpsLossFirst = static_cast<int>(first);
    o.gpsLossCount = static_cast<int>(count);
  } else if (arg == "--lead-in-ms") {
    ok = ParseInt(value, 0, 999, n);
    o.leadInMs = static_cast<int>(n);
  } else if (arg == "--hemisphere") {
    ok = orvia::sim::ParseHemisphere(value, o.hemisphere);
  } else if (arg == "--crf") {
    ok = ParseInt(value, 10, 51, n);
    o.crf = static_cast<int>(n);
  } else if (arg == "--jobs") {
    ok = ParseInt(value, 1, 8, n);
    o.jobs = static_cast<int>(n);
  } else {
    return OptionResult::kNotValueOption;
  }
  return ok ? OptionResult::kTaken : OptionResult::kBadValue;
}

// Reads the command line into `options` and `quiet`. Returns -1 to go on,
// or the exit code: 0 after the help, 2 after a usage error.
int ParseMakeCardArgs(int argc, char** argv, orvia::sim::CardOptions& options, bool& quiet) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kMakeCardUsage, stdout);
      return 0;
    }
    if (arg == "--quiet") {
      quiet = true;
      continue;
    }
    if (arg == "--sync-marks") {
      options.syncMarks = true;
      continue;
    }
    const OptionResult r =
        i + 1 < argc ? TakeValueOption(arg, argv[i + 1], options) : OptionResult::kNotValueOption;
    if (r == OptionResult::kBadStart) {
      std::fprintf(stderr, "make-card: bad --start '%s' (YYYY-MM-DD HH:MM:SS)\n", argv[i + 1]);
      return 2;
    }
    if (r == OptionResult::kBadValue) {
      std::fprintf(stderr, "make-card: bad value for '%s'\n\n%s", argv[i], kMakeCardUsage);
      return 2;
    }
    if (r == OptionResult::kTaken) {
      ++i;
    } else if (!arg.empty() && arg[0] != '-' && options.root.empty()) {
      options.root = arg;
    } else {
      std::fprintf(stderr, "make-card: unexpected '%s'\n\n%s", arg.c_str(), kMakeCardUsage);
      return 2;
    }
  }
  if (options.root.empty()) {
    std::fputs(kMakeCardUsage, stderr);
    return 2;
  }
  return -1;
}

void PrintCardReport(const orvia::sim::CardReport& report, double seconds) {
  uint64_t total = 0;
  for (const orvia::sim::RecordingReport& r : report.recordings) {
    std::printf("%s  %llu bytes, %d s, %d+%d video units, %d sound blocks, %d GPS fixes\n", r.path.c_str(),
                static_cast<unsigned long long>(r.bytes), static_cast<int>(r.seconds.size()),
                r.videoUnits[0], r.videoUnits[1], r.soundBlocks, r.gpsRecords);
    total += r.bytes;
  }
  std::printf("%zu recordings, %llu bytes, written in %.1f s\n", report.recordings.size(),
              static_cast<unsigned long long>(total), seconds);
}

}  // namespace

int orvia::cli::RunMakeCard(int argc, char** argv) {
  orvia::sim::CardOptions options;
  bool quiet = false;
  const int parsed = ParseMakeCardArgs(argc, argv, options, quiet);
  if (parsed >= 0) return parsed;
  av_log_set_level(AV_LOG_ERROR);  // the encoder's statistics are noise here
  const auto begin = std::chrono::steady_clock::now();
  const orvia::sim::CardReport report = orvia::sim::MakeCard(options);
  if (!report.ok) {
    std::fprintf(stderr, "make-card: %s\n", report.error.c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (!quiet) PrintCardReport(report, seconds);
  return 0;
}
