// The main window's keys: each gives its button's command (or acts on the
// speed, full screen, map or graph), whichever child has the focus; the
// tooltips name them; Enter and Esc keep their meaning.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include "app/main_window.h"
#include "controls/bit_slider.h"
#include "controls/colored_list_ctrl.h"
#include "controls/skin_button.h"
#include "playback/graph_window.h"

namespace orvia {
namespace {

class KeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<COrviaDlg>(nullptr);  // no players: commands are recorded
    for (int id : {kPlayButton, kBackButton, kForwardButton, kPreviousFileButton, kNextFileButton,
                   kCaptureButton, kPrintButton, kStopButton})
      window_->SetCommandHandler(id, [this, id] { commands_.push_back(id); });
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->activateWindow();
    // The list holds the focus while playing, and takes arrows and page keys itself.
    window_->RecordingList()->AddRow({"001", "2026-01-01", "10:00:00", "Driving", "/a.avi"});
    window_->RecordingList()->AddRow({"002", "2026-01-01", "10:01:00", "Driving", "/b.avi"});
    window_->RecordingList()->setCurrentItem(window_->RecordingList()->topLevelItem(0));
    window_->RecordingList()->setFocus();
  }
  void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window_->RecordingList(), static_cast<Qt::Key>(key), modifiers);
  }
  int Speed() const { return static_cast<CBitSlider*>(window_->Control(kSpeedSlider))->GetPos(); }

  std::unique_ptr<COrviaDlg> window_;
  std::vector<int> commands_;
};

TEST_F(KeysTest, EachKeyGivesItsCommand) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    int command;
  };
  for (const Case& c :
       {Case{Qt::Key_Space, Qt::NoModifier, kPlayButton}, Case{Qt::Key_Left, Qt::NoModifier, kBackButton},
        Case{Qt::Key_Right, Qt::NoModifier, kForwardButton},
        Case{Qt::Key_PageUp, Qt::NoModifier, kPreviousFileButton},
        Case{Qt::Key_PageDown, Qt::NoModifier, kNextFileButton},
        Case{Qt::Key_S, Qt::ControlModifier, kCaptureButton},
        Case{Qt::Key_P, Qt::ControlModifier, kPrintButton}}) {
    commands_.clear();
    Press(c.key, c.modifiers);
    EXPECT_EQ(commands_, std::vector<int>{c.command}) << "key " << c.key;
  }
  // The list did not move its selection on the keys the window took.
  EXPECT_EQ(window_->RecordingList()->currentItem(), window_->RecordingList()->topLevelItem(0));

  // Plain S and P are no commands; a disabled button refuses its key.
  commands_.clear();
  Press(Qt::Key_S);
  Press(Qt::Key_P);
  window_->Button(kPlayButton)->setEnabled(false);
  Press(Qt::Key_Space);
  EXPECT_TRUE(commands_.empty());
}

TEST_F(KeysTest, SpeedFullScreenMapAndGraph) {
  for (int i = 0; i < 3; ++i) Press(Qt::Key_Up);  // from 1x, one beyond 4x
  EXPECT_EQ(Speed(), 4);
  for (int i = 0; i < 5; ++i) Press(Qt::Key_Down);
  EXPECT_EQ(Speed(), 0);

  Press(Qt::Key_M);
  EXPECT_FALSE(window_->IsMapShown());
  Press(Qt::Key_G);
  EXPECT_EQ(window_->Graph()->mode(), CDlgGraph::kSpeed);

  Press(Qt::Key_F);
  EXPECT_TRUE(window_->IsFullScreen());
  Press(Qt::Key_M);  // the map has no place in full screen
  EXPECT_FALSE(window_->IsMapShown());
  Press(Qt::Key_Escape);
  EXPECT_FALSE(window_->IsFullScreen());
  Press(Qt::Key_F);
  Press(Qt::Key_F);
  EXPECT_FALSE(window_->IsFullScreen());
  EXPECT_EQ(window_->size(), QSize(1020, 730));

  // Enter and Esc outside full screen do nothing, and never close the window.
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    Press(key);
    QTest::keyClick(window_.get(), key);
  }
  EXPECT_TRUE(window_->isVisible());
  EXPECT_FALSE(window_->IsFullScreen());
  EXPECT_TRUE(commands_.empty());
}

TEST_F(KeysTest, TooltipsNameTheKey) {
  auto* play = window_->Button(kPlayButton);
  EXPECT_TRUE(window_->ToolTipWithKey(kCaptureButton).endsWith("(Ctrl+S)"));
  EXPECT_TRUE(window_->ToolTipWithKey(kFullFrontButton).endsWith("(F)"));
  EXPECT_EQ(window_->ToolTipWithKey(kSetupButton), window_->Button(kSetupButton)->toolTip());

  // The tooltip the user sees follows the button's current text (play turns to pause).
  play->SetToolTipText("Pause");
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), play->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(play, &help);
  EXPECT_EQ(QToolTip::text(), "Pause (Space)");
}

}  // namespace
}  // namespace orvia
