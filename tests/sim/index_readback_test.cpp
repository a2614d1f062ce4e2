// Indexes simulated recordings with the viewer's own index and compares what
// it finds with what the simulator says it wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "playback/recording_index.h"
#include "tests/sim/sim_test_support.h"

namespace orvia::sim {
namespace {

// `wholeSeconds`: the recording's length; with a lead-in the file spans one
// second more, partial at both ends.
void CheckIndex(const RecordingReport& report, int fps, int wholeSeconds) {
  SCOPED_TRACE(report.path);
  RecordingIndex index;
  RecordingFile file = OpenRecording(report.path, index);
  ASSERT_TRUE(file.IsOpen());
  const int seconds = static_cast<int>(report.seconds.size());
  ASSERT_EQ(index.secondCount, seconds);
  // Every unit is indexed: each stream starts with a key unit.
  EXPECT_EQ(index.videoCount[0], fps * wholeSeconds);
  EXPECT_EQ(index.videoCount[1], fps * wholeSeconds);
  EXPECT_EQ(index.soundCount, 25 * wholeSeconds);
  for (int s = 0; s < 2; ++s) {
    EXPECT_GT(index.headerLen[s], 8) << s;
    EXPECT_LT(index.headerLen[s], 240) << s;
    EXPECT_EQ(index.header[s][4] & 0x1f, 7) << s;
    int keys = 0;
    for (int i = 0; i < index.videoCount[s]; ++i) keys += index.videoEntries[s][i].key == kKeyUnit;
    EXPECT_EQ(keys, seconds) << s;
  }
  ASSERT_TRUE(index.formats.hasSound);
  EXPECT_EQ(index.formats.sound.sampleRate, 8000u);
  EXPECT_EQ(index.formats.sound.bitsPerSample, 16);
  EXPECT_EQ(index.formats.video[0].width, 1280);
  EXPECT_EQ(index.formats.video[1].height, 360);

  for (int i = 0; i < seconds; ++i) {
    SCOPED_TRACE(i);
    const SecondRecord& want = report.seconds[i];
    EXPECT_EQ(static_cast<uint32_t>(index.unixTime[i]), want.unixTime);
    if (i > 0) {
      EXPECT_EQ(index.unixTime[i], index.unixTime[i - 1] + 1);
    }
    EXPECT_EQ(index.gPeak[i].x, want.peak[0]);
    EXPECT_EQ(index.gPeak[i].y, want.peak[1]);
    EXPECT_EQ(index.gPeak[i].z, want.peak[2]);
    ASSERT_EQ(index.gps[i] != nullptr, want.hasGps);
    if (want.hasGps) {
      // The reader works in floating point: allow one millionth of a degree.
      EXPECT_LE(std::abs(index.gps[i]->latitude - want.gps.latitudeE6), 1) << want.gps.text;
      EXPECT_LE(std::abs(index.gps[i]->longitude - want.gps.longitudeE6), 1) << want.gps.text;
      EXPECT_LE(std::abs(index.gps[i]->speed - want.gps.speedX10), 1) << want.gps.text;
    }
  }
}

TEST(IndexReadBack, SmallCardMatchesWhatWasWritten) {
  const CardReport& card = testing::SmallCard();
  ASSERT_TRUE(card.ok) << card.error;
  for (const RecordingReport& r : card.recordings) {
    CheckIndex(r, testing::SmallCardOptions().fps, testing::SmallCardOptions().seconds);
  }
}

TEST(IndexReadBack, ImpactAndParkingEventStandOutInThePeaks) {
  const CardReport& card = testing::SmallCard();
  ASSERT_TRUE(card.ok) << card.error;
  for (const RecordingReport& r : card.recordings) {
    const bool impact = r.path.find("/Event/") != std::string::npos;
    const bool knock = r.path.find("/ParkingEvent/") != std::string::npos;
    int strongest = 0;
    for (const SecondRecord& s : r.seconds) {
      strongest = std::max({strongest, std::abs(s.peak[0]), std::abs(s.peak[1]), std::abs(s.peak[2] - 1000)});
    }
    if (impact) {
      EXPECT_GE(strongest, 1500) << r.path;
    } else if (knock) {
      EXPECT_GE(strongest, 250) << r.path;
      EXPECT_LT(strongest, 1000) << r.path;
    } else {
      EXPECT_LT(strongest, 700) << r.path;
    }
  }
}

TEST(IndexReadBack, GpsLossAndSouthWestHemisphere) {
  CardOptions o;
  o.root = testing::MakeTempFolder("southwest");
  o.layout = "single";
  o.seconds = 5;
  o.gpsLossFirst = 1;
  o.gpsLossCount = 2;
  o.hemisphere = Hemisphere::kSouthWest;
  const CardReport card = MakeCard(o);
  ASSERT_TRUE(card.ok) << card.error;
  const RecordingReport& r = card.recordings.at(0);
  CheckIndex(r, o.fps, o.seconds);
  RecordingIndex index;
  RecordingFile file = OpenRecording(r.path, index);
  ASSERT_TRUE(file.IsOpen());
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const bool lost = i == 1 || i == 2;
    ASSERT_EQ(index.gps[i] == nullptr, lost);
    if (!lost) {
      EXPECT_LT(index.gps[i]->latitude, -34000000);
      EXPECT_LT(index.gps[i]->longitude, -58000000);
    }
  }
}

TEST(IndexReadBack, LeadInGivesPartialFirstAndLastSecondsTimedFromTheLeadIn) {
  CardOptions o;
  o.root = testing::MakeTempFolder("lead_in");
  o.layout = "small";
  o.seconds = 3;
  o.leadInMs = 400;
  const CardReport card = MakeCard(o);
  ASSERT_TRUE(card.ok) << card.error;
  for (const RecordingReport& r : card.recordings) {
    ASSERT_EQ(r.seconds.size(), 4u);
    EXPECT_FALSE(r.seconds[0].hasGps);  // the GPS record of second 0 came before the cut
    CheckIndex(r, o.fps, o.seconds);
    RecordingIndex index;
    RecordingFile file = OpenRecording(r.path, index);
    ASSERT_TRUE(file.IsOpen());
    // Units of the partial first second are placed toward its end.
    EXPECT_EQ(index.soundEntries[0].time, 400);
    for (int s = 0; s < 2; ++s) {
      EXPECT_EQ(index.videoEntries[s][0].key, kKeyUnit) << s;
      EXPECT_NEAR(index.videoEntries[s][0].time, 400, 1000 / o.fps + 1) << s;
    }
  }
  // The drive goes on across the cut: the last partial second of one file
  // and the first of the next carry the same Unix time.
  EXPECT_EQ(card.recordings[2].seconds.back().unixTime, card.recordings[3].seconds.front().unixTime);
}

}  // namespace
}  // namespace orvia::sim
