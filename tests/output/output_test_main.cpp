// The output tests run in one QApplication on the offscreen platform, with
// the English string file in a data folder of their own (the string reader's
// path is fixed at the first lookup).
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/ini_engine.h"
#include "app/profile_file.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir data;
  const std::string folder = data.path().toStdString() + "/";
  orvia::ini::WriteFileBytes(folder + orvia::kStringFileName, orvia::EnglishStringFileBytes());
  orvia::SetProgramFolderForTesting(folder);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
