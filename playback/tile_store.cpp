#include "playback/tile_store.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <vector>

namespace orvia {

bool TileKeyValid(const TileKey& key) {
  if (key.z < 0 || key.z > 22) return false;
  const int n = 1 << key.z;
  return key.x >= 0 && key.x < n && key.y >= 0 && key.y < n;
}

TileCache::TileCache(QString folder, qint64 limitBytes) : folder_(std::move(folder)), limit_(limitBytes) {}

QString TileCache::DefaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
         QStringLiteral("/orvia/tiles");
}

// Each source has a folder of its own, named by a hash of its URL template,
// so that tiles of two sources never stand in for each other.
QString TileCache::PathOf(const QString& source, const TileKey& key) const {
  const QByteArray hash = QCryptographicHash::hash(source.toUtf8(), QCryptographicHash::Sha1).toHex();
  return QStringLiteral("%1/%2/%3/%4/%5")
      .arg(folder_, QString::fromLatin1(hash.left(16)))
      .arg(key.z)
      .arg(key.x)
      .arg(key.y);
}

std::optional<QByteArray> TileCache::Get(const QString& source, const TileKey& key) {
  if (!TileKeyValid(key)) return std::nullopt;
  QFile file(PathOf(source, key));
  if (!file.open(QIODevice::ReadOnly) || file.size() <= 0 || file.size() > kMaxTileBytes) return std::nullopt;
  QByteArray data = file.read(kMaxTileBytes);
  if (data.size() != file.size()) return std::nullopt;
  // A tile in use is the last to go when the cache is trimmed.
  file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
  return data;
}

bool TileCache::Put(const QString& source, const TileKey& key, const QByteArray& data) {
  if (!TileKeyValid(key) || data.isEmpty() || data.size() > kMaxTileBytes || limit_ <= 0) return false;
  const QString path = PathOf(source, key);
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  const qint64 before = QFileInfo(path).exists() ? QFileInfo(path).size() : 0;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) return false;
  if (used_ >= 0) used_ += data.size() - before;
  if (UsedBytes() > limit_) Trim();
  return true;
}

qint64 TileCache::UsedBytes() {
  if (used_ >= 0) return used_;
  used_ = 0;
  QDirIterator it(folder_, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    used_ += it.fileInfo().size();
  }
  return used_;
}

// Removes the least recently used tiles until the cache holds at most
// nine tenths of its limit, so that the next few tiles do not trim again.
void TileCache::Trim() {
  struct Entry {
    QDateTime used;
    QString path;
    qint64 size;
  };
  std::vector<Entry> entries;
  qint64 total = 0;
  QDirIterator it(folder_, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    const QFileInfo info = it.fileInfo();
    entries.push_back({info.lastModified(), info.filePath(), info.size()});
    total += info.size();
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.used < b.used; });
  const qint64 target = limit_ - limit_ / 10;
  for (const Entry& e : entries) {
    if (total <= target) break;
    if (QFile::remove(e.path)) total -= e.size;
  }
  used_ = total;
}

MbTilesFile::~MbTilesFile() {
  if (connection_.isEmpty()) return;
  QSqlDatabase::database(connection_, false).close();
  QSqlDatabase::removeDatabase(connection_);
}

bool MbTilesFile::Open(const QString& path, QString* error) {
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
    if (error) *error = QStringLiteral("Qt's SQLite driver is not installed");
    return false;
  }
  if (!QFileInfo(path).isFile()) {
    if (error) *error = path + QStringLiteral(": no such file");
    return false;
  }
  static std::atomic<int> count{0};
  const QString name = QStringLiteral("orvia-mbtiles-%1").arg(count++);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    bool ok = db.open();
    QSqlQuery check(db);
    ok = ok && check.exec(QStringLiteral("SELECT 1 FROM tiles LIMIT 1"));
    if (!ok) {
      if (error) *error = path + QStringLiteral(": not an MBTiles file");
      check = QSqlQuery();
      db.close();
    } else {
      QSqlQuery meta(db);
      if (meta.exec(QStringLiteral("SELECT value FROM metadata WHERE name = 'attribution'")) && meta.next())
        attribution_ = meta.value(0).toString().left(500);
      connection_ = name;
      return true;
    }
  }
  QSqlDatabase::removeDatabase(name);
  return false;
}

std::optional<QByteArray> MbTilesFile::Tile(const TileKey& key) const {
  if (connection_.isEmpty() || !TileKeyValid(key)) return std::nullopt;
  QSqlQuery q(QSqlDatabase::database(connection_, false));
  q.prepare(QStringLiteral(
      "SELECT length(tile_data), tile_data FROM tiles WHERE zoom_level = ? AND tile_column = ? AND "
      "tile_row = ? AND length(tile_data) BETWEEN 1 AND ?"));
  q.addBindValue(key.z);
  q.addBindValue(key.x);
  q.addBindValue((1 << key.z) - 1 - key.y);
  q.addBindValue(kMaxTileBytes);
  if (!q.exec() || !q.next()) return std::nullopt;
  const qint64 size = q.value(0).toLongLong();
  if (size <= 0 || size > kMaxTileBytes) return std::nullopt;
  return q.value(1).toByteArray();
}

}  // namespace orvia
