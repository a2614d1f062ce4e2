#include "app_icon.h"

#include <QPainter>
#include <QRadialGradient>

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
  QRadialGradient glass(c - QPointF(r * 0.3, r * 0.3), r);
  glass.setColorAt(0, QColor(70, 74, 84));
  glass.setColorAt(1, QColor(10, 10, 12));
  QLinearGradient ring(c - QPointF(0, r), c + QPointF(0, r));
  ring.setColorAt(0, kAccent);
  ring.setColorAt(1, kAccentDeep);
  p.setPen(QPen(QBrush(ring), r * 0.24));
  p.setBrush(glass);
  p.drawEllipse(c, r * 0.86, r * 0.86);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 20, 22));
  p.drawEllipse(c, r * 0.42, r * 0.42);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(c + QPointF(-r * 0.22, -r * 0.22), r * 0.13, r * 0.13);

  // A red recording dot at the top right: the recorder's eye is on.
  p.setBrush(QColor(226, 58, 46));
  p.drawEllipse(QPointF(s * 0.78, s * 0.22), s * 0.07, s * 0.07);
  return image;
}

}  // namespace skingen
