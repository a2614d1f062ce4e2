// The map's route: every fix in order, impact marks only above the chosen
// sensitivity's threshold and placed at the nearest fix, nothing without a fix.
#include <gtest/gtest.h>

#include "playback/map_route.h"
#include "settings/impact_threshold.h"

namespace orvia {
namespace {

TEST(MapRoute, PointsEventsAndThresholds) {
  GPeak peaks[5] = {{0, 0, 1000}, {-900, 0, 1000}, {-1980, 1250, 1850}, {0, 0, 1000}, {0, 1400, 1000}};
  std::unique_ptr<GpsFix> fixes[5];
  fixes[0] = std::make_unique<GpsFix>(GpsFix{37497940, 127027640, 300});
  fixes[1] = std::make_unique<GpsFix>(GpsFix{37498000, 127027700, 280});
  fixes[3] = std::make_unique<GpsFix>(GpsFix{-1, -2, 0});  // second 2 lost its fix
  fixes[4] = std::make_unique<GpsFix>(GpsFix{-1500000, 2, 0});

  const MapRoute normal = BuildMapRoute(5, peaks, fixes, ImpactThresholdMilliG(1));
  ASSERT_EQ(normal.points.size(), 4u);
  EXPECT_EQ(normal.points[2].second, 3);
  ASSERT_EQ(normal.events.size(), 1u);  // the collision (about 3 g), not the hard brake
  EXPECT_EQ(normal.events[0].second, 2);
  EXPECT_EQ(normal.events[0].latitude, 37498000);  // nearest fix: second 1 before second 3
  EXPECT_EQ(RouteJson(normal),
            "{\"points\":[[37.497940,127.027640,0],[37.498000,127.027700,1],[-0.000001,-0.000002,3],"
            "[-1.500000,0.000002,4]],\"events\":[[37.498000,127.027700,2]]}");

  // Sensitive (1.5 g) also marks second 4 (1.72 g); insensitive (2.5 g) keeps the collision.
  EXPECT_EQ(BuildMapRoute(5, peaks, fixes, ImpactThresholdMilliG(2)).events.size(), 2u);
  EXPECT_EQ(BuildMapRoute(5, peaks, fixes, ImpactThresholdMilliG(0)).events.size(), 1u);
  EXPECT_EQ(ImpactThresholdMilliG(7), ImpactThresholdMilliG(1));

  std::unique_ptr<GpsFix> none[5];
  const MapRoute empty = BuildMapRoute(5, peaks, none, ImpactThresholdMilliG(1));
  EXPECT_TRUE(empty.points.empty());
  EXPECT_TRUE(empty.events.empty());
}

}  // namespace
}  // namespace orvia
