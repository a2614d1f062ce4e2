#include "output/print_picture.h"

#include <algorithm>
#include <cstring>

#include "player/player_contract.h"

namespace orvia {

bool CopiedPicture::valid() const {
  if (width <= 0 || height <= 0 || width > player::kCopyMaxWidth || height > player::kCopyMaxHeight)
    return false;
  if (bitsPerPixel != 24 && bitsPerPixel != 32) return false;
  return static_cast<int64_t>(rowBytes()) * height <= static_cast<int64_t>(pixels.size());
}

bool CopyViewPicture(player::PlayerControl* control, CopiedPicture& picture) {
  picture.pixels.assign(player::kCopyBufferBytes, 0);
  picture.width = picture.height = picture.bitsPerPixel = 0;
  if (control == nullptr) return false;
  control->PrepareCopy();
  int32_t width = 0, height = 0, bitsPerPixel = 0;
  const player::CopyTarget target{picture.pixels.data(), &width, &height, &bitsPerPixel};
  if (control->CopyPicture(target) < 0) return false;
  picture.width = width;
  picture.height = height;
  picture.bitsPerPixel = bitsPerPixel;
  if (picture.valid()) return true;
  // Sizes beyond the buffer would have the rows read past its end.
  picture.width = picture.height = picture.bitsPerPixel = 0;
  return false;
}

std::vector<uint8_t> TopRowFirst(const CopiedPicture& picture) {
  if (!picture.valid()) return {};
  const size_t row = static_cast<size_t>(picture.rowBytes());
  std::vector<uint8_t> flipped(row * picture.height);
  for (int32_t y = 0; y < picture.height; ++y) {
    std::memcpy(flipped.data() + row * y, picture.pixels.data() + row * (picture.height - 1 - y), row);
  }
  return flipped;
}

PrintPlacement PlacePictureOnPage(int32_t pictureWidth, int32_t pictureHeight, int32_t pageWidth,
                                  int32_t pageHeight, PageOrientation orientation) {
  PrintPlacement place;
  if (pictureWidth <= 0 || pictureHeight <= 0 || pageWidth <= 0 || pageHeight <= 0) return place;
  int64_t across = 0;  // the page side the picture width is scaled to
  if (orientation == PageOrientation::kPortrait) {
    across = std::min(pageWidth, pageHeight);
  } else if (orientation == PageOrientation::kLandscape) {
    across = std::max(pageWidth, pageHeight);
  } else {
    return place;
  }
  // Whole-pixel sizes from exact ratios: w x (across / w) is across itself,
  // not one pixel less through rounding.
  int64_t width = across;
  int64_t height = static_cast<int64_t>(pictureHeight) * across / pictureWidth;
  if (width > pageWidth) {
    width = pageWidth;
    height = static_cast<int64_t>(pictureHeight) * pageWidth / pictureWidth;
  }
  if (height > pageHeight) {
    height = pageHeight;
    width = static_cast<int64_t>(pictureWidth) * pageHeight / pictureHeight;
  }
  if (width <= 0 || height <= 0) return place;
  place.printable = true;
  place.width = static_cast<int32_t>(width);
  place.height = static_cast<int32_t>(height);
  place.x = static_cast<int32_t>((pageWidth - width) / 2);
  place.y = 0;
  return place;
}

std::string PickPrinter(const std::string& defaultName, const std::vector<std::string>& installed) {
  if (!defaultName.empty()) return defaultName;
  return installed.empty() ? std::string() : installed.front();
}

}  // namespace orvia
