#include "controls/bit_wnd_frames.h"

namespace orvia {

void BitWndOnHover(BitWndState* state, int frameCount) {
  state->frame = frameCount > 1 ? 1 : 0;
  if (state->toggled) state->frame = 2;
}

void BitWndOnLeave(BitWndState* state, int frameCount) {
  state->frame = (state->toggled && frameCount > 1) ? 2 : 0;
}

void BitWndOnButtonDown(BitWndState* state, int frameCount) {
  state->frame = (!state->toggled && frameCount > 2) ? 2 : 0;
  if (state->toggleMode) state->toggled = !state->toggled;
}

void BitWndOnButtonUp(BitWndState* state, int frameCount) {
  if (!state->toggled) state->frame = frameCount > 1 ? 1 : 0;
}

}  // namespace orvia
