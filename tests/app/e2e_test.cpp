// The real viewer on a generated card: players from the module, the paced
// controller on its timers, the skinned window. Runs in real time.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "app/message_box.h"
#include "app/profile_file.h"
#include "controls/bit_slider.h"
#include "controls/colored_list_ctrl.h"
#include "library/play_list.h"
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
  window_->Playback()->OpenSource([&card] { return MainWindowPlayback::SourceChoice{true, true, Rows(card), card}; },
                                   release);
  EXPECT_EQ(released.size(), 1);  // nothing was in use this time
  released.clear();
  EXPECT_EQ(window_->CardRoot(), card + "/");
  EXPECT_EQ(window_->RecordingList()->RowCount(), Rows(card).size());
  EXPECT_TRUE(Controller().playing());
  QTRY_VERIFY_WITH_TIMEOUT(Controller().state() == PlaybackState::kRunning, 5000);

  // OK on the format page leaves the list as it was and plays its first row.
  window_->Playback()->OpenSource([] { return MainWindowPlayback::SourceChoice{true, false, {}, QString()}; },
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
  EXPECT_EQ(shown[0].text, QString::fromStdString(GetLocalizedText("IDS_CAPTION_COMBO_DRIVE_SELDRIVEREMOVED")));
  EXPECT_EQ(window_->RecordingList()->RowCount(), 0);
  EXPECT_TRUE(window_->CardRoot().isEmpty());
  EXPECT_FALSE(Controller().playing());
  EXPECT_TRUE(Controller().stopped());
}

}  // namespace
}  // namespace orvia
