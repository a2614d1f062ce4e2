// Starting other programs from the command-line tools: the benches time
// whole processes, and orvia-cli hands the commands that need FFmpeg or Qt to
// its companion program.
#pragma once

#include <string>
#include <vector>

namespace orvia::cli {

// Runs a program (searched on PATH when it has no slash) with its output
// thrown away; true when it exited 0.
bool RunQuiet(const std::vector<std::string>& args);

// The folder of the running executable, with its trailing '/'.
std::string OwnFolder();

}  // namespace orvia::cli
