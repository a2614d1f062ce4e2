// Opening what the user points at in the real viewer: a folder of copied
// recordings, two files, a path with nothing in it, and a folder dropped on
// the window.
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <utility>

#include "app/list_note.h"
#include "base/localized_text.h"
#include "controls/bit_slider.h"
#include "library/card_watch.h"
#include "settings/settings_dialog.h"
#include "settings/setup_file.h"
#include "viewer_fixture.h"

namespace orvia {
namespace {

class OpenPathsTest : public test::ViewerTest {
 protected:
  static void SetUpTestSuite() { MakeCard(3); }
  // The card's recordings of one mode folder, in time order.
  static QStringList Recordings(const QString& mode) {
    QStringList files;
    QDir folder(Card() + "/" + mode);
    for (const QString& sub : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      for (const QString& name : QDir(folder.filePath(sub)).entryList({"*.avi"}, QDir::Files))
        files << folder.filePath(sub) + "/" + name;
    files.sort();
    return files;
  }
};

TEST_F(OpenPathsTest, CopiedRecordingsFillTheListAndTheFirstPlays) {
  // Recordings copied loose into a folder of the user's: the first plays, and no card is in use.
  QTemporaryDir copy;
  const QStringList driving = Recordings("Normal");
  ASSERT_GE(driving.size(), 2);
  for (const QString& f : driving) ASSERT_TRUE(QFile::copy(f, copy.path() + "/" + QFileInfo(f).fileName()));
  window_->SetCardRoot(Card() + "/");
  ASSERT_TRUE(window_->OpenPaths({copy.path()}));
  ASSERT_EQ(window_->RecordingList()->RowCount(), driving.size());
  EXPECT_EQ(RowPath(0), copy.path() + "/" + QFileInfo(driving[0]).fileName());
  EXPECT_TRUE(window_->CardRoot().isEmpty());
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 5000);

  // Two files, latest first and one as a file URL, as a file manager may
  // hand them over: listed in time order.
  ASSERT_TRUE(window_->OpenPaths({QUrl::fromLocalFile(driving[1]).toString(), driving[0]}));
  ASSERT_EQ(window_->RecordingList()->RowCount(), 2);
  EXPECT_EQ(RowPath(0), driving[0]);
  EXPECT_EQ(RowPath(1), driving[1]);
  EXPECT_EQ(Controller().currentRow(), 0);
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());

  // The keys drive the real playback: next file, pause, then Right shows the
  // next picture and Left the one before again.
  QTest::keyClick(window_.get(), Qt::Key_PageDown);
  EXPECT_EQ(Controller().currentRow(), 1);
  QTest::keyClick(window_->RecordingList(), Qt::Key_Space);
  EXPECT_FALSE(Controller().playing());
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kIdle, 3000);
  const int next = Controller().buffer().nextVideo[0];
  auto picture = [this] { return window_->FrontPlayer()->widget()->grab().toImage(); };
  // The paused picture has settled: unchanged for 300 ms, as a busy machine
  // may still be decoding the unit that was in hand at the pause.
  QImage settled = picture();
  auto unchanged = [&] {
    QTest::qWait(300);
    const QImage now = picture();
    return std::exchange(settled, now) == now;
  };
  QTRY_VERIFY_WITH_TIMEOUT(unchanged(), 10000);
  QImage pictures[3] = {settled};
  for (int i = 1; i < 3; ++i) {
    QTest::keyClick(window_.get(), Qt::Key_Right);
    QTRY_VERIFY_WITH_TIMEOUT(picture() != pictures[i - 1], 3000);
    pictures[i] = picture();
  }
  EXPECT_EQ(Controller().buffer().nextVideo[0], next + 2);
  QTest::keyClick(window_.get(), Qt::Key_Left);
  EXPECT_EQ(Controller().buffer().nextVideo[0], next + 1);
  QTRY_COMPARE_WITH_TIMEOUT(picture(), pictures[1], 3000);
}

TEST_F(OpenPathsTest, APathWithoutRecordingsIsNamedAndTheListKept) {
  ASSERT_TRUE(window_->OpenPaths({Card()}));
  QTemporaryDir empty;
  QueueMessageBoxAnswer(QMessageBox::Ok);
  EXPECT_FALSE(window_->OpenPaths({empty.path()}));
  const QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].text, QString::fromStdString(GetLocalizedText("IDS_CAPTION_LIST_NO_RECORDINGS_IN")) +
                               "\n" + empty.path());
  EXPECT_EQ(window_->RecordingList()->RowCount(), 5);
  EXPECT_EQ(window_->CardRoot(), Card() + "/");
  EXPECT_TRUE(Controller().playing());
}

TEST_F(OpenPathsTest, AFolderDroppedOnTheWindowPlays) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Card() + "/Event")});
  const QPoint at(700, 300);  // over the front view
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_.get(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  const QStringList events = Recordings("Event");
  ASSERT_EQ(window_->RecordingList()->RowCount(), events.size());
  EXPECT_EQ(RowPath(0), events[0]);
  EXPECT_EQ(window_->RecordingList()->RowText(0, 3),
            QString::fromStdString(GetLocalizedText("IDS_CAPTION_MODE_EVENT")));
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 5000);
}

TEST_F(OpenPathsTest, SettingsOfASingleRecordingEditItsCard) {
  // A recording opened by its path, with no card in use: the Setup button
  // edits the card the recording lies on, and says which in its title.
  const std::string setup = (Card() + "/Config/setup.dat").toStdString();
  const SetupChoices before = ReadSetupChoices(setup);
  SetupChoices changed = before;
  changed.drivingImpact = (before.drivingImpact + 1) % 3;
  changed.sdQuota = (before.sdQuota + 1) % 3;
  ASSERT_EQ(WriteSetupChoices(setup, changed), SetupWriteResult::kWritten);
  const QStringList driving = Recordings("Normal");
  ASSERT_FALSE(driving.isEmpty());
  ASSERT_TRUE(window_->OpenPaths({driving[0]}));
  ASSERT_TRUE(window_->CardRoot().isEmpty());
  QString title;
  SetupChoices shown;
  SetSettingsDialogDriverForTesting([&](CSettingDialog& dialog) {
    title = dialog.windowTitle();
    shown = dialog.Page()->Choices();
  });
  window_->OnCommand(kSetupButton);
  SetSettingsDialogDriverForTesting({});
  EXPECT_TRUE(title.endsWith(QDir(Card()).canonicalPath()) || title.endsWith(Card())) << title.toStdString();
  EXPECT_EQ(shown, changed);
  ASSERT_EQ(WriteSetupChoices(setup, before), SetupWriteResult::kWritten);
}

TEST_F(OpenPathsTest, ADamagedRecordingIsMarkedAndACutOneHasAShorterTimeLine) {
  // A copy of two recordings: the first cut to its header by a power cut,
  // the second cut after about a second.
  QTemporaryDir copy;
  const QStringList driving = Recordings("Normal");
  ASSERT_GE(driving.size(), 2);
  const QString header = copy.path() + "/" + QFileInfo(driving[0]).fileName();
  const QString cut = copy.path() + "/" + QFileInfo(driving[1]).fileName();
  ASSERT_TRUE(QFile::copy(driving[0], header));
  ASSERT_TRUE(QFile::copy(driving[1], cut));
  QFile::setPermissions(header, QFile::ReadOwner | QFile::WriteOwner);
  QFile::setPermissions(cut, QFile::ReadOwner | QFile::WriteOwner);
  ASSERT_TRUE(QFile::resize(header, 777));
  ASSERT_TRUE(QFile::resize(cut, QFileInfo(cut).size() / 2));
  ASSERT_TRUE(window_->OpenPaths({copy.path()}));
  ASSERT_EQ(window_->RecordingList()->RowCount(), 2);
  // Row 1 plays; row 0 says it is damaged, greyed, and a note says it was passed over.
  QTRY_COMPARE_WITH_TIMEOUT(Controller().currentRow(), 1, 5000);
  QTreeWidgetItem* damaged = window_->RecordingList()->topLevelItem(0);
  EXPECT_EQ(damaged->text(3), "Damaged");
  EXPECT_NE(damaged->foreground(0).color(), QColor(Qt::black));
  ASSERT_TRUE(window_->RecordingListStatus()->isVisible());
  EXPECT_TRUE(window_->RecordingListStatus()->text().contains(damaged->text(0)));
  // The cut recording's time line ends at its last second.
  auto* timeLine = static_cast<CBitSlider*>(window_->Control(kTimeLine));
  EXPECT_EQ(timeLine->GetRangeMax(), Controller().index().secondCount - 1);
  EXPECT_LT(timeLine->GetRangeMax(), 2);
}

TEST_F(OpenPathsTest, ACardInsertedWhilePlayingIsOfferedAndOpensOnRequest) {
  // Playing copied recordings; then a card is mounted.
  QTemporaryDir copy;
  const QStringList driving = Recordings("Normal");
  ASSERT_TRUE(QFile::copy(driving[0], copy.path() + "/" + QFileInfo(driving[0]).fileName()));
  ASSERT_TRUE(window_->OpenPaths({copy.path()}));
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 5000);
  const QString root = Card() + "/";
  emit window_->Watch()->cardInserted(root);
  // Offered, without taking over what plays.
  CardInsertedNote* note = window_->InsertedCardNote();
  ASSERT_TRUE(note->isVisible());
  EXPECT_EQ(note->offered(), root);
  EXPECT_EQ(window_->RecordingList()->RowCount(), 1);
  EXPECT_TRUE(Controller().playing());
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
  window_->grab().save(QStringLiteral(ORVIA_TEST_OUTPUT_DIR "/card-inserted-note.png"));
  // Open: the card's list, and the card in use.
  note->openButton()->click();
  EXPECT_FALSE(note->isVisible());
  EXPECT_EQ(window_->CardRoot(), root);
  EXPECT_GT(window_->RecordingList()->RowCount(), 1);
  // The card in use mounted again is not offered.
  emit window_->Watch()->cardInserted(root);
  EXPECT_FALSE(note->isVisible());
}

TEST_F(OpenPathsTest, ARecordingCutToItsHeaderIsMarkedAsSoonAsItIsListed) {
  // A good recording, then one cut to its header: the second row is marked
  // before playback comes to it.
  QTemporaryDir copy;
  const QStringList driving = Recordings("Normal");
  ASSERT_GE(driving.size(), 2);
  const QString good = copy.path() + "/" + QFileInfo(driving[0]).fileName();
  const QString header = copy.path() + "/" + QFileInfo(driving[1]).fileName();
  ASSERT_TRUE(QFile::copy(driving[0], good));
  ASSERT_TRUE(QFile::copy(driving[1], header));
  QFile::setPermissions(header, QFile::ReadOwner | QFile::WriteOwner);
  ASSERT_TRUE(QFile::resize(header, 777));
  ASSERT_TRUE(window_->OpenPaths({copy.path()}));
  ASSERT_EQ(window_->RecordingList()->RowCount(), 2);
  EXPECT_EQ(Controller().currentRow(), 0);
  EXPECT_NE(window_->RecordingList()->topLevelItem(0)->text(3), "Damaged");
  EXPECT_EQ(window_->RecordingList()->topLevelItem(1)->text(3), "Damaged");
}

}  // namespace
}  // namespace orvia
