// GPSMap: the map panel. A web view showing map.html from the data folder;
// the program drives it only through the page's script functions.
#pragma once

#include <QStringList>
#include <QWebEngineView>

namespace orvia {

class GPSMap : public QWebEngineView {
  Q_OBJECT

 public:
  explicit GPSMap(QWidget* parent = nullptr);

  // Loads the page at `url` (a local file); while loads are held, the
  // last one asked for waits.
  void Navigate(const QString& url);
  // Starting the page's engine (at the first load or the first show) takes
  // a few hundred milliseconds of both cores: the window keeps the view
  // hidden and its loads held until its first picture is on screen.
  void HoldLoads();
  void ReleaseLoads();
  // Calls a script function of the loaded page with text arguments. False
  // when no page is loaded yet: the call is dropped, as it would be offline.
  // The page draws the marker and lines even when its map tiles cannot be
  // loaded, so calls are not held back for want of a network.
  bool CallScript(const QString& name, const QStringList& args);
  bool IsLoaded() const { return loaded_; }

  // The script text of a call: name('a', 'b'), arguments quoted for script.
  static QString ScriptCall(const QString& name, const QStringList& args);
  // What the page's note says where no tile comes (empty: the page's own).
  static QString MissingTileNote();

 signals:
  // The page finished loading (ok = it loaded).
  void pageLoaded(bool ok);
  // A script function of the page was called: the page may draw anew.
  void scriptCalled();

 private:
  bool loaded_ = false;
  bool holding_ = false;
  QString pending_;  // the load waiting while held
};

}  // namespace orvia
