// Running another program and collecting what it says: one runner for the
// whole program (the card format's tools, the benches' peers), built on
// posix_spawn with an environment made before the child exists, so that it
// is safe in a process with threads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orvia {

struct ProcessOptions {
  // NAME=VALUE entries that replace or join the current environment.
  std::vector<std::string> extraEnv;
  // At most this much of each output is kept; the rest is read and dropped,
  // so a talkative child never blocks on a full pipe.
  size_t outLimit = 1 << 16;
  size_t errLimit = 4096;
  // False: the child's output goes to /dev/null and is not read.
  bool capture = true;
};

struct ProcessRun {
  // The exit status; 128 + the signal's number when a signal ended it; 127
  // when it could not be started; -1 when no pipe could be made.
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs argv[0] (searched on PATH when it has no slash) with the arguments as
// given and standard input from /dev/null, and waits for it.
ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// The environment `extra` makes of `base`: every entry of `base` whose name
// `extra` does not set, then `extra` in its order.
std::vector<std::string> MergedEnvironment(const char* const* base, const std::vector<std::string>& extra);

}  // namespace orvia
