#include "player/frame_converter.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace orvia::player {

namespace {

constexpr uint32_t kBlack = 0xFF000000u;  // RGB32: alpha 255, R = G = B = 0
// swscale's vector code scales to even widths and writes its rows in groups
// of this many pixels, rounding the width up.
constexpr int kVectorPixels = 8;

// The decoder reports full-range 4:2:0 as the old "J" formats; swscale wants
// the plain format and the range as a flag.
AVPixelFormat PlainFormat(int format, bool* fullRange) {
  *fullRange = false;
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      *fullRange = true;
      return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
      *fullRange = true;
      return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
      *fullRange = true;
      return AV_PIX_FMT_YUV444P;
    default:
      return static_cast<AVPixelFormat>(format);
  }
}

void FillBlack(uint8_t* row, int pixels) {
  auto* p = reinterpret_cast<uint32_t*>(row);
  std::fill(p, p + pixels, kBlack);
}

}  // namespace

FitRect FitPicture(int width, int height, int sarNum, int sarDen, int viewW, int viewH) {
  FitRect r;
  if (width <= 0 || height <= 0 || viewW <= 0 || viewH <= 0) return r;
  // Display width of the picture in units of its rows.
  double shownW = width;
  if (sarNum > 0 && sarDen > 0) shownW = width * static_cast<double>(sarNum) / sarDen;
  const double scale = std::min(viewW / shownW, viewH / static_cast<double>(height));
  r.width = std::clamp(static_cast<int>(shownW * scale + 0.5), 1, viewW);
  r.height = std::clamp(static_cast<int>(height * scale + 0.5), 1, viewH);
  r.x = (viewW - r.width) / 2;
  r.y = (viewH - r.height) / 2;
  return r;
}

void FitWithin(int width, int height, int maxW, int maxH, int* outW, int* outH) {
  if (width <= maxW && height <= maxH) {
    *outW = width;
    *outH = height;
    return;
  }
  const FitRect r = FitPicture(width, height, 0, 0, maxW, maxH);
  *outW = r.width;
  *outH = r.height;
}

FrameConverter::~FrameConverter() { sws_freeContext(sws_); }

bool FrameConverter::Convert(const AVFrame& frame, int outW, int outH, uint8_t* dst, int stride) {
  // Nothing may be written beside the rows. Where they follow each other the
  // vector code's extra pixels land on the next row before it is written
  // (swscale writes the last rows without it).
  return Scale(frame, outW, outH, dst, stride, outW % kVectorPixels == 0 || stride == outW * 4);
}

bool FrameConverter::Scale(const AVFrame& frame, int outW, int outH, uint8_t* dst, int stride, bool vectors) {
  if (frame.width <= 0 || frame.height <= 0 || outW <= 0 || outH <= 0 || !frame.data[0]) return false;
  if (!av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format))) return false;
  bool fullRange = false;
  const AVPixelFormat src = PlainFormat(frame.format, &fullRange);
  const int flags = SWS_BILINEAR | (vectors ? 0 : SWS_BITEXACT);
  sws_ = sws_getCachedContext(sws_, frame.width, frame.height, src, outW, outH, AV_PIX_FMT_RGB32, flags,
                              nullptr, nullptr, nullptr);
  if (!sws_) return false;
  fullRange = fullRange || frame.color_range == AVCOL_RANGE_JPEG;
  if (sws_ != configured_ || fullRange != fullRange_ || flags != flags_) {
    const int* coeffs = sws_getCoefficients(SWS_CS_DEFAULT);
    sws_setColorspaceDetails(sws_, coeffs, fullRange ? 1 : 0, coeffs, 1, 0, 1 << 16, 1 << 16);
    configured_ = sws_;
    fullRange_ = fullRange;
    flags_ = flags;
  }
  uint8_t* dstData[4] = {dst, nullptr, nullptr, nullptr};
  int dstStride[4] = {stride, 0, 0, 0};
  return sws_scale(sws_, frame.data, frame.linesize, 0, frame.height, dstData, dstStride) == outH;
}

bool FrameConverter::Render(const AVFrame& frame, int viewW, int viewH, RgbImage& out) {
  if (viewW <= 0 || viewH <= 0) return false;
  FitRect r = FitPicture(frame.width, frame.height, frame.sample_aspect_ratio.num,
                         frame.sample_aspect_ratio.den, viewW, viewH);
  if (r.width <= 0) return false;
  // swscale scales to an odd width without its vector code, at about four
  // times the cost: an odd fitted width takes one column more (or, filling
  // the view, one less), too little to see in the picture's proportions.
  if (r.width > 1 && r.width % 2 != 0) {
    r.width += r.width < viewW ? 1 : -1;
    r.x = (viewW - r.width) / 2;
  }
  // The vector code writes whole groups of kVectorPixels: past a row's end
  // into the black beside it or the next row, which are drawn after (and
  // the buffer keeps some slack at its end all the same).
  const size_t bytes = static_cast<size_t>(viewW) * viewH * 4;
  const size_t slack = static_cast<size_t>(kVectorPixels) * 4;
  if (out.width != viewW || out.height != viewH || out.pixels.size() != bytes + slack) {
    out.pixels.assign(bytes + slack, 0);
    out.width = viewW;
    out.height = viewH;
  }
  const int stride = viewW * 4;
  uint8_t* base = out.pixels.data();
  if (!Scale(frame, r.width, r.height,
             base + static_cast<size_t>(r.y) * stride + static_cast<size_t>(r.x) * 4, stride, true))
    return false;
  for (int y = 0; y < viewH; ++y) {
    uint8_t* row = base + static_cast<size_t>(y) * stride;
    if (y < r.y || y >= r.y + r.height) {
      FillBlack(row, viewW);
    } else {
      FillBlack(row, r.x);
      FillBlack(row + static_cast<size_t>(r.x + r.width) * 4, viewW - r.x - r.width);
    }
  }
  return true;
}

}  // namespace orvia::player
