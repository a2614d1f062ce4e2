// The player widget under offscreen Qt: what it shows, what it writes and
// copies, stopping, silence without a sound device, and the player module.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "playback/recording_index.h"
#include "player/blank_key_frame.h"
#include "player/player_module.h"
#include "player/player_view.h"
#include "tests/player/test_media.h"

namespace orvia::player {
namespace {

::testing::AssertionResult Near(QRgb c, int r, int g, int b, int tolerance = 16) {
  if (std::abs(qRed(c) - r) <= tolerance && std::abs(qGreen(c) - g) <= tolerance &&
      std::abs(qBlue(c) - b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "rgb(" << qRed(c) << "," << qGreen(c) << "," << qBlue(c) << ")";
}

class PlayerViewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = testing::MakeTempDir("view");
    // 320 x 240: top half red, bottom half blue, so that row order shows.
    const std::string path = dir_ + "/halves.avi";
    if (testing::MakeVideo(path,
                           "-f lavfi -i \"color=c=red:s=320x120:r=15[a];color=c=blue:s=320x120:r=15[b];"
                           "[a][b]vstack\" -t 1 -c:v libx264 -preset veryfast -g 15 -bf 0 -pix_fmt yuv420p "
                           "-bsf:v h264_mp4toannexb"))
      units_ = testing::ReadVideoUnits(path, 0);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
  void SetUp() override { ASSERT_EQ(units_.size(), 15u) << "ffmpeg could not make the test video"; }

  // Decodes the video into the view, units offered again when refused as the playback does.
  void Play() {
    for (const auto& u : units_) {
      while (view.FeedData(false, u.key, u.bytes) == kNotTaken) view.worker().WaitForRoom();
    }
    view.worker().WaitIdle();
  }
  void Show(int w, int h) {
    view.resize(w, h);
    view.show();
  }
  QRgb Pixel(int x, int y) { return view.grab().toImage().pixel(x, y); }

  static inline std::string dir_;
  static inline std::vector<testing::Unit> units_;
  PlayerView view;
};

TEST_F(PlayerViewTest, ShowsThePictureFittedWithBlackAround) {
  Show(400, 300);
  Play();
  EXPECT_TRUE(Near(Pixel(200, 60), 255, 0, 0));
  EXPECT_TRUE(Near(Pixel(200, 240), 0, 0, 255));
  EXPECT_TRUE(Near(Pixel(2, 2), 255, 0, 0)) << "4:3 fills a 4:3 view";
  // A wider view: the picture keeps its proportions, black left and right.
  view.resize(600, 300);
  view.worker().WaitIdle();
  EXPECT_TRUE(Near(Pixel(20, 150), 0, 0, 0));
  EXPECT_TRUE(Near(Pixel(580, 150), 0, 0, 0));
  EXPECT_TRUE(Near(Pixel(300, 60), 255, 0, 0));
  EXPECT_TRUE(Near(Pixel(300, 240), 0, 0, 255));
  // A fitted width that comes out odd (401 here) is drawn one column wider,
  // still in the middle with black both sides; nothing of the picture spills
  // into the black (the scaler writes in groups of 8 pixels).
  view.resize(500, 301);
  view.worker().WaitIdle();
  for (const int x : {47, 452}) EXPECT_TRUE(Near(Pixel(x, 60), 0, 0, 0)) << x;
  for (const int x : {50, 450}) {
    EXPECT_TRUE(Near(Pixel(x, 60), 255, 0, 0)) << x;
    EXPECT_TRUE(Near(Pixel(x, 240), 0, 0, 255)) << x;
  }
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    paints += e->type() == QEvent::Paint;
    return false;
  }
};

TEST_F(PlayerViewTest, NewPicturesAskTheUserInterfaceThreadForARepaint) {
  Show(160, 120);
  PaintCounter counter;
  view.installEventFilter(&counter);
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  counter.paints = 0;
  Play();
  // The decoder thread has posted the repaint; the event loop delivers it.
  for (int i = 0; i < 50 && counter.paints == 0; ++i) QCoreApplication::processEvents();
  EXPECT_GT(counter.paints, 0);
  // Playback starts its clock on the count of pictures shown: painting the
  // same picture again does not count.
  const int32_t shown = view.PicturesShown();
  EXPECT_GE(shown, 1);
  view.repaint();
  EXPECT_EQ(view.PicturesShown(), shown);
}

TEST_F(PlayerViewTest, SnapshotAndCopyHoldThePictureShown) {
  Show(200, 150);
  std::vector<uint8_t> buf(kCopyBufferBytes);
  int32_t w = 0, h = 0, bpp = 0;
  EXPECT_NE(view.SaveSnapshot(dir_ + "/none.bmp"), 0) << "nothing decoded yet";
  EXPECT_LT(view.CopyPicture({buf.data(), &w, &h, &bpp}), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/none.bmp"));

  Play();
  ASSERT_EQ(view.SaveSnapshot(dir_ + "/front.bmp"), 0);
  testing::Bmp bmp;
  ASSERT_TRUE(testing::ReadBmp(dir_ + "/front.bmp", bmp));
  ASSERT_EQ(std::make_pair(bmp.width, bmp.height), std::make_pair(320, 240));
  const uint8_t* top = &bmp.rgb[(10 * 320 + 160) * 3];
  const uint8_t* bottom = &bmp.rgb[(230 * 320 + 160) * 3];
  EXPECT_TRUE(top[2] > 230 && top[1] < 25 && top[0] < 25) << "top is red";
  EXPECT_TRUE(bottom[0] > 230 && bottom[1] < 25 && bottom[2] < 25) << "bottom is blue";

  view.PrepareCopy();
  ASSERT_GE(view.CopyPicture({buf.data(), &w, &h, &bpp}), 0);
  ASSERT_EQ(std::vector<int>({w, h, bpp}), std::vector<int>({320, 240, 32}));
  // The copy is bottom row first; its pixels are exactly the file's.
  int mismatches = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* c = &buf[(static_cast<size_t>(h - 1 - y) * w + x) * 4];
      const uint8_t* f = &bmp.rgb[(static_cast<size_t>(y) * w + x) * 3];
      mismatches += c[0] != f[0] || c[1] != f[1] || c[2] != f[2];
    }
  }
  EXPECT_EQ(mismatches, 0);
  // And what the view shows is that picture, scaled.
  EXPECT_TRUE(Near(Pixel(100, 20), top[2], top[1], top[0]));
  EXPECT_NE(view.SaveSnapshot(dir_ + "/no/such/folder/x.bmp"), 0);
}

TEST_F(PlayerViewTest, StoppedViewIsBlackUntilRunningAgain) {
  Show(160, 120);
  Play();
  EXPECT_TRUE(Near(Pixel(80, 30), 255, 0, 0));
  view.SetStopped(true);
  view.Redraw();
  EXPECT_TRUE(Near(Pixel(80, 30), 0, 0, 0));
  view.SetStopped(false);
  view.worker().WaitIdle();
  EXPECT_TRUE(Near(Pixel(80, 30), 255, 0, 0));
}

// The blank key unit decodes to a black 352 x 240 picture that replaces the one shown.
TEST_F(PlayerViewTest, BlankKeyFrameClearsTheView) {
  Show(160, 120);
  Play();
  ASSERT_EQ(view.FeedData(false, true, BlankKeyFrame()), 0);
  view.worker().WaitIdle();
  EXPECT_TRUE(Near(Pixel(80, 30), 0, 0, 0, 2));
  std::vector<uint8_t> buf(kCopyBufferBytes);
  int32_t w = 0, h = 0, bpp = 0;
  view.PrepareCopy();
  ASSERT_GE(view.CopyPicture({buf.data(), &w, &h, &bpp}), 0);
  ASSERT_EQ(std::make_pair(w, h), std::make_pair(352, 240));
  for (size_t i = 0; i < static_cast<size_t>(w * h * 4); i += 4)
    ASSERT_EQ(buf[i] | buf[i + 1] | buf[i + 2], 0) << i;
}

TEST(PlayerSoundTest, WithoutSoundDeviceBlocksAreTakenAndDropped) {
  PlayerView view;
  SoundFormat format = testing::Pcm8kMono16();
  view.SetSoundFormat(format);
  view.SetVolume(10);
  const std::vector<uint8_t> block(640, 0);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(view.FeedData(true, false, block), 0);
  EXPECT_FALSE(view.sound().isOpen());
  EXPECT_EQ(view.sound().droppedBytes(), 25 * 640);
  // A format Qt cannot play is dropped the same way.
  format.formatTag = 0x11;
  view.SetSoundFormat(format);
  EXPECT_EQ(view.FeedData(true, false, block), 0);
}

TEST(PlayerModuleTest, LoadsRegistersAndCreatesPlayers) {
  PlayerModule module;
  ASSERT_EQ(module.Load(QString::fromUtf8(ORVIA_PLAYER_MODULE_DIR)), ModuleStatus::kLoaded)
      << module.errorString().toStdString();
  EXPECT_EQ(module.registrationResult(), 0);
  {
    QWidget window;
    EmbeddedPlayer* player = module.CreatePlayer(&window);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->widget()->parentWidget(), &window);
    player->SetViewNumber(2);
    EXPECT_EQ(player->viewNumber(), 2);
    EXPECT_EQ(player->FeedData(false, true, BlankKeyFrame()), 0);
  }  // the window deletes the player before the module goes
  module.Unload();
  EXPECT_EQ(module.status(), ModuleStatus::kNotLoaded);
}

TEST(PlayerModuleTest, ReportsMissingModuleAndMissingRegistration) {
  PlayerModule module;
  const std::string empty = testing::MakeTempDir("nomodule");
  EXPECT_EQ(module.Load(QString::fromStdString(empty)), ModuleStatus::kCannotLoad);
  EXPECT_FALSE(module.errorString().isEmpty());
  EXPECT_EQ(module.CreatePlayer(nullptr), nullptr);
  std::filesystem::remove_all(empty);

  EXPECT_EQ(module.Load(QString::fromUtf8(ORVIA_NOREG_MODULE_DIR)), ModuleStatus::kNoRegistration);
  EXPECT_EQ(module.CreatePlayer(nullptr), nullptr);
}

}  // namespace
}  // namespace orvia::player

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // No sound server for this program, even when one runs for another test.
  setenv("PULSE_SERVER", "unix:/nonexistent/orvia-no-sound", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
