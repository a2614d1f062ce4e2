// Which of the disk service's devices are cards to list or to format, and the
// one card list built from the service, the mount table and the user's folders.
#include <gtest/gtest.h>

#include "library/card_list.h"
#include "library/udisks_model.h"
#include "library_test_support.h"

namespace orvia {
namespace {

using udisks::Block;
using udisks::Drive;

udisks::Snapshot Machine() {
  udisks::Snapshot s;
  s.available = true;
  s.drives = {{"/d/reader", true, true, "usb", {"flash_sd"}, ""},
              {"/d/slot", false, true, "sdio", {"flash_sd"}, ""},
              {"/d/emmc", false, false, "sdio", {"flash_mmc"}, ""},
              {"/d/ssd", false, false, "", {}, ""},
              {"/d/dvd", true, true, "usb", {"optical_cd"}, ""},
              {"/d/usbdisk", true, true, "usb", {}, ""}};
  auto block = [&s](std::string name, std::string drive, bool partition, bool table) {
    Block b;
    b.path = "/b/" + name;
    b.device = "/dev/" + name;
    b.drive = drive;
    b.sizeBytes = 8ull << 30;
    b.isPartition = partition;
    b.isPartitionTable = table;
    s.blocks.push_back(b);
    return &s.blocks.back();
  };
  block("sdb", "/d/reader", false, true);
  block("sdb1", "/d/reader", true, false);
  block("mmcblk1", "/d/slot", false, false);  // a card without partitions
  block("mmcblk0", "/d/emmc", false, true);
  block("mmcblk0p1", "/d/emmc", true, false);
  block("mmcblk0boot0", "/d/emmc", false, false);
  block("sda1", "/d/ssd", true, false);
  block("sr0", "/d/dvd", false, false);
  block("sdc1", "/d/usbdisk", true, false)->hintSystem = true;
  block("sdd1", "/d/usbdisk", true, false)->mountPoints = {"/"};  // the system runs from it
  block("sde", "/d/reader", false, false)->sizeBytes = 0;         // a reader slot without a card
  return s;
}

TEST(CardDevices, OnlyRemovableCardsAreOffered) {
  const udisks::Snapshot s = Machine();
  std::vector<std::string> offered;
  for (const Block& b : s.blocks)
    if (udisks::IsFormattable(b, s)) offered.push_back(b.device);
  EXPECT_EQ(offered, (std::vector<std::string>{"/dev/sdb1", "/dev/mmcblk1"}));
  EXPECT_TRUE(udisks::IsBootOrRpmbDevice("/dev/mmcblk0rpmb"));
  EXPECT_TRUE(udisks::IsBootOrRpmbDevice("/dev/mmcblk10boot1"));
  EXPECT_FALSE(udisks::IsBootOrRpmbDevice("/dev/mmcblk0p1"));
}

TEST(CardDevices, VersionsAndFileSystemNames) {
  EXPECT_FALSE(udisks::VersionAtLeast("2.9.4", 2, 10));
  EXPECT_TRUE(udisks::VersionAtLeast("2.10.0", 2, 10));
  EXPECT_TRUE(udisks::VersionAtLeast("3.0", 2, 10));
  EXPECT_FALSE(udisks::VersionAtLeast("", 2, 10));
  Block b;
  b.idUsage = "filesystem";
  b.idType = "vfat";
  b.idVersion = "FAT32";
  EXPECT_EQ(udisks::FileSystemName(b), "FAT32");
  b.idType = "exfat";
  EXPECT_EQ(udisks::FileSystemName(b), "exFAT");
  b.idUsage = "crypto";
  EXPECT_EQ(udisks::FileSystemName(b), "");
}

TEST(CardList, ServiceMountTableAndFoldersMakeOneListWithoutTheSystems) {
  test::TempFolder tmp;
  const std::string card = tmp / "run/media/u/CARD";
  const std::string system = tmp / "sys-volume";
  const std::string loose = tmp / "loose";  // mounted, unknown to the service
  const std::string folder = tmp / "folder";
  for (const std::string& f : {card, system, loose, folder}) test::MakeFolder(f + "/Normal");
  test::MakeFolder(tmp / "plain");

  udisks::Snapshot s = Machine();
  s.blocks[1].hasFilesystem = true;
  s.blocks[1].mountPoints = {card + "/"};
  s.blocks[8].hasFilesystem = true;  // hinted as the system's
  s.blocks[8].mountPoints = {system};
  const std::vector<MountEntry> mounts = {{"/", "/dev/sdd1", "ext4"},
                                          {card, "/dev/sdb1", "vfat"},
                                          {system, "/dev/sdc1", "ext4"},
                                          {loose, "/dev/sdx1", "vfat"},
                                          {tmp / "plain", "/dev/sdy1", "vfat"}};

  const auto listed = [&](const std::vector<std::string>& folders) {
    std::vector<std::string> got;
    for (const CardVolume& c : ListCards(s, mounts, folders, tmp.path()))
      got.push_back(c.mountPoint + " " + c.source + (c.removable ? " removable" : ""));
    return got;
  };
  EXPECT_EQ(listed({folder, card}),
            (std::vector<std::string>{card + " udisks removable", loose + " mounts", folder + " folder"}));
  // Without the service the mount table decides alone; the system volume is
  // then only known by where it is mounted, which is no system place here.
  s.available = false;
  const std::vector<std::string> without = listed({});
  ASSERT_EQ(without.size(), 3u);
  EXPECT_EQ(without[0], card + " mounts");
}

}  // namespace
}  // namespace orvia
