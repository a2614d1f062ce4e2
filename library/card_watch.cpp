#include "library/card_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

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
  const QString root = cardRoot_ ? cardRoot_() : QString();
  const std::string removed = RemovedCardMount(last_, now, root.toStdString());
  last_ = std::move(now);
  if (removed.empty()) return {};
  const QString point = QString::fromStdString(removed);
  emit cardRemoved(point);
  return point;
}

}  // namespace orvia
