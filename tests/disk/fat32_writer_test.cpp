// The FAT32 file system written through a descriptor: what dosfstools and
// mtools make of it, and the sizes it refuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

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

// A plan that a reader takes as FAT32 and that fits in the volume.
::testing::AssertionResult ValidPlan(uint64_t bytes) {
  format::Fat32Layout l;
  if (!format::PlanFat32(bytes, &l)) return ::testing::AssertionFailure() << bytes << " refused";
  const uint64_t total = bytes / 512;
  const uint64_t data = l.DataStartSector();
  if (l.totalSectors != total || l.reservedSectors < 32 || data % 64 != 0 ||
      l.clusterCount < format::kMinFat32Clusters || uint64_t{l.fatSectors} * 128 < l.clusterCount + 2ull ||
      data + uint64_t{l.clusterCount} * 64 > total || (total - data) / 64 != l.clusterCount)
    return ::testing::AssertionFailure() << bytes << ": reserved " << l.reservedSectors << ", FAT "
                                         << l.fatSectors << ", clusters " << l.clusterCount;
  return ::testing::AssertionSuccess();
}

TEST(Fat32Writer, PlansEverySizeFromTheSmallestFat32VolumeUpToTwoTebibytes) {
  constexpr uint64_t kTwoTiB = uint64_t(1) << 41;
  // Sizes where the FAT size and the cluster count used to chase each other.
  EXPECT_TRUE(ValidPlan(2215116800ull));
  EXPECT_TRUE(ValidPlan(144252155256ull));
  // The ends of the range, and just beyond them.
  EXPECT_TRUE(ValidPlan(format::kMinCardBytes));
  format::Fat32Layout layout;
  EXPECT_FALSE(format::PlanFat32(format::kMinCardBytes - 512, &layout));
  EXPECT_TRUE(ValidPlan(kTwoTiB - 1));
  EXPECT_FALSE(format::PlanFat32(kTwoTiB, &layout));
  EXPECT_FALSE(format::PlanFat32(kTwoTiB * 4, &layout));

  int refused = 0;
  auto check = [&refused](uint64_t bytes) {
    const ::testing::AssertionResult plan = ValidPlan(bytes);
    if (plan) return;
    if (++refused <= 5) ADD_FAILURE() << plan.message();
  };
  // Every sector count of the first 64 MB above the smallest volume ...
  for (uint64_t bytes = format::kMinCardBytes; bytes < format::kMinCardBytes + (64 << 20); bytes += 512)
    check(bytes);
  // ... sizes on an odd stride across the whole range ...
  for (uint64_t bytes = format::kMinCardBytes; bytes < kTwoTiB; bytes += 9999991ull * 512 + 77) check(bytes);
  // ... and random ones (fixed seed, so a failure repeats).
  std::mt19937_64 random(20261208);
  for (int i = 0; i < 200000; ++i)
    check(format::kMinCardBytes + random() % (kTwoTiB - format::kMinCardBytes));
  EXPECT_EQ(refused, 0);
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

TEST(Fat32Writer, WritesTheRecordersFoldersAndSettingsFileWithTheVolume) {
  // One cluster and a settings file over several (100 KB: four clusters).
  for (const int size : {353, 100000}) {
    SCOPED_TRACE(size);
    CardImages images;
    const std::string image = images.OldCard("card.img", "MIRROR=1\r\n");
    QByteArray settings;
    for (int i = 0; settings.size() < size; ++i) settings += QByteArray::number(i) + "\r\n";
    settings.resize(size);
    const int fd = open(image.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    format::Fat32Layout layout;
    ASSERT_TRUE(format::PlanFat32(lseek(fd, 0, SEEK_END), &layout));
    std::string error;
    const format::RecorderFiles files{settings.toStdString()};
    ASSERT_TRUE(format::WriteFat32(fd, layout, "REC", 0, 7, &error, &files)) << error;
    close(fd);
    ExpectRecorderVolume(image, "REC");
    EXPECT_EQ(TypeFile(image, "/Config/setup.dat"), settings);
    QByteArray root;
    ASSERT_EQ(RunProgram("mdir", {"-b", "-i", QString::fromStdString(image), "::/"}, &root), 0);
    // The folders by their mixed-case names, and nothing of the old card.
    EXPECT_TRUE(root.contains("::/Normal/") && root.contains("::/Config/")) << root.toStdString();
    EXPECT_FALSE(root.contains("mdr_old")) << root.toStdString();
    EXPECT_TRUE(HasEntry(image, "/Normal"));
  }
}

}  // namespace
}  // namespace orvia::test
