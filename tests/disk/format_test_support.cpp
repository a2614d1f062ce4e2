#include "format_test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

namespace orvia::test {
namespace {

QProcessEnvironment ToolEnv() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("MTOOLS_SKIP_CHECK", "1");
  env.insert("MTOOLSRC", "/dev/null");
  env.insert("LC_ALL", "C");
  return env;
}

}  // namespace

void WaitForSignals(QSignalSpy& spy, int count) {
  QElapsedTimer timer;
  timer.start();
  while (spy.size() < count && timer.elapsed() < 300000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(2);
  }
}

int RunProgram(const QString& program, const QStringList& args, QByteArray* out) {
  QProcess process;
  process.setProcessEnvironment(ToolEnv());
  process.setStandardInputFile(QProcess::nullDevice());
  process.start(program, args);
  if (!process.waitForStarted(-1) || !process.waitForFinished(-1)) return -1;
  if (out) *out = process.readAllStandardOutput();
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

CardImages::CardImages() = default;

std::string CardImages::Path(const QString& name) const { return dir_.filePath(name).toStdString(); }

std::string CardImages::Blank(const QString& name, qint64 bytes) {
  QFile file(dir_.filePath(name));
  if (!file.open(QIODevice::WriteOnly) || !file.resize(bytes)) return {};
  return Path(name);
}

std::string CardImages::OldCard(const QString& name, const QByteArray& settings) {
  const std::string image = Blank(name);
  const QString img = QString::fromStdString(image);
  RunProgram("mkfs.fat", {"-F", "32", "-S", "512", "-s", "16", "-n", "OLDCARD", img});
  RunProgram("mmd", {"-i", img, "::/Normal", "::/Config"});
  const QString old = dir_.filePath("old-recording.avi");
  QFile recording(old);
  if (recording.open(QIODevice::WriteOnly)) recording.write(QByteArray(70000, 'r'));
  recording.close();
  RunProgram("mcopy", {"-i", img, old, "::/Normal/mdr_old.avi"});
  if (!settings.isNull()) {
    const QString file = dir_.filePath("setup-before.dat");
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) out.write(settings);
    out.close();
    RunProgram("mcopy", {"-i", img, file, "::/Config/setup.dat"});
  }
  return image;
}

format::FormatTools CardImages::RecorderTools() {
  const QString script = dir_.filePath("recorder");
  WriteText(
      script,
      QStringLiteral("#!/bin/sh\necho \"$0 $*\" >> '%1'\nexit 0\n").arg(dir_.filePath("calls.log")).toUtf8());
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  format::FormatTools tools;
  tools.mkfs = tools.mmd = tools.mcopy = tools.mtype = tools.mdir = tools.umount = script.toStdString();
  return tools;
}

QByteArray CardImages::RecordedCalls() const { return ReadText(dir_.filePath("calls.log")); }

QByteArray TypeFile(const std::string& image, const QString& cardPath) {
  QByteArray out;
  if (RunProgram("mtype", {"-i", QString::fromStdString(image), "::" + cardPath}, &out) != 0) return {};
  return out;
}

bool HasEntry(const std::string& image, const QString& cardPath) {
  return RunProgram("mdir", {"-b", "-i", QString::fromStdString(image), "::" + cardPath}) == 0;
}

QByteArray Fsck(const std::string& image, int* exitCode) {
  QByteArray out;
  *exitCode = RunProgram("fsck.fat", {"-n", "-v", QString::fromStdString(image)}, &out);
  return out;
}

QByteArray Minfo(const std::string& image) {
  QByteArray out;
  RunProgram("minfo", {"-i", QString::fromStdString(image), "::"}, &out);
  return out;
}

void ExpectRecorderVolume(const std::string& image, const QByteArray& label) {
  int code = -1;
  const QByteArray fsck = Fsck(image, &code);
  EXPECT_EQ(code, 0) << fsck.toStdString();
  EXPECT_TRUE(fsck.contains("32768 bytes per cluster")) << fsck.toStdString();
  const QByteArray info = Minfo(image);
  EXPECT_TRUE(info.contains("disk type=\"FAT32   \"")) << info.toStdString();
  EXPECT_TRUE(info.contains("cluster size: 64 sectors")) << info.toStdString();
  EXPECT_TRUE(info.contains("disk label=\"" + label.leftJustified(11, ' ') + "\"")) << info.toStdString();
}

void WriteText(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

QByteArray ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

format::SystemPaths FakeCardSystem(const QString& root, const QString& disk, const QByteArray& removable,
                                   const QString& number) {
  QDir(root + "/block").removeRecursively();
  QDir(root + "/dev-block").removeRecursively();
  const QString base = root + "/block/" + disk;
  WriteText(base + "/removable", removable + "\n");
  WriteText(base + "/dev", "179:0\n");
  WriteText(base + "/size", "15523840\n");
  WriteText(base + "/" + disk + "1/partition", "1\n");
  WriteText(base + "/" + disk + "1/dev", number.toUtf8() + "\n");
  WriteText(base + "/" + disk + "1/size", "15515648\n");
  WriteText(base + "/" + disk + "2/partition", "2\n");
  WriteText(base + "/" + disk + "2/dev", "179:2\n");
  QDir().mkpath(root + "/dev-block");
  QFile::link(base + "/" + disk + "1", root + "/dev-block/" + number);
  WriteText(root + "/mountinfo", "21 26 0:20 / /proc rw - proc proc rw\n");
  WriteText(root + "/swaps", "Filename Type Size Used Priority\n");
  format::SystemPaths system;
  system.sysDevBlock = (root + "/dev-block").toStdString();
  system.sysBlock = (root + "/block").toStdString();
  system.mountInfo = (root + "/mountinfo").toStdString();
  system.swaps = (root + "/swaps").toStdString();
  return system;
}

}  // namespace orvia::test
