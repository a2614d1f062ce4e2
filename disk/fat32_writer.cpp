#include "disk/fat32_writer.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/little_endian.h"
#include "disk/format_logic.h"

namespace orvia::format {
namespace {

constexpr uint32_t kSectorsPerCluster = kClusterBytes / kSectorBytes;  // 64
constexpr uint32_t kMinReserved = 32;
constexpr uint32_t kBackupBootSector = 6;
constexpr uint32_t kMaxFat32Clusters = 0x0FFFFFF5;
// The boot sector counts sectors in 32 bits.
constexpr uint64_t kMaxFat32Sectors = 0xFFFFFFFFull;

bool WriteAt(int fd, const uint8_t* data, size_t size, uint64_t offset, std::string* error) {
  while (size > 0) {
    const ssize_t n = pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n < 0 ? std::strerror(errno) : "short write";
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

bool ZeroRange(int fd, uint64_t offset, uint64_t bytes, std::string* error) {
  static const std::vector<uint8_t> zeros(1 << 20, 0);
  while (bytes > 0) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(zeros.size(), bytes));
    if (!WriteAt(fd, zeros.data(), chunk, offset, error)) return false;
    offset += chunk;
    bytes -= chunk;
  }
  return true;
}

std::string PaddedLabel(std::string_view label) {
  std::string padded = label.empty() ? std::string("NO NAME") : std::string(label.substr(0, kLabelBytes));
  padded.resize(kLabelBytes, ' ');
  return padded;
}

// A root folder entry naming the volume (`paddedLabel`: 11 bytes).
void FillLabelEntry(std::string_view paddedLabel, uint8_t* entry) {
  std::memset(entry, 0, 32);
  std::memcpy(entry, paddedLabel.data(), kLabelBytes);
  // A first byte 0xE5 (a code page 949 lead byte) would mark the entry free;
  // FAT stores it as 0x05.
  if (entry[0] == 0xE5) entry[0] = 0x05;
  entry[11] = 0x08;  // volume label
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  const uint32_t time = (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2);
  const uint32_t date = ((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday;
  PutLe16(entry + 22, time);
  PutLe16(entry + 24, date);
}

bool Flush(int fd, std::string* error) {
  if (fdatasync(fd) == 0) return true;
  *error = std::strerror(errno);
  return false;
}

void FillBootSector(const Fat32Layout& l, const std::string& name, uint32_t hiddenSectors, uint32_t volumeId,
                    uint8_t* boot) {
  std::memset(boot, 0, 512);
  boot[0] = 0xEB;
  boot[1] = 0x58;
  boot[2] = 0x90;
  std::memcpy(boot + 3, "MSWIN4.1", 8);
  PutLe16(boot + 11, kSectorBytes);
  boot[13] = static_cast<uint8_t>(kSectorsPerCluster);
  PutLe16(boot + 14, l.reservedSectors);
  boot[16] = 2;  // FATs
  boot[21] = 0xF8;
  PutLe16(boot + 24, 63);   // sectors per track (a hint only)
  PutLe16(boot + 26, 255);  // heads
  PutLe32(boot + 28, hiddenSectors);
  PutLe32(boot + 32, l.totalSectors);
  PutLe32(boot + 36, l.fatSectors);
  PutLe32(boot + 44, 2);  // root folder cluster
  PutLe16(boot + 48, 1);  // FSInfo sector
  PutLe16(boot + 50, kBackupBootSector);
  boot[64] = 0x80;
  boot[66] = 0x29;
  PutLe32(boot + 67, volumeId);
  std::memcpy(boot + 71, name.data(), 11);
  std::memcpy(boot + 82, "FAT32   ", 8);
  boot[510] = 0x55;
  boot[511] = 0xAA;
}

// `used`: the clusters taken from cluster 2 on (the root folder's, and the
// recorder's folders and settings file when they are written).
void FillInfoSector(const Fat32Layout& l, uint32_t used, uint8_t* info) {
  std::memset(info, 0, 512);
  PutLe32(info, 0x41615252);
  PutLe32(info + 484, 0x61417272);
  PutLe32(info + 488, l.clusterCount - used);  // free clusters
  PutLe32(info + 492, 2 + used);               // the next free cluster
  PutLe32(info + 508, 0xAA550000);
}

// The recorder's folders and settings file lie in the clusters after the
// root folder's: Normal, Config, then Config/setup.dat.
constexpr uint32_t kNormalCluster = 3;
constexpr uint32_t kConfigCluster = 4;
constexpr uint32_t kSettingsCluster = 5;
constexpr uint32_t kEndOfChain = 0x0FFFFFFF;

uint32_t SettingsClusters(const RecorderFiles& files) {
  return std::max<uint32_t>(
      1, static_cast<uint32_t>((files.settings.size() + kClusterBytes - 1) / kClusterBytes));
}

// A folder entry with a short name (11 bytes, blank-padded); `caseFlags`
// 0x08 and 0x10 show its name and extension in lower case.
void FillEntry(uint8_t* e, const char* shortName, uint8_t attributes, uint8_t caseFlags, uint32_t cluster,
               uint32_t size) {
  std::memset(e, 0, 32);
  std::memcpy(e, shortName, 11);
  e[11] = attributes;
  e[12] = caseFlags;
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  const uint32_t time = (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2);
  const uint32_t date = ((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday;
  PutLe16(e + 14, time);  // created
  PutLe16(e + 16, date);
  PutLe16(e + 18, date);  // last read
  PutLe16(e + 20, cluster >> 16);
  PutLe16(e + 22, time);  // written
  PutLe16(e + 24, date);
  PutLe16(e + 26, cluster & 0xFFFF);
  PutLe32(e + 28, size);
}

// The long-name entry before a short one, for a mixed-case name of at most
// 13 ASCII characters ("Normal").
void FillLongName(uint8_t* e, std::string_view name, const char* shortName) {
  std::memset(e, 0, 32);
  e[0] = 0x41;  // the first and last of one
  e[11] = 0x0F;
  uint8_t sum = 0;
  for (int i = 0; i < 11; ++i)
    sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + static_cast<uint8_t>(shortName[i]));
  e[13] = sum;
  static constexpr int kSlots[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (size_t i = 0; i < 13; ++i) {
    // The name, its terminating NUL, then 0xFFFF in the slots left.
    const uint16_t c = i < name.size() ? static_cast<uint8_t>(name[i]) : i == name.size() ? 0 : 0xFFFF;
    PutLe16(e + kSlots[i], c);
  }
}

uint64_t ClusterAt(const Fat32Layout& l, uint32_t cluster) {
  return l.DataStartSector() * kSectorBytes + uint64_t{cluster - 2} * kClusterBytes;
}

// The folders Normal and Config and the file Config/setup.dat on a volume
// whose FATs and root folder are written (`rootUsed` bytes of the root
// folder taken by the label entry).
bool WriteRecorderFiles(int fd, const Fat32Layout& l, const RecorderFiles& files, size_t rootUsed,
                        std::string* error) {
  const uint32_t fileClusters = SettingsClusters(files);
  std::vector<uint8_t> chain(4 * (2 + fileClusters));
  PutLe32(chain.data(), kEndOfChain);      // Normal
  PutLe32(chain.data() + 4, kEndOfChain);  // Config
  for (uint32_t i = 0; i < fileClusters; ++i)
    PutLe32(chain.data() + 4 * (2 + i), i + 1 < fileClusters ? kSettingsCluster + i + 1 : kEndOfChain);
  const uint64_t fatBytes = uint64_t{l.fatSectors} * kSectorBytes;
  for (int copy = 0; copy < 2; ++copy) {
    const uint64_t at = uint64_t{l.reservedSectors} * kSectorBytes + copy * fatBytes + 4 * kNormalCluster;
    if (!WriteAt(fd, chain.data(), chain.size(), at, error)) return false;
  }
  uint8_t root[128];
  FillLongName(root, "Normal", "NORMAL     ");
  FillEntry(root + 32, "NORMAL     ", 0x10, 0, kNormalCluster, 0);
  FillLongName(root + 64, "Config", "CONFIG     ");
  FillEntry(root + 96, "CONFIG     ", 0x10, 0, kConfigCluster, 0);
  if (!WriteAt(fd, root, sizeof root, ClusterAt(l, 2) + rootUsed, error)) return false;
  std::vector<uint8_t> folder(kClusterBytes, 0);
  for (const uint32_t cluster : {kNormalCluster, kConfigCluster}) {
    FillEntry(folder.data(), ".          ", 0x10, 0, cluster, 0);
    FillEntry(folder.data() + 32, "..         ", 0x10, 0, 0, 0);  // the root folder is cluster 0 here
    if (cluster == kConfigCluster)
      FillEntry(folder.data() + 64, "SETUP   DAT", 0x20, 0x18, kSettingsCluster,
                static_cast<uint32_t>(files.settings.size()));
    if (!WriteAt(fd, folder.data(), folder.size(), ClusterAt(l, cluster), error)) return false;
  }
  std::vector<uint8_t> data(uint64_t{fileClusters} * kClusterBytes, 0);
  std::memcpy(data.data(), files.settings.data(), files.settings.size());
  return WriteAt(fd, data.data(), data.size(), ClusterAt(l, kSettingsCluster), error);
}

// Both FATs and the root folder's cluster, zeroed, with the FATs' first
// entries and the volume label entry (`paddedLabel` empty for none).
bool WriteFatsAndRoot(int fd, const Fat32Layout& l, std::string_view paddedLabel, std::string* error) {
  const uint64_t fatBytes = uint64_t{l.fatSectors} * kSectorBytes;
  const uint64_t fatStart = uint64_t{l.reservedSectors} * kSectorBytes;
  const uint64_t dataStart = l.DataStartSector() * kSectorBytes;
  if (!ZeroRange(fd, fatStart, 2 * fatBytes + kClusterBytes, error)) return false;
  uint8_t fat[12];
  PutLe32(fat, 0x0FFFFFF8);      // media byte
  PutLe32(fat + 4, 0x0FFFFFFF);  // clean shutdown, no errors
  PutLe32(fat + 8, 0x0FFFFFF8);  // the root folder: one cluster
  for (int copy = 0; copy < 2; ++copy)
    if (!WriteAt(fd, fat, sizeof fat, fatStart + copy * fatBytes, error)) return false;
  if (paddedLabel.empty()) return true;
  uint8_t entry[32];
  FillLabelEntry(paddedLabel, entry);
  return WriteAt(fd, entry, sizeof entry, dataStart, error);
}

bool ReadAt(int fd, uint8_t* data, size_t size, uint64_t offset, std::string* error) {
  while (size > 0) {
    const ssize_t n = pread(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n < 0 ? std::strerror(errno) : "short read";
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

// Where the root folder's first cluster lies, from a FAT32 boot sector; false
// for anything else or a cluster beyond the device.
bool RootFolderAt(const uint8_t* boot, uint64_t deviceBytes, uint64_t* offset, uint64_t* bytes) {
  const uint32_t bps = Le16(boot + 11);
  const uint32_t spc = boot[13];
  const uint32_t reserved = Le16(boot + 14);
  const uint64_t fatSectors = Le32(boot + 36);
  const uint32_t rootCluster = Le32(boot + 44);
  if (boot[510] != 0x55 || boot[511] != 0xAA || bps != kSectorBytes || spc == 0 || reserved == 0 ||
      Le16(boot + 22) != 0 || fatSectors == 0 || rootCluster < 2 || boot[66] != 0x29)
    return false;
  const uint64_t sector = reserved + boot[16] * fatSectors + (uint64_t{rootCluster} - 2) * spc;
  *offset = sector * bps;
  *bytes = uint64_t{spc} * bps;
  return *offset + *bytes <= deviceBytes;
}

// The entry to hold the label in a root folder cluster: its label entry,
// else its first free one; `cluster.size()` when there is neither.
size_t LabelSlot(const std::vector<uint8_t>& cluster) {
  size_t slot = cluster.size();
  for (size_t at = 0; at + 32 <= cluster.size(); at += 32) {
    const uint8_t first = cluster[at];
    const uint8_t attributes = cluster[at + 11];
    if (first == 0x00) return slot == cluster.size() ? at : slot;
    if (first == 0xE5) {
      if (slot == cluster.size()) slot = at;
      continue;
    }
    if (attributes != 0x0F && (attributes & 0x08) != 0) return at;
  }
  return slot;
}

}  // namespace

bool PlanFat32(uint64_t volumeBytes, Fat32Layout* out) {
  const uint64_t total = volumeBytes / kSectorBytes;
  if (total > kMaxFat32Sectors) return false;
  // The FAT's size and the cluster count depend on each other, and a round
  // trip between them can flip between two values for ever. Instead the
  // smallest FAT that holds the clusters left beside it is searched: the
  // clusters left only shrink as the FAT grows, so "big enough" holds from
  // one size on and a bisection finds that size.
  auto reservedFor = [](uint64_t fat) {
    const uint64_t meta = kMinReserved + 2 * fat;
    return kMinReserved + (kSectorsPerCluster - meta % kSectorsPerCluster) % kSectorsPerCluster;
  };
  auto clustersFor = [&](uint64_t fat) {
    const uint64_t meta = reservedFor(fat) + 2 * fat;
    return meta >= total ? 0 : (total - meta) / kSectorsPerCluster;
  };
  auto holds = [&](uint64_t fat) { return fat * (kSectorBytes / 4) >= clustersFor(fat) + 2; };
  // Big enough for every cluster the volume could have without any FAT.
  uint64_t high = ((total / kSectorsPerCluster + 2) * 4 + kSectorBytes - 1) / kSectorBytes;
  uint64_t low = 1;
  while (low < high) {
    const uint64_t mid = low + (high - low) / 2;
    if (holds(mid))
      high = mid;
    else
      low = mid + 1;
  }
  const uint64_t fat = high;
  const uint64_t clusters = clustersFor(fat);
  if (clusters < kMinFat32Clusters || clusters > kMaxFat32Clusters || !holds(fat)) return false;
  Fat32Layout l;
  l.totalSectors = static_cast<uint32_t>(total);
  l.reservedSectors = static_cast<uint32_t>(reservedFor(fat));
  l.fatSectors = static_cast<uint32_t>(fat);
  l.clusterCount = static_cast<uint32_t>(clusters);
  *out = l;
  return true;
}

bool DeviceBytes(int fd, uint64_t* bytes, std::string* error) {
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    *error = std::strerror(errno);
    return false;
  }
  if (S_ISREG(st.st_mode)) {
    *bytes = static_cast<uint64_t>(st.st_size);
    return true;
  }
  if (!S_ISBLK(st.st_mode)) {
    *error = "neither a block device nor an image file";
    return false;
  }
  uint64_t size = 0;
  if (ioctl(fd, BLKGETSIZE64, &size) != 0) {
    *error = std::strerror(errno);
    return false;
  }
  *bytes = size;
  return true;
}

bool WriteFat32(int fd, const Fat32Layout& l, std::string_view label, uint32_t hiddenSectors,
                uint32_t volumeId, std::string* error, const RecorderFiles* files) {
  // The volume must fit the device as it is now, whatever size was handed in.
  uint64_t deviceBytes = 0;
  if (!DeviceBytes(fd, &deviceBytes, error)) return false;
  if (deviceBytes < uint64_t{l.totalSectors} * kSectorBytes) {
    *error = "the device is smaller than the volume planned";
    return false;
  }
  if (label.size() > kLabelBytes) {
    *error = "the label is longer than 11 bytes";
    return false;
  }
  const std::string name = PaddedLabel(label);
  uint8_t boot[512];
  FillBootSector(l, name, hiddenSectors, volumeId, boot);

  // Everything but the boot sector and its backup first, and flushed: until
  // the boot sector is written, the card keeps its old one (and the old
  // backup that matches it), so a card pulled meanwhile shows no new volume
  // over half-written FATs.
  if (!ZeroRange(fd, 1 * kSectorBytes, (kBackupBootSector - 1) * kSectorBytes, error)) return false;
  const uint64_t afterBackup = (kBackupBootSector + 1) * kSectorBytes;
  if (!ZeroRange(fd, afterBackup, uint64_t{l.reservedSectors} * kSectorBytes - afterBackup, error))
    return false;
  if (!WriteFatsAndRoot(fd, l, label.empty() ? std::string_view() : name, error)) return false;
  if (files != nullptr && files->settings.size() > kMaxKeptSettingsBytes) {
    *error = "the settings file is too large";
    return false;
  }
  if (files != nullptr && !WriteRecorderFiles(fd, l, *files, label.empty() ? 0 : 32, error)) return false;
  uint8_t info[512];
  FillInfoSector(l, files != nullptr ? 3 + SettingsClusters(*files) : 1, info);
  if (!WriteAt(fd, info, sizeof info, 1 * kSectorBytes, error)) return false;
  if (!WriteAt(fd, info, sizeof info, (kBackupBootSector + 1) * kSectorBytes, error)) return false;
  if (!Flush(fd, error)) return false;
  // The boot sector makes the new volume; the backup follows once it is on
  // the card.
  if (!WriteAt(fd, boot, sizeof boot, 0, error) || !Flush(fd, error)) return false;
  return WriteAt(fd, boot, sizeof boot, kBackupBootSector * kSectorBytes, error) && Flush(fd, error);
}

bool SetVolumeLabel(int fd, std::string_view labelBytes, std::string* error) {
  if (labelBytes.size() > kLabelBytes) {
    *error = "the label is longer than 11 bytes";
    return false;
  }
  uint64_t deviceBytes = 0;
  uint8_t boot[512];
  if (!DeviceBytes(fd, &deviceBytes, error) || !ReadAt(fd, boot, sizeof boot, 0, error)) return false;
  uint64_t rootAt = 0;
  uint64_t rootBytes = 0;
  if (!RootFolderAt(boot, deviceBytes, &rootAt, &rootBytes)) {
    *error = "no FAT32 volume";
    return false;
  }
  std::vector<uint8_t> root(rootBytes);
  if (!ReadAt(fd, root.data(), root.size(), rootAt, error)) return false;
  const size_t slot = LabelSlot(root);
  if (slot == root.size()) {
    *error = "the root folder has no room for the label";
    return false;
  }
  const std::string name = PaddedLabel(labelBytes);
  uint8_t entry[32];
  FillLabelEntry(name, entry);
  std::memcpy(boot + 71, name.data(), kLabelBytes);
  // The entry first, then the boot sector and its backup, as a format does.
  if (!WriteAt(fd, entry, sizeof entry, rootAt + slot, error) || !Flush(fd, error)) return false;
  if (!WriteAt(fd, boot, sizeof boot, 0, error) || !Flush(fd, error)) return false;
  const uint32_t backup = Le16(boot + 50);
  if (backup == 0 || backup >= Le16(boot + 14)) return true;
  return WriteAt(fd, boot, sizeof boot, uint64_t{backup} * kSectorBytes, error) && Flush(fd, error);
}

}  // namespace orvia::format
