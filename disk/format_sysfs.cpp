// Which devices and files may be formatted, found from the kernel's view:
// sysfs for removable disks and their partitions, mountinfo and swaps for
// what is in use, loop devices for image files that are mounted.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "disk/format_logic.h"
#include "library/udisks_model.h"

namespace orvia::format {
namespace fs = std::filesystem;
namespace {

std::string ReadSmallFile(const std::string& path, size_t limit = 4096) {
  std::ifstream in(path, std::ios::binary);
  std::string text(limit, '\0');
  in.read(text.data(), static_cast<std::streamsize>(limit));
  text.resize(static_cast<size_t>(in.gcount()));
  return text;
}
std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r')) text.pop_back();
  return text;
}
std::string DevNumberText(unsigned major, unsigned minor) {
  return std::to_string(major) + ":" + std::to_string(minor);
}

// Mount points a card may use; a mount anywhere else counts as a system path.
bool IsCardMountPoint(const std::string& mountPoint) {
  for (const char* prefix : {"/media/", "/mnt/", "/run/media/"})
    if (mountPoint.rfind(prefix, 0) == 0 && mountPoint.size() > std::strlen(prefix)) return true;
  return false;
}

// The sysfs folder of a disk and of its partitions, by device number.
struct DiskNode {
  bool found = false;
  fs::path diskDir;
  std::string name;                  // the disk's name (sdb, mmcblk0)
  std::set<std::string> devNumbers;  // the disk's and its partitions' "M:m"
  uint64_t sizeBytes = 0;            // of the device asked about
  bool isPartition = false;
  uint64_t startSector = 0;  // of the partition asked about
};

DiskNode FindDiskNode(unsigned major, unsigned minor, const SystemPaths& system) {
  DiskNode node;
  std::error_code ec;
  const fs::path link = fs::path(system.sysDevBlock) / DevNumberText(major, minor);
  const fs::path dir = fs::canonical(link, ec);
  if (ec) return node;
  node.isPartition = fs::exists(dir / "partition", ec);
  node.diskDir = node.isPartition ? dir.parent_path() : dir;
  if (node.isPartition)
    node.startSector = std::strtoull(ReadSmallFile((dir / "start").string()).c_str(), nullptr, 10);
  node.name = node.diskDir.filename().string();
  node.sizeBytes = std::strtoull(ReadSmallFile((dir / "size").string()).c_str(), nullptr, 10) * 512;
  node.devNumbers.insert(Trimmed(ReadSmallFile((node.diskDir / "dev").string())));
  for (const fs::directory_entry& e : fs::directory_iterator(node.diskDir, ec))
    if (fs::exists(e.path() / "partition", ec))
      node.devNumbers.insert(Trimmed(ReadSmallFile((e.path() / "dev").string())));
  node.devNumbers.insert(DevNumberText(major, minor));
  node.found = true;
  return node;
}

bool IsRemovableDisk(const fs::path& diskDir) {
  const std::string name = diskDir.filename().string();
  // An eMMC's boot and RPMB areas, and optical drives (removable too), are
  // never cards.
  if (udisks::IsBootOrRpmbDevice(name) || name.rfind("sr", 0) == 0) return false;
  // SD slots (mmcblk) report themselves as not removable; the card in them
  // is. An eMMC soldered to the board says "MMC" as its type.
  if (name.rfind("mmcblk", 0) == 0)
    return Trimmed(ReadSmallFile((diskDir / "device" / "type").string())) != "MMC";
  return Trimmed(ReadSmallFile((diskDir / "removable").string())) == "1";
}

// True when a loop device reads the file: its file system may be mounted,
// and writing under a mounted file system ruins both.
bool IsLoopBacking(const struct stat& file, const SystemPaths& system) {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(system.sysBlock, ec)) {
    const std::string backing =
        Trimmed(ReadSmallFile((e.path() / "loop" / "backing_file").string(), PATH_MAX));
    struct stat st {};
    if (!backing.empty() && stat(backing.c_str(), &st) == 0 && st.st_dev == file.st_dev &&
        st.st_ino == file.st_ino)
      return true;
  }
  return false;
}

}  // namespace

TargetCheck CheckFormatTarget(const std::string& path, const SystemPaths& system) {
  TargetCheck check;
  if (path.empty()) {
    check.error = FormatError::kNoCard;
    return check;
  }
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    check.error = FormatError::kNotDeviceOrFile;
    return check;
  }
  if (S_ISREG(st.st_mode)) {
    check.kind = TargetKind::kImageFile;
    check.sizeBytes = static_cast<uint64_t>(st.st_size);
    if (IsLoopBacking(st, system)) check.error = FormatError::kImageInUse;
    return check;
  }
  if (!S_ISBLK(st.st_mode)) {
    check.error = FormatError::kNotDeviceOrFile;
    return check;
  }
  check.kind = TargetKind::kBlockDevice;
  const DiskNode node = FindDiskNode(major(st.st_rdev), minor(st.st_rdev), system);
  if (!node.found || !IsRemovableDisk(node.diskDir)) {
    check.error = FormatError::kNotRemovable;
    return check;
  }
  check.sizeBytes = node.sizeBytes;
  if (node.isPartition) {
    check.diskDevice = system.dev + "/" + node.name;
    check.partitionStartSector = node.startSector;
  }
  const std::string self = DevNumberText(major(st.st_rdev), minor(st.st_rdev));

  // The root file system's device, however it is reached.
  struct stat rootSt {};
  if (system.mountInfo == SystemPaths().mountInfo && stat("/", &rootSt) == 0 &&
      node.devNumbers.count(DevNumberText(major(rootSt.st_dev), minor(rootSt.st_dev)))) {
    check.error = FormatError::kSystemDevice;
    return check;
  }
  const std::string mounts = ReadSmallFile(system.mountInfo, 1 << 20);
  for (const MountEntry& m : ParseMountInfo(mounts)) {
    const std::string number = DevNumberText(m.major, m.minor);
    struct stat sourceSt {};
    const bool sourceOnDisk =
        stat(m.source.c_str(), &sourceSt) == 0 && S_ISBLK(sourceSt.st_mode) &&
        node.devNumbers.count(DevNumberText(major(sourceSt.st_rdev), minor(sourceSt.st_rdev)));
    if (!node.devNumbers.count(number) && !sourceOnDisk) continue;
    if (!IsCardMountPoint(m.mountPoint)) {
      check.error = FormatError::kSystemDevice;
      check.mountsToRelease.clear();
      return check;
    }
    if (number == self) check.mountsToRelease.push_back(m.mountPoint);
  }
  const std::string swaps = ReadSmallFile(system.swaps, 1 << 16);
  size_t lineStart = swaps.find('\n');  // the first line is a header
  while (lineStart != std::string::npos && lineStart + 1 < swaps.size()) {
    const size_t end = swaps.find_first_of(" \t\n", lineStart + 1);
    const std::string device = swaps.substr(lineStart + 1, end - lineStart - 1);
    struct stat swapSt {};
    if (stat(device.c_str(), &swapSt) == 0 && S_ISBLK(swapSt.st_mode) &&
        node.devNumbers.count(DevNumberText(major(swapSt.st_rdev), minor(swapSt.st_rdev)))) {
      check.error = FormatError::kSystemDevice;
      check.mountsToRelease.clear();
      return check;
    }
    lineStart = swaps.find('\n', lineStart + 1);
  }
  return check;
}

std::vector<CardCandidate> FindRemovableCards(const SystemPaths& system) {
  std::vector<CardCandidate> cards;
  const std::vector<MountEntry> mounts = ParseMountInfo(ReadSmallFile(system.mountInfo, 1 << 20));
  std::error_code ec;
  std::vector<fs::path> disks;
  for (const fs::directory_entry& e : fs::directory_iterator(system.sysBlock, ec)) disks.push_back(e.path());
  std::sort(disks.begin(), disks.end());
  for (const fs::path& disk : disks) {
    if (!IsRemovableDisk(disk)) continue;
    std::vector<fs::path> volumes;
    for (const fs::directory_entry& e : fs::directory_iterator(disk, ec))
      if (fs::exists(e.path() / "partition", ec)) volumes.push_back(e.path());
    std::sort(volumes.begin(), volumes.end());
    if (volumes.empty()) volumes.push_back(disk);
    for (const fs::path& volume : volumes) {
      CardCandidate card;
      card.totalBytes = std::strtoull(ReadSmallFile((volume / "size").string()).c_str(), nullptr, 10) * 512;
      if (card.totalBytes == 0) continue;  // a reader slot without a card
      card.devicePath = (fs::path(system.dev) / volume.filename()).string();
      unsigned major = 0;
      unsigned minor = 0;
      if (std::sscanf(ReadSmallFile((volume / "dev").string()).c_str(), "%u:%u", &major, &minor) == 2) {
        for (const MountEntry& m : mounts)
          if (m.major == major && m.minor == minor) {
            card.mountPoint = m.mountPoint;
            break;
          }
      }
      const VolumeInfo info = ReadVolumeInfo(card.devicePath);
      if (info.valid) {
        card.fileSystem = info.fileSystem;
        card.clusterBytes = info.clusterBytes;
        card.label = info.label;
        card.totalBytes = info.totalBytes;
      }
      cards.push_back(card);
    }
  }
  return cards;
}

bool IsMountPoint(const std::string& path, const SystemPaths& system) {
  if (path.empty()) return false;
  std::string wanted = path;
  while (wanted.size() > 1 && wanted.back() == '/') wanted.pop_back();
  for (const MountEntry& m : ParseMountInfo(ReadSmallFile(system.mountInfo, 1 << 20)))
    if (m.mountPoint == wanted) return true;
  return false;
}

}  // namespace orvia::format
