// The card listing, the format page, the removal watch and the format through
// the disk service, against a stand-in service on a private bus: an SD card
// in a USB reader (mounted), an unmounted USB stick, an internal data disk, the
// system disk, an eMMC with boot and RPMB areas, and an optical drive.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "controls/message_box.h"
#include "disk/format_dialog.h"
#include "disk/format_page.h"
#include "disk/format_service.h"
#include "disk/format_targets.h"
#include "fake_disk_service.h"
#include "format_test_support.h"
#include "library/card_list.h"
#include "library/card_watch.h"
#include "library/page_play_list.h"
#include "library/udisks_client.h"
#include "settings/default_setup.h"

namespace orvia {
namespace {

using test::FakeDiskService;

QString Sorted(QStringList list) {
  list.sort();
  return list.join(", ");
}

// The service's calls without their options: "Unmount /dev/sdb1", ...
QStringList CallsOn(const QStringList& calls) {
  QStringList heads;
  for (const QString& call : calls) heads << call.section(' ', 0, 1);
  return heads;
}

class DiskService : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeShownMessageBoxes();
    // Reachable by an ordinary user too (the tests run as one as well).
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
    sd_ = Folder("sd/Normal").chopped(7);
    data_ = Folder("data/Normal").chopped(7);
    system_ = Folder("system/Normal").chopped(7);
    test::WriteText(dir_.filePath("mountinfo"), "");  // no host mounts
    // Copies of kept settings files go here, not to the user's data folder.
    dataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir_.filePath("data-home").toUtf8());
  }
  void TearDown() override {
    qputenv("XDG_DATA_HOME", dataHome_);
    service_.Stop();
    EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
  }
  QString Folder(const QString& name) {
    QDir().mkpath(dir_.filePath(name));
    return dir_.filePath(name);
  }
  // The service with the machine above; `extra` adds or replaces parameters.
  void StartService(QJsonObject extra = {}) {
    QJsonObject p{{"sd_mount", sd_},
                  {"data_mount", data_},
                  {"system_mount", system_},
                  {"mount_root", Folder("mounts")}};
    for (auto it = extra.begin(); it != extra.end(); ++it) p[it.key()] = it.value();
    // dbus-daemon and python3-dbusmock come with script/bootstrap: missing,
    // they are a fault of the machine, not a reason to skip.
    QString why;
    if (!service_.Start(p, &why)) FAIL() << why.toStdString();
  }
  // A sparse 4 GiB card image.
  QString Image(const QString& name) { return QString::fromStdString(images_.Blank(name)); }
  CardEnvironment Environment() {
    CardEnvironment env;
    env.mountInfoPath = dir_.filePath("mountinfo").toStdString();
    env.udisks = udisks::TakeSnapshot;
    return env;
  }
  format::FormatRequest Request(const QString& block, const std::string& mountPoint = {}) {
    format::FormatRequest r;
    r.objectPath = FakeDiskService::BlockPath(block).toStdString();
    r.mountPoint = mountPoint;
    r.label = "orvia";
    r.sizeBytes = uint64_t(4) << 30;
    return r;
  }

  QTemporaryDir dir_{QDir::tempPath() + "/orvia-udisks-XXXXXX"};
  FakeDiskService service_;
  test::CardImages images_;
  QString sd_, data_, system_;
  QByteArray dataHome_;
};

// A format that fails after the card was unmounted: the card is mounted
// again (its old file system is still there), and the message names the
// copy of its settings saved before anything was written.
class FailedServiceFormat : public DiskService {
 protected:
  format::FormatResult FailingFormat(const QJsonObject& extra, const QString& method, const QString& error) {
    StartService(extra);
    test::WriteText(sd_ + "/Config/setup.dat", kept_);
    service_.Refuse(method, error, "refused by the test");
    return RunServiceFormat(Request("sdb1", sd_.toStdString()), {});
  }
  void ExpectSettingsCopyNamed(const format::FormatResult& result) {
    ASSERT_FALSE(result.settingsCopy.empty());
    const QString copy = QString::fromStdString(result.settingsCopy);
    EXPECT_TRUE(copy.startsWith(dir_.filePath("data-home/orvia/CARD-"))) << copy.toStdString();
    EXPECT_EQ(test::ReadText(copy), kept_);
    EXPECT_NE(format::ReasonLine(result).find(result.settingsCopy), std::string::npos)
        << format::ReasonLine(result);
  }
  const QByteArray kept_ = "MIRROR=1\r\nVOLUME=3\r\n";
};

TEST_F(FailedServiceFormat, ARefusedDescriptorLeavesTheCardMounted) {
  const format::FormatResult result = FailingFormat({{"sdb1_image", Image("sd.img")}}, "OpenDevice",
                                                    "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain");
  EXPECT_EQ(result.error, format::FormatError::kNotAuthorized);
  // The right is asked for before the unmount: the card is never taken away.
  EXPECT_EQ(CallsOn(service_.Calls()), QStringList({"OpenDevice /dev/sdb1"}));
  EXPECT_EQ(result.mountPoint, sd_.toStdString());
  EXPECT_EQ(result.refusedRight, "org.freedesktop.udisks2.open-device");
  EXPECT_NE(format::ReasonLine(result).find("open the card for writing"), std::string::npos);
  EXPECT_FALSE(result.formatted);
}

TEST_F(FailedServiceFormat, AFailedFormatCallLeavesTheCardMounted) {
  const format::FormatResult result =
      FailingFormat({{"version", "2.10.1"}}, "Format", "org.freedesktop.UDisks2.Error.Failed");
  EXPECT_EQ(result.error, format::FormatError::kServiceFailed);
  EXPECT_EQ(CallsOn(service_.Calls()),
            QStringList({"Unmount /dev/sdb1", "Format /dev/sdb1", "Mount /dev/sdb1"}));
  EXPECT_FALSE(result.mountPoint.empty());
  ExpectSettingsCopyNamed(result);
}

// Written through the descriptor, the new file system holds the folders and
// the settings file already: the card is prepared though it cannot be mounted.
TEST_F(FailedServiceFormat, AFailedMountAfterTheFormatLeavesAPreparedCard) {
  const format::FormatResult result = FailingFormat({{"sdb1_image", Image("sd.img")}}, "Mount",
                                                    "org.freedesktop.UDisks2.Error.NotAuthorized");
  EXPECT_EQ(result.error, format::FormatError::kNotAuthorized);
  EXPECT_TRUE(result.formatted);
  EXPECT_TRUE(result.mountPoint.empty());
  ExpectSettingsCopyNamed(result);
  EXPECT_TRUE(result.prepared);
  const std::string image = images_.Path("sd.img");
  EXPECT_TRUE(test::HasEntry(image, "/Normal"));
  EXPECT_EQ(test::TypeFile(image, "/Config/setup.dat"), kept_);
}

// As root the card is formatted directly; when that fails and the card
// still holds its old file system, the service mounts it again.
TEST_F(DiskService, TheDirectWayMountsTheCardAgainAfterAFailedFormat) {
  if (geteuid() != 0) GTEST_SKIP() << "the direct way is root's";
  StartService();
  format::FormatRequest request = Request("sdc");
  request.target = images_.OldCard("stick.img", "MIRROR=1\r\n");
  format::FormatTools tools;
  tools.mkfs = "true";  // claims success, writes nothing
  format::SystemPaths system;
  system.mountInfo = dir_.filePath("mountinfo").toStdString();
  const format::FormatResult result = RunCardFormat(request, {}, tools, system);
  EXPECT_EQ(result.error, format::FormatError::kMkfsFailed);
  EXPECT_EQ(CallsOn(service_.Calls()), QStringList({"Mount /dev/sdc"}));
  EXPECT_FALSE(result.mountPoint.empty());
  EXPECT_FALSE(result.settingsCopy.empty());
}

// The service reports a new file system a while after it was written (300 ms
// here); mounted before that, the card would show its old label.
TEST_F(DiskService, TheCardIsMountedUnderItsNewLabel) {
  for (const char* version : {"2.9.4", "2.10.1"}) {
    SCOPED_TRACE(version);
    StartService({{"version", version}, {"sdb1_image", Image("sd.img")}});
    const format::FormatResult result = RunServiceFormat(Request("sdb1", sd_.toStdString()), {});
    ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
    EXPECT_EQ(QFileInfo(QString::fromStdString(result.mountPoint)).fileName(), "ORVIA");
    service_.Stop();
  }
}

TEST_F(DiskService, ListsTheMountedVolumesWithNormalThatAreNotTheSystems) {
  StartService();
  const udisks::Snapshot snap = udisks::TakeSnapshot();
  ASSERT_TRUE(snap.available);
  EXPECT_EQ(snap.version, "2.9.4");

  QStringList cards;
  for (const CardVolume& c : ListCards(Environment()))
    cards << QString::fromStdString(c.mountPoint + " " + c.device + " " + c.label + " " + c.fileSystem + " " +
                                    c.source + (c.removable ? " removable" : ""));
  // The internal data disk is listed too: it is not the system's.
  EXPECT_EQ(cards, QStringList({sd_ + " /dev/sdb1 CARD FAT32 udisks removable",
                                data_ + " /dev/sda1 DATA EXT4 udisks"}))
      << cards.join(" | ").toStdString();

  // The play-list page offers the same (and "Add folder…").
  CPagePlayList page(Environment());
  ASSERT_EQ(page.CardSelection()->count(), 3);
  EXPECT_EQ(page.CardSelection()->itemText(0), sd_);
  EXPECT_EQ(page.CardSelection()->itemText(1), data_);

  // So does orvia-cli cards (run as an ordinary user too by the second ctest entry).
  QProcess cli;
  cli.start(ORVIA_BIN_DIR "/orvia-cli", {"cards"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  QStringList fromService;
  for (const QJsonValue& v : QJsonDocument::fromJson(cli.readAllStandardOutput()).array()) {
    const QJsonObject o = v.toObject();
    if (o["source"].toString() != "udisks") continue;
    fromService << o["mountPoint"].toString();
    if (o["device"].toString() != "/dev/sdb1") continue;
    EXPECT_EQ(o["label"].toString(), "CARD");
    EXPECT_EQ(o["fileSystem"].toString(), "FAT32");
    EXPECT_EQ(o["sizeBytes"].toDouble(), double((qint64(8) << 30) - (1 << 20)));
    EXPECT_TRUE(o["removable"].toBool());
  }
  EXPECT_EQ(Sorted(fromService), Sorted({sd_, data_}));
}

TEST_F(DiskService, FormatPageOffersOnlyRemovableCardsWithTheServicesFacts) {
  StartService();
  QStringList devices;
  for (const format::CardCandidate& c : FindFormatCards({})) devices << QString::fromStdString(c.devicePath);
  EXPECT_EQ(devices, QStringList({"/dev/sdb1", "/dev/sdc"}));

  CDlgFormat page(nullptr, {});
  QCoreApplication::processEvents();
  ASSERT_EQ(page.Cards().size(), 2u);
  EXPECT_EQ(page.CardText(), sd_);  // mounted: handed back
  // The unmounted stick is mounted through the service to be handed back.
  test::Control<QComboBox>(&page, 1030)->setCurrentIndex(1);
  EXPECT_EQ(page.CardText(), dir_.filePath("mounts/STICK"));
  EXPECT_EQ(service_.Calls(), QStringList{"Mount /dev/sdc {}"});
  CDlgFormatOption dialog(page.Cards()[0], {}, {});
  EXPECT_EQ(test::Control<QLineEdit>(&dialog, 1049)->text(), "8.0 GB");
  EXPECT_EQ(test::Control<QLineEdit>(&dialog, 1050)->text(), "FAT32");
  EXPECT_EQ(test::Control<QLineEdit>(&dialog, 1053)->text(), "CARD");
}

TEST_F(DiskService, RemovalOfTheCardInUseIsHeardFromTheService) {
  StartService();
  CardWatch watch(dir_.filePath("mountinfo"));
  QString root = sd_ + "/";
  watch.SetCardRootProvider([&root] { return root; });
  ASSERT_TRUE(watch.StartServiceWatch(udisks::TakeSnapshot));
  QSignalSpy removed(&watch, &CardWatch::cardRemoved);

  // Another device going away is no removal of the card.
  service_.RemoveBlock("sdc");
  EXPECT_TRUE(watch.CheckService().isEmpty());
  // The card unmounted (its mount points change) ...
  service_.SetMountPoints("sdb1", {});
  test::WaitForSignals(removed, 1);
  ASSERT_EQ(removed.size(), 1);
  EXPECT_EQ(removed.at(0).at(0).toString(), sd_);
  // ... or pulled out with its volume (the object goes away).
  root = data_ + "/";
  service_.RemoveBlock("sda1");
  test::WaitForSignals(removed, 2);
  ASSERT_EQ(removed.size(), 2);
  EXPECT_EQ(removed.at(1).at(0).toString(), data_);
}

TEST_F(DiskService, FormatThroughTheDescriptorKeepsTheSettingsAndMountsTheCard) {
  const QString image = Image("sd.img");
  // As root, a loop device takes the image's place: a real block device.
  QString device = image;
  QByteArray loop;
  if (geteuid() == 0 && test::RunProgram("losetup", {"-f", "--show", image}, &loop) == 0)
    device = loop.trimmed();
  StartService({{"sdb1_image", device}});
  const QByteArray kept = "MIRROR=1\r\nVOLUME=3\r\n";
  test::WriteText(sd_ + "/Config/setup.dat", kept);

  const format::FormatResult result = RunServiceFormat(Request("sdb1", sd_.toStdString()), {});
  if (device != image) test::RunProgram("losetup", {"-d", device});
  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  EXPECT_TRUE(result.keptSettings);
  const QStringList calls = service_.Calls();
  EXPECT_EQ(CallsOn(calls), QStringList({"OpenDevice /dev/sdb1", "Unmount /dev/sdb1", "Mount /dev/sdb1"}));

  test::ExpectRecorderVolume(image.toStdString(), "ORVIA");
  // Mounted again, with the folders and the settings byte for byte.
  const QString mounted = QString::fromStdString(result.mountPoint);
  ASSERT_FALSE(mounted.isEmpty());
  EXPECT_TRUE(QFileInfo(mounted + "/Normal").isDir());
  EXPECT_EQ(test::ReadText(mounted + "/Config/setup.dat"), kept);
}

// A partition marked otherwise (Linux here) is marked FAT32 (LBA) once the
// card holds its new file system; one marked so already is left alone.
TEST_F(DiskService, TheCardsPartitionIsMarkedFat32) {
  StartService({{"sdb1_image", Image("sd.img")}, {"sdb1_type", "0x83"}});
  ASSERT_TRUE(RunServiceFormat(Request("sdb1", sd_.toStdString()), {}).ok());
  EXPECT_EQ(CallsOn(service_.Calls()), QStringList({"OpenDevice /dev/sdb1", "Unmount /dev/sdb1",
                                                    "SetType /dev/sdb1", "Mount /dev/sdb1"}));
  EXPECT_TRUE(service_.Calls().contains("SetType /dev/sdb1 0x0c"));
}

TEST_F(DiskService, AnEmptySettingsFileIsReplacedByTheDefault) {
  StartService({{"sdb1_image", Image("sd.img")}});
  test::WriteText(sd_ + "/Config/setup.dat", "");
  const format::FormatResult result = RunServiceFormat(Request("sdb1", sd_.toStdString()), {});
  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  EXPECT_FALSE(result.keptSettings);
  EXPECT_EQ(test::ReadText(QString::fromStdString(result.mountPoint) + "/Config/setup.dat").toStdString(),
            DefaultSetupDat());
}

TEST_F(DiskService, AnUnmountedCardIsMountedForItsSettingsAndAfterItsFormat) {
  StartService({{"sdc_image", Image("stick.img")}});
  const format::FormatResult result = RunServiceFormat(Request("sdc"), {});
  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  EXPECT_FALSE(result.keptSettings);  // the stick had none: the default goes on
  EXPECT_EQ(CallsOn(service_.Calls()),
            QStringList({"Mount /dev/sdc", "OpenDevice /dev/sdc", "Unmount /dev/sdc", "Mount /dev/sdc"}));
  const udisks::Snapshot snap = udisks::TakeSnapshot();
  const udisks::Block* stick = snap.FindBlock(FakeDiskService::BlockPath("sdc").toStdString());
  ASSERT_NE(stick, nullptr);
  EXPECT_EQ(stick->mountPoints, std::vector<std::string>{result.mountPoint});
  EXPECT_EQ(test::ReadText(QString::fromStdString(result.mountPoint) + "/Config/setup.dat").toStdString(),
            DefaultSetupDat());
}

TEST_F(DiskService, NewerServiceFormatsWithTheChosenTypeLabelAndClusterSize) {
  StartService({{"version", "2.10.1"}});
  const format::FormatResult result = RunServiceFormat(Request("sdb1", sd_.toStdString()), {});
  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  const QStringList calls = service_.Calls();
  ASSERT_EQ(CallsOn(calls), QStringList({"Unmount /dev/sdb1", "Format /dev/sdb1", "Mount /dev/sdb1"}));
  EXPECT_TRUE(calls[1].startsWith("Format /dev/sdb1 vfat ")) << calls[1].toStdString();
  EXPECT_TRUE(calls[1].contains("'label': 'ORVIA'")) << calls[1].toStdString();
  EXPECT_TRUE(calls[1].contains("'mkfs-args': ['-F', '32', '-S', '512', '-s', '64']"))
      << calls[1].toStdString();
  EXPECT_FALSE(calls[1].contains("'erase'")) << calls[1].toStdString();  // a quick format
}

TEST_F(DiskService, AKoreanLabelIsWrittenThroughTheDescriptorInCodePage949) {
  // mkfs.fat (behind Block.Format) writes ASCII labels only.
  const QString image = Image("sd.img");
  StartService({{"version", "2.10.1"}, {"sdb1_image", image}});
  format::FormatRequest request = Request("sdb1", sd_.toStdString());
  request.label = format::PrepareLabel("\uD55C\uAD6D12345678");
  const format::FormatResult result = RunServiceFormat(request, {});
  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  EXPECT_EQ(CallsOn(service_.Calls()),
            QStringList({"OpenDevice /dev/sdb1", "Unmount /dev/sdb1", "Mount /dev/sdb1"}));
  EXPECT_EQ(format::ReadVolumeInfo(image.toStdString()).label, "\uD55C\uAD6D123");
  QFile file(image);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.read(512).mid(71, 11), QByteArray("\xC7\xD1\xB1\xB9") + "123    ");
}

TEST_F(DiskService, NewerServiceZeroesTheCardForAFullFormat) {
  StartService({{"version", "2.10.1"}});
  format::FormatRequest request = Request("sdb1", sd_.toStdString());
  request.quick = false;
  const format::FormatResult result = RunServiceFormat(request, {});
  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  const QStringList calls = service_.Calls();
  ASSERT_EQ(CallsOn(calls), QStringList({"Unmount /dev/sdb1", "Format /dev/sdb1", "Mount /dev/sdb1"}));
  EXPECT_TRUE(calls[1].contains("'erase': 'zero'")) << calls[1].toStdString();
}

TEST_F(DiskService, TheServicesSizeOfTheCardIsCheckedBeforeAnyCall) {
  // The size handed in (4 GiB) would pass; the device's own does not.
  StartService({{"sdb1_size", double(uint64_t(1) << 41)}, {"sdc_size", double(uint64_t(1) << 30)}});
  EXPECT_EQ(RunServiceFormat(Request("sdb1", sd_.toStdString()), {}).error, format::FormatError::kTooLarge);
  EXPECT_EQ(RunServiceFormat(Request("sdc"), {}).error, format::FormatError::kTooSmall);
  EXPECT_EQ(service_.Calls(), QStringList());
}

TEST_F(DiskService, RefusalsReachTheUserWithTheirReason) {
  StartService({{"sdb1_image", Image("sd.img")}});
  format::CardCandidate card = FindFormatCards({}).at(0);
  card.totalBytes = uint64_t(4) << 30;
  format::FormatTools tools;
  tools.directAsRoot = false;  // through the service, whoever runs the test
  CDlgFormatOption dialog(card, tools, {});
  QLineEdit* label = test::Control<QLineEdit>(&dialog, 1053);
  QPushButton* start = test::Control<QPushButton>(&dialog, 1048);

  // A label mkfs.fat cannot write is refused before the warning.
  label->setText("a*b");
  QueueMessageBoxAnswer(QMessageBox::Ok);
  start->click();
  auto shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(
      shown[0].text.startsWith("Micro SD memory is not connected or prevent from writing.\nThe volume label"))
      << shown[0].text.toStdString();
  EXPECT_FALSE(dialog.IsFormatting());

  // The service refuses the right: the message says so, and no success.
  label->setText("CARD");
  service_.Refuse("OpenDevice", "org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain",
                  "Not authorized to perform operation");
  QSignalSpy finished(&dialog, &CDlgFormatOption::formatFinished);
  QueueMessageBoxAnswer(QMessageBox::Ok);  // the warning
  QueueMessageBoxAnswer(QMessageBox::Ok);  // the failure
  start->click();
  test::WaitForSignals(finished);
  ASSERT_EQ(finished.size(), 1);
  EXPECT_FALSE(finished.at(0).at(0).toBool());
  shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[1].text,
            "Micro SD memory is not connected or prevent from writing.\n"
            "The system did not give you the right to open the card for writing "
            "(org.freedesktop.udisks2.open-device): ask an administrator to grant it, or format as root. "
            "(Not authorized to perform operation)");
  // Nothing was written: the fields still show the card as it is.
  EXPECT_EQ(test::Control<QLineEdit>(&dialog, 1050)->text(), "FAT32");
  EXPECT_EQ(label->text(), "CARD");
}

}  // namespace
}  // namespace orvia
