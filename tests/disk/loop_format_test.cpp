// As root, a real block device (a loop device over a card image) is formatted
// the direct way with mkfs.fat, and the card is usable afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "disk/fat32_writer.h"
#include "disk/format_service.h"
#include "format_test_support.h"

namespace orvia::test {
namespace {

TEST(LoopDevice, FormatsAsRootAndLeavesAUsableCard) {
  if (geteuid() != 0) GTEST_SKIP() << "attaching a loop device needs root";
  CardImages images;
  const QByteArray settings = "MIRROR=1\r\nSOUND=0\r\n";
  const std::string image = images.OldCard("card.img", settings);  // 4 GiB, sparse
  QByteArray out;
  if (RunProgram("losetup", {"-f", "--show", QString::fromStdString(image)}, &out) != 0)
    GTEST_SKIP() << "no loop device";
  const std::string device = out.trimmed().toStdString();
  struct stat st {};
  ASSERT_EQ(stat(device.c_str(), &st), 0);

  // The device shown as a card in a reader: a removable disk in a private sysfs.
  QTemporaryDir sys;
  const QString number = QStringLiteral("%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev));
  format::FormatRequest request;
  request.target = device;
  request.label = "LOOPCARD";
  const format::FormatResult result =
      RunCardFormat(request, {}, {}, FakeCardSystem(sys.path(), "sdz", "1", number));
  RunProgram("losetup", {"-d", QString::fromStdString(device)});
  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  EXPECT_TRUE(result.keptSettings);
  ExpectRecorderVolume(image, "LOOPCARD");
  EXPECT_TRUE(HasEntry(image, "/Normal"));
  EXPECT_FALSE(HasEntry(image, "/Normal/mdr_old.avi"));
  EXPECT_EQ(TypeFile(image, "/Config/setup.dat"), settings);
}

// A block device's size comes from the kernel (BLKGETSIZE64): its file size
// reads 0, and a volume planned larger than the device is refused.
TEST(LoopDevice, TheWriterTakesTheBlockDevicesOwnSize) {
  if (geteuid() != 0) GTEST_SKIP() << "attaching a loop device needs root";
  CardImages images;
  const std::string image = images.Blank("card.img");  // 4 GiB, sparse
  QByteArray out;
  if (RunProgram("losetup", {"-f", "--show", QString::fromStdString(image)}, &out) != 0)
    GTEST_SKIP() << "no loop device";
  const std::string device = out.trimmed().toStdString();
  const int fd = open(device.c_str(), O_RDWR | O_CLOEXEC);
  uint64_t bytes = 0;
  std::string error;
  const bool sized = fd >= 0 && format::DeviceBytes(fd, &bytes, &error);
  format::Fat32Layout larger;
  format::Fat32Layout exact;
  bool refused = false;
  bool written = false;
  if (sized && format::PlanFat32(bytes * 2, &larger) && format::PlanFat32(bytes, &exact)) {
    refused = !format::WriteFat32(fd, larger, "", 0, 1, &error);
    written = format::WriteFat32(fd, exact, "LOOP", 0, 2, &error);
  }
  if (fd >= 0) close(fd);
  RunProgram("losetup", {"-d", QString::fromStdString(device)});
  ASSERT_TRUE(sized) << error;
  EXPECT_EQ(bytes, uint64_t(4) << 30);
  EXPECT_TRUE(refused);
  ASSERT_TRUE(written) << error;
  ExpectRecorderVolume(image, "LOOP");
}

}  // namespace
}  // namespace orvia::test
