// The system's disk service (org.freedesktop.UDisks2) over Qt D-Bus: its
// drives and volumes as a udisks::Snapshot, the calls that mount, unmount,
// open and format a volume, and a watch on its change signals.
//
// The calls block on the system bus; they may run on any thread (the format
// worker runs them). The calls that may need the user's consent (polkit)
// allow interactive authorisation and wait long enough for an answer.
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "library/udisks_model.h"

namespace orvia::udisks {

// Reads every object of the service (ObjectManager.GetManagedObjects) and
// Manager.Version. Not `available` when the bus or the service is missing.
Snapshot TakeSnapshot();

// TakeSnapshot, and NoteServiceMissing when the service does not answer.
Snapshot SystemSnapshot();

// Says once per process on stderr that the service does not answer, so
// cards come from the mount table and formatting needs UDisks2 or root.
void NoteServiceMissing();

// The outcome of one call: on failure the D-Bus error's name
// ("org.freedesktop.UDisks2.Error.NotAuthorized...") and message.
struct CallResult {
  bool ok = false;
  std::string errorName;
  std::string message;
};

// Filesystem.Mount({}); the mount point chosen by the service.
CallResult Mount(const std::string& blockPath, std::string* mountPoint);
// Filesystem.Unmount({}).
CallResult Unmount(const std::string& blockPath);
// Block.OpenDevice("rw", {"flags": O_EXCL}): a descriptor the caller owns.
// Without `exclusive` the device may still be mounted: the service checks
// the right to write to it before anything is unmounted.
CallResult OpenDeviceForWriting(const std::string& blockPath, int* fd, bool exclusive = true);
// Block.Format(type, {"label", "mkfs-args", "update-partition-type": true,
// "erase"}); `erase` ("zero") is left out when empty.
CallResult Format(const std::string& blockPath, const std::string& type, const std::string& label,
                  const std::vector<std::string>& mkfsArgs, const std::string& erase = {});

// Partition.SetType(type, {}): "0x0c" marks an MBR partition FAT32 (LBA).
CallResult SetPartitionType(const std::string& blockPath, const std::string& type);

// What the system's policy (polkit) says of this process taking a right
// (an action such as "org.freedesktop.udisks2.open-device"), asked without
// any dialog: granted, granted after an administrator's password, refused;
// kUnknown when polkit does not answer.
RightAnswer AskRight(const std::string& actionId);

// Emits changed() whenever the service reports objects or interfaces added
// or removed, or properties changed. UI thread.
class ServiceWatch : public QObject {
  Q_OBJECT

 public:
  explicit ServiceWatch(QObject* parent = nullptr);
  // False when the system bus could not be reached.
  bool IsConnected() const { return connected_; }

 signals:
  void changed();

 private slots:
  void OnSignal();

 private:
  bool connected_ = false;
};

}  // namespace orvia::udisks
