#include "output/track_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "base/file_io.h"
#include "playback/telemetry.h"
#include "settings/setup_file.h"
#include "settings/time_zones.h"

namespace orvia {

namespace {

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "2026-12-07T08:30:00Z" in UTC when the zone is known, else the recorder's
// clock without a zone designator.
std::string TimeText(int64_t recorderTime, const TrackTimeZone& zone) {
  const int64_t t = zone.known ? recorderTime - int64_t{zone.utcOffsetMinutes} * 60 : recorderTime;
  const std::string text = IsoTimeText(t);
  return text.empty() || !zone.known ? text : text + "Z";
}

// Millionths of a degree as decimal degrees, exact ("-33.873200").
std::string Degrees(int32_t e6) {
  const int64_t v = e6;
  const int64_t magnitude = v < 0 ? -v : v;
  char text[32];
  std::snprintf(text, sizeof(text), "%s%lld.%06lld", v < 0 ? "-" : "",
                static_cast<long long>(magnitude / 1000000), static_cast<long long>(magnitude % 1000000));
  return text;
}

// Thousandths as a decimal with three places ("-1.250").
std::string Thousandths(int value) {
  const int magnitude = value < 0 ? -value : value;
  char text[24];
  std::snprintf(text, sizeof(text), "%s%d.%03d", value < 0 ? "-" : "", magnitude / 1000, magnitude % 1000);
  return text;
}

std::string KmhText(int16_t speedX10) {
  const int magnitude = speedX10 < 0 ? -speedX10 : speedX10;
  char text[24];
  std::snprintf(text, sizeof(text), "%s%d.%d", speedX10 < 0 ? "-" : "", magnitude / 10, magnitude % 10);
  return text;
}

// km/h times 10 in metres per second, three places.
std::string MetresPerSecond(int16_t speedX10) {
  char text[24];
  std::snprintf(text, sizeof(text), "%.3f", speedX10 / 36.0);
  return text;
}

std::string XmlEscaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters are not allowed in XML 1.0 text.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out.push_back(c);
    }
  }
  return out;
}

}  // namespace

RecordingTrack TrackFromIndex(const RecordingIndex& index, std::string name) {
  RecordingTrack track;
  track.name = std::move(name);
  const int count = std::clamp(index.secondCount, 0, kMaxSeconds);
  for (int i = 0; i < count; ++i) {
    TrackSecond s;
    s.unixTime = index.unixTime[i];
    s.peak = index.gPeak[i];
    if (const GpsFix* fix = index.gps[i].get()) {
      s.hasFix = true;
      s.latitude = fix->latitude;
      s.longitude = fix->longitude;
      s.speedX10 = fix->speed;
    }
    track.seconds.push_back(s);
  }
  return track;
}

bool LoadTrack(const std::string& path, RecordingTrack& out, std::string* error) {
  RecordingIndex index;
  RecordingFile file = OpenRecording(path, index);
  if (!file.IsOpen()) {
    if (error) *error = path + ": cannot be opened or is not an AVI recording";
    return false;
  }
  out = TrackFromIndex(index, FileName(path));
  return true;
}

void SortTracks(std::vector<RecordingTrack>& tracks) {
  auto first = [](const RecordingTrack& t) { return t.seconds.empty() ? int64_t{0} : t.seconds[0].unixTime; };
  std::stable_sort(tracks.begin(), tracks.end(), [&](const RecordingTrack& a, const RecordingTrack& b) {
    if (first(a) != first(b)) return first(a) < first(b);
    return a.name < b.name;
  });
}

void KeepSecondsWithin(std::vector<RecordingTrack>& tracks, int64_t from, int64_t to) {
  for (RecordingTrack& t : tracks) {
    std::erase_if(t.seconds, [&](const TrackSecond& s) { return s.unixTime < from || s.unixTime >= to; });
  }
  std::erase_if(tracks, [](const RecordingTrack& t) { return t.seconds.empty(); });
}

TrackTimeZone CardTimeZone(const std::string& cardRoot) {
  TrackTimeZone zone;
  std::error_code ec;
  if (cardRoot.empty() || !std::filesystem::is_regular_file(SetupDatPath(cardRoot), ec)) return zone;
  const SetupChoices choices = ReadSetupChoices(SetupDatPath(cardRoot));
  const std::string_view value = TimeZoneValue(choices.timeZone);
  if (value.empty()) return zone;
  // "+12.0" .. "-12.0", hours with the sign opposite to the offset; halves
  // and quarters exist ("-5.5", "-5.75").
  const std::string text(value);
  char* end = nullptr;
  const double hours = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return zone;
  zone.known = true;
  zone.utcOffsetMinutes = static_cast<int>(-hours * 60 + (hours > 0 ? -0.5 : 0.5));
  return zone;
}

bool TrackFormatFromName(std::string_view path, TrackFormat& format) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  std::string ext;
  for (char c : path.substr(dot + 1))
    ext.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
  if (ext == "gpx") {
    format = TrackFormat::kGpx;
  } else if (ext == "kml") {
    format = TrackFormat::kKml;
  } else if (ext == "csv") {
    format = TrackFormat::kCsv;
  } else {
    return false;
  }
  return true;
}

std::string GpxText(const std::vector<RecordingTrack>& tracks, const TrackTimeZone& zone) {
  std::string o;
  o += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  o += "<gpx version=\"1.1\" creator=\"Orvia\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n";
  o += "     xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n";
  for (const RecordingTrack& t : tracks) {
    o += "  <trk>\n    <name>" + XmlEscaped(t.name) + "</name>\n    <trkseg>\n";
    for (const TrackSecond& s : t.seconds) {
      if (!s.hasFix) continue;
      o += "      <trkpt lat=\"" + Degrees(s.latitude) + "\" lon=\"" + Degrees(s.longitude) + "\">";
      o += "<time>" + TimeText(s.unixTime, zone) + "</time>";
      // GPX 1.1 has no speed element; the usual extension carries it in m/s.
      o += "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>" + MetresPerSecond(s.speedX10) +
           "</gpxtpx:speed></gpxtpx:TrackPointExtension></extensions>";
      o += "</trkpt>\n";
    }
    o += "    </trkseg>\n  </trk>\n";
  }
  o += "</gpx>\n";
  return o;
}

std::string KmlText(const std::vector<RecordingTrack>& tracks, const TrackTimeZone& zone) {
  std::string o;
  o += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  o += "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n";
  o += "<Document>\n  <name>Orvia</name>\n";
  o += "  <Style id=\"route\"><LineStyle><color>ff0000ff</color><width>4</width></LineStyle></Style>\n";
  for (const RecordingTrack& t : tracks) {
    o += "  <Placemark>\n    <name>" + XmlEscaped(t.name) + "</name>\n    <styleUrl>#route</styleUrl>\n";
    // A track draws as a line through its points and keeps each point's time.
    o += "    <gx:Track>\n";
    for (const TrackSecond& s : t.seconds) {
      if (s.hasFix) o += "      <when>" + TimeText(s.unixTime, zone) + "</when>\n";
    }
    for (const TrackSecond& s : t.seconds) {
      if (s.hasFix)
        o += "      <gx:coord>" + Degrees(s.longitude) + " " + Degrees(s.latitude) + " 0</gx:coord>\n";
    }
    o += "    </gx:Track>\n  </Placemark>\n";
  }
  o += "</Document>\n</kml>\n";
  return o;
}

std::string CsvText(const std::vector<RecordingTrack>& tracks, const TrackTimeZone& zone) {
  std::string o = "time,latitude,longitude,speed_kmh,x_g,y_g,z_g\n";
  for (const RecordingTrack& t : tracks) {
    for (const TrackSecond& s : t.seconds) {
      o += TimeText(s.unixTime, zone) + ",";
      if (s.hasFix)
        o += Degrees(s.latitude) + "," + Degrees(s.longitude) + "," + KmhText(s.speedX10);
      else
        o += ",,";
      o += "," + Thousandths(s.peak.x) + "," + Thousandths(s.peak.y) + "," + Thousandths(s.peak.z) + "\n";
    }
  }
  return o;
}

std::string TrackText(TrackFormat format, const std::vector<RecordingTrack>& tracks,
                      const TrackTimeZone& zone) {
  switch (format) {
    case TrackFormat::kGpx:
      return GpxText(tracks, zone);
    case TrackFormat::kKml:
      return KmlText(tracks, zone);
    case TrackFormat::kCsv:
      return CsvText(tracks, zone);
  }
  return "";
}

bool WouldReplaceInput(const std::string& output, const std::vector<std::string>& inputs) {
  std::error_code ec;
  for (const std::string& in : inputs) {
    if (std::filesystem::equivalent(output, in, ec) && !ec) return true;
  }
  return false;
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes, std::string* error) {
  std::string why;
  if (WriteFileDurably(path, bytes, &why)) return true;
  if (error) *error = "cannot write " + path + ": " + why;
  return false;
}

}  // namespace orvia
