#include "tools/child_process.h"

#include <unistd.h>

#include "base/process.h"

namespace orvia::cli {

bool RunQuiet(const std::vector<std::string>& args) {
  ProcessOptions options;
  options.capture = false;
  return RunProcess(args, options).exitCode == 0;
}

std::string OwnFolder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace orvia::cli
