// Clips over several recordings: the recordings that cover a stretch of the
// clock, one clip across a join (the recorder's pictures unchanged, from
// both files and in order, timestamps and sound running straight on, a
// caption per second), and a clip that stops at a join it cannot make.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>
#include <tuple>

#include "library/card_range.h"
#include "output/clip_export.h"
#include "playback/telemetry.h"
#include "tests/output/export/export_test_support.h"
#include "tools/sim/civil_time.h"
#include "tools/sim/recording_writer.h"

namespace orvia::exporttest {
namespace {

constexpr int kLength = 12;     // seconds of each recording of the drive
constexpr int kLeadInMs = 300;  // each begins this far into its first second, as the recorder cuts files
constexpr double kPictureS = 1.0 / 15;

// Recordings written once per process by the simulator: two that follow
// each other (`first`, `second`), one beginning 20 s after the second ends
// (`afterGap`) and one that follows the first with smaller front pictures.
struct Drive {
  int64_t start = 0;  // the first's second 0 on the recorder's clock
  std::string first, second, afterGap, smaller;
  sim::RecordingReport secondReport;
};

const Drive& TestDrive() {
  static const Drive drive = [] {
    Drive d;
    const std::string dir = TempFolder("drive");
    static const sim::Route route(sim::Hemisphere::kNorthEast);
    static const sim::Trip trip = sim::MakeTrip(7, 3 * kLength + 30, -1, route);
    d.start = sim::ToUnix({2026, 12, 7, 8, 30, 0});
    const auto plan = [&](const std::string& folder, int offset, int seconds) {
      sim::RecordingPlan p;
      const sim::CivilTime t = sim::FromUnix(d.start + offset);
      p.path = dir + "/" + folder + "/mdr_" + sim::FormatDate(t, "") + "_" + sim::FormatTime(t, "") + ".avi";
      p.startUnix = d.start + offset;
      p.seconds = seconds;
      p.seed = 11 + offset;
      p.route = &route;
      p.trip = &trip;
      p.tripTick = offset * sim::kMotionPerSecond;
      p.leadInMs = kLeadInMs;
      return p;
    };
    std::vector<sim::RecordingPlan> plans = {plan("a", 0, kLength), plan("a", kLength, kLength),
                                             plan("a", 2 * kLength + 20, 4), plan("b", kLength, 4)};
    plans[3].frontWidth = 640;
    plans[3].frontHeight = 360;
    std::vector<sim::RecordingReport> reports(plans.size());
    for (const auto& p : plans)
      std::filesystem::create_directories(std::filesystem::path(p.path).parent_path());
    std::thread other([&] { reports[0] = sim::WriteRecording(plans[0]); });
    for (size_t i = 1; i < plans.size(); ++i) reports[i] = sim::WriteRecording(plans[i]);
    other.join();
    for (const auto& r : reports) EXPECT_TRUE(r.ok) << r.error;
    d.first = plans[0].path;
    d.second = plans[1].path;
    d.afterGap = plans[2].path;
    d.smaller = plans[3].path;
    d.secondReport = reports[1];
    return d;
  }();
  return drive;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The MD5 column of `ffmpeg -f framemd5` for one stream of a file.
std::vector<std::string> FrameMd5(const std::string& file, int stream) {
  std::string text;
  EXPECT_EQ(Shell("ffmpeg -nostdin -v error -i " + Quote(file) + " -map 0:" + std::to_string(stream) +
                      " -f framemd5 -",
                  &text),
            0)
      << text;
  std::vector<std::string> md5;
  for (const std::string& line : Lines(text))
    if (!line.empty() && line[0] != '#') md5.push_back(line.substr(line.rfind(' ') + 1));
  return md5;
}

// One value per line of `ffprobe -show_entries ENTRY -of csv=p=0`.
std::vector<double> Probe(const std::string& file, const std::string& selection, const std::string& entry) {
  std::string text;
  EXPECT_EQ(Shell("ffprobe -v error " + selection + " -show_entries " + entry + " -of csv=p=0 " + Quote(file),
                  &text),
            0)
      << text;
  std::vector<double> values;
  for (const std::string& line : Lines(text))
    if (!line.empty() && line != "N/A") values.push_back(std::stod(line));
  return values;
}

double StreamDuration(const std::string& file, int stream) {
  const std::vector<double> d = Probe(file, "-select_streams " + std::to_string(stream), "stream=duration");
  return d.empty() ? -1 : d[0];
}

TEST(CardRange, CoveringRecordingsAndLocalDateTimes) {
  const std::optional<int64_t> t = ParseLocalDateTime("2026-12-07T08:35:50");
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(IsoTimeText(*t), "2026-12-07T08:35:50");
  EXPECT_TRUE(ParseLocalDateTime("2028-02-29T23:59:59").has_value());
  for (const char* bad :
       {"2026-02-29T00:00:00", "2026-13-01T00:00:00", "2026-00-10T00:00:00", "2026-04-31T00:00:00",
        "2026-12-07T24:00:00", "2026-12-07T08:60:00", "2026-12-07T08:35:60", "2026-12-07 08:35:50",
        "2026-12-07T08:35:5", "2026-12-07T08:35:50Z", "+026-12-07T08:35:50", "1999-12-31T23:59:59", ""})
    EXPECT_FALSE(ParseLocalDateTime(bad).has_value()) << bad;

  // 1000..1060 and 1060..1120 touch; 1200..1260 after a gap; the last has
  // no clock in its telemetry and is placed by its name.
  const auto recording = [](int64_t start, int seconds, bool clock) {
    CardRecording r;
    r.nameTime = start;
    for (int i = 0; i < seconds; ++i) {
      TelemetrySecond second;
      second.unixTime = clock ? static_cast<int32_t>(start + i) : 0;
      r.telemetry.seconds.push_back(second);
    }
    return r;
  };
  const std::vector<CardRecording> card = {recording(1000, 60, true), recording(1060, 60, true),
                                           recording(1200, 60, true), recording(5000, 5, false)};
  const auto covering = [&](int64_t from, int64_t to) {
    const RecordingRange r = RecordingsCovering(card, from, to);
    return std::make_tuple(r.recordings, r.fromMs, r.toMs);
  };
  using Range = std::tuple<std::vector<size_t>, int64_t, int64_t>;
  EXPECT_EQ(covering(1050, 1070), Range({0, 1}, 50000, 70000));   // across a join
  EXPECT_EQ(covering(1059, 1060), Range({0}, 59000, 60000));      // a file's last second
  EXPECT_EQ(covering(1060, 1061), Range({1}, 0, 1000));           // the next one's first
  EXPECT_EQ(covering(1110, 1210), Range({1, 2}, 50000, 150000));  // over a gap
  EXPECT_EQ(covering(990, 1001), Range({0}, 0, 1000));            // from before the first
  EXPECT_EQ(covering(5001, 5002), Range({3}, 1000, 2000));        // by the name's time
  EXPECT_TRUE(std::get<0>(covering(1130, 1140)).empty());         // within the gap
  EXPECT_TRUE(std::get<0>(covering(1070, 1070)).empty());         // empty range
}

// The longest run of near-silent samples in the first `seconds` of a
// stream's sound, decoded as 8 kHz mono.
size_t LongestPause(const std::string& file, int stream, double seconds) {
  std::string pcm;
  EXPECT_EQ(Shell("ffmpeg -nostdin -v error -i " + Quote(file) + " -map 0:" + std::to_string(stream) +
                      " -f s16le -ac 1 -ar 8000 -",
                  &pcm),
            0);
  const size_t played = std::min(pcm.size(), static_cast<size_t>(seconds * 8000) * 2);
  size_t quiet = 0, longest = 0;
  for (size_t i = 0; i + 1 < played; i += 2) {
    const int16_t v =
        static_cast<int16_t>(static_cast<uint8_t>(pcm[i]) | (static_cast<uint8_t>(pcm[i + 1]) << 8));
    quiet = std::abs(v) < 100 ? quiet + 1 : 0;
    longest = std::max(longest, quiet);
  }
  return longest;
}

// Every picture of view `s` of the clip is one of the two recordings' own,
// decoded alike, in their order, from both; its timestamps rise by at most
// two picture intervals.
void ExpectPicturesOfBoth(const std::string& clipFile, const Drive& d, int s) {
  SCOPED_TRACE("stream " + std::to_string(s));
  std::vector<std::string> both = FrameMd5(d.first, s);
  const size_t firstCount = both.size();
  const std::vector<std::string> more = FrameMd5(d.second, s);
  both.insert(both.end(), more.begin(), more.end());
  const std::vector<std::string> clip = FrameMd5(clipFile, s);
  ASSERT_FALSE(clip.empty());
  const auto at = std::find(both.begin(), both.end(), clip[0]);
  ASSERT_NE(at, both.end());
  const size_t first = static_cast<size_t>(at - both.begin());
  ASSERT_LE(first + clip.size(), both.size());
  EXPECT_EQ(clip, std::vector<std::string>(at, at + static_cast<long>(clip.size())));
  EXPECT_LT(first, firstCount);                // from the first file
  EXPECT_GT(first + clip.size(), firstCount);  // and the second

  const std::vector<double> dts = Probe(clipFile, "-select_streams " + std::to_string(s), "packet=dts_time");
  ASSERT_EQ(dts.size(), clip.size());
  for (size_t i = 1; i < dts.size(); ++i) {
    EXPECT_GT(dts[i], dts[i - 1]) << i;
    EXPECT_LE(dts[i] - dts[i - 1], 2 * kPictureS) << i;
  }
}

// One caption a second over `seconds`, none twice where a second of the
// clock is split over two files; 15 s into the clip comes second 5 of the
// second recording, with its speed and G.
void ExpectCaptions(const std::string& clipFile, const Drive& d, int seconds) {
  std::string text;
  ASSERT_EQ(Shell("ffmpeg -nostdin -v error -i " + Quote(clipFile) + " -map 0:3 -f srt -", &text), 0) << text;
  for (int i = 0; i < seconds; ++i) {
    char line[40];
    std::snprintf(line, sizeof line, "00:00:%02d,000 --> 00:00:%02d,000", i, i + 1);
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  size_t cues = 0;
  for (size_t at = text.find("-->"); at != std::string::npos; at = text.find("-->", at + 1)) ++cues;
  EXPECT_EQ(cues, static_cast<size_t>(seconds)) << text;
  const sim::SecondRecord& second = d.secondReport.seconds[5];
  ASSERT_TRUE(second.hasGps);
  const double g = std::hypot(static_cast<double>(second.peak[0]), static_cast<double>(second.peak[1]),
                              static_cast<double>(second.peak[2])) /
                   1000;
  char expected[96];
  std::snprintf(expected, sizeof expected, "2026-12-07 08:30:17   %d km/h   %.2f g",
                (second.gps.speedX10 + 5) / 10, g);
  const size_t cue = text.find("00:00:15,000 --> 00:00:16,000");
  ASSERT_NE(cue, std::string::npos) << text;
  const size_t caption = text.find(expected, cue);
  EXPECT_NE(caption, std::string::npos) << expected << "\n" << text;
  EXPECT_LT(caption, text.find("-->", cue + 20)) << expected << "\n" << text;
}

TEST(ClipAcross, JoinsRecordingsWithoutASeam) {
  const Drive& d = TestDrive();
  const std::string out = TempFolder("across") + "/clip.mp4";
  // Ten seconds either side of the join; the files in the wrong order, the
  // start as the recorder's date-time.
  std::string text;
  ASSERT_EQ(Cli("export " + Quote(d.second) + " " + Quote(d.first) + " --mp4 " + Quote(out) +
                    " --from 2026-12-07T08:30:02 --to 22",
                &text),
            0)
      << text;
  EXPECT_EQ(text.find("stops"), std::string::npos) << text;
  const double duration = StreamDuration(out, 0);
  EXPECT_NEAR(duration, 20.0, kPictureS) << text;
  // The sound: as long as the pictures, every block of both files (25 a
  // second), and no pause where the files meet (decoders play the encoder's
  // last frame whole: its padding is left out).
  EXPECT_NEAR(StreamDuration(out, 2), duration, 0.1);
  const size_t blocks = text.find(" sound blocks");
  ASSERT_NE(blocks, std::string::npos) << text;
  EXPECT_NEAR(std::stoi(text.substr(text.rfind(' ', blocks - 1) + 1)), 20 * 25, 1) << text;
  EXPECT_LT(LongestPause(out, 2, duration - 0.1), 8000u / 50);

  for (int s = 0; s < 2; ++s) ExpectPicturesOfBoth(out, d, s);
  ExpectCaptions(out, d, 20);
}

TEST(ClipAcross, StopsAtAJoinItCannotMake) {
  const Drive& d = TestDrive();
  const std::string dir = TempFolder("gap");
  ClipExportResult r = ExportClipAcross({d.second, d.afterGap}, 0, 40000, dir + "/gap.mp4", {});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.stoppedAtGap);
  EXPECT_EQ(r.note, "The clip stops at 08:30:24: the next recording begins 20 s later.");
  EXPECT_EQ(r.usedRecordings, std::vector<std::string>{d.second});
  EXPECT_NEAR(StreamDuration(dir + "/gap.mp4", 0), kLength, kPictureS);

  r = ExportClipAcross({d.first, d.smaller}, 0, 20000, dir + "/size.mp4", {});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.stoppedAtGap);
  EXPECT_NE(r.note.find("640x360, not 1280x720"), std::string::npos) << r.note;
  EXPECT_EQ(r.usedRecordings, std::vector<std::string>{d.first});
}

}  // namespace
}  // namespace orvia::exporttest
