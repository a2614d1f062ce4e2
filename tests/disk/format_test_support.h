// Card images for the format tests: sparse files in a temporary folder, made
// and read with dosfstools and mtools.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

namespace orvia::test {

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
  // The folder's stand-in programs: "recorder" logs its calls to calls.log and succeeds.
  std::string RecorderTool();
  QByteArray RecordedCalls() const;

 private:
  QTemporaryDir dir_;
};

// Reading a card image back.
QByteArray TypeFile(const std::string& image, const QString& cardPath);  // mtype; empty when missing
bool HasEntry(const std::string& image, const QString& cardPath);        // mdir succeeds
QByteArray Fsck(const std::string& image, int* exitCode);
QByteArray Minfo(const std::string& image);

}  // namespace orvia::test
