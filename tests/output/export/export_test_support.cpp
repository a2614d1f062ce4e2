#include "tests/output/export/export_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

namespace orvia::exporttest {

namespace fs = std::filesystem;

int Shell(const std::string& command, std::string* output) {
  std::string text;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 4096> buf;
  for (size_t n; (n = fread(buf.data(), 1, buf.size(), pipe)) > 0;) text.append(buf.data(), n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

int Cli(const std::string& arguments, std::string* output) {
  return Shell(std::string(ORVIA_CLI) + " " + arguments, output);
}

std::string TempFolder(const std::string& name) {
  static const fs::path root = [] {
    const fs::path r = fs::temp_directory_path() / ("orvia_export_" + std::to_string(getpid()));
    std::atexit([] {
      std::error_code e;
      if (!std::getenv("ORVIA_KEEP_TEST_FILES")) fs::remove_all(root, e);
    });
    return r;
  }();
  std::error_code ec;
  fs::remove_all(root / name, ec);
  fs::create_directories(root / name, ec);
  return (root / name).string();
}

const std::string& CardRoot() {
  static const std::string root = [] {
    const std::string dir = TempFolder("card");
    std::string out;
    EXPECT_EQ(Cli("make-card " + Quote(dir) + " --layout small --seconds " + std::to_string(kSeconds) +
                      " --gps-loss 2:1 --quiet --jobs 2",
                  &out),
              0)
        << out;
    return dir;
  }();
  return root;
}

std::vector<std::string> Recordings() {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(CardRoot(), ec))
    if (e.path().extension() == ".avi") files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::string DrivingRecording(int which) {
  std::vector<std::string> driving;
  for (const std::string& f : Recordings())
    if (f.find("/Normal/") != std::string::npos) driving.push_back(f);
  return which < static_cast<int>(driving.size()) ? driving[which] : std::string();
}

std::vector<Fix> IndexFixes(const std::string& path) {
  RecordingIndex index;
  RecordingFile file = OpenRecording(path, index);
  std::vector<Fix> fixes;
  for (int i = 0; i < index.secondCount; ++i)
    if (const GpsFix* f = index.gps[i].get()) fixes.push_back({f->latitude, f->longitude, index.unixTime[i]});
  return fixes;
}

}  // namespace orvia::exporttest
