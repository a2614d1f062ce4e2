#include "playback/telemetry.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "playback/recording_index.h"
#include "playback/speed_scale.h"

namespace orvia {

std::string IsoTimeText(int64_t unixTime) {
  const time_t t = static_cast<time_t>(unixTime);
  struct tm parts {};
  if (gmtime_r(&t, &parts) == nullptr) return "";
  char text[40];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return text;
}

RecordingDate BreakDownUtc(int64_t unixTime) {
  RecordingDate d;
  const time_t t = static_cast<time_t>(unixTime);
  struct tm parts {};
  if (gmtime_r(&t, &parts) == nullptr) return d;
  d.year = parts.tm_year % 100;
  d.month = parts.tm_mon;
  d.day = parts.tm_mday;
  d.hour = parts.tm_hour;
  d.minute = parts.tm_min;
  d.second = parts.tm_sec;
  return d;
}

std::string FormatAxis(const std::string& caption, int milliG) {
  char text[32];
  if (milliG < 0) {
    const int magnitude = -milliG;
    std::snprintf(text, sizeof(text), ": -%d.%03dG", magnitude / 1000, magnitude % 1000);
  } else {
    std::snprintf(text, sizeof(text), ":  %d.%03dG", milliG / 1000, milliG % 1000);
  }
  return caption + text;
}

std::string FormatDateTime(const RecordingDate& date) {
  char text[64];
  std::snprintf(text, sizeof(text), "20%02d-%02d-%02d %02d:%02d:%02d", date.year, date.month + 1, date.day,
                date.hour, date.minute, date.second);
  return text;
}

std::string FormatCoordinate(int32_t e6) {
  char text[32];
  if (e6 < 0) {
    // Widened first: the most negative value has no positive int32.
    const int64_t magnitude = -static_cast<int64_t>(e6);
    std::snprintf(text, sizeof(text), "-%d.%06d", static_cast<int>(magnitude / 1000000),
                  static_cast<int>(magnitude % 1000000));
  } else {
    std::snprintf(text, sizeof(text), "%d.%06d", e6 / 1000000, e6 % 1000000);
  }
  return text;
}

TelemetryTexts TelemetryForSecond(const RecordingIndex& index, int position, const RecordingDate& date,
                                  const AxisCaptions& captions) {
  TelemetryTexts texts;
  GPeak peak;
  if (position >= 0 && position < kMaxSeconds) peak = index.gPeak[position];
  texts.x = FormatAxis(captions.x, peak.x);
  texts.y = FormatAxis(captions.y, peak.y);
  texts.z = FormatAxis(captions.z, peak.z);
  texts.time = FormatDateTime(date);
  if (position >= 0 && position < kMaxSeconds && index.gps[position])
    texts.speed = FormatSpeed(index.gps[position]->speed);
  return texts;
}

std::string PictureCaption(const RecordingIndex& index, int position, const RecordingDate& date) {
  std::string caption = FormatDateTime(date);
  if (position < 0 || position >= kMaxSeconds || !index.gps[position]) return caption;
  const GpsFix& fix = *index.gps[position];
  return caption + "   " + FormatSpeed(fix.speed) + "   " + FormatCoordinate(fix.latitude) + ", " +
         FormatCoordinate(fix.longitude);
}

std::string ClipCaption(const RecordingIndex& index, int position, const RecordingDate& date) {
  std::string caption = FormatDateTime(date);
  if (position < 0 || position >= kMaxSeconds) return caption;
  if (index.gps[position]) caption += "   " + FormatSpeed(index.gps[position]->speed);
  const GPeak& p = index.gPeak[position];
  const double g =
      std::hypot(static_cast<double>(p.x), static_cast<double>(p.y), static_cast<double>(p.z)) / 1000.0;
  char text[32];
  std::snprintf(text, sizeof(text), "   %.2f g", g);
  return caption + text;
}

TelemetryTexts ResetTelemetryTexts(const AxisCaptions& captions) {
  TelemetryTexts texts;
  texts.x = captions.x + ": ";
  texts.y = captions.y + ": ";
  texts.z = captions.z + ": ";
  return texts;
}

MapUpdate MapUpdateForSecond(const RecordingIndex& index, int position) {
  MapUpdate update;
  if (position < 0 || position >= kMaxSeconds) return update;
  if (const GpsFix* fix = index.gps[position].get()) {
    update.move = true;
    update.latitude = FormatCoordinate(fix->latitude);
    update.longitude = FormatCoordinate(fix->longitude);
    return update;
  }
  if (position > 0 && !index.gps[position - 1]) {
    update.move = true;
    update.latitude = kNoFixLatitude;
    update.longitude = kNoFixLongitude;
  }
  return update;
}

}  // namespace orvia
