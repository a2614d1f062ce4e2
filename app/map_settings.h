// Where the map's tiles come from, as the user chose it: an online source
// (tile URL template, optional API key, credit text), an offline MBTiles
// file and the size of the tile cache, kept in the preferences file
// ($XDG_CONFIG_HOME/orvia/orvia.conf, group "map"). `--map-tiles` overrides
// the choice for one run.
#pragma once

#include <QDialog>
#include <QString>

#include "playback/map_tiles.h"

class QLineEdit;
class QSpinBox;

namespace orvia {

class COrviaDlg;

// The stored choice; defaults (OpenStreetMap, no file, 200 MB) for what is
// missing or out of range.
MapSource LoadMapSource();
// False when the file could not be written.
bool SaveMapSource(const MapSource& source);
// `--map-tiles URL_OR_FILE`: a URL template (it holds {z}) replaces the
// online source and clears the offline file; anything else is an offline file.
MapSource WithMapTilesOverride(MapSource source, const QString& urlOrFile);

// The tiles of `source` from now on. False (with `error`) when its offline
// file cannot be read: the map then has no tiles.
bool UseMapSource(const MapSource& source, QString* error);
// The list menu's "Map...": the dialog over the stored choice; when it is
// accepted the choice is stored, used and the map page loaded again.
void ChooseMapSource(COrviaDlg& window);

// The "Map..." dialog: online source and credit, offline file, cache size.
class MapSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  MapSettingsDialog(const MapSource& source, QWidget* parent);
  // The choice as the fields hold it now.
  MapSource Chosen() const;

  void accept() override;

 private:
  QLineEdit* url_;
  QLineEdit* key_;
  QLineEdit* credit_;
  QLineEdit* file_;
  QSpinBox* cache_;
};

}  // namespace orvia
