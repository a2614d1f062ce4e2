#include "output/snapshot_suffix.h"

#include <sys/stat.h>

namespace orvia {

std::string NumberedSnapshotPath(std::string_view path, int n) {
  std::string result(path);
  if (n <= 1) return result;
  const size_t slash = result.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = result.rfind('.');
  // A dot of a folder name, or a name that is only ".hidden", is no extension.
  if (dot == std::string::npos || dot <= nameStart) dot = result.size();
  result.insert(dot, "-" + std::to_string(n));
  return result;
}

bool PathExistsOnDisk(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

int FreeSnapshotNumber(const std::vector<std::string>& paths, const PathExists& exists) {
  for (int n = 1; n <= kMaxSnapshotNumber; ++n) {
    bool taken = false;
    for (const std::string& p : paths) {
      if (exists && exists(NumberedSnapshotPath(p, n))) {
        taken = true;
        break;
      }
    }
    if (!taken) return n;
  }
  return 0;
}

}  // namespace orvia
