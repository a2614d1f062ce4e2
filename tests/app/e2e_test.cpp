// The real viewer on a generated card: players from the module, the paced
// controller on its timers, the skinned window. Runs in real time.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/list_note.h"
#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "app/message_box.h"
#include "app/profile_file.h"
#include "app/readout_box.h"
#include "controls/bit_slider.h"
#include "controls/colored_list_ctrl.h"
#include "disk/disk_manager.h"
#include "library/play_list.h"
#include "output/capture_command.h"
#include "playback/speed_scale.h"
#include "playback/telemetry.h"
#include "player/embedded_player.h"
#include "player/player_module.h"
#include "tools/sim/card_maker.h"

namespace orvia {
namespace {

class ViewerEndToEnd : public ::testing::Test {
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
    ASSERT_EQ(module_.Load(ORVIA_BIN_DIR), player::ModuleStatus::kLoaded);
    window_ = std::make_unique<COrviaDlg>(&module_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_NE(window_->Playback(), nullptr);
    QList<QStringList> rows;
    for (const PlayListRow& r : ScanPlayList(card_->path().toStdString(), 0))
      rows.append({QString::fromStdString(r.number), QString::fromStdString(r.date),
                   QString::fromStdString(r.time), QString::fromStdString(r.type),
                   QString::fromStdString(r.path)});
    ASSERT_GE(rows.size(), 2);
    window_->Playback()->LoadList(rows);
  }
  void TearDown() override { window_.reset(); }

  PlaybackController& Controller() { return window_->Playback()->controller(); }
  QString Label(int id) { return static_cast<QLabel*>(window_->Control(id))->text(); }
  // Pixels of a view that are not black.
  static int Lit(QWidget* view) {
    QImage image = view->grab().toImage();
    int lit = 0;
    for (int y = 0; y < image.height(); y += 4)
      for (int x = 0; x < image.width(); x += 4) lit += qGray(image.pixel(x, y)) > 40;
    return lit;
  }

  static QTemporaryDir* card_;
  player::PlayerModule module_;
  std::unique_ptr<COrviaDlg> window_;
};
QTemporaryDir* ViewerEndToEnd::card_ = nullptr;

TEST_F(ViewerEndToEnd, PlaysPausesStepsSeeksAndMovesOn) {
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
  EXPECT_EQ(Label(kTimeText).toStdString(), FormatDateTime(BreakDownUtc(ix.unixTime[held])));

  // One frame forward while paused takes exactly one more unit.
  const int before = Controller().buffer().nextVideo[0];
  window_->OnCommand(kForwardButton);
  QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(Controller().state()), static_cast<int>(PlaybackState::kIdle),
                            2000);
  EXPECT_EQ(Controller().buffer().nextVideo[0], before + 1);

  // The time line seeks while paused.
  Controller().OnTimeLine(6);
  QTRY_COMPARE_WITH_TIMEOUT(Controller().position(), 6, 3000);

  // Next file.
  window_->OnCommand(kPlayButton);
  EXPECT_TRUE(Controller().playing());
  window_->OnCommand(kNextFileButton);
  EXPECT_EQ(Controller().currentRow(), 1);
  EXPECT_TRUE(Controller().fileOpen());
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 3000);
  EXPECT_EQ(window_->RecordingList()->currentItem(), window_->RecordingList()->topLevelItem(1));
}

TEST_F(ViewerEndToEnd, EndOfFileOpensTheNextRow) {
  // At 4x an 8-second recording ends after about two seconds.
  static_cast<CBitSlider*>(window_->Control(kSpeedSlider))->SetPos(4);
  Controller().OnSpeed(4);
  QTRY_VERIFY_WITH_TIMEOUT(Controller().currentRow() >= 1, 15000);
  EXPECT_TRUE(Controller().playing());
}

}  // namespace
}  // namespace orvia

namespace orvia {
namespace {

QList<QStringList> Rows(const QString& card) {
  QList<QStringList> rows;
  for (const PlayListRow& r : ScanPlayList(card.toStdString(), 0))
    rows.append({QString::fromStdString(r.number), QString::fromStdString(r.date), QString::fromStdString(r.time),
                 QString::fromStdString(r.type), QString::fromStdString(r.path)});
  return rows;
}

// The files of this process open below `folder`, as /proc/self/fd names them.
QStringList OpenFilesUnder(const QString& folder) {
  QStringList held;
  const QString prefix = QFileInfo(folder).canonicalFilePath() + "/";
  for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System)) {
    const QString target = fd.symLinkTarget();
    if (target.startsWith(prefix)) held << target;
  }
  return held;
}

TEST_F(ViewerEndToEnd, CardManagerOkCancelAndRemoval) {
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 5000);
  window_->SetCardRoot(card_->path() + "/");
  // The recording playing is seen open (where /proc is there to tell).
  if (QFileInfo::exists("/proc/self/fd")) ASSERT_FALSE(OpenFilesUnder(card_->path()).isEmpty());
  QStringList released;
  QStringList heldAtRelease;
  auto release = [&](const QString& root) {
    released << root;
    heldAtRelease << OpenFilesUnder(root);
  };

  // Cancel: the card in use was released first, with no file of it open (so
  // it can be unmounted and formatted); the list and the card stay.
  const int rowsBefore = window_->RecordingList()->RowCount();
  window_->Playback()->OpenSource([] { return MainWindowPlayback::SourceChoice{}; }, release);
  EXPECT_EQ(released, QStringList{card_->path() + "/"});
  EXPECT_TRUE(heldAtRelease.isEmpty()) << heldAtRelease.join(", ").toStdString();
  EXPECT_EQ(window_->RecordingList()->RowCount(), rowsBefore);
  EXPECT_EQ(window_->CardRoot(), card_->path() + "/");
  window_->SetCardRoot(QString());

  // OK: the rows handed over fill the list, the card becomes the card root
  // and the first row plays.
  const QString card = card_->path();
  window_->Playback()->OpenSource(
      [&card] {
        return MainWindowPlayback::SourceChoice{true, true, Rows(card), card};
      },
      release);
  EXPECT_EQ(released.size(), 1);  // nothing was in use this time
  released.clear();
  EXPECT_EQ(window_->CardRoot(), card + "/");
  EXPECT_EQ(window_->RecordingList()->RowCount(), Rows(card).size());
  EXPECT_TRUE(Controller().playing());
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 5000);

  // OK on the format page leaves the list as it was and plays its first row.
  window_->Playback()->OpenSource(
      [] {
        return MainWindowPlayback::SourceChoice{true, false, {}, QString()};
      },
      release);
  EXPECT_EQ(window_->RecordingList()->RowCount(), Rows(card).size());
  EXPECT_TRUE(Controller().playing());
  window_->SetCardRoot(card + "/");

  // Another volume going away changes nothing; the card's own ends playback.
  window_->Playback()->OnVolumeRemoved("/media/other");
  EXPECT_TRUE(Controller().playing());
  QueueMessageBoxAnswer(QMessageBox::Ok);
  window_->Playback()->OnVolumeRemoved(card);
  QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0].text,
            QString::fromStdString(GetLocalizedText("IDS_CAPTION_COMBO_DRIVE_SELDRIVEREMOVED")));
  EXPECT_EQ(window_->RecordingList()->RowCount(), 0);
  EXPECT_TRUE(window_->CardRoot().isEmpty());
  EXPECT_FALSE(Controller().playing());
  EXPECT_TRUE(Controller().stopped());
}

}  // namespace
}  // namespace orvia

// Everyday use. Waits go through QTest::qWaitFor under an assertion: a QTRY_
// macro that times out outside a Qt Test run returns without failing.
namespace orvia {
namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 5000) { return QTest::qWaitFor(done, ms); }

TEST_F(ViewerEndToEnd, CancelledCardManagerLeavesListCardAndRecordingPausedAtTheSameSecond) {
  window_->SetCardRoot(card_->path() + "/");
  Controller().OnListDoubleClick(1);
  ASSERT_TRUE(WaitFor([&] { return Controller().position() >= 2; }, 15000));
  const int held = Controller().position();
  const QList<QStringList> rows = Rows(card_->path());
  CardEnvironment noCard;
  noCard.mountInfoPath = "/nonexistent/mountinfo";
  window_->Playback()->OpenSource(  // the real sheet, left with Escape
      [&] {
        DiskManagerResult r = RunDiskManager(window_.get(), noCard, nullptr, [](CDiskMgrPropSheet& sheet) {
          QTest::keyClick(&sheet, Qt::Key_Escape);
        });
        return MainWindowPlayback::SourceChoice{r.accepted, r.pageIndex == 0, r.rows, r.cardText};
      },
      {});
  EXPECT_EQ(window_->RecordingList()->RowCount(), rows.size());
  EXPECT_EQ(window_->RecordingList()->RowText(1, 4), rows[1][4]);
  EXPECT_EQ(window_->CardRoot(), card_->path() + "/");
  EXPECT_TRUE(Controller().fileOpen());
  EXPECT_EQ(Controller().currentRow(), 1);
  // The next ticks show that second's picture again, paused.
  ASSERT_TRUE(WaitFor([&] { return Controller().state() == PlaybackState::kIdle; }));
  EXPECT_FALSE(Controller().playing());
  EXPECT_EQ(Controller().position(), held);
  EXPECT_EQ(Label(kTimeText).toStdString(),
            FormatDateTime(BreakDownUtc(Controller().index().unixTime[held])));
  EXPECT_TRUE(WaitFor([&] { return Lit(window_->FrontPlayer()->widget()) > 100; }));
  window_->OnCommand(kPlayButton);
  EXPECT_TRUE(WaitFor([&] { return Controller().position() > held; }));
}

TEST_F(ViewerEndToEnd, TwoSnapshotsInOneSecondGiveTwoPairsOfFiles) {
  ASSERT_TRUE(WaitFor([&] { return Controller().position() >= 1; }));
  window_->OnCommand(kPlayButton);  // paused: both captures see one second
  ASSERT_TRUE(WaitFor([&] { return Lit(window_->FrontPlayer()->widget()) > 100; }));
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
  ASSERT_TRUE(WaitFor([&] { return Controller().position() >= 2; }, 15000));
  window_->OnCommand(kGraphModeButton);
  window_->OnCommand(kPlayButton);
  ASSERT_TRUE(WaitFor([&] { return Controller().state() == PlaybackState::kIdle; }));
  const GpsFix* fix = Controller().index().gps[Controller().position()].get();
  ASSERT_NE(fix, nullptr);
  QLabel* speed = window_->Readouts()->SpeedLabel();
  EXPECT_TRUE(speed->isVisible());
  EXPECT_FALSE(window_->Control(kXText)->isVisible());
  EXPECT_TRUE(speed->text().contains(QString::number(SpeedKmh(fix->speed)))) << speed->text().toStdString();
  window_->grab().save(QString(ORVIA_TEST_OUTPUT_DIR) + "/speed-plot.png");
  window_->OnCommand(kGraphModeButton);
  EXPECT_TRUE(window_->Control(kXText)->isVisible());
}

TEST_F(ViewerEndToEnd, ASourceWithoutRecordingsSaysSoOverTheList) {
  window_->Playback()->LoadList({});
  EXPECT_TRUE(window_->RecordingListNote()->isVisible());
  EXPECT_EQ(window_->RecordingListNote()->text(), "No recordings found.");
  EXPECT_TRUE(TakeShownMessageBoxes().isEmpty());  // no box to click away
  window_->Playback()->LoadList(Rows(card_->path()));
  EXPECT_FALSE(window_->RecordingListNote()->isVisible());
  EXPECT_TRUE(Controller().fileOpen());
}

}  // namespace
}  // namespace orvia
