#include "tools/sim/scene_painter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/sim/bitmap_font.h"

namespace orvia::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Yuv {
  uint8_t y, u, v;
};

struct Palette {
  Yuv skyTop, skyLow, hills, grassA, grassB, road, line, pole, passer, frame;
};

constexpr Palette kFrontPalette = {{105, 165, 112}, {185, 140, 118}, {80, 120, 122},  {104, 105, 112},
                                   {112, 102, 114}, {88, 128, 128},  {215, 128, 128}, {55, 128, 134},
                                   {70, 110, 170},  {16, 128, 128}};
constexpr Palette kRearPalette = {{120, 140, 125}, {170, 132, 126}, {90, 126, 126},  {98, 112, 118},
                                  {106, 110, 120}, {80, 128, 128},  {200, 128, 128}, {50, 128, 134},
                                  {90, 170, 100},  {24, 128, 128}};

int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

void FillY(Picture& p, int x0, int y0, int x1, int y1, uint8_t luma) {
  x0 = Clamp(x0, 0, p.width);
  x1 = Clamp(x1, 0, p.width);
  y0 = Clamp(y0, 0, p.height);
  y1 = Clamp(y1, 0, p.height);
  if (x1 <= x0) return;
  for (int y = y0; y < y1; ++y) std::memset(p.y + static_cast<size_t>(y) * p.strideY + x0, luma, x1 - x0);
}

// Chroma of the luma rectangle [x0,x1) x [y0,y1).
void FillUV(Picture& p, int x0, int y0, int x1, int y1, uint8_t cu, uint8_t cv) {
  const int cw = p.width / 2;
  const int ch = p.height / 2;
  int cx0 = Clamp(x0 / 2, 0, cw);
  int cx1 = Clamp((x1 + 1) / 2, 0, cw);
  int cy0 = Clamp(y0 / 2, 0, ch);
  int cy1 = Clamp((y1 + 1) / 2, 0, ch);
  if (cx1 <= cx0) return;
  for (int y = cy0; y < cy1; ++y) {
    std::memset(p.u + static_cast<size_t>(y) * p.strideU + cx0, cu, cx1 - cx0);
    std::memset(p.v + static_cast<size_t>(y) * p.strideV + cx0, cv, cx1 - cx0);
  }
}

void Fill(Picture& p, int x0, int y0, int x1, int y1, Yuv c) {
  FillY(p, x0, y0, x1, y1, c.y);
  FillUV(p, x0, y0, x1, y1, c.u, c.v);
}

uint8_t Mix(uint8_t a, uint8_t b, double t) { return static_cast<uint8_t>(std::lround(a + (b - a) * t)); }

// Positive modulo.
double Wrap(double v, double period) {
  double r = std::fmod(v, period);
  return r < 0 ? r + period : r;
}

struct RoadRow {
  int center;
  int half;  // half width of the road in pixels
  double depthM;
};

// Geometry of the ground row `y` below the horizon `horizon`.
RoadRow RoadAt(const SceneState& s, const Picture& p, int horizon, int y) {
  const double d = static_cast<double>(y - horizon + 1) / (p.height - horizon);  // 0..1, 1 at the bottom
  const double widthFactor = s.rear ? 0.38 : 0.46;
  const double far = (1 - d) * (1 - d);
  RoadRow r;
  r.center = static_cast<int>(p.width / 2 + (s.rear ? -s.curve : s.curve) * p.width * 0.45 * far);
  r.half = std::max(1, static_cast<int>(p.width * widthFactor * d));
  r.depthM = 4.0 / d;
  return r;
}

void PaintSky(const SceneState& s, const Palette& pal, Picture& p, int horizon) {
  for (int y = 0; y < horizon; ++y) {
    const double t = static_cast<double>(y) / std::max(1, horizon);
    FillY(p, 0, y, p.width, y + 1, Mix(pal.skyTop.y, pal.skyLow.y, t));
    if ((y & 1) == 0)
      FillUV(p, 0, y, p.width, y + 2, Mix(pal.skyTop.u, pal.skyLow.u, t), Mix(pal.skyTop.v, pal.skyLow.v, t));
  }
  // Hills along the horizon; they slide sideways as the heading changes.
  const double shift = (s.rear ? -1 : 1) * s.headingDeg / 360.0;
  const int maxHill = p.height / 14;
  for (int x = 0; x < p.width; x += 2) {
    const double u = static_cast<double>(x) / p.width + shift * 4;
    const double h = 0.55 + 0.25 * std::sin(u * 2 * kPi * 1.3) + 0.2 * std::sin(u * 2 * kPi * 3.7 + 1.0);
    const int top = horizon - static_cast<int>(maxHill * h);
    Fill(p, x, top, x + 2, horizon, pal.hills);
  }
}

void PaintGround(const SceneState& s, const Palette& pal, Picture& p, int horizon) {
  // The rear camera sees the marks move away from it.
  const double travelled = s.rear ? -s.distanceM : s.distanceM;
  for (int y = std::max(horizon, 0); y < p.height; ++y) {
    const RoadRow r = RoadAt(s, p, horizon, y);
    const double z = r.depthM + travelled;
    const Yuv grass = Wrap(z, 10.0) < 5.0 ? pal.grassA : pal.grassB;
    const bool chromaRow = (y & 1) == 0;
    const int left = r.center - r.half;
    const int right = r.center + r.half;
    FillY(p, 0, y, left, y + 1, grass.y);
    FillY(p, right, y, p.width, y + 1, grass.y);
    FillY(p, left, y, right, y + 1, pal.road.y);
    if (chromaRow) {
      FillUV(p, 0, y, left, y + 2, grass.u, grass.v);
      FillUV(p, right, y, p.width, y + 2, grass.u, grass.v);
      FillUV(p, left, y, right, y + 2, pal.road.u, pal.road.v);
    }
    const int lineW = std::max(1, r.half / 30);
    FillY(p, left + lineW, y, left + 2 * lineW, y + 1, pal.line.y);
    FillY(p, right - 2 * lineW, y, right - lineW, y + 1, pal.line.y);
    if (Wrap(z, 12.0) < 5.0)
      FillY(p, r.center - lineW / 2 - 1, y, r.center + lineW / 2 + 1, y + 1, pal.line.y);
  }
  // Poles along the right side every 25 m, nearest drawn last.
  const double period = 25.0;
  const double first = period - Wrap(travelled, period);
  for (int k = 8; k >= 0; --k) {
    const double zp = first + k * period;
    if (zp < 4.5) continue;
    const double d = 4.0 / zp;
    const int y = horizon - 1 + static_cast<int>(d * (p.height - horizon));
    const RoadRow r = RoadAt(s, p, horizon, Clamp(y, horizon, p.height - 1));
    const int x = r.center + r.half + r.half / 5;
    const int w = std::max(2, static_cast<int>(d * p.width * 0.03));
    const int h = static_cast<int>(d * p.height * 1.2);
    Fill(p, x, y - h, x + w, y, pal.pole);
    Fill(p, x - 2 * w, y - h, x + 3 * w, y - h + std::max(2, w), pal.pole);
  }
}

void PaintPasser(const SceneState& s, const Palette& pal, Picture& p) {
  if (s.passerPos < 0) return;
  const int w = p.width / 12;
  const int h = p.height / 3;
  const int x = static_cast<int>(s.passerPos * (p.width + w)) - w;
  Fill(p, x, p.height - h - p.height / 10, x + w, p.height - p.height / 10, pal.passer);
  Fill(p, x + w / 4, p.height - h - p.height / 10 - w / 2, x + 3 * w / 4, p.height - h - p.height / 10,
       pal.passer);
}

int TextScale(int height) { return std::max(1, height / 180); }

struct Ruler {
  int boxes, box, gap, x0, y0, y1;
};

Ruler RulerOf(int width, int height, int framesPerSecond) {
  const int scale = TextScale(height);
  Ruler r;
  r.boxes = std::max(1, framesPerSecond);
  r.box = std::max(4, std::min(6 * scale, width / (2 * r.boxes)));
  r.gap = r.box / 3;
  r.y1 = height - 2 * scale;
  r.y0 = r.y1 - r.box;
  r.x0 = (width - (r.boxes * (r.box + r.gap) - r.gap)) / 2;
  return r;
}

void PaintRuler(const SceneState& s, Picture& p) {
  const Ruler r = RulerOf(p.width, p.height, s.framesPerSecond);
  const int total = r.boxes * (r.box + r.gap) - r.gap;
  FillY(p, r.x0 - r.gap, r.y0 - r.gap, r.x0 + total + r.gap, r.y1 + r.gap, 16);
  FillUV(p, r.x0 - r.gap, r.y0 - r.gap, r.x0 + total + r.gap, r.y1 + r.gap, 128, 128);
  for (int i = 0, x = r.x0; i < r.boxes; ++i, x += r.box + r.gap) {
    FillY(p, x, r.y0, x + r.box, r.y1, i == s.frameInSecond ? kRulerLit : kRulerDark);
  }
}

Yuv Dim(Yuv c, double light) {
  const double luma = 0.22 + 0.78 * light;
  const double chroma = 0.5 + 0.5 * light;
  return {static_cast<uint8_t>(std::lround(16 + (c.y - 16) * luma)),
          static_cast<uint8_t>(std::lround(128 + (c.u - 128) * chroma)),
          static_cast<uint8_t>(std::lround(128 + (c.v - 128) * chroma))};
}

Palette Dimmed(const Palette& p, double daylight) {
  const double l = std::clamp(daylight, 0.0, 1.0);
  // Road marks and the passer-by catch the headlights and street lamps.
  const double lit = 0.6 + 0.4 * l;
  return {Dim(p.skyTop, l), Dim(p.skyLow, l), Dim(p.hills, l), Dim(p.grassA, l),   Dim(p.grassB, l),
          Dim(p.road, l),   Dim(p.line, lit), Dim(p.pole, l),  Dim(p.passer, lit), p.frame};
}

}  // namespace

void DrawTextBox(Picture& pic, int x, int y, int scale, const std::string& text, uint8_t luma) {
  if (text.empty()) return;
  const int w = static_cast<int>(text.size()) * kGlyphAdvance * scale + scale;
  const int h = (kGlyphHeight + 2) * scale;
  FillY(pic, x - scale, y - scale, x + w, y + h - scale, 16);
  FillUV(pic, x - scale, y - scale, x + w, y + h - scale, 128, 128);
  int cx = x;
  for (char c : text) {
    const uint8_t* rows = GlyphRows(c);
    for (int r = 0; r < kGlyphHeight; ++r) {
      for (int col = 0; col < kGlyphWidth; ++col) {
        if (rows[r] & (0x10 >> col)) {
          FillY(pic, cx + col * scale, y + r * scale, cx + (col + 1) * scale, y + (r + 1) * scale, luma);
        }
      }
    }
    cx += kGlyphAdvance * scale;
  }
}

void RulerBoxCentre(int width, int height, int framesPerSecond, int i, int* x, int* y) {
  const Ruler r = RulerOf(width, height, framesPerSecond);
  *x = r.x0 + i * (r.box + r.gap) + r.box / 2;
  *y = (r.y0 + r.y1) / 2;
}

double DaylightAt(int hour, int minute) {
  const double h = hour + minute / 60.0;
  if (h >= 7 && h <= 17) return 1;
  if (h > 5 && h < 7) return (h - 5) / 2;
  if (h > 17 && h < 19) return (19 - h) / 2;
  return 0;
}

void PaintScene(const SceneState& s, Picture& p) {
  const Palette pal = Dimmed(s.rear ? kRearPalette : kFrontPalette, s.daylight);
  const int horizon = Clamp(static_cast<int>(p.height * 0.45) + s.shakePx, 1, p.height - 2);
  PaintSky(s, pal, p, horizon);
  PaintGround(s, pal, p, horizon);
  PaintPasser(s, pal, p);
  const int scale = TextScale(p.height);
  if (s.rear) {
    // The rear camera looks through the back window: a dark frame around it.
    const int b = p.height / 40;
    Fill(p, 0, 0, p.width, b, pal.frame);
    Fill(p, 0, p.height - b, p.width, p.height, pal.frame);
    Fill(p, 0, 0, b, p.height, pal.frame);
    Fill(p, p.width - b, 0, p.width, p.height, pal.frame);
  }
  const int margin = 4 * scale;
  DrawTextBox(p, margin, margin, scale, s.line1, 235);
  DrawTextBox(p, margin, margin + (kGlyphHeight + 3) * scale, scale, s.line2, 235);
  PaintRuler(s, p);
}

}  // namespace orvia::sim
