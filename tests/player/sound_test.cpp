// Sound through a PulseAudio null sink: the program starts its own sound
// server in a private runtime folder and stops it at the end. Without
// pulseaudio the tests are skipped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "playback/recording_index.h"
#include "player/player_view.h"
#include "tests/player/test_media.h"

namespace orvia::player {
namespace {

bool g_serverUp = false;

SoundFormat Pcm8kMono16() {
  SoundFormat f;
  f.formatTag = 1;
  f.channels = 1;
  f.sampleRate = 8000;
  f.bitsPerSample = 16;
  f.blockAlign = 2;
  return f;
}

// Lets the sink play until it has processed `usecs` or stops advancing.
int64_t PlayOut(SoundOutput& sound, int64_t usecs) {
  int64_t last = -1;
  int still = 0;
  while (sound.processedUSecs() < usecs && still < 300) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
    const int64_t now = sound.processedUSecs();
    still = now == last ? still + 1 : 0;
    last = now;
  }
  return sound.processedUSecs();
}

TEST(PlayerSoundSinkTest, ProcessedTimeAdvancesByTheBlocksDuration) {
  if (!g_serverUp || QMediaDevices::audioOutputs().isEmpty()) GTEST_SKIP() << "no PulseAudio null sink";
  PlayerView view;
  view.SetSoundFormat(Pcm8kMono16());
  view.SetVolume(5);
  // 25 blocks of 40 ms: one second.
  std::vector<uint8_t> block(640);
  for (size_t i = 0; i < block.size(); i += 2)
    block[i + 1] = static_cast<uint8_t>((i / 2) % 40 < 20 ? 0x20 : 0xE0);
  for (int i = 0; i < 25; ++i) ASSERT_EQ(view.FeedData(true, false, block), 0);
  ASSERT_TRUE(view.sound().isOpen());
  EXPECT_EQ(view.sound().droppedBytes(), 0);
  EXPECT_EQ(PlayOut(view.sound(), 1000000), 1000000);

  // Stopping drops what is queued; sound after it starts a new sink.
  view.SetStopped(true);
  EXPECT_FALSE(view.sound().isOpen());
  view.SetStopped(false);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(view.FeedData(true, false, block), 0);
  EXPECT_EQ(PlayOut(view.sound(), 200000), 200000);
}

TEST(PlayerSoundSinkTest, BlocksBeyondTheBufferAreDroppedNotBlocking) {
  if (!g_serverUp || QMediaDevices::audioOutputs().isEmpty()) GTEST_SKIP() << "no PulseAudio null sink";
  PlayerView view;
  view.SetSoundFormat(Pcm8kMono16());
  const std::vector<uint8_t> block(640, 0);
  // Five seconds at once: about a second fits, the rest is dropped.
  for (int i = 0; i < 125; ++i) ASSERT_EQ(view.FeedData(true, false, block), 0);
  EXPECT_GT(view.sound().droppedBytes(), 0);
  EXPECT_LT(view.sound().droppedBytes(), 125 * 640);
}

}  // namespace
}  // namespace orvia::player

int main(int argc, char** argv) {
  using orvia::player::testing::Run;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  unsetenv("PULSE_SERVER");
  const std::string runtime = orvia::player::testing::MakeTempDir("pulse");
  chmod(runtime.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("HOME", runtime.c_str(), 1);  // the server's cookie and state stay in the private folder
  if (Run("pulseaudio -D --exit-idle-time=-1 -n --load=module-native-protocol-unix --load=module-null-sink "
          ">/dev/null 2>&1")) {
    // The daemon forks before it listens; wait until it answers.
    for (int i = 0; i < 100 && !orvia::player::g_serverUp; ++i) {
      orvia::player::g_serverUp = Run("pactl info >/dev/null 2>&1");
      if (!orvia::player::g_serverUp) usleep(50 * 1000);
    }
  }
  int result = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  if (orvia::player::g_serverUp) Run("pulseaudio --kill >/dev/null 2>&1");
  std::error_code ec;
  std::filesystem::remove_all(runtime, ec);
  return result;
}
