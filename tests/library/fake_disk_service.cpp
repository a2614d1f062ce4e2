#include "fake_disk_service.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QThread>

namespace orvia::test {
namespace {

const QString kService = "org.freedesktop.UDisks2";
const QString kRoot = "/org/freedesktop/UDisks2";

struct Bus {
  QTemporaryDir dir{QDir::tempPath() + "/orvia-bus-XXXXXX"};
  QProcess daemon;
  QString address;
};
Bus* g_bus = nullptr;

QDBusMessage MockCall(const QString& method, const QList<QVariant>& args) {
  QDBusMessage m = QDBusMessage::createMethodCall(kService, kRoot, "org.freedesktop.DBus.Mock", method);
  m.setArguments(args);
  return QDBusConnection::systemBus().call(m);
}

}  // namespace

bool FakeDiskService::StartBus(QString* why) {
  if (g_bus != nullptr) return !g_bus->address.isEmpty();
  g_bus = new Bus;
  const QString socket = g_bus->dir.filePath("bus");
  const QString config = g_bus->dir.filePath("bus.conf");
  QFile conf(config);
  if (!conf.open(QIODevice::WriteOnly)) return false;
  conf.write(QString("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>system</type><listen>unix:path=%1</listen><auth>EXTERNAL</auth>\n"
                     "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                     "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n")
                 .arg(socket)
                 .toUtf8());
  conf.close();
  // An ordinary user running the tests reaches the socket too.
  QFile::setPermissions(g_bus->dir.path(), QFile::permissions(g_bus->dir.path()) | QFileDevice::ExeOther |
                                               QFileDevice::ReadOther);
  g_bus->daemon.setProgram("dbus-daemon");
  g_bus->daemon.setArguments({"--config-file=" + config, "--nofork", "--print-address"});
  g_bus->daemon.start();
  if (!g_bus->daemon.waitForStarted() || !g_bus->daemon.waitForReadyRead(20000)) {
    *why = "dbus-daemon did not start";
    return false;
  }
  g_bus->address = QString::fromUtf8(g_bus->daemon.readLine()).trimmed();
  // The bus lives as long as the test program.
  static qint64 pid = g_bus->daemon.processId();
  static QString folder = g_bus->dir.path();
  std::atexit([] {
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    waitpid(static_cast<pid_t>(pid), nullptr, 0);
    QDir(folder).removeRecursively();
  });
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", g_bus->address.toUtf8());
  return true;
}

FakeDiskService::~FakeDiskService() { Stop(); }

bool FakeDiskService::Start(const QJsonObject& parameters, QString* why) {
  if (!StartBus(why)) return false;
  mock_ = std::make_unique<QProcess>();
  mock_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // Debian installs dbusmock for its own interpreter.
  mock_->setProgram("/usr/bin/python3");
  mock_->setArguments({"-m", "dbusmock", "--system", "--template", ORVIA_UDISKS_MOCK, "-p",
                       QString::fromUtf8(QJsonDocument(parameters).toJson(QJsonDocument::Compact))});
  mock_->start();
  if (!mock_->waitForStarted()) {
    *why = "python3-dbusmock did not start";
    return false;
  }
  // Bounded only so that a broken set-up cannot hang the tests.
  QElapsedTimer waited;
  waited.start();
  QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
  while (!(bus && bus->isServiceRegistered(kService).value())) {
    if (mock_->state() == QProcess::NotRunning || waited.elapsed() > 30000) {
      *why = "the stand-in service did not come up";
      return false;
    }
    QThread::msleep(20);
  }
  return true;
}

void FakeDiskService::Stop() {
  if (!mock_) return;
  mock_->terminate();
  if (!mock_->waitForFinished(10000)) mock_->kill();
  mock_->waitForFinished();
  mock_.reset();
  // The name is free again before the next test starts its own service.
  QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
  for (int i = 0; i < 500 && bus && bus->isServiceRegistered(kService).value(); ++i) QThread::msleep(10);
}

QStringList FakeDiskService::Calls() const {
  const QDBusMessage reply = MockCall("Calls", {});
  return reply.arguments().isEmpty() ? QStringList() : reply.arguments().at(0).toStringList();
}

void FakeDiskService::Refuse(const QString& method, const QString& errorName, const QString& message) const {
  MockCall("Refuse", {method, errorName, message});
}

void FakeDiskService::RemoveBlock(const QString& name) const {
  MockCall("RemoveBlock", {QVariant::fromValue(QDBusObjectPath(BlockPath(name)))});
}

void FakeDiskService::SetMountPoints(const QString& name, const QStringList& points) const {
  MockCall("SetMountPoints", {QVariant::fromValue(QDBusObjectPath(BlockPath(name))), points});
}

}  // namespace orvia::test
