// Paints the synthetic pictures of the simulated cameras into YUV 4:2:0
// planes: a road seen from the front or the rear of a moving car, with the
// camera name, date, time, frame number and a per-second frame ruler burnt in
// so that sync, seeking and stepping can be judged by eye. Pure function of
// its inputs: the same state gives the same pixels.
#pragma once

#include <cstdint>
#include <string>

namespace orvia::sim {

// Planes of one 8-bit YUV 4:2:0 picture; the painter writes, never owns.
struct Picture {
  uint8_t* y = nullptr;
  uint8_t* u = nullptr;
  uint8_t* v = nullptr;
  int strideY = 0;
  int strideU = 0;
  int strideV = 0;
  int width = 0;   // even
  int height = 0;  // even
};

struct SceneState {
  bool rear = false;      // rear camera: the road recedes, other palette
  double distanceM = 0;   // distance travelled, moves the road marks
  double curve = 0;       // bend of the road ahead, -1 (left) .. 1 (right)
  double headingDeg = 0;  // heading of the car, shifts the hills
  int shakePx = 0;        // vertical shake of the whole scene (impact)
  double daylight = 1;    // 1 full day .. 0 night: darkens the scene, not the text
  double passerPos = -1;  // 0..1 across the picture: something passing by; <0 none
  std::string line1;      // overlay lines (5x7 font: digits, capitals, - : . / #)
  std::string line2;
  int frameInSecond = 0;     // lit box of the frame ruler
  int framesPerSecond = 15;  // boxes of the frame ruler
};

void PaintScene(const SceneState& state, Picture& pic);

// The frame ruler: one box per picture of a second along the bottom edge,
// the box of the current picture lit. RulerBoxCentre gives the centre of box
// `i`, so tools and tests can read the picture number back from pixels.
constexpr uint8_t kRulerLit = 235;
constexpr uint8_t kRulerDark = 70;
void RulerBoxCentre(int width, int height, int framesPerSecond, int i, int* x, int* y);

// Daylight of a wall-clock time of day: 1 from 07:00 to 17:00, 0 from 19:00
// to 05:00, linear in between.
double DaylightAt(int hour, int minute);

// Text in the 5x7 font at (x, y), each font pixel `scale` pixels square, luma
// `luma`, on a dark box; chroma is made neutral under the box.
void DrawTextBox(Picture& pic, int x, int y, int scale, const std::string& text, uint8_t luma);

}  // namespace orvia::sim
