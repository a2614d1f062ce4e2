// Which frame a bitmap window shows as the mouse hovers, leaves and presses.
// Frames: 0 normal, 1 hover, 2 pressed or toggled; a frame is only chosen when
// the strip holds it. Plain C++, no Qt.
#pragma once

namespace orvia {

struct BitWndState {
  int frame = 0;
  bool toggled = false;
  bool toggleMode = false;
};

// The pointer rests over the window.
void BitWndOnHover(BitWndState* state, int frameCount);
// The pointer left the window.
void BitWndOnLeave(BitWndState* state, int frameCount);
// Left button pressed on the window; flips `toggled` in toggle mode.
void BitWndOnButtonDown(BitWndState* state, int frameCount);
// Left button released on the window.
void BitWndOnButtonUp(BitWndState* state, int frameCount);

}  // namespace orvia
