#include "painters.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>

#include "paint_kit.h"

namespace skingen {

namespace {

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

// Title band with the program's name; the tool buttons sit on it.
void PaintTitleBand(QPainter& p, int w) {
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
}

// Wells behind the views, the map, the list and the graph. While the map is
// switched off its well shows a quiet street grid and pin.
void PaintWells(QPainter& p) {
  DrawWell(p, QRect(14, 51, 282, 209));    // rear view
  DrawWell(p, QRect(305, 51, 700, 393));   // front view
  DrawWell(p, QRect(14, 308, 281, 211));   // map
  DrawWell(p, QRect(14, 537, 357, 181));   // recordings list
  DrawWell(p, QRect(438, 537, 490, 180));  // graph

  p.save();
  p.setClipRect(QRect(14, 308, 281, 211));
  p.setPen(QPen(QColor(30, 31, 33), 1));
  for (int x = 14 + 20; x < 295; x += 34) p.drawLine(x, 308, x + 40, 519);
  for (int y = 308 + 24; y < 519; y += 38) p.drawLine(14, y, 295, y - 16);
  p.setPen(QPen(QColor(38, 39, 42), 5));
  p.drawLine(14, 470, 295, 372);
  p.restore();
  PinSymbol(p, QRectF(143, 393, 24, 34), QColor(52, 53, 56));
}

// Time: a clock in front of the time text, a ruler under the time line
// (range 0..59 on a channel inset 9 pixels at both ends).
void PaintTimeRuler(QPainter& p) {
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
}

// Speed (5 steps) and volume (11 steps) sliders: a symbol in front, ticks under.
void PaintSliderScales(QPainter& p) {
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
}

// Read-outs of the X, Y and Z acceleration, written by the window in red,
// yellow and green on this dark plate.
void PaintGForcePlate(QPainter& p) {
  p.setPen(QPen(kWellEdge, 1));
  p.setBrush(kWell);
  p.drawRoundedRect(QRectF(929.5, 590.5, 77, 127), 4, 4);
  p.setBrush(Qt::NoBrush);
  p.fillRect(QRect(934, 628, 68, 1), QColor(40, 41, 43));
  p.fillRect(QRect(934, 668, 68, 1), QColor(40, 41, 43));
  p.setFont(UiFont(7, true, 1.2));
  p.setPen(QColor(110, 111, 114));
  p.drawText(QPointF(934, 712), QStringLiteral("G-FORCE"));
}

bool PaintBackground(const BitmapDescription&, QPainter& p, const QSize& size, QString*) {
  const int w = size.width();
  p.fillRect(QRect(0, 0, w, size.height()), kPanel);
  PaintTitleBand(p, w);
  PaintWells(p);

  // Labels of the rear view beside its buttons.
  p.setFont(UiFont(9, true, 1.4));
  p.setPen(kLabel);
  p.drawText(QPointF(96, 293), QStringLiteral("REAR CAMERA"));

  PaintTimeRuler(p);
  PaintSliderScales(p);
  Engrave(p, 14, 1006, 526);  // divider between the player area and the lower row
  PaintGForcePlate(p);
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
