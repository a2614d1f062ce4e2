// The map page's tiles. The page asks for every tile through a URL scheme of
// the program's own, orvia-tile:Z/X/Y.png; the program answers from the
// chosen offline map file, or from the disk cache, or by fetching the tile
// from the chosen online source (naming itself in the User-Agent and
// sending no Referer) and keeping it in the cache. Nothing is fetched that
// the page did not ask for.
#pragma once

#include <QString>
#include <QWebEngineUrlSchemeHandler>
#include <memory>

class QNetworkAccessManager;
class QWebEngineProfile;

namespace orvia {

class MbTilesFile;
class TileCache;

// Where the map's tiles come from.
struct MapSource {
  // Online: a tile URL template with {z}, {x}, {y} and optionally {key}.
  QString urlTemplate = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");
  QString apiKey;  // put in for {key}
  QString credit = QStringLiteral("&copy; OpenStreetMap contributors");
  // Offline: a raster MBTiles file; when set, no tile is fetched online.
  QString offlineFile;
  int cacheMegabytes = 200;
};

// The User-Agent of the map's requests: Orvia/<version> (+contact).
QString MapUserAgent();

// The page's tile URL scheme. Registered before the application object.
constexpr const char* kTileScheme = "orvia-tile";
void RegisterMapTileScheme();

// An http(s) URL template with {z}, {x} and {y}.
bool MapTemplateUsable(const QString& urlTemplate);
// A tile URL template filled in for one tile.
QString FillTileUrl(const MapSource& source, int z, int x, int y);

// Answers the page's tile requests (see the top of this file).
class TileSchemeHandler : public QWebEngineUrlSchemeHandler {
  Q_OBJECT

 public:
  explicit TileSchemeHandler(QObject* parent = nullptr);
  ~TileSchemeHandler() override;

  // Takes effect for the tiles asked for from now on. False (with `error`)
  // when the offline file cannot be read: its tiles are then all missing.
  bool SetSource(const MapSource& source, QString* error);
  const MapSource& Source() const { return source_; }
  // The credit to show: the source's, or the offline file's own.
  QString Credit() const;
  // Tiles answered from the network since the start (for the tests).
  int fetched() const { return fetched_; }

  void requestStarted(QWebEngineUrlRequestJob* job) override;

 private:
  void Fetch(QWebEngineUrlRequestJob* job, int z, int x, int y);

  MapSource source_;
  std::unique_ptr<TileCache> cache_;
  std::unique_ptr<MbTilesFile> offline_;
  QNetworkAccessManager* network_;
  int fetched_ = 0;
};

// The map's web profile, the program's own (not the default one): it names
// the program in its User-Agent and has the tile handler installed.
QWebEngineProfile* MapWebProfile();
TileSchemeHandler* MapTileHandler();

}  // namespace orvia
