#include "library/card_range.h"

#include <algorithm>
#include <ctime>

namespace orvia {

namespace {

// The recorder writes the year as two digits after "20".
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

// The digits text[at, at + count) as a number; -1 when any is not a digit.
int Digits(const std::string& text, size_t at, size_t count) {
  int value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Where a recording begins on the recorder's clock and how many seconds it holds.
int64_t StartOf(const CardRecording& r) { return TimeInRecording(r, 0); }
int64_t LengthOf(const CardRecording& r) { return static_cast<int64_t>(r.telemetry.seconds.size()); }

}  // namespace

std::optional<int64_t> ParseLocalDateTime(const std::string& text) {
  // YYYY-MM-DDThh:mm:ss, nothing before or after.
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const int hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
      second > 59) {
    return std::nullopt;
  }
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  return static_cast<int64_t>(timegm(&parts));
}

RecordingRange RecordingsCovering(const std::vector<CardRecording>& recordings, int64_t from, int64_t to) {
  RecordingRange range;
  if (from >= to) return range;
  int64_t coveredTo = 0;  // the end of the last recording taken
  for (size_t i = 0; i < recordings.size(); ++i) {
    const CardRecording& r = recordings[i];
    const int64_t start = StartOf(r), end = start + LengthOf(r);
    if (end <= from || start >= to) continue;
    // One that lies wholly within the one before adds nothing to the clip.
    if (!range.recordings.empty() && end <= coveredTo) continue;
    range.recordings.push_back(i);
    coveredTo = std::max(coveredTo, end);
  }
  if (range.recordings.empty()) return range;
  const int64_t origin = StartOf(recordings[range.recordings.front()]);
  range.fromMs = std::max<int64_t>(0, from - origin) * 1000;
  range.toMs = (to - origin) * 1000;
  return range;
}

}  // namespace orvia
