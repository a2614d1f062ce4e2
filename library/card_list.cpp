#include "library/card_list.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace orvia {
namespace {

namespace fs = std::filesystem;

bool HasNormal(const std::string& folder) {
  struct stat st {};
  return lstat((folder + "/Normal").c_str(), &st) == 0;
}

uint64_t VolumeBytes(const std::string& mountPoint) {
  struct statvfs vfs {};
  if (statvfs(mountPoint.c_str(), &vfs) != 0) return 0;
  return static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
}

// The sysfs "removable" flag of the disk holding a device (/dev/sdb1 -> sdb).
bool SysfsRemovable(const std::string& sysfsRoot, const std::string& device) {
  if (device.rfind("/dev/", 0) != 0) return false;
  std::error_code ec;
  fs::path node = fs::canonical(fs::path(sysfsRoot) / "class/block" / device.substr(5), ec);
  if (ec) return false;
  if (fs::exists(node / "partition", ec)) node = node.parent_path();
  std::ifstream in(node / "removable");
  char flag = '0';
  in.get(flag);
  return flag == '1';
}

}  // namespace

std::vector<CardVolume> ListCards(const udisks::Snapshot& snapshot, const std::vector<MountEntry>& mounts,
                                  const std::vector<std::string>& userFolders, const std::string& sysfsRoot) {
  std::vector<CardVolume> cards;
  std::set<std::string> listed;  // mount points (or folders) taken
  std::set<std::string> known;   // every mount point the service reports
  auto take = [&](CardVolume card) {
    card.mountPoint = TrimTrailingSeparators(card.mountPoint);
    if (card.mountPoint.empty() || card.mountPoint == "/" || listed.count(card.mountPoint)) return;
    if (!HasNormal(card.mountPoint)) return;
    listed.insert(card.mountPoint);
    cards.push_back(std::move(card));
  };

  if (snapshot.available) {
    for (const udisks::Block& block : snapshot.blocks)
      for (const std::string& point : block.mountPoints) known.insert(TrimTrailingSeparators(point));
    for (const udisks::Block& block : snapshot.blocks) {
      if (!udisks::MayHoldCard(block)) continue;
      const udisks::Drive* drive = snapshot.FindDrive(block.drive);
      for (const std::string& point : block.mountPoints) {
        if (IsSystemMount({point, block.device, block.idType})) continue;
        take({point, block.device, block.idLabel, udisks::FileSystemName(block), block.sizeBytes,
              drive != nullptr && (drive->removable || drive->mediaRemovable), "udisks"});
      }
    }
  }
  for (const MountEntry& m : mounts) {
    const std::string point = TrimTrailingSeparators(m.mountPoint);
    if (known.count(point) || IsSystemMount(m)) continue;
    if (listed.count(point) || !HasNormal(point)) continue;
    take({point, m.source, "", m.fsType, VolumeBytes(point), SysfsRemovable(sysfsRoot, m.source), "mounts"});
  }
  for (const std::string& folder : userFolders) {
    if (folder.empty()) continue;
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    const std::string path = ec ? folder : absolute.lexically_normal().string();
    take({path, "", "", "", 0, false, "folder"});
  }
  return cards;
}

std::vector<CardVolume> ListCards(const CardEnvironment& env) {
  std::vector<MountEntry> mounts;
  ReadMountTable(env.mountInfoPath, &mounts);
  const udisks::Snapshot snapshot = env.udisks ? env.udisks() : udisks::Snapshot{};
  return ListCards(snapshot, mounts, env.userFolders, env.sysfsRoot);
}

std::vector<MountEntry> ServiceMounts(const udisks::Snapshot& snapshot) {
  std::vector<MountEntry> mounts;
  for (const udisks::Block& block : snapshot.blocks)
    for (const std::string& point : block.mountPoints) mounts.push_back({point, block.device, block.idType});
  return mounts;
}

std::vector<std::string> FindCardDrives(const CardEnvironment& env) {
  std::vector<std::string> roots;
  for (const CardVolume& card : ListCards(env)) roots.push_back(card.Root());
  return roots;
}

}  // namespace orvia
