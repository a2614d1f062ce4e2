#include "output/render_overlay.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "playback/speed_scale.h"
#include "playback/telemetry.h"

namespace orvia {
namespace {

constexpr double kKmhPerMph = 1.609344;
const QColor kBoxColour(0, 0, 0, 190);     // the boxes' dark, semi-transparent ground
const QColor kOutlineColour(10, 10, 10);   // around the white text
const QColor kRouteColour(255, 255, 255);  // the route's line
const QColor kMarkerColour(255, 80, 40);   // the current position

QFont OverlayFont(int pixels) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(std::max(8, pixels));
  font.setBold(true);
  return font;
}

int Margin(int height) { return std::max(4, height * 16 / 720); }

// The widest texts each box holds, so that its size never follows the data.
QString WidestTime() { return QStringLiteral("2088-88-88 88:88:88"); }
QString WidestSpeed(SpeedUnits units) {
  return units == SpeedUnits::kMph ? QStringLiteral("888 mph") : QStringLiteral("888 km/h");
}
QString WidestG(bool axes) {
  return axes ? QStringLiteral("X -8.88  Y -8.88  Z -8.88") : QStringLiteral("G 88.88");
}

QSize TextBoxSize(const QString& widest, int pixels) {
  const QFontMetrics metrics(OverlayFont(pixels));
  return {metrics.horizontalAdvance(widest) + pixels, metrics.height() + pixels / 2};
}

OverlayRect ToRect(int x, int y, QSize size) { return {x, y, size.width(), size.height()}; }

// Text centred in `box`: the glyphs' outline stroked dark, then filled white.
void PaintText(QPainter& p, const QRectF& box, const QString& text, int pixels) {
  const QFont font = OverlayFont(pixels);
  const QFontMetricsF metrics(font);
  const double x = box.x() + (box.width() - metrics.horizontalAdvance(text)) / 2;
  const double y = box.y() + (box.height() + metrics.ascent() - metrics.descent()) / 2;
  QPainterPath path;
  path.addText(QPointF(x, y), font, text);
  p.strokePath(path,
               QPen(kOutlineColour, std::max(2.0, pixels / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.fillPath(path, Qt::white);
}

// A transparent image of the box's size with its rounded dark ground.
QImage BoxGround(int width, int height) {
  QImage image(std::max(1, width), std::max(1, height), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kBoxColour);
  const double radius = std::min(width, height) / 4.0;
  p.drawRoundedRect(QRectF(0, 0, width, height), radius, radius);
  return image;
}

QImage TextBox(const OverlayRect& r, const QString& text, int pixels) {
  return TextBoxImage(text, r.width, r.height, pixels);
}

QString GText(const GPeak& g, bool axes) {
  char text[64];
  if (axes) {
    std::snprintf(text, sizeof(text), "X %.2f  Y %.2f  Z %.2f", g.x / 1000.0, g.y / 1000.0, g.z / 1000.0);
  } else {
    const double x = g.x, y = g.y, z = g.z;
    const double m = std::sqrt(x * x + y * y + z * z) / 1000.0;
    std::snprintf(text, sizeof(text), "G %.2f", m);
  }
  return QString::fromLatin1(text);
}

void Place(const OverlayRect& r, const QImage& box, QPainter& p) {
  if (!r.Empty() && !box.isNull()) p.drawImage(r.x, r.y, box);
}

}  // namespace

std::string SpeedText(bool hasFix, int16_t storedSpeed, SpeedUnits units) {
  const char* unit = units == SpeedUnits::kMph ? "mph" : "km/h";
  if (!hasFix) return std::string("-- ") + unit;
  int value = SpeedKmh(storedSpeed);
  if (units == SpeedUnits::kMph)
    value = static_cast<int>(std::lround((storedSpeed & 0xffff) / 10.0 / kKmhPerMph));
  return std::to_string(value) + " " + unit;
}

int OverlayTextPixels(int height) { return std::max(10, (height * 28 + 360) / 720); }

QImage TextBoxImage(const QString& text, int width, int height, int pixels) {
  QImage image = BoxGround(width, height);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  PaintText(p, QRectF(0, 0, width, height), text, pixels);
  return image;
}

OverlayLayout OverlayBoxes(const RenderOptions& options, int width, int height) {
  OverlayLayout l;
  if (!options.drawOverlay || width <= 0 || height <= 0) return l;
  const OverlayParts& parts = options.overlay;
  const int px = OverlayTextPixels(height), m = Margin(height);
  // Along the bottom left: the time, and below it speed and G. The
  // recorder's own caption takes the top left corner, the rear inset the
  // top right, and the route the bottom right.
  const QSize speedSize = TextBoxSize(WidestSpeed(options.units), px);
  const int bottom = height - m - speedSize.height();
  if (parts.speed) l.speed = ToRect(m, bottom, speedSize);
  if (parts.g)
    l.g = ToRect(parts.speed ? m + speedSize.width() + m / 2 : m, bottom,
                 TextBoxSize(WidestG(parts.gAxes), px));
  const QSize timeSize = TextBoxSize(WidestTime(), px);
  const int timeY = parts.speed || parts.g ? bottom - m / 2 - timeSize.height() : bottom;
  if (parts.time) l.time = ToRect(m, timeY, timeSize);
  if (parts.name) {
    const int x = parts.time ? m + timeSize.width() + m / 2 : m;
    const QSize nameSize = TextBoxSize(QStringLiteral("Orvia"), px * 3 / 5);
    l.name = ToRect(x, timeY + (timeSize.height() - nameSize.height()) / 2, nameSize);
  }
  if (parts.route) {
    const int side = std::min(width, height) * 28 / 100;
    l.route = {width - m - side, height - m - side, side, side};
  }
  // A box that does not fit a small picture is cut to it.
  for (OverlayRect* r : {&l.time, &l.speed, &l.g, &l.route, &l.name}) {
    r->width = std::min(r->width, width - r->x);
    r->height = std::min(r->height, height - r->y);
    if (r->width <= 0 || r->height <= 0 || r->x < 0 || r->y < 0) *r = {};
  }
  return l;
}

OverlayPainter::OverlayPainter(const RenderOptions& options, int width, int height,
                               std::vector<OverlayRoutePoint> route)
    : options_(options), pixels_(OverlayTextPixels(height)), route_(std::move(route)) {
  options_.progress = nullptr;
  boxes_ = OverlayBoxes(options, width, height);
  if (!boxes_.name.Empty()) name_ = TextBox(boxes_.name, QStringLiteral("Orvia"), pixels_ * 3 / 5);
  if (!boxes_.route.Empty()) DrawRouteBase();
}

// The route's ground and line, drawn once: an equirectangular projection of
// the fixes fitted into the box with a margin.
void OverlayPainter::DrawRouteBase() {
  const OverlayRect& r = boxes_.route;
  routeBase_ = BoxGround(r.width, r.height);
  if (route_.empty()) return;
  double minX = 1e18, maxX = -1e18, minY = 1e18, maxY = -1e18;
  const double cosLat = std::cos(route_[0].latitude / 1e6 * M_PI / 180.0);
  for (const OverlayRoutePoint& pt : route_) {
    const double x = pt.longitude * cosLat, y = -static_cast<double>(pt.latitude);
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  const double pad = r.width * 0.12, inner = r.width - 2 * pad;
  const double span = std::max({maxX - minX, maxY - minY, 1.0});
  const double scale = inner / span;
  const double offX = pad + (inner - (maxX - minX) * scale) / 2,
               offY = pad + (inner - (maxY - minY) * scale) / 2;
  routeXy_.clear();
  for (const OverlayRoutePoint& pt : route_)
    routeXy_.emplace_back(offX + (pt.longitude * cosLat - minX) * scale,
                          offY + (-static_cast<double>(pt.latitude) - minY) * scale);
  QPainter p(&routeBase_);
  p.setRenderHint(QPainter::Antialiasing);
  const double line = std::max(2.0, pixels_ / 9.0);
  p.setPen(QPen(kOutlineColour, line * 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(routeXy_.data(), static_cast<int>(routeXy_.size()));
  p.setPen(QPen(kRouteColour, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(routeXy_.data(), static_cast<int>(routeXy_.size()));
}

void OverlayPainter::SetSecond(const OverlaySecond& s) {
  if (shown_ && s.clock == last_.clock && s.routePoint == last_.routePoint && s.hasFix == last_.hasFix)
    return;
  shown_ = true;
  last_ = s;
  if (!boxes_.time.Empty())
    time_ = TextBox(boxes_.time, QString::fromStdString(FormatDateTime(BreakDownUtc(s.clock))), pixels_);
  if (!boxes_.speed.Empty())
    speed_ = TextBox(boxes_.speed, QString::fromStdString(SpeedText(s.hasFix, s.fix.speed, options_.units)),
                     pixels_);
  if (!boxes_.g.Empty()) g_ = TextBox(boxes_.g, GText(s.g, options_.overlay.gAxes), pixels_);
  if (!boxes_.route.Empty()) {
    route_image_ = routeBase_.copy();
    if (s.routePoint >= 0 && s.routePoint < static_cast<int>(routeXy_.size())) {
      QPainter p(&route_image_);
      p.setRenderHint(QPainter::Antialiasing);
      const double radius = std::max(3.0, pixels_ / 4.0);
      p.setPen(QPen(kOutlineColour, radius / 2.5));
      p.setBrush(kMarkerColour);
      p.drawEllipse(routeXy_[static_cast<size_t>(s.routePoint)], radius, radius);
    }
  }
}

void OverlayPainter::Draw(QImage& picture) const {
  QPainter p(&picture);
  Place(boxes_.time, time_, p);
  Place(boxes_.name, name_, p);
  Place(boxes_.speed, speed_, p);
  Place(boxes_.g, g_, p);
  Place(boxes_.route, route_image_, p);
}

}  // namespace orvia
