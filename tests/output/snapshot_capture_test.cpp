// Snapshot names, the snapshot folder and the capture sequence.
#include "output/snapshot_capture.h"
#include "output/snapshot_suffix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <fstream>

#include "output_test_support.h"

namespace orvia {
namespace {

using player::PlayerOp;

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

RecordingDate May3rd2012() { return RecordingDate{12, 4, 3, 14, 25, 1}; }

TEST(SnapshotNames, DateAndViewMakeTheNameThatStaysInTheFolder) {
  EXPECT_EQ(SnapshotTimeText(RecordingDate{5, 11, 31, 0, 0, 0}), "2005-12-31-000000");
  EXPECT_EQ(SnapshotFilePath("/pics/orvia/capture/", "Front", May3rd2012()),
            "/pics/orvia/capture/[Front]2012-05-03-142501.bmp");
  EXPECT_EQ(SnapshotFilePath("/c/", "Rear", RecordingDate{99, 0, 1, 23, 59, 59}),
            "/c/[Rear]2099-01-01-235959.bmp");
  // A key missing from the string file reads "N/A"; no label leaves the folder.
  EXPECT_EQ(SnapshotFilePath("/c/", "N/A", May3rd2012()), "/c/[N_A]2012-05-03-142501.bmp");
  EXPECT_EQ(SnapshotFilePath("/c/", "../x\\y", May3rd2012()), "/c/[.._x_y]2012-05-03-142501.bmp");
  // Dates out of range still make a name without a colon.
  const RecordingDate wild{-2147483647 - 1, 2147483647, -1, 1000000, 2147483647, -2147483647 - 1};
  const std::string text = SnapshotTimeText(wild);
  EXPECT_EQ(text.find(':'), std::string::npos);
  EXPECT_EQ(text.substr(0, 2), "20");
}

TEST(SnapshotFolder, CreatesEveryMissingLevelAndFailsQuietlyOnAFile) {
  QTemporaryDir root;
  const std::string base = root.path().toStdString();
  EXPECT_TRUE(CreateFolderPath(base + "/orvia/capture/"));
  EXPECT_TRUE(IsFolder(base + "/orvia/capture"));
  // Existing folders are fine, with or without the trailing separator.
  EXPECT_TRUE(CreateFolderPath(base + "/orvia/capture/"));
  EXPECT_TRUE(CreateFolderPath(base + "/orvia/capture"));
  std::ofstream(base + "/file") << "not a folder";
  EXPECT_FALSE(CreateFolderPath(base + "/file/capture/"));
  EXPECT_FALSE(IsFolder(base + "/file/capture"));
}

class CaptureTest : public ::testing::Test {
 protected:
  CaptureRequest Request(int rowCount = 3) {
    CaptureRequest request;
    request.rowCount = rowCount;
    request.folder = root.path().toStdString() + "/orvia/capture/";
    request.date = May3rd2012();
    return request;
  }
  QTemporaryDir root;
  std::vector<std::string> log;
  test::LoggingPlayer front{"front", &log};
  test::LoggingPlayer rear{"rear", &log};
};

TEST_F(CaptureTest, SavesFrontThenRearIntoTheCreatedFolder) {
  const CaptureResult result = CaptureSnapshots(&front, &rear, Request());
  EXPECT_EQ(result.outcome, CaptureOutcome::kSaved);
  EXPECT_TRUE(result.frontSaved);
  EXPECT_TRUE(result.rearSaved);
  EXPECT_EQ(log, (std::vector<std::string>{"front", "rear"}));
  EXPECT_TRUE(front.folderExistedAtSnapshot);

  const std::string folder = Request().folder;
  auto front_calls = front.CallsOf(PlayerOp::kSaveSnapshot);
  auto rear_calls = rear.CallsOf(PlayerOp::kSaveSnapshot);
  ASSERT_EQ(front_calls.size(), 1u);
  ASSERT_EQ(rear_calls.size(), 1u);
  EXPECT_EQ(front_calls[0]->texts, std::vector<std::string>{folder + "[Front]2012-05-03-142501.bmp"});
  EXPECT_EQ(front_calls[0]->ints, (std::vector<int32_t>{0, 0}));
  EXPECT_EQ(rear_calls[0]->texts, std::vector<std::string>{folder + "[Rear]2012-05-03-142501.bmp"});
  EXPECT_EQ(result.frontPath, front_calls[0]->texts[0]);
  EXPECT_EQ(result.rearPath, rear_calls[0]->texts[0]);
}

TEST_F(CaptureTest, OneViewWrittenIsACapture) {
  front.SetSnapshotAnswer(player::kNoPicture);
  CaptureResult result = CaptureSnapshots(&front, &rear, Request());
  EXPECT_EQ(result.outcome, CaptureOutcome::kSaved);
  EXPECT_FALSE(result.frontSaved);
  EXPECT_TRUE(result.rearSaved);
  // The rear view is still asked after the front one failed.
  EXPECT_EQ(log, (std::vector<std::string>{"front", "rear"}));

  front.SetSnapshotAnswer(0);
  rear.SetSnapshotAnswer(1);  // any answer but 0 is a failure
  result = CaptureSnapshots(&front, &rear, Request());
  EXPECT_EQ(result.outcome, CaptureOutcome::kSaved);
  EXPECT_TRUE(result.frontSaved);
  EXPECT_FALSE(result.rearSaved);
}

TEST_F(CaptureTest, BothViewsFailing) {
  front.SetSnapshotAnswer(player::kWriteFailed);
  rear.SetSnapshotAnswer(-1);
  const CaptureResult result = CaptureSnapshots(&front, &rear, Request());
  EXPECT_EQ(result.outcome, CaptureOutcome::kFailed);
  EXPECT_EQ(log.size(), 2u);
  // A missing player (no player module) fails its view without a call.
  log.clear();
  rear.SetSnapshotAnswer(0);
  EXPECT_EQ(CaptureSnapshots(nullptr, nullptr, Request()).outcome, CaptureOutcome::kFailed);
  EXPECT_EQ(CaptureSnapshots(nullptr, &rear, Request()).outcome, CaptureOutcome::kSaved);
  EXPECT_EQ(log, std::vector<std::string>{"rear"});
}

TEST_F(CaptureTest, APairKeepsOneNumberPastAnyFileOfEitherName) {
  const std::string folder = Request().folder;
  CreateFolderPath(folder);
  std::ofstream(folder + "[Front]2012-05-03-142501.bmp") << "front";
  std::ofstream(folder + "[Rear]2012-05-03-142501-2.bmp") << "rear";
  const CaptureResult result = CaptureSnapshots(&front, &rear, Request());
  EXPECT_EQ(result.frontPath, folder + "[Front]2012-05-03-142501-3.bmp");
  EXPECT_EQ(result.rearPath, folder + "[Rear]2012-05-03-142501-3.bmp");
}

TEST(SnapshotNumbers, NumberGoesBeforeTheExtensionOfTheFileName) {
  EXPECT_EQ(NumberedSnapshotPath("/c/[Front]2012-05-03-142501.bmp", 1), "/c/[Front]2012-05-03-142501.bmp");
  EXPECT_EQ(NumberedSnapshotPath("/c/[Front]2012-05-03-142501.bmp", 2), "/c/[Front]2012-05-03-142501-2.bmp");
  EXPECT_EQ(NumberedSnapshotPath("/c.d/name", 12), "/c.d/name-12");
  EXPECT_EQ(NumberedSnapshotPath("/c/.bmp", 3), "/c/.bmp-3");
  // Every number taken: nothing is offered, so nothing is replaced.
  int asked = 0;
  EXPECT_EQ(FreeSnapshotNumber({"/c/a.bmp"},
                               [&asked](const std::string&) {
                                 ++asked;
                                 return true;
                               }),
            0);
  EXPECT_EQ(asked, kMaxSnapshotNumber);
}

}  // namespace
}  // namespace orvia
