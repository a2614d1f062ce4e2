// Finding the recorder's cards among the mounted volumes, releasing a card's
// volume, and deciding whether a change of the mount table took the card in
// use away.
//
// A card is a mounted volume that carries a `Normal` entry at its root and is
// neither the root file system nor a system mount, or a folder the user named
// that carries `Normal`. A card's root is its mount point (or folder) with a
// trailing '/'; the text shown for it is the same path without the '/'.
//
// Plain logic, no Qt. The mount table file and the sysfs root are parameters,
// so tests can describe cards that are not there.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "library/mount_table.h"
#include "library/udisks_model.h"

namespace orvia {

// Where the card search looks. The defaults are the running system's.
struct CardEnvironment {
  std::string mountInfoPath = "/proc/self/mountinfo";
  std::string sysfsRoot = "/sys";
  // Folders the user named as cards (absolute or relative paths).
  std::vector<std::string> userFolders;
  // Asks the disk service for its drives and volumes; empty, or a snapshot
  // that is not `available`, means the mount table alone is read.
  std::function<udisks::Snapshot()> udisks;
};

// True for the root file system and the mounts a card never is: pseudo file
// systems, and everything at or below /boot, /proc, /sys, /dev, /run (except
// the desktop's /run/media/...), /etc, /usr, /var, /bin, /sbin and /lib.
bool IsSystemMount(const MountEntry& entry);

// A folder path without trailing separators ("/" stays "/").
std::string TrimTrailingSeparators(std::string_view path);

// The card roots (each ending in '/'): the mounted volumes carrying `Normal`
// at their root, in table order, then the user's folders carrying `Normal`,
// in the order given. Each root is listed once.
std::vector<std::string> FindCardDrives(const std::vector<MountEntry>& mounts,
                                        const std::vector<std::string>& userFolders);
// The same over the environment: the roots of ListCards (library/card_list.h).
std::vector<std::string> FindCardDrives(const CardEnvironment& env);

// The text shown for a card root: the root without its trailing separator.
std::string CardDriveText(std::string_view cardRoot);

// Index of the whole disk that holds a block device ("/dev/sdb1" -> "sdb" ->
// 1, "/dev/mmcblk0p1" -> 0, "/dev/nvme1n1p2" -> 1), when the disk exists
// under `sysfsRoot`/block. -1 for anything else.
int DiskIndexOfDevice(const std::string& sysfsRoot, std::string_view device);

// Unmounts a card's volume so that maintenance can work on it.
struct ReleaseOps {
  // Detaches the mount point; 0 on success (the system call by default).
  int (*unmount)(const char* mountPoint) = nullptr;
};
// An alternative to detaching: flushes the volume's pending writes and
// leaves it mounted (0 on success). A detached card stays away until it is
// mounted again, so the disk manager would no longer list it.
int FlushVolume(const char* mountPoint);

// Looks the mount point up in the table, detaches it whatever the answer
// about its disk, and returns the index of the disk that holds it, or -1.
// A path that is not a mount point in the table, and a system mount, is left
// alone and gives -1. `ops.unmount` null means the umount2 system call.
int ReleaseCardVolume(const std::string& mountPoint, const CardEnvironment& env = {},
                      const ReleaseOps& ops = {});

// The mount point under which a path lies: the longest mount point of the
// table that is the path or one of its parent folders. Empty when none.
std::string MountPointOf(const std::vector<MountEntry>& mounts, std::string_view path);

// Whether something is mounted at `mountPoint` in `mounts`.
bool IsMountedAt(const std::vector<MountEntry>& mounts, std::string_view mountPoint);

// The cards (roots ending in '/') mounted in `after` at a mount point that
// `before` did not have: inserted cards, in table order.
std::vector<std::string> InsertedCardMounts(const std::vector<MountEntry>& before,
                                            const std::vector<MountEntry>& after);

// After the mount table changed from `before` to `after`: the mount point
// that held `cardRoot` and is gone (no longer mounted, or now a different
// source), or empty when the card root is unaffected or empty.
std::string RemovedCardMount(const std::vector<MountEntry>& before, const std::vector<MountEntry>& after,
                             std::string_view cardRoot);

}  // namespace orvia
