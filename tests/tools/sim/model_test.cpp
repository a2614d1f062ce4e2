// The pieces the simulator writes records from: GPS text against the
// viewer's GPS parser, raw G-sensor units, the drive, calendar arithmetic and
// the default settings file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "playback/recording_index.h"
#include "settings/default_setup.h"
#include "tests/tools/sim/sim_test_support.h"
#include "tools/sim/civil_time.h"
#include "tools/sim/drive_model.h"
#include "tools/sim/recording_writer.h"

namespace orvia::sim {
namespace {

GpsFix Parse(const GpsText& g) {
  std::vector<uint8_t> record{'G'};
  record.insert(record.end(), g.text.begin(), g.text.end());
  return ParseGpsRecord(record);
}

TEST(GpsText, DegreesAndMinutesForEveryHemisphereReadBackByTheViewer) {
  struct Row {
    GeoPoint p;
    double kmh;
    const char* text;
    int32_t lat, lon;
    int16_t speed;
  };
  const Row rows[] = {
      {{37.5, 127.25}, 52.34, "3730.0000 12715.0000 52.3", 37500000, 127250000, 523},
      {{-33.87320, 151.2063}, 0, "-3352.3920 15112.3780 0.0", -33873200, 151206300, 0},
      {{40.7532, -73.9822}, 100.05, "4045.1920 -07358.9320 100.1", 40753200, -73982200, 1001},
      {{-0.5, -0.999999}, 8, "-0030.0000 -00059.9999 8.0", -500000, -999998, 80},
      {{12.999999999, 1}, 1, "1300.0000 00100.0000 1.0", 13000000, 1000000, 10},  // never "60" minutes
  };
  for (const Row& r : rows) {
    const GpsText g = FormatGps(r.p, r.kmh);
    EXPECT_EQ(g.text, r.text);
    EXPECT_EQ(g.latitudeE6, r.lat) << r.text;
    EXPECT_EQ(g.longitudeE6, r.lon) << r.text;
    EXPECT_EQ(g.speedX10, r.speed) << r.text;
    // The viewer's parser reads back what was meant, within a millionth of a degree.
    const GpsFix fix = Parse(g);
    EXPECT_LE(std::abs(fix.latitude - r.lat), 1) << r.text;
    EXPECT_LE(std::abs(fix.longitude - r.lon), 1) << r.text;
    EXPECT_EQ(fix.speed, r.speed) << r.text;
  }
}

TEST(Route, LoopsAndMovesAboutOneMetrePerMetre) {
  const Route route(Hemisphere::kNorthEast);
  const GeoPoint a = route.PositionAt(100), b = route.PositionAt(100 + route.LengthM());
  EXPECT_DOUBLE_EQ(a.latDeg, b.latDeg);
  EXPECT_DOUBLE_EQ(a.lonDeg, b.lonDeg);
  const GeoPoint c = route.PositionAt(110);
  const double north = (c.latDeg - a.latDeg) * 110574.0;
  const double east = (c.lonDeg - a.lonDeg) * 111320.0 * std::cos(a.latDeg * 3.14159265358979 / 180);
  EXPECT_NEAR(std::hypot(north, east), 10.0, 0.5);
}

TEST(Motion, RawUnitsAndRecordLayout) {
  for (const auto& [raw, milliG] : {std::pair{768, 1000}, {256, -1000}, {511, -3}, {513, 3}})
    EXPECT_EQ(RawToMilliG(raw), milliG) << raw;
  for (const auto& [g, raw] : {std::pair{0, 512}, {1, 768}, {-1, 256}, {-5, 0}})
    EXPECT_EQ(RawFromG(g), raw) << g;
  const std::vector<uint8_t> m = MotionRecord({0x0102, 0x0304, 0x0506}, 0x0a0b0c0d);
  EXPECT_EQ(m, (std::vector<uint8_t>{'M', 1, 2, 3, 4, 5, 6, 0x0a, 0x0b, 0x0c, 0x0d}));
  MotionSample sample{};
  ASSERT_TRUE(ParseMotionRecord(MotionRecord({768, 256, 512}, 1700000000), sample));
  EXPECT_EQ(sample.x, 1000);
  EXPECT_EQ(sample.y, -1000);
  EXPECT_EQ(sample.z, 0);
  EXPECT_EQ(sample.unixTime, 1700000000u);
}

TEST(Trip, StartsStandingStopsAtTheImpactAndIsReproducible) {
  const Route route(Hemisphere::kNorthEast);
  const Trip trip = MakeTrip(5, 120, 900, route);
  ASSERT_EQ(trip.speedMs.size(), 120u * kMotionPerSecond + 1);
  EXPECT_EQ(trip.speedMs[0], 0);
  double top = 0;
  for (size_t k = 1; k < trip.speedMs.size(); ++k) {
    top = std::max(top, trip.speedMs[k]);
    EXPECT_GE(trip.distanceM[k], trip.distanceM[k - 1]);
    if (k < 900) {
      EXPECT_LE(std::abs(trip.speedMs[k] - trip.speedMs[k - 1]), 0.3) << k;  // at most 3 m/s2
    }
  }
  EXPECT_GT(trip.speedMs[899], 5.0);  // moving when it is hit
  EXPECT_EQ(trip.speedMs[900], 0);
  EXPECT_EQ(trip.speedMs.back(), 0);
  EXPECT_GT(top, 8.0);
  EXPECT_LT(top, 22.0);
  EXPECT_EQ(MakeTrip(5, 120, 900, route).speedMs, trip.speedMs);
  EXPECT_NE(MakeTrip(6, 120, 900, route).speedMs, trip.speedMs);
}

TEST(Trip, CornersAreTakenSlowlyOnEveryRoute) {
  // Lateral acceleration v x yaw rate stays that of a calm driver, so only
  // impacts stand out in the G-sensor record.
  for (Hemisphere h :
       {Hemisphere::kNorthEast, Hemisphere::kNorthWest, Hemisphere::kSouthEast, Hemisphere::kSouthWest}) {
    const Route route(h);
    for (uint64_t seed : {1, 2, 3}) {
      const Trip trip = MakeTrip(seed, 900, -1, route);
      const double dt = 1.0 / kMotionPerSecond;
      double worst = 0;
      for (size_t k = 1; k + 1 < trip.speedMs.size(); ++k) {
        double turn = route.HeadingAt(trip.distanceM[k + 1]) - route.HeadingAt(trip.distanceM[k - 1]);
        turn = std::fmod(turn + 540.0, 360.0) - 180.0;
        const double yawRadPerS = turn * 3.14159265358979 / 180 / (2 * dt);
        worst = std::max(worst, std::fabs(trip.speedMs[k] * yawRadPerS) / 9.80665);
      }
      EXPECT_LT(worst, 0.45) << "seed " << seed;
    }
  }
}

TEST(CivilTime, RoundTripsAndRejectsImpossibleDates) {
  CivilTime t;
  ASSERT_TRUE(ParseCivilTime("2012-05-03 14:25:01", t));
  EXPECT_EQ(ToUnix(t), 1336055101);
  const CivilTime back = FromUnix(1336055101);
  EXPECT_EQ(FormatDate(back, "-") + " " + FormatTime(back, ":"), "2012-05-03 14:25:01");
  ASSERT_TRUE(ParseCivilTime("2024-02-29T23:59:59", t));
  EXPECT_EQ(FormatDate(FromUnix(ToUnix(t) + 1), ""), "20240301");
  for (const char* bad : {"2023-02-29 00:00:00", "2012-13-01 00:00:00", "2012-05-03 24:00:00", "2012-05-03",
                          "2012-05-03 14:25:01x", "1969-12-31 23:59:59"}) {
    EXPECT_FALSE(ParseCivilTime(bad, t)) << bad;
  }
}

// The file the simulator and the formatter put on a card: 353 bytes, 24 lines ending in CR LF.
TEST(DefaultSetupDat, IsThe353ByteFileWithCrLfLines) {
  const std::string s(DefaultSetupDat());
  ASSERT_EQ(s.size(), 353u);
  EXPECT_TRUE(s.starts_with("[CONFIG_DATA]\r\nDRIVING_IMPACT=1\r\n"));
  EXPECT_TRUE(s.ends_with("MOTION_SENSITIVITY=1\r\nREBOOTING=0\r\n"));
  EXPECT_NE(s.find("\r\nGMT=-9.0\r\n"), std::string::npos);
  EXPECT_EQ(std::count(s.begin(), s.end(), '\n'), 24);
  size_t bare = 0;
  for (size_t i = 1; i < s.size(); ++i) bare += s[i] == '\n' && s[i - 1] != '\r';
  EXPECT_EQ(bare, 0u);
  const std::string dir = testing::MakeTempFolder("setup");
  ASSERT_TRUE(WriteDefaultSetupDat(dir + "/setup.dat"));
  EXPECT_EQ(testing::ReadFileBytes(dir + "/setup.dat"), std::vector<uint8_t>(s.begin(), s.end()));
  EXPECT_FALSE(WriteDefaultSetupDat(dir + "/missing/setup.dat"));
}

}  // namespace
}  // namespace orvia::sim
