// Turns decoded pictures into 32-bit RGB (libswscale, AV_PIX_FMT_RGB32, the
// byte order of QImage::Format_RGB32): fitted into a view keeping the
// picture's proportions with black around it, or at the picture's own size
// for snapshots and copies. One converter per thread.
#pragma once

#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace orvia::player {

// 32-bit RGB pixels, top row first, rows of width x 4 bytes (the buffer may
// hold a few bytes more).
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  int64_t handedNs = 0;  // steady-clock time the picture's unit was handed over; 0 unknown
};

struct FitRect {
  int x = 0, y = 0, width = 0, height = 0;
};

// The largest rectangle of the picture's proportions (width x height, pixel
// aspect sarNum:sarDen, 0 when unknown) centred in a view of viewW x viewH.
FitRect FitPicture(int width, int height, int sarNum, int sarDen, int viewW, int viewH);

// Size of a picture scaled down, keeping proportions, to fit maxW x maxH (its
// own size when it fits).
void FitWithin(int width, int height, int maxW, int maxH, int* outW, int* outH);

class FrameConverter {
 public:
  FrameConverter() = default;
  ~FrameConverter();
  FrameConverter(const FrameConverter&) = delete;
  FrameConverter& operator=(const FrameConverter&) = delete;

  // Draws `frame` fitted into a viewW x viewH image, black around it. The
  // image's buffer is reused while the size stays. False on a bad frame.
  bool Render(const AVFrame& frame, int viewW, int viewH, RgbImage& out);
  // Scales the whole picture to outW x outH into `dst` (rows `stride` bytes
  // apart, top row first), writing nothing past each row's outW pixels.
  bool Convert(const AVFrame& frame, int outW, int outH, uint8_t* dst, int stride);

 private:
  // Convert; with `vectors` swscale's vector code may write past the rows.
  bool Scale(const AVFrame& frame, int outW, int outH, uint8_t* dst, int stride, bool vectors);

  SwsContext* sws_ = nullptr;
  SwsContext* configured_ = nullptr;  // the context whose range was last set
  bool fullRange_ = false;
  int flags_ = 0;  // the scaling flags last set
};

}  // namespace orvia::player
