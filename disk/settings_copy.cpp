#include "disk/settings_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/paths.h"

namespace orvia::format {
namespace {

bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteWhole(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return fsync(fd) == 0;
}

}  // namespace

std::string SettingsCopyFolder() { return XdgUserFolder("XDG_DATA_HOME", ".local/share"); }

std::string SettingsCopyName(std::string_view cardLabel, std::time_t now) {
  std::string name;
  for (const char c : cardLabel) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || static_cast<unsigned char>(c) >= 0x80;
    name += plain ? c : '_';
  }
  if (name.empty()) name = "card";
  std::tm t{};
  localtime_r(&now, &t);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "-%Y%m%d-%H%M%S-setup.dat", &t);
  return name + stamp;
}

std::string SaveSettingsCopy(std::string_view cardLabel, std::string_view settings, std::time_t now) {
  const std::string folder = SettingsCopyFolder();
  if (folder.empty() || !MakeFolders(folder)) return {};
  const std::string name = SettingsCopyName(cardLabel, now);
  // A second format within the same second gets a numbered name.
  for (int n = 0; n < 100; ++n) {
    const std::string path = folder + "/" + (n == 0 ? name : std::to_string(n) + "-" + name);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return {};
    const bool ok = WriteWhole(fd, settings);
    close(fd);
    if (ok) return path;
    unlink(path.c_str());
    return {};
  }
  return {};
}

}  // namespace orvia::format
