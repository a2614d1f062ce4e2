// The cards offered to the user: one list for the play-list page and for
// `orvia-cli cards`. It comes from the disk service when it answers, from the
// mount table otherwise, and from the folders the user named.
//
// Plain logic, no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/card_drives.h"
#include "library/udisks_model.h"

namespace orvia {

struct CardVolume {
  std::string mountPoint;  // without a trailing '/'
  std::string device;      // "/dev/sdb1"; empty for a folder
  std::string label;
  std::string fileSystem;  // "FAT32", "vfat", ...; empty when unknown
  uint64_t sizeBytes = 0;  // 0 when unknown
  bool removable = false;
  std::string source;  // "udisks", "mounts" or "folder"

  std::string Root() const { return mountPoint + "/"; }
};

// The cards: the mounted volumes carrying `Normal` at their root that are
// not the system's, each listed once, in this order:
//   1. when `snapshot.available`, every mount point of the service's blocks
//      that MayHoldCard, in the service's order (source "udisks");
//   2. the mount table's volumes the service does not know (all of them
//      when the service did not answer), as FindCardDrives takes them
//      (source "mounts");
//   3. the user's folders (source "folder").
// `sysfsRoot` tells whether a mount table's device is removable.
std::vector<CardVolume> ListCards(const udisks::Snapshot& snapshot, const std::vector<MountEntry>& mounts,
                                  const std::vector<std::string>& userFolders,
                                  const std::string& sysfsRoot = "/sys");

// The mount points the service reports as mount-table entries (mount point,
// device, type), so that one state can be compared with the next
// (RemovedCardMount).
std::vector<MountEntry> ServiceMounts(const udisks::Snapshot& snapshot);

// The same over the environment: its mount table, its folders and the
// service's snapshot when it has a source for one.
std::vector<CardVolume> ListCards(const CardEnvironment& env);

}  // namespace orvia
