// The real viewer on a generated card: players from the module, the paced
// controller on its timers, the skinned window. Runs in real time.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include "app/list_note.h"
#include "app/readout_box.h"
#include "base/localized_text.h"
#include "controls/bit_slider.h"
#include "disk/disk_manager.h"
#include "output/capture_command.h"
#include "playback/graph_geometry.h"
#include "playback/graph_window.h"
#include "playback/speed_scale.h"
#include "playback/telemetry.h"
#include "viewer_fixture.h"

namespace orvia {
namespace {

using test::Lit;
using test::PlayListRows;

class ViewerEndToEnd : public test::ViewerTest {
 protected:
  static void SetUpTestSuite() { MakeCard(8); }
  void SetUp() override {
    ViewerTest::SetUp();
    window_->Playback()->LoadList(PlayListRows(Card()));
  }
  std::string TimeText(int second) {
    return FormatDateTime(BreakDownUtc(Controller().index().unixTime[second]));
  }
};

// The files of this process open below `folder`, as /proc/self/fd names them.
QStringList OpenFilesUnder(const QString& folder) {
  QStringList held;
  const QString prefix = QFileInfo(folder).canonicalFilePath() + "/";
  for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System))
    if (fd.symLinkTarget().startsWith(prefix)) held << fd.symLinkTarget();
  return held;
}

TEST_F(ViewerEndToEnd, PlaysPausesSeeksAndMovesOn) {
  QElapsedTimer clock;
  clock.start();
  // The time line reaches second 3 after about three seconds: never much
  // sooner (the pacing holds it back), and not stalled.
  QTRY_VERIFY_WITH_TIMEOUT(Controller().position() >= 3, 15000);
  EXPECT_GE(clock.elapsed(), 2000);
  EXPECT_EQ(static_cast<CBitSlider*>(window_->Control(kTimeLine))->GetPos(), Controller().position());
  // Both views show decoded pictures.
  QTRY_VERIFY_WITH_TIMEOUT(Lit(window_->FrontPlayer()->widget()) > 100, 5000);
  QTRY_VERIFY_WITH_TIMEOUT(Lit(window_->RearPlayer()->widget()) > 50, 5000);

  // Pause: the position holds, and the read-outs show the index's values for it.
  window_->OnCommand(kPlayButton);
  ASSERT_FALSE(Controller().playing());
  const int held = Controller().position();
  QTest::qWait(1500);
  EXPECT_EQ(Controller().position(), held);
  const RecordingIndex& ix = Controller().index();
  EXPECT_EQ(Label(kXText).toStdString(), FormatAxis("X", ix.gPeak[held].x));
  EXPECT_EQ(Label(kYText).toStdString(), FormatAxis("Y", ix.gPeak[held].y));
  EXPECT_EQ(Label(kZText).toStdString(), FormatAxis("Z", ix.gPeak[held].z));
  EXPECT_EQ(Label(kTimeText).toStdString(), TimeText(held));

  // The time line seeks while paused (the open-path test steps picture by picture).
  Controller().OnTimeLine(6);
  QTRY_COMPARE_WITH_TIMEOUT(Controller().position(), 6, 3000);

  window_->OnCommand(kPlayButton);
  window_->OnCommand(kNextFileButton);
  EXPECT_EQ(Controller().currentRow(), 1);
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 3000);
  EXPECT_EQ(window_->RecordingList()->currentItem(), window_->RecordingList()->topLevelItem(1));
}

TEST_F(ViewerEndToEnd, AClickOnTheGraphGoesToThatSecond) {
  QTRY_VERIFY_WITH_TIMEOUT(Controller().position() >= 1, 10000);
  window_->OnCommand(kPlayButton);  // paused: the second stays where it was put
  CDlgGraph* graph = window_->Graph();
  const QPoint at(GraphSecondX(graph->width(), 6) + 1, graph->height() / 2);
  QTest::mouseClick(graph, Qt::LeftButton, {}, at);
  QTRY_COMPARE_WITH_TIMEOUT(Controller().position(), 6, 3000);
  EXPECT_EQ(static_cast<CBitSlider*>(window_->Control(kTimeLine))->GetPos(), 6);
  EXPECT_EQ(graph->cursor(), 6);
  // Past the plot's last second: the last second.
  QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(graph->width() - 2, graph->height() / 2));
  QTRY_COMPARE_WITH_TIMEOUT(Controller().position(), Controller().index().secondCount - 1, 3000);
}

TEST_F(ViewerEndToEnd, PlaybackStartsOnlyOnceTheWindowIsOnScreen) {
  // A list loaded before the window is shown waits for it.
  COrviaDlg late(&module_);
  ASSERT_NE(late.Playback(), nullptr);
  late.Playback()->LoadList(PlayListRows(Card()));
  QTest::qWait(600);
  PlaybackController& c = late.Playback()->controller();
  EXPECT_NE(c.state(), PlaybackState::kRunning);
  EXPECT_EQ(c.position(), 0);
  late.show();
  QTRY_VERIFY_WITH_TIMEOUT(c.state() == PlaybackState::kRunning, 5000);
}

TEST_F(ViewerEndToEnd, CardManagerOkAndCardRemoval) {
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 5000);
  const QString card = Card();
  const int rows = window_->RecordingList()->RowCount();
  QStringList released;
  auto release = [&](const QString& root) { released << root; };
  // OK: the rows handed over fill the list, the card becomes the card root
  // and the first row plays.
  window_->Playback()->OpenSource(
      [&card] {
        return MainWindowPlayback::SourceChoice{true, true, PlayListRows(card), card};
      },
      release);
  EXPECT_TRUE(released.isEmpty());  // no card was in use
  EXPECT_EQ(window_->CardRoot(), card + "/");
  EXPECT_EQ(window_->RecordingList()->RowCount(), rows);
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 5000);

  // OK on the format page releases the card in use, leaves the list as it
  // was and plays its first row.
  window_->Playback()->OpenSource(
      [] {
        return MainWindowPlayback::SourceChoice{true, false, {}, QString()};
      },
      release);
  EXPECT_EQ(released, QStringList{card + "/"});
  EXPECT_EQ(window_->RecordingList()->RowCount(), rows);
  EXPECT_TRUE(Controller().playing());
  window_->SetCardRoot(card + "/");

  // Another volume going away changes nothing; the card's own ends playback.
  window_->Playback()->OnVolumeRemoved("/media/other");
  EXPECT_TRUE(Controller().playing());
  QueueMessageBoxAnswer(QMessageBox::Ok);
  window_->Playback()->OnVolumeRemoved(card);
  const QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].text,
            QString::fromStdString(GetLocalizedText("IDS_CAPTION_COMBO_DRIVE_SELDRIVEREMOVED")));
  EXPECT_EQ(window_->RecordingList()->RowCount(), 0);
  EXPECT_TRUE(window_->CardRoot().isEmpty());
  EXPECT_FALSE(Controller().playing());
  EXPECT_TRUE(Controller().stopped());
}

TEST_F(ViewerEndToEnd, CardManagerGetsTheCardClosedAndCancelResumesPausedAtTheSameSecond) {
  window_->SetCardRoot(Card() + "/");
  Controller().OnListDoubleClick(1);
  QTRY_VERIFY_WITH_TIMEOUT(Controller().position() >= 2, 15000);
  const int held = Controller().position();
  const QList<QStringList> rows = PlayListRows(Card());
  // The recording playing is seen open (where /proc is there to tell)...
  if (QFileInfo::exists("/proc/self/fd")) {
    ASSERT_FALSE(OpenFilesUnder(Card()).isEmpty());
  }
  QStringList released, heldAtRelease;
  CardEnvironment noCard;
  noCard.mountInfoPath = "/nonexistent/mountinfo";
  window_->Playback()->OpenSource(  // the real sheet, left with Escape
      [&] {
        DiskManagerResult r = RunDiskManager(window_.get(), noCard, nullptr, [](CDiskMgrPropSheet& sheet) {
          QTest::keyClick(&sheet, Qt::Key_Escape);
        });
        return MainWindowPlayback::SourceChoice{r.accepted, r.pageIndex == 0, r.rows, r.cardText};
      },
      [&](const QString& root) {
        released << root;
        heldAtRelease << OpenFilesUnder(root);
      });
  // ...and was closed before the card was released, so that it can be
  // unmounted and formatted.
  EXPECT_EQ(released, QStringList{Card() + "/"});
  EXPECT_TRUE(heldAtRelease.isEmpty()) << heldAtRelease.join(", ").toStdString();
  EXPECT_EQ(window_->RecordingList()->RowCount(), rows.size());
  EXPECT_EQ(RowPath(1), rows[1][4]);
  EXPECT_EQ(window_->CardRoot(), Card() + "/");
  EXPECT_TRUE(Controller().fileOpen());
  EXPECT_EQ(Controller().currentRow(), 1);
  // The next ticks show that second's picture again, paused.
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kIdle, 5000);
  EXPECT_FALSE(Controller().playing());
  EXPECT_EQ(Controller().position(), held);
  EXPECT_EQ(Label(kTimeText).toStdString(), TimeText(held));
  QTRY_VERIFY_WITH_TIMEOUT(Lit(window_->FrontPlayer()->widget()) > 100, 5000);
  window_->OnCommand(kPlayButton);
  QTRY_VERIFY_WITH_TIMEOUT(Controller().position() > held, 5000);
}

TEST_F(ViewerEndToEnd, CancelAfterAFormatListsTheCardAnew) {
  // A copy of the card in use; the manager formats it (its recordings go)
  // and is then cancelled: the list shows the card as it is now.
  QTemporaryDir copy;
  ASSERT_EQ(QProcess::execute("cp", {"-a", Card() + "/.", copy.path()}), 0);
  const QString root = copy.path() + "/";
  ASSERT_TRUE(window_->OpenPaths({copy.path()}));
  ASSERT_EQ(window_->CardRoot(), root);
  ASSERT_GT(window_->RecordingList()->RowCount(), 1);
  window_->Playback()->OpenSource(
      [&] {
        QDir(copy.path() + "/Normal").removeRecursively();
        MainWindowPlayback::SourceChoice cancelled;
        cancelled.cardsChanged = true;
        return cancelled;
      },
      nullptr);
  const int rows = static_cast<int>(PlayListRows(copy.path()).size());
  EXPECT_EQ(window_->RecordingList()->RowCount(), rows);
  for (int r = 0; r < window_->RecordingList()->RowCount(); ++r)
    EXPECT_TRUE(QFileInfo::exists(RowPath(r))) << RowPath(r).toStdString();
  EXPECT_EQ(window_->CardRoot(), root);
}

TEST_F(ViewerEndToEnd, TwoSnapshotsInOneSecondGiveTwoPairsOfFiles) {
  QTRY_VERIFY_WITH_TIMEOUT(Controller().position() >= 1, 5000);
  window_->OnCommand(kPlayButton);  // paused: both captures see one second
  QTRY_VERIFY_WITH_TIMEOUT(Lit(window_->FrontPlayer()->widget()) > 100, 5000);
  QTemporaryDir pictures;
  const QString folder = pictures.path() + "/";
  for (int i = 0; i < 2; ++i) {
    QueueMessageBoxAnswer(QMessageBox::Ok);
    RunCapture(window_->FrontPlayer(), window_->RearPlayer(), 1, Controller().currentDate(), folder);
  }
  EXPECT_EQ(TakeShownMessageBoxes().size(), 2);
  const QString t = QString::fromStdString(SnapshotTimeText(Controller().currentDate()));
  QStringList expected{"[Front]" + t + ".bmp", "[Rear]" + t + ".bmp", "[Front]" + t + "-2.bmp",
                       "[Rear]" + t + "-2.bmp"};
  expected.sort();
  QStringList files = QDir(folder).entryList(QDir::Files);
  files.sort();
  EXPECT_EQ(files, expected);
}

TEST_F(ViewerEndToEnd, EnterOnTheListPlaysTheSelectedRowAndTheSpeedPlotReadsOut) {
  CColoredListCtrl* list = window_->RecordingList();
  list->setFocus();
  list->setCurrentItem(list->topLevelItem(2));
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(Controller().currentRow(), 2);
  EXPECT_TRUE(window_->isVisible());  // Enter still never closes the window
  // The speed plot takes the place of the G read-outs with the second's speed.
  QTRY_VERIFY_WITH_TIMEOUT(Controller().position() >= 2, 15000);
  window_->OnCommand(kGraphModeButton);
  window_->OnCommand(kPlayButton);
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kIdle, 5000);
  const GpsFix* fix = Controller().index().gps[Controller().position()].get();
  ASSERT_NE(fix, nullptr);
  QLabel* speed = window_->Readouts()->SpeedLabel();
  EXPECT_TRUE(speed->isVisible());
  EXPECT_FALSE(window_->Control(kXText)->isVisible());
  EXPECT_TRUE(speed->text().contains(QString::number(SpeedKmh(fix->speed)))) << speed->text().toStdString();
  window_->OnCommand(kGraphModeButton);
  EXPECT_TRUE(window_->Control(kXText)->isVisible());
}

TEST_F(ViewerEndToEnd, ASourceWithoutRecordingsSaysSoOverTheList) {
  window_->Playback()->LoadList({});
  EXPECT_TRUE(window_->RecordingListNote()->isVisible());
  EXPECT_EQ(window_->RecordingListNote()->text(), "No recordings found.");
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());  // no box to click away
  window_->Playback()->LoadList(PlayListRows(Card()));
  EXPECT_FALSE(window_->RecordingListNote()->isVisible());
  EXPECT_TRUE(Controller().fileOpen());
}

}  // namespace
}  // namespace orvia
