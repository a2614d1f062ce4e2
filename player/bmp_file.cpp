#include "player/bmp_file.h"

#include <cstdio>
#include <vector>

#include "base/little_endian.h"

namespace orvia::player {

bool WriteBmp24(const std::string& path, const uint8_t* pixels, int width, int height, int stride) {
  if (!pixels || width <= 0 || height <= 0 || stride < width * 4) return false;
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
  constexpr uint32_t kHeaderBytes = 14 + 40;

  uint8_t header[kHeaderBytes] = {};
  header[0] = 'B';
  header[1] = 'M';
  PutLe32(header + 2, kHeaderBytes + imageBytes);
  PutLe32(header + 10, kHeaderBytes);
  PutLe32(header + 14, 40);
  PutLe32(header + 18, static_cast<uint32_t>(width));
  PutLe32(header + 22, static_cast<uint32_t>(height));  // positive: bottom row first
  PutLe16(header + 26, 1);
  PutLe16(header + 28, 24);
  PutLe32(header + 30, 0);  // no compression
  PutLe32(header + 34, imageBytes);
  PutLe32(header + 38, 2835);  // 72 dots per inch
  PutLe32(header + 42, 2835);

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
