// The real player control: a widget that decodes the H.264 units handed to
// it on its own decoder thread, shows the newest picture fitted to its size
// with black around it, and plays the sound blocks.
//
// What the calls do here:
//   FeedData      video: queued for the decoder thread, -1 when the queue is
//                 full (a hidden unit is decoded, its picture dropped);
//                 sound: played (dropped when there is no device).
//   SetVolume     sound volume, 0 silent .. 10 full.
//   SetStopped    1: the view turns black, waiting units and queued sound are
//                 dropped; units given later are decoded but not shown. 0:
//                 the newest picture is shown again.
//   FlushSound    the sound waiting in the queue is dropped (the sink plays
//                 out the little it holds).
//   SoundQueued   microseconds of sound handed over and not yet played.
//   SetAvTrace    reports each new picture painted and when the loudest
//                 sample of each sound block played.
//   DropUnits     the units waiting for the decoder are dropped.
//   PictureLatency  running mean of the time from a unit's hand-over to its
//                 picture painted.
//   Redraw        repaints the view.
//   SaveSnapshot  the newest picture at its own size as a 24-bit bitmap file.
//   PrepareCopy   keeps the newest picture for the next CopyPicture.
//                 Both first let the units handed over be decoded (for at
//                 most kSettleMs), so that front and rear give the pictures
//                 of the same step.
//   PictureDigest MD5 of the picture on show, after the same wait.
//   CopyPicture   that picture, scaled down to fit 1920 x 1088 if larger,
//                 32 bits per pixel, bottom row first (CopyTarget).
//   start-up and reset calls: counted, nothing else.
//
// Threads: every call on the user-interface thread.
#pragma once

#include <QWidget>
#include <atomic>
#include <memory>
#include <vector>

#include "player/decode_worker.h"
#include "player/embedded_player.h"
#include "player/sound_output.h"

namespace orvia::player {

class PlayerView : public QWidget, public EmbeddedPlayer {
  Q_OBJECT

 public:
  explicit PlayerView(QWidget* parent = nullptr, const WorkerOptions& options = {});
  ~PlayerView() override;

  QWidget* widget() override { return this; }

  // For tests and diagnostics.
  DecodeWorker& worker() { return *worker_; }
  SoundOutput& sound() { return sound_; }
  bool stopped() const { return stopped_; }

 protected:
  int32_t OnFeedData(bool sound, bool key, std::span<const uint8_t> bytes) override;
  void OnSetVolume(int32_t level) override;
  void OnSetStopped(bool stopped) override;
  void OnRedraw() override;
  int32_t OnSaveSnapshot(std::string_view path) override;
  void OnPrepareCopy() override;
  int32_t OnCopyPicture(const CopyTarget& target) override;
  void OnSetSoundFormat(const SoundFormat& format) override;
  void OnFlushSound() override;
  void OnDropUnits() override;
  int32_t OnSoundQueuedUs() override;
  void OnSetAvTrace(AvTraceSink* sink) override;
  int32_t OnPictureLatencyUs() override;
  int32_t OnPicturesShown() override { return shown_; }
  int32_t OnFeedHidden(bool key, std::span<const uint8_t> bytes) override;
  int32_t OnPictureDigest(uint8_t* md5) override;

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The view's size in device pixels: the size pictures are drawn at.
  QSize DevicePixels() const;

  std::unique_ptr<DecodeWorker> worker_;
  bool decoding_ = false;  // the decoder thread runs
  SoundOutput sound_;
  bool stopped_ = false;
  std::atomic<bool> repaintPosted_{false};
  std::vector<uint8_t> snapshot_;  // reused by SaveSnapshot
  AvTraceSink* trace_ = nullptr;
  int64_t latencyUs_ = -1;  // running mean from hand-over to paint
  int32_t shown_ = 0;       // new pictures painted, from 0 again past INT32_MAX
};

}  // namespace orvia::player
