// The MP4 side of a clip, for the clip writers of this folder: the tracks
// (front and rear H.264 copied unit for unit, the sound as AAC, the
// telemetry as 3GPP timed text), the pending file they go to and its
// commit. Times are ms of the clip; sound goes in as samples, placed one
// after the other. Each call returns false after a failure, with `Error()`
// saying what went wrong for the user.
//
// Threads: one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "player/player_contract.h"

namespace orvia {

class Mp4Clip {
 public:
  Mp4Clip();
  ~Mp4Clip();
  Mp4Clip(const Mp4Clip&) = delete;
  Mp4Clip& operator=(const Mp4Clip&) = delete;

  // The pending file beside `outputPath` and the MP4 writer.
  bool Create(const std::string& outputPath);
  // A video track for view 0 (front) or 1 (rear) from its stored
  // parameter-set header. False when the header holds no usable SPS and
  // PPS (the track is left out; Error() says why).
  bool AddVideo(int view, std::span<const uint8_t> header, int width, int height);
  // The sound track for PCM of this format. False, with Error() saying so,
  // when the format is not one the clip can convert.
  bool AddSound(const SoundFormat& format);
  void AddSubtitles();
  // The file's head, with `creationTime` (UTC seconds; none when 0).
  bool Start(int64_t creationTime);

  bool HasVideo(int view) const { return video_[view] >= 0; }
  bool HasSound() const { return sound_ >= 0; }

  // One stored unit (Annex B) as a sample at `dtsMs` lasting `durationMs`.
  // Parameter sets are dropped (they live in the track's codec data) unless
  // `keepParameterSets`. Units that hold no picture are skipped.
  bool WriteVideo(int view, std::span<const uint8_t> unit, bool keepParameterSets, int64_t dtsMs,
                  int64_t durationMs, bool& written);
  // Samples to play next: PCM of `format` (8- or 16-bit, the track's
  // channels), and silence.
  bool AddSamples(std::span<const uint8_t> pcm, const SoundFormat& format);
  bool AddSilence(int64_t samples);
  // Where the next sample plays, in samples from the clip's time 0.
  int64_t SoundPosition() const;
  int SampleRate() const;
  // Sets where the first sample plays (before any is added).
  void StartSoundAt(int64_t samples);
  // A caption shown over [startMs, endMs).
  bool WriteCue(int64_t startMs, int64_t endMs, const std::string& text);
  // Sound padded or cut to end at `endMs`, the encoders drained, the file
  // closed and renamed into place.
  bool Finish(int64_t endMs);

  const std::string& Error() const { return error_; }

 private:
  struct Av;
  bool Fail(const std::string& text);
  bool EncodeFrames(bool flush);
  bool WritePacket(int stream, int64_t pts, int64_t dts, int64_t duration, bool key, int tbDen);

  std::unique_ptr<Av> av_;
  std::string error_;
  int video_[2] = {-1, -1};  // stream indices; -1 none
  int sound_ = -1;
  int subtitles_ = -1;
  std::vector<float> pending_[8];  // samples not yet encoded, per channel
  size_t pendingAt_ = 0;           // the first of them not yet taken
  int64_t soundPts_ = 0;           // in samples, of the first pending sample
  std::vector<uint8_t> sample_;    // the sample being built, kept between units
};

}  // namespace orvia
