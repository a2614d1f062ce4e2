// What the skin's painters share: one palette, the button face, text and
// the symbols drawn on buttons and in the background.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QString>

#include "description.h"

namespace skingen {

// One palette for the whole skin: a graphite window with dark wells, light
// symbols and an amber accent for what is active or pressed.
inline const QColor kPanel(73, 73, 74);     // window surface (the main window's panel brush)
inline const QColor kBand(50, 51, 53);      // title band of the main window
inline const QColor kDiskBand(57, 57, 57);  // title band of the disk manager
inline const QColor kWell(14, 14, 15);      // behind videos, map, list and graph
inline const QColor kWellEdge(34, 35, 37);
inline const QColor kEngraveDark(58, 59, 60);
inline const QColor kEngraveLight(88, 89, 91);
inline const QColor kAccent(245, 166, 35);
inline const QColor kAccentDeep(196, 124, 18);
inline const QColor kIcon(234, 235, 238);
inline const QColor kLabel(172, 174, 178);
inline const QColor kDanger(206, 52, 40);

enum class State { kNormal, kPressed, kHover };

State StateOf(const BitmapDescription& desc);

QFont UiFont(qreal pixelSize, bool bold, qreal spacing = 0);

QColor SymbolColour(State state);

// A rounded button face over `r`. Normal faces are lit from above; pressed faces
// are sunk: darker, lit from below, with a shadow along the top edge.
void DrawFace(QPainter& p, const QRectF& r, State state, qreal radius);

// Text centred on `centre` (horizontally) with its baseline at `baseline`.
void DrawText(QPainter& p, const QString& text, const QFont& font, qreal centreX, qreal baseline,
              const QColor& colour);

QPen StrokePen(const QColor& c, qreal width);

void FillPolygon(QPainter& p, const QPolygonF& poly, const QColor& c);

QPointF At(const QRectF& b, qreal fx, qreal fy);

void TransportSymbol(QPainter& p, const QRectF& b, const QString& icon, const QColor& c);

// Tool symbols are outlines in a 20 x 20 design box, scaled into `b`.
void ToolSymbol(QPainter& p, const QRectF& b, const QString& icon, const QColor& c);

void MinimizeSymbol(QPainter& p, const QPointF& centre, qreal half, const QColor& c, qreal width);

void CrossSymbol(QPainter& p, const QPointF& centre, qreal half, const QColor& c, qreal width);

// Four corner brackets: pointing outward ("make it big") or inward ("back").
void CornersSymbol(QPainter& p, const QRectF& b, bool outward, const QColor& c, qreal width);

void PinSymbol(QPainter& p, const QRectF& b, const QColor& c);

void GaugeSymbol(QPainter& p, const QRectF& b, const QColor& c, qreal width);

void SpeakerSymbol(QPainter& p, const QRectF& b, const QColor& c, qreal width);

// A small line plot, the symbol of the graph switch.
void WaveSymbol(QPainter& p, const QRectF& b, const QColor& c, qreal width);

// The lens emblem of the program: a ring around a dark glass with a glint;
// the ring is drawn with `ring` (the skin's flat amber one by default).
void LensEmblem(QPainter& p, const QPointF& centre, qreal r, const QPen& ring);
inline void LensEmblem(QPainter& p, const QPointF& centre, qreal r) {
  LensEmblem(p, centre, r, QPen(kAccent, r * 0.22));
}

}  // namespace skingen
