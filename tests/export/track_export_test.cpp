// GPX, KML and CSV written by orvia-cli export, read back by an independent
// reader (gpsbabel): exactly the fixes the index holds, in time order across
// recordings, with the card's time zone taken out of the times.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/track_export.h"
#include "tests/export/export_test_support.h"

namespace orvia::exporttest {
namespace {

// Non-empty lines split at `sep`, carriage returns dropped.
std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, sep);) {
    if (!part.empty() && part.back() == '\r') part.pop_back();
    if (!part.empty() || sep == ',') out.push_back(part);
  }
  if (sep == ',' && !text.empty() && text.back() == ',') out.push_back("");
  return out;
}
std::vector<std::string> Lines(const std::string& text) { return Split(text, '\n'); }
std::vector<std::string> Split(const std::string& line) { return Split(line, ','); }

std::string Degrees(int32_t e6) {
  char t[32];
  std::snprintf(t, sizeof t, "%.6f", e6 / 1e6);
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

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Both driving recordings, named latest first: the file holds them in time
// order, each without its lost second.
TEST(TrackExport, GpxAndKmlReadBackWithExactlyTheIndexFixes) {
  if (Shell("command -v gpsbabel", nullptr) != 0) GTEST_SKIP() << "gpsbabel not installed";
  const std::string a = DrivingRecording(0), b = DrivingRecording(1);
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  std::vector<Fix> fixes = IndexFixes(a);
  const std::vector<Fix> later = IndexFixes(b);
  ASSERT_EQ(fixes.size(), static_cast<size_t>(kSeconds - 1));  // second 2 has no fix
  fixes.insert(fixes.end(), later.begin(), later.end());

  const std::string dir = TempFolder("tracks");
  for (const char* format : {"gpx", "kml"}) {
    SCOPED_TRACE(format);
    const std::string out = dir + "/route." + format;
    std::string text;
    ASSERT_EQ(Shell(std::string(ORVIA_CLI) + " export " + Quote(b) + " " + Quote(a) + " --" + format + " " +
                        Quote(out),
                    &text),
              0)
        << text;
    ASSERT_EQ(Shell("gpsbabel -t -i " + std::string(format) + " -f " + Quote(out) + " -o unicsv -F -", &text),
              0)
        << text;
    const std::vector<std::string> rows = Lines(text);
    ASSERT_EQ(rows.size(), fixes.size() + 1) << text;
    const std::vector<std::string> head = Split(rows[0]);
    const int date = static_cast<int>(std::find(head.begin(), head.end(), "Date") - head.begin());
    for (size_t i = 0; i < fixes.size(); ++i) {
      const std::vector<std::string> f = Split(rows[i + 1]);
      ASSERT_GT(f.size(), static_cast<size_t>(date + 1)) << rows[i + 1];
      EXPECT_EQ(f[1], Degrees(fixes[i].latitude)) << "point " << i;
      EXPECT_EQ(f[2], Degrees(fixes[i].longitude)) << "point " << i;
      EXPECT_EQ(f[date] + "," + f[date + 1], UtcText(fixes[i].unixTime)) << "point " << i;
    }
  }
  // No temporary file is left beside the outputs.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 2);
}

TEST(TrackExport, CsvHasOneRowPerSecondWithEmptyPositionWithoutFix) {
  const std::string a = DrivingRecording(0);
  int seconds = 0;
  IndexFixes(a, &seconds);
  ASSERT_EQ(seconds, kSeconds);
  const std::string out = TempFolder("csv") + "/sensor.csv";
  std::string text;
  ASSERT_EQ(Shell(std::string(ORVIA_CLI) + " export " + Quote(a) + " --csv " + Quote(out), &text), 0) << text;
  const std::vector<std::string> rows = Lines(ReadAll(out));
  ASSERT_EQ(rows.size(), static_cast<size_t>(seconds + 1));
  EXPECT_EQ(rows[0], "time,latitude,longitude,speed_kmh,x_g,y_g,z_g");
  RecordingIndex index;
  RecordingFile file = OpenRecording(a, index);
  for (int s = 0; s < seconds; ++s) {
    const std::vector<std::string> f = Split(rows[s + 1]);
    ASSERT_EQ(f.size(), 7u) << rows[s + 1];
    if (const GpsFix* fix = index.gps[s].get()) {
      EXPECT_EQ(f[1], Degrees(fix->latitude));
      EXPECT_EQ(f[3], std::to_string(fix->speed / 10) + "." + std::to_string(fix->speed % 10));
    } else {
      EXPECT_EQ(f[1] + f[2] + f[3], "") << "second " << s;
    }
    char z[16];
    std::snprintf(z, sizeof z, "%.3f", index.gPeak[s].z / 1000.0);
    EXPECT_EQ(f[6], z) << "second " << s;
  }
}

TEST(TrackExport, BadInputIsRefusedAndNothingIsWritten) {
  const std::string dir = TempFolder("bad");
  const std::string junk = dir + "/junk.avi";
  std::ofstream(junk) << "not a recording";
  std::string text;
  EXPECT_EQ(
      Shell(std::string(ORVIA_CLI) + " export " + Quote(junk) + " --gpx " + Quote(dir + "/x.gpx"), &text), 2);
  EXPECT_NE(text.find("junk.avi: cannot be opened or is not an AVI recording"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(dir + "/x.gpx"));
  // Never over the recording itself, by whatever name.
  const std::string recording = DrivingRecording(0);
  const auto before = std::filesystem::file_size(recording);
  EXPECT_EQ(Shell(std::string(ORVIA_CLI) + " export " + Quote(recording) + " --csv " +
                      Quote(std::filesystem::path(recording).parent_path().string() + "/./" +
                            std::filesystem::path(recording).filename().string()),
                  &text),
            2);
  EXPECT_EQ(std::filesystem::file_size(recording), before);
  // A folder that cannot be written: a failure, not a half-written file.
  EXPECT_EQ(Shell(std::string(ORVIA_CLI) + " export " + Quote(DrivingRecording(0)) + " --kml " +
                      Quote(dir + "/missing/x.kml"),
                  &text),
            1);
  EXPECT_NE(text.find("cannot create a file beside"), std::string::npos) << text;
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
