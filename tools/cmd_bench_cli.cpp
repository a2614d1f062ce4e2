// orvia-cli bench cli [FILE]: whole-process times of the quick commands
// against the usual tools, in one run on the same input:
//   orvia-cli index FILE   against  ffprobe listing FILE's packets
//   orvia-cli scan CARD    against  find CARD -name '*.avi' -size +0c
// on a card of 10,000 one-byte recordings written for the run (find reads
// each file's size, as the scan must). Without FILE a simulated one-minute
// recording is written and used.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/child_process.h"
#include "tools/commands.h"
#include "tools/sim/card_maker.h"

namespace orvia::cli {
namespace {

using Clock = std::chrono::steady_clock;

// Best wall time of `rounds` runs in seconds; negative when a run failed.
double BestOf(int rounds, const std::vector<std::string>& args) {
  double best = 1e9;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = Clock::now();
    if (!RunQuiet(args)) return -1;
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
}

// 10,000 one-byte recordings in 100 dated sub-folders of the four modes.
bool WriteManyRecordings(const std::string& root, int count) {
  static const char* const kModes[] = {"Normal", "Event", "Parking", "ParkingEvent"};
  std::error_code ec;
  for (int i = 0; i < count; ++i) {
    const int folder = i / 100;
    char sub[64], name[64];
    std::snprintf(sub, sizeof sub, "%s/2026%02d%02d", kModes[folder % 4], 1 + folder / 28 % 12,
                  1 + folder % 28);
    std::snprintf(name, sizeof name, "mdr_2026%02d%02d_%02d%02d%02d.avi", 1 + folder / 28 % 12,
                  1 + folder % 28, i / 3600 % 24, i / 60 % 60, i % 60);
    const std::filesystem::path dir = std::filesystem::path(root) / sub;
    std::filesystem::create_directories(dir, ec);
    std::FILE* f = std::fopen((dir / name).c_str(), "wb");
    if (!f) return false;
    std::fputc('x', f);
    std::fclose(f);
  }
  return true;
}

void Report(const char* what, double ours, double theirs, const char* other, double target) {
  const double ratio = theirs > 0 ? ours / theirs : 0;
  std::printf("%-6s orvia-cli %8.2f ms   %-8s %8.2f ms   ratio %.3fx  (target <= %.1fx: %s)\n", what,
              ours * 1e3, other, theirs * 1e3, ratio, target, ratio <= target ? "met" : "missed");
}

}  // namespace

int RunBenchCli(int argc, char** argv) {
  if (argc > 1) {
    std::fputs("usage: orvia-cli bench cli [FILE]\n", stderr);
    return 2;
  }
  const char* base = std::getenv("TMPDIR");
  std::string work = std::string(base && *base ? base : "/tmp") + "/orvia-bench-XXXXXX";
  if (!mkdtemp(work.data())) {
    std::perror("orvia-cli bench cli");
    return 1;
  }
  struct Cleanup {
    std::string path;
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } cleanup{work};

  std::string file = argc == 1 ? argv[0] : std::string();
  if (file.empty()) {
    sim::CardOptions o;
    o.root = work + "/one";
    o.layout = "single";
    const sim::CardReport card = sim::MakeCard(o);
    if (!card.ok || card.recordings.empty()) {
      std::fprintf(stderr, "orvia-cli bench cli: cannot write a recording: %s\n", card.error.c_str());
      return 1;
    }
    file = card.recordings[0].path;
  }
  const std::string cli = OwnFolder() + "orvia-cli";
  const std::string many = work + "/many";
  if (!WriteManyRecordings(many, 10000)) {
    std::fputs("orvia-cli bench cli: cannot write the 10,000-recording card\n", stderr);
    return 1;
  }

  constexpr int kRounds = 10;
  BestOf(1, {cli, "index", file});  // page cache and loader warmed for both
  const double index = BestOf(kRounds, {cli, "index", file});
  const double probe =
      BestOf(kRounds, {"ffprobe", "-v", "error", "-show_entries", "packet=pos", "-of", "csv", file});
  const double scan = BestOf(kRounds, {cli, "scan", many});
  const double find = BestOf(kRounds, {"find", many, "-name", "*.avi", "-size", "+0c"});
  if (index < 0 || scan < 0) {
    std::fputs("orvia-cli bench cli: orvia-cli failed\n", stderr);
    return 1;
  }
  if (probe < 0 || find < 0) {
    std::fputs("orvia-cli bench cli: ffprobe or find failed or is not installed\n", stderr);
    return 1;
  }
  std::printf("best of %d whole-process runs; %s\n", kRounds, file.c_str());
  Report("index", index, probe, "ffprobe", 0.1);
  Report("scan", scan, find, "find", 2.0);
  return 0;
}

}  // namespace orvia::cli
