#include "output_test_support.h"

#include <sys/stat.h>

namespace orvia::test {

std::vector<uint8_t> QuarterPicture(int width, int height, Rgb topLeft, Rgb topRight, Rgb bottomLeft,
                                    Rgb bottomRight) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2;
      const bool bottom = y >= height / 2;
      const Rgb c = bottom ? (right ? bottomRight : bottomLeft) : (right ? topRight : topLeft);
      uint8_t* p = pixels.data() + (static_cast<size_t>(y) * width + x) * 4;
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
      p[3] = 0xFF;
    }
  }
  return pixels;
}

int32_t LoggingPlayer::Call(player::PlayerOp op, std::span<const player::PlayerArg> args) {
  if (op == player::PlayerOp::kSaveSnapshot && !args.empty()) {
    const std::string path(args[0].text);
    const std::string folder = path.substr(0, path.rfind('/'));
    struct stat info {};
    folderExistedAtSnapshot = stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (log_ != nullptr) log_->push_back(name_);
  }
  return RecordingPlayer::Call(op, args);
}

int32_t SizeReportingPlayer::Call(player::PlayerOp op, std::span<const player::PlayerArg> args) {
  if (op != player::PlayerOp::kCopyPicture) return RecordingPlayer::Call(op, args);
  *static_cast<int32_t*>(args[2].address) = width_;
  *static_cast<int32_t*>(args[3].address) = height_;
  *static_cast<int32_t*>(args[4].address) = bitsPerPixel_;
  return 0;
}

}  // namespace orvia::test
