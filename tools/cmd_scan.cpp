// orvia-cli scan CARD_ROOT [--mode N]: a card's play list as JSON rows.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/localized_text.h"
#include "base/program_folder.h"
#include "library/play_list.h"
#include "tools/commands.h"
#include "tools/json_out.h"

namespace orvia::cli {
namespace {

// Type texts come from the string file in the program folder. When the
// viewer has not written one there yet, the built-in English file is put in
// a private folder for this run.
void EnsureStringFile() {
  std::string own = GetProgramFolder() + kStringFileName;
  struct stat st {};
  if (stat(own.c_str(), &st) == 0) return;
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/orvia-cli-XXXXXX";
  if (!mkdtemp(templ.data())) return;
  std::string folder = templ + "/";
  // A private scratch file: no need to flush it to the disk.
  const std::string_view bytes = EnglishStringFileBytes();
  std::FILE* f = std::fopen((folder + kStringFileName).c_str(), "wb");
  if (!f) return;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) == 0 && written) SetProgramFolderForTesting(folder);
  static std::string cleanup;
  cleanup = folder;
  std::atexit([] {
    std::remove((cleanup + kStringFileName).c_str());
    std::remove(cleanup.c_str());
  });
}

}  // namespace

int RunScan(int argc, char** argv) {
  const char* root = nullptr;
  int mode = 0;
  for (int i = 0; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--mode") && i + 1 < argc) {
      char* end = nullptr;
      long m = std::strtol(argv[++i], &end, 10);
      if (*end || m < 0 || m > 4) {
        std::fputs("orvia-cli scan: --mode takes 0 (all), 1 driving, 2 event, 3 parking, 4 parking event\n",
                   stderr);
        return 2;
      }
      mode = static_cast<int>(m);
    } else if (!root && argv[i][0] != '-') {
      root = argv[i];
    } else {
      std::fputs("usage: orvia-cli scan CARD_ROOT [--mode 0..4]\n", stderr);
      return 2;
    }
  }
  if (!root) {
    std::fputs("usage: orvia-cli scan CARD_ROOT [--mode 0..4]\n", stderr);
    return 2;
  }
  struct stat st {};
  if (stat(root, &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "orvia-cli scan: %s: not a folder\n", root);
    return 2;
  }
  EnsureStringFile();
  std::vector<PlayListRow> rows = ScanPlayList(root, mode);
  std::string o = "[";
  for (size_t i = 0; i < rows.size(); ++i) {
    const PlayListRow& r = rows[i];
    if (i) o.append(",\n ");
    o.append("[" + JsonString(r.number) + "," + JsonString(r.date) + "," + JsonString(r.time) + "," +
             JsonString(r.type) + "," + JsonString(r.path) + "]");
  }
  o.append("]\n");
  std::fwrite(o.data(), 1, o.size(), stdout);
  return 0;
}

}  // namespace orvia::cli
