#include <gtest/gtest.h>

#include <algorithm>

#include "base/ini_engine.h"

#include "library/play_list.h"
#include "library/recording_names.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

using test::TempDir;
using test::WriteFile;

// Each row: a file name, whether it counts as a recording (case-sensitive
// substring tests), and the date and time texts read from fixed places (the
// separator at position 12 is not read; short names give short texts).
TEST(RecordingNames, TextsFromTheName) {
  struct Case {
    std::string name;
    bool recording;
    std::string date, time;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"mdr_20120503_142501.avi", true, "2012-05-03", "14:25:01"},
           {"mdr_20120503-142501.avi", true, "2012-05-03", "14:25:01"},
           {"MDR_20120503_142501.AVI", false, "2012-05-03", "14:25:01"},
           {"mdr_20120503_142501.mp4", false, "2012-05-03", "14:25:01"},
           {"x_mdr_1.avi.bak", true, "r_1.-av-i.", "ak::"},
           {"mdr_.avi", true, ".avi--", "::"},
           {"mdr", false, "--", "::"},
           {"mdr_20120503_14", false, "2012-05-03", "14::"},
       }) {
    EXPECT_EQ(IsRecordingName(c.name), c.recording) << c.name;
    EXPECT_EQ(RecordingDateText(c.name) + " " + RecordingTimeText(c.name), c.date + " " + c.time) << c.name;
  }
  EXPECT_EQ(RecordingSortKey("2012-05-03", "14:25:01"), "2012-05-03 14:25:01");
}

TEST(RecordingNames, ModeFolderPatterns) {
  EXPECT_EQ(ModeFolderPattern(RecordingMode::kNormal, "/media/card"), "/media/card/Normal/*.*");
  EXPECT_EQ(ModeFolderPattern(RecordingMode::kParkingEvent, "/media/card"), "/media/card/ParkingEvent/*.*");
}

// A card in a temporary folder; type texts come from the process's string file.
class CardTest : public ::testing::Test {
 protected:
  void Add(const std::string& rel, const std::string& bytes = "x") { WriteFile(card_ / rel, bytes); }
  TempDir card_;
};

TEST_F(CardTest, OnlyFilesOneLevelBelowAModeFolderCount) {
  Add("Normal/20120503/mdr_20120503_142501.avi");
  Add("Normal/20120503/mdr_20120503_142601.avi", "");  // zero length
  Add("Normal/mdr_20120503_142701.avi");               // directly in the mode folder
  Add("Normal/20120503/deeper/mdr_20120503_142801.avi");
  Add("Normal/20120503/notes.txt");
  std::filesystem::create_directories(card_ / "Normal/20120503/mdr_dir.avi");
  std::vector<FoundRecording> found = FindModeRecordings(card_.path(), RecordingMode::kNormal);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].path, card_ / "Normal/20120503/mdr_20120503_142501.avi");
  EXPECT_EQ(found[0].date, "2012-05-03");
  EXPECT_EQ(found[0].time, "14:25:01");
  EXPECT_TRUE(FindModeRecordings(card_.path(), RecordingMode::kEvent).empty());
  EXPECT_TRUE(FindModeRecordings(card_ / "missing", RecordingMode::kNormal).empty());
}

TEST_F(CardTest, ScanSortsAcrossFoldersAndFilters) {
  Add("Normal/a/mdr_20120503_142501.avi");
  Add("Normal/b/mdr_20120503_120000.avi");
  Add("Event/a/mdr_20120503_130000.avi");
  Add("Parking/a/mdr_20120502_230000.avi");
  // The type comes from the folder searched, not from the letters of the path.
  Add("ParkingEvent/Event/mdr_20120504_000000.avi");
  std::vector<PlayListRow> rows = ScanPlayList(card_.path(), 0);
  ASSERT_EQ(rows.size(), 5u);
  std::vector<std::string> got;
  for (const PlayListRow& r : rows) got.push_back(r.number + " " + r.date + " " + r.time + " " + r.type);
  EXPECT_EQ(got, (std::vector<std::string>{
                     "001 2012-05-02 23:00:00 Parking",
                     "002 2012-05-03 12:00:00 Driving",
                     "003 2012-05-03 13:00:00 Event",
                     "004 2012-05-03 14:25:01 Driving",
                     "005 2012-05-04 00:00:00 Parking event",
                 }));
  EXPECT_EQ(rows[4].path, card_ / "ParkingEvent/Event/mdr_20120504_000000.avi");

  std::vector<PlayListRow> events = ScanPlayList(card_.path(), 2);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].number, "001");
  EXPECT_EQ(events[0].type, "Event");
  EXPECT_EQ(ScanPlayList(card_.path(), 4).size(), 1u);
  EXPECT_TRUE(ScanPlayList("", 0).empty());
}

TEST_F(CardTest, EqualKeysInDifferentFoldersBothAppear) {
  Add("Normal/a/mdr_20120503_142501.avi");
  Add("Event/a/mdr_20120503_142501.avi");
  std::vector<PlayListRow> rows = ScanPlayList(card_.path(), 0);
  ASSERT_EQ(rows.size(), 2u);
  std::vector<std::string> types{rows[0].type, rows[1].type};
  std::sort(types.begin(), types.end());
  EXPECT_EQ(types, (std::vector<std::string>{"Driving", "Event"}));
}

TEST(PlayListRows, NumbersHaveAtLeastThreeDigits) {
  std::vector<PlayListEntry> entries;
  for (int i = 0; i < 1001; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "2012-05-03 %02d:%02d:%02d", i / 3600, (i / 60) % 60, i % 60);
    entries.push_back({"Driving", key, "/p/" + std::to_string(i)});
  }
  std::reverse(entries.begin(), entries.end());
  std::vector<PlayListRow> rows = BuildPlayListRows(entries);
  ASSERT_EQ(rows.size(), 1001u);
  EXPECT_EQ(rows[0].number, "001");
  EXPECT_EQ(rows[0].path, "/p/0");
  EXPECT_EQ(rows[998].number, "999");
  EXPECT_EQ(rows[999].number, "1000");
  EXPECT_EQ(rows[999].time, "00:16:39");
  EXPECT_EQ(rows[1000].date, "2012-05-03");
}

TEST(PlayListRows, SortByUtf16CodeUnits) {
  // U+FF01 sorts after U+10000 by bytes, before it by 16-bit code units.
  std::vector<PlayListEntry> entries = {{"t", "2012-05-03 \xF0\x90\x80\x80", "a"},
                                        {"t", "2012-05-03 \xEF\xBC\x81", "b"}};
  std::vector<PlayListRow> rows = BuildPlayListRows(entries);
  EXPECT_EQ(rows[0].path, "a");
  EXPECT_EQ(rows[1].path, "b");
}

}  // namespace
}  // namespace orvia
