#include "library/mount_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace orvia {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size()) break;
    size_t end = line.find(' ', pos);
    if (end == std::string_view::npos) end = line.size();
    fields.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return fields;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// "major:minor" in decimal, each below 2^32.
bool ParseDeviceNumber(std::string_view text, unsigned* major, unsigned* minor) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  auto number = [](std::string_view digits, unsigned* out) {
    if (digits.empty() || digits.size() > 10) return false;
    unsigned long long v = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return false;
    *out = static_cast<unsigned>(v);
    return true;
  };
  return number(text.substr(0, colon), major) && number(text.substr(colon + 1), minor);
}

}  // namespace

std::string UnescapeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      if (value <= 0xFF) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> fields = SplitFields(text.substr(pos, end - pos));
    pos = end + 1;
    if (fields.size() < 9) continue;
    size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (dash + 2 >= fields.size()) continue;
    MountEntry e{UnescapeMountField(fields[4]), UnescapeMountField(fields[dash + 2]),
                 UnescapeMountField(fields[dash + 1])};
    if (!ParseDeviceNumber(fields[2], &e.major, &e.minor)) continue;
    if (e.mountPoint.empty() || e.mountPoint[0] != '/') continue;
    mounts.push_back(std::move(e));
  }
  return mounts;
}

bool ReadMountTable(const std::string& path, std::vector<MountEntry>* out) {
  out->clear();
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  // The kernel's table reports a size of 0, so the read is bounded by a cap
  // rather than by the size.
  std::string text;
  char block[16384];
  bool ok = true;
  while (text.size() < kMaxMountInfoBytes) {
    const size_t want = std::min(sizeof block, kMaxMountInfoBytes - text.size());
    const ssize_t got = read(fd, block, want);
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    text.append(block, static_cast<size_t>(got));
  }
  close(fd);
  if (!ok) return false;
  if (text.size() >= kMaxMountInfoBytes) {
    const size_t lastLine = text.rfind('\n');
    text.resize(lastLine == std::string::npos ? 0 : lastLine + 1);
  }
  *out = ParseMountInfo(text);
  return true;
}

}  // namespace orvia
