#include "tools/sim/h264_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

namespace orvia::sim {

namespace {

constexpr int kNalSei = 6;
constexpr int kNalSps = 7;
constexpr int kNalAud = 9;

std::string AvError(const char* what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return std::string(what) + ": " + text;
}

struct NalSpan {
  size_t begin;  // first byte of the NAL header
  size_t end;    // one past the last payload byte
};

// NAL units of an Annex B stream (3- or 4-byte start codes), trailing zero
// bytes of each unit left out.
std::vector<NalSpan> SplitNals(std::span<const uint8_t> b) {
  std::vector<NalSpan> nals;
  size_t i = 0;
  const size_t n = b.size();
  auto findStart = [&](size_t from) -> size_t {
    for (size_t k = from; k + 2 < n; ++k) {
      if (b[k] == 0 && b[k + 1] == 0 && b[k + 2] == 1) return k;
    }
    return n;
  };
  i = findStart(0);
  while (i < n) {
    const size_t begin = i + 3;
    size_t next = findStart(begin);
    size_t end = next;
    while (end > begin && b[end - 1] == 0) --end;
    if (end > begin) nals.push_back({begin, end});
    i = next;
  }
  return nals;
}

}  // namespace

std::vector<uint8_t> NormalizeAccessUnit(std::span<const uint8_t> annexB) {
  std::vector<uint8_t> out;
  out.reserve(annexB.size() + 8);
  for (const NalSpan& nal : SplitNals(annexB)) {
    const int type = annexB[nal.begin] & 0x1f;
    if (type == kNalSei || type == kNalAud) continue;
    const uint8_t startCode[4] = {0, 0, 0, 1};
    out.insert(out.end(), startCode, startCode + 4);
    out.insert(out.end(), annexB.begin() + nal.begin, annexB.begin() + nal.end);
  }
  return out;
}

std::vector<int> NalTypes(std::span<const uint8_t> annexB) {
  std::vector<int> types;
  for (const NalSpan& nal : SplitNals(annexB)) types.push_back(annexB[nal.begin] & 0x1f);
  return types;
}

H264Encoder::~H264Encoder() {
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&ctx_);
}

bool H264Encoder::Open(const EncoderSettings& s, std::string* error) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (!codec) {
    *error = "libavcodec has no libx264 encoder";
    return false;
  }
  ctx_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!ctx_ || !frame_ || !packet_) {
    *error = "out of memory";
    return false;
  }
  ctx_->width = s.width;
  ctx_->height = s.height;
  ctx_->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx_->time_base = AVRational{1, s.fps};
  ctx_->framerate = AVRational{s.fps, 1};
  ctx_->gop_size = s.gop;
  ctx_->keyint_min = s.gop;
  ctx_->max_b_frames = 0;
  ctx_->thread_count = 1;
  // No global header: x264 then repeats SPS and PPS in front of every IDR.
  av_opt_set(ctx_->priv_data, "preset", "superfast", 0);
  av_opt_set(ctx_->priv_data, "tune", "zerolatency", 0);
  av_opt_set_double(ctx_->priv_data, "crf", s.crf, 0);
  // Only errors are logged. Fixed GOP without scene cuts, no B-frames, no
  // AUD, one thread (the bytes then depend on the pictures only); the
  // cheapest motion search keeps a one-minute recording at a few seconds of
  // CPU.
  av_opt_set(ctx_->priv_data, "x264-params",
             "log=0:me=dia:subme=0:trellis=0:scenecut=0:bframes=0:aud=0:repeat-headers=1:annexb=1:threads=1:"
             "sliced-threads=0:lookahead-threads=1:rc-lookahead=0",
             0);
  int rc = avcodec_open2(ctx_, codec, nullptr);
  if (rc < 0) {
    *error = AvError("cannot open libx264", rc);
    return false;
  }
  frame_->format = AV_PIX_FMT_YUV420P;
  frame_->width = s.width;
  frame_->height = s.height;
  rc = av_frame_get_buffer(frame_, 0);
  if (rc < 0) {
    *error = AvError("cannot allocate a picture", rc);
    return false;
  }
  return true;
}

Picture H264Encoder::NextPicture() {
  Picture p;
  if (av_frame_make_writable(frame_) < 0) return p;
  p.y = frame_->data[0];
  p.u = frame_->data[1];
  p.v = frame_->data[2];
  p.strideY = frame_->linesize[0];
  p.strideU = frame_->linesize[1];
  p.strideV = frame_->linesize[2];
  p.width = frame_->width;
  p.height = frame_->height;
  return p;
}

bool H264Encoder::Encode(bool key, std::vector<AccessUnit>& out, std::string* error) {
  frame_->pts = pts_++;
  // A forced I picture is an IDR here (closed GOP), so key units sit where
  // the recorder puts them: at the start of the file and of every second.
  frame_->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  frame_->key_frame = frame_->pict_type == AV_PICTURE_TYPE_I;
  const int rc = avcodec_send_frame(ctx_, frame_);
  if (rc < 0) {
    *error = AvError("encoding failed", rc);
    return false;
  }
  return Drain(out, error);
}

bool H264Encoder::Flush(std::vector<AccessUnit>& out, std::string* error) {
  const int rc = avcodec_send_frame(ctx_, nullptr);
  if (rc < 0 && rc != AVERROR_EOF) {
    *error = AvError("flushing failed", rc);
    return false;
  }
  return Drain(out, error);
}

bool H264Encoder::Drain(std::vector<AccessUnit>& out, std::string* error) {
  for (;;) {
    const int rc = avcodec_receive_packet(ctx_, packet_);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
    if (rc < 0) {
      *error = AvError("encoding failed", rc);
      return false;
    }
    AccessUnit unit;
    unit.bytes = NormalizeAccessUnit(std::span<const uint8_t>(packet_->data, packet_->size));
    const std::vector<int> types = NalTypes(unit.bytes);
    unit.key = !types.empty() && types.front() == kNalSps;
    av_packet_unref(packet_);
    if (!unit.bytes.empty()) out.push_back(std::move(unit));
  }
}

}  // namespace orvia::sim
