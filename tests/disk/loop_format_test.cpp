// As root, a real block device (a loop device over a card image) is formatted
// the direct way with mkfs.fat, and the card is usable afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "disk/format_service.h"
#include "format_test_support.h"

namespace orvia::test {
namespace {

void Write(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

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

  // The device shown as a card in a reader: a removable disk in a private
  // sysfs, and no mounts.
  QTemporaryDir sys;
  const QString number = QStringLiteral("%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev));
  Write(sys.filePath("block/sdz/removable"), "1\n");
  Write(sys.filePath("block/sdz/dev"), "8:240\n");
  Write(sys.filePath("block/sdz/sdz1/partition"), "1\n");
  Write(sys.filePath("block/sdz/sdz1/dev"), number.toUtf8() + "\n");
  Write(sys.filePath("block/sdz/sdz1/size"), QByteArray::number(qint64(4) << 21) + "\n");
  QDir().mkpath(sys.filePath("dev-block"));
  QFile::link(sys.filePath("block/sdz/sdz1"), sys.filePath("dev-block/" + number));
  Write(sys.filePath("mountinfo"), "21 26 0:20 / /proc rw - proc proc rw\n");
  Write(sys.filePath("swaps"), "Filename Type Size Used Priority\n");
  format::SystemPaths system;
  system.sysDevBlock = sys.filePath("dev-block").toStdString();
  system.sysBlock = sys.filePath("block").toStdString();
  system.mountInfo = sys.filePath("mountinfo").toStdString();
  system.swaps = sys.filePath("swaps").toStdString();

  format::FormatRequest request;
  request.target = device;
  request.label = "LOOPCARD";
  const format::FormatResult result = RunCardFormat(request, {}, {}, system);
  RunProgram("losetup", {"-d", QString::fromStdString(device)});
  ASSERT_TRUE(result.ok()) << format::FormatErrorName(result.error) << ": " << result.detail;
  EXPECT_TRUE(result.keptSettings);

  int code = -1;
  const QByteArray fsck = Fsck(image, &code);
  EXPECT_EQ(code, 0) << fsck.toStdString();
  EXPECT_TRUE(fsck.contains("32768 bytes per cluster")) << fsck.toStdString();
  EXPECT_TRUE(Minfo(image).contains("disk label=\"LOOPCARD   \""));
  EXPECT_TRUE(HasEntry(image, "/Normal"));
  EXPECT_FALSE(HasEntry(image, "/Normal/mdr_old.avi"));
  EXPECT_EQ(TypeFile(image, "/Config/setup.dat"), settings);
}

}  // namespace
}  // namespace orvia::test
