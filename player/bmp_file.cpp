#include "player/bmp_file.h"

#include <cstdio>
#include <vector>

namespace orvia::player {

namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

}  // namespace

bool WriteBmp24(const std::string& path, const uint8_t* pixels, int width, int height, int stride) {
  if (!pixels || width <= 0 || height <= 0 || stride < width * 4) return false;
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
  constexpr uint32_t kHeaderBytes = 14 + 40;

  uint8_t header[kHeaderBytes] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, kHeaderBytes + imageBytes);
  Put32(header + 10, kHeaderBytes);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<uint32_t>(width));
  Put32(header + 22, static_cast<uint32_t>(height));  // positive: bottom row first
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 30, 0);  // no compression
  Put32(header + 34, imageBytes);
  Put32(header + 38, 2835);  // 72 dots per inch
  Put32(header + 42, 2835);

  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(header, 1, kHeaderBytes, f) == kHeaderBytes;
  std::vector<uint8_t> row(rowBytes, 0);
  for (int y = height - 1; ok && y >= 0; --y) {
    const uint8_t* src = pixels + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      row[x * 3 + 0] = src[x * 4 + 0];
      row[x * 3 + 1] = src[x * 4 + 1];
      row[x * 3 + 2] = src[x * 4 + 2];
    }
    ok = std::fwrite(row.data(), 1, rowBytes, f) == rowBytes;
  }
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) std::remove(path.c_str());
  return ok;
}

}  // namespace orvia::player
