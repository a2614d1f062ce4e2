// The FAT32 file system written through a descriptor: what dosfstools and
// mtools make of it, and the sizes it refuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "disk/fat32_writer.h"
#include "disk/format_logic.h"
#include "format_test_support.h"

namespace orvia::test {
namespace {

TEST(Fat32Writer, PlansOnlyVolumesThatHoldFat32WithThirtyTwoKilobyteClusters) {
  format::Fat32Layout layout;
  EXPECT_FALSE(format::PlanFat32(2000ull << 20, &layout));  // too few clusters: FAT16 territory
  EXPECT_FALSE(format::PlanFat32(2ull << 40, &layout));     // more sectors than the field holds
  ASSERT_TRUE(format::PlanFat32(format::kMinCardBytes + (64 << 20), &layout));
  ASSERT_TRUE(format::PlanFat32(7945689497ull, &layout));
  EXPECT_GE(layout.clusterCount, format::kMinFat32Clusters);
  EXPECT_EQ(layout.DataStartSector() % 64, 0u);  // clusters lie on 32 KB boundaries
  EXPECT_GE(uint64_t{layout.fatSectors} * 128, uint64_t{layout.clusterCount} + 2);
  EXPECT_LE(uint64_t{layout.DataStartSector()} + uint64_t{layout.clusterCount} * 64, layout.totalSectors);
}

TEST(Fat32Writer, WritesAVolumeThatTheToolsTakeAsAFreshCard) {
  CardImages images;
  // An old file system first: nothing of it may show through.
  const std::string image = images.OldCard("card.img", "MIRROR=1\r\n");
  const int fd = open(image.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  format::Fat32Layout layout;
  ASSERT_TRUE(format::PlanFat32(lseek(fd, 0, SEEK_END), &layout));
  std::string error;
  ASSERT_TRUE(format::WriteFat32(fd, layout, "ORVIA CARD", 2048, 0x12345678, &error)) << error;
  close(fd);

  ExpectRecorderVolume(image, "ORVIA CARD");
  const QByteArray info = Minfo(image);
  EXPECT_TRUE(info.contains("hidden sectors: 2048")) << info.toStdString();
  EXPECT_TRUE(info.contains("serial number: 12345678")) << info.toStdString();
  EXPECT_FALSE(HasEntry(image, "/Config"));
  // The card takes folders and files afterwards.
  EXPECT_EQ(RunProgram("mmd", {"-i", QString::fromStdString(image), "::/Normal"}), 0);
  EXPECT_TRUE(HasEntry(image, "/Normal"));
  int code = -1;
  const QByteArray after = Fsck(image, &code);
  EXPECT_EQ(code, 0) << after.toStdString();
}

}  // namespace
}  // namespace orvia::test
