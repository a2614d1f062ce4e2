// orvia-cli bench index FILE...: times indexing against ffprobe's packet
// listing of the same files, in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "playback/recording_index.h"
#include "tools/child_process.h"
#include "tools/commands.h"

namespace orvia::cli {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int RunBenchIndex(int argc, char** argv) {
  if (argc < 1) {
    std::fputs("usage: orvia-cli bench index FILE...\n", stderr);
    return 2;
  }
  constexpr int kRounds = 20;
  RecordingIndex index;
  double ours = 0, theirs = 0;
  for (int i = 0; i < argc; ++i) {
    RecordingFile probe = OpenRecording(argv[i], index);
    if (!probe.IsOpen()) {
      std::fprintf(stderr, "orvia-cli bench index: %s: cannot be opened or is not an AVI recording\n",
                   argv[i]);
      return 2;
    }
    probe.Close();
    // Best of several rounds: the file is in the page cache for both tools.
    double best = 1e9;
    for (int r = 0; r < kRounds; ++r) {
      auto t0 = Clock::now();
      RecordingFile f = OpenRecording(argv[i], index);
      best = std::min(best, Seconds(Clock::now() - t0));
    }
    double bestProbe = 1e9;
    for (int r = 0; r < 3; ++r) {
      auto t0 = Clock::now();
      if (!RunQuiet({"ffprobe", "-v", "error", "-show_entries", "packet=pos", "-of", "csv", argv[i]})) {
        std::fputs("orvia-cli bench index: ffprobe failed or is not installed\n", stderr);
        return 1;
      }
      bestProbe = std::min(bestProbe, Seconds(Clock::now() - t0));
    }
    std::printf("%s: orvia %.3f ms, ffprobe %.3f ms, units %d+%d, sound %d\n", argv[i], best * 1e3,
                bestProbe * 1e3, index.videoCount[0], index.videoCount[1], index.soundCount);
    ours += best;
    theirs += bestProbe;
  }
  std::printf("total: orvia %.3f ms, ffprobe %.3f ms, ratio %.4f (orvia / ffprobe)\n", ours * 1e3,
              theirs * 1e3, theirs > 0 ? ours / theirs : 0.0);
  return 0;
}

}  // namespace orvia::cli
