#include "library/udisks_model.h"

#include <cctype>
#include <cstdlib>

#include "library/card_drives.h"

namespace orvia::udisks {

const Drive* Snapshot::FindDrive(std::string_view path) const {
  for (const Drive& d : drives)
    if (d.path == path) return &d;
  return nullptr;
}

const Block* Snapshot::FindBlock(std::string_view path) const {
  for (const Block& b : blocks)
    if (b.path == path) return &b;
  return nullptr;
}

bool VersionAtLeast(std::string_view version, int major, int minor) {
  const std::string text(version);
  char* end = nullptr;
  const long have = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str()) return false;
  long haveMinor = 0;
  if (*end == '.') haveMinor = std::strtol(end + 1, nullptr, 10);
  return have > major || (have == major && haveMinor >= minor);
}

std::string FileSystemName(const Block& block) {
  if (block.idUsage != "filesystem" || block.idType.empty()) return {};
  if (block.idType == "vfat") return block.idVersion.empty() ? "FAT" : block.idVersion;
  if (block.idType == "exfat") return "exFAT";
  std::string upper = block.idType;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

namespace {

std::vector<std::string> SeatRights(const Block& block, const std::string& base) {
  const std::string prefix = "org.freedesktop.udisks2." + base;
  if (block.hintSystem) return {prefix + "-system"};
  return {prefix, prefix + "-other-seat"};
}

}  // namespace

std::vector<std::string> FormatRights(const Block& block, bool throughFormat) {
  if (throughFormat) return SeatRights(block, "modify-device");
  // Opening a device has no seat variant.
  return {std::string("org.freedesktop.udisks2.open-device") + (block.hintSystem ? "-system" : "")};
}

std::vector<std::string> MountRights(const Block& block) { return SeatRights(block, "filesystem-mount"); }

bool NeedsFat32PartitionType(const Block& block, const Snapshot& snapshot) {
  if (!block.isPartition) return false;
  const Block* table = snapshot.FindBlock(block.partitionTable);
  if (table == nullptr || table->tableType != "dos") return false;
  std::string type = block.partitionType;
  for (char& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return type != "0x0b" && type != "0x0c";
}

bool IsBootOrRpmbDevice(std::string_view device) {
  const size_t slash = device.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? device : device.substr(slash + 1);
  if (name.rfind("mmcblk", 0) != 0) return false;
  // mmcblk0boot0, mmcblk0boot1, mmcblk0rpmb, mmcblk0gp0: the eMMC's hardware
  // areas, never a card.
  size_t i = 6;
  while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) ++i;
  const std::string_view rest = name.substr(i);
  return rest.rfind("boot", 0) == 0 || rest.rfind("rpmb", 0) == 0 || rest.rfind("gp", 0) == 0;
}

bool IsRemovableCardDrive(const Drive& drive) {
  if (!drive.removable && !drive.mediaRemovable) return false;
  bool flash = false;
  for (const std::string& media : drive.mediaCompatibility) {
    if (media.rfind("optical", 0) == 0) return false;
    flash = flash || media.rfind("flash", 0) == 0;
  }
  if (drive.connectionBus == "usb" || drive.connectionBus == "sdio") return true;
  // A drive on no bus is a loop device: a card only for the tests that ask
  // for one, when the service reports it as removable flash.
  const char* loopCards = std::getenv("ORVIA_TEST_LOOP_CARDS");
  return drive.connectionBus.empty() && flash && loopCards != nullptr && std::string_view(loopCards) == "1";
}

bool IsFormattable(const Block& block, const Snapshot& snapshot) {
  if (block.hintSystem || block.hintIgnore || block.readOnly || block.isPartitionTable) return false;
  if (block.sizeBytes == 0 || IsBootOrRpmbDevice(block.device)) return false;
  const Drive* drive = snapshot.FindDrive(block.drive);
  if (drive == nullptr || !IsRemovableCardDrive(*drive)) return false;
  // A drive with a volume mounted at a system place (the root, /boot, ...)
  // is a system disk whatever its hints say.
  for (const Block& other : snapshot.blocks) {
    if (other.drive != block.drive) continue;
    for (const std::string& point : other.mountPoints)
      if (IsSystemMount({point, other.device, other.idType})) return false;
  }
  if (block.isPartition) return true;
  // A whole disk is offered only when no partition of it exists.
  for (const Block& other : snapshot.blocks)
    if (other.drive == block.drive && other.path != block.path &&
        (other.isPartition || other.isPartitionTable))
      return false;
  return true;
}

bool MayHoldCard(const Block& block) { return block.hasFilesystem && !block.hintSystem && !block.hintIgnore; }

}  // namespace orvia::udisks
