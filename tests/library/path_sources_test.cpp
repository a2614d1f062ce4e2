// Recordings from paths the user names: cards, copied card folders, folders
// of loose recordings, single files, and paths that give nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "base/localized_text.h"
#include "library/path_sources.h"
#include "library_test_support.h"

namespace orvia {
namespace {

using test::AddRecording;
using test::TempFolder;
using test::WriteFile;

std::vector<std::string> Paths(const PathSources& found) {
  std::vector<std::string> paths;
  for (const PlayListRow& r : found.rows) paths.push_back(r.path);
  return paths;
}

TEST(PathSources, CardRootAndCopiedCardFolderListAllModesInTimeOrder) {
  TempFolder disk;
  // A card as the recorder leaves it, and a copy of its Event and Parking
  // folders only (no Normal, no Config) in a user's folder.
  const std::string card = disk / "card";
  AddRecording(card, "Normal", "mdr_20260301_101500_N.avi");
  AddRecording(card, "Event", "mdr_20260301_100000_E.avi");
  AddRecording(card, "Parking", "mdr_20260228_230000_P.avi");
  const std::string copy = disk / "Videos/trip copy";
  AddRecording(copy, "Event", "mdr_20260302_080000_E.avi", "101");
  AddRecording(copy, "ParkingEvent", "mdr_20260301_120000_M.avi", "102");

  PathSources found = CollectPathSources({card + "/"});
  ASSERT_EQ(found.rows.size(), 3u);
  EXPECT_EQ(found.rows[0].path, card + "/Parking/100/mdr_20260228_230000_P.avi");
  EXPECT_EQ(found.rows[1].date + " " + found.rows[1].time, "2026-03-01 10:00:00");
  EXPECT_EQ(found.rows[1].type, GetLocalizedText("IDS_CAPTION_MODE_EVENT"));
  EXPECT_EQ(found.cardRoot, card + "/");
  EXPECT_EQ(found.sources[0].kind, PathKind::kCard);

  found = CollectPathSources({copy});
  ASSERT_EQ(found.rows.size(), 2u);
  EXPECT_EQ(found.rows[0].type, GetLocalizedText("IDS_CAPTION_MODE_MOTION"));
  EXPECT_EQ(found.cardRoot, copy + "/");
  EXPECT_TRUE(PathsWithoutRecordings(found).empty());

  // Two cards at once: both listed, merged in time order, and no single card in use.
  found = CollectPathSources({copy, card});
  ASSERT_EQ(found.rows.size(), 5u);
  EXPECT_EQ(found.rows[4].path, copy + "/Event/101/mdr_20260302_080000_E.avi");
  EXPECT_TRUE(found.cardRoot.empty());
}

TEST(PathSources, FolderOfLooseRecordingsIsSearchedOneLevelDeep) {
  TempFolder disk;
  const std::string folder = disk / "loose";
  WriteFile(folder + "/mdr_20260105_120000_A.avi", "avi");
  WriteFile(folder + "/day2/mdr_20260104_090000_A.AVI", "avi");  // one level down, upper-case extension
  WriteFile(folder + "/b/mdr_20260106_070000_E.avi", "avi");
  WriteFile(folder + "/day2/deeper/mdr_20260101_000000_A.avi", "avi");  // two levels: not searched
  WriteFile(folder + "/notes.txt", "text");
  WriteFile(folder + "/mdr_20260107_000000_empty.avi", "");  // a recording the recorder never wrote
  // A link to a sub-folder shows the same files again: they are listed once.
  ASSERT_EQ(symlink((folder + "/day2").c_str(), (folder + "/again").c_str()), 0);

  const PathSources found = CollectPathSources({folder});
  EXPECT_EQ(found.sources[0].kind, PathKind::kFolder);
  ASSERT_EQ(found.rows.size(), 3u);
  EXPECT_TRUE(found.rows[0].path.ends_with("/mdr_20260104_090000_A.AVI")) << found.rows[0].path;
  EXPECT_EQ(found.rows[1].path, folder + "/mdr_20260105_120000_A.avi");
  EXPECT_EQ(found.rows[2].path, folder + "/b/mdr_20260106_070000_E.avi");
  EXPECT_EQ(found.rows[0].type, GetLocalizedText("IDS_CAPTION_MODE_FILE"));
  EXPECT_TRUE(found.cardRoot.empty());

  // A mode folder copied on its own, its recordings loose in it: the folder
  // names their type.
  WriteFile(disk / "Event/mdr_20260106_070000_E.avi", "avi");
  const PathSources event = CollectPathSources({disk / "Event"});
  EXPECT_EQ(event.sources[0].kind, PathKind::kFolder);
  ASSERT_EQ(event.rows.size(), 1u);
  EXPECT_EQ(event.rows[0].type, GetLocalizedText("IDS_CAPTION_MODE_EVENT"));
}

TEST(PathSources, SingleFilesSortByNameOrModificationTimeAndAreListedOnce) {
  TempFolder disk;
  const std::string late = disk / "mdr_20260210_180000_B.avi";
  const std::string early = disk / "mdr_20260210_170000_A.avi";
  const std::string renamed = disk / "crash on the A4.avi";
  for (const std::string& f : {late, early, renamed}) WriteFile(f, "avi");
  // The renamed copy keeps the time it was recorded at only in its file time.
  std::tm t{};
  t.tm_year = 2026 - 1900, t.tm_mon = 1, t.tm_mday = 10, t.tm_hour = 17, t.tm_min = 30, t.tm_isdst = -1;
  const utimbuf times{mktime(&t), mktime(&t)};
  ASSERT_EQ(utime(renamed.c_str(), &times), 0);

  const PathSources found = CollectPathSources({late, renamed, early, disk / "./mdr_20260210_170000_A.avi"});
  EXPECT_EQ(Paths(found), (std::vector<std::string>{early, renamed, late}));
  EXPECT_EQ(found.rows[1].date + " " + found.rows[1].time, "2026-02-10 17:30:00");
  EXPECT_EQ(found.sources[3].recordings, 1);  // named twice: counted, listed once
  EXPECT_TRUE(PathsWithoutRecordings(found).empty());
}

TEST(PathSources, PathsWithoutRecordingsAreNamed) {
  TempFolder disk;
  test::MakeFolder(disk / "empty");
  WriteFile(disk / "photo.jpg", "jpg");
  const std::string card = disk / "card";
  AddRecording(card, "Normal", "mdr_20260301_101500_N.avi");
  test::MakeFolder(disk / "blank card/Normal");

  const PathSources found = CollectPathSources(
      {disk / "empty", disk / "photo.jpg", disk / "missing", card, disk / "blank card", ""});
  EXPECT_EQ(found.rows.size(), 1u);
  EXPECT_EQ(PathsWithoutRecordings(found),
            (std::vector<std::string>{disk / "empty", disk / "photo.jpg", disk / "missing",
                                      disk / "blank card", ""}));
  EXPECT_TRUE(found.cardRoot.empty());
}

}  // namespace
}  // namespace orvia
