// Sound blocks of a recording played through Qt Multimedia (QAudioSink in
// push mode) on the default output. Without an output device, or with a
// format it cannot play, it stays silent and takes every block anyway.
//
// The sound waiting to play is kept short and known: the sink is asked for a
// buffer of kSinkBufferMs, our queue in front of it holds at most
// kQueueLimitMs (what does not fit is dropped), and queuedUSecs() tells how long what was handed over still
// has to play, so that the caller can hand each block over in time for its moment.
//
// Threads: user-interface thread only (the sink lives in its event loop).
#pragma once

#include <QAudioFormat>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "player/player_contract.h"

class QAudioSink;
class QIODevice;
class QTimer;

namespace orvia::player {

constexpr int kSinkBufferMs = 100;  // asked of the sink
constexpr int kQueueLimitMs = 500;  // our queue in front of it

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
  // Queues one block. Opens the sink on first use. Blocks wait in our queue,
  // which tops the sink up as it plays; what does not fit is dropped.
  void Play(std::span<const uint8_t> block);
  void SetVolume(int level);  // 0 .. 10
  // Drops what waits in our queue; the sink stays open and plays out the
  // little it holds (at most kSinkBufferMs), so that the sound after a seek
  // or a speed change starts without opening the sink anew.
  void Flush();
  // Drops what is queued and closes the sink, so that nothing handed over
  // before plays any more; the next block opens it again.
  void Stop();

  bool isOpen() const { return device_ != nullptr; }
  // Microseconds of sound the sink has processed since it was opened.
  int64_t processedUSecs() const;
  // Microseconds of sound handed over that have not played yet: our queue
  // and what the sink holds. 0 with nothing queued; -1 when no sound can be
  // played (no device, or a format it cannot play).
  int64_t queuedUSecs() const;
  int64_t droppedBytes() const { return dropped_; }

  // Reports when the loudest sample of each block plays (null stops).
  void SetTrace(AvTraceSink* trace, int64_t (*steadyNs)());

 private:
  bool Open();
  // Moves queued bytes into the sink as far as it has room (whole frames).
  void TopUp();
  int64_t UsFor(int64_t bytes) const;
  // Trace: marks the loudest sample of `block`, queued at stream position
  // `at`; reports the marks the sink has played.
  void MarkPeak(std::span<const uint8_t> block, int64_t at);
  void ReportPlayed();

  QAudioFormat format_;
  std::unique_ptr<QAudioSink> sink_;
  QIODevice* device_ = nullptr;
  std::unique_ptr<QTimer> topUpTimer_;  // runs while bytes wait or marks are unplayed
  std::vector<uint8_t> pending_;        // capacity fixed when the sink opens
  size_t pendingLimit_ = 0;
  int64_t written_ = 0;   // bytes written to the sink since it opened
  int64_t accepted_ = 0;  // bytes queued since it opened: the stream position of the next byte
  struct PeakMark {
    int64_t at;    // stream position of the sample
    int32_t peak;  // its magnitude, 0..32767
  };
  std::vector<PeakMark> marks_;
  AvTraceSink* trace_ = nullptr;
  int64_t (*steadyNs_)() = nullptr;
  bool openFailed_ = false;  // not tried again until the format changes or Stop
  int volume_ = 10;
  int64_t dropped_ = 0;
};

}  // namespace orvia::player
