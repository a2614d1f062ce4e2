// Calendar time without time zones. The recorder counts its local wall time
// as if it were UTC, so Unix times here are wall times read as UTC.
#pragma once

#include <cstdint>
#include <string>

namespace orvia::sim {

struct CivilTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

int64_t ToUnix(const CivilTime& t);
CivilTime FromUnix(int64_t unixTime);
// "YYYY-MM-DD HH:MM:SS" (also with 'T' between date and time); false when
// malformed or out of range.
bool ParseCivilTime(const std::string& text, CivilTime& out);
std::string FormatDate(const CivilTime& t, const char* separator);  // YYYY?MM?DD
std::string FormatTime(const CivilTime& t, const char* separator);  // hh?mm?ss

}  // namespace orvia::sim
