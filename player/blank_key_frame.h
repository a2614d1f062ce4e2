// The blank key frame: a small H.264 key unit that decodes to a black
// 352 x 240 picture. The program sends it to clear a view.
#pragma once

#include <cstdint>
#include <span>

namespace orvia::player {

// Annex B with 4-byte start codes: SPS, PPS and one IDR slice (Baseline
// profile, no SEI). The bytes live for the whole program.
std::span<const uint8_t> BlankKeyFrame();

}  // namespace orvia::player
