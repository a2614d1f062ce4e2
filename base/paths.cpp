#include "base/paths.h"

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

void RemoveColons(std::string& text) { std::erase(text, ':'); }

}  // namespace orvia
