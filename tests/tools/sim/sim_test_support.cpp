#include "tests/tools/sim/sim_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace orvia::sim::testing {

namespace {

// Removes the folders made by the tests when the process ends; set
// ORVIA_KEEP_TEST_FILES to keep them for inspection.
class TempFolders {
 public:
  ~TempFolders() {
    if (std::getenv("ORVIA_KEEP_TEST_FILES")) return;
    std::error_code ec;
    for (const std::string& d : folders_) std::filesystem::remove_all(d, ec);
  }
  void Add(const std::string& d) { folders_.push_back(d); }

 private:
  std::vector<std::string> folders_;
};

TempFolders& Folders() {
  static TempFolders folders;
  return folders;
}

}  // namespace

std::string MakeTempFolder(const std::string& name) {
  const std::filesystem::path dir =
      std::filesystem::path(::testing::TempDir()) / ("orvia_sim_" + std::to_string(getpid()) + "_" + name);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir, ec);
  Folders().Add(dir.string());
  return dir.string();
}

const CardOptions& SmallCardOptions() {
  static const CardOptions options = [] {
    CardOptions o;
    o.root = MakeTempFolder("small_card");
    o.layout = "small";
    o.seconds = 3;
    o.seed = 7;
    return o;
  }();
  return options;
}

const CardReport& SmallCard() {
  static const CardReport report = MakeCard(SmallCardOptions());
  return report;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int RunCommand(const std::string& command, std::string* output) {
  output->clear();
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) output->append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvia::sim::testing
