#include "controls/bitmap_strip.h"

#include <QPainter>

#include "controls/skin.h"

CBitmapStrip::CBitmapStrip(int bitmapId, int frameWidth, int frameHeight)
    : CBitmapStrip(orvia::skin::LoadPixmap(bitmapId), frameWidth, frameHeight) {}

CBitmapStrip::CBitmapStrip(const QPixmap& bitmap, int frameWidth, int frameHeight)
    : bitmap_(bitmap),
      layout_(orvia::MakeStripLayout(bitmap.width(), bitmap.height(), frameWidth, frameHeight)) {}

bool CBitmapStrip::FrameRect(int index, QRect* out) const {
  orvia::PixelRect r;
  if (!orvia::StripFrameRect(layout_, index, &r)) return false;
  *out = QRect(r.left, r.top, r.Width(), r.Height());
  return true;
}

void CBitmapStrip::DrawFrame(int index, QPainter& target) const {
  QRect source;
  if (!FrameRect(index, &source)) return;
  target.drawPixmap(QPoint(0, 0), bitmap_, source);
}

void CBitmapStrip::DrawImage(QPainter& target, int x, int y, int width, int height, int sourceRow,
                             bool stretch) const {
  if (bitmap_.isNull()) return;
  if (width == 0) width = bitmap_.width();
  if (height == 0) height = bitmap_.height();
  if (width <= 0 || height <= 0) return;
  if (stretch) {
    const bool smooth = target.testRenderHint(QPainter::SmoothPixmapTransform);
    target.setRenderHint(QPainter::SmoothPixmapTransform, false);
    target.drawPixmap(QRect(x, y, width, height), bitmap_,
                      QRect(0, sourceRow, bitmap_.width(), bitmap_.height()));
    target.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  } else {
    target.drawPixmap(QPoint(x, y), bitmap_, QRect(0, sourceRow, width, height));
  }
}
