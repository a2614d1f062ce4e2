// The map's tiles: fetched from the chosen source with the program's name in
// the User-Agent, kept in the cache for a later run without network, read
// from an offline MBTiles file (rows counted from the bottom), and the cache
// kept within its size.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWebEnginePage>
#include <cmath>

#include "playback/gps_map.h"
#include "playback/map_tiles.h"
#include "playback/tile_store.h"
#include "tests/support/map_script.h"

namespace orvia {
namespace {

using testing::Evaluate;

// Any /z/x/y.png is the same PNG; each request's User-Agent and Referer go
// to the log, one line each. Prints the port it listens on.
constexpr const char* kTileServer = R"(
import http.server, sys
png = open(sys.argv[1], 'rb').read()
log = sys.argv[2]
class Tiles(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(log, 'a') as f:
            f.write(self.headers.get('User-Agent', '') + '\t' + self.headers.get('Referer', '-') + '\n')
        self.send_response(200)
        self.send_header('Content-Type', 'image/png')
        self.send_header('Content-Length', str(len(png)))
        self.end_headers()
        self.wfile.write(png)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Tiles)
print(server.server_address[1], flush=True)
server.serve_forever()
)";

QByteArray SolidPng(QColor colour) {
  QImage image(256, 256, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

// The share (0..100) of the view's pixels that have `colour`.
int PercentOf(GPSMap& map, QColor colour) {
  const QImage image = map.grab().toImage();
  if (image.isNull()) return 0;
  qint64 same = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).rgb() == colour.rgb()) ++same;
  return int(same * 100 / (qint64(image.width()) * image.height()));
}

// A cache folder and the map page of the test's own; the source goes back to
// the default afterwards.
class MapTilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    qputenv("XDG_CACHE_HOME", folder_.filePath("cache").toLocal8Bit());
    page_ = folder_.filePath("map.html");
    ASSERT_TRUE(QFile::copy(":/orvia/map.html", page_));
  }
  void TearDown() override {
    MapTileHandler()->SetSource(MapSource(), nullptr);
    qunsetenv("XDG_CACHE_HOME");
  }
  void Load(GPSMap& map) {
    map.resize(281, 211);
    map.show();
    map.Navigate(page_);
    QTRY_VERIFY_WITH_TIMEOUT(map.IsLoaded(), 20000);
  }
  QTemporaryDir folder_;
  QString page_;
};

TEST_F(MapTilesTest, OnlineTilesNameTheProgramAndShowAgainFromTheCacheWithoutNetwork) {
  const QColor green(0x12, 0xb4, 0x56);
  QFile png(folder_.filePath("tile.png"));
  ASSERT_TRUE(png.open(QIODevice::WriteOnly) && png.write(SolidPng(green)) > 0);
  png.close();
  const QString log = folder_.filePath("requests.log");
  QProcess server;
  server.start("python3", {"-c", kTileServer, png.fileName(), log});
  ASSERT_TRUE(server.waitForReadyRead(20000));
  const int port = server.readLine().trimmed().toInt();
  ASSERT_GT(port, 0);

  MapSource source;
  source.urlTemplate = QString("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port);
  source.credit = "Test tiles";
  ASSERT_TRUE(MapTileHandler()->SetSource(source, nullptr));
  {
    GPSMap map;
    Load(map);
    QTRY_VERIFY_WITH_TIMEOUT(PercentOf(map, green) > 50, 20000);
    EXPECT_TRUE(Evaluate(map, "document.querySelector('.leaflet-control-attribution').textContent")
                    .contains("Test tiles"));
  }
  const int fetched = MapTileHandler()->fetched();
  EXPECT_GT(fetched, 0);
  QFile requests(log);
  ASSERT_TRUE(requests.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = requests.read(1 << 20).split('\n');
  ASSERT_GT(lines.size(), 1);
  for (const QByteArray& line : lines) {
    if (line.isEmpty()) continue;
    EXPECT_TRUE(line.startsWith("Orvia/" ORVIA_VERSION_TEXT " (+")) << line.constData();
    EXPECT_TRUE(line.endsWith("\t-")) << "a Referer was sent: " << line.constData();
  }

  server.kill();
  server.waitForFinished(20000);
  GPSMap again;
  Load(again);
  QTRY_VERIFY_WITH_TIMEOUT(PercentOf(again, green) > 50, 20000);
  EXPECT_EQ(MapTileHandler()->fetched(), fetched);
  EXPECT_EQ(Evaluate(again, "document.getElementById('offlineNote').style.display"), "none");
}

// An MBTiles file of one colour: zooms 12..18, a few tiles around `lat`,
// `lng`, stored with TMS rows.
bool WriteMbTiles(const QString& path, double lat, double lng, QColor colour) {
  const QByteArray png = SolidPng(colour);
  bool ok = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test-mbtiles");
    db.setDatabaseName(path);
    QSqlQuery q(db);
    ok =
        db.open() && q.exec("CREATE TABLE metadata (name TEXT, value TEXT)") &&
        q.exec("INSERT INTO metadata VALUES ('attribution', 'Test offline map')") &&
        q.exec(
            "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB)");
    db.transaction();
    for (int z = 12; ok && z <= 18; ++z) {
      const double n = std::pow(2.0, z);
      const int cx = int((lng + 180.0) / 360.0 * n);
      const double r = lat * M_PI / 180.0;
      const int cy = int((1.0 - std::log(std::tan(r) + 1.0 / std::cos(r)) / M_PI) / 2.0 * n);
      for (int x = cx - 3; ok && x <= cx + 3; ++x)
        for (int y = cy - 3; ok && y <= cy + 3; ++y) {
          q.prepare("INSERT INTO tiles VALUES (?, ?, ?, ?)");
          q.addBindValue(z);
          q.addBindValue(x);
          q.addBindValue(int(n) - 1 - y);
          q.addBindValue(png);
          ok = q.exec();
        }
    }
    ok = db.commit() && ok;
    db.close();
  }
  QSqlDatabase::removeDatabase("test-mbtiles");
  return ok;
}

TEST_F(MapTilesTest, OfflineFileShowsItsTilesAndSaysWhereItHasNoneWhileTheRouteStays) {
  const QColor purple(0xc8, 0x3c, 0x8c);
  const QString file = folder_.filePath("area.mbtiles");
  ASSERT_TRUE(WriteMbTiles(file, 48.138, 11.577, purple));
  MapSource source;
  source.offlineFile = file;
  QString error;
  ASSERT_TRUE(MapTileHandler()->SetSource(source, &error)) << error.toStdString();

  GPSMap map;
  Load(map);
  map.CallScript("showRoute", {"{\"points\":[[48.137,11.575,0],[48.138,11.577,1],[48.139,11.579,2]]}"});
  QTRY_VERIFY_WITH_TIMEOUT(PercentOf(map, purple) > 50, 20000);
  EXPECT_TRUE(Evaluate(map, "document.querySelector('.leaflet-control-attribution').textContent")
                  .contains("Test offline map"));

  // Far outside the file: no tile, the note says why, the route and the
  // marker are still there.
  map.CallScript("setPos", {"-10.0", "100.0"});
  QTRY_COMPARE_WITH_TIMEOUT(Evaluate(map, "document.getElementById('offlineNote').style.display"),
                            QString("block"), 20000);
  EXPECT_EQ(Evaluate(map, "document.getElementById('offlineNote').textContent"),
            "No map here in the offline map file");
  EXPECT_EQ(PercentOf(map, purple), 0);
  EXPECT_EQ(Evaluate(map, "String(map.hasLayer(route.ahead) && route.points.length)"), "3");
  EXPECT_EQ(Evaluate(map, "tracker.getLatLng().lat.toFixed(1)"), "-10.0");
}

TEST(TileCache, KeepsItsSizeByDroppingTheLeastRecentlyUsed) {
  QTemporaryDir folder;
  TileCache cache(folder.path(), 10000);
  const QByteArray tile(3000, 'x');
  const QString source = "http://127.0.0.1/{z}/{x}/{y}.png";
  auto put = [&](int x) {
    QThread::msleep(20);  // distinct file times
    return cache.Put(source, {5, x, 1}, tile);
  };
  ASSERT_TRUE(put(1) && put(2) && put(3));
  QThread::msleep(20);
  ASSERT_TRUE(cache.Get(source, {5, 1, 1}));  // 1 used again: 2 is now the oldest
  ASSERT_TRUE(put(4));
  EXPECT_LE(cache.UsedBytes(), 10000);
  EXPECT_FALSE(cache.Get(source, {5, 2, 1}));
  EXPECT_TRUE(cache.Get(source, {5, 1, 1}));
  EXPECT_TRUE(cache.Get(source, {5, 4, 1}));
  // Another source's tiles are its own.
  EXPECT_FALSE(cache.Get("http://127.0.0.2/{z}/{x}/{y}.png", {5, 4, 1}));
}

}  // namespace
}  // namespace orvia
