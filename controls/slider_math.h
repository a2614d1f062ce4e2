// Geometry of the bitmap slider: where its channel lies, which position a
// point stands for and where the thumb image goes. Plain C++, no Qt.
#pragma once

#include "controls/strip_layout.h"

namespace orvia {

// Notification codes of a slider, as in the platform's scroll messages.
enum SliderCode : int {
  TB_LINEUP = 0,
  TB_LINEDOWN = 1,
  TB_PAGEUP = 2,
  TB_PAGEDOWN = 3,
  TB_THUMBPOSITION = 4,
  TB_THUMBTRACK = 5,
  TB_TOP = 6,
  TB_BOTTOM = 7,
  TB_ENDTRACK = 8,
};

// The underlying track bar: a channel along the long axis and a value range.
// The channel is inset from both ends by `channelInset` pixels so that a thumb
// image centred on the channel's ends stays inside the control.
struct TrackbarModel {
  int width = 0;   // client width in pixels
  int height = 0;  // client height in pixels
  bool vertical = false;
  int min = 0;
  int max = 0;
  int pos = 0;
  int channelInset = 0;
  int nativeThumbLength = 0;  // extent of the track bar's own thumb along the axis
};

// The channel in horizontal form (left/right along the long axis, top/bottom
// across it), for both orientations.
PixelRect TrackbarChannelRect(const TrackbarModel& model);

// The track bar's own thumb at the current position, in client coordinates.
PixelRect TrackbarThumbRect(const TrackbarModel& model);

// Position that a point stands for: coordinate along the long axis measured
// against the channel. min + x * (max - min) + 0.5 truncated toward zero, with
// x the fraction of the channel; not clamped to the range.
int SliderPositionFromCoordinate(int coordinate, int channelStart, int channelEnd, int min, int max);

// Clamps a position to the range min..max (the larger bound wins when min > max).
int ClampSliderPosition(int pos, int min, int max);

// Rectangle of the thumb image (thumbWidth x thumbHeight) for the track bar's
// own thumb `native`. Horizontal: its left edge at native.left + (W - Tw) / 2 - W,
// never below 0; vertical: its top at native.top + (H - Th) / 2. `thumbOffset`
// is the distance from the top (horizontal) or left (vertical) edge.
PixelRect BitmapThumbRect(const PixelRect& native, int thumbWidth, int thumbHeight, int thumbOffset,
                          bool vertical);

}  // namespace orvia
