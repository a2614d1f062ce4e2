// Card images for the format tests: sparse files in a temporary folder, made
// and read with dosfstools and mtools.
#pragma once

#include <QByteArray>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <string>

#include "disk/format_logic.h"

namespace orvia::test {

// The control named "ctl<id>" below `parent`.
template <typename T>
T* Control(QWidget* parent, int id) {
  return parent->findChild<T*>(QStringLiteral("ctl%1").arg(id));
}

// Lets queued calls and worker threads run until `spy` holds `count` signals.
// The bound (5 minutes) only keeps a broken build from hanging; no assertion
// depends on time.
void WaitForSignals(QSignalSpy& spy, int count = 1);

// Runs a program with its arguments; returns its exit code (-1 when it could
// not start) and its standard output.
int RunProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr);

class CardImages {
 public:
  CardImages();
  // A sparse file of `bytes` in the folder (no file system).
  std::string Blank(const QString& name, qint64 bytes = qint64(4) << 30);
  // A FAT32 card with a label, an old recording and, when given, Config/setup.dat.
  std::string OldCard(const QString& name, const QByteArray& settings);
  std::string Path(const QString& name) const;
  // Tools that are all one stand-in program, which logs its calls to calls.log
  // and succeeds: whatever they are asked to do, nothing is written.
  format::FormatTools RecorderTools();
  QByteArray RecordedCalls() const;

 private:
  QTemporaryDir dir_;
};

// Reading a card image back.
QByteArray TypeFile(const std::string& image, const QString& cardPath);  // mtype; empty when missing
bool HasEntry(const std::string& image, const QString& cardPath);        // mdir succeeds
QByteArray Fsck(const std::string& image, int* exitCode);
QByteArray Minfo(const std::string& image);

// What the recorder needs of a fresh card: fsck.fat finds it clean, FAT32
// with 32 KB clusters and the volume label (blank-padded to 11 letters).
void ExpectRecorderVolume(const std::string& image, const QByteArray& label);

// Writes a file, creating its folders; reads one back (null when missing).
void WriteText(const QString& path, const QByteArray& text);
QByteArray ReadText(const QString& path);

// A private sysfs, mount table and swap list under `root` in which the block
// device numbered `number` ("7:0") is the first partition of the disk `disk`
// ("1" or "0" in its removable file), with a second partition 179:2; no mounts.
format::SystemPaths FakeCardSystem(const QString& root, const QString& disk, const QByteArray& removable,
                                   const QString& number);

}  // namespace orvia::test
