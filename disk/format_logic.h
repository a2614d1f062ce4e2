// Formatting a recorder card: FAT32 with 32 KB clusters, then the card is
// prepared for the recorder (the `Normal` and `Config` folders and the
// settings file Config/setup.dat, kept across the format or the default).
//
// A card is a removable block device or an image file. The file system is made
// with mkfs.fat and written to with mtools, which work on both, so no mount is
// needed. Nothing here uses Qt; RunFormat blocks and is meant for the format
// worker thread, every other function may run on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/volume_label.h"
#include "library/mount_table.h"

namespace orvia::format {

constexpr uint32_t kClusterBytes = 32768;
constexpr uint32_t kSectorBytes = 512;
// FAT32 needs at least this many clusters, or readers take the volume for FAT16.
constexpr uint64_t kMinFat32Clusters = 65525;
// The smallest card that takes FAT32 with 32 KB clusters (clusters, FATs and
// the reserved sectors), about 2.1 GB.
constexpr uint64_t kMinCardBytes = kMinFat32Clusters * kClusterBytes + 2 * 512 * 512 + 64 * 512;
// FAT32 counts 512-byte sectors in 32 bits: a card of this size or more is
// refused (2 TiB).
constexpr uint64_t kMaxCardBytes = uint64_t{1} << 41;
// The largest settings file kept across a format; a larger one is not a
// settings file of the recorder and the default takes its place.
constexpr size_t kMaxKeptSettingsBytes = 1 << 20;
// A card that may be formatted, as the drive list shows it.
struct CardCandidate {
  std::string mountPoint;     // where its file system is mounted now, or empty
  std::string devicePath;     // the block device (/dev/sdb1) or an image file
  uint64_t totalBytes = 0;    // size of the volume; 0 when unknown
  std::string fileSystem;     // "FAT32", "FAT16", "exFAT", ... or empty
  uint32_t clusterBytes = 0;  // 0 when unknown
  std::string label;
  // The disk service's object for the card, when the service listed it;
  // empty for a card found in sysfs or an image file.
  std::string objectPath;
  uint64_t partitionOffset = 0;  // bytes from the start of its disk
};

// The card root shown and handed back: the mount point without a trailing
// separator, or the device path when the card is not mounted.
std::string CardRootText(const CardCandidate& card);

// Texts of the options dialog. "7.4 GB" before the format (one decimal),
// "7 GB" after it (whole GB, truncated), "32 KB" for a cluster size.
std::string SizeTextBefore(uint64_t totalBytes);
std::string SizeTextAfter(uint64_t totalBytes);
std::string ClusterText(uint32_t clusterBytes);

// The mount table, read with the card search's parser.
using orvia::MountEntry;
using orvia::ParseMountInfo;

// Where the system facts are read; tests point these at fake trees.
struct SystemPaths {
  std::string mountInfo = "/proc/self/mountinfo";
  std::string swaps = "/proc/swaps";
  std::string sysDevBlock = "/sys/dev/block";  // holds <major>:<minor> links
  std::string sysBlock = "/sys/block";
  std::string dev = "/dev";
};

enum class TargetKind { kImageFile, kBlockDevice };

enum class FormatError {
  kNone,
  kNoCard,           // no target given
  kNotDeviceOrFile,  // missing, a folder, a character device, ...
  kNotRemovable,     // a block device that is no removable card
  kSystemDevice,     // the root file system's disk, or one with system paths or swap
  kImageInUse,       // an image file attached to a loop device (possibly mounted)
  kTooSmall,         // below kMinCardBytes
  kTooLarge,         // kMaxCardBytes or more
  kBadLabel,         // a label mkfs.fat cannot write
  kUnmountFailed,
  kWipeFailed,     // full format: the zeroing failed
  kMkfsFailed,     // mkfs.fat failed, or the result is no FAT32 with 32 KB clusters
  kPrepareFailed,  // folders or settings file not written
  // Refusals of the disk service (the format went through it):
  kNotAuthorized,  // the user was not given the right
  kBusy,           // the card is in use
  kRemoved,        // the card went away
  kNoService,      // the service did not answer
  kServiceFailed,  // any other refusal; `detail` says why
};
// kTooSmall or kTooLarge when a volume of `bytes` cannot take FAT32 with
// 32 KB clusters, else kNone.
FormatError SizeRefusal(uint64_t bytes);
// A short English text for the error (logs and tests).
const char* FormatErrorName(FormatError error);

struct TargetCheck {
  FormatError error = FormatError::kNone;
  TargetKind kind = TargetKind::kImageFile;
  uint64_t sizeBytes = 0;
  std::vector<std::string> mountsToRelease;  // the card's own mount points
  // For a partition: its disk's device and the sector it starts at.
  std::string diskDevice;
  uint64_t partitionStartSector = 0;
};
// Decides whether `path` may be formatted: a regular file not attached to a
// loop device, or a block device
// of a removable disk (or an SD slot) that carries neither the root file
// system, nor a mounted system path, nor swap. Reads only.
TargetCheck CheckFormatTarget(const std::string& path, const SystemPaths& system = {});

// The programs used; tests may put stand-ins in their place.
struct FormatTools {
  std::string mkfs = "mkfs.fat";
  std::string mmd = "mmd";
  std::string mcopy = "mcopy";
  std::string mtype = "mtype";
  std::string mdir = "mdir";
  std::string umount = "umount";
  // As root a card is formatted directly with mkfs.fat even when the disk
  // service lists it; false sends every card the service lists through it.
  bool directAsRoot = true;
};

enum class FormatPhase { kCheck, kReadSettings, kUnmount, kWipe, kFormat, kFolders, kSettings, kDone };

struct FormatRequest {
  std::string target;      // block device or image file
  std::string mountPoint;  // where the card is mounted, or empty
  std::string label;       // as prepared by PrepareLabel
  bool quick = true;
  // Set when the disk service listed the card (see CardCandidate).
  std::string objectPath;
  uint64_t sizeBytes = 0;
  uint64_t partitionOffset = 0;
};

struct FormatResult {
  FormatError error = FormatError::kNone;
  std::string detail;         // the failing program's message, if any
  bool formatted = false;     // mkfs.fat made a FAT32 volume with 32 KB clusters
  bool prepared = false;      // folders and settings file written
  bool keptSettings = false;  // the previous settings file was put back (else the default)
  VolumeInfo volume;          // the volume as read after the format
  std::string mountPoint;     // where the card is mounted afterwards, or empty
  // The copy of the kept settings file saved before anything was written
  // (SaveSettingsCopy), or empty.
  std::string settingsCopy;
  // The right the system refused (a polkit action of the disk service, such
  // as "org.freedesktop.udisks2.open-device") when error is kNotAuthorized.
  std::string refusedRight;
  bool ok() const { return error == FormatError::kNone; }
};

// Called from the thread running RunFormat: percent 0 to 100 and the phase.
using ProgressFn = std::function<void(int percent, FormatPhase phase)>;

// Formats the target and prepares the card. Refuses (touching nothing) when
// CheckFormatTarget refuses, the card is too small or the label cannot be
// written. Keeps the card's settings file: read from the mounted card or
// from the volume itself before the format. Blocks until done.
FormatResult RunFormat(const FormatRequest& request, const ProgressFn& progress = {},
                       const FormatTools& tools = {}, const SystemPaths& system = {});

// The settings file of a volume read with mtype, or false when it has none
// (or one larger than kMaxKeptSettingsBytes).
bool ReadVolumeSettings(const std::string& target, const FormatTools& tools, std::string* bytes);

// Removable cards of the machine: partitions (or whole disks without
// partitions) of removable disks and SD slots, with what their boot sectors
// and mounts say.
std::vector<CardCandidate> FindRemovableCards(const SystemPaths& system = {});

// True when `path` is a mount point in the mount table.
bool IsMountPoint(const std::string& path, const SystemPaths& system = {});

}  // namespace orvia::format
