// Snapshot names that never replace an earlier snapshot. Two captures of the
// same second would otherwise get the same names; the later pair then takes a
// number before the extension: [Front]2012-05-03-142501-2.bmp, -3, ...
// Plain logic; the file system is asked through a callback.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvia {

// Highest number tried; past it the capture writes nothing.
constexpr int kMaxSnapshotNumber = 9999;

// `path` with "-n" put before its extension (the last '.' of the file name);
// a name without an extension takes it at the end. n of 1 or less gives the
// path unchanged.
std::string NumberedSnapshotPath(std::string_view path, int n);

// True when a file (or anything else) exists at the path.
using PathExists = std::function<bool(const std::string& path)>;
bool PathExistsOnDisk(const std::string& path);

// The smallest number (1 = the plain names, then 2, 3, ...) for which none of
// `paths` exists with that number, so the front and rear pictures of one
// capture keep one number. 0 when every number up to kMaxSnapshotNumber is
// taken.
int FreeSnapshotNumber(const std::vector<std::string>& paths, const PathExists& exists = PathExistsOnDisk);

}  // namespace orvia
