// A small built-in 5x7 bitmap font for the text burnt into simulated
// pictures: digits, capital letters and a few signs. Deterministic and free
// of any font file.
#pragma once

#include <cstdint>

namespace orvia::sim {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // glyph width plus one column of space

// Row bits of the glyph of `c` (bit 4 = leftmost column), kGlyphHeight rows.
// Lower-case letters use their capital; unknown characters give a blank.
const uint8_t* GlyphRows(char c);

}  // namespace orvia::sim
