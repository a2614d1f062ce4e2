#include "library/card_drives.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace orvia {

namespace {

bool IsAtOrBelow(std::string_view path, std::string_view folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  if (path.size() < folder.size() || path.substr(0, folder.size()) != folder) return false;
  return path.size() == folder.size() || path[folder.size()] == '/';
}

// The last entry of the table mounted at `mountPoint` (the one visible there).
const MountEntry* VisibleAt(const std::vector<MountEntry>& mounts, std::string_view mountPoint) {
  const MountEntry* found = nullptr;
  for (const MountEntry& m : mounts)
    if (m.mountPoint == mountPoint) found = &m;
  return found;
}

bool HasNormalEntry(const std::string& root) {
  struct stat st {};
  return lstat((root + "Normal").c_str(), &st) == 0;
}

int SystemUnmount(const char* mountPoint) { return umount2(mountPoint, 0); }

}  // namespace

bool IsSystemMount(const MountEntry& entry) {
  static const char* const kPseudoTypes[] = {
      "proc",    "sysfs",     "devtmpfs", "devpts",         "tmpfs",       "cgroup",     "cgroup2",
      "mqueue",  "hugetlbfs", "debugfs",  "tracefs",        "securityfs",  "pstore",     "bpf",
      "fusectl", "configfs",  "autofs",   "efivarfs",       "binfmt_misc", "rpc_pipefs", "nsfs",
      "ramfs",   "selinuxfs", "squashfs", "fuse.gvfsd-fuse"};
  static const char* const kSystemFolders[] = {"/boot", "/proc", "/sys", "/dev",  "/run", "/etc",
                                               "/usr",  "/var",  "/bin", "/sbin", "/lib"};
  const std::string mountPoint = TrimTrailingSeparators(entry.mountPoint);
  if (mountPoint == "/" || mountPoint.empty()) return true;
  for (const char* type : kPseudoTypes)
    if (entry.fsType == type) return true;
  // Below /run only the desktop's place for removable media holds cards
  // (/run/media/USER/LABEL).
  if (IsAtOrBelow(mountPoint, "/run/media") && mountPoint != "/run/media") return false;
  for (const char* folder : kSystemFolders)
    if (IsAtOrBelow(mountPoint, folder)) return true;
  return false;
}

std::string TrimTrailingSeparators(std::string_view path) {
  std::string p(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::vector<std::string> FindCardDrives(const std::vector<MountEntry>& mounts,
                                        const std::vector<std::string>& userFolders) {
  std::vector<std::string> roots;
  auto add = [&](const std::string& folder) {
    const std::string trimmed = TrimTrailingSeparators(folder);
    // The root file system is never a card: its text would be empty.
    if (trimmed.empty() || trimmed == "/") return;
    const std::string root = trimmed + "/";
    if (std::find(roots.begin(), roots.end(), root) != roots.end()) return;
    if (HasNormalEntry(root)) roots.push_back(root);
  };
  for (const MountEntry& m : mounts)
    if (!IsSystemMount(m)) add(m.mountPoint);
  for (const std::string& folder : userFolders) {
    if (folder.empty()) continue;
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    add(ec ? folder : absolute.lexically_normal().string());
  }
  return roots;
}

std::string CardDriveText(std::string_view cardRoot) {
  if (cardRoot.size() > 1 && cardRoot.back() == '/') cardRoot.remove_suffix(1);
  return std::string(cardRoot);
}

int DiskIndexOfDevice(const std::string& sysfsRoot, std::string_view device) {
  constexpr std::string_view kDev = "/dev/";
  if (device.substr(0, kDev.size()) != kDev) return -1;
  std::string name(device.substr(kDev.size()));
  if (name.empty() || name.find('/') != std::string::npos) return -1;

  std::string disk;
  int index = -1;
  auto digitsAt = [&](size_t from) {
    size_t end = from;
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
    return end;
  };
  if (name.rfind("mmcblk", 0) == 0 || name.rfind("nvme", 0) == 0) {
    // mmcblk<N>[p<M>], nvme<N>n<K>[p<M>]: the disk is the name before "p<M>".
    const size_t start = name[0] == 'm' ? 6 : 4;
    const size_t end = digitsAt(start);
    if (end == start) return -1;
    if (end - start > 6) return -1;  // no disk has a number that long
    index = 0;
    for (size_t i = start; i < end; ++i) index = index * 10 + (name[i] - '0');
    size_t diskEnd = end;
    if (name[0] == 'n') {
      if (diskEnd >= name.size() || name[diskEnd] != 'n') return -1;
      const size_t nsEnd = digitsAt(diskEnd + 1);
      if (nsEnd == diskEnd + 1) return -1;
      diskEnd = nsEnd;
    }
    if (diskEnd < name.size()) {
      if (name[diskEnd] != 'p' || digitsAt(diskEnd + 1) != name.size() || diskEnd + 1 == name.size())
        return -1;
    }
    disk = name.substr(0, diskEnd);
  } else if (name.size() >= 3 && (name.rfind("sd", 0) == 0 || name.rfind("vd", 0) == 0 ||
                                  name.rfind("hd", 0) == 0 || name.rfind("xvd", 0) == 0)) {
    // sd<letters>[<M>]: letters a..z, aa.. count like spreadsheet columns.
    const size_t start = name[0] == 'x' ? 3 : 2;
    size_t end = start;
    int value = 0;
    while (end < name.size() && name[end] >= 'a' && name[end] <= 'z' && end - start < 4) {
      value = value * 26 + (name[end] - 'a' + 1);
      ++end;
    }
    if (end == start || digitsAt(end) != name.size()) return -1;
    index = value - 1;
    disk = name.substr(0, end);
  } else {
    return -1;
  }
  struct stat st {};
  if (stat((sysfsRoot + "/block/" + disk).c_str(), &st) != 0) return -1;
  return index;
}

int FlushVolume(const char* mountPoint) {
  const int fd = open(mountPoint, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  const int result = syncfs(fd);
  close(fd);
  return result;
}

int ReleaseCardVolume(const std::string& mountPoint, const CardEnvironment& env, const ReleaseOps& ops) {
  std::vector<MountEntry> mounts;
  if (!ReadMountTable(env.mountInfoPath, &mounts)) return -1;
  const std::string point = TrimTrailingSeparators(mountPoint);
  const MountEntry* entry = VisibleAt(mounts, point);
  // Only a card's own mount is ever detached: a plain folder, or the root and
  // system mounts, are left alone.
  if (!entry || IsSystemMount(*entry)) return -1;
  const int disk = DiskIndexOfDevice(env.sysfsRoot, entry->source);
  int (*unmount)(const char*) = ops.unmount ? ops.unmount : SystemUnmount;
  unmount(point.c_str());  // the answer does not matter, as for a dismount
  return disk;
}

std::string MountPointOf(const std::vector<MountEntry>& mounts, std::string_view path) {
  const std::string p = TrimTrailingSeparators(path);
  std::string best;
  for (const MountEntry& m : mounts) {
    const std::string point = TrimTrailingSeparators(m.mountPoint);
    if (IsAtOrBelow(p, point) && point.size() > best.size()) best = point;
  }
  return best;
}

std::string RemovedCardMount(const std::vector<MountEntry>& before, const std::vector<MountEntry>& after,
                             std::string_view cardRoot) {
  if (cardRoot.empty()) return {};
  const std::string point = MountPointOf(before, cardRoot);
  if (point.empty()) return {};
  const MountEntry* was = VisibleAt(before, point);
  const MountEntry* now = VisibleAt(after, point);
  if (now && was && now->source == was->source && now->fsType == was->fsType) return {};
  return point;
}

bool IsMountedAt(const std::vector<MountEntry>& mounts, std::string_view mountPoint) {
  return VisibleAt(mounts, mountPoint) != nullptr;
}

std::vector<std::string> InsertedCardMounts(const std::vector<MountEntry>& before,
                                            const std::vector<MountEntry>& after) {
  std::vector<MountEntry> fresh;
  for (const MountEntry& m : after)
    if (!VisibleAt(before, m.mountPoint)) fresh.push_back(m);
  return FindCardDrives(fresh, {});
}

}  // namespace orvia
