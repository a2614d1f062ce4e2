// Decodes the simulated cameras the way the player does (unit by unit, from
// the viewer's index) and reads the frame ruler back from the pixels: every
// picture arrives, in order, showing its own place in the second.
#include <gtest/gtest.h>

#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "playback/recording_index.h"
#include "tests/tools/sim/sim_test_support.h"
#include "tools/sim/scene_painter.h"

namespace orvia::sim {
namespace {

// Lit ruler box of each decoded picture of stream `s`, -1 when no single box is lit.
std::vector<int> DecodeRulers(const RecordingFile& file, const RecordingIndex& index, int s, int fps) {
  std::vector<int> boxes;
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  ctx->thread_count = 1;
  if (avcodec_open2(ctx, codec, nullptr) < 0) ADD_FAILURE() << "no H.264 decoder";
  auto drain = [&]() {
    while (avcodec_receive_frame(ctx, frame) == 0) {
      int lit = -1, litCount = 0;
      for (int i = 0; i < fps; ++i) {
        int x, y;
        RulerBoxCentre(frame->width, frame->height, fps, i, &x, &y);
        const int luma = frame->data[0][y * frame->linesize[0] + x];
        if (luma > (kRulerLit + kRulerDark) / 2) {
          lit = i;
          ++litCount;
        }
      }
      boxes.push_back(litCount == 1 ? lit : -1);
    }
  };
  for (int i = 0; i < index.videoCount[s]; ++i) {
    const VideoIndexEntry& e = index.videoEntries[s][i];
    std::vector<uint8_t> unit(e.size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    if (!file.ReadAt(e.offset, std::span<uint8_t>(unit.data(), e.size))) {
      ADD_FAILURE() << "cannot read unit " << i;
      break;
    }
    packet->data = unit.data();
    packet->size = static_cast<int>(e.size);
    EXPECT_EQ(avcodec_send_packet(ctx, packet), 0) << "unit " << i;
    drain();
  }
  avcodec_send_packet(ctx, nullptr);
  drain();
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&ctx);
  return boxes;
}

TEST(Pictures, EveryDecodedPictureShowsItsPlaceInTheSecond) {
  for (int leadInMs : {0, 200}) {
    SCOPED_TRACE(leadInMs);
    CardOptions o;
    o.root = testing::MakeTempFolder("pictures" + std::to_string(leadInMs));
    o.layout = "single";
    o.seconds = 2;
    o.leadInMs = leadInMs;
    const CardReport card = MakeCard(o);
    ASSERT_TRUE(card.ok) << card.error;
    RecordingIndex index;
    RecordingFile file = OpenRecording(card.recordings.at(0).path, index);
    ASSERT_TRUE(file.IsOpen());
    // The first picture of the file is the first one due at or after the cut.
    const int first = (leadInMs * o.fps + 999) / 1000;
    for (int s = 0; s < 2; ++s) {
      SCOPED_TRACE(s);
      const std::vector<int> boxes = DecodeRulers(file, index, s, o.fps);
      ASSERT_EQ(static_cast<int>(boxes.size()), o.fps * o.seconds);
      for (size_t k = 0; k < boxes.size(); ++k) EXPECT_EQ(boxes[k], (first + k) % o.fps) << "picture " << k;
    }
  }
}

}  // namespace
}  // namespace orvia::sim
