// The card watch and the volume release against the running system's mount
// table. They need the right to mount: without it they are skipped.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <QSignalSpy>
#include <QTest>

#include "library/card_drives.h"
#include "library/card_watch.h"
#include "library_test_support.h"

namespace orvia {
namespace {

// A tmpfs mounted on a temporary folder for the length of a test.
class ScratchMount {
 public:
  ScratchMount() : point_(tmp_ / "card") {
    test::MakeFolder(point_);
    mounted_ = mount("orvia-test", point_.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~ScratchMount() {
    if (IsMountPoint()) umount2(point_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& point() const { return point_; }
  bool IsMountPoint() const {
    struct stat self {
    }, parent{};
    return stat(point_.c_str(), &self) == 0 && stat(tmp_.path().c_str(), &parent) == 0 &&
           self.st_dev != parent.st_dev;
  }
  std::string operator/(const std::string& name) const { return tmp_ / name; }

 private:
  test::TempFolder tmp_;
  std::string point_;
  bool mounted_ = false;
};

TEST(RealMounts, TheWatchHearsTheKernelWhenTheCardIsUnmounted) {
  ScratchMount card;
  if (!card.mounted()) GTEST_SKIP() << "mounting is not permitted here";
  CardWatch watch;
  const QString root = QString::fromStdString(card.point() + "/");
  watch.SetCardRootProvider([&] { return root; });
  ASSERT_TRUE(watch.Start());
  QSignalSpy removed(&watch, &CardWatch::cardRemoved);

  ASSERT_EQ(umount2(card.point().c_str(), 0), 0);
  // No Check() here: the notice must come from the kernel through the loop.
  EXPECT_TRUE(QTest::qWaitFor([&] { return removed.count() > 0; }, 10000));
  ASSERT_EQ(removed.count(), 1);
  EXPECT_EQ(removed.at(0).at(0).toString(), QString::fromStdString(card.point()));
}

TEST(RealMounts, ReleaseDetachesTheCardsMount) {
  ScratchMount card;
  if (!card.mounted()) GTEST_SKIP() << "mounting is not permitted here";
  ASSERT_TRUE(card.IsMountPoint());
  // The table claims the scratch mount is a card's FAT volume on mmcblk0.
  CardEnvironment env;
  env.mountInfoPath = card / "mountinfo";
  env.sysfsRoot = card / "sys";
  test::MakeFolder(env.sysfsRoot + "/block/mmcblk0");
  test::WriteFile(env.mountInfoPath,
                  test::SystemMountLines() + test::MountInfoLine(20, card.point(), "/dev/mmcblk0p1"));
  EXPECT_EQ(ReleaseCardVolume(card.point() + "/", env), 0);
  EXPECT_FALSE(card.IsMountPoint());
  // Released again: nothing mounted there any more, still no harm.
  EXPECT_EQ(ReleaseCardVolume(card.point(), env), 0);
}

TEST(RealMounts, AFlushingReleaseKeepsTheCardMounted) {
  ScratchMount card;
  if (!card.mounted()) GTEST_SKIP() << "mounting is not permitted here";
  CardEnvironment env;
  env.mountInfoPath = card / "mountinfo";
  test::WriteFile(env.mountInfoPath, test::MountInfoLine(20, card.point(), "/dev/sdb1"));
  EXPECT_EQ(ReleaseCardVolume(card.point(), env, ReleaseOps{&FlushVolume}), -1);  // no sysfs disk
  EXPECT_TRUE(card.IsMountPoint());
  EXPECT_EQ(FlushVolume(card.point().c_str()), 0);
  EXPECT_EQ(FlushVolume((card / "missing").c_str()), -1);
}

}  // namespace
}  // namespace orvia
