// The system's mount table (/proc/self/mountinfo): one parser for the card
// search and for the format's safety checks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvia {

// One line of a mountinfo file, with the escapes (\040 and the like) decoded.
struct MountEntry {
  std::string mountPoint;  // absolute path, "/" for the root
  std::string source;      // device or source text, e.g. "/dev/mmcblk0p1"
  std::string fsType;      // e.g. "vfat"
  unsigned major = 0;      // device number of the mounted file system
  unsigned minor = 0;
};

// Decodes the octal escapes the kernel writes for space, tab, newline and
// backslash (\040, \011, \012, \134): a backslash and exactly three octal
// digits of a value up to 0377; other text is kept as it is.
std::string UnescapeMountField(std::string_view field);

// The entries of a mountinfo text, in file order: id, parent, major:minor,
// root, mount point, options, optional fields up to "-", then type, source
// and super options. Malformed lines (too few fields, no "-", no device
// number, a mount point that is not absolute) are passed over.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Largest mount table read; longer files are cut at a line end.
constexpr size_t kMaxMountInfoBytes = 4 * 1024 * 1024;

// Reads and parses a mountinfo file. False when it cannot be read.
bool ReadMountTable(const std::string& path, std::vector<MountEntry>* out);

}  // namespace orvia
