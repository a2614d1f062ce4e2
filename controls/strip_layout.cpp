#include "controls/strip_layout.h"

namespace orvia {

StripLayout MakeStripLayout(int bitmapWidth, int bitmapHeight, int frameWidth, int frameHeight) {
  StripLayout layout;
  layout.bitmapWidth = bitmapWidth > 0 ? bitmapWidth : 0;
  layout.bitmapHeight = bitmapHeight > 0 ? bitmapHeight : 0;
  layout.frameWidth = frameWidth > 0 ? frameWidth : layout.bitmapWidth;
  layout.frameHeight = frameHeight > 0 ? frameHeight : layout.bitmapHeight;
  layout.vertical = layout.bitmapWidth < layout.bitmapHeight;
  if (layout.vertical) {
    layout.frameCount = layout.frameHeight > 0 ? layout.bitmapHeight / layout.frameHeight : 0;
  } else {
    layout.frameCount = layout.frameWidth > 0 ? layout.bitmapWidth / layout.frameWidth : 0;
  }
  return layout;
}

bool StripFrameRect(const StripLayout& layout, int index, PixelRect* out) {
  if (index < 0 || index >= layout.frameCount || out == nullptr) return false;
  PixelRect r;
  r.left = layout.vertical ? 0 : index * layout.frameWidth;
  r.top = layout.vertical ? index * layout.frameHeight : 0;
  r.right = r.left + layout.frameWidth;
  r.bottom = r.top + layout.frameHeight;
  *out = r;
  return true;
}

}  // namespace orvia
