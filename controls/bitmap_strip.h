// CBitmapStrip: a skin bitmap that holds one or more equal frames side by side
// or stacked, drawn one frame at a time or as a whole (stretched or copied).
#pragma once

#include <QPixmap>
#include <QRect>

#include "controls/strip_layout.h"

class QPainter;

class CBitmapStrip {
 public:
  // Loads skin bitmap `bitmapId`; a frame width or height of 0 stands for the
  // bitmap's own. An unknown id gives an empty strip with no frames.
  explicit CBitmapStrip(int bitmapId, int frameWidth = 0, int frameHeight = 0);
  // The same over a bitmap the caller supplies.
  explicit CBitmapStrip(const QPixmap& bitmap, int frameWidth = 0, int frameHeight = 0);

  bool IsLoaded() const { return !bitmap_.isNull(); }
  const QPixmap& Bitmap() const { return bitmap_; }
  QSize BitmapSize() const { return bitmap_.size(); }
  int FrameCount() const { return layout_.frameCount; }
  int FrameWidth() const { return layout_.frameWidth; }
  int FrameHeight() const { return layout_.frameHeight; }
  bool IsVertical() const { return layout_.vertical; }

  // Rectangle of frame `index` inside the bitmap; false for an invalid index.
  bool FrameRect(int index, QRect* out) const;
  // Copies frame `index` 1:1 to (0, 0) of the target; nothing for an invalid index.
  void DrawFrame(int index, QPainter& target) const;
  // Width 0 means the bitmap width, height 0 the bitmap height. Without stretch:
  // a 1:1 copy of the width x height block whose source origin is (0, sourceRow).
  // With stretch: the bitmap from (0, sourceRow) at its full size, stretched
  // into (x, y, width, height) without smoothing.
  void DrawImage(QPainter& target, int x, int y, int width, int height, int sourceRow, bool stretch) const;

 private:
  QPixmap bitmap_;
  orvia::StripLayout layout_;
};
