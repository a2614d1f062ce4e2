// Where map tiles come from besides the network: the disk cache of tiles
// already fetched and an offline map file (raster MBTiles, SQLite).
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvia {

// A tile's place: zoom, column and row from the top (the XYZ order).
struct TileKey {
  int z = 0;
  int x = 0;
  int y = 0;
};

// True when the zoom is 0..22 and the column and row lie inside it.
bool TileKeyValid(const TileKey& key);

// No tile is larger than this; bigger answers and blobs are refused.
constexpr qint64 kMaxTileBytes = 4 * 1024 * 1024;

// Tiles kept on disk, one file each under `folder`/<source>/z/x/y, at most
// `limitBytes` together: storing past the limit removes the least recently
// used tiles first. Reading a tile marks it used.
class TileCache {
 public:
  TileCache(QString folder, qint64 limitBytes);

  // The cached tile of `source` (a tile URL template), if any.
  std::optional<QByteArray> Get(const QString& source, const TileKey& key);
  // False when the tile could not be written.
  bool Put(const QString& source, const TileKey& key, const QByteArray& data);
  // Bytes held now (counted once, then kept up to date).
  qint64 UsedBytes();
  qint64 LimitBytes() const { return limit_; }

  // $XDG_CACHE_HOME/orvia/tiles.
  static QString DefaultFolder();

 private:
  QString PathOf(const QString& source, const TileKey& key) const;
  void Trim();

  QString folder_;
  qint64 limit_;
  qint64 used_ = -1;  // unknown until first counted
};

// A raster MBTiles file read through Qt's SQLite driver, read-only. Its rows
// count from the bottom (TMS): row = 2^z - 1 - y.
class MbTilesFile {
 public:
  MbTilesFile() = default;
  ~MbTilesFile();
  MbTilesFile(const MbTilesFile&) = delete;
  MbTilesFile& operator=(const MbTilesFile&) = delete;

  // False (with `error` set) when the file cannot be opened or has no tiles table.
  bool Open(const QString& path, QString* error);
  bool IsOpen() const { return !connection_.isEmpty(); }
  // The tile at `key`, or nothing where the file has none.
  std::optional<QByteArray> Tile(const TileKey& key) const;
  // The file's `attribution` metadata (empty when it has none).
  QString Attribution() const { return attribution_; }

 private:
  QString connection_;
  QString attribution_;
};

}  // namespace orvia
