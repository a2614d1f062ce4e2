// The map page as the map panel shows it when no tile can be fetched: the
// map data credit stays visible, a small note says the map is offline, and
// the marker still shows.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <memory>

#include "playback/gps_map.h"
#include "playback/map_panel.h"
#include "tests/support/map_script.h"

namespace orvia {
namespace {

using testing::Evaluate;

// Turns every request that leaves the machine away, as having no network does.
class NoNetwork : public QWebEngineUrlRequestInterceptor {
 public:
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QString scheme = info.requestUrl().scheme();
    if (scheme != "file" && scheme != "data" && scheme != "qrc") info.block(true);
  }
};

TEST(MapPage, OfflineItKeepsTheCreditTheMarkerAndSaysItIsOffline) {
  QTemporaryDir folder;
  const QString path = folder.filePath("map.html");
  ASSERT_TRUE(QFile::copy(":/orvia/map.html", path));

  NoNetwork noNetwork;
  GPSMap map;
  QWebEngineProfile* profile = map.page()->profile();
  profile->setUrlRequestInterceptor(&noNetwork);
  const std::unique_ptr<QWebEngineProfile, void (*)(QWebEngineProfile*)> unhook(
      profile, [](QWebEngineProfile* p) { p->setUrlRequestInterceptor(nullptr); });
  map.resize(281, 211);
  map.show();
  map.Navigate(path);
  QTRY_VERIFY_WITH_TIMEOUT(map.IsLoaded(), 20000);

  QTRY_COMPARE_WITH_TIMEOUT(Evaluate(map, "document.getElementById('offlineNote').style.display"),
                            QString("block"), 20000);
  EXPECT_EQ(Evaluate(map, "document.getElementById('offlineNote').textContent"), "Map offline");
  EXPECT_TRUE(Evaluate(map, "document.querySelector('.leaflet-control-attribution').textContent")
                  .contains(QString::fromUtf8("\u00a9 OpenStreetMap contributors")));
  // The marker still moves where it is told.
  map.CallScript("setPos", {"48.137154", "11.576124"});
  QTRY_COMPARE_WITH_TIMEOUT(Evaluate(map, "tracker.getLatLng().lat.toFixed(3)"), QString("48.137"), 10000);
  EXPECT_EQ(Evaluate(map, "document.querySelectorAll('.leaflet-marker-icon').length"), "1");
}

// The window shows the page through the panel: pictures of the page drawn
// off screen, and the panel's clicks reach the page's controls.
TEST(MapPage, ThePanelShowsThePageAndPassesClicksOn) {
  QTemporaryDir folder;
  const QString path = folder.filePath("map.html");
  ASSERT_TRUE(QFile::copy(":/orvia/map.html", path));
  NoNetwork noNetwork;
  auto* map = new GPSMap;
  MapPanel panel(map);
  QWebEngineProfile* profile = map->page()->profile();
  profile->setUrlRequestInterceptor(&noNetwork);
  const std::unique_ptr<QWebEngineProfile, void (*)(QWebEngineProfile*)> unhook(
      profile, [](QWebEngineProfile* p) { p->setUrlRequestInterceptor(nullptr); });
  panel.resize(281, 211);
  panel.show();
  map->Navigate(path);
  QTRY_VERIFY_WITH_TIMEOUT(map->IsLoaded(), 20000);
  EXPECT_EQ(map->size(), QSize(281, 211)) << "the page is laid out at the panel's size";

  // The zoom-in button's middle, on the page and so on the panel.
  const QStringList box =
      Evaluate(*map,
               "(function(){var r=document.querySelector('.leaflet-control-zoom-in').getBoundingClientRect();"
               "return Math.round(r.left+r.width/2)+','+Math.round(r.top+r.height/2);})()")
          .split(',');
  ASSERT_EQ(box.size(), 2);
  const QPoint button(box[0].toInt(), box[1].toInt());
  // The button is drawn white on the page; the panel shows it once a picture is taken.
  QTRY_VERIFY_WITH_TIMEOUT(qGray(panel.grab().toImage().pixel(button + QPoint(6, 6))) > 230, 10000);
  const int pictures = panel.pictures();

  const int zoom = Evaluate(*map, "map.getZoom()").toInt();
  QTest::mouseClick(&panel, Qt::LeftButton, {}, button);
  QTRY_COMPARE_WITH_TIMEOUT(Evaluate(*map, "map.getZoom()").toInt(), zoom + 1, 10000);
  // A script call is followed by new pictures.
  map->CallScript("setPos", {"48.137154", "11.576124"});
  QTRY_VERIFY_WITH_TIMEOUT(panel.pictures() > pictures, 5000);
}

}  // namespace
}  // namespace orvia
