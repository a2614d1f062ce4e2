// The picture the print dialog copies out of a player, and where it goes on
// the printed page. Plain logic; the dialog turns the rows into an image and
// the placement into a drawing call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvia {
namespace player {
class PlayerControl;
}

// A picture as CopyPicture delivers it: bottom row first, rows of
// width x bitsPerPixel / 8 bytes without filler.
struct CopiedPicture {
  std::vector<uint8_t> pixels;  // the copy buffer, player::kCopyBufferBytes long
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;  // 32 (B, G, R, unused) or 24 (B, G, R)

  // True when width, height and bits per pixel describe a picture that fits
  // the copy buffer; false before any copy and after a failed one.
  bool valid() const;
  int32_t rowBytes() const { return width * (bitsPerPixel / 8); }
};

// PrepareCopy, then CopyPicture into `picture`. True when the player answered
// not negative and reported sizes that fit the buffer; otherwise the picture
// is left invalid (width and height 0), whatever the player wrote. A null
// player copies nothing.
bool CopyViewPicture(player::PlayerControl* control, CopiedPicture& picture);

// The rows of a valid picture in reverse order (top row first), same row
// length; empty for an invalid picture.
std::vector<uint8_t> TopRowFirst(const CopiedPicture& picture);

enum class PageOrientation { kPortrait, kLandscape, kOther };

// Where the picture lands in the printable area, in device pixels.
struct PrintPlacement {
  bool printable = false;  // false: print nothing
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// Scales the picture to the page width (the shorter page side on a portrait
// page, the longer on a landscape one), cut to whole pixels, centred across
// and flush with the top. A picture that would then run off the bottom of the
// page is scaled to the page height instead. Not printable when the picture
// or the page is empty or the orientation is neither portrait nor landscape.
PrintPlacement PlacePictureOnPage(int32_t pictureWidth, int32_t pictureHeight, int32_t pageWidth,
                                  int32_t pageHeight, PageOrientation orientation);

// The printer the print dialog starts on: the system's default one, or, when
// none is set as default, the first installed one (the dialog lets the user
// change it); empty when no printer is installed.
std::string PickPrinter(const std::string& defaultName, const std::vector<std::string>& installed);

}  // namespace orvia
