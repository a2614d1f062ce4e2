#include "playback/gps_map.h"

#include <QUrl>
#include <QWebEnginePage>

#include "base/localized_text.h"
#include "playback/map_tiles.h"

namespace orvia {

GPSMap::GPSMap(QWidget* parent) : QWebEngineView(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  // The map's own profile: its User-Agent and its tile scheme (map_tiles.h).
  setPage(new QWebEnginePage(MapWebProfile(), this));
  connect(this, &QWebEngineView::loadStarted, this, [this] { loaded_ = false; });
  connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
    loaded_ = ok;
    if (ok) CallScript("setMapSource", {MapTileHandler()->Credit(), MissingTileNote()});
    emit pageLoaded(ok);
  });
}

// With an offline map file, a place without tiles is outside the file, not
// offline; the page keeps its own note otherwise.
QString GPSMap::MissingTileNote() {
  if (MapTileHandler()->Source().offlineFile.isEmpty()) return QString();
  const std::string text = GetLocalizedText("IDS_MAP_NOTE_NOT_IN_FILE");
  return text.empty() ? QStringLiteral("No map here in the offline map file") : QString::fromStdString(text);
}

void GPSMap::Navigate(const QString& url) {
  loaded_ = false;
  if (holding_) {
    pending_ = url;
    return;
  }
  load(QUrl::fromUserInput(url));
}

void GPSMap::HoldLoads() {
  holding_ = true;
  setVisible(false);
}

void GPSMap::ReleaseLoads() {
  if (!holding_) return;
  holding_ = false;
  setVisible(true);
  if (pending_.isEmpty()) return;
  const QString url = pending_;
  pending_.clear();
  Navigate(url);
}

QString GPSMap::ScriptCall(const QString& name, const QStringList& args) {
  QStringList quoted;
  for (QString a : args) {
    a.replace('\\', "\\\\").replace('\'', "\\'").replace('\n', "\\n").replace('\r', "\\r");
    quoted << "'" + a + "'";
  }
  return name + "(" + quoted.join(", ") + ")";
}

bool GPSMap::CallScript(const QString& name, const QStringList& args) {
  if (!loaded_ || !page()) return false;
  page()->runJavaScript(ScriptCall(name, args));
  emit scriptCalled();
  return true;
}

}  // namespace orvia
