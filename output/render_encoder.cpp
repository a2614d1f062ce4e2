#include "output/render_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace orvia {
namespace {

// x264's speed preset and constant rate factor of each quality.
struct QualitySetting {
  const char* preset;
  const char* crf;
};
QualitySetting SettingOf(RenderQuality q) {
  switch (q) {
    case RenderQuality::kSmaller:
      return {"veryfast", "28"};
    case RenderQuality::kBest:
      return {"medium", "20"};
    case RenderQuality::kBalanced:
      break;
  }
  return {"veryfast", "23"};
}

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

RenderEncoder::~RenderEncoder() {
  sws_freeContext(sws_);
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&context_);
}

bool RenderEncoder::Open(int width, int height, int fps, RenderQuality quality, std::string* error) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (!codec) return Fail(error, "this FFmpeg has no libx264 encoder");
  context_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!context_ || !frame_ || !packet_) return Fail(error, "out of memory");
  width_ = width;
  height_ = height;
  context_->width = width;
  context_->height = height;
  context_->pix_fmt = AV_PIX_FMT_YUV420P;
  context_->time_base = {1, 1000};
  context_->framerate = {fps, 1};
  context_->gop_size = fps * 4;  // a key picture every 4 s: a viewer can seek in a shared clip
  context_->max_b_frames = 0;
  context_->thread_count = 0;  // x264 chooses by the cores
  context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  // swscale converts with the BT.601 matrix in limited range; the stream says so.
  context_->colorspace = AVCOL_SPC_SMPTE170M;
  context_->color_primaries = AVCOL_PRI_SMPTE170M;
  context_->color_trc = AVCOL_TRC_SMPTE170M;
  context_->color_range = AVCOL_RANGE_MPEG;
  const QualitySetting s = SettingOf(quality);
  av_opt_set(context_->priv_data, "preset", s.preset, 0);
  av_opt_set(context_->priv_data, "crf", s.crf, 0);
  if (avcodec_open2(context_, codec, nullptr) < 0) return Fail(error, "libx264 refused the settings");
  frame_->format = AV_PIX_FMT_YUV420P;
  frame_->width = width;
  frame_->height = height;
  if (av_frame_get_buffer(frame_, 0) < 0) return Fail(error, "out of memory");
  sws_ = sws_getContext(width, height, AV_PIX_FMT_RGB32, width, height, AV_PIX_FMT_YUV420P, SWS_BILINEAR,
                        nullptr, nullptr, nullptr);
  if (!sws_) return Fail(error, "the picture converter is not available");
  return true;
}

std::span<const uint8_t> RenderEncoder::Header() const {
  if (!context_ || !context_->extradata) return {};
  return {context_->extradata, static_cast<size_t>(context_->extradata_size)};
}

bool RenderEncoder::Receive(const PacketSink& sink, std::string* error) {
  for (;;) {
    const int rc = avcodec_receive_packet(context_, packet_);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
    if (rc < 0) return Fail(error, "the H.264 encoder failed");
    const bool ok = sink({packet_->data, static_cast<size_t>(packet_->size)}, packet_->pts);
    av_packet_unref(packet_);
    if (!ok) return false;
  }
}

bool RenderEncoder::Encode(const uint8_t* rgb, int stride, int64_t ptsMs, const PacketSink& sink,
                           std::string* error) {
  // The encoder may still hold the last picture's buffer; then a new one.
  if (av_frame_make_writable(frame_) < 0) return Fail(error, "out of memory");
  const uint8_t* src[1] = {rgb};
  const int srcStride[1] = {stride};
  sws_scale(sws_, src, srcStride, 0, height_, frame_->data, frame_->linesize);
  frame_->pts = ptsMs;
  if (avcodec_send_frame(context_, frame_) < 0) return Fail(error, "the H.264 encoder failed");
  return Receive(sink, error);
}

bool RenderEncoder::Flush(const PacketSink& sink, std::string* error) {
  if (avcodec_send_frame(context_, nullptr) < 0) return Fail(error, "the H.264 encoder failed");
  return Receive(sink, error);
}

}  // namespace orvia
