// The files of an evidence pack and how the pack proves itself: the
// SHA256SUMS list in the format `sha256sum -c` reads, and the check that a
// pack is still whole (every listed file there with its sum, nothing
// unlisted, each original recording still a recording). Plain logic, no Qt;
// orvia-cli verify runs it without loading FFmpeg or Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvia {

// The list of sums in a pack's top folder; the one file it does not list.
constexpr const char* kSumsFileName = "SHA256SUMS";

struct SumsEntry {
  std::string hex;   // 64 lower-case hexadecimal digits
  std::string path;  // relative to the pack, '/' between folders
};

// One line as sha256sum writes it: "<hex>  <path>\n". A name holding a
// backslash, a line feed or a carriage return is written as sha256sum
// writes it: the line starts with a backslash and those characters are
// escaped ("\\", "\n", "\r").
std::string SumsLine(const SumsEntry& entry);
// Reads one line (without its line feed) as `sha256sum -c` does, in text
// ("  ") or binary (" *") form. False for anything else, and for a path that
// is empty, absolute or climbs out of the pack ("..").
bool ParseSumsLine(std::string_view line, SumsEntry& out);

// Whether a pack's file is an original recording (an .avi file, any case).
bool IsRecordingFile(std::string_view path);

enum class PackProblem {
  kNoSums,        // SHA256SUMS is missing or unreadable
  kBadLine,       // a line of SHA256SUMS that is not a sum and a path
  kMissing,       // listed but not there (or not readable)
  kDiffers,       // there, but its SHA-256 is not the listed one
  kUnlisted,      // in the pack but not in SHA256SUMS
  kNotRecording,  // an original whose bytes match but that no longer reads as a recording
};
const char* PackProblemText(PackProblem problem);  // "differs", "missing", ...

struct PackFinding {
  PackProblem problem = PackProblem::kDiffers;
  std::string path;    // relative to the pack (the line number for kBadLine)
  std::string detail;  // why, when there is more to say
};

struct PackCheck {
  bool whole = false;  // every listed file matches, none is unlisted
  size_t filesChecked = 0;
  std::vector<PackFinding> findings;  // in the order of SHA256SUMS, then the unlisted ones
};

// Checks the pack in `folder`. `progress` (when given) gets each file's
// relative path before it is hashed.
PackCheck VerifyEvidencePack(const std::string& folder,
                             const std::function<void(const std::string&)>& progress = {});

// Every file below `folder` (not following symbolic links; links and
// special files count as files), relative to it with '/' between folders,
// sorted. False when the folder cannot be read.
bool ListPackFiles(const std::string& folder, std::vector<std::string>& out);

}  // namespace orvia
