#include "paint_kit.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace skingen {

State StateOf(const BitmapDescription& desc) {
  const QString s = desc.Arg(QStringLiteral("state"), QStringLiteral("normal"));
  if (s == QLatin1String("pressed")) return State::kPressed;
  if (s == QLatin1String("hover")) return State::kHover;
  return State::kNormal;
}

QFont UiFont(qreal pixelSize, bool bold, qreal spacing) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(static_cast<int>(pixelSize));
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  font.setHintingPreference(QFont::PreferVerticalHinting);
  if (spacing != 0) font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
  return font;
}

QColor SymbolColour(State state) {
  switch (state) {
    case State::kPressed:
      return kAccent;
    case State::kHover:
      return QColor(255, 255, 255);
    default:
      return kIcon;
  }
}

// A rounded button face over `r`. Normal faces are lit from above; pressed faces
// are sunk: darker, lit from below, with a shadow along the top edge.
void DrawFace(QPainter& p, const QRectF& r, State state, qreal radius) {
  const QRectF o = r.adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient g(o.topLeft(), o.bottomLeft());
  if (state == State::kPressed) {
    g.setColorAt(0, QColor(34, 35, 37));
    g.setColorAt(1, QColor(50, 51, 54));
  } else if (state == State::kHover) {
    g.setColorAt(0, QColor(108, 109, 113));
    g.setColorAt(1, QColor(76, 77, 80));
  } else {
    g.setColorAt(0, QColor(96, 97, 101));
    g.setColorAt(1, QColor(64, 65, 68));
  }
  p.setPen(QPen(QColor(26, 27, 29), 1));
  p.setBrush(g);
  p.drawRoundedRect(o, radius, radius);
  p.setBrush(Qt::NoBrush);
  const qreal inset = std::max<qreal>(radius, 1.5);
  if (state == State::kPressed) {
    p.setPen(QPen(QColor(0, 0, 0, 120), 1));
    p.drawLine(QPointF(o.left() + inset, o.top() + 1), QPointF(o.right() - inset, o.top() + 1));
  } else {
    p.setPen(QPen(QColor(255, 255, 255, 46), 1));
    p.drawLine(QPointF(o.left() + inset, o.top() + 1), QPointF(o.right() - inset, o.top() + 1));
  }
}

// Text centred on `centre` (horizontally) with its baseline at `baseline`.
void DrawText(QPainter& p, const QString& text, const QFont& font, qreal centreX, qreal baseline,
              const QColor& colour) {
  const QFontMetricsF fm(font);
  p.setFont(font);
  p.setPen(colour);
  p.drawText(QPointF(centreX - fm.horizontalAdvance(text) / 2, baseline), text);
}

// ---------------------------------------------------------------------------
// Symbols. Each draws into a square box; strokes scale with the box.

QPen StrokePen(const QColor& c, qreal width) {
  QPen pen(c, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void FillPolygon(QPainter& p, const QPolygonF& poly, const QColor& c) {
  p.setPen(StrokePen(c, 1.0));
  p.setBrush(c);
  p.drawPolygon(poly);
  p.setBrush(Qt::NoBrush);
}

QPointF At(const QRectF& b, qreal fx, qreal fy) {
  return QPointF(b.left() + fx * b.width(), b.top() + fy * b.height());
}

void TransportSymbol(QPainter& p, const QRectF& b, const QString& icon, const QColor& c) {
  if (icon == QLatin1String("play")) {
    FillPolygon(p, QPolygonF({At(b, 0.22, 0.08), At(b, 0.92, 0.5), At(b, 0.22, 0.92)}), c);
  } else if (icon == QLatin1String("pause")) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(At(b, 0.2, 0.1), At(b, 0.42, 0.9)), 1.2, 1.2);
    p.drawRoundedRect(QRectF(At(b, 0.58, 0.1), At(b, 0.8, 0.9)), 1.2, 1.2);
    p.setBrush(Qt::NoBrush);
  } else if (icon == QLatin1String("stop")) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(At(b, 0.16, 0.16), At(b, 0.84, 0.84)), 1.6, 1.6);
    p.setBrush(Qt::NoBrush);
  } else if (icon == QLatin1String("prev") || icon == QLatin1String("next")) {
    p.save();
    if (icon == QLatin1String("next")) {
      p.translate(b.center().x() * 2, 0);
      p.scale(-1, 1);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(At(b, 0.1, 0.12), At(b, 0.24, 0.88)), 1, 1);
    FillPolygon(p, QPolygonF({At(b, 0.9, 0.12), At(b, 0.32, 0.5), At(b, 0.9, 0.88)}), c);
    p.restore();
  } else if (icon == QLatin1String("back") || icon == QLatin1String("forward")) {
    p.save();
    if (icon == QLatin1String("forward")) {
      p.translate(b.center().x() * 2, 0);
      p.scale(-1, 1);
    }
    FillPolygon(p, QPolygonF({At(b, 0.5, 0.16), At(b, 0.04, 0.5), At(b, 0.5, 0.84)}), c);
    FillPolygon(p, QPolygonF({At(b, 0.96, 0.16), At(b, 0.5, 0.5), At(b, 0.96, 0.84)}), c);
    p.restore();
  }
}

// Tool symbols are outlines in a 20 x 20 design box, scaled into `b`.
void ToolSymbol(QPainter& p, const QRectF& b, const QString& icon, const QColor& c) {
  p.save();
  p.translate(b.topLeft());
  p.scale(b.width() / 20.0, b.height() / 20.0);
  p.setPen(StrokePen(c, 1.7));
  p.setBrush(Qt::NoBrush);
  if (icon == QLatin1String("upgrade")) {
    p.drawEllipse(QPointF(10, 10), 8.2, 8.2);
    p.drawLine(QPointF(10, 14.5), QPointF(10, 5.8));
    p.drawPolyline(QPolygonF({QPointF(6.4, 9.2), QPointF(10, 5.6), QPointF(13.6, 9.2)}));
  } else if (icon == QLatin1String("setup")) {
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
      const double angle = (i - 0.5) * M_PI * 2 / (teeth * 4);
      const double radius = (i % 4 == 0 || i % 4 == 1) ? 9.0 : 6.9;
      const QPointF pt(10 + radius * std::cos(angle), 10 + radius * std::sin(angle));
      if (i == 0)
        gear.moveTo(pt);
      else
        gear.lineTo(pt);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(10, 10), 3.0, 3.0);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(gear.subtracted(hole));
  } else if (icon == QLatin1String("print")) {
    QPainterPath top;
    top.moveTo(6, 7.5);
    top.lineTo(6, 2.5);
    top.lineTo(14, 2.5);
    top.lineTo(14, 7.5);
    p.drawPath(top);
    QPainterPath body;
    body.moveTo(5.5, 15);
    body.lineTo(3.5, 15);
    body.quadTo(2.5, 15, 2.5, 14);
    body.lineTo(2.5, 8.5);
    body.quadTo(2.5, 7.5, 3.5, 7.5);
    body.lineTo(16.5, 7.5);
    body.quadTo(17.5, 7.5, 17.5, 8.5);
    body.lineTo(17.5, 14);
    body.quadTo(17.5, 15, 16.5, 15);
    body.lineTo(14.5, 15);
    p.drawPath(body);
    p.drawRect(QRectF(6, 12, 8, 6));
    p.setPen(StrokePen(c, 1.1));
    p.drawLine(QPointF(8, 14.3), QPointF(12, 14.3));
    p.drawLine(QPointF(8, 16.2), QPointF(11, 16.2));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(14.8, 10), 0.9, 0.9);
  } else if (icon == QLatin1String("capture")) {
    QPainterPath body;
    body.addRoundedRect(QRectF(2, 6, 16, 11.5), 2.2, 2.2);
    p.drawPath(body);
    QPainterPath bump;
    bump.moveTo(6.5, 6);
    bump.lineTo(7.8, 3.5);
    bump.lineTo(12.2, 3.5);
    bump.lineTo(13.5, 6);
    p.drawPath(bump);
    p.drawEllipse(QPointF(10, 11.6), 3.4, 3.4);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(15.3, 8.6), 0.8, 0.8);
  }
  p.restore();
}

void MinimizeSymbol(QPainter& p, const QPointF& centre, qreal half, const QColor& c, qreal width) {
  p.setPen(StrokePen(c, width));
  p.drawLine(QPointF(centre.x() - half, centre.y()), QPointF(centre.x() + half, centre.y()));
}

void CrossSymbol(QPainter& p, const QPointF& centre, qreal half, const QColor& c, qreal width) {
  p.setPen(StrokePen(c, width));
  p.drawLine(centre + QPointF(-half, -half), centre + QPointF(half, half));
  p.drawLine(centre + QPointF(-half, half), centre + QPointF(half, -half));
}

// Four corner brackets: pointing outward ("make it big") or inward ("back").
void CornersSymbol(QPainter& p, const QRectF& b, bool outward, const QColor& c, qreal width) {
  p.setPen(StrokePen(c, width));
  const qreal arm = b.width() * (outward ? 0.32 : 0.28);
  const QPointF centre = b.center();
  for (int sx = -1; sx <= 1; sx += 2) {
    for (int sy = -1; sy <= 1; sy += 2) {
      const QPointF corner(sx < 0 ? b.left() : b.right(), sy < 0 ? b.top() : b.bottom());
      QPointF tip = corner;
      if (!outward) tip = QPointF(centre.x() + sx * b.width() * 0.2, centre.y() + sy * b.height() * 0.2);
      const qreal dx = outward ? -sx * arm : sx * arm;
      const qreal dy = outward ? -sy * arm : sy * arm;
      p.drawPolyline(QPolygonF({QPointF(tip.x() + dx, tip.y()), tip, QPointF(tip.x(), tip.y() + dy)}));
    }
  }
}

void PinSymbol(QPainter& p, const QRectF& b, const QColor& c) {
  const qreal r = b.width() / 2;
  const QPointF centre(b.center().x(), b.top() + r);
  QPainterPath pin;
  pin.moveTo(b.center().x(), b.bottom());
  pin.cubicTo(QPointF(centre.x() - r * 0.55, b.bottom() - r * 0.9),
              QPointF(centre.x() - r, centre.y() + r * 0.55), QPointF(centre.x() - r, centre.y()));
  pin.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 180, -180);
  pin.cubicTo(QPointF(centre.x() + r, centre.y() + r * 0.55),
              QPointF(centre.x() + r * 0.55, b.bottom() - r * 0.9), QPointF(b.center().x(), b.bottom()));
  QPainterPath hole;
  hole.addEllipse(centre, r * 0.4, r * 0.4);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPath(pin.subtracted(hole));
  p.setBrush(Qt::NoBrush);
}

void GaugeSymbol(QPainter& p, const QRectF& b, const QColor& c, qreal width) {
  p.setPen(StrokePen(c, width));
  const QRectF arc = b.adjusted(width, width, -width, -width);
  p.drawArc(arc, -30 * 16, 240 * 16);
  const QPointF centre = arc.center();
  const qreal len = arc.width() * 0.36;
  p.drawLine(centre, centre + QPointF(len * std::cos(-M_PI / 4), len * std::sin(-M_PI / 4)));
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(centre, width * 0.9, width * 0.9);
  p.setBrush(Qt::NoBrush);
}

void SpeakerSymbol(QPainter& p, const QRectF& b, const QColor& c, qreal width) {
  const qreal w = b.width();
  const qreal h = b.height();
  QPolygonF body({At(b, 0.0, 0.36), At(b, 0.22, 0.36), At(b, 0.5, 0.1), At(b, 0.5, 0.9), At(b, 0.22, 0.64),
                  At(b, 0.0, 0.64)});
  FillPolygon(p, body, c);
  p.setPen(StrokePen(c, width));
  p.drawArc(QRectF(b.left() + w * 0.36, b.top() + h * 0.28, w * 0.36, h * 0.44), -55 * 16, 110 * 16);
  p.drawArc(QRectF(b.left() + w * 0.3, b.top() + h * 0.08, w * 0.66, h * 0.84), -55 * 16, 110 * 16);
}

// A small line plot, the symbol of the graph switch.
void WaveSymbol(QPainter& p, const QRectF& b, const QColor& c, qreal width) {
  p.setPen(StrokePen(c, width));
  QPainterPath wave;
  for (int i = 0; i <= 40; ++i) {
    const double t = i / 40.0;
    const double y = 0.5 - 0.38 * std::sin(t * M_PI * 3) * (1 - 0.45 * t);
    const QPointF pt = At(b, t, y);
    if (i == 0)
      wave.moveTo(pt);
    else
      wave.lineTo(pt);
  }
  p.drawPath(wave);
}

// The lens emblem of the program: a ring around a dark glass with a glint.
void LensEmblem(QPainter& p, const QPointF& centre, qreal r, const QPen& ring) {
  QRadialGradient glass(centre - QPointF(r * 0.3, r * 0.3), r);
  glass.setColorAt(0, QColor(70, 74, 84));
  glass.setColorAt(1, QColor(10, 10, 12));
  p.setPen(ring);
  p.setBrush(glass);
  p.drawEllipse(centre, r * 0.86, r * 0.86);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 20, 22));
  p.drawEllipse(centre, r * 0.42, r * 0.42);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(centre + QPointF(-r * 0.22, -r * 0.22), r * 0.13, r * 0.13);
  p.setBrush(Qt::NoBrush);
}

}  // namespace skingen
