// CardWatch: notices when the card in use is pulled out. It watches the
// system's mount table (the kernel marks a change of /proc/self/mountinfo as
// an exceptional condition on the open file) and, at each change, compares
// the new table with the last one it read. UI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "library/card_drives.h"

class QSocketNotifier;

namespace orvia {

class CardWatch : public QObject {
  Q_OBJECT

 public:
  explicit CardWatch(QString mountInfoPath = QStringLiteral("/proc/self/mountinfo"),
                     QObject* parent = nullptr);
  ~CardWatch() override;

  // Where the card root in use is read at each check (the main window's
  // CardRoot(), with its trailing '/'); an empty answer means no card.
  void SetCardRootProvider(std::function<QString()> provider) { cardRoot_ = std::move(provider); }

  // Reads the table and starts listening for changes. False when the table
  // cannot be opened; Check() still works then.
  bool Start();
  bool IsListening() const { return notifier_ != nullptr; }

  // Reads the table again now; emits cardRemoved when the mount that held the
  // card root is gone. Returns the mount point reported, or empty.
  QString Check();

 signals:
  // The mount point that held the card root went away.
  void cardRemoved(const QString& mountPoint);

 private:
  void OnNotified();

  QString path_;
  std::function<QString()> cardRoot_;
  std::vector<MountEntry> last_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orvia
