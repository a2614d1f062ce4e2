#include "output/render_compose.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "library/card_trips.h"
#include "output/h264_units.h"
#include "player/frame_converter.h"
#include "player/video_decoder.h"

namespace orvia {
namespace {

// The fixes of the seconds the range shows, and which one each second marks.
void CollectRoute(const std::vector<RenderSource>& sources, RenderPlan& plan) {
  int last = -1;
  for (const ClipPiece& p : plan.join.pieces) {
    const RecordingIndex& index = *sources[p.recording].index;
    const int count = std::clamp(index.secondCount, 0, kMaxSeconds);
    std::vector<int>& marks = plan.routeOf.emplace_back(static_cast<size_t>(count), -1);
    for (int sec = 0; sec < count; ++sec) {
      const int64_t begins = p.shiftMs + int64_t{sec} * 1000 - plan.fromMs;
      if (begins + 1000 > 0 && begins < plan.lengthMs && index.gps[sec]) {
        plan.route.push_back({index.gps[sec]->latitude, index.gps[sec]->longitude});
        last = static_cast<int>(plan.route.size()) - 1;
      }
      marks[static_cast<size_t>(sec)] = last;
    }
  }
}

}  // namespace

bool PlanRender(const std::vector<std::string>& paths, int64_t fromMs, int64_t toMs,
                std::vector<RenderSource>& sources, RenderPlan& plan, std::string& error) {
  if (paths.empty()) {
    error = "no recording given";
    return false;
  }
  if (!OpenRecordingsInTurn(paths, toMs, sources)) {
    error = paths[0] + ": cannot be opened or is not an AVI recording";
    return false;
  }
  const ClipPlan first = PlanClipMs(*sources[0].index, fromMs, toMs);
  if (!first.ok) {
    error = paths[0] + ": " + first.error;
    return false;
  }
  std::vector<JoinRecording> joins;
  for (const RenderSource& s : sources) joins.push_back({s.index.get(), s.start});
  plan.join = PlanClipJoin(joins, first, toMs);
  if (!plan.join.ok || plan.join.pieces.empty()) {
    error = plan.join.error.empty() ? "nothing to render" : plan.join.error;
    return false;
  }
  plan.fromMs = std::max<int64_t>(0, fromMs);
  plan.lengthMs = std::min(toMs, plan.join.endMs) - plan.fromMs;
  if (plan.lengthMs <= 0) {
    error = "the range holds no picture";
    return false;
  }
  plan.intervalMs = PictureIntervalMs(*sources[0].index, 0);
  CollectRoute(sources, plan);
  return true;
}

PictureQueue::PictureQueue(int count, int width, int height) {
  for (int i = 0; i < count; ++i) {
    images_.emplace_back(width, height, QImage::Format_RGB32);
    images_.back().fill(Qt::black);
    free_.push_back(i);
  }
}

int PictureQueue::TakeFree() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stopped_ || !free_.empty(); });
  if (stopped_) return -1;
  const int slot = free_.front();
  free_.pop_front();
  return slot;
}

void PictureQueue::PushReady(const ComposedPicture& picture) {
  {
    std::lock_guard lock(mutex_);
    ready_.push_back(picture);
  }
  changed_.notify_all();
}

bool PictureQueue::PopReady(ComposedPicture& picture) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stopped_ || finished_ || !ready_.empty(); });
  if (stopped_ || ready_.empty()) return false;
  picture = ready_.front();
  ready_.pop_front();
  return true;
}

void PictureQueue::GiveBack(int slot) {
  {
    std::lock_guard lock(mutex_);
    free_.push_back(slot);
  }
  changed_.notify_all();
}

void PictureQueue::Finish() {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

void PictureQueue::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

bool PictureQueue::Stopped() {
  std::lock_guard lock(mutex_);
  return stopped_;
}

// The decoders, converters and packet, one per view.
struct RenderComposer::Av {
  player::VideoDecoder decoder[2];
  player::LatestFrame latest[2];
  player::FrameConverter converter[2];
  AVPacket* packet = av_packet_alloc();
  ~Av() { av_packet_free(&packet); }
};

RenderComposer::RenderComposer(const std::vector<RenderSource>& sources, const RenderPlan& plan,
                               const ViewPlacement& placement, bool coversAll, PictureQueue& queue)
    : sources_(sources),
      plan_(plan),
      placement_(placement),
      coversAll_(coversAll),
      queue_(queue),
      av_(std::make_unique<Av>()) {}

RenderComposer::~RenderComposer() = default;

void RenderComposer::Run() {
  bool ok = av_->packet != nullptr;
  for (int s = 0; s < 2 && ok; ++s) ok = av_->decoder[s].Open({.threads = 1, .maxPixels = kMaxPixels});
  if (!ok) error_ = "no H.264 decoder";
  for (size_t i = 0; ok && i < plan_.join.pieces.size(); ++i) ok = ComposePiece(i);
  queue_.Finish();
}

// Decodes unit `entry` of view `stream`. A key unit that starts with its
// picture rather than the parameter sets gets the stored ones in front, as
// the player's feeder gives them.
bool RenderComposer::Feed(const RenderSource& src, int stream, int entry) {
  const RecordingIndex& index = *src.index;
  const VideoIndexEntry& e = index.videoEntries[stream][entry];
  if (e.size < 5 || e.size > kMaxUnitBytes) return true;  // not a picture, as playback skips it
  const int headerLen = std::clamp<int32_t>(index.headerLen[stream], 0, kHeaderBytes);
  unit_.resize(headerLen + e.size + AV_INPUT_BUFFER_PADDING_SIZE);
  std::fill(unit_.end() - AV_INPUT_BUFFER_PADDING_SIZE, unit_.end(), 0);
  if (!src.file.ReadAt(e.offset, {unit_.data() + headerLen, e.size})) {
    error_ = src.path + ": the recording cannot be read (was the card removed?)";
    return false;
  }
  const bool withHeader = headerLen > 0 && (unit_[headerLen + 4] & 0x1f) == kNalTypeIdr;
  if (withHeader) std::memcpy(unit_.data(), index.header[stream], static_cast<size_t>(headerLen));
  av_->packet->data = unit_.data() + (withHeader ? 0 : headerLen);
  av_->packet->size = static_cast<int>(e.size + (withHeader ? headerLen : 0));
  av_->decoder[stream].Decode(av_->packet, av_->latest[stream]);
  return true;
}

// The piece's front pictures in order, each after the rear units due by
// then; those inside the range are composed.
bool RenderComposer::ComposePiece(size_t piece) {
  const ClipPiece& p = plan_.join.pieces[piece];
  const RenderSource& src = sources_[p.recording];
  const VideoIndexEntry* front = src.index->videoEntries[0].get();
  const VideoIndexEntry* rear = src.index->videoEntries[1].get();
  int nextRear = p.firstVideo[1];
  for (int i = p.firstVideo[0]; i < p.endVideo[0]; ++i) {
    if (queue_.Stopped()) return false;
    const int t = front[i].time;
    for (; nextRear < p.endVideo[1] && rear[nextRear].time <= t; ++nextRear)
      if (!Feed(src, 1, nextRear)) return false;
    const int before = av_->latest[0].count();
    if (!Feed(src, 0, i)) return false;
    if (av_->latest[0].count() == before) continue;  // no picture came out of this unit
    int64_t pts = p.shiftMs + t - plan_.fromMs;
    if (pts < 0) continue;
    pts = std::max(pts, lastPts_ + 1);
    if (pts >= plan_.lengthMs) return true;
    if (!Compose(src, piece, t, pts)) return false;
    lastPts_ = pts;
  }
  return true;
}

bool RenderComposer::Compose(const RenderSource& src, size_t piece, int localMs, int64_t pts) {
  const int slot = queue_.TakeFree();
  if (slot < 0) return false;
  QImage& image = queue_.Image(slot);
  if (!coversAll_) image.fill(Qt::black);
  uint8_t* bits = image.bits();
  const int stride = static_cast<int>(image.bytesPerLine());
  for (int s = 0; s < 2; ++s) {
    const OverlayRect& r = s == 0 ? placement_.front : placement_.rear;
    if (r.Empty() || av_->latest[s].count() == 0) continue;
    av_->converter[s].Convert(av_->latest[s].frame(), r.width, r.height, bits + r.y * stride + r.x * 4,
                              stride);
  }
  const RecordingIndex& index = *src.index;
  const int sec = std::clamp(localMs / 1000, 0, std::clamp(index.secondCount, 1, kMaxSeconds) - 1);
  ComposedPicture c;
  c.slot = slot;
  c.ptsMs = pts;
  c.second.clock = index.unixTime[sec] != 0 ? index.unixTime[sec] : src.start + sec;
  c.second.hasFix = index.gps[sec] != nullptr;
  if (c.second.hasFix) c.second.fix = *index.gps[sec];
  c.second.g = index.gPeak[sec];
  const std::vector<int>& marks = plan_.routeOf[piece];
  c.second.routePoint = static_cast<size_t>(sec) < marks.size() ? marks[static_cast<size_t>(sec)] : -1;
  queue_.PushReady(c);
  return true;
}

}  // namespace orvia
