// Shared helpers of the export tests: a simulated card written once per
// process, the index of a recording, and shell commands.
#pragma once

#include <string>
#include <vector>

#include "playback/recording_index.h"

namespace orvia::exporttest {

// A card of the small layout (five recordings of `kSeconds` seconds), the
// driving ones losing GPS in second 2, written once per process by
// orvia-cli make-card. Its recordings in play-list order.
constexpr int kSeconds = 6;
const std::string& CardRoot();
std::vector<std::string> Recordings();
std::string DrivingRecording(int which);  // 0 or 1: the two driving recordings

// A fresh folder below the test temporary folder.
std::string TempFolder(const std::string& name);

// Runs a shell command; returns its exit status and (stdout + stderr).
int Shell(const std::string& command, std::string* output);
std::string Quote(const std::string& s);

// The fixes of a recording's index: (second, latitude, longitude, speed).
struct Fix {
  int second;
  int32_t latitude, longitude;
  int16_t speed;
  int64_t unixTime;
};
std::vector<Fix> IndexFixes(const std::string& path, int* secondCount = nullptr);

}  // namespace orvia::exporttest
