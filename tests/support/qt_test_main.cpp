// Widget tests of every area run in one QApplication on the offscreen
// platform. The process's data folder holds the English string file before
// any test runs, since the string reader's path is fixed at the first lookup.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "base/ini_engine.h"
#include "base/localized_text.h"
#include "base/program_folder.h"
#include "playback/map_tiles.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  orvia::RegisterMapTileScheme();
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QTemporaryDir data;
  const std::string folder = data.path().toStdString() + "/";
  orvia::ini::WriteFileBytes(folder + orvia::kStringFileName, orvia::EnglishStringFileBytes());
  orvia::SetProgramFolderForTesting(folder);
  qputenv("ORVIA_TEST_DATA", QByteArray::fromStdString(folder));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
