#include "playback/map_route.h"

#include <algorithm>
#include <cstdlib>

#include "playback/telemetry.h"

namespace orvia {

namespace {

int64_t MagnitudeSquared(const GPeak& p) {
  return int64_t{p.x} * p.x + int64_t{p.y} * p.y + int64_t{p.z} * p.z;
}

void AppendPoints(std::string& o, const std::vector<RoutePoint>& points) {
  o.push_back('[');
  for (size_t i = 0; i < points.size(); ++i) {
    if (i) o.push_back(',');
    o += "[" + FormatCoordinate(points[i].latitude) + "," + FormatCoordinate(points[i].longitude) + "," +
         std::to_string(points[i].second) + "]";
  }
  o.push_back(']');
}

}  // namespace

MapRoute BuildMapRoute(int count, const GPeak* peaks, const std::unique_ptr<GpsFix>* fixes,
                       int thresholdMilliG) {
  MapRoute route;
  count = std::clamp(count, 0, kMaxSeconds);
  if (!fixes) return route;
  for (int i = 0; i < count; ++i) {
    if (const GpsFix* f = fixes[i].get()) route.points.push_back({i, f->latitude, f->longitude});
  }
  if (route.points.empty() || !peaks) return route;
  const int64_t limit = int64_t{thresholdMilliG} * thresholdMilliG;
  for (int i = 0; i < count; ++i) {
    if (MagnitudeSquared(peaks[i]) <= limit) continue;
    // The fix of that second, else the one nearest in time.
    const RoutePoint* nearest = &route.points[0];
    for (const RoutePoint& p : route.points) {
      if (std::abs(p.second - i) < std::abs(nearest->second - i)) nearest = &p;
    }
    route.events.push_back({i, nearest->latitude, nearest->longitude});
  }
  return route;
}

std::string RouteJson(const MapRoute& route) {
  std::string o = "{\"points\":";
  AppendPoints(o, route.points);
  o += ",\"events\":";
  AppendPoints(o, route.events);
  o += "}";
  return o;
}

}  // namespace orvia
