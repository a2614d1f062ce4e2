#include "tools/sim/civil_time.h"

#include <cstdio>

namespace orvia::sim {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

int64_t ToUnix(const CivilTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime FromUnix(int64_t unixTime) {
  int64_t days = unixTime / 86400;
  int64_t secs = unixTime % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  CivilTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(secs / 3600);
  t.minute = static_cast<int>(secs / 60 % 60);
  t.second = static_cast<int>(secs % 60);
  return t;
}

bool ParseCivilTime(const std::string& text, CivilTime& out) {
  CivilTime t;
  char sep = 0;
  int used = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &t.year, &t.month, &t.day, &sep, &t.hour,
                  &t.minute, &t.second, &used) != 7 ||
      static_cast<size_t>(used) != text.size() || (sep != ' ' && sep != 'T')) {
    return false;
  }
  if (t.year < 1970 || t.year > 2099 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59 || t.hour < 0 ||
      t.minute < 0 || t.second < 0) {
    return false;
  }
  out = t;
  return true;
}

std::string FormatDate(const CivilTime& t, const char* separator) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04d%s%02d%s%02d", t.year, separator, t.month, separator, t.day);
  return text;
}

std::string FormatTime(const CivilTime& t, const char* separator) {
  char text[32];
  std::snprintf(text, sizeof(text), "%02d%s%02d%s%02d", t.hour, separator, t.minute, separator, t.second);
  return text;
}

}  // namespace orvia::sim
