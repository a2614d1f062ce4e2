#include "app/preferences.h"

#include <QSettings>
#include <QStandardPaths>

namespace orvia {

QString PreferencesPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/orvia/orvia.conf");
}

ViewerPreferences LoadPreferences() {
  ViewerPreferences p;
  const QSettings s(PreferencesPath(), QSettings::IniFormat);
  bool ok = false;
  const int volume = s.value("playback/volume", p.volume).toInt(&ok);
  if (ok && volume >= 0 && volume <= 10) p.volume = volume;
  p.mapShown = s.value("window/map", p.mapShown).toBool();
  p.speedGraph = s.value("window/speedGraph", p.speedGraph).toBool();
  p.lastSource = s.value("sources/last").toString();
  p.exportFolder = s.value("sources/export").toString();
  const int limit = s.value("events/speedLimit", 0).toInt(&ok);
  if (ok && limit >= 0 && limit <= 250) p.speedLimitKmh = limit;
  if (s.contains("window/position")) {
    p.position = s.value("window/position").toPoint();
    p.hasPosition = true;
  }
  return p;
}

bool SavePreferences(const ViewerPreferences& p) {
  QSettings s(PreferencesPath(), QSettings::IniFormat);
  s.setValue("playback/volume", p.volume);
  s.setValue("window/map", p.mapShown);
  s.setValue("window/speedGraph", p.speedGraph);
  s.setValue("sources/last", p.lastSource);
  s.setValue("sources/export", p.exportFolder);
  s.setValue("events/speedLimit", p.speedLimitKmh);
  if (p.hasPosition) s.setValue("window/position", p.position);
  s.sync();
  return s.status() == QSettings::NoError;
}

}  // namespace orvia
