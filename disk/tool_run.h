// Runs the file-system programs (mkfs.fat, mtools, umount) and collects
// what they say. Plain logic, no Qt; blocks.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orvia::format {

// Result of running a program.
struct ToolRun {
  int exitCode = -1;  // 127 when it could not be started
  std::string out;
  std::string err;
};

// Runs argv[0] (searched on PATH) with the arguments as given, stdin from
// /dev/null, the extra environment entries added. Keeps at most `outLimit`
// bytes of standard output but drains all of it.
ToolRun RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                size_t outLimit = 1 << 16);

// The environment of the mtools programs: no user configuration, no check of
// the disk geometry (cards and images rarely match a floppy's), and the C
// locale for the messages.
const std::vector<std::string>& MtoolsEnv();

}  // namespace orvia::format
