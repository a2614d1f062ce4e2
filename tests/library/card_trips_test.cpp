// The card-wide view: each recording's telemetry read through its idx1 (and
// the same answer from the chunk walk when idx1 cannot be trusted), the
// cache of it, and the trips and events found on a card built byte by byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "library/card_trips.h"
#include "library/telemetry_cache.h"
#include "tests/support/avi_builder.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

using test::AviBuilder;

uint32_t Clock(int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<uint32_t>(timegm(&t));
}

// Raw G-sensor value of `g` (512 is 0 g, 256 counts a g).
uint16_t Raw(double g) { return static_cast<uint16_t>(512 + g * 256); }

// A recording of `speeds.size()` seconds from `start`: per second two
// pictures, sound, ten motion samples (gravity, and `impactG` on the
// seconds of `impacts`) and a GPS fix at the second's speed.
AviBuilder Recording(uint32_t start, const std::vector<double>& speeds, const std::vector<int>& impacts = {},
                     double impactG = 3) {
  AviBuilder b;
  for (size_t s = 0; s < speeds.size(); ++s) {
    for (int k = 0; k < 10; ++k) {
      const bool hit = k == 4 && std::count(impacts.begin(), impacts.end(), static_cast<int>(s));
      b.Motion(hit ? Raw(impactG) : Raw(0.02), Raw(0), Raw(1), start + static_cast<uint32_t>(s));
      if (k == 0) {
        b.Video(0, test::Unit({s == 0 ? 7 : 1}));
        b.Video(1, test::Unit({s == 0 ? 7 : 1}));
        char gps[64];
        std::snprintf(gps, sizeof gps, "3730.%04d 12700.0000 %.1f", static_cast<int>(s * 10), speeds[s]);
        b.Gps(gps);
      }
      b.Sound(64);
    }
  }
  return b;
}

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

void ExpectSameSeconds(const RecordingTelemetry& a, const RecordingTelemetry& b) {
  ASSERT_EQ(a.seconds.size(), b.seconds.size());
  for (size_t i = 0; i < a.seconds.size(); ++i) {
    EXPECT_EQ(a.seconds[i].unixTime, b.seconds[i].unixTime) << i;
    EXPECT_EQ(a.seconds[i].peak.x, b.seconds[i].peak.x) << i;
    EXPECT_EQ(a.seconds[i].hasFix, b.seconds[i].hasFix) << i;
    EXPECT_EQ(a.seconds[i].fix.latitude, b.seconds[i].fix.latitude) << i;
    EXPECT_EQ(a.seconds[i].fix.speed, b.seconds[i].fix.speed) << i;
  }
}

TEST(RecordingTelemetry, IdxOneIsReadSparinglyAndAnyIdxOneItCannotTrustGivesTheWalksAnswer) {
  const AviBuilder b = Recording(Clock(8, 30, 0), {10, 20, 30, 40, 50, 60}, {2});
  const RecordingTelemetry walked = ReadRecordingTelemetryBytes(Bytes(b.Build(true, false)));
  ASSERT_TRUE(walked.ok);
  EXPECT_FALSE(walked.fromIndex);
  ASSERT_EQ(walked.seconds.size(), 6u);
  EXPECT_EQ(walked.seconds[2].peak.x, 3000);
  EXPECT_EQ(walked.seconds[5].fix.speed, 600);

  const std::string indexed = b.BuildIndexed();
  const RecordingTelemetry read = ReadRecordingTelemetryBytes(Bytes(indexed));
  EXPECT_TRUE(read.fromIndex);
  ExpectSameSeconds(read, walked);
  // The head, idx1 and one small read per telemetry record (66 here).
  const size_t idx1Bytes = (6 * (2 + 10 + 10 + 1)) * 16;
  EXPECT_LE(read.bytesRead, kHeadReadBytes + 8 + idx1Bytes + 66 * kTelemetryReadBytes);
  EXPECT_EQ(read.idx1Bytes, 8 + idx1Bytes);
  EXPECT_EQ(read.telemetryRecords, 66u);

  // idx1 that points outside the file, at a chunk of another kind, or that
  // stops short; and a file cut before its idx1.
  const auto damaged = [&b](auto edit) { return b.BuildIndexed(edit); };
  const std::string cases[] = {
      damaged([](std::vector<std::string>& e) { e[3].replace(8, 4, test::Le32(0x7FFFFFF0)); }),
      damaged([](std::vector<std::string>& e) {
        for (std::string& x : e)
          if (x.compare(0, 4, "00dc") == 0) x.replace(0, 4, "03tx");
      }),
      damaged([](std::vector<std::string>& e) { e.resize(e.size() / 2); }),
      indexed.substr(0, indexed.size() * 2 / 3),
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const RecordingTelemetry r = ReadRecordingTelemetryBytes(Bytes(cases[i]));
    EXPECT_FALSE(r.fromIndex) << i;
    RecordingIndex index;
    ASSERT_TRUE(IndexRecordingBytes(Bytes(cases[i]), index)) << i;
    ASSERT_EQ(r.seconds.size(), static_cast<size_t>(index.secondCount)) << i;
    if (i < 3) ExpectSameSeconds(r, walked);
  }
}

// Writes recordings into a card folder as the recorder names them.
class CardFolder {
 public:
  std::string Add(const char* mode, uint32_t start, const AviBuilder& b) {
    const std::time_t t = start;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char day[16], name[48];
    std::strftime(day, sizeof day, "%Y%m%d", &tm);
    std::strftime(name, sizeof name, "mdr_%Y%m%d_%H%M%S.avi", &tm);
    const std::string folder = dir_ / (std::string(mode) + "/" + day);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << b.BuildIndexed();
    return path;
  }
  std::string Root() const { return dir_.path(); }
  std::string Cache() const { return dir_ / "cache"; }

 private:
  test::TempDir dir_;
};

TEST(CardTrips, ImpactsAndBrakingsAreFoundAtTheirSecondsAcrossRecordingsAndAQuietDriveHasNone) {
  CardFolder card;
  const std::vector<double> steady(10, 40);
  // A trip of two recordings: impacts in the last second of the first and
  // the first second of the second; braking from 40 to 20 km/h in one
  // second at second 5 of the second, and from the last second of the
  // second recording to the first of the third.
  const std::string first = card.Add("Normal", Clock(8, 30, 0), Recording(Clock(8, 30, 0), steady, {9}));
  std::vector<double> braking = steady;
  braking[5] = 20;
  for (size_t i = 6; i < 10; ++i) braking[i] = 20;
  const std::string second = card.Add("Normal", Clock(8, 30, 10), Recording(Clock(8, 30, 10), braking, {0}));
  const std::string third =
      card.Add("Event", Clock(8, 30, 20), Recording(Clock(8, 30, 20), std::vector<double>(10, 0)));
  // A quiet drive after a gap of five minutes, and a parking recording.
  card.Add("Normal", Clock(8, 35, 30), Recording(Clock(8, 35, 30), steady));
  card.Add("Parking", Clock(9, 0, 0), Recording(Clock(9, 0, 0), std::vector<double>(10, 0)));
  // A file that is no recording is named as unreadable and left out.
  const std::string broken = card.Add("Normal", Clock(8, 40, 0), Recording(Clock(8, 40, 0), steady));
  std::ofstream(broken, std::ios::binary) << "RIFX not a recording";

  for (const bool cachedRun : {false, true}) {
    const CardSummary s = SummariseCard(ReadCardRecordings(card.Root(), card.Cache(), 3), {});
    ASSERT_EQ(s.recordings.size(), 6u);
    ASSERT_EQ(s.unreadable.size(), 1u);
    EXPECT_EQ(s.recordings[s.unreadable[0]].path, broken);
    ASSERT_EQ(s.trips.size(), 3u) << cachedRun;
    EXPECT_FALSE(s.trips[0].parking);
    EXPECT_EQ(s.trips[0].recordings.size(), 3u);
    EXPECT_EQ(s.trips[0].start, Clock(8, 30, 0));
    EXPECT_EQ(s.trips[0].end, Clock(8, 30, 30));
    EXPECT_EQ(s.trips[0].topSpeedKmh, 40);
    EXPECT_EQ(s.trips[1].events, 0);
    EXPECT_TRUE(s.trips[2].parking);

    std::vector<std::string> found;
    for (const CardEvent& e : s.events)
      found.push_back(std::string(EventKindName(e.kind)) + " " + s.recordings[e.recording].path + " " +
                      std::to_string(e.second));
    EXPECT_EQ(found, (std::vector<std::string>{
                         "impact " + first + " 9", "impact " + second + " 0", "hard-braking " + second + " 5",
                         "event-recording " + third + " 0", "hard-braking " + third + " 0"}));
    EXPECT_NEAR(*s.events[0].peakG, 3.162, 0.001);  // 3 g across, gravity down
    EXPECT_EQ(*s.events[2].speedChangeKmh, -20);
    EXPECT_EQ(s.trips[0].events, 5);
  }
}

TEST(TelemetryCache, AFileOfTheCacheThatIsDamagedOrOfAnotherRecordingIsNeverTrusted) {
  CardFolder card;
  const std::string path = card.Add("Normal", Clock(8, 30, 0), Recording(Clock(8, 30, 0), {10, 20, 30}));
  bool cached = true;
  const RecordingTelemetry first = CachedRecordingTelemetry(card.Cache(), path, &cached);
  EXPECT_FALSE(cached);
  ExpectSameSeconds(CachedRecordingTelemetry(card.Cache(), path, &cached), first);
  EXPECT_TRUE(cached);

  const auto cacheFile = [&card] {
    for (const auto& e : std::filesystem::directory_iterator(card.Cache())) return e.path().string();
    return std::string();
  };
  // One byte changed inside a stored speed.
  std::fstream f(cacheFile(), std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(-12, std::ios::end);
  f.put('\x7F');
  f.close();
  ExpectSameSeconds(CachedRecordingTelemetry(card.Cache(), path, &cached), first);
  EXPECT_FALSE(cached);

  // The recording replaced by another of the same name: read anew.
  std::ofstream(path, std::ios::binary) << Recording(Clock(9, 0, 0), {70, 80}).BuildIndexed();
  const RecordingTelemetry replaced = CachedRecordingTelemetry(card.Cache(), path, &cached);
  EXPECT_FALSE(cached);
  ASSERT_EQ(replaced.seconds.size(), 2u);
  EXPECT_EQ(replaced.seconds[1].fix.speed, 800);
}

}  // namespace
}  // namespace orvia
