#include "controls/slider_math.h"

namespace orvia {

namespace {

int AxisLength(const TrackbarModel& model) { return model.vertical ? model.height : model.width; }
int CrossLength(const TrackbarModel& model) { return model.vertical ? model.width : model.height; }

}  // namespace

PixelRect TrackbarChannelRect(const TrackbarModel& model) {
  PixelRect r;
  const int length = AxisLength(model);
  r.left = model.channelInset;
  r.right = length - model.channelInset;
  if (r.right < r.left) r.right = r.left;
  r.top = 0;
  r.bottom = CrossLength(model);
  return r;
}

PixelRect TrackbarThumbRect(const TrackbarModel& model) {
  const PixelRect channel = TrackbarChannelRect(model);
  const int range = model.max - model.min;
  const int span = channel.right - channel.left;
  int offset = 0;
  if (range > 0) {
    const int pos = ClampSliderPosition(model.pos, model.min, model.max);
    offset = ((pos - model.min) * span + range / 2) / range;
  }
  const int centre = channel.left + offset;
  const int start = centre - model.nativeThumbLength / 2;
  PixelRect r;
  if (model.vertical) {
    r.left = 0;
    r.right = model.width;
    r.top = start;
    r.bottom = start + model.nativeThumbLength;
  } else {
    r.left = start;
    r.right = start + model.nativeThumbLength;
    r.top = 0;
    r.bottom = model.height;
  }
  return r;
}

int SliderPositionFromCoordinate(int coordinate, int channelStart, int channelEnd, int min, int max) {
  const int span = channelEnd - channelStart;
  if (span <= 0) return min;
  const double x = static_cast<double>(coordinate - channelStart) / static_cast<double>(span);
  return static_cast<int>(min + x * (max - min + 1) + 0.5 - x);
}

int ClampSliderPosition(int pos, int min, int max) {
  if (pos > max) pos = max;
  if (pos < min) pos = min;
  return pos;
}

PixelRect BitmapThumbRect(const PixelRect& native, int thumbWidth, int thumbHeight, int thumbOffset,
                          bool vertical) {
  PixelRect r;
  if (vertical) {
    r.left = thumbOffset;
    r.right = r.left + thumbWidth;
    r.top = native.top + (thumbHeight - (native.bottom - native.top)) / 2;
    r.bottom = r.top + thumbHeight;
  } else {
    r.top = thumbOffset;
    r.bottom = r.top + thumbHeight;
    r.left = native.left + (thumbWidth - (native.right - native.left)) / 2 - thumbWidth;
    if (r.left < 0) r.left = 0;
    r.right = r.left + thumbWidth;
  }
  return r;
}

}  // namespace orvia
