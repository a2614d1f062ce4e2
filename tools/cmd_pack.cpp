// orvia-cli pack: an evidence pack of a moment of a card (or of recordings
// named by path) into a new folder: the originals byte for byte, the card's
// settings, a clip, the GPS track, the G-sensor table, a PDF report and
// SHA256SUMS. The report is drawn with Qt on the offscreen platform, so no
// display is needed.
#include <sys/stat.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "output/evidence_pack.h"
#include "tools/commands.h"

namespace orvia::cli {

namespace {

constexpr const char* kPackUsage =
    "usage: orvia-cli pack CARD_ROOT --at DATETIME [--before S] [--after S] OUTDIR\n"
    "       orvia-cli pack FILE... [--at DATETIME [--before S] [--after S]] OUTDIR\n"
    "  DATETIME   the moment on the recorder's clock, as 2026-12-07T08:36:24\n"
    "  --before   seconds before the moment (default 30), --after seconds after it (default 30)\n"
    "  FILE...    recordings; without --at the pack holds them whole, around their strongest G\n"
    "  OUTDIR     an existing folder; the pack becomes OUTDIR/evidence_YYYYMMDD_HHMMSS\n";

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "orvia-cli pack: %s\n", problem);
  std::fputs(kPackUsage, stderr);
  return 2;
}

bool ParseSeconds(const char* text, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 3600) return false;
  out = static_cast<int>(v);
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Reads the command line into `o`. -1 to go on, else the exit code.
int ParsePackArgs(int argc, char** argv, EvidencePackOptions& o) {
  std::vector<std::string> paths;
  bool sides = false;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--at" && hasValue) {
      o.moment = argv[++i];
    } else if ((arg == "--before" || arg == "--after") && hasValue) {
      if (!ParseSeconds(argv[++i], arg == "--before" ? o.beforeSeconds : o.afterSeconds))
        return Usage("--before and --after take whole seconds, 0..3600");
      sides = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kPackUsage, stdout);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option or missing value: " + arg).c_str());
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.size() < 2) return Usage("give a card or recordings, and the folder for the pack");
  o.outputFolder = paths.back();
  paths.pop_back();
  if (paths.size() == 1 && IsFolder(paths[0])) {
    o.cardRoot = paths[0];
    if (o.moment.empty()) return Usage("a card needs --at DATETIME");
  } else {
    for (const std::string& p : paths)
      if (IsFolder(p)) return Usage(("give one card or recordings, not both: " + p).c_str());
    o.recordings = paths;
    if (sides && o.moment.empty()) return Usage("--before and --after belong to --at");
  }
  return -1;
}

}  // namespace

int RunPack(int argc, char** argv) {
  EvidencePackOptions options;
  const int parsed = ParsePackArgs(argc, argv, options);
  if (parsed >= 0) return parsed;
  av_log_set_level(AV_LOG_FATAL);  // the encoder's statistics and decoder's complaints are not for the user
  // The report is drawn on the offscreen platform: no display needed.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char qtName[] = "orvia-cli";
  char* qtArgv[] = {qtName, nullptr};
  // Qt's own remarks on the environment (no runtime folder, ...) are not
  // this command's output; its errors still are.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
  QGuiApplication app(qtArgc, qtArgv);
  const EvidencePackResult r = WriteEvidencePack(options);
  if (!r.ok) {
    std::fprintf(stderr, "orvia-cli pack: %s\n", r.error.c_str());
    return 1;
  }
  std::printf("%s\n", r.packFolder.c_str());
  for (const std::string& f : r.files) std::printf("  %s\n", f.c_str());
  for (const std::string& n : r.notes) std::fprintf(stderr, "orvia-cli pack: note: %s\n", n.c_str());
  return 0;
}

}  // namespace orvia::cli
