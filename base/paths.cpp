#include "base/paths.h"

#include <cstdlib>

#include <sys/stat.h>

#include <algorithm>

namespace orvia {

void CreatePathDirectories(std::string_view path) {
  path = path.substr(0, std::min<size_t>(path.size(), 259));
  for (size_t i = 0; i < path.size(); ++i) {
    if ((path[i] == '/' || path[i] == '\\') && i > 0 && path[i - 1] != ':') {
      std::string folder(path.substr(0, i));
      mkdir(folder.c_str(), 0755);
    }
  }
}

std::string XdgUserFolder(const char* variable, const char* underHome) {
  const char* xdg = std::getenv(variable);
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/orvia";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/" + underHome + "/orvia";
  return {};
}

std::string UserCacheFolder() { return XdgUserFolder("XDG_CACHE_HOME", ".cache"); }

void RemoveColons(std::string& text) { std::erase(text, ':'); }

}  // namespace orvia
