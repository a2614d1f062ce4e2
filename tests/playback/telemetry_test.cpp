// The telemetry texts and the map rule for seconds without a fix.
#include "playback/telemetry.h"

#include <gtest/gtest.h>

#include <memory>

#include "playback/recording_index.h"

namespace orvia {
namespace {

TEST(TelemetryText, AxisValuesKeepTheirSignAndThreeDecimals) {
  EXPECT_EQ(FormatAxis("X", -1250), "X: -1.250G");
  EXPECT_EQ(FormatAxis("X", 980), "X:  0.980G");
  EXPECT_EQ(FormatAxis("X", 0), "X:  0.000G");
  EXPECT_EQ(FormatAxis("Y", -5), "Y: -0.005G");
  EXPECT_EQ(FormatAxis("Z", 2000), "Z:  2.000G");
  EXPECT_EQ(FormatAxis("Z", -32768), "Z: -32.768G");
}

TEST(TelemetryText, DateIsTheUtcBreakdownWithTheMonthCountedFromOne) {
  const RecordingDate d = BreakDownUtc(1354147200 + 13 * 3600 + 4 * 60 + 5);  // 2012-11-29 13:04:05 UTC
  EXPECT_EQ(d.year, 12);
  EXPECT_EQ(d.month, 10);
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(FormatDateTime(d), "2012-11-29 13:04:05");
  EXPECT_EQ(FormatDateTime(BreakDownUtc(946684799)), "2099-12-31 23:59:59");  // year modulo 100
}

TEST(TelemetryText, CoordinatesHaveSixDecimalsAndASignForSouthAndWest) {
  EXPECT_EQ(FormatCoordinate(37550000), "37.550000");
  EXPECT_EQ(FormatCoordinate(-34397000), "-34.397000");
  EXPECT_EQ(FormatCoordinate(-500), "-0.000500");
  EXPECT_EQ(FormatCoordinate(126966666), "126.966666");
  EXPECT_EQ(FormatCoordinate(INT32_MIN), "-2147.483648");
}

// The axis texts, time and reset texts are checked where the controller shows them.
TEST(TelemetryText, SpeedOnlyWithAFix) {
  RecordingIndex index;
  const AxisCaptions captions{"X", "Y", "Z"};
  EXPECT_EQ(TelemetryForSecond(index, 2, BreakDownUtc(1354147200), captions).speed, "");
  index.gps[2] = std::make_unique<GpsFix>(GpsFix{1, 1, 652});
  EXPECT_EQ(TelemetryForSecond(index, 2, BreakDownUtc(1354147200), captions).speed, "65 km/h");
}

TEST(MapRule, FixesMoveTheMarkerAndOnlyARunOfLostSecondsSendsTheNoFixPosition) {
  RecordingIndex index;
  // Fixes at seconds 2, 3 and 6; none at 0, 1, 4, 5.
  for (int s : {2, 3, 6}) index.gps[s] = std::make_unique<GpsFix>(GpsFix{-33868800, 151209300 + s, 0});
  auto update = [&](int second) {
    const MapUpdate u = MapUpdateForSecond(index, second);
    return u.move ? u.latitude + " " + u.longitude : std::string("stays");
  };
  EXPECT_EQ(update(0), "stays");            // second 0 without a fix
  EXPECT_EQ(update(1), "-34.397 120.844");  // seconds 0 and 1 both lost
  EXPECT_EQ(update(2), "-33.868800 151.209302");
  EXPECT_EQ(update(4), "stays");  // one lost second keeps the marker
  EXPECT_EQ(update(5), "-34.397 120.844");
  EXPECT_EQ(update(6), "-33.868800 151.209306");
}

}  // namespace
}  // namespace orvia
