// Pictures and players shared by the output tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/recording_player.h"

namespace orvia::test {

struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kRed{220, 30, 30};
constexpr Rgb kGreen{30, 200, 40};
constexpr Rgb kBlue{20, 40, 210};
constexpr Rgb kYellow{240, 220, 20};

// A picture of four coloured quarters (red top left, green top right, blue
// bottom left, yellow bottom right), top row first, bytes B, G, R, 0xFF.
std::vector<uint8_t> QuarterPicture(int width, int height, Rgb topLeft = kRed, Rgb topRight = kGreen,
                                    Rgb bottomLeft = kBlue, Rgb bottomRight = kYellow);

// A RecordingPlayer that also notes, at each SaveSnapshot, whether the
// folder of the path existed, and appends its name to a shared call log.
class LoggingPlayer : public player::RecordingPlayer {
 public:
  LoggingPlayer(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
  int32_t Call(player::PlayerOp op, std::span<const player::PlayerArg> args) override;
  bool folderExistedAtSnapshot = false;

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

// A player whose CopyPicture reports the given sizes, whatever they are.
class SizeReportingPlayer : public player::RecordingPlayer {
 public:
  SizeReportingPlayer(int32_t width, int32_t height, int32_t bitsPerPixel)
      : width_(width), height_(height), bitsPerPixel_(bitsPerPixel) {}
  int32_t Call(player::PlayerOp op, std::span<const player::PlayerArg> args) override;

 private:
  int32_t width_, height_, bitsPerPixel_;
};

}  // namespace orvia::test
