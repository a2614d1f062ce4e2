// orvia-cli: the command-line side of Orvia. Looks into recordings, cards and
// settings files itself; writing simulated cards and the benchmarks, which
// need FFmpeg, run in the companion program orvia-cli-tools beside it, so
// that the quick commands load neither FFmpeg nor Qt.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/pending_file.h"
#include "tools/child_process.h"
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
    "  trips CARD_ROOT                   the card's trips and parking sessions as JSON\n"
    "  events CARD_ROOT [--speed-limit KMH]\n"
    "                                    the card's impacts, hard braking and\n"
    "                                    acceleration, speeding and event recordings\n"
    "  make-card DIR [--seed S] [--start \"YYYY-MM-DD HH:MM:SS\"] [--layout NAME]\n"
    "                                    write a simulated recorder card\n"
    "  cards [--folder DIR]...           list the cards found as JSON\n"
    "  format CARD --label LABEL [--full] --yes\n"
    "                                    format a card (mount point or device) for\n"
    "                                    the recorder, keeping its settings file\n"
    "  bench index FILE...               time indexing against ffprobe\n"
    "  bench decode FILE                 time the player's decoding against ffmpeg\n"
    "  bench render FILE                 time a side-by-side render against ffmpeg\n"
    "  bench play CARD_ROOT [--seconds N] [--warmup N]\n"
    "                                    the viewer's CPU time playing against ffmpeg -re\n"
    "  bench cli [FILE]                  time whole runs of index and scan against\n"
    "                                    ffprobe and find\n"
    "  bench events CARD_ROOT [--copies N]\n"
    "                                    bytes the card-wide view reads per recording,\n"
    "                                    and a cached run over N recordings\n"
    "  export FILE... (--mp4 OUT [--from T] [--to T] | --gpx OUT | --kml OUT | --csv OUT)\n"
    "                                    export a clip over the recordings (T: seconds or\n"
    "                                    2026-12-07T08:35:50), the GPS track or the G-sensor data\n"
    "  pack (CARD_ROOT --at DATETIME [--before S] [--after S] | FILE...) OUTDIR\n"
    "                                    an evidence pack of a moment: the originals, the\n"
    "                                    card's settings, clip, track, G-sensor table, a PDF\n"
    "                                    report and SHA256SUMS, in OUTDIR/evidence_...\n"
    "  render (FILE... | CARD_ROOT --at DATETIME [--before S] [--after S]) --out OUT.mp4\n"
    "         [--layout front|pip|side|stack] [--size WxH] [--units kmh|mph] [--no-overlay]\n"
    "         [--quality smaller|balanced|best]\n"
    "                                    a video to share: both cameras in one picture with\n"
    "                                    the time, speed, G and route burned in\n"
    "  verify PACK                       check an evidence pack against its SHA256SUMS\n"
    "  help                              show this text\n";

// Replaces this process with the companion, which takes the same arguments.
int RunCompanion(char** argv) {
  const std::string companion = orvia::cli::OwnFolder() + orvia::cli::kCompanionName;
  argv[0] = const_cast<char*>(companion.c_str());
  execv(companion.c_str(), argv);
  std::fprintf(stderr, "orvia-cli: %s needs %s: %s\n", argv[1], companion.c_str(), std::strerror(errno));
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // A write or export stopped by Ctrl+C or a kill leaves no half file behind.
  orvia::RemovePendingFilesOnSignals();
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
  if (!std::strcmp(cmd, "trips")) return orvia::cli::RunTrips(rest, args);
  if (!std::strcmp(cmd, "events")) return orvia::cli::RunEvents(rest, args);
  if (!std::strcmp(cmd, "verify")) return orvia::cli::RunVerify(rest, args);
  // Every other command (make-card, bench, and any that needs FFmpeg or Qt)
  // belongs to the companion, which also answers unknown ones.
  return RunCompanion(argv);
}
