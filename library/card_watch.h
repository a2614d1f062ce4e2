// CardWatch: notices when the card in use is pulled out. It listens to the
// disk service (UDisks2: mount points gone, objects removed) and watches the
// system's mount table (the kernel marks a change of /proc/self/mountinfo as
// an exceptional condition on the open file), the fallback where the service
// is missing. At each change it compares the new state with the last one of
// the same source; the card in use is reported once, and so is each card
// newly mounted. UI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
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

  // Listens to the disk service's signals too; `snapshot` asks the service
  // (udisks::TakeSnapshot on the running system). False without a system bus.
  bool StartServiceWatch(std::function<udisks::Snapshot()> snapshot);
  // Asks the service again now, as at one of its signals.
  QString CheckService();

  // Reads the table again now; emits cardRemoved when the mount that held the
  // card root is gone. Returns the mount point reported, or empty.
  QString Check();

 signals:
  // The mount point that held the card root went away.
  void cardRemoved(const QString& mountPoint);
  // A card (a volume with Normal at its root) was mounted at `cardRoot`
  // (ending in '/'); told once, by whichever source sees it first.
  void cardInserted(const QString& cardRoot);

 private:
  void OnNotified();
  QString Report(const std::vector<MountEntry>& before, const std::vector<MountEntry>& now);

  QString path_;
  std::function<QString()> cardRoot_;
  std::vector<MountEntry> last_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  std::function<udisks::Snapshot()> snapshot_;
  std::vector<MountEntry> lastService_;
  bool reporting_ = false;
  QStringList inserted_;  // told and still mounted
};

}  // namespace orvia
