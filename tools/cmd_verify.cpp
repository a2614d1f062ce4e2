// orvia-cli verify PACK: whether an evidence pack is still whole. Every line
// of its SHA256SUMS is checked, every file of the pack must be listed, and
// each original recording must still read as a recording. Core only: no
// FFmpeg, no Qt.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "output/evidence_files.h"
#include "tools/commands.h"

namespace orvia::cli {

int RunVerify(int argc, char** argv) {
  if (argc != 1 || argv[0][0] == '-') {
    const bool help = argc == 1 && (!std::strcmp(argv[0], "--help") || !std::strcmp(argv[0], "-h"));
    std::fputs(
        "usage: orvia-cli verify PACK\n"
        "  checks every file of an evidence pack against its SHA256SUMS, that no file is\n"
        "  unlisted and that the original recordings still read as recordings;\n"
        "  exit 0 when the pack is whole, 1 naming each file that is not\n",
        help ? stdout : stderr);
    return help ? 0 : 2;
  }
  const std::string pack = argv[0];
  struct stat st {};
  if (::stat(pack.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "orvia-cli verify: %s: no such folder\n", pack.c_str());
    return 2;
  }
  const PackCheck check = VerifyEvidencePack(pack);
  for (const PackFinding& f : check.findings) {
    std::printf("%s: %s%s%s\n", f.path.c_str(), PackProblemText(f.problem), f.detail.empty() ? "" : ": ",
                f.detail.c_str());
  }
  if (check.whole) {
    std::printf("%s: whole (%zu file%s checked against SHA256SUMS)\n", pack.c_str(), check.filesChecked,
                check.filesChecked == 1 ? "" : "s");
    return 0;
  }
  std::printf("%s: NOT whole (%zu of its files or lines do not match)\n", pack.c_str(),
              check.findings.size());
  return 1;
}

}  // namespace orvia::cli
