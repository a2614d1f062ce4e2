#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <vector>

#include "app/main_window.h"
#include "app/orvia_app.h"
#include "app/startup_files.h"
#include "base/localized_text.h"
#include "controls/message_box.h"

namespace orvia {
namespace {

std::string Slurp(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

// The process's data folder: the string reader's path is fixed at the first
// lookup, so every start-up of this process uses the same one.
QString DataFolder() { return qEnvironmentVariable("ORVIA_TEST_DATA"); }

StartupResult Start(const QString& moduleFolder, bool* windowRan = nullptr) {
  StartupOptions o;
  o.moduleFolder = moduleFolder;
  o.dataFolder = DataFolder();
  o.runWindow = [windowRan](COrviaDlg& w) {
    if (windowRan) *windowRan = true;
    EXPECT_EQ(w.size(), QSize(1020, 730));
  };
  return RunStartup(o);
}

TEST(Startup, WritesTheDataFilesAndRunsTheWindow) {
  QFile::remove(DataFolder() + "LOGO_1.bmp");
  // A logo of the right length is left alone, whatever it holds.
  {
    std::ofstream f((DataFolder() + "LOGO_2.bmp").toStdString(), std::ios::binary);
    f << std::string(kLogoFileBytes, 'z');
  }
  bool ran = false;
  EXPECT_EQ(Start(ORVIA_BIN_DIR, &ran), StartupResult::kWindowRan);
  EXPECT_TRUE(ran);
  EXPECT_EQ(Slurp(DataFolder() + "Orvia_string.ini"), std::string(EnglishStringFileBytes()));
  EXPECT_NE(Slurp(DataFolder() + "map.html").find("function setPos(lat, lng)"), std::string::npos);

  std::string logo = Slurp(DataFolder() + "LOGO_1.bmp");
  ASSERT_EQ(logo.size(), kLogoFileBytes);
  // Header: "BM", file size, data offset, core header size, 1920 x 1080, 24 bits.
  EXPECT_EQ(logo.substr(0, 2), "BM");
  EXPECT_EQ((std::vector<uint32_t>{Le(logo, 2, 4), Le(logo, 10, 4), Le(logo, 14, 4), Le(logo, 18, 2),
                                   Le(logo, 20, 2), Le(logo, 24, 2)}),
            (std::vector<uint32_t>{kLogoFileBytes, 26, 12, 1920, 1080, 24}));
  EXPECT_EQ(Slurp(DataFolder() + "LOGO_2.bmp"), std::string(kLogoFileBytes, 'z'));

  // Another length is replaced.
  {
    std::ofstream f((DataFolder() + "LOGO_2.bmp").toStdString(), std::ios::binary);
    f << "short";
  }
  EXPECT_EQ(Start(ORVIA_BIN_DIR), StartupResult::kWindowRan);
  EXPECT_EQ(Slurp(DataFolder() + "LOGO_2.bmp").size(), kLogoFileBytes);
}

TEST(Startup, MissingPlayerModuleNamesTheFolder) {
  QTemporaryDir empty;
  QueueMessageBoxAnswer(QMessageBox::Ok);
  bool ran = false;
  EXPECT_EQ(Start(empty.path(), &ran), StartupResult::kModuleNotLoaded);
  EXPECT_FALSE(ran);
  QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].title, "Orvia");
  EXPECT_EQ(shown[0].text,
            empty.path() + "/" + QString::fromStdString(GetLocalizedText("IDS_ERROR_FAILED_TO_LOADDLL")));
}

TEST(Startup, StringFileThatCannotBeWrittenEndsTheProgram) {
  QFile::remove(DataFolder() + "Orvia_string.ini");
  ASSERT_TRUE(QDir().mkpath(DataFolder() + "Orvia_string.ini"));  // a folder in its place
  QueueMessageBoxAnswer(QMessageBox::Ok);
  bool ran = false;
  EXPECT_EQ(Start(ORVIA_BIN_DIR, &ran), StartupResult::kStringFileFailed);
  EXPECT_FALSE(ran);
  QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].text, "Can not open the string file.");
  QDir(DataFolder() + "Orvia_string.ini").removeRecursively();
  WriteDataFile((DataFolder() + "Orvia_string.ini").toStdString(), EnglishStringFileBytes());
}

TEST(StartupFiles, BitmapRowsAreWrittenBottomUp) {
  QTemporaryDir dir;
  // 3 x 2 pixels, 4 bytes each, rows 16 bytes apart: top row red, bottom blue.
  uint8_t px[32] = {};
  for (int x = 0; x < 3; ++x) {
    px[x * 4 + 2] = 0xFF;       // top: red
    px[16 + x * 4 + 0] = 0xFF;  // bottom: blue
  }
  std::string path = (dir.path() + "/p.bmp").toStdString();
  ASSERT_TRUE(WriteBitmapFile({px, 3, 2, 4, 16}, path));
  std::string b = Slurp(QString::fromStdString(path));
  ASSERT_EQ(b.size(), 26u + 18u);                // no filler at the ends of rows
  EXPECT_EQ(static_cast<uint8_t>(b[26]), 0xFF);  // first row written: the bottom one, blue first
  EXPECT_EQ(static_cast<uint8_t>(b[28]), 0x00);
  EXPECT_EQ(static_cast<uint8_t>(b[26 + 9 + 2]), 0xFF);  // then the top row's red
  EXPECT_FALSE(WriteBitmapFile({px, 3, 2, 4, 16}, (dir.path() + "/no/such/p.bmp").toStdString()));
  EXPECT_FALSE(WriteBitmapFile({px, 70000, 1, 4, 16}, path));
}

TEST(StartupFiles, UpdaterParameterAndPaths) {
  EXPECT_EQ(UpdaterParameter(1, 2, 10, 3), "v=12103\n");
  EXPECT_EQ(UpdaterParameter(1, 0, 0, 0), "v=1000\n");

  QTemporaryDir dir;
  std::string root = dir.path().toStdString();
  CreatePathDirectories(root + "/a/b/c/");
  EXPECT_TRUE(QDir(dir.path() + "/a/b/c").exists());
  CreatePathDirectories(root + "/d/e/file.bmp");
  EXPECT_TRUE(QDir(dir.path() + "/d/e").exists());
  EXPECT_FALSE(QFileInfo::exists(dir.path() + "/d/e/file.bmp"));
  CreatePathDirectories(root + "/x:/y/");  // no folder is made at a separator after a colon
  EXPECT_FALSE(QFileInfo::exists(dir.path() + "/x:"));

  std::string text = "14:25:01";
  RemoveColons(text);
  EXPECT_EQ(text, "142501");

  // A program folder that cannot be written sends the data files elsewhere.
  std::string fallback = root + "/data/orvia/";
  EXPECT_EQ(ChooseDataFolder(root + "/missing/", fallback), fallback);
  EXPECT_TRUE(QDir(QString::fromStdString(fallback)).exists());
  EXPECT_EQ(ChooseDataFolder(root + "/", fallback), root + "/");
}

}  // namespace
}  // namespace orvia
