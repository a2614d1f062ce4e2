// A rendered video to share: both views of a range across consecutive
// recordings composed into one picture, with the second's date and time,
// speed, G and a small route burned in, encoded again as H.264 (libx264)
// with the sound as AAC in an MP4 file. The file is written under a
// temporary name beside the target and renamed when whole; a failure or a
// cancel removes it.
//
// Threads: RenderVideo blocks its caller. Inside, one thread decodes both
// views and composes them, another draws the overlay, converts and encodes
// (x264 adds its own threads); a small bounded queue lies between them. The
// progress callback comes on the encoding thread. A QGuiApplication must
// exist (the overlay's text is drawn with Qt).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvia {

enum class RenderLayout { kFront, kPip, kSide, kStack };
enum class RenderQuality { kSmaller, kBalanced, kBest };
enum class SpeedUnits { kKmh, kMph };

// Which parts of the overlay are drawn.
struct OverlayParts {
  bool time = true;
  bool speed = true;
  bool g = true;
  bool gAxes = false;  // X/Y/Z instead of the magnitude
  bool route = true;
  bool name = true;  // the program's name, small
  bool Any() const { return time || speed || g || route || name; }
};

struct RenderOptions {
  // Consecutive recordings in time order, and the range [fromMs, toMs)
  // counted from the first one's second 0 (library/card_range.h gives both).
  std::vector<std::string> recordings;
  int64_t fromMs = 0;
  int64_t toMs = 0;
  std::string outputPath;
  RenderLayout layout = RenderLayout::kPip;
  int width = 0, height = 0;  // 0: the front view's size; made even
  RenderQuality quality = RenderQuality::kBalanced;
  SpeedUnits units = SpeedUnits::kKmh;
  OverlayParts overlay;
  bool drawOverlay = true;
  // Called after pictures with the share done (0..1); returning false
  // cancels, which stops within a picture or two and removes the file.
  std::function<bool(double)> progress;
};

// Where the overlay's boxes lie in the output picture; empty ones are not
// drawn. Pixels outside all boxes carry only the composed views.
struct OverlayRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Empty() const { return width <= 0 || height <= 0; }
};
struct OverlayLayout {
  OverlayRect time, speed, g, route, name;
};

struct RenderResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;  // what went wrong, for the user
  std::string note;   // where the range stopped early, a missing camera or sound
  int width = 0, height = 0;
  int pictures = 0;        // pictures encoded
  int64_t durationMs = 0;  // of the video
  OverlayLayout boxes;     // where the overlay was drawn (all empty without one)
};

// The output size for the options when the front view is frontW x frontH:
// the size asked for, else the front view's, both made even.
void RenderSize(const RenderOptions& options, int frontW, int frontH, int& width, int& height);

// The overlay's boxes in a width x height picture for these options.
OverlayLayout OverlayBoxes(const RenderOptions& options, int width, int height);

// Where each view lies in the output: the front one, then the rear one
// (empty in the front-only layout), keeping each view's proportions.
struct ViewPlacement {
  OverlayRect front, rear;
};
ViewPlacement PlaceViews(RenderLayout layout, int width, int height, int frontW, int frontH, int rearW,
                         int rearH);

RenderResult RenderVideo(const RenderOptions& options);

// Speed as the overlay writes it: "52 km/h" or "32 mph" from the stored
// speed (km/h x 10); "-- km/h" without a fix.
std::string SpeedText(bool hasFix, int16_t storedSpeed, SpeedUnits units);

}  // namespace orvia
