// The overlay of a rendered video, drawn with Qt: the second's date and
// time, speed, G, a small route of the range with the current position and
// the program's name, each in a semi-transparent dark rounded box at a
// place that depends only on the picture's size (OverlayBoxes), with white
// text outlined in a dark colour so that it reads over any picture.
// The boxes are drawn once per second into their own images and laid over
// every picture of that second.
//
// Threads: one thread at a time; a QGuiApplication must exist (fonts).
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

#include "output/render_export.h"
#include "playback/recording_index.h"

namespace orvia {

// One second of the range as the overlay shows it.
struct OverlaySecond {
  int64_t clock = 0;  // the recorder's clock, seconds broken down as UTC
  bool hasFix = false;
  GpsFix fix{};
  GPeak g;
  int routePoint = -1;  // the route's point to mark; -1 none
};

// A position of the route, in millionths of a degree.
struct OverlayRoutePoint {
  int32_t latitude = 0, longitude = 0;
};

// The overlay's text size in pixels for a picture `height` high: 28 at 720.
int OverlayTextPixels(int height);

// A box image of `width` x `height` as the overlay draws it: the rounded
// dark background and `text` centred in it at `pixels` size. Tests draw
// their references with it.
QImage TextBoxImage(const QString& text, int width, int height, int pixels);

class OverlayPainter {
 public:
  OverlayPainter(const RenderOptions& options, int width, int height, std::vector<OverlayRoutePoint> route);

  // Redraws the boxes' images when `second` differs from the last one.
  void SetSecond(const OverlaySecond& second);
  // Lays the boxes over `picture` (Format_RGB32, the size given).
  void Draw(QImage& picture) const;
  const OverlayLayout& Boxes() const { return boxes_; }

 private:
  void DrawRouteBase();

  RenderOptions options_;
  int pixels_ = 28;
  OverlayLayout boxes_;
  std::vector<OverlayRoutePoint> route_;
  std::vector<QPointF> routeXy_;  // the route's points inside its box
  QImage time_, speed_, g_, route_image_, routeBase_, name_;
  bool shown_ = false;
  OverlaySecond last_;
};

}  // namespace orvia
