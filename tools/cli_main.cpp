// orvia-cli: the command-line side of Orvia. Looks into recordings, cards and
// settings files, writes simulated cards, and runs the benchmarks.
#include <cstdio>
#include <cstring>

#include "tools/commands.h"

namespace {

constexpr const char* kUsage =
    "usage: orvia-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  index FILE                        print the index of a recording as JSON\n"
    "  scan CARD_ROOT [--mode 0..4]      list a card's recordings as JSON rows\n"
    "                                    (0 all, 1 driving, 2 event, 3 parking,\n"
    "                                    4 parking event)\n"
    "  profile get FILE SECTION KEY [DEFAULT]\n"
    "                                    print a value as the viewer reads it\n"
    "  profile set FILE SECTION KEY VALUE\n"
    "                                    write a value as the viewer writes it\n"
    "  make-card DIR [--seed S] [--start \"YYYY-MM-DD HH:MM:SS\"] [--layout NAME]\n"
    "                                    write a simulated recorder card\n"
    "  cards [--folder DIR]...           list the cards found as JSON\n"
    "  bench index FILE...               time indexing against ffprobe\n"
    "  bench decode FILE                 time the player's decoding against ffmpeg\n"
    "  export FILE... (--mp4 OUT [--from S] [--to S] | --gpx OUT | --kml OUT | --csv OUT)\n"
    "                                    export a clip, the GPS track or the G-sensor data\n"
    "  help                              show this text\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const char* cmd = argv[1];
  int rest = argc - 2;
  char** args = argv + 2;
  if (!std::strcmp(cmd, "help") || !std::strcmp(cmd, "--help") || !std::strcmp(cmd, "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!std::strcmp(cmd, "index")) return orvia::cli::RunIndex(rest, args);
  if (!std::strcmp(cmd, "scan")) return orvia::cli::RunScan(rest, args);
  if (!std::strcmp(cmd, "profile")) return orvia::cli::RunProfile(rest, args);
  if (!std::strcmp(cmd, "make-card")) return orvia::cli::RunMakeCard(rest, args);
  if (!std::strcmp(cmd, "export")) return orvia::cli::RunExport(rest, args);
  if (!std::strcmp(cmd, "cards")) return orvia::cli::RunCards(rest, args);
  if (!std::strcmp(cmd, "bench")) {
    if (rest >= 1 && !std::strcmp(args[0], "index")) return orvia::cli::RunBenchIndex(rest - 1, args + 1);
    if (rest >= 1 && !std::strcmp(args[0], "decode")) return orvia::cli::RunBenchDecode(rest - 1, args + 1);
    std::fputs("orvia-cli bench: expected 'index' or 'decode'\n", stderr);
    return 2;
  }
  std::fprintf(stderr, "orvia-cli: unknown command '%s'\n\n%s", cmd, kUsage);
  return 2;
}
