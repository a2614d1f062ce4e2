// The boot sector of a FAT or exFAT volume: what it says of the volume.
// Plain logic, no Qt; reads only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvia::format {

// What the boot sector of a volume says. `valid` is false for anything that is
// not a FAT or exFAT volume.
struct VolumeInfo {
  bool valid = false;
  std::string fileSystem;  // "FAT12", "FAT16", "FAT32" or "exFAT"
  uint32_t bytesPerSector = 0;
  uint32_t clusterBytes = 0;
  uint64_t totalBytes = 0;
  uint64_t clusterCount = 0;  // data clusters (FAT only)
  std::string label;          // UTF-8 (LabelText); "NO NAME" gives empty
};
// Parses the first sector (at least 512 bytes) of a volume.
VolumeInfo ParseBootSector(std::string_view sector);
// Reads and parses the boot sector of a device or image file.
VolumeInfo ReadVolumeInfo(const std::string& path);

}  // namespace orvia::format
