// RenderVideo: the plan (render_compose), the composing thread, and on the
// calling thread the overlay, the encoder (render_encoder) and the MP4 with
// the sound (clip_mp4.h).
#include "output/render_export.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "output/clip_mp4.h"
#include "output/render_compose.h"
#include "output/render_encoder.h"
#include "output/render_overlay.h"
#include "output/track_export.h"
#include "player/frame_converter.h"

namespace orvia {
namespace {

constexpr int kQueueSlots = 4;  // composed pictures between the threads

OverlayRect Fit(int srcW, int srcH, int x, int y, int w, int h) {
  const player::FitRect f = player::FitPicture(srcW, srcH, 0, 0, w, h);
  return {x + f.x, y + f.y, f.width, f.height};
}

// Feeds the range's sound to the clip in time order: each block where its
// time puts it, cut where it begins before the range, silence for a gap
// between recordings.
class SoundFeeder {
 public:
  SoundFeeder(const std::vector<RenderSource>& sources, const RenderPlan& plan, Mp4Clip& mp4)
      : sources_(sources), plan_(plan), mp4_(mp4) {}

  // Adds the blocks that begin before `clipMs`. False with mp4.Error().
  bool FeedUntil(int64_t clipMs) {
    if (!mp4_.HasSound()) return true;
    const std::vector<ClipPiece>& pieces = plan_.join.pieces;
    while (piece_ < pieces.size()) {
      const ClipPiece& p = pieces[piece_];
      if (entry_ < p.firstSound) entry_ = p.firstSound;
      if (entry_ >= p.endSound) {
        ++piece_;
        entry_ = -1;
        continue;
      }
      const RenderSource& src = sources_[p.recording];
      const SoundIndexEntry& e = src.index->soundEntries[entry_];
      const int64_t startMs = p.shiftMs + e.time - plan_.fromMs;
      if (startMs >= clipMs) return true;
      if (!AddBlock(src, e, startMs)) return false;
      ++entry_;
    }
    return true;
  }

 private:
  bool AddBlock(const RenderSource& src, const SoundIndexEntry& e, int64_t startMs) {
    const SoundFormat& f = src.index->formats.sound;
    const int rate = mp4_.SampleRate();
    const int align = f.blockAlign > 0 ? f.blockAlign : std::max(1, f.channels * f.bitsPerSample / 8);
    unit_.resize(e.size);
    if (!src.file.ReadAt(e.offset, unit_)) return true;  // a block that cannot be read is left out
    int64_t due = startMs * rate / 1000;
    size_t skip = 0;
    if (due < 0) {
      skip = static_cast<size_t>(-due) * static_cast<size_t>(align);
      if (skip >= unit_.size()) return true;
      due = 0;
    }
    const int64_t behind = due - mp4_.SoundPosition();
    const int64_t allowed = mp4_.SoundPosition() == 0 ? 0 : kTouchingMs * rate / 1000;
    if (behind > allowed && !mp4_.AddSilence(behind)) return false;
    return mp4_.AddSamples(std::span<const uint8_t>(unit_).subspan(skip), f);
  }

  const std::vector<RenderSource>& sources_;
  const RenderPlan& plan_;
  Mp4Clip& mp4_;
  size_t piece_ = 0;
  int entry_ = -1;
  std::vector<uint8_t> unit_;
};

// The file's tracks: the encoder's H.264 and, when the recordings have
// sound the clip can take, AAC.
bool StartFile(const RenderOptions& o, const std::vector<RenderSource>& sources, const RenderPlan& plan,
               RenderEncoder& encoder, Mp4Clip& mp4, RenderResult& r) {
  const int fps = std::max(1, static_cast<int>(std::lround(1000.0 / plan.intervalMs)));
  if (!encoder.Open(r.width, r.height, fps, o.quality, &r.error)) return false;
  if (!mp4.Create(o.outputPath) || !mp4.AddVideo(0, encoder.Header(), r.width, r.height)) {
    r.error = mp4.Error();
    return false;
  }
  const auto withSound = std::find_if(plan.join.pieces.begin(), plan.join.pieces.end(),
                                      [](const ClipPiece& p) { return p.firstSound < p.endSound; });
  if (withSound == plan.join.pieces.end()) {
    r.note += "The recordings have no sound. ";
  } else if (!mp4.AddSound(sources[withSound->recording].index->formats.sound)) {
    r.note += "The video has no sound: " + mp4.Error() + ". ";
  }
  if (!mp4.Start(sources[0].start)) {
    r.error = mp4.Error();
    return false;
  }
  return true;
}

// Takes the composed pictures, lays the overlay over them and encodes them
// with the sound up to each. False on a failure or cancel (`r` says which).
bool EncodeAll(const RenderOptions& o, const std::vector<RenderSource>& sources, const RenderPlan& plan,
               PictureQueue& queue, const RenderComposer& composer, Mp4Clip& mp4, RenderResult& r) {
  RenderEncoder encoder;
  if (!StartFile(o, sources, plan, encoder, mp4, r)) return false;
  std::unique_ptr<OverlayPainter> overlay;
  if (o.drawOverlay && o.overlay.Any())
    overlay = std::make_unique<OverlayPainter>(o, r.width, r.height, plan.route);
  if (overlay) r.boxes = overlay->Boxes();
  SoundFeeder sound(sources, plan, mp4);
  const int64_t duration = std::max<int64_t>(1, std::lround(plan.intervalMs));
  int64_t videoEnd = 0;
  const RenderEncoder::PacketSink sink = [&](std::span<const uint8_t> unit, int64_t pts) {
    bool written = false;
    if (!mp4.WriteVideo(0, unit, false, pts, duration, written)) return false;
    videoEnd = std::max(videoEnd, pts + duration);
    return true;
  };
  ComposedPicture c;
  while (queue.PopReady(c)) {
    QImage& image = queue.Image(c.slot);
    if (overlay) {
      overlay->SetSecond(c.second);
      overlay->Draw(image);
    }
    if (!sound.FeedUntil(c.ptsMs)) r.error = mp4.Error();
    if (r.error.empty() &&
        !encoder.Encode(image.constBits(), static_cast<int>(image.bytesPerLine()), c.ptsMs, sink, &r.error) &&
        r.error.empty())
      r.error = mp4.Error();
    queue.GiveBack(c.slot);
    if (!r.error.empty()) return false;
    ++r.pictures;
    if (o.progress && !o.progress(std::min(1.0, static_cast<double>(c.ptsMs) / plan.lengthMs))) {
      r.cancelled = true;
      r.error = "the render was cancelled";
      return false;
    }
  }
  // The composer has finished (the queue said so): a failure of its leaves no file.
  if (!composer.Error().empty()) {
    r.error = composer.Error();
    return false;
  }
  if (!encoder.Flush(sink, &r.error)) {
    if (r.error.empty()) r.error = mp4.Error();
    return false;
  }
  r.durationMs = videoEnd;
  if (!sound.FeedUntil(videoEnd) || !mp4.Finish(videoEnd)) {
    r.error = mp4.Error();
    return false;
  }
  return true;
}

}  // namespace

void RenderSize(const RenderOptions& options, int frontW, int frontH, int& width, int& height) {
  width = options.width > 0 ? options.width : frontW;
  height = options.height > 0 ? options.height : frontH;
  width = std::max(2, width & ~1);
  height = std::max(2, height & ~1);
}

ViewPlacement PlaceViews(RenderLayout layout, int width, int height, int frontW, int frontH, int rearW,
                         int rearH) {
  ViewPlacement v;
  const bool rear = rearW > 0 && rearH > 0;
  switch (layout) {
    case RenderLayout::kFront:
      v.front = Fit(frontW, frontH, 0, 0, width, height);
      break;
    case RenderLayout::kPip: {
      v.front = Fit(frontW, frontH, 0, 0, width, height);
      if (!rear) break;
      const int margin = std::max(4, height * 16 / 720);
      const int w = width / 4,
                h = std::max(1, static_cast<int>(std::lround(static_cast<double>(w) * rearH / rearW)));
      v.rear = Fit(rearW, rearH, width - margin - w, margin, w, std::min(h, height - 2 * margin));
      break;
    }
    case RenderLayout::kSide:
      v.front = Fit(frontW, frontH, 0, 0, width / 2, height);
      if (rear) v.rear = Fit(rearW, rearH, width / 2, 0, width - width / 2, height);
      break;
    case RenderLayout::kStack:
      v.front = Fit(frontW, frontH, 0, 0, width, height / 2);
      if (rear) v.rear = Fit(rearW, rearH, 0, height / 2, width, height - height / 2);
      break;
  }
  return v;
}

RenderResult RenderVideo(const RenderOptions& o) {
  RenderResult r;
  if (WouldReplaceInput(o.outputPath, o.recordings)) {
    r.error = o.outputPath + ": the video would replace a recording it is made from";
    return r;
  }
  std::vector<RenderSource> sources;
  RenderPlan plan;
  if (!PlanRender(o.recordings, o.fromMs, o.toMs, sources, plan, r.error)) return r;
  r.note = plan.join.note.empty() ? "" : plan.join.note + " ";
  const StreamFormats& formats = sources[0].index->formats;
  RenderSize(o, formats.video[0].width, formats.video[0].height, r.width, r.height);
  const ClipPiece& head = plan.join.pieces.front();
  const bool hasRear = head.firstVideo[1] < head.endVideo[1] && formats.video[1].width > 0;
  if (!hasRear && o.layout != RenderLayout::kFront) r.note += "The recordings have no rear pictures. ";
  const ViewPlacement placement =
      PlaceViews(o.layout, r.width, r.height, formats.video[0].width, formats.video[0].height,
                 hasRear ? formats.video[1].width : 0, hasRear ? formats.video[1].height : 0);
  const OverlayRect& f = placement.front;
  const bool coversAll = (o.layout == RenderLayout::kFront || o.layout == RenderLayout::kPip) && f.x == 0 &&
                         f.y == 0 && f.width == r.width && f.height == r.height;
  PictureQueue queue(kQueueSlots, r.width, r.height);
  RenderComposer composer(sources, plan, placement, coversAll, queue);
  std::thread composing([&composer] { composer.Run(); });
  Mp4Clip mp4;  // its pending file goes when it does, unless finished
  const bool ok = EncodeAll(o, sources, plan, queue, composer, mp4, r);
  queue.Stop();
  composing.join();
  r.ok = ok;
  if (!r.ok) r.durationMs = 0;
  while (!r.note.empty() && r.note.back() == ' ') r.note.pop_back();
  return r;
}

}  // namespace orvia
