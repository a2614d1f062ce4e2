// One H.264 decoder (libavcodec) fed with Annex B access units. Keeps its
// state between units: a unit without parameter sets decodes against the last
// ones given. Damaged units are rejected by libavcodec and leave the decoder
// usable. Used by one thread at a time (a view's decoder thread, the bench).
#pragma once

#include <atomic>
#include <cstdint>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace orvia::player {

struct DecoderOptions {
  // libavcodec's worker threads for this decoder: 1 decodes on the calling
  // thread alone and hands each picture out with the unit that completes it;
  // more use frame threads, which hold back threads - 1 pictures until later
  // units (or a drain) push them out. 0 lets libavcodec choose.
  int threads = 1;
  // The largest picture (width x height) the decoder takes; a unit that
  // declares a larger one is rejected before anything is allocated for it.
  // 0 keeps libavcodec's own limit.
  int64_t maxPixels = 0;
};

class FrameReceiver {
 public:
  virtual ~FrameReceiver() = default;
  // A decoded picture. The receiver may move its references out
  // (av_frame_move_ref); the decoder reuses the frame afterwards.
  virtual void OnFrame(AVFrame* frame) = 0;
};

// Keeps the newest picture a decoder hands out, and counts them: what a
// caller needs that takes single pictures rather than showing a stream.
class LatestFrame : public FrameReceiver {
 public:
  LatestFrame();
  ~LatestFrame() override;
  LatestFrame(const LatestFrame&) = delete;
  LatestFrame& operator=(const LatestFrame&) = delete;
  void OnFrame(AVFrame* frame) override;
  int count() const { return count_; }
  const AVFrame& frame() const { return *frame_; }

 private:
  AVFrame* frame_;
  int count_ = 0;
};

class VideoDecoder {
 public:
  VideoDecoder() = default;
  ~VideoDecoder();
  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;

  // False when libavcodec has no H.264 decoder or it cannot be opened.
  bool Open(const DecoderOptions& options);
  bool isOpen() const { return context_ != nullptr; }

  // Decodes one unit; every picture that comes out goes to `receiver`.
  // Returns the number of pictures, or -1 when libavcodec rejected the unit.
  int Decode(const AVPacket* packet, FrameReceiver& receiver);
  // Hands out the pictures held back (frame threads), then readies the
  // decoder for more units; the next unit should be a key unit.
  int Drain(FrameReceiver& receiver);
  // Closes the decoder and opens a new one with the same options: unlike
  // Drain, it forgets the parameter sets and every picture it held, so what
  // follows decodes as in a new decoder. False (and closed) when it cannot.
  bool Reopen();

  int64_t rejectedUnits() const { return rejected_; }

 private:
  int ReceiveAll(FrameReceiver& receiver);

  DecoderOptions options_;
  AVCodecContext* context_ = nullptr;
  AVFrame* frame_ = nullptr;
  std::atomic<int64_t> rejected_{0};  // read by other threads for statistics
};

}  // namespace orvia::player
