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
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "playback/recording_index.h"
#include "player/player_view.h"
#include "tests/player/test_media.h"

namespace orvia::player {
namespace {

bool g_serverUp = false;

// Lets the sink play until it has processed `usecs` or stops advancing for
// ten seconds (a loaded machine may starve the sound server for seconds).
int64_t PlayOut(SoundOutput& sound, int64_t usecs) {
  int64_t last = -1;
  int still = 0;
  while (sound.processedUSecs() < usecs && still < 1000) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
    const int64_t now = sound.processedUSecs();
    still = now == last ? still + 1 : 0;
    last = now;
  }
  return sound.processedUSecs();
}

// A block of 40 ms: a square wave at a quarter of full scale with one
// sample at `peak` at `peakAt`.
std::vector<uint8_t> Block(int16_t peak = 0, size_t peakAt = 0) {
  std::vector<uint8_t> block(640);
  for (size_t i = 0; i < block.size(); i += 2) {
    const int16_t v = (i / 2) % 40 < 20 ? 0x2000 : -0x2000;
    std::memcpy(&block[i], &v, 2);
  }
  if (peak != 0) std::memcpy(&block[peakAt * 2], &peak, 2);
  return block;
}

// A view playing 8 kHz 16-bit mono into the null sink.
class PlayerSoundSinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_serverUp || QMediaDevices::audioOutputs().isEmpty()) GTEST_SKIP() << "no PulseAudio null sink";
    view.SetSoundFormat(testing::Pcm8kMono16());
  }
  PlayerView view;
};

TEST_F(PlayerSoundSinkTest, ProcessedTimeAdvancesByTheBlocksDuration) {
  view.SetVolume(5);
  // Ten blocks of 40 ms.
  const std::vector<uint8_t> block = Block();
  for (int i = 0; i < 10; ++i) ASSERT_EQ(view.FeedData(true, false, block), 0);
  ASSERT_TRUE(view.sound().isOpen());
  EXPECT_EQ(view.sound().droppedBytes(), 0);
  // What waits to play is never more than what was handed over.
  const int32_t queued = view.SoundQueuedUs();
  EXPECT_GE(queued, 0);
  EXPECT_LE(queued, 400000);
  EXPECT_EQ(PlayOut(view.sound(), 400000), 400000);
  EXPECT_EQ(view.SoundQueuedUs(), 0);

  // Stopping drops what is queued; sound after it starts a new sink.
  view.SetStopped(true);
  EXPECT_FALSE(view.sound().isOpen());
  view.SetStopped(false);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(view.FeedData(true, false, block), 0);
  EXPECT_EQ(PlayOut(view.sound(), 200000), 200000);
}

TEST_F(PlayerSoundSinkTest, FlushDropsWhatWaitsAndAFormatItCannotPlayTellsSo) {
  const std::vector<uint8_t> block = Block();
  // Twenty blocks: more than the sink takes at once.
  for (int i = 0; i < 20; ++i) ASSERT_EQ(view.FeedData(true, false, block), 0);
  view.FlushSound();
  EXPECT_TRUE(view.sound().isOpen());
  EXPECT_LE(view.SoundQueuedUs(), 2 * kSinkBufferMs * 1000);
  ASSERT_EQ(view.FeedData(true, false, block), 0);
  EXPECT_LE(view.SoundQueuedUs(), 2 * kSinkBufferMs * 1000 + 40000);

  SoundFormat adpcm = testing::Pcm8kMono16();
  adpcm.formatTag = 2;
  view.SetSoundFormat(adpcm);
  EXPECT_LT(view.SoundQueuedUs(), 0);
}

TEST_F(PlayerSoundSinkTest, BlocksBeyondTheQueueAreDroppedNotBlocking) {
  const std::vector<uint8_t> block(640, 0);
  // Five seconds at once: the queue and the sink's buffer take well under
  // a second, the rest is dropped.
  for (int i = 0; i < 125; ++i) ASSERT_EQ(view.FeedData(true, false, block), 0);
  EXPECT_GT(view.sound().droppedBytes(), 100 * 640);
  EXPECT_LT(view.sound().droppedBytes(), 125 * 640);
  EXPECT_LE(view.SoundQueuedUs(), (kQueueLimitMs + 2 * kSinkBufferMs) * 1000);
}

// Records the sound blocks a player reports played: (time, loudest sample).
class SoundTrace : public AvTraceSink {
 public:
  void PictureShown(int32_t, int64_t, int32_t) override {}
  void SoundPlayed(int64_t ns, int32_t peak) override { sounds.push_back({ns, peak}); }
  std::vector<std::pair<int64_t, int32_t>> sounds;
};

TEST_F(PlayerSoundSinkTest, TraceTellsWhenEachBlocksLoudestSamplePlayed) {
  SoundTrace trace;
  view.SetAvTrace(&trace);
  // Five blocks; the third carries a click 10 ms in.
  for (int i = 0; i < 5; ++i) ASSERT_EQ(view.FeedData(true, false, i == 2 ? Block(32767, 80) : Block()), 0);
  EXPECT_EQ(PlayOut(view.sound(), 200000), 200000);
  QCoreApplication::processEvents();
  QThread::msleep(30);
  QCoreApplication::processEvents();
  ASSERT_EQ(trace.sounds.size(), 5u);
  EXPECT_EQ(trace.sounds[2].second, 32767);
  EXPECT_EQ(trace.sounds[1].second, 0x2000);
  for (size_t i = 1; i < trace.sounds.size(); ++i)
    EXPECT_GE(trace.sounds[i].first, trace.sounds[i - 1].first);
  view.SetAvTrace(nullptr);
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
