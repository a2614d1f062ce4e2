// Sound blocks of a recording played through Qt Multimedia (QAudioSink in
// push mode) on the default output. Without an output device, or with a
// format it cannot play, it stays silent and takes every block anyway.
//
// Threads: user-interface thread only (the sink lives in its event loop).
#pragma once

#include <QAudioFormat>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "playback/recording_index.h"

class QAudioSink;
class QIODevice;
class QTimer;

namespace orvia::player {

// The Qt format for a recording's sound format; invalid when Qt cannot play
// it (only PCM with 8, 16 or 32 bits per sample).
QAudioFormat ToAudioFormat(const SoundFormat& format);

class SoundOutput {
 public:
  SoundOutput();
  ~SoundOutput();
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  // Sets the format of the blocks to come; a new format closes the sink.
  // False when the format cannot be played (blocks are then dropped).
  bool SetFormat(const SoundFormat& format);
  // Queues one block. Opens the sink on first use. Blocks wait in a queue of
  // two seconds that tops the sink up as it plays; what does not fit is
  // dropped.
  void Play(std::span<const uint8_t> block);
  void SetVolume(int level);  // 0 .. 10
  // Drops what is queued and closes the sink; the next block opens it again.
  void Stop();

  bool isOpen() const { return device_ != nullptr; }
  // Microseconds of sound the sink has processed since it was opened.
  int64_t processedUSecs() const;
  int64_t droppedBytes() const { return dropped_; }

 private:
  bool Open();
  // Moves queued bytes into the sink as far as it has room (whole frames).
  void TopUp();

  QAudioFormat format_;
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* device_ = nullptr;
  std::unique_ptr<QTimer> topUpTimer_;  // runs while bytes wait
  std::vector<uint8_t> pending_;        // capacity fixed when the sink opens
  size_t pendingLimit_ = 0;
  bool openFailed_ = false;  // not tried again until the format changes or Stop
  int volume_ = 10;
  int64_t dropped_ = 0;
};

}  // namespace orvia::player
