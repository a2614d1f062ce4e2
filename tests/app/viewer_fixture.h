// The real main window with players from the module, and for the suites that
// ask for one a generated card (small layout, 5 recordings) shared by the suite.
#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/main_window.h"
#include "app/main_window_playback.h"
#include "controls/colored_list_ctrl.h"
#include "controls/message_box.h"
#include "library/play_list.h"
#include "player/embedded_player.h"
#include "player/player_module.h"
#include "tools/sim/card_maker.h"

namespace orvia::test {

// A card's play list as the recording list takes it.
inline QList<QStringList> PlayListRows(const QString& card) {
  return ListRowTexts(ScanPlayList(card.toStdString(), 0));
}

// Pixels of a view that are not black.
inline int Lit(QWidget* view) {
  const QImage image = view->grab().toImage();
  int lit = 0;
  for (int y = 0; y < image.height(); y += 4)
    for (int x = 0; x < image.width(); x += 4) lit += qGray(image.pixel(x, y)) > 40;
  return lit;
}

class ViewerTest : public ::testing::Test {
 protected:
  // Call from SetUpTestSuite: recordings of `seconds` each.
  static void MakeCard(int seconds) {
    card_ = new QTemporaryDir;
    sim::CardOptions o;
    o.root = card_->path().toStdString();
    o.layout = "small";
    o.seconds = seconds;
    const sim::CardReport report = sim::MakeCard(o);
    ASSERT_TRUE(report.ok) << report.error;
  }
  static void TearDownTestSuite() {
    delete card_;
    card_ = nullptr;
  }
  static QString Card() { return card_->path(); }

  void SetUp() override {
    ASSERT_EQ(module_.Load(ORVIA_BIN_DIR), player::ModuleStatus::kLoaded);
    window_ = std::make_unique<COrviaDlg>(&module_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    ASSERT_NE(window_->Playback(), nullptr);
    TakeShownMessageBoxes();
  }
  void TearDown() override { window_.reset(); }

  PlaybackController& Controller() { return window_->Playback()->controller(); }
  QString RowPath(int row) { return window_->RecordingList()->RowText(row, 4); }
  QString Label(int id) { return static_cast<QLabel*>(window_->Control(id))->text(); }
  QRect Geometry(int id) const { return window_->Control(id)->geometry(); }

  inline static QTemporaryDir* card_ = nullptr;
  player::PlayerModule module_;
  std::unique_ptr<COrviaDlg> window_;
};

}  // namespace orvia::test
