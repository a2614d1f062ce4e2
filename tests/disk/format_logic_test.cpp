// Formatting card images: the file system made, the card prepared afterwards,
// and the refusals that keep anything but a card out of reach.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "disk/format_logic.h"
#include "disk/format_targets.h"
#include "disk/settings_copy.h"
#include "format_test_support.h"
#include "settings/default_setup.h"

namespace orvia::test {
namespace {

using format::FormatError;
using format::FormatPhase;
using format::FormatRequest;
using format::FormatResult;

QByteArray DefaultBytes() { return QByteArray(DefaultSetupDat().data(), kDefaultSetupDatBytes); }

// The default file with other values, 353 bytes like the recorder writes it.
QByteArray CardSettings() {
  QByteArray bytes = DefaultBytes();
  bytes.replace("SOUND=1", "SOUND=0").replace("MIRROR=0", "MIRROR=1");
  return bytes;
}

QByteArray Filler(int size) {
  QByteArray bytes;
  for (int i = 0; bytes.size() < size; ++i) bytes += QByteArray::number(i) + "\r\n";
  bytes.resize(size);
  return bytes;
}

FormatResult Format(const std::string& image, const std::string& label, bool quick = true,
                    std::vector<std::pair<int, FormatPhase>>* steps = nullptr,
                    const format::FormatTools& tools = {}) {
  FormatRequest request{image, "", label, quick};
  return format::RunFormat(
      request,
      [steps](int percent, FormatPhase phase) {
        if (steps) steps->push_back({percent, phase});
      },
      tools);
}

// The card the recorder expects: a fresh volume, both folders, the settings file given.
void ExpectRecorderCard(const std::string& image, const char* label, const QByteArray& settings) {
  ExpectRecorderVolume(image, label);
  EXPECT_TRUE(HasEntry(image, "/Normal"));
  EXPECT_TRUE(HasEntry(image, "/Config"));
  EXPECT_EQ(TypeFile(image, "/Config/setup.dat"), settings);
}

TEST(FormatImage, KeepsTheCardsSettingsFileAndDropsTheRest) {
  CardImages images;
  const std::string image = images.OldCard("card.img", CardSettings());
  ASSERT_EQ(TypeFile(image, "/Config/setup.dat"), CardSettings());
  std::vector<std::pair<int, FormatPhase>> steps;

  const FormatResult result = Format(image, format::PrepareLabel("Recorder12"), true, &steps);

  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  EXPECT_TRUE(result.formatted && result.prepared && result.keptSettings);
  ExpectRecorderCard(image, "RECORDER1", CardSettings());
  EXPECT_FALSE(HasEntry(image, "/Normal/mdr_old.avi"));
  EXPECT_EQ(result.volume.fileSystem, "FAT32");
  EXPECT_EQ(format::SizeTextAfter(result.volume.totalBytes), "3 GB");  // 4 GiB less the FATs, truncated

  // The phases in order, the percentage never going back, ending at 100.
  ASSERT_FALSE(steps.empty());
  std::vector<FormatPhase> phases;
  for (size_t i = 0; i < steps.size(); ++i) {
    if (i > 0) EXPECT_GE(steps[i].first, steps[i - 1].first);
    if (phases.empty() || phases.back() != steps[i].second) phases.push_back(steps[i].second);
  }
  EXPECT_EQ(phases,
            (std::vector<FormatPhase>{FormatPhase::kCheck, FormatPhase::kReadSettings, FormatPhase::kUnmount,
                                      FormatPhase::kFormat, FormatPhase::kFolders, FormatPhase::kSettings,
                                      FormatPhase::kDone}));
  EXPECT_EQ(steps.back().first, 100);
}

// A card without settings (old or blank, or with an empty file) gets the
// default file; a large one (3000 bytes, and more than the 10 KB an old
// reader held) comes back whole.
TEST(FormatImage, SettingsFileKeptWholeOrTheDefaultWritten) {
  const std::pair<bool, QByteArray> cards[] = {
      {true, {}}, {false, {}}, {false, QByteArray("")}, {false, Filler(3000)}, {false, Filler(20000)}};
  for (const auto& [blank, settings] : cards) {
    SCOPED_TRACE(testing::Message() << (blank ? "blank" : "old") << " card, settings " << settings.size());
    CardImages images;
    const std::string image = blank ? images.Blank("card.img") : images.OldCard("card.img", settings);
    const FormatResult result = Format(image, blank ? "" : "CAR");
    ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
    EXPECT_EQ(result.keptSettings, !settings.isEmpty());
    ExpectRecorderCard(image, blank ? "NO NAME" : "CAR", settings.isEmpty() ? DefaultBytes() : settings);
  }
}

TEST(FormatImage, FullFormatZeroesTheOldDataAndKeepsTheImageSparse) {
  CardImages images;
  const std::string image = images.OldCard("card.img", CardSettings());
  {
    QFile file(QString::fromStdString(image));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(qint64(3) << 30);
    file.write("secret recording");
  }
  const FormatResult result = Format(image, "FULL", false);
  ASSERT_TRUE(result.ok()) << result.detail;
  ExpectRecorderCard(image, "FULL", CardSettings());
  QFile file(QString::fromStdString(image));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  file.seek(qint64(3) << 30);
  EXPECT_EQ(file.read(16), QByteArray(16, '\0'));
  struct stat st {};
  ASSERT_EQ(stat(image.c_str(), &st), 0);
  EXPECT_LT(static_cast<qint64>(st.st_blocks) * 512, qint64(64) << 20);
}

// The label field of the boot sector (primary or backup) and the root
// folder's first entry, as raw bytes.
std::string RawLabel(const std::string& image, uint64_t sector) {
  QFile file(QString::fromStdString(image));
  if (!file.open(QIODevice::ReadOnly) || !file.seek(qint64(sector) * 512)) return {};
  return file.read(512).mid(71, 11).toStdString();
}
std::string RootEntry(const std::string& image) {
  QFile file(QString::fromStdString(image));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray boot = file.read(512);
  const auto u = [&boot](int at) {
    return uint32_t(uint8_t(boot[at])) | uint32_t(uint8_t(boot[at + 1])) << 8;
  };
  const uint64_t fat = u(36) | uint64_t(u(38)) << 16;
  file.seek(qint64((u(14) + 2 * fat) * 512));  // cluster 2, the root folder
  return file.read(32).toStdString();
}

// mkfs.fat writes ASCII labels only; a Korean one (and a Chinese character
// whose first byte, 0xE5, marks a free folder entry) still reaches the card.
TEST(FormatImage, KoreanLabelsAreWrittenInCodePage949) {
  const std::pair<const char*, std::string> labels[] = {
      {"\uD55C\uAD6D12", std::string("\xC7\xD1\xB1\xB9") + "12     "},
      {"\u6AFB1", std::string("\xE5\xA1") + "1        "}};
  for (const auto& [label, bytes] : labels) {
    SCOPED_TRACE(label);
    CardImages images;
    const std::string image = images.OldCard("card.img", CardSettings());
    const FormatResult result = Format(image, format::PrepareLabel(label));
    ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
    EXPECT_EQ(result.volume.label, label);
    EXPECT_EQ(format::ReadVolumeInfo(image).label, label);
    EXPECT_EQ(RawLabel(image, 0), bytes);
    EXPECT_EQ(RawLabel(image, 6), bytes);  // the backup boot sector
    std::string entry = bytes;
    if (uint8_t(entry[0]) == 0xE5) entry[0] = '\x05';
    const std::string root = RootEntry(image);
    ASSERT_EQ(root.size(), 32u);
    EXPECT_EQ(root.substr(0, 11), entry);
    EXPECT_EQ(root[11], '\x08');  // a volume label
    // (fsck.fat 4.2 takes any label beyond ASCII for invalid, so it is not
    // asked here; the volume itself is mkfs.fat's.)
    const QByteArray info = Minfo(image);
    EXPECT_TRUE(info.contains("cluster size: 64 sectors")) << info.toStdString();
    EXPECT_TRUE(HasEntry(image, "/Normal"));
    EXPECT_EQ(TypeFile(image, "/Config/setup.dat"), CardSettings());
  }
}

TEST(FormatFailure, MkfsFailingIsReportedAsFailure) {
  CardImages images;
  format::FormatTools failing;
  failing.mkfs = "false";
  // A blank card stays blank: nothing to prepare.
  const std::string blank = images.Blank("blank.img");
  FormatResult result = Format(blank, "X", true, nullptr, failing);
  EXPECT_EQ(result.error, FormatError::kMkfsFailed);
  EXPECT_FALSE(result.formatted);
  EXPECT_FALSE(result.prepared);
  EXPECT_FALSE(HasEntry(blank, "/Normal"));

  // A "format" that claims success but leaves the old file system is no success.
  format::FormatTools lying;
  lying.mkfs = "true";
  const std::string old = images.OldCard("old.img", CardSettings());
  result = Format(old, "NEW", true, nullptr, lying);
  EXPECT_EQ(result.error, FormatError::kMkfsFailed);
  EXPECT_FALSE(result.formatted);
  // The old file system is still readable, so the card keeps its folders and
  // settings file.
  EXPECT_TRUE(result.prepared);
  // Its settings were saved in the user's data folder before anything was
  // written, and the message says where.
  ASSERT_FALSE(result.settingsCopy.empty());
  EXPECT_EQ(ReadText(QString::fromStdString(result.settingsCopy)), CardSettings());
  EXPECT_NE(format::ReasonLine(result).find(result.settingsCopy), std::string::npos);
  EXPECT_EQ(TypeFile(old, "/Config/setup.dat"), CardSettings());
  EXPECT_TRUE(HasEntry(old, "/Normal/mdr_old.avi"));
}

// Refusals happen before anything is written: the programs are stand-ins
// that only log their calls.
class FormatRefusal : public ::testing::Test {
 protected:
  FormatError Refusal(const std::string& target, const std::string& label = "CARD",
                      const format::SystemPaths& system = {}) {
    const FormatResult result =
        format::RunFormat({target, "", label, true}, {}, images_.RecorderTools(), system);
    EXPECT_FALSE(result.formatted);
    EXPECT_TRUE(images_.RecordedCalls().isEmpty()) << images_.RecordedCalls().toStdString();
    return result.error;
  }
  CardImages images_;
};

TEST_F(FormatRefusal, NoCardAndPathsThatAreNeitherDeviceNorImage) {
  EXPECT_EQ(Refusal(""), FormatError::kNoCard);
  EXPECT_EQ(Refusal(images_.Path("missing.img")), FormatError::kNotDeviceOrFile);
  EXPECT_EQ(Refusal(QDir::tempPath().toStdString()), FormatError::kNotDeviceOrFile);
  EXPECT_EQ(Refusal("/dev/null"), FormatError::kNotDeviceOrFile);
}

TEST_F(FormatRefusal, TooSmallImagesAndUnwritableLabelsAreLeftAlone) {
  const std::string small = images_.Blank("small.img", qint64(1) << 30);
  EXPECT_EQ(Refusal(small), FormatError::kTooSmall);
  // FAT32 cannot count the sectors of 2 TiB (a sparse image).
  EXPECT_EQ(Refusal(images_.Blank("huge.img", qint64(1) << 41)), FormatError::kTooLarge);
  const std::string card = images_.Blank("card.img");
  // An emoji has no code page 949 form; six Korean characters take 12 bytes.
  for (const char* label :
       {"A*B", "TWELVE CHARS", "\xF0\x9F\x98\x80", "\uD55C\uAD6D\uD55C\uAD6D\uD55C\uAD6D"})
    EXPECT_EQ(Refusal(card, label), FormatError::kBadLabel) << label;
}

TEST_F(FormatRefusal, ImageAttachedToALoopDeviceIsInUse) {
  const std::string card = images_.Blank("card.img");
  QTemporaryDir sys;
  WriteText(sys.filePath("block/loop3/loop/backing_file"), QByteArray::fromStdString(card) + "\n");
  format::SystemPaths system;
  system.sysBlock = sys.filePath("block").toStdString();
  EXPECT_EQ(Refusal(card, "CARD", system), FormatError::kImageInUse);
}

TEST_F(FormatRefusal, TheMachinesOwnBlockDevicesAreNoCards) {
  // Real devices of this machine: read-only checks only.
  for (const char* device : {"/dev/loop0", "/dev/vda", "/dev/sda", "/dev/nvme0n1"}) {
    struct stat st {};
    if (stat(device, &st) != 0 || !S_ISBLK(st.st_mode)) continue;
    EXPECT_NE(format::CheckFormatTarget(device).error, FormatError::kNone) << device;
  }
}

// A fake sysfs and mount table around a real block device node (a loop
// device), so the device looks like a card in a reader, or like the system disk.
class FakeSystem : public FormatRefusal {
 protected:
  void SetUp() override {
    struct stat st {};
    if (stat("/dev/loop0", &st) != 0 || !S_ISBLK(st.st_mode)) GTEST_SKIP() << "no /dev/loop0";
    number_ = QStringLiteral("%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev));
    Disk("sdz", "1");
  }
  void Disk(const QString& name, const QByteArray& removable) {
    system_ = FakeCardSystem(root_.path(), name, removable, number_);
  }
  void Mounts(const QByteArray& lines) {
    WriteText(root_.filePath("mountinfo"), "21 26 0:20 / /proc rw - proc proc rw\n" + lines);
  }
  QByteArray Mount(const QByteArray& number, const QByteArray& where) {
    return "30 1 " + number + " / " + where + " rw,relatime - vfat /dev/sdz1 rw\n";
  }
  format::TargetCheck Check() { return format::CheckFormatTarget("/dev/loop0", system_); }

  QTemporaryDir root_;
  QString number_;
  format::SystemPaths system_;
};

TEST_F(FakeSystem, RemovableCardIsAcceptedAndItsMountsReleased) {
  EXPECT_EQ(Check().error, FormatError::kNone);
  Mounts(Mount(number_.toUtf8(), "/media/user/CARD\\040ONE"));
  const format::TargetCheck check = Check();
  EXPECT_EQ(check.error, FormatError::kNone);
  EXPECT_EQ(check.kind, format::TargetKind::kBlockDevice);
  EXPECT_EQ(check.sizeBytes, 15515648ull * 512);
  EXPECT_EQ(check.mountsToRelease, std::vector<std::string>{"/media/user/CARD ONE"});
  // An SD slot calls itself fixed; its card counts as removable.
  Disk("mmcblk0", "0");
  EXPECT_EQ(Check().error, FormatError::kNone);
}

TEST_F(FakeSystem, FixedDisksRootAndSystemPathsAreRefused) {
  Disk("sdz", "0");
  EXPECT_EQ(Check().error, FormatError::kNotRemovable);
  Disk("sdz", "1");
  Mounts(Mount(number_.toUtf8(), "/"));
  EXPECT_EQ(Check().error, FormatError::kSystemDevice);
  EXPECT_EQ(Refusal("/dev/loop0", "CARD", system_), FormatError::kSystemDevice);
  // Another partition of the same disk carrying a system path.
  Mounts(Mount(number_.toUtf8(), "/media/card") + Mount("179:2", "/usr"));
  EXPECT_EQ(Check().error, FormatError::kSystemDevice);
  // A mount outside the card folders counts as a system path.
  Mounts(Mount(number_.toUtf8(), "/home/user/card"));
  EXPECT_EQ(Check().error, FormatError::kSystemDevice);
  Mounts("");
  WriteText(root_.filePath("swaps"), "Filename Type Size Used Priority\n/dev/loop0 partition 1024 0 -2\n");
  EXPECT_EQ(Check().error, FormatError::kSystemDevice);
}

TEST(CardScan, ListsPartitionsOfRemovableDisksWithTheirVolumes) {
  CardImages images;
  QTemporaryDir root;
  auto write = [&](const QString& rel, const QByteArray& text) { WriteText(root.filePath(rel), text); };
  write("block/sda/removable", "0\n");  // the system disk
  write("block/sda/size", "100000000\n");
  write("block/sdb/removable", "1\n");
  write("block/sdb/sdb1/partition", "1\n");
  write("block/sdb/sdb1/dev", "8:17\n");
  write("block/sdb/sdb1/size", "8388608\n");
  write("block/sdc/removable", "1\n");  // an empty reader slot
  write("block/sdc/size", "0\n");
  write("block/mmcblk0/removable", "0\n");  // an SD slot, card without partitions
  write("block/mmcblk0/dev", "179:0\n");
  write("block/mmcblk0/size", "8388608\n");
  // Never cards: an eMMC on the board, its boot area, an optical drive.
  write("block/mmcblk1/device/type", "MMC\n");
  write("block/mmcblk1/size", "62160896\n");
  write("block/mmcblk1boot0/size", "8192\n");
  write("block/sr0/removable", "1\n");
  write("block/sr0/size", "2097152\n");
  write("mountinfo", "40 1 8:17 / /media/u/CARD rw - vfat /dev/sdb1 rw\n");
  QDir().mkpath(root.filePath("dev"));
  ASSERT_TRUE(QFile::rename(QString::fromStdString(images.OldCard("sdb1", CardSettings())),
                            root.filePath("dev/sdb1")));

  format::SystemPaths system;
  system.sysBlock = root.filePath("block").toStdString();
  system.mountInfo = root.filePath("mountinfo").toStdString();
  system.dev = root.filePath("dev").toStdString();
  const std::vector<format::CardCandidate> cards = format::FindRemovableCards(system);
  ASSERT_EQ(cards.size(), 2u);
  EXPECT_EQ(cards[0].devicePath, root.filePath("dev/mmcblk0").toStdString());
  EXPECT_EQ(cards[0].totalBytes, 8388608ull * 512);
  EXPECT_EQ(cards[0].fileSystem, "");
  EXPECT_EQ(cards[1].mountPoint, "/media/u/CARD");
  EXPECT_EQ(cards[1].fileSystem, "FAT32");
  EXPECT_EQ(cards[1].clusterBytes, 8192u);
  EXPECT_EQ(cards[1].label, "OLDCARD");
  EXPECT_EQ(format::CardRootText(cards[1]), "/media/u/CARD");
  EXPECT_TRUE(format::IsMountPoint("/media/u/CARD/", system));
  EXPECT_FALSE(format::IsMountPoint("/media/u", system));
}

TEST(FormatTexts, LabelPreparation) {
  // A wide (Korean) character takes two of the nine places; Latin-1 letters one.
  const std::pair<const char*, const char*> rows[] = {{"ABCDEFGHIJ", "ABCDEFGHI"},
                                                      {"\uD55C\uAE0012345678", "\uD55C\uAE00123"},
                                                      {"AB\uD55C1234567", "AB\uD55C1234"},
                                                      {"\u00C4BCDEFGHIJ", "\u00C4BCDEFGHI"},
                                                      {"", ""}};
  for (const auto& [given, prepared] : rows) EXPECT_EQ(format::PrepareLabel(given), prepared) << given;
  EXPECT_TRUE(format::IsWritableLabel("REC 01"));
  EXPECT_FALSE(format::IsWritableLabel("A.B"));
  EXPECT_EQ(format::LabelForDisk("rec 01 "), "REC 01");
}

TEST(FormatTexts, LabelsBeyondAsciiAreWrittenInCodePage949) {
  // Two Korean characters and three digits: 7 of the 11 bytes.
  EXPECT_TRUE(format::IsWritableLabel("\uD55C\uAD6D123"));
  EXPECT_EQ(format::LabelBytes("\uD55C\uAD6D12"), std::string("\xC7\xD1\xB1\xB9") + "12");
  // Five Korean characters fill 10 bytes; five and two digits are too many.
  EXPECT_TRUE(format::IsWritableLabel("\uD55C\uAD6D\uD55C\uAD6D\uD55C1"));
  EXPECT_FALSE(format::IsWritableLabel("\uD55C\uAD6D\uD55C\uAD6D\uD55C12"));
  // A character whose second byte is a lower-case ASCII letter (0x81 0x61)
  // keeps that byte: only ASCII characters are raised.
  EXPECT_EQ(format::LabelBytes(format::LabelForDisk("\uAC35x")), std::string("\x81\x61X"));
  // Forbidden ASCII stays forbidden beside Korean characters.
  EXPECT_FALSE(format::IsWritableLabel("\uD55C*"));
  // Read back from a volume, the bytes are text again.
  EXPECT_EQ(format::LabelText(std::string("\xC7\xD1\xB1\xB9") + "12     "), "\uD55C\uAD6D12");
}

TEST(FormatTexts, SettingsCopiesAreNamedWithoutLeavingTheirFolder) {
  const std::string name = format::SettingsCopyName("../A B", 1765200000);
  EXPECT_EQ(name.find('/'), std::string::npos) << name;
  EXPECT_TRUE(QRegularExpression("^___A_B-20\\d{6}-\\d{6}-setup\\.dat$")
                  .match(QString::fromStdString(name))
                  .hasMatch())
      << name;
  EXPECT_EQ(format::SettingsCopyName("", 1765200000).rfind("card-", 0), 0u);
  EXPECT_EQ(format::SettingsCopyName("\uD55C\uAD6D", 1765200000).rfind("\uD55C\uAD6D-", 0), 0u);
}

TEST(FormatTexts, SizesAndBootSectors) {
  EXPECT_EQ(format::SizeTextAfter(7945689497ull), "7 GB");  // truncated, not rounded
  EXPECT_FALSE(format::ParseBootSector(std::string(512, '\0')).valid);
  EXPECT_FALSE(format::ParseBootSector("short").valid);
  std::string noise(512, '\xFF');
  noise[510] = '\x55';
  noise[511] = '\xAA';
  EXPECT_FALSE(format::ParseBootSector(noise).valid);
}

}  // namespace
}  // namespace orvia::test
