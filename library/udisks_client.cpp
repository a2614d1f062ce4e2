#include "library/udisks_client.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>

namespace orvia::udisks {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kRoot = QStringLiteral("/org/freedesktop/UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2/Manager");
const QString kBlockIface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kDriveIface = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString kFilesystemIface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kPartitionIface = QStringLiteral("org.freedesktop.UDisks2.Partition");
const QString kPartitionTableIface = QStringLiteral("org.freedesktop.UDisks2.PartitionTable");

// Reading the service's objects is quick; a call that may wait for the
// user's password waits up to ten minutes.
constexpr int kQuickTimeoutMs = 5000;
constexpr int kConsentTimeoutMs = 10 * 60 * 1000;

std::string Utf8(const QString& s) { return s.toStdString(); }

// "ay" texts end with a NUL the service adds.
std::string ByteText(const QVariant& v) {
  QByteArray bytes = v.toByteArray();
  const int nul = bytes.indexOf('\0');
  if (nul >= 0) bytes.truncate(nul);
  return bytes.toStdString();
}

std::string PathText(const QVariant& v) {
  if (v.canConvert<QDBusObjectPath>()) return Utf8(v.value<QDBusObjectPath>().path());
  return Utf8(v.toString());
}

std::vector<std::string> ByteTextList(const QVariant& v) {
  std::vector<std::string> out;
  if (!v.canConvert<QDBusArgument>()) return out;
  const QDBusArgument arg = v.value<QDBusArgument>();
  arg.beginArray();
  while (!arg.atEnd()) {
    QByteArray bytes;
    arg >> bytes;
    out.push_back(ByteText(bytes));
  }
  arg.endArray();
  return out;
}

using InterfaceMap = QMap<QString, QVariantMap>;

void ReadObject(const QString& path, const InterfaceMap& ifaces, Snapshot* out) {
  if (ifaces.contains(kDriveIface)) {
    const QVariantMap& p = ifaces[kDriveIface];
    Drive d;
    d.path = Utf8(path);
    d.removable = p.value("Removable").toBool();
    d.mediaRemovable = p.value("MediaRemovable").toBool();
    d.connectionBus = Utf8(p.value("ConnectionBus").toString());
    for (const QString& m : p.value("MediaCompatibility").toStringList())
      d.mediaCompatibility.push_back(Utf8(m));
    d.model = Utf8(p.value("Model").toString());
    out->drives.push_back(std::move(d));
  }
  if (ifaces.contains(kBlockIface)) {
    const QVariantMap& p = ifaces[kBlockIface];
    Block b;
    b.path = Utf8(path);
    b.device = ByteText(p.value("Device"));
    b.drive = PathText(p.value("Drive"));
    b.sizeBytes = p.value("Size").toULongLong();
    b.idUsage = Utf8(p.value("IdUsage").toString());
    b.idType = Utf8(p.value("IdType").toString());
    b.idVersion = Utf8(p.value("IdVersion").toString());
    b.idLabel = Utf8(p.value("IdLabel").toString());
    b.idUuid = Utf8(p.value("IdUUID").toString());
    b.hintSystem = p.value("HintSystem").toBool();
    b.hintIgnore = p.value("HintIgnore").toBool();
    b.readOnly = p.value("ReadOnly").toBool();
    if (ifaces.contains(kFilesystemIface)) {
      b.hasFilesystem = true;
      b.mountPoints = ByteTextList(ifaces[kFilesystemIface].value("MountPoints"));
    }
    if (ifaces.contains(kPartitionIface)) {
      b.isPartition = true;
      b.partitionOffset = ifaces[kPartitionIface].value("Offset").toULongLong();
      b.partitionType = Utf8(ifaces[kPartitionIface].value("Type").toString());
      b.partitionTable = PathText(ifaces[kPartitionIface].value("Table"));
    }
    b.isPartitionTable = ifaces.contains(kPartitionTableIface);
    if (b.isPartitionTable) b.tableType = Utf8(ifaces[kPartitionTableIface].value("Type").toString());
    out->blocks.push_back(std::move(b));
  }
}

CallResult FromReply(const QDBusMessage& reply) {
  CallResult r;
  r.ok = reply.type() == QDBusMessage::ReplyMessage;
  if (!r.ok) {
    r.errorName = Utf8(reply.errorName());
    r.message = Utf8(reply.errorMessage());
    if (r.errorName.empty()) r.errorName = "org.freedesktop.DBus.Error.NoReply";
  }
  return r;
}

QDBusMessage Call(const std::string& path, const QString& iface, const QString& method,
                  const QList<QVariant>& args) {
  QDBusMessage m = QDBusMessage::createMethodCall(kService, QString::fromStdString(path), iface, method);
  m.setArguments(args);
  m.setInteractiveAuthorizationAllowed(true);
  return QDBusConnection::systemBus().call(m, QDBus::Block, kConsentTimeoutMs);
}

}  // namespace

void NoteServiceMissing() {
  static bool told = false;
  if (told) return;
  told = true;
  std::fputs(
      "orvia: the disk service (UDisks2) does not answer: cards are read from the mount table, "
      "and formatting a card needs UDisks2 or root.\n",
      stderr);
}

Snapshot SystemSnapshot() {
  Snapshot snap = TakeSnapshot();
  if (!snap.available) NoteServiceMissing();
  return snap;
}

Snapshot TakeSnapshot() {
  Snapshot snap;
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return snap;
  QDBusMessage m = QDBusMessage::createMethodCall(kService, kRoot, "org.freedesktop.DBus.ObjectManager",
                                                  "GetManagedObjects");
  const QDBusMessage reply = bus.call(m, QDBus::Block, kQuickTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return snap;
  const QDBusArgument arg = reply.arguments().at(0).value<QDBusArgument>();
  if (arg.currentSignature() != QLatin1String("a{oa{sa{sv}}}")) return snap;
  arg.beginMap();
  while (!arg.atEnd()) {
    arg.beginMapEntry();
    QDBusObjectPath path;
    InterfaceMap ifaces;
    arg >> path;
    arg.beginMap();
    while (!arg.atEnd()) {
      arg.beginMapEntry();
      QString name;
      QVariantMap props;
      arg >> name >> props;
      ifaces.insert(name, props);
      arg.endMapEntry();
    }
    arg.endMap();
    arg.endMapEntry();
    ReadObject(path.path(), ifaces, &snap);
  }
  arg.endMap();
  snap.available = true;

  QDBusMessage get =
      QDBusMessage::createMethodCall(kService, kManagerPath, "org.freedesktop.DBus.Properties", "Get");
  get.setArguments({QStringLiteral("org.freedesktop.UDisks2.Manager"), QStringLiteral("Version")});
  const QDBusMessage version = bus.call(get, QDBus::Block, kQuickTimeoutMs);
  if (version.type() == QDBusMessage::ReplyMessage && !version.arguments().isEmpty())
    snap.version = Utf8(version.arguments().at(0).value<QDBusVariant>().variant().toString());
  return snap;
}

CallResult Mount(const std::string& blockPath, std::string* mountPoint) {
  const QDBusMessage reply = Call(blockPath, kFilesystemIface, "Mount", {QVariantMap()});
  CallResult r = FromReply(reply);
  if (r.ok && !reply.arguments().isEmpty()) *mountPoint = Utf8(reply.arguments().at(0).toString());
  return r;
}

CallResult Unmount(const std::string& blockPath) {
  return FromReply(Call(blockPath, kFilesystemIface, "Unmount", {QVariantMap()}));
}

CallResult OpenDeviceForWriting(const std::string& blockPath, int* fd, bool exclusive) {
  QVariantMap options;
  // Exclusive: the service refuses a device that is mounted or in use.
  if (exclusive) options.insert(QStringLiteral("flags"), static_cast<int>(O_EXCL));
  const QDBusMessage reply = Call(blockPath, kBlockIface, "OpenDevice", {QStringLiteral("rw"), options});
  CallResult r = FromReply(reply);
  *fd = -1;
  if (r.ok && !reply.arguments().isEmpty()) {
    const QDBusUnixFileDescriptor handed = reply.arguments().at(0).value<QDBusUnixFileDescriptor>();
    // The wrapper closes its own copy; keep a duplicate.
    if (handed.isValid()) *fd = fcntl(handed.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (*fd < 0) {
      r.ok = false;
      r.errorName = "org.freedesktop.UDisks2.Error.Failed";
      r.message = "no descriptor handed over";
    }
  }
  return r;
}

CallResult Format(const std::string& blockPath, const std::string& type, const std::string& label,
                  const std::vector<std::string>& mkfsArgs, const std::string& erase) {
  QVariantMap options;
  options.insert(QStringLiteral("label"), QString::fromStdString(label));
  QStringList args;
  for (const std::string& a : mkfsArgs) args << QString::fromStdString(a);
  if (!args.isEmpty()) options.insert(QStringLiteral("mkfs-args"), args);
  // An MBR partition is marked as holding the new file system (FAT32 LBA).
  options.insert(QStringLiteral("update-partition-type"), true);
  if (!erase.empty()) options.insert(QStringLiteral("erase"), QString::fromStdString(erase));
  return FromReply(Call(blockPath, kBlockIface, "Format", {QString::fromStdString(type), options}));
}

RightAnswer AskRight(const std::string& actionId) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return RightAnswer::kUnknown;
  // The subject is this process's own connection to the bus, which the
  // service sees as the caller too.
  QDBusArgument subject;
  subject.beginStructure();
  subject << QStringLiteral("system-bus-name") << QVariantMap{{QStringLiteral("name"), bus.baseService()}};
  subject.endStructure();
  QDBusArgument details;
  details.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
  details.endMap();
  QDBusMessage m = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.PolicyKit1"), QStringLiteral("/org/freedesktop/PolicyKit1/Authority"),
      QStringLiteral("org.freedesktop.PolicyKit1.Authority"), QStringLiteral("CheckAuthorization"));
  // Flags 0: no dialog, the answer only.
  m.setArguments({QVariant::fromValue(subject), QString::fromStdString(actionId),
                  QVariant::fromValue(details), 0u, QString()});
  const QDBusMessage reply = bus.call(m, QDBus::Block, kQuickTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return RightAnswer::kUnknown;
  const QDBusArgument result = reply.arguments().at(0).value<QDBusArgument>();
  if (!result.currentSignature().startsWith(QLatin1String("(bb"))) return RightAnswer::kUnknown;
  bool authorized = false;
  bool challenge = false;
  result.beginStructure();
  QMap<QString, QString> detailsBack;
  result >> authorized >> challenge >> detailsBack;
  result.endStructure();
  if (authorized) return RightAnswer::kYes;
  return challenge ? RightAnswer::kPassword : RightAnswer::kNo;
}

CallResult SetPartitionType(const std::string& blockPath, const std::string& type) {
  return FromReply(
      Call(blockPath, kPartitionIface, "SetType", {QString::fromStdString(type), QVariantMap()}));
}

ServiceWatch::ServiceWatch(QObject* parent) : QObject(parent) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  const QString om = QStringLiteral("org.freedesktop.DBus.ObjectManager");
  connected_ = bus.connect(kService, kRoot, om, "InterfacesAdded", this, SLOT(OnSignal()));
  connected_ = bus.connect(kService, kRoot, om, "InterfacesRemoved", this, SLOT(OnSignal())) && connected_;
  // Every object's property changes (an empty path matches all objects).
  bus.connect(kService, QString(), "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
              SLOT(OnSignal()));
}

void ServiceWatch::OnSignal() { emit changed(); }

}  // namespace orvia::udisks
