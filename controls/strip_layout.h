// Frame arithmetic of a bitmap strip: a bitmap that holds equal frames side by
// side (left to right) or stacked (top to bottom). Plain C++, no Qt.
#pragma once

namespace orvia {

// A rectangle in pixels; right and bottom are exclusive.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const PixelRect&) const = default;
};

struct StripLayout {
  int bitmapWidth = 0;
  int bitmapHeight = 0;
  int frameWidth = 0;
  int frameHeight = 0;
  int frameCount = 0;
  bool vertical = false;  // frames stacked top to bottom
};

// Builds the layout of a bitmap of the given size cut into frames of the given
// size; a frame width or height of 0 stands for the bitmap's own. The strip is
// vertical when the bitmap is narrower than it is high. The frame count is the
// number of whole frames (0 for an empty bitmap or an empty frame).
StripLayout MakeStripLayout(int bitmapWidth, int bitmapHeight, int frameWidth, int frameHeight);

// Rectangle of frame `index` inside the bitmap; false for an index outside
// 0 .. frameCount - 1 (out is then left untouched).
bool StripFrameRect(const StripLayout& layout, int index, PixelRect* out);

}  // namespace orvia
