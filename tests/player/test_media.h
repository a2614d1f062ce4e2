// Test media for the player tests, made at test time with the ffmpeg command
// line, and the reference checksums ffmpeg gives for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "playback/recording_index.h"

struct AVFrame;

namespace orvia::player::testing {

struct Unit {
  std::vector<uint8_t> bytes;
  bool key = false;
};

// A fresh folder under the system's temporary folder.
std::string MakeTempDir(const char* tag);
// Runs a shell command; true when it exits with 0.
bool Run(const std::string& command);
// Writes a file through ffmpeg: `arguments` are the ffmpeg input and encoder
// arguments; false when ffmpeg failed.
bool MakeVideo(const std::string& path, const std::string& arguments);
// The packets of the `n`th video stream of a file, in file order.
std::vector<Unit> ReadVideoUnits(const std::string& path, int n);
// ffmpeg's per-picture MD5 of the `n`th video stream (framemd5 of the decoded
// yuv420p pictures, in output order).
std::vector<std::string> FfmpegFrameMd5(const std::string& path, int n);
// The same checksum for a decoded picture (planes packed without padding).
std::string FrameMd5(const AVFrame& frame);

struct Bmp {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::vector<uint8_t> rgb;  // top row first, 3 bytes per pixel: B, G, R
};
// Reads an uncompressed 24-bit bitmap file; false on anything else.
bool ReadBmp(const std::string& path, Bmp& out, uint32_t* fileSize = nullptr);

// 8 kHz 16-bit mono PCM, the recorder's sound.
inline SoundFormat Pcm8kMono16() { return {1, 1, 8000, 16, 2}; }

}  // namespace orvia::player::testing
