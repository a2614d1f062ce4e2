#include "output/evidence_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/file_io.h"
#include "base/sha256.h"
#include "playback/recording_index.h"

namespace orvia {
namespace {

// A list of sums larger than this is not one a pack of this program holds.
constexpr size_t kMaxSumsBytes = size_t{4} << 20;

bool IsHex64(std::string_view s) {
  if (s.size() != 64) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  });
}

// sha256sum's escapes of a name: backslash, line feed, carriage return.
bool Unescape(std::string_view in, std::string& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      out.push_back(in[i]);
      continue;
    }
    if (++i == in.size()) return false;
    if (in[i] == '\\') {
      out.push_back('\\');
    } else if (in[i] == 'n') {
      out.push_back('\n');
    } else if (in[i] == 'r') {
      out.push_back('\r');
    } else {
      return false;
    }
  }
  return true;
}

// A path that stays inside the pack: relative, no empty, "." or ".." name
// between its slashes.
bool StaysInside(const std::string& path) {
  if (path.empty() || path[0] == '/') return false;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string_view name(path.data() + start, end - start);
    if (name.empty() || name == "." || name == "..") return false;
    start = end + 1;
  }
  return true;
}

bool ReadsAsRecording(const std::string& path) {
  RecordingIndex index;
  const RecordingFile file = OpenRecording(path, index);
  return file.IsOpen() && index.secondCount > 0;
}

// Hashes one listed file of the pack and says what is wrong with it, if
// anything.
void CheckListed(const std::string& folder, const SumsEntry& e, PackCheck& check) {
  const std::string full = folder + "/" + e.path;
  struct stat st {};
  if (::lstat(full.c_str(), &st) != 0) {
    check.findings.push_back({PackProblem::kMissing, e.path, ""});
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    check.findings.push_back({PackProblem::kDiffers, e.path, "not a regular file"});
    return;
  }
  const FileDigest d = Sha256OfFile(full);
  if (!d.ok) {
    check.findings.push_back({PackProblem::kMissing, e.path, d.error});
  } else if (d.hex != e.hex) {
    check.findings.push_back({PackProblem::kDiffers, e.path, "SHA-256 " + d.hex + ", listed " + e.hex});
  } else if (IsRecordingFile(e.path) && !ReadsAsRecording(full)) {
    check.findings.push_back({PackProblem::kNotRecording, e.path, ""});
  }
}

}  // namespace

std::string SumsLine(const SumsEntry& entry) {
  std::string name;
  bool escaped = false;
  for (char c : entry.path) {
    if (c == '\\' || c == '\n' || c == '\r') {
      escaped = true;
      name += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : "\\r";
    } else {
      name.push_back(c);
    }
  }
  return (escaped ? "\\" : "") + entry.hex + "  " + name + "\n";
}

bool ParseSumsLine(std::string_view line, SumsEntry& out) {
  const bool escaped = !line.empty() && line[0] == '\\';
  if (escaped) line.remove_prefix(1);
  if (line.size() < 67 || !IsHex64(line.substr(0, 64)) || line[64] != ' ' ||
      (line[65] != ' ' && line[65] != '*'))
    return false;
  std::string path;
  if (escaped) {
    if (!Unescape(line.substr(66), path)) return false;
  } else {
    path.assign(line.substr(66));
  }
  if (!StaysInside(path)) return false;
  out.hex.assign(line.substr(0, 64));
  for (char& c : out.hex) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
  out.path = std::move(path);
  return true;
}

bool IsRecordingFile(std::string_view path) {
  if (path.size() < 4) return false;
  std::string ext(path.substr(path.size() - 4));
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".avi";
}

const char* PackProblemText(PackProblem problem) {
  switch (problem) {
    case PackProblem::kNoSums:
      return "no list of sums";
    case PackProblem::kBadLine:
      return "not a line of sha256sum";
    case PackProblem::kMissing:
      return "missing";
    case PackProblem::kDiffers:
      return "differs";
    case PackProblem::kUnlisted:
      return "not listed";
    case PackProblem::kNotRecording:
      return "no longer reads as a recording";
  }
  return "differs";
}

bool ListPackFiles(const std::string& folder, std::vector<std::string>& out) {
  namespace fs = std::filesystem;
  out.clear();
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, ec), end;
  if (ec) return false;
  for (; it != end; it.increment(ec)) {
    if (ec) return false;
    if (it->is_directory(ec) && !it->is_symlink(ec)) continue;
    out.push_back(it->path().lexically_relative(folder).generic_string());
  }
  std::sort(out.begin(), out.end());
  return !ec;
}

PackCheck VerifyEvidencePack(const std::string& folder,
                             const std::function<void(const std::string&)>& progress) {
  PackCheck check;
  const ReadResult sums = ReadRegularFile(folder + "/" + kSumsFileName, kMaxSumsBytes);
  if (sums.status != ReadStatus::kOk) {
    check.findings.push_back({PackProblem::kNoSums, kSumsFileName, ReadStatusText(sums.status)});
    return check;
  }
  std::set<std::string> listed;
  std::string_view text = sums.bytes;
  for (size_t number = 1; !text.empty(); ++number) {
    const size_t feed = text.find('\n');
    const std::string_view line = text.substr(0, feed);
    text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
    SumsEntry e;
    if (!ParseSumsLine(line, e) || !listed.insert(e.path).second || e.path == kSumsFileName) {
      check.findings.push_back({PackProblem::kBadLine, "line " + std::to_string(number), std::string(line)});
      continue;
    }
    if (progress) progress(e.path);
    ++check.filesChecked;
    CheckListed(folder, e, check);
  }
  std::vector<std::string> present;
  if (!ListPackFiles(folder, present)) {
    check.findings.push_back({PackProblem::kMissing, ".", "the pack's folder cannot be read"});
  }
  for (const std::string& p : present) {
    if (p != kSumsFileName && !listed.count(p)) check.findings.push_back({PackProblem::kUnlisted, p, ""});
  }
  check.whole = check.findings.empty();
  return check;
}

}  // namespace orvia
