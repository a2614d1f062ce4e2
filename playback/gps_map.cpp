#include "playback/gps_map.h"

#include <QUrl>

namespace orvia {

GPSMap::GPSMap(QWidget* parent) : QWebEngineView(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  connect(this, &QWebEngineView::loadStarted, this, [this] { loaded_ = false; });
  connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
    loaded_ = ok;
    emit pageLoaded(ok);
  });
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
  return true;
}

}  // namespace orvia
