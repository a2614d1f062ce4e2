#include "painters.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>

namespace skingen {

namespace {

// One palette for the whole skin: a graphite window with dark wells, light
// symbols and an amber accent for what is active or pressed.
const QColor kPanel(73, 73, 74);     // window surface (the main window's panel brush)
const QColor kBand(50, 51, 53);      // title band of the main window
const QColor kDiskBand(57, 57, 57);  // title band of the disk manager
const QColor kWell(14, 14, 15);      // behind videos, map, list and graph
const QColor kWellEdge(34, 35, 37);
const QColor kEngraveDark(58, 59, 60);
const QColor kEngraveLight(88, 89, 91);
const QColor kAccent(245, 166, 35);
const QColor kAccentDeep(196, 124, 18);
const QColor kIcon(234, 235, 238);
const QColor kLabel(172, 174, 178);
const QColor kDanger(206, 52, 40);

enum class State { kNormal, kPressed, kHover };

State StateOf(const BitmapDescription& desc) {
  const QString s = desc.Arg(QStringLiteral("state"), QStringLiteral("normal"));
  if (s == QLatin1String("pressed")) return State::kPressed;
  if (s == QLatin1String("hover")) return State::kHover;
  return State::kNormal;
}

QFont UiFont(qreal pixelSize, bool bold, qreal spacing = 0) {
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
void LensEmblem(QPainter& p, const QPointF& centre, qreal r) {
  QRadialGradient glass(centre - QPointF(r * 0.3, r * 0.3), r);
  glass.setColorAt(0, QColor(70, 74, 84));
  glass.setColorAt(1, QColor(10, 10, 12));
  p.setPen(QPen(kAccent, r * 0.22));
  p.setBrush(glass);
  p.drawEllipse(centre, r * 0.86, r * 0.86);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 20, 22));
  p.drawEllipse(centre, r * 0.42, r * 0.42);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(centre + QPointF(-r * 0.22, -r * 0.22), r * 0.13, r * 0.13);
  p.setBrush(Qt::NoBrush);
}

// ---------------------------------------------------------------------------
// Painters.

using Painter = std::function<bool(const BitmapDescription&, QPainter&, const QSize&, QString*)>;

bool PaintClose(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  p.fillRect(QRect(QPoint(0, 0), size), kDiskBand);
  const QRectF r(0.5, 0.5, size.width() - 1, size.height() - 1);
  QColor face = QColor(72, 72, 74);
  if (state == State::kHover) face = kDanger;
  if (state == State::kPressed) face = QColor(150, 34, 26);
  p.setPen(QPen(state == State::kNormal ? QColor(40, 40, 41) : face.darker(140), 1));
  p.setBrush(face);
  p.drawRoundedRect(r, 3, 3);
  const QPointF shift = state == State::kPressed ? QPointF(0, 0.5) : QPointF(0, 0);
  CrossSymbol(p, r.center() + shift, 3.6, state == State::kNormal ? QColor(214, 214, 216) : Qt::white, 1.6);
  return true;
}

bool PaintTool(const BitmapDescription& desc, QPainter& p, const QSize& size, QString* error) {
  const State state = StateOf(desc);
  const QString icon = desc.Arg(QStringLiteral("icon"));
  if (icon.isEmpty()) {
    *error = QStringLiteral("tool needs icon=");
    return false;
  }
  p.fillRect(QRect(QPoint(0, 0), size), kBand);
  const QRectF face(1, 1, size.width() - 2, size.height() - 2);
  DrawFace(p, face, state, 5);
  const QFont font = UiFont(12, true, 0.8);
  const QString label = desc.Arg(QStringLiteral("label"));
  const QFontMetricsF fm(font);
  const qreal iconSize = 19;
  const qreal gap = 8;
  const qreal total = iconSize + gap + fm.horizontalAdvance(label);
  const qreal dy = state == State::kPressed ? 1 : 0;
  const qreal left = std::floor((size.width() - total) / 2);
  const qreal top = std::floor((size.height() - iconSize) / 2) + dy;
  const QColor c = SymbolColour(state);
  ToolSymbol(p, QRectF(left, top, iconSize, iconSize), icon, c);
  p.setFont(font);
  p.setPen(state == State::kPressed ? kAccent : kIcon);
  const qreal baseline = std::round(size.height() / 2.0 + fm.capHeight() / 2) + dy;
  p.drawText(QPointF(left + iconSize + gap, baseline), label);
  return true;
}

bool PaintWindowButton(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  const bool exit = desc.Arg(QStringLiteral("icon")) == QLatin1String("exit");
  p.fillRect(QRect(QPoint(0, 0), size), kBand);
  const QRectF face(1, 0, size.width() - 2, size.height());
  if (exit && state == State::kPressed) {
    p.setPen(QPen(QColor(110, 24, 18), 1));
    p.setBrush(QColor(170, 38, 28));
    p.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.drawLine(QPointF(face.left() + 4, 1.5), QPointF(face.right() - 4, 1.5));
  } else {
    DrawFace(p, face, state, 4);
  }
  const QColor c = exit && state == State::kPressed ? QColor(Qt::white) : SymbolColour(state);
  const QPointF centre = face.center() + QPointF(0, state == State::kPressed ? 1 : 0);
  if (exit) {
    CrossSymbol(p, centre, 3.8, c, 1.7);
  } else {
    MinimizeSymbol(p, centre + QPointF(0, 3), 5, c, 1.8);
  }
  return true;
}

bool PaintMap(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  const bool on = desc.Arg(QStringLiteral("on")) == QLatin1String("1");
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  const QRectF face(1, 1, size.width() - 2, size.height() - 2);
  DrawFace(p, face, state, 5);
  const qreal dy = state == State::kPressed ? 1 : 0;
  const QColor c = SymbolColour(state);
  PinSymbol(p, QRectF(10, 9 + dy, 12, 17), on ? kAccent : c);
  const QFont font = UiFont(11, true, 0.6);
  p.setFont(font);
  p.setPen(state == State::kPressed ? kAccent : kIcon);
  p.drawText(QPointF(28, 17 + dy), QStringLiteral("MAP"));
  // The switch's state as a small lamp and word under the label.
  const QFont small = UiFont(8, true, 0.5);
  p.setFont(small);
  p.setPen(on ? kAccent : kLabel);
  p.drawText(QPointF(37, 28 + dy), on ? QStringLiteral("ON") : QStringLiteral("OFF"));
  p.setPen(Qt::NoPen);
  if (on) {
    p.setBrush(QColor(245, 166, 35, 70));
    p.drawEllipse(QPointF(31.5, 25 + dy), 3.6, 3.6);
    p.setBrush(kAccent);
  } else {
    p.setBrush(QColor(40, 41, 43));
  }
  p.drawEllipse(QPointF(31.5, 25 + dy), 2.2, 2.2);
  return true;
}

bool PaintFullScreen(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  const QRectF face(1, 1, size.width() - 2, size.height() - 2);
  DrawFace(p, face, state, 5);
  const qreal dy = state == State::kPressed ? 1 : 0;
  CornersSymbol(p, QRectF(10.5, 10.5 + dy, 15, 15), true, SymbolColour(state), 2);
  return true;
}

bool PaintTransport(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  const QString icon = desc.Arg(QStringLiteral("icon"));
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  const QRectF face(1, 1, size.width() - 2, size.height() - 2);
  DrawFace(p, face, state, 5);
  const qreal dy = state == State::kPressed ? 1 : 0;
  qreal box = 16;
  if (icon == QLatin1String("play")) box = 18;
  if (icon == QLatin1String("stop") || icon == QLatin1String("pause")) box = 15;
  if (icon == QLatin1String("back") || icon == QLatin1String("forward")) box = 19;
  const QRectF b((size.width() - box) / 2, (size.height() - box) / 2 + dy, box, box);
  TransportSymbol(p, b, icon, SymbolColour(state));
  return true;
}

// Rows of a slider channel: a 4-pixel groove centred in the image height.
bool PaintChannel(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const bool played = desc.Arg(QStringLiteral("part")) == QLatin1String("played");
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  const int top = (size.height() - 4) / 2;
  QColor groove[4];
  QColor below;
  if (played) {
    groove[0] = kAccentDeep;
    groove[1] = QColor(252, 188, 80);
    groove[2] = kAccent;
    groove[3] = QColor(220, 144, 26);
    below = QColor(92, 88, 80);
  } else {
    groove[0] = QColor(22, 22, 24);
    groove[1] = QColor(32, 33, 35);
    groove[2] = QColor(38, 39, 41);
    groove[3] = QColor(44, 45, 47);
    below = kEngraveLight;
  }
  for (int i = 0; i < 4; ++i) p.fillRect(0, top + i, size.width(), 1, groove[i]);
  p.fillRect(0, top + 4, size.width(), 1, below);
  return true;
}

bool PaintThumb(const BitmapDescription&, QPainter& p, const QSize& size, QString*) {
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  // The groove runs on under the knob: played colour left, the rest right.
  const int top = (10 - 4) / 2;
  p.fillRect(0, top, size.width() / 2, 4, kAccent);
  p.fillRect(size.width() / 2, top, size.width() - size.width() / 2, 4, QColor(34, 35, 37));
  const QRectF knob(1.5, 0.5, size.width() - 3, 9);
  QLinearGradient g(knob.topLeft(), knob.bottomLeft());
  g.setColorAt(0, QColor(252, 252, 252));
  g.setColorAt(1, QColor(196, 198, 202));
  p.setPen(QPen(QColor(28, 29, 31), 1));
  p.setBrush(g);
  p.drawRoundedRect(knob, 4.5, 4.5);
  p.setPen(QPen(kAccentDeep, 1.4));
  p.drawLine(QPointF(size.width() / 2.0, 3), QPointF(size.width() / 2.0, 7));
  return true;
}

void DrawWell(QPainter& p, const QRect& inner) {
  p.fillRect(inner.adjusted(-1, -1, 1, 1), kWellEdge);
  p.fillRect(inner, kWell);
}

void Engrave(QPainter& p, int x1, int x2, int y) {
  p.fillRect(x1, y, x2 - x1, 1, kEngraveDark);
  p.fillRect(x1, y + 1, x2 - x1, 1, kEngraveLight);
}

bool PaintBackground(const BitmapDescription&, QPainter& p, const QSize& size, QString*) {
  const int w = size.width();
  p.fillRect(QRect(0, 0, w, size.height()), kPanel);

  // Title band with the program's name; the tool buttons sit on it.
  p.fillRect(QRect(0, 0, w, 47), kBand);
  p.fillRect(QRect(0, 47, w, 1), QColor(36, 37, 38));
  p.fillRect(QRect(0, 48, w, 1), kEngraveLight);
  LensEmblem(p, QPointF(31, 23.5), 13);
  p.setFont(UiFont(24, true, 0.5));
  p.setPen(kIcon);
  p.drawText(QPointF(52, 32), QStringLiteral("Orvia"));
  p.setFont(UiFont(8, true, 1.6));
  p.setPen(kLabel);
  p.drawText(QPointF(140, 24), QStringLiteral("DUAL CAMERA"));
  p.drawText(QPointF(140, 35), QStringLiteral("RECORDING VIEWER"));

  // Wells behind the views, the map, the list and the graph.
  DrawWell(p, QRect(14, 51, 282, 209));    // rear view
  DrawWell(p, QRect(305, 51, 700, 393));   // front view
  DrawWell(p, QRect(14, 308, 281, 211));   // map
  DrawWell(p, QRect(14, 537, 357, 181));   // recordings list
  DrawWell(p, QRect(438, 537, 490, 180));  // graph

  // While the map is switched off its well shows a quiet street grid and pin.
  p.save();
  p.setClipRect(QRect(14, 308, 281, 211));
  p.setPen(QPen(QColor(30, 31, 33), 1));
  for (int x = 14 + 20; x < 295; x += 34) p.drawLine(x, 308, x + 40, 519);
  for (int y = 308 + 24; y < 519; y += 38) p.drawLine(14, y, 295, y - 16);
  p.setPen(QPen(QColor(38, 39, 42), 5));
  p.drawLine(14, 470, 295, 372);
  p.restore();
  PinSymbol(p, QRectF(143, 393, 24, 34), QColor(52, 53, 56));

  // Labels of the rear view beside its buttons.
  p.setFont(UiFont(9, true, 1.4));
  p.setPen(kLabel);
  p.drawText(QPointF(96, 293), QStringLiteral("REAR CAMERA"));

  // Time: a clock in front of the time text, a ruler under the time line
  // (range 0..59 on a channel inset 9 pixels at both ends).
  const QPointF clock(311.5, 505.5);
  p.setPen(StrokePen(kLabel, 1.3));
  p.drawEllipse(clock, 5.5, 5.5);
  p.drawLine(clock, clock + QPointF(0, -3.5));
  p.drawLine(clock, clock + QPointF(2.5, 1.5));
  for (int s = 0; s <= 59; s += 5) {
    const int x = 439 + 9 + (s * 472 + 29) / 59;
    const int len = s % 10 == 0 ? 4 : 2;
    p.fillRect(x, 512, 1, len, s % 10 == 0 ? kLabel : QColor(120, 121, 124));
  }
  p.fillRect(439 + 9 + 472, 512, 1, 4, kLabel);

  // Speed (5 steps) and volume (11 steps) sliders: a symbol in front, ticks under.
  GaugeSymbol(p, QRectF(644, 456, 15, 15), kLabel, 1.4);
  SpeakerSymbol(p, QRectF(812, 457, 14, 13), kLabel, 1.3);
  const char* speeds[5] = {"\u00bc\u00d7", "\u00bd\u00d7", "1\u00d7", "2\u00d7", "4\u00d7"};
  const QFont tickFont = UiFont(8, true);
  for (int i = 0; i < 5; ++i) {
    const int x = 663 + 9 + (i * 107 + 2) / 4;
    p.fillRect(x, 471, 1, 2, kLabel);
    DrawText(p, QString::fromUtf8(speeds[i]), tickFont, x + 0.5, 482, kLabel);
  }
  for (int i = 0; i <= 10; ++i) {
    const int x = 831 + 9 + (i * 107 + 5) / 10;
    p.fillRect(x, 471, 1, i % 5 == 0 ? 3 : 2, i % 5 == 0 ? kLabel : QColor(120, 121, 124));
  }
  DrawText(p, QStringLiteral("0"), tickFont, 840.5, 483, kLabel);
  DrawText(p, QStringLiteral("10"), tickFont, 947.5, 483, kLabel);

  // Divider between the player area and the lower row.
  Engrave(p, 14, 1006, 526);

  // Read-outs of the X, Y and Z acceleration, written by the window in red,
  // yellow and green on this dark plate.
  p.setPen(QPen(kWellEdge, 1));
  p.setBrush(kWell);
  p.drawRoundedRect(QRectF(929.5, 590.5, 77, 127), 4, 4);
  p.setBrush(Qt::NoBrush);
  p.fillRect(QRect(934, 628, 68, 1), QColor(40, 41, 43));
  p.fillRect(QRect(934, 668, 68, 1), QColor(40, 41, 43));
  p.setFont(UiFont(7, true, 1.2));
  p.setPen(QColor(110, 111, 114));
  p.drawText(QPointF(934, 712), QStringLiteral("G-FORCE"));
  return true;
}

bool PaintSd(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  const QRectF face(1, 1, size.width() - 2, size.height() - 2);
  DrawFace(p, face, state, 4);
  const qreal dy = state == State::kPressed ? 1 : 0;
  const QColor c = SymbolColour(state);
  // An SD card: notched at its top right, contacts along the top.
  const QRectF card(7.5, 7.5 + dy, 14, 19);
  QPainterPath outline;
  outline.moveTo(card.left(), card.top());
  outline.lineTo(card.right() - 4, card.top());
  outline.lineTo(card.right(), card.top() + 4);
  outline.lineTo(card.right(), card.bottom());
  outline.lineTo(card.left(), card.bottom());
  outline.closeSubpath();
  p.setPen(StrokePen(c, 1.5));
  p.drawPath(outline);
  p.setPen(StrokePen(c, 1.2));
  for (int i = 0; i < 3; ++i) {
    const qreal x = card.left() + 3 + i * 2.8;
    p.drawLine(QPointF(x, card.top() + 2.5), QPointF(x, card.top() + 5.5));
  }
  DrawText(p, QStringLiteral("SD"), UiFont(10, true, 0.4), size.width() / 2.0, 41 + dy, c);
  return true;
}

bool PaintIndicator(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const bool accel = desc.Arg(QStringLiteral("mode")) == QLatin1String("accel");
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  p.setPen(QPen(kWellEdge, 1));
  p.setBrush(kWell);
  p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 3, 3);
  // The graph beside it plots over rows 5 .. 185 of this image.
  const int top = 5;
  const int bottom = 185;
  const QFont tick = UiFont(8, true);
  // Title along the left edge.
  p.save();
  p.translate(9, (top + bottom) / 2.0);
  p.rotate(-90);
  const QString title = accel ? QStringLiteral("G-FORCE  g") : QStringLiteral("SPEED");
  DrawText(p, title, UiFont(8, true, 1.5), 0, 3, kLabel);
  p.restore();
  const int steps = 4;
  for (int i = 0; i <= steps; ++i) {
    const int y = top + (bottom - top) * i / steps;
    const bool major = i % 2 == 0;
    p.fillRect(size.width() - (major ? 6 : 4), y, major ? 5 : 3, 1, major ? kLabel : QColor(110, 111, 114));
    if (accel && major) {
      static const char* kLabels[3] = {"+2", "0", "-2"};
      const QFontMetricsF fm(tick);
      const QString text = QString::fromLatin1(kLabels[i / 2]);
      qreal baseline = y + fm.capHeight() / 2;
      if (i == 0) baseline = y + fm.capHeight() + 1;
      if (i == steps) baseline = y - 1;
      p.setFont(tick);
      p.setPen(kIcon);
      p.drawText(QPointF(size.width() - 8 - fm.horizontalAdvance(text), baseline), text);
    }
  }
  if (!accel) {
    GaugeSymbol(p, QRectF(17, top + 2, 12, 12), kLabel, 1.2);
    // Arrow from slow (bottom) to fast (top).
    p.setPen(StrokePen(QColor(110, 111, 114), 1.2));
    p.drawLine(QPointF(23, bottom - 6), QPointF(23, top + 26));
    p.drawPolyline(QPolygonF({QPointF(20, top + 30), QPointF(23, top + 26), QPointF(26, top + 30)}));
  }
  return true;
}

// Vertical profile shared by the full-screen control bar and the buttons on it.
void ControlBarRows(QPainter& p, const QRect& r) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(60, 61, 64));
  g.setColorAt(1, QColor(38, 39, 41));
  p.fillRect(r, g);
  p.fillRect(QRect(r.left(), r.top(), r.width(), 1), QColor(26, 27, 29));
  p.fillRect(QRect(r.left(), r.top() + 1, r.width(), 1), QColor(98, 99, 102));
  p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), QColor(26, 27, 29));
}

bool PaintFsBar(const BitmapDescription&, QPainter& p, const QSize& size, QString*) {
  const QRect r(QPoint(0, 0), size);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(44, 45, 47));
  g.setColorAt(1, QColor(24, 24, 26));
  p.fillRect(r, g);
  p.fillRect(QRect(0, 0, size.width(), 1), QColor(92, 93, 95));
  return true;
}

bool PaintFsControls(const BitmapDescription&, QPainter& p, const QSize& size, QString*) {
  ControlBarRows(p, QRect(QPoint(0, 0), size));
  return true;
}

bool PaintFsWindow(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  const QString icon = desc.Arg(QStringLiteral("icon"));
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  const QRectF face(0, 0, size.width(), size.height());
  if (icon == QLatin1String("exit") && state == State::kPressed) {
    p.setPen(QPen(QColor(110, 24, 18), 1));
    p.setBrush(QColor(170, 38, 28));
    p.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
  } else {
    DrawFace(p, face, state, 3);
  }
  const qreal dy = state == State::kPressed ? 1 : 0;
  const QColor c =
      (icon == QLatin1String("exit") && state == State::kPressed) ? QColor(Qt::white) : SymbolColour(state);
  const QPointF centre = face.center() + QPointF(0, dy);
  if (icon == QLatin1String("exit")) {
    CrossSymbol(p, centre, 3, c, 1.5);
  } else if (icon == QLatin1String("minimize")) {
    MinimizeSymbol(p, centre + QPointF(0, 2.5), 3.5, c, 1.5);
  } else {
    p.setPen(StrokePen(c, 1.1));
    p.drawRect(QRectF(centre.x() - 3.5, centre.y() - 1.5, 5, 5));
    p.drawPolyline(
        QPolygonF({QPointF(centre.x() - 1.5, centre.y() - 3), QPointF(centre.x() + 3.5, centre.y() - 3),
                   QPointF(centre.x() + 3.5, centre.y() + 2)}));
  }
  return true;
}

bool PaintFsTransport(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  const QString icon = desc.Arg(QStringLiteral("icon"));
  ControlBarRows(p, QRect(QPoint(0, 0), size));
  const QRectF face(2, 2, size.width() - 4, size.height() - 4);
  DrawFace(p, face, state, 4);
  const qreal dy = state == State::kPressed ? 1 : 0;
  qreal box = 14;
  if (icon == QLatin1String("play")) box = 15;
  if (icon == QLatin1String("stop") || icon == QLatin1String("pause")) box = 13;
  const QRectF b(std::round((size.width() - box) / 2), (size.height() - box) / 2 + dy, box, box);
  TransportSymbol(p, b, icon, SymbolColour(state));
  return true;
}

bool PaintNormalView(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  const QRectF face(0, 0, size.width(), size.height());
  DrawFace(p, face, state, 4);
  const qreal dy = state == State::kPressed ? 1 : 0;
  CornersSymbol(p, QRectF(5.5, 5 + dy, 12, 12), false, SymbolColour(state), 1.6);
  return true;
}

bool PaintGraphMode(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const State state = StateOf(desc);
  const bool accel = desc.Arg(QStringLiteral("mode")) == QLatin1String("accel");
  p.fillRect(QRect(QPoint(0, 0), size), kPanel);
  const QRectF face(1, 1, size.width() - 2, size.height() - 2);
  DrawFace(p, face, state, 5);
  const qreal dy = state == State::kPressed ? 1 : 0;
  const QColor c = SymbolColour(state);
  DrawText(p, QStringLiteral("GRAPH"), UiFont(8, true, 1.5), size.width() / 2.0, 13 + dy,
           state == State::kPressed ? kAccent : kLabel);
  // Symbol and name of the plot on screen, centred together.
  const QFont font = UiFont(10, true);
  const QString label = accel ? QStringLiteral("G-FORCE") : QStringLiteral("SPEED");
  const qreal iconWidth = 15;
  const qreal gap = 5;
  const qreal total = iconWidth + gap + QFontMetricsF(font).horizontalAdvance(label);
  const qreal left = std::round((size.width() - total) / 2);
  if (accel) {
    WaveSymbol(p, QRectF(left, 20 + dy, iconWidth, 13), kAccent, 1.6);
  } else {
    GaugeSymbol(p, QRectF(left, 19 + dy, iconWidth, iconWidth), kAccent, 1.5);
  }
  p.setFont(font);
  p.setPen(c);
  p.drawText(QPointF(left + iconWidth + gap, 31 + dy), label);
  return true;
}

bool PaintLogo(const BitmapDescription& desc, QPainter& p, const QSize& size, QString*) {
  const bool second = desc.Arg(QStringLiteral("variant")) == QLatin1String("2");
  const QRectF r(QPointF(0, 0), size);
  QRadialGradient bg(r.center(), r.width() * 0.62);
  bg.setColorAt(0, second ? QColor(46, 47, 50) : QColor(52, 53, 56));
  bg.setColorAt(1, QColor(14, 14, 16));
  p.fillRect(r, bg);
  const qreal unit = size.height() / 1080.0;
  const QPointF centre(size.width() / 2.0, size.height() / 2.0);
  QFont word = UiFont(190 * unit, true, 4 * unit);
  const QFontMetricsF fm(word);
  const QString name = QStringLiteral("Orvia");
  const qreal emblem = 120 * unit;
  const qreal gap = 48 * unit;
  const qreal total = emblem * 2 + gap + fm.horizontalAdvance(name);
  const qreal left = centre.x() - total / 2;
  const qreal baseline = centre.y() + fm.capHeight() / 2 - 30 * unit;
  LensEmblem(p, QPointF(left + emblem, baseline - fm.capHeight() / 2), emblem);
  p.setFont(word);
  p.setPen(QColor(240, 241, 244));
  p.drawText(QPointF(left + emblem * 2 + gap, baseline), name);
  p.fillRect(QRectF(centre.x() - total / 2, baseline + 70 * unit, total, 3 * unit), kAccent);
  const QFont tag = UiFont(40 * unit, true, 14 * unit);
  DrawText(p, second ? QStringLiteral("FRONT  \u00b7  REAR") : QStringLiteral("DUAL CAMERA RECORDING VIEWER"),
           tag, centre.x(), baseline + 150 * unit, kLabel);
  return true;
}

}  // namespace

bool PaintBitmap(const BitmapDescription& desc, QImage* image, QString* error) {
  static const QMap<QString, Painter> painters = {
      {QStringLiteral("close"), PaintClose},
      {QStringLiteral("tool"), PaintTool},
      {QStringLiteral("window"), PaintWindowButton},
      {QStringLiteral("map"), PaintMap},
      {QStringLiteral("fullscreen"), PaintFullScreen},
      {QStringLiteral("transport"), PaintTransport},
      {QStringLiteral("channel"), PaintChannel},
      {QStringLiteral("thumb"), PaintThumb},
      {QStringLiteral("background"), PaintBackground},
      {QStringLiteral("sd"), PaintSd},
      {QStringLiteral("indicator"), PaintIndicator},
      {QStringLiteral("fsbar"), PaintFsBar},
      {QStringLiteral("fscontrols"), PaintFsControls},
      {QStringLiteral("fswindow"), PaintFsWindow},
      {QStringLiteral("fstransport"), PaintFsTransport},
      {QStringLiteral("normalview"), PaintNormalView},
      {QStringLiteral("graphmode"), PaintGraphMode},
      {QStringLiteral("logo"), PaintLogo},
  };
  const auto it = painters.find(desc.painter);
  if (it == painters.end()) {
    *error = QStringLiteral("unknown painter '%1'").arg(desc.painter);
    return false;
  }
  *image = QImage(desc.width, desc.height, QImage::Format_ARGB32_Premultiplied);
  image->fill(Qt::black);
  QPainter painter(image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const bool ok = it.value()(desc, painter, image->size(), error);
  painter.end();
  return ok;
}

}  // namespace skingen
