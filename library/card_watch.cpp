#include "library/card_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "library/card_list.h"
#include "library/udisks_client.h"

namespace orvia {

CardWatch::CardWatch(QString mountInfoPath, QObject* parent)
    : QObject(parent), path_(std::move(mountInfoPath)) {
  ReadMountTable(path_.toStdString(), &last_);
}

CardWatch::~CardWatch() {
  delete notifier_;
  if (fd_ >= 0) close(fd_);
}

bool CardWatch::Start() {
  if (notifier_) return true;
  // A table that cannot be read keeps the last one read.
  std::vector<MountEntry> now;
  if (ReadMountTable(path_.toStdString(), &now)) last_ = std::move(now);
  fd_ = open(path_.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  // The kernel reports a change of the mount table as POLLPRI | POLLERR.
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { OnNotified(); });
  return true;
}

void CardWatch::OnNotified() {
  // Reading the file from its start acknowledges the change; without it the
  // notice would repeat.
  if (fd_ >= 0) {
    lseek(fd_, 0, SEEK_SET);
    char block[4096];
    size_t total = 0;
    ssize_t got;
    while (total < kMaxMountInfoBytes && (got = read(fd_, block, sizeof block)) > 0)
      total += static_cast<size_t>(got);
  }
  Check();
}

QString CardWatch::Check() {
  std::vector<MountEntry> now;
  if (!ReadMountTable(path_.toStdString(), &now)) return {};
  const std::vector<MountEntry> before = std::move(last_);
  last_ = std::move(now);
  return Report(before, last_);
}

bool CardWatch::StartServiceWatch(std::function<udisks::Snapshot()> snapshot) {
  snapshot_ = std::move(snapshot);
  const udisks::Snapshot first = snapshot_ ? snapshot_() : udisks::Snapshot{};
  lastService_ = ServiceMounts(first);
  auto* watch = new udisks::ServiceWatch(this);
  connect(watch, &udisks::ServiceWatch::changed, this, [this] { CheckService(); });
  return watch->IsConnected();
}

QString CardWatch::CheckService() {
  if (!snapshot_) return {};
  const udisks::Snapshot snap = snapshot_();
  // A service that stopped answering says nothing about the card.
  if (!snap.available) return {};
  const std::vector<MountEntry> before = std::move(lastService_);
  lastService_ = ServiceMounts(snap);
  return Report(before, lastService_);
}

QString CardWatch::Report(const std::vector<MountEntry>& before, const std::vector<MountEntry>& now) {
  // While the removal is being told (its message box runs an event loop),
  // the other source's notice of the same removal is not told again.
  if (reporting_) return {};
  // Cards gone are forgotten, so that the same card put back is told again.
  for (qsizetype i = inserted_.size() - 1; i >= 0; --i) {
    const std::string point = TrimTrailingSeparators(inserted_[i].toStdString());
    if (!IsMountedAt(now, point)) inserted_.removeAt(i);
  }
  for (const std::string& card : InsertedCardMounts(before, now)) {
    const QString root = QString::fromStdString(card);
    if (inserted_.contains(root)) continue;
    inserted_ << root;
    emit cardInserted(root);
  }
  const QString root = cardRoot_ ? cardRoot_() : QString();
  const std::string removed = RemovedCardMount(before, now, root.toStdString());
  if (removed.empty()) return {};
  const QString point = QString::fromStdString(removed);
  reporting_ = true;
  emit cardRemoved(point);
  reporting_ = false;
  return point;
}

}  // namespace orvia
