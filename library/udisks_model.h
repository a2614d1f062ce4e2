// What the system's disk service (UDisks2) says about drives and block
// devices, as plain structures, and the decisions taken on it: which mounted
// volumes may be cards, and which devices may be formatted.
//
// Plain logic, no Qt, no D-Bus: the window side fills a Snapshot from the
// service's objects (library/udisks_client.h); tests fill it by hand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvia::udisks {

// An org.freedesktop.UDisks2.Drive object.
struct Drive {
  std::string path;        // object path
  bool removable = false;  // Removable: the drive or its media may be taken out
  bool mediaRemovable = false;
  std::string connectionBus;                    // ConnectionBus: "usb", "sdio", "ieee1394", "" ...
  std::vector<std::string> mediaCompatibility;  // "flash_sd", "optical_cd", ...
  std::string model;
};

// An object with an org.freedesktop.UDisks2.Block interface (and what its
// Filesystem, Partition and PartitionTable interfaces add).
struct Block {
  std::string path;    // object path
  std::string device;  // Device, "/dev/sdb1"
  std::string drive;   // Drive: object path of its drive, "/" for none
  uint64_t sizeBytes = 0;
  std::string idUsage;    // "filesystem", "crypto", ...
  std::string idType;     // "vfat", "exfat", "ext4", ...
  std::string idVersion;  // "FAT32", "FAT16", ...
  std::string idLabel;
  std::string idUuid;  // IdUUID: a FAT volume's serial number, "1234-ABCD"
  bool hintSystem = false;
  bool hintIgnore = false;
  bool readOnly = false;
  bool hasFilesystem = false;
  std::vector<std::string> mountPoints;  // Filesystem.MountPoints
  bool isPartition = false;
  uint64_t partitionOffset = 0;  // bytes from the start of the disk
  std::string partitionType;     // Partition.Type: "0x0c" on an MBR disk, a GUID on GPT
  std::string partitionTable;    // Partition.Table: object path of the disk's block
  bool isPartitionTable = false;
  std::string tableType;  // PartitionTable.Type: "dos", "gpt"
};

// All drives and blocks, and the daemon's version. `available` is false
// when the service could not be asked (no system bus, no service).
struct Snapshot {
  bool available = false;
  std::string version;  // Manager.Version, "2.9.4"
  std::vector<Drive> drives;
  std::vector<Block> blocks;

  const Drive* FindDrive(std::string_view path) const;
  const Block* FindBlock(std::string_view path) const;
};

// What the system's policy answers when a right is asked for.
enum class RightAnswer { kUnknown, kNo, kPassword, kYes };

// The rights (polkit actions) the service checks before it writes a new
// file system on `block`: Block.Format from 2.10 on (`throughFormat`), else
// Block.OpenDevice. Where the service's choice depends on the user's seat,
// both are given; either may be the one asked.
std::vector<std::string> FormatRights(const Block& block, bool throughFormat);
// The right the service checks to mount `block`, in the same way.
std::vector<std::string> MountRights(const Block& block);

// True when `block` is a partition of an MBR ("dos") table that is not
// marked FAT32 (0x0b or 0x0c).
bool NeedsFat32PartitionType(const Block& block, const Snapshot& snapshot);

// True when `version` ("2.10.1") is at least major.minor.
bool VersionAtLeast(std::string_view version, int major, int minor);

// The file-system name shown for a block: IdVersion for FAT ("FAT32"),
// "exFAT", "NTFS", or IdType raised to upper case; empty for none.
std::string FileSystemName(const Block& block);

// A device the recorder's card may be on: a removable drive (Removable or
// MediaRemovable) on the USB or SD/MMC bus that is not optical, not the
// system's (HintSystem, HintIgnore) and not a boot or RPMB area of an
// eMMC. Says nothing about which of its blocks to format. With
// ORVIA_TEST_LOOP_CARDS=1 in the environment (for tests) a drive on no bus
// that the service reports as removable flash (a loop device) counts too.
bool IsRemovableCardDrive(const Drive& drive);
bool IsBootOrRpmbDevice(std::string_view device);

// True for the blocks that the format page offers: a partition of a card
// drive, or a card drive's whole disk when it carries no partition table;
// never a partition table itself, a read-only device, an empty slot or a
// system block.
bool IsFormattable(const Block& block, const Snapshot& snapshot);

// True when a mounted block may hold a card: not hinted as the system's or
// to be ignored. Where it is mounted is judged by the caller.
bool MayHoldCard(const Block& block);

}  // namespace orvia::udisks
