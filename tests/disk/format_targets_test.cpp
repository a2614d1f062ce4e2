// What the disk service's refusals tell the user, where mkfs.fat is found
// for a user whose PATH lacks the sbin folders, and the partition's mark in
// the disk's MBR.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "disk/format_targets.h"
#include "disk/partition_type.h"
#include "tests/support/temp_dir.h"

namespace orvia::format {
namespace {

TEST(ServiceRefusals, EachKindGetsItsOwnReasonLine) {
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.UDisks2.Error.NotAuthorizedDismissed"),
            FormatError::kNotAuthorized);
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.UDisks2.Error.DeviceBusy"), FormatError::kBusy);
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.DBus.Error.UnknownObject"), FormatError::kRemoved);
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.DBus.Error.ServiceUnknown"), FormatError::kNoService);
  EXPECT_EQ(ServiceErrorKind("org.freedesktop.UDisks2.Error.Failed"), FormatError::kServiceFailed);

  FormatResult busy;
  busy.error = FormatError::kBusy;
  busy.detail = "Error unmounting /dev/sdb1: target is busy\nmore\n";
  EXPECT_EQ(ReasonLine(busy),
            "The card is in use: close the programs that use it and try again. "
            "(Error unmounting /dev/sdb1: target is busy)");
  FormatResult failed;
  failed.error = FormatError::kServiceFailed;
  failed.detail = "Error wiping device";
  EXPECT_EQ(ReasonLine(failed), "Error wiping device");
  FormatResult small;
  small.error = FormatError::kTooSmall;
  EXPECT_NE(ReasonLine(small).find("2.1 GB"), std::string::npos);
  EXPECT_EQ(ReasonLine(FormatResult{}), "");
}

TEST(ServiceRefusals, LabelsAreCheckedAsFatTakesThem) {
  EXPECT_EQ(LabelProblem("CARD 01"), "");
  EXPECT_EQ(LabelProblem("card"), "");  // raised to upper case when written
  EXPECT_NE(LabelProblem("A*B"), "");
  EXPECT_EQ(LabelProblem("\xED\x95\x9C\xEA\xB8\x80"), "");  // Korean: code page 949
  EXPECT_NE(LabelProblem("\xF0\x9F\x98\x80"), "");          // no code page 949 form
}

TEST(ServiceRefusals, MkfsFatIsFoundInTheSbinFoldersOffThePath) {
  if (access("/usr/sbin/mkfs.fat", X_OK) != 0 && access("/sbin/mkfs.fat", X_OK) != 0)
    FAIL() << "no mkfs.fat in the sbin folders (script/bootstrap installs dosfstools)";
  const char* was = std::getenv("PATH");
  const std::string saved = was ? was : "";
  setenv("PATH", "/usr/bin:/bin", 1);
  const std::string found = FindSbinProgram("mkfs.fat");
  setenv("PATH", saved.c_str(), 1);
  EXPECT_TRUE(found == "/usr/sbin/mkfs.fat" || found == "/sbin/mkfs.fat") << found;
  EXPECT_EQ(FindSbinProgram("./mkfs.fat"), "./mkfs.fat");
}

// An MBR sector with the given (type, start sector) entries, or a blank one.
std::string Mbr(std::initializer_list<std::pair<uint8_t, uint32_t>> entries, bool signature = true) {
  std::string sector(512, '\0');
  size_t at = 446;
  for (const auto& [type, start] : entries) {
    sector[at + 4] = static_cast<char>(type);
    for (int i = 0; i < 4; ++i) sector[at + 8 + i] = static_cast<char>((start >> (8 * i)) & 0xFF);
    at += 16;
  }
  if (signature) sector.replace(510, 2, "\x55\xAA");
  return sector;
}

TEST(PartitionMark, OnlyTheCardsOwnMbrEntryIsMarkedFat32) {
  test::TempDir dir;
  const auto run = [&dir](const std::string& sector, uint64_t start, std::string* after) {
    const std::string path = dir / "disk.img";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(pwrite(fd, sector.data(), sector.size(), 0), 512);
    std::string error;
    const PartitionTypeChange change = MarkFat32Partition(fd, start, &error);
    after->assign(512, '\0');
    EXPECT_EQ(pread(fd, after->data(), 512, 0), 512);
    close(fd);
    return change;
  };
  std::string after;
  // A Linux partition at 2048 beside another: only its type byte changes.
  const std::string linux = Mbr({{0x07, 63}, {0x83, 2048}});
  EXPECT_EQ(run(linux, 2048, &after), PartitionTypeChange::kChanged);
  std::string expected = linux;
  expected[446 + 16 + 4] = 0x0C;
  EXPECT_EQ(after, expected);
  // FAT32 already (CHS or LBA), no entry at that sector, a GPT disk's
  // protective MBR, or no MBR at all: nothing is written.
  for (const auto& [sector, change] :
       {std::pair{Mbr({{0x0B, 2048}}), PartitionTypeChange::kAlready},
        std::pair{Mbr({{0x83, 4096}}), PartitionTypeChange::kNoEntry},
        std::pair{Mbr({{0xEE, 1}, {0x83, 2048}}), PartitionTypeChange::kNoTable},
        std::pair{Mbr({{0x83, 2048}}, false), PartitionTypeChange::kNoTable}}) {
    EXPECT_EQ(run(sector, 2048, &after), change);
    EXPECT_EQ(after, sector);
  }
}

}  // namespace
}  // namespace orvia::format
