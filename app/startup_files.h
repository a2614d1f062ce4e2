// The files the program writes into its folder at start, and the small
// helpers that go with them. Plain logic: the windows pass in the bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/paths.h"

namespace orvia {

constexpr const char* kMapPageFileName = "map.html";
constexpr const char* kLogo1FileName = "LOGO_1.bmp";
constexpr const char* kLogo2FileName = "LOGO_2.bmp";
constexpr const char* kUpdaterFileName = "update_orvia_eng.exe";
// Size of a logo file written by WriteBitmapFile: 26 + 1920 x 1080 x 3.
constexpr uint64_t kLogoFileBytes = 6220826;

// A picture in memory: `bytesPerPixel` bytes a pixel (3 or 4, blue first),
// rows `rowBytes` apart, top row first.
struct PixelRows {
  const uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int bytesPerPixel = 0;
  int rowBytes = 0;
};

// Writes a 24-bit bitmap file with a 12-byte core header, bottom row first,
// no filler bytes at the ends of rows. False when the file cannot be written
// or the picture is not usable (sizes above 65535, wrong pixel size).
bool WriteBitmapFile(const PixelRows& picture, const std::string& path);

// True when `path` is missing or not exactly kLogoFileBytes long.
bool LogoNeedsWriting(const std::string& path);

// Writes a data file byte for byte, creating or truncating it. False when it
// cannot be opened for writing.
bool WriteDataFile(const std::string& path, std::string_view bytes);

// "v=" and the four version numbers run together, then a line feed.
std::string UpdaterParameter(int major, int minor, int build, int revision);

// Where the data files go: `programFolder` when it can be written, else
// `fallback` (created when needed). Both end in a separator.
std::string ChooseDataFolder(const std::string& programFolder, const std::string& fallback);

}  // namespace orvia
