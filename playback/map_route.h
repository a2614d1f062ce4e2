// The whole route of a recording for the map page: every second's GPS fix in
// order, and the seconds whose G-sensor peak passes the recorder's impact
// threshold, as one script argument. Plain logic over the index's tables.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "playback/recording_index.h"

namespace orvia {

struct RoutePoint {
  int second = 0;
  int32_t latitude = 0;   // millionths of a degree
  int32_t longitude = 0;  // millionths of a degree
};

struct MapRoute {
  std::vector<RoutePoint> points;  // seconds with a fix, in order
  std::vector<RoutePoint> events;  // seconds above the threshold, placed at the nearest fix
};

// `count` seconds of the index tables (peaks and fixes as the graph gets
// them). Empty when no second has a fix.
MapRoute BuildMapRoute(int count, const GPeak* peaks, const std::unique_ptr<GpsFix>* fixes,
                       int thresholdMilliG);

// {"points":[[lat,lng,second],...],"events":[[lat,lng,second],...]}, degrees
// with six decimals.
std::string RouteJson(const MapRoute& route);

}  // namespace orvia
