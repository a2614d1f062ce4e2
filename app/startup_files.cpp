#include "app/startup_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/little_endian.h"
#include "base/paths.h"

namespace orvia {

bool WriteBitmapFile(const PixelRows& pic, const std::string& path) {
  if (!pic.pixels || pic.width <= 0 || pic.height <= 0 || pic.width > 0xFFFF || pic.height > 0xFFFF)
    return false;
  if (pic.bytesPerPixel < 3 || pic.rowBytes < pic.width * pic.bytesPerPixel) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const uint32_t rowOut = static_cast<uint32_t>(pic.width) * 3;
  uint8_t head[26] = {'B', 'M'};
  PutLe32(head + 2, rowOut * static_cast<uint32_t>(pic.height) + 26);
  PutLe32(head + 10, 26);
  PutLe32(head + 14, 12);
  PutLe16(head + 18, static_cast<uint32_t>(pic.width));
  PutLe16(head + 20, static_cast<uint32_t>(pic.height));
  PutLe16(head + 22, 1);
  PutLe16(head + 24, 24);
  bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head;
  std::vector<uint8_t> row(rowOut);
  for (int r = 0; ok && r < pic.height; ++r) {
    const uint8_t* src = pic.pixels + static_cast<size_t>(pic.height - 1 - r) * pic.rowBytes;
    for (int x = 0; x < pic.width; ++x) {
      row[x * 3] = src[x * pic.bytesPerPixel];
      row[x * 3 + 1] = src[x * pic.bytesPerPixel + 1];
      row[x * 3 + 2] = src[x * pic.bytesPerPixel + 2];
    }
    ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
  }
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

bool LogoNeedsWriting(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  if (access(path.c_str(), R_OK) != 0) return true;
  return static_cast<uint64_t>(st.st_size) != kLogoFileBytes;
}

bool WriteDataFile(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

std::string UpdaterParameter(int major, int minor, int build, int revision) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "v=%i%i%i%i\n", major, minor, build, revision);
  return buf;
}

std::string ChooseDataFolder(const std::string& programFolder, const std::string& fallback) {
  if (access(programFolder.c_str(), W_OK) == 0) return programFolder;
  CreatePathDirectories(fallback);
  return fallback;
}

}  // namespace orvia
