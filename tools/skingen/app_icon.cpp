#include "app_icon.h"

#include <QLinearGradient>
#include <QPainter>

#include "paint_kit.h"

namespace skingen {

QImage PaintAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;

  // The tile: the title band's dark grey over the panel, with a thin edge.
  const QRectF tile(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
  QLinearGradient face(tile.topLeft(), tile.bottomLeft());
  face.setColorAt(0, kPanel);
  face.setColorAt(1, kBand);
  p.setPen(QPen(QColor(24, 24, 26), qMax(1.0, s / 48)));
  p.setBrush(face);
  p.drawRoundedRect(tile, s * 0.18, s * 0.18);

  // The lens: an amber ring around dark glass with a glint.
  const QPointF c(s / 2, s / 2);
  const qreal r = s * 0.34;
  QLinearGradient ring(c - QPointF(0, r), c + QPointF(0, r));
  ring.setColorAt(0, kAccent);
  ring.setColorAt(1, kAccentDeep);
  LensEmblem(p, c, r, QPen(QBrush(ring), r * 0.24));

  // A red recording dot at the top right: the recorder's eye is on.
  p.setBrush(QColor(226, 58, 46));
  p.drawEllipse(QPointF(s * 0.78, s * 0.22), s * 0.07, s * 0.07);
  return image;
}

}  // namespace skingen
