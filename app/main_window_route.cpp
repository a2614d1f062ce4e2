#include "app/main_window_route.h"

#include "playback/gps_map.h"
#include "playback/map_route.h"

namespace orvia {

MapRouteView::MapRouteView(GPSMap* map, QObject* parent) : QObject(parent), map_(map) {
  connect(map_, &GPSMap::pageLoaded, this, [this](bool ok) {
    if (ok) SendAll();
  });
}

void MapRouteView::Show(const MapRoute& route) {
  played_ = 0;
  json_ = route.points.empty() ? QString() : QString::fromStdString(RouteJson(route));
  SendAll();
}

void MapRouteView::Clear() {
  json_.clear();
  played_ = 0;
  map_->CallScript("clearRoute", {});
}

void MapRouteView::SetPlayed(int second) {
  if (json_.isEmpty() || second == played_) return;
  played_ = second;
  map_->CallScript("setPlayed", {QString::number(second)});
}

void MapRouteView::SendAll() {
  if (json_.isEmpty()) {
    map_->CallScript("clearRoute", {});
    return;
  }
  map_->CallScript("showRoute", {json_});
  if (played_ > 0) map_->CallScript("setPlayed", {QString::number(played_)});
}

}  // namespace orvia
