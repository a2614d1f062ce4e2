#include "base/program_folder.h"

#include <unistd.h>

namespace orvia {

namespace {

std::string& ProgramFolderOverride() {
  static std::string folder;
  return folder;
}

}  // namespace

std::string ProgramFolderFromModulePath(std::string_view modulePath) {
  size_t cut = modulePath.rfind('\\');
  if (cut == std::string_view::npos) cut = modulePath.rfind('/');
  if (cut == std::string_view::npos) return std::string(modulePath);
  return std::string(modulePath.substr(0, cut + 1));
}

std::string GetProgramFolder() {
  if (!ProgramFolderOverride().empty()) return ProgramFolderOverride();
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  return ProgramFolderFromModulePath(std::string_view(buf, static_cast<size_t>(n)));
}

void SetProgramFolderForTesting(const std::string& folder) { ProgramFolderOverride() = folder; }

}  // namespace orvia
