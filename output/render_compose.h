// The composing side of a rendered video (render_export.h): the recordings
// of the range opened and planned, and the thread that decodes both views
// in time order and scales each picture into its place in a composed RGB32
// picture. Composed pictures go through a small pool of reused images to
// the encoding thread, which gives each one back when it is encoded.
#pragma once

#include <QImage>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "output/clip_join.h"
#include "output/render_export.h"
#include "output/render_overlay.h"
#include "playback/recording_index.h"

namespace orvia {

// One recording of the range.
using RenderSource = OpenedRecording;

// The range planned over its recordings, on the clip's scale: time 0 is
// `fromMs` of the first recording, pictures before it are decoded but not
// shown.
struct RenderPlan {
  ClipJoin join;
  int64_t fromMs = 0;
  int64_t lengthMs = 0;
  double intervalMs = 1000.0 / 15;
  std::vector<OverlayRoutePoint> route;  // the range's fixes in time order
  // Per piece of the join, per second of its recording: the route's point
  // to mark (the last fix so far), -1 before the first.
  std::vector<std::vector<int>> routeOf;
};

// Opens the recordings and plans [fromMs, toMs) over them. False with `error`.
bool PlanRender(const std::vector<std::string>& paths, int64_t fromMs, int64_t toMs,
                std::vector<RenderSource>& sources, RenderPlan& plan, std::string& error);

// A composed picture waiting for the encoder.
struct ComposedPicture {
  int slot = 0;
  int64_t ptsMs = 0;
  OverlaySecond second;
};

// The pool of composed pictures between the two threads.
class PictureQueue {
 public:
  PictureQueue(int count, int width, int height);
  // A free picture to compose into; -1 once stopped.
  int TakeFree();
  void PushReady(const ComposedPicture& picture);
  // The next composed picture; false when the composer has finished and all
  // are taken, or once stopped.
  bool PopReady(ComposedPicture& picture);
  void GiveBack(int slot);
  void Finish();  // the composer has no more pictures
  void Stop();    // the encoder gives up: the composer ends at its next step
  bool Stopped();
  QImage& Image(int slot) { return images_[static_cast<size_t>(slot)]; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<QImage> images_;
  std::deque<int> free_;
  std::deque<ComposedPicture> ready_;
  bool finished_ = false, stopped_ = false;
};

// Decodes and composes the plan's pictures into `queue` (run on its own
// thread); `Error()` after a failure.
class RenderComposer {
 public:
  RenderComposer(const std::vector<RenderSource>& sources, const RenderPlan& plan,
                 const ViewPlacement& placement, bool coversAll, PictureQueue& queue);
  ~RenderComposer();
  RenderComposer(const RenderComposer&) = delete;
  RenderComposer& operator=(const RenderComposer&) = delete;

  void Run();
  const std::string& Error() const { return error_; }

 private:
  struct Av;
  bool ComposePiece(size_t piece);
  bool Feed(const RenderSource& src, int stream, int entry);
  bool Compose(const RenderSource& src, size_t piece, int localMs, int64_t pts);

  const std::vector<RenderSource>& sources_;
  const RenderPlan& plan_;
  ViewPlacement placement_;
  bool coversAll_;
  PictureQueue& queue_;
  std::unique_ptr<Av> av_;
  std::vector<uint8_t> unit_;  // the unit being decoded, kept between units
  int64_t lastPts_ = -1;
  std::string error_;
};

}  // namespace orvia
