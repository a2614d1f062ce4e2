// The route of the open recording on the map page: one script call with the
// whole track when a recording opens, and the played part as playback moves.
// Calls made before the page has loaded (or while it reloads) are sent again
// once it has.
#pragma once

#include <QObject>
#include <QString>

namespace orvia {

class GPSMap;
struct MapRoute;

class MapRouteView : public QObject {
  Q_OBJECT

 public:
  MapRouteView(GPSMap* map, QObject* parent);

  // Draws `route` (an empty route clears the map's route and leaves the map
  // as it is without one).
  void Show(const MapRoute& route);
  void Clear();
  // The recording's seconds up to `second` count as played.
  void SetPlayed(int second);

  const QString& routeArgument() const { return json_; }

 private:
  void SendAll();

  GPSMap* map_;
  QString json_;  // the shown route's argument; empty when none
  int played_ = 0;
};

}  // namespace orvia
