// orvia-cli-tools: the commands of orvia-cli that need FFmpeg or Qt (the
// recorder simulator, export, rendered videos, evidence packs, the card list and formatting over D-Bus, the
// benchmarks). orvia-cli starts it with its own arguments; it can also be run by hand with the same ones.
#include <cstdio>
#include <cstring>

#include "base/pending_file.h"
#include "tools/commands.h"

int main(int argc, char** argv) {
  // A write or export stopped by Ctrl+C or a kill leaves no half file behind.
  orvia::RemovePendingFilesOnSignals();
  if (argc < 2) {
    std::fputs("usage: orvia-cli COMMAND [ARGS] (see orvia-cli help)\n", stderr);
    return 2;
  }
  const char* cmd = argv[1];
  int rest = argc - 2;
  char** args = argv + 2;
  if (!std::strcmp(cmd, "make-card")) return orvia::cli::RunMakeCard(rest, args);
  if (!std::strcmp(cmd, "export")) return orvia::cli::RunExport(rest, args);
  if (!std::strcmp(cmd, "pack")) return orvia::cli::RunPack(rest, args);
  if (!std::strcmp(cmd, "render")) return orvia::cli::RunRender(rest, args);
  if (!std::strcmp(cmd, "cards")) return orvia::cli::RunCards(rest, args);
  if (!std::strcmp(cmd, "format")) return orvia::cli::RunFormat(rest, args);
  if (!std::strcmp(cmd, "bench")) {
    if (rest >= 1 && !std::strcmp(args[0], "index")) return orvia::cli::RunBenchIndex(rest - 1, args + 1);
    if (rest >= 1 && !std::strcmp(args[0], "decode")) return orvia::cli::RunBenchDecode(rest - 1, args + 1);
    if (rest >= 1 && !std::strcmp(args[0], "cli")) return orvia::cli::RunBenchCli(rest - 1, args + 1);
    if (rest >= 1 && !std::strcmp(args[0], "events")) return orvia::cli::RunBenchEvents(rest - 1, args + 1);
    if (rest >= 1 && !std::strcmp(args[0], "render")) return orvia::cli::RunBenchRender(rest - 1, args + 1);
    if (rest >= 1 && !std::strcmp(args[0], "play")) return orvia::cli::RunBenchPlay(rest - 1, args + 1);
    std::fputs("orvia-cli bench: expected 'index', 'decode', 'cli', 'events', 'render' or 'play'\n", stderr);
    return 2;
  }
  std::fprintf(stderr, "orvia-cli: unknown command '%s' (see orvia-cli help)\n", cmd);
  return 2;
}
