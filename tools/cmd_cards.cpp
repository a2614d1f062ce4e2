// orvia-cli cards [--folder DIR]...: the cards the play-list page offers, as
// JSON objects.
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "library/card_list.h"
#include "library/udisks_client.h"
#include "tools/commands.h"
#include "tools/json_out.h"

namespace orvia::cli {

int RunCards(int argc, char** argv) {
  CardEnvironment env;
  for (int i = 0; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--folder") && i + 1 < argc) {
      env.userFolders.push_back(argv[++i]);
    } else {
      std::fputs("usage: orvia-cli cards [--folder DIR]...\n", stderr);
      return 2;
    }
  }
  // Qt's bus connection expects an application object.
  int qtArgc = 1;
  char name[] = "orvia-cli";
  char* qtArgv[] = {name, nullptr};
  QCoreApplication app(qtArgc, qtArgv);
  const udisks::Snapshot snapshot = udisks::TakeSnapshot();
  if (!snapshot.available) udisks::NoteServiceMissing();
  env.udisks = [&snapshot] { return snapshot; };
  const std::vector<CardVolume> cards = ListCards(env);
  std::string o = "[";
  for (size_t i = 0; i < cards.size(); ++i) {
    const CardVolume& c = cards[i];
    if (i) o.append(",\n ");
    o.append("{\"mountPoint\":" + JsonString(c.mountPoint) + ",\"device\":" + JsonString(c.device) +
             ",\"label\":" + JsonString(c.label) + ",\"fileSystem\":" + JsonString(c.fileSystem) +
             ",\"sizeBytes\":" + std::to_string(c.sizeBytes) + ",\"removable\":" +
             (c.removable ? "true" : "false") + ",\"source\":" + JsonString(c.source) + "}");
  }
  o.append("]\n");
  std::fwrite(o.data(), 1, o.size(), stdout);
  return 0;
}

}  // namespace orvia::cli
