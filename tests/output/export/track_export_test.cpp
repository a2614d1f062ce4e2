// GPX, KML and CSV written by orvia-cli export, read back by an independent
// reader (gpsbabel): exactly the fixes the index holds, in time order across
// recordings, with the card's time zone taken out of the times.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "library/card_root.h"
#include "output/track_export.h"
#include "tests/output/export/export_test_support.h"

namespace orvia::exporttest {
namespace {

// `text` split at `sep`, carriage returns dropped; empty lines are left out.
std::vector<std::string> Split(const std::string& text, char sep = ',') {
  std::vector<std::string> out;
  std::istringstream in(text + (sep == ',' ? "," : ""));
  for (std::string part; std::getline(in, part, sep);) {
    if (!part.empty() && part.back() == '\r') part.pop_back();
    if (!part.empty() || sep == ',') out.push_back(part);
  }
  return out;
}

std::string Format(const char* format, double value) {
  char t[32];
  std::snprintf(t, sizeof t, format, value);
  return t;
}

// gpsbabel's "YYYY/MM/DD,hh:mm:ss" of a recorder time on a card whose zone
// is UTC+09:00 (the default setup.dat's GMT=-9.0).
std::string UtcText(int64_t recorderTime) {
  const time_t t = static_cast<time_t>(recorderTime - 9 * 3600);
  struct tm p {};
  gmtime_r(&t, &p);
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d,%H:%M:%S", &p);
  return text;
}

// Both driving recordings, named latest first: the file holds them in time
// order, each without its lost second.
TEST(TrackExport, GpxAndKmlReadBackWithExactlyTheIndexFixes) {
  if (Shell("command -v gpsbabel", nullptr) != 0)
    FAIL() << "gpsbabel is missing (script/bootstrap installs it)";
  const std::string a = DrivingRecording(0), b = DrivingRecording(1);
  std::vector<Fix> fixes = IndexFixes(a);
  const std::vector<Fix> later = IndexFixes(b);
  ASSERT_EQ(fixes.size(), static_cast<size_t>(kSeconds - 1));  // second 2 has no fix
  fixes.insert(fixes.end(), later.begin(), later.end());

  const std::string dir = TempFolder("tracks");
  for (const std::string format : {"gpx", "kml"}) {
    SCOPED_TRACE(format);
    const std::string out = dir + "/route." + format;
    std::string text;
    ASSERT_EQ(Cli("export " + Quote(b) + " " + Quote(a) + " --" + format + " " + Quote(out), &text), 0)
        << text;
    ASSERT_EQ(Shell("gpsbabel -t -i " + format + " -f " + Quote(out) + " -o unicsv -F -", &text), 0) << text;
    const std::vector<std::string> rows = Split(text, '\n');
    ASSERT_EQ(rows.size(), fixes.size() + 1) << text;
    const std::vector<std::string> head = Split(rows[0]);
    const size_t date = std::find(head.begin(), head.end(), "Date") - head.begin();
    for (size_t i = 0; i < fixes.size(); ++i) {
      const std::vector<std::string> f = Split(rows[i + 1]);
      ASSERT_GT(f.size(), date + 1) << rows[i + 1];
      EXPECT_EQ(f[1] + " " + f[2] + " " + f[date] + "," + f[date + 1],
                Format("%.6f", fixes[i].latitude / 1e6) + " " + Format("%.6f", fixes[i].longitude / 1e6) +
                    " " + UtcText(fixes[i].unixTime))
          << "point " << i;
    }
  }
  // No temporary file is left beside the outputs.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

TEST(TrackExport, CsvHasOneRowPerSecondWithEmptyPositionWithoutFix) {
  const std::string a = DrivingRecording(0);
  const std::string out = TempFolder("csv") + "/sensor.csv";
  std::string text;
  ASSERT_EQ(Cli("export " + Quote(a) + " --csv " + Quote(out), &text), 0) << text;
  std::ifstream in(out, std::ios::binary);
  const std::vector<std::string> rows = Split(std::string(std::istreambuf_iterator<char>(in), {}), '\n');
  ASSERT_EQ(rows.size(), static_cast<size_t>(kSeconds + 1));
  EXPECT_EQ(rows[0], "time,latitude,longitude,speed_kmh,x_g,y_g,z_g");
  RecordingIndex index;
  RecordingFile file = OpenRecording(a, index);
  ASSERT_EQ(index.secondCount, kSeconds);
  for (int s = 0; s < kSeconds; ++s) {
    const std::vector<std::string> f = Split(rows[s + 1]);
    ASSERT_EQ(f.size(), 7u) << rows[s + 1];
    const GpsFix* fix = index.gps[s].get();
    EXPECT_EQ(f[1] + " " + f[2] + " " + f[3], fix ? Format("%.6f", fix->latitude / 1e6) + " " +
                                                        Format("%.6f", fix->longitude / 1e6) + " " +
                                                        Format("%.1f", fix->speed / 10.0)
                                                  : "  ")
        << "second " << s;
    EXPECT_EQ(f[6], Format("%.3f", index.gPeak[s].z / 1000.0)) << "second " << s;
  }
}

TEST(TrackExport, BadInputIsRefusedAndNothingIsWritten) {
  const std::string dir = TempFolder("bad");
  std::ofstream(dir + "/junk.avi") << "not a recording";
  std::string text;
  EXPECT_EQ(Cli("export " + Quote(dir + "/junk.avi") + " --gpx " + Quote(dir + "/x.gpx"), &text), 2);
  EXPECT_NE(text.find("junk.avi: cannot be opened or is not an AVI recording"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(dir + "/x.gpx"));
  // Never over the recording itself, by whatever name.
  const std::filesystem::path recording = DrivingRecording(0);
  const auto before = std::filesystem::file_size(recording);
  const std::string sameFile = recording.parent_path().string() + "/./" + recording.filename().string();
  EXPECT_EQ(Cli("export " + Quote(recording) + " --csv " + Quote(sameFile), &text), 2);
  EXPECT_EQ(std::filesystem::file_size(recording), before);
  // A folder that cannot be written: a failure, not a half-written file.
  EXPECT_EQ(Cli("export " + Quote(recording) + " --kml " + Quote(dir + "/missing/x.kml"), &text), 1);
  EXPECT_NE(text.find("cannot create a file beside"), std::string::npos) << text;
}

// A stretch of the clock cut out of two recordings: the seconds of
// [from, to) stay, in order, and a recording with none left goes.
TEST(TrackExport, KeepSecondsWithinCutsToTheRangeAndDropsEmptyTracks) {
  auto track = [](const char* name, int64_t first, int count) {
    RecordingTrack t{name, {}};
    for (int i = 0; i < count; ++i) {
      TrackSecond s;
      s.unixTime = first + i;
      t.seconds.push_back(s);
    }
    return t;
  };
  std::vector<RecordingTrack> tracks = {track("a", 100, 60), track("b", 160, 60), track("c", 220, 60)};
  KeepSecondsWithin(tracks, 150, 170);
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(tracks[0].name, "a");
  ASSERT_EQ(tracks[0].seconds.size(), 10u);
  EXPECT_EQ(tracks[0].seconds.front().unixTime, 150);
  ASSERT_EQ(tracks[1].seconds.size(), 10u);
  EXPECT_EQ(tracks[1].seconds.back().unixTime, 169);
}

TEST(TrackExport, CardTimeZoneFollowsTheSettingsFile) {
  EXPECT_EQ(CardTimeZone(CardRoot()).utcOffsetMinutes, 9 * 60);
  EXPECT_TRUE(CardTimeZone(CardRoot()).known);
  EXPECT_EQ(CardRootOfRecording(DrivingRecording(0)), std::filesystem::path(CardRoot()).string());
  EXPECT_FALSE(CardTimeZone(TempFolder("nocard")).known);
  // Without a zone the recorder's clock is written as it is, without "Z".
  RecordingTrack t;
  t.name = "a&b";
  t.seconds.push_back({1800000000, true, -33873200, 151206300, 123, {}});
  const std::string gpx = GpxText({t}, TrackTimeZone{});
  EXPECT_NE(gpx.find("<time>2027-01-15T08:00:00</time>"), std::string::npos) << gpx;
  EXPECT_NE(gpx.find("lat=\"-33.873200\" lon=\"151.206300\""), std::string::npos) << gpx;
  EXPECT_NE(gpx.find("<name>a&amp;b</name>"), std::string::npos) << gpx;
}

}  // namespace
}  // namespace orvia::exporttest
