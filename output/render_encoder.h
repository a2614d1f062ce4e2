// The encoder of a rendered video: composed RGB32 pictures converted to
// YUV 4:2:0 (libswscale) and encoded as H.264 by libx264 through
// libavcodec, with its own threads. Without B-pictures, so each packet's
// decoding time is its showing time and the clip writer can take it as it
// takes the recorder's units. The frame and the converter are reused for
// every picture.
//
// Threads: one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "output/render_export.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace orvia {

class RenderEncoder {
 public:
  RenderEncoder() = default;
  ~RenderEncoder();
  RenderEncoder(const RenderEncoder&) = delete;
  RenderEncoder& operator=(const RenderEncoder&) = delete;

  // Opens libx264 for width x height pictures about `fps` a second, timed
  // in ms. False with `error` when it is missing or refuses the settings.
  bool Open(int width, int height, int fps, RenderQuality quality, std::string* error);
  // The parameter sets (Annex B) the stream's pictures decode with.
  std::span<const uint8_t> Header() const;

  // A packet out of the encoder: Annex B, and the time its picture shows.
  using PacketSink = std::function<bool(std::span<const uint8_t> unit, int64_t ptsMs)>;
  // Encodes one picture (32-bit RGB rows `stride` bytes apart) shown at
  // `ptsMs`; each packet that comes out goes to `sink`. False when the
  // encoder fails or the sink does.
  bool Encode(const uint8_t* rgb, int stride, int64_t ptsMs, const PacketSink& sink, std::string* error);
  // Hands out the pictures still in the encoder.
  bool Flush(const PacketSink& sink, std::string* error);

 private:
  bool Receive(const PacketSink& sink, std::string* error);

  AVCodecContext* context_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* sws_ = nullptr;
  int width_ = 0, height_ = 0;
};

}  // namespace orvia
