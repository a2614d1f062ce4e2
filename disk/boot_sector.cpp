#include "disk/boot_sector.h"

#include <fcntl.h>
#include <unistd.h>

#include "disk/volume_label.h"

namespace orvia::format {
namespace {

uint16_t U16(std::string_view s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}
uint32_t U32(std::string_view s, size_t at) {
  return U16(s, at) | (static_cast<uint32_t>(U16(s, at + 2)) << 16);
}
uint64_t U64(std::string_view s, size_t at) {
  return U32(s, at) | (static_cast<uint64_t>(U32(s, at + 4)) << 32);
}
bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace

VolumeInfo ParseBootSector(std::string_view s) {
  VolumeInfo info;
  if (s.size() < 512 || static_cast<uint8_t>(s[510]) != 0x55 || static_cast<uint8_t>(s[511]) != 0xAA)
    return info;
  if (s.substr(3, 8) == "EXFAT   ") {
    const unsigned sectorShift = static_cast<uint8_t>(s[108]);
    const unsigned clusterShift = static_cast<uint8_t>(s[109]);
    if (sectorShift < 9 || sectorShift > 12 || clusterShift > 25 - sectorShift) return info;
    info.valid = true;
    info.fileSystem = "exFAT";
    info.bytesPerSector = 1u << sectorShift;
    info.clusterBytes = 1u << (sectorShift + clusterShift);
    info.totalBytes = U64(s, 72) << sectorShift;
    info.clusterCount = U32(s, 92);
    return info;
  }
  const uint32_t bps = U16(s, 11);
  const uint32_t spc = static_cast<uint8_t>(s[13]);
  const uint32_t reserved = U16(s, 14);
  const uint32_t fats = static_cast<uint8_t>(s[16]);
  const uint32_t rootEntries = U16(s, 17);
  const uint64_t total = U16(s, 19) != 0 ? U16(s, 19) : U32(s, 32);
  const uint64_t fatSize = U16(s, 22) != 0 ? U16(s, 22) : U32(s, 36);
  if (bps < 512 || bps > 4096 || !IsPowerOfTwo(bps) || !IsPowerOfTwo(spc) || reserved == 0 || fats == 0 ||
      fatSize == 0)
    return info;
  const uint64_t rootSectors = (rootEntries * 32ull + bps - 1) / bps;
  const uint64_t meta = reserved + fats * fatSize + rootSectors;
  if (total <= meta) return info;
  info.valid = true;
  info.bytesPerSector = bps;
  info.clusterBytes = bps * spc;
  info.totalBytes = total * bps;
  info.clusterCount = (total - meta) / spc;
  info.fileSystem = info.clusterCount < 4085 ? "FAT12" : info.clusterCount < 65525 ? "FAT16" : "FAT32";
  const bool fat32Layout = U16(s, 22) == 0;
  const size_t signatureAt = fat32Layout ? 66 : 38;
  if (static_cast<uint8_t>(s[signatureAt]) == 0x29) {
    const std::string label = LabelText(s.substr(signatureAt + 5, kLabelBytes));
    info.label = label == "NO NAME" ? std::string() : label;
  }
  return info;
}

VolumeInfo ReadVolumeInfo(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string sector(512, '\0');
  const ssize_t n = pread(fd, sector.data(), sector.size(), 0);
  close(fd);
  if (n != static_cast<ssize_t>(sector.size())) return {};
  return ParseBootSector(sector);
}

}  // namespace orvia::format
