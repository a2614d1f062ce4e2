#include "player/video_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace orvia::player {

VideoDecoder::~VideoDecoder() {
  av_frame_free(&frame_);
  avcodec_free_context(&context_);
}

bool VideoDecoder::Open(const DecoderOptions& options) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  if (!codec) return false;
  options_ = options;
  context_ = avcodec_alloc_context3(codec);
  if (!frame_) frame_ = av_frame_alloc();
  if (!context_ || !frame_) return false;
  context_->thread_count = options.threads < 0 ? 1 : options.threads;
  if (options.maxPixels > 0) context_->max_pixels = options.maxPixels;
  context_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (avcodec_open2(context_, codec, nullptr) < 0) {
    avcodec_free_context(&context_);
    return false;
  }
  return true;
}

int VideoDecoder::ReceiveAll(FrameReceiver& receiver) {
  int frames = 0;
  for (;;) {
    const int ret = avcodec_receive_frame(context_, frame_);
    if (ret < 0) break;  // EAGAIN: wants more units; EOF: drained; others: damaged data
    ++frames;
    receiver.OnFrame(frame_);
    av_frame_unref(frame_);
  }
  return frames;
}

int VideoDecoder::Decode(const AVPacket* packet, FrameReceiver& receiver) {
  if (!context_ || !packet || packet->size <= 0) return -1;
  int ret = avcodec_send_packet(context_, packet);
  if (ret == AVERROR(EAGAIN)) {
    // Pictures are waiting to be taken first.
    ReceiveAll(receiver);
    ret = avcodec_send_packet(context_, packet);
  }
  const int frames = ReceiveAll(receiver);
  if (ret < 0 && ret != AVERROR(EAGAIN)) {
    ++rejected_;
    return -1;
  }
  return frames;
}

int VideoDecoder::Drain(FrameReceiver& receiver) {
  if (!context_) return 0;
  avcodec_send_packet(context_, nullptr);
  const int frames = ReceiveAll(receiver);
  avcodec_flush_buffers(context_);
  return frames;
}

bool VideoDecoder::Reopen() {
  avcodec_free_context(&context_);
  if (frame_) av_frame_unref(frame_);
  rejected_ = 0;
  return Open(options_);
}

LatestFrame::LatestFrame() : frame_(av_frame_alloc()) {}

LatestFrame::~LatestFrame() { av_frame_free(&frame_); }

void LatestFrame::OnFrame(AVFrame* frame) {
  if (!frame_) return;
  av_frame_unref(frame_);
  av_frame_move_ref(frame_, frame);
  ++count_;
}

}  // namespace orvia::player
