// The call contract, its checks of the arguments, and the small logic pieces
// the player is built from.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "playback/recording_index.h"
#include "player/bmp_file.h"
#include "player/frame_converter.h"
#include "player/player_contract.h"
#include "player/unit_queue.h"
#include "tests/player/test_media.h"
#include "tests/support/recording_player.h"

namespace orvia::player {
namespace {

std::vector<PlayerOp> Ops(const RecordingPlayer& p) {
  std::vector<PlayerOp> out;
  for (const auto& c : p.calls()) out.push_back(c.op);
  return out;
}
std::vector<std::vector<int32_t>> Ints(const RecordingPlayer& p) {
  std::vector<std::vector<int32_t>> out;
  for (const auto& c : p.calls()) out.push_back(c.ints);
  return out;
}

TEST(PlayerContractTest, WrappersPassTheContractsArguments) {
  RecordingPlayer p;
  const uint8_t unit[] = {0, 0, 0, 1, 0x67, 1, 2};
  EXPECT_EQ(p.FeedData(false, true, unit), 0);
  p.SetVolume(7);
  p.SetStopped(true);
  p.Redraw();
  EXPECT_EQ(p.SaveSnapshot("/tmp/x.bmp"), 0);
  p.PrepareCopy();
  std::vector<uint8_t> buf(kCopyBufferBytes);
  int32_t w = 0, h = 0, bpp = 0;
  p.CopyPicture({buf.data(), &w, &h, &bpp});
  p.SetViewNumber(3);

  // Each call's operation and integer arguments, in order.
  EXPECT_EQ(Ops(p), (std::vector<PlayerOp>{PlayerOp::kFeedData, PlayerOp::kSetVolume, PlayerOp::kSetStopped,
                                           PlayerOp::kRedraw, PlayerOp::kSaveSnapshot, PlayerOp::kPrepareCopy,
                                           PlayerOp::kCopyPicture, PlayerOp::kSetViewNumber}));
  EXPECT_EQ(Ints(p), (std::vector<std::vector<int32_t>>{
                         {0, 0, 0, 0, 1, 7}, {7}, {1}, {}, {0, 0}, {0}, {255, 1, 0, 0}, {3}}));
  const auto& c = p.calls();
  EXPECT_EQ(c[0].addresses, (std::vector<void*>{const_cast<uint8_t*>(unit)}));
  EXPECT_EQ(c[0].feed.bytes, std::vector<uint8_t>(unit, unit + 7));
  EXPECT_EQ(c[4].texts, (std::vector<std::string>{"/tmp/x.bmp"}));
  EXPECT_EQ(c[6].addresses, (std::vector<void*>{buf.data(), &w, &h, &bpp}));
}

TEST(PlayerContractTest, StartupAndResetSequences) {
  RecordingPlayer front, rear;
  front.Startup(true);
  rear.Startup(false);
  auto ops = [](const RecordingPlayer& p) {
    std::vector<int32_t> out;
    for (PlayerOp op : Ops(p)) out.push_back(static_cast<int32_t>(op));
    return out;
  };
  EXPECT_EQ(ops(front), (std::vector<int32_t>{87, 77, 9}));
  EXPECT_EQ(front.calls()[0].ints, (std::vector<int32_t>{1, 16}));
  EXPECT_EQ(front.calls()[2].ints, (std::vector<int32_t>{0, 0, 0, 1}));
  EXPECT_EQ(ops(rear), (std::vector<int32_t>{77, 9}));

  front.ClearCalls();
  front.Reset(true);
  EXPECT_EQ(ops(front), (std::vector<int32_t>{86, 57, 58, 59, 60, 62, 63, 74, 61, 67}));
  std::vector<std::vector<int32_t>> ints(10, {0});
  ints[8] = {1};  // the sound is on
  EXPECT_EQ(Ints(front), ints);
  EXPECT_EQ(front.calls()[9].texts, (std::vector<std::string>{""}));
  rear.ClearCalls();
  rear.Reset(false);
  EXPECT_EQ(rear.calls().front().op, PlayerOp::kReset57);
}

// A player whose handlers record what reached them after the checks.
class ProbePlayer : public DispatchingPlayer {
 public:
  std::vector<std::string> seen;

 protected:
  int32_t OnFeedData(bool sound, bool key, std::span<const uint8_t> bytes) override {
    seen.push_back("feed " + std::to_string(sound) + std::to_string(key) + " " +
                   std::to_string(bytes.size()));
    return 5;
  }
  void OnSetVolume(int32_t level) override { seen.push_back("volume " + std::to_string(level)); }
  void OnSetStopped(bool stopped) override { seen.push_back("stopped " + std::to_string(stopped)); }
  void OnRedraw() override { seen.push_back("redraw"); }
  int32_t OnSaveSnapshot(std::string_view path) override {
    seen.push_back("snapshot " + std::string(path));
    return 0;
  }
  void OnPrepareCopy() override { seen.push_back("prepare"); }
  int32_t OnCopyPicture(const CopyTarget&) override {
    seen.push_back("copy");
    return 0;
  }
  void OnSetSoundFormat(const SoundFormat& f) override {
    seen.push_back("sound " + std::to_string(f.sampleRate));
  }
};

TEST(DispatchingPlayerTest, RoutesWellFormedCallsAndRefusesBrokenOnes) {
  ProbePlayer p;
  p.Startup(true);  // set-up calls are counted, not handed on
  p.Reset(true);
  EXPECT_EQ(p.SetupCallCount(PlayerOp::kReset67), 1);
  const uint8_t unit[4] = {};
  EXPECT_EQ(p.FeedData(true, false, unit), 5);
  p.SetVolume(25);
  p.SetVolume(-3);
  p.SetSoundFormat(testing::Pcm8kMono16());

  using A = PlayerArg;
  // Negative length, missing address, length with a null address, text where
  // an integer belongs, unknown operation, CopyPicture with a null address.
  const A negative[] = {
      A::Int(0), A::Int(0), A::Int(0), A::Int(0), A::Int(0), A::Int(-1), A::Address((void*)unit)};
  EXPECT_EQ(p.Call(PlayerOp::kFeedData, negative), kBadCall);
  const A shortList[] = {A::Int(0), A::Int(0), A::Int(0), A::Int(0), A::Int(0), A::Int(4)};
  EXPECT_EQ(p.Call(PlayerOp::kFeedData, shortList), kBadCall);
  const A nullData[] = {A::Int(0), A::Int(0), A::Int(0),          A::Int(0),
                        A::Int(0), A::Int(4), A::Address(nullptr)};
  EXPECT_EQ(p.Call(PlayerOp::kFeedData, nullData), kBadCall);
  const A text[] = {A::Text("7")};
  EXPECT_EQ(p.Call(PlayerOp::kSetVolume, text), kBadCall);
  EXPECT_EQ(p.Call(static_cast<PlayerOp>(12345), {}), kBadCall);
  int32_t v = 0;
  const A copy[] = {A::Int(255),    A::Address(nullptr), A::Address(&v), A::Address(&v),
                    A::Address(&v), A::Int(1),           A::Int(0),      A::Int(0)};
  EXPECT_EQ(p.Call(PlayerOp::kCopyPicture, copy), kBadCall);
  const A emptyPath[] = {A::Text(""), A::Int(0), A::Int(0)};
  EXPECT_EQ(p.Call(PlayerOp::kSaveSnapshot, emptyPath), kBadCall);

  EXPECT_EQ(p.seen, (std::vector<std::string>{"feed 10 4", "volume 10", "volume 0", "sound 8000"}));
}

// The scaler's vector code writes rows in groups of 8 pixels; a picture
// converted into part of a wider image (a rendered video's views side by
// side) must leave the pixels beside its rows alone, whatever its width.
TEST(FrameConverterTest, WritesNothingBesideTheRowsItIsGiven) {
  AVFrame* frame = av_frame_alloc();
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = 1280;
  frame->height = 720;
  ASSERT_EQ(av_frame_get_buffer(frame, 0), 0);
  for (int p = 0; p < 3; ++p)
    std::fill_n(frame->data[p], static_cast<size_t>(frame->linesize[p]) * (p ? 360 : 720), uint8_t{128});
  FrameConverter converter;
  constexpr int kStride = 512 * 4;
  for (const int w : {394, 396, 398, 400, 402}) {
    std::vector<uint8_t> image(static_cast<size_t>(kStride) * 100, 0xAB);
    ASSERT_TRUE(converter.Convert(*frame, w, 100, image.data(), kStride)) << w;
    int spilt = 0;
    for (int y = 0; y < 100; ++y)
      spilt += image[static_cast<size_t>(y) * kStride + static_cast<size_t>(w) * 4] != 0xAB;
    EXPECT_EQ(spilt, 0) << "rows written past " << w << " pixels";
  }
  av_frame_free(&frame);
}

TEST(FitPictureTest, KeepsProportionsAndCentres) {
  struct Row {
    int w, h, sarNum, sarDen, viewW, viewH;
    FitRect want;
  };
  const Row rows[] = {
      {1280, 720, 0, 0, 1280, 720, {0, 0, 1280, 720}},
      {1280, 720, 0, 0, 700, 393, {0, 0, 699, 393}},    // wider view than 16:9 by a hair
      {320, 240, 0, 0, 400, 200, {66, 0, 267, 200}},    // pillar box
      {640, 360, 0, 0, 282, 209, {0, 25, 282, 159}},    // letter box
      {352, 240, 10, 11, 352, 240, {16, 0, 320, 240}},  // non-square pixels
      {0, 240, 0, 0, 100, 100, {0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    const FitRect got = FitPicture(r.w, r.h, r.sarNum, r.sarDen, r.viewW, r.viewH);
    EXPECT_EQ(std::vector<int>({got.x, got.y, got.width, got.height}),
              std::vector<int>({r.want.x, r.want.y, r.want.width, r.want.height}))
        << r.w << "x" << r.h << " in " << r.viewW << "x" << r.viewH;
  }
  int w = 0, h = 0;
  FitWithin(3840, 2160, kCopyMaxWidth, kCopyMaxHeight, &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(1920, 1080));
  FitWithin(640, 480, kCopyMaxWidth, kCopyMaxHeight, &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(640, 480));
}

TEST(BmpFileTest, WritesBottomUpPaddedTwentyFourBitRows) {
  const std::string dir = testing::MakeTempDir("bmp");
  // 3 x 2 pixels, RGB32 in memory (B, G, R, A); row 0 red, row 1 blue.
  std::vector<uint8_t> px = {0,   0, 255, 255, 0,   0, 255, 255, 0,   0, 255, 255,
                             255, 0, 0,   255, 255, 0, 0,   255, 255, 0, 0,   255};
  const std::string path = dir + "/p.bmp";
  ASSERT_TRUE(WriteBmp24(path, px.data(), 3, 2, 12));
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(d.size(), 54u + 2 * 12);  // rows of 9 bytes padded to 12
  EXPECT_EQ(d[28], 24);
  // First stored row is the bottom (blue) row, then 3 filler zeros.
  EXPECT_EQ(std::vector<uint8_t>(d.begin() + 54, d.begin() + 66),
            (std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(d.begin() + 66, d.begin() + 69), (std::vector<uint8_t>{0, 0, 255}));
  testing::Bmp bmp;
  uint32_t fileSize = 0;
  ASSERT_TRUE(testing::ReadBmp(path, bmp, &fileSize));
  EXPECT_EQ(fileSize, d.size());

  EXPECT_FALSE(WriteBmp24(dir + "/missing/p.bmp", px.data(), 3, 2, 12));
  EXPECT_FALSE(WriteBmp24(dir + "/q.bmp", px.data(), 0, 2, 12));
  std::filesystem::remove_all(dir);
}

TEST(UnitQueueTest, RingKeepsOrderAndCapacity) {
  UnitQueue q(3, 16);
  for (int i = 0; i < 3; ++i) {
    UnitSlot* s = q.Reserve();
    ASSERT_NE(s, nullptr);
    const uint8_t b[] = {static_cast<uint8_t>(i)};
    ASSERT_TRUE(q.Fill(s, b, i == 0, i));
    q.Commit(true);
  }
  EXPECT_TRUE(q.full());
  EXPECT_EQ(q.Reserve(), nullptr);
  EXPECT_EQ(q.Front()->packet->data[0], 0);
  EXPECT_TRUE(q.Front()->packet->flags & AV_PKT_FLAG_KEY);
  q.Pop();
  UnitSlot* s = q.Reserve();
  ASSERT_NE(s, nullptr);
  q.Commit(false);  // given back: nothing added
  EXPECT_EQ(q.count(), 2);
  EXPECT_EQ(q.Front()->packet->pts, 1);
  q.DropPending(true);
  EXPECT_EQ(q.count(), 1);
  EXPECT_EQ(q.Front()->packet->pts, 1);
  EXPECT_EQ(q.bufferAllocations(), 0);
}

TEST(UnitQueueTest, BuffersGrowForBigUnitsAndAreNotOverwrittenWhileReferenced) {
  UnitQueue q(1, 16);
  std::vector<uint8_t> big(1000, 7);
  UnitSlot* s = q.Reserve();
  ASSERT_TRUE(q.Fill(s, big, false, 0));
  q.Commit(true);
  EXPECT_EQ(q.bufferAllocations(), 1);
  EXPECT_EQ(q.Front()->packet->size, 1000);
  EXPECT_EQ(q.Front()->packet->data[1000], 0);  // padding cleared
  // A decoder still holding the packet's buffer (frame threads do).
  AVBufferRef* held = av_buffer_ref(q.Front()->packet->buf);
  q.Pop();
  s = q.Reserve();
  const uint8_t small[] = {9};
  ASSERT_TRUE(q.Fill(s, small, false, 1));
  q.Commit(true);
  EXPECT_EQ(held->data[0], 7);  // untouched
  EXPECT_EQ(q.bufferAllocations(), 2);
  av_buffer_unref(&held);
  // Writable again and big enough: reused.
  q.Pop();
  s = q.Reserve();
  ASSERT_TRUE(q.Fill(s, big, false, 2));
  q.Commit(true);
  EXPECT_EQ(q.bufferAllocations(), 2);
}

}  // namespace
}  // namespace orvia::player
