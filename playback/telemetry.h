// The telemetry read-outs of the current second: the date and time, the
// acceleration peak on three axes and the map position, as the texts the main
// window shows. Plain functions of the recording index; the controller calls
// them when playback enters a new second.
#pragma once

#include <cstdint>
#include <string>

namespace orvia {

struct RecordingIndex;

// A Unix time broken down as UTC (the recorder's clock carries no zone).
struct RecordingDate {
  int year = 0;   // modulo 100
  int month = 0;  // 0..11
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};
RecordingDate BreakDownUtc(int64_t unixTime);

// Axis captions as the string file gives them (IDS_CAPTION_X, _Y, _Z).
struct AxisCaptions {
  std::string x = "X";
  std::string y = "Y";
  std::string z = "Z";
};

// The four labels: X, Y and Z values and the date-time text; and the speed
// read-out ("52 km/h"), empty for a second without a fix.
struct TelemetryTexts {
  std::string x, y, z;
  std::string time;
  std::string speed;
};

// caption + ": -1.250G" for -1250, caption + ":  0.980G" (two spaces) for 980.
std::string FormatAxis(const std::string& caption, int milliG);
// "20yy-mm-dd hh:mm:ss", month shown 1-based.
std::string FormatDateTime(const RecordingDate& date);
// "2026-12-07T08:30:00" for a time of the recorder's clock (no zone
// designator: the clock carries none); empty when it cannot be broken down.
std::string IsoTimeText(int64_t unixTime);
// Millionths of a degree as "%d.%06d", or "-%d.%06d" for a negative value.
std::string FormatCoordinate(int32_t e6);

// The texts of second `position`; the date is that second's breakdown.
TelemetryTexts TelemetryForSecond(const RecordingIndex& index, int position, const RecordingDate& date,
                                  const AxisCaptions& captions);
// One line under a printed picture: the date-time of second `position`,
// then, with a fix, its speed and position ("2026-12-07 08:35:50   52 km/h
//   37.550000, 126.966667").
std::string PictureCaption(const RecordingIndex& index, int position, const RecordingDate& date);
// A clip's caption of second `position`: the date-time, with a fix its
// speed, and the magnitude of the second's acceleration peak
// ("2026-12-07 08:36:24   42 km/h   1.02 g").
std::string ClipCaption(const RecordingIndex& index, int position, const RecordingDate& date);
// The labels after a list load: caption + ": " and an empty time.
TelemetryTexts ResetTelemetryTexts(const AxisCaptions& captions);

// Map position shown while no fix is known.
constexpr const char* kNoFixLatitude = "-34.397";
constexpr const char* kNoFixLongitude = "120.844";

// What the map is told on entering second `position`.
struct MapUpdate {
  bool move = false;  // false: leave the marker where it is
  std::string latitude, longitude;
};
// A fix moves the marker there. Without one: second 0, or a second whose
// previous second had a fix, leaves the marker; a second run of lost seconds
// sends the no-fix position.
MapUpdate MapUpdateForSecond(const RecordingIndex& index, int position);

}  // namespace orvia
