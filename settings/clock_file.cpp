#include "settings/clock_file.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

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
  std::error_code ec;
  std::filesystem::create_directories(ConfigFolder(cardRoot), ec);
  if (ec) return false;
  std::FILE* f = std::fopen(ClockFilePath(cardRoot).c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const bool closed = std::fclose(f) == 0;
  return written && closed;
}

}  // namespace orvia
