#include "player/player_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <string>

#include "player/bmp_file.h"

namespace orvia::player {

namespace {

// Snapshots keep the picture's own size up to this.
constexpr int kSnapshotMaxSide = 4096;
// The longest a picture taken waits for the units handed over to decode.
constexpr int kSettleMs = 1000;

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Mean brightness of the middle half of an image (the picture without the
// black bands a fitted picture may have), from an 8 x 8 grid of pixels.
int32_t MiddleLuma(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0) return 0;
  int64_t sum = 0;
  for (int gy = 0; gy < 8; ++gy) {
    for (int gx = 0; gx < 8; ++gx) {
      const int x = image.width / 4 + image.width / 2 * gx / 8;
      const int y = image.height / 4 + image.height / 2 * gy / 8;
      const size_t at = (static_cast<size_t>(y) * image.width + x) * 4;
      if (at + 2 >= image.pixels.size()) continue;
      // B, G, R in memory.
      sum += (image.pixels[at + 2] * 299 + image.pixels[at + 1] * 587 + image.pixels[at] * 114) / 1000;
    }
  }
  return static_cast<int32_t>(sum / 64);
}

}  // namespace

PlayerView::PlayerView(QWidget* parent, const WorkerOptions& options)
    : QWidget(parent), worker_(std::make_unique<DecodeWorker>(options)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Decoder thread: ask the user-interface thread for one repaint at a time.
  worker_->SetPictureListener([this] {
    if (repaintPosted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
          repaintPosted_ = false;
          update();
        },
        Qt::QueuedConnection);
  });
  decoding_ = worker_->Start();
}

PlayerView::~PlayerView() {
  // Stop the decoder thread before the widget goes; it posts repaints to it.
  worker_.reset();
}

int32_t PlayerView::OnFeedData(bool sound, bool key, std::span<const uint8_t> bytes) {
  if (sound) {
    if (!stopped_) sound_.Play(bytes);
    return kCallOk;
  }
  // Without a decoder every unit is taken and dropped, so that callers that
  // retry refused units do not retry for ever.
  if (!decoding_) return kCallOk;
  return worker_->Submit(bytes, key);
}

int32_t PlayerView::OnFeedHidden(bool key, std::span<const uint8_t> bytes) {
  if (!decoding_) return kCallOk;
  return worker_->Submit(bytes, key, true);
}

int32_t PlayerView::OnPictureDigest(uint8_t* md5) {
  worker_->WaitIdleFor(kSettleMs);
  if (stopped_ || !worker_->HasPicture()) return kNoPicture;
  return worker_->NewestDigest(md5) ? kCallOk : kNoPicture;
}

void PlayerView::OnSetVolume(int32_t level) { sound_.SetVolume(level); }

void PlayerView::OnSetStopped(bool stopped) {
  stopped_ = stopped;
  if (stopped) {
    worker_->DropPending();
    sound_.Stop();
  }
  worker_->SetShowing(!stopped);
  update();
}

void PlayerView::OnRedraw() { update(); }

int32_t PlayerView::OnSaveSnapshot(std::string_view path) {
  // Hold the picture of this moment, then size the buffer for it; the buffer
  // is kept and only grows.
  worker_->WaitIdleFor(kSettleMs);
  worker_->HoldPicture();
  int width = 0, height = 0;
  if (!worker_->HeldSize(&width, &height)) return kNoPicture;
  FitWithin(width, height, kSnapshotMaxSide, kSnapshotMaxSide, &width, &height);
  const size_t needed = static_cast<size_t>(width) * height * 4;
  if (snapshot_.size() < needed) snapshot_.resize(needed);
  if (!worker_->CopyNewest(snapshot_.data(), kSnapshotMaxSide, kSnapshotMaxSide, false, &width, &height)) {
    return kNoPicture;
  }
  return WriteBmp24(std::string(path), snapshot_.data(), width, height, width * 4) ? kCallOk : kWriteFailed;
}

void PlayerView::OnPrepareCopy() {
  worker_->WaitIdleFor(kSettleMs);
  worker_->HoldPicture();
}

int32_t PlayerView::OnCopyPicture(const CopyTarget& target) {
  int width = 0, height = 0;
  if (!worker_->CopyNewest(target.pixels, kCopyMaxWidth, kCopyMaxHeight, true, &width, &height))
    return kNoPicture;
  *target.width = width;
  *target.height = height;
  *target.bitsPerPixel = 32;
  return kCallOk;
}

void PlayerView::OnSetSoundFormat(const SoundFormat& format) { sound_.SetFormat(format); }

void PlayerView::OnFlushSound() { sound_.Flush(); }

void PlayerView::OnDropUnits() { worker_->DropPending(); }

int32_t PlayerView::OnSoundQueuedUs() {
  return static_cast<int32_t>(std::min<int64_t>(sound_.queuedUSecs(), INT32_MAX));
}

void PlayerView::OnSetAvTrace(AvTraceSink* sink) {
  trace_ = sink;
  sound_.SetTrace(sink, sink ? &SteadyNs : nullptr);
}

void PlayerView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = rect();
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = DevicePixels();
  bool fresh = false;
  int32_t luma = -1;
  int64_t handedNs = 0;
  const bool drawn = worker_->ReadShownImage(
      [&](const RgbImage& image) {
        if (fresh) handedNs = image.handedNs;
        if (trace_ && fresh) luma = MiddleLuma(image);
        QImage picture(image.pixels.data(), image.width, image.height, image.width * 4, QImage::Format_RGB32);
        if (image.width == pixels.width() && image.height == pixels.height()) {
          picture.setDevicePixelRatio(ratio);
          painter.drawImage(0, 0, picture);
          return;
        }
        // Drawn for another size (the view was just resized; the decoder
        // thread draws it again): stretch it meanwhile, keeping its
        // proportions.
        painter.fillRect(area, Qt::black);
        const FitRect r = FitPicture(image.width, image.height, 0, 0, area.width(), area.height());
        painter.drawImage(QRect(r.x, r.y, r.width, r.height), picture);
      },
      &fresh);
  if (!drawn) painter.fillRect(area, Qt::black);
  if (drawn && fresh) shown_ = shown_ == INT32_MAX ? 0 : shown_ + 1;
  const int64_t now = SteadyNs();
  if (handedNs > 0 && now > handedNs) {
    // A mean over about the last eight pictures.
    const int64_t us = (now - handedNs) / 1000;
    // The first picture also waited for the decoder to start, which says
    // nothing about the pictures after it.
    if (shown_ > 1) latencyUs_ = latencyUs_ < 0 ? us : (latencyUs_ * 7 + us) / 8;
  }
  if (luma >= 0) trace_->PictureShown(viewNumber(), now, luma);
}

int32_t PlayerView::OnPictureLatencyUs() {
  return static_cast<int32_t>(std::min<int64_t>(latencyUs_, INT32_MAX));
}

QSize PlayerView::DevicePixels() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

void PlayerView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize pixels = DevicePixels();
  worker_->SetDisplaySize(pixels.width(), pixels.height());
}

}  // namespace orvia::player
