// The recorder's clock file, Config/time.bin: 19 ASCII bytes
// "YYYY MM DD hh mm ss" (no terminator, no line end) from which the recorder
// sets its clock.
#pragma once

#include <functional>
#include <string>

namespace orvia {

constexpr int kClockFileBytes = 19;

struct ClockTime {
  int year = 0;    // four digits
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
};

// Where the settings page takes "now" from; tests hand in a fixed time.
using LocalTimeSource = std::function<ClockTime()>;

// The PC's local time (not UTC), to the second.
ClockTime LocalTimeNow();

// The clock field of the settings page: "%d/%02d/%02d %02d:%02d:%02d".
std::string FormatClockField(const ClockTime& t);

// The 19-byte content for `t`, formatted "%04d %02d %02d %02d %02d %02d".
// Returns an empty string when a field does not fit its width (the file
// would not be 19 bytes).
std::string FormatClockFile(const ClockTime& t);

// The path of the clock file below `cardRoot` ("<root>/Config/time.bin").
std::string ClockFilePath(const std::string& cardRoot);

// Creates the Config folder below `cardRoot` when missing (never the root
// itself), then writes the 19 bytes as time.bin and flushes them to the
// card. Returns false when `cardRoot` is empty or no longer a folder (no
// card), when the folder or the file cannot be made or fully written (a
// read-only time.bin included), or when `t` cannot be formatted.
bool WriteClockFile(const std::string& cardRoot, const ClockTime& t);

}  // namespace orvia
