// Shared helpers of the simulator tests: a card written once per test
// process into a private temporary folder, and small file readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/card_maker.h"

namespace orvia::sim::testing {

// A fresh, empty folder below the test temporary folder, removed when the
// process ends (kept when ORVIA_KEEP_TEST_FILES is set).
std::string MakeTempFolder(const std::string& name);

// The small layout (five recordings of three seconds, every mode), written
// once per process with `seed` and cached; later calls return the same card.
const CardReport& SmallCard();
const CardOptions& SmallCardOptions();

// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// Runs a shell command, returns its exit status and (stdout + stderr) text.
int RunCommand(const std::string& command, std::string* output);

}  // namespace orvia::sim::testing
