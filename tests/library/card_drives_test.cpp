// The card search over a mount table, the release of a card's volume and the
// decision whether a change of the table took the card in use away.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "library/card_drives.h"
#include "library_test_support.h"

namespace orvia {
namespace {

using test::MountInfoLine;
using test::TempFolder;

TEST(MountInfo, DecodesTheKernelsEscapesAndKeepsEverythingElse) {
  EXPECT_EQ(UnescapeMountField("/media/my\\040card"), "/media/my card");
  EXPECT_EQ(UnescapeMountField("a\\011b\\012c\\134d"), "a\tb\nc\\d");
  // Not three octal digits: kept as written, also at the very end.
  EXPECT_EQ(UnescapeMountField("x\\08y"), "x\\08y");
  EXPECT_EQ(UnescapeMountField("end\\04"), "end\\04");
  EXPECT_EQ(UnescapeMountField("end\\"), "end\\");
  // Above one byte: kept.
  EXPECT_EQ(UnescapeMountField("\\777"), "\\777");
}

TEST(MountInfo, ReadsMountPointSourceAndTypeWithAndWithoutOptionalFields) {
  const std::string text =
      "36 35 98:0 /mnt1 /mnt/parent\\040dir rw,noatime master:1 propagate_from:2 - ext3 /dev/root rw\n"
      "37 35 179:1 / /media/card rw - vfat /dev/mmcblk0p1 rw,fmask=0022\n"
      "garbage line\n"
      "38 35 0:1 / relative rw - tmpfs none rw\n"  // not an absolute mount point
      "39 35 0:1 / /cut rw master:1\n"             // no separator and no type
      "\n"
      "41 35 8:x / /media/nodev rw - vfat /dev/sdc1 rw\n"                    // no device number
      "40 35 8:17 / /media/usb\\040stick rw shared:9 - exfat /dev/sdb1 rw";  // no final newline
  std::vector<std::string> got;
  for (const MountEntry& m : ParseMountInfo(text))
    got.push_back(m.mountPoint + "|" + m.source + "|" + m.fsType + "|" + std::to_string(m.major) + ":" +
                  std::to_string(m.minor));
  EXPECT_EQ(got, (std::vector<std::string>{"/mnt/parent dir|/dev/root|ext3|98:0",
                                           "/media/card|/dev/mmcblk0p1|vfat|179:1",
                                           "/media/usb stick|/dev/sdb1|exfat|8:17"}));
}

TEST(MountInfo, ReadsTheRunningSystemsTable) {
  // Every line the kernel writes is understood. Nothing is assumed about the
  // layout: in a chroot "/" need not be a mount point of its own.
  std::ifstream in("/proc/self/mountinfo");
  if (!in) GTEST_SKIP() << "no /proc here";
  size_t lines = 0;
  for (std::string line; std::getline(in, line);) lines += !line.empty();
  std::vector<MountEntry> mounts;
  ASSERT_TRUE(ReadMountTable("/proc/self/mountinfo", &mounts));
  EXPECT_EQ(mounts.size(), lines);
  for (const MountEntry& m : mounts) EXPECT_EQ(m.mountPoint[0], '/') << m.mountPoint;
  EXPECT_FALSE(ReadMountTable("/nonexistent/mountinfo", &mounts));
  EXPECT_TRUE(mounts.empty());
}

TEST(MountInfo, SystemMountsAreNeverCards) {
  for (const char* point : {"/", "/boot", "/boot/efi", "/proc", "/sys/fs/cgroup", "/dev", "/dev/shm", "/run",
                            "/run/media", "/run/user/0/doc", "/etc/hosts", "/usr", "/var/lib/x"})
    EXPECT_TRUE(IsSystemMount({point, "/dev/sda1", "vfat"})) << point;
  for (const char* type : {"proc", "sysfs", "tmpfs", "devpts", "cgroup2"})
    EXPECT_TRUE(IsSystemMount({"/media/x", "none", type})) << type;
  for (const char* point :
       {"/media/card", "/run/media/u/CARD", "/mnt/sd", "/home/user/card", "/bootcamp", "/devices", "/tmp/x"})
    EXPECT_FALSE(IsSystemMount({point, "/dev/sdb1", "vfat"})) << point;
}

// Three mounted volumes: two carry `Normal` (one as a folder, one as a
// file), one does not.
class CardSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    cardA = tmp / "card A";
    test::MakeFolder(cardA + "/Normal");
    plain = tmp / "usb";
    test::MakeFolder(plain + "/Photos");
    cardB = tmp / "cardB";
    test::WriteFile(cardB + "/Normal", "");
  }
  std::vector<MountEntry> Table() const {
    return ParseMountInfo(test::SystemMountLines() + MountInfoLine(20, cardA, "/dev/sdb1") +
                          MountInfoLine(21, plain, "/dev/sdc1") + MountInfoLine(22, cardB, "/dev/mmcblk0p1"));
  }

  TempFolder tmp;
  std::string cardA, plain, cardB;
};

TEST_F(CardSearch, FindsTheMountsCarryingNormalInTableOrderThenTheUsersFoldersOnce) {
  EXPECT_EQ(FindCardDrives(Table(), {}), (std::vector<std::string>{cardA + "/", cardB + "/"}));
  EXPECT_EQ(CardDriveText(cardA + "/"), cardA);
  const std::string folder = tmp / "copied card";
  test::MakeFolder(folder + "/Normal/100");
  test::MakeFolder(tmp / "empty");
  EXPECT_EQ(FindCardDrives(Table(), {folder + "//", tmp / "empty", tmp / "missing", cardA, "", "/"}),
            (std::vector<std::string>{cardA + "/", cardB + "/", folder + "/"}));
}

TEST_F(CardSearch, PassesOverSystemMountsThatCarryNormal) {
  // A pseudo file system and a mount below /run with `Normal` are no cards,
  // nor is the root file system.
  const std::string fake = tmp / "procfs";
  test::MakeFolder(fake + "/Normal");
  const std::vector<MountEntry> mounts =
      ParseMountInfo(MountInfoLine(1, fake, "proc", "proc") + MountInfoLine(2, "/", "/dev/vda1", "ext4") +
                     MountInfoLine(3, "/run/user/0", "tmpfs", "vfat"));
  EXPECT_TRUE(FindCardDrives(mounts, {}).empty());
}

TEST_F(CardSearch, MakesRelativeUserFoldersAbsolute) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(tmp.path());
  const std::vector<std::string> roots = FindCardDrives({}, {"./cardB/../card A"});
  std::filesystem::current_path(before);
  EXPECT_EQ(roots, std::vector<std::string>{cardA + "/"});
}

TEST_F(CardSearch, ReadsTheEnvironmentsTableAndKeepsUserFoldersWithoutOne) {
  CardEnvironment env;
  env.mountInfoPath = tmp / "mountinfo";
  test::WriteFile(env.mountInfoPath, test::SystemMountLines() + MountInfoLine(30, cardB, "/dev/sdd1"));
  env.userFolders = {cardA};
  EXPECT_EQ(FindCardDrives(env), (std::vector<std::string>{cardB + "/", cardA + "/"}));
  env.mountInfoPath = tmp / "no-such-table";
  EXPECT_EQ(FindCardDrives(env), (std::vector<std::string>{cardA + "/"}));
  env.userFolders.clear();
  EXPECT_TRUE(FindCardDrives(env).empty());
}

TEST(DiskIndex, NamesTheWholeDiskOfAPartitionWhenSysfsHasIt) {
  TempFolder sysfs;
  for (const char* disk : {"sda", "sdb", "sdab", "mmcblk0", "mmcblk12", "nvme1n1"})
    test::MakeFolder(sysfs / ("block/" + std::string(disk)));
  const std::pair<const char*, int> disks[] = {{"/dev/sdb1", 1},        {"/dev/sda", 0},
                                               {"/dev/sdab3", 27},      {"/dev/mmcblk0p1", 0},
                                               {"/dev/mmcblk12p2", 12}, {"/dev/nvme1n1p3", 1}};
  for (const auto& [device, index] : disks)
    EXPECT_EQ(DiskIndexOfDevice(sysfs.path(), device), index) << device;
  // Not in sysfs, not a disk name, not a device.
  for (const char* device : {"/dev/sdc1", "/dev/mmcblk0x1", "/dev/mmcblkp1", "/dev/loop0", "/dev/sd",
                             "/dev/mmcblk99999999999999999999p1", "/dev/../sdb1", "tmpfs", ""})
    EXPECT_EQ(DiskIndexOfDevice(sysfs.path(), device), -1) << device;
}

std::vector<std::string> g_unmounted;
int RecordUnmount(const char* point) {
  g_unmounted.push_back(point);
  return -1;  // refused: the release goes on regardless
}

TEST(ReleaseCardVolume, DetachesOnlyACardsOwnMountAndNamesItsDisk) {
  TempFolder tmp;
  CardEnvironment env;
  env.mountInfoPath = tmp / "mountinfo";
  env.sysfsRoot = tmp / "sys";
  test::MakeFolder(env.sysfsRoot + "/block/sdb");
  const std::string card = tmp / "sd card", stick = tmp / "stick";
  test::WriteFile(env.mountInfoPath, test::SystemMountLines() + MountInfoLine(20, card, "/dev/sdb1") +
                                         MountInfoLine(21, stick, "/dev/sdz1"));
  const ReleaseOps ops{&RecordUnmount};

  g_unmounted.clear();
  EXPECT_EQ(ReleaseCardVolume(card + "/", env, ops), 1);
  EXPECT_EQ(g_unmounted, std::vector<std::string>{card});
  // A disk sysfs does not know: detached all the same, no index.
  EXPECT_EQ(ReleaseCardVolume(stick, env, ops), -1);
  EXPECT_EQ(g_unmounted.size(), 2u);

  // A plain folder, a folder below the card, the root and system mounts are
  // never detached.
  g_unmounted.clear();
  for (const std::string& path : {tmp.path(), card + "/Normal", std::string("/"), std::string("/proc")})
    EXPECT_EQ(ReleaseCardVolume(path, env, ops), -1) << path;
  env.mountInfoPath = tmp / "missing";
  EXPECT_EQ(ReleaseCardVolume(card, env, ops), -1);
  EXPECT_TRUE(g_unmounted.empty());
}

TEST(ReleaseCardVolume, FailsHarmlesslyForAFolderOnTheRunningSystem) {
  TempFolder tmp;
  EXPECT_EQ(ReleaseCardVolume(tmp.path()), -1);
  EXPECT_TRUE(std::filesystem::exists(tmp.path()));
}

TEST(CardRemoval, ReportsOnlyTheMountThatHeldTheCardRoot) {
  const std::string base = test::SystemMountLines() + MountInfoLine(20, "/media/other", "/dev/sdc1");
  const auto before = ParseMountInfo(base + MountInfoLine(21, "/media/my card", "/dev/sdb1"));
  const auto withoutCard = ParseMountInfo(base);
  const auto withoutOther =
      ParseMountInfo(test::SystemMountLines() + MountInfoLine(21, "/media/my card", "/dev/sdb1"));
  const auto replaced = ParseMountInfo(base + MountInfoLine(22, "/media/my card", "/dev/sdd1"));

  EXPECT_EQ(RemovedCardMount(before, withoutCard, "/media/my card/"), "/media/my card");
  EXPECT_EQ(RemovedCardMount(before, replaced, "/media/my card/"), "/media/my card");
  EXPECT_EQ(RemovedCardMount(before, withoutOther, "/media/my card/"), "");
  EXPECT_EQ(RemovedCardMount(before, before, "/media/my card/"), "");
  // No card in use; a card root with a similar prefix is not below the mount.
  EXPECT_EQ(RemovedCardMount(before, withoutCard, ""), "");
  EXPECT_EQ(RemovedCardMount(before, withoutCard, "/media/my card2/"), "");
  // A user folder on the card goes with the card; one on the root stays.
  EXPECT_EQ(RemovedCardMount(before, withoutCard, "/media/my card/backup/"), "/media/my card");
  EXPECT_EQ(RemovedCardMount(before, withoutCard, "/home/user/card/"), "");
  // Two mounts stacked on one point: the lower one left behind is not the card.
  const auto stacked = ParseMountInfo(base + MountInfoLine(21, "/media/my card", "/dev/sdb1") +
                                      MountInfoLine(23, "/media/my card", "/dev/sde1"));
  const auto lowerLeft = ParseMountInfo(base + MountInfoLine(21, "/media/my card", "/dev/sdb1"));
  EXPECT_EQ(RemovedCardMount(stacked, lowerLeft, "/media/my card/"), "/media/my card");
  EXPECT_EQ(MountPointOf(stacked, "/media/my card/Normal"), "/media/my card");
}

}  // namespace
}  // namespace orvia
