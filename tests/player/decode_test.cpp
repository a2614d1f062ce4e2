// The player's decode path against ffmpeg: pictures, order, refusal when
// full, damaged units, pooled buffers, the blank key frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "player/blank_key_frame.h"
#include "player/decode_worker.h"
#include "player/video_decoder.h"
#include "tests/player/test_media.h"

namespace orvia::player {
namespace {

using testing::FrameMd5;
using testing::Unit;

// Feeds units from a batch thread: waits for room instead of dropping.
void FeedAll(DecodeWorker& worker, const std::vector<Unit>& units) {
  for (const Unit& u : units) {
    while (worker.Submit(u.bytes, u.key) != 0) worker.WaitForRoom();
  }
}

void DrainAndWait(DecodeWorker& worker) {
  while (!worker.RequestDrain()) worker.WaitForRoom();
  worker.WaitIdle();
}

class DecodeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = testing::MakeTempDir("decode");
    recording_ = dir_ + "/two_streams.avi";
    // Front without B-frames like the recorder; rear with B-frames, whose
    // pictures come out reordered and need the final drain.
    made_ = testing::MakeVideo(
        recording_,
        "-f lavfi -i testsrc2=size=320x240:rate=15 -f lavfi -i testsrc=size=176x144:rate=15 "
        "-t 3 -map 0 -map 1 -c:v libx264 -preset veryfast -g 15 -bf:v:0 0 -bf:v:1 2 "
        "-pix_fmt yuv420p -bsf:v h264_mp4toannexb");
    if (made_) front_ = testing::ReadVideoUnits(recording_, 0);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
  void SetUp() override {
    ASSERT_TRUE(made_ && front_.size() == 45u) << "ffmpeg could not make the test recording";
  }

  static inline std::string dir_, recording_;
  static inline bool made_ = false;
  static inline std::vector<Unit> front_;  // the front stream's units
};

TEST_F(DecodeTest, BothStreamsDecodeToFfmpegsPictures) {
  for (int threads : {1, 0}) {
    SCOPED_TRACE("threads " + std::to_string(threads));
    WorkerOptions options;
    options.decoder.threads = threads;
    DecodeWorker front(options), rear(options);
    std::vector<std::string> sums[2];
    front.SetFrameObserver([&](const AVFrame& f) { sums[0].push_back(FrameMd5(f)); });
    rear.SetFrameObserver([&](const AVFrame& f) { sums[1].push_back(FrameMd5(f)); });
    ASSERT_TRUE(front.Start());
    ASSERT_TRUE(rear.Start());
    const auto rearUnits = testing::ReadVideoUnits(recording_, 1);
    ASSERT_EQ(rearUnits.size(), 45u);
    // Both views fed alternately, as the playback does.
    for (size_t i = 0; i < front_.size(); ++i) {
      FeedAll(front, {front_[i]});
      FeedAll(rear, {rearUnits[i]});
    }
    DrainAndWait(front);
    DrainAndWait(rear);
    EXPECT_EQ(sums[0], testing::FfmpegFrameMd5(recording_, 0));
    EXPECT_EQ(sums[1], testing::FfmpegFrameMd5(recording_, 1));
    EXPECT_EQ(front.stats().unitsRejected, 0);
  }
}

TEST_F(DecodeTest, SingleThreadShowsEachUnitsPictureWithoutDrain) {
  // One decoder thread per view and no held-back pictures: after each unit
  // without B-frames its picture is the newest one.
  DecodeWorker worker;
  std::vector<int64_t> pts;
  worker.SetFrameObserver([&](const AVFrame& f) { pts.push_back(f.pts); });
  ASSERT_TRUE(worker.Start());
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(worker.Submit(front_[i].bytes, front_[i].key), 0);
    worker.WaitIdle();
    ASSERT_EQ(pts.size(), static_cast<size_t>(i + 1));
    EXPECT_EQ(pts.back(), i);
  }
}

TEST_F(DecodeTest, HiddenUnitsServeAsReferencesButAreNeverShownOrKept) {
  const std::vector<std::string> want = testing::FfmpegFrameMd5(recording_, 0);
  ASSERT_EQ(want.size(), front_.size());
  for (int threads : {1, 0}) {
    SCOPED_TRACE("threads " + std::to_string(threads));
    WorkerOptions options;
    options.decoder.threads = threads;
    DecodeWorker worker(options);
    ASSERT_TRUE(worker.Start());
    worker.SetDisplaySize(160, 120);
    const auto newest = [&] {
      uint8_t md5[16];
      std::string hex;
      if (!worker.NewestDigest(md5)) return hex;
      for (uint8_t b : md5) hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
      return hex;
    };
    // Picture 0 shown, 1..6 on the way, 7 shown: the view never draws nor
    // keeps one of the pictures on the way, and 7 decodes right from their
    // references. Frame threads give their pictures out at the drain only.
    const auto feed = [&](int i, bool hidden) {
      while (worker.Submit(front_[i].bytes, i == 0, hidden) != 0) worker.WaitForRoom();
      if (threads == 1) worker.WaitIdle();
    };
    feed(0, false);
    const int64_t rendered = worker.stats().imagesRendered;
    for (int i = 1; i <= 6; ++i) feed(i, true);
    if (threads == 1) {
      EXPECT_EQ(newest(), want[0]);
      EXPECT_EQ(worker.stats().imagesRendered, rendered);
    }
    feed(7, false);
    DrainAndWait(worker);
    EXPECT_EQ(newest(), want[7]);
    EXPECT_EQ(worker.stats().framesDecoded, 8);
  }
}

TEST_F(DecodeTest, FullQueueRefusesAndLaterUnitsDecodeInOrder) {
  const auto& units = front_;
  WorkerOptions options;
  options.queueCapacity = 4;
  std::promise<void> gate;  // holds the decoder thread inside the first picture until set
  const std::shared_future<void> open = gate.get_future().share();
  std::vector<int64_t> pts;
  std::vector<std::string> sums;
  DecodeWorker worker(options);
  worker.SetFrameObserver([&](const AVFrame& f) {
    if (pts.empty()) open.wait();
    pts.push_back(f.pts);
    sums.push_back(FrameMd5(f));
  });
  ASSERT_TRUE(worker.Start());

  for (int i = 0; i < 4; ++i) ASSERT_EQ(worker.Submit(units[i].bytes, units[i].key), 0) << i;
  // The first unit is held in decoding, three wait: the queue is full, and
  // stays so however often the caller asks.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(worker.Submit(units[4].bytes, units[4].key), -1);
  EXPECT_EQ(worker.stats().unitsRefused, 3);
  gate.set_value();
  FeedAll(worker, std::vector<Unit>(units.begin() + 4, units.end()));
  worker.WaitIdle();

  ASSERT_EQ(pts.size(), units.size());
  for (size_t i = 0; i < pts.size(); ++i) EXPECT_EQ(pts[i], static_cast<int64_t>(i));
  EXPECT_EQ(sums, testing::FfmpegFrameMd5(recording_, 0));
}

TEST_F(DecodeTest, DamagedUnitsNeverStopTheDecoder) {
  const auto& units = front_;
  DecodeWorker worker;
  std::vector<std::string> sums;
  worker.SetFrameObserver([&](const AVFrame& f) { sums.push_back(FrameMd5(f)); });
  ASSERT_TRUE(worker.Start());
  av_log_set_level(AV_LOG_QUIET);  // libavcodec reports every damaged macroblock

  std::mt19937 rng(1234);
  std::vector<Unit> damaged;
  for (int i = 0; i < 200; ++i) {
    Unit u;
    const size_t size = 1 + rng() % 4000;
    u.bytes.resize(size);
    for (auto& b : u.bytes) b = static_cast<uint8_t>(rng());
    if (i % 3 == 0 && size > 5) {  // looks like a NAL unit: start code and a slice or parameter set type
      u.bytes[0] = u.bytes[1] = u.bytes[2] = 0;
      u.bytes[3] = 1;
      u.bytes[4] = static_cast<uint8_t>(0x60 | (i % 2 ? 5 : 7));
    }
    damaged.push_back(std::move(u));
  }
  // Real units cut short, and real units with flipped bytes.
  for (size_t i = 0; i < units.size(); ++i) {
    Unit cut = units[i];
    cut.bytes.resize(1 + rng() % cut.bytes.size());
    damaged.push_back(cut);
    Unit flipped = units[i];
    for (int k = 0; k < 8; ++k)
      flipped.bytes[rng() % flipped.bytes.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
    damaged.push_back(flipped);
  }
  FeedAll(worker, damaged);
  DrainAndWait(worker);
  EXPECT_GT(worker.stats().unitsRejected, 0);

  // After a drain, from the next key unit on, the pictures are exact again.
  sums.clear();
  FeedAll(worker, units);
  worker.WaitIdle();
  av_log_set_level(AV_LOG_INFO);
  EXPECT_EQ(sums, testing::FfmpegFrameMd5(recording_, 0));
}

TEST_F(DecodeTest, PacketBuffersAreReusedInSteadyState) {
  const auto& units = front_;
  WorkerOptions options;
  options.initialUnitBytes = 64;  // every slot has to grow once
  DecodeWorker worker(options);
  ASSERT_TRUE(worker.Start());
  // Warm-up: every slot meets the biggest unit's size.
  FeedAll(worker, units);
  FeedAll(worker, units);
  worker.WaitIdle();
  const int64_t afterWarmUp = worker.stats().bufferAllocations;
  EXPECT_GT(afterWarmUp, 0);
  for (int round = 0; round < 3; ++round) FeedAll(worker, units);
  worker.WaitIdle();
  EXPECT_EQ(worker.stats().bufferAllocations, afterWarmUp);
}

TEST_F(DecodeTest, ResetDecodesAsANewWorker) {
  DecodeWorker worker;
  std::vector<std::string> sums;
  worker.SetFrameObserver([&](const AVFrame& f) { sums.push_back(FrameMd5(f)); });
  ASSERT_TRUE(worker.Start());
  worker.SetDisplaySize(64, 48);
  FeedAll(worker, front_);
  worker.WaitIdle();
  worker.HoldPicture();
  ASSERT_TRUE(worker.HasPicture());
  ASSERT_TRUE(worker.ReadShownImage([](const RgbImage&) {}));

  ASSERT_TRUE(worker.Reset());
  EXPECT_FALSE(worker.HasPicture());
  int w = 0, h = 0;
  EXPECT_FALSE(worker.HeldSize(&w, &h));
  EXPECT_EQ(worker.stats().framesDecoded, 0);
  // No view size: a picture decodes but none is drawn.
  sums.clear();
  FeedAll(worker, {front_[0]});
  worker.WaitIdle();
  EXPECT_EQ(sums.size(), 1u);
  EXPECT_FALSE(worker.ReadShownImage([](const RgbImage&) {}));

  // The parameter sets are gone with the decoder: a unit after the key unit
  // shows nothing, unlike after a drain.
  ASSERT_TRUE(worker.Reset());
  av_log_set_level(AV_LOG_QUIET);
  sums.clear();
  FeedAll(worker, {front_[1]});
  worker.WaitIdle();
  av_log_set_level(AV_LOG_INFO);
  EXPECT_TRUE(sums.empty());
  EXPECT_FALSE(worker.HasPicture());

  // From the key unit on, ffmpeg's pictures again.
  ASSERT_TRUE(worker.Reset());
  sums.clear();
  FeedAll(worker, front_);
  worker.WaitIdle();
  EXPECT_EQ(sums, testing::FfmpegFrameMd5(recording_, 0));
}

TEST_F(DecodeTest, PicturesAboveTheSizeLimitAreNotDecoded) {
  for (const int64_t limit : {int64_t{320 * 240 - 1}, int64_t{320 * 240}}) {
    SCOPED_TRACE(limit);
    WorkerOptions options;
    options.decoder.maxPixels = limit;
    DecodeWorker worker(options);
    ASSERT_TRUE(worker.Start());
    av_log_set_level(AV_LOG_QUIET);
    FeedAll(worker, std::vector<Unit>(front_.begin(), front_.begin() + 5));
    worker.WaitIdle();
    av_log_set_level(AV_LOG_INFO);
    EXPECT_EQ(worker.stats().framesDecoded, limit < 320 * 240 ? 0 : 5);
  }
}

TEST(BlankKeyFrameTest, IsASmallKeyUnitOfParameterSetsAndAnIdrSlice) {
  const auto blank = BlankKeyFrame();
  ASSERT_GT(blank.size(), 100u);
  ASSERT_LT(blank.size(), 1024u);
  // Annex B, 4-byte start codes, SPS, PPS and IDR only.
  std::vector<int> types;
  for (size_t i = 0; i + 4 < blank.size(); ++i) {
    if (blank[i] == 0 && blank[i + 1] == 0 && blank[i + 2] == 1) {
      ASSERT_GE(i, 1u);
      EXPECT_EQ(blank[i - 1], 0) << "3-byte start code at " << i;
      types.push_back(blank[i + 3] & 0x1F);
    }
  }
  EXPECT_EQ(types, (std::vector<int>{7, 8, 5}));

  // What it decodes to is checked where the view shows it.
}

TEST_F(DecodeTest, BenchDecodeReportsBothRatesAndTheirRatio) {
  const std::string out = dir_ + "/bench.txt";
  ASSERT_TRUE(testing::Run(std::string("'") + ORVIA_CLI + "' bench decode '" + recording_ + "' --runs 1 > '" +
                           out + "'"));
  std::ifstream in(out);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const char* line : {"units         45 + 45", "pictures      90", "player ", "ffmpeg ", "ratio "})
    EXPECT_NE(text.find(line), std::string::npos) << text;
  // Not two video streams: refused with status 1.
  const std::string single = dir_ + "/single.avi";
  ASSERT_TRUE(testing::MakeVideo(single, "-f lavfi -i testsrc2=size=64x48:rate=5 -t 1 -c:v libx264"));
  EXPECT_FALSE(testing::Run(std::string("'") + ORVIA_CLI + "' bench decode '" + single + "' 2>/dev/null"));
}

}  // namespace
}  // namespace orvia::player
