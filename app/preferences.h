// What the viewer remembers between runs: the volume, the map and graph
// state, the card or folder opened last, the export folder and the window's
// place, in $XDG_CONFIG_HOME/orvia/orvia.conf (an INI file).
#pragma once

#include <QPoint>
#include <QString>

namespace orvia {

struct ViewerPreferences {
  int volume = 5;  // 0..10
  bool mapShown = true;
  bool speedGraph = false;  // the graph plots the speed instead of the G-force
  QString lastSource;       // the card or folder opened last
  QString exportFolder;     // where the last export went
  int speedLimitKmh = 0;    // speeding events above this; 0 = none
  bool hasPosition = false;
  QPoint position;  // the window's top left corner
};

// The file the preferences live in.
QString PreferencesPath();
// The stored preferences; defaults for what is missing or out of range.
ViewerPreferences LoadPreferences();
// False when the file could not be written.
bool SavePreferences(const ViewerPreferences& preferences);

}  // namespace orvia
