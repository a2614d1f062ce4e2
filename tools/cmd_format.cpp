// orvia-cli format CARD --label L [--full] --yes: formats a card for the
// recorder as the format page does (FAT32 with 32 KB clusters, the
// recorder's folders, the card's settings file kept or the default), for
// people who prepare several cards and for tests. CARD is the card's mount
// point or its block device, and must be one the format page offers.
#include <unistd.h>

#include <QCoreApplication>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "disk/format_service.h"
#include "disk/format_targets.h"
#include "library/udisks_client.h"
#include "tools/commands.h"
#include "tools/json_out.h"

namespace orvia::cli {
namespace {

constexpr const char* kUsage = "usage: orvia-cli format CARD --label LABEL [--full] --yes\n";

// The path with symbolic links resolved and no trailing separator; the path
// itself when it does not resolve.
std::string Canonical(const std::string& path) {
  char resolved[PATH_MAX];
  std::string out = realpath(path.c_str(), resolved) ? std::string(resolved) : path;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// The card the page would offer for `given` (a mount point or a device),
// or null.
const format::CardCandidate* FindCard(const std::vector<format::CardCandidate>& cards,
                                      const std::string& given) {
  const std::string wanted = Canonical(given);
  for (const format::CardCandidate& card : cards)
    if ((!card.mountPoint.empty() && Canonical(card.mountPoint) == wanted) ||
        Canonical(card.devicePath) == wanted)
      return &card;
  return nullptr;
}

void ListOffered(const std::vector<format::CardCandidate>& cards) {
  if (cards.empty()) {
    std::fputs("orvia-cli format: no removable card was found\n", stderr);
    return;
  }
  std::fputs("orvia-cli format: the cards that may be formatted:\n", stderr);
  for (const format::CardCandidate& card : cards)
    std::fprintf(stderr, "  %s  (%s)\n", format::CardRootText(card).c_str(), card.devicePath.c_str());
}

struct FormatArgs {
  std::string card;
  std::string label;
  bool full = false;
  bool yes = false;
};

// The command's arguments; nothing when they are not its own.
std::optional<FormatArgs> ParseArgs(int argc, char** argv) {
  FormatArgs args;
  bool haveLabel = false;
  for (int i = 0; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--label") && i + 1 < argc) {
      args.label = argv[++i];
      haveLabel = true;
    } else if (!std::strcmp(argv[i], "--full")) {
      args.full = true;
    } else if (!std::strcmp(argv[i], "--yes")) {
      args.yes = true;
    } else if (argv[i][0] != '-' && args.card.empty()) {
      args.card = argv[i];
    } else {
      return std::nullopt;
    }
  }
  if (args.card.empty() || !haveLabel) return std::nullopt;
  return args;
}

}  // namespace

int RunFormat(int argc, char** argv) {
  const std::optional<FormatArgs> args = ParseArgs(argc, argv);
  if (!args) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& card = args->card;
  const bool full = args->full;
  const bool yes = args->yes;
  const std::string& label = args->label;
  const std::string prepared = format::PrepareLabel(label);
  if (const std::string problem = format::LabelProblem(prepared); !problem.empty()) {
    std::fprintf(stderr, "orvia-cli format: %s\n", problem.c_str());
    return 2;
  }

  // Qt's bus connection expects an application object.
  int qtArgc = 1;
  char name[] = "orvia-cli";
  char* qtArgv[] = {name, nullptr};
  QCoreApplication app(qtArgc, qtArgv);
  const std::vector<format::CardCandidate> cards = FindFormatCards({});
  const format::CardCandidate* chosen = FindCard(cards, card);
  if (chosen == nullptr) {
    std::fprintf(stderr, "orvia-cli format: %s is no removable card that may be formatted\n", card.c_str());
    ListOffered(cards);
    return 1;
  }
  if (chosen->objectPath.empty() && geteuid() != 0 && access(chosen->devicePath.c_str(), W_OK) != 0) {
    format::FormatResult refused;
    refused.error = format::FormatError::kNoService;
    std::fprintf(stderr, "orvia-cli format: %s\n", format::ReasonLine(refused).c_str());
    return 1;
  }
  const std::string rightNote = FormatRightNote(*chosen);
  if (!yes) {
    std::fprintf(stderr, "orvia-cli format: this erases everything on %s (%s); add --yes to go on\n",
                 format::CardRootText(*chosen).c_str(), chosen->devicePath.c_str());
    if (!rightNote.empty()) std::fprintf(stderr, "orvia-cli format: %s\n", rightNote.c_str());
    return 2;
  }
  if (!rightNote.empty()) std::fprintf(stderr, "orvia-cli format: %s\n", rightNote.c_str());

  format::FormatRequest request;
  request.target = chosen->devicePath;
  request.mountPoint = chosen->mountPoint;
  request.label = prepared;
  request.quick = !full;
  request.objectPath = chosen->objectPath;
  request.sizeBytes = chosen->totalBytes;
  request.partitionOffset = chosen->partitionOffset;
  int shown = -1;
  const format::FormatResult result = RunCardFormat(
      request,
      [&shown](int percent, format::FormatPhase) {
        // Every tenth percent, so that a log stays short.
        if (percent / 10 == shown / 10 && percent != 100) return;
        shown = percent;
        std::fprintf(stderr, "formatting: %d%%\n", percent);
      },
      format::FormatTools{}, format::SystemPaths{});
  if (!result.ok()) {
    const std::string reason = format::ReasonLine(result);
    std::fprintf(stderr, "orvia-cli format: %s failed: %s\n", chosen->devicePath.c_str(),
                 reason.empty() ? format::FormatErrorName(result.error) : reason.c_str());
    return 1;
  }
  const std::string out = "{\"device\":" + JsonString(chosen->devicePath) +
                          ",\"mountPoint\":" + JsonString(result.mountPoint) +
                          ",\"label\":" + JsonString(result.volume.label) +
                          ",\"keptSettings\":" + (result.keptSettings ? "true" : "false") +
                          ",\"settingsCopy\":" + JsonString(result.settingsCopy) + "}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace orvia::cli
