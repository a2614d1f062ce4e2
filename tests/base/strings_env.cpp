#include "strings_env.h"

#include <gtest/gtest.h>

#include "base/ini_engine.h"
#include "base/localized_text.h"
#include "base/program_folder.h"
#include "tests/support/temp_dir.h"

namespace orvia::test {
namespace {

TempDir* g_folder = nullptr;

class StringFileEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_folder = new TempDir;
    SetProgramFolderForTesting(g_folder->path() + "/");
    ASSERT_TRUE(ini::WriteFileBytes(g_folder->path() + "/" + kStringFileName, EnglishStringFileBytes()));
  }
  void TearDown() override {
    delete g_folder;
    g_folder = nullptr;
  }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new StringFileEnvironment);

}  // namespace

const std::string& TestProgramFolder() {
  static std::string folder;
  folder = g_folder ? g_folder->path() + "/" : std::string();
  return folder;
}

}  // namespace orvia::test
