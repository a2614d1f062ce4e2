// The type byte of a card's partition in the MBR of its disk. A recorder
// card's partition is marked FAT32 (LBA); one marked otherwise (Linux, exFAT,
// FAT16 after a format on another machine) is marked so again when the
// volume in it is formatted FAT32. Plain logic, no Qt.
#pragma once

#include <cstdint>
#include <string>

namespace orvia::format {

constexpr uint8_t kFat32LbaType = 0x0C;

enum class PartitionTypeChange {
  kNoTable,  // no MBR (no boot signature), or the protective MBR of a GPT disk
  kNoEntry,  // no primary partition starts at the given sector
  kAlready,  // the entry says FAT32 already (0x0B or 0x0C)
  kChanged,  // the entry now says FAT32 (LBA), written and flushed
  kFailed,   // the disk could not be read or written; `error` says why
};

// Marks the primary partition of the disk behind `diskFd` that starts at
// `startSector` (512-byte sectors) as FAT32 (LBA). Reads and writes sector 0
// only, and flushes it (fdatasync).
PartitionTypeChange MarkFat32Partition(int diskFd, uint64_t startSector, std::string* error);

}  // namespace orvia::format
