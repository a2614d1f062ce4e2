// The Capture command as the main window runs it: message texts and folder.
// Which views count as a capture is the capture sequence's own test.
#include "output/capture_command.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "controls/message_box.h"
#include "tests/support/recording_player.h"

namespace orvia {
namespace {

class CaptureCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { TakeShownMessageBoxes(); }
  QString Folder() const { return root.path() + "/orvia/capture/"; }
  QTemporaryDir root;
  player::RecordingPlayer front, rear;
  const RecordingDate date{12, 4, 3, 14, 25, 1};
};

TEST_F(CaptureCommandTest, SuccessNamesTheFolderAndTheStringFilesLabels) {
  QueueMessageBoxAnswer(QMessageBox::Ok);
  const CaptureResult result = RunCapture(&front, &rear, 2, date, Folder());
  const QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].title, "Orvia");
  EXPECT_EQ(shown[0].text, "Snapshot completed\n" + Folder());
  EXPECT_EQ(shown[0].buttonTexts, QStringList{"OK"});
  EXPECT_TRUE(QDir(Folder()).exists());
  EXPECT_EQ(result.frontPath, (Folder() + "[Front]2012-05-03-142501.bmp").toStdString());
  EXPECT_EQ(result.rearPath, (Folder() + "[Rear]2012-05-03-142501.bmp").toStdString());
}

TEST_F(CaptureCommandTest, BothPlayersFailingSaysSo) {
  front.SetSnapshotAnswer(player::kWriteFailed);
  rear.SetSnapshotAnswer(7);
  QueueMessageBoxAnswer(QMessageBox::Ok);
  RunCapture(&front, &rear, 1, date, Folder());
  const QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].text, "Snapshot fail\n" + Folder());
}

TEST_F(CaptureCommandTest, EmptyListShowsNothingAndMakesNoFolder) {
  // An answer stands ready so that a wrongly shown box cannot block.
  QueueMessageBoxAnswer(QMessageBox::Ok);
  RunCapture(&front, &rear, 0, date, Folder());
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
  EXPECT_FALSE(QDir(root.path() + "/orvia").exists());
  EXPECT_TRUE(front.calls().empty());
  EXPECT_TRUE(rear.calls().empty());
  // Use up the answer left in the queue.
  ShowLocalizedMessageBox("drain");
  TakeShownMessageBoxes();
}

TEST(SnapshotFolder, UnderTheUsersPictures) {
  const QString folder = SnapshotFolder();
  EXPECT_TRUE(folder.endsWith("/orvia/capture/")) << folder.toStdString();
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (!pictures.isEmpty()) EXPECT_TRUE(folder.startsWith(pictures)) << folder.toStdString();
}

}  // namespace
}  // namespace orvia
