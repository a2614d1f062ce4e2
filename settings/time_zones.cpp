#include "settings/time_zones.h"

namespace orvia {

namespace {

// Full texts in list order; each begins with its stored value and a blank.
constexpr std::string_view kTimeZones[kTimeZoneCount] = {
    "+12.0 (GMT-12:00) Eniwetok, Kwajalein",
    "+11.0 (GMT-11:00) Midway Island, Samoa",
    "+10.0 (GMT-10:00) Hawaii",
    "+9.0 (GMT-09:00) Alaska",
    "+8.0 (GMT-08:00) Pacific Time (US & Canada), Tijuana",
    "+7.0 (GMT-07:00) Mountain Time (US & Canada), Arizona",
    "+6.0 (GMT-06:00) Central Time (US & Canada), Mexico City",
    "+5.0 (GMT-05:00) Eastern Time (US & Canada), Bogota, Lima, Quito",
    "+4.0 (GMT-04:00) Atlantic Time (Canada), Caracas, La Paz",
    "+3.5 (GMT-03:30) Newfoundland",
    "+3.0 (GMT-03:00) Brassila, Buenos Aires, Georgetown, Falkland Is",
    "+2.0 (GMT-02:00) Mid-Atlantic, Ascension Is, St. Helena",
    "+1.0 (GMT-01:00) Azores, Cape Verde Islands",
    "+0.0 (GMT+00:00) Casablanca, Dublin, Edinburgh, London, Lisbon",
    "-1.0 (GMT+01:00) Amsterdam, Berlin, Brussels, Madrid, Paris, Rome",
    "-2.0 (GMT+02:00) Cairo, Helsinki, Kaliningrad, South Africa",
    "-3.0 (GMT+03:00) Baghdad, Riyadh, Moscow, Nairobi",
    "-3.5 (GMT+03:30) Tehran",
    "-4.0 (GMT+04:00) Abu Dhabi, Baku, Muscat, Tbilisi",
    "-4.5 (GMT+04:30) Kabul",
    "-5.0 (GMT+05:00) Ekaterinburg, Islamabad, Karachi, Tashkent",
    "-5.5 (GMT+05:30) Bombay, Calcutta, Madras, New Delhi",
    "-6.0 (GMT+06:00) Almaty, Colombo, Dhaka, Novosibirsk",
    "-6.5 (GMT+06:30) Rangoon",
    "-7.0 (GMT+07:00) Bangkok, Hanoi, Jakarta",
    "-8.0 (GMT+08:00) Beijing, Hong Kong, Perth, Singapore, Taipei",
    "-9.0 (GMT+09:00) Osaka, Sapporo, Seoul, Tokyo, Yakutsk",
    "-9.5 (GMT+09:30) Adelaide, Darwin",
    "-10.0 (GMT+10:00) Canberra, Guam, Melbourne, Sydney, Vladivostok",
    "-11.0 (GMT+11:00) Magadan, New Caledonia, Solomon Islands",
    "-12.0 (GMT+12:00) Auckland, Welington, fiji, Marshall Island",
};

bool InRange(int pos) { return pos >= 0 && pos < kTimeZoneCount; }

}  // namespace

std::string_view TimeZoneFullText(int pos) { return InRange(pos) ? kTimeZones[pos] : std::string_view(); }

std::string_view TimeZoneValue(int pos) {
  const std::string_view full = TimeZoneFullText(pos);
  return full.substr(0, full.find(' '));
}

std::string_view TimeZoneDisplayText(int pos) {
  const std::string_view full = TimeZoneFullText(pos);
  if (full.empty()) return full;
  return full.substr(TimeZoneValue(pos).size() + 1);
}

int TimeZoneFromStoredValue(std::string_view stored) {
  int found = -1;
  for (int pos = 0; pos < kTimeZoneCount; ++pos) {
    if (kTimeZones[pos].find(stored) != std::string_view::npos) found = pos;
  }
  return found;
}

}  // namespace orvia
