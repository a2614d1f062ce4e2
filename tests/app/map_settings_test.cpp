// The map's source as the user chooses it: stored in the preferences file,
// read back with defaults for what is wrong, and replaced for one run by
// --map-tiles.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "app/command_line.h"
#include "app/list_context_menu.h"
#include "app/main_window.h"
#include "app/map_settings.h"
#include "app/preferences.h"

namespace orvia {
namespace {

TEST(MapSettings, StoredChoiceReadBackAndReplacedForOneRun) {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  MapSource chosen;
  chosen.urlTemplate = "https://tiles.example.invalid/{z}/{x}/{y}.png?k={key}";
  chosen.apiKey = "abc";
  chosen.credit = "Example tiles";
  chosen.cacheMegabytes = 50;
  ASSERT_TRUE(SaveMapSource(chosen));
  MapSource read = LoadMapSource();
  EXPECT_EQ(read.urlTemplate, chosen.urlTemplate);
  EXPECT_EQ(read.credit, "Example tiles");
  EXPECT_EQ(read.cacheMegabytes, 50);
  EXPECT_EQ(FillTileUrl(read, 3, 4, 5), "https://tiles.example.invalid/3/4/5.png?k=abc");

  // A template the map could not use and a cache size out of range give
  // the defaults.
  {
    QSettings s(PreferencesPath(), QSettings::IniFormat);
    s.setValue("map/tileUrl", "file:///etc/{z}/{x}/{y}");
    s.setValue("map/cacheMB", -5);
  }
  read = LoadMapSource();
  EXPECT_EQ(read.urlTemplate, MapSource().urlTemplate);
  EXPECT_EQ(read.credit, MapSource().credit);
  EXPECT_EQ(read.cacheMegabytes, 200);

  // --map-tiles: a file is an offline map, a URL an online source with the
  // server named as its credit; the stored choice stays as it was.
  MapSource run = WithMapTilesOverride(chosen, "area.mbtiles");
  EXPECT_TRUE(run.offlineFile.endsWith("/area.mbtiles"));
  EXPECT_EQ(run.urlTemplate, chosen.urlTemplate);
  run = WithMapTilesOverride(run, "http://127.0.0.1:8080/{z}/{x}/{y}.png");
  EXPECT_TRUE(run.offlineFile.isEmpty());
  EXPECT_EQ(run.credit, "127.0.0.1");
  EXPECT_EQ(ParseViewerCommandLine({"orvia", "--map-tiles", "http://h/{z}/{x}/{y}.png"}).mapTiles,
            "http://h/{z}/{x}/{y}.png");
  for (const char* wrong : {"ftp://h/{z}/{x}/{y}.png", "http://h/{z}/{y}.png", "/no/such/map.mbtiles"})
    EXPECT_EQ(ParseViewerCommandLine({"orvia", "--map-tiles", wrong}).action,
              ViewerCommandLine::Action::kUsageError)
        << wrong;

  // The dialog shows a choice and gives back what its fields hold.
  MapSettingsDialog dialog(chosen, nullptr);
  dialog.findChild<QLineEdit*>("offlineFile")->setText("/maps/area.mbtiles");
  dialog.findChild<QSpinBox*>("cacheMB")->setValue(75);
  const MapSource edited = dialog.Chosen();
  EXPECT_EQ(edited.urlTemplate, chosen.urlTemplate);
  EXPECT_EQ(edited.apiKey, "abc");
  EXPECT_EQ(edited.offlineFile, "/maps/area.mbtiles");
  EXPECT_EQ(edited.cacheMegabytes, 75);
  qunsetenv("XDG_CONFIG_HOME");
}

// The list menu's "Map..." opens the dialog; what it is left with is
// stored and used for the tiles from then on.
TEST(MapSettings, TheListMenuOpensTheDialogAndItsChoiceIsKeptAndUsed) {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  COrviaDlg window(nullptr);
  auto* owner = window.findChild<ListContextMenu*>();
  ASSERT_NE(owner, nullptr);
  std::unique_ptr<QMenu> menu(owner->BuildMenu());
  QAction* map = nullptr;
  for (QAction* a : menu->actions())
    if (a->objectName() == "mapSource") map = a;
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->text(), "Map...");
  EXPECT_TRUE(map->isEnabled());  // nothing selected: the map is not about a row

  const QString url = "http://127.0.0.1:9/{z}/{x}/{y}.png";
  bool answered = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<MapSettingsDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    dialog->findChild<QLineEdit*>("tileUrl")->setText(url);
    dialog->findChild<QLineEdit*>("credit")->setText("Local tiles");
    answered = true;
    dialog->accept();
  });
  map->trigger();
  ASSERT_TRUE(answered);
  EXPECT_EQ(LoadMapSource().urlTemplate, url);
  EXPECT_EQ(MapTileHandler()->Source().urlTemplate, url);
  EXPECT_EQ(MapTileHandler()->Credit(), "Local tiles");
  MapTileHandler()->SetSource(MapSource(), nullptr);
  qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace orvia
