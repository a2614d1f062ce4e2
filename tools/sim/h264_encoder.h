// H.264 encoding of the simulated cameras with libx264 through libavcodec,
// shaped like the recorder's units: Annex B with 4-byte start codes, one
// access unit per picture, key units SPS + PPS + IDR without SEI or AUD, a key
// unit every `gop` pictures, no B-frames, single-threaded so that the bytes
// depend only on the pictures.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/sim/scene_painter.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace orvia::sim {

struct EncoderSettings {
  int width = 1280;
  int height = 720;
  int fps = 15;
  int gop = 15;  // pictures from one key unit to the next
  int crf = 36;  // constant rate factor of x264: lower is better and bigger
};

struct AccessUnit {
  std::vector<uint8_t> bytes;  // Annex B, 4-byte start codes
  bool key = false;            // begins with an SPS and holds an IDR slice
};

class H264Encoder {
 public:
  H264Encoder() = default;
  ~H264Encoder();
  H264Encoder(const H264Encoder&) = delete;
  H264Encoder& operator=(const H264Encoder&) = delete;

  // Opens the encoder; false with `error` set when libx264 is missing or
  // refuses the settings.
  bool Open(const EncoderSettings& settings, std::string* error);
  // The planes of the next picture to paint; valid until Encode.
  Picture NextPicture();
  // Encodes the painted picture, as a key unit when `key`; appends the units
  // that came out (one per picture: the encoder runs without delay). The
  // caller asks for a key unit at least every `gop` pictures.
  bool Encode(bool key, std::vector<AccessUnit>& out, std::string* error);
  // Drains whatever the encoder still holds.
  bool Flush(std::vector<AccessUnit>& out, std::string* error);

 private:
  bool Drain(std::vector<AccessUnit>& out, std::string* error);

  AVCodecContext* ctx_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  int64_t pts_ = 0;
};

// Rewrites an Annex B access unit: every NAL unit gets a 4-byte start code,
// SEI (type 6) and access unit delimiters (type 9) are dropped.
std::vector<uint8_t> NormalizeAccessUnit(std::span<const uint8_t> annexB);

// NAL types of an Annex B byte stream, in order.
std::vector<int> NalTypes(std::span<const uint8_t> annexB);

}  // namespace orvia::sim
