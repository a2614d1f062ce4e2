#include "disk/partition_type.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "base/little_endian.h"

namespace orvia::format {
namespace {

constexpr size_t kSector = 512;
constexpr size_t kFirstEntry = 446;
constexpr size_t kEntryBytes = 16;
constexpr uint8_t kGptProtectiveType = 0xEE;

}  // namespace

PartitionTypeChange MarkFat32Partition(int diskFd, uint64_t startSector, std::string* error) {
  std::array<uint8_t, kSector> mbr{};
  if (pread(diskFd, mbr.data(), mbr.size(), 0) != static_cast<ssize_t>(mbr.size())) {
    *error = std::string("the partition table could not be read: ") + std::strerror(errno);
    return PartitionTypeChange::kFailed;
  }
  if (mbr[510] != 0x55 || mbr[511] != 0xAA) return PartitionTypeChange::kNoTable;
  uint8_t* found = nullptr;
  for (size_t i = 0; i < 4; ++i) {
    uint8_t* entry = mbr.data() + kFirstEntry + i * kEntryBytes;
    const uint8_t type = entry[4];
    if (type == kGptProtectiveType) return PartitionTypeChange::kNoTable;
    if (type != 0 && Le32(entry + 8) == startSector && found == nullptr) found = entry;
  }
  if (found == nullptr) return PartitionTypeChange::kNoEntry;
  if (found[4] == 0x0B || found[4] == kFat32LbaType) return PartitionTypeChange::kAlready;
  found[4] = kFat32LbaType;
  if (pwrite(diskFd, mbr.data(), mbr.size(), 0) != static_cast<ssize_t>(mbr.size()) ||
      fdatasync(diskFd) != 0) {
    *error = std::string("the partition table could not be written: ") + std::strerror(errno);
    return PartitionTypeChange::kFailed;
  }
  return PartitionTypeChange::kChanged;
}

}  // namespace orvia::format
