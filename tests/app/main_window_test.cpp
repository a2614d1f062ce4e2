#include <QFile>
#include <QFileInfo>
#include <QScreen>

#include "controls/bit_slider.h"
#include "controls/skin_button.h"
#include "playback/graph_window.h"
#include "tests/support/gtest_qtry.h"
#include "viewer_fixture.h"

namespace orvia {
namespace {

class MainWindowTest : public test::ViewerTest {
 protected:
  // A press at `at` on `target`, a move of the pointer by (30, 25) and the
  // release, as the window system delivers them to the main window.
  void Drag(QWidget* target, QPoint at) {
    QTest::mousePress(target, Qt::LeftButton, {}, at);
    const QPointF to = target->mapTo(window_.get(), at + QPoint(30, 25));
    QMouseEvent move(QEvent::MouseMove, to, window_->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(window_.get(), &move);
    QTest::mouseRelease(target, Qt::LeftButton, {}, at + QPoint(30, 25));
  }
  void ExpectAxisReadOuts(bool shown) {
    for (int id : {kXText, kYText, kZText}) EXPECT_EQ(window_->Control(id)->isVisible(), shown) << id;
  }
};

TEST_F(MainWindowTest, EveryControlAtItsPlace) {
  EXPECT_EQ(window_->size(), QSize(1020, 730));
  EXPECT_EQ(window_->Graph()->geometry(), QRect(438, 537, 490, 180));
  // The map shows once a first picture is on screen, or soon without one.
  QTRY_VERIFY(window_->Control(kMapBrowser)->isVisible());
  struct Expect {
    int id, x, y, w, h;
  };
  for (const Expect& e :
       {Expect{kFrontPlayer, 305, 51, 700, 393},       Expect{kRearPlayer, 14, 51, 282, 209},
        Expect{kMapBrowser, 14, 308, 281, 211},        Expect{kRecordingList, 14, 537, 357, 181},
        Expect{kTimeLine, 439, 500, 490, 10},          Expect{kTimeText, 322, 498, 115, 15},
        Expect{kUpgradeButton, 305, 8, 145, 37},       Expect{kSetupButton, 450, 8, 145, 37},
        Expect{kPrintButton, 595, 8, 145, 37},         Expect{kCaptureButton, 740, 8, 144, 37},
        Expect{kMinimizeButton, 932, 17, 38, 20},      Expect{kExitButton, 970, 17, 36, 20},
        Expect{kMapButton, 13, 271, 70, 36},           Expect{kFullRearButton, 260, 261, 36, 36},
        Expect{kPreviousFileButton, 306, 445, 50, 38}, Expect{kPlayButton, 406, 445, 50, 38},
        Expect{kStopButton, 556, 445, 50, 38},         Expect{kFullFrontButton, 971, 446, 36, 36},
        Expect{kSdButton, 370, 537, 29, 50},           Expect{kGraphModeButton, 929, 536, 77, 45},
        Expect{kSpeedSlider, 663, 459, 125, 10},       Expect{kVolumeSlider, 831, 459, 125, 10}}) {
    EXPECT_EQ(Geometry(e.id), QRect(e.x, e.y, e.w, e.h)) << "control " << e.id;
    EXPECT_TRUE(window_->Control(e.id)->isVisible()) << "control " << e.id;
  }
  EXPECT_FALSE(window_->Control(kRestoreButton)->isVisible());
  EXPECT_FALSE(window_->Control(kNormalButton)->isVisible());
  EXPECT_EQ(window_->Button(kPlayButton)->toolTip(), "Play");
  EXPECT_EQ(Label(kXText), "X: ");
  // Both players got their one-time set-up calls.
  EXPECT_EQ(window_->FrontPlayer()->SetupCallCount(player::PlayerOp::kStartup87), 1);
  EXPECT_EQ(window_->RearPlayer()->SetupCallCount(player::PlayerOp::kStartup87), 0);
  EXPECT_EQ(window_->RearPlayer()->SetupCallCount(player::PlayerOp::kStartup9), 1);
  EXPECT_EQ(window_->FrontPlayer()->viewNumber(), 2);
  EXPECT_EQ(window_->RearPlayer()->viewNumber(), 3);
}

// Both ways out of full screen (Esc, the normal button) restore the layout
// and the G read-outs, which full screen hides.
TEST_F(MainWindowTest, FullScreenAndBack) {
  const QRect monitor = window_->screen()->geometry();
  const int w = monitor.width(), h = monitor.height();
  window_->OnCommand(kFullRearButton);
  ASSERT_TRUE(window_->IsFullScreen());
  EXPECT_EQ(window_->geometry(), monitor);
  EXPECT_EQ(Geometry(kRearPlayer), QRect(22, 32, w - 44, h - 103));
  EXPECT_FALSE(window_->Control(kFrontPlayer)->isVisible());
  EXPECT_FALSE(window_->Control(kRecordingList)->isVisible());
  EXPECT_FALSE(window_->Graph()->isVisible());
  ExpectAxisReadOuts(false);
  EXPECT_EQ(Geometry(kPlayButton).topLeft(), QPoint(w / 2 - 68, h - 38));
  EXPECT_EQ(Geometry(kStopButton).topLeft(), QPoint(w / 2 + 72, h - 38));
  EXPECT_EQ(Geometry(kExitButton).topLeft(), QPoint(w - 51, 8));
  EXPECT_EQ(Geometry(kNormalButton).topLeft(), QPoint(w - 45, h - 72));
  EXPECT_EQ(Geometry(kTimeLine), QRect(w * 14 / 100, h - 62, w * 72 / 100, 10));
  EXPECT_TRUE(window_->Control(kRestoreButton)->isVisible());

  QTest::keyClick(window_->Control(kTimeLine), Qt::Key_Escape);
  ASSERT_FALSE(window_->IsFullScreen());
  EXPECT_EQ(window_->size(), QSize(1020, 730));
  EXPECT_EQ(Geometry(kFrontPlayer), QRect(305, 51, 700, 393));
  EXPECT_EQ(Geometry(kRearPlayer), QRect(14, 51, 282, 209));
  EXPECT_EQ(Geometry(kPlayButton).topLeft(), QPoint(406, 445));
  EXPECT_TRUE(window_->Control(kFrontPlayer)->isVisible());
  EXPECT_TRUE(window_->Control(kRecordingList)->isVisible());
  EXPECT_FALSE(window_->Control(kNormalButton)->isVisible());
  ExpectAxisReadOuts(true);

  window_->OnCommand(kFullFrontButton);
  EXPECT_EQ(Geometry(kFrontPlayer), QRect(22, 32, w - 44, h - 103));
  ExpectAxisReadOuts(false);
  window_->OnCommand(kNormalButton);
  EXPECT_FALSE(window_->IsFullScreen());
  ExpectAxisReadOuts(true);
  EXPECT_EQ(Label(kYText).left(1), "Y");
  EXPECT_EQ(Geometry(kYText), QRect(932, 640, 150, 15));
}

TEST_F(MainWindowTest, PressOnTheGraphOrAReadOutDoesNotDragTheWindow) {
  const QPoint before = window_->pos();
  Drag(window_->Graph(), QPoint(200, 90));
  EXPECT_EQ(window_->pos(), before);
  Drag(window_->Control(kXText), QPoint(5, 5));
  EXPECT_EQ(window_->pos(), before);
  // The background drags it.
  Drag(window_.get(), QPoint(200, 20));
  EXPECT_EQ(window_->pos(), before + QPoint(30, 25));
}

TEST_F(MainWindowTest, MapAndGraphToggles) {
  window_->OnCommand(kMapButton);
  EXPECT_FALSE(window_->IsMapShown());
  EXPECT_EQ(Geometry(kMapBrowser).size(), QSize(0, 0));
  EXPECT_EQ(window_->Button(kMapButton)->toolTip(), "Show the map");
  window_->OnCommand(kMapButton);
  EXPECT_EQ(Geometry(kMapBrowser), QRect(14, 308, 281, 211));
  EXPECT_EQ(window_->Button(kMapButton)->toolTip(), "Disable the map ");

  window_->OnCommand(kGraphModeButton);
  EXPECT_EQ(window_->Graph()->mode(), CDlgGraph::kSpeed);
  EXPECT_EQ(window_->Button(kGraphModeButton)->toolTip(), "Speed graph");
  window_->OnCommand(kGraphModeButton);
  EXPECT_EQ(window_->Graph()->mode(), CDlgGraph::kAcceleration);
}

// Upgrade starts the updater beside the program with the version parameter,
// and without one says where updates come from.
// A stand-in updater (a script under the updater's name) writes down what it
// was given.
TEST_F(MainWindowTest, UpgradeStartsTheUpdaterWithTheVersionOrSaysWhereUpdatesComeFrom) {
  // The updater is looked for beside the program: a stand-in goes there.
  if (!QFileInfo(QCoreApplication::applicationDirPath()).isWritable())
    GTEST_SKIP() << "the program's folder is not writable for this user";
  const QString updater = QCoreApplication::applicationDirPath() + "/update_orvia_eng.exe";
  QTemporaryDir dir;
  const QString out = dir.path() + "/args";
  {
    QFile script(updater);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QString("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n").arg(out).toUtf8());
  }
  QFile::setPermissions(updater, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  window_->OnCommand(kUpgradeButton);
  QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(out).size() > 0, 5000);
  QFile::remove(updater);
  QFile args(out);
  ASSERT_TRUE(args.open(QIODevice::ReadOnly));
  EXPECT_EQ(args.readAll(), QByteArray("v=1001\n"));
  // Without the updater the user is told that updates come with the package.
  QueueMessageBoxAnswer(QMessageBox::Ok);
  window_->OnCommand(kUpgradeButton);
  const auto shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].text.contains("package")) << shown[0].text.toStdString();
  EXPECT_TRUE(shown[0].text.contains(QCoreApplication::applicationVersion()));
}

// Two runs with one config folder: the second starts with the volume, map,
// graph, export folder and source the first ended with.
TEST_F(MainWindowTest, RemembersTheStateOfTheLastRunInItsConfigFolder) {
  QTemporaryDir config;
  const QByteArray before = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QTemporaryDir source;
  {
    COrviaDlg first(&module_);
    first.SetRemembering(true);
    auto* volume = static_cast<CBitSlider*>(first.Control(kVolumeSlider));
    EXPECT_EQ(volume->GetPos(), 5);  // nothing remembered yet
    volume->SetPos(2);
    first.OnCommand(kMapButton);
    first.OnCommand(kGraphModeButton);
    first.SetExportFolder("/tmp/exports");
    first.RememberSource(source.path());
    first.show();
    first.close();
  }
  EXPECT_TRUE(QFileInfo::exists(config.path() + "/orvia/orvia.conf"));
  COrviaDlg second(&module_);
  second.SetRemembering(true);
  EXPECT_EQ(static_cast<CBitSlider*>(second.Control(kVolumeSlider))->GetPos(), 2);
  EXPECT_FALSE(second.IsMapShown());
  EXPECT_EQ(second.Graph()->mode(), CDlgGraph::kSpeed);
  EXPECT_EQ(second.ExportFolder(), "/tmp/exports");
  EXPECT_EQ(second.RememberedSource(), source.path());
  // A window that does not remember stores nothing and starts as new.
  COrviaDlg plain(&module_);
  EXPECT_EQ(static_cast<CBitSlider*>(plain.Control(kVolumeSlider))->GetPos(), 5);
  EXPECT_TRUE(plain.IsMapShown());
  qputenv("XDG_CONFIG_HOME", before);
}

// Maximised on a 1920 x 1080 screen (the size the window manager gives),
// the whole window scales with its proportions kept: the views get the
// pixels, the texts grow, and the design size comes back after.
TEST_F(MainWindowTest, AMaximisedWindowScalesEveryPartAndTheViewsGetThePixels) {
  const QRect front = window_->FrontPlayer()->widget()->geometry();
  const int timeFont = window_->Control(kTimeText)->font().pixelSize();
  const int playWidth = window_->Control(kPlayButton)->width();
  window_->setGeometry(0, 0, 1920, 1080);
  QTRY_COMPARE_WITH_TIMEOUT(window_->size(), QSize(1920, 1080), 3000);
  const double s = 1080.0 / 730;  // the height limits the scale
  const QRect big = window_->FrontPlayer()->widget()->geometry();
  EXPECT_GT(big.width(), 1000);
  EXPECT_NEAR(big.width(), front.width() * s, 2);
  EXPECT_NEAR(big.height(), front.height() * s, 2);
  EXPECT_NEAR(window_->RearPlayer()->widget()->width(), 282 * s, 2);
  // Centred across, flush with the top and bottom.
  const int left = (1920 - qRound(1020 * s)) / 2;
  EXPECT_NEAR(big.x(), left + 305 * s, 2);
  EXPECT_NEAR(window_->Graph()->geometry().bottom(), (537 + 180) * s, 2);
  if (timeFont > 0) EXPECT_NEAR(window_->Control(kTimeText)->font().pixelSize(), timeFont * s, 1);
  // A button keeps its place and size through a change of look.
  const QRect play = window_->Control(kPlayButton)->geometry();
  window_->OnCommand(kMapButton);
  window_->OnCommand(kMapButton);
  EXPECT_EQ(window_->Control(kPlayButton)->geometry(), play);
  EXPECT_NEAR(play.width(), playWidth * s, 2);
  window_->grab().save(QStringLiteral(ORVIA_TEST_OUTPUT_DIR "/maximised-window.png"));

  window_->setGeometry(0, 0, 1020, 730);
  QTRY_COMPARE_WITH_TIMEOUT(window_->FrontPlayer()->widget()->geometry(), front, 3000);
}

TEST(GraphWindow, DrawsTheCursorAndThePlots) {
  CDlgGraph graph;
  graph.resize(490, 180);
  GPeak peaks[kMaxSeconds] = {};
  for (int i = 0; i < 10; ++i) peaks[i] = GPeak{0, 0, 1000};  // Z at +1 g
  std::unique_ptr<GpsFix> fixes[kMaxSeconds];
  graph.SetData(10, peaks, fixes);
  graph.SetCursor(30);
  QImage image = graph.grab().toImage();
  const int cursorX = static_cast<int>(30 * (490 / 60.0f));
  const int second3X = static_cast<int>(3 * (490 / 60.0f)) + 1;
  EXPECT_EQ(image.pixelColor(cursorX, 5), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(cursorX + 2, 5), QColor(0, 0, 0));
  // Z (green) at +1 g: a quarter of the height from the top.
  EXPECT_EQ(image.pixelColor(second3X, 45), QColor(0, 255, 0));
  // Speed mode without fixes: only the cursor.
  graph.SetMode(CDlgGraph::kSpeed);
  image = graph.grab().toImage();
  EXPECT_EQ(image.pixelColor(second3X, 45), QColor(0, 0, 0));
  EXPECT_EQ(image.pixelColor(cursorX, 100), QColor(255, 0, 0));
}

TEST(PumpMessagesBriefly, DispatchesPendingEvents) {
  bool ran = false;
  QMetaObject::invokeMethod(
      qApp, [&ran] { ran = true; }, Qt::QueuedConnection);
  PumpMessagesBriefly();
  EXPECT_TRUE(ran);
}

TEST(MessageBox, OkAndCancelTakeTheStringFilesCaptions) {
  QueueMessageBoxAnswer(QMessageBox::Cancel);
  EXPECT_EQ(ShowLocalizedMessageBox("text", QMessageBox::Ok | QMessageBox::Cancel), QMessageBox::Cancel);
  QueueMessageBoxAnswer(QMessageBox::Yes);
  EXPECT_EQ(ShowLocalizedMessageBox("question", QMessageBox::Yes | QMessageBox::No), QMessageBox::Yes);
  const QList<ShownMessageBox> shown = TakeShownMessageBoxes();
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0].title, "Orvia");
  EXPECT_TRUE(shown[0].buttonTexts.contains("OK"));
  EXPECT_TRUE(shown[0].buttonTexts.contains("CANCEL"));
  EXPECT_FALSE(shown[1].buttonTexts.contains("OK"));
  EXPECT_TRUE(shown[1].buttonTexts.contains("&Yes"));
}

}  // namespace
}  // namespace orvia
