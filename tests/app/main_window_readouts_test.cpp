// The main window's read-outs after full screen and presses that child
// windows let through.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "app/main_window.h"
#include "playback/graph_window.h"
#include "player/player_module.h"

namespace orvia {
namespace {

class MainWindowReadoutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(module_.Load(ORVIA_BIN_DIR), player::ModuleStatus::kLoaded);
    window_ = std::make_unique<COrviaDlg>(&module_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }
  void TearDown() override { window_.reset(); }

  // A press at `at` on `target`, a move of the pointer by (30, 25) and the
  // release, as the window system delivers them to the main window.
  void Drag(QWidget* target, QPoint at) {
    QTest::mousePress(target, Qt::LeftButton, {}, at);
    const QPointF to = target->mapTo(window_.get(), at + QPoint(30, 25));
    QMouseEvent move(QEvent::MouseMove, to, window_->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(window_.get(), &move);
    QTest::mouseRelease(target, Qt::LeftButton, {}, at + QPoint(30, 25));
  }

  player::PlayerModule module_;
  std::unique_ptr<COrviaDlg> window_;
};

TEST_F(MainWindowReadoutsTest, AxisReadOutsShowAgainAfterFullScreen) {
  for (const int button : {kFullFrontButton, kFullRearButton}) {
    SCOPED_TRACE(button);
    window_->OnCommand(button);
    ASSERT_TRUE(window_->IsFullScreen());
    for (int id : {kXText, kYText, kZText}) EXPECT_FALSE(window_->Control(id)->isVisible()) << id;
    window_->OnCommand(kNormalButton);
    ASSERT_FALSE(window_->IsFullScreen());
    for (int id : {kXText, kYText, kZText}) {
      EXPECT_TRUE(window_->Control(id)->isVisible()) << id;
      EXPECT_EQ(static_cast<QLabel*>(window_->Control(id))->text().left(1), QString("XYZ").at(id - kXText));
    }
    EXPECT_EQ(window_->Control(kYText)->geometry(), QRect(932, 640, 150, 15));
  }
}

TEST_F(MainWindowReadoutsTest, PressOnTheGraphOrAReadOutDoesNotDragTheWindow) {
  const QPoint before = window_->pos();
  Drag(window_->Graph(), QPoint(200, 90));
  EXPECT_EQ(window_->pos(), before);
  Drag(window_->Control(kXText), QPoint(5, 5));
  EXPECT_EQ(window_->pos(), before);
  // The background still drags it.
  Drag(window_.get(), QPoint(200, 20));
  EXPECT_EQ(window_->pos(), before + QPoint(30, 25));
}

}  // namespace
}  // namespace orvia
