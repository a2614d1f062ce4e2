// Export of the telemetry of recordings as evidence files: the GPS track as
// GPX 1.1 or KML, and the per-second G-sensor and GPS values as CSV. Several
// recordings go into one file, one track each, in time order.
//
// Times: the recorder stamps its records with its own wall clock, counted as
// UTC by the index. When the card's time zone is known the files carry true
// UTC ("...Z"); otherwise the recorder's clock is written without a zone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "playback/recording_index.h"

namespace orvia {

struct TrackSecond {
  int64_t unixTime = 0;  // the recorder's clock, seconds
  bool hasFix = false;
  int32_t latitude = 0;   // millionths of a degree
  int32_t longitude = 0;  // millionths of a degree
  int16_t speedX10 = 0;   // km/h times 10
  GPeak peak;             // thousandths of g
};

struct RecordingTrack {
  std::string name;  // the recording's file name, shown as the track's name
  std::vector<TrackSecond> seconds;
};

// One entry per second of the index.
RecordingTrack TrackFromIndex(const RecordingIndex& index, std::string name);
// Opens and indexes the recording at `path`; false with `error` when it is
// not a readable recording.
bool LoadTrack(const std::string& path, RecordingTrack& out, std::string* error);
// Time order: by the first second's time, then by name.
void SortTracks(std::vector<RecordingTrack>& tracks);
// Cuts the tracks to the seconds of [from, to) of the recorder's clock, for
// the files of a stretch of time rather than of whole recordings; a track
// left without seconds goes.
void KeepSecondsWithin(std::vector<RecordingTrack>& tracks, int64_t from, int64_t to);

struct TrackTimeZone {
  bool known = false;
  int utcOffsetMinutes = 0;  // local = UTC + offset
};
// The zone the card's Config/setup.dat names (its GMT key holds the offset
// with the opposite sign); unknown when the card has no settings file.
TrackTimeZone CardTimeZone(const std::string& cardRoot);

enum class TrackFormat { kGpx, kKml, kCsv };
// By the name's extension (any case); false for another one.
bool TrackFormatFromName(std::string_view path, TrackFormat& format);

std::string GpxText(const std::vector<RecordingTrack>& tracks, const TrackTimeZone& zone);
std::string KmlText(const std::vector<RecordingTrack>& tracks, const TrackTimeZone& zone);
// Header line, then one line per second: time, latitude, longitude, speed
// (km/h), X, Y, Z (g). Position and speed are empty without a fix.
std::string CsvText(const std::vector<RecordingTrack>& tracks, const TrackTimeZone& zone);
std::string TrackText(TrackFormat format, const std::vector<RecordingTrack>& tracks,
                      const TrackTimeZone& zone);

// True when `output` names one of the `inputs` (the same file by any path):
// an export must never replace the recording it was made from.
bool WouldReplaceInput(const std::string& output, const std::vector<std::string>& inputs);

// Writes `bytes` to a temporary file beside `path` and renames it over
// `path`, so that `path` is never half written. False with `error`.
bool WriteFileReplacing(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace orvia
