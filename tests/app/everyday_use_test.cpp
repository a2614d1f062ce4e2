// The viewer as a driver uses it day to day, on a generated card with the
// real players: the card manager's Cancel, snapshots of one second, Enter on
// the list, the speed read-out and the note of a source without recordings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/list_note.h"
#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "app/message_box.h"
#include "app/readout_box.h"
#include "controls/colored_list_ctrl.h"
#include "disk/disk_manager.h"
#include "library/play_list.h"
#include "output/capture_command.h"
#include "playback/graph_window.h"
#include "playback/speed_scale.h"
#include "playback/telemetry.h"
#include "player/embedded_player.h"
#include "player/player_module.h"
#include "tools/sim/card_maker.h"

namespace orvia {
namespace {

class EverydayUse : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    card_ = new QTemporaryDir;
    sim::CardOptions o;
    o.root = card_->path().toStdString();
    o.layout = "small";
    o.seconds = 8;
    sim::CardReport report = sim::MakeCard(o);
    ASSERT_TRUE(report.ok) << report.error;
  }
  static void TearDownTestSuite() { delete card_; }

  void SetUp() override {
    TakeShownMessageBoxes();
    ASSERT_EQ(module_.Load(ORVIA_BIN_DIR), player::ModuleStatus::kLoaded);
    window_ = std::make_unique<COrviaDlg>(&module_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_NE(window_->Playback(), nullptr);
    for (const PlayListRow& r : ScanPlayList(card_->path().toStdString(), 0))
      rows_.append({QString::fromStdString(r.number), QString::fromStdString(r.date),
                    QString::fromStdString(r.time), QString::fromStdString(r.type),
                    QString::fromStdString(r.path)});
    ASSERT_GE(rows_.size(), 3);
    window_->SetCardRoot(card_->path() + "/");
    window_->Playback()->LoadList(rows_);
  }
  void TearDown() override {
    window_.reset();
    EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());
  }

  PlaybackController& Controller() { return window_->Playback()->controller(); }
  QString Label(int id) { return static_cast<QLabel*>(window_->Control(id))->text(); }
  QStringList ListRows() {
    QStringList paths;
    for (int r = 0; r < window_->RecordingList()->RowCount(); ++r)
      paths << window_->RecordingList()->RowText(r, 4);
    return paths;
  }
  // Pixels of a view that are not black.
  static int Lit(QWidget* view) {
    QImage image = view->grab().toImage();
    int lit = 0;
    for (int y = 0; y < image.height(); y += 4)
      for (int x = 0; x < image.width(); x += 4) lit += qGray(image.pixel(x, y)) > 40;
    return lit;
  }
  // Plays row `row` and waits until it runs at second `second` or later.
  void PlayRowTo(int row, int second) {
    window_->RecordingList()->setCurrentItem(window_->RecordingList()->topLevelItem(row));
    Controller().OnListDoubleClick(row);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Controller().state() == PlaybackState::kRunning; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Controller().position() >= second; }, 15000));
  }
  int FirstDrivingRow() const {
    for (int r = 0; r < rows_.size(); ++r)
      if (rows_[r][4].contains("/Normal/")) return r;
    return -1;
  }

  static QTemporaryDir* card_;
  player::PlayerModule module_;
  std::unique_ptr<COrviaDlg> window_;
  QList<QStringList> rows_;
};
QTemporaryDir* EverydayUse::card_ = nullptr;

TEST_F(EverydayUse, CancelledCardManagerLeavesListCardAndRecordingPausedAtTheSameSecond) {
  PlayRowTo(1, 2);
  const int held = Controller().position();
  const QStringList before = ListRows();
  const QString root = window_->CardRoot();
  CardEnvironment noCard;
  noCard.mountInfoPath = QDir(card_->path()).filePath("no-mount-table").toStdString();
  // The real sheet, left with Escape after a look at the play list.
  window_->Playback()->OpenSource(
      [&] {
        DiskManagerResult r = RunDiskManager(window_.get(), noCard, nullptr, [](CDiskMgrPropSheet& sheet) {
          QTest::keyClick(&sheet, Qt::Key_Escape);
        });
        return MainWindowPlayback::SourceChoice{r.accepted, r.pageIndex == 0, r.rows, r.cardText};
      },
      {});
  EXPECT_EQ(ListRows(), before);
  EXPECT_EQ(window_->CardRoot(), root);
  EXPECT_TRUE(Controller().fileOpen());
  EXPECT_EQ(Controller().currentRow(), 1);
  EXPECT_EQ(Controller().rowCount(), before.size());
  EXPECT_FALSE(Controller().playing());
  // The next ticks show that second's picture again, paused.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Controller().state() == PlaybackState::kIdle; }, 3000));
  EXPECT_EQ(Controller().position(), held);
  EXPECT_EQ(Label(kTimeText).toStdString(),
            FormatDateTime(BreakDownUtc(Controller().index().unixTime[held])));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Lit(window_->FrontPlayer()->widget()) > 100; }, 5000));
  QTest::qWait(300);
  EXPECT_EQ(Controller().position(), held);  // still paused
  // Play goes on from there.
  window_->OnCommand(kPlayButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Controller().position() > held; }, 5000));
}

TEST_F(EverydayUse, TwoSnapshotsInOneSecondGiveTwoPairsOfFiles) {
  PlayRowTo(0, 1);
  window_->OnCommand(kPlayButton);  // pause: both captures see one second
  ASSERT_TRUE(QTest::qWaitFor([&] { return Lit(window_->FrontPlayer()->widget()) > 100; }, 5000));
  QTemporaryDir pictures;
  const QString folder = pictures.path() + "/orvia/capture/";
  CaptureResult results[2];
  for (CaptureResult& result : results) {
    QueueMessageBoxAnswer(QMessageBox::Ok);
    result = RunCapture(window_->FrontPlayer(), window_->RearPlayer(), Controller().rowCount(),
                        Controller().currentDate(), folder);
    EXPECT_EQ(result.outcome, CaptureOutcome::kSaved);
  }
  EXPECT_EQ(TakeShownMessageBoxes().size(), 2);
  QStringList files = QDir(folder).entryList(QDir::Files);
  files.sort();
  const QString time = QString::fromStdString(SnapshotTimeText(Controller().currentDate()));
  QStringList expected{"[Front]" + time + ".bmp", "[Rear]" + time + ".bmp", "[Front]" + time + "-2.bmp",
                       "[Rear]" + time + "-2.bmp"};
  expected.sort();
  EXPECT_EQ(files, expected);
  EXPECT_NE(results[0].frontPath, results[1].frontPath);
}

TEST_F(EverydayUse, EnterOnTheListPlaysTheSelectedRow) {
  ASSERT_TRUE(QTest::qWaitFor([&] { return Controller().state() == PlaybackState::kRunning; }, 5000));
  ASSERT_EQ(Controller().currentRow(), 0);
  CColoredListCtrl* list = window_->RecordingList();
  list->setFocus();
  list->setCurrentItem(list->topLevelItem(2));
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(Controller().currentRow(), 2);
  EXPECT_TRUE(Controller().fileOpen());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Controller().state() == PlaybackState::kRunning; }, 5000));
  EXPECT_EQ(list->currentItem(), list->topLevelItem(2));
  EXPECT_TRUE(window_->isVisible());  // Enter still never closes the window
}

TEST_F(EverydayUse, SpeedPlotShowsTheSpeedOfTheSecondAndItsScale) {
  const int row = FirstDrivingRow();
  ASSERT_GE(row, 0);
  PlayRowTo(row, 2);
  window_->OnCommand(kGraphModeButton);
  ASSERT_EQ(window_->Graph()->mode(), CDlgGraph::kSpeed);
  window_->OnCommand(kPlayButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Controller().state() == PlaybackState::kIdle; }, 3000));
  const int second = Controller().position();
  const GpsFix* fix = Controller().index().gps[second].get();
  ASSERT_NE(fix, nullptr);
  QLabel* speed = window_->Readouts()->SpeedLabel();
  EXPECT_TRUE(speed->isVisible());
  EXPECT_FALSE(window_->Control(kXText)->isVisible());
  EXPECT_TRUE(speed->text().contains(QString::number(SpeedKmh(fix->speed)))) << speed->text().toStdString();
  const QImage shot = window_->grab().toImage();
  shot.save(QString(ORVIA_TEST_OUTPUT_DIR) + "/speed-plot.png");
  // Back to the acceleration plot: the G read-outs return.
  window_->OnCommand(kGraphModeButton);
  EXPECT_FALSE(speed->isVisible());
  EXPECT_TRUE(window_->Control(kXText)->isVisible());
}

TEST_F(EverydayUse, ASourceWithoutRecordingsSaysSoOnceAndTheViewerStaysUsable) {
  ListNote* note = window_->RecordingListNote();
  EXPECT_FALSE(note->isVisible());
  window_->Playback()->LoadList({});
  EXPECT_TRUE(note->isVisible());
  EXPECT_EQ(note->text(), "No recordings found.");
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());  // no box to click away
  EXPECT_EQ(Controller().state(), PlaybackState::kNoRecording);
  window_->Playback()->LoadList(rows_);
  EXPECT_FALSE(note->isVisible());
  EXPECT_TRUE(Controller().fileOpen());
}

}  // namespace
}  // namespace orvia
