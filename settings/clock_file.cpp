#include "settings/clock_file.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "base/file_io.h"

namespace orvia {

namespace {

bool Fits(int v, int lo, int hi) { return v >= lo && v <= hi; }

std::filesystem::path ConfigFolder(const std::string& cardRoot) {
  return std::filesystem::path(cardRoot) / "Config";
}

}  // namespace

ClockTime LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return ClockTime{};
  return ClockTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                   local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string FormatClockField(const ClockTime& t) {
  char text[80];
  const int n = std::snprintf(text, sizeof(text), "%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                              t.hour, t.minute, t.second);
  return n > 0 ? std::string(text, static_cast<size_t>(n)) : std::string();
}

std::string FormatClockFile(const ClockTime& t) {
  if (!Fits(t.year, 0, 9999) || !Fits(t.month, 0, 99) || !Fits(t.day, 0, 99) || !Fits(t.hour, 0, 99) ||
      !Fits(t.minute, 0, 99) || !Fits(t.second, 0, 99)) {
    return std::string();
  }
  char text[kClockFileBytes + 1];
  const int n = std::snprintf(text, sizeof(text), "%04d %02d %02d %02d %02d %02d", t.year, t.month, t.day,
                              t.hour, t.minute, t.second);
  if (n != kClockFileBytes) return std::string();
  return std::string(text, kClockFileBytes);
}

std::string ClockFilePath(const std::string& cardRoot) {
  return (ConfigFolder(cardRoot) / "time.bin").string();
}

bool WriteClockFile(const std::string& cardRoot, const ClockTime& t) {
  // An empty root is no card: the folder would land in the working folder.
  if (cardRoot.empty()) return false;
  const std::string text = FormatClockFile(t);
  if (text.empty()) return false;
  // The card root must still be there: a pulled card leaves an empty mount
  // point or nothing, and a clock file made there would be on no card. Only
  // Config itself is created, never the folders above it.
  std::error_code ec;
  if (!std::filesystem::is_directory(cardRoot, ec)) return false;
  const std::filesystem::path config = ConfigFolder(cardRoot);
  if (::mkdir(config.c_str(), 0777) != 0 && errno != EEXIST) return false;
  return WriteFileDurably(ClockFilePath(cardRoot), text);
}

}  // namespace orvia
