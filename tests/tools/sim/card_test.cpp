// Card layouts, names, the make-card command and determinism of whole cards.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "library/play_list.h"
#include "settings/default_setup.h"
#include "tests/tools/sim/sim_test_support.h"

namespace orvia::sim {
namespace {

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

TEST(CardPlan, DemoHasEveryModeAndSixConsecutiveDrivingMinutes) {
  CardOptions o;
  o.root = "/card";
  CardPlan plan;
  std::string error;
  ASSERT_TRUE(PlanCard(o, plan, &error)) << error;
  std::map<RecordingKind, int> kinds;
  const std::regex name("/card/(Normal|Event|Parking|ParkingEvent)/(\\d{8})/mdr_(\\d{8})_\\d{6}\\.avi");
  std::vector<int64_t> driving;
  for (const RecordingPlan& r : plan.recordings) {
    ++kinds[r.kind];
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.path, m, name)) << r.path;
    EXPECT_EQ(m[1].str(), ModeFolder(r.kind));
    EXPECT_EQ(m[2].str(), m[3].str()) << "sub-folder named after the recording date";
    const CivilTime t = FromUnix(r.startUnix);
    EXPECT_EQ(FileName(r.path), "mdr_" + FormatDate(t, "") + "_" + FormatTime(t, "") + ".avi");
    EXPECT_EQ(r.seconds, 60);
    if (r.kind == RecordingKind::kDriving || r.kind == RecordingKind::kImpact) driving.push_back(r.startUnix);
  }
  EXPECT_EQ(plan.recordings.size(), 10u);
  EXPECT_EQ(kinds[RecordingKind::kDriving], 6);
  EXPECT_EQ(kinds[RecordingKind::kImpact], 1);
  EXPECT_EQ(kinds[RecordingKind::kParking], 2);
  EXPECT_EQ(kinds[RecordingKind::kParkingEvent], 1);
  // The drive goes on from file to file, the impact event right after.
  ASSERT_EQ(driving.size(), 7u);
  EXPECT_EQ(driving[0], ToUnix(o.start));
  for (size_t i = 1; i < driving.size(); ++i) EXPECT_EQ(driving[i], driving[i - 1] + 60);
  // Every recording has its own name.
  std::map<std::string, int> names;
  for (const RecordingPlan& r : plan.recordings) EXPECT_EQ(++names[FileName(r.path)], 1) << r.path;
}

TEST(CardPlan, RejectsUnknownLayoutsAndOutOfRangeOptions) {
  CardPlan plan;
  std::string error;
  CardOptions o;
  o.layout = "huge";
  EXPECT_FALSE(PlanCard(o, plan, &error));
  o.layout = "small";
  o.fps = 31;
  EXPECT_FALSE(PlanCard(o, plan, &error));
  o.fps = 15;
  o.seconds = 65;
  EXPECT_FALSE(PlanCard(o, plan, &error));
  o.seconds = 64;
  EXPECT_TRUE(PlanCard(o, plan, &error)) << error;
}

TEST(SmallCardOnDisk, PlayListSortsAcrossFolders) {
  const CardReport& card = testing::SmallCard();
  ASSERT_TRUE(card.ok) << card.error;
  const std::vector<PlayListRow> rows = ScanPlayList(testing::SmallCardOptions().root, 0);
  ASSERT_EQ(rows.size(), 5u);
  // Parking, then the parking event, then the drive and its impact.
  const char* folders[] = {"/Parking/", "/ParkingEvent/", "/Normal/", "/Normal/", "/Event/"};
  for (int i = 0; i < 5; ++i) EXPECT_NE(rows[i].path.find(folders[i]), std::string::npos) << rows[i].path;
  EXPECT_EQ(rows[2].time, "08:30:00");
  EXPECT_EQ(rows[3].time, "08:30:03");
}

TEST(Determinism, SameSeedGivesIdenticalBytesAndAnotherSeedDiffers) {
  const CardReport& first = testing::SmallCard();
  ASSERT_TRUE(first.ok) << first.error;
  CardOptions o = testing::SmallCardOptions();
  o.root = testing::MakeTempFolder("again");
  o.jobs = 1;  // the bytes must not depend on how many recordings are written at once
  const CardReport second = MakeCard(o);
  ASSERT_TRUE(second.ok) << second.error;
  ASSERT_EQ(first.recordings.size(), second.recordings.size());
  for (size_t i = 0; i < first.recordings.size(); ++i) {
    SCOPED_TRACE(first.recordings[i].path);
    EXPECT_EQ(FileName(first.recordings[i].path), FileName(second.recordings[i].path));
    EXPECT_TRUE(testing::ReadFileBytes(first.recordings[i].path) ==
                testing::ReadFileBytes(second.recordings[i].path));
  }

  o.root = testing::MakeTempFolder("other_seed");
  o.seed += 1;
  o.layout = "single";
  const CardReport other = MakeCard(o);
  ASSERT_TRUE(other.ok) << other.error;
  const std::string same = first.recordings[2].path;  // the first driving recording
  ASSERT_EQ(FileName(same), FileName(other.recordings[0].path));
  EXPECT_FALSE(testing::ReadFileBytes(same) == testing::ReadFileBytes(other.recordings[0].path));
}

// orvia-cli make-card: the card with its Config files, and bad options refused.
TEST(MakeCardCommand, WritesTheCardAndRejectsBadOptions) {
  const std::string root = testing::MakeTempFolder("cli_card");
  std::string out;
  ASSERT_EQ(testing::RunCommand(std::string(ORVIA_CLI) + " make-card '" + root +
                                    "' --layout small --seconds 1 --start '2013-03-01 09:05:03' --quiet",
                                &out),
            0)
      << out;
  EXPECT_EQ(out, "");  // --quiet
  const auto text = [](const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); };
  EXPECT_EQ(text(testing::ReadFileBytes(root + "/Config/time.bin")), "2013 03 01 09 05 03");
  EXPECT_EQ(text(testing::ReadFileBytes(root + "/Config/setup.dat")), DefaultSetupDat());
  EXPECT_TRUE(std::filesystem::is_regular_file(root + "/Normal/20130301/mdr_20130301_090503.avi"));
  EXPECT_TRUE(std::filesystem::is_regular_file(root + "/Event/20130301/mdr_20130301_090505.avi"));

  for (const char* bad : {"--fps 0", "--seconds 65", "--layout nonsense", "--start '2013-02-30 00:00:00'",
                          "--hemisphere NS", "--gps-loss 3", "--bogus"}) {
    EXPECT_NE(testing::RunCommand(std::string(ORVIA_CLI) + " make-card '" + root + "/x' " + bad, &out), 0)
        << bad;
  }
  EXPECT_EQ(testing::RunCommand(std::string(ORVIA_CLI) + " make-card", &out), 2);
}

}  // namespace
}  // namespace orvia::sim
