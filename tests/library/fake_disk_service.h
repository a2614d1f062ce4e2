// A stand-in for the disk service (UDisks2) on a private bus: a dbus-daemon
// of type "system" started once per test program (its address exported as
// DBUS_SYSTEM_BUS_ADDRESS before anything connects), and the python3-dbusmock
// template udisks2_mock.py started per test with its parameters.
#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace orvia::test {

class FakeDiskService {
 public:
  // Starts the private bus once; false (with the reason) when dbus-daemon
  // or python3-dbusmock is missing.
  static bool StartBus(QString* why);

  FakeDiskService() = default;
  ~FakeDiskService();
  // Starts the service with the template's parameters and waits until it
  // owns its name.
  bool Start(const QJsonObject& parameters, QString* why);
  void Stop();

  // The mock's own controls (see udisks2_mock.py).
  QStringList Calls() const;
  void Refuse(const QString& method, const QString& errorName, const QString& message) const;
  void RemoveBlock(const QString& name) const;  // "sdb1"
  void SetMountPoints(const QString& name, const QStringList& points) const;

  static QString BlockPath(const QString& name) { return "/org/freedesktop/UDisks2/block_devices/" + name; }

 private:
  std::unique_ptr<QProcess> mock_;
};

}  // namespace orvia::test
