// The map page as the map panel shows it when no tile can be fetched: the
// map data credit stays visible, a small note says the map is offline, and
// the marker still shows.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <memory>

#include "playback/gps_map.h"

namespace orvia {
namespace {

// Turns every request that leaves the machine away, as having no network does.
class NoNetwork : public QWebEngineUrlRequestInterceptor {
 public:
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QString scheme = info.requestUrl().scheme();
    if (scheme != "file" && scheme != "data" && scheme != "qrc") info.block(true);
  }
};

// The text a script expression gives on the loaded page.
QString Evaluate(GPSMap& map, const QString& script) {
  QString result;
  bool done = false;
  map.page()->runJavaScript(script, [&](const QVariant& v) {
    result = v.toString();
    done = true;
  });
  if (!QTest::qWaitFor([&] { return done; }, 10000)) return QStringLiteral("<no answer>");
  return result;
}

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

}  // namespace
}  // namespace orvia
