// A view's decoding: a bounded queue of pooled packets, one decoder thread
// running libavcodec, and the picture hand-over to the view. The decoder
// thread turns the newest picture into the view's image (fitted, black
// around it) in a back buffer and swaps it with the shown one under a mutex,
// then tells the view through the picture listener; the view paints the
// shown image under the same mutex, so a picture is never seen half drawn.
// A picture that is already superseded by queued units is not drawn unless
// the view has painted the previous one.
//
// Threads: Submit, RequestDrain and DropPending are called by one feeding
// thread (the user-interface thread in the program); the display and copy
// calls by the user-interface thread; WaitForRoom and WaitIdle by batch
// feeders only (the bench, tests), never by the user-interface thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "player/frame_converter.h"
#include "player/unit_queue.h"
#include "player/video_decoder.h"

struct AVFrame;

namespace orvia::player {

struct WorkerOptions {
  int queueCapacity = 8;                 // units waiting, the one being decoded included
  size_t initialUnitBytes = 256 * 1024;  // each slot's buffer at the start
  DecoderOptions decoder;
};

struct WorkerStats {
  int64_t unitsTaken = 0;
  int64_t unitsRefused = 0;   // Submit answered -1
  int64_t unitsRejected = 0;  // libavcodec refused the data
  int64_t framesDecoded = 0;
  int64_t imagesRendered = 0;     // pictures drawn for the view
  int64_t bufferAllocations = 0;  // packet buffers allocated after the start
};

class DecodeWorker : private FrameReceiver {
 public:
  explicit DecodeWorker(const WorkerOptions& options = {});
  ~DecodeWorker() override;  // stops and joins the decoder thread
  DecodeWorker(const DecodeWorker&) = delete;
  DecodeWorker& operator=(const DecodeWorker&) = delete;

  // Set before Start. Both run on the decoder thread: the observer sees every
  // decoded picture first; the listener hears when a new image is shown.
  void SetFrameObserver(std::function<void(const AVFrame&)> observer);
  void SetPictureListener(std::function<void()> listener);
  // Opens the decoder and starts the thread; false when there is no decoder.
  bool Start();

  // Feeding thread. Copies the unit into a free slot: 0 taken, -1 when the
  // queue is full (never blocks). An empty unit is taken and ignored. The
  // picture of a `hidden` unit is decoded and dropped: it is neither drawn
  // nor kept as the newest picture.
  int32_t Submit(std::span<const uint8_t> unit, bool key, bool hidden = false);
  // Queues a drain: pictures held back by frame threads come out; the next
  // unit should be a key unit. False when the queue is full.
  bool RequestDrain();
  // Discards the units that wait; the one being decoded finishes.
  void DropPending();
  // Batch feeders: wait until a slot is free / until every unit is decoded.
  void WaitForRoom();
  void WaitIdle();
  // Waits at most `ms` milliseconds for every unit handed over to be decoded
  // and its picture drawn; true when that happened. The user-interface thread
  // uses it before it takes a picture, so that both views give the picture
  // of the last unit each was handed.
  bool WaitIdleFor(int ms);
  // Batch feeders, also the user-interface thread's calls: drops the units
  // that wait, waits for the decoder thread to go idle, then puts the worker
  // as it was just after Start with a new decoder (no parameter sets, no
  // pictures, no view size, showing). The thread and the buffers stay. False
  // when not started or the decoder could not be opened again.
  bool Reset();

  // User-interface thread.
  // Size of the view in pixels; the newest picture is drawn again at it.
  void SetDisplaySize(int width, int height);
  // While not showing, pictures are decoded and kept but none is drawn and
  // ReadShownImage finds nothing.
  void SetShowing(bool showing);
  // Hands the shown image to `reader` under the hand-over mutex; false (and
  // no call) when nothing is shown. `fresh`, when given, tells whether the
  // image had not been read before.
  bool ReadShownImage(const std::function<void(const RgbImage&)>& reader, bool* fresh = nullptr);
  bool HasPicture() const;
  // Keeps the newest picture for the next CopyNewest (so that it copies the
  // picture of that moment).
  void HoldPicture();
  // Size of the held picture; false when none is held.
  bool HeldSize(int* width, int* height) const;
  // Converts the held, else the newest, picture to RGB32 at its own size
  // (scaled down to fit maxW x maxH) into dst, rows width x 4 bytes apart,
  // bottom row first when `bottomUp`. False when there is no picture.
  bool CopyNewest(uint8_t* dst, int maxW, int maxH, bool bottomUp, int* width, int* height);
  // MD5 of the newest picture's planes packed without padding into `md5`;
  // false when there is none. For tests and diagnostics (it allocates).
  bool NewestDigest(uint8_t* md5) const;

  WorkerStats stats() const;

 private:
  void Run();
  void OnFrame(AVFrame* frame) override;
  // When the unit of `frame` was handed over; 0 when unknown.
  int64_t HandedNs(const AVFrame& frame);
  // Whether `frame` is the picture of a hidden unit.
  bool IsHidden(const AVFrame& frame);
  void RenderNewest();

  WorkerOptions options_;
  VideoDecoder decoder_;
  std::thread thread_;
  std::function<void(const AVFrame&)> observer_;
  std::function<void()> listener_;

  // Guards the queue and the thread's flags.
  mutable std::mutex mu_;
  std::condition_variable workCv_;  // decoder thread waits for units
  std::condition_variable doneCv_;  // feeders wait for room or idleness
  UnitQueue queue_;
  bool stop_ = false;
  bool busy_ = false;      // the front slot is being decoded
  bool rerender_ = false;  // draw the newest picture again
  bool rendering_ = false;
  bool started_ = false;
  int64_t sequence_ = 0;
  // When each of the last units was handed over (steady clock), by sequence.
  static constexpr int kHandedSlots = 64;
  int64_t handedNs_[kHandedSlots] = {};
  bool hidden_[kHandedSlots] = {};  // by sequence, like handedNs_

  // Guards the pictures handed between the threads.
  mutable std::mutex pictureMu_;
  AVFrame* newest_ = nullptr;  // newest decoded picture
  RgbImage shown_;             // what the view paints
  bool hasShown_ = false;
  bool consumed_ = true;  // the view painted the shown image
  bool showing_ = true;
  int displayW_ = 0;
  int displayH_ = 0;

  // Decoder thread only.
  FrameConverter converter_;
  RgbImage back_;
  AVFrame* renderRef_ = nullptr;
  bool newestDrawn_ = true;

  // User-interface thread only.
  FrameConverter copyConverter_;
  AVFrame* held_ = nullptr;
  std::vector<uint8_t> rowScratch_;

  std::atomic<int64_t> taken_{0}, refused_{0}, frames_{0}, rendered_{0};
};

}  // namespace orvia::player
