// Shared helpers of the export tests: a simulated card written once per
// process, the fixes of a recording's index, and shell commands.
#pragma once

#include <string>
#include <vector>

#include "playback/recording_index.h"

namespace orvia::exporttest {

// A card of the small layout (five recordings of `kSeconds` seconds), the
// driving ones losing GPS in second 2, written once per process by
// orvia-cli make-card.
constexpr int kSeconds = 6;
const std::string& CardRoot();
std::vector<std::string> Recordings();    // sorted by path
std::string DrivingRecording(int which);  // 0 or 1: the two driving recordings

// A fresh folder below the test temporary folder, removed at exit.
std::string TempFolder(const std::string& name);

// Runs a shell command; returns its exit status and (stdout + stderr).
int Shell(const std::string& command, std::string* output);
std::string Quote(const std::string& s);
// Runs orvia-cli with `arguments`.
int Cli(const std::string& arguments, std::string* output);

// The fixes of a recording's index.
struct Fix {
  int32_t latitude, longitude;
  int64_t unixTime;
};
std::vector<Fix> IndexFixes(const std::string& path);

}  // namespace orvia::exporttest
