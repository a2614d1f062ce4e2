#include "library/card_root.h"

#include <filesystem>

namespace orvia {

std::string CardRootOfRecording(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  if (ec) return "";
  for (int up = 0; up < 3 && p.has_parent_path() && p.parent_path() != p; ++up) {
    p = p.parent_path();
    if (std::filesystem::is_regular_file(p / "Config" / "setup.dat", ec)) return p.string();
  }
  return "";
}

}  // namespace orvia
