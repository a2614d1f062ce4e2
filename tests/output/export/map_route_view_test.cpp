// The route on the real map page (its script, offscreen web engine): one
// call draws the whole track with start, end and event marks, the played
// part follows, a reloaded page gets the route again, and a recording
// without a fix leaves no route.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>

#include "app/main_window_route.h"
#include "playback/gps_map.h"
#include "playback/map_route.h"
#include "tests/support/map_script.h"

namespace orvia {
namespace {

// The page's answer to a script expression, as JSON text.
QString Evaluate(GPSMap& map, const QString& expression) {
  const QString answer = testing::Evaluate(map, "JSON.stringify(" + expression + ")");
  EXPECT_NE(answer, testing::kNoAnswer);
  return answer;
}

bool Load(GPSMap& map, const QString& path) {
  QSignalSpy loaded(&map, &GPSMap::pageLoaded);
  map.Navigate(path);
  return loaded.wait(30000) && loaded.first().first().toBool();
}

TEST(MapRouteViewTest, WholeRoutePlayedPartAndMarksOnThePage) {
  QTemporaryDir dir;
  const QString page = dir.filePath("map.html");
  ASSERT_TRUE(QFile::copy(ORVIA_SOURCE_DIR "/res/map/map.html", page));
  GPSMap map;
  map.resize(281, 211);
  map.show();
  ASSERT_TRUE(Load(map, page));
  MapRouteView view(&map, nullptr);

  MapRoute route;
  route.points = {
      {0, 37508776, 127062860}, {1, 37508868, 127063156}, {2, 37509001, 127063076}, {4, 37509343, 127062858}};
  route.events = {{4, 37509343, 127062858}};
  view.Show(route);
  const QString state =
      "route && [route.points.length, route.played.getLatLngs().length, route.ahead.getLatLngs().length, "
      "route.layer.getLayers().length]";
  // Two lines, start, end and one event mark; nothing played yet.
  EXPECT_EQ(Evaluate(map, state), "[4,0,4,5]");
  view.SetPlayed(2);
  EXPECT_EQ(Evaluate(map, state), "[4,3,2,5]");
  // A second without a fix (3): the rest joins the last played point.
  view.SetPlayed(3);
  EXPECT_EQ(Evaluate(map, state), "[4,3,2,5]");
  const QString bounds =
      Evaluate(map, "map.getBounds().contains(route.ahead.getBounds().extend(route.played.getBounds()))");
  EXPECT_EQ(bounds, "true");

  // The page loads again (as at the first-load reset): the route comes back.
  ASSERT_TRUE(Load(map, page));
  QTest::qWait(200);
  EXPECT_EQ(Evaluate(map, state), "[4,3,2,5]");

  view.Show(MapRoute{});
  EXPECT_EQ(Evaluate(map, "route"), "null");
}

}  // namespace
}  // namespace orvia
