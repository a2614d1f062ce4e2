#include "player/decode_worker.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/md5.h>
}

namespace orvia::player {

DecodeWorker::DecodeWorker(const WorkerOptions& options)
    : options_(options), queue_(options.queueCapacity, options.initialUnitBytes) {
  newest_ = av_frame_alloc();
  renderRef_ = av_frame_alloc();
  held_ = av_frame_alloc();
}

DecodeWorker::~DecodeWorker() {
  {
    std::lock_guard<std::mutex> lk(mu_);
    stop_ = true;
  }
  workCv_.notify_all();
  if (thread_.joinable()) thread_.join();
  av_frame_free(&newest_);
  av_frame_free(&renderRef_);
  av_frame_free(&held_);
}

void DecodeWorker::SetFrameObserver(std::function<void(const AVFrame&)> observer) {
  observer_ = std::move(observer);
}

void DecodeWorker::SetPictureListener(std::function<void()> listener) { listener_ = std::move(listener); }

bool DecodeWorker::Start() {
  if (started_) return true;
  if (!newest_ || !renderRef_ || !held_ || !decoder_.Open(options_.decoder)) return false;
  started_ = true;
  thread_ = std::thread([this] { Run(); });
  pthread_setname_np(thread_.native_handle(), "orvia-decode");
  return true;
}

int32_t DecodeWorker::Submit(std::span<const uint8_t> unit, bool key, bool hidden) {
  if (unit.empty()) return 0;
  UnitSlot* slot = nullptr;
  int64_t sequence = 0;
  {
    std::lock_guard<std::mutex> lk(mu_);
    if (started_) slot = queue_.Reserve();
    if (!slot) {
      ++refused_;
      return -1;
    }
    sequence = sequence_++;
    handedNs_[sequence % kHandedSlots] = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                             std::chrono::steady_clock::now().time_since_epoch())
                                             .count();
    hidden_[sequence % kHandedSlots] = hidden;
  }
  // The reserved slot is invisible to the decoder thread until committed, so
  // the copy runs without the lock.
  const bool filled = queue_.Fill(slot, unit, key, sequence);
  {
    std::lock_guard<std::mutex> lk(mu_);
    queue_.Commit(filled);
  }
  if (!filled) {
    ++refused_;
    return -1;
  }
  ++taken_;
  workCv_.notify_one();
  return 0;
}

bool DecodeWorker::RequestDrain() {
  {
    std::lock_guard<std::mutex> lk(mu_);
    UnitSlot* slot = started_ ? queue_.Reserve() : nullptr;
    if (!slot) return false;
    slot->drain = true;
    queue_.Commit(true);
  }
  workCv_.notify_one();
  return true;
}

void DecodeWorker::DropPending() {
  {
    std::lock_guard<std::mutex> lk(mu_);
    queue_.DropPending(busy_);
  }
  doneCv_.notify_all();
}

void DecodeWorker::WaitForRoom() {
  std::unique_lock<std::mutex> lk(mu_);
  doneCv_.wait(lk, [&] { return stop_ || !started_ || !queue_.full(); });
}

void DecodeWorker::WaitIdle() {
  std::unique_lock<std::mutex> lk(mu_);
  doneCv_.wait(lk, [&] { return stop_ || !started_ || (queue_.count() == 0 && !rerender_ && !rendering_); });
}

bool DecodeWorker::WaitIdleFor(int ms) {
  std::unique_lock<std::mutex> lk(mu_);
  return doneCv_.wait_for(lk, std::chrono::milliseconds(ms), [&] {
    return stop_ || !started_ || (queue_.count() == 0 && !rerender_ && !rendering_);
  });
}

bool DecodeWorker::Reset() {
  std::unique_lock<std::mutex> lk(mu_);
  if (!started_ || stop_) return false;
  queue_.DropPending(busy_);
  doneCv_.wait(lk, [&] { return queue_.count() == 0 && !rerender_ && !rendering_; });
  // The decoder thread waits for work and needs mu_ to take any: until the
  // lock is released its decoder, converter and pictures are not in use.
  const bool opened = decoder_.Reopen();
  sequence_ = 0;
  std::fill(std::begin(handedNs_), std::end(handedNs_), 0);
  std::fill(std::begin(hidden_), std::end(hidden_), false);
  av_frame_unref(renderRef_);
  newestDrawn_ = true;
  av_frame_unref(held_);
  {
    std::lock_guard<std::mutex> pictures(pictureMu_);
    av_frame_unref(newest_);
    hasShown_ = false;
    consumed_ = true;
    showing_ = true;
    displayW_ = displayH_ = 0;
  }
  taken_ = refused_ = frames_ = rendered_ = 0;
  return opened;
}

void DecodeWorker::Run() {
  std::unique_lock<std::mutex> lk(mu_);
  for (;;) {
    workCv_.wait(lk, [&] { return stop_ || queue_.count() > 0 || rerender_; });
    if (stop_) return;
    if (UnitSlot* slot = queue_.Front()) {
      busy_ = true;
      lk.unlock();
      if (slot->drain) {
        decoder_.Drain(*this);
      } else {
        decoder_.Decode(slot->packet, *this);
      }
      lk.lock();
      queue_.Pop();
      busy_ = false;
      // The newest picture was skipped while more units waited; now that
      // none wait, it is the one to show.
      if (queue_.count() == 0 && !newestDrawn_) rerender_ = true;
      if (!rerender_) doneCv_.notify_all();
      continue;
    }
    if (rerender_) {
      rerender_ = false;
      rendering_ = true;
      lk.unlock();
      RenderNewest();
      lk.lock();
      rendering_ = false;
      if (!rerender_) doneCv_.notify_all();
    }
  }
}

int64_t DecodeWorker::HandedNs(const AVFrame& frame) {
  if (frame.pts < 0 || frame.pts == AV_NOPTS_VALUE) return 0;
  std::lock_guard<std::mutex> lk(mu_);
  // Only the last kHandedSlots units are remembered.
  if (sequence_ - frame.pts > kHandedSlots) return 0;
  return handedNs_[frame.pts % kHandedSlots];
}

bool DecodeWorker::IsHidden(const AVFrame& frame) {
  if (frame.pts < 0 || frame.pts == AV_NOPTS_VALUE) return false;
  std::lock_guard<std::mutex> lk(mu_);
  if (sequence_ - frame.pts > kHandedSlots) return false;
  return hidden_[frame.pts % kHandedSlots];
}

void DecodeWorker::OnFrame(AVFrame* frame) {
  ++frames_;
  if (observer_) observer_(*frame);
  // A picture on the way to another one: decoded for the references of the
  // units after it, never shown nor kept for a snapshot.
  if (IsHidden(*frame)) return;

  int width = 0, height = 0;
  bool showing = false, consumed = false;
  {
    std::lock_guard<std::mutex> lk(pictureMu_);
    width = displayW_;
    height = displayH_;
    showing = showing_;
    consumed = consumed_;
  }
  bool draw = showing && consumed;
  if (showing && !consumed) {
    // The view has not painted the last image yet: draw this picture only
    // when it is the newest for a while, that is no other unit waits.
    std::lock_guard<std::mutex> lk(mu_);
    draw = queue_.count() <= 1;
  }
  const bool drawn = draw && width > 0 && height > 0 && converter_.Render(*frame, width, height, back_);
  if (drawn) back_.handedNs = HandedNs(*frame);
  {
    std::lock_guard<std::mutex> lk(pictureMu_);
    av_frame_unref(newest_);
    av_frame_move_ref(newest_, frame);
    if (drawn) {
      std::swap(shown_, back_);
      hasShown_ = true;
      consumed_ = false;
    }
  }
  newestDrawn_ = drawn || width <= 0 || height <= 0;
  if (drawn) {
    ++rendered_;
    if (listener_) listener_();
  }
}

void DecodeWorker::RenderNewest() {
  int width = 0, height = 0;
  {
    std::lock_guard<std::mutex> lk(pictureMu_);
    if (!newest_->data[0] || !showing_ || displayW_ <= 0 || displayH_ <= 0) {
      newestDrawn_ = true;
      return;
    }
    width = displayW_;
    height = displayH_;
    if (av_frame_ref(renderRef_, newest_) < 0) return;
  }
  const bool drawn = converter_.Render(*renderRef_, width, height, back_);
  back_.handedNs = 0;  // drawn again: not a new picture
  av_frame_unref(renderRef_);
  newestDrawn_ = true;
  if (!drawn) return;
  {
    std::lock_guard<std::mutex> lk(pictureMu_);
    std::swap(shown_, back_);
    hasShown_ = true;
    consumed_ = false;
  }
  ++rendered_;
  if (listener_) listener_();
}

void DecodeWorker::SetDisplaySize(int width, int height) {
  {
    std::lock_guard<std::mutex> lk(pictureMu_);
    if (width == displayW_ && height == displayH_) return;
    displayW_ = width;
    displayH_ = height;
  }
  {
    std::lock_guard<std::mutex> lk(mu_);
    rerender_ = true;
  }
  workCv_.notify_one();
}

void DecodeWorker::SetShowing(bool showing) {
  {
    std::lock_guard<std::mutex> lk(pictureMu_);
    if (showing == showing_) return;
    showing_ = showing;
    if (!showing) hasShown_ = false;
  }
  if (showing) {
    {
      std::lock_guard<std::mutex> lk(mu_);
      rerender_ = true;
    }
    workCv_.notify_one();
  }
}

bool DecodeWorker::ReadShownImage(const std::function<void(const RgbImage&)>& reader, bool* fresh) {
  std::lock_guard<std::mutex> lk(pictureMu_);
  if (!hasShown_ || !showing_) return false;
  if (fresh) *fresh = !consumed_;
  reader(shown_);
  consumed_ = true;
  return true;
}

bool DecodeWorker::HasPicture() const {
  std::lock_guard<std::mutex> lk(pictureMu_);
  return newest_->data[0] != nullptr;
}

void DecodeWorker::HoldPicture() {
  av_frame_unref(held_);
  std::lock_guard<std::mutex> lk(pictureMu_);
  if (newest_->data[0]) av_frame_ref(held_, newest_);
}

bool DecodeWorker::HeldSize(int* width, int* height) const {
  if (!held_->data[0]) return false;
  *width = held_->width;
  *height = held_->height;
  return true;
}

bool DecodeWorker::CopyNewest(uint8_t* dst, int maxW, int maxH, bool bottomUp, int* width, int* height) {
  if (!held_->data[0]) {
    std::lock_guard<std::mutex> lk(pictureMu_);
    if (!newest_->data[0] || av_frame_ref(held_, newest_) < 0) return false;
  }
  int w = 0, h = 0;
  FitWithin(held_->width, held_->height, maxW, maxH, &w, &h);
  const bool ok = w > 0 && h > 0 && copyConverter_.Convert(*held_, w, h, dst, w * 4);
  av_frame_unref(held_);
  if (!ok) return false;
  if (bottomUp) {
    const size_t row = static_cast<size_t>(w) * 4;
    rowScratch_.resize(row);
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
      uint8_t* a = dst + row * top;
      uint8_t* b = dst + row * bottom;
      std::memcpy(rowScratch_.data(), a, row);
      std::memcpy(a, b, row);
      std::memcpy(b, rowScratch_.data(), row);
    }
  }
  *width = w;
  *height = h;
  return true;
}

bool DecodeWorker::NewestDigest(uint8_t* md5) const {
  std::lock_guard<std::mutex> lk(pictureMu_);
  const AVFrame& f = *newest_;
  if (!f.data[0]) return false;
  const auto format = static_cast<AVPixelFormat>(f.format);
  const int size = av_image_get_buffer_size(format, f.width, f.height, 1);
  if (size <= 0) return false;
  std::vector<uint8_t> packed(static_cast<size_t>(size));
  if (av_image_copy_to_buffer(packed.data(), size, f.data, f.linesize, format, f.width, f.height, 1) < 0)
    return false;
  av_md5_sum(md5, packed.data(), size);
  return true;
}

WorkerStats DecodeWorker::stats() const {
  WorkerStats s;
  s.unitsTaken = taken_;
  s.unitsRefused = refused_;
  s.framesDecoded = frames_;
  s.imagesRendered = rendered_;
  s.unitsRejected = decoder_.rejectedUnits();
  s.bufferAllocations = queue_.bufferAllocations();
  return s;
}

}  // namespace orvia::player
