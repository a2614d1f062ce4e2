// The recorder's time zones: the fixed table of 31 zones of the settings
// page and the text stored for each in the GMT key of setup.dat. The stored
// value is the zone's offset from UTC in hours with the opposite sign ("-9.0"
// is UTC+09:00).
#pragma once

#include <string>
#include <string_view>

namespace orvia {

constexpr int kTimeZoneCount = 31;
// Position of the zone taken when setup.dat has no GMT key.
constexpr int kDefaultTimeZone = 26;
constexpr std::string_view kDefaultTimeZoneValue = "-9.0";

// The stored value of position `pos` ("+12.0" .. "-12.0"); empty out of range.
std::string_view TimeZoneValue(int pos);
// The full text: the value, a blank and the zone's description.
std::string_view TimeZoneFullText(int pos);
// What the list shows: the full text without the value and its blank.
std::string_view TimeZoneDisplayText(int pos);

// The position selected for a stored GMT text: the last entry whose full text
// contains `stored` anywhere; -1 when none does. (An empty text is contained
// in every entry and selects the last one.)
int TimeZoneFromStoredValue(std::string_view stored);

}  // namespace orvia
