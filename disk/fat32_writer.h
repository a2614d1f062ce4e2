// Writes an empty FAT32 file system with 32 KB clusters into an open
// descriptor: the way a card is formatted through a descriptor that the
// disk service hands out (Block.OpenDevice), where mkfs.fat cannot reopen
// the device by name without the right to open it.
//
// The layout is the one mkfs.fat -F 32 -S 512 -s 64 makes: 512-byte
// sectors, two FATs, the root folder in cluster 2, FSInfo in sector 1 and
// the backup boot sector in sector 6; the data area starts on a cluster
// boundary. Plain logic, no Qt; blocks, for the format worker.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvia::format {

struct Fat32Layout {
  uint32_t totalSectors = 0;
  uint32_t reservedSectors = 0;
  uint32_t fatSectors = 0;  // of each of the two FATs
  uint32_t clusterCount = 0;
  uint64_t DataStartSector() const { return reservedSectors + 2ull * fatSectors; }
};

// The layout for a volume of `volumeBytes`; false when FAT32 with 32 KB
// clusters does not fit (below about 2.1 GB, or 2 TiB and more).
bool PlanFat32(uint64_t volumeBytes, Fat32Layout* out);

// What a fresh card holds for the recorder besides its file system: the
// folders `Normal` and `Config`, and Config/setup.dat with these bytes (at
// most kMaxKeptSettingsBytes).
struct RecorderFiles {
  std::string settings;
};

// The size of the device or image file open as `fd`, as the kernel knows it
// (BLKGETSIZE64 for a block device, the file's size for an image). False
// with a reason for anything else.
bool DeviceBytes(int fd, uint64_t* bytes, std::string* error);

// Writes the file system at offset 0 of `fd`: everything but the boot sector
// and its backup first, flushed (fdatasync); then the boot sector, flushed;
// then its backup, flushed. `label` as LabelBytes gives it (empty for
// none); `hiddenSectors` is where the volume starts on its disk (the
// partition's offset / 512). False with a reason when the layout does not
// fit the device (DeviceBytes) or a write or flush fails. With `files`, the
// recorder's folders and settings file are written with the file system,
// before its boot sector, so a card that cannot be mounted afterwards is
// prepared all the same.
bool WriteFat32(int fd, const Fat32Layout& layout, std::string_view label, uint32_t hiddenSectors,
                uint32_t volumeId, std::string* error, const RecorderFiles* files = nullptr);

// Names the FAT32 volume at offset 0 of `fd` (`labelBytes` as LabelBytes
// gives them): the root folder's label entry (its first free entry when it
// has none), then the boot sector and its backup, each flushed. For labels
// mkfs.fat cannot write. False with a reason for anything but FAT32.
bool SetVolumeLabel(int fd, std::string_view labelBytes, std::string* error);

}  // namespace orvia::format
