// 24-bit bitmap files: the file header, a 40-byte info header, then the pixel
// rows bottom row first, 3 bytes per pixel (blue, green, red), each row
// padded with zeros to a multiple of 4 bytes.
#pragma once

#include <cstdint>
#include <string>

namespace orvia::player {

// Writes `pixels` (32-bit RGB as QImage::Format_RGB32 keeps it in memory, top
// row first, rows `stride` bytes apart). False when the file cannot be
// written completely.
bool WriteBmp24(const std::string& path, const uint8_t* pixels, int width, int height, int stride);

}  // namespace orvia::player
